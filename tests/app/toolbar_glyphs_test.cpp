#include "app/toolbar_glyphs.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace {

class AtPixelRatio : public ::testing::TestWithParam<int> {};

// "First Page" has a bar two units wide from x = 3, rows 3 to 12: at every
// whole ratio its edges fall on pixels, with nothing smeared beside them.
TEST_P(AtPixelRatio, ThePictureIsDrawnAtTheScreensPixels) {
  const int r = GetParam();
  const QImage img = ToolbarIcon(TToolbarGlyph::FirstPage).pixmap(QSize(16, 16), r).toImage();
  ASSERT_EQ(img.size(), QSize(16 * r, 16 * r));
  const int y = 8 * r;
  for (int x = 0; x < 7 * r; ++x) {
    const QRgb px = img.pixel(x, y);
    const bool inBar = x >= 3 * r && x < 5 * r;
    EXPECT_EQ(qAlpha(px), inBar ? 255 : 0) << "x " << x << " at ratio " << r;
    if (inBar) {
      EXPECT_EQ(qGray(px), 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ToolbarGlyphs, AtPixelRatio, ::testing::Values(1, 2, 3));

TEST(ToolbarGlyphs, DisabledPicturesAreGreyed) {
  const QIcon icon = ToolbarIcon(TToolbarGlyph::Pdf);
  const QImage normal = icon.pixmap(QSize(16, 16), 1.0).toImage();
  const QImage disabled = icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage();
  // The red band keeps no colour when disabled.
  EXPECT_GT(qRed(normal.pixel(1, 6)), 150);
  EXPECT_EQ(qRed(disabled.pixel(1, 6)), qGreen(disabled.pixel(1, 6)));
}

}  // namespace
