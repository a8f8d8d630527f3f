#pragma once

#include <QFont>
#include <vector>

#include "graphics/canvas.h"

class QPainter;

// The engine's canvas on a QPainter (screen, image, printer, PDF): the
// preview and the printer draw pages through it. Coordinates are the
// painter's device pixels. The painter must be active and outlive the
// canvas; the canvas sets up its own defaults on it and leaves it in the
// state of the last call. With antialiasing on, strokes of odd width are
// centred on pixel middles, so rules stay one sharp pixel. Colours are resolved through `palette` when given,
// otherwise through the application's palette.
class TQtCanvas : public TCanvas {
 public:
  explicit TQtCanvas(QPainter& painter, const TSystemPalette* palette = nullptr);

  void SetPen(const TPen& pen) override;
  void SetBrush(const TBrush& brush) override;
  void SetFont(const TLogFont& font) override;
  void SetTextColor(TColor color) override;
  void SetBkColor(TColor color) override;
  void SetBkMode(TBkMode mode) override;
  void SetTextAlign(TTextAlign align) override;
  void FillRect(const TRect& r) override;
  void Rectangle(const TRect& r) override;
  void Ellipse(const TRect& r) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void TextOut(int x, int y, std::string_view text, const TTextOutOptions& options = {},
               std::span<const int> dx = {}) override;
  void DrawPath(const TPath& path, bool stroke, bool fill) override;
  void DrawImage(const TImage& image, TPointF topLeft, TPointF topRight, TPointF bottomLeft) override;
  void SetRop2(TRop2 mode) override;
  void IntersectClipRect(const TRect& r) override;
  void ClipPath(const TPath& path, TClipMode mode) override;
  void OffsetClip(double dx, double dy) override;
  void RemoveClip() override;
  void Save() override;
  void Restore() override;

 private:
  struct TState {
    TPen pen;
    TBrush brush;
    TLogFont font;
    QFont qfont;
    TColor textColor = colors::Black;
    TColor bkColor = colors::White;
    TBkMode bkMode = TBkMode::Opaque;
    TTextAlign align;
    TPoint position;
    TRop2 rop = TRop2::CopyPen;
  };
  QColor Color(TColor c) const;
  void ApplyPen();
  void ApplyBrush();
  double StrokeOffset() const;
  // Hatches over an opaque background: the background under the figure.
  void HatchBackground(const class QPainterPath& area);

  QPainter& painter_;
  const TSystemPalette* palette_;
  TState s_;
  std::vector<TState> saved_;
};
