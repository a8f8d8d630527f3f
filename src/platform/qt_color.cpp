#include "platform/qt_color.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

TRgb ToRgb(const QColor& c) { return {std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())}; }

}  // namespace

TSystemPalette SystemPaletteFrom(const QPalette& p) {
  TSystemPalette result = TSystemPalette::Classic();
  result.Set(TSystemColor::Window, ToRgb(p.color(QPalette::Base)));
  result.Set(TSystemColor::WindowText, ToRgb(p.color(QPalette::WindowText)));
  result.Set(TSystemColor::BtnFace, ToRgb(p.color(QPalette::Button)));
  result.Set(TSystemColor::BtnText, ToRgb(p.color(QPalette::ButtonText)));
  result.Set(TSystemColor::BtnHighlight, ToRgb(p.color(QPalette::Light)));
  result.Set(TSystemColor::BtnShadow, ToRgb(p.color(QPalette::Dark)));
  result.Set(TSystemColor::GrayText, ToRgb(p.color(QPalette::Disabled, QPalette::Text)));
  return result;
}

QColor ToQColor(TColor color, const TSystemPalette& palette) {
  const TRgb rgb = palette.Resolve(color);
  return QColor(rgb.r, rgb.g, rgb.b);
}

QColor ToQColor(TColor color) {
  if (!color.IsSystem()) return ToQColor(color, TSystemPalette::Classic());
  return ToQColor(color, SystemPaletteFrom(QGuiApplication::palette()));
}

namespace {

double Luminance(const QColor& c) {
  const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  const QColor rgb = c.toRgb();
  return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableColor(const QColor& wanted, const QColor& background, const QColor& alternative) {
  return ContrastedColor(wanted, background, alternative, kReadableContrast);
}

QColor VisibleColor(const QColor& wanted, const QColor& background, const QColor& alternative) {
  return ContrastedColor(wanted, background, alternative, kGraphicContrast);
}

QColor ContrastedColor(const QColor& wanted, const QColor& background, const QColor& alternative, double least) {
  // Light: more contrasted with black than with white.
  if (ContrastRatio(background, Qt::black) >= ContrastRatio(background, Qt::white)) return wanted;
  if (ContrastRatio(wanted, background) >= least) return wanted;
  if (alternative.isValid() && ContrastRatio(alternative, background) >= least) return alternative;
  // Towards white in steps, keeping the hue as long as it can.
  const QColor from = wanted.toRgb();
  for (int step = 1; step <= 20; ++step) {
    const double t = step / 20.0;
    const QColor c = QColor::fromRgbF(float(from.redF() + (1 - from.redF()) * t),
                                      float(from.greenF() + (1 - from.greenF()) * t),
                                      float(from.blueF() + (1 - from.blueF()) * t));
    if (ContrastRatio(c, background) >= least) return c;
  }
  return Qt::white;
}
