// The EMF corpus (tests/data/emf-corpus, remade by tools/emf_corpus): files
// written by LibreOffice, Inkscape, libEMF programs and by hand. Each is
// played at the size of its reference rendering (Inkscape's, at the file's
// frame size, kept beside it as a 1-bit PNG) and compared by ink: the share
// of the reference's ink that ours covers within 2 px, and our ink where the
// reference has none within 2 px, as a share of the page. Every file must
// also go into a saved report that can be extracted and joined.

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <iostream>
#include <map>
#include <vector>

#include "definition/report_error.h"
#include "output/emf_player.h"
#include "output/page_files.h"
#include "output/page_store.h"
#include "output/page_stream.h"
#include "platform/qt_canvas.h"

namespace {

constexpr int kTolerancePx = 2;

// Ink: pixels darker than nine tenths of white, as the references were cut.
std::vector<bool> Ink(const QImage& image) {
  const QImage g = image.convertToFormat(QImage::Format_Grayscale8);
  std::vector<bool> ink(std::size_t(g.width()) * g.height());
  for (int y = 0; y < g.height(); ++y) {
    const uchar* row = g.constScanLine(y);
    for (int x = 0; x < g.width(); ++x) ink[std::size_t(y) * g.width() + x] = row[x] < 230;
  }
  return ink;
}

// Ink grown by the tolerance in every direction.
std::vector<bool> Grown(const std::vector<bool>& ink, int w, int h) {
  std::vector<bool> across(ink.size()), out(ink.size());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      bool any = false;
      for (int d = -kTolerancePx; d <= kTolerancePx && !any; ++d) {
        const int xx = x + d;
        any = xx >= 0 && xx < w && ink[std::size_t(y) * w + xx];
      }
      across[std::size_t(y) * w + x] = any;
    }
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      bool any = false;
      for (int d = -kTolerancePx; d <= kTolerancePx && !any; ++d) {
        const int yy = y + d;
        any = yy >= 0 && yy < h && across[std::size_t(yy) * w + x];
      }
      out[std::size_t(y) * w + x] = any;
    }
  }
  return out;
}

// Files where the reference reader is known to draw what Windows does not:
// for them ink beyond the reference's is no fault of ours.
const std::map<std::string, const char*> kReaderDiffers = {
    {"libemf/path3.emf", "LibreOffice fills winding paths alternately"},
    {"libemf/path5.emf", "LibreOffice fills winding paths alternately"},
    {"libemf/poly4.emf", "LibreOffice fills winding poly-polygons alternately"},
    {"hand/poly32-2.emf", "LibreOffice fills winding poly-polygons alternately"},
    {"hand/gradient0.emf", "LibreOffice draws no EMR_GRADIENTFILL"},
    {"hand/gradient1.emf", "LibreOffice draws no EMR_GRADIENTFILL"},
    {"hand/gradient2.emf", "LibreOffice draws no EMR_GRADIENTFILL"},
    {"hand/pattern-brush0.emf", "LibreOffice fills DIB pattern brushes with nothing"},
    {"hand/pattern-brush1.emf", "LibreOffice fills DIB pattern brushes with nothing"},
    {"hand/pattern-brush2.emf", "LibreOffice fills monochrome pattern brushes with nothing"},
    {"hand/mapping0.emf", "LibreOffice drops the ellipse after EMR_RESTOREDC"},
    {"hand/rop2-pixels2.emf", "LibreOffice draws R2_MASKPEN as plain copy"},
    {"hand/clip-region4.emf", "LibreOffice ignores RGN_XOR clip regions"},
    {"hand/region-fill1.emf", "LibreOffice fills EMR_FRAMERGN's region whole"},
    {"libreoffice/drawing0.emf", "Inkscape draws no hatches and no filled text frames"},
};

struct TTally {
  int files = 0, refused = 0, drawn = 0, strayInk = 0;
};

TEST(EmfCorpus, EveryFilePlaysAndDrawsTheReferencesInk) {
  // EMF_CORPUS_DIR plays another corpus laid out the same way.
  const QString root = qEnvironmentVariableIsSet("EMF_CORPUS_DIR")
                           ? qEnvironmentVariable("EMF_CORPUS_DIR")
                           : QStringLiteral(BROODLOG_SOURCE_DIR "/tests/data/emf-corpus");
  std::map<std::string, TTally> tally;
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  QDirIterator it(root, {QStringLiteral("*.emf")}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const std::string producer = QFileInfo(path).dir().dirName().toStdString();
    const std::string name = producer + "/" + QFileInfo(path).fileName().toStdString();
    TTally& t = tally[producer];
    ++t.files;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    const QByteArray raw = f.readAll();
    const std::vector<std::uint8_t> bytes(raw.begin(), raw.end());
    const QImage ref(path.left(path.size() - 4) + ".png");
    ASSERT_FALSE(ref.isNull()) << name << ": no reference rendering";
    QImage image(ref.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    try {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      TQtCanvas canvas(painter);
      TEmfPlayer::Play(bytes, canvas, {0, 0, image.width(), image.height()});
    } catch (const EReportError& e) {
      ++t.refused;
      ADD_FAILURE() << name << " refused: " << e.what();
      continue;
    }
    const int w = image.width(), h = image.height();
    const std::vector<bool> ours = Ink(image), theirs = Ink(ref);
    const std::vector<bool> oursNear = Grown(ours, w, h), theirsNear = Grown(theirs, w, h);
    std::size_t refInk = 0, covered = 0, stray = 0;
    for (std::size_t i = 0; i < ours.size(); ++i) {
      if (theirs[i]) ++refInk, covered += oursNear[i];
      if (ours[i] && !theirsNear[i]) ++stray;
    }
    const double coverage = refInk ? double(covered) / refInk : 1.0;
    const double strayShare = double(stray) / ours.size();
    if (coverage >= 0.9) ++t.drawn;
    if (strayShare > 0.02) ++t.strayInk;
    if (!kReaderDiffers.count(name)) { EXPECT_LE(strayShare, 0.02) << name << ": ink where the reference has none"; }
    if (coverage < 0.9) std::cout << "  " << name << ": " << int(coverage * 100) << " % of the reference's ink\n";

    // A saved report holding the page can be cut and joined.
    const std::string report = (tmp.path() + "/one.rpt").toStdString();
    {
      TPageStore store;
      store.SetStream(std::make_unique<TPageStream>(100000));
      store.AddPageData(bytes);
      store.Finish();
      store.SaveToFile(report);
    }
    const std::string cut = (tmp.path() + "/cut.rpt").toStdString(), joined = (tmp.path() + "/joined.rpt").toStdString();
    EXPECT_NO_THROW(ExtractPages(report, cut, 1, 1)) << name;
    const std::vector<std::string> sources{report, cut};
    EXPECT_NO_THROW(EXPECT_EQ(JoinReports(joined, &sources), 0)) << name;
  }
  TTally all;
  std::cout << "producer      files refused drawn>=90% stray-ink>2%\n";
  for (const auto& [producer, t] : tally) {
    std::printf("%-13s %5d %7d %10d %13d\n", producer.c_str(), t.files, t.refused, t.drawn, t.strayInk);
    all.files += t.files, all.refused += t.refused, all.drawn += t.drawn, all.strayInk += t.strayInk;
  }
  EXPECT_GE(all.files, 100);
  EXPECT_GE(tally.size(), 3u);
  EXPECT_GE(all.drawn * 10, all.files * 9) << all.drawn << " of " << all.files << " files draw 90 % of the reference's ink";
}

}  // namespace
