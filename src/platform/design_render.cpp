#include "platform/design_render.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

#include "generation/design_painter.h"
#include "generation/report.h"
#include "output/platform_printer.h"
#include "platform/qt_canvas.h"
#include "report/report_error.h"

void WriteDesignPicture(TCustomReport& report, const QString& fileName, int dpi) {
  const int ppi = ReferenceMetrics().PixelsPerInch();
  const double scale = double(dpi) / ppi;
  const int w = report.Width(), h = report.Height();
  const std::string failed = "Cannot write file " + fileName.toStdString();
  if (fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
    QPdfWriter writer(fileName);
    writer.setResolution(dpi);
    writer.setPageLayout(QPageLayout(QPageSize(QSizeF(w * 25.4 / ppi, h * 25.4 / ppi), QPageSize::Millimeter),
                                     QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer)) throw EReportError(failed);
    painter.scale(scale, scale);
    TQtCanvas canvas(painter);
    PaintReportDesign(report, canvas);
    painter.end();
    return;
  }
  QImage image(int(std::lround(w * scale)), int(std::lround(h * scale)), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.scale(scale, scale);
    TQtCanvas canvas(painter);
    PaintReportDesign(report, canvas);
  }
  if (!image.save(fileName, "PNG")) throw EReportError(failed);
}
