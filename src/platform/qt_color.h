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

// The contrast ratio of two colours by their relative luminance, as the
// accessibility guidelines (WCAG 2) define it: 1 (none) to 21.
double ContrastRatio(const QColor& a, const QColor& b);

// Text at least this contrasted with its background reads for everyone.
inline constexpr double kReadableContrast = 4.5;

// The colour to draw `wanted` text in on `background`. On a light
// background the design's colour stays whatever it is. On a dark one (a
// dark desktop theme) it stays where it reads (kReadableContrast);
// otherwise `alternative` (the palette's text or link colour) is taken
// where that reads, and else `wanted` lightened until it does.
QColor ReadableColor(const QColor& wanted, const QColor& background, const QColor& alternative);

// Meaningful graphics (a picture's outline, an arrow, a radio button's
// ring) at least this contrasted with what is behind them can be made out.
inline constexpr double kGraphicContrast = 3.0;

// As ReadableColor, for a graphic: `wanted` where the background is light
// or where it reaches kGraphicContrast, else `alternative`, else lightened.
QColor VisibleColor(const QColor& wanted, const QColor& background, const QColor& alternative = QColor());

// The two above with a threshold of the caller's.
QColor ContrastedColor(const QColor& wanted, const QColor& background, const QColor& alternative, double least);
