#include "definition/printable_size.h"

#include "definition/control.h"
#include "definition/rounding.h"

namespace {
constexpr bool kHorizontal[TPrintableSize::kValueCount] = {false, true, false, true};
}

TPrintableSize::TPrintableSize(TControl* element, const TUnitEnvironment& env)
    : TUnitBase(env), element_(element) {}

long double TPrintableSize::Value(int index) const { return ReadIndexed(stored_, kHorizontal, index); }

long double TPrintableSize::Stored(int index) const {
  if (index < 0 || index >= static_cast<int>(kValueCount)) return 0;
  return stored_[index];
}

void TPrintableSize::SetValue(int index, long double value) {
  WriteIndexed(stored_, kHorizontal, index, value);
  SyncControlBounds();
}

void TPrintableSize::TakePixelBounds(int left, int top, int width, int height) {
  TPixelSwitch pixels(*this);
  if (static_cast<long double>(height) != Height()) SetHeight(height);
  if (static_cast<long double>(width) != Width()) SetWidth(width);
  if (static_cast<long double>(top) != Top()) SetTop(top);
  if (static_cast<long double>(left) != Left()) SetLeft(left);
}

void TPrintableSize::SyncControlBounds() {
  if (element_ == nullptr) return;
  TPushing pushing(*this);
  auto pixels = [&](int index) {
    return RoundHalfEvenToInt(FromStored(TReportUnit::Pixels, kHorizontal[index], stored_[index]));
  };
  const int width = pixels(kWidth);
  const int height = pixels(kHeight);
  const int top = pixels(kTop);
  const int left = pixels(kLeft);
  element_->SetBounds(left, top, width, height);
}

void TPrintableSize::ReadValues(std::istream& in) { ReadStoredList(in, stored_); }

void TPrintableSize::WriteValues(std::ostream& out) const { WriteStoredList(out, stored_); }
