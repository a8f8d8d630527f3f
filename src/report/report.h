#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/band.h"
#include "report/generation_run.h"
#include "report/panel.h"
#include "report/report_context.h"
#include "output/messages.h"
#include "output/print_request.h"
#include "output/report_printer.h"
#include "definition/page_setup.h"

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
  // The run going on, for the bands' and the report's events; null
  // between runs.
  TGenerationRun* Run() const { return run_; }

  // The report font's size in points, and the unit environment its
  // holders take it with for the Characters unit.
  int ReportFontSize() const { return Font().Size(); }
  TUnitEnvironment UnitEnvironment() const;

  void HandleMessage(TMessage& message) override;
  void PropagateZoom(int zoom) override;
  void Loaded() override;

 private:
  friend class TCustomBand;
  // Band list upkeep, called by bands as they are placed and removed.
  void AddBand(TCustomBand& band);
  void RemoveBand(TCustomBand& band);
  void SortBands();
  void LayoutBands();
  std::unique_ptr<TReportPrinter> FreshPrinter(std::unique_ptr<TPlatformPrinter> device);

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

  bool idle_ = true;
  bool cancel_requested_ = false;
  TGenerationRun* run_ = nullptr;
};

class TReport : public TCustomReport {
 public:
  using TCustomReport::TCustomReport;
};
