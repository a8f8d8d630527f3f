#include "output/emf_player.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <variant>
#include <vector>

#include "graphics/utf16.h"
#include "output/emf_format.h"
#include "definition/report_error.h"

using namespace emf;

namespace {

[[noreturn]] void Invalid() { throw EReportError("Metafile is not valid"); }

// One record's bytes. Every read is checked against the record's size, so a
// field the record does not have fails instead of reading past it.
class TRecord {
 public:
  TRecord(const std::uint8_t* p, std::uint32_t size) : p_(p), size_(size) {}
  std::uint32_t Size() const { return size_; }
  std::uint32_t U32(std::uint32_t off) const {
    Need(off, 4);
    return Get32(p_ + off);
  }
  std::int32_t I32(std::uint32_t off) const { return std::int32_t(U32(off)); }
  std::uint16_t U16(std::uint32_t off) const {
    Need(off, 2);
    return Get16(p_ + off);
  }
  std::uint8_t U8(std::uint32_t off) const {
    Need(off, 1);
    return p_[off];
  }
  // A range of `count` items of `item` bytes at `off` must lie in the record.
  void Need(std::uint64_t off, std::uint64_t bytes) const {
    if (off + bytes > size_) Invalid();
  }

 private:
  const std::uint8_t* p_;
  std::uint32_t size_;
};

// Swallows drawing while a metafile is only being validated.
class TNullCanvas final : public TCanvas {
 public:
  void SetPen(const TPen&) override {}
  void SetBrush(const TBrush&) override {}
  void SetFont(const TLogFont&) override {}
  void SetTextColor(TColor) override {}
  void SetBkColor(TColor) override {}
  void SetBkMode(TBkMode) override {}
  void SetTextAlign(TTextAlign) override {}
  void FillRect(const TRect&) override {}
  void Rectangle(const TRect&) override {}
  void Ellipse(const TRect&) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
  void TextOut(int, int, std::string_view, const TTextOutOptions&, std::span<const int>) override {}
  void IntersectClipRect(const TRect&) override {}
  void RemoveClip() override {}
  void Save() override {}
  void Restore() override {}
};

TColor ColorFromRef(std::uint32_t ref) { return TColor::Rgb(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }

TTextAlign AlignFromBits(std::uint32_t a) {
  TTextAlign align;
  if ((a & TA_CENTER) == TA_CENTER) {
    align.horz = THorzTextAlign::Center;
  } else if (a & TA_RIGHT) {
    align.horz = THorzTextAlign::Right;
  }
  // Baseline shares a bit with bottom, so it is tested first.
  if ((a & TA_BASELINE) == TA_BASELINE) {
    align.vert = TVertTextAlign::Baseline;
  } else if (a & TA_BOTTOM) {
    align.vert = TVertTextAlign::Bottom;
  }
  align.rtlReading = (a & TA_RTLREADING) != 0;
  return align;
}

int Clamp(double v) { return int(std::lround(std::clamp(v, -1.0e9, 1.0e9))); }

using TObject = std::variant<std::monostate, TPen, TBrush, TLogFont>;

// Plays (or, onto a TNullCanvas, only checks) the records after the header.
class TWalker {
 public:
  // With `checkOnly`, records are checked but nothing is decoded for drawing.
  TWalker(std::span<const std::uint8_t> data, const TEmfHeader& h, TCanvas& canvas, const TRect& dest,
          bool checkOnly = false)
      : data_(data), h_(h), canvas_(canvas), checkOnly_(checkOnly) {
    const double fx = h.frame.left * h.PixelsPerHundredthMmX();
    const double fy = h.frame.top * h.PixelsPerHundredthMmY();
    const double fw = h.FrameWidth() * h.PixelsPerHundredthMmX();
    const double fh = h.FrameLength() * h.PixelsPerHundredthMmY();
    sx_ = dest.Width() / fw;
    sy_ = dest.Height() / fh;
    ox_ = dest.left - fx * sx_;
    oy_ = dest.top - fy * sy_;
  }

  void Run() {
    canvas_.Save();
    // A metafile starts from the platform's default drawing state.
    canvas_.SetPen(TPen{});
    canvas_.SetBrush(TBrush{});
    canvas_.SetFont(ScaleFont(TLogFont{}));
    canvas_.SetTextColor(colors::Black);
    canvas_.SetBkColor(colors::White);
    canvas_.SetBkMode(TBkMode::Opaque);
    canvas_.SetTextAlign(TTextAlign{});
    std::uint64_t off = h_.headerSize;
    std::uint32_t count = 1;
    bool ended = false;
    while (!ended) {
      if (off + 8 > h_.bytes) Invalid();
      const std::uint8_t* p = data_.data() + off;
      const std::uint32_t type = Get32(p);
      const std::uint32_t size = Get32(p + 4);
      if (size < 8 || size % 4 != 0 || off + size > h_.bytes) Invalid();
      ++count;
      ended = type == EMR_EOF;
      Dispatch(type, TRecord(p, size));
      off += size;
    }
    if (off != h_.bytes || count != h_.records) Invalid();
    for (; depth_ > 0; --depth_) canvas_.Restore();
    canvas_.Restore();
  }

 private:
  // 64-bit, so that an inclusive edge of 2147483647 can still be widened by one.
  int X(std::int64_t x) const { return Clamp(ox_ + double(x) * sx_); }
  int Y(std::int64_t y) const { return Clamp(oy_ + double(y) * sy_); }
  int Width(std::int32_t w) const { return w <= 1 ? std::max(w, 0) : std::max(1, Clamp(w * sx_)); }
  TRect Rect(const TRecord& r, std::uint32_t off, int inclusive) const {
    return {X(r.I32(off)), Y(r.I32(off + 4)), X(std::int64_t(r.I32(off + 8)) + inclusive),
            Y(std::int64_t(r.I32(off + 12)) + inclusive)};
  }
  TLogFont ScaleFont(TLogFont f) const {
    f.height = std::max(1, Clamp(std::abs(double(f.height)) * sy_));
    return f;
  }

  // The table grows as objects are made, so a header that claims a large
  // table costs nothing until it is used.
  TObject& Slot(std::uint32_t index) {
    if (index == 0 || index >= h_.handles) Invalid();
    if (index >= objects_.size()) objects_.resize(index + 1);
    return objects_[index];
  }

  void Dispatch(std::uint32_t type, const TRecord& r) {
    switch (type) {
      case EMR_HEADER: Invalid();  // only the first record is a header
      case EMR_EOF: {
        const std::uint32_t n = r.U32(8), offPal = r.U32(12);
        r.U32(16);
        if (n != 0) r.Need(offPal, std::uint64_t(n) * 4);
        break;
      }
      case EMR_SETMAPMODE: r.U32(8); break;  // pages are in MM_TEXT; others are not drawn differently
      case EMR_SETBKMODE: {
        const std::uint32_t mode = r.U32(8);
        if (mode == 1 || mode == 2) canvas_.SetBkMode(TBkMode(mode));
        break;
      }
      case EMR_SETTEXTALIGN: canvas_.SetTextAlign(AlignFromBits(r.U32(8))); break;
      case EMR_SETTEXTCOLOR: canvas_.SetTextColor(ColorFromRef(r.U32(8))); break;
      case EMR_SETBKCOLOR: canvas_.SetBkColor(ColorFromRef(r.U32(8))); break;
      // A check needs only to know the fields are there; scaling every
      // coordinate would cost most of the check's time.
      case EMR_MOVETOEX:
        if (checkOnly_) {
          r.Need(8, 8);
        } else {
          canvas_.MoveTo(X(r.I32(8)), Y(r.I32(12)));
        }
        break;
      case EMR_LINETO:
        if (checkOnly_) {
          r.Need(8, 8);
        } else {
          canvas_.LineTo(X(r.I32(8)), Y(r.I32(12)));
        }
        break;
      case EMR_INTERSECTCLIPRECT:
        if (checkOnly_) {
          r.Need(8, 16);
        } else {
          canvas_.IntersectClipRect(Rect(r, 8, 0));
        }
        break;
      case EMR_EXTSELECTCLIPRGN: {
        const std::uint32_t cb = r.U32(8), mode = r.U32(12);
        r.Need(16, cb);
        // Only "back to no clipping" is used by pages; region data is skipped.
        if (cb == 0 && mode == kRgnCopy) canvas_.RemoveClip();
        break;
      }
      case EMR_SAVEDC:
        if (depth_ >= kMaxSaveDepth) Invalid();
        canvas_.Save();
        ++depth_;
        break;
      case EMR_RESTOREDC: {
        const std::int32_t which = r.I32(8);
        // Negative: relative to the last save; positive: an absolute level.
        // Levels that were never saved leave the state as it is.
        std::int64_t pops = which < 0 ? -std::int64_t(which) : (which > 0 ? std::int64_t(depth_) - which + 1 : 0);
        if (pops > 0 && pops <= depth_) {
          for (; pops > 0; --pops, --depth_) canvas_.Restore();
        }
        break;
      }
      case EMR_CREATEPEN: {
        TObject& slot = Slot(r.U32(8));
        TPen pen;
        const std::uint32_t style = r.U32(12) & 0xF;
        pen.style = style <= 6 ? TPenStyle(style) : TPenStyle::Solid;
        pen.width = Width(r.I32(16));
        r.I32(20);
        pen.color = ColorFromRef(r.U32(24));
        slot = pen;
        break;
      }
      case EMR_CREATEBRUSHINDIRECT: {
        TObject& slot = Slot(r.U32(8));
        TBrush brush;
        brush.style = r.U32(12) == 1 ? TBrushStyle::Clear : TBrushStyle::Solid;
        brush.color = ColorFromRef(r.U32(16));
        r.U32(20);
        slot = brush;
        break;
      }
      case EMR_EXTCREATEFONTINDIRECTW: {
        TObject& slot = Slot(r.U32(8));
        r.Need(12, 92);  // the LOGFONTW
        if (checkOnly_) {
          // Every field lies inside the record; only its kind matters here.
          slot = TLogFont{};
          break;
        }
        TLogFont font;
        const std::int32_t height = r.I32(12);
        if (height != 0) font.height = height == INT32_MIN ? INT32_MAX : std::abs(height);
        font.escapement = r.I32(20);
        const std::int32_t weight = r.I32(28);
        font.weight = weight > 0 && weight <= 1000 ? weight : 400;
        font.italic = r.U8(32) != 0;
        font.underline = r.U8(33) != 0;
        font.strikeOut = r.U8(34) != 0;
        font.charSet = r.U8(35);
        std::u16string face;
        for (std::uint32_t i = 0; i < 32; ++i) {
          const char16_t c = r.U16(40 + 2 * i);
          if (c == 0) break;
          face += c;
        }
        font.name = Utf16ToUtf8(face);
        slot = ScaleFont(font);
        break;
      }
      case EMR_SELECTOBJECT: {
        const std::uint32_t index = r.U32(8);
        if (index & kStockObject) {
          SelectStock(index & ~kStockObject);
          break;
        }
        const TObject& obj = Slot(index);
        if (auto* pen = std::get_if<TPen>(&obj)) {
          canvas_.SetPen(*pen);
        } else if (auto* brush = std::get_if<TBrush>(&obj)) {
          canvas_.SetBrush(*brush);
        } else if (auto* font = std::get_if<TLogFont>(&obj)) {
          canvas_.SetFont(*font);
          escapement_ = font->escapement;
        } else {
          Invalid();  // nothing was created at that index
        }
        break;
      }
      case EMR_DELETEOBJECT: {
        const std::uint32_t index = r.U32(8);
        if (!(index & kStockObject)) Slot(index) = std::monostate{};
        break;
      }
      case EMR_RECTANGLE:
        if (checkOnly_) {
          r.Need(8, 16);
        } else {
          canvas_.Rectangle(Rect(r, 8, 1));
        }
        break;
      case EMR_ELLIPSE:
        if (checkOnly_) {
          r.Need(8, 16);
        } else {
          canvas_.Ellipse(Rect(r, 8, 1));
        }
        break;
      case EMR_BITBLT: BitBlt(r); break;
      case EMR_EXTTEXTOUTW: Text(r); break;
      default: break;  // records pages do not use are skipped
    }
  }

  void SelectStock(std::uint32_t stock) {
    switch (stock) {
      case 0: canvas_.SetBrush({TBrushStyle::Solid, colors::White}); break;
      case 1: canvas_.SetBrush({TBrushStyle::Solid, TColor::Rgb(192, 192, 192)}); break;
      case 2: canvas_.SetBrush({TBrushStyle::Solid, TColor::Rgb(128, 128, 128)}); break;
      case 3: canvas_.SetBrush({TBrushStyle::Solid, TColor::Rgb(64, 64, 64)}); break;
      case 4: canvas_.SetBrush({TBrushStyle::Solid, colors::Black}); break;
      case 5: canvas_.SetBrush({TBrushStyle::Clear, colors::White}); break;
      case 6: canvas_.SetPen({TPenStyle::Solid, 1, colors::White}); break;
      case 7: canvas_.SetPen({TPenStyle::Solid, 1, colors::Black}); break;
      case 8: canvas_.SetPen({TPenStyle::Clear, 1, colors::Black}); break;
      case 10: case 11: case 12: case 13: case 14: case 16: case 17:
        canvas_.SetFont(ScaleFont(TLogFont{}));
        escapement_ = 0;
        break;
      default: break;  // palettes and DC pens/brushes have no meaning here
    }
  }

  // A bit-block transfer without a source bitmap that copies the brush is
  // how the platform records FillRect; transfers of bitmaps are skipped.
  void BitBlt(const TRecord& r) {
    r.Need(0, kBitBltSize);
    const std::int32_t x = r.I32(24), y = r.I32(28), cx = r.I32(32), cy = r.I32(36);
    const std::uint32_t rop = r.U32(40);
    const std::uint32_t offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92), cbBits = r.U32(96);
    if (cbBmi) r.Need(offBmi, cbBmi);
    if (cbBits) r.Need(offBits, cbBits);
    if (checkOnly_ || rop != kPatCopy || cbBmi != 0 || cbBits != 0) return;
    const std::int64_t x2 = std::int64_t(x) + cx, y2 = std::int64_t(y) + cy;
    canvas_.FillRect({X(std::min<std::int64_t>(x, x2)), Y(std::min<std::int64_t>(y, y2)),
                      X(std::max<std::int64_t>(x, x2)), Y(std::max<std::int64_t>(y, y2))});
  }

  void Text(const TRecord& r) {
    const std::int32_t refX = r.I32(36), refY = r.I32(40);
    const std::uint32_t chars = r.U32(44), offString = r.U32(48), options = r.U32(52);
    const bool hasRect = !(options & ETO_NO_RECT);
    TTextOutOptions opt;
    opt.opaque = options & ETO_OPAQUE;
    opt.clipped = options & ETO_CLIPPED;
    opt.rtlReading = options & ETO_RTLREADING;
    if (hasRect) {
      r.Need(56, 16);
      if (!checkOnly_) opt.rect = Rect(r, 56, 0);
    }
    const std::uint32_t offDx = r.U32(hasRect ? 72 : 56);
    if (offString < 8) Invalid();
    r.Need(offString, std::uint64_t(chars) * 2);
    const std::uint64_t perChar = (options & ETO_PDY) ? 8 : 4;
    if (offDx != 0) {
      if (offDx < 8) Invalid();
      r.Need(offDx, std::uint64_t(chars) * perChar);
    }
    if (checkOnly_) return;
    std::u16string units(chars, u'\0');
    for (std::uint32_t i = 0; i < chars; ++i) units[i] = r.U16(offString + 2 * i);
    std::vector<int> dx;
    if (offDx != 0) {
      // Scale the running positions rather than each advance, so rounding
      // does not add up along the line.
      dx.resize(chars);
      // Advances run along the text's direction, stretched by the scales
      // of that direction.
      const double angle = escapement_ / 10.0 * 3.14159265358979323846 / 180.0;
      const double along = std::abs(std::cos(angle)) * sx_ + std::abs(std::sin(angle)) * sy_;
      std::int64_t sum = 0;
      int prev = 0;
      for (std::uint32_t i = 0; i < chars; ++i) {
        sum += r.I32(offDx + std::uint32_t(i * perChar));
        const int pos = Clamp(double(sum) * along);
        dx[i] = pos - prev;
        prev = pos;
      }
    }
    canvas_.TextOut(X(refX), Y(refY), Utf16ToUtf8(units), opt, dx);
  }

  std::span<const std::uint8_t> data_;
  const TEmfHeader& h_;
  TCanvas& canvas_;
  std::vector<TObject> objects_;
  double sx_ = 1, sy_ = 1, ox_ = 0, oy_ = 0;
  int depth_ = 0;
  int escapement_ = 0;  // of the selected font
  bool checkOnly_;
};

}  // namespace

double TEmfHeader::PixelsPerHundredthMmX() const {
  if (micrometersWidth > 0) return deviceWidth / (double(micrometersWidth) / 10.0);
  return deviceWidth / (millimetersWidth * 100.0);
}

double TEmfHeader::PixelsPerHundredthMmY() const {
  if (micrometersHeight > 0) return deviceHeight / (double(micrometersHeight) / 10.0);
  return deviceHeight / (millimetersHeight * 100.0);
}

int TEmfHeader::FrameWidthPx() const {
  return Clamp(FrameWidth() * PixelsPerHundredthMmX());
}

int TEmfHeader::FrameHeightPx() const {
  return Clamp(FrameLength() * PixelsPerHundredthMmY());
}

TEmfHeader ReadEmfHeader(std::span<const std::uint8_t> data) {
  if (data.size() < kMinHeaderSize) Invalid();
  const std::uint8_t* p = data.data();
  TEmfHeader h;
  if (Get32(p) != EMR_HEADER) Invalid();
  h.headerSize = Get32(p + 4);
  h.bounds = {GetI32(p + 8), GetI32(p + 12), GetI32(p + 16), GetI32(p + 20)};
  h.frame = {GetI32(p + 24), GetI32(p + 28), GetI32(p + 32), GetI32(p + 36)};
  if (Get32(p + 40) != kSignature) Invalid();
  h.bytes = Get32(p + 48);
  h.records = Get32(p + 52);
  h.handles = Get16(p + 56);
  const std::uint32_t nDescription = Get32(p + 60), offDescription = Get32(p + 64);
  h.deviceWidth = GetI32(p + 72);
  h.deviceHeight = GetI32(p + 76);
  h.millimetersWidth = GetI32(p + 80);
  h.millimetersHeight = GetI32(p + 84);
  if (h.headerSize < kMinHeaderSize || h.headerSize % 4 != 0 || h.headerSize > h.bytes) Invalid();
  // Header, at least one more record (EMR_EOF): two records, 20 more bytes.
  if (h.records < 2 || h.bytes < h.headerSize + 20 || h.handles == 0) Invalid();
  if (h.deviceWidth <= 0 || h.deviceHeight <= 0 || h.millimetersWidth <= 0 || h.millimetersHeight <= 0) {
    Invalid();
  }
  if (h.frame.right < h.frame.left || h.frame.bottom < h.frame.top) Invalid();
  if (nDescription != 0 &&
      (offDescription < kMinHeaderSize || std::uint64_t(offDescription) + 2ull * nDescription > h.headerSize)) {
    Invalid();
  }
  if (h.headerSize >= 108 && data.size() >= 108) {
    h.micrometersWidth = GetI32(p + 100);
    h.micrometersHeight = GetI32(p + 104);
  }
  return h;
}

TEmfHeader TEmfPlayer::Validate(std::span<const std::uint8_t> data) {
  const TEmfHeader h = ReadEmfHeader(data);
  if (h.bytes > data.size()) Invalid();
  TNullCanvas none;
  TWalker(data, h, none, TRect{0, 0, h.FrameWidthPx(), h.FrameHeightPx()}, true).Run();
  return h;
}

void TEmfPlayer::Play(std::span<const std::uint8_t> data, TCanvas& canvas, const TRect& dest) {
  const TEmfHeader h = Validate(data);
  TWalker(data, h, canvas, dest).Run();
}
