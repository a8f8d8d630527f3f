#include "report/generation_run.h"

#include <algorithm>

#include "report/printable.h"
#include "report/report.h"
#include "base/scope_guard.h"
#include "definition/rounding.h"

namespace {

void ForEachElement(TCustomReport& report, const std::function<void(TPrintable&)>& fn) {
  for (std::size_t i = 0; i < report.ChildCount(); ++i) {
    TControl& child = report.Child(i);
    if (auto* element = dynamic_cast<TPrintable*>(&child)) {
      fn(*element);
    } else if (dynamic_cast<TCustomBand*>(&child)) {
      for (std::size_t j = 0; j < child.ChildCount(); ++j)
        if (auto* element = dynamic_cast<TPrintable*>(&child.Child(j))) fn(*element);
    }
  }
}

// a / b rounded towards minus infinity (b > 0).
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && a < 0 ? 1 : 0); }

}  // namespace

TGenerationRun::TGenerationRun(TCustomReport& report, TReportPrinter& printer, bool cancelled)
    : report_(report), printer_(printer), page_(report.Page()), cancel_requested_(cancelled) {}

void TGenerationRun::Run() {
  const TReportUnit units = report_.Units();
  report_.SetUnits(TReportUnit::Native);
  // The document is ended on every way out.
  TScopeGuard finish([&] {
    report_.SetUnits(units);
    ForEachElement(report_, [](TPrintable& e) { e.EndPrinting(); });
    if (cancel_requested_ || !draw_output_) {
      printer_.AbortDoc();
    } else {
      printer_.EndDoc();
    }
  });
  TReportPrinter& printer = printer_;
  const TReportPrintSettings& settings = report_.PrinterSettings();
  printer.SetPrinterIndex(settings.PrinterIndex);
  printer.SetPaperSize(page_.PaperSize());
  printer.SetDevicePaper(settings.PrintPaper);
  const bool landscape = page_.Orientation() == TPrinterOrientation::poLandscape;
  if (page_.PaperSize() == TPaperSize::Custom && printer.PaperSize() == TPaperSize::Custom) {
    // The printer takes a paper in portrait terms, as the paper table gives
    // them, and turns it by the orientation; the page's own Width and Length
    // are as it lies.
    const int width = static_cast<int>(RoundHalfEven(page_.Stored(TPageSetup::kWidth)));
    const int length = static_cast<int>(RoundHalfEven(page_.Stored(TPageSetup::kLength)));
    printer.SetPaperWidth(landscape ? length : width);
    printer.SetPaperLength(landscape ? width : length);
  }
  printer.SetOrientation(page_.Orientation());
  printer.SetCopies(settings.Copies);
  printer.SetOutputBin(settings.OutputBin);
  printer.SetFirstPage(settings.FirstPage);
  printer.SetLastPage(settings.LastPage);
  printer.SetTitle(report_.ReportTitle());
  printer.SetCompression(report_.Options().Compression);
  SetRunPage();
  printer.BeginDoc(static_cast<int>(RoundHalfEven(run_page_width_)), static_cast<int>(RoundHalfEven(run_page_length_)));
  column_index_ = page_.Columns();

  // What the footers print: a disabled footer prints nothing but its child
  // bands still print below it, so they take their room.
  for (TCustomBand* band : report_.BandList()) {
    if (band->BandType() != TBandType::rbPageFooter) continue;
    for (TCustomBand* b = band; b; b = b->ChildBand())
      if (b->Enabled()) footer_reserve_ += b->Size().StoredHeight();
  }
  footer_height_ = footer_reserve_;
  cursor_x_ = RoundHalfEven(page_.Stored(TPageSetup::kLeftMargin));
  report_.Functions()["REPORTTITLE"] = report_.ReportTitle();
  ForEachElement(report_, [this](TPrintable& e) { e.BeginPrinting(*this); });

  RunDataController();

  cursor_x_ = RoundHalfEven(page_.Stored(TPageSetup::kLeftMargin));
  on_last_page_ = true;
  if (printer.Cancelled()) cancel_requested_ = true;
  if (!cancel_requested_) FinishPage();
}

void TGenerationRun::RunDataController() {
  TCustomBand* title = FirstBand(TBandType::rbTitle);
  TCustomBand* detail = FirstBand(TBandType::rbDetail);
  TCustomBand* summary = FirstBand(TBandType::rbSummary);
  if (!report_.OnNeedData) {
    if (report_.PrintIfEmpty()) {
      EmitBand(title);
      EmitBand(detail);
      EmitBand(summary);
    }
    return;
  }
  bool more = false;
  report_.OnNeedData(report_, more);
  if (!more) return;
  TMessageLoop& loop = report_.Context().Loop();
  loop.ProcessMessages();
  if (printer_.Cancelled()) cancel_requested_ = true;
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
    loop.ProcessMessages();
    if (printer_.Cancelled()) cancel_requested_ = true;
    if (cancel_requested_) return;
    ++detail_number_;
    EmitBand(detail);
    more = false;
    report_.OnNeedData(report_, more);
  }
  // The summary's own space check begins the page it needs, if any: a
  // page begun for it here would stay empty when it prints nothing.
  EmitBand(summary);
}

TCustomBand* TGenerationRun::FirstBand(TBandType type) const {
  for (TCustomBand* band : report_.BandList())
    if (band->EffectiveType() == type && band->BandType() != TBandType::rbChild) return band;
  return nullptr;
}

void TGenerationRun::SetNamed(const char* name, std::int64_t value) {
  report_.Functions()[name] = std::to_string(value);
}

// Bands are laid out on one paper, the page's own, and the printer's page
// is that paper too: a printer that does not offer it gets the page placed
// on its own paper, scaled down where it does not fit (TReportPrinter's
// PageWidth, PlacePage). Checking bands against the printer's paper while
// the footer goes by the page's length would put them over the footer.
std::pair<long double, long double> TGenerationRun::PageOf(const TPageSetup& page, const TReportPrinter& printer) {
  if (page.PaperSize() != TPaperSize::Default)
    return {page.Stored(TPageSetup::kWidth), page.Stored(TPageSetup::kLength)};
  // The paper the printer has, or the locale's where it gives none.
  const bool landscape = page.Orientation() == TPrinterOrientation::poLandscape;
  return {landscape ? printer.PaperLength() : printer.PaperWidth(),
          landscape ? printer.PaperWidth() : printer.PaperLength()};
}

void TGenerationRun::SetRunPage() {
  std::tie(run_page_width_, run_page_length_) = PageOf(page_, printer_);
}

long double TGenerationRun::PageBottom() const {
  return run_page_length_ - page_.Stored(TPageSetup::kBottomMargin);
}

void TGenerationRun::EnsureRoom(TCustomBand& band) {
  // A band printed while a page or column begins prints where it stands:
  // looking for room would begin the page again, and again.
  if (page_work_ > 0) return;
  const long double need = RoundHalfEven(band.NeededSpace());
  const long double printable =
      run_page_length_ - (page_.Stored(TPageSetup::kTopMargin) + page_.Stored(TPageSetup::kBottomMargin));
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

void TGenerationRun::MoveOnFor(const TCustomBand& band) {
  if (!SpansPage(band.EffectiveType())) {
    BeginNextColumn();
    return;
  }
  // A report has at least one column, so this ends.
  do {
    BeginNextColumn();
  } while (column_index_ != 1);
}

long double TGenerationRun::SpaceLeft() const {
  if (cursor_y_ == -1) return 0;
  return RoundHalfEven(PageBottom() - footer_reserve_ - cursor_y_);
}

void TGenerationRun::BeginNextColumn() {
  ++page_work_;
  TScopeGuard done([this] { --page_work_; });
  if (column_index_ >= page_.Columns()) {
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

void TGenerationRun::BeginNextPage() {
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
  if (draw_output_ || page_counter_ == 1) printer_.NewPage();
  cursor_y_ = RoundHalfEven(page_.Stored(TPageSetup::kTopMargin));
  if (report_.OnStartPage) report_.OnStartPage(report_);
  if (page_counter_ > 1 || report_.Options().FirstPageHeader) EmitBand(FirstBand(TBandType::rbPageHeader));
  column_top_y_ = cursor_y_;
  if (page_counter_ == 1) {
    if (TCustomBand* title = FirstBand(TBandType::rbTitle))
      column_top_y_ += RoundHalfEven(title->Size().StoredHeight());
  }
}

void TGenerationRun::FinishPage() {
  if (page_counter_ <= 0) return;
  ++page_work_;
  TScopeGuard done([this] { --page_work_; });
  // The footers' own height, not the reserve: a summary aligned to the
  // bottom of a last page without footers gives up the reserve before it
  // may still break away from the page this footer ends.
  cursor_y_ = RoundHalfEven(run_page_length_ - page_.Stored(TPageSetup::kBottomMargin) - footer_height_);
  cursor_x_ = RoundHalfEven(page_.Stored(TPageSetup::kLeftMargin));
  // A summary aligned to the bottom of a last page without footers that
  // ran on from this page took the footers' room here: a footer printed
  // now would cover it.
  if (!(on_last_page_ && !report_.Options().LastPageFooter) && !footer_room_taken_)
    EmitBand(FirstBand(TBandType::rbPageFooter));
  PrintPageItems();
  if (report_.OnEndPage) report_.OnEndPage(report_);
}

void TGenerationRun::PrintPageItems() {
  for (std::size_t i = 0; i < report_.ChildCount(); ++i)
    if (auto* element = dynamic_cast<TPrintable*>(&report_.Child(i))) element->PrintAt(0, 0);
  if (draw_output_ && report_.Frame().HasAnySide()) {
    TReportPrinter& p = printer_;
    const TRect r{p.ToDeviceX(page_.Stored(TPageSetup::kLeftMargin)),
                  p.ToDeviceY(page_.Stored(TPageSetup::kTopMargin)),
                  p.ToDeviceX(run_page_width_ - page_.Stored(TPageSetup::kRightMargin)),
                  p.ToDeviceY(run_page_length_ - page_.Stored(TPageSetup::kBottomMargin))};
    report_.Frame().DrawSides(p.Canvas(), r, p.ScaleX(), p.ScaleY());
  }
}

void TGenerationRun::EmitBand(TCustomBand* band) {
  if (!band) return;
  AlignToBottom(*band);
  band->PrintOnPage(*this);
}

void TGenerationRun::SettleBand(TCustomBand& band) {
  if (page_work_ == 0 && column_index_ > 1 && page_holds_content_ && SpansPage(band.EffectiveType()))
    MoveOnFor(band);
  AlignToBottom(band);
}

void TGenerationRun::AlignToBottom(TCustomBand& band) {
  // A disabled band prints nothing, so it moves nothing either.
  if (!band.AlignToBottom() || !band.Enabled() || cursor_y_ == -1) return;
  if (band.EffectiveType() == TBandType::rbSummary && !report_.Options().LastPageFooter) footer_reserve_ = 0;
  const long double y = RoundHalfEven(PageBottom() - band.Size().StoredHeight() - footer_reserve_);
  cursor_y_ = std::max(cursor_y_, y);
}

// A break asked for by a band printed as part of beginning or finishing a
// page or column is not made: it would begin another from inside this one.
void TGenerationRun::BreakToNewPage() {
  if (page_work_ > 0) return;
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

void TGenerationRun::BreakToNewColumn() {
  if (page_work_ > 0 || !page_holds_content_) return;
  if (column_break_armed_ || column_index_ > 1) {
    BeginNextColumn();
  } else {
    column_break_armed_ = true;
  }
}

long double TGenerationRun::ColumnLeft(int column) const {
  const std::int64_t left = RoundHalfEven(page_.Stored(TPageSetup::kLeftMargin));
  const std::int64_t right = RoundHalfEven(run_page_width_ - page_.Stored(TPageSetup::kRightMargin));
  const std::int64_t space = RoundHalfEven(page_.Stored(TPageSetup::kColumnSpace));
  const std::int64_t n = std::max(1, page_.Columns());
  const std::int64_t i = std::clamp<std::int64_t>(column, 1, n + 1) - 1;
  // The columns share what the spaces leave of the net width.
  const std::int64_t inner = right - left - space * (n - 1);
  return static_cast<long double>(left + i * space + FloorDiv(i * inner, n));
}

long double TGenerationRun::ColumnWidth(int column) const {
  const long double space = RoundHalfEven(page_.Stored(TPageSetup::kColumnSpace));
  return ColumnLeft(column + 1) - space - ColumnLeft(column);
}

long double TGenerationRun::PrintWidth(const TCustomBand& band) const {
  if (!SpansPage(band.EffectiveType())) return ColumnWidth(column_index_);
  return RoundHalfEven(run_page_width_ - page_.Stored(TPageSetup::kRightMargin)) -
         RoundHalfEven(page_.Stored(TPageSetup::kLeftMargin));
}

long double TGenerationRun::TextBottom(const TCustomBand& band) const {
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

void TGenerationRun::MarkContent(const TCustomBand& band) {
  const TBandType type = band.EffectiveType();
  if (page_work_ > 0 || type == TBandType::rbPageHeader || type == TBandType::rbPageFooter ||
      type == TBandType::rbColumnHeader || type == TBandType::rbOverlay)
    return;
  page_holds_content_ = true;
  if (footer_reserve_ < footer_height_) footer_room_taken_ = true;
}
