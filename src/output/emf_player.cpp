#include "output/emf_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "graphics/utf16.h"
#include "output/emf_format.h"
#include "definition/report_error.h"

using namespace emf;

namespace {

[[noreturn]] void Invalid() { throw EReportError("Metafile is not valid"); }

constexpr double kPi = 3.14159265358979323846;

// One record's bytes. Every read is checked against the record's size, so a
// field the record does not have fails instead of reading past it.
class TRecord {
 public:
  TRecord(const std::uint8_t* p, std::uint32_t size) : p_(p), size_(size) {}
  std::uint32_t Size() const { return size_; }
  const std::uint8_t* Data() const { return p_; }
  std::uint32_t U32(std::uint64_t off) const {
    Need(off, 4);
    return Get32(p_ + off);
  }
  std::int32_t I32(std::uint64_t off) const { return std::int32_t(U32(off)); }
  std::uint16_t U16(std::uint64_t off) const {
    Need(off, 2);
    return Get16(p_ + off);
  }
  std::int16_t I16(std::uint64_t off) const { return std::int16_t(U16(off)); }
  std::uint8_t U8(std::uint64_t off) const {
    Need(off, 1);
    return p_[off];
  }
  float F32(std::uint64_t off) const {
    const std::uint32_t v = U32(off);
    float f;
    static_assert(sizeof f == sizeof v);
    std::memcpy(&f, &v, sizeof f);
    return std::isfinite(f) ? f : 0.0f;
  }
  // `bytes` bytes at `off` must lie in the record.
  void Need(std::uint64_t off, std::uint64_t bytes) const {
    // Offsets and sizes come from 32-bit fields and small sums of them, so
    // the 64-bit sum cannot wrap.
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
  void DrawPath(const TPath&, bool, bool) override {}
  void DrawImage(const TImage&, TPointF, TPointF, TPointF) override {}
  void SetRop2(TRop2) override {}
  void IntersectClipRect(const TRect&) override {}
  void ClipPath(const TPath&, TClipMode) override {}
  void OffsetClip(double, double) override {}
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
double Finite(double v) { return std::isfinite(v) ? std::clamp(v, -1.0e12, 1.0e12) : 0.0; }

// An affine map x' = a x + c y + e, y' = b x + d y + f (the platform's XFORM
// order: eM11 = a, eM12 = b, eM21 = c, eM22 = d).
struct TXform {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  TPointF Map(double x, double y) const { return {a * x + c * y + e, b * x + d * y + f}; }
  // First this, then `then`.
  TXform Then(const TXform& t) const {
    return {a * t.a + b * t.c, a * t.b + b * t.d, c * t.a + d * t.c, c * t.b + d * t.d, e * t.a + f * t.c + t.e,
            e * t.b + f * t.d + t.f};
  }
  bool AxisAligned() const { return b == 0 && c == 0; }
  double Scale() const { return std::sqrt(std::abs(a * d - b * c)); }
};

// A logical pen: widths and dashes in logical units until they are drawn.
struct TLogPen {
  TPen pen;
  double width = 0;
  bool geometric = false;
  std::vector<double> dashes;
};
struct TLogBrush {
  TBrush brush;
};
// An object the player keeps but does not draw with (palettes, colour
// spaces, brushes and pens of kinds it does not know): selecting it selects
// nothing new.
struct TUndrawn {};
// Pens and fonts are shared between the table and the states that select
// them, so selecting one copies nothing and drawing with the one already on
// the canvas sets nothing.
using TPenRef = std::shared_ptr<const TLogPen>;
using TFontRef = std::shared_ptr<const TLogFont>;
using TObject = std::variant<std::monostate, TPenRef, TLogBrush, TFontRef, TUndrawn>;

// The platform's mapping modes.
enum : std::uint32_t {
  MM_TEXT = 1, MM_LOMETRIC, MM_HIMETRIC, MM_LOENGLISH, MM_HIENGLISH, MM_TWIPS, MM_ISOTROPIC, MM_ANISOTROPIC
};

// Every pixel of a bitmap costs four bytes; beyond this a bitmap is not drawn.
constexpr std::uint64_t kMaxImagePixels = 16u << 20;

// The state a device context keeps and EMR_SAVEDC saves.
struct TDc {
  std::uint32_t mapMode = MM_TEXT;
  double winOrgX = 0, winOrgY = 0, winExtX = 1, winExtY = 1;
  double vpOrgX = 0, vpOrgY = 0, vpExtX = 1, vpExtY = 1;
  TXform world;
  TPenRef pen;
  TLogBrush brush;
  TFontRef font;
  bool winding = false;
  bool clockwise = false;
  TRop2 rop = TRop2::CopyPen;
  TBkMode bkMode = TBkMode::Opaque;
  TColor bkColor = colors::White;
  double curX = 0, curY = 0;  // logical
};

// Decodes a device-independent bitmap (BITMAPCOREHEADER or BITMAPINFOHEADER
// and its later forms) whose header and bits lie inside `r`. Returns an
// empty image for forms it does not draw (compressed bits, odd depths) and
// fails for sizes that do not fit their record.
TImage DecodeDib(const TRecord& r, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                 std::uint32_t cbBits, bool decode) {
  TImage img;
  if (cbBmi == 0) return img;
  r.Need(offBmi, cbBmi);
  r.Need(offBits, cbBits);
  if (cbBmi < 12) Invalid();
  const std::uint32_t hsize = r.U32(offBmi);
  if (hsize > cbBmi || hsize < 12) Invalid();
  std::int64_t w, h;
  std::uint32_t bpp, compression = 0, used = 0;
  if (hsize == 12) {
    w = r.U16(offBmi + 4);
    h = r.I16(offBmi + 6);
    bpp = r.U16(offBmi + 10);
  } else {
    if (hsize < 40) Invalid();
    w = r.I32(offBmi + 4);
    h = r.I32(offBmi + 8);
    bpp = r.U16(offBmi + 14);
    compression = r.U32(offBmi + 16);
    used = r.U32(offBmi + 32);
  }
  const bool topDown = h < 0;
  h = std::abs(h);
  if (w <= 0 || h <= 0) return img;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return img;
  if (compression != 0 && compression != 3) return img;  // run-length and embedded JPEG/PNG are not drawn
  const std::uint64_t stride = (std::uint64_t(w) * bpp + 31) / 32 * 4;
  // The bits must be in the record before anything is allocated for them;
  // a bitmap they do not cover (a band of scan lines) is not drawn.
  if (stride * std::uint64_t(h) > cbBits) return img;
  if (std::uint64_t(w) * std::uint64_t(h) > kMaxImagePixels) return img;
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bpp == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  std::uint64_t palOff = std::uint64_t(offBmi) + hsize;
  if (compression == 3) {
    if (bpp != 16 && bpp != 32) return img;
    const std::uint64_t mOff = hsize >= 52 ? offBmi + 40 : palOff;
    for (int i = 0; i < 3; ++i) masks[i] = r.U32(mOff + 4 * i);
    if (hsize < 52) palOff += 12;
  }
  // Indices beyond the colour table draw opaque black.
  std::uint32_t palette[256];
  std::fill(std::begin(palette), std::end(palette), 0xFF000000u);
  std::uint32_t colorsUsed = 0;
  if (bpp <= 8) {
    colorsUsed = used == 0 || used > (1u << bpp) ? (1u << bpp) : used;
    const std::uint32_t entry = hsize == 12 ? 3 : 4;
    // A palette cut short by its header size keeps black for the rest.
    const std::uint64_t fits = palOff >= std::uint64_t(offBmi) + cbBmi ? 0 : (std::uint64_t(offBmi) + cbBmi - palOff) / entry;
    for (std::uint32_t i = 0; i < colorsUsed && i < fits; ++i) {
      const std::uint64_t o = palOff + std::uint64_t(i) * entry;
      palette[i] = 0xFF000000u | (std::uint32_t(r.U8(o + 2)) << 16) | (std::uint32_t(r.U8(o + 1)) << 8) | r.U8(o);
    }
  }
  if (!decode) return img;
  img.width = int(w);
  img.height = int(h);
  img.pixels.resize(std::size_t(w * h));
  const std::uint8_t* bits = r.Data() + offBits;
  auto channel = [](std::uint32_t v, std::uint32_t mask) -> std::uint32_t {
    if (mask == 0) return 0;
    int shift = 0;
    while (!(mask & 1)) mask >>= 1, ++shift;
    const std::uint32_t max = mask;
    return max ? ((v >> shift) & mask) * 255 / max : 0;
  };
  for (std::int64_t y = 0; y < h; ++y) {
    const std::uint8_t* row = bits + stride * std::uint64_t(topDown ? y : h - 1 - y);
    std::uint32_t* out = img.pixels.data() + y * w;
    for (std::int64_t x = 0; x < w; ++x) {
      std::uint32_t v = 0;
      switch (bpp) {
        case 1: v = palette[(row[x / 8] >> (7 - x % 8)) & 1]; break;
        case 4: v = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF]; break;
        case 8: v = palette[row[x]]; break;
        case 16: {
          const std::uint32_t p = row[2 * x] | (row[2 * x + 1] << 8);
          v = 0xFF000000u | (channel(p, masks[0]) << 16) | (channel(p, masks[1]) << 8) | channel(p, masks[2]);
          break;
        }
        case 24: v = 0xFF000000u | (row[3 * x + 2] << 16) | (row[3 * x + 1] << 8) | row[3 * x]; break;
        case 32: {
          const std::uint32_t p = Get32(row + 4 * x);
          if (compression == 3) {
            v = 0xFF000000u | (channel(p, masks[0]) << 16) | (channel(p, masks[1]) << 8) | channel(p, masks[2]);
          } else {
            v = p;
          }
          break;
        }
      }
      out[x] = v;
    }
  }
  // 32-bit pixels carry no alpha unless a blend asks for it.
  if (bpp == 32 && compression == 0) {
    for (auto& p : img.pixels) p |= 0xFF000000u;
  }
  return img;
}

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
    const double sx = dest.Width() / fw, sy = dest.Height() / fh;
    device_ = {sx, 0, 0, sy, dest.left - fx * sx, dest.top - fy * sy};
    m_ = device_;
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
    if (!checkOnly_) {
      auto pen = std::make_shared<TLogPen>();
      pen->width = 1;
      dc_.pen = pen;
      dc_.font = std::make_shared<const TLogFont>();
    }
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
    // Some writers leave the header record out of the count.
    if (off != h_.bytes || (count != h_.records && count != h_.records + 1)) Invalid();
    for (; depth_ > 0; --depth_) canvas_.Restore();
    canvas_.Restore();
  }

 private:
  // --- Coordinates ---------------------------------------------------------

  // Page space to the reference device: window to viewport.
  void UpdateMapping() {
    double sx = 1, sy = 1;
    const double pxPerMmX = h_.PixelsPerHundredthMmX() * 100, pxPerMmY = h_.PixelsPerHundredthMmY() * 100;
    switch (dc_.mapMode) {
      case MM_LOMETRIC: sx = pxPerMmX * 0.1, sy = -pxPerMmY * 0.1; break;
      case MM_HIMETRIC: sx = pxPerMmX * 0.01, sy = -pxPerMmY * 0.01; break;
      case MM_LOENGLISH: sx = pxPerMmX * 0.254, sy = -pxPerMmY * 0.254; break;
      case MM_HIENGLISH: sx = pxPerMmX * 0.0254, sy = -pxPerMmY * 0.0254; break;
      case MM_TWIPS: sx = pxPerMmX * 25.4 / 1440, sy = -pxPerMmY * 25.4 / 1440; break;
      case MM_ISOTROPIC:
      case MM_ANISOTROPIC:
        sx = dc_.winExtX != 0 ? dc_.vpExtX / dc_.winExtX : 1;
        sy = dc_.winExtY != 0 ? dc_.vpExtY / dc_.winExtY : 1;
        if (dc_.mapMode == MM_ISOTROPIC) {
          // Equal scales both ways: the smaller one, each keeping its sign.
          const double s = std::min(std::abs(sx), std::abs(sy));
          sx = std::copysign(s, sx);
          sy = std::copysign(s, sy);
        }
        break;
      default: break;
    }
    const TXform page{sx, 0, 0, sy, dc_.vpOrgX - dc_.winOrgX * sx, dc_.vpOrgY - dc_.winOrgY * sy};
    m_ = dc_.world.Then(page).Then(device_);
    if (!std::isfinite(m_.a) || !std::isfinite(m_.b) || !std::isfinite(m_.c) || !std::isfinite(m_.d) ||
        !std::isfinite(m_.e) || !std::isfinite(m_.f)) {
      m_ = device_;
    }
    penDirty_ = fontDirty_ = true;
    onCanvasPen_.reset();
    onCanvasFont_.reset();
    canvasAt_.reset();
  }

  TPointF P(double x, double y) const {
    const TPointF p = m_.Map(x, y);
    return {Finite(p.x), Finite(p.y)};
  }
  // 64-bit, so that an inclusive edge of 2147483647 can still be widened by one.
  int X(std::int64_t x) const { return Clamp(m_.e + double(x) * m_.a); }
  int Y(std::int64_t y) const { return Clamp(m_.f + double(y) * m_.d); }
  TRect Rect(const TRecord& r, std::uint64_t off, int inclusive) const {
    int l = X(r.I32(off)), t = Y(r.I32(off + 4));
    int rr = X(std::int64_t(r.I32(off + 8)) + inclusive), b = Y(std::int64_t(r.I32(off + 12)) + inclusive);
    if (rr < l) std::swap(l, rr);
    if (b < t) std::swap(t, b);
    return {l, t, rr, b};
  }
  TLogFont ScaleFont(TLogFont f) const {
    const double s = m_.AxisAligned() ? std::abs(m_.d) : std::hypot(m_.c, m_.d);
    f.height = std::max(1, Clamp(std::abs(double(f.height)) * s));
    return f;
  }

  // --- State realised on the canvas when drawing needs it ------------------

  void RealizePen() {
    if (!penDirty_) return;
    penDirty_ = false;
    if (dc_.pen == onCanvasPen_) return;
    onCanvasPen_ = dc_.pen;
    const TLogPen& lp = *dc_.pen;
    TPen pen = lp.pen;
    const double s = m_.AxisAligned() ? std::abs(m_.a) : m_.Scale();
    const double w = lp.width;
    if (lp.geometric || w > 1) {
      pen.width = w <= 0 ? 0 : std::max(1, Clamp(std::min(w * s, 1.0e6)));
    } else {
      pen.width = w <= 0 ? 0 : 1;
    }
    pen.dashes.clear();
    for (double d : lp.dashes) pen.dashes.push_back(std::clamp(lp.geometric ? d * s : d, 0.0, 1.0e6));
    canvas_.SetPen(pen);
  }
  void RealizeBrush() {
    if (!brushDirty_) return;
    brushDirty_ = false;
    canvas_.SetBrush(dc_.brush.brush);
  }
  void RealizeFont() {
    if (!fontDirty_) return;
    fontDirty_ = false;
    if (dc_.font == onCanvasFont_) return;
    onCanvasFont_ = dc_.font;
    TLogFont f = ScaleFont(*dc_.font);
    if (!m_.AxisAligned()) {
      // The transform turns the text line with everything else.
      const double turn = std::atan2(-m_.b, m_.a) * 1800 / kPi;
      f.escapement = int(std::lround(std::fmod(f.escapement + turn + 3600.0, 3600.0)));
    }
    canvas_.SetFont(f);
  }

  // --- Paths and figures ---------------------------------------------------

  // Where a figure goes: the path being recorded, or the canvas.
  // A path holds at most this many elements (about 100 MB); what a path
  // adds beyond is dropped, so arcs and curves cannot multiply memory.
  static constexpr std::size_t kMaxPathElements = std::size_t(1) << 22;
  bool PathFull() const { return path_.elements.size() >= kMaxPathElements; }
  void AddMove(double x, double y) {
    if (PathFull()) return;
    path_.MoveTo(P(x, y));
    figureOpen_ = true;
  }
  void AddLine(double x, double y) {
    if (!figureOpen_) AddMove(dc_.curX, dc_.curY);
    if (PathFull()) return;
    path_.LineTo(P(x, y));
  }
  void AddCurve(double x1, double y1, double x2, double y2, double x3, double y3) {
    if (!figureOpen_) AddMove(dc_.curX, dc_.curY);
    if (PathFull()) return;
    path_.CurveTo(P(x1, y1), P(x2, y2), P(x3, y3));
  }
  void CloseFigure() {
    if (figureOpen_ && !PathFull()) path_.Close();
    figureOpen_ = false;
  }
  // Draws what was collected into path_ unless a path is being recorded.
  void Flush(bool stroke, bool fill) {
    if (inPath_) return;
    if (!checkOnly_ && !path_.Empty() && dc_.rop != TRop2::Nop) {
      path_.winding = dc_.winding;
      if (stroke) RealizePen();
      if (fill) RealizeBrush();
      canvas_.DrawPath(path_, stroke, fill);
    }
    path_.elements.clear();
    figureOpen_ = false;
  }
  // Starts a figure of its own unless it adds to a recorded path.
  void BeginFigure() {
    if (!inPath_) {
      path_.elements.clear();
      figureOpen_ = false;
    }
  }

  // An elliptic arc of the box from angle t0 sweeping `sweep` radians
  // (counter-clockwise on a y-down page when positive), in cubic pieces.
  void AddArc(double cx, double cy, double rx, double ry, double t0, double sweep, bool moveFirst) {
    const double x0 = cx + rx * std::cos(t0), y0 = cy - ry * std::sin(t0);
    if (moveFirst) {
      AddMove(x0, y0);
    } else {
      AddLine(x0, y0);
    }
    const int pieces = std::max(1, int(std::ceil(std::abs(sweep) / (kPi / 2) - 1e-9)));
    const double step = sweep / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double t = t0;
    for (int i = 0; i < pieces; ++i, t += step) {
      const double c0 = std::cos(t), s0 = std::sin(t), c1 = std::cos(t + step), s1 = std::sin(t + step);
      AddCurve(cx + rx * (c0 - k * s0), cy - ry * (s0 + k * c0), cx + rx * (c1 + k * s1), cy - ry * (s1 - k * c1),
               cx + rx * c1, cy - ry * s1);
    }
  }
  struct TBox {
    double l, t, r, b;
    double Cx() const { return (l + r) / 2; }
    double Cy() const { return (t + b) / 2; }
    double Rx() const { return std::abs(r - l) / 2; }
    double Ry() const { return std::abs(b - t) / 2; }
  };
  TBox Box(const TRecord& r, std::uint64_t off) const {
    return {double(r.I32(off)), double(r.I32(off + 4)), double(r.I32(off + 8)), double(r.I32(off + 12))};
  }
  double Angle(const TBox& b, double x, double y) const {
    return std::atan2((b.Cy() - y) / std::max(b.Ry(), 1e-9), (x - b.Cx()) / std::max(b.Rx(), 1e-9));
  }
  // ARC, ARCTO, CHORD and PIE: the arc from the start radial to the end one.
  void Arc(const TRecord& r, std::uint32_t type) {
    r.Need(8, 32);
    if (checkOnly_) return;
    const TBox b = Box(r, 8);
    const double t0 = Angle(b, r.I32(24), r.I32(28));
    double t1 = Angle(b, r.I32(32), r.I32(36));
    double sweep = t1 - t0;
    if (dc_.clockwise) {
      while (sweep >= 0) sweep -= 2 * kPi;
    } else {
      while (sweep <= 0) sweep += 2 * kPi;
    }
    BeginFigure();
    if (type == EMR_ARCTO) {
      AddArc(b.Cx(), b.Cy(), b.Rx(), b.Ry(), t0, sweep, false);
    } else {
      AddArc(b.Cx(), b.Cy(), b.Rx(), b.Ry(), t0, sweep, true);
      if (type == EMR_PIE) AddLine(b.Cx(), b.Cy());
      if (type != EMR_ARC) CloseFigure();
    }
    const double tEnd = t0 + sweep;
    if (type == EMR_ARCTO) {
      dc_.curX = b.Cx() + b.Rx() * std::cos(tEnd);
      dc_.curY = b.Cy() - b.Ry() * std::sin(tEnd);
    }
    Flush(true, type == EMR_CHORD || type == EMR_PIE);
  }
  void AddEllipse(const TBox& b) {
    AddArc(b.Cx(), b.Cy(), b.Rx(), b.Ry(), 0, 2 * kPi, true);
    CloseFigure();
  }
  void AddRect(const TBox& b) {
    AddMove(b.l, b.t);
    AddLine(b.r, b.t);
    AddLine(b.r, b.b);
    AddLine(b.l, b.b);
    CloseFigure();
  }
  void AddRoundRect(const TBox& b, double w, double h) {
    const double rx = std::min(std::abs(w) / 2, b.Rx()), ry = std::min(std::abs(h) / 2, b.Ry());
    const double l = std::min(b.l, b.r), t = std::min(b.t, b.b), rr = std::max(b.l, b.r), bb = std::max(b.t, b.b);
    AddArc(rr - rx, t + ry, rx, ry, 0, kPi / 2, true);
    AddArc(l + rx, t + ry, rx, ry, kPi / 2, kPi / 2, false);
    AddArc(l + rx, bb - ry, rx, ry, kPi, kPi / 2, false);
    AddArc(rr - rx, bb - ry, rx, ry, 1.5 * kPi, kPi / 2, false);
    CloseFigure();
  }

  // The points of a poly record: `count` at `off`, 16 or 32 bits each.
  struct TPoints {
    const TRecord& r;
    std::uint64_t off;
    bool small;
    double X(std::uint64_t i) const { return small ? r.I16(off + 4 * i) : r.I32(off + 8 * i); }
    double Y(std::uint64_t i) const { return small ? r.I16(off + 4 * i + 2) : r.I32(off + 8 * i + 4); }
  };

  void Poly(const TRecord& r, std::uint32_t type) {
    const bool small = type >= EMR_POLYBEZIER16 && type <= EMR_POLYDRAW16;
    const std::uint32_t n = r.U32(24);
    const std::uint64_t bytes = std::uint64_t(n) * (small ? 4 : 8);
    r.Need(28, bytes);
    const std::uint32_t kind = type == EMR_POLYDRAW16 ? EMR_POLYDRAW : small ? type - EMR_POLYBEZIER16 + EMR_POLYBEZIER : type;
    if (kind == EMR_POLYDRAW) r.Need(28 + bytes, n);
    if (checkOnly_ || n == 0) return;
    const TPoints pts{r, 28, small};
    BeginFigure();
    switch (kind) {
      case EMR_POLYBEZIER:
        AddMove(pts.X(0), pts.Y(0));
        for (std::uint64_t i = 1; i + 2 < n; i += 3) {
          AddCurve(pts.X(i), pts.Y(i), pts.X(i + 1), pts.Y(i + 1), pts.X(i + 2), pts.Y(i + 2));
        }
        Flush(true, false);
        break;
      case EMR_POLYGON:
      case EMR_POLYLINE:
        AddMove(pts.X(0), pts.Y(0));
        for (std::uint64_t i = 1; i < n; ++i) AddLine(pts.X(i), pts.Y(i));
        if (kind == EMR_POLYGON) CloseFigure();
        Flush(true, kind == EMR_POLYGON);
        break;
      case EMR_POLYBEZIERTO:
        for (std::uint64_t i = 0; i + 2 < n; i += 3) {
          AddCurve(pts.X(i), pts.Y(i), pts.X(i + 1), pts.Y(i + 1), pts.X(i + 2), pts.Y(i + 2));
          dc_.curX = pts.X(i + 2), dc_.curY = pts.Y(i + 2);
        }
        Flush(true, false);
        break;
      case EMR_POLYLINETO:
        for (std::uint64_t i = 0; i < n; ++i) AddLine(pts.X(i), pts.Y(i));
        dc_.curX = pts.X(n - 1), dc_.curY = pts.Y(n - 1);
        Flush(true, false);
        break;
      case EMR_POLYDRAW: {
        // Point types: PT_MOVETO 6, PT_LINETO 2, PT_BEZIERTO 4, | PT_CLOSEFIGURE 1.
        const std::uint64_t typesOff = 28 + bytes;
        for (std::uint64_t i = 0; i < n; ++i) {
          const std::uint8_t t = r.U8(typesOff + i);
          if ((t & 6) == 6) {
            AddMove(pts.X(i), pts.Y(i));
          } else if ((t & 6) == 4 && i + 2 < n) {
            AddCurve(pts.X(i), pts.Y(i), pts.X(i + 1), pts.Y(i + 1), pts.X(i + 2), pts.Y(i + 2));
            i += 2;
          } else {
            AddLine(pts.X(i), pts.Y(i));
          }
          dc_.curX = pts.X(i), dc_.curY = pts.Y(i);
          if (r.U8(typesOff + i) & 1) CloseFigure();
        }
        Flush(true, false);
        break;
      }
      default: break;
    }
  }

  void PolyPoly(const TRecord& r, std::uint32_t type) {
    const bool small = type == EMR_POLYPOLYLINE16 || type == EMR_POLYPOLYGON16;
    const bool polygon = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
    const std::uint32_t figures = r.U32(24), total = r.U32(28);
    r.Need(32, std::uint64_t(figures) * 4);
    const std::uint64_t ptsOff = 32 + std::uint64_t(figures) * 4;
    r.Need(ptsOff, std::uint64_t(total) * (small ? 4 : 8));
    std::uint64_t sum = 0;
    for (std::uint32_t i = 0; i < figures; ++i) sum += r.U32(32 + 4 * std::uint64_t(i));
    if (sum > total) Invalid();
    if (checkOnly_) return;
    const TPoints pts{r, ptsOff, small};
    BeginFigure();
    std::uint64_t at = 0;
    for (std::uint32_t f = 0; f < figures; ++f) {
      const std::uint32_t n = r.U32(32 + 4 * std::uint64_t(f));
      if (n == 0) continue;
      AddMove(pts.X(at), pts.Y(at));
      for (std::uint64_t i = 1; i < n; ++i) AddLine(pts.X(at + i), pts.Y(at + i));
      if (polygon) CloseFigure();
      at += n;
    }
    Flush(true, polygon);
  }

  // A rectangle or ellipse: the canvas's own call while the transform keeps
  // axes, a path otherwise or while a path is recorded.
  void Figure(const TRecord& r, std::uint32_t type) {
    r.Need(8, 16);
    if (checkOnly_) return;
    const TBox b = Box(r, 8);
    if (!inPath_ && m_.AxisAligned() && type != EMR_ROUNDRECT) {
      if (dc_.rop == TRop2::Nop) return;
      RealizePen();
      RealizeBrush();
      if (type == EMR_RECTANGLE) {
        canvas_.Rectangle(Rect(r, 8, 1));
      } else {
        canvas_.Ellipse(Rect(r, 8, 1));
      }
      return;
    }
    BeginFigure();
    if (type == EMR_RECTANGLE) AddRect(b);
    if (type == EMR_ELLIPSE) AddEllipse(b);
    if (type == EMR_ROUNDRECT) AddRoundRect(b, r.I32(24), r.I32(28));
    Flush(true, true);
  }

  // --- Regions -------------------------------------------------------------

  // RGNDATA at `off`, `size` bytes: its rectangles as a path of reference
  // device pixels mapped onto the canvas.
  TPath Region(const TRecord& r, std::uint64_t off, std::uint32_t size) const {
    r.Need(off, size);
    if (size < 32) Invalid();
    const std::uint32_t count = r.U32(off + 8);
    if (std::uint64_t(count) * 16 > size - 32) Invalid();
    TPath path;
    path.winding = true;
    if (checkOnly_) return path;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t o = off + 32 + 16 * std::uint64_t(i);
      const double l = r.I32(o), t = r.I32(o + 4), rr = r.I32(o + 8), b = r.I32(o + 12);
      auto d = [&](double x, double y) {
        const TPointF p = device_.Map(x, y);
        return TPointF{Finite(p.x), Finite(p.y)};
      };
      path.MoveTo(d(l, t));
      path.LineTo(d(rr, t));
      path.LineTo(d(rr, b));
      path.LineTo(d(l, b));
      path.Close();
    }
    return path;
  }
  void FillRegion(const TPath& region, const TBrush* brush) {
    if (checkOnly_ || region.Empty()) return;
    if (brush) {
      canvas_.SetBrush(*brush);
      brushDirty_ = true;
    } else {
      RealizeBrush();
    }
    canvas_.DrawPath(region, false, true);
  }
  const TBrush* BrushAt(std::uint32_t index) {
    static const TBrush kStock[] = {{TBrushStyle::Solid, colors::White}, {TBrushStyle::Solid, TColor::Rgb(192, 192, 192)},
                                    {TBrushStyle::Solid, TColor::Rgb(128, 128, 128)},
                                    {TBrushStyle::Solid, TColor::Rgb(64, 64, 64)}, {TBrushStyle::Solid, colors::Black},
                                    {TBrushStyle::Clear, colors::White}};
    if (index & kStockObject) {
      const std::uint32_t s = index & ~kStockObject;
      return s < 6 ? &kStock[s] : nullptr;
    }
    if (auto* b = std::get_if<TLogBrush>(&Slot(index))) return &b->brush;
    return nullptr;
  }

  // --- Objects -------------------------------------------------------------

  // The table grows as objects are made, so a header that claims a large
  // table costs nothing until it is used.
  TObject& Slot(std::uint32_t index) {
    if (index == 0 || index >= h_.handles) Invalid();
    if (index >= objects_.size()) objects_.resize(index + 1);
    return objects_[index];
  }

  static TPenStyle PenStyle(std::uint32_t style) {
    style &= 0xF;
    return style <= 6 ? TPenStyle(style) : TPenStyle::Solid;
  }

  // A brush from LOGBRUSH fields; hatches outside the platform's six are solid.
  static TBrush MakeBrush(std::uint32_t style, std::uint32_t color, std::uint32_t hatch) {
    TBrush brush;
    brush.color = ColorFromRef(color);
    if (style == 1) {
      brush.style = TBrushStyle::Clear;
    } else if (style == 2 && hatch <= 5) {
      brush.style = TBrushStyle::Hatched;
      brush.hatch = THatch(hatch);
    }
    return brush;
  }

  void CreatePattern(const TRecord& r, bool mono) {
    TObject& slot = Slot(r.U32(8));
    r.U32(12);
    TImage img = DecodeDib(r, r.U32(16), r.U32(20), r.U32(24), r.U32(28), !checkOnly_);
    if (checkOnly_ || img.width == 0) {
      slot = TUndrawn{};
      return;
    }
    if (mono) {
      // A monochrome pattern draws its 0 bits in the text colour and its 1
      // bits in the background colour.
      for (auto& p : img.pixels) p = (p & 0xFFFFFF) ? 0xFFFFFFFFu : 0xFF000000u;
    }
    TLogBrush b;
    b.brush.style = TBrushStyle::Pattern;
    b.brush.pattern = std::make_shared<TImage>(std::move(img));
    slot = b;
  }

  void ExtCreatePen(const TRecord& r) {
    TObject& slot = Slot(r.U32(8));
    const std::uint32_t offBmi = r.U32(12), cbBmi = r.U32(16), offBits = r.U32(20), cbBits = r.U32(24);
    if (cbBmi) r.Need(offBmi, cbBmi);
    if (cbBits) r.Need(offBits, cbBits);
    const std::uint32_t style = r.U32(28), width = r.U32(32), brushStyle = r.U32(36), color = r.U32(40);
    r.U32(44);
    const std::uint32_t entries = r.U32(48);
    r.Need(52, std::uint64_t(entries) * 4);
    if (checkOnly_) {
      slot = TUndrawn{};
      return;
    }
    TLogPen pen;
    pen.geometric = (style & 0x00010000) != 0;  // PS_GEOMETRIC
    pen.width = pen.geometric ? double(width) : (width > 1 ? 1.0 : double(width));
    pen.pen.style = (style & 0xF) == 7 ? TPenStyle::Solid : PenStyle(style);  // PS_USERSTYLE 7
    if ((style & 0xF) == 8) pen.pen.style = TPenStyle::Dot;                    // PS_ALTERNATE 8
    pen.pen.color = ColorFromRef(color);
    if (brushStyle == 1) pen.pen.style = TPenStyle::Clear;  // a hollow brush draws no line
    switch (style & 0x0F00) {
      case 0x0100: pen.pen.cap = TLineCap::Square; break;
      case 0x0200: pen.pen.cap = TLineCap::Flat; break;
      default: pen.pen.cap = TLineCap::Round; break;
    }
    switch (style & 0xF000) {
      case 0x1000: pen.pen.join = TLineJoin::Bevel; break;
      case 0x2000: pen.pen.join = TLineJoin::Miter; break;
      default: pen.pen.join = TLineJoin::Round; break;
    }
    if (!pen.geometric) {
      pen.pen.cap = TLineCap::Flat;
      pen.pen.join = TLineJoin::Miter;
    }
    if ((style & 0xF) == 7) {
      double total = 0;
      for (std::uint32_t i = 0; i < entries && i < 16; ++i) {
        const double len = r.U32(52 + 4 * std::uint64_t(i));
        pen.dashes.push_back(std::max(len, 0.0));
        total += len;
      }
      if (total <= 0) pen.dashes.clear();
    }
    slot = std::make_shared<const TLogPen>(std::move(pen));
  }

  void Select(std::uint32_t index) {
    if (index & kStockObject) {
      SelectStock(index & ~kStockObject);
      return;
    }
    const TObject& obj = Slot(index);
    if (checkOnly_) return;  // the index is all a check needs
    if (auto* pen = std::get_if<TPenRef>(&obj)) {
      dc_.pen = *pen;
      penDirty_ = true;
    } else if (auto* brush = std::get_if<TLogBrush>(&obj)) {
      dc_.brush = *brush;
      brushDirty_ = true;
    } else if (auto* font = std::get_if<TFontRef>(&obj)) {
      dc_.font = *font;
      fontDirty_ = true;
    }
    // Anything else (an object not drawn, deleted or never made) selects
    // nothing new, as the platform leaves the current one in place.
  }

  void SelectStock(std::uint32_t stock) {
    if (checkOnly_) return;
    auto brush = [&](TBrushStyle s, TColor c) {
      dc_.brush.brush = TBrush{s, c};
      brushDirty_ = true;
    };
    auto pen = [&](int which, TPenStyle s, TColor c) {
      if (!stockPens_[which]) {
        auto p = std::make_shared<TLogPen>();
        p->pen = TPen{s, 1, c};
        p->width = 1;
        stockPens_[which] = p;
      }
      dc_.pen = stockPens_[which];
      penDirty_ = true;
    };
    switch (stock) {
      case 0: brush(TBrushStyle::Solid, colors::White); break;
      case 1: brush(TBrushStyle::Solid, TColor::Rgb(192, 192, 192)); break;
      case 2: brush(TBrushStyle::Solid, TColor::Rgb(128, 128, 128)); break;
      case 3: brush(TBrushStyle::Solid, TColor::Rgb(64, 64, 64)); break;
      case 4: brush(TBrushStyle::Solid, colors::Black); break;
      case 5: brush(TBrushStyle::Clear, colors::White); break;
      case 6: pen(0, TPenStyle::Solid, colors::White); break;
      case 7: pen(1, TPenStyle::Solid, colors::Black); break;
      case 8: pen(2, TPenStyle::Clear, colors::Black); break;
      case 10: case 11: case 12: case 13: case 14: case 16: case 17:
        if (!stockFont_) stockFont_ = std::make_shared<const TLogFont>();
        dc_.font = stockFont_;
        fontDirty_ = true;
        break;
      default: break;  // palettes and DC pens/brushes have no meaning here
    }
  }

  // --- Records -------------------------------------------------------------

  void Dispatch(std::uint32_t type, const TRecord& r) {
    switch (type) {
      case EMR_HEADER: Invalid();  // only the first record is a header
      case EMR_EOF: {
        const std::uint32_t n = r.U32(8), offPal = r.U32(12);
        r.U32(16);
        if (n != 0) r.Need(offPal, std::uint64_t(n) * 4);
        break;
      }
      case EMR_SETMAPMODE: {
        const std::uint32_t mode = r.U32(8);
        if (mode >= MM_TEXT && mode <= MM_ANISOTROPIC && !checkOnly_) {
          // Leaving the scalable modes resets the extents to the mode's own.
          if (mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC) {
            dc_.winExtX = dc_.winExtY = dc_.vpExtX = dc_.vpExtY = 1;
          }
          dc_.mapMode = mode;
          UpdateMapping();
        }
        break;
      }
      case EMR_SETWINDOWEXTEX:
      case EMR_SETVIEWPORTEXTEX: {
        const double cx = r.I32(8), cy = r.I32(12);
        if (checkOnly_ || cx == 0 || cy == 0) break;
        if (dc_.mapMode != MM_ISOTROPIC && dc_.mapMode != MM_ANISOTROPIC) break;  // fixed in the other modes
        if (type == EMR_SETWINDOWEXTEX) {
          dc_.winExtX = cx, dc_.winExtY = cy;
        } else {
          dc_.vpExtX = cx, dc_.vpExtY = cy;
        }
        UpdateMapping();
        break;
      }
      case EMR_SETWINDOWORGEX:
      case EMR_SETVIEWPORTORGEX: {
        const double x = r.I32(8), y = r.I32(12);
        if (checkOnly_) break;
        if (type == EMR_SETWINDOWORGEX) {
          dc_.winOrgX = x, dc_.winOrgY = y;
        } else {
          dc_.vpOrgX = x, dc_.vpOrgY = y;
        }
        UpdateMapping();
        break;
      }
      case EMR_SCALEVIEWPORTEXTEX:
      case EMR_SCALEWINDOWEXTEX: {
        const double xn = r.I32(8), xd = r.I32(12), yn = r.I32(16), yd = r.I32(20);
        if (checkOnly_ || xd == 0 || yd == 0 || xn == 0 || yn == 0) break;
        if (dc_.mapMode != MM_ISOTROPIC && dc_.mapMode != MM_ANISOTROPIC) break;
        if (type == EMR_SCALEWINDOWEXTEX) {
          dc_.winExtX = dc_.winExtX * xn / xd, dc_.winExtY = dc_.winExtY * yn / yd;
        } else {
          dc_.vpExtX = dc_.vpExtX * xn / xd, dc_.vpExtY = dc_.vpExtY * yn / yd;
        }
        UpdateMapping();
        break;
      }
      case EMR_SETWORLDTRANSFORM:
      case EMR_MODIFYWORLDTRANSFORM: {
        const TXform x{r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28)};
        const std::uint32_t mode = type == EMR_SETWORLDTRANSFORM ? 4 : r.U32(32);
        if (checkOnly_) break;
        switch (mode) {
          case 1: dc_.world = TXform{}; break;                  // MWT_IDENTITY
          case 2: dc_.world = x.Then(dc_.world); break;         // MWT_LEFTMULTIPLY
          case 3: dc_.world = dc_.world.Then(x); break;         // MWT_RIGHTMULTIPLY
          case 4: dc_.world = x; break;                         // MWT_SET
          default: break;
        }
        UpdateMapping();
        break;
      }
      case EMR_SETBKMODE: {
        const std::uint32_t mode = r.U32(8);
        if (mode == 1 || mode == 2) {
          dc_.bkMode = TBkMode(mode);
          canvas_.SetBkMode(TBkMode(mode));
        }
        break;
      }
      case EMR_SETPOLYFILLMODE: dc_.winding = r.U32(8) == 2; break;
      case EMR_SETARCDIRECTION: dc_.clockwise = r.U32(8) == 2; break;
      case EMR_SETROP2: {
        const std::uint32_t mode = r.U32(8);
        if (mode >= 1 && mode <= 16) {
          dc_.rop = TRop2(mode);
          canvas_.SetRop2(dc_.rop);
        }
        break;
      }
      case EMR_SETTEXTALIGN:
        updateCp_ = (r.U32(8) & TA_UPDATECP) != 0;
        canvas_.SetTextAlign(AlignFromBits(r.U32(8)));
        break;
      case EMR_SETTEXTCOLOR: canvas_.SetTextColor(ColorFromRef(r.U32(8))); break;
      case EMR_SETBKCOLOR: {
        dc_.bkColor = ColorFromRef(r.U32(8));
        canvas_.SetBkColor(dc_.bkColor);
        break;
      }
      // A check needs only to know the fields are there; scaling every
      // coordinate would cost most of the check's time.
      case EMR_MOVETOEX:
        if (checkOnly_) {
          r.Need(8, 8);
          break;
        }
        dc_.curX = r.I32(8), dc_.curY = r.I32(12);
        if (inPath_) AddMove(dc_.curX, dc_.curY);
        break;
      case EMR_LINETO:
        if (checkOnly_) {
          r.Need(8, 8);
          break;
        }
        if (inPath_) {
          AddLine(r.I32(8), r.I32(12));
        } else if (m_.AxisAligned()) {
          if (dc_.rop != TRop2::Nop) {
            RealizePen();
            // The canvas moves only where its position is not already ours.
            if (!canvasAt_ || canvasAt_->x != dc_.curX || canvasAt_->y != dc_.curY) {
              canvas_.MoveTo(X(std::int64_t(dc_.curX)), Y(std::int64_t(dc_.curY)));
            }
            canvas_.LineTo(X(r.I32(8)), Y(r.I32(12)));
            canvasAt_ = TPointF{double(r.I32(8)), double(r.I32(12))};
          }
        } else {
          BeginFigure();
          AddMove(dc_.curX, dc_.curY);
          AddLine(r.I32(8), r.I32(12));
          Flush(true, false);
        }
        dc_.curX = r.I32(8), dc_.curY = r.I32(12);
        break;
      case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
      case EMR_POLYDRAW: case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16:
      case EMR_POLYLINETO16: case EMR_POLYDRAW16:
        r.Need(8, 20);
        Poly(r, type);
        break;
      case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16:
        r.Need(8, 24);
        PolyPoly(r, type);
        break;
      case EMR_ARC: case EMR_ARCTO: case EMR_CHORD: case EMR_PIE: Arc(r, type); break;
      case EMR_ANGLEARC: {
        const double cx = r.I32(8), cy = r.I32(12), radius = r.U32(16);
        const double start = r.F32(20), sweep = r.F32(24);
        if (checkOnly_) break;
        BeginFigure();
        AddMove(dc_.curX, dc_.curY);
        // Beyond a full turn the arc only goes over itself again.
        const double s = std::clamp(double(sweep), -360.0, 360.0) * kPi / 180;
        AddArc(cx, cy, radius, radius, start * kPi / 180, s, false);
        const double t = (start * kPi / 180) + s;
        dc_.curX = cx + radius * std::cos(t), dc_.curY = cy - radius * std::sin(t);
        Flush(true, false);
        break;
      }
      case EMR_SETPIXELV: {
        const std::int32_t x = r.I32(8), y = r.I32(12);
        const std::uint32_t color = r.U32(16);
        if (checkOnly_) break;
        const TPointF p = P(x, y);
        const double s = std::max(1.0, m_.Scale());
        canvas_.SetBrush(TBrush{TBrushStyle::Solid, ColorFromRef(color)});
        brushDirty_ = true;
        canvas_.FillRect({Clamp(p.x), Clamp(p.y), Clamp(p.x + s), Clamp(p.y + s)});
        break;
      }
      case EMR_INTERSECTCLIPRECT:
      case EMR_EXCLUDECLIPRECT:
        if (checkOnly_) {
          r.Need(8, 16);
        } else if (type == EMR_INTERSECTCLIPRECT && m_.AxisAligned()) {
          canvas_.IntersectClipRect(Rect(r, 8, 0));
        } else {
          TPath saved = std::move(path_);
          path_ = TPath{};
          const bool wasInPath = inPath_;
          inPath_ = true;
          AddRect(Box(r, 8));
          inPath_ = wasInPath;
          canvas_.ClipPath(path_, type == EMR_EXCLUDECLIPRECT ? TClipMode::Diff : TClipMode::And);
          path_ = std::move(saved);
        }
        break;
      case EMR_OFFSETCLIPRGN: {
        const double dx = r.I32(8), dy = r.I32(12);
        if (checkOnly_) break;
        canvas_.OffsetClip(dx * m_.a + dy * m_.c, dx * m_.b + dy * m_.d);
        break;
      }
      case EMR_EXTSELECTCLIPRGN: {
        const std::uint32_t cb = r.U32(8), mode = r.U32(12);
        r.Need(16, cb);
        if (cb == 0) {
          // Without region data only "back to no clipping" means anything.
          if (mode == kRgnCopy) canvas_.RemoveClip();
          break;
        }
        const TPath region = Region(r, 16, cb);
        if (!checkOnly_ && mode >= 1 && mode <= 5) canvas_.ClipPath(region, TClipMode(mode));
        break;
      }
      case EMR_FILLRGN: {
        const std::uint32_t cb = r.U32(24), brush = r.U32(28);
        const TPath region = Region(r, 32, cb);
        if (checkOnly_) break;
        if (const TBrush* b = BrushAt(brush)) FillRegion(region, b);
        break;
      }
      case EMR_FRAMERGN: {
        const std::uint32_t cb = r.U32(24), brush = r.U32(28);
        const double w = r.I32(32), hgt = r.I32(36);
        const TPath region = Region(r, 40, cb);
        if (checkOnly_) break;
        const TBrush* b = BrushAt(brush);
        if (!b) break;
        // The frame of each rectangle, w by h logical units thick, inside it.
        const double fw = std::max(1.0, std::abs(w * m_.a)), fh = std::max(1.0, std::abs(hgt * m_.d));
        TPath frame;
        frame.winding = true;
        for (std::size_t i = 0; i + 4 < region.elements.size(); i += 5) {
          const TPointF a = region.elements[i].p, c = region.elements[i + 2].p;
          const double l = std::min(a.x, c.x), t = std::min(a.y, c.y), rr = std::max(a.x, c.x),
                       bb = std::max(a.y, c.y);
          auto strip = [&](double x0, double y0, double x1, double y1) {
            frame.MoveTo({x0, y0});
            frame.LineTo({x1, y0});
            frame.LineTo({x1, y1});
            frame.LineTo({x0, y1});
            frame.Close();
          };
          strip(l, t, rr, std::min(bb, t + fh));
          strip(l, std::max(t, bb - fh), rr, bb);
          strip(l, t, std::min(rr, l + fw), bb);
          strip(std::max(l, rr - fw), t, rr, bb);
        }
        FillRegion(frame, b);
        break;
      }
      case EMR_PAINTRGN:
      case EMR_INVERTRGN: {
        const std::uint32_t cb = r.U32(24);
        const TPath region = Region(r, 28, cb);
        if (checkOnly_) break;
        if (type == EMR_INVERTRGN) canvas_.SetRop2(TRop2::Not);
        FillRegion(region, nullptr);
        if (type == EMR_INVERTRGN) canvas_.SetRop2(dc_.rop);
        break;
      }
      case EMR_BEGINPATH:
        inPath_ = true;
        widened_ = false;
        path_ = TPath{};
        figureOpen_ = false;
        break;
      case EMR_ENDPATH: inPath_ = false; break;
      case EMR_ABORTPATH:
        inPath_ = false;
        path_ = TPath{};
        figureOpen_ = false;
        break;
      case EMR_CLOSEFIGURE:
        if (inPath_) CloseFigure();
        break;
      case EMR_WIDENPATH: widened_ = true; break;
      case EMR_FILLPATH:
      case EMR_STROKEPATH:
      case EMR_STROKEANDFILLPATH:
        r.Need(8, 16);
        inPath_ = false;
        if (widened_ && type != EMR_STROKEPATH && !checkOnly_) {
          // A widened path is the pen's stroke: filling it paints that
          // stroke in the brush's colour.
          RealizePen();
          TPen pen = dc_.pen->pen;
          const double s = m_.AxisAligned() ? std::abs(m_.a) : m_.Scale();
          pen.width = std::max(1, Clamp(std::min(dc_.pen->width * s, 1.0e6)));
          pen.color = dc_.brush.brush.color;
          pen.style = TPenStyle::Solid;
          canvas_.SetPen(pen);
          penDirty_ = true;
          onCanvasPen_.reset();
          Flush(true, false);
        } else {
          Flush(type != EMR_FILLPATH, type != EMR_STROKEPATH);
        }
        widened_ = false;
        break;
      case EMR_SELECTCLIPPATH: {
        const std::uint32_t mode = r.U32(8);
        inPath_ = false;
        if (!checkOnly_ && mode >= 1 && mode <= 5) {
          path_.winding = dc_.winding;
          canvas_.ClipPath(path_, TClipMode(mode));
        }
        path_ = TPath{};
        figureOpen_ = false;
        break;
      }
      case EMR_SAVEDC:
        if (depth_ >= kMaxSaveDepth) Invalid();
        canvas_.Save();
        saved_.push_back(dc_);
        ++depth_;
        break;
      case EMR_RESTOREDC: {
        const std::int32_t which = r.I32(8);
        // Negative: relative to the last save; positive: an absolute level.
        // Levels that were never saved leave the state as it is.
        std::int64_t pops = which < 0 ? -std::int64_t(which) : (which > 0 ? std::int64_t(depth_) - which + 1 : 0);
        if (pops > 0 && pops <= depth_) {
          for (; pops > 0; --pops, --depth_) {
            canvas_.Restore();
            dc_ = saved_.back();
            saved_.pop_back();
          }
          if (!checkOnly_) UpdateMapping();
          // The canvas brought back its own copies of these.
          penDirty_ = brushDirty_ = fontDirty_ = true;
          onCanvasPen_.reset();
          onCanvasFont_.reset();
          canvasAt_.reset();
        }
        break;
      }
      case EMR_CREATEPEN: {
        TObject& slot = Slot(r.U32(8));
        TLogPen pen;
        pen.pen.style = PenStyle(r.U32(12));
        pen.width = r.I32(16);
        r.I32(20);
        pen.pen.color = ColorFromRef(r.U32(24));
        if (checkOnly_) {
          slot = TUndrawn{};  // a check never draws with it
        } else {
          slot = std::make_shared<const TLogPen>(std::move(pen));
        }
        break;
      }
      case EMR_EXTCREATEPEN: ExtCreatePen(r); break;
      case EMR_CREATEBRUSHINDIRECT: {
        TObject& slot = Slot(r.U32(8));
        slot = TLogBrush{MakeBrush(r.U32(12), r.U32(16), r.U32(20))};
        break;
      }
      case EMR_CREATEDIBPATTERNBRUSHPT: CreatePattern(r, false); break;
      case EMR_CREATEMONOBRUSH: CreatePattern(r, true); break;
      case EMR_CREATEPALETTE:
      case EMR_CREATECOLORSPACE:
      case EMR_CREATECOLORSPACEW:
        Slot(r.U32(8)) = TUndrawn{};
        break;
      case EMR_EXTCREATEFONTINDIRECTW: {
        TObject& slot = Slot(r.U32(8));
        r.Need(12, 92);  // the LOGFONTW
        if (checkOnly_) {
          // Every field lies inside the record; only its kind matters here.
          slot = TUndrawn{};
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
        slot = std::make_shared<const TLogFont>(std::move(font));
        break;
      }
      case EMR_SELECTOBJECT: Select(r.U32(8)); break;
      case EMR_DELETEOBJECT: {
        const std::uint32_t index = r.U32(8);
        if (!(index & kStockObject)) Slot(index) = std::monostate{};
        break;
      }
      case EMR_RECTANGLE:
      case EMR_ELLIPSE:
      case EMR_ROUNDRECT:
        Figure(r, type);
        break;
      case EMR_PLGBLT: PlgBlt(r); break;
      case EMR_MASKBLT:
        // Drawn without its mask, whose bits must still lie in the record.
        r.Need(0, 128);
        if (r.U32(116)) r.Need(r.U32(112), r.U32(116));
        if (r.U32(124)) r.Need(r.U32(120), r.U32(124));
        Blt(r, EMR_BITBLT);
        break;
      case EMR_BITBLT:
      case EMR_STRETCHBLT:
      case EMR_ALPHABLEND:
      case EMR_TRANSPARENTBLT:
        Blt(r, type);
        break;
      case EMR_STRETCHDIBITS:
      case EMR_SETDIBITSTODEVICE:
        DiBits(r, type);
        break;
      case EMR_GRADIENTFILL: Gradient(r); break;
      case EMR_EXTTEXTOUTW: Text(r, 36, false); break;
      case EMR_EXTTEXTOUTA: Text(r, 36, true); break;
      case EMR_POLYTEXTOUTW: PolyText(r, false); break;
      case EMR_POLYTEXTOUTA: PolyText(r, true); break;
      case EMR_SMALLTEXTOUT: SmallText(r); break;
      default: break;  // records that draw nothing here are skipped
    }
  }

  // --- Bitmaps -------------------------------------------------------------

  // Draws the source rectangle of `img` onto the logical rectangle.
  void PlaceImage(TImage img, double sx, double sy, double sw, double sh, double x, double y, double w, double h) {
    if (img.width == 0 || dc_.rop == TRop2::Nop) return;
    // Crop to the source rectangle first; its corners may lie outside.
    const int x0 = std::clamp(Clamp(std::min(sx, sx + sw)), 0, img.width);
    const int x1 = std::clamp(Clamp(std::max(sx, sx + sw)), 0, img.width);
    const int y0 = std::clamp(Clamp(std::min(sy, sy + sh)), 0, img.height);
    const int y1 = std::clamp(Clamp(std::max(sy, sy + sh)), 0, img.height);
    if (x1 <= x0 || y1 <= y0) return;
    if (x0 != 0 || y0 != 0 || x1 != img.width || y1 != img.height) {
      TImage crop;
      crop.width = x1 - x0;
      crop.height = y1 - y0;
      crop.pixels.reserve(std::size_t(crop.width) * crop.height);
      for (int yy = y0; yy < y1; ++yy) {
        const auto* row = img.pixels.data() + std::size_t(yy) * img.width;
        crop.pixels.insert(crop.pixels.end(), row + x0, row + x1);
      }
      img = std::move(crop);
    }
    canvas_.DrawImage(img, P(x, y), P(x + w, y), P(x, y + h));
  }

  void Blt(const TRecord& r, std::uint32_t type) {
    const std::uint32_t fixed = type == EMR_BITBLT ? kBitBltSize : 108;
    r.Need(0, fixed);
    const std::int32_t x = r.I32(24), y = r.I32(28), cx = r.I32(32), cy = r.I32(36);
    const std::uint32_t rop = r.U32(40);
    const std::int32_t xSrc = r.I32(44), ySrc = r.I32(48);
    const std::uint32_t offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92), cbBits = r.U32(96);
    if (cbBmi) r.Need(offBmi, cbBmi);
    if (cbBits) r.Need(offBits, cbBits);
    TImage img = DecodeDib(r, offBmi, cbBmi, offBits, cbBits, !checkOnly_);
    if (checkOnly_) return;
    if (cbBmi == 0) {
      // No source: a fill with the brush (PATCOPY, the way FillRect is
      // recorded), black, white or an inversion.
      TRop2 mode = dc_.rop;
      const TBrush* fill = nullptr;
      static const TBrush kBlack{TBrushStyle::Solid, colors::Black}, kWhite{TBrushStyle::Solid, colors::White};
      switch (rop) {
        case kPatCopy: break;
        case 0x00000042: fill = &kBlack; break;   // BLACKNESS
        case 0x00FF0062: fill = &kWhite; break;   // WHITENESS
        case 0x00550009: mode = TRop2::Not; break;  // DSTINVERT
        case 0x005A0049: mode = TRop2::XorPen; break;  // PATINVERT
        default: return;
      }
      if (fill) {
        canvas_.SetBrush(*fill);
        brushDirty_ = true;
      } else {
        RealizeBrush();
      }
      if (mode != dc_.rop) canvas_.SetRop2(mode);
      if (m_.AxisAligned()) {
        const std::int64_t x2 = std::int64_t(x) + cx, y2 = std::int64_t(y) + cy;
        int l = X(std::min<std::int64_t>(x, x2)), t = Y(std::min<std::int64_t>(y, y2));
        int rr = X(std::max<std::int64_t>(x, x2)), b = Y(std::max<std::int64_t>(y, y2));
        if (rr < l) std::swap(l, rr);
        if (b < t) std::swap(t, b);
        canvas_.FillRect({l, t, rr, b});
      } else {
        BeginFigure();
        AddRect({double(x), double(y), double(x) + cx, double(y) + cy});
        Flush(false, true);
      }
      if (mode != dc_.rop) canvas_.SetRop2(dc_.rop);
      return;
    }
    double cxSrc = cx, cySrc = cy;
    if (type != EMR_BITBLT) cxSrc = r.I32(100), cySrc = r.I32(104);
    if (type == EMR_ALPHABLEND) {
      const std::uint8_t constant = (rop >> 16) & 0xFF;
      const bool perPixel = ((rop >> 24) & 0xFF) == 1;  // AC_SRC_ALPHA
      // Premultiplied bits: take the alpha byte back out.
      if (perPixel) ReapplyAlpha(img, r, offBmi, offBits);
      for (auto& p : img.pixels) {
        const std::uint32_t a = ((p >> 24) * constant) / 255;
        p = (p & 0xFFFFFF) | (a << 24);
      }
    } else if (type == EMR_TRANSPARENTBLT) {
      const std::uint32_t key = ColorFromRefBgr(rop);
      for (auto& p : img.pixels) {
        if ((p & 0xFFFFFF) == key) p = 0;
      }
    } else {
      TRop2 mode = TRop2::CopyPen;
      switch (rop) {
        case 0x00CC0020: break;                          // SRCCOPY
        case 0x008800C6: mode = TRop2::MaskPen; break;   // SRCAND
        case 0x00EE0086: mode = TRop2::MergePen; break;  // SRCPAINT
        case 0x00660046: mode = TRop2::XorPen; break;    // SRCINVERT
        case 0x00330008:                                 // NOTSRCCOPY
          for (auto& p : img.pixels) p ^= 0x00FFFFFF;
          break;
        default: break;
      }
      if (mode != TRop2::CopyPen) canvas_.SetRop2(mode);
      PlaceImage(std::move(img), xSrc, ySrc, cxSrc, cySrc, x, y, cx, cy);
      if (mode != TRop2::CopyPen) canvas_.SetRop2(dc_.rop);
      return;
    }
    PlaceImage(std::move(img), xSrc, ySrc, cxSrc, cySrc, x, y, cx, cy);
  }

  void PlgBlt(const TRecord& r) {
    r.Need(0, 140);
    const std::uint32_t offBmi = r.U32(96), cbBmi = r.U32(100), offBits = r.U32(104), cbBits = r.U32(108);
    if (r.U32(128)) r.Need(r.U32(124), r.U32(128));
    if (r.U32(136)) r.Need(r.U32(132), r.U32(136));
    TImage img = DecodeDib(r, offBmi, cbBmi, offBits, cbBits, !checkOnly_);
    if (checkOnly_ || img.width == 0 || dc_.rop == TRop2::Nop) return;
    const double sx = r.I32(48), sy = r.I32(52), sw = r.I32(56), sh = r.I32(60);
    // Crop as PlaceImage does, then map the three corners.
    const int x0 = std::clamp(Clamp(std::min(sx, sx + sw)), 0, img.width);
    const int x1 = std::clamp(Clamp(std::max(sx, sx + sw)), 0, img.width);
    const int y0 = std::clamp(Clamp(std::min(sy, sy + sh)), 0, img.height);
    const int y1 = std::clamp(Clamp(std::max(sy, sy + sh)), 0, img.height);
    if (x1 <= x0 || y1 <= y0) return;
    TImage crop;
    crop.width = x1 - x0;
    crop.height = y1 - y0;
    for (int yy = y0; yy < y1; ++yy) {
      const auto* row = img.pixels.data() + std::size_t(yy) * img.width;
      crop.pixels.insert(crop.pixels.end(), row + x0, row + x1);
    }
    canvas_.DrawImage(crop, P(r.I32(24), r.I32(28)), P(r.I32(32), r.I32(36)), P(r.I32(40), r.I32(44)));
  }

  static std::uint32_t ColorFromRefBgr(std::uint32_t ref) {
    return ((ref & 0xFF) << 16) | (ref & 0xFF00) | ((ref >> 16) & 0xFF);
  }

  // 32-bit bits keep their alpha byte for a per-pixel blend; the decoder
  // made them opaque, so the bytes are read again.
  static void ReapplyAlpha(TImage& img, const TRecord& r, std::uint32_t offBmi, std::uint32_t offBits) {
    if (r.U32(offBmi) < 40 || r.U16(offBmi + 14) != 32) return;
    const bool topDown = r.I32(offBmi + 8) < 0;
    const std::size_t w = std::size_t(img.width), h = std::size_t(img.height);
    for (std::size_t y = 0; y < h; ++y) {
      const std::uint8_t* row = r.Data() + offBits + 4 * w * (topDown ? y : h - 1 - y);
      for (std::size_t x = 0; x < w; ++x) {
        const std::uint32_t a = row[4 * x + 3];
        std::uint32_t& p = img.pixels[y * w + x];
        auto un = [&](std::uint32_t c) { return a ? std::min<std::uint32_t>(255, c * 255 / a) : 0; };
        p = (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
      }
    }
  }

  void DiBits(const TRecord& r, std::uint32_t type) {
    const bool stretch = type == EMR_STRETCHDIBITS;
    r.Need(0, stretch ? 80 : 76);
    const std::int32_t x = r.I32(24), y = r.I32(28), xSrc = r.I32(32), ySrc = r.I32(36), cxSrc = r.I32(40),
                       cySrc = r.I32(44);
    const std::uint32_t offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60);
    TImage img = DecodeDib(r, offBmi, cbBmi, offBits, cbBits, !checkOnly_);
    if (checkOnly_ || img.width == 0) return;
    if (stretch) {
      const std::uint32_t rop = r.U32(68);
      const std::int32_t cx = r.I32(72), cy = r.I32(76);
      TRop2 mode = TRop2::CopyPen;
      if (rop == 0x008800C6) mode = TRop2::MaskPen;
      if (rop == 0x00EE0086) mode = TRop2::MergePen;
      if (rop == 0x00660046) mode = TRop2::XorPen;
      if (mode != TRop2::CopyPen) canvas_.SetRop2(mode);
      // The source rectangle counts rows from the bitmap's bottom.
      PlaceImage(std::move(img), xSrc, double(ImageHeight(r, offBmi)) - ySrc - cySrc, cxSrc, cySrc, x, y, cx, cy);
      if (mode != TRop2::CopyPen) canvas_.SetRop2(dc_.rop);
    } else {
      const int h = img.height;
      PlaceImage(std::move(img), xSrc, double(h) - ySrc - cySrc, cxSrc, cySrc, x, y, cxSrc, cySrc);
    }
  }
  static std::int64_t ImageHeight(const TRecord& r, std::uint32_t offBmi) {
    return r.U32(offBmi) == 12 ? std::abs(r.I16(offBmi + 6)) : std::abs(std::int64_t(r.I32(offBmi + 8)));
  }

  // --- Gradients -----------------------------------------------------------

  // Rectangles are drawn as bands and triangles as smaller triangles, each
  // of one colour: enough steps that neighbours differ by a few levels.
  void Gradient(const TRecord& r) {
    const std::uint32_t nVer = r.U32(24), nTri = r.U32(28), mode = r.U32(32);
    const std::uint64_t verOff = 36, meshOff = verOff + std::uint64_t(nVer) * 16;
    r.Need(verOff, std::uint64_t(nVer) * 16);
    const std::uint64_t meshSize = mode == 2 ? 12 : 8;
    r.Need(meshOff, std::uint64_t(nTri) * meshSize);
    if (checkOnly_) return;
    struct TV {
      double x, y, r, g, b;
    };
    auto vertex = [&](std::uint32_t i) -> std::optional<TV> {
      if (i >= nVer) return std::nullopt;
      const std::uint64_t o = verOff + 16 * std::uint64_t(i);
      return TV{double(r.I32(o)), double(r.I32(o + 4)), r.U16(o + 8) / 256.0, r.U16(o + 10) / 256.0,
                r.U16(o + 12) / 256.0};
    };
    auto fill = [&](TPath& p, double cr, double cg, double cb) {
      canvas_.SetBrush(TBrush{TBrushStyle::Solid, TColor::Rgb(std::uint8_t(std::clamp(cr, 0.0, 255.0)),
                                                               std::uint8_t(std::clamp(cg, 0.0, 255.0)),
                                                               std::uint8_t(std::clamp(cb, 0.0, 255.0)))});
      p.winding = true;
      canvas_.DrawPath(p, false, true);
    };
    brushDirty_ = true;
    // Steps shrink as meshes grow: a record draws at most about 64 K pieces.
    const std::uint32_t meshes = std::min<std::uint32_t>(nTri, 65536);
    const int triSteps = std::clamp(int(std::sqrt(65536.0 / std::max<std::uint32_t>(meshes, 1))), 1, 16);
    const int bands = std::clamp(int(65536 / std::max<std::uint32_t>(meshes, 1)), 1, 64);
    for (std::uint32_t m = 0; m < meshes; ++m) {
      const std::uint64_t o = meshOff + meshSize * m;
      if (mode == 2) {
        auto a = vertex(r.U32(o)), b = vertex(r.U32(o + 4)), c = vertex(r.U32(o + 8));
        if (!a || !b || !c) continue;
        const int n = triSteps;
        // Barycentric steps: each small triangle takes the colour at its centre.
        auto at = [&](double u, double v) {
          const double w = 1 - u - v;
          return TV{a->x * w + b->x * u + c->x * v, a->y * w + b->y * u + c->y * v, a->r * w + b->r * u + c->r * v,
                    a->g * w + b->g * u + c->g * v, a->b * w + b->b * u + c->b * v};
        };
        for (int i = 0; i < n; ++i) {
          for (int j = 0; i + j < n; ++j) {
            for (int up = 0; up < 2; ++up) {
              if (up && i + j + 1 >= n) continue;
              const double u0 = double(i) / n, v0 = double(j) / n, d = 1.0 / n;
              TV p0 = up ? at(u0 + d, v0) : at(u0, v0), p1 = up ? at(u0, v0 + d) : at(u0 + d, v0),
                 p2 = up ? at(u0 + d, v0 + d) : at(u0, v0 + d);
              TPath p;
              p.MoveTo(P(p0.x, p0.y));
              p.LineTo(P(p1.x, p1.y));
              p.LineTo(P(p2.x, p2.y));
              p.Close();
              fill(p, (p0.r + p1.r + p2.r) / 3, (p0.g + p1.g + p2.g) / 3, (p0.b + p1.b + p2.b) / 3);
            }
          }
        }
      } else if (mode <= 1) {
        auto a = vertex(r.U32(o)), b = vertex(r.U32(o + 4));
        if (!a || !b) continue;
        const int n = bands;
        for (int i = 0; i < n; ++i) {
          const double t0 = double(i) / n, t1 = double(i + 1) / n, tm = (t0 + t1) / 2;
          TPath p;
          double x0 = a->x, y0 = a->y, x1 = b->x, y1 = b->y;
          if (mode == 0) {
            x0 = a->x + (b->x - a->x) * t0, x1 = a->x + (b->x - a->x) * t1;
          } else {
            y0 = a->y + (b->y - a->y) * t0, y1 = a->y + (b->y - a->y) * t1;
          }
          p.MoveTo(P(x0, y0));
          p.LineTo(P(x1, y0));
          p.LineTo(P(x1, y1));
          p.LineTo(P(x0, y1));
          p.Close();
          fill(p, a->r + (b->r - a->r) * tm, a->g + (b->g - a->g) * tm, a->b + (b->b - a->b) * tm);
        }
      }
    }
  }

  // --- Text ----------------------------------------------------------------

  void DrawText(double refX, double refY, std::u16string units, TTextOutOptions opt, const TRecord* r,
                std::uint32_t offDx, std::uint64_t perChar) {
    RealizeFont();
    std::vector<int> dx;
    if (r && offDx != 0) {
      // Scale the running positions rather than each advance, so rounding
      // does not add up along the line.
      dx.resize(units.size());
      // Advances run along the text's direction, stretched by the scales
      // of that direction.
      double along = m_.Scale();
      if (m_.AxisAligned()) {
        const int e = ((dc_.font->escapement % 3600) + 3600) % 3600;
        if (e == 0 || e == 1800) {
          along = std::abs(m_.a);
        } else if (e == 900 || e == 2700) {
          along = std::abs(m_.d);
        } else {
          const double angle = e / 10.0 * kPi / 180.0;
          along = std::abs(std::cos(angle)) * std::abs(m_.a) + std::abs(std::sin(angle)) * std::abs(m_.d);
        }
      }
      std::int64_t sum = 0;
      int prev = 0;
      for (std::size_t i = 0; i < units.size(); ++i) {
        sum += r->I32(offDx + i * perChar);
        const int pos = Clamp(double(sum) * along);
        dx[i] = pos - prev;
        prev = pos;
      }
    }
    if (m_.AxisAligned()) {
      canvas_.TextOut(X(std::int64_t(refX)), Y(std::int64_t(refY)), Utf16ToUtf8(units), opt, dx);
    } else {
      const TPointF p = P(refX, refY);
      opt.opaque = opt.clipped = false;  // a turned rectangle is no canvas rectangle
      canvas_.TextOut(Clamp(p.x), Clamp(p.y), Utf16ToUtf8(units), opt, dx);
    }
  }

  // One EMRTEXT at `b` (its string and advances at offsets from the
  // record's start). Returns the EMRTEXT's size.
  std::uint32_t Text(const TRecord& r, std::uint64_t b, bool ansi) {
    const std::int32_t refX = r.I32(b), refY = r.I32(b + 4);
    const std::uint32_t chars = r.U32(b + 8), offString = r.U32(b + 12), options = r.U32(b + 16);
    const bool hasRect = !(options & ETO_NO_RECT);
    TTextOutOptions opt;
    opt.opaque = options & ETO_OPAQUE;
    opt.clipped = options & ETO_CLIPPED;
    opt.rtlReading = options & ETO_RTLREADING;
    if (hasRect) {
      r.Need(b + 20, 16);
      if (!checkOnly_) opt.rect = Rect(r, b + 20, 0);
    }
    const std::uint32_t offDx = r.U32(hasRect ? b + 36 : b + 20);
    if (offString < 8) Invalid();
    r.Need(offString, std::uint64_t(chars) * (ansi ? 1 : 2));
    const std::uint64_t perChar = (options & ETO_PDY) ? 8 : 4;
    if (offDx != 0) {
      if (offDx < 8) Invalid();
      r.Need(offDx, std::uint64_t(chars) * perChar);
    }
    const std::uint32_t size = hasRect ? 40 : 24;
    // Glyph indices name no characters; they are not drawn.
    if (checkOnly_ || inPath_ || (options & 0x10)) return size;  // ETO_GLYPH_INDEX
    std::u16string units(chars, u'\0');
    for (std::uint32_t i = 0; i < chars; ++i) units[i] = ansi ? char16_t(r.U8(offString + i)) : r.U16(offString + 2 * i);
    double x = refX, y = refY;
    if (updateCp_) x = dc_.curX, y = dc_.curY;
    DrawText(x, y, std::move(units), opt, &r, offDx, perChar);
    return size;
  }

  void PolyText(const TRecord& r, bool ansi) {
    const std::uint32_t strings = r.U32(36);
    std::uint64_t at = 40;
    for (std::uint32_t i = 0; i < strings; ++i) at += Text(r, at, ansi);
  }

  void SmallText(const TRecord& r) {
    const std::int32_t x = r.I32(8), y = r.I32(12);
    const std::uint32_t chars = r.U32(16), options = r.U32(20);
    r.Need(24, 12);
    const bool hasRect = !(options & ETO_NO_RECT);
    const bool small = options & 0x200;  // ETO_SMALL_CHARS: 8-bit characters
    const std::uint64_t off = hasRect ? 52 : 36;
    if (hasRect) r.Need(36, 16);
    r.Need(off, std::uint64_t(chars) * (small ? 1 : 2));
    if (checkOnly_ || inPath_ || (options & 0x10)) return;
    TTextOutOptions opt;
    opt.opaque = options & ETO_OPAQUE;
    opt.clipped = options & ETO_CLIPPED;
    if (hasRect) opt.rect = Rect(r, 36, 0);
    std::u16string units(chars, u'\0');
    for (std::uint32_t i = 0; i < chars; ++i) units[i] = small ? char16_t(r.U8(off + i)) : r.U16(off + 2 * i);
    DrawText(x, y, std::move(units), opt, nullptr, 0, 4);
  }

  std::span<const std::uint8_t> data_;
  const TEmfHeader& h_;
  TCanvas& canvas_;
  std::vector<TObject> objects_;
  TXform device_;  // reference device to the canvas
  TXform m_;       // logical units to the canvas
  TDc dc_;
  std::vector<TDc> saved_;
  TPenRef onCanvasPen_, stockPens_[3];  // the pen the canvas draws with; stock pens
  TFontRef onCanvasFont_, stockFont_;
  TPath path_;
  bool inPath_ = false, figureOpen_ = false;
  // The canvas's current position in logical units, while it is known.
  std::optional<TPointF> canvasAt_;
  bool widened_ = false;  // the path stands for the area its stroke covers
  bool updateCp_ = false;  // text starts at the current position
  bool penDirty_ = true, brushDirty_ = true, fontDirty_ = true;
  int depth_ = 0;
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
  if (h.records < 1 || h.bytes < h.headerSize + 20) Invalid();
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
