#include "report/report.h"

#include <algorithm>

#include "report/printable.h"
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

TCustomBand* TCustomReport::FirstBand(TBandType type) const {
  for (TCustomBand* band : band_list_)
    if (band->EffectiveType() == type && band->BandType() != TBandType::rbChild) return band;
  return nullptr;
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

void TCustomReport::BandsChanged() { ArrangeBands(); }

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

void TCustomReport::ForEachElement(const std::function<void(TPrintable&)>& fn) {
  for (std::size_t i = 0; i < ChildCount(); ++i) {
    TControl& child = Child(i);
    if (auto* element = dynamic_cast<TPrintable*>(&child)) {
      fn(*element);
    } else if (dynamic_cast<TCustomBand*>(&child)) {
      for (std::size_t j = 0; j < child.ChildCount(); ++j)
        if (auto* element = dynamic_cast<TPrintable*>(&child.Child(j))) fn(*element);
    }
  }
}

void TCustomReport::SetNamed(const char* name, std::int64_t value) {
  functions_[name] = std::to_string(value);
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
  cancel_requested_ = on_last_page_ = header_done_ = column_break_armed_ = false;
  in_detail_break_ = page_holds_content_ = footer_room_taken_ = false;
  page_work_ = 0;

  bool printReport = true;
  if (BeforePrint) BeforePrint(*this, printReport);
  if (!printReport) return;
  const TReportUnit units = Units();
  SetUnits(TReportUnit::Native);
  TReportPrinter& printer = *printer_;
  // The document is ended on every way out.
  TScopeGuard finish([&] {
    SetUnits(units);
    ForEachElement([](TPrintable& e) { e.EndPrinting(); });
    if (cancel_requested_ || !draw_output_) {
      printer.AbortDoc();
    } else {
      printer.EndDoc();
    }
  });
  RunGeneration();
}

void TCustomReport::RunGeneration() {
  TReportPrinter& printer = *printer_;
  printer.SetPrinterIndex(printer_settings_.PrinterIndex);
  printer.SetPaperSize(page_->PaperSize());
  printer.SetDevicePaper(printer_settings_.PrintPaper);
  const bool landscape = page_->Orientation() == TPrinterOrientation::poLandscape;
  if (page_->PaperSize() == TPaperSize::Custom && printer.PaperSize() == TPaperSize::Custom) {
    // The printer takes a paper in portrait terms, as the paper table gives
    // them, and turns it by the orientation; the page's own Width and Length
    // are as it lies.
    const int width = static_cast<int>(RoundHalfEven(page_->Stored(TPageSetup::kWidth)));
    const int length = static_cast<int>(RoundHalfEven(page_->Stored(TPageSetup::kLength)));
    printer.SetPaperWidth(landscape ? length : width);
    printer.SetPaperLength(landscape ? width : length);
  }
  printer.SetOrientation(page_->Orientation());
  printer.SetCopies(printer_settings_.Copies);
  printer.SetOutputBin(printer_settings_.OutputBin);
  printer.SetFirstPage(printer_settings_.FirstPage);
  printer.SetLastPage(printer_settings_.LastPage);
  printer.SetTitle(report_title_);
  printer.SetCompression(options_.Compression);
  SetRunPage();
  printer.BeginDoc();
  cursor_y_ = -1;
  page_counter_ = 0;
  column_index_ = page_->Columns();

  // What the footers print: a disabled footer prints nothing but its child
  // bands still print below it, so they take their room.
  footer_reserve_ = 0;
  for (TCustomBand* band : band_list_) {
    if (band->BandType() != TBandType::rbPageFooter) continue;
    for (TCustomBand* b = band; b; b = b->ChildBand())
      if (b->Enabled()) footer_reserve_ += b->Size().StoredHeight();
  }
  footer_height_ = footer_reserve_;
  for (TCustomBand* band : band_list_) band->SetOwningReport(this);
  ForEachElement([this](TPrintable& e) { e.SetOwnerReport(this); });
  cursor_x_ = RoundHalfEven(page_->Stored(TPageSetup::kLeftMargin));
  functions_["REPORTTITLE"] = report_title_;
  ForEachElement([](TPrintable& e) { e.BeginPrinting(); });

  RunDataController();

  cursor_x_ = RoundHalfEven(page_->Stored(TPageSetup::kLeftMargin));
  on_last_page_ = true;
  if (printer.Cancelled()) cancel_requested_ = true;
  if (!cancel_requested_) FinishPage();
}

void TCustomReport::RunDataController() {
  TCustomBand* title = FirstBand(TBandType::rbTitle);
  TCustomBand* detail = FirstBand(TBandType::rbDetail);
  TCustomBand* summary = FirstBand(TBandType::rbSummary);
  detail_number_ = 0;
  if (!OnNeedData) {
    if (print_if_empty_) {
      EmitBand(title);
      EmitBand(detail);
      EmitBand(summary);
    }
    return;
  }
  bool more = false;
  OnNeedData(*this, more);
  if (!more) return;
  Context().Loop().ProcessMessages();
  if (printer_->Cancelled()) cancel_requested_ = true;
  if (cancel_requested_) return;
  EmitBand(title);
  header_done_ = true;
  if (page_counter_ <= 1) {
    TCustomBand* columnHeader = FirstBand(TBandType::rbColumnHeader);
    if (columnHeader && columnHeader->Enabled()) {
      EmitBand(columnHeader);
      header_done_ = true;
    }
  }
  while (more) {
    Context().Loop().ProcessMessages();
    if (printer_->Cancelled()) cancel_requested_ = true;
    if (cancel_requested_) return;
    ++detail_number_;
    EmitBand(detail);
    more = false;
    OnNeedData(*this, more);
  }
  // The summary's own space check begins the page it needs, if any: a
  // page begun for it here would stay empty when it prints nothing.
  EmitBand(summary);
}

// Bands are laid out on one paper, the page's own, and the printer's page
// is that paper too: a printer that does not offer it gets the page placed
// on its own paper, scaled down where it does not fit (TReportPrinter's
// PageWidth, PlacePage). Checking bands against the printer's paper while
// the footer goes by the page's length would put them over the footer.
void TCustomReport::SetRunPage() {
  TReportPrinter& printer = *printer_;
  run_page_width_ = page_->Stored(TPageSetup::kWidth);
  run_page_length_ = page_->Stored(TPageSetup::kLength);
  if (page_->PaperSize() == TPaperSize::Default) {
    // The paper the printer has, or the locale's where it gives none.
    const TPrinterSettings& settings = printer.Settings();
    const bool landscape = page_->Orientation() == TPrinterOrientation::poLandscape;
    run_page_width_ = landscape ? settings.PaperLength() : settings.PaperWidth();
    run_page_length_ = landscape ? settings.PaperWidth() : settings.PaperLength();
  }
  printer.SetPageExtent(static_cast<int>(RoundHalfEven(run_page_width_)),
                        static_cast<int>(RoundHalfEven(run_page_length_)));
}

long double TCustomReport::PageBottom() const {
  return run_page_length_ - page_->Stored(TPageSetup::kBottomMargin);
}

void TCustomReport::EnsureRoom(TCustomBand& band) {
  // A band printed while a page or column begins prints where it stands:
  // looking for room would begin the page again, and again.
  if (page_work_ > 0) return;
  const long double need = RoundHalfEven(band.NeededSpace());
  const long double printable =
      run_page_length_ - (page_->Stored(TPageSetup::kTopMargin) + page_->Stored(TPageSetup::kBottomMargin));
  const TBandType type = band.EffectiveType();
  // A page that holds nothing yet is never given up: the band would not
  // fit on the next one either, being laid out alike or with less above.
  // A column header (and its chain) heads the column it finds, as it does
  // where a column begins: moving on would print it twice.
  const bool fits = type == TBandType::rbPageFooter || SpaceLeft() >= need || need > printable ||
                    (page_counter_ != 0 && (!page_holds_content_ || type == TBandType::rbColumnHeader));
  if (fits && page_counter_ != 0) {
    if (type == TBandType::rbDetail) in_detail_break_ = false;
    return;
  }
  in_detail_break_ = type == TBandType::rbDetail;
  MoveOnFor(band);
}

void TCustomReport::MoveOnFor(const TCustomBand& band) {
  if (!SpansPage(band.EffectiveType())) {
    BeginNextColumn();
    return;
  }
  // A report has at least one column, so this ends.
  do {
    BeginNextColumn();
  } while (column_index_ != 1);
}

long double TCustomReport::SpaceLeft() const {
  if (idle_ || cursor_y_ == -1 || !printer_) return 0;
  return RoundHalfEven(PageBottom() - footer_reserve_ - cursor_y_);
}

void TCustomReport::BeginNextColumn() {
  ++page_work_;
  TScopeGuard done([this] { --page_work_; });
  if (column_index_ >= page_->Columns()) {
    BeginNextPage();
  } else {
    // From the page's own column grid rather than by adding up a band's
    // width, which the design surface rounded to its pixels.
    ++column_index_;
    cursor_x_ = ColumnLeft(column_index_);
    cursor_y_ = column_top_y_;
  }
  SetNamed("COLUMNNUMBER", column_index_);
  if (!(column_index_ == 1 && page_counter_ == 1)) EmitBand(FirstBand(TBandType::rbColumnHeader));
}

void TCustomReport::BeginNextPage() {
  ++page_work_;
  TScopeGuard done([this] { --page_work_; });
  FinishPage();
  ++page_counter_;
  SetNamed("PAGENUMBER", page_counter_);
  // A page begins in its first column, whoever begins it.
  column_index_ = 1;
  cursor_x_ = ColumnLeft(1);
  SetNamed("COLUMNNUMBER", column_index_);
  page_holds_content_ = footer_room_taken_ = false;
  if (draw_output_ || page_counter_ == 1) printer_->NewPage();
  cursor_y_ = RoundHalfEven(page_->Stored(TPageSetup::kTopMargin));
  if (OnStartPage) OnStartPage(*this);
  if (page_counter_ > 1 || options_.FirstPageHeader) EmitBand(FirstBand(TBandType::rbPageHeader));
  column_top_y_ = cursor_y_;
  if (page_counter_ == 1) {
    if (TCustomBand* title = FirstBand(TBandType::rbTitle))
      column_top_y_ += RoundHalfEven(title->Size().StoredHeight());
  }
}

void TCustomReport::FinishPage() {
  if (page_counter_ <= 0) return;
  ++page_work_;
  TScopeGuard done([this] { --page_work_; });
  // The footers' own height, not the reserve: a summary aligned to the
  // bottom of a last page without footers gives up the reserve before it
  // may still break away from the page this footer ends.
  cursor_y_ = RoundHalfEven(run_page_length_ - page_->Stored(TPageSetup::kBottomMargin) - footer_height_);
  cursor_x_ = RoundHalfEven(page_->Stored(TPageSetup::kLeftMargin));
  // A summary aligned to the bottom of a last page without footers that
  // ran on from this page took the footers' room here: a footer printed
  // now would cover it.
  if (!(on_last_page_ && !options_.LastPageFooter) && !footer_room_taken_)
    EmitBand(FirstBand(TBandType::rbPageFooter));
  PrintPageItems();
  if (OnEndPage) OnEndPage(*this);
}

void TCustomReport::PrintPageItems() {
  for (std::size_t i = 0; i < ChildCount(); ++i)
    if (auto* element = dynamic_cast<TPrintable*>(&Child(i))) element->PrintAt(0, 0);
  if (draw_output_ && Frame().HasAnySide()) {
    TReportPrinter& p = *printer_;
    const TRect r{p.ToDeviceX(page_->Stored(TPageSetup::kLeftMargin)),
                  p.ToDeviceY(page_->Stored(TPageSetup::kTopMargin)),
                  p.ToDeviceX(run_page_width_ - page_->Stored(TPageSetup::kRightMargin)),
                  p.ToDeviceY(run_page_length_ - page_->Stored(TPageSetup::kBottomMargin))};
    Frame().DrawSides(p.Canvas(), r, p.ScaleX(), p.ScaleY());
  }
}

void TCustomReport::EmitBand(TCustomBand* band) {
  if (!band) return;
  AlignToBottom(*band);
  band->SetOwningReport(this);
  band->PrintOnPage();
}

void TCustomReport::SettleBand(TCustomBand& band) {
  if (page_work_ == 0 && column_index_ > 1 && page_holds_content_ && SpansPage(band.EffectiveType()))
    MoveOnFor(band);
  AlignToBottom(band);
}

void TCustomReport::AlignToBottom(TCustomBand& band) {
  // A disabled band prints nothing, so it moves nothing either.
  if (!band.AlignToBottom() || !band.Enabled() || cursor_y_ == -1) return;
  if (band.EffectiveType() == TBandType::rbSummary && !options_.LastPageFooter) footer_reserve_ = 0;
  const long double y = RoundHalfEven(PageBottom() - band.Size().StoredHeight() - footer_reserve_);
  cursor_y_ = std::max(cursor_y_, y);
}

// A break asked for by a band printed as part of beginning or finishing a
// page or column is not made: it would begin another from inside this one.
void TCustomReport::BreakToNewPage() {
  if (idle_ || page_work_ > 0) return;
  if (header_done_) {
    header_done_ = false;
    return;
  }
  if (!page_holds_content_) return;
  // A report has at least one column, so this ends.
  do {
    BeginNextColumn();
  } while (column_index_ != 1);
}

void TCustomReport::BreakToNewColumn() {
  if (idle_ || page_work_ > 0 || !page_holds_content_) return;
  if (column_break_armed_ || column_index_ > 1) {
    BeginNextColumn();
  } else {
    column_break_armed_ = true;
  }
}

namespace {
// a / b rounded towards minus infinity (b > 0).
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && a < 0 ? 1 : 0); }
}  // namespace

long double TCustomReport::ColumnLeft(int column) const {
  const std::int64_t left = RoundHalfEven(page_->Stored(TPageSetup::kLeftMargin));
  const std::int64_t right = RoundHalfEven(run_page_width_ - page_->Stored(TPageSetup::kRightMargin));
  const std::int64_t space = RoundHalfEven(page_->Stored(TPageSetup::kColumnSpace));
  const std::int64_t n = std::max(1, page_->Columns());
  const std::int64_t i = std::clamp<std::int64_t>(column, 1, n + 1) - 1;
  // The columns share what the spaces leave of the net width.
  const std::int64_t inner = right - left - space * (n - 1);
  return static_cast<long double>(left + i * space + FloorDiv(i * inner, n));
}

long double TCustomReport::ColumnWidth(int column) const {
  const long double space = RoundHalfEven(page_->Stored(TPageSetup::kColumnSpace));
  return ColumnLeft(column + 1) - space - ColumnLeft(column);
}

long double TCustomReport::PrintWidth(const TCustomBand& band) const {
  if (!SpansPage(band.EffectiveType())) return ColumnWidth(column_index_);
  return RoundHalfEven(run_page_width_ - page_->Stored(TPageSetup::kRightMargin)) -
         RoundHalfEven(page_->Stored(TPageSetup::kLeftMargin));
}

long double TCustomReport::TextBottom(const TCustomBand& band) const {
  const TBandType type = band.EffectiveType();
  long double bottom = type == TBandType::rbPageFooter ? PageBottom() : PageBottom() - footer_reserve_;
  // A band that cannot break keeps the room of the child bands printed
  // below it, which print where it ends.
  if (page_work_ > 0 || type == TBandType::rbColumnHeader) {
    for (const TCustomBand* child = band.ChildBand(); child; child = child->ChildBand())
      if (child->Enabled()) bottom -= child->Size().StoredHeight();
  }
  return bottom;
}

void TCustomReport::MarkContent(const TCustomBand& band) {
  const TBandType type = band.EffectiveType();
  if (page_work_ > 0 || type == TBandType::rbPageHeader || type == TBandType::rbPageFooter ||
      type == TBandType::rbColumnHeader || type == TBandType::rbOverlay)
    return;
  page_holds_content_ = true;
  if (footer_reserve_ < footer_height_) footer_room_taken_ = true;
}

void TCustomReport::HandleMessage(TMessage& message) {
  switch (message.offset) {
    case MsgPrintReport:
      Print();
      break;
    case MsgPreviewClosed:
      if (!idle_) {
        cancel_requested_ = true;
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
