#include "graphics/text_metrics.h"

#include <cmath>

#include "graphics/utf16.h"

namespace {
int Scaled(int height, double factor) {
  return static_cast<int>(std::lround(std::abs(height) * factor));
}
}  // namespace

TTextExtent TFixedPitchTextMetrics::TextExtent(const TLogFont& font, std::string_view text) {
  int width = 0;
  for (int a : CharAdvances(font, text)) width += a;
  return {width, Metrics(font).height};
}

std::vector<int> TFixedPitchTextMetrics::CharAdvances(const TLogFont& font, std::string_view text) {
  const std::u16string units = Utf8ToUtf16(text);
  std::vector<int> advances(units.size(), Scaled(font.height, 0.55));
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i] >= 0xDC00 && units[i] <= 0xDFFF && i > 0 && units[i - 1] >= 0xD800 &&
        units[i - 1] <= 0xDBFF) {
      advances[i] = 0;
    }
  }
  return advances;
}

TFontMetrics TFixedPitchTextMetrics::Metrics(const TLogFont& font) {
  TFontMetrics m;
  m.ascent = Scaled(font.height, 0.9);
  m.descent = Scaled(font.height, 0.25);
  m.height = m.ascent + m.descent;
  return m;
}
