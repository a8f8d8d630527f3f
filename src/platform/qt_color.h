#pragma once

#include <QColor>

#include "graphics/color.h"

class QPalette;

// The desktop's system colours, read from a Qt palette.
TSystemPalette SystemPaletteFrom(const QPalette& palette);

// A colour resolved for drawing on the desktop: system colours through the
// application's palette.
QColor ToQColor(TColor color);

// A colour resolved through the given system palette.
QColor ToQColor(TColor color, const TSystemPalette& palette);
