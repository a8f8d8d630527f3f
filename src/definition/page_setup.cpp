#include "definition/page_setup.h"

#include <cctype>

#include <cmath>
#include <limits>

#include "definition/control.h"
#include "definition/report_host.h"
#include "definition/rounding.h"

namespace {

// Portrait width and length in millimetres, from Letter (ordinal 1) to
// ESheet (ordinal 26).
constexpr std::array<std::pair<long double, long double>, 26> kPaperTable = {{
    {215.9L, 279.4L},  // Letter
    {215.9L, 279.4L},  // LetterSmall
    {279.4L, 431.8L},  // Tabloid
    {431.8L, 279.4L},  // Ledger: wider than long
    {215.9L, 355.6L},  // Legal
    {139.7L, 215.9L},  // Statement
    {190.5L, 254.0L},  // Executive
    {297.0L, 420.0L},  // A3
    {210.0L, 297.0L},  // A4
    {210.0L, 297.0L},  // A4Small
    {148.0L, 210.0L},  // A5
    {250.0L, 354.0L},  // B4
    {182.0L, 257.0L},  // B5
    {215.9L, 330.2L},  // Folio
    {215.0L, 275.0L},  // Quarto
    {254.0L, 355.6L},  // Paper10X14
    {279.4L, 431.8L},  // Paper11X17
    {215.9L, 279.0L},  // Note: 279.0, not 279.4
    {98.43L, 225.4L},  // Env9
    {104.8L, 241.3L},  // Env10
    {114.3L, 263.5L},  // Env11
    {101.6L, 279.4L},  // Env12
    {127.0L, 292.1L},  // Env14
    {100.0L, 100.0L},  // CSheet
    {100.0L, 100.0L},  // DSheet
    {100.0L, 100.0L},  // ESheet
}};

// Integer steps of the column arithmetic saturate instead of overflowing, so
// absurd stored lengths give absurd widths, never undefined behaviour.
std::int64_t Saturate(bool overflow, std::int64_t result, bool negative) {
  if (!overflow) return result;
  return negative ? std::numeric_limits<std::int64_t>::min()
                  : std::numeric_limits<std::int64_t>::max();
}

std::int64_t SaturatingSub(std::int64_t a, std::int64_t b) {
  std::int64_t r;
  const bool overflow = __builtin_sub_overflow(a, b, &r);
  return Saturate(overflow, r, b > 0);
}

std::int64_t SaturatingMul(std::int64_t a, std::int64_t b) {
  std::int64_t r;
  const bool overflow = __builtin_mul_overflow(a, b, &r);
  return Saturate(overflow, r, (a < 0) != (b < 0));
}

constexpr bool kHorizontal[TPageSetup::kValueCount] = {false, false, false, true, true, true, true};

}  // namespace

namespace {
constexpr std::array<const char*, kPaperSizeCount> kPaperNames = {
    "Default", "letter", "LetterSmall", "Tabloid", "Ledger", "Legal",  "Statement", "Executive",
    "A3",      "A4",     "A4Small",     "A5",      "B4",     "B5",     "Folio",     "Quarto",
    "10X14",   "11X17",  "Note",        "Env9",    "Env10",  "Env11",  "Env12",     "Env14",
    "CSheet",  "DSheet", "ESheet",      "Custom"};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}
}  // namespace

const char* PaperSizeName(TPaperSize size) {
  const int ordinal = static_cast<int>(size);
  return ordinal >= 0 && ordinal < kPaperSizeCount ? kPaperNames[std::size_t(ordinal)] : "";
}

std::optional<TPaperSize> PaperSizeFromName(std::string_view name) {
  for (int i = 0; i < kPaperSizeCount; ++i)
    if (SameIgnoringCase(kPaperNames[std::size_t(i)], name)) return static_cast<TPaperSize>(i);
  return std::nullopt;
}

std::optional<TPaperSize> PaperSizeFromOrdinal(int ordinal) {
  if (ordinal < 0 || ordinal >= kPaperSizeCount) return std::nullopt;
  return static_cast<TPaperSize>(ordinal);
}

std::optional<std::pair<long double, long double>> PaperDimensionsMM(TPaperSize size) {
  const int ordinal = static_cast<int>(size);
  if (ordinal < static_cast<int>(TPaperSize::Letter) || ordinal > static_cast<int>(TPaperSize::ESheet))
    return std::nullopt;
  return kPaperTable[ordinal - 1];
}

TPaperSize DefaultPaperSize(TMeasurementSystem system) {
  return system == TMeasurementSystem::UnitedStates ? TPaperSize::Letter : TPaperSize::A4;
}

TPageSetup::TPageSetup(const TUnitEnvironment& env) : TUnitBase(env) {
  SetBottomMargin(0);
  if (env.Measurement == TMeasurementSystem::UnitedStates) {
    SetUnits(TReportUnit::Inches);
    SetPaperSize(DefaultPaperSize(env.Measurement));
    SetTopMargin(0.5L);
    SetBottomMargin(0.5L);
    SetRightMargin(0.5L);
    SetLeftMargin(0.5L);
  } else {
    SetUnits(TReportUnit::MM);
    SetPaperSize(DefaultPaperSize(env.Measurement));
    SetTopMargin(10);
    SetBottomMargin(10);
    SetLeftMargin(10);
    SetRightMargin(10);
  }
  SetRuler(true);
  SetColumns(1);
}

long double TPageSetup::Value(int index) const {
  if (index < 0 || index >= static_cast<int>(kValueCount)) return 0;
  return ReadStored(stored_[index], kHorizontal[index]);
}

long double TPageSetup::Stored(int index) const {
  if (index < 0 || index >= static_cast<int>(kValueCount)) return 0;
  return stored_[index];
}

void TPageSetup::SetValue(int index, long double value) {
  if (index < 0 || index >= static_cast<int>(kValueCount)) return;
  const long double stored = WriteStored(value, kHorizontal[index]);
  if (!std::isfinite(stored)) return;
  switch (index) {
    case kLength:
    case kWidth:
      if (paper_size_ != TPaperSize::Custom) return;
      [[fallthrough]];
    case kBottomMargin:
      stored_[index] = stored;
      ResizeReportControl();
      ArrangeBands();
      break;
    default:  // TopMargin, LeftMargin, RightMargin, ColumnSpace
      stored_[index] = stored;
      ArrangeBands();
      RepaintReport();
      break;
  }
}

void TPageSetup::SetColumns(int columns) {
  if (columns == columns_ || columns <= 0) return;
  columns_ = columns;
  ArrangeBands();
  RepaintReport();
}

void TPageSetup::SetOrientation(TPrinterOrientation orientation) {
  if (orientation != TPrinterOrientation::poPortrait &&
      orientation != TPrinterOrientation::poLandscape)
    return;
  orientation_ = orientation;
  SetPaperSize(paper_size_);
}

void TPageSetup::SetPaperSize(TPaperSize size) {
  if (!PaperSizeFromOrdinal(static_cast<int>(size))) return;
  const auto dimensions = PaperDimensionsMM(size);
  if (!dimensions) {  // Default and Custom keep the stored dimensions
    paper_size_ = size;
    return;
  }
  {
    TPixelSwitch saved(*this);
    SetUnits(TReportUnit::MM);
    // Custom for the moment, so that Width and Length accept the writes.
    paper_size_ = TPaperSize::Custom;
    const auto [w, l] = *dimensions;
    if (orientation_ == TPrinterOrientation::poPortrait) {
      SetWidth(w);
      SetLength(l);
    } else {
      SetWidth(l);
      SetLength(w);
    }
  }
  ArrangeBands();
  paper_size_ = size;
}

void TPageSetup::SetRuler(bool ruler) {
  if (ruler == ruler_) return;
  ruler_ = ruler;
  RepaintReport();
  if (TReportHost* report = OwnerReport()) report->ReapplyUnits();
}

void TPageSetup::SetUnits(TReportUnit unit) {
  TUnitBase::SetUnits(unit);
  RepaintReport();
}

void TPageSetup::SyncControlBounds() {
  if (updating_) return;
  TReportHost* report = OwnerReport();
  TControl* control = report != nullptr ? report->ReportControl() : nullptr;
  if (control == nullptr) return;
  TPushing pushing(*this);
  const int width = RoundHalfEvenToInt(FromStored(TReportUnit::Pixels, true, stored_[kWidth]));
  const int height = RoundHalfEvenToInt(FromStored(TReportUnit::Pixels, false, stored_[kLength]));
  control->SetBounds(control->Left(), control->Top(), width, height);
}

void TPageSetup::ReadValues(std::istream& in) {
  ReadStoredList(in, stored_);
  SyncControlBounds();
}

void TPageSetup::WriteValues(std::ostream& out) const { WriteStoredList(out, stored_); }

void TPageSetup::ControlResized(int width, int height) {
  if (PushingBounds()) return;
  if (paper_size_ == TPaperSize::Custom) {
    const bool was_updating = updating_;
    updating_ = true;
    try {
      TPixelSwitch pixels(*this);
      SetWidth(width);
      SetLength(height);
    } catch (...) {
      updating_ = was_updating;
      throw;
    }
    updating_ = was_updating;
  }
  ArrangeBands();
}

bool TPageSetup::CheckMargins() {
  bool reset = false;
  if (Width() - LeftMargin() - RightMargin() < 0) {
    SetLeftMargin(0);
    SetRightMargin(0);
    reset = true;
  }
  if (Length() - TopMargin() - BottomMargin() < 0) {
    SetTopMargin(0);
    SetBottomMargin(0);
    reset = true;
  }
  return reset;
}

std::int64_t TPageSetup::ColumnWidth(std::int64_t netWidth, long double columnSpace, int columns) {
  const std::int64_t n = columns < 1 ? 1 : columns;
  return SaturatingSub(netWidth, SaturatingMul(RoundHalfEven(columnSpace), n - 1)) / n;
}

std::int64_t TPageSetup::LayoutNetWidth(int controlWidth) const {
  const long double margins = FromStored(TReportUnit::Pixels, true, stored_[kLeftMargin]) +
                              FromStored(TReportUnit::Pixels, true, stored_[kRightMargin]);
  return SaturatingSub(controlWidth, RoundHalfEven(margins));
}

std::int64_t TPageSetup::LayoutColumnWidth(int controlWidth) const {
  return ColumnWidth(LayoutNetWidth(controlWidth),
                     FromStored(TReportUnit::Pixels, true, stored_[kColumnSpace]), columns_);
}

std::int64_t TPageSetup::GenerationNetWidth() const {
  return RoundHalfEven(stored_[kWidth] - (stored_[kLeftMargin] + stored_[kRightMargin]));
}

std::int64_t TPageSetup::GenerationColumnWidth() const {
  return ColumnWidth(GenerationNetWidth(), stored_[kColumnSpace], columns_);
}

TPageSetup::TPixelRect TPageSetup::DesignMarginRect(int controlWidth, int controlHeight) const {
  auto pixels = [&](int index) {
    return FromStored(TReportUnit::Pixels, kHorizontal[index], stored_[index]);
  };
  return {RoundHalfEvenToInt(pixels(kLeftMargin)), RoundHalfEvenToInt(pixels(kTopMargin)),
          RoundHalfEvenToInt(controlWidth - pixels(kRightMargin)),
          RoundHalfEvenToInt(controlHeight - pixels(kBottomMargin))};
}

std::vector<TPageSetup::TColumnDivider> TPageSetup::DesignColumnDividers() const {
  std::vector<TColumnDivider> dividers;
  if (columns_ < 2) return dividers;
  auto pixels = [&](int index) {
    return FromStored(TReportUnit::Pixels, kHorizontal[index], stored_[index]);
  };
  const long double left = pixels(kLeftMargin);
  const long double space = pixels(kColumnSpace);
  const long double g = static_cast<long double>(RoundHalfEven(
      (pixels(kWidth) - left - pixels(kRightMargin) - space * (columns_ - 1)) / columns_));
  dividers.reserve(columns_ - 1);
  for (int k = 1; k < columns_; ++k)
    dividers.push_back({RoundHalfEvenToInt(left + g * k + space * (k - 1)),
                        RoundHalfEvenToInt(left + (space + g) * k)});
  return dividers;
}

void TPageSetup::ResizeReportControl() { SyncControlBounds(); }

void TPageSetup::ArrangeBands() {
  if (TReportHost* report = OwnerReport()) report->ArrangeBands();
}

void TPageSetup::RepaintReport() {
  TReportHost* report = OwnerReport();
  if (TControl* control = report != nullptr ? report->ReportControl() : nullptr)
    control->Invalidate();
}
