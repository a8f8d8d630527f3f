#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

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

// Outline of figures and lines. Width is in device pixels; 0 and 1 both draw
// a one-pixel line whatever the device's resolution.
struct TPen {
  TPenStyle style = TPenStyle::Solid;
  int width = 1;
  TColor color = colors::Black;
  friend bool operator==(const TPen&, const TPen&) = default;
};

enum class TBrushStyle : std::uint8_t { Solid = 0, Clear = 1 };

// Fill of figures, FillRect and opaque text backgrounds.
struct TBrush {
  TBrushStyle style = TBrushStyle::Solid;
  TColor color = colors::White;
  friend bool operator==(const TBrush&, const TBrush&) = default;
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

  // Narrows the clip region to its intersection with r.
  virtual void IntersectClipRect(const TRect& r) = 0;
  // Removes any clipping: the whole surface is drawable again.
  virtual void RemoveClip() = 0;

  // Saves the drawing state (pen, brush, font, colours, modes, alignment,
  // clip region, current position); Restore brings back the last saved one.
  // A Restore without a matching Save does nothing.
  virtual void Save() = 0;
  virtual void Restore() = 0;
};
