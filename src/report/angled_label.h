#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "report/report_label.h"

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

// The most characters (code points) of its caption an angled label draws.
// No page shows more: on the largest paper in the table, at the screen's
// 96 pixels per inch, that is twelve characters for every pixel of the
// page's diagonal. A caption file's line may hold megabytes, which would
// otherwise be measured and recorded whole and make a page too large to keep.
inline constexpr std::size_t kMaxAngledLabelChars = 65536;

// A one-line caption rotated by a whole number of degrees, drawn from the
// corner of its box that matches the angle; at most kMaxAngledLabelChars
// characters of it, the caption itself is kept whole.
class TAngledLabel : public TCustomReportLabel {
 public:
  explicit TAngledLabel(TReportContext& context);
  int Angle() const { return angle_; }
  // Stores the angle modulo 360; an angle that stays below 0 is taken as
  // its positive equivalent (-90 stays -90, which lays out as 270).
  void SetAngle(int angle);
  void PrintAt(long double x, long double y) override;
  void Paint(TCanvas& canvas, TPoint origin) override;

 private:
  int angle_ = 45;
};
