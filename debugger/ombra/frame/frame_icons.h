// The small images of the toolbar buttons and menu items.
#pragma once

#include <QIcon>

class QStyle;

namespace corvid::ombra {

enum class Glyph {
    none,
    newFile,
    open,
    save,
    cut,
    copy,
    paste,
    find,
    goToLine,
    newCommand,
    deleteRow,
    properties,
    about,
    record,
    play,
    stop,
    pause,
    step,
    breakpoint,
};

// A standard icon of the style where one fits, else a 16 by 16 image drawn here.
QIcon GlyphIcon(Glyph glyph, const QStyle& style);

} // namespace corvid::ombra
