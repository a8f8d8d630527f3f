#include "platform/qt_text_metrics.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <cmath>

#include "graphics/utf16.h"
#include "platform/fonts.h"

QFont ToQFont(const TLogFont& font) {
  QFont f(QString::fromStdString(font.name));
  f.setPixelSize(std::max(1, std::abs(font.height)));
  f.setWeight(QFont::Weight(std::clamp(font.weight / 10 * 10, 100, 900)));
  f.setItalic(font.italic);
  f.setUnderline(font.underline);
  f.setStrikeOut(font.strikeOut);
  f.setKerning(false);
  return f;
}

TQtTextMetrics::TQtTextMetrics(int pixelsPerInch)
    : ppi_(pixelsPerInch), image_(1, 1, QImage::Format_RGB32) {
  // Measuring "Arial" as anything but its metric twin would give pages
  // other widths than the program's windows; registering twice is harmless.
  RegisterFontSubstitutions();
  const int dpm = int(std::lround(pixelsPerInch / 0.0254));
  image_.setDotsPerMeterX(dpm);
  image_.setDotsPerMeterY(dpm);
}

TQtTextMetrics::TFontEntry& TQtTextMetrics::Entry(const TLogFont& font) {
  // Escapement does not change what a text measures.
  std::string key = font.name;
  key += '\0';
  key += std::to_string(font.height) + '/' + std::to_string(font.weight) + '/' +
         std::to_string(int(font.italic) | int(font.underline) << 1 | int(font.strikeOut) << 2);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return *it->second;
  if (fonts_.size() > 256) fonts_.clear();  // a bound for programs that try many fonts
  auto entry = std::make_unique<TFontEntry>(ToQFont(font), &image_);
  entry->metrics.ascent = int(std::lround(entry->fm.ascent()));
  entry->metrics.descent = int(std::lround(entry->fm.descent()));
  entry->metrics.height = entry->metrics.ascent + entry->metrics.descent;
  return *fonts_.emplace(std::move(key), std::move(entry)).first->second;
}

int TQtTextMetrics::Advance(TFontEntry& entry, char16_t unit) {
  auto it = entry.advances.find(unit);
  if (it != entry.advances.end()) return it->second;
  const int advance = int(std::lround(entry.fm.horizontalAdvance(QChar(unit))));
  entry.advances.emplace(unit, advance);
  return advance;
}

TTextExtent TQtTextMetrics::TextExtent(const TLogFont& font, std::string_view text) {
  TFontEntry& entry = Entry(font);
  int width = 0;
  for (int a : CharAdvances(font, text)) width += a;
  return {width, entry.metrics.height};
}

std::vector<int> TQtTextMetrics::CharAdvances(const TLogFont& font, std::string_view text) {
  TFontEntry& entry = Entry(font);
  const std::u16string units = Utf8ToUtf16(text);
  std::vector<int> out(units.size(), 0);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size()) {
      const QString pair = QString::fromUtf16(units.data() + i, 2);
      out[i] = int(std::lround(entry.fm.horizontalAdvance(pair)));
      ++i;  // the second unit advances 0
    } else {
      out[i] = Advance(entry, u);
    }
  }
  return out;
}

TFontMetrics TQtTextMetrics::Metrics(const TLogFont& font) { return Entry(font).metrics; }
