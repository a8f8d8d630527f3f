// The print job of the preview's Print button on a real CUPS scheduler: the
// record sheet, previewed, printed through the dialog onto the lab's
// file-pdf queue (which makes copies by repeating pages in its PDF) and its
// driverless queue on an IPP Everywhere printer (which gets the copy count).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <chrono>
#include <filesystem>

#include "../output/test_support.h"
#include "sheet/broodlog_form.h"
#include "app/preview_form.h"
#include "app/select_printer.h"
#include "controls.h"
#include "cups_lab.h"
#include "wait_until.h"
#include "report/report.h"
#include "output/report_printer.h"
#include "platform/application.h"
#include "captured_errors.h"
#include "platform/engine_services.h"
#include "platform/file_printer.h"
#include "platform/qt_printer.h"
#include "definition/report_error.h"
#include "widgets/report_preview.h"
#include "widgets/spin.h"

namespace {

// The real queue, but declaring no copies: what a printer that cannot make
// them looks like to the report printer. Optionally stops the scheduler
// once a job has begun.
class TWithoutCopies : public TPlatformPrinter {
 public:
  explicit TWithoutCopies(std::function<void()> onBegin = {}, int patienceMs = 10000)
      : real_(patienceMs), on_begin_(std::move(onBegin)) {}
  std::vector<std::string> Printers() const override { return real_.Printers(); }
  int PrinterIndex() const override { return real_.PrinterIndex(); }
  void SetPrinterIndex(int index) override { real_.SetPrinterIndex(index); }
  std::string DeviceName() const override { return real_.DeviceName(); }
  std::string DriverName() const override { return real_.DriverName(); }
  std::string Port() const override { return real_.Port(); }
  TDeviceMode DeviceMode() override {
    TDeviceMode m = real_.DeviceMode();
    m.declaresCopies = false;
    m.copies = 1;
    return m;
  }
  void SetDeviceMode(const TDeviceMode& mode) override { real_.SetDeviceMode(mode); }
  std::vector<int> PaperCodes() override { return real_.PaperCodes(); }
  TDeviceCaps Caps() override { return real_.Caps(); }
  void BeginDoc(const std::string& title) override {
    real_.BeginDoc(title);
    if (on_begin_) on_begin_();
  }
  void NewPage() override { real_.NewPage(); }
  void EndDoc() override { real_.EndDoc(); }
  void Abort() override { real_.Abort(); }
  bool Printing() const override { return real_.Printing(); }
  TCanvas& Canvas() override { return real_.Canvas(); }
  TTextMetrics& Metrics() override { return real_.Metrics(); }

 private:
  TQtPlatformPrinter real_;
  std::function<void()> on_begin_;
};

class PrintJobOnCups : public ::testing::Test {
 protected:
  virtual std::string Queue() const { return "file-pdf"; }

  void SetUp() override {
    CUPS_LAB_REQUIRE();
    services_ = std::make_unique<TEngineServices>();
    services_->UsePrintService();
    form_ = std::make_unique<TFormBroodlog>(services_->Context());
    form_->SetApiaryName("North field");
    form_->Report->OnPreview = [](TReportPrinter&) {};
    form_->Report->Preview();
    ASSERT_NE(form_->Report->ReportPrinter(), nullptr);
    TQtPlatformPrinter list;
    const auto names = list.Printers();
    pdf_queue_ = int(std::find(names.begin(), names.end(), Queue()) - names.begin());
    ASSERT_LT(pdf_queue_, int(names.size())) << Queue();
    before_ = cups_lab::LastJobId();
  }
  void TearDown() override {
    form_.reset();
    services_.reset();
  }

  TReportPrinter& R() { return *form_->Report->ReportPrinter(); }

  // The print button's job, with the dialog set as a user would set it;
  // then the posted print requests run.
  void Print(int copies, int from = 0, int to = 0) {
    RunPrintJob(R(), form_->Report, [&](TfrmSelectPrinter& d) {
      d.show();
      // The printers come once the print service has answered.
      EXPECT_TRUE(WaitUntil([&] { return Control<QLabel>(d, "StatusLbl")->text() != TfrmSelectPrinter::kPleaseWait; }));
      Control<QComboBox>(d, "cbPrinters")->setCurrentIndex(queue_ >= 0 ? queue_ : pdf_queue_);
      emit Control<QComboBox>(d, "cbPrinters")->activated(queue_ >= 0 ? queue_ : pdf_queue_);
      status_ = Control<QLabel>(d, "StatusLbl")->text();
      Control<TSpinEdit>(d, "CopiesSe")->SetValue(copies);
      if (paper_ >= 0) Control<QComboBox>(d, "ComboBox1")->setCurrentIndex(paper_);
      if (before_ok_) before_ok_();
      if (from != 0 || to != 0) {
        Control<QRadioButton>(d, "RangeRb")->click();
        Control<QLineEdit>(d, "FromEdt")->setText(QString::number(from));
        Control<QLineEdit>(d, "ToEdt")->setText(QString::number(to));
      }
      Control<QPushButton>(d, "BitBtn1")->click();
      return d.result();
    });
    for (int i = 0; i < 5; ++i) TApplication::ProcessMessages();
  }

  // Files the print job may have left in the temporary directory.
  static std::vector<std::string> LeftOver(const test_support::TempDir& tmp) {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::directory_iterator(tmp.Path())) out.push_back(e.path().filename().string());
    return out;
  }

  // Where the vertical rules cross a row through the writing lines, in
  // pixels at 600 dpi, and optionally the space left and right of all that
  // is drawn. The printed sheet may lie on the paper turned either way, so
  // it is taken in its reading orientation: wider than high, with the header
  // line ("Apiary") on top.
  static std::vector<int> Rules(const std::string& pdf, const test_support::TempDir& tmp,
                                std::pair<int, int>* margins = nullptr) {
    QImageReader::setAllocationLimit(512);  // a whole sheet at 600 dpi
    const std::string stem = tmp.File("rules");
    cups_lab::Run("pdftoppm -r 600 -gray -singlefile '" + pdf + "' '" + stem + "'");
    QImage img(QString::fromStdString(stem + ".pgm"));
    std::filesystem::remove(stem + ".pgm");
    std::vector<int> xs;
    if (img.isNull()) return xs;
    if (img.height() > img.width()) {
      const std::string words = cups_lab::Run("pdftotext -bbox '" + pdf + "' - | grep '>Apiary<'");
      const auto at = words.find("yMin=\"");
      const bool headerBelow = at != std::string::npos && std::atof(words.c_str() + at + 6) * 600 / 72 > img.height() / 2.0;
      img = img.transformed(QTransform().rotate(headerBelow ? 90 : -90));
    }
    if (margins) {
      const QImage gray = img.convertToFormat(QImage::Format_Grayscale8);
      int left = gray.width(), right = -1;
      for (int y = 0; y < gray.height(); ++y) {
        const uchar* row = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x) {
          if (row[x] >= 128) continue;
          left = std::min(left, x);
          right = std::max(right, x);
        }
      }
      *margins = {left, gray.width() - 1 - right};
    }
    const int y = img.height() * 3 / 4;
    bool dark = false;
    for (int x = 0; x < img.width(); ++x) {
      const bool d = qGray(img.pixel(x, y)) < 128;
      if (d && !dark) xs.push_back(x);
      dark = d;
    }
    return xs;
  }

  std::unique_ptr<TEngineServices> services_;
  std::unique_ptr<TFormBroodlog> form_;
  int queue_ = -1;  // the queue to choose; -1: file-pdf
  int paper_ = -1;  // the paper item to choose; -1: the preselected one
  std::function<void()> before_ok_;
  int pdf_queue_ = -1;
  int before_ = 0;
  QString status_;
  CapturedErrors shown_;
  QStringList& messages_ = shown_.messages;
};

// The same jobs on each kind of queue the lab has.
struct QueueCase {
  const char* queue;
  bool printerMakesCopies;  // the device gets the copy count, not the pages repeated
  // How far, in 600-dpi pixels, its rules may lie from the file printer's:
  // the IPP printer's A4 is 595.28 x 841.89 pt, not the file queue's 595 x
  // 842, and its margins round to other device pixels (at most 0.17 mm).
  int rulesWithin;
};
void PrintTo(const QueueCase& c, std::ostream* os) { *os << c.queue; }

class PrintJobOnEachQueue : public PrintJobOnCups, public ::testing::WithParamInterface<QueueCase> {
 protected:
  std::string Queue() const override { return GetParam().queue; }

  // The copy count the device itself was asked for: the IPP Everywhere
  // printer's last job's; a file gets none.
  int DeviceCopies() const {
    if (!GetParam().printerMakesCopies) return 1;
    const auto jobs = cups_lab::EverywhereJobs();
    return jobs.empty() ? 0 : jobs.back().copies;
  }
};

INSTANTIATE_TEST_SUITE_P(Lab, PrintJobOnEachQueue,
                         ::testing::Values(QueueCase{"file-pdf", false, 1}, QueueCase{cups_lab::kEverywhere, true, 4}),
                         [](const auto& info) { return std::string(info.param.printerMakesCopies ? "Driverless" : "FilePdf"); });

TEST_P(PrintJobOnEachQueue, AllPagesWithCopiesIsOneJobWithTheCopyCount) {
  test_support::TempDir tmp;
  Print(2);
  EXPECT_EQ(status_, "Printer supports multiple copies");
  const auto jobs = cups_lab::FinishedJobsAfter(before_);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].copies, 2);
  EXPECT_EQ(jobs[0].state, IPP_JSTATE_COMPLETED);
  // Two sheets, each the record sheet: printed twice, or repeated in the file.
  const int pages = GetParam().printerMakesCopies ? 1 : 2;
  const auto printed = cups_lab::Printed(Queue());
  EXPECT_EQ(cups_lab::PdfPages(printed), pages);
  EXPECT_EQ(DeviceCopies(), 2 / pages);
  const std::string text = cups_lab::Run("pdftotext -f " + std::to_string(pages) + " -l " + std::to_string(pages) +
                                         " '" + printed.string() + "' -");
  EXPECT_NE(text.find("Apiary :"), std::string::npos) << text;
  EXPECT_NE(text.find("North field"), std::string::npos);
  EXPECT_TRUE(LeftOver(tmp).empty());
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
}

TEST_P(PrintJobOnEachQueue, PageOneToOneWithTwoCopiesIsOneJobOfTwoPages) {
  test_support::TempDir tmp;
  Print(2, 1, 1);
  const auto jobs = cups_lab::FinishedJobsAfter(before_);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].copies, 1);
  EXPECT_EQ(cups_lab::PdfPages(cups_lab::Printed(Queue())), 2);
  EXPECT_EQ(DeviceCopies(), 1);
  EXPECT_TRUE(LeftOver(tmp).empty());
}

TEST_F(PrintJobOnCups, PagesTwoToFiveOfTheOnePageSheetPrintNothingAndSaySo) {
  test_support::TempDir tmp;
  EXPECT_THROW(Print(1, 2, 5), EReportError);
  EXPECT_TRUE(cups_lab::FinishedJobsAfter(before_).empty());
  EXPECT_TRUE(LeftOver(tmp).empty());
}

TEST_F(PrintJobOnCups, APrinterWithoutCopiesGetsThreeJobsOfOneSheet) {
  services_->Context().SetPrinters([] { return std::make_unique<TWithoutCopies>(); });
  form_->Report->Preview();  // its printer now declares no copies
  Print(3);
  EXPECT_EQ(status_, "Printer does not supports multiple copies");
  const auto jobs = cups_lab::FinishedJobsAfter(before_);
  ASSERT_EQ(jobs.size(), 3u);
  for (const auto& j : jobs) {
    EXPECT_EQ(j.copies, 1);
    EXPECT_EQ(j.state, IPP_JSTATE_COMPLETED);
  }
  EXPECT_EQ(cups_lab::PdfPages(cups_lab::PdfOut()), 1);  // the last job's
}

// Gone mid-job: the printers went with it, and the user reads that.
TEST_F(PrintJobOnCups, ASchedulerStoppedMidJobFailsPlainlyAndLeavesNoFiles) {
  const std::string script = cups_lab::Script();
  test_support::TempDir tmp;
  bool stopped = false;
  services_->Context().SetPrinters([&] {
    return std::make_unique<TWithoutCopies>([&] {
      cups_lab::Run("bash '" + script + "' stop");
      stopped = true;
    });
  });
  try {
    Print(2, 1, 1);
    ADD_FAILURE() << "a job no scheduler took was reported done";
  } catch (const EReportError& e) {
    EXPECT_STREQ(e.what(), kNoPrinterLeft);
  }
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(LeftOver(tmp).empty());
  cups_lab::Run("bash '" + script + "' start >/dev/null 2>&1");
}

// Both print paths against the sheet generated onto a 600 dpi PDF file, as
// rptool sheet does: the whole report within the queue's tolerance, the
// range (kept at the screen's resolution) within 0.15 mm more.
TEST_P(PrintJobOnEachQueue, RulesLieWhereTheFilePrintersDoOnBothPaths) {
  test_support::TempDir tmp;
  const QString reference = QString::fromStdString(tmp.File("sheet.pdf"));
  form_->Report->PrintOn(std::make_unique<TFilePlatformPrinter>(TFilePlatformPrinter::TFormat::Pdf, reference, 600));
  const std::vector<int> expected = Rules(reference.toStdString(), tmp);
  ASSERT_GE(expected.size(), 20u);
  struct { int from, to, tolerance; } paths[] = {{0, 0, GetParam().rulesWithin}, {1, 1, GetParam().rulesWithin + 3}};
  for (auto path : paths) {
    const int before = cups_lab::LastJobId();
    Print(1, path.from, path.to);
    const auto jobs = cups_lab::FinishedJobsAfter(before);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].name, "Record sheet \u2013 North field");
    const std::vector<int> got = Rules(cups_lab::Printed(Queue()).string(), tmp);
    ASSERT_EQ(got.size(), expected.size()) << "pages " << path.from;
    for (size_t i = 0; i < got.size(); ++i)
      EXPECT_NEAR(got[i], expected[i], path.tolerance) << "pages " << path.from << ", rule " << i;
  }
}

// A queue whose paper is Letter, "letter" chosen: the A4 sheet, scaled to
// fit, whole and centred on the Letter page, the same on both paths.
TEST_F(PrintJobOnCups, OnLetterTheWholeSheetIsScaledToFitOnBothPaths) {
  const std::string out = cups_lab::Printed("letter-pdf").string();
  TQtPlatformPrinter list;
  const auto names = list.Printers();
  queue_ = int(std::find(names.begin(), names.end(), "letter-pdf") - names.begin());
  ASSERT_LT(queue_, int(names.size())) << "no Letter queue";
  paper_ = 1;  // "letter"
  test_support::TempDir tmp;
  std::vector<int> first;
  for (auto [from, to] : {std::pair{0, 0}, {1, 1}}) {
    const int before = cups_lab::LastJobId();
    Print(1, from, to);
    ASSERT_EQ(cups_lab::FinishedJobsAfter(before).size(), 1u);
    EXPECT_NE(cups_lab::Run("pdfinfo '" + out + "'").find("612 x 792 pts (letter)"), std::string::npos);
    std::pair<int, int> margins;
    const std::vector<int> rules = Rules(out, tmp, &margins);
    ASSERT_GE(rules.size(), 20u);
    // Whole and centred across, within 0.5 mm.
    EXPECT_GT(margins.first, 0);
    EXPECT_GT(margins.second, 0);
    EXPECT_NEAR(margins.first, margins.second, 12);
    if (first.empty()) {
      first = rules;
      continue;
    }
    ASSERT_EQ(rules.size(), first.size());
    for (size_t i = 0; i < rules.size(); ++i) EXPECT_NEAR(rules[i], first[i], 4) << "rule " << i;
  }
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
}

TEST_F(PrintJobOnCups, TheWholeReportWithTheSchedulerGoneBeforeOkSaysSo) {
  const std::string script = cups_lab::Script();
  before_ok_ = [&] { cups_lab::Run("bash '" + script + "' stop"); };
  Print(1);
  cups_lab::Run("bash '" + script + "' start >/dev/null 2>&1");
  EXPECT_TRUE(cups_lab::FinishedJobsAfter(before_).empty());
  EXPECT_EQ(messages_, QStringList{"There is no printer to print on any more: nothing was printed"});
}

// What the user reads when a queue goes wrong around the print: a queue
// deleted while the dialog is open is gone; one whose device fails takes the
// job and then stops, which is told with CUPS's reason.
TEST_F(PrintJobOnCups, AQueueGoneOrStoppedIsToldInTheUsersTerms) {
  const std::string ppd = (cups_lab::Dir() / "ppd-src" / "file-pdf.ppd").string();
  const struct {
    const char* queue;
    const char* device;
    bool deletedBeforeOk;
    const char* message;
  } cases[] = {
      {"going-pdf", "file:///dev/null", true, "The printer going-pdf is gone: nothing was printed"},
      {"broken-serial", "serial:/dev/ttyBROODLOG", false,
       "The printer broken-serial has stopped, and the print job waits in its queue: "
       "Unable to open serial port: No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.queue);
    const std::string remove = std::string("lpadmin -x ") + c.queue + " 2>/dev/null";
    cups_lab::Run(std::string("lpadmin -p ") + c.queue + " -E -v " + c.device + " -P '" + ppd + "' 2>/dev/null");
    TQtPlatformPrinter list;
    const auto names = list.Printers();
    queue_ = int(std::find(names.begin(), names.end(), c.queue) - names.begin());
    ASSERT_LT(queue_, int(names.size()));
    before_ok_ = [&] {
      if (c.deletedBeforeOk) cups_lab::Run(remove);
    };
    messages_.clear();
    Print(1);
    EXPECT_TRUE(WaitUntil([&] { return !messages_.isEmpty(); }, std::chrono::seconds(6)));
    EXPECT_EQ(messages_.join('\n').toStdString(), c.message);
    cups_lab::Run(remove);
  }
}

// A print at once never waits on the print service: with the scheduler
// stopped (it takes connections and answers nothing) the preview goes on
// zooming and painting, and says within a few seconds that the service does
// not answer; with no scheduler at all, that it is not running. Stopped
// after it listed the printers, once the job has begun (a print server gone
// from the network mid-job), the hand-over waits aside: the window answers
// throughout, and within the patience the user reads that nothing was
// printed; no file of the job is left.
TEST_F(PrintJobOnCups, PrintAtOnceNeverWaitsOnTheService) {
  const std::string script = cups_lab::Script();
  const std::string pid = "$(cat '" + (cups_lab::Dir() / "run" / "cupsd.pid").string() + "')";
  const std::string stop = "kill -STOP " + pid, resume = "kill -CONT " + pid;
  const std::string noAnswerMidJob = "The print service does not answer: nothing was printed on file-pdf";
  struct {
    std::string halt, resume;
    std::string message;
    bool whenTheJobBegins;
  } cases[] = {{stop, resume, TfrmSelectPrinter::kServiceNotAnswering, false},
               {"bash '" + script + "' stop", "bash '" + script + "' start >/dev/null 2>&1",
                TfrmSelectPrinter::kServiceNotRunning, false},
               {stop, resume, noAnswerMidJob, true}};
  test_support::TempDir tmp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.halt);
    before_ = cups_lab::LastJobId();  // a restarted lab numbers its jobs anew
    if (c.whenTheJobBegins) {
      services_->Context().SetPrinters(
          [&] { return std::make_unique<TWithoutCopies>([&] { cups_lab::Run(c.halt); }, 5000); });
    }
    auto* preview = new TfrmPreview(nullptr);
    preview->SetReportPrinter(&R());
    preview->SetReport(form_->Report);
    preview->show();
    ASSERT_TRUE(WaitUntil([&] { return preview->RptPreview1->Image()->RenderCount() > 0; }));
    messages_.clear();
    if (!c.whenTheJobBegins) cups_lab::Run(c.halt);
    // The longest the interface thread went without running its loop.
    auto last = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration longest{};
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
      const auto now = std::chrono::steady_clock::now();
      longest = std::max(longest, now - last);
      last = now;
    });
    beat.start(20);
    const auto pressed = std::chrono::steady_clock::now();
    preview->SpeedButton1Click();
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(1));
    const int renders = preview->RptPreview1->Image()->RenderCount();
    preview->SpinEdit1->StepUp(preview->SpinEdit1);
    EXPECT_TRUE(WaitUntil([&] { return preview->RptPreview1->Image()->RenderCount() > renders; }));
    EXPECT_EQ(preview->RptPreview1->Zoom(), 60);
    EXPECT_TRUE(WaitUntil([&] { return !messages_.isEmpty(); }, std::chrono::seconds(15)));
    // The patience is 5 s.
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(c.whenTheJobBegins ? 6 : 10));
    EXPECT_LT(longest, std::chrono::seconds(1));
    EXPECT_EQ(messages_, QStringList{QString::fromStdString(c.message)});
    EXPECT_TRUE(LeftOver(tmp).empty());
    cups_lab::Run(c.resume + " && sleep 1");  // a request it was sent while halted is taken meanwhile
    delete preview;
    EXPECT_TRUE(cups_lab::FinishedJobsAfter(before_).empty());
  }
}

}  // namespace
