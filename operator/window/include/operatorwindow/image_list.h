// The equipment icons of the operator window: 38 x 38 pixels in 16 colours, three
// images per icon (as drawn, green turned yellow, green turned red) for the three
// calibration states.
#pragma once

#include <QIcon>
#include <QImage>
#include <vector>

namespace corvid::operatorwindow {

class EquipmentImageList {
public:
    static constexpr int kSize = 38;

    // Draws every icon of the table; counts what could not be drawn or added.
    void Build();
    int loadFailures() const { return loadFailures_; }
    int addFailures() const { return addFailures_; }
    // The message shown when any icon failed.
    QString FailureText() const;

    // 3 x the icon's position in the table + state (0, 1, 2); an identifier not in the
    // table gives the state itself.
    static int IndexOf(int iconId, int state);
    // The image of IndexOf as an icon; empty when there is none.
    QIcon Icon(int iconId, int state) const;
    const std::vector<QImage>& images() const { return images_; }

private:
    std::vector<QImage> images_;
    int loadFailures_ = 0;
    int addFailures_ = 0;
};

} // namespace corvid::operatorwindow
