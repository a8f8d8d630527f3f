#include "output/report_printer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fake_platform_printer.h"
#include "output/engine_context.h"
#include "output/messages.h"
#include "output/stored_page.h"
#include "definition/report_error.h"
#include "expect_error.h"

namespace {

// Records the notices a report printer posts to its client.
class TRecordingClient : public TReportPrinterClient {
 public:
  std::vector<std::pair<int, std::intptr_t>> received;
  TReportPrinter* destroyed = nullptr;
  void HandleMessage(TMessage& m) override { received.emplace_back(m.offset, m.wparam); }
  void PrinterDestroyed(TReportPrinter& p) override { destroyed = &p; }
};

class TRecordingMaster : public TMessageReceiver {
 public:
  std::vector<int> received;
  void HandleMessage(TMessage& m) override { received.push_back(m.offset); }
};

// Generates `pages` pages, each with one rule.
void Generate(TReportPrinter& p, int pages) {
  p.BeginDoc();
  for (int i = 0; i < pages; ++i) {
    p.NewPage();
    p.Canvas().MoveTo(p.ToDeviceX(100), p.ToDeviceY(100 + i));
    p.Canvas().LineTo(p.ToDeviceX(1000), p.ToDeviceY(100 + i));
  }
  p.EndDoc();
}

class ReportPrinterTest : public ::testing::Test {
 protected:
  THeadlessEngineContext context_;
  TQueueMessageLoop& loop_ = context_.Queue();
};

TEST_F(ReportPrinterTest, DocumentCallsOutOfOrderFailWithTheirMessages) {
  TReportPrinter p(context_);
  EXPECT_THROW({
    try { p.NewPage(); } catch (const EReportError& e) { EXPECT_STREQ(e.what(), "Illegal call to NewPage"); throw; }
  }, EReportError);
  Generate(p, 2);
  ASSERT_EQ(p.Status(), TPrinterStatus::psFinished);
  EXPECT_REPORT_ERROR(p.BeginDoc(), "Report printer not ready");
  EXPECT_EQ(p.PageCount(), 2);
  EXPECT_NE(p.GetPage(2), nullptr);
}

TEST_F(ReportPrinterTest, ConversionsRoundHalvesToEven) {
  TReportPrinter screen(context_);
  screen.BeginDoc();  // screen resolution: 96 / 254 pixels per 0.1 mm
  for (auto [stored, pixels] : {std::pair{0.0L, 0}, {254.0L, 96}, {2970.0L, 1123}, {2100.0L, 794}})
    EXPECT_EQ(screen.ToDeviceX(stored), pixels) << double(stored);
  // At 254 dpi a pixel is 0.1 mm, so halves are exact; the device's
  // unprintable margin (42 px) comes off.
  TReportPrinter device(context_, std::make_unique<TFakePlatformPrinter>(std::vector{CapableQueue("p")}, 0, 254));
  device.SetDestination(TDestination::odPrinter);
  device.BeginDoc();
  const int off = device.UnprintableLeft();
  ASSERT_EQ(off, 42);
  struct { long double v; int size; } cases[] = {{2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {0.5L, 0}, {1.5L, 2}};
  for (auto c : cases) {
    EXPECT_EQ(device.SizeToDeviceX(c.v), c.size) << double(c.v);
    EXPECT_EQ(device.ToDeviceY(off + c.v), c.size) << double(c.v);
  }
  device.AbortDoc();
}

TEST_F(ReportPrinterTest, ClientHearsOfEachCompletedPageAndTheStoreHoldsOnlyFinishedOnes) {
  TRecordingClient client;
  TReportPrinter p(context_);
  p.SetClient(&client);
  p.BeginDoc();
  p.NewPage();
  EXPECT_EQ(p.GetPage(1), nullptr);  // being drawn
  p.NewPage();
  EXPECT_NE(p.GetPage(1), nullptr);
  EXPECT_EQ(p.GetPage(2), nullptr);
  p.EndDoc();
  EXPECT_NE(p.GetPage(2), nullptr);
  EXPECT_EQ(p.GetPage(3), nullptr);
  EXPECT_EQ(p.GetPage(0), nullptr);
  loop_.ProcessMessages();
  EXPECT_EQ(client.received, (std::vector<std::pair<int, std::intptr_t>>{{MsgPageAvailable, 1}, {MsgPageAvailable, 2}}));
}

TEST_F(ReportPrinterTest, SavedReportHasTheFinalCountAndLoadsWithItsPaper) {
  const auto file = std::filesystem::temp_directory_path() / "report_printer_test.rpt";
  {
    TReportPrinter p(context_);
    p.SetOrientation(TPrinterOrientation::poLandscape);
    p.Save(file.string());  // not finished: writes nothing
    EXPECT_FALSE(std::filesystem::exists(file));
    Generate(p, 3);
    p.Save(file.string());
  }
  // A device offering A4 only: the A4-sized page comes back as A4 landscape.
  TReportPrinter loaded(context_, std::make_unique<TFakePlatformPrinter>(
      std::vector{CapableQueue("office")}, 0, 600));
  loaded.Load(file.string());
  EXPECT_EQ(loaded.PageCount(), 3);
  EXPECT_TRUE(loaded.FromFile());
  EXPECT_EQ(loaded.Status(), TPrinterStatus::psFinished);
  EXPECT_EQ(loaded.PaperSize(), TPaperSize::A4);
  EXPECT_EQ(loaded.Orientation(), TPrinterOrientation::poLandscape);
  // Without a device every matching size is taken and the last one wins.
  TReportPrinter any(context_);
  any.Load(file.string());
  EXPECT_EQ(any.PaperSize(), TPaperSize::A4Small);
  std::filesystem::remove(file);
}

TEST_F(ReportPrinterTest, PrintWithAMasterAsksTheMasterOncePerCall) {
  TRecordingMaster master;
  TReportPrinter p(context_);
  p.SetMaster(&master);
  p.Print();
  p.Print();
  EXPECT_TRUE(master.received.empty());  // posted, not sent
  loop_.ProcessMessages();
  EXPECT_EQ(master.received, (std::vector<int>{MsgPrintReport, MsgPrintReport}));
  p.ClosePreview();
  EXPECT_EQ(master.received.back(), MsgPreviewClosed);
}

TEST_F(ReportPrinterTest, PrintOfStoredPagesHonoursTheRangeInOneJob) {
  std::vector<TFakeJob> jobs;
  TReportPrinter p(context_, std::make_unique<TFakePlatformPrinter>(std::vector{CapableQueue("office")}, 0, 600, &jobs));
  Generate(p, 4);
  struct { int first, last; std::size_t sheets; } cases[] = {{0, 0, 4}, {2, 0, 3}, {2, 3, 2}, {4, 9, 1}, {5, 9, 0}};
  for (auto c : cases) {
    jobs.clear();
    p.SetFirstPage(c.first);
    p.SetLastPage(c.last);
    p.Print();
    if (c.sheets == 0) {
      EXPECT_TRUE(jobs.empty()) << c.first;  // no blank sheet for an empty range
      continue;
    }
    ASSERT_EQ(jobs.size(), 1u) << c.first;
    EXPECT_EQ(jobs[0].sheets.size(), c.sheets) << c.first << ".." << c.last;
    EXPECT_TRUE(jobs[0].ended);
  }
}

TEST_F(ReportPrinterTest, GeneratingToThePrinterPutsOnlyTheRangeOnPaper) {
  std::vector<TFakeJob> jobs;
  TReportPrinter p(context_, std::make_unique<TFakePlatformPrinter>(std::vector{CapableQueue("office")}, 0, 600, &jobs));
  p.SetDestination(TDestination::odPrinter);
  p.SetFirstPage(2);
  p.SetLastPage(3);
  bool afterPrint = false;
  p.AfterPrint = [&](TReportPrinter&) { afterPrint = true; };
  Generate(p, 5);
  ASSERT_EQ(jobs.size(), 1u);
  ASSERT_EQ(jobs[0].sheets.size(), 2u);
  // Page 2's rule: (100 - 42) * 600 / 254, less the unprintable margin.
  EXPECT_EQ(jobs[0].sheets[0].lines.at(0).substr(0, 23), "Line(137,139->2263,139)");
  EXPECT_TRUE(afterPrint);
}

TEST(PlacePageTest, APageLiesAtItsOwnSizeWhereItFitsAndScaledUniformlyWhereNot) {
  // 254 dpi: a pixel is 0.1 mm; 50 px unprintable on every side.
  auto caps = [](int w, int h) { return TDeviceCaps{254, 254, 50, 50, w, h, w - 100, h - 100}; };
  struct { long double w, l; TDeviceCaps caps; TPagePlacement placed; } cases[] = {
      {2970, 2100, caps(2970, 2100), {{-50, -50, 2920, 2050}, false}},  // A4 on A4
      {2970, 2100, caps(2969, 2098), {{-50, -50, 2920, 2050}, false}},  // rounded sizes still fit
      {2970, 2100, caps(4200, 2970), {{-50, -50, 2920, 2050}, false}},  // A4 on A3: not enlarged
      {2970, 2100, caps(2794, 2159), {{0, 77, 2694, 1982}, true}},      // A4 on Letter: across fills
      {2100, 2970, caps(2159, 2794), {{77, 0, 1982, 2694}, true}},       // portrait: down fills
  };
  for (const auto& c : cases) {
    const TPagePlacement p = PlacePage(c.w, c.l, c.caps);
    EXPECT_EQ(p.dest, c.placed.dest) << double(c.w) << " on " << c.caps.physicalWidth;
    EXPECT_EQ(p.scaled, c.placed.scaled) << double(c.w) << " on " << c.caps.physicalWidth;
  }
}

TEST_F(ReportPrinterTest, CopiesAreTakenOnlyByADeviceThatDeclaresThem) {
  TReportPrinter p(context_, std::make_unique<TFakePlatformPrinter>(
      std::vector{CapableQueue("copier"), PlainQueue("plain")}, 0));
  p.SetPrinterIndex(0);
  p.SetCopies(2);
  EXPECT_EQ(p.Copies(), 2);
  p.SetPrinterIndex(1);
  EXPECT_EQ(p.Copies(), 1);
  p.SetCopies(2);
  EXPECT_EQ(p.Copies(), 1);
  p.SetPaperSize(TPaperSize::Letter);  // not offered by "plain"
  EXPECT_EQ(p.PaperSize(), TPaperSize::A4);
  EXPECT_THROW(p.SetPrinterIndex(2), EReportError);
  p.SetPrinterIndex(-1);
  EXPECT_EQ(p.PrinterIndex(), 0);
}

TEST_F(ReportPrinterTest, ApplyToDeviceWritesTheSettingsIntoTheDeviceMode) {
  auto device = std::make_unique<TFakePlatformPrinter>(std::vector{CapableQueue("office")}, 0);
  TFakePlatformPrinter* fake = device.get();
  TReportPrinter p(context_, std::move(device));
  p.SetCopies(3);
  p.SetOrientation(TPrinterOrientation::poLandscape);
  p.SetOutputBin(TPaperBin::Manual);
  p.SetPaperSize(TPaperSize::Letter);
  p.Settings().ApplyToDevice();
  const TDeviceMode m = fake->DeviceMode();
  EXPECT_EQ(m.copies, 3);
  EXPECT_EQ(m.orientation, 2);
  EXPECT_EQ(m.defaultSource, 4);
  EXPECT_EQ(m.paperCode, 1);
  EXPECT_EQ(p.Settings().DriverName(), "fake-driver");
  EXPECT_EQ(p.Settings().OffsetLeft(), 42);  // 100 px at 600 dpi
}

TEST_F(ReportPrinterTest, ClosingThePreviewCancelsARunningDocumentAndTellsOnce) {
  TReportPrinter p(context_);
  int afterPreview = 0;
  p.AfterPreview = [&](TReportPrinter&) { ++afterPreview; };
  p.SetShowingPreview(true);
  p.BeginDoc();
  p.NewPage();
  p.SetShowingPreview(false);
  p.SetShowingPreview(false);
  EXPECT_TRUE(p.Cancelled());
  EXPECT_EQ(afterPreview, 1);
}

TEST_F(ReportPrinterTest, TheClientIsToldWhenThePrinterGoes) {
  TRecordingClient client;
  TReportPrinter* address;
  {
    TReportPrinter p(context_);
    address = &p;
    p.SetClient(&client);
    Generate(p, 1);
  }
  EXPECT_EQ(client.destroyed, address);
  loop_.ProcessMessages();  // the notices of a printer that is gone still reach a live client
  EXPECT_FALSE(client.received.empty());
}

}  // namespace
