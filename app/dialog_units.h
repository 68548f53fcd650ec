#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "app/dialog_template.h"

namespace dovrik {

// Dialog base units: the average character width and the character height of
// a dialog font, in pixels. One horizontal dialog unit is a quarter of the
// width, one vertical unit an eighth of the height.
struct DialogBaseUnits {
  int width;
  int height;
};

// The base units of the templates' font, 8 point "MS Sans Serif": 6 x 13 px.
// With them the main dialog is 495 x 445 px and its strip chart 470 px wide
// inside its frame, the figures the exercises' drawing assumes. The layout
// keeps these units whatever font stands in for that one on screen.
inline constexpr DialogBaseUnits kTemplateBaseUnits{6, 13};

// The base units of a font, measured the way the window system measures a
// dialog font: the width is the rounded average width of the 52 letters A-Z
// and a-z, the height the font's whole line height.
DialogBaseUnits MeasureBaseUnits(const QFont& font);

// The font that stands in for 8 point "MS Sans Serif": a sans-serif face at
// a pixel size whose base units do not exceed the template font's, so every
// caption fits where the template puts it.
QFont DialogFont();

// Converts a rectangle from dialog units to pixels. x, y, width and height
// are each scaled and rounded on their own, so equal sizes in dialog units
// stay equal on screen (neighbours may then overlap or part by a pixel).
QRect DialogUnitsToPixels(const DialogUnitRect& rect, DialogBaseUnits units = kTemplateBaseUnits);
QSize DialogUnitsToPixels(int width, int height, DialogBaseUnits units = kTemplateBaseUnits);

}  // namespace dovrik
