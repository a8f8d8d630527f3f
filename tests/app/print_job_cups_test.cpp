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

#include <filesystem>

#include "../output/test_support.h"
#include "app/broodlog_form.h"
#include "app/select_printer.h"
#include "cups_lab.h"
#include "generation/report.h"
#include "output/report_printer.h"
#include "platform/application.h"
#include "platform/engine_services.h"
#include "platform/file_printer.h"
#include "platform/qt_printer.h"
#include "report/report_error.h"
#include "widgets/spin.h"

namespace {

// The real queue, but declaring no copies: what a printer that cannot make
// them looks like to the report printer. Optionally stops the scheduler
// once a job has begun.
class TWithoutCopies : public TPlatformPrinter {
 public:
  explicit TWithoutCopies(std::function<void()> onBegin = {}) : on_begin_(std::move(onBegin)) {}
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
    TApplication::SetExceptionHandler([this](const QString& m) { messages_ << m; });
    services_ = std::make_unique<TEngineServices>();
    InstallQtPlatformPrinters();
    form_ = std::make_unique<TFormBroodlog>();
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
    SetPlatformPrinterFactory({});
    SetApplicationPrinterIndex(-1);
    TApplication::SetExceptionHandler({});
  }

  TReportPrinter& R() { return *form_->Report->ReportPrinter(); }

  // The print button's job, with the dialog set as a user would set it;
  // then the posted print requests run.
  void Print(int copies, int from = 0, int to = 0) {
    RunPrintJob(R(), form_->Report, [&](TfrmSelectPrinter& d) {
      d.show();
      d.cbPrinters->setCurrentIndex(pdf_queue_);
      d.cbPrintersChange();
      status_ = d.StatusLbl->text();
      d.CopiesSe->SetValue(copies);
      if (from != 0 || to != 0) {
        d.RangeRb->click();
        d.FromEdt->setText(QString::number(from));
        d.ToEdt->setText(QString::number(to));
      }
      d.BitBtn1->click();
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

  std::unique_ptr<TEngineServices> services_;
  std::unique_ptr<TFormBroodlog> form_;
  int pdf_queue_ = -1;
  int before_ = 0;
  QString status_;
  QStringList messages_;
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

TEST_F(PrintJobOnCups, PagesTwoToFiveOfTheOnePageSheetPrintNothing) {
  test_support::TempDir tmp;
  Print(1, 2, 5);
  EXPECT_TRUE(cups_lab::FinishedJobsAfter(before_).empty());
  EXPECT_TRUE(LeftOver(tmp).empty());
}

TEST_F(PrintJobOnCups, APrinterWithoutCopiesGetsThreeJobsOfOneSheet) {
  SetPlatformPrinterFactory([] { return std::make_unique<TWithoutCopies>(); });
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

TEST_F(PrintJobOnCups, ASchedulerStoppedMidJobFailsPlainlyAndLeavesNoFiles) {
  const std::string script = cups_lab::Script();
  test_support::TempDir tmp;
  bool stopped = false;
  SetPlatformPrinterFactory([&] {
    return std::make_unique<TWithoutCopies>([&] {
      cups_lab::Run("bash '" + script + "' stop");
      stopped = true;
    });
  });
  try {
    Print(2, 1, 1);
    ADD_FAILURE() << "a job no scheduler took was reported done";
  } catch (const EReportError& e) {
    EXPECT_NE(std::string(e.what()).find("could not be handed to file-pdf"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(LeftOver(tmp).empty());
  cups_lab::Run("bash '" + script + "' start >/dev/null 2>&1");
}

TEST_P(PrintJobOnEachQueue, RulesLieWhereTheFilePrintersDo) {
  // The same sheet generated onto a 600 dpi PDF file, as rptool sheet does.
  test_support::TempDir tmp;
  const QString reference = QString::fromStdString(tmp.File("sheet.pdf"));
  form_->Report->PrintOn(std::make_unique<TFilePlatformPrinter>(TFilePlatformPrinter::TFormat::Pdf, reference, 600));
  Print(1);
  ASSERT_EQ(cups_lab::FinishedJobsAfter(before_).size(), 1u);
  const std::string printed = tmp.File("printed.pdf");
  std::filesystem::copy_file(cups_lab::Printed(Queue()), printed);

  // Where the vertical rules cross a row through the writing lines, at
  // 600 dpi. The printed sheet may lie on the paper turned either way, so
  // both are taken in their reading orientation: wider than high, with the
  // header line ("Apiary") on top.
  QImageReader::setAllocationLimit(512);  // a whole sheet at 600 dpi
  auto rules = [&](const std::string& pdf, const std::string& stem) {
    cups_lab::Run("pdftoppm -r 600 -gray -singlefile '" + pdf + "' '" + tmp.File(stem) + "'");
    QImage img(QString::fromStdString(tmp.File(stem + ".pgm")));
    std::vector<int> xs;
    if (img.isNull()) return xs;
    if (img.height() > img.width()) {
      const std::string words = cups_lab::Run("pdftotext -bbox '" + pdf + "' - | grep '>Apiary<'");
      const auto at = words.find("yMin=\"");
      const bool headerBelow = at != std::string::npos && std::atof(words.c_str() + at + 6) * 600 / 72 > img.height() / 2.0;
      img = img.transformed(QTransform().rotate(headerBelow ? 90 : -90));
    }
    const int y = img.height() * 3 / 4;
    bool dark = false;
    for (int x = 0; x < img.width(); ++x) {
      const bool d = qGray(img.pixel(x, y)) < 128;
      if (d && !dark) xs.push_back(x);
      dark = d;
    }
    std::filesystem::remove(tmp.File(stem + ".pgm"));
    return xs;
  };
  const std::vector<int> expected = rules(reference.toStdString(), "reference");
  const std::vector<int> got = rules(printed, "printed");
  ASSERT_GE(expected.size(), 20u);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], GetParam().rulesWithin) << "rule " << i;
}

}  // namespace
