#include "definition/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace {

struct RoundCase {
  long double x;
  std::int64_t expected;
};

void PrintTo(const RoundCase& c, std::ostream* os) {
  *os << static_cast<double>(c.x) << " -> " << c.expected;
}

class RoundHalfEvenTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEvenTest, RoundsToNearestWithHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(GetParam().x), GetParam().expected) << static_cast<double>(GetParam().x);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RoundHalfEvenTest,
    ::testing::Values(RoundCase{0.0L, 0}, RoundCase{0.5L, 0}, RoundCase{1.5L, 2},
                      RoundCase{2.5L, 2}, RoundCase{3.5L, 4}, RoundCase{-0.5L, 0},
                      RoundCase{-1.5L, -2}, RoundCase{-2.5L, -2}, RoundCase{-3.5L, -4},
                      RoundCase{2.4999999L, 2}, RoundCase{2.5000001L, 3},
                      RoundCase{-2.5000001L, -3}, RoundCase{1122.519685L, 1123},
                      RoundCase{37.795275L, 38}, RoundCase{75.590551L, 76},
                      RoundCase{1046.5L, 1046}, RoundCase{1047.5L, 1048},
                      // Largest long doubles below a half: must not round up.
                      RoundCase{std::nextafter(0.5L, 0.0L), 0},
                      RoundCase{std::nextafter(2.5L, 3.0L), 3}));

TEST(RoundHalfEvenLimits, NanAndOutOfRangeAreSafe) {
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(RoundHalfEven(1e30L), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<long double>::infinity()),
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(RoundHalfEven(-1e30L), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(RoundHalfEven(-9223372036854775808.0L), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(RoundHalfEvenToInt(1e12L), std::numeric_limits<int>::max());
  EXPECT_EQ(RoundHalfEvenToInt(-1e12L), std::numeric_limits<int>::min());
  EXPECT_EQ(RoundHalfEvenToInt(-4.5L), -4);
}

}  // namespace
