#include "frame_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <cmath>
#include <functional>

namespace corvid::ombra {
namespace {

QIcon Drawn(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QIcon(pixmap);
}

void Sheet(QPainter& painter, const QRectF& rect) {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(rect);
    for (qreal y = rect.top() + 3; y < rect.bottom() - 1; y += 2.5)
        painter.drawLine(QPointF(rect.left() + 2, y), QPointF(rect.right() - 2, y));
}

void Octagon(QPainter& painter, const QPointF& centre, qreal radius) {
    QPolygonF shape;
    for (int corner = 0; corner < 8; ++corner) {
        const qreal angle = (22.5 + 45.0 * corner) * 3.14159265358979 / 180.0;
        shape << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    painter.setPen(QPen(QColor(120, 0, 0), 1));
    painter.setBrush(QColor(220, 0, 0));
    painter.drawPolygon(shape);
}

QIcon Painted(Glyph glyph) {
    switch (glyph) {
    case Glyph::cut:
        return Drawn([](QPainter& p) {
            p.setPen(QPen(Qt::black, 1.5));
            p.drawLine(QPointF(4, 1), QPointF(11, 10));
            p.drawLine(QPointF(12, 1), QPointF(5, 10));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(4, 12.5), 2.5, 2.5);
            p.drawEllipse(QPointF(12, 12.5), 2.5, 2.5);
        });
    case Glyph::copy:
        return Drawn([](QPainter& p) {
            Sheet(p, QRectF(1.5, 1.5, 8, 10));
            Sheet(p, QRectF(6.5, 4.5, 8, 10));
        });
    case Glyph::paste:
        return Drawn([](QPainter& p) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(170, 120, 60));
            p.drawRect(QRectF(1.5, 2.5, 10, 12));
            p.setBrush(Qt::gray);
            p.drawRect(QRectF(4.5, 1.5, 4, 2));
            Sheet(p, QRectF(7.5, 6.5, 7, 8));
        });
    case Glyph::find:
        return Drawn([](QPainter& p) {
            p.setPen(QPen(Qt::black, 1.5));
            p.setBrush(QColor(200, 230, 255));
            p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
            p.setPen(QPen(Qt::black, 2.5));
            p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        });
    case Glyph::goToLine:
        return Drawn([](QPainter& p) {
            Sheet(p, QRectF(4.5, 1.5, 10, 13));
            p.setPen(QPen(QColor(0, 120, 0), 2));
            p.drawLine(QPointF(0.5, 8), QPointF(8, 8));
            p.drawLine(QPointF(5, 5), QPointF(8, 8));
            p.drawLine(QPointF(5, 11), QPointF(8, 8));
        });
    case Glyph::newCommand:
        return Drawn([](QPainter& p) {
            Sheet(p, QRectF(1.5, 3.5, 10, 11));
            p.setPen(QPen(QColor(0, 120, 0), 2));
            p.drawLine(QPointF(12.5, 1), QPointF(12.5, 8));
            p.drawLine(QPointF(9, 4.5), QPointF(16, 4.5));
        });
    case Glyph::record:
        return Drawn([](QPainter& p) {
            p.setPen(QPen(QColor(120, 0, 0), 1));
            p.setBrush(QColor(220, 0, 0));
            p.drawEllipse(QPointF(8, 8), 6, 6);
        });
    case Glyph::play:
        return Drawn([](QPainter& p) {
            p.setPen(QPen(QColor(0, 90, 0), 1));
            p.setBrush(QColor(0, 170, 0));
            p.drawPolygon(QPolygonF({QPointF(3, 2), QPointF(14, 8), QPointF(3, 14)}));
        });
    case Glyph::stop:
        return Drawn([](QPainter& p) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(40, 40, 40));
            p.drawRect(QRectF(3.5, 3.5, 9, 9));
        });
    case Glyph::pause:
        return Drawn([](QPainter& p) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(40, 40, 160));
            p.drawRect(QRectF(3.5, 2.5, 3, 11));
            p.drawRect(QRectF(9.5, 2.5, 3, 11));
        });
    case Glyph::step:
        return Drawn([](QPainter& p) {
            p.setPen(QPen(QColor(0, 90, 0), 1));
            p.setBrush(QColor(0, 170, 0));
            p.drawPolygon(QPolygonF({QPointF(2, 3), QPointF(10, 8), QPointF(2, 13)}));
            p.setBrush(QColor(40, 40, 40));
            p.setPen(QPen(Qt::black, 1));
            p.drawRect(QRectF(11.5, 3.5, 2.5, 9));
        });
    case Glyph::breakpoint:
        return Drawn([](QPainter& p) {
            Octagon(p, QPointF(8, 8), 7);
            QFont font = p.font();
            font.setPixelSize(6);
            font.setBold(true);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("BP"));
        });
    default:
        return {};
    }
}

} // namespace

QIcon GlyphIcon(Glyph glyph, const QStyle& style) {
    switch (glyph) {
    case Glyph::none:
        return {};
    case Glyph::newFile:
        return style.standardIcon(QStyle::SP_FileIcon);
    case Glyph::open:
        return style.standardIcon(QStyle::SP_DialogOpenButton);
    case Glyph::save:
        return style.standardIcon(QStyle::SP_DialogSaveButton);
    case Glyph::deleteRow:
        return style.standardIcon(QStyle::SP_TrashIcon);
    case Glyph::properties:
        return style.standardIcon(QStyle::SP_FileDialogDetailedView);
    case Glyph::about:
        return style.standardIcon(QStyle::SP_MessageBoxInformation);
    default:
        return Painted(glyph);
    }
}

} // namespace corvid::ombra
