#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/color.h"

// The engine's drawing surface. Report elements, bands and controls draw
// through this interface; the EMF recorder (stored pages) and the QPainter
// adapter (screen, printer) implement it. Coordinates are device pixels of
// the surface, y grows downwards, (0, 0) is the top-left corner.

// A rectangle in device pixels. Right and bottom are excluded, as for the
// platform's RECT: (0, 0, 10, 5) covers 10 x 5 pixels.
struct TRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

struct TPoint {
  int x = 0, y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Pen styles in the platform's order (PS_SOLID = 0 ... PS_INSIDEFRAME = 6).
enum class TPenStyle : std::uint8_t {
  Solid = 0,
  Dash = 1,
  Dot = 2,
  DashDot = 3,
  DashDotDot = 4,
  Clear = 5,
  InsideFrame = 6,
};

// Ends and corners of wide lines, as the platform's geometric pens have them.
enum class TLineCap : std::uint8_t { Round, Square, Flat };
enum class TLineJoin : std::uint8_t { Round, Bevel, Miter };

// Outline of figures and lines. Width is in device pixels; 0 and 1 both draw
// a one-pixel line whatever the device's resolution. `dashes`, when not
// empty, replaces the style's pattern: lengths of dash, gap, dash ... in
// device pixels.
struct TPen {
  TPenStyle style = TPenStyle::Solid;
  int width = 1;
  TColor color = colors::Black;
  TLineCap cap = TLineCap::Flat;
  TLineJoin join = TLineJoin::Miter;
  std::vector<double> dashes = {};
  friend bool operator==(const TPen&, const TPen&) = default;
};

// A bitmap: `pixels` holds width x height values 0xAARRGGBB (not
// premultiplied), the top row first.
struct TImage {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  friend bool operator==(const TImage&, const TImage&) = default;
};

enum class TBrushStyle : std::uint8_t { Solid = 0, Clear = 1, Hatched = 2, Pattern = 3 };

// The platform's hatches (HS_HORIZONTAL ... HS_DIAGCROSS): lines one pixel
// wide, eight pixels apart, in the brush's colour over the background colour
// (or over nothing when the background mode is transparent).
enum class THatch : std::uint8_t { Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

// Fill of figures, FillRect and opaque text backgrounds. A pattern brush
// tiles `pattern` from the device's origin, one bitmap pixel per device pixel.
struct TBrush {
  TBrushStyle style = TBrushStyle::Solid;
  TColor color = colors::White;
  THatch hatch = THatch::Horizontal;
  std::shared_ptr<const TImage> pattern = {};
  friend bool operator==(const TBrush&, const TBrush&) = default;
};

// A point in device pixels with fractions, for figures that transforms
// leave off the pixel grid.
struct TPointF {
  double x = 0, y = 0;
  friend bool operator==(const TPointF&, const TPointF&) = default;
};

// An outline of straight and curved figures in device pixels. Curve
// elements come in threes: two control points and the end point of a cubic
// Bezier from the previous point. Close joins the figure to its start.
enum class TPathOp : std::uint8_t { Move, Line, Curve, Close };
struct TPathElement {
  TPathOp op = TPathOp::Move;
  TPointF p;
  friend bool operator==(const TPathElement&, const TPathElement&) = default;
};
struct TPath {
  std::vector<TPathElement> elements;
  bool winding = false;  // fill rule: winding, or alternate (even-odd)
  void MoveTo(TPointF p) { elements.push_back({TPathOp::Move, p}); }
  void LineTo(TPointF p) { elements.push_back({TPathOp::Line, p}); }
  void CurveTo(TPointF c1, TPointF c2, TPointF e) {
    elements.push_back({TPathOp::Curve, c1});
    elements.push_back({TPathOp::Curve, c2});
    elements.push_back({TPathOp::Curve, e});
  }
  void Close() { elements.push_back({TPathOp::Close, {}}); }
  bool Empty() const { return elements.empty(); }
  friend bool operator==(const TPath&, const TPath&) = default;
};

// How a new clip area combines with the current one (the platform's RGN_AND
// ... RGN_COPY). Without clipping the current one is the whole surface.
enum class TClipMode : std::uint8_t { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

// How drawing combines with what is on the surface (the platform's binary
// raster operations R2_BLACK = 1 ... R2_WHITE = 16; R2_COPYPEN = 13 is plain
// drawing). Devices that cannot combine (printers, PDF) draw CopyPen.
enum class TRop2 : std::uint8_t {
  Black = 1, NotMergePen, MaskNotPen, NotCopyPen, MaskPenNot, Not, XorPen, NotMaskPen,
  MaskPen, NotXorPen, Nop, MergeNotPen, CopyPen, MergePenNot, MergePen, White
};

// A logical font. Height is the character height in device pixels (the
// em size without internal leading, the platform's negative lfHeight).
// Escapement is the direction of the text line in tenths of a degree,
// counter-clockwise: 900 reads bottom to top, 2700 top to bottom.
struct TLogFont {
  std::string name = "Arial";  // face name, UTF-8
  int height = 13;             // pixels
  int weight = 400;            // 400 normal, 700 bold
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  std::uint8_t charSet = 1;    // platform character set; 1 = default
  int escapement = 0;          // tenths of a degree, counter-clockwise
  friend bool operator==(const TLogFont&, const TLogFont&) = default;
};

// Background mode: whether text cells are filled with the background colour.
enum class TBkMode : std::uint8_t { Transparent = 1, Opaque = 2 };

enum class THorzTextAlign : std::uint8_t { Left, Right, Center };
enum class TVertTextAlign : std::uint8_t { Top, Baseline, Bottom };

// How the reference point of TextOut relates to the text: which of its
// horizontal edges or centre, and its top, baseline or bottom. Right-to-left
// reading lays the characters out from right to left.
struct TTextAlign {
  THorzTextAlign horz = THorzTextAlign::Left;
  TVertTextAlign vert = TVertTextAlign::Top;
  bool rtlReading = false;
  friend bool operator==(const TTextAlign&, const TTextAlign&) = default;
};

// Options of one TextOut call. With `clipped` the text is clipped to `rect`;
// with `opaque` `rect` is first filled with the background colour. `rect` is
// ignored when neither is set.
struct TTextOutOptions {
  bool opaque = false;
  bool clipped = false;
  bool rtlReading = false;
  TRect rect;
  friend bool operator==(const TTextOutOptions&, const TTextOutOptions&) = default;
};

class TCanvas {
 public:
  virtual ~TCanvas() = default;

  // Drawing state. A fresh canvas has the default TPen, TBrush and TLogFont,
  // black text on a white, opaque background, and left-top text alignment.
  virtual void SetPen(const TPen& pen) = 0;
  virtual void SetBrush(const TBrush& brush) = 0;
  virtual void SetFont(const TLogFont& font) = 0;
  virtual void SetTextColor(TColor color) = 0;
  virtual void SetBkColor(TColor color) = 0;
  virtual void SetBkMode(TBkMode mode) = 0;
  virtual void SetTextAlign(TTextAlign align) = 0;

  // Fills r with the brush; no outline. A clear brush fills nothing.
  virtual void FillRect(const TRect& r) = 0;
  // Outline with the pen just inside r, interior filled with the brush.
  virtual void Rectangle(const TRect& r) = 0;
  // The ellipse inscribed in r, outlined with the pen, filled with the brush.
  virtual void Ellipse(const TRect& r) = 0;
  // Sets the current position.
  virtual void MoveTo(int x, int y) = 0;
  // Draws with the pen from the current position to (x, y), excluding the
  // end point, and makes (x, y) the current position.
  virtual void LineTo(int x, int y) = 0;

  // Draws one line of text (UTF-8) at the reference point (x, y) in the
  // current font, text colour and alignment, rotated by the font's
  // escapement about the reference point. `dx`, when not empty, holds the
  // advance in pixels of each UTF-16 code unit of the text (as the platform
  // counts characters); without it the font's own advances apply.
  virtual void TextOut(int x, int y, std::string_view text,
                       const TTextOutOptions& options = {},
                       std::span<const int> dx = {}) = 0;

  // Strokes `path` with the pen and fills it with the brush, each when asked.
  virtual void DrawPath(const TPath& path, bool stroke, bool fill) = 0;
  // Draws `image` onto the parallelogram whose corners are `topLeft`,
  // `topRight` and `bottomLeft` (device pixels), honouring its alpha.
  virtual void DrawImage(const TImage& image, TPointF topLeft, TPointF topRight, TPointF bottomLeft) = 0;
  virtual void SetRop2(TRop2 mode) = 0;

  // Narrows the clip region to its intersection with r.
  virtual void IntersectClipRect(const TRect& r) = 0;
  // Combines the area inside `path` with the clip region.
  virtual void ClipPath(const TPath& path, TClipMode mode) = 0;
  // Moves the clip region by (dx, dy) device pixels; without one, nothing.
  virtual void OffsetClip(double dx, double dy) = 0;
  // Removes any clipping: the whole surface is drawable again.
  virtual void RemoveClip() = 0;

  // Saves the drawing state (pen, brush, font, colours, modes, alignment,
  // raster operation, clip region, current position); Restore brings back the last saved one.
  // A Restore without a matching Save does nothing.
  virtual void Save() = 0;
  virtual void Restore() = 0;
};
