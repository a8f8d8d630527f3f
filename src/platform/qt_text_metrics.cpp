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

TTextExtent TQtTextMetrics::TextExtent(const TLogFont& font, std::string_view text) {
  int width = 0;
  for (int a : CharAdvances(font, text)) width += a;
  return {width, Metrics(font).height};
}

std::vector<int> TQtTextMetrics::CharAdvances(const TLogFont& font, std::string_view text) {
  const QFontMetricsF fm(ToQFont(font), &image_);
  const std::u16string units = Utf8ToUtf16(text);
  std::vector<int> out(units.size(), 0);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size()) {
      const QString pair = QString::fromUtf16(units.data() + i, 2);
      out[i] = int(std::lround(fm.horizontalAdvance(pair)));
      ++i;  // the second unit advances 0
    } else {
      out[i] = int(std::lround(fm.horizontalAdvance(QChar(u))));
    }
  }
  return out;
}

TFontMetrics TQtTextMetrics::Metrics(const TLogFont& font) {
  const QFontMetricsF fm(ToQFont(font), &image_);
  TFontMetrics m;
  m.ascent = int(std::lround(fm.ascent()));
  m.descent = int(std::lround(fm.descent()));
  m.height = m.ascent + m.descent;
  return m;
}
