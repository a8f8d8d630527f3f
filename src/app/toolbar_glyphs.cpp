#include "app/toolbar_glyphs.h"

#include <QApplication>
#include <QIcon>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOption>

#include "platform/qt_color.h"

#include <algorithm>

namespace {

// Grid units: a 16-pixel picture has one pixel per unit. Shapes sit on
// whole units, so at whole scale factors every edge falls on a pixel.
constexpr qreal kGrid = 16;

const QColor kBlack(0x00, 0x00, 0x00), kWhite(0xFF, 0xFF, 0xFF), kLight(0xC0, 0xC0, 0xC0),
    kDark(0x80, 0x80, 0x80), kRed(0xC0, 0x00, 0x00), kBrown(0x80, 0x40, 0x00), kYellow(0xC0, 0xC0, 0x00);

void Fill(QPainter& p, qreal x, qreal y, qreal w, qreal h, const QColor& c) { p.fillRect(QRectF(x, y, w, h), c); }

// A rectangle with a one-unit black outline.
void Box(QPainter& p, qreal x, qreal y, qreal w, qreal h, const QColor& inside) {
  Fill(p, x, y, w, h, kBlack);
  Fill(p, x + 1, y + 1, w - 2, h - 2, inside);
}

// The page arrows are black, or on a dark toolbar the palette's button
// text colour, so that they stand out as text does.
QColor ArrowColor() {
  const QPalette palette = QApplication::palette();
  return ReadableColor(kBlack, palette.color(QPalette::Window), palette.color(QPalette::ButtonText));
}

// A part of a picture that must stand out from a dark toolbar too: as
// drawn on a light one, else lightened to kGraphicContrast.
QColor Visible(const QColor& designed) {
  return VisibleColor(designed, QApplication::palette().color(QPalette::Window));
}

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c) {
  p.setPen(Qt::NoPen);
  p.setBrush(ArrowColor());
  p.drawPolygon(QPolygonF({a, b, c}));
}

// The printer's body from y = 5 to its bottom row, with the slot the
// sheet comes out of just above that row.
void PrinterBody(QPainter& p, int bottom) {
  Box(p, 1, 5, 14, bottom - 4, kLight);
  Fill(p, 2, bottom - 2, 12, 1, kDark);
  Fill(p, 12, 7, 1, 1, kRed);
  Fill(p, 5, bottom - 1, 6, 1, kBlack);
}

// A sheet from row `top` to row `bottom`, with text lines on every other
// row from `firstLine`.
void Sheet(QPainter& p, int left, int top, int width, int bottom, int firstLine, int lines) {
  Box(p, left, top, width, bottom - top + 1, kWhite);
  for (int i = 0; i < lines; ++i) Fill(p, left + 2, firstLine + 2 * i, width - 4, 1, kBlack);
}

void Draw(QPainter& p, TToolbarGlyph glyph) {
  switch (glyph) {
    case TToolbarGlyph::FirstPage:
      Fill(p, 3, 3, 2, 10, ArrowColor());
      Triangle(p, {14, 3}, {14, 13}, {8, 8});
      break;
    case TToolbarGlyph::PreviousPage:
      Triangle(p, {12, 3}, {12, 13}, {6, 8});
      break;
    case TToolbarGlyph::NextPage:
      Triangle(p, {4, 3}, {4, 13}, {10, 8});
      break;
    case TToolbarGlyph::LastPage:
      Triangle(p, {2, 3}, {2, 13}, {8, 8});
      Fill(p, 11, 3, 2, 10, ArrowColor());
      break;
    case TToolbarGlyph::Printer:
      Sheet(p, 4, 1, 8, 5, 3, 1);
      PrinterBody(p, 11);
      Sheet(p, 5, 11, 8, 14, 12, 1);
      break;
    case TToolbarGlyph::PrinterWithSheet: {
      // The sheet going in has a folded corner.
      QPainterPath page;
      page.addPolygon(QPolygonF({{5, 0}, {12, 0}, {14, 2}, {14, 6}, {5, 6}}));
      p.fillPath(page, kBlack);
      QPainterPath inside;
      inside.addPolygon(QPolygonF({{6, 1}, {11.5, 1}, {13, 2.5}, {13, 6}, {6, 6}}));
      p.fillPath(inside, kWhite);
      Fill(p, 7, 2, 3, 1, kBlack);
      Fill(p, 7, 4, 5, 1, kBlack);
      PrinterBody(p, 10);
      Sheet(p, 5, 10, 8, 15, 11, 2);
      break;
    }
    case TToolbarGlyph::Pdf: {
      QPainterPath page;
      page.addPolygon(QPolygonF({{2, 0}, {10, 0}, {14, 4}, {14, 15}, {2, 15}}));
      p.fillPath(page, kBlack);
      QPainterPath inside;
      inside.addPolygon(QPolygonF({{3, 1}, {9.5, 1}, {13, 4.5}, {13, 14}, {3, 14}}));
      p.fillPath(inside, kWhite);
      Fill(p, 9, 1, 1, 4, kBlack);
      Fill(p, 9, 4, 4, 1, kBlack);
      // The red band with "PDF" in white, one unit per stroke.
      Fill(p, 0, 6, 15, 7, kRed);
      static const char* const kLetters[] = {
          ".oo..oo..oooo.",
          ".o.o.o.o.o....",
          ".oo..o.o.oooo.",
          ".o...o.o.o....",
          ".o...oo..o....",
      };
      for (int row = 0; row < 5; ++row)
        for (int col = 0; kLetters[row][col] != '\0'; ++col)
          if (kLetters[row][col] == 'o') Fill(p, col, 7 + row, 1, 1, kWhite);
      break;
    }
    case TToolbarGlyph::Door: {
      // The frame, and the door swung open on its right-hand hinges.
      // It stands on the toolbar itself: on a dark one the frame takes the
      // arrows' colour and the leaf a lighter brown.
      const QColor frame = ArrowColor();
      Fill(p, 2, 1, 11, 1, frame);
      Fill(p, 2, 14, 11, 1, frame);
      Fill(p, 2, 1, 1, 14, frame);
      Fill(p, 12, 1, 1, 14, frame);
      QPainterPath leaf;
      leaf.addPolygon(QPolygonF({{8, 2}, {12, 2}, {12, 14}, {8, 14}, {6, 12}, {6, 5}}));
      p.fillPath(leaf, Visible(kBrown));
      Fill(p, 10, 7, 1, 1, kYellow);
      break;
    }
  }
}

class TGlyphEngine : public QIconEngine {
 public:
  explicit TGlyphEngine(TToolbarGlyph glyph) : glyph_(glyph) {}

  // Paints into `rect` in the painter's own units; the painter's device
  // carries the pixel density, so the drawing is made at it.
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap pm = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
    pm.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, pm);
  }

  // `size` is in device pixels: QIcon asks for the size times the screen's
  // pixel ratio.
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    {
      QPainter p(&pm);
      p.setRenderHint(QPainter::Antialiasing);
      // Square, centred where the size is not.
      const qreal side = std::min(size.width(), size.height());
      p.translate((size.width() - side) / 2, (size.height() - side) / 2);
      p.scale(side / kGrid, side / kGrid);
      Draw(p, glyph_);
    }
    if (mode == QIcon::Disabled) {
      QStyleOption opt;
      if (const QStyle* style = QApplication::style()) return style->generatedIconPixmap(mode, pm, &opt);
    }
    return pm;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
  QIconEngine* clone() const override { return new TGlyphEngine(glyph_); }
  QString key() const override { return QStringLiteral("broodlog-glyph"); }

 private:
  TToolbarGlyph glyph_;
};

}  // namespace

QIcon ToolbarIcon(TToolbarGlyph glyph) { return QIcon(new TGlyphEngine(glyph)); }
