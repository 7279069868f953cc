#include "ombra/command_icons.h"

#include <QCoreApplication>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <cmath>

namespace corvid::ombra {
namespace {

using IconSet = std::array<QPixmap, kCommandIconCount>;

// The symbol (box, stop sign or arrow) fills the left 16 by 16 cell; the note sheet, when
// the command has a comment, stands in the cell beside it.
constexpr int kCell = 16;
constexpr int kNoteLeft = 17;

void DrawBox(QPainter& painter) {
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(2.5, 2.5, 11, 11));
}

void DrawStopSign(QPainter& painter) {
    QPolygonF octagon;
    constexpr double kPi = 3.14159265358979323846;
    for (int corner = 0; corner < 8; ++corner) {
        const double angle = kPi / 8 + corner * kPi / 4;
        octagon << QPointF(8 + 7.6 * std::cos(angle), 8 + 7.6 * std::sin(angle));
    }
    painter.setPen(QPen(QColor(0x80, 0, 0), 1));
    painter.setBrush(QColor(0xD0, 0x10, 0x10));
    painter.drawPolygon(octagon);
    QFont font = painter.font();
    font.setPixelSize(7);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, kCell, kCell), Qt::AlignCenter, QStringLiteral("BP"));
}

void DrawArrow(QPainter& painter, const QColor& fill) {
    const QPolygonF arrow({QPointF(1.5, 5.5), QPointF(8.5, 5.5), QPointF(8.5, 1.5), QPointF(14.5, 8),
                           QPointF(8.5, 14.5), QPointF(8.5, 10.5), QPointF(1.5, 10.5)});
    painter.setPen(QPen(fill.darker(170), 1));
    painter.setBrush(fill);
    painter.drawPolygon(arrow);
}

void DrawNoteSheet(QPainter& painter) {
    painter.save();
    painter.translate(kNoteLeft, 0);
    QPainterPath sheet;
    sheet.moveTo(2.5, 1.5);
    sheet.lineTo(10.5, 1.5);
    sheet.lineTo(13.5, 4.5);
    sheet.lineTo(13.5, 14.5);
    sheet.lineTo(2.5, 14.5);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    painter.setBrush(QColor(0xFF, 0xFF, 0xC0));
    painter.drawPath(sheet);
    painter.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    painter.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
    painter.setPen(QPen(QColor(0x30, 0x50, 0xA0), 1));
    for (int line = 0; line < 4; ++line)
        painter.drawLine(QPointF(4.5, 6.5 + 2 * line), QPointF(11.5, 6.5 + 2 * line));
    painter.restore();
}

QPixmap DrawIcon(int index) {
    QPixmap pixmap(kCommandIconWidth, kCommandIconHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (index % 4) {
    case 0:
        DrawBox(painter);
        break;
    case 1:
        DrawStopSign(painter);
        break;
    case 2:
        DrawArrow(painter, QColor(0x20, 0xB0, 0x20));
        break;
    default:
        DrawArrow(painter, QColor(0xE0, 0x20, 0x20));
        break;
    }
    if (index >= 4)
        DrawNoteSheet(painter);
    return pixmap;
}

IconSet*& Icons() {
    static IconSet* icons = nullptr;
    return icons;
}

// Pixmaps must go before the application does.
void DropIcons() {
    delete Icons();
    Icons() = nullptr;
}

} // namespace

const QPixmap& CommandIcon(int index) {
    IconSet*& icons = Icons();
    if (!icons) {
        icons = new IconSet;
        for (int i = 0; i < kCommandIconCount; ++i)
            (*icons)[static_cast<std::size_t>(i)] = DrawIcon(i);
        qAddPostRoutine(DropIcons);
    }
    if (index < 0 || index >= kCommandIconCount)
        index = 0;
    return (*icons)[static_cast<std::size_t>(index)];
}

QColor ColourFromBgr(std::uint32_t bbggrr) {
    return QColor(static_cast<int>(bbggrr & 0xFF), static_cast<int>((bbggrr >> 8) & 0xFF),
                  static_cast<int>((bbggrr >> 16) & 0xFF));
}

} // namespace corvid::ombra
