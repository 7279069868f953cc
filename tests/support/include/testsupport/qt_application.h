// The one QApplication of a test program that shows widgets, on Qt's offscreen platform
// unless QT_QPA_PLATFORM already names one (the screenshots use a virtual X display).
#pragma once

#include <QApplication>

namespace corvid::testing {

// Created on first use and kept for the life of the process.
QApplication& Application();

} // namespace corvid::testing
