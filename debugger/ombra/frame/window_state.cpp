#include "window_state.h"

#include <cctype>
#include <cstdio>

namespace corvid::ombra {

std::optional<WindowPlacement> ParsePlacement(std::string_view text) {
    const std::string copy(text);
    int v[10] = {};
    int consumed = 0;
    const int count = std::sscanf(copy.c_str(), "%i %i %i %i %i %i %i %i %i %i%n", &v[0], &v[1], &v[2], &v[3],
                                  &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &consumed);
    if (count != 10)
        return std::nullopt;
    for (std::size_t at = static_cast<std::size_t>(consumed); at < copy.size(); ++at)
        if (!std::isspace(static_cast<unsigned char>(copy[at])))
            return std::nullopt;
    // A rectangle without a size would make the window vanish.
    if (v[8] <= v[6] || v[9] <= v[7])
        return std::nullopt;
    WindowPlacement placement;
    placement.flags = v[0];
    placement.showCommand = v[1];
    placement.minimisedPosition = QPoint(v[2], v[3]);
    placement.maximisedPosition = QPoint(v[4], v[5]);
    placement.normal = QRect(v[6], v[7], v[8] - v[6], v[9] - v[7]);
    return placement;
}

std::string FormatPlacement(const WindowPlacement& placement) {
    char text[160];
    const QRect& r = placement.normal;
    std::snprintf(text, sizeof text, "%i %i %i %i %i %i %i %i %i %i", placement.flags, placement.showCommand,
                  placement.minimisedPosition.x(), placement.minimisedPosition.y(),
                  placement.maximisedPosition.x(), placement.maximisedPosition.y(), r.left(), r.top(),
                  r.left() + r.width(), r.top() + r.height());
    return text;
}

} // namespace corvid::ombra
