// Our pages read by independent readers: libUEMF's structural check and
// LibreOffice's rendering, compared with our own player's. Each test skips,
// saying why, where a reader is not installed; CI installs them.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <iostream>

#include "output/emf_recorder.h"
#include "platform/page_render.h"
#include "platform/qt_text_metrics.h"
#include "sample_pages.h"

namespace {

const QString kTools = QStringLiteral(BROODLOG_SHARED_TOOLS);

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

bool WriteFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) &&
         f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
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

TEST(EmfReaders, LibUemfFindsOurPagesSound) {
  const QString source = kTools + "/emf-structure-check.c";
  if (!QFile::exists(source)) GTEST_SKIP() << "no " << source.toStdString() << " next to the checkout";
  const QString gcc = QStandardPaths::findExecutable("gcc");
  if (gcc.isEmpty()) GTEST_SKIP() << "gcc not installed";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString checker = dir.filePath("emf-structure-check");
  QString out;
  if (RunProgram(gcc, {"-O2", "-o", checker, source, "-luemf"}, &out) != 0) {
    GTEST_SKIP() << "cannot build the libUEMF checker (libuemf-dev missing?): " << out.toStdString();
  }
  struct TPage {
    const char* name;
    std::vector<std::uint8_t> bytes;
  };
  const TPage pages[] = {
      {"sheet", Record(DrawSampleSheet, 1123, 794)},
      {"everything", Record(DrawEverything, 300, 300)},
      {"empty", Record([](TCanvas&) {}, 10, 10)},
  };
  for (const TPage& p : pages) {
    const QString file = dir.filePath(QString(p.name) + ".emf");
    ASSERT_TRUE(WriteFile(file, p.bytes));
    EXPECT_EQ(RunProgram(checker, {file}, &out), 0) << p.name << ": " << out.toStdString();
    EXPECT_TRUE(out.contains(" 0 error(s)")) << out.toStdString();
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

TEST(EmfReaders, LibreOfficeRendersOurPageLikeOurPlayer) {
  const QString oracle = kTools + "/emf-oracle-render.py";
  if (!QFile::exists(oracle)) GTEST_SKIP() << "no " << oracle.toStdString() << " next to the checkout";
  if (!QFile::exists("/usr/bin/python3") || QStandardPaths::findExecutable("soffice").isEmpty() ||
      QStandardPaths::findExecutable("pdftotext").isEmpty()) {
    GTEST_SKIP() << "LibreOffice or poppler-utils not installed";
  }
  if (RunProgram("/usr/bin/python3", {"-c", "import uno"}) != 0) GTEST_SKIP() << "python3-uno not installed";

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const auto page = Record(DrawSampleSheet, 1123, 794);
  const QString emf = dir.filePath("sheet.emf");
  ASSERT_TRUE(WriteFile(emf, page));
  QString out;
  ASSERT_EQ(RunProgram("/usr/bin/python3", {oracle, "--png", "1123x794", emf, dir.filePath("lo")}, &out, 180000), 0)
      << out.toStdString();
  // LibreOffice says "ok" even for a blank page: check that there is ink.
  const QImage lo(dir.filePath("lo.png"));
  ASSERT_EQ(lo.size(), QSize(1123, 794)) << out.toStdString();
  const QImage ours = RenderPageImage(page, 96).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(ours.size(), lo.size());
  WritePagePdf(page, dir.filePath("ours.pdf"));

  // Rules and figure edges: along a column through the writing rows, along
  // a row through a cell, and across the rectangle and the ellipse.
  struct TProbe {
    const char* name;
    bool alongRow;
    int at, from, to;
  };
  double worstRule = 0, worstWord = 0;
  const TProbe probes[] = {
      {"writing rows", false, 60, 60, 790},
      {"column rules", true, 430, 0, 1122},
      // Through the ellipse's centre, where its sides are steep; not
      // through the text in the middle.
      {"rectangle and ellipse, left", true, 130, 880, 945},
      {"rectangle and ellipse, right", true, 130, 1015, 1080},
      {"rectangle top and bottom", false, 1050, 60, 195},
  };
  for (const TProbe& p : probes) {
    const auto a = Rules(lo, p.alongRow, p.at, p.from, p.to);
    const auto b = Rules(ours, p.alongRow, p.at, p.from, p.to);
    ASSERT_FALSE(a.empty()) << p.name << ": LibreOffice drew nothing there";
    ASSERT_EQ(a.size(), b.size()) << p.name << ": LibreOffice " << Describe(a) << "/ ours " << Describe(b);
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_NEAR(a[i], b[i], 2.0) << p.name << " #" << i;
      worstRule = std::max(worstRule, std::abs(a[i] - b[i]));
    }
  }

  // Every word where LibreOffice puts it, to within two pixels.
  const auto loWords = Words(dir.filePath("lo.pdf"));
  const auto ourWords = Words(dir.filePath("ours.pdf"));
  ASSERT_FALSE(loWords.empty()) << "LibreOffice's PDF has no text";
  ASSERT_EQ(loWords.size(), ourWords.size());
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
  std::cout << "largest difference from LibreOffice: rules " << worstRule << " px, word boxes " << worstWord
            << " px (" << loWords.size() << " words)\n";
}

}  // namespace
