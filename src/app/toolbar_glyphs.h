#pragma once

class QIcon;

// The preview toolbar's pictures. They are drawn, not stored: each is a
// drawing on a 16 x 16 grid, painted afresh at the size and pixel density
// it is shown at, so it stays sharp on high-density screens. Disabled
// pictures are the style's greyed form of the drawing.
enum class TToolbarGlyph { FirstPage, PreviousPage, NextPage, LastPage, Printer, PrinterWithSheet, Pdf, Door };

QIcon ToolbarIcon(TToolbarGlyph glyph);
