#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "definition/paper.h"
#include "definition/unit_base.h"

// The page geometry of one report: paper size, orientation, length and
// width, margins, columns and the design ruler switch. Lengths are stored in
// tenths of a millimetre and read and written in Units(). The report owns
// the page, gives it the control whose size follows the page, and hears of
// changes its bands or holders must follow through one change notice.
class TPageSetup : public TUnitBase {
 public:
  // Indexes of the stored lengths, as published.
  static constexpr int kBottomMargin = 0;
  static constexpr int kLength = 1;
  static constexpr int kTopMargin = 2;
  static constexpr int kWidth = 3;
  static constexpr int kLeftMargin = 4;
  static constexpr int kRightMargin = 5;
  static constexpr int kColumnSpace = 6;
  static constexpr std::size_t kValueCount = 7;

  // Creates the page with the defaults of the environment's measurement
  // system: Inches, Letter and 0.5 inch margins for the U.S. system, else
  // MM, A4 and 10 mm margins; one column, portrait, ruler on. The control
  // and the notice come afterwards, so nothing is told while the report is
  // still being constructed.
  explicit TPageSetup(const TUnitEnvironment& env);

  // What the page tells its report: the bands must be laid out again, or
  // every holder must take the report's unit anew.
  enum class TChange { Arrange, Units };
  void OnChange(std::function<void(TChange)> notice) { notice_ = std::move(notice); }
  // The control whose pixel size follows the page (the report's own); may
  // be null. Its Invalidate() repaints the report.
  void SetControl(TControl* control) { control_ = control; }

  // A length by index in Units(); an unknown index reads 0.
  long double Value(int index) const;
  // Writes a length given in Units(); the rules per length:
  //  BottomMargin: store, resize the report control, re-arrange the bands;
  //  Length, Width: ignored unless PaperSize() is Custom, then as BottomMargin;
  //  TopMargin, LeftMargin, RightMargin, ColumnSpace: store, re-arrange the
  //  bands, repaint the report.
  // An unknown index or a value whose stored form is not finite is ignored.
  void SetValue(int index, long double value);
  // A stored length (0.1 mm) by index, whatever Units() is; unknown reads 0.
  long double Stored(int index) const;

  long double BottomMargin() const { return Value(kBottomMargin); }
  void SetBottomMargin(long double v) { SetValue(kBottomMargin, v); }
  long double Length() const { return Value(kLength); }
  void SetLength(long double v) { SetValue(kLength, v); }
  long double TopMargin() const { return Value(kTopMargin); }
  void SetTopMargin(long double v) { SetValue(kTopMargin, v); }
  long double Width() const { return Value(kWidth); }
  void SetWidth(long double v) { SetValue(kWidth, v); }
  long double LeftMargin() const { return Value(kLeftMargin); }
  void SetLeftMargin(long double v) { SetValue(kLeftMargin, v); }
  long double RightMargin() const { return Value(kRightMargin); }
  void SetRightMargin(long double v) { SetValue(kRightMargin, v); }
  long double ColumnSpace() const { return Value(kColumnSpace); }
  void SetColumnSpace(long double v) { SetValue(kColumnSpace, v); }

  // Number of columns, at least 1. Writing the current value or a value of
  // 0 or less is ignored.
  int Columns() const { return columns_; }
  void SetColumns(int columns);

  // Orientation; writing it applies the paper size again, so a named size
  // swaps width and length (Default and Custom keep them). Values other
  // than the two orientations are ignored.
  TPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TPrinterOrientation orientation);

  // Paper size; a named size writes Width and Length from the table in the
  // current orientation. Default and Custom only store the size. Values
  // outside the enumeration are ignored.
  TPaperSize PaperSize() const { return paper_size_; }
  void SetPaperSize(TPaperSize size);

  // Whether the design surface shows a ruler; a change repaints the report
  // and re-applies its unit to every holder.
  bool Ruler() const { return ruler_; }
  void SetRuler(bool ruler);

  // Stores the unit and repaints the report.
  void SetUnits(TReportUnit unit) override;

  // Sizes the report control to the rounded pixel Width and Length, unless
  // the page is itself taking a size from that control.
  void SyncControlBounds() override;
  // "Values": the seven lengths in index order, in storage units. After
  // reading, the report control is resized to the page.
  void ReadValues(std::istream& in) override;
  void WriteValues(std::ostream& out) const override;

  // The report control was resized to `width` x `height` pixels. With Custom
  // paper the page takes the new size as its Width and Length; then the
  // bands are re-arranged. Resizes the page makes itself are not taken back,
  // so a Custom size is never rounded to whole pixels by its own re-sync.
  void ControlResized(int width, int height);

  // The check at the start of generation, in Units(): a negative width
  // between the side margins sets both side margins to 0; a negative length
  // between the top and bottom margins sets those two to 0. Returns true
  // when something was reset.
  bool CheckMargins();

  // Column width: (netWidth - round(columnSpace) * (columns - 1)) / columns,
  // truncated toward zero; `columns` below 1 counts as 1.
  static std::int64_t ColumnWidth(std::int64_t netWidth, long double columnSpace, int columns);
  // Band layout, in pixels: the control width minus the rounded pixel sum of
  // the side margins, and the column width from it.
  std::int64_t LayoutNetWidth(int controlWidth) const;
  std::int64_t LayoutColumnWidth(int controlWidth) const;
  // Generation, in storage units: round(Width - (LeftMargin + RightMargin)),
  // and the column width from it.
  std::int64_t GenerationNetWidth() const;
  std::int64_t GenerationColumnWidth() const;

  // Geometry of the design-surface drawing of the page, in pixels at the
  // page's zoom (the painting itself belongs to the report control).
  struct TPixelRect {
    int left, top, right, bottom;
    friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
  };
  // The margin rectangle inside a report control of the given size:
  // (left margin, top margin, width - right margin, height - bottom margin).
  TPixelRect DesignMarginRect(int controlWidth, int controlHeight) const;
  // For each column boundary k = 1 .. Columns-1, the x of the two divider
  // lines drawn from the top edge down to the top margin: with g the rounded
  // net column width, left margin + g*k + space*(k-1) and
  // left margin + (space + g)*k, each rounded. Empty for one column.
  struct TColumnDivider {
    int x1, x2;
    friend bool operator==(const TColumnDivider&, const TColumnDivider&) = default;
  };
  std::vector<TColumnDivider> DesignColumnDividers() const;

 private:
  void Tell(TChange change) const {
    if (notice_) notice_(change);
  }
  void RepaintReport();

  std::function<void(TChange)> notice_;
  TControl* control_ = nullptr;

  std::array<long double, kValueCount> stored_{};
  TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
  TPaperSize paper_size_ = TPaperSize::Default;
  int columns_ = 0;
  bool ruler_ = false;  // set on creation
  bool updating_ = false;  // taking a size from the report control
};
