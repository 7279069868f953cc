// The one application object of the dialog tests, on Qt's offscreen platform.
#pragma once

#include <QApplication>

namespace corvid::ombra::testing {

QApplication& Application();

} // namespace corvid::ombra::testing
