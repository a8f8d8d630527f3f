#include "platform/page_render.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "output/emf_recorder.h"
#include "platform/qt_text_metrics.h"
#include "report/report_error.h"
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
  for (int dpi : {96, 300}) {
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
