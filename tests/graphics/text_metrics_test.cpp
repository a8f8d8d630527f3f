#include "graphics/text_metrics.h"

#include <gtest/gtest.h>

#include <numeric>

TEST(FixedPitchTextMetrics, AdvancesSumToTheExtentPerUtf16Unit) {
  TFixedPitchTextMetrics m(96);
  TLogFont f;
  f.height = 20;
  const auto adv = m.CharAdvances(f, "a𝄞b");
  ASSERT_EQ(adv.size(), 4u);
  EXPECT_EQ(adv, (std::vector<int>{11, 11, 0, 11}));
  EXPECT_EQ(m.TextExtent(f, "a𝄞b").width, std::accumulate(adv.begin(), adv.end(), 0));
  EXPECT_EQ(m.TextExtent(f, "").width, 0);
  EXPECT_EQ(m.TextExtent(f, "").height, m.Metrics(f).height);
  EXPECT_EQ(m.Metrics(f).ascent + m.Metrics(f).descent, m.Metrics(f).height);
  EXPECT_EQ(m.PixelsPerInch(), 96);
}
