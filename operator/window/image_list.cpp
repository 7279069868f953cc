#include "operatorwindow/image_list.h"

#include <QPainter>
#include <QPixmap>
#include <array>

namespace corvid::operatorwindow {
namespace {

// The icons' identifiers (the IconID of models and DSGs), in table order.
constexpr std::array<int, 5> kIconIds = {1, 2, 3, 4, 5};
constexpr QRgb kGreen = 0xFF00FF00, kYellow = 0xFFFFFF00, kRed = 0xFFFF0000, kMask = 0xFFFF00FF;

// A front panel with a display and a status lamp in green, the parts the states recolour.
QImage DrawIcon(int iconId) {
    QImage image(EquipmentImageList::kSize, EquipmentImageList::kSize, QImage::Format_RGB32);
    image.fill(kMask);
    QPainter paint(&image);
    paint.setPen(Qt::black);
    paint.setBrush(QColor(0xC0, 0xC0, 0xC0));
    paint.drawRect(2, 8, 33, 22);
    paint.setBrush(QColor(kGreen));
    paint.drawEllipse(28, 22, 5, 5);
    paint.setBrush(Qt::black);
    switch (iconId) {
    case 1: // calibrator: output terminals
        paint.drawRect(5, 12, 16, 6);
        paint.setBrush(Qt::red);
        paint.drawEllipse(6, 22, 5, 5);
        paint.setBrush(Qt::black);
        paint.drawEllipse(14, 22, 5, 5);
        break;
    case 2: // multimeter: a large display and a dial
        paint.drawRect(5, 11, 22, 8);
        paint.drawEllipse(10, 21, 7, 7);
        break;
    case 3: // counter: a long digit row
        paint.drawRect(5, 12, 27, 6);
        paint.drawRect(6, 22, 3, 4);
        break;
    case 4: // scanner: a row of relays
        for (int x = 5; x < 27; x += 5)
            paint.drawRect(x, 12, 3, 12);
        break;
    default: // other equipment
        paint.drawRect(5, 12, 12, 6);
        break;
    }
    paint.end();
    return image;
}

QImage Recoloured(const QImage& image, QRgb to) {
    QImage copy = image.copy();
    for (int y = 0; y < copy.height(); ++y)
        for (int x = 0; x < copy.width(); ++x)
            if (copy.pixel(x, y) == kGreen)
                copy.setPixel(x, y, to);
    return copy;
}

// 16 colours, the mask colour transparent.
QImage Masked(const QImage& image) {
    QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QImage argb = indexed.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (image.pixel(x, y) == kMask)
                argb.setPixel(x, y, 0);
    return argb;
}

} // namespace

void EquipmentImageList::Build() {
    images_.clear();
    images_.reserve(2 + 3 * kIconIds.size());
    loadFailures_ = addFailures_ = 0;
    for (int id : kIconIds) {
        QImage drawn = DrawIcon(id);
        if (drawn.isNull()) {
            ++loadFailures_;
            continue;
        }
        for (QImage state : {drawn, Recoloured(drawn, kYellow), Recoloured(drawn, kRed)}) {
            QImage image = Masked(state);
            if (image.isNull() || image.size() != QSize(kSize, kSize))
                ++addFailures_;
            else
                images_.push_back(image);
        }
    }
}

QString EquipmentImageList::FailureText() const {
    return QString::asprintf("Creating image list: %d images\nLoad Failures=%d\nAdd Failures=%d\n", 120,
                             loadFailures_, addFailures_);
}

int EquipmentImageList::IndexOf(int iconId, int state) {
    for (std::size_t i = 0; i < kIconIds.size(); ++i)
        if (kIconIds[i] == iconId)
            return 3 * static_cast<int>(i) + state;
    return state;
}

QIcon EquipmentImageList::Icon(int iconId, int state) const {
    const int index = IndexOf(iconId, state);
    if (index < 0 || index >= static_cast<int>(images_.size()))
        return {};
    return QIcon(QPixmap::fromImage(images_[static_cast<size_t>(index)]));
}

} // namespace corvid::operatorwindow
