#pragma once

#include <QFont>

class QWidget;

namespace ovisu {

// What the program's own windows share when they show Chinese text and come to the front.

// `font` with one installed CJK family (Simplified Chinese first) named alone. Without it, Han
// characters come from whichever fallback has each glyph, and one label can mix Japanese and
// Chinese forms; named alone it also survives style sheets, which drop further families. The
// font is returned unchanged when no such family is installed.
QFont withChineseFamily(QFont font);

// Moves the window's frame to the centre of the available area of its screen (the primary
// screen when it has none yet).
void centreOnScreen(QWidget& window);

// Shows the window, raises it and gives it the keyboard.
void bringToFront(QWidget& window);

}  // namespace ovisu
