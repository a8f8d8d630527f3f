// The record sheet as it comes out: one page, every rule where the sheet's
// tables put it (computed here from those tables, in layout units of
// 1/96 inch), every heading and header text, on a 600-dpi image and PDF.

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <memory>

#include "app/broodlog_form.h"
#include "app/caption_file.h"
#include "app/sheet_captions.h"
#include "app/text_to_broodlog.h"
#include "app/preview_form.h"
#include "widgets/report_preview.h"
#include "fake_platform_printer.h"
#include "output/stored_page.h"
#include "platform/engine_services.h"
#include "platform/file_printer.h"

namespace {

constexpr int kDpi = 600;
constexpr double kUnit = 254.0 / 96;  // 0.1 mm per layout unit
constexpr double kDetailTop = 171;    // 0.1 mm: top margin 100 + the 27-unit header, rounded
const int kVerticalRules[20] = {40, 64, 88, 120, 144, 168, 192, 216, 240, 264,
                                288, 312, 472, 640, 664, 688, 712, 736, 760, 784};

int Device(double stored) { return int(std::lround(stored * kDpi / 254)); }

// A whole page at 600 dpi is larger than Qt reads by default.
QImage Load(const QString& file) {
  const int limit = QImageReader::allocationLimit();
  QImageReader::setAllocationLimit(512);
  QImage image = QImageReader(file).read();
  QImageReader::setAllocationLimit(limit);
  return image;
}

// Dark runs along a row or column of an image: the middle of each run.
std::vector<int> DarkRuns(const QImage& image, bool alongX, int fixed) {
  std::vector<int> runs;
  const int n = alongX ? image.width() : image.height();
  int start = -1;
  for (int i = 0; i <= n; ++i) {
    const bool dark = i < n && qGray(alongX ? image.pixel(i, fixed) : image.pixel(fixed, i)) < 128;
    if (dark && start < 0) start = i;
    if (!dark && start >= 0) {
      runs.push_back((start + i - 1) / 2);
      start = -1;
    }
  }
  return runs;
}

void ExpectNear(const std::vector<int>& found, const std::vector<int>& expected, const char* what) {
  ASSERT_EQ(found.size(), expected.size()) << what;
  for (std::size_t i = 0; i < found.size(); ++i) EXPECT_LE(std::abs(found[i] - expected[i]), 1) << what << " " << i;
}

// The PDF's page as a 600-dpi image, through Poppler; null without it.
QImage Rasterize(const QString& pdf, const QString& stem) {
  const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
  if (pdftoppm.isEmpty()) return {};
  if (QProcess::execute(pdftoppm, {"-r", QString::number(kDpi), "-png", "-singlefile", pdf, stem}) != 0) return {};
  return Load(stem + ".png");
}

bool HavePoppler() { return !QStandardPaths::findExecutable("pdftoppm").isEmpty(); }

// Checks the rules of a 600-dpi picture of the whole landscape page.
void CheckRules(const QImage& page) {
  ASSERT_LE(std::abs(page.width() - Device(2970)), 1);  // a PDF page is whole points
  // Down a column of the remarks area (1000 units in): the header's bottom
  // frame line just above the detail band, then the 31 row rules.
  std::vector<int> rows = {Device(kDetailTop) - 3};
  for (int k = 0; k <= 30; ++k) rows.push_back(Device(kDetailTop + (100 + 20 * k + 0.5) * kUnit));
  ExpectNear(DarkRuns(page, false, Device(100 + 1000 * kUnit)), rows, "rows");
  // Across the middle of writing row 15: the 20 column rules, none at the
  // band's edges.
  std::vector<int> columns;
  for (int left : kVerticalRules) columns.push_back(Device(100 + (left + 0.5) * kUnit));
  ExpectNear(DarkRuns(page, true, Device(kDetailTop + 390 * kUnit)), columns, "columns");
}

class RecordSheetTest : public ::testing::Test {
 protected:
  TEngineServices services;
  QTemporaryDir dir;
};

TEST_F(RecordSheetTest, PreviewMakesExactlyOnePage) {
  TFormBroodlog form(services.Context());
  form.Report->OnPreview = [](TReportPrinter&) {};
  form.Report->Preview();
  ASSERT_NE(form.Report->ReportPrinter(), nullptr);
  EXPECT_EQ(form.Report->ReportPrinter()->PageCount(), 1);
  auto page = form.Report->ReportPrinter()->GetPage(1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->WidthPx(), 1123);
  EXPECT_EQ(page->HeightPx(), 794);
}

TEST_F(RecordSheetTest, RulesLieWhereTheTablesPutThemOnA600DpiImage) {
  TFormBroodlog form(services.Context());
  const QString file = dir.filePath("sheet.png");
  form.Report->PrintOn(std::make_unique<TFilePlatformPrinter>(TFilePlatformPrinter::TFormat::Png, file, kDpi));
  QImage image = Load(file);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.height(), Device(2100));
  CheckRules(image);
}

TEST_F(RecordSheetTest, RulesLieWhereTheTablesPutThemOnThePdf) {
  if (!HavePoppler()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
  TFormBroodlog form(services.Context());
  const QString file = dir.filePath("sheet.pdf");
  form.Report->PrintOn(std::make_unique<TFilePlatformPrinter>(TFilePlatformPrinter::TFormat::Pdf, file, kDpi));
  QImage image = Rasterize(file, dir.filePath("pdf"));
  ASSERT_FALSE(image.isNull());
  CheckRules(image);
}

// "Save as PDF" in the preview regenerates the sheet onto the file as a
// printer would get it; closing the window then ends the preview's wait.
TEST_F(RecordSheetTest, SaveAsPdfFromThePreviewHoldsThePrintedSheet) {
  if (!HavePoppler()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
  const QString file = dir.filePath("saved.pdf");
  TFormBroodlog form(services.Context());
  form.Report->OnPreview = [&](TReportPrinter& printer) {
    auto* window = new TfrmPreview;
    window->RptPreview1->SetReportPrinter(&printer);
    window->SetReport(form.Report);
    window->show();
    // Once generation has ended, as a user's click would come.
    auto* timer = new QTimer(window);
    QObject::connect(timer, &QTimer::timeout, window, [&form, window, file] {
      if (!form.Report->Idle()) return;
      window->SaveAsPdf(file);
      window->close();
    });
    timer->start(5);
  };
  form.Report->Preview();
  QImage image = Rasterize(file, dir.filePath("saved"));
  ASSERT_FALSE(image.isNull());
  CheckRules(image);
}

TEST_F(RecordSheetTest, HeadingsAndHeaderTextsAreDrawnAsDefined) {
  std::vector<TFakeJob> jobs;
  TFormBroodlog form(services.Context());
  form.SetApiaryName("Hill top");
  form.Report->PrintOn(std::make_unique<TFakePlatformPrinter>(std::vector{CapableQueue("p")}, 0, kDpi, &jobs));
  ASSERT_EQ(jobs.size(), 1u);
  ASSERT_EQ(jobs[0].sheets.size(), 1u);
  std::vector<std::string> down, across, header;
  for (const std::string& line : jobs[0].sheets[0].lines) {
    if (line.rfind("Text(", 0) != 0) continue;
    const auto q = line.find('"');
    const std::string text = line.substr(q + 1, line.find('"', q + 1) - q - 1);
    if (line.find("esc2700") != std::string::npos) {
      down.push_back(text);
    } else if (line.find("/11/") != std::string::npos || line.find("/67/") != std::string::npos) {
      across.push_back(text);
    } else {
      header.push_back(text);
    }
  }
  EXPECT_EQ(down, (std::vector<std::string>{"Date/hive", "feed given", "Honey harvest", "Diseas (1-5)",
                                            "Steadiness (1-5)", "Aggressivity (1-5)", "Swarming (1-5)",
                                            "bee strenght", "+- boxes/frames", "Revised the brood", "extra1",
                                            "Varroa count", "Varroa", "extra4", "extra3", "extra2", "extra4",
                                            "extra4"}));
  EXPECT_EQ(across, (std::vector<std::string>{"Medicine/treatment", "Disease", "remarks"}));
  const std::string today =
      QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
  EXPECT_EQ(header, (std::vector<std::string>{"Hill top", today, "Apiary :", "Date :"}));
  EXPECT_EQ(jobs[0].mode.orientation, 2);
  EXPECT_EQ(jobs[0].mode.paperCode, 9);
}

// The headings take the caption file's lines by their tags, walking the
// form's components in order and stopping at the first line missing.
TEST_F(RecordSheetTest, HeadingsTakeTheCaptionFileUpToItsFirstMissingLine) {
  auto lines = [](int n, const std::function<std::string(int)>& text) {
    std::string bytes;
    for (int i = 0; i < n; ++i) bytes += text(i) + "\r\n";
    return bytes;
  };
  struct { std::string file; int applied; std::function<std::string(int)> expected; } cases[] = {
      {"", 0, [](int tag) { return std::string(kSheetDesignCaptions[tag]); }},
      {lines(10, [](int i) { return "line " + std::to_string(i); }), 10,
       [](int tag) { return tag < 10 ? "line " + std::to_string(tag) : std::string(kSheetDesignCaptions[tag]); }},
      {lines(21, [](int i) { return std::string(Ttext_to_broodlog::kDefaultTexts[i]); }), 21,
       [](int tag) { return std::string(Ttext_to_broodlog::kDefaultTexts[tag]); }},
  };
  for (const auto& c : cases) {
    const QString name = dir.filePath("captions.txt");
    QFile::remove(name);
    if (!c.file.empty()) {
      QFile f(name);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.file.data(), qint64(c.file.size()));
    }
    TFormBroodlog form(services.Context());
    TCaptionList list;
    EXPECT_EQ(ApplySheetTexts(form, list, name, "Hill"), c.applied);
    for (int tag = 0; tag < TFormBroodlog::kHeadingCount; ++tag)
      EXPECT_EQ(form.HeadingByTag(tag)->Caption(), c.expected(tag)) << c.applied << " lines, tag " << tag;
    EXPECT_EQ(form.RptLabel1->Caption(), "Hill");
  }
}

TEST_F(RecordSheetTest, PrintJobsAreNamedAfterTheSheetUnlessTheReportHasATitle) {
  TFormBroodlog form(services.Context());
  form.SetApiaryName("");
  EXPECT_EQ(form.Report->ReportTitle(), "Record sheet");
  form.SetApiaryName("Hill top");
  EXPECT_EQ(form.Report->ReportTitle(), "Record sheet \u2013 Hill top");
  form.Report->SetReportTitle("Spring survey");
  form.SetApiaryName("North field");
  EXPECT_EQ(form.Report->ReportTitle(), "Spring survey");
}

TEST_F(RecordSheetTest, ALongApiaryNameWidensItsLabelAndLeavesTheDateWhereItIs) {
  TFormBroodlog form(services.Context());
  const int dateLeft = form.RptSysData1->Left();
  form.SetApiaryName(std::string(60, 'W'));
  EXPECT_EQ(form.RptLabel1->Left(), 77);
  EXPECT_GT(form.RptLabel1->Width(), 500);
  EXPECT_EQ(form.RptSysData1->Left(), dateLeft);
}

}  // namespace
