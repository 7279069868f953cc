// The wait cursor for the length of a scope (opening, saving, exporting, finding,
// emptying the calibration database). Message boxes lift it while they are up.
#pragma once

#include <QApplication>

namespace corvid::ombra {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace corvid::ombra
