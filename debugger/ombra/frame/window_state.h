// The main window's placement as kept in the settings ("Settings", "MainFrmPos"): ten
// integers, "%i %i %i %i %i %i %i %i %i %i" - flags, show command, minimised position,
// maximised position, and the normal rectangle (left, top, right, bottom).
#pragma once

#include <QPoint>
#include <QRect>
#include <optional>
#include <string>
#include <string_view>

namespace corvid::ombra {

enum class ShowCommand { normal = 1, minimised = 2, maximised = 3 };

struct WindowPlacement {
    int flags = 0;
    int showCommand = static_cast<int>(ShowCommand::normal);
    QPoint minimisedPosition{-1, -1};
    QPoint maximisedPosition{-1, -1};
    QRect normal; // right and bottom one past the last pixel, as the text has them
};

// Nothing unless the text is exactly ten integers (decimal, 0x hex or 0 octal, as "%i"
// reads them) and the normal rectangle has a size.
std::optional<WindowPlacement> ParsePlacement(std::string_view text);
std::string FormatPlacement(const WindowPlacement& placement);

} // namespace corvid::ombra
