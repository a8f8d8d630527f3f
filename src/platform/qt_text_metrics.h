#pragma once

#include <QFontMetricsF>
#include <QImage>
#include <memory>
#include <unordered_map>

#include "graphics/text_metrics.h"

class QFont;

// The Qt font for an engine font: family, pixel size (the character height),
// weight, style and decorations. Kerning is off, as in the platform's text
// extents, so a text's width is the sum of its characters' advances.
// Escapement is not part of a QFont; painting rotates instead.
QFont ToQFont(const TLogFont& font);

// Text measurement with QFontMetricsF on an image at a given logical
// resolution: the reference context of the report engine (96 dpi in tests).
// "Arial" measures as Liberation Sans (the constructor registers the font
// substitutions).
// Advances are whole pixels per character, as the platform's extents are.
class TQtTextMetrics : public TTextMetrics {
 public:
  explicit TQtTextMetrics(int pixelsPerInch = 96);
  int PixelsPerInch() const override { return ppi_; }
  TTextExtent TextExtent(const TLogFont& font, std::string_view text) override;
  std::vector<int> CharAdvances(const TLogFont& font, std::string_view text) override;
  TFontMetrics Metrics(const TLogFont& font) override;

 private:
  // What one font measures: its metrics object, vertical metrics, and the
  // advances of the characters met so far. Reports measure the same few
  // fonts thousands of times a page.
  struct TFontEntry {
    explicit TFontEntry(const QFont& font, QPaintDevice* device) : fm(font, device) {}
    QFontMetricsF fm;
    TFontMetrics metrics;
    std::unordered_map<char16_t, int> advances;
  };
  TFontEntry& Entry(const TLogFont& font);
  int Advance(TFontEntry& entry, char16_t unit);

  int ppi_;
  QImage image_;  // the reference context
  std::unordered_map<std::string, std::unique_ptr<TFontEntry>> fonts_;
};
