#pragma once

#include <cstdint>
#include <utility>

#include "report/band.h"

class TCustomReport;
class TPageSetup;
class TPrinterSettings;
class TReportPrinter;

// One generation of a report into a report printer: the cursor, the page
// and column, the footers' room, and the steps bands take while they print.
// Made for one run and gone with it, so nothing of a run is left for the
// next to reset. Lengths are in storage units (0.1 mm).
class TGenerationRun {
 public:
  // `cancelled`: a cancel asked for before the run began.
  TGenerationRun(TCustomReport& report, TReportPrinter& printer, bool cancelled);

  // Lays the report out on the printer's pages and ends (or, cancelled,
  // aborts) the document on every way out.
  void Run();

  TCustomReport& Report() const { return report_; }
  TReportPrinter& Printer() const { return printer_; }
  bool CancelRequested() const { return cancel_requested_; }
  void Cancel() { cancel_requested_ = true; }
  long double CursorX() const { return cursor_x_; }
  long double CursorY() const { return cursor_y_; }
  void SetCursorY(long double y) { cursor_y_ = y; }
  std::int32_t ColumnIndex() const { return column_index_; }
  std::int32_t PageCounter() const { return page_counter_; }
  long double FooterReserve() const { return footer_reserve_; }
  bool DrawOutput() const { return draw_output_; }
  bool InDetailBreak() const { return in_detail_break_; }
  void SetInDetailBreak(bool on) { in_detail_break_ = on; }
  // True while a page or column is begun or finished. The bands printed
  // then (headers, footers, their child bands) print where they stand: a
  // break they ask for, a lack of room or text left over never begins
  // another page or column from inside this one, which could recurse
  // without end.
  bool InPageWork() const { return page_work_ > 0; }
  // The page's width in this run as it lies (0.1 mm), and that page for a
  // page setup on a printer with these settings: the page's own paper,
  // which every band is laid out on whatever paper the printer offers.
  long double RunPageWidth() const { return run_page_width_; }
  static std::pair<long double, long double> PageOf(const TPageSetup& page, const TReportPrinter& printer);
  // The data controller's current detail number.
  std::int32_t DetailNumber() const { return detail_number_; }

  // Steps bands take while they print.
  void EnsureRoom(TCustomBand& band);
  long double SpaceLeft() const;
  void BeginNextColumn();
  void BeginNextPage();
  void FinishPage();
  void PrintPageItems();
  // Moves on for a band that needs room: to the next column, or, for a
  // band that spans the page, to the next page.
  void MoveOnFor(const TCustomBand& band);
  void EmitBand(TCustomBand* band);
  // After the breaks before a band: a band that spans the page found in a
  // column after the first (a summary after details that filled the first)
  // would overrun the page, and moves on to the next; a band aligned to
  // the bottom is aligned again, as a break may have taken it to a fresh
  // page or column.
  void SettleBand(TCustomBand& band);
  void BreakToNewPage();
  void BreakToNewColumn();
  // Column `column` (1-based) of the page: where it begins and how wide it
  // is (0.1 mm, whole units). The columns and the spaces between them add
  // up to the net width exactly; what whole units leave over goes to the
  // columns one unit each, so no band ends past the right margin.
  long double ColumnLeft(int column) const;
  long double ColumnWidth(int column) const;
  // The width a band prints across: the net width for a band that spans
  // the page, the current column's for the others.
  long double PrintWidth(const TCustomBand& band) const;
  // How far down a band's text may go (0.1 mm of the page): a page footer's
  // to the bottom margin, any other band's to the top of the footers' room;
  // a header's or footer's less the room of its child bands.
  long double TextBottom(const TCustomBand& band) const;
  // A band of the report's flow (not a page or column header or footer) is
  // printing on the page: the page is no longer empty, and a forced break
  // or a lack of room may now give it up.
  void MarkContent(const TCustomBand& band);
  // The marks that keep a forced break from making an empty page or column.
  void ClearHeaderDone() { header_done_ = false; }
  void ArmColumnBreak() { column_break_armed_ = true; }

 private:
  void RunDataController();
  // A band with AlignToBottom moves the cursor down so that it ends above
  // the footers' reserve (or, for a summary on a last page without footers,
  // at the bottom margin); again after a break took it to a fresh page.
  void AlignToBottom(TCustomBand& band);
  TCustomBand* FirstBand(TBandType type) const;
  long double PageBottom() const;
  void SetRunPage();
  void SetNamed(const char* name, std::int64_t value);

  TCustomReport& report_;
  TReportPrinter& printer_;
  const TPageSetup& page_;
  bool cancel_requested_;
  long double cursor_x_ = 0;
  long double cursor_y_ = -1;
  long double column_top_y_ = 0;
  std::int32_t column_index_ = 1;
  std::int32_t page_counter_ = 0;
  long double footer_reserve_ = 0;
  long double footer_height_ = 0;  // the page footers' chains, whatever the reserve
  bool on_last_page_ = false;
  bool draw_output_ = true;
  bool header_done_ = false;
  bool column_break_armed_ = false;
  bool in_detail_break_ = false;
  bool page_holds_content_ = false;
  bool footer_room_taken_ = false;  // a band printed into the room of the page's footers
  int page_work_ = 0;
  long double run_page_width_ = 0;
  long double run_page_length_ = 0;
  std::int32_t detail_number_ = 0;
};
