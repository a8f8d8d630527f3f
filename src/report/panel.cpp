#include "report/panel.h"

#include <cstdlib>

#include "definition/report_unit.h"
#include "definition/rounding.h"

void TReportFrame::SetSide(int index, bool on) {
  if (index < 0 || index >= 4) return;
  sides_[index] = on;
  Changed();
}

int TReportFrame::Thickness(long double factor) const {
  if (width_ == -1) return 1;
  const int t = RoundHalfEvenToInt(factor / 72 * kStoredPerInch * width_);
  return t <= 0 && width_ > 0 ? 1 : t;
}

void TReportFrame::DrawSides(TCanvas& canvas, const TRect& r, long double xFactor,
                             long double yFactor) const {
  const int tx = Thickness(xFactor);
  const int ty = Thickness(yFactor);
  canvas.SetBrush(TBrush{TBrushStyle::Solid, color_});
  canvas.SetPen(TPen{style_, 1, color_});
  if (DrawTop()) canvas.FillRect({r.left, r.top, r.right, r.top + ty});
  if (DrawBottom()) canvas.FillRect({r.left, r.bottom - ty, r.right, r.bottom});
  if (DrawLeft()) canvas.FillRect({r.left, r.top, r.left + tx, r.bottom});
  if (DrawRight()) canvas.FillRect({r.right - tx, r.top, r.right, r.bottom});
  canvas.SetBrush(TBrush{TBrushStyle::Clear, color_});
}

TLogFont LogFontFor(const TFont& font, int pixelsPerInch) {
  TLogFont f;
  f.name = font.Name();
  f.height = RoundHalfEvenToInt(static_cast<long double>(std::abs(font.Size())) * pixelsPerInch / 72);
  f.weight = font.Style().Bold ? 700 : 400;
  f.italic = font.Style().Italic;
  f.underline = font.Style().Underline;
  f.strikeOut = font.Style().StrikeOut;
  f.charSet = font.Charset();
  return f;
}
