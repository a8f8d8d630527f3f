#include "platform/design_render.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <string>

#include "report/design_painter.h"
#include "report/report.h"
#include "output/platform_printer.h"
#include "platform/page_render.h"
#include "platform/pdf_file.h"
#include "platform/qt_canvas.h"
#include "definition/report_error.h"

void WriteDesignPicture(TCustomReport& report, const QString& fileName, int dpi) {
  const int ppi = report.Context().Metrics().PixelsPerInch();
  const double scale = double(dpi) / ppi;
  const int w = report.Width(), h = report.Height();
  if (fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
    // The design's own rectangle, portrait or not, as the page.
    const QPageLayout layout(QPageSize(QSizeF(w * 25.4 / ppi, h * 25.4 / ppi), QPageSize::Millimeter),
                             QPageLayout::Portrait, QMarginsF());
    TPdfFile pdf(fileName, layout, dpi);
    pdf.Painter().scale(scale, scale);
    {
      TQtCanvas canvas(pdf.Painter());
      PaintReportDesign(report, canvas);
    }
    pdf.Finish();
    return;
  }
  // Band by band, as the printed sheet is: a whole A4 raster at 4800 dpi
  // would take 9 GB.
  const double wide = std::max(1.0, std::round(w * scale)), high = std::max(1.0, std::round(h * scale));
  if (wide > kMaxPngSide || high > kMaxPngSide || wide * high > kMaxPngPixels)
    throw EReportError("The page is too large to draw at %1 dpi", {std::to_string(dpi)});
  WriteBandedPngPainted(fileName, int(wide), int(high), dpi, [&](QPainter& painter) {
    painter.scale(scale, scale);
    TQtCanvas canvas(painter);
    PaintReportDesign(report, canvas);
  });
}
