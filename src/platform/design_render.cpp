#include "platform/design_render.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <cmath>

#include "generation/design_painter.h"
#include "generation/report.h"
#include "output/platform_printer.h"
#include "platform/pdf_file.h"
#include "platform/qt_canvas.h"
#include "report/report_error.h"

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
  QImage image(int(std::lround(w * scale)), int(std::lround(h * scale)), QImage::Format_RGB32);
  if (image.isNull()) throw EReportError("Cannot create file " + fileName.toStdString());
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.scale(scale, scale);
    TQtCanvas canvas(painter);
    PaintReportDesign(report, canvas);
  }
  SavePngFile(image, fileName);
}
