#include "definition/page_setup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <sstream>

#include "fake_report.h"
#include "definition/report_error.h"

namespace {

using TRect = TRecordingControl::TRect;
const TUnitEnvironment kMetric{96, TMeasurementSystem::Metric};
const TUnitEnvironment kUnitedStates{96, TMeasurementSystem::UnitedStates};

void ExpectStored(const TPageSetup& page, int index, long double expected) {
  EXPECT_NEAR(static_cast<double>(page.Stored(index)), static_cast<double>(expected), 1e-12)
      << "index " << index;
}

// A page attached to a fake report, as the report will hold it.
struct PageFixture : ::testing::Test {
  TFakeReport report;
  TPageSetup page{kMetric};
  PageFixture() { report.Attach(page); }

  // The record sheet's page: A4 landscape, 10 mm margins.
  void MakeRecordSheetPage() {
    page.SetPaperSize(TPaperSize::A4);
    page.SetOrientation(TPrinterOrientation::poLandscape);
  }
};

TEST(PageCreation, MetricDefaults) {
  const TPageSetup page(kMetric);
  EXPECT_EQ(page.Units(), TReportUnit::MM);
  EXPECT_EQ(page.PaperSize(), TPaperSize::A4);
  EXPECT_EQ(page.Orientation(), TPrinterOrientation::poPortrait);
  EXPECT_EQ(page.Columns(), 1);
  EXPECT_TRUE(page.Ruler());
  EXPECT_EQ(page.Zoom(), 100);
  const long double expected[] = {100, 2970, 100, 2100, 100, 100, 0};
  for (int i = 0; i < 7; ++i) ExpectStored(page, i, expected[i]);
}

TEST(PageCreation, UnitedStatesDefaults) {
  const TPageSetup page(kUnitedStates);
  EXPECT_EQ(page.Units(), TReportUnit::Inches);
  EXPECT_EQ(page.PaperSize(), TPaperSize::Letter);
  EXPECT_EQ(page.Columns(), 1);
  EXPECT_TRUE(page.Ruler());
  const long double expected[] = {127, 2794, 127, 2159, 127, 127, 0};
  for (int i = 0; i < 7; ++i) ExpectStored(page, i, expected[i]);
  EXPECT_NEAR(static_cast<double>(page.Width()), 8.5, 1e-15);
  EXPECT_NEAR(static_cast<double>(page.TopMargin()), 0.5, 1e-15);
}

TEST(PaperTable, HasTwentyEightSizesInOrder) {
  EXPECT_EQ(PaperSizeFromOrdinal(0), TPaperSize::Default);
  EXPECT_EQ(PaperSizeFromOrdinal(9), TPaperSize::A4);
  EXPECT_EQ(PaperSizeFromOrdinal(27), TPaperSize::Custom);
  EXPECT_EQ(PaperSizeFromOrdinal(28), std::nullopt);
  EXPECT_EQ(PaperSizeFromOrdinal(-1), std::nullopt);
  EXPECT_EQ(PaperDimensionsMM(TPaperSize::Default), std::nullopt);
  EXPECT_EQ(PaperDimensionsMM(TPaperSize::Custom), std::nullopt);
}

struct PaperCase {
  TPaperSize size;
  long double width_mm, length_mm;
};

void PrintTo(const PaperCase& c, std::ostream* os) {
  *os << "paper size " << static_cast<int>(c.size);
}

class PaperSizeTest : public ::testing::TestWithParam<PaperCase> {};

TEST_P(PaperSizeTest, AppliesPortraitAndSwapsForLandscape) {
  const auto& c = GetParam();
  TPageSetup page(kUnitedStates);  // works in any unit: the table is in mm
  page.SetPaperSize(c.size);
  EXPECT_EQ(page.PaperSize(), c.size);
  EXPECT_EQ(page.Units(), TReportUnit::Inches);
  ExpectStored(page, TPageSetup::kWidth, c.width_mm * 10);
  ExpectStored(page, TPageSetup::kLength, c.length_mm * 10);
  page.SetOrientation(TPrinterOrientation::poLandscape);
  ExpectStored(page, TPageSetup::kWidth, c.length_mm * 10);
  ExpectStored(page, TPageSetup::kLength, c.width_mm * 10);
  page.SetOrientation(TPrinterOrientation::poPortrait);
  ExpectStored(page, TPageSetup::kWidth, c.width_mm * 10);
  ExpectStored(page, TPageSetup::kLength, c.length_mm * 10);
  EXPECT_EQ(page.PaperSize(), c.size);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PaperSizeTest,
    ::testing::Values(
        PaperCase{TPaperSize::Letter, 215.9L, 279.4L},
        PaperCase{TPaperSize::LetterSmall, 215.9L, 279.4L},
        PaperCase{TPaperSize::Tabloid, 279.4L, 431.8L},
        PaperCase{TPaperSize::Ledger, 431.8L, 279.4L},  // wider than long in portrait
        PaperCase{TPaperSize::Legal, 215.9L, 355.6L},
        PaperCase{TPaperSize::Statement, 139.7L, 215.9L},
        PaperCase{TPaperSize::Executive, 190.5L, 254.0L}, PaperCase{TPaperSize::A3, 297, 420},
        PaperCase{TPaperSize::A4, 210, 297}, PaperCase{TPaperSize::A4Small, 210, 297},
        PaperCase{TPaperSize::A5, 148, 210}, PaperCase{TPaperSize::B4, 250, 354},
        PaperCase{TPaperSize::B5, 182, 257}, PaperCase{TPaperSize::Folio, 215.9L, 330.2L},
        PaperCase{TPaperSize::Quarto, 215, 275},
        PaperCase{TPaperSize::Paper10X14, 254, 355.6L},
        PaperCase{TPaperSize::Paper11X17, 279.4L, 431.8L},
        PaperCase{TPaperSize::Note, 215.9L, 279.0L},  // 279.0, not 279.4
        PaperCase{TPaperSize::Env9, 98.43L, 225.4L}, PaperCase{TPaperSize::Env10, 104.8L, 241.3L},
        PaperCase{TPaperSize::Env11, 114.3L, 263.5L}, PaperCase{TPaperSize::Env12, 101.6L, 279.4L},
        PaperCase{TPaperSize::Env14, 127, 292.1L}, PaperCase{TPaperSize::CSheet, 100, 100},
        PaperCase{TPaperSize::DSheet, 100, 100}, PaperCase{TPaperSize::ESheet, 100, 100}));

TEST(PaperSize, LedgerInPortraitReadInMillimetres) {
  TPageSetup page(kMetric);
  page.SetPaperSize(TPaperSize::Ledger);
  EXPECT_NEAR(static_cast<double>(page.Width()), 431.8, 1e-12);
  EXPECT_NEAR(static_cast<double>(page.Length()), 279.4, 1e-12);
}

TEST(PaperSize, DefaultAndCustomKeepTheDimensions) {
  for (TPaperSize keep : {TPaperSize::Custom, TPaperSize::Default}) {
    TPageSetup page(kMetric);
    page.SetPaperSize(TPaperSize::A5);
    page.SetPaperSize(keep);
    EXPECT_EQ(page.PaperSize(), keep);
    ExpectStored(page, TPageSetup::kWidth, 1480);
    ExpectStored(page, TPageSetup::kLength, 2100);
    page.SetOrientation(TPrinterOrientation::poLandscape);  // no swap
    EXPECT_EQ(page.Orientation(), TPrinterOrientation::poLandscape);
    ExpectStored(page, TPageSetup::kWidth, 1480);
    ExpectStored(page, TPageSetup::kLength, 2100);
  }
}

TEST(PaperSize, OutOfRangeValuesAreIgnored) {
  TPageSetup page(kMetric);
  page.SetPaperSize(static_cast<TPaperSize>(28));
  page.SetPaperSize(static_cast<TPaperSize>(-1));
  page.SetOrientation(static_cast<TPrinterOrientation>(2));
  EXPECT_EQ(page.PaperSize(), TPaperSize::A4);
  EXPECT_EQ(page.Orientation(), TPrinterOrientation::poPortrait);
  ExpectStored(page, TPageSetup::kWidth, 2100);
}

TEST_F(PageFixture, LengthAndWidthOnlyWritableForCustomPaper) {
  page.SetWidth(100);
  page.SetLength(100);
  ExpectStored(page, TPageSetup::kWidth, 2100);
  ExpectStored(page, TPageSetup::kLength, 2970);
  page.SetPaperSize(TPaperSize::Custom);
  page.SetWidth(100);
  page.SetLength(150);
  ExpectStored(page, TPageSetup::kWidth, 1000);
  ExpectStored(page, TPageSetup::kLength, 1500);
  EXPECT_EQ(report.control.bounds_log.back(), (TRect{0, 0, 378, 567}));
}

TEST_F(PageFixture, EachLengthWriteNotifiesTheReport) {
  page.SetPaperSize(TPaperSize::Custom);
  struct Case {
    int index;
    bool resizes;
    bool repaints;
  };
  const Case cases[] = {{TPageSetup::kBottomMargin, true, false},
                        {TPageSetup::kLength, true, false},
                        {TPageSetup::kTopMargin, false, true},
                        {TPageSetup::kWidth, true, false},
                        {TPageSetup::kLeftMargin, false, true},
                        {TPageSetup::kRightMargin, false, true},
                        {TPageSetup::kColumnSpace, false, true}};
  for (const auto& c : cases) {
    const int arrangements = report.arrangements;
    const int repaints = report.control.invalidations;
    const std::size_t resizes = report.control.bounds_log.size();
    page.SetValue(c.index, 5 + c.index);
    ExpectStored(page, c.index, 10 * (5 + c.index));
    EXPECT_EQ(page.Value(c.index), 5 + c.index);
    EXPECT_EQ(report.arrangements, arrangements + 1) << c.index;
    EXPECT_EQ(report.control.bounds_log.size(), resizes + (c.resizes ? 1 : 0)) << c.index;
    if (c.repaints) {
      EXPECT_GT(report.control.invalidations, repaints) << c.index;
    }
  }
  const int arrangements = report.arrangements;
  page.SetValue(7, 1);
  page.SetValue(TPageSetup::kTopMargin, std::numeric_limits<long double>::quiet_NaN());
  EXPECT_EQ(report.arrangements, arrangements);
  ExpectStored(page, TPageSetup::kTopMargin, 70);
  EXPECT_EQ(page.Value(7), 0);
}

TEST_F(PageFixture, RecordSheetPageSizesTheControlAndBands) {
  MakeRecordSheetPage();
  EXPECT_EQ(report.control.Width(), 1123);
  EXPECT_EQ(report.control.Height(), 794);
  // 1123 - round(37.795... + 37.795...) = 1123 - 76.
  EXPECT_EQ(page.LayoutNetWidth(report.control.Width()), 1047);
  EXPECT_EQ(page.LayoutColumnWidth(report.control.Width()), 1047);
  EXPECT_EQ(page.GenerationNetWidth(), 2770);
  std::ostringstream out;
  page.WriteValues(out);
  EXPECT_EQ(out.str(), "(100 2100 100 2970 100 100 0)");
}

TEST_F(PageFixture, OrientationSwapRestoresTheUnit) {
  page.SetUnits(TReportUnit::Characters);
  MakeRecordSheetPage();
  EXPECT_EQ(page.Units(), TReportUnit::Characters);
  ExpectStored(page, TPageSetup::kWidth, 2970);
  ExpectStored(page, TPageSetup::kLength, 2100);
  page.SetOrientation(TPrinterOrientation::poPortrait);
  ExpectStored(page, TPageSetup::kWidth, 2100);
  ExpectStored(page, TPageSetup::kLength, 2970);
}

TEST_F(PageFixture, ReadValuesResizesTheControlAtOnce) {
  std::istringstream in("(100 2100 100 2970 100 100 0)");
  page.ReadValues(in);
  EXPECT_EQ(report.control.bounds_log.back(), (TRect{0, 0, 1123, 794}));
  page.SetUnits(TReportUnit::MM);
  EXPECT_EQ(page.Width(), 297);
  std::istringstream bad("(100 2100 100 2970 100 100)");
  EXPECT_THROW(page.ReadValues(bad), EReportError);
  ExpectStored(page, TPageSetup::kColumnSpace, 0);
}

TEST_F(PageFixture, ColumnsBelowOneOrUnchangedAreIgnored) {
  const int arrangements = report.arrangements;
  for (int bad : {0, -1, 1}) {
    page.SetColumns(bad);
    EXPECT_EQ(page.Columns(), 1) << bad;
  }
  EXPECT_EQ(report.arrangements, arrangements);
  page.SetColumns(3);
  EXPECT_EQ(page.Columns(), 3);
  EXPECT_EQ(report.arrangements, arrangements + 1);
}

TEST(ColumnWidth, Table) {
  struct Case {
    std::int64_t net;
    long double space;
    int columns;
    std::int64_t expected;
  };
  const Case cases[] = {
      {1047, 0, 1, 1047},  {1000, 10, 3, 326},  {1000, 10.5L, 3, 326},  // round(10.5) = 10
      {1000, 11.5L, 3, 325},                                             // round(11.5) = 12
      {10, 10, 2, 0},      {-7, 0, 2, -3},      {5, 0, 0, 5},          {5, 0, -4, 5},
      {2770, 50, 2, 1360},
      // Absurd values saturate instead of overflowing.
      {INT64_MIN, 0, 1, INT64_MIN},
      {INT64_MIN, 1e30L, 3, INT64_MIN / 3},
      {0, -1e30L, 2, INT64_MAX / 2},
      {INT64_MAX, 4e18L, 4, 0},  // 3 x 4e18 saturates to the net width
  };
  for (const auto& c : cases)
    EXPECT_EQ(TPageSetup::ColumnWidth(c.net, c.space, c.columns), c.expected)
        << c.net << " " << static_cast<double>(c.space) << " " << c.columns;
}

TEST_F(PageFixture, ColumnWidthInLayoutAndGeneration) {
  MakeRecordSheetPage();
  page.SetColumns(2);
  page.SetColumnSpace(5);  // 5 mm = 50 stored, 18.9 -> 19 pixels
  EXPECT_EQ(page.GenerationColumnWidth(), 1360);            // (2770 - 50) / 2
  EXPECT_EQ(page.LayoutColumnWidth(1123), (1047 - 19) / 2);  // 514
}

TEST_F(PageFixture, MarginsResetAtGenerationStart) {
  MakeRecordSheetPage();  // 297 mm wide
  page.SetLeftMargin(150);
  page.SetRightMargin(150);
  EXPECT_TRUE(page.CheckMargins());
  EXPECT_EQ(page.LeftMargin(), 0);
  EXPECT_EQ(page.RightMargin(), 0);
  EXPECT_EQ(page.TopMargin(), 10);  // the other pair is untouched
  EXPECT_EQ(page.BottomMargin(), 10);
}

TEST_F(PageFixture, MarginCheckTable) {
  struct Case {
    long double left, right, top, bottom;
    bool sides_reset, ends_reset;
  };
  // Landscape A4: 297 mm wide, 210 mm long; in millimetres.
  const Case cases[] = {
      {10, 10, 10, 10, false, false},
      {148.5L, 148.5L, 10, 10, false, false},  // exactly 0 left is accepted
      {148.5L, 148.6L, 10, 10, true, false},
      {10, 10, 105, 105, false, false},
      {10, 10, 200, 11, false, true},
      {300, 0, 0, 211, true, true},
  };
  MakeRecordSheetPage();
  for (const auto& c : cases) {
    page.SetLeftMargin(c.left);
    page.SetRightMargin(c.right);
    page.SetTopMargin(c.top);
    page.SetBottomMargin(c.bottom);
    EXPECT_EQ(page.CheckMargins(), c.sides_reset || c.ends_reset);
    EXPECT_EQ(page.LeftMargin(), c.sides_reset ? 0 : c.left);
    EXPECT_EQ(page.RightMargin(), c.sides_reset ? 0 : c.right);
    EXPECT_EQ(page.TopMargin(), c.ends_reset ? 0 : c.top);
    EXPECT_EQ(page.BottomMargin(), c.ends_reset ? 0 : c.bottom);
  }
}

TEST_F(PageFixture, MarginCheckWorksInTheCurrentUnit) {
  MakeRecordSheetPage();
  page.SetUnits(TReportUnit::Native);
  page.SetLeftMargin(2000);
  page.SetRightMargin(1000);
  EXPECT_TRUE(page.CheckMargins());
  ExpectStored(page, TPageSetup::kLeftMargin, 0);
}

TEST_F(PageFixture, RulerChangeRepaintsAndReappliesUnits) {
  const int repaints = report.control.invalidations;
  page.SetRuler(true);  // unchanged
  EXPECT_EQ(report.unit_reapplications, 0);
  page.SetRuler(false);
  EXPECT_FALSE(page.Ruler());
  EXPECT_EQ(report.unit_reapplications, 1);
  EXPECT_GT(report.control.invalidations, repaints);
  page.SetRuler(true);
  EXPECT_EQ(report.unit_reapplications, 2);
}

TEST_F(PageFixture, UnitWriteRepaints) {
  const int repaints = report.control.invalidations;
  page.SetUnits(TReportUnit::Inches);
  EXPECT_EQ(page.Units(), TReportUnit::Inches);
  EXPECT_EQ(report.control.invalidations, repaints + 1);
}

TEST_F(PageFixture, ZoomResizesTheReportControl) {
  MakeRecordSheetPage();
  page.SetZoom(50);
  EXPECT_EQ(report.control.Width(), 561);  // 561.26
  EXPECT_EQ(report.control.Height(), 397);
  page.SetZoom(0);
  EXPECT_EQ(page.Zoom(), 50);
}

TEST_F(PageFixture, CustomPageTakesTheControlSize) {
  page.SetPaperSize(TPaperSize::Custom);
  page.SetUnits(TReportUnit::MM);
  const int arrangements = report.arrangements;
  const std::size_t resizes = report.control.bounds_log.size();
  page.ControlResized(500, 400);
  ExpectStored(page, TPageSetup::kWidth, 500 * 254.0L / 96);
  ExpectStored(page, TPageSetup::kLength, 400 * 254.0L / 96);
  EXPECT_EQ(report.control.bounds_log.size(), resizes);  // no resize back while updating
  EXPECT_GT(report.arrangements, arrangements);
  EXPECT_EQ(page.Units(), TReportUnit::MM);
}

TEST_F(PageFixture, NamedPaperIgnoresTheControlSizeButRearranges) {
  const int arrangements = report.arrangements;
  page.ControlResized(500, 400);
  ExpectStored(page, TPageSetup::kWidth, 2100);
  EXPECT_EQ(report.arrangements, arrangements + 1);
}

TEST_F(PageFixture, OwnResyncDoesNotRoundCustomSizesToPixels) {
  // The report passes every resize of its control back to the page.
  report.control.on_bounds = [&](int w, int h) { page.ControlResized(w, h); };
  page.SetUnits(TReportUnit::Inches);
  page.SetPaperSize(TPaperSize::Custom);
  page.SetUnits(TReportUnit::Native);
  page.SetWidth(2000);  // 755.9 pixels
  page.SetLength(1000);
  ExpectStored(page, TPageSetup::kWidth, 2000);
  ExpectStored(page, TPageSetup::kLength, 1000);
  page.SetPaperSize(TPaperSize::A4);
  ExpectStored(page, TPageSetup::kWidth, 2100);
  EXPECT_EQ(page.Units(), TReportUnit::Native);
  // A resize from outside is still taken.
  page.SetPaperSize(TPaperSize::Custom);
  report.control.SetBounds(0, 0, 96, 96);
  ExpectStored(page, TPageSetup::kWidth, 254);
  ExpectStored(page, TPageSetup::kLength, 254);
}

TEST_F(PageFixture, DesignSurfaceGeometry) {
  MakeRecordSheetPage();
  EXPECT_EQ(page.DesignMarginRect(1123, 794), (TPageSetup::TPixelRect{38, 38, 1085, 756}));
  EXPECT_TRUE(page.DesignColumnDividers().empty());
  page.SetColumns(3);
  page.SetColumnSpace(10);  // 37.795 pixels
  // g = round((1122.52 - 75.59 - 75.59) / 3) = 324
  const std::vector<TPageSetup::TColumnDivider> expected = {{362, 400}, {724, 761}};
  EXPECT_EQ(page.DesignColumnDividers(), expected);
  page.SetZoom(50);
  EXPECT_EQ(page.DesignMarginRect(561, 397), (TPageSetup::TPixelRect{19, 19, 542, 378}));
}

TEST_F(PageFixture, WritesThatWouldOverflowAreIgnored) {
  page.SetUnits(TReportUnit::Pixels);
  page.SetTopMargin(std::numeric_limits<long double>::max());
  page.SetLeftMargin(std::numeric_limits<long double>::infinity());
  ExpectStored(page, TPageSetup::kTopMargin, 100);
  ExpectStored(page, TPageSetup::kLeftMargin, 100);

  page.SetUnits(TReportUnit::Native);
  page.SetLeftMargin(-1e30L);  // finite, but no pixel count holds it
  EXPECT_EQ(page.LayoutNetWidth(1123), INT64_MAX);
  EXPECT_EQ(page.GenerationNetWidth(), INT64_MAX);
  EXPECT_EQ(page.DesignMarginRect(1123, 794).left, INT32_MIN);
}

TEST(PageWithoutReport, NeedsNoReportForAnything) {
  TPageSetup page(kMetric);
  page.SetPaperSize(TPaperSize::A3);
  page.SetColumns(2);
  page.SetRuler(false);
  page.ControlResized(10, 10);
  page.SyncControlBounds();
  ExpectStored(page, TPageSetup::kWidth, 2970);

  TFakeReport report;
  report.has_control = false;
  report.Attach(page);
  page.SetBottomMargin(5);
  EXPECT_EQ(report.arrangements, 1);
}

}  // namespace
