#include "report/angled_label.h"

#include <cmath>
#include <numbers>

#include "report/report.h"
#include "definition/rounding.h"

namespace {

// The first kMaxAngledLabelChars characters of UTF-8 text, cut between two.
std::string_view DrawnPart(std::string_view text) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // inside a character
    if (chars++ == kMaxAngledLabelChars) return text.substr(0, i);
  }
  return text;
}

}  // namespace

TAngledMetrics AngledTextMetrics(TTextMetrics& metrics, const TLogFont& font, int angle,
                                 std::string_view text) {
  // The reference angle by quadrant, the angle compared as unsigned, so
  // -90 falls in the last quadrant.
  const unsigned a = static_cast<unsigned>(angle);
  int e;
  if (a < 90) {
    e = 90 - angle;
  } else if (a < 180) {
    e = angle - 90;
  } else if (a < 270) {
    e = 270 - angle;
  } else {
    e = angle - 270;
  }
  const double rad = e * std::numbers::pi / 180;
  const TTextExtent extent = metrics.TextExtent(font, text);
  const double w = extent.width, h = extent.height;
  TAngledMetrics m;
  m.RunX = RoundHalfEvenToInt(std::sin(rad) * w);
  m.RiseX = RoundHalfEvenToInt(std::cos(rad) * h);
  m.RunY = RoundHalfEvenToInt(w * std::cos(rad));
  m.RiseY = RoundHalfEvenToInt(h * std::sin(rad));
  m.BoxWidth = m.RunX + m.RiseX;
  m.BoxHeight = m.RunY + m.RiseY;
  if (a < 90) {
    m.OriginX = 0, m.OriginY = m.RunY;
  } else if (a < 180) {
    m.OriginX = m.RunX, m.OriginY = m.BoxHeight;
  } else if (a < 270) {
    m.OriginX = m.BoxWidth, m.OriginY = m.RiseY;
  } else {
    m.OriginX = m.RiseX, m.OriginY = 0;
  }
  return m;
}

TAngledLabel::TAngledLabel(TReportContext& context) : TCustomReportLabel(context) {
  if (Font().Name() == "MS Sans Serif" || Font().Name() == "System") {
    TFont font = Font();
    font.SetName("Arial");
    SetFont(font);
  }
  SetAngle(45);
}

void TAngledLabel::SetAngle(int angle) {
  if (angle == angle_) return;
  angle %= 360;
  // Below -90 the box would get negative extents; such angles count as
  // their positive equivalents. -90 itself lays out as 270.
  if (angle < -90) angle += 360;
  angle_ = angle;
  Invalidate();
}

void TAngledLabel::PrintAt(long double x, long double y) {
  if (!Printer()) return;
  TReportPrinter& p = *Printer();
  // The caption is copied only for a handler that may change it.
  std::string edited;
  std::string_view text = Caption();
  if (OnPrint) {
    edited = text;
    OnPrint(*this, edited);
    text = edited;
  }
  text = DrawnPart(text);
  TLogFont font = LogFontFor(Font(), p.CanvasMetrics().PixelsPerInch());
  font.escapement = angle_ * 10;
  const TAngledMetrics m = AngledTextMetrics(p.CanvasMetrics(), font, angle_, text);
  TCanvas& canvas = p.Canvas();
  canvas.SetFont(font);
  canvas.SetTextColor(Font().Color());
  canvas.SetBrush(TBrush{Transparent() ? TBrushStyle::Clear : TBrushStyle::Solid, Color()});
  const int px = p.ToDeviceX(Size().Stored(TPrintableSize::kLeft) + x);
  const int py = p.ToDeviceY(Size().Stored(TPrintableSize::kTop) + y);
  const int right = AutoSize() ? px + m.BoxWidth : px + p.SizeToDeviceX(Size().Stored(TPrintableSize::kWidth));
  const int bottom = AutoSize() ? py + m.BoxHeight : py + p.SizeToDeviceY(Size().Stored(TPrintableSize::kHeight));
  const TRect box{px, py, right, bottom};
  canvas.FillRect(box);
  canvas.SetBkMode(TBkMode::Transparent);
  canvas.SetTextAlign(TTextAlign{});
  TTextOutOptions options;
  options.clipped = true;
  options.rect = box;
  if (!text.empty()) {
    const std::vector<int> dx = p.CanvasMetrics().CharAdvances(font, text);
    canvas.TextOut(px + m.OriginX, py + m.OriginY, text, options, dx);
  }
}

void TAngledLabel::Paint(TCanvas& canvas, TPoint origin) {
  if (InPrintRun()) return;
  std::string text(DrawnPart(Caption()));
  if (text.find_first_not_of(" \t") == std::string::npos) text = "(" + Name() + ")";
  TTextMetrics& metrics = Context().Metrics();
  TFont font = Font();
  TCustomReport* report = OwnerReport();
  const int zoom = report ? report->Zoom() : 100;
  font.SetSize(RoundHalfEvenToInt(static_cast<long double>(std::abs(Font().Size())) * zoom / 100));
  TLogFont logFont = LogFontFor(font, metrics.PixelsPerInch());
  logFont.escapement = angle_ * 10;
  const TAngledMetrics m = AngledTextMetrics(metrics, logFont, angle_, text);
  if (AutoSize()) SetBounds(Left(), Top(), m.BoxWidth, m.BoxHeight);
  const int x = origin.x + Left(), y = origin.y + Top();
  const TRect r{x, y, x + Width(), y + Height()};
  canvas.SetBrush(TBrush{Transparent() ? TBrushStyle::Clear : TBrushStyle::Solid, Color()});
  canvas.FillRect(r);
  canvas.SetFont(logFont);
  canvas.SetTextColor(Font().Color());
  canvas.SetBkMode(TBkMode::Transparent);
  canvas.SetTextAlign(TTextAlign{});
  TTextOutOptions options;
  options.clipped = true;
  options.rect = r;
  canvas.TextOut(x + m.OriginX, y + m.OriginY, text, options);
}
