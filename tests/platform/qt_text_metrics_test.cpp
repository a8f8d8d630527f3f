#include "platform/qt_text_metrics.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <numeric>

namespace {

TLogFont Arial(int height, int weight = 400) {
  TLogFont f;
  f.name = "Arial";
  f.height = height;
  f.weight = weight;
  return f;
}

TEST(QtTextMetrics, ArialIsLiberationSans) {
  EXPECT_EQ(QFontInfo(ToQFont(Arial(13))).family(), "Liberation Sans");
}

// Liberation Sans has Arial's advance widths: at a pixel size of the em
// (2048 units) advances are the font units themselves.
TEST(QtTextMetrics, AdvancesAreArials) {
  TQtTextMetrics m(96);
  EXPECT_EQ(m.CharAdvances(Arial(2048), "AWi "), (std::vector<int>{1366, 1933, 455, 569}));
  EXPECT_EQ(m.CharAdvances(Arial(2048, 700), "AWi "), (std::vector<int>{1479, 1933, 569, 569}));
}

TEST(QtTextMetrics, ExtentIsTheSumOfAdvances) {
  TQtTextMetrics m(96);
  struct TCase {
    int height;
    const char* text;
  };
  const TCase cases[] = {{13, "Apiary :"}, {11, "Queen cells seen"}, {8, "W"}, {20, "Ruche n° 12"}, {13, ""}};
  for (const TCase& c : cases) {
    const auto adv = m.CharAdvances(Arial(c.height), c.text);
    const TTextExtent e = m.TextExtent(Arial(c.height), c.text);
    EXPECT_EQ(e.width, std::accumulate(adv.begin(), adv.end(), 0)) << c.text;
    EXPECT_EQ(e.height, m.Metrics(Arial(c.height)).height) << c.text;
  }
  // Two characters never advance less than one of them.
  EXPECT_GT(m.TextExtent(Arial(13), "WW").width, m.TextExtent(Arial(13), "W").width);
}

// A 10-point Arial on a 96-dpi screen: 13 pixels, a 15-pixel line with 12
// above the baseline, as the platform reports for Arial.
TEST(QtTextMetrics, LineHeightOfTenPointArial) {
  TQtTextMetrics m(96);
  const TFontMetrics fm = m.Metrics(Arial(13));
  EXPECT_EQ(fm.ascent, 12);
  EXPECT_EQ(fm.descent, 3);
  EXPECT_EQ(fm.height, 15);
  EXPECT_EQ(m.TextExtent(Arial(13), "A").height, 15);
  EXPECT_EQ(m.PixelsPerInch(), 96);
}

TEST(QtTextMetrics, SurrogatePairsAdvanceOnTheirFirstUnit) {
  TQtTextMetrics m(96);
  const auto adv = m.CharAdvances(Arial(13), "a😀b");
  ASSERT_EQ(adv.size(), 4u);
  EXPECT_EQ(adv[2], 0);
  EXPECT_GT(adv[0], 0);
}

}  // namespace
