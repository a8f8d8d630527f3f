#include "platform/page_render.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

#include "output/emf_player.h"
#include "platform/pdf_file.h"
#include "platform/qt_canvas.h"
#include "report/report_error.h"

namespace {
// The frame in millimetres; the frame is inclusive in 0.01 mm.
QSizeF FrameMm(const TEmfHeader& h) {
  return QSizeF((double(h.frame.right) - h.frame.left + 1) / 100.0,
                (double(h.frame.bottom) - h.frame.top + 1) / 100.0);
}
}  // namespace

QSizeF PageSizeMm(std::span<const std::uint8_t> page) { return FrameMm(TEmfPlayer::Validate(page)); }

QImage RenderPageImage(std::span<const std::uint8_t> page, int dpi) {
  const TEmfHeader header = TEmfPlayer::Validate(page);
  const QSizeF mm = FrameMm(header);
  const int w = std::max(1, int(std::lround(mm.width() * dpi / 25.4)));
  const int h = std::max(1, int(std::lround(mm.height() * dpi / 25.4)));
  // A corrupt frame must not ask for gigabytes.
  if (double(w) * h > 400e6) throw EReportError("Metafile is not valid");
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  const int dpm = int(std::lround(dpi / 0.0254));
  image.setDotsPerMeterX(dpm);
  image.setDotsPerMeterY(dpm);
  QPainter painter(&image);
  TQtCanvas canvas(painter);
  TEmfPlayer::Play(page, canvas, {0, 0, w, h});
  return image;
}

void WritePagePdf(std::span<const std::uint8_t> page, const QString& fileName, int dpi) {
  const TEmfHeader header = TEmfPlayer::Validate(page);
  TPdfFile pdf(fileName, PdfPageLayout(FrameMm(header)), dpi);
  TQtCanvas canvas(pdf.Painter());
  TEmfPlayer::Play(page, canvas, {0, 0, pdf.Writer().width(), pdf.Writer().height()});
  pdf.Finish();
}
