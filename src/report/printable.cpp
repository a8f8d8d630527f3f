#include "report/printable.h"

#include "report/band.h"
#include "report/report.h"

TPrintable::TPrintable(TReportContext& context)
    : context_(context), size_(this, context.Units()), frame_(this) {
  SetColor(colors::White);
  SetBounds(0, 0, 10, 10);
}

TPrintable::~TPrintable() = default;

void TPrintable::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  ApplyBandAlignment();
  Invalidate();
}

void TPrintable::SetAlignToBand(bool on) {
  align_to_band_ = on;
  ApplyBandAlignment();
}

void TPrintable::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

TCustomBand* TPrintable::Band() const { return dynamic_cast<TCustomBand*>(Parent()); }

TCustomReport* TPrintable::OwnerReport() const {
  if (run_) return &run_->Report();
  if (auto* report = dynamic_cast<TCustomReport*>(Parent())) return report;
  if (TCustomBand* band = Band()) return band->Report();
  return nullptr;
}

TReportPrinter* TPrintable::Printer() const { return run_ ? &run_->Printer() : nullptr; }

bool TPrintable::DrawOutput() const { return run_ && run_->DrawOutput(); }

void TPrintable::ApplyBandAlignment() {
  if (!align_to_band_ || aligning_) return;
  aligning_ = true;
  TCustomBand* band = Band();
  switch (alignment_) {
    case TAlignment::taLeftJustify:
      SetLeft(0);
      break;
    case TAlignment::taRightJustify:
      if (band) SetLeft(band->Width() - Width());
      break;
    case TAlignment::taCenter:
      if (band) SetLeft((band->Width() - Width()) / 2);
      break;
  }
  aligning_ = false;
}

void TPrintable::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  if (!size_.PushingBounds() && !Loading()) size_.TakePixelBounds(Left(), Top(), Width(), Height());
  ApplyBandAlignment();
}

void TPrintable::SetParent(TControl* parent) {
  TControl::SetParent(parent);
  if (TCustomReport* report = OwnerReport()) TControl::PropagateZoom(report->Zoom());
}

void TPrintable::Loaded() {
  TControl::Loaded();
  size_.Loaded();
}

void TPrintable::BeginPrinting(TGenerationRun& run) {
  in_print_run_ = true;
  output_complete_ = true;  // a run cut short by an error left nothing to carry into this one
  run_ = &run;
}

void TPrintable::PrintAt(long double x, long double y) {
  if (!DrawOutput() || !frame_.HasAnySide()) return;
  TReportPrinter& p = *Printer();
  const long double l = x + size_.Stored(TPrintableSize::kLeft);
  const long double t = y + size_.Stored(TPrintableSize::kTop);
  const TRect r{p.ToDeviceX(l), p.ToDeviceY(t), p.ToDeviceX(l + size_.Stored(TPrintableSize::kWidth)),
                p.ToDeviceY(t + size_.Stored(TPrintableSize::kHeight))};
  frame_.DrawSides(p.Canvas(), r, p.ScaleX(), p.ScaleY());
}

// --- TReportShape -----------------------------------------------------------

TReportShape::TReportShape(TReportContext& context) : TPrintable(context) { SetBounds(Left(), Top(), 65, 65); }

void TReportShape::SetBrush(const TBrush& brush) {
  brush_ = brush;
  Invalidate();
}

void TReportShape::SetPen(const TPen& pen) {
  pen_ = pen;
  Invalidate();
}

void TReportShape::SetShape(TShapeType shape) {
  if (shape == shape_) return;
  shape_ = shape;
  Invalidate();
}

void TReportShape::PrintAt(long double x, long double y) {
  if (!DrawOutput() || !CountsAsEnabled()) return;
  TReportPrinter& p = *Printer();
  TCanvas& canvas = p.Canvas();
  canvas.SetBrush(brush_);
  canvas.SetPen(pen_);
  const long double L = x + Size().Stored(TPrintableSize::kLeft);
  const long double T = y + Size().Stored(TPrintableSize::kTop);
  const long double W = Size().Stored(TPrintableSize::kWidth);
  const long double H = Size().Stored(TPrintableSize::kHeight);
  auto line = [&](long double x1, long double y1, long double x2, long double y2) {
    canvas.MoveTo(p.ToDeviceX(x1), p.ToDeviceY(y1));
    canvas.LineTo(p.ToDeviceX(x2), p.ToDeviceY(y2));
  };
  const TRect box{p.ToDeviceX(L), p.ToDeviceY(T), p.ToDeviceX(L + W), p.ToDeviceY(T + H)};
  switch (shape_) {
    case TShapeType::stRectangle:
      canvas.Rectangle(box);
      break;
    case TShapeType::stCircle:
      canvas.Ellipse(box);
      break;
    case TShapeType::stVertLine:
      line(L + W / 2, T, L + W / 2, T + H);
      break;
    case TShapeType::stHorLine:
      line(L, T + H / 2, L + W, T + H / 2);
      break;
    case TShapeType::stTopAndBottom:
      line(L, T, L + W, T);
      line(L, T + H, L + W, T + H);
      break;
    case TShapeType::stRightAndLeft:
      line(L, T, L, T + H);
      line(L + W, T, L + W, T + H);
      break;
  }
}

// --- Designer's picture --------------------------------------------------------

int TPrintable::ReportZoom() const {
  TCustomReport* report = OwnerReport();
  return report ? report->Zoom() : 100;
}

void TPrintable::PaintBase(TCanvas& canvas, const TRect& r) {
  if (!transparent_) {
    canvas.SetBrush(TBrush{TBrushStyle::Solid, colors::White});
    canvas.FillRect(r);
  }
  canvas.SetPen(TPen{TPenStyle::Solid, 1, colors::Black});
  auto mark = [&](int x, int y, int dx, int dy) {
    canvas.MoveTo(x, y);
    canvas.LineTo(x + dx * 4, y);
    canvas.MoveTo(x, y);
    canvas.LineTo(x, y + dy * 4);
  };
  mark(r.left, r.top, 1, 1);
  mark(r.right - 1, r.top, -1, 1);
  mark(r.left, r.bottom - 1, 1, -1);
  mark(r.right - 1, r.bottom - 1, -1, -1);
  if (frame_.HasAnySide()) {
    const long double factor =
        static_cast<long double>(ReportZoom()) * context_.Metrics().PixelsPerInch() / kStoredPerInch / 100;
    frame_.DrawSides(canvas, r, factor, factor);
  }
}

void TPrintable::Paint(TCanvas& canvas, TPoint origin) {
  if (in_print_run_) return;
  const int x = origin.x + Left(), y = origin.y + Top();
  PaintBase(canvas, {x, y, x + Width(), y + Height()});
}

void TReportShape::Paint(TCanvas& canvas, TPoint origin) {
  if (InPrintRun()) return;
  const int x = origin.x + Left(), y = origin.y + Top(), w = Width(), h = Height();
  canvas.SetPen(pen_);
  canvas.SetBrush(brush_);
  auto line = [&](int x1, int y1, int x2, int y2) {
    canvas.MoveTo(x + x1, y + y1);
    canvas.LineTo(x + x2, y + y2);
  };
  switch (shape_) {
    case TShapeType::stRectangle: canvas.Rectangle({x, y, x + w, y + h}); break;
    case TShapeType::stCircle: canvas.Ellipse({x, y, x + w, y + h}); break;
    case TShapeType::stVertLine: line(w / 2, 0, w / 2, h); break;
    case TShapeType::stHorLine: line(0, h / 2, w, h / 2); break;
    case TShapeType::stTopAndBottom:
      line(0, 0, w, 0);
      line(0, h - 1, w, h - 1);
      break;
    case TShapeType::stRightAndLeft:
      line(0, 0, 0, h);
      line(w - 1, 0, w - 1, h);
      break;
  }
}
