#include "definition/report_unit.h"

#include <gtest/gtest.h>

#include <ostream>

#include "definition/rounding.h"
#include "definition/unit_base.h"

namespace {

constexpr long double kPixel96 = 254.0L / 96.0L;  // storage units per pixel at 96 ppi

struct FromStoredCase {
  TReportUnit unit;
  bool horizontal;
  long double stored;
  int ppi, zoom, font;
  long double expected;
};

void PrintTo(const FromStoredCase& c, std::ostream* os) {
  *os << "unit " << static_cast<int>(c.unit) << (c.horizontal ? " horizontal " : " vertical ")
      << static_cast<double>(c.stored) << " at " << c.ppi << " ppi, zoom " << c.zoom << ", font "
      << c.font;
}

class FromStoredTest : public ::testing::TestWithParam<FromStoredCase> {};

TEST_P(FromStoredTest, ConvertsAndConvertsBack) {
  const auto& c = GetParam();
  const long double v = UnitFromStored(c.unit, c.horizontal, c.stored, c.ppi, c.zoom, c.font);
  EXPECT_NEAR(static_cast<double>(v), static_cast<double>(c.expected),
              1e-12 * std::max(1.0, std::abs(static_cast<double>(c.expected))));
  const long double back = UnitToStored(c.unit, c.horizontal, v, c.ppi, c.zoom, c.font);
  EXPECT_NEAR(static_cast<double>(back), static_cast<double>(c.stored), 1e-12 * 3000);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FromStoredTest,
    ::testing::Values(
        FromStoredCase{TReportUnit::MM, true, 2970, 96, 100, 10, 297},
        FromStoredCase{TReportUnit::Inches, true, 2970, 96, 100, 10, 11.692913385826771654L},
        FromStoredCase{TReportUnit::Native, true, 2970, 96, 100, 10, 2970},
        FromStoredCase{TReportUnit::Inches, false, 254, 96, 100, 10, 1},
        FromStoredCase{TReportUnit::Pixels, true, 2970, 96, 100, 10, 1122.5196850393700787L},
        FromStoredCase{TReportUnit::Pixels, false, 2100, 96, 100, 10, 793.70078740157480315L},
        FromStoredCase{TReportUnit::Pixels, true, 100, 96, 100, 10, 37.795275590551181102L},
        FromStoredCase{TReportUnit::Pixels, true, 2970, 96, 200, 10, 2245.0393700787401575L},
        FromStoredCase{TReportUnit::Pixels, true, 2970, 120, 50, 10, 701.57480314960629921L},
        // W(10) = 3.1496... mm: a stored 100 is 3.175 characters.
        FromStoredCase{TReportUnit::Characters, true, 100, 96, 100, 10, 3.175L},
        // H(10) = 5.7204... mm.
        FromStoredCase{TReportUnit::Characters, false, 100, 96, 100, 10, 1.7481073640743290L},
        // The size's sign does not matter; 20 points halves the cell.
        FromStoredCase{TReportUnit::Characters, true, 100, 96, 100, -10, 3.175L},
        FromStoredCase{TReportUnit::Characters, true, 100, 96, 100, 20, 6.35L},
        // Size 0 falls back to 10 points instead of dividing by zero.
        FromStoredCase{TReportUnit::Characters, true, 100, 96, 100, 0, 3.175L}));

struct ToStoredCase {
  TReportUnit unit;
  long double value;
  long double expected;
};

void PrintTo(const ToStoredCase& c, std::ostream* os) {
  *os << "unit " << static_cast<int>(c.unit) << " value " << static_cast<double>(c.value);
}

class PixelsToStoredTest : public ::testing::TestWithParam<ToStoredCase> {};

TEST_P(PixelsToStoredTest, AtNinetySixPpiAndFullZoom) {
  const auto& c = GetParam();
  const long double stored = UnitToStored(c.unit, true, c.value, 96, 100, 10);
  EXPECT_NEAR(static_cast<double>(stored), static_cast<double>(c.expected), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PixelsToStoredTest,
    ::testing::Values(ToStoredCase{TReportUnit::Pixels, 1, 2.6458333333333333333L},
                      ToStoredCase{TReportUnit::Pixels, 1046, 2767.5416666666666667L},
                      ToStoredCase{TReportUnit::Pixels, 27, 71.4375L},
                      ToStoredCase{TReportUnit::Pixels, 700, 1852.0833333333333333L},
                      ToStoredCase{TReportUnit::MM, 10, 100},
                      ToStoredCase{TReportUnit::Inches, 0.5L, 127},
                      ToStoredCase{TReportUnit::Native, 71.4375L, 71.4375L}));

TEST(UnitConversion, PixelsFollowTheStatedOperationOrder) {
  // x / (254 / R) * Z / 100, evaluated left to right in long double.
  const long double x = 1234.5678L;
  long double expected = x / kPixel96;
  expected = expected * 150;
  expected = expected / 100;
  EXPECT_EQ(UnitFromStored(TReportUnit::Pixels, true, x, 96, 150, 10), expected);
  long double stored = 77.7L * kPixel96;
  stored = stored / 150;
  stored = stored * 100;
  EXPECT_EQ(UnitToStored(TReportUnit::Pixels, true, 77.7L, 96, 150, 10), stored);
}

TEST(UnitConversion, RecordSheetPageInPixels) {
  // A4 landscape at 96 ppi: 1123 x 794 pixels, a 10 mm margin is 38 pixels.
  EXPECT_EQ(RoundHalfEven(UnitFromStored(TReportUnit::Pixels, true, 2970, 96, 100, 10)), 1123);
  EXPECT_EQ(RoundHalfEven(UnitFromStored(TReportUnit::Pixels, false, 2100, 96, 100, 10)), 794);
  EXPECT_EQ(RoundHalfEven(UnitFromStored(TReportUnit::Pixels, true, 100, 96, 100, 10)), 38);
}

TEST(UnitConversion, BadPixelParametersDoNotDivideByZero) {
  EXPECT_EQ(UnitFromStored(TReportUnit::Pixels, true, 254, 0, 100, 10),
            UnitFromStored(TReportUnit::Pixels, true, 254, 96, 100, 10));
  EXPECT_EQ(UnitToStored(TReportUnit::Pixels, true, 10, 96, 0, 10),
            UnitToStored(TReportUnit::Pixels, true, 10, 96, 100, 10));
}

TEST(UnitConversion, CharacterCellSizes) {
  EXPECT_NEAR(static_cast<double>(CharacterWidthMM(10)), 3.1496062992125984, 1e-15);
  EXPECT_NEAR(static_cast<double>(CharacterHeightMM(10)), 5.7204724409448819, 1e-15);
}

TEST(LocaleDefaults, MeasurementSystemValueOneIsUnitedStates) {
  struct Case {
    const char* value;
    TMeasurementSystem system;
    TReportUnit unit;
  };
  const Case cases[] = {
      {"1", TMeasurementSystem::UnitedStates, TReportUnit::Inches},
      {"0", TMeasurementSystem::Metric, TReportUnit::MM},
      {"", TMeasurementSystem::Metric, TReportUnit::MM},
      {"2", TMeasurementSystem::Metric, TReportUnit::MM},
      {"10", TMeasurementSystem::Metric, TReportUnit::MM},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MeasurementSystemFromLocaleValue(c.value), c.system) << c.value;
    EXPECT_EQ(DefaultUnit(MeasurementSystemFromLocaleValue(c.value)), c.unit) << c.value;
    const TUnitBase holder(TUnitEnvironment{96, MeasurementSystemFromLocaleValue(c.value)});
    EXPECT_EQ(holder.Units(), c.unit) << c.value;
  }
}

TEST(LocaleDefaults, GivenEnvironmentIsCapturedByNewHolders) {
  const TUnitBase us(TUnitEnvironment{120, TMeasurementSystem::UnitedStates});
  const TUnitBase metric(TUnitEnvironment{0, TMeasurementSystem::Metric});
  EXPECT_EQ(us.ScreenPixelsPerInch(), 120);
  EXPECT_EQ(us.Units(), TReportUnit::Inches);
  EXPECT_EQ(metric.ScreenPixelsPerInch(), 96);  // non-positive replaced
  EXPECT_EQ(metric.Units(), TReportUnit::MM);
  // Holders keep what they captured.
  EXPECT_EQ(us.ScreenPixelsPerInch(), 120);
}

TEST(UnitSwitch, SwitchesToPixelsAndBack) {
  TUnitBase holder(TUnitEnvironment{96, TMeasurementSystem::Metric});
  holder.SetUnits(TReportUnit::Characters);
  holder.SwitchToPixels();
  EXPECT_EQ(holder.Units(), TReportUnit::Pixels);
  EXPECT_EQ(holder.UnitBeforeSwitch(), TReportUnit::Characters);
  holder.UndoUnitSwitch();
  EXPECT_EQ(holder.Units(), TReportUnit::Characters);
}

TEST(UnitSwitch, ScopedSwitchesNestAndSurviveExceptions) {
  TUnitBase holder(TUnitEnvironment{96, TMeasurementSystem::UnitedStates});
  try {
    TUnitBase::TPixelSwitch outer(holder);
    holder.SetUnits(TReportUnit::MM);
    {
      TUnitBase::TPixelSwitch inner(holder);
      EXPECT_EQ(holder.Units(), TReportUnit::Pixels);
    }
    EXPECT_EQ(holder.Units(), TReportUnit::MM);
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(holder.Units(), TReportUnit::Inches);
}

TEST(UnitSwitch, InvalidUnitIsIgnored) {
  TUnitBase holder(TUnitEnvironment{96, TMeasurementSystem::Metric});
  holder.SetUnits(static_cast<TReportUnit>(5));
  holder.SetUnits(static_cast<TReportUnit>(-1));
  EXPECT_EQ(holder.Units(), TReportUnit::MM);
}

TEST(Zoom, OnlyOneToThreeHundredIsAccepted) {
  TUnitBase holder(TUnitEnvironment{});
  for (int bad : {0, -1, -100, 301, 1000}) {
    holder.SetZoom(bad);
    EXPECT_EQ(holder.Zoom(), 100) << bad;
  }
  holder.SetZoom(1);
  EXPECT_EQ(holder.Zoom(), 1);
  holder.SetZoom(300);
  EXPECT_EQ(holder.Zoom(), 300);
  EXPECT_FALSE(IsValidZoom(0));
  EXPECT_TRUE(IsValidZoom(150));
}

}  // namespace
