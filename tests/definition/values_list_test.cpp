#include "definition/values_list.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <vector>

#include "definition/report_error.h"
#include "../output/expect_error.h"

namespace {

using Values = std::vector<long double>;

TEST(ValuesList, WritesShortestExactForm) {
  struct Case {
    Values values;
    const char* text;
  };
  const Case cases[] = {
      {{}, "()"},
      {{100, 2100, 100, 2970, 100, 100, 0}, "(100 2100 100 2970 100 100 0)"},
      {{71.4375L, 2770.1875L}, "(71.4375 2770.1875)"},
      {{-12.5L, 0.001L}, "(-12.5 0.001)"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatValuesList(c.values), c.text);
}

TEST(ValuesList, RoundTripsEveryBit) {
  const Values values = {254.0L / 96.0L * 700, 254.0L / 96.0L * 40, 0, 254.0L / 96.0L,
                         std::numeric_limits<long double>::min(),
                         std::numeric_limits<long double>::max(), -1e-300L, 1.0L / 3};
  const Values back = ParseValuesList(FormatValuesList(values), values.size());
  ASSERT_EQ(back.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(back[i], values[i]) << i;
}

TEST(ValuesList, ReadsConsecutiveListsFromOneStream) {
  std::stringstream stream;
  WriteValuesList(stream, Values{1, 2});
  stream << "\n  ";
  WriteValuesList(stream, Values{3.5L});
  stream << "rest";
  EXPECT_EQ(ReadValuesList(stream, 2), (Values{1, 2}));
  EXPECT_EQ(ReadValuesList(stream, 2), (Values{3.5L}));
  std::string rest;
  stream >> rest;
  EXPECT_EQ(rest, "rest");
}

TEST(ValuesList, AcceptsAnyWhitespaceAndExponents) {
  EXPECT_EQ(ParseValuesList(" \t(\n1e2\t2.5E-1   -3 )\n", 3), (Values{100, 0.25L, -3}));
  EXPECT_EQ(ParseValuesList("(1)", 1), (Values{1}));
}

TEST(ValuesList, RejectsMalformedText) {
  const struct {
    const char* text;
    std::size_t max;
  } cases[] = {
      {"", 7},           {"100 2100", 7},       {"(100", 7},        {"(100 abc)", 7},
      {"(1e5000)", 7},   {"(inf)", 7},          {"(nan)", 7},       {"(-inf)", 7},
      {"(1 2 3)", 2},    {"((1))", 7},          {"(1(2))", 7},      {"(1)x", 7},
      {"(1,2)", 7},      {"(0x10)", 7},         {"(+1)", 7},        {")", 7},
      {"(1.2.3)", 7},    {"(1 2", 7},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(ParseValuesList(c.text, c.max), EReportError) << c.text;
  }
}

TEST(ValuesList, RejectsOverlongNumbersWithoutReadingThemWhole) {
  const std::string text = "(" + std::string(100000, '1') + ")";
  EXPECT_REPORT_ERROR(ParseValuesList(text, 7), "Invalid Values list: number too long");
}

TEST(ValuesList, ErrorsNameTheFault) {
  EXPECT_REPORT_ERROR(ParseValuesList("(1 2 3)", 2), "Invalid Values list: more than 2 values");
  EXPECT_REPORT_ERROR(ParseValuesList("(1 x)", 2), "Invalid Values list: \"x\" is not a number");
}

}  // namespace
