#pragma once

#include <functional>
#include <string>

#include "generation/report_label.h"

class TCanvas;
class TTextMetrics;

// The box of a rotated one-line text, in pixels of the canvas measured on.
struct TAngledMetrics {
  int RunX = 0, RunY = 0;    // extents contributed by the text's width
  int RiseX = 0, RiseY = 0;  // extents contributed by the text's height
  int BoxWidth = 0, BoxHeight = 0;
  int OriginX = 0, OriginY = 0;  // the text's reference point inside the box
};

// The metrics of `text` in `font` rotated by `angle` degrees (counter-
// clockwise), measured with `metrics`.
TAngledMetrics AngledTextMetrics(TTextMetrics& metrics, const TLogFont& font, int angle,
                                 std::string_view text);

// A one-line caption rotated by a whole number of degrees, drawn from the
// corner of its box that matches the angle.
class TAngledLabel : public TCustomReportLabel {
 public:
  TAngledLabel();
  int Angle() const { return angle_; }
  // Stores the angle modulo 360; an angle that stays below 0 is taken as
  // its positive equivalent (-90 stays -90, which lays out as 270).
  void SetAngle(int angle);
  void PrintAt(long double x, long double y) override;
  void Paint(TCanvas& canvas, TPoint origin) override;

 private:
  int angle_ = 45;
};
