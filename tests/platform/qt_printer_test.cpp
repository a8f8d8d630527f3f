// The platform printer on a real CUPS scheduler (the lab's queues: file-pdf,
// the default, writes PDF and makes copies by repeating pages; file-ps writes
// PostScript with its trays auto, top and manual).
#include <gtest/gtest.h>

#include <fstream>

#include <QImage>
#include <QPrinterInfo>

#include <algorithm>
#include <optional>
#include <unistd.h>

#include "../output/test_support.h"
#include "cups_lab.h"
#include "graphics/canvas.h"
#include "output/print_request.h"
#include "platform/qt_printer.h"
#include "definition/report_error.h"
#include "scoped_tmpfs.h"
#include "../output/expect_error.h"

namespace {

class QtPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CUPS_LAB_REQUIRE();
  }

  static int IndexOf(const TQtPlatformPrinter& p, const std::string& queue) {
    const auto list = p.Printers();
    const auto at = std::find(list.begin(), list.end(), queue);
    return at == list.end() ? -1 : int(at - list.begin());
  }

  // Draws a black vertical rule `x` device pixels right of the printable
  // area's left edge, over the printable height, on every page.
  static void DrawRule(TPlatformPrinter& p, int x) {
    TCanvas& c = p.Canvas();
    TPen pen;
    pen.color = colors::Black;
    pen.width = 1;
    c.SetPen(pen);
    c.MoveTo(x, 0);
    c.LineTo(x, 2000);
  }
};

TEST_F(QtPrinterTest, ListsTheSpoolersQueuesInItsOrder) {
  TQtPlatformPrinter p;
  std::vector<std::string> expected;
  for (const QString& n : QPrinterInfo::availablePrinterNames()) expected.push_back(n.toStdString());
  EXPECT_EQ(p.Printers(), expected);
  EXPECT_GE(IndexOf(p, "file-pdf"), 0);
  EXPECT_GE(IndexOf(p, "file-ps"), 0);
}

TEST_F(QtPrinterTest, MinusOneSelectsTheSystemDefaultAndReportsItsPosition) {
  TQtPlatformPrinter p;
  p.SetPrinterIndex(IndexOf(p, "file-ps"));
  EXPECT_EQ(p.DeviceName(), "file-ps");
  p.SetPrinterIndex(-1);
  EXPECT_EQ(p.DeviceName(), "file-pdf");
  EXPECT_EQ(p.PrinterIndex(), IndexOf(p, "file-pdf"));
}

TEST_F(QtPrinterTest, AnIndexOutsideTheListIsRefused) {
  TQtPlatformPrinter p;
  const int count = int(p.Printers().size());
  for (int bad : {-2, count, count + 5}) {
    EXPECT_REPORT_ERROR(p.SetPrinterIndex(bad), "Printer index out of range");
  }
  EXPECT_EQ(p.DeviceName(), "file-pdf");  // the selection stays
}

TEST_F(QtPrinterTest, DeviceModeComesFromTheQueuesOptions) {
  TQtPlatformPrinter p;
  p.SetPrinterIndex(IndexOf(p, "file-pdf"));
  TDeviceMode m = p.DeviceMode();
  EXPECT_TRUE(m.declaresCopies);  // the spooler takes copies 1..9999
  EXPECT_EQ(m.copies, 1);
  EXPECT_TRUE(m.declaresPaperSize);
  EXPECT_EQ(m.paperCode, 9);  // A4
  EXPECT_FALSE(m.declaresDefaultSource);  // no trays
  EXPECT_FALSE(m.declaresDuplex);
  EXPECT_EQ(p.DriverName(), "PrintLab PDF File");
  EXPECT_EQ(p.Port(), "file://" + cups_lab::PdfOut().string());
  std::vector<int> codes = p.PaperCodes();
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<int>{1, 9, 11}));  // Letter, A4, A5

  p.SetPrinterIndex(IndexOf(p, "file-ps"));
  m = p.DeviceMode();
  EXPECT_TRUE(m.declaresDefaultSource);
  EXPECT_EQ(m.defaultSource, 7);  // auto
  EXPECT_EQ(m.paperCode, 9);
}

TEST_F(QtPrinterTest, CapsGiveResolutionPaperAndUnprintableOffsets) {
  TQtPlatformPrinter p;
  p.SetPrinterIndex(IndexOf(p, "file-pdf"));
  // The queue offers 300 and 600 dpi; its A4 sheet is 595 x 842 pt with 18 pt
  // left and right and 36 pt top and bottom unprintable.
  TDeviceCaps c = p.Caps();
  EXPECT_EQ(c.pixelsPerInchX, 600);
  EXPECT_EQ(c.pixelsPerInchY, 600);
  EXPECT_EQ(c.physicalWidth, 4958);
  EXPECT_EQ(c.physicalHeight, 7017);
  EXPECT_EQ(c.physicalOffsetX, 150);
  EXPECT_EQ(c.physicalOffsetY, 300);
  EXPECT_NEAR(c.printableWidth, 4958 - 300, 1);
  EXPECT_NEAR(c.printableHeight, 7017 - 600, 1);

  // A5 (420 x 595 pt) in landscape: the unprintable edges turn with the sheet.
  TDeviceMode m = p.DeviceMode();
  m.orientation = 2;
  m.paperCode = 11;
  p.SetDeviceMode(m);
  c = p.Caps();
  EXPECT_EQ(c.physicalWidth, 4958);
  EXPECT_EQ(c.physicalHeight, 3500);
  EXPECT_EQ(c.physicalOffsetX, 300);
  EXPECT_EQ(c.physicalOffsetY, 150);
}

TEST_F(QtPrinterTest, CopiesGoOutOnceAsTheJobsCopyCount) {
  TQtPlatformPrinter p;
  p.SetPrinterIndex(IndexOf(p, "file-pdf"));
  TDeviceMode m = p.DeviceMode();
  m.copies = 3;
  p.SetDeviceMode(m);
  const int before = cups_lab::LastJobId();
  p.BeginDoc("copies once");
  DrawRule(p, 100);
  p.EndDoc();
  const auto jobs = cups_lab::FinishedJobsAfter(before);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].name, "copies once");
  EXPECT_EQ(jobs[0].copies, 3);
  EXPECT_EQ(jobs[0].state, IPP_JSTATE_COMPLETED);
  // The queue repeats the one-page document: three sheets, not nine.
  EXPECT_EQ(cups_lab::PdfPages(cups_lab::PdfOut()), 3);
}

TEST_F(QtPrinterTest, WhatTheQueueDeclaresStaysTheQueues) {
  TQtPlatformPrinter p;
  p.SetPrinterIndex(IndexOf(p, "file-pdf"));
  TDeviceMode m = p.DeviceMode();
  ASSERT_TRUE(m.declaresCopies);
  m.declaresCopies = false;  // what the queue declares is the queue's
  m.copies = 4;
  p.SetDeviceMode(m);
  EXPECT_TRUE(p.DeviceMode().declaresCopies);
  EXPECT_EQ(p.DeviceMode().copies, 4);
}

TEST_F(QtPrinterTest, PagesGoOutInOneJobWithTheRulesWhereTheyWereDrawn) {
  TQtPlatformPrinter p;
  p.SetPrinterIndex(IndexOf(p, "file-pdf"));
  const int before = cups_lab::LastJobId();
  p.BeginDoc("two pages");
  DrawRule(p, 1000);
  p.NewPage();
  DrawRule(p, 2000);
  p.EndDoc();
  const auto jobs = cups_lab::FinishedJobsAfter(before);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].copies, 1);
  ASSERT_EQ(cups_lab::PdfPages(cups_lab::PdfOut()), 2);

  // Rendered at the job's 600 dpi, each rule lies its drawn distance right
  // of the unprintable 150 pixels.
  const auto dir = cups_lab::OutDir() / "raster";
  std::filesystem::create_directories(dir);
  // One row, 1000 pixels below the printable area's top.
  cups_lab::Run("pdftoppm -r 600 -gray -x 0 -y 1300 -W 4958 -H 1 '" + cups_lab::PdfOut().string() + "' '" +
                (dir / "p").string() + "'");
  for (int page = 1; page <= 2; ++page) {
    QImage img(QString::fromStdString((dir / ("p-" + std::to_string(page) + ".pgm")).string()));
    ASSERT_FALSE(img.isNull()) << "page " << page << " not rendered";
    const int y = 0;
    int dark = -1;
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) < 128) {
        dark = x;
        break;
      }
    EXPECT_NEAR(dark, 150 + page * 1000, 1) << "page " << page;
  }
  std::filesystem::remove_all(dir);
}

TEST_F(QtPrinterTest, AnAbortedJobNeverReachesTheSpooler) {
  TQtPlatformPrinter p;
  const int before = cups_lab::LastJobId();
  p.BeginDoc("aborted");
  DrawRule(p, 10);
  EXPECT_TRUE(p.Printing());
  p.Abort();
  EXPECT_FALSE(p.Printing());
  EXPECT_TRUE(cups_lab::FinishedJobsAfter(before).empty());
  EXPECT_THROW(p.Canvas(), EReportError);
}

TEST_F(QtPrinterTest, AJobTheSpoolerRefusesFailsAndLeavesNoFile) {
  const auto tmp = std::filesystem::temp_directory_path() / ("qtprinter-" + std::to_string(::getpid()));
  std::filesystem::create_directories(tmp);
  test_support::ScopedEnv tmpdir("TMPDIR", tmp.c_str());
  TQtPlatformPrinter p;
  const int before = cups_lab::LastJobId();
  p.BeginDoc("refused");
  DrawRule(p, 10);
  // The job's document has no name a kill could leave behind.
  EXPECT_TRUE(std::filesystem::is_empty(tmp));
  // The scheduler goes away before the job is handed over.
  cupsSetServer((tmp / "no-such.sock").c_str());
  try {
    p.EndDoc();
    ADD_FAILURE() << "a job no spooler took was reported done";
  } catch (const EReportError& e) {
    EXPECT_STREQ(e.what(), kNoPrinterLeft);
  }
  cups_lab::Unavailable();  // back to the lab
  EXPECT_FALSE(p.Printing());
  EXPECT_TRUE(std::filesystem::is_empty(tmp));
  EXPECT_TRUE(cups_lab::FinishedJobsAfter(before).empty());
  std::filesystem::remove_all(tmp);
}

// The job's document on a full disk: never sent half-written, and gone.
TEST_F(QtPrinterTest, AJobWhoseDocumentTheDiskCannotHoldFailsAndLeavesNoFile) {
  ScopedTmpfs disk(64);
  if (!disk.ok()) GTEST_SKIP() << ScopedTmpfs::kSkipReason;
  std::ofstream(disk.path() + "/ballast") << std::string(70000, 'b');  // as much as fits
  std::optional<test_support::ScopedEnv> tmpdir(std::in_place, "TMPDIR", disk.path().c_str());
  TQtPlatformPrinter p;
  const int before = cups_lab::LastJobId();
  p.BeginDoc("full disk");
  DrawRule(p, 10);
  try {
    p.EndDoc();
    ADD_FAILURE() << "a document the disk could not hold was reported done";
  } catch (const EReportError& e) {
    EXPECT_EQ(std::string(e.what()),
              "There is no room in the temporary folder " + disk.path() + " for the print job: nothing was printed");
  }
  tmpdir.reset();
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.path()), {}), 1);
  EXPECT_TRUE(cups_lab::FinishedJobsAfter(before).empty());
}

TEST_F(QtPrinterTest, JobOperationsOutsideAJobFailPlainly) {
  TQtPlatformPrinter p;
  EXPECT_THROW(p.NewPage(), EReportError);
  EXPECT_NO_THROW(p.EndDoc());
  p.BeginDoc("twice");
  EXPECT_THROW(p.BeginDoc("twice"), EReportError);
  p.Abort();
}

TEST_F(QtPrinterTest, MetricsMeasureAtTheJobsResolution) {
  TQtPlatformPrinter p;
  EXPECT_EQ(p.Metrics().PixelsPerInch(), 600);
  p.SetPrinterIndex(IndexOf(p, "file-ps"));  // lists none; the spooler says 300
  EXPECT_EQ(p.Metrics().PixelsPerInch(), 300);
  EXPECT_EQ(p.Caps().pixelsPerInchX, 300);
}

TEST(SpoolerSources, KeywordsMapToBinCodesAndBack) {
  struct Case {
    const char* keyword;
    std::optional<int> code;
  } cases[] = {{"auto", 7}, {"top", 1}, {"main", 1}, {"bottom", 2}, {"middle", 3}, {"manual", 4},
               {"envelope", 5}, {"manual-envelope", 6}, {"tractor", 8}, {"large-capacity", 11},
               {"cassette", 14}, {"tray-3", 259}, {"tray-0", std::nullopt}, {"tray-x", std::nullopt},
               {"side", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(BinCodeForSource(QString::fromLatin1(c.keyword)), c.code) << c.keyword;
  const QStringList offered{QStringLiteral("auto"), QStringLiteral("main"), QStringLiteral("manual")};
  EXPECT_EQ(SourceForBinCode(1, offered), QStringLiteral("main"));
  EXPECT_EQ(SourceForBinCode(4, offered), QStringLiteral("manual"));
  EXPECT_EQ(SourceForBinCode(2, offered), QString());
}

}  // namespace
