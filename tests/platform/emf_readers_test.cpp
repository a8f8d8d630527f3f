// Our pages read by independent readers: our structural check on libUEMF
// (tests/support/emf_check.cpp), LibreOffice's rendering and Inkscape's,
// compared with our own player's, on a sample that uses every kind of
// record and on the page the program really stores for the record sheet.
// A test skips, saying why, only where its reader is not installed;
// scripts/setup.sh installs them all.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <span>

#include "output/emf_format.h"
#include "output/emf_recorder.h"
#include "output/page_store.h"
#include "qt_files.h"
#include "platform/page_render.h"
#include "platform/qt_text_metrics.h"
#include "sample_pages.h"

namespace {

const QString kEmfCheck = QStringLiteral(BROODLOG_EMF_CHECK);
const QString kLibreOfficeScript = QStringLiteral(BROODLOG_SOURCE_DIR "/tests/support/emf_render_lo.py");
const QString kRptool = QStringLiteral(BROODLOG_RPTOOL);

// Every kind of record the recorder writes.
void DrawEverything(TCanvas& c) {
  c.Save();
  c.IntersectClipRect({0, 0, 300, 300});
  c.SetPen({TPenStyle::DashDot, 1, colors::Blue});
  c.SetBrush({TBrushStyle::Solid, colors::BtnFace});
  c.Rectangle({10, 10, 100, 60});
  c.Ellipse({10, 70, 100, 120});
  c.FillRect({120, 10, 200, 30});
  c.Restore();
  c.RemoveClip();
  c.SetBkColor(TColor::Rgb(255, 255, 0));
  c.SetTextAlign({THorzTextAlign::Right, TVertTextAlign::Bottom, true});
  c.TextOut(290, 200, "opaque", {true, true, true, {200, 180, 290, 200}});
  TLogFont f;
  f.escapement = 900;
  f.weight = 700;
  f.italic = true;
  c.SetFont(f);
  c.TextOut(150, 290, "up");
  c.TextOut(150, 290, "");
}

std::vector<std::uint8_t> Record(void (*draw)(TCanvas&), int w, int h) {
  TQtTextMetrics metrics(96);
  TEmfRecorder rec(metrics, w, h);
  draw(rec);
  return rec.Finish();
}


// Runs a program; returns its exit code (-1 when it could not run) and output.
int RunProgram(const QString& program, const QStringList& args, QString* output = nullptr, int timeoutMs = 120000) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!p.waitForStarted() || !p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return -1;
  }
  if (output) *output = QString::fromUtf8(p.readAll());
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

// The offset of the first record of `type`.
std::size_t FindRecord(const std::vector<std::uint8_t>& b, std::uint32_t type) {
  for (std::size_t at = 0; at + 8 <= b.size(); at += Get32(b, at + 4))
    if (Get32(b, at) == type || Get32(b, at + 4) == 0) return at;
  return b.size();
}

// The page the program stores for the record sheet: page 1 of the saved
// report `rptool sheet` writes, generated as "print note" generates it
// (here with the built-in headings). Made once; empty where rptool failed,
// with its output in `error`.
const std::vector<std::uint8_t>& RecordSheetPage(QString* error = nullptr) {
  static QString failure;
  static const std::vector<std::uint8_t> page = [] {
    QTemporaryDir dir;
    const QString rpt = dir.filePath("sheet.rpt");
    if (RunProgram(kRptool, {"sheet", rpt, "--apiary", "Hill top apiary", "--captions", dir.filePath("none.txt")},
                   &failure) != 0) {
      return std::vector<std::uint8_t>{};
    }
    TPageStore store;
    store.LoadFromFile(rpt.toStdString());
    return store.GetPageData(1).value_or(std::vector<std::uint8_t>{});
  }();
  if (error) *error = failure;
  return page;
}

// Where rules and figure edges lie: along a row or a column, from `from` to
// `to`, and how many rules our player draws there where the page fixes it.
struct TProbe {
  const char* name;
  bool alongRow;
  int at, from, to;
  int rules = -1;
};
// The sample: a column through the writing rows, a row through a cell, and
// across the rectangle and the ellipse (through the ellipse's centre, where
// its sides are steep; not through the text in the middle).
const TProbe kSampleProbes[] = {
    {"writing rows", false, 60, 60, 790},
    {"column rules", true, 430, 0, 1122},
    {"rectangle and ellipse, left", true, 130, 880, 945},
    {"rectangle and ellipse, right", true, 130, 1015, 1080},
    {"rectangle top and bottom", false, 1050, 60, 195},
};
// The record sheet's 51 rules: its 31 row rules down a column clear of the
// headings, and its 20 column rules across a writing row.
const TProbe kSheetProbes[] = {
    {"row rules", false, 370, 130, 790, 31},
    {"column rules", true, 300, 0, 1122, 20},
};

struct TPage {
  const char* name;
  std::vector<std::uint8_t> bytes;
  std::span<const TProbe> probes;
};

// The pages every reader reads.
std::vector<TPage> PagesToRead() {
  QString error;
  const std::vector<std::uint8_t>& sheet = RecordSheetPage(&error);
  EXPECT_FALSE(sheet.empty()) << "rptool sheet failed: " << error.toStdString();
  return {{"sample", Record(DrawSampleSheet, 1123, 794), kSampleProbes},
          {"record sheet", sheet, kSheetProbes}};
}

// The page with its text records made empty comments (EMR_COMMENT), which
// every reader skips: what is left is every line, figure and fill.
std::vector<std::uint8_t> WithoutText(std::vector<std::uint8_t> b) {
  constexpr std::uint32_t kComment = 70;
  for (std::size_t at = Get32(b, 4); at + 8 <= b.size() && Get32(b, at + 4) >= 12; at += Get32(b, at + 4)) {
    if (Get32(b, at) != emf::EMR_EXTTEXTOUTW) continue;
    const std::uint32_t size = Get32(b, at + 4);
    Put32(b, at, kComment);
    Put32(b, at + 8, size - 12);
    std::fill(b.begin() + std::ptrdiff_t(at + 12), b.begin() + std::ptrdiff_t(at + size), 0);
  }
  return b;
}

// The page with every brush made hollow: its lines and outlines, none
// hidden under a fill.
std::vector<std::uint8_t> WithoutFills(std::vector<std::uint8_t> b) {
  for (std::size_t at = Get32(b, 4); at + 8 <= b.size() && Get32(b, at + 4) >= 12; at += Get32(b, at + 4)) {
    if (Get32(b, at) == emf::EMR_CREATEBRUSHINDIRECT) Put32(b, at + 12, 1);  // BS_NULL
  }
  return b;
}

// Ink that `theirs` (showing our point p at p - shift) puts where ours has
// none within two pixels, neither as drawn nor under its fills (a reader
// may put a line a half pixel off, so that a fill no longer covers it
// whole): outlines and marks our player does not draw. Returns how many
// such pixels there are; `first` is the first of them.
int StrayInk(const QImage& theirs, const QImage& ours, const QImage& oursUnfilled, QPoint shift, QPoint* first) {
  auto dark = [](const QImage& img, QPoint p) { return img.rect().contains(p) && qGray(img.pixel(p)) < 200; };
  int count = 0;
  for (int y = 0; y < theirs.height(); ++y) {
    for (int x = 0; x < theirs.width(); ++x) {
      if (!dark(theirs, {x, y})) continue;
      const QPoint p = QPoint(x, y) + shift;
      bool near = false;
      for (int dy = -2; dy <= 2 && !near; ++dy)
        for (int dx = -2; dx <= 2 && !near; ++dx)
          near = dark(ours, p + QPoint(dx, dy)) || dark(oursUnfilled, p + QPoint(dx, dy));
      if (!near && count++ == 0) *first = p;
    }
  }
  return count;
}

TEST(EmfReaders, LibUemfFindsOurPagesSound) {
  if (kEmfCheck.isEmpty()) GTEST_SKIP() << "libuemf-dev is not installed (scripts/setup.sh installs it)";
  const QString checker = kEmfCheck;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString out;
  std::vector<TPage> pages = PagesToRead();
  pages.push_back({"everything", Record(DrawEverything, 300, 300), {}});
  pages.push_back({"empty", Record([](TCanvas&) {}, 10, 10), {}});
  for (const TPage& p : pages) {
    const QString file = dir.filePath(QString(p.name) + ".emf");
    ASSERT_TRUE(WriteFile(file, p.bytes));
    EXPECT_EQ(RunProgram(checker, {file}, &out), 0) << p.name << ": " << out.toStdString();
    EXPECT_TRUE(out.contains(" 0 error(s)")) << out.toStdString();
  }
}

// The check itself finds the faults it is there for.
TEST(EmfReaders, LibUemfCheckRejectsBrokenPages) {
  if (kEmfCheck.isEmpty()) GTEST_SKIP() << "libuemf-dev is not installed (scripts/setup.sh installs it)";
  constexpr std::uint32_t kCreatePen = 38, kDeleteObject = 40, kEof = 14;
  struct TBreak {
    const char* name;
    void (*apply)(std::vector<std::uint8_t>&);
    const char* says;
  } breaks[] = {
      {"records miscounted", [](auto& b) { Put32(b, 52, Get32(b, 52) + 1); }, "header counts"},
      {"size past the end", [](auto& b) { Put32(b, FindRecord(b, kEof) + 4, 400); }, "past the end"},
      {"pen index beyond the table", [](auto& b) { Put32(b, FindRecord(b, kCreatePen) + 8, 999); }, "outside the table"},
      {"object deleted that never was", [](auto& b) { Put32(b, FindRecord(b, kDeleteObject) + 8, 77); },
       "does not exist"},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const TBreak& k : breaks) {
    auto bytes = Record(DrawEverything, 300, 300);
    k.apply(bytes);
    const QString file = dir.filePath("broken.emf");
    ASSERT_TRUE(WriteFile(file, bytes));
    QString out;
    EXPECT_EQ(RunProgram(kEmfCheck, {file}, &out), 1) << k.name << ": " << out.toStdString();
    EXPECT_TRUE(out.contains(k.says)) << k.name << ": " << out.toStdString();
  }
}

struct TWord {
  QString text;
  QRectF box;  // pixels at 96 dpi
};

// pdftotext -bbox word boxes, converted from points to 96-dpi pixels.
std::vector<TWord> Words(const QString& pdf) {
  QString html;
  if (RunProgram("pdftotext", {"-bbox", pdf, "-"}, &html) != 0) return {};
  static const QRegularExpression re(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  std::vector<TWord> words;
  const double k = 96.0 / 72.0;
  for (auto it = re.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    const QPointF a(m.captured(1).toDouble() * k, m.captured(2).toDouble() * k);
    const QPointF b(m.captured(3).toDouble() * k, m.captured(4).toDouble() * k);
    words.push_back({m.captured(5), QRectF(a, b)});
  }
  return words;
}

// Centres of the runs of dark pixels along a row (horizontal) or column.
std::vector<double> Rules(const QImage& img, bool alongRow, int at, int from, int to) {
  std::vector<double> centres;
  int start = -1;
  for (int i = from; i <= to + 1; ++i) {
    const bool dark = i <= to && qGray(alongRow ? img.pixel(i, at) : img.pixel(at, i)) < 200;
    if (dark && start < 0) start = i;
    if (!dark && start >= 0) {
      centres.push_back((start + i - 1) / 2.0);
      start = -1;
    }
  }
  return centres;
}

std::string Describe(const std::vector<double>& v) {
  std::string s;
  for (double d : v) s += std::to_string(d) + " ";
  return s;
}

// Every probe finds the same rules in `theirs` as in `ours`, to within two
// pixels, where `theirs` shows our point p at p - shift; and ours has the
// rules the page fixes. Returns the largest difference.
double ExpectRulesAsOurs(const char* reader, const QImage& theirs, const QImage& ours, std::span<const TProbe> probes,
                         QPoint shift = {}) {
  double worst = 0;
  for (const TProbe& p : probes) {
    const int along = p.alongRow ? shift.x() : shift.y(), across = p.alongRow ? shift.y() : shift.x();
    const int from = std::max(p.from, along);
    auto a = Rules(theirs, p.alongRow, p.at - across, from - along, p.to - along);
    for (double& v : a) v += along;
    const auto b = Rules(ours, p.alongRow, p.at, from, p.to);
    if (p.rules >= 0) {
      EXPECT_EQ(int(b.size()), p.rules) << p.name << ": our player " << Describe(b);
    }
    EXPECT_FALSE(a.empty()) << p.name << ": " << reader << " drew nothing there";
    EXPECT_EQ(a.size(), b.size()) << p.name << ": " << reader << " " << Describe(a) << "/ ours " << Describe(b);
    if (a.size() != b.size()) continue;
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_NEAR(a[i], b[i], 2.0) << reader << ", " << p.name << " #" << i;
      worst = std::max(worst, std::abs(a[i] - b[i]));
    }
  }
  return worst;
}

// Writes each page into dir twice: as it is (NAME.emf) and without its text
// (NAME-lines.emf). Returns the names without ".emf", two a page.
QStringList WritePages(const QTemporaryDir& dir, const std::vector<TPage>& pages) {
  QStringList bases;
  for (const TPage& p : pages) {
    const QString base = dir.filePath(QString(p.name).replace(' ', '-'));
    EXPECT_TRUE(WriteFile(base + ".emf", p.bytes));
    EXPECT_TRUE(WriteFile(base + "-lines.emf", WithoutText(p.bytes)));
    bases << base << base + "-lines";
  }
  return bases;
}

// A reader's picture of a page (`theirs`, showing our point p at p - shift)
// and of the page without its text (`lines`) must show what our player
// draws: the probes' rules where ours are, and no line, outline or fill
// where ours has none. Returns the largest difference in the rules.
double ExpectDrawnAsOurs(const char* reader, const TPage& page, const QImage& theirs, const QImage& lines,
                         QPoint shift) {
  const QImage ours = RenderPageImage(page.bytes, 96).convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(theirs.size(), ours.size());
  const double worst = ExpectRulesAsOurs(reader, theirs, ours, page.probes, shift);
  const auto bare = WithoutText(page.bytes);
  const QImage ourLines = RenderPageImage(bare, 96).convertToFormat(QImage::Format_RGB32);
  const QImage ourUnfilled = RenderPageImage(WithoutFills(bare), 96).convertToFormat(QImage::Format_RGB32);
  QPoint first;
  const int stray = StrayInk(lines, ourLines, ourUnfilled, shift, &first);
  EXPECT_EQ(stray, 0) << reader << " draws " << stray << " pixels where our player draws nothing, the first at "
                      << first.x() << "," << first.y();
  return worst;
}

TEST(EmfReaders, LibreOfficeRendersOurPagesLikeOurPlayer) {
  if (QStandardPaths::findExecutable("soffice").isEmpty() || QStandardPaths::findExecutable("pdftotext").isEmpty() ||
      RunProgram("/usr/bin/python3", {"-c", "import uno"}) != 0) {
    GTEST_SKIP() << "LibreOffice, python3-uno or poppler-utils is not installed (scripts/setup.sh installs them)";
  }
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::vector<TPage> pages = PagesToRead();
  ASSERT_FALSE(pages.back().bytes.empty());
  const QStringList bases = WritePages(dir, pages);
  QStringList args = {kLibreOfficeScript, "--png", "1123x794"};
  for (const QString& base : bases) args << base + ".emf" << base;
  QString out;
  ASSERT_EQ(RunProgram("/usr/bin/python3", args, &out, 180000), 0) << out.toStdString();
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const TPage& page = pages[i];
    SCOPED_TRACE(page.name);
    const QString base = bases[int(2 * i)];
    const QImage lo = QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
    const QImage loLines = QImage(bases[int(2 * i + 1)] + ".png").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(lo.size(), QSize(1123, 794)) << out.toStdString();
    const double worstRule = ExpectDrawnAsOurs("LibreOffice", page, lo, loLines, {});

    // Every word where LibreOffice puts it, to within two pixels.
    WritePagePdf(page.bytes, base + "-ours.pdf");
    const auto loWords = Words(base + ".pdf");
    const auto ourWords = Words(base + "-ours.pdf");
    ASSERT_FALSE(loWords.empty()) << "LibreOffice's PDF has no text";
    ASSERT_EQ(loWords.size(), ourWords.size());
    double worstWord = 0;
    for (const TWord& w : loWords) {
      const TWord* best = nullptr;
      double bestDistance = 1e9;
      for (const TWord& o : ourWords) {
        const double d = std::hypot(o.box.center().x() - w.box.center().x(), o.box.center().y() - w.box.center().y());
        if (o.text == w.text && d < bestDistance) best = &o, bestDistance = d;
      }
      ASSERT_NE(best, nullptr) << "no word " << w.text.toStdString() << " in our rendering";
      const std::string name = w.text.toStdString();
      EXPECT_NEAR(best->box.left(), w.box.left(), 2.0) << name;
      EXPECT_NEAR(best->box.right(), w.box.right(), 2.0) << name;
      EXPECT_NEAR(best->box.top(), w.box.top(), 2.0) << name;
      EXPECT_NEAR(best->box.bottom(), w.box.bottom(), 2.0) << name;
      for (double d : {best->box.left() - w.box.left(), best->box.right() - w.box.right(),
                       best->box.top() - w.box.top(), best->box.bottom() - w.box.bottom()}) {
        worstWord = std::max(worstWord, std::abs(d));
      }
    }
    std::cout << page.name << ": largest difference from LibreOffice: rules " << worstRule << " px, word boxes "
              << worstWord << " px (" << loWords.size() << " words)\n";
  }
}

// Inkscape starts with no pen and no brush, so it draws only what a page
// selects; it ignores the text advances, so only the rules and the rest of
// the drawing are compared. It puts the header's bounds' corner at the
// picture's origin where [MS-EMF] has the frame surround the picture (our
// frame is the whole page, the bounds what was drawn, as GDI writes them),
// so its picture shows our point p at p - the bounds' corner.
TEST(EmfReaders, InkscapeDrawsOurPagesWhereOurPlayerDoes) {
  const QString inkscape = QStandardPaths::findExecutable("inkscape");
  if (inkscape.isEmpty()) GTEST_SKIP() << "inkscape is not installed (scripts/setup.sh installs it)";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::vector<TPage> pages = PagesToRead();
  ASSERT_FALSE(pages.back().bytes.empty());
  const QStringList bases = WritePages(dir, pages);
  QStringList args;
  for (const QString& base : bases) args << base + ".emf";
  args << "--export-type=png" << "--export-dpi=96" << "--export-background=white" << "--export-background-opacity=1";
  QString out;
  ASSERT_EQ(RunProgram(inkscape, args, &out, 180000), 0) << out.toStdString();
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const TPage& page = pages[i];
    SCOPED_TRACE(page.name);
    const QImage drawn = QImage(bases[int(2 * i)] + ".png").convertToFormat(QImage::Format_RGB32);
    const QImage lines = QImage(bases[int(2 * i + 1)] + ".png").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(drawn.size(), QSize(1123, 794)) << out.toStdString();
    const QPoint corner(int(Get32(page.bytes, 8)), int(Get32(page.bytes, 12)));
    std::cout << page.name << ": Inkscape puts the bounds' corner " << corner.x() << "," << corner.y()
              << " px at its origin; rules within " << ExpectDrawnAsOurs("Inkscape", page, drawn, lines, corner)
              << " px of ours\n";
  }
}

}  // namespace
