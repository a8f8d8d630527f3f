#pragma once

#include "graphics/canvas.h"

class TCustomReport;
class TCustomBand;

// The on-screen designer's picture of a report: the page with its ruler and
// margins, each band with its ruler, outline, frame and type name, and the
// elements as the designer shows them. Generation never uses it. Drawn at
// the report's zoom in pixels of the reference context, (0, 0) being the
// page's top-left corner.
void PaintReportDesign(TCustomReport& report, TCanvas& canvas);
