#include "output/emf_recorder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "graphics/utf16.h"
#include "output/emf_format.h"
#include "definition/report_error.h"

using namespace emf;

namespace {

// Stock objects selected when the recording ends, so that every created
// object can be deleted.
constexpr std::uint32_t kWhiteBrush = 0;
constexpr std::uint32_t kBlackPen = 7;
constexpr std::uint32_t kNullPen = 8;
constexpr std::uint32_t kSystemFont = 13;

std::uint32_t AlignBits(TTextAlign a) {
  std::uint32_t bits = 0;
  switch (a.horz) {
    case THorzTextAlign::Left: break;
    case THorzTextAlign::Right: bits |= TA_RIGHT; break;
    case THorzTextAlign::Center: bits |= TA_CENTER; break;
  }
  switch (a.vert) {
    case TVertTextAlign::Top: break;
    case TVertTextAlign::Baseline: bits |= TA_BASELINE; break;
    case TVertTextAlign::Bottom: bits |= TA_BOTTOM; break;
  }
  if (a.rtlReading) bits |= TA_RTLREADING;
  return bits;
}

std::uint32_t RgbRef(TRgb c) { return std::uint32_t(c.r) | std::uint32_t(c.g) << 8 | std::uint32_t(c.b) << 16; }

}  // namespace

TEmfRecorder::TEmfRecorder(TTextMetrics& metrics, int widthPx, int heightPx,
                           const TSystemPalette& palette)
    : metrics_(metrics), palette_(palette), width_(std::max(widthPx, 1)), height_(std::max(heightPx, 1)) {
  out_.reserve(8192);
  out_.resize(kHeaderSize);  // written by Finish
  records_ = 1;
  handles_.assign(1, 0);
  Emit1(EMR_SETMAPMODE, kMapModeText);
}

TEmfRecorder::~TEmfRecorder() = default;

void TEmfRecorder::CheckOpen() const {
  if (finished_) throw EReportError("Metafile recording has ended");
}

void TEmfRecorder::Begin(std::uint32_t type, std::uint32_t size) {
  lastType_ = type;
  Put32(out_, type);
  Put32(out_, size);
  ++records_;
}

void TEmfRecorder::Emit1(std::uint32_t type, std::uint32_t value) {
  Begin(type, 12);
  Put32(out_, value);
}

void TEmfRecorder::EmitRect(std::uint32_t type, const TRect& r, bool inclusive) {
  Begin(type, 24);
  PutI32(out_, r.left);
  PutI32(out_, r.top);
  PutI32(out_, inclusive ? r.right - 1 : r.right);
  PutI32(out_, inclusive ? r.bottom - 1 : r.bottom);
}

std::uint32_t TEmfRecorder::ColorRef(TColor c) const { return RgbRef(palette_.Resolve(c)); }

// The lowest free index, so that indices freed by deletion are used again
// and the table stays small.
std::uint32_t TEmfRecorder::AllocHandle() {
  for (std::uint32_t i = 1; i < handles_.size(); ++i) {
    if (handles_[i] == 0) return i;
  }
  // The header counts handles in 16 bits.
  if (handles_.size() >= 0xFFFF) throw EReportError("Too many drawing objects in a page");
  handles_.push_back(0);
  const auto index = std::uint32_t(handles_.size() - 1);
  highestHandle_ = std::max(highestHandle_, index);
  return index;
}

void TEmfRecorder::Retain(std::uint32_t handle) {
  if (handle != 0) ++handles_[handle];
}

void TEmfRecorder::Release(std::uint32_t handle) {
  if (handle != 0 && --handles_[handle] == 0) Emit1(EMR_DELETEOBJECT, handle);
}

// Selects `handle` (or the stock object when it is 0) into `slot`; the
// previously selected object is deleted when nothing refers to it any more.
// Selecting first keeps GDI's rule that a selected object is never deleted.
void TEmfRecorder::SelectHandle(std::uint32_t& slot, std::uint32_t handle, std::uint32_t stock) {
  Emit1(EMR_SELECTOBJECT, handle != 0 ? handle : (kStockObject | stock));
  Retain(handle);
  const std::uint32_t old = slot;
  slot = handle;
  Release(old);
}

// A pen and a brush are created and selected before their first use even
// where they equal the device context's defaults: readers that start with
// none (Inkscape's) draw nothing with those.
void TEmfRecorder::SyncPen() {
  if (written_.pen != 0 && written_.penValue == want_.pen) {
    if (written_.penHidden) {
      Emit1(EMR_SELECTOBJECT, written_.pen);
      written_.penHidden = false;
    }
    return;
  }
  const std::uint32_t h = AllocHandle();
  const TPen& p = want_.pen;
  if (p.cap == TLineCap::Flat && p.join == TLineJoin::Miter && p.dashes.empty()) {
    Begin(EMR_CREATEPEN, 28);
    Put32(out_, h);
    Put32(out_, std::uint32_t(p.style));
    PutI32(out_, std::max(p.width, 0));
    PutI32(out_, 0);
    Put32(out_, ColorRef(p.color));
  } else {
    // Ends, corners and dash patterns need a geometric pen.
    const auto dashes = std::uint32_t(std::min<std::size_t>(p.dashes.size(), 16));
    Begin(EMR_EXTCREATEPEN, 52 + 4 * dashes);
    Put32(out_, h);
    for (int i = 0; i < 4; ++i) Put32(out_, 0);  // no brush bitmap
    const std::uint32_t cap = p.cap == TLineCap::Round ? 0 : p.cap == TLineCap::Square ? 0x100 : 0x200;
    const std::uint32_t join = p.join == TLineJoin::Round ? 0 : p.join == TLineJoin::Bevel ? 0x1000 : 0x2000;
    Put32(out_, 0x00010000 | cap | join | (dashes ? 7u : std::uint32_t(p.style)));
    Put32(out_, std::uint32_t(std::max(p.width, 1)));
    Put32(out_, p.style == TPenStyle::Clear ? 1 : 0);
    Put32(out_, ColorRef(p.color));
    Put32(out_, 0);
    Put32(out_, dashes);
    for (std::uint32_t i = 0; i < dashes; ++i) Put32(out_, std::uint32_t(std::lround(std::max(p.dashes[i], 0.0))));
  }
  SelectHandle(written_.pen, h, kBlackPen);
  written_.penValue = want_.pen;
  written_.penHidden = false;
}

// A fill draws no outline in GDI, but some readers (Inkscape) outline every
// filled shape with the selected pen: the stock null pen is selected for
// fills, and the page's pen again for its next line or figure.
void TEmfRecorder::HidePen() {
  if (written_.penHidden) return;
  Emit1(EMR_SELECTOBJECT, kStockObject | kNullPen);
  written_.penHidden = true;
}

void TEmfRecorder::SyncBrush() {
  if (written_.brush != 0 && written_.brushValue == want_.brush) return;
  const std::uint32_t h = AllocHandle();
  const TBrush& b = want_.brush;
  if (b.style == TBrushStyle::Pattern && b.pattern && b.pattern->width > 0) {
    const std::size_t start = out_.size();
    Begin(EMR_CREATEDIBPATTERNBRUSHPT, 32);
    Put32(out_, h);
    Put32(out_, 0);  // DIB_RGB_COLORS
    Put32(out_, 32);
    Put32(out_, 40);
    Put32(out_, 72);
    Put32(out_, std::uint32_t(b.pattern->pixels.size() * 4));
    EmitDib(*b.pattern, false);
    Set32(&out_[start + 4], std::uint32_t(out_.size() - start));
  } else {
    Begin(EMR_CREATEBRUSHINDIRECT, 24);
    Put32(out_, h);
    Put32(out_, b.style == TBrushStyle::Pattern ? 0 : std::uint32_t(b.style));
    Put32(out_, ColorRef(b.color));
    Put32(out_, b.style == TBrushStyle::Hatched ? std::uint32_t(b.hatch) : 0);
  }
  SelectHandle(written_.brush, h, kWhiteBrush);
  written_.brushValue = want_.brush;
}

void TEmfRecorder::SyncText(bool needsBk) {
  if (written_.font == 0 || written_.fontValue != want_.font) {
    const TLogFont& f = want_.font;
    const std::uint32_t h = AllocHandle();
    Begin(EMR_EXTCREATEFONTINDIRECTW, kFontRecordSize);
    const std::size_t start = out_.size() - 8;
    Put32(out_, h);
    PutI32(out_, -std::abs(f.height));
    PutI32(out_, 0);
    PutI32(out_, f.escapement);
    PutI32(out_, f.escapement);
    PutI32(out_, f.weight);
    out_.push_back(f.italic ? 1 : 0);
    out_.push_back(f.underline ? 1 : 0);
    out_.push_back(f.strikeOut ? 1 : 0);
    out_.push_back(f.charSet);
    out_.push_back(f.escapement != 0 ? 7 : 0);  // rotated text needs outline fonts
    out_.push_back(0);
    out_.push_back(0);
    out_.push_back(0);
    std::u16string face = Utf8ToUtf16(f.name);
    if (face.size() > 31) face.resize(31);
    for (char16_t c : face) Put16(out_, c);
    out_.resize(start + kFontRecordSize, 0);  // face padding, full name, style, script
    Set32(&out_[start + 360], 0x08007664);  // design-vector signature; no axes
    SelectHandle(written_.font, h, kSystemFont);
    written_.fontValue = f;
  }
  const TRgb text = palette_.Resolve(want_.textColor);
  if (!(text == written_.textColor)) {
    Emit1(EMR_SETTEXTCOLOR, RgbRef(text));
    written_.textColor = text;
  }
  const std::uint32_t align = AlignBits(want_.align);
  if (align != written_.align) {
    Emit1(EMR_SETTEXTALIGN, align);
    written_.align = align;
  }
  if (want_.bkMode != written_.bkMode) {
    Emit1(EMR_SETBKMODE, std::uint32_t(want_.bkMode));
    written_.bkMode = want_.bkMode;
  }
  if (needsBk || want_.bkMode == TBkMode::Opaque) {
    const TRgb bk = palette_.Resolve(want_.bkColor);
    if (!(bk == written_.bkColor)) {
      Emit1(EMR_SETBKCOLOR, RgbRef(bk));
      written_.bkColor = bk;
    }
  }
}

void TEmfRecorder::AddBounds(int left, int top, int right, int bottom) {
  if (!bounds_) {
    bounds_ = TRect{left, top, right, bottom};
    return;
  }
  bounds_->left = std::min(bounds_->left, left);
  bounds_->top = std::min(bounds_->top, top);
  bounds_->right = std::max(bounds_->right, right);
  bounds_->bottom = std::max(bounds_->bottom, bottom);
}

void TEmfRecorder::SetPen(const TPen& pen) {
  CheckOpen();
  want_.pen = pen;
  want_.pen.color = TColor::FromValue(ColorRef(pen.color));
}

void TEmfRecorder::SetBrush(const TBrush& brush) {
  CheckOpen();
  want_.brush = brush;
  want_.brush.color = TColor::FromValue(ColorRef(brush.color));
}

void TEmfRecorder::SetFont(const TLogFont& font) {
  CheckOpen();
  want_.font = font;
}

void TEmfRecorder::SetTextColor(TColor color) {
  CheckOpen();
  want_.textColor = color;
}

void TEmfRecorder::SetBkColor(TColor color) {
  CheckOpen();
  want_.bkColor = color;
}

void TEmfRecorder::SetBkMode(TBkMode mode) {
  CheckOpen();
  want_.bkMode = mode;
}

void TEmfRecorder::SetTextAlign(TTextAlign align) {
  CheckOpen();
  want_.align = align;
}

// FillRect has no record of its own: the platform records it as a pattern
// copy of the selected brush (a bit-block transfer without a source bitmap).
void TEmfRecorder::FillRect(const TRect& r) {
  CheckOpen();
  if (r.Width() <= 0 || r.Height() <= 0 || want_.brush.style == TBrushStyle::Clear) return;
  SyncBrush();
  HidePen();
  Begin(EMR_BITBLT, kBitBltSize);
  PutI32(out_, r.left);
  PutI32(out_, r.top);
  PutI32(out_, r.right - 1);
  PutI32(out_, r.bottom - 1);
  PutI32(out_, r.left);
  PutI32(out_, r.top);
  PutI32(out_, r.Width());
  PutI32(out_, r.Height());
  Put32(out_, kPatCopy);
  PutI32(out_, 0);  // xSrc, ySrc
  PutI32(out_, 0);
  for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) PutF32(out_, f);  // identity transform
  for (int i = 0; i < 6; ++i) Put32(out_, 0);  // colour, usage, no bitmap
  AddBounds(r.left, r.top, r.right - 1, r.bottom - 1);
}

void TEmfRecorder::Rectangle(const TRect& r) {
  CheckOpen();
  SyncPen();
  SyncBrush();
  EmitRect(EMR_RECTANGLE, r, true);
  AddBounds(r.left, r.top, r.right - 1, r.bottom - 1);
}

void TEmfRecorder::Ellipse(const TRect& r) {
  CheckOpen();
  SyncPen();
  SyncBrush();
  EmitRect(EMR_ELLIPSE, r, true);
  AddBounds(r.left, r.top, r.right - 1, r.bottom - 1);
}

// The pen is selected before the move that starts a line: readers that
// build a path from a move and the lines after it (Inkscape) end the path at
// any other record, and drop a line that follows one without its move.
void TEmfRecorder::MoveTo(int x, int y) {
  CheckOpen();
  SyncPen();
  Begin(EMR_MOVETOEX, 16);
  PutI32(out_, x);
  PutI32(out_, y);
  position_ = {x, y};
}

void TEmfRecorder::LineTo(int x, int y) {
  CheckOpen();
  SyncPen();
  // A line whose move lies behind other records (a new pen, a clip) starts
  // again from the current position, which is where GDI draws it from.
  if (lastType_ != EMR_MOVETOEX && lastType_ != EMR_LINETO) {
    Begin(EMR_MOVETOEX, 16);
    PutI32(out_, position_.x);
    PutI32(out_, position_.y);
  }
  Begin(EMR_LINETO, 16);
  PutI32(out_, x);
  PutI32(out_, y);
  const int half = std::max(want_.pen.width, 1) / 2;
  AddBounds(std::min(x, position_.x) - half, std::min(y, position_.y) - half,
            std::max(x, position_.x) + half, std::max(y, position_.y) + half);
  position_ = {x, y};
}

void TEmfRecorder::TextOut(int x, int y, std::string_view text, const TTextOutOptions& options,
                           std::span<const int> dx) {
  CheckOpen();
  SyncText(options.opaque);
  const std::u16string units = Utf8ToUtf16(text);
  const auto n = std::uint32_t(units.size());
  std::vector<int> advances;
  if (dx.size() == units.size()) {
    advances.assign(dx.begin(), dx.end());
  } else {
    advances = metrics_.CharAdvances(want_.font, text);
    advances.resize(units.size(), 0);
  }

  // The text's box, rotated about the reference point, for the header's bounds.
  long total = 0;
  for (int a : advances) total += a;
  const TFontMetrics fm = metrics_.Metrics(want_.font);
  double x0 = 0, y0 = 0;
  if (want_.align.horz == THorzTextAlign::Right) x0 = -double(total);
  if (want_.align.horz == THorzTextAlign::Center) x0 = -double(total) / 2;
  if (want_.align.vert == TVertTextAlign::Baseline) y0 = -fm.ascent;
  if (want_.align.vert == TVertTextAlign::Bottom) y0 = -fm.height;
  const double angle = want_.font.escapement / 10.0 * std::numbers::pi / 180.0;
  const double c = std::cos(angle), s = std::sin(angle);
  double minX = 1e18, minY = 1e18, maxX = -1e18, maxY = -1e18;
  for (double px : {x0, x0 + double(total)}) {
    for (double py : {y0, y0 + fm.height}) {
      const double rx = x + px * c + py * s;
      const double ry = y - px * s + py * c;
      minX = std::min(minX, rx), maxX = std::max(maxX, rx);
      minY = std::min(minY, ry), maxY = std::max(maxY, ry);
    }
  }
  const TRect box{int(std::floor(minX)), int(std::floor(minY)), int(std::ceil(maxX)),
                  int(std::ceil(maxY))};
  if (n > 0) AddBounds(box.left, box.top, box.right, box.bottom);
  if (options.opaque) AddBounds(options.rect.left, options.rect.top, options.rect.right - 1, options.rect.bottom - 1);

  const std::uint32_t stringBytes = (2 * n + 3) & ~3u;
  const std::uint32_t offDx = kTextRecordFixedSize + stringBytes;
  Begin(EMR_EXTTEXTOUTW, offDx + 4 * n);
  PutI32(out_, box.left);
  PutI32(out_, box.top);
  PutI32(out_, box.right);
  PutI32(out_, box.bottom);
  Put32(out_, 1);  // GM_COMPATIBLE
  const float scale = 2540.0f / float(metrics_.PixelsPerInch());  // 0.01 mm per pixel
  PutF32(out_, scale);
  PutF32(out_, scale);
  PutI32(out_, x);
  PutI32(out_, y);
  Put32(out_, n);
  Put32(out_, kTextRecordFixedSize);
  Put32(out_, (options.opaque ? ETO_OPAQUE : 0) | (options.clipped ? ETO_CLIPPED : 0) |
                  (options.rtlReading ? ETO_RTLREADING : 0));
  PutI32(out_, options.rect.left);
  PutI32(out_, options.rect.top);
  PutI32(out_, options.rect.right);
  PutI32(out_, options.rect.bottom);
  Put32(out_, offDx);
  for (char16_t u : units) Put16(out_, u);
  if (n % 2) Put16(out_, 0);
  for (int a : advances) PutI32(out_, a);
}

// A BITMAPINFOHEADER for top-down 32-bit pixels, then the pixels (BGRA,
// premultiplied where `alpha` asks for a blend).
void TEmfRecorder::EmitDib(const TImage& image, bool alpha) {
  Put32(out_, 40);
  PutI32(out_, image.width);
  PutI32(out_, -image.height);
  Put16(out_, 1);
  Put16(out_, 32);
  for (int i = 0; i < 6; ++i) Put32(out_, i == 1 ? std::uint32_t(image.pixels.size() * 4) : 0);
  for (std::uint32_t p : image.pixels) {
    std::uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (alpha) {
      r = r * a / 255, g = g * a / 255, b = b * a / 255;
    } else {
      a = 0;
    }
    Put32(out_, b | g << 8 | r << 16 | a << 24);
  }
}

// Figures go out as a path of moves, lines and Bezier pieces in whole pixels.
void TEmfRecorder::EmitPath(const TPath& path) {
  if (written_.winding != path.winding) {
    Emit1(EMR_SETPOLYFILLMODE, path.winding ? 2 : 1);
    written_.winding = path.winding;
  }
  Begin(EMR_BEGINPATH, 8);
  auto px = [](double v) { return std::int32_t(std::lround(std::clamp(v, -1.0e9, 1.0e9))); };
  const auto& e = path.elements;
  for (std::size_t i = 0; i < e.size(); ++i) {
    const int x = px(e[i].p.x), y = px(e[i].p.y);
    switch (e[i].op) {
      case TPathOp::Move:
        Begin(EMR_MOVETOEX, 16);
        PutI32(out_, x);
        PutI32(out_, y);
        break;
      case TPathOp::Line:
        Begin(EMR_LINETO, 16);
        PutI32(out_, x);
        PutI32(out_, y);
        break;
      case TPathOp::Curve:
        if (i + 2 < e.size()) {
          Begin(EMR_POLYBEZIERTO, 28 + 3 * 8);
          for (int v = 0; v < 4; ++v) PutI32(out_, 0);  // bounds, not used by readers
          Put32(out_, 3);
          for (int k = 0; k < 3; ++k) {
            PutI32(out_, px(e[i + k].p.x));
            PutI32(out_, px(e[i + k].p.y));
          }
          i += 2;
        }
        break;
      case TPathOp::Close: Begin(EMR_CLOSEFIGURE, 8); break;
    }
    if (e[i].op != TPathOp::Close) AddBounds(x, y, x, y);
  }
  Begin(EMR_ENDPATH, 8);
}

void TEmfRecorder::DrawPath(const TPath& path, bool stroke, bool fill) {
  CheckOpen();
  if (path.Empty() || (!stroke && !fill)) return;
  if (stroke) {
    SyncPen();
  } else {
    HidePen();
  }
  if (fill) SyncBrush();
  EmitPath(path);
  const std::uint32_t type = stroke && fill ? EMR_STROKEANDFILLPATH : stroke ? EMR_STROKEPATH : EMR_FILLPATH;
  Begin(type, 24);
  const TRect b = bounds_.value_or(TRect{0, 0, -1, -1});
  for (int v : {b.left, b.top, b.right, b.bottom}) PutI32(out_, v);
}

void TEmfRecorder::DrawImage(const TImage& image, TPointF topLeft, TPointF topRight, TPointF bottomLeft) {
  CheckOpen();
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != std::size_t(image.width) * std::size_t(image.height)) {
    return;
  }
  // Stretched upright over the parallelogram's box: the records place
  // bitmaps on the axes.
  const TPointF bottomRight{topRight.x + bottomLeft.x - topLeft.x, topRight.y + bottomLeft.y - topLeft.y};
  double l = 1e18, t = 1e18, r = -1e18, b = -1e18;
  for (TPointF p : {topLeft, topRight, bottomLeft, bottomRight}) {
    l = std::min(l, p.x), r = std::max(r, p.x), t = std::min(t, p.y), b = std::max(b, p.y);
  }
  const auto px = [](double v) { return std::int32_t(std::lround(std::clamp(v, -1.0e9, 1.0e9))); };
  const int x = px(l), y = px(t), w = std::max(1, px(r) - x), h = std::max(1, px(b) - y);
  const bool alpha = std::any_of(image.pixels.begin(), image.pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0xFF; });
  const std::size_t start = out_.size();
  const std::uint32_t bits = std::uint32_t(image.pixels.size() * 4);
  if (alpha) {
    Begin(EMR_ALPHABLEND, 108);
    for (int v : {x, y, x + w - 1, y + h - 1, x, y, w, h}) PutI32(out_, v);
    Put32(out_, 0x01FF0000);  // AC_SRC_OVER, constant alpha 255, AC_SRC_ALPHA
    PutI32(out_, 0);
    PutI32(out_, 0);
    for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) PutF32(out_, f);
    Put32(out_, 0);
    Put32(out_, 0);
    for (std::uint32_t v : {108u, 40u, 148u, bits}) Put32(out_, v);
    PutI32(out_, image.width);
    PutI32(out_, image.height);
  } else {
    Begin(EMR_STRETCHDIBITS, 80);
    for (int v : {x, y, x + w - 1, y + h - 1, x, y, 0, 0, image.width, image.height}) PutI32(out_, v);
    for (std::uint32_t v : {80u, 40u, 120u, bits, 0u, 0x00CC0020u}) Put32(out_, v);
    PutI32(out_, w);
    PutI32(out_, h);
  }
  EmitDib(image, alpha);
  Set32(&out_[start + 4], std::uint32_t(out_.size() - start));
  AddBounds(x, y, x + w - 1, y + h - 1);
}

void TEmfRecorder::SetRop2(TRop2 mode) {
  CheckOpen();
  if (mode == written_.rop) return;
  Emit1(EMR_SETROP2, std::uint32_t(mode));
  written_.rop = mode;
}

void TEmfRecorder::ClipPath(const TPath& path, TClipMode mode) {
  CheckOpen();
  EmitPath(path);
  Emit1(EMR_SELECTCLIPPATH, std::uint32_t(mode));
}

void TEmfRecorder::OffsetClip(double dx, double dy) {
  CheckOpen();
  Begin(EMR_OFFSETCLIPRGN, 16);
  PutI32(out_, std::int32_t(std::lround(std::clamp(dx, -1.0e9, 1.0e9))));
  PutI32(out_, std::int32_t(std::lround(std::clamp(dy, -1.0e9, 1.0e9))));
}

void TEmfRecorder::IntersectClipRect(const TRect& r) {
  CheckOpen();
  EmitRect(EMR_INTERSECTCLIPRECT, r, false);
}

void TEmfRecorder::RemoveClip() {
  CheckOpen();
  Begin(EMR_EXTSELECTCLIPRGN, 16);
  Put32(out_, 0);  // no region data: back to the whole surface
  Put32(out_, kRgnCopy);
}

void TEmfRecorder::Save() {
  CheckOpen();
  Begin(EMR_SAVEDC, 8);
  saved_.push_back({want_, written_, position_});
  Retain(written_.pen);
  Retain(written_.brush);
  Retain(written_.font);
}

void TEmfRecorder::Restore() {
  CheckOpen();
  if (saved_.empty()) return;
  Emit1(EMR_RESTOREDC, std::uint32_t(-1));
  const TWritten current = written_;
  want_ = saved_.back().want;
  written_ = saved_.back().written;
  position_ = saved_.back().position;
  saved_.pop_back();
  // The saved state's references now stand for the selection; the objects
  // of the state just left go unless another saved state still selects them.
  Release(current.pen);
  Release(current.brush);
  Release(current.font);
}

std::vector<std::uint8_t> TEmfRecorder::Finish() {
  CheckOpen();
  while (!saved_.empty()) Restore();
  if (written_.pen != 0) SelectHandle(written_.pen, 0, kBlackPen);
  if (written_.brush != 0) SelectHandle(written_.brush, 0, kWhiteBrush);
  if (written_.font != 0) SelectHandle(written_.font, 0, kSystemFont);
  Begin(EMR_EOF, 20);
  Put32(out_, 0);
  Put32(out_, 16);
  Put32(out_, 20);
  finished_ = true;

  const int ppi = std::max(metrics_.PixelsPerInch(), 1);
  std::vector<std::uint8_t> header;
  header.reserve(kHeaderSize);
  Put32(header, EMR_HEADER);
  Put32(header, kHeaderSize);
  const TRect b = bounds_.value_or(TRect{0, 0, -1, -1});
  for (int v : {b.left, b.top, b.right, b.bottom}) PutI32(header, v);
  // Frame in 0.01 mm, inclusive: the page's pixels at the reference resolution.
  PutI32(header, 0);
  PutI32(header, 0);
  PutI32(header, std::int32_t(std::lround(double(width_) * 2540.0 / ppi)) - 1);
  PutI32(header, std::int32_t(std::lround(double(height_) * 2540.0 / ppi)) - 1);
  Put32(header, kSignature);
  Put32(header, kVersion);
  Put32(header, std::uint32_t(out_.size()));
  Put32(header, records_);
  Put16(header, std::uint16_t(highestHandle_ + 1));
  Put16(header, 0);
  Put32(header, 0);  // no description
  Put32(header, 0);
  Put32(header, 0);  // no palette
  // The reference device: a square of ppi * 100 pixels that measures exactly
  // 2540 mm, so readers derive the exact pixels per millimetre.
  PutI32(header, ppi * 100);
  PutI32(header, ppi * 100);
  PutI32(header, 2540);
  PutI32(header, 2540);
  Put32(header, 0);  // no pixel format, no OpenGL
  Put32(header, 0);
  Put32(header, 0);
  PutI32(header, 2540000);
  PutI32(header, 2540000);
  std::copy(header.begin(), header.end(), out_.begin());
  return std::move(out_);
}
