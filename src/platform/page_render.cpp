#include "platform/page_render.h"

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <sys/mman.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "output/emf_player.h"
#include "output/file_replacement.h"
#include "platform/pdf_file.h"
#include "platform/qt_canvas.h"
#include "definition/report_error.h"

namespace {
// The frame in millimetres.
QSizeF FrameMm(const TEmfHeader& h) { return QSizeF(h.FrameWidth() / 100.0, h.FrameLength() / 100.0); }
EReportError TooLarge(int dpi) { return EReportError("The page is too large to draw at %1 dpi", {std::to_string(dpi)}); }

// A PNG file written row by row, beside the file until it is whole: 8-bit RGB, every row filtered against the
// one above (a ruled sheet is mostly rows like their neighbours) and
// deflated as it comes, in IDAT chunks of 64 KB.
class TPngFile {
 public:
  TPngFile(const QString& fileName, int width, int height, int dpi)
      : file_(QFile::encodeName(fileName).toStdString()), row_(1 + 3 * std::size_t(width)),
        rgb_(3 * std::size_t(width)), above_(3 * std::size_t(width), 0),
        out_(1 << 16), last_(std::size_t(width)) {
    Put(reinterpret_cast<const std::uint8_t*>("\x89PNG\r\n\x1a\n"), 8);
    std::uint8_t header[13] = {};
    Be32(header, std::uint32_t(width));
    Be32(header + 4, std::uint32_t(height));
    header[8] = 8;  // bits per sample
    header[9] = 2;  // RGB
    Chunk("IHDR", header, sizeof header);
    std::uint8_t physical[9] = {};
    const auto perMetre = std::uint32_t(std::lround(dpi / 0.0254));
    Be32(physical, perMetre);
    Be32(physical + 4, perMetre);
    physical[8] = 1;  // the unit is the metre
    Chunk("pHYs", physical, sizeof physical);
    // Last, so that a header that cannot be written leaves no zlib state
    // behind: the destructor does not run when the constructor throws.
    if (deflateInit(&z_, Z_BEST_SPEED) != Z_OK) Fail();
    zlib_ = true;
  }
  ~TPngFile() {
    if (zlib_) deflateEnd(&z_);
  }
  TPngFile(const TPngFile&) = delete;
  TPngFile& operator=(const TPngFile&) = delete;

  void Row(const QRgb* pixels) {
    const std::size_t width = last_.size(), bytes = 3 * width;
    if (rows_ > 0 && std::memcmp(pixels, last_.data(), width * sizeof(QRgb)) == 0) {
      // Most rows of a ruled sheet are their neighbour again: all zeros.
      std::memset(row_.data() + 1, 0, bytes);
    } else {
      std::memcpy(last_.data(), pixels, width * sizeof(QRgb));
      // Plain loops over unaliased bytes: the conversion took most of a
      // page's time when the compiler had to reload every pointer.
      std::uint8_t* __restrict rgb = rgb_.data();
      for (std::size_t x = 0; x < width; ++x) {
        const QRgb p = pixels[x];
        rgb[3 * x] = std::uint8_t(p >> 16);
        rgb[3 * x + 1] = std::uint8_t(p >> 8);
        rgb[3 * x + 2] = std::uint8_t(p);
      }
      std::uint8_t* __restrict up = row_.data() + 1;
      const std::uint8_t* __restrict above = above_.data();
      std::size_t i = 0;
      for (; i + 16 <= bytes; i += 16) {  // sixteen bytes at a time
        using TBytes16 = std::uint8_t __attribute__((vector_size(16)));
        TBytes16 a, b;
        std::memcpy(&a, rgb + i, 16);
        std::memcpy(&b, above + i, 16);
        a -= b;
        std::memcpy(up + i, &a, 16);
      }
      for (; i < bytes; ++i) up[i] = std::uint8_t(rgb[i] - above[i]);
      rgb_.swap(above_);
    }
    row_[0] = 2;  // "Up": each byte less the one above it
    ++rows_;
    Deflate(row_.data(), row_.size(), Z_NO_FLUSH);
  }

  void Finish() {
    Deflate(nullptr, 0, Z_FINISH);
    Chunk("IEND", nullptr, 0);
    file_.Commit();
  }

 private:
  [[noreturn]] void Fail() { throw EReportError("Cannot write file %1", {file_.Name()}); }
  static void Be32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (24 - 8 * i));
  }
  void Put(const std::uint8_t* data, std::size_t size) {
    if (size > 0) file_.Write(data, size);
  }
  void Chunk(const char* type, const std::uint8_t* data, std::size_t size) {
    std::uint8_t field[4];
    Be32(field, std::uint32_t(size));
    Put(field, 4);
    Put(reinterpret_cast<const std::uint8_t*>(type), 4);
    Put(data, size);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (size > 0) crc = crc32(crc, data, uInt(size));
    Be32(field, std::uint32_t(crc));
    Put(field, 4);
  }
  void Deflate(const std::uint8_t* data, std::size_t size, int flush) {
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = uInt(size);
    for (;;) {
      z_.next_out = out_.data() + used_;
      z_.avail_out = uInt(out_.size() - used_);
      const int rc = deflate(&z_, flush);
      if (rc == Z_STREAM_ERROR) Fail();
      used_ = out_.size() - z_.avail_out;
      const bool end = rc == Z_STREAM_END;
      if (used_ == out_.size() || (end && used_ > 0)) {
        Chunk("IDAT", out_.data(), used_);
        used_ = 0;
      }
      if (end || (flush == Z_NO_FLUSH && z_.avail_in == 0 && z_.avail_out > 0)) return;
    }
  }

  TFileReplacement file_;  // the PNG goes in the file's place only when whole
  std::vector<std::uint8_t> row_, rgb_, above_, out_;
  std::vector<QRgb> last_;  // the pixels of the row before, as drawn
  std::size_t rows_ = 0, used_ = 0;
  z_stream z_{};
  bool zlib_ = false;
};

// A band's pixels, their pages made in one go as they are mapped: taken one
// fault at a time, they cost more than drawing a ruled page into them.
QImage BandImage(int width, int rows) {
  struct TMapping {
    void* start;
    std::size_t bytes;
  };
  const std::size_t bytes = std::size_t(width) * 4 * std::size_t(rows);
  void* start = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (start == MAP_FAILED) return {};
  auto* mapping = new (std::nothrow) TMapping{start, bytes};
  if (!mapping) {
    ::munmap(start, bytes);
    return {};
  }
  auto unmap = [](void* info) {
    auto* m = static_cast<TMapping*>(info);
    ::munmap(m->start, m->bytes);
    delete m;
  };
  QImage image(static_cast<uchar*>(start), width, rows, qsizetype(width) * 4, QImage::Format_RGB32, unmap, mapping);
  if (image.isNull()) unmap(mapping);
  return image;
}

}  // namespace

EReportError NotEnoughMemory(int dpi) {
  return EReportError("Not enough memory to draw the picture at %1 dpi", {std::to_string(dpi)});
}

void WriteBandedPng(const QString& fileName, int width, int height, int dpi,
                    const std::function<void(TCanvas&)>& draw) {
  WriteBandedPngPainted(fileName, width, height, dpi, [&](QPainter& painter) {
    TQtCanvas canvas(painter);
    draw(canvas);
  });
}

void WriteBandedPngPainted(const QString& fileName, int width, int height, int dpi,
                           const std::function<void(QPainter&)>& paint) {
  // A side beyond kMaxPngSide (a damaged frame, a page metres long) would
  // make single rows larger than a whole band.
  if (width < 1 || height < 1 || width > kMaxPngSide || height > kMaxPngSide ||
      double(width) * height > kMaxPngPixels)
    throw TooLarge(dpi);
  constexpr std::int64_t kBandBytes = 32 << 20;
  const int rows = int(std::clamp<std::int64_t>(kBandBytes / (std::int64_t(width) * 4), 1, height));
  QImage band = BandImage(width, rows);
  if (band.isNull()) throw NotEnoughMemory(dpi);
  // Fonts given in points take their pixels from the device's resolution.
  const int dpm = int(std::lround(dpi / 0.0254));
  band.setDotsPerMeterX(dpm);
  band.setDotsPerMeterY(dpm);
  TPngFile png(fileName, width, height, dpi);
  for (int top = 0; top < height; top += rows) {
    band.fill(Qt::white);
    {
      QPainter painter(&band);
      painter.translate(0, -top);
      paint(painter);
    }
    for (int r = 0; r < std::min(rows, height - top); ++r) {
      png.Row(reinterpret_cast<const QRgb*>(band.constScanLine(r)));
    }
  }
  png.Finish();
}

void WritePagePng(std::span<const std::uint8_t> page, const QString& fileName, int dpi) {
  const TEmfHeader header = TEmfPlayer::Validate(page);
  const QSizeF mm = FrameMm(header);
  const double w = std::max(1.0, std::round(mm.width() * dpi / 25.4));
  const double h = std::max(1.0, std::round(mm.height() * dpi / 25.4));
  if (w > kMaxPngSide || h > kMaxPngSide || w * h > kMaxPngPixels) throw TooLarge(dpi);
  WriteBandedPng(fileName, int(w), int(h), dpi,
                 [&](TCanvas& canvas) { TEmfPlayer::Play(page, canvas, {0, 0, int(w), int(h)}); });
}

QSizeF PageSizeMm(const TEmfHeader& page) { return FrameMm(page); }

QImage RenderPageImage(std::span<const std::uint8_t> page, int dpi) {
  const TEmfHeader header = TEmfPlayer::Validate(page);
  const QSizeF mm = FrameMm(header);
  const int w = std::max(1, int(std::lround(mm.width() * dpi / 25.4)));
  const int h = std::max(1, int(std::lround(mm.height() * dpi / 25.4)));
  // A corrupt frame must not ask for gigabytes.
  if (double(w) * h > 400e6) throw EReportError("Metafile is not valid");
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  const int dpm = int(std::lround(dpi / 0.0254));
  image.setDotsPerMeterX(dpm);
  image.setDotsPerMeterY(dpm);
  QPainter painter(&image);
  TQtCanvas canvas(painter);
  TEmfPlayer::Play(page, canvas, {0, 0, w, h});
  return image;
}

void WritePagePdf(std::span<const std::uint8_t> page, const QString& fileName, int dpi) {
  const TEmfHeader header = TEmfPlayer::Validate(page);
  TPdfFile pdf(fileName, PdfPageLayout(FrameMm(header)), dpi);
  TQtCanvas canvas(pdf.Painter());
  TEmfPlayer::Play(page, canvas, {0, 0, pdf.Writer().width(), pdf.Writer().height()});
  pdf.Finish();
}
