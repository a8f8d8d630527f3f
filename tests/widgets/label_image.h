#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

#include <functional>

#include "widgets/fx_label.h"

// Renders a label into an image with the same pixels its paint event draws.
inline QImage RenderLabel(TCustomFxLabel& label) {
  QImage image(label.size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  QPainter p(&image);
  label.PaintTo(p);
  return image;
}

// The set of pixels of one colour, as a bounding box and a count.
struct Ink {
  QRect box;
  int count = 0;
  bool At(const QImage& image, QPoint pt, QColor c) const {
    return image.rect().contains(pt) && image.pixelColor(pt) == c;
  }
};

inline Ink FindInk(const QImage& image, QColor color) {
  Ink ink;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == color) {
        ink.box |= QRect(x, y, 1, 1);
        ++ink.count;
      }
  return ink;
}

// A font without anti-aliasing, so every pixel is exactly one colour.
inline QFont CrispFont(int pixel_size) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(pixel_size);
  f.setBold(true);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}
