#include "report/band.h"

#include <array>

#include "report/generation_run.h"
#include "report/printable.h"
#include "report/report.h"
#include "report/report_context.h"
#include "base/scope_guard.h"
#include "definition/rounding.h"

namespace {

constexpr std::array<std::string_view, kBandTypeCount> kNames = {
    "Title", "Page Header", "Detail", "Page Footer", "Summary", "Group Header",
    "Group Footer", "Sub Detail", "Column Header", "Overlay", "Child"};
constexpr std::array<std::string_view, kBandTypeCount> kNameBases = {
    "TitleBand", "PageHeaderBand", "DetailBand", "PageFooterBand", "SummaryBand",
    "GroupHeaderBand", "GroupFooterBand", "SubDetailBand", "ColumnHeaderBand", "OverlayBand",
    "ChildBand"};

// The report a control is on: itself, or the report of the band it is on.
TCustomReport* ReportOf(TControl* control) {
  if (auto* report = dynamic_cast<TCustomReport*>(control)) return report;
  if (auto* band = dynamic_cast<TCustomBand*>(control)) return band->Report();
  return nullptr;
}

}  // namespace

std::string_view BandTypeName(TBandType type) { return kNames.at(static_cast<std::size_t>(type)); }
std::string_view BandNameBase(TBandType type) { return kNameBases.at(static_cast<std::size_t>(type)); }

bool IsPageLevel(TBandType type) {
  return type == TBandType::rbTitle || type == TBandType::rbPageHeader ||
         type == TBandType::rbPageFooter || type == TBandType::rbOverlay;
}

bool SpansPage(TBandType type) { return IsPageLevel(type) || type == TBandType::rbSummary; }

TCustomBand::TCustomBand(TReportContext& context) : TBasePanel(context), size_(this, context.Units()) {
  SetColor(colors::White);
  SetBounds(0, 0, 0, 40);
}

TCustomBand::~TCustomBand() {
  destroying_ = true;
  DetachFromReport();
}

TBandType TCustomBand::EffectiveType() const {
  const TCustomBand* band = this;
  // Bounded: parent links never form a cycle, but a damaged chain must not hang.
  for (int guard = 0; guard < 1000 && band; ++guard) {
    auto* child = dynamic_cast<const TChildBand*>(band);
    if (!child || child->BandType() != TBandType::rbChild) return band->BandType();
    band = child->ParentBand();
  }
  return TBandType::rbChild;
}

void TCustomBand::SetEnabled(bool enabled) {
  TControl::SetEnabled(enabled);
  Invalidate();
}

TChildBand* TCustomBand::ChildBand() const {
  if (!report_) return nullptr;
  for (TCustomBand* band : report_->BandList()) {
    auto* child = dynamic_cast<TChildBand*>(band);
    if (child && child->ParentBand() == this && !child->Destroying()) return child;
  }
  return nullptr;
}

bool TCustomBand::HasChild() const { return ChildBand() != nullptr; }

void TCustomBand::SetHasChild(bool on) {
  TChildBand* child = ChildBand();
  if (on == (child != nullptr)) return;
  if (on) {
    TControl* owner = Owner() ? Owner() : this;
    auto& created = owner->CreateComponent<TChildBand>(Context());
    created.SetParent(report_ ? static_cast<TControl*>(report_) : Parent());
    created.SetParentBand(this);
    return;
  }
  if (TChildBand* grandchild = child->ChildBand()) grandchild->SetParentBand(this);
  if (TControl* owner = child->Owner()) {
    owner->DestroyComponent(*child);
  } else {
    delete child;
  }
}

void TCustomBand::SetLinkBand(TCustomBand* band) {
  for (TCustomBand* b = band; b; b = b->LinkBand()) {
    if (b == this) return;  // would close a cycle
  }
  if (link_band_) RemoveFreeNotification(*link_band_);
  link_band_ = band;
  if (band) FreeNotification(*band);
}

void TCustomBand::Notification(TControl& component, TOperation operation) {
  TBasePanel::Notification(component, operation);
  if (operation == TOperation::opRemove && &component == link_band_) link_band_ = nullptr;
}

long double TCustomBand::NeededSpace() const {
  long double need = size_.StoredHeight();
  // The linked band's height is counted in storage units like the rest, not
  // as control pixels, so that the sum means one thing.
  for (const TCustomBand* link = link_band_; link && link != this; link = link->LinkBand())
    need += link->size_.StoredHeight();
  return need;
}

void TCustomBand::SetParent(TControl* parent) {
  TCustomReport* target = ReportOf(parent);
  if (target && parent != target) parent = target;  // a band on a band goes on its report
  if (report_ && report_ != target) DetachFromReport();
  TBasePanel::SetParent(parent);
  if (target && report_ != target) {
    report_ = target;
    size_.SetReportFont(target->UnitEnvironment());
    target->AddBand(*this);
    TBasePanel::PropagateZoom(target->Zoom());
  }
}

void TCustomBand::DetachFromReport() {
  if (!report_) return;
  TCustomReport* report = report_;
  report_ = nullptr;
  size_.SetReportFont({});
  report->RemoveBand(*this);
}

void TCustomBand::ReportRearrange() {
  if (report_) report_->ArrangeBands();
}

void TCustomBand::SetBounds(int left, int top, int width, int height) {
  TBasePanel::SetBounds(left, top, width, height);
  // The layout pass places bands at whole pixels; taking that back would
  // round every stored height to the screen's pixels.
  if (!size_.PushingBounds() && !Loading() && !in_layout_) size_.TakePixelHeight(Height());
}

void TCustomBand::Loaded() {
  TBasePanel::Loaded();
  size_.Loaded();
  if (loaded_pixel_height_ != 40 && Height() == 40) SetHeight(loaded_pixel_height_);
}

void TCustomBand::PropagateZoom(int zoom) {
  if (!IsValidZoom(zoom)) return;
  zoom_ = zoom;
  TBasePanel::PropagateZoom(zoom);
}

// --- Printing -------------------------------------------------------------

void TCustomBand::RestoreHeight(long double stored) {
  if (size_.StoredHeight() != stored) size_.SetHeight(size_.FromStored(size_.Units(), false, stored));
}

void TCustomBand::PrintElements(TGenerationRun& run, long double x, long double y) {
  TReportPrinter& printer = run.Printer();
  const long double h0 = size_.StoredHeight();
  stretch_amount_ = 0;
  bool first = true;
  // Each pass prints what is left; a pass that leaves output unfinished
  // continues on a new column or page. Bounded against elements that can
  // never finish.
  for (int pass = 0; pass < 100000; ++pass) {
    const long long placedBefore = placed_lines_;
    bool all = true;
    const std::size_t count = ChildCount();
    for (std::size_t i = 0; i < count && i < ChildCount(); ++i) {
      auto* element = dynamic_cast<TPrintable*>(&Child(i));
      if (!element || !element->Enabled()) continue;
      if (first || !element->OutputComplete()) element->PrintAt(x, y);
      all = all && element->OutputComplete();
    }
    if (run.DrawOutput()) {
      frame_rect_ = {printer.ToDeviceX(x), printer.ToDeviceY(y),
                     printer.ToDeviceX(x + run.PrintWidth(*this)),
                     printer.ToDeviceY(y + size_.StoredHeight() + stretch_amount_ + 1)};
      if (Frame().HasAnySide())
        Frame().DrawSides(printer.Canvas(), frame_rect_, printer.ScaleX(), printer.ScaleY());
    }
    if (all) return;
    // Pages from the second on are laid out alike, so text carried on to a
    // fresh column of one that could not place a line there never will:
    // the rest is dropped rather than carried on for ever.
    const bool stuck = !first && placed_lines_ == placedBefore && run.PageCounter() >= 2;
    if (run.InPageWork() || EffectiveType() == TBandType::rbColumnHeader || stuck) {
      // A header or footer (a column header also where it begins page 1)
      // ends on its own page: what did not fit above its limit is cut there.
      for (std::size_t i = 0; i < ChildCount(); ++i)
        if (auto* element = dynamic_cast<TPrintable*>(&Child(i))) element->AbandonOutput();
      return;
    }
    run.SetInDetailBreak(true);
    run.MoveOnFor(*this);
    run.SetInDetailBreak(false);
    RestoreHeight(h0);
    stretch_amount_ = 0;
    first = false;
    run.MarkContent(*this);
    x = run.CursorX();
    y = run.CursorY();
  }
}

void TCustomBand::PrintOnPage(TGenerationRun& run) {
  TReportPrinter& printer = run.Printer();

  bool print = Enabled();
  if (print && BeforePrint) BeforePrint(*this, print);
  if (print) {
    const TBandType type = EffectiveType();
    const bool pageLevel = IsPageLevel(type);
    if (force_new_page_ && !run.InDetailBreak()) {
      if (!pageLevel && run.PageCounter() > 0) {
        run.BreakToNewPage();
      } else {
        // The band starts the page itself, so the page is no longer one
        // that holds only its headers: the next forced break must break.
        const bool starts = run.PageCounter() == 0;
        run.EnsureRoom(*this);
        if (starts) run.ClearHeaderDone();
      }
    } else if (force_new_column_) {
      if (pageLevel || run.PageCounter() == 0) {
        const bool starts = run.PageCounter() == 0;
        run.EnsureRoom(*this);
        if (starts && !pageLevel) run.ArmColumnBreak();
      } else if (SpansPage(type)) {
        run.BreakToNewPage();  // its next column is the next page's first
      } else {
        run.BreakToNewColumn();
      }
    } else {
      run.EnsureRoom(*this);
    }
    run.SettleBand(*this);
    run.MarkContent(*this);

    const long double x = run.CursorX();
    const long double y = run.CursorY();
    frame_rect_ = {printer.ToDeviceX(x), printer.ToDeviceY(y),
                   printer.ToDeviceX(x + run.PrintWidth(*this)),
                   printer.ToDeviceY(y + size_.StoredHeight())};
    if (Height() != 0 && Enabled()) {
      if (run.DrawOutput()) {
        TCanvas& canvas = printer.Canvas();
        canvas.SetBrush(TBrush{TBrushStyle::Solid, Color()});
        canvas.FillRect(frame_rect_);
      }
      const long double h0 = size_.StoredHeight();
      PrintElements(run, x, y);
      run.SetCursorY(run.CursorY() + RoundHalfEven(size_.StoredHeight() + stretch_amount_));
      RestoreHeight(h0);
    }
    // The page now holds more than its title and headers: a later forced
    // break must break rather than be taken for the one after the title.
    if (!pageLevel && type != TBandType::rbColumnHeader) {
      run.ClearHeaderDone();
      run.ArmColumnBreak();
    }
  }
  if (AfterPrint) AfterPrint(*this, print);
  if (TChildBand* child = ChildBand()) {
    const bool footer = EffectiveType() == TBandType::rbPageFooter;
    if (footer) child->SetTypeOverride(TBandType::rbPageFooter);
    TScopeGuard restore([&] {
      if (footer) child->SetTypeOverride(TBandType::rbChild);
    });
    run.EmitBand(child);
  }
  run.SetInDetailBreak(false);
}

// --- TBand / TChildBand ----------------------------------------------------

void TBand::SetBandType(TBandType type) {
  type_ = type;
  ReportRearrange();
}

void TChildBand::SetParentBand(TCustomBand* band) {
  for (TCustomBand* b = band; b; b = dynamic_cast<TChildBand*>(b) ? static_cast<TChildBand*>(b)->ParentBand() : nullptr) {
    if (b == this) return;  // would close a cycle
  }
  if (parent_band_) RemoveFreeNotification(*parent_band_);
  parent_band_ = band;
  if (band) FreeNotification(*band);
  ReportRearrange();
}

void TChildBand::Notification(TControl& component, TOperation operation) {
  TCustomBand::Notification(component, operation);
  if (operation == TOperation::opRemove && &component == parent_band_) parent_band_ = nullptr;
}
