#pragma once

// How well text reads on screen, measured on a picture of the widget as a
// screenshot shows it, and a dark palette to measure it under.

#include <QApplication>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QPalette>
#include <QRect>

#include "platform/qt_color.h"

// The contrast of the text in `area` of `image` (all of it when empty)
// with what it stands on: the commonest colour there is the background,
// and the text's colour is the pixel that stands out from it the most
// (anti-aliased edges stand out less, so they do not lower it).
inline double TextContrast(const QImage& image, QRect area = {}) {
  if (area.isEmpty()) area = image.rect();
  QHash<QRgb, int> counts;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y) | 0xFF000000u];
  QRgb background = 0;
  int most = -1;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    if (it.value() > most) most = it.value(), background = it.key();
  double best = 1;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    best = std::max(best, ContrastRatio(QColor(it.key()), QColor(background)));
  return best;
}

// A dark desktop's palette (the colours of GNOME's Adwaita-dark) for the
// application while it lives; the palette before it comes back after.
class TScopedDarkPalette {
 public:
  TScopedDarkPalette() : saved_(QApplication::palette()) {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xec));
    p.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
    p.setColor(QPalette::AlternateBase, QColor(0x2d, 0x2d, 0x2d));
    p.setColor(QPalette::Text, QColor(0xee, 0xee, 0xec));
    p.setColor(QPalette::Button, QColor(0x32, 0x32, 0x32));
    p.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xec));
    p.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    p.setColor(QPalette::LinkVisited, QColor(0xc6, 0x9c, 0xf8));
    p.setColor(QPalette::Mid, QColor(0x24, 0x24, 0x24));
    QApplication::setPalette(p);
  }
  ~TScopedDarkPalette() { QApplication::setPalette(saved_); }
  TScopedDarkPalette(const TScopedDarkPalette&) = delete;
  TScopedDarkPalette& operator=(const TScopedDarkPalette&) = delete;

 private:
  QPalette saved_;
};
