#include "platform/qt_color.h"

#include <QGuiApplication>
#include <QPalette>

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
