#pragma once

#include "graphics/canvas.h"
#include "definition/control.h"

class TReportContext;

// The frame of a panel or an element: any of its four sides, drawn as
// filled strips of a thickness given in points.
class TReportFrame {
 public:
  // `owner` is repainted on every change; it may be null.
  explicit TReportFrame(TControl* owner = nullptr) : owner_(owner) {}

  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; Changed(); }
  bool DrawTop() const { return sides_[0]; }
  bool DrawBottom() const { return sides_[1]; }
  bool DrawLeft() const { return sides_[2]; }
  bool DrawRight() const { return sides_[3]; }
  // Sides by index: 0 top, 1 bottom, 2 left, 3 right.
  bool Side(int index) const { return index >= 0 && index < 4 && sides_[index]; }
  void SetSide(int index, bool on);
  void SetDrawTop(bool on) { SetSide(0, on); }
  void SetDrawBottom(bool on) { SetSide(1, on); }
  void SetDrawLeft(bool on) { SetSide(2, on); }
  void SetDrawRight(bool on) { SetSide(3, on); }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style) { style_ = style; Changed(); }
  // Line thickness in points (1/72 inch).
  int Width() const { return width_; }
  void SetWidth(int width) { width_ = width; Changed(); }

  bool HasAnySide() const { return sides_[0] || sides_[1] || sides_[2] || sides_[3]; }

  // The thickness in device pixels of one side for a factor of device
  // pixels per 0.1 mm: round(factor / 72 * 254 * Width), at least 1 for a
  // positive Width, and 1 for a Width of -1.
  int Thickness(long double factor) const;
  // Fills the enabled sides inside rect (top, bottom, left, right), then
  // leaves the brush clear.
  void DrawSides(TCanvas& canvas, const TRect& rect, long double xFactor, long double yFactor) const;

 private:
  void Changed() const {
    if (owner_) owner_->Invalidate();
  }

  TControl* owner_;
  TColor color_ = colors::Black;
  bool sides_[4] = {false, false, false, false};
  TPenStyle style_ = TPenStyle::Solid;
  int width_ = 1;
};

// The base of the report and its bands: a control with a frame and a zoom,
// on the services of its report's context.
class TBasePanel : public TControl {
 public:
  explicit TBasePanel(TReportContext& context) : context_(context), frame_(this) {}

  TReportContext& Context() const { return context_; }

  TReportFrame& Frame() { return frame_; }
  const TReportFrame& Frame() const { return frame_; }
  // Zoom in per cent, initially 100.
  int Zoom() const { return zoom_; }
  // The font size the design ruler measures characters with (initially 12).
  int RulerFontSize() const { return ruler_font_size_; }
  void SetRulerFontSize(int size) { ruler_font_size_ = size; }

 protected:
  int zoom_ = 100;

 private:
  TReportContext& context_;
  TReportFrame frame_;
  int ruler_font_size_ = 12;
};

// The engine font of a control's font on a device of `pixelsPerInch`: the
// point size is kept, so the pixel height follows the device's resolution.
TLogFont LogFontFor(const TFont& font, int pixelsPerInch);
