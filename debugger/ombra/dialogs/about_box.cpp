#include "ombra/about_box.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvid::ombra {
namespace {

// A dark tile with a trace of a signal over it.
QPixmap DrawnIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x24, 0x2f, 0x4d));
    painter.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 6.0, size / 6.0);
    QPen trace(QColor(0x7f, 0xe0, 0x8a));
    trace.setWidthF(size / 14.0);
    painter.setPen(trace);
    const double y = size / 2.0;
    const double step = size / 8.0;
    QPolygonF line;
    line << QPointF(step, y) << QPointF(2 * step, y) << QPointF(3 * step, y - 2 * step)
         << QPointF(4 * step, y + 2 * step) << QPointF(5 * step, y - step) << QPointF(6 * step, y)
         << QPointF(7 * step, y);
    painter.drawPolyline(line);
    return pixmap;
}

} // namespace

QPixmap ProgramIcon(int size) {
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(size, size);
    return DrawnIcon(size);
}

QString AboutBox::VersionLine(const QString& versionText) {
    return versionText.isEmpty() ? QStringLiteral("OMBRA Version Unknown")
                                 : QStringLiteral("OMBRA v") + versionText;
}

AboutBox::AboutBox(const QString& versionText, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Ombra"));
    auto* layout = new QHBoxLayout(this);
    icon_ = new QLabel(this);
    icon_->setPixmap(ProgramIcon(32));
    layout->addWidget(icon_, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    version_ = new QLabel(VersionLine(versionText), this);
    credits_ = new QLabel(QStringLiteral("Recorder, debugger and player of GPIB instrument sessions."), this);
    contact_ = new QLabel(
        QStringLiteral("<a href=\"mailto:ombra-support@example.org\">ombra-support@example.org</a>"), this);
    contact_->setTextFormat(Qt::RichText);
    contact_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    contact_->setOpenExternalLinks(true);
    texts->addWidget(version_);
    texts->addWidget(credits_);
    texts->addWidget(contact_);
    layout->addLayout(texts);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &AboutBox::accept);
    layout->addWidget(ok_, 0, Qt::AlignTop);
}

} // namespace corvid::ombra
