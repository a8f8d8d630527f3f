#include "platform/qt_canvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QString>

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
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  painter_.setPen(pen);
}

void TQtCanvas::ApplyBrush() {
  if (s_.brush.style == TBrushStyle::Clear) {
    painter_.setBrush(Qt::NoBrush);
  } else {
    painter_.setBrush(Color(s_.brush.color));
  }
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
  painter_.fillRect(ToQRect(r), Color(s_.brush.color));
}

// Qt outlines a rectangle of width w - 1 over w pixels with a one-pixel pen,
// which is where the platform draws the outline of (left, top, right,
// bottom): inside the box, right and bottom excluded.
void TQtCanvas::Rectangle(const TRect& r) {
  const double o = StrokeOffset();
  if (o == 0) {
    painter_.drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
  } else {
    painter_.drawRect(QRectF(r.left + o, r.top + o, r.Width() - 1, r.Height() - 1));
  }
}

void TQtCanvas::Ellipse(const TRect& r) {
  const double o = StrokeOffset();
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
