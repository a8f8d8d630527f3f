#include "report/report.h"

#include <algorithm>

#include "base/scope_guard.h"
#include "definition/report_error.h"
#include "definition/rounding.h"

namespace {


// Appends band and its chain of child bands, skipping what is there.
void AppendChain(std::vector<TCustomBand*>& list, TCustomBand* band) {
  for (int guard = 0; band && guard < 10000; ++guard) {
    if (std::find(list.begin(), list.end(), band) == list.end()) list.push_back(band);
    band = band->ChildBand();
  }
}

}  // namespace

// --- TReportBands ----------------------------------------------------------

TCustomBand* TReportBands::Band(TBandType type) const {
  for (TCustomBand* band : report_.BandList())
    if (band->BandType() == type && !band->Destroying()) return band;
  return nullptr;
}

void TReportBands::Set(TBandType type, bool on) {
  TCustomBand* band = Band(type);
  if (on && !band) {
    report_.CreateBand(type);
  } else if (!on && band) {
    if (TControl* owner = band->Owner()) {
      owner->DestroyComponent(*band);
    } else {
      delete band;
    }
  }
}

// --- TCustomReport: definition ----------------------------------------------

TCustomReport::TCustomReport(TReportContext& context)
    : TBasePanel(context), page_(std::make_unique<TPageSetup>(context.Units())), bands_(*this) {
  SetColor(colors::White);
  functions_ = {{"PAGENUMBER", "0"}, {"COLUMNNUMBER", "0"}, {"REPORTTITLE", "''"}};
  page_->SetReportFont(UnitEnvironment());
  page_->SetControl(this);
  page_->OnChange([this](TPageSetup::TChange c) { c == TPageSetup::TChange::Units ? SetUnits(Units()) : ArrangeBands(); });
  page_->SyncControlBounds();
}

TUnitEnvironment TCustomReport::UnitEnvironment() const {
  TUnitEnvironment env = Context().Units();
  env.ReportFontSize = [this] { return ReportFontSize(); };
  return env;
}

TCustomReport::~TCustomReport() {
  destroying_ = true;
  printer_.reset();
  const std::vector<TCustomBand*> bands = band_list_;
  for (TCustomBand* band : bands) band->SetParent(nullptr);
  DestroyComponents();
}

void TCustomReport::SetUnits(TReportUnit unit) {
  page_->SetUnits(unit);
  for (std::size_t i = 0; i < ChildCount(); ++i) Child(i).PropagateUnits(unit);
}

void TCustomReport::SetZoom(int zoom) { PropagateZoom(zoom); }

void TCustomReport::PropagateZoom(int zoom) {
  if (!IsValidZoom(zoom)) return;
  zoom_ = zoom;
  page_->SetZoom(zoom);
  for (std::size_t i = 0; i < ChildCount(); ++i) Child(i).PropagateZoom(zoom);
  ArrangeBands();
}

void TCustomReport::Loaded() {
  TBasePanel::Loaded();
  page_->Loaded();
  ArrangeBands();
}

TBand& TCustomReport::CreateBand(TBandType type) {
  TControl* owner = Owner() ? Owner() : this;
  const std::string base(BandNameBase(type));
  std::string name;
  for (int n = 1;; ++n) {
    name = base + std::to_string(n);
    if (!owner->FindComponent(name)) break;
  }
  TBand& band = owner->CreateComponent<TBand>(Context(), type);
  band.SetName(name);
  band.SetParent(this);
  return band;
}

void TCustomReport::AddBand(TCustomBand& band) {
  if (std::find(band_list_.begin(), band_list_.end(), &band) == band_list_.end())
    band_list_.push_back(&band);
  if (!Loading()) ArrangeBands();
}

void TCustomReport::RemoveBand(TCustomBand& band) {
  band_list_.erase(std::remove(band_list_.begin(), band_list_.end(), &band), band_list_.end());
  if (!destroying_) ArrangeBands();
}

void TCustomReport::ArrangeBands() {
  if (arranging_) return;
  arranging_ = true;
  TScopeGuard done([this] { arranging_ = false; });
  if (!Loading()) SortBands();
  if (!Loading() && !destroying_) LayoutBands();
}

void TCustomReport::SortBands() {
  std::vector<TCustomBand*> sorted;
  sorted.reserve(band_list_.size());
  auto appendType = [&](TBandType type) {
    for (TCustomBand* band : band_list_)
      if (band->BandType() == type) AppendChain(sorted, band);
  };
  appendType(TBandType::rbPageHeader);
  appendType(TBandType::rbTitle);
  appendType(TBandType::rbColumnHeader);
  // The data controller's bands: title (already there), detail, summary.
  if (TCustomBand* detail = bands_.Band(TBandType::rbDetail)) AppendChain(sorted, detail);
  if (TCustomBand* summary = bands_.Band(TBandType::rbSummary)) AppendChain(sorted, summary);
  appendType(TBandType::rbPageFooter);
  for (TCustomBand* band : band_list_) {
    if (std::find(sorted.begin(), sorted.end(), band) == sorted.end()) sorted.push_back(band);
  }
  band_list_ = std::move(sorted);
}

void TCustomReport::LayoutBands() {
  TUnitBase::TPixelSwitch pixels(*page_);
  const int netWidth = static_cast<int>(page_->LayoutNetWidth(Width()));
  const int columnWidth = static_cast<int>(page_->LayoutColumnWidth(Width()));
  const int left = RoundHalfEvenToInt(page_->LeftMargin());
  int y = RoundHalfEvenToInt(page_->TopMargin());
  const std::vector<TCustomBand*> bands = band_list_;
  for (TCustomBand* band : bands) {
    if (band->Destroying()) continue;
    band->SetInLayout(true);
    const int height = band->Height();
    band->SetBounds(left, y, band->Width(), height);
    {
      TUnitBase::TPixelSwitch bandPixels(band->Size());
      band->Size().SetWidth(SpansPage(band->EffectiveType()) ? netWidth : columnWidth);
    }
    band->SetInLayout(false);
    y += height;
  }
}

// --- TCustomReport: running ---------------------------------------------------

std::unique_ptr<TReportPrinter> TCustomReport::FreshPrinter(std::unique_ptr<TPlatformPrinter> device) {
  auto printer = std::make_unique<TReportPrinter>(Context(), std::move(device));
  printer->AfterPreview = [this](TReportPrinter&) {
    if (AfterPreview) AfterPreview(*this);
  };
  printer->AfterPrint = [this](TReportPrinter&) {
    if (AfterPrint) AfterPrint(*this);
  };
  printer->SetDestination(TDestination::odPageStore);
  printer->SetMaster(this);
  printer->SetTitle(report_title_);
  return printer;
}

void TCustomReport::Preview() {
  TMessageLoop& loop = Context().Loop();
  loop.ProcessMessages();
  if (!idle_) return;
  TReportPrinterClient* client = nullptr;
  if (printer_) {
    // The previous printer's client moves to the new one; it is not told
    // about the old printer going, as it is not losing its pages' owner.
    client = printer_->Client();
    printer_->SetClient(nullptr);
  }
  printer_ = FreshPrinter(nullptr);
  printer_->SetClient(client);
  if (OnPreview) printer_->OnPreview = OnPreview;
  printer_->Preview();
  Generate();
  if (cancel_requested_) {
    printer_.reset();
    return;
  }
  while (printer_ && printer_->ShowingPreview() && !loop.Terminated()) loop.HandleMessage();
}

void TCustomReport::Print() {
  if (!idle_) return;
  // The progress window outlives the printer that reports to it.
  std::unique_ptr<TReportPrinterClient> progress;
  std::unique_ptr<TReportPrinter> remembered = std::move(printer_);
  TScopeGuard restore([&] {
    if (printer_) printer_->SetClient(nullptr);
    printer_ = std::move(remembered);
  });
  printer_ = FreshPrinter(nullptr);
  if (!printer_->PrintersAvailable()) throw EReportError(kNoPrinterLeft);
  printer_->SetDestination(TDestination::odPrinter);
  if (const TProgressWindowMaker& maker = Context().ProgressWindow()) progress = maker(*printer_, show_progress_);
  printer_->SetClient(progress.get());
  Generate();
}

void TCustomReport::RequestPrint(const TPrintRequest& request) {
  if (request.paper) printer_settings_.PrintPaper = request.paper;
  if (request.firstPage > 0 && printer_) {
    PrintStoredPages(*printer_, request);
    return;
  }
  printer_settings_.PrinterIndex = request.printerIndex;
  if (request.copies >= 2 && !request.printerCopies) {
    // Each request makes one document; the copy count stays as it was.
    for (int i = 0; i < request.copies; ++i) Context().Loop().Post(this, MsgPrintReport);
    return;
  }
  printer_settings_.Copies = request.copies;
  Context().Loop().Post(this, MsgPrintReport);
}

void TCustomReport::PrintOn(std::unique_ptr<TPlatformPrinter> device) {
  if (!idle_) return;
  std::unique_ptr<TReportPrinter> remembered = std::move(printer_);
  TScopeGuard restore([&] { printer_ = std::move(remembered); });
  printer_ = FreshPrinter(std::move(device));
  if (printer_->PrintersAvailable()) {
    printer_->SetDestination(TDestination::odPrinter);
    Generate();
  }
}

void TCustomReport::Generate() {
  if (!idle_ || !printer_) return;
  const bool wasVisible = Visible();
  page_->CheckMargins();
  idle_ = false;
  TScopeGuard idle([&] {
    SetVisible(wasVisible);
    idle_ = true;
  });
  cancel_requested_ = false;
  bool printReport = true;
  if (BeforePrint) BeforePrint(*this, printReport);
  if (!printReport) return;
  TGenerationRun run(*this, *printer_, cancel_requested_);
  run_ = &run;
  TScopeGuard gone([&] {
    cancel_requested_ = run.CancelRequested();
    run_ = nullptr;
  });
  run.Run();
}

void TCustomReport::HandleMessage(TMessage& message) {
  switch (message.offset) {
    case MsgPrintReport:
      Print();
      break;
    case MsgPreviewClosed:
      if (!idle_) {
        cancel_requested_ = true;
        if (run_) run_->Cancel();
        if (printer_) printer_->Cancel();
      } else if (printer_) {
        if (printer_->ShowingPreview()) printer_->SetShowingPreview(false);
        printer_->SetClient(nullptr);
        printer_.reset();
      }
      break;
    default:
      break;
  }
}
