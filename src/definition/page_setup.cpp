#include "definition/page_setup.h"

#include <cmath>
#include <limits>

#include "definition/control.h"
#include "definition/rounding.h"

namespace {

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
      SyncControlBounds();
      Tell(TChange::Arrange);
      break;
    default:  // TopMargin, LeftMargin, RightMargin, ColumnSpace
      stored_[index] = stored;
      Tell(TChange::Arrange);
      RepaintReport();
      break;
  }
}

void TPageSetup::SetColumns(int columns) {
  if (columns == columns_ || columns <= 0) return;
  columns_ = columns;
  Tell(TChange::Arrange);
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
  Tell(TChange::Arrange);
  paper_size_ = size;
}

void TPageSetup::SetRuler(bool ruler) {
  if (ruler == ruler_) return;
  ruler_ = ruler;
  RepaintReport();
  Tell(TChange::Units);
}

void TPageSetup::SetUnits(TReportUnit unit) {
  TUnitBase::SetUnits(unit);
  RepaintReport();
}

void TPageSetup::SyncControlBounds() {
  if (updating_) return;
  if (control_ == nullptr) return;
  TPushing pushing(*this);
  const int width = RoundHalfEvenToInt(FromStored(TReportUnit::Pixels, true, stored_[kWidth]));
  const int height = RoundHalfEvenToInt(FromStored(TReportUnit::Pixels, false, stored_[kLength]));
  control_->SetBounds(control_->Left(), control_->Top(), width, height);
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
  Tell(TChange::Arrange);
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

void TPageSetup::RepaintReport() {
  if (control_ != nullptr) control_->Invalidate();
}
