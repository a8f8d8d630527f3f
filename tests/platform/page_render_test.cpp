#include "platform/page_render.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <QPainter>

#include "report/design_painter.h"
#include "report/report.h"
#include "output/emf_recorder.h"
#include "platform/design_render.h"
#include "platform/qt_canvas.h"
#include "platform/qt_text_metrics.h"
#include "definition/report_error.h"
#include "sample_pages.h"

namespace {

std::vector<std::uint8_t> Sheet(int w, int h) {
  TQtTextMetrics metrics(96);
  TEmfRecorder rec(metrics, w, h);
  DrawSampleSheet(rec);
  return rec.Finish();
}

}  // namespace

// At 300 dpi the sheet takes two bands: the join must not show, every pixel
// is the one a whole raster gets.
TEST(PageRender, ThePngDrawnInBandsIsTheWholeRaster) {
  QTemporaryDir dir;
  const auto page = Sheet(1123, 794);
  // At 103 dpi a row's zeros end in two a copy cannot take (1205 pixels).
  for (int dpi : {96, 103, 300}) {
    const QString file = dir.filePath(QString::number(dpi) + ".png");
    WritePagePng(page, file, dpi);
    const QImage banded(file);
    const QImage whole = RenderPageImage(page, dpi);
    ASSERT_EQ(banded.size(), whole.size()) << dpi;
    EXPECT_EQ(banded.convertToFormat(QImage::Format_RGB32), whole) << dpi;
    EXPECT_EQ(banded.dotsPerMeterX(), whole.dotsPerMeterX()) << dpi;
  }
}

TEST(PageRender, APageBeyondTheBoundIsRefusedByName) {
  // Too many pixels, and a strip too long for one row to fit a band.
  struct { int w, h; } pages[] = {{200000, 200000}, {kMaxPngSide + 1, 1}};
  QTemporaryDir dir;
  for (auto p : pages) {
    try {
      WritePagePng(Sheet(p.w, p.h), dir.filePath("huge.png"), 96);
      ADD_FAILURE() << p.w << " x " << p.h << " was drawn";
    } catch (const EReportError& e) {
      EXPECT_STREQ(e.what(), "The page is too large to draw at 96 dpi");
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("huge.png")));
  }
}

// The designer's picture goes through the same bands, scaled from the
// reference context: at 300 dpi an A4 landscape design takes two, and
// every pixel is the one a whole raster gets. (Without the ruler: Qt starts
// the dots of a dotted line afresh where a band cuts it, so the ruler's
// faint minor lines may shift by a dot at a join.)
TEST(PageRender, TheDesignPictureDrawnInBandsIsTheWholeRaster) {
  QTemporaryDir dir;
  THeadlessContext context;
  TControl owner;
  TReport& report = owner.CreateComponent<TReport>(context);
  report.Page().SetOrientation(TPrinterOrientation::poLandscape);
  report.Bands().SetHasPageHeader(true);
  report.Bands().SetHasDetail(true);
  report.Page().SetRuler(false);
  const QString file = dir.filePath("design.png");
  WriteDesignPicture(report, file, 300);
  const QImage banded(file);
  const double scale = 300.0 / context.Metrics().PixelsPerInch();
  QImage whole(int(std::lround(report.Width() * scale)), int(std::lround(report.Height() * scale)),
               QImage::Format_RGB32);
  whole.fill(Qt::white);
  {
    QPainter painter(&whole);
    painter.scale(scale, scale);
    TQtCanvas canvas(painter);
    PaintReportDesign(report, canvas);
  }
  ASSERT_EQ(banded.size(), whole.size());
  EXPECT_GT(whole.height() * whole.width() * 4, 32 << 20);  // more than one band
  EXPECT_EQ(banded.convertToFormat(QImage::Format_RGB32), whole);
}
