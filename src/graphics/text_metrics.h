#pragma once

#include <string_view>
#include <vector>

#include "graphics/canvas.h"

// Size of a text line in device pixels, unrotated.
struct TTextExtent {
  int width = 0;
  int height = 0;
  friend bool operator==(const TTextExtent&, const TTextExtent&) = default;
};

// Vertical metrics of a font in device pixels: ascent above the baseline,
// descent below it; height = ascent + descent (the line's cell height).
struct TFontMetrics {
  int ascent = 0;
  int descent = 0;
  int height = 0;
};

// Text measurement on the reference context: a surface compatible with the
// screen at the screen's pixels per inch. The engine measures every text
// with this (label sizes, angled label boxes) and the EMF recorder takes its
// per-character advances from it, so all readers lay text out at the same
// widths. Escapement is ignored: extents are those of the unrotated text.
class TTextMetrics {
 public:
  virtual ~TTextMetrics() = default;

  // The reference context's pixels per inch (96 in tests).
  virtual int PixelsPerInch() const = 0;
  // Width and height of a text (UTF-8) in a font, the platform's text extent.
  // The height is the font's cell height, also for an empty text.
  virtual TTextExtent TextExtent(const TLogFont& font, std::string_view text) = 0;
  // The advance of each UTF-16 code unit of text (UTF-8) in pixels; the sum
  // equals TextExtent(font, text).width. A surrogate pair advances on its
  // first unit and 0 on its second.
  virtual std::vector<int> CharAdvances(const TLogFont& font, std::string_view text) = 0;
  virtual TFontMetrics Metrics(const TLogFont& font) = 0;
};

// A deterministic stand-in for the platform's metrics where no platform is
// at hand (engine-only tools, benchmarks, tests): every character advances
// by round(height * 0.55) pixels, ascent is round(height * 0.9), descent
// round(height * 0.25).
class TFixedPitchTextMetrics : public TTextMetrics {
 public:
  explicit TFixedPitchTextMetrics(int pixelsPerInch = 96) : ppi_(pixelsPerInch) {}
  int PixelsPerInch() const override { return ppi_; }
  TTextExtent TextExtent(const TLogFont& font, std::string_view text) override;
  std::vector<int> CharAdvances(const TLogFont& font, std::string_view text) override;
  TFontMetrics Metrics(const TLogFont& font) override;

 private:
  int ppi_;
};
