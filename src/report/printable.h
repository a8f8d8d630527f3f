#pragma once

#include <functional>
#include <string>
#include <vector>

#include "report/panel.h"
#include "definition/printable_size.h"

class TCustomBand;
class TCustomReport;
class TGenerationRun;
class TReportContext;
class TReportPrinter;
class TTextMetrics;

enum class TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// The base of everything a band prints: a position and size in report
// units, a frame, an alignment, and a print operation that the band calls
// with its own position on the page.
class TPrintable : public TControl {
 public:
  // An element on the services of `context`, its report's.
  explicit TPrintable(TReportContext& context);
  ~TPrintable() override;

  TReportContext& Context() const { return context_; }

  TPrintableSize& Size() { return size_; }
  const TPrintableSize& Size() const { return size_; }
  TUnitBase* SizeHolder() override { return &size_; }
  TReportFrame& Frame() { return frame_; }
  const TReportFrame& Frame() const { return frame_; }

  TAlignment Alignment() const { return alignment_; }
  virtual void SetAlignment(TAlignment alignment);
  bool AlignToBand() const { return align_to_band_; }
  void SetAlignToBand(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);

  // The report this element prints for: the run's while one prints it,
  // else the report its band (or itself) is placed on.
  TCustomReport* OwnerReport() const;
  // The band the element sits on, or null.
  TCustomBand* Band() const;

  bool InPrintRun() const { return in_print_run_; }
  // False while output is left for a following page or column.
  bool OutputComplete() const { return output_complete_; }
  // Drops what is left: the next print starts afresh.
  void AbandonOutput() { output_complete_ = true; }

  // True when Enabled, or when the control is not visible.
  virtual bool CountsAsEnabled() const { return Enabled() || !Visible(); }
  // With AlignToBand: left, right or centred on the band.
  virtual void ApplyBandAlignment();
  // A run begins that prints the element, until EndPrinting.
  virtual void BeginPrinting(TGenerationRun& run);
  // Prints the element for a band whose top-left corner is at (x, y) in
  // storage units. The base paints the frame.
  virtual void PrintAt(long double x, long double y);
  virtual void EndPrinting() { in_print_run_ = false, run_ = nullptr; }
  // The designer's picture of the element, its top-left corner at
  // origin + (Left, Top) in pixels of the reference context. Nothing while
  // a run prints it.
  virtual void Paint(TCanvas& canvas, TPoint origin);

  void SetBounds(int left, int top, int width, int height) override;
  void SetParent(TControl* parent) override;
  void Loaded() override;

 protected:
  // The run printing the element and its report printer, or null outside one.
  TGenerationRun* Run() const { return run_; }
  TReportPrinter* Printer() const;
  // True when output goes to the printer canvas.
  bool DrawOutput() const;
  // The background, corner marks and frame of the designer's picture, in
  // the rectangle r.
  void PaintBase(TCanvas& canvas, const TRect& r);
  // Zoom of the report the element is on (100 without one).
  int ReportZoom() const;
  bool output_complete_ = true;

 private:
  TReportContext& context_;
  TPrintableSize size_;
  TReportFrame frame_;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool align_to_band_ = false;
  bool aligning_ = false;
  bool transparent_ = false;
  bool in_print_run_ = false;
  TGenerationRun* run_ = nullptr;
};

enum class TShapeType { stRectangle, stCircle, stVertLine, stHorLine, stTopAndBottom, stRightAndLeft };

// Lines and figures: rules, rectangles, circles.
class TReportShape : public TPrintable {
 public:
  explicit TReportShape(TReportContext& context);
  const TBrush& Brush() const { return brush_; }
  void SetBrush(const TBrush& brush);
  const TPen& Pen() const { return pen_; }
  void SetPen(const TPen& pen);
  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType shape);
  void PrintAt(long double x, long double y) override;
  void Paint(TCanvas& canvas, TPoint origin) override;

 private:
  TBrush brush_;
  TPen pen_;
  TShapeType shape_ = TShapeType::stRectangle;
};
