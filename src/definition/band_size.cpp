#include "definition/band_size.h"

#include "definition/control.h"
#include "definition/rounding.h"

namespace {
constexpr bool kHorizontal[TBandSize::kValueCount] = {false, true};
}

TBandSize::TBandSize(TControl* band, const TUnitEnvironment& env) : TUnitBase(env), band_(band) {}

long double TBandSize::Value(int index) const { return ReadIndexed(stored_, kHorizontal, index); }

void TBandSize::SetValue(int index, long double value) {
  WriteIndexed(stored_, kHorizontal, index, value);
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
