#pragma once

#include <array>

#include "definition/unit_base.h"

// The stored height, left, top and width of a report element (0.1 mm), read
// and written in the holder's Units(). The element owns its holder; the
// holder refers back to the element's control to push pixel bounds into it.
//
// Pixels are read without a second scaling by the zoom of the panel the
// element sits on, so a value written in Pixels reads back unchanged at any
// zoom (the designer shows pixels at the holder's own zoom).
class TPrintableSize : public TUnitBase {
 public:
  // Indexes of the values, as published.
  static constexpr int kHeight = 0;
  static constexpr int kLeft = 1;
  static constexpr int kTop = 2;
  static constexpr int kWidth = 3;
  static constexpr std::size_t kValueCount = 4;

  // `element` may be null (nothing to sync); every stored value starts at 20.
  TPrintableSize(TControl* element, const TUnitEnvironment& env);

  TControl* Element() const { return element_; }

  // A value by index in Units(); an unknown index reads 0.
  long double Value(int index) const;
  // Stores a value given in Units() and re-syncs; an unknown index or a
  // value whose stored form is not finite only re-syncs.
  void SetValue(int index, long double value);

  long double Height() const { return Value(kHeight); }
  void SetHeight(long double value) { SetValue(kHeight, value); }
  long double Left() const { return Value(kLeft); }
  void SetLeft(long double value) { SetValue(kLeft, value); }
  long double Top() const { return Value(kTop); }
  void SetTop(long double value) { SetValue(kTop, value); }
  long double Width() const { return Value(kWidth); }
  void SetWidth(long double value) { SetValue(kWidth, value); }

  // A stored length itself (0.1 mm) by index, whatever Units() is; an
  // unknown index reads 0.
  long double Stored(int index) const;

  // Takes pixel bounds from the element's control: in Pixels, writes
  // Height, Width, Top and Left in that order, each only when it differs
  // from the holder's current pixel value (each write re-syncs).
  void TakePixelBounds(int left, int top, int width, int height);

  // Sets the element's bounds to the rounded pixel Left, Top, Width and
  // Height in one call.
  void SyncControlBounds() override;
  // "Values": Height, Left, Top, Width in storage units. Reading does not
  // re-sync; the element re-syncs when it has finished loading.
  void ReadValues(std::istream& in) override;
  void WriteValues(std::ostream& out) const override;

 private:
  TControl* element_;
  std::array<long double, kValueCount> stored_{20, 20, 20, 20};
};
