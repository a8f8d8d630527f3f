#include "platform/qt_canvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <functional>

#include "output/emf_player.h"
#include "output/emf_recorder.h"
#include "platform/qt_text_metrics.h"

namespace {

// Draws on a white 200 x 200 image at 96 dpi.
QImage Draw(const std::function<void(TCanvas&)>& draw, int w = 200, int h = 200) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  TQtCanvas canvas(painter, &TSystemPalette::Classic());
  draw(canvas);
  return image;
}

bool Dark(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// The smallest rectangle holding every non-white pixel (null when none).
QRect Ink(const QImage& img, QRect area = {}) {
  if (area.isNull()) area = img.rect();
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (img.pixel(x, y) != qRgb(255, 255, 255)) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

TEST(QtCanvas, FiguresCoverThePlatformsPixels) {
  const QImage img = Draw([](TCanvas& c) {
    c.SetBrush({TBrushStyle::Solid, colors::Red});
    c.Rectangle({10, 10, 20, 20});
    c.FillRect({30, 10, 40, 20});
  });
  // Outline on the first and last pixel inside (10..19), brush within.
  EXPECT_EQ(Ink(img, {0, 0, 25, 25}), QRect(10, 10, 10, 10));
  EXPECT_TRUE(Dark(img, 10, 10));
  EXPECT_TRUE(Dark(img, 19, 19));
  EXPECT_EQ(img.pixel(15, 15), qRgb(255, 0, 0));
  // FillRect: exactly right - left pixels, no outline.
  EXPECT_EQ(Ink(img, {25, 0, 50, 25}), QRect(30, 10, 10, 10));
  EXPECT_EQ(img.pixel(30, 10), qRgb(255, 0, 0));
}

// Antialiased, a rule on whole coordinates must still be whole pixels: the
// stroke is centred on pixel middles, so it lands where the aliased one does.
class AntialiasedStrokes : public ::testing::TestWithParam<bool> {};

TEST_P(AntialiasedStrokes, CoverTheSameWholePixelsAsAliasedOnes) {
  QImage image(60, 60, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, GetParam());
    TQtCanvas canvas(painter, &TSystemPalette::Classic());
    canvas.MoveTo(5, 10);
    canvas.LineTo(50, 10);
    canvas.MoveTo(20, 20);
    canvas.LineTo(20, 50);
    canvas.SetBrush({TBrushStyle::Clear, colors::White});
    canvas.Rectangle({30, 30, 40, 40});
  }
  for (int y : {9, 11}) EXPECT_EQ(qGray(image.pixel(30, y)), 255) << "row " << y;
  EXPECT_EQ(qGray(image.pixel(30, 10)), 0);
  for (int x : {19, 21}) EXPECT_EQ(qGray(image.pixel(x, 35)), 255) << "column " << x;
  EXPECT_EQ(qGray(image.pixel(20, 35)), 0);
  // The outline on the first and last pixel inside the box.
  EXPECT_EQ(Ink(image, {26, 26, 20, 20}), QRect(30, 30, 10, 10));
  EXPECT_EQ(qGray(image.pixel(39, 35)), 0);
  EXPECT_EQ(qGray(image.pixel(35, 30)), 0);
}

INSTANTIATE_TEST_SUITE_P(QtCanvas, AntialiasedStrokes, ::testing::Bool());

TEST(QtCanvas, ClearBrushAndClearPen) {
  const QImage img = Draw([](TCanvas& c) {
    c.SetBrush({TBrushStyle::Clear, colors::Red});
    c.Rectangle({10, 10, 30, 30});
    c.FillRect({50, 50, 60, 60});
    c.SetPen({TPenStyle::Clear, 1, colors::Black});
    c.MoveTo(100, 100);
    c.LineTo(150, 100);
  });
  EXPECT_EQ(img.pixel(20, 20), qRgb(255, 255, 255));
  EXPECT_TRUE(Dark(img, 10, 20));
  EXPECT_TRUE(Ink(img, {45, 45, 150, 150}).isNull());
}

TEST(QtCanvas, LinesAndPenColours) {
  const QImage img = Draw([](TCanvas& c) {
    c.SetPen({TPenStyle::Solid, 1, colors::Blue});
    c.MoveTo(10, 50);
    c.LineTo(190, 50);
    c.SetPen({TPenStyle::Solid, 4, colors::BtnShadow});
    c.MoveTo(100, 60);
    c.LineTo(100, 190);
  });
  EXPECT_EQ(img.pixel(100, 50), qRgb(0, 0, 255));
  EXPECT_EQ(img.pixel(100, 49), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(100, 51), qRgb(255, 255, 255));
  // A 4-pixel pen in the classic button-shadow grey.
  const QRect thick = Ink(img, {90, 55, 20, 140});
  EXPECT_EQ(thick.width(), 4);
  EXPECT_EQ(img.pixel(100, 120), qRgb(160, 160, 160));
}

TEST(QtCanvas, ClippingAndSaveRestore) {
  const QImage img = Draw([](TCanvas& c) {
    c.SetBrush({TBrushStyle::Solid, colors::Black});
    c.Save();
    c.IntersectClipRect({20, 20, 60, 60});
    c.IntersectClipRect({40, 0, 200, 200});
    c.SetBrush({TBrushStyle::Solid, colors::Red});
    c.FillRect({0, 0, 100, 100});
    c.Restore();
    c.FillRect({150, 150, 160, 160});  // black again, unclipped
    c.IntersectClipRect({0, 0, 10, 10});
    c.RemoveClip();
    c.FillRect({170, 170, 180, 180});
  });
  EXPECT_EQ(Ink(img, {0, 0, 120, 120}), QRect(40, 20, 20, 40));
  EXPECT_EQ(img.pixel(155, 155), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(175, 175), qRgb(0, 0, 0));
}

struct TTextCase {
  const char* name;
  TTextAlign align;
  int escapement;
  // Where the ink must lie relative to the reference point (100, 100):
  // ranges of x and y, given the text's width w and line height h.
  std::function<QRect(int w, int h)> expected;
};

void PrintTo(const TTextCase& c, std::ostream* os) { *os << c.name; }

class TextPlacement : public testing::TestWithParam<TTextCase> {};

TEST_P(TextPlacement, InkLiesWhereTheAlignmentAndEscapementPutIt) {
  const TTextCase& tc = GetParam();
  TLogFont font;
  font.height = 20;
  TQtTextMetrics metrics(96);
  const int w = metrics.TextExtent(font, "HHHH").width;
  const int h = metrics.Metrics(font).height;
  font.escapement = tc.escapement;
  const QImage img = Draw([&](TCanvas& c) {
    c.SetFont(font);
    c.SetBkMode(TBkMode::Transparent);
    c.SetTextAlign(tc.align);
    c.TextOut(100, 100, "HHHH");
  });
  const QRect ink = Ink(img);
  const QRect cell = tc.expected(w, h);
  ASSERT_FALSE(ink.isNull());
  // "H" fills its cell's width and most of the ascent: its ink lies inside
  // the cell, reaching close to both ends along the text's direction.
  EXPECT_TRUE(cell.adjusted(-1, -1, 1, 1).contains(ink)) << "ink " << ink.x() << "," << ink.y() << " "
                                                         << ink.width() << "x" << ink.height();
  if (tc.escapement == 0) {
    EXPECT_GE(ink.width(), w - 6);
  } else {
    EXPECT_GE(ink.height(), w - 6);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextPlacement,
    testing::Values(
        TTextCase{"LeftTop", {}, 0, [](int w, int h) { return QRect(100, 100, w, h); }},
        TTextCase{"RightTop", {THorzTextAlign::Right, TVertTextAlign::Top, false}, 0,
                  [](int w, int h) { return QRect(100 - w, 100, w, h); }},
        TTextCase{"CenterBaseline", {THorzTextAlign::Center, TVertTextAlign::Baseline, false}, 0,
                  [](int w, int h) { return QRect(100 - w / 2, 100 - h, w, h); }},
        TTextCase{"LeftBottom", {THorzTextAlign::Left, TVertTextAlign::Bottom, false}, 0,
                  [](int w, int h) { return QRect(100, 100 - h, w, h); }},
        // 270 degrees: reads downward, the glyphs' tops face right, so the
        // cell lies left of and below the reference point.
        TTextCase{"Down", {}, 2700, [](int w, int h) { return QRect(100 - h, 100, h, w); }},
        // 90 degrees: reads upward, cell right of and above the point.
        TTextCase{"Up", {}, 900, [](int w, int h) { return QRect(100, 100 - w, h, w); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QtCanvas, OpaqueTextFillsItsCellTransparentDoesNot) {
  TLogFont font;
  font.height = 20;
  const auto draw = [&](TBkMode mode) {
    return Draw([&](TCanvas& c) {
      c.SetFont(font);
      c.SetBkColor(TColor::Rgb(0, 255, 0));
      c.SetBkMode(mode);
      c.TextOut(10, 10, "i");
    });
  };
  const QImage opaque = draw(TBkMode::Opaque);
  const QImage transparent = draw(TBkMode::Transparent);
  EXPECT_EQ(opaque.pixel(11, 12), qRgb(0, 255, 0));
  EXPECT_EQ(transparent.pixel(11, 12), qRgb(255, 255, 255));
}

TEST(QtCanvas, TextFollowsGivenAdvances) {
  TLogFont font;
  font.height = 20;
  const int dx[] = {60, 10};
  const QImage img = Draw([&](TCanvas& c) {
    c.SetFont(font);
    c.SetBkMode(TBkMode::Transparent);
    c.TextOut(10, 10, "ll", {}, dx);
  });
  // Two narrow strokes 60 pixels apart, nothing between.
  EXPECT_FALSE(Ink(img, {8, 0, 10, 60}).isNull());
  EXPECT_FALSE(Ink(img, {68, 0, 10, 60}).isNull());
  EXPECT_TRUE(Ink(img, {25, 0, 35, 60}).isNull());
}

TEST(QtCanvas, OpaqueAndClippedTextOptions) {
  TLogFont font;
  font.height = 40;
  const QImage img = Draw([&](TCanvas& c) {
    c.SetFont(font);
    c.SetBkMode(TBkMode::Transparent);
    c.SetBkColor(TColor::Rgb(0, 0, 255));
    c.TextOut(10, 10, "WWWW", {true, true, false, {10, 10, 40, 30}});
  });
  EXPECT_EQ(img.pixel(10, 10), qRgb(0, 0, 255));  // the option's rectangle is filled
  EXPECT_TRUE(Ink(img, {41, 0, 159, 200}).isNull());  // and clips the text
  EXPECT_TRUE(Ink(img, {0, 31, 200, 169}).isNull());
}

// Drawing a page directly and replaying its recording give the same picture.
TEST(QtCanvas, RecordedPageReplaysLikeDirectDrawing) {
  TQtTextMetrics metrics(96);
  const auto page = [](TCanvas& c) {
    c.SetPen({TPenStyle::Solid, 1, colors::Black});
    for (int y = 20; y < 200; y += 30) {
      c.MoveTo(5, y);
      c.LineTo(195, y);
    }
    c.SetBrush({TBrushStyle::Solid, TColor::Rgb(200, 200, 255)});
    c.Rectangle({10, 25, 80, 45});
    c.Ellipse({100, 60, 180, 100});
    TLogFont f;
    f.height = 13;
    c.SetFont(f);
    c.SetBkMode(TBkMode::Transparent);
    c.TextOut(12, 110, "Apiary :");
    f.escapement = 2700;
    c.SetFont(f);
    c.TextOut(150, 110, "Queen");
  };
  const QImage direct = Draw(page);
  TEmfRecorder rec(metrics, 200, 200);
  page(rec);
  const auto bytes = rec.Finish();
  const QImage played = Draw([&](TCanvas& c) { TEmfPlayer::Play(bytes, c, {0, 0, 200, 200}); });
  // Figures: identical pixels.
  EXPECT_EQ(direct.copy(0, 0, 200, 105), played.copy(0, 0, 200, 105));
  // Text: the same ink boxes, to within a pixel.
  for (const QRect area : {QRect(0, 105, 140, 95), QRect(140, 105, 60, 95)}) {
    const QRect a = Ink(direct, area), b = Ink(played, area);
    ASSERT_FALSE(a.isNull());
    EXPECT_NEAR(a.left(), b.left(), 1);
    EXPECT_NEAR(a.right(), b.right(), 1);
    EXPECT_NEAR(a.top(), b.top(), 1);
    EXPECT_NEAR(a.bottom(), b.bottom(), 1);
  }
}

}  // namespace
