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
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "sheet/broodlog_form.h"
#include "app/caption_file.h"
#include "app/sheet_captions.h"
#include "app/text_to_broodlog.h"
#include "app/preview_form.h"
#include "widgets/report_preview.h"
#include "fake_platform_printer.h"
#include "output/stored_page.h"
#include "platform/engine_services.h"
#include "platform/file_printer.h"
#include "platform/translations.h"

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
    window->SetReportPrinter(&printer);
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

namespace {

// A text the sheet drew and the box its label cleared for it, device pixels.
struct TDrawn {
  std::string text;
  int x = 0;
  TRect box;  // the white background drawn just before it
};

std::vector<TDrawn> DrawnTexts(const TFakeJob& job) {
  std::vector<TDrawn> out;
  TRect box{};
  for (const std::string& line : job.sheets.at(0).lines) {
    TRect r;
    if (std::sscanf(line.c_str(), "FillRect(%d,%d,%d,%d)", &r.left, &r.top, &r.right, &r.bottom) == 4) box = r;
    if (line.rfind("Text(", 0) != 0) continue;
    const auto q = line.find('"');
    out.push_back({line.substr(q + 1, line.find('"', q + 1) - q - 1), std::stoi(line.substr(5)), box});
  }
  return out;
}

const TDrawn& Find(const std::vector<TDrawn>& drawn, const std::string& start) {
  for (const TDrawn& d : drawn)
    if (d.text.rfind(start, 0) == 0) return d;
  static const TDrawn none{"<none>", 0, {}};
  ADD_FAILURE() << "nothing drawn starts with " << start;
  return none;
}

}  // namespace

// A 300-character apiary name and headings of 22 characters leave every
// other text whole: the name is cut before "Date :" (the print job keeps it
// whole), and each heading written across stays between its column's rules.
TEST_F(RecordSheetTest, LongNamesAndHeadingsLeaveEveryOtherTextWhole) {
  const QString captions = dir.filePath("captions.txt");
  {
    QFile f(captions);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (int i = 0; i < 21; ++i) f.write("ABCDEFGHIJKLMNOPQRSTUV\r\n");
  }
  std::string name;
  for (int i = 0; name.size() < 300; ++i) name += "Apiary" + std::string(i < 10 ? "00" : "0") + std::to_string(i) + " ";
  name.resize(300);
  TFormBroodlog form(services.Context());
  TCaptionList list;
  ApplySheetTexts(form, list, captions, QString::fromStdString(name));
  EXPECT_EQ(form.Report->ReportTitle(), "Record sheet \u2013 " + name);
  std::vector<TFakeJob> jobs;
  form.Report->PrintOn(std::make_unique<TFakePlatformPrinter>(std::vector{CapableQueue("p")}, 0, kDpi, &jobs));
  ASSERT_EQ(jobs.size(), 1u);
  const std::vector<TDrawn> drawn = DrawnTexts(jobs[0]);

  const TDrawn& apiary = Find(drawn, "Apiary000");
  const TDrawn& date = Find(drawn, "Date :");
  EXPECT_LT(apiary.box.right, date.box.left) << "the name runs into \"Date :\"";
  EXPECT_NE(apiary.text.find("\u2026"), std::string::npos) << "the cut name shows it is cut";
  EXPECT_GT(apiary.text.size(), 100u) << "as much of the name as fits";
  EXPECT_LT(date.box.right, Find(drawn, QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)
                                            .toStdString()).x);
  // Across headings: tag 13 between the rules at 472 and 640 (the 13th and
  // 14th), tag 12 between 312 and 472, tag 20 from 784 to the end of the
  // ruled rows; found where the sheet drew its rules.
  std::vector<int> rules;
  int rowsRight = 0;
  for (const std::string& line : jobs[0].sheets[0].lines) {
    int x0, y0, x1, y1;
    if (std::sscanf(line.c_str(), "Line(%d,%d->%d,%d)", &x0, &y0, &x1, &y1) != 4) continue;
    if (x0 == x1) rules.push_back(x0);
    else rowsRight = std::max({rowsRight, x0, x1});
  }
  ASSERT_EQ(rules.size(), 20u);
  std::sort(rules.begin(), rules.end());
  const struct {
    int tag, left, right;
  } columns[] = {{13, rules[12], rules[13]}, {12, rules[11], rules[12]}, {20, rules[19], rowsRight}};
  int across = 0;
  for (const TDrawn& d : drawn) {
    if (d.text.rfind("ABCDEFGH", 0) != 0 || d.box.right - d.box.left < d.box.bottom - d.box.top) continue;
    ASSERT_LT(across, 3);
    const auto& c = columns[across++];  // in the order the sheet draws them
    EXPECT_GT(d.box.left, c.left) << "tag " << c.tag;
    EXPECT_LT(d.box.right, c.right) << "tag " << c.tag;
  }
  EXPECT_EQ(across, 3);
}

// In German "Apiary :" and "Date :" are wider; the name and the date keep
// clear of them, the date at its place.
TEST_F(RecordSheetTest, WiderTranslatedCaptionsMakeRoomAndTheDateStays) {
  TFormBroodlog english(services.Context());
  english.SetApiaryName("Linde");
  InstallTranslations(QLocale(QStringLiteral("de_DE")), {QStringLiteral(BROODLOG_BINARY_DIR "/src/app/translations")});
  TFormBroodlog form(services.Context());
  RemoveTranslations();
  form.SetApiaryName("Linde");
  ASSERT_EQ(form.RptLabel2->Caption(), "Bienenstand :");
  std::vector<TFakeJob> jobs;
  form.Report->PrintOn(std::make_unique<TFakePlatformPrinter>(std::vector{CapableQueue("p")}, 0, kDpi, &jobs));
  ASSERT_EQ(jobs.size(), 1u);
  const std::vector<TDrawn> drawn = DrawnTexts(jobs[0]);
  EXPECT_LT(Find(drawn, "Bienenstand :").box.right, Find(drawn, "Linde").box.left);
  EXPECT_LT(Find(drawn, "Datum :").box.right, Find(drawn, "Datum :").box.right + 1);
  const std::string today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
  EXPECT_LT(Find(drawn, "Datum :").box.right, Find(drawn, today).box.left);
  EXPECT_EQ(form.RptSysData1->Left(), english.RptSysData1->Left());
  EXPECT_EQ(english.RptLabel1->Left(), 77);  // English fits: the places as designed
  EXPECT_EQ(english.RptLabel3->Left(), 849);
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
