#include "report/design_painter.h"

#include <string>

#include "report/angled_label.h"
#include "report/report.h"
#include "report/report_label.h"
#include "output/platform_printer.h"
#include "definition/report_unit.h"
#include "definition/rounding.h"

namespace {

// The designer's own colours and pens.
constexpr TColor kMinorGrid = TColor::Rgb(0xE0, 0xE0, 0xE0);
constexpr TColor kMajorGrid = TColor::Rgb(0xB0, 0xB0, 0xB0);
constexpr TColor kOutline = TColor::Rgb(0x80, 0x80, 0x80);
constexpr TColor kMargin = TColor::Rgb(0x40, 0x70, 0xC0);

void Line(TCanvas& c, int x1, int y1, int x2, int y2) {
  c.MoveTo(x1, y1);
  c.LineTo(x2, y2);
}

TLogFont DesignFont(int pixelsPerInch) {
  TLogFont f;
  f.name = "Arial";
  f.height = RoundHalfEvenToInt(7.0L * pixelsPerInch / 72);
  return f;
}

// One direction of a ruler: lines every `step` pixels, every `majorEvery`-th
// a major line numbered `labelStep` times its count.
struct TRulerAxis {
  long double step = 0;
  int majorEvery = 1;
  int labelStep = 1;
};

// The ruler grid of a panel at (ox, oy) of size w x h. Labels are drawn on
// the report panel only; minor lines (and, for millimetres, labels) only
// from the zoom where they stop crowding.
void PaintRuler(TCustomReport& report, TCanvas& c, int ox, int oy, int w, int h, bool labels) {
  const int ppi = report.Context().Metrics().PixelsPerInch();
  const long double scale = static_cast<long double>(ppi) * report.Zoom() / 100;
  TRulerAxis across, down;
  bool minor = true, labelled = labels, dotted = false;
  switch (report.Units()) {
    case TReportUnit::MM:
      across = down = {5.0L / 25.4L * scale, 2, 1};
      minor = report.Zoom() >= 60;
      labelled = labels && minor;
      break;
    case TReportUnit::Inches:
      across = down = {scale / 4, 4, 1};
      minor = report.Zoom() >= 50;
      break;
    case TReportUnit::Characters:
      // Character cells of the report's font: ten columns across, one line down.
      across = {CharacterWidthMM(report.ReportFontSize()) * 10 / 25.4L * scale, 1, 10};
      down = {CharacterHeightMM(report.ReportFontSize()) / 25.4L * scale, 1, 1};
      dotted = true;
      break;
    default:
      return;  // Pixels and Native draw no ruler
  }
  c.SetFont(DesignFont(ppi));
  c.SetTextColor(kOutline);
  c.SetBkMode(TBkMode::Transparent);
  c.SetTextAlign(TTextAlign{});
  auto grid = [&](const TRulerAxis& axis, bool vertical) {
    if (axis.step < 2) return;
    const int extent = vertical ? w : h;
    for (int k = 1; k * axis.step < extent; ++k) {
      const bool major = k % axis.majorEvery == 0;
      if (!major && !minor) continue;
      const int p = RoundHalfEvenToInt(k * axis.step);
      c.SetPen(TPen{major && !dotted ? TPenStyle::Solid : TPenStyle::Dot, 1, major ? kMajorGrid : kMinorGrid});
      if (vertical) {
        Line(c, ox + p, oy, ox + p, oy + h);
      } else {
        Line(c, ox, oy + p, ox + w, oy + p);
      }
      if (labelled && major) {
        const std::string label = std::to_string(k / axis.majorEvery * axis.labelStep);
        if (vertical) {
          c.TextOut(ox + p + 2, oy + 2, label);
        } else {
          c.TextOut(ox + 2, oy + p + 2, label);
        }
      }
    }
  };
  grid(across, true);
  grid(down, false);
}

void PaintBand(TCustomReport& report, TCustomBand& band, TCanvas& c) {
  const int ox = band.Left(), oy = band.Top(), w = band.Width(), h = band.Height();
  c.SetBrush(TBrush{TBrushStyle::Solid, band.Enabled() ? band.Color() : TColor::Rgb(0xC0, 0xC0, 0xC0)});
  c.FillRect({ox, oy, ox + w, oy + h});
  if (report.Page().Ruler()) PaintRuler(report, c, ox, oy, w, h, false);
  c.SetPen(TPen{TPenStyle::Dash, 1, kOutline});
  Line(c, ox, oy, ox + w - 1, oy);
  Line(c, ox + w - 1, oy, ox + w - 1, oy + h - 1);
  Line(c, ox + w - 1, oy + h - 1, ox, oy + h - 1);
  Line(c, ox, oy + h - 1, ox, oy);
  const long double factor = report.Context().Metrics().PixelsPerInch() / kStoredPerInch;
  if (band.Frame().HasAnySide()) band.Frame().DrawSides(c, {ox, oy, ox + w, oy + h}, factor, factor);
  const TLogFont font = DesignFont(report.Context().Metrics().PixelsPerInch());
  c.SetFont(font);
  c.SetTextColor(kOutline);
  c.SetBkMode(TBkMode::Transparent);
  c.SetTextAlign(TTextAlign{});
  const int textHeight = report.Context().Metrics().TextExtent(font, "W").height;
  c.TextOut(ox + 2, oy + h - textHeight - 4, std::string(BandTypeName(band.BandType())));
  // The elements are controls on the band: they paint over it.
  for (std::size_t i = 0; i < band.ChildCount(); ++i)
    if (auto* element = dynamic_cast<TPrintable*>(&band.Child(i))) element->Paint(c, {ox, oy});
}

}  // namespace

void PaintReportDesign(TCustomReport& report, TCanvas& c) {
  c.Save();
  const int w = report.Width(), h = report.Height();
  c.SetBrush(TBrush{TBrushStyle::Solid, report.Enabled() ? report.Color() : TColor::Rgb(0xC0, 0xC0, 0xC0)});
  c.FillRect({0, 0, w, h});
  if (report.Page().Ruler()) PaintRuler(report, c, 0, 0, w, h, true);
  // The page's own marks, under the bands that are placed on it.
  {
    TUnitBase::TPixelSwitch pixels(report.Page());
    const auto m = report.Page().DesignMarginRect(w, h);
    c.SetPen(TPen{TPenStyle::Dot, 1, kMargin});
    for (const auto& d : report.Page().DesignColumnDividers()) {
      Line(c, d.x1, 0, d.x1, m.top);
      Line(c, d.x2, 0, d.x2, m.top);
    }
    c.SetBrush(TBrush{TBrushStyle::Clear, kMargin});
    c.Rectangle({m.left, m.top, m.right, m.bottom});
    const long double factor = report.Context().Metrics().PixelsPerInch() / kStoredPerInch;
    if (report.Frame().HasAnySide())
      report.Frame().DrawSides(c, {m.left, m.top, m.right, m.bottom}, factor, factor);
  }
  for (TCustomBand* band : report.BandList()) PaintBand(report, *band, c);
  for (std::size_t i = 0; i < report.ChildCount(); ++i)
    if (auto* element = dynamic_cast<TPrintable*>(&report.Child(i))) element->Paint(c, {0, 0});
  c.Restore();
}
