// The icons and colours of the command lists: eight icons of 33 by 16 pixels drawn in code
// (an empty box, a stop sign, a green and a red arrow, each also with a note sheet beside it)
// and the conversion of the lists' 0xBBGGRR colour values.
#pragma once

#include <QColor>
#include <QPixmap>
#include <cstdint>

namespace corvid::ombra {

inline constexpr int kCommandIconCount = 8;
inline constexpr int kCommandIconWidth = 33;
inline constexpr int kCommandIconHeight = 16;

// The icon of an index from debugger::IconIndex: 0 empty box, 1 stop sign with "BP",
// 2 green arrow, 3 red arrow, 4 to 7 the same beside a note sheet. Out-of-range indices give
// icon 0. Needs a QGuiApplication; the pixmaps live until it is destroyed.
const QPixmap& CommandIcon(int index);

// 0xBBGGRR to QColor.
QColor ColourFromBgr(std::uint32_t bbggrr);

} // namespace corvid::ombra
