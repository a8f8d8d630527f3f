#include "platform/qt_canvas.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <QPen>
#include <QString>

#include <algorithm>
#include <cstring>

#include "graphics/utf16.h"
#include "platform/qt_color.h"
#include "platform/qt_text_metrics.h"

namespace {

Qt::PenStyle QtPenStyle(TPenStyle s) {
  switch (s) {
    case TPenStyle::Dash: return Qt::DashLine;
    case TPenStyle::Dot: return Qt::DotLine;
    case TPenStyle::DashDot: return Qt::DashDotLine;
    case TPenStyle::DashDotDot: return Qt::DashDotDotLine;
    case TPenStyle::Clear: return Qt::NoPen;
    case TPenStyle::Solid:
    case TPenStyle::InsideFrame: break;
  }
  return Qt::SolidLine;
}

QRect ToQRect(const TRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

QPainterPath ToQPath(const TPath& path) {
  QPainterPath q;
  q.setFillRule(path.winding ? Qt::WindingFill : Qt::OddEvenFill);
  const auto& e = path.elements;
  for (std::size_t i = 0; i < e.size(); ++i) {
    const QPointF p(e[i].p.x, e[i].p.y);
    switch (e[i].op) {
      case TPathOp::Move: q.moveTo(p); break;
      case TPathOp::Line: q.lineTo(p); break;
      case TPathOp::Curve:
        if (i + 2 < e.size()) {
          q.cubicTo(p, QPointF(e[i + 1].p.x, e[i + 1].p.y), QPointF(e[i + 2].p.x, e[i + 2].p.y));
          i += 2;
        }
        break;
      case TPathOp::Close: q.closeSubpath(); break;
    }
  }
  return q;
}

QImage ToQImage(const TImage& image) {
  QImage q(image.width, image.height, QImage::Format_ARGB32);
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(q.scanLine(y), image.pixels.data() + std::size_t(y) * image.width, std::size_t(image.width) * 4);
  }
  return q;
}

Qt::BrushStyle QtHatch(THatch h) {
  switch (h) {
    case THatch::Horizontal: return Qt::HorPattern;
    case THatch::Vertical: return Qt::VerPattern;
    case THatch::FDiagonal: return Qt::FDiagPattern;
    case THatch::BDiagonal: return Qt::BDiagPattern;
    case THatch::Cross: return Qt::CrossPattern;
    case THatch::DiagCross: return Qt::DiagCrossPattern;
  }
  return Qt::SolidPattern;
}

QPainter::CompositionMode QtRop(TRop2 r) {
  switch (r) {
    case TRop2::Black: return QPainter::RasterOp_ClearDestination;
    case TRop2::NotMergePen: return QPainter::RasterOp_NotSourceAndNotDestination;
    case TRop2::MaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case TRop2::NotCopyPen: return QPainter::RasterOp_NotSource;
    case TRop2::MaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case TRop2::Not: return QPainter::RasterOp_NotDestination;
    case TRop2::XorPen: return QPainter::RasterOp_SourceXorDestination;
    case TRop2::NotMaskPen: return QPainter::RasterOp_NotSourceOrNotDestination;
    case TRop2::MaskPen: return QPainter::RasterOp_SourceAndDestination;
    case TRop2::NotXorPen: return QPainter::RasterOp_NotSourceXorDestination;
    case TRop2::Nop: return QPainter::CompositionMode_Destination;
    case TRop2::MergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case TRop2::CopyPen: return QPainter::CompositionMode_SourceOver;
    case TRop2::MergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case TRop2::MergePen: return QPainter::RasterOp_SourceOrDestination;
    case TRop2::White: return QPainter::RasterOp_SetDestination;
  }
  return QPainter::CompositionMode_SourceOver;
}

}  // namespace

TQtCanvas::TQtCanvas(QPainter& painter, const TSystemPalette* palette)
    : painter_(painter), palette_(palette) {
  s_.qfont = ToQFont(s_.font);
  ApplyPen();
  ApplyBrush();
}

QColor TQtCanvas::Color(TColor c) const { return palette_ ? ToQColor(c, *palette_) : ToQColor(c); }

void TQtCanvas::ApplyPen() {
  QPen pen(Color(s_.pen.color));
  pen.setStyle(QtPenStyle(s_.pen.style));
  // Widths 0 and 1 are one device pixel; Qt's 0 is a cosmetic one-pixel pen.
  pen.setWidth(s_.pen.width <= 1 ? 0 : s_.pen.width);
  switch (s_.pen.cap) {
    case TLineCap::Round: pen.setCapStyle(Qt::RoundCap); break;
    case TLineCap::Square: pen.setCapStyle(Qt::SquareCap); break;
    case TLineCap::Flat: pen.setCapStyle(Qt::FlatCap); break;
  }
  switch (s_.pen.join) {
    case TLineJoin::Round: pen.setJoinStyle(Qt::RoundJoin); break;
    case TLineJoin::Bevel: pen.setJoinStyle(Qt::BevelJoin); break;
    case TLineJoin::Miter: pen.setJoinStyle(Qt::MiterJoin); break;
  }
  if (!s_.pen.dashes.empty() && s_.pen.style != TPenStyle::Clear) {
    // Qt counts dash lengths in pen widths; an odd count repeats once more.
    const double w = std::max(1, s_.pen.width);
    QList<qreal> pattern;
    for (double d : s_.pen.dashes) pattern << std::max(d / w, 0.01);
    if (pattern.size() % 2) pattern << pattern;
    pen.setDashPattern(pattern);
  }
  painter_.setPen(pen);
}

void TQtCanvas::ApplyBrush() {
  switch (s_.brush.style) {
    case TBrushStyle::Clear: painter_.setBrush(Qt::NoBrush); break;
    case TBrushStyle::Solid: painter_.setBrush(Color(s_.brush.color)); break;
    case TBrushStyle::Hatched: painter_.setBrush(QBrush(Color(s_.brush.color), QtHatch(s_.brush.hatch))); break;
    case TBrushStyle::Pattern:
      if (s_.brush.pattern && s_.brush.pattern->width > 0) {
        painter_.setBrush(QBrush(ToQImage(*s_.brush.pattern)));
      } else {
        painter_.setBrush(Color(s_.brush.color));
      }
      break;
  }
}

void TQtCanvas::HatchBackground(const QPainterPath& area) {
  if (s_.brush.style != TBrushStyle::Hatched || s_.bkMode != TBkMode::Opaque) return;
  painter_.fillPath(area, Color(s_.bkColor));
}

void TQtCanvas::SetPen(const TPen& pen) {
  s_.pen = pen;
  ApplyPen();
}

void TQtCanvas::SetBrush(const TBrush& brush) {
  s_.brush = brush;
  ApplyBrush();
}

void TQtCanvas::SetFont(const TLogFont& font) {
  if (font == s_.font) return;
  s_.font = font;
  s_.qfont = ToQFont(font);
}

void TQtCanvas::SetTextColor(TColor color) { s_.textColor = color; }
void TQtCanvas::SetBkColor(TColor color) { s_.bkColor = color; }
void TQtCanvas::SetBkMode(TBkMode mode) { s_.bkMode = mode; }
void TQtCanvas::SetTextAlign(TTextAlign align) { s_.align = align; }

void TQtCanvas::FillRect(const TRect& r) {
  if (s_.brush.style == TBrushStyle::Clear || r.Width() <= 0 || r.Height() <= 0) return;
  if (s_.brush.style == TBrushStyle::Solid) {
    painter_.fillRect(ToQRect(r), Color(s_.brush.color));
    return;
  }
  QPainterPath area;
  area.addRect(ToQRect(r));
  HatchBackground(area);
  painter_.fillRect(ToQRect(r), painter_.brush());
}

// Qt outlines a rectangle of width w - 1 over w pixels with a one-pixel pen,
// which is where the platform draws the outline of (left, top, right,
// bottom): inside the box, right and bottom excluded.
void TQtCanvas::Rectangle(const TRect& r) {
  const double o = StrokeOffset();
  if (s_.brush.style == TBrushStyle::Hatched) {
    QPainterPath area;
    area.addRect(QRectF(r.left, r.top, r.Width(), r.Height()));
    HatchBackground(area);
  }
  if (o == 0) {
    painter_.drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
  } else {
    painter_.drawRect(QRectF(r.left + o, r.top + o, r.Width() - 1, r.Height() - 1));
  }
}

void TQtCanvas::Ellipse(const TRect& r) {
  const double o = StrokeOffset();
  if (s_.brush.style == TBrushStyle::Hatched) {
    QPainterPath area;
    area.addEllipse(QRectF(r.left, r.top, r.Width(), r.Height()));
    HatchBackground(area);
  }
  if (o == 0) {
    painter_.drawEllipse(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
  } else {
    painter_.drawEllipse(QRectF(r.left + o, r.top + o, r.Width() - 1, r.Height() - 1));
  }
}

void TQtCanvas::MoveTo(int x, int y) { s_.position = {x, y}; }

void TQtCanvas::LineTo(int x, int y) {
  const double o = StrokeOffset();
  if (o == 0) {
    painter_.drawLine(QPoint(s_.position.x, s_.position.y), QPoint(x, y));
  } else {
    painter_.drawLine(QPointF(s_.position.x + o, s_.position.y + o), QPointF(x + o, y + o));
  }
  s_.position = {x, y};
}

// An antialiased stroke of odd width centred on a whole coordinate covers
// two half-lit pixels; centred on the pixel's middle it covers whole ones,
// as the aliased stroke does.
double TQtCanvas::StrokeOffset() const {
  if (!painter_.testRenderHint(QPainter::Antialiasing) || s_.pen.style == TPenStyle::Clear) return 0;
  return (s_.pen.width <= 1 || s_.pen.width % 2 == 1) ? 0.5 : 0;
}

void TQtCanvas::TextOut(int x, int y, std::string_view text, const TTextOutOptions& options,
                        std::span<const int> dx) {
  const std::u16string units = Utf8ToUtf16(text);
  const QString str = QString::fromUtf16(units.data(), qsizetype(units.size()));
  const QFontMetricsF fm(s_.qfont, painter_.device());
  const bool useDx = dx.size() == units.size() && !units.empty();
  double width = 0;
  if (useDx) {
    for (int a : dx) width += a;
  } else {
    width = fm.horizontalAdvance(str);
  }

  painter_.save();
  if (options.opaque) painter_.fillRect(ToQRect(options.rect), Color(s_.bkColor));
  if (options.clipped) painter_.setClipRect(ToQRect(options.rect), Qt::IntersectClip);

  // Lay the text out about the reference point, then turn it by the
  // escapement: counter-clockwise on the page, so minus in Qt's y-down frame.
  painter_.translate(x, y);
  if (s_.font.escapement != 0) painter_.rotate(-s_.font.escapement / 10.0);
  double left = 0;
  if (s_.align.horz == THorzTextAlign::Right) left = -width;
  if (s_.align.horz == THorzTextAlign::Center) left = -width / 2;
  double baseline = 0;
  if (s_.align.vert == TVertTextAlign::Top) baseline = fm.ascent();
  if (s_.align.vert == TVertTextAlign::Bottom) baseline = -fm.descent();
  if (s_.bkMode == TBkMode::Opaque && !options.opaque) {
    painter_.fillRect(QRectF(left, baseline - fm.ascent(), width, fm.ascent() + fm.descent()),
                      Color(s_.bkColor));
  }
  painter_.setFont(s_.qfont);
  painter_.setPen(Color(s_.textColor));
  const bool rtl = s_.align.rtlReading || options.rtlReading;
  if (useDx && !rtl) {
    // Each character at the advances the engine measured, so text keeps the
    // widths of the recorded page on every device.
    double pen = left;
    for (std::size_t i = 0; i < units.size(); ++i) {
      const bool pair = units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size();
      painter_.drawText(QPointF(pen, baseline), str.mid(qsizetype(i), pair ? 2 : 1));
      pen += dx[i];
      if (pair) pen += dx[++i];
    }
  } else {
    painter_.setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    painter_.drawText(QPointF(left, baseline), str);
  }
  painter_.restore();
}

void TQtCanvas::DrawPath(const TPath& path, bool stroke, bool fill) {
  if (path.Empty()) return;
  const QPainterPath q = ToQPath(path);
  if (fill && s_.brush.style != TBrushStyle::Clear) {
    HatchBackground(q);
    painter_.fillPath(q, painter_.brush());
  }
  if (stroke && s_.pen.style != TPenStyle::Clear) painter_.strokePath(q, painter_.pen());
}

void TQtCanvas::DrawImage(const TImage& image, TPointF topLeft, TPointF topRight, TPointF bottomLeft) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != std::size_t(image.width) * std::size_t(image.height)) {
    return;
  }
  const double w = image.width, h = image.height;
  // The map from the bitmap's pixels onto the parallelogram.
  const QTransform t((topRight.x - topLeft.x) / w, (topRight.y - topLeft.y) / w, (bottomLeft.x - topLeft.x) / h,
                     (bottomLeft.y - topLeft.y) / h, topLeft.x, topLeft.y);
  if (!t.isInvertible()) return;
  painter_.save();
  painter_.setTransform(t, true);
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter_.drawImage(QPointF(0, 0), ToQImage(image));
  painter_.restore();
}

void TQtCanvas::SetRop2(TRop2 mode) {
  s_.rop = mode;
  // Only pixels can be combined; other devices draw plainly.
  const QPaintEngine* engine = painter_.paintEngine();
  const bool raster = engine && engine->type() == QPaintEngine::Raster;
  painter_.setCompositionMode(raster ? QtRop(mode) : QPainter::CompositionMode_SourceOver);
}

void TQtCanvas::ClipPath(const TPath& path, TClipMode mode) {
  const QPainterPath q = ToQPath(path);
  if (mode == TClipMode::Copy) {
    painter_.setClipPath(q, Qt::ReplaceClip);
    return;
  }
  if (mode == TClipMode::And) {
    painter_.setClipPath(q, painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    return;
  }
  if (mode == TClipMode::Or && !painter_.hasClipping()) return;  // already everything
  QPainterPath current;
  if (painter_.hasClipping()) {
    current = painter_.clipPath();
  } else {
    const QRect all = painter_.device() ? QRect(0, 0, painter_.device()->width(), painter_.device()->height()) : QRect();
    current.addRect(painter_.worldTransform().inverted().mapRect(QRectF(all)));
  }
  QPainterPath combined;
  switch (mode) {
    case TClipMode::Or: combined = current.united(q); break;
    case TClipMode::Xor: combined = current.united(q).subtracted(current.intersected(q)); break;
    case TClipMode::Diff: combined = current.subtracted(q); break;
    default: combined = q; break;
  }
  painter_.setClipPath(combined, Qt::ReplaceClip);
}

void TQtCanvas::OffsetClip(double dx, double dy) {
  if (!painter_.hasClipping()) return;
  painter_.setClipPath(painter_.clipPath().translated(dx, dy), Qt::ReplaceClip);
}

void TQtCanvas::IntersectClipRect(const TRect& r) {
  painter_.setClipRect(ToQRect(r), painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void TQtCanvas::RemoveClip() { painter_.setClipping(false); }

void TQtCanvas::Save() {
  saved_.push_back(s_);
  painter_.save();
}

void TQtCanvas::Restore() {
  if (saved_.empty()) return;
  s_ = saved_.back();
  saved_.pop_back();
  painter_.restore();
}
