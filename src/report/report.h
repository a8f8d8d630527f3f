#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/band.h"
#include "report/panel.h"
#include "report/report_context.h"
#include "output/messages.h"
#include "output/print_request.h"
#include "output/report_printer.h"
#include "definition/page_setup.h"

class TPrintable;
class TCustomReport;

// The printing choices a report keeps and hands to its report printer each
// time it generates.
struct TReportPrintSettings {
  int Copies = 1;
  bool Duplex = false;
  TPrinterOrientation Orientation = TPrinterOrientation::poPortrait;  // not used: the page's is
  TPaperBin OutputBin = TPaperBin::Auto;
  TPaperSize PaperSize = TPaperSize::Letter;  // not used: the page's is
  // The paper to print on when it is not the page's own (the printer
  // dialog's choice); a page larger than it is printed scaled to fit.
  std::optional<TPaperSize> PrintPaper;
  int PrinterIndex = -1;                      // -1: the system default printer
  std::string Title;                          // not used: ReportTitle is
  std::int32_t FirstPage = 0;
  std::int32_t LastPage = 0;
};

struct TReportOptions {
  bool FirstPageHeader = true;
  bool LastPageFooter = true;
  bool Compression = false;
};

// The band switches of a report: whether a band of a type exists, and
// writing true or false creates or frees one.
class TReportBands {
 public:
  explicit TReportBands(TCustomReport& report) : report_(report) {}
  bool HasTitle() const { return Has(TBandType::rbTitle); }
  bool HasPageHeader() const { return Has(TBandType::rbPageHeader); }
  bool HasColumnHeader() const { return Has(TBandType::rbColumnHeader); }
  bool HasDetail() const { return Has(TBandType::rbDetail); }
  bool HasPageFooter() const { return Has(TBandType::rbPageFooter); }
  bool HasSummary() const { return Has(TBandType::rbSummary); }
  void SetHasTitle(bool on) { Set(TBandType::rbTitle, on); }
  void SetHasPageHeader(bool on) { Set(TBandType::rbPageHeader, on); }
  void SetHasColumnHeader(bool on) { Set(TBandType::rbColumnHeader, on); }
  void SetHasDetail(bool on) { Set(TBandType::rbDetail, on); }
  void SetHasPageFooter(bool on) { Set(TBandType::rbPageFooter, on); }
  void SetHasSummary(bool on) { Set(TBandType::rbSummary, on); }

  bool Has(TBandType type) const { return Band(type) != nullptr; }
  void Set(TBandType type, bool on);
  // The first band of the type in the report's list (its own type, so a
  // child band is found only as rbChild), or null.
  TCustomBand* Band(TBandType type) const;

 private:
  TCustomReport& report_;
};


// A report: page setup, bands and elements, turned into pages by Preview
// (into a page store, shown by OnPreview) or Print (straight to a printer).
// Lengths during a run are in storage units (0.1 mm).
class TCustomReport : public TBasePanel, public TMessageReceiver {
 public:
  // A report on the host's services; its bands and elements take the same.
  explicit TCustomReport(TReportContext& context);
  ~TCustomReport() override;

  // --- Definition ---------------------------------------------------------
  TPageSetup& Page() { return *page_; }
  const TPageSetup& Page() const { return *page_; }
  TReportUnit Units() const { return page_->Units(); }
  // Sets the unit of the page, every band and every element.
  void SetUnits(TReportUnit unit);
  // 1 to 300; other values are ignored.
  void SetZoom(int zoom);
  TReportBands& Bands() { return bands_; }
  TReportOptions& Options() { return options_; }
  bool PrintIfEmpty() const { return print_if_empty_; }
  void SetPrintIfEmpty(bool on) { print_if_empty_ = on; }
  const std::string& ReportTitle() const { return report_title_; }
  void SetReportTitle(std::string title) { report_title_ = std::move(title); }
  bool ShowProgress() const { return show_progress_; }
  void SetShowProgress(bool on) { show_progress_ = on; }
  TReportPrintSettings& PrinterSettings() { return printer_settings_; }
  // The named values "PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE" (texts).
  std::map<std::string, std::string>& Functions() { return functions_; }

  // The band list in layout order.
  const std::vector<TCustomBand*>& BandList() const { return band_list_; }
  // Sorts the band list and lays the bands out on the design surface.
  void ArrangeBands();
  // Creates a band of `type` owned by the report's owner (the report
  // without one), placed on the report, named after its type.
  TBand& CreateBand(TBandType type);

  // --- Events ---------------------------------------------------------------
  std::function<void(TCustomReport& sender, bool& printReport)> BeforePrint;
  std::function<void(TCustomReport& sender)> AfterPrint;
  std::function<void(TCustomReport& sender)> AfterPreview;
  std::function<void(TCustomReport& sender)> OnStartPage;
  std::function<void(TCustomReport& sender)> OnEndPage;
  std::function<void(TCustomReport& sender, bool& moreData)> OnNeedData;
  // Called with the report printer that holds (or will hold) the pages.
  std::function<void(TReportPrinter& sender)> OnPreview;

  // --- Running --------------------------------------------------------------
  // Generates into a fresh report printer's page store and hands it to
  // OnPreview, then keeps handling messages while the preview shows (or
  // until the program ends). Nothing while a run is going on.
  void Preview();
  // Generates straight to the printer named in PrinterSettings, with a
  // progress window. Nothing while a run is going on; without printers,
  // EReportError kNoPrinterLeft, as the request may come long after the
  // printer was chosen (posted by the report printer's Print).
  void Print();
  // A print the printer dialog asks for on the pages this report's preview
  // shows: the whole report is generated again on the chosen printer, once
  // (the printer making the copies) or once per copy, by MsgPrintReport
  // posted to itself, after the request has returned; a range prints the
  // stored pages at once (PrintStoredPages). The printer and paper stay
  // chosen for later prints.
  void RequestPrint(const TPrintRequest& request);
  // Generates straight onto the given device (a PDF or image printer),
  // without a progress window; the current report printer is kept.
  void PrintOn(std::unique_ptr<TPlatformPrinter> device);
  // Generates into the current report printer.
  void Generate();

  // The report printer in use (null before the first run).
  TReportPrinter* ReportPrinter() const { return printer_.get(); }
  bool Idle() const { return idle_; }
  bool CancelRequested() const { return cancel_requested_; }
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
  // The page of this run as it lies (0.1 mm): the page's own paper, which
  // every band is laid out on whatever paper the printer offers.
  long double RunPageWidth() const { return run_page_width_; }
  long double RunPageLength() const { return run_page_length_; }
  // The data controller's current detail number.
  std::int32_t DetailNumber() const { return detail_number_; }

  // Generation steps, called by bands while they print.
  void EnsureRoom(TCustomBand& band);
  long double SpaceLeft() const;
  void BeginNextColumn();
  // Moves on for a band that needs room: to the next column, or, for a
  // band that spans the page, to the next page.
  void MoveOnFor(const TCustomBand& band);
  void BeginNextPage();
  void FinishPage();
  void EmitBand(TCustomBand* band);
  // A band with AlignToBottom moves the cursor down so that it ends above
  // the footers' reserve (or, for a summary on a last page without footers,
  // at the bottom margin); again after a break took it to a fresh page.
  void AlignToBottom(TCustomBand& band);
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
  bool PageHoldsContent() const { return page_holds_content_; }
  // The marks that keep a forced break from making an empty page or column.
  void ClearHeaderDone() { header_done_ = false; }
  void ArmColumnBreak() { column_break_armed_ = true; }
  void PrintPageItems();

  // The report font's size in points, and the unit environment its
  // holders take it with for the Characters unit.
  int ReportFontSize() const { return Font().Size(); }
  TUnitEnvironment UnitEnvironment() const;

  void HandleMessage(TMessage& message) override;
  void PropagateZoom(int zoom) override;
  void Loaded() override;

  // Band list upkeep, called by bands as they are placed and removed.
  void AddBand(TCustomBand& band);
  void RemoveBand(TCustomBand& band);
  // Re-sorts and re-arranges after a band's type or parent changed.
  void BandsChanged();

 private:
  void SortBands();
  void LayoutBands();
  std::unique_ptr<TReportPrinter> FreshPrinter(std::unique_ptr<TPlatformPrinter> device);
  void RunGeneration();
  void RunDataController();
  void PrintEmpty();
  void ForEachElement(const std::function<void(TPrintable&)>& fn);
  TCustomBand* FirstBand(TBandType type) const;
  long double PageBottom() const;
  void SetRunPage();
  void SetNamed(const char* name, std::int64_t value);

  std::unique_ptr<TPageSetup> page_;
  TReportBands bands_;
  TReportOptions options_;
  TReportPrintSettings printer_settings_;
  std::map<std::string, std::string> functions_;
  std::vector<TCustomBand*> band_list_;
  std::unique_ptr<TReportPrinter> printer_;
  std::string report_title_;
  bool print_if_empty_ = true;
  bool show_progress_ = true;
  bool arranging_ = false;
  bool destroying_ = false;

  // Run state.
  bool idle_ = true;
  bool cancel_requested_ = false;
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

class TReport : public TCustomReport {
 public:
  using TCustomReport::TCustomReport;
};
