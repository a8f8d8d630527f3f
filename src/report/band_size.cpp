#include "report/band_size.h"

#include <cmath>

#include "report/control.h"
#include "report/rounding.h"

namespace {
constexpr bool kHorizontal[TBandSize::kValueCount] = {false, true};
}

TBandSize::TBandSize(TControl* band, const TUnitEnvironment& env) : TUnitBase(env), band_(band) {}

long double TBandSize::Value(int index) const {
  if (index < 0 || index >= static_cast<int>(kValueCount)) return 0;
  return ReadStored(stored_[index], kHorizontal[index]);
}

void TBandSize::SetValue(int index, long double value) {
  if (index >= 0 && index < static_cast<int>(kValueCount)) {
    const long double stored = WriteStored(value, kHorizontal[index]);
    if (std::isfinite(stored)) stored_[index] = stored;
  }
  SyncControlBounds();
}

void TBandSize::TakePixelHeight(int height) {
  TPixelSwitch pixels(*this);
  if (static_cast<long double>(height) != Height()) SetHeight(height);
}

void TBandSize::SyncControlBounds() {
  if (band_ == nullptr) return;
  TPushing pushing(*this);
  const int width = RoundHalfEvenToInt(FromStored(TReportUnit::Pixels, true, stored_[kWidth]));
  const int height = RoundHalfEvenToInt(FromStored(TReportUnit::Pixels, false, stored_[kHeight]));
  band_->SetBounds(band_->Left(), band_->Top(), width, height);
}

void TBandSize::ReadValues(std::istream& in) { ReadStoredList(in, stored_); }

void TBandSize::WriteValues(std::ostream& out) const { WriteStoredList(out, stored_); }
