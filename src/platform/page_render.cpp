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
//
// A row that repeats the one above filters to nothing but zeros, and
// zlib took most of its time over those. A run of them goes into the
// stream as a deflate block of our own instead, made without looking at a
// byte (a short run still goes through zlib): zlib writes raw deflate,
// flushed in full before each such block so that nothing after it refers
// back past it, and the zlib wrapping (header and checksum) is written here.
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
    if (deflateInit2(&z_, Z_BEST_SPEED, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) Fail();
    zlib_ = true;
    const std::uint8_t zlibHeader[2] = {0x78, 0x01};  // deflate, 32 KB window, fastest
    Append(zlibHeader, 2);
    adler_ = adler32(0, nullptr, 0);
  }
  ~TPngFile() {
    if (zlib_) deflateEnd(&z_);
  }
  TPngFile(const TPngFile&) = delete;
  TPngFile& operator=(const TPngFile&) = delete;

  void Row(const QRgb* pixels) {
    const std::size_t width = last_.size(), bytes = 3 * width;
    if (rows_ > 0 && std::memcmp(pixels, last_.data(), width * sizeof(QRgb)) == 0) {
      ++repeats_;  // most rows of a ruled sheet are their neighbour again
      ++rows_;
      return;
    }
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
    row_[0] = 2;  // "Up": each byte less the one above it
    ++rows_;
    Repeats();
    adler_ = adler32(adler_, row_.data(), uInt(row_.size()));
    Deflate(row_.data(), row_.size(), Z_NO_FLUSH);
  }

  void Finish() {
    Repeats();
    Deflate(nullptr, 0, Z_FINISH);
    std::uint8_t checksum[4];
    Be32(checksum, std::uint32_t(adler_));
    Append(checksum, 4);
    if (used_ > 0) Chunk("IDAT", out_.data(), used_);
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
  // Compressed bytes, sent on in IDAT chunks as the buffer fills.
  void Append(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
      const std::size_t n = std::min(size, out_.size() - used_);
      std::memcpy(out_.data() + used_, data, n);
      used_ += n;
      data += n;
      size -= n;
      if (used_ == out_.size()) {
        Chunk("IDAT", out_.data(), used_);
        used_ = 0;
      }
    }
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
      if (used_ == out_.size()) {
        Chunk("IDAT", out_.data(), used_);
        used_ = 0;
      }
      if (rc == Z_STREAM_END || (flush != Z_FINISH && z_.avail_in == 0 && z_.avail_out > 0)) return;
    }
  }

  // Deflate's bits, first bit lowest, gathered into bytes for Append.
  struct TBits {
    std::uint64_t pending = 0;
    int count = 0;
    std::vector<std::uint8_t> bytes;
    void Put(std::uint32_t value, int length) {
      pending |= std::uint64_t(value) << count;
      count += length;
      while (count >= 8) {
        bytes.push_back(std::uint8_t(pending));
        pending >>= 8;
        count -= 8;
      }
    }
    // A Huffman code goes in from its highest bit.
    void Code(std::uint32_t code, int length) {
      std::uint32_t reversed = 0;
      for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
      Put(reversed, length);
    }
  };

  // A Huffman code of deflate's kind: canonical, from each symbol's length.
  struct THuffman {
    std::vector<int> lengths;
    std::vector<std::uint32_t> codes;
    explicit THuffman(std::vector<int> symbolLengths) : lengths(std::move(symbolLengths)), codes(lengths.size()) {
      int count[16] = {};
      for (int l : lengths) count[l] += l > 0;
      std::uint32_t next[16] = {}, code = 0;
      for (int bits = 1; bits < 16; ++bits) next[bits] = code = (code + std::uint32_t(count[bits - 1])) << 1;
      for (std::size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] > 0) codes[s] = next[lengths[s]]++;
      }
    }
    void Put(TBits& bits, int symbol) const { bits.Code(codes[std::size_t(symbol)], lengths[std::size_t(symbol)]); }
  };

  // The length symbol of a copy of `length` bytes (3 to 258), its extra
  // bits and their value.
  static void LengthSymbol(int length, int& symbol, int& extraBits, int& extra) {
    static constexpr int kBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr int kExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    int k = 28;
    while (kBase[k] > length) --k;
    symbol = 257 + k;
    extraBits = kExtra[k];
    extra = length - kBase[k];
  }

  // The repeated rows held back so far. A long run goes in as one deflate
  // block with a code of its own: per row the filter byte, a zero, and
  // copies of that zero from one byte back, each 258 long but the last;
  // then an empty stored block, which leaves the stream on a byte boundary
  // for zlib.
  void Repeats() {
    if (repeats_ == 0) return;
    const std::size_t zeros = row_.size() - 1;
    std::vector<std::uint8_t> zeroRow(row_.size(), 0);
    zeroRow[0] = 2;
    if (repeats_ * row_.size() < kOwnBlockBytes) {
      // Too few to be worth a block of their own.
      for (; repeats_ > 0; --repeats_) {
        adler_ = adler32(adler_, zeroRow.data(), uInt(zeroRow.size()));
        Deflate(zeroRow.data(), zeroRow.size(), Z_NO_FLUSH);
      }
      return;
    }
    Deflate(nullptr, 0, Z_FULL_FLUSH);
    const uLong rowAdler = adler32(adler32(0, nullptr, 0), zeroRow.data(), uInt(zeroRow.size()));
    const std::size_t last = (zeros - 1) % 258;  // after the copies of 258
    int lastSymbol = 0, lastExtraBits = 0, lastExtra = 0;
    if (last >= 3) LengthSymbol(int(last), lastSymbol, lastExtraBits, lastExtra);
    // The copies of 258 (symbol 285) get one bit, a zero two, the filter
    // byte three, the end of block and the last copy four: a complete code.
    std::vector<int> literalLengths(286, 0);
    literalLengths[285] = 1;
    literalLengths[0] = 2;
    literalLengths[2] = 3;
    literalLengths[256] = last >= 3 ? 4 : 3;
    if (last >= 3) literalLengths[std::size_t(lastSymbol)] = 4;
    const THuffman literals(literalLengths);
    // Distances: two codes of one bit, the first (one byte back) used.
    // The code lengths' own code: eight symbols of three bits each.
    std::vector<int> codeLengthLengths(19, 0);
    for (int symbol : {0, 1, 2, 3, 4, 16, 17, 18}) codeLengthLengths[std::size_t(symbol)] = 3;
    const THuffman lengthCode(codeLengthLengths);

    TBits bits;
    bits.Put(0, 1);   // not the last block
    bits.Put(2, 2);   // with codes of its own
    bits.Put(29, 5);  // 286 literal/length codes
    bits.Put(1, 5);   // 2 distance codes
    static constexpr int kOrder[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    bits.Put(18 - 4, 4);  // up to symbol 1 in that order
    for (int i = 0; i < 18; ++i) bits.Put(std::uint32_t(codeLengthLengths[std::size_t(kOrder[i])]), 3);
    std::vector<int> all = literalLengths;
    all.push_back(1);
    all.push_back(1);
    for (std::size_t i = 0; i < all.size();) {
      std::size_t run = 0;
      while (i + run < all.size() && all[i + run] == 0) ++run;
      if (run == 0) {
        lengthCode.Put(bits, all[i++]);
      } else if (run < 3) {
        for (std::size_t k = 0; k < run; ++k) lengthCode.Put(bits, 0);
        i += run;
      } else if (run < 11) {
        lengthCode.Put(bits, 17);
        bits.Put(std::uint32_t(run - 3), 3);
        i += run;
      } else {
        run = std::min<std::size_t>(run, 138);
        lengthCode.Put(bits, 18);
        bits.Put(std::uint32_t(run - 11), 7);
        i += run;
      }
    }
    for (; repeats_ > 0; --repeats_) {
      literals.Put(bits, 2);
      literals.Put(bits, 0);
      for (std::size_t left = zeros - 1; left >= 258; left -= 258) {
        literals.Put(bits, 285);
        bits.Put(0, 1);  // one byte back
      }
      if (last >= 3) {
        literals.Put(bits, lastSymbol);
        if (lastExtraBits > 0) bits.Put(std::uint32_t(lastExtra), lastExtraBits);
        bits.Put(0, 1);
      } else {
        for (std::size_t k = 0; k < last; ++k) literals.Put(bits, 0);
      }
      adler_ = adler32_combine(adler_, rowAdler, z_off_t(row_.size()));
      // Passed on as they come: a wide page's run would be megabytes.
      Append(bits.bytes.data(), bits.bytes.size());
      bits.bytes.clear();
    }
    literals.Put(bits, 256);  // the end of the block
    bits.Put(0, 3);           // a stored block, not the last ...
    if (bits.count > 0) bits.Put(0, 8 - bits.count);
    const std::uint8_t empty[4] = {0x00, 0x00, 0xFF, 0xFF};  // ... of no bytes
    bits.bytes.insert(bits.bytes.end(), empty, empty + 4);
    Append(bits.bytes.data(), bits.bytes.size());
  }

  TFileReplacement file_;  // the PNG goes in the file's place only when whole
  std::vector<std::uint8_t> row_, rgb_, above_, out_;
  std::vector<QRgb> last_;  // the pixels of the row before, as drawn
  std::size_t rows_ = 0, used_ = 0;
  static constexpr std::size_t kOwnBlockBytes = 16 << 10;
  std::size_t repeats_ = 0;  // rows like the one above, not yet in the stream
  uLong adler_ = 0;
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
