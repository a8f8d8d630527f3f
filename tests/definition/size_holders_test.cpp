#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "fake_report.h"
#include "definition/band_size.h"
#include "definition/printable_size.h"
#include "definition/report_error.h"

namespace {

using TRect = TRecordingControl::TRect;
const TUnitEnvironment kMetric96{96, TMeasurementSystem::Metric};
// At 254 ppi one pixel is one storage unit, so exact halves are easy to make.
const TUnitEnvironment kMetric254{254, TMeasurementSystem::Metric};

// A band-like control that owns its size holder.
class TTestBand : public TRecordingControl {
 public:
  explicit TTestBand(const TUnitEnvironment& env = kMetric96) : size(this, env) {}
  TUnitBase* SizeHolder() override { return &size; }
  TBandSize size;
};

// An element-like control that owns its size holder.
class TTestElement : public TRecordingControl {
 public:
  explicit TTestElement(const TUnitEnvironment& env = kMetric96) : size(this, env) {}
  TUnitBase* SizeHolder() override { return &size; }
  TPrintableSize size;
};

TEST(BandSize, InitialValuesAndDirections) {
  TBandSize size(nullptr, kMetric96);
  size.SetUnits(TReportUnit::Native);
  EXPECT_EQ(size.Height(), 20);
  EXPECT_EQ(size.Width(), 40);
  size.SetUnits(TReportUnit::Characters);  // height is vertical, width horizontal
  EXPECT_NEAR(static_cast<double>(size.Height()), 20 / 57.204724409448819, 1e-12);
  EXPECT_NEAR(static_cast<double>(size.Width()), 40 / 31.496062992125984, 1e-12);
}

TEST(BandSize, RecordSheetPageHeaderBand) {
  // 27 x 1047 pixels at 96 ppi is stored as 71.4375, 2770.1875.
  TTestBand band;
  band.SetBounds(38, 38, 0, 0);
  band.size.SetUnits(TReportUnit::Pixels);
  band.size.SetHeight(27);
  band.size.SetWidth(1047);
  EXPECT_NEAR(static_cast<double>(band.size.StoredHeight()), 71.4375, 1e-12);
  EXPECT_NEAR(static_cast<double>(band.size.StoredWidth()), 2770.1875, 1e-12);
  EXPECT_EQ(band.bounds_log.back(), (TRect{38, 38, 1047, 27}));  // left and top kept
  EXPECT_FALSE(band.size.PushingBounds());
  std::ostringstream out;
  band.size.WriteValues(out);
  EXPECT_EQ(out.str(), "(71.4375 2770.1875)");
}

TEST(BandSize, ReadValuesStoresWithoutSyncUntilLoaded) {
  TTestBand band;
  band.size.SetUnits(TReportUnit::MM);
  std::istringstream in("(71.4375 2770.1875)");
  band.bounds_log.clear();
  band.size.ReadValues(in);
  EXPECT_TRUE(band.bounds_log.empty());
  EXPECT_EQ(band.size.StoredHeight(), 71.4375L);  // storage units whatever Units is
  EXPECT_EQ(band.size.StoredWidth(), 2770.1875L);
  band.size.Loaded();
  EXPECT_EQ(band.bounds_log.back(), (TRect{0, 0, 1047, 27}));
}

TEST(BandSize, BadValuesListLeavesTheSizeAlone) {
  TBandSize size(nullptr, kMetric96);
  for (const char* text : {"(1)", "(1 2 3)", "(1 x)", "1 2"}) {
    std::istringstream in(text);
    EXPECT_THROW(size.ReadValues(in), EReportError) << text;
    EXPECT_EQ(size.StoredHeight(), 20) << text;
    EXPECT_EQ(size.StoredWidth(), 40) << text;
  }
}

TEST(BandSize, PushesBoundsWhileFlagged) {
  TTestBand band;
  bool seen_pushing = false;
  band.on_bounds = [&](int, int) { seen_pushing = band.size.PushingBounds(); };
  band.size.SyncControlBounds();
  EXPECT_TRUE(seen_pushing);
  EXPECT_FALSE(band.size.PushingBounds());
}

TEST(BandSize, TakePixelHeightWritesOnlyAChange) {
  TTestBand band(kMetric254);
  band.size.SetUnits(TReportUnit::Inches);
  band.size.SyncControlBounds();
  const std::size_t syncs = band.bounds_log.size();
  band.size.TakePixelHeight(20);  // already 20 pixels
  EXPECT_EQ(band.bounds_log.size(), syncs);
  band.size.TakePixelHeight(33);
  EXPECT_EQ(band.size.StoredHeight(), 33);
  EXPECT_EQ(band.bounds_log.size(), syncs + 1);
  EXPECT_EQ(band.size.Units(), TReportUnit::Inches);
}

TEST(BandSize, UnknownIndexOrNonFiniteValueOnlyResyncs) {
  TTestBand band;
  band.size.SetUnits(TReportUnit::Native);
  const std::size_t syncs = band.bounds_log.size();
  band.size.SetValue(2, 99);
  band.size.SetValue(-1, 99);
  band.size.SetHeight(std::numeric_limits<long double>::quiet_NaN());
  band.size.SetWidth(std::numeric_limits<long double>::infinity());
  EXPECT_EQ(band.bounds_log.size(), syncs + 4);
  EXPECT_EQ(band.size.StoredHeight(), 20);
  EXPECT_EQ(band.size.StoredWidth(), 40);
  EXPECT_EQ(band.size.Value(7), 0);
  band.size.SetUnits(TReportUnit::Pixels);  // x (254 / 96) overflows
  band.size.SetWidth(std::numeric_limits<long double>::max());
  EXPECT_EQ(band.size.StoredWidth(), 40);
}

TEST(PrintableSize, RecordSheetVerticalRule) {
  // 700, 40, 0, 1 pixels at 96 ppi.
  TTestElement rule;
  std::istringstream in("(1852.0833333333333333 105.83333333333333333 0 2.6458333333333333333)");
  rule.size.ReadValues(in);
  rule.size.Loaded();
  EXPECT_EQ(rule.bounds_log.back(), (TRect{40, 0, 1, 700}));
  rule.size.SetUnits(TReportUnit::Pixels);
  EXPECT_NEAR(static_cast<double>(rule.size.Height()), 700, 1e-12);
  EXPECT_NEAR(static_cast<double>(rule.size.Left()), 40, 1e-12);
  EXPECT_EQ(rule.size.Top(), 0);
  EXPECT_NEAR(static_cast<double>(rule.size.Width()), 1, 1e-12);
}

TEST(PrintableSize, WritesAndReadsPerIndexAndDirection) {
  TTestElement e;
  e.size.SetUnits(TReportUnit::MM);
  e.size.SetHeight(1);
  e.size.SetLeft(2);
  e.size.SetTop(3);
  e.size.SetWidth(4);
  EXPECT_EQ(e.size.Stored(TPrintableSize::kHeight), 10);
  EXPECT_EQ(e.size.Stored(TPrintableSize::kLeft), 20);
  EXPECT_EQ(e.size.Stored(TPrintableSize::kTop), 30);
  EXPECT_EQ(e.size.Stored(TPrintableSize::kWidth), 40);
  std::ostringstream out;
  e.size.WriteValues(out);
  EXPECT_EQ(out.str(), "(10 20 30 40)");
  e.size.SetUnits(TReportUnit::Characters);  // Left/Width horizontal, Height/Top vertical
  EXPECT_NEAR(static_cast<double>(e.size.Left()), 20 / 31.496062992125984, 1e-12);
  EXPECT_NEAR(static_cast<double>(e.size.Top()), 30 / 57.204724409448819, 1e-12);
}

TEST(PrintableSize, PixelBoundsRoundHalfToEven) {
  TTestElement e(kMetric254);
  e.size.SetUnits(TReportUnit::Native);
  e.size.SetLeft(2.5L);
  e.size.SetTop(3.5L);
  e.size.SetWidth(4.5L);
  e.size.SetHeight(5.5L);
  EXPECT_EQ(e.bounds_log.back(), (TRect{2, 4, 4, 6}));
  e.size.SetZoom(50);  // 9 x 0.5 = 4.5 -> 4
  e.size.SetWidth(9);
  EXPECT_EQ(e.bounds_log.back().width, 4);
}

TEST(PrintableSize, TakePixelBoundsWritesChangesInOrder) {
  TTestElement e(kMetric254);
  e.size.SetUnits(TReportUnit::Native);
  e.size.SetLeft(10);
  e.size.SetTop(20);
  e.size.SetWidth(30);
  e.size.SetHeight(40);
  e.size.SetUnits(TReportUnit::MM);
  e.bounds_log.clear();

  e.size.TakePixelBounds(10, 20, 30, 40);  // nothing differs
  EXPECT_TRUE(e.bounds_log.empty());

  e.size.TakePixelBounds(11, 21, 31, 41);  // Height, Width, Top, Left, each re-syncing
  const std::vector<TRect> expected = {
      {10, 20, 30, 41}, {10, 20, 31, 41}, {10, 21, 31, 41}, {11, 21, 31, 41}};
  EXPECT_EQ(e.bounds_log, expected);
  EXPECT_EQ(e.size.Units(), TReportUnit::MM);
  EXPECT_EQ(e.size.UnitBeforeSwitch(), TReportUnit::MM);
}

TEST(PrintableSize, WithoutElementNothingIsPushed) {
  TPrintableSize size(nullptr, kMetric96);
  size.SetUnits(TReportUnit::Native);
  size.SetWidth(5);
  size.Loaded();
  EXPECT_EQ(size.Width(), 5);
  EXPECT_FALSE(size.PushingBounds());
}

TEST(CharactersUnit, UsesTheOwnerReportFont) {
  TFakeReport report;
  TPrintableSize size(nullptr, kMetric96);
  size.SetUnits(TReportUnit::Native);
  size.SetWidth(100);
  size.SetUnits(TReportUnit::Characters);
  EXPECT_NEAR(static_cast<double>(size.Width()), 3.175, 1e-15);  // no report: 10 points
  size.SetReportFont(report.Units());
  report.font_size = 20;
  EXPECT_NEAR(static_cast<double>(size.Width()), 6.35, 1e-15);
  report.font_size = -20;
  EXPECT_NEAR(static_cast<double>(size.Width()), 6.35, 1e-15);
  report.font_size = 0;
  EXPECT_NEAR(static_cast<double>(size.Width()), 3.175, 1e-15);
  report.font_size = 10;
  size.SetWidth(3.175L);
  EXPECT_NEAR(static_cast<double>(size.Stored(TPrintableSize::kWidth)), 100, 1e-12);
}

TEST(ZoomPropagation, ReachesEveryHolderInTheTree) {
  TRecordingControl report;
  TTestBand band;
  TTestElement on_band, on_report;
  band.SetParent(&report);
  on_band.SetParent(&band);
  on_report.SetParent(&report);
  on_band.size.SetUnits(TReportUnit::Native);
  on_band.size.SetWidth(254);  // 96 pixels at zoom 100

  report.PropagateZoom(200);
  EXPECT_EQ(band.size.Zoom(), 200);
  EXPECT_EQ(on_band.size.Zoom(), 200);
  EXPECT_EQ(on_report.size.Zoom(), 200);
  EXPECT_EQ(on_band.Width(), 192);  // re-synced at the new zoom
  EXPECT_EQ(band.Width(), 30);  // 40 stored: 15.1 pixels at zoom 100, 30.2 at 200
  EXPECT_EQ(band.Height(), 15);

  for (int bad : {0, -5, 301}) {
    report.PropagateZoom(bad);
    EXPECT_EQ(on_band.size.Zoom(), 200) << bad;
  }
}

TEST(UnitPropagation, ReachesEveryHolderInTheTree) {
  TRecordingControl report;
  TTestBand band;
  TTestElement on_band, on_report;
  band.SetParent(&report);
  on_band.SetParent(&band);
  on_report.SetParent(&report);
  report.PropagateUnits(TReportUnit::Native);
  EXPECT_EQ(band.size.Units(), TReportUnit::Native);
  EXPECT_EQ(on_band.size.Units(), TReportUnit::Native);
  EXPECT_EQ(on_report.size.Units(), TReportUnit::Native);
  EXPECT_EQ(band.size.Height(), 20);  // stored values read as they are
  band.PropagateUnits(TReportUnit::Inches);  // a subtree only
  EXPECT_EQ(on_band.size.Units(), TReportUnit::Inches);
  EXPECT_EQ(on_report.size.Units(), TReportUnit::Native);
}

TEST(ZoomPropagation, ElementPixelsAreNotScaledTwice) {
  TTestElement e;
  e.size.SetZoom(250);
  e.size.SetUnits(TReportUnit::Pixels);
  e.size.SetWidth(123);
  EXPECT_NEAR(static_cast<double>(e.size.Width()), 123, 1e-12);
  EXPECT_EQ(e.Width(), 123);
}

}  // namespace
