#pragma once

#include <array>

#include "definition/unit_base.h"

// The stored height and width of a band (0.1 mm), read and written in the
// holder's Units(). The band owns its holder; the holder refers back to the
// band's control to push pixel bounds into it.
class TBandSize : public TUnitBase {
 public:
  // Indexes of the values, as published.
  static constexpr int kHeight = 0;
  static constexpr int kWidth = 1;
  static constexpr std::size_t kValueCount = 2;

  // `band` may be null (nothing to sync); initial stored Height 20, Width 40.
  TBandSize(TControl* band, const TUnitEnvironment& env);

  TControl* Band() const { return band_; }

  // A value by index in Units(); an unknown index reads 0.
  long double Value(int index) const;
  // Stores a value given in Units() and re-syncs; an unknown index or a
  // value whose stored form is not finite only re-syncs.
  void SetValue(int index, long double value);

  long double Height() const { return Value(kHeight); }
  void SetHeight(long double value) { SetValue(kHeight, value); }
  long double Width() const { return Value(kWidth); }
  void SetWidth(long double value) { SetValue(kWidth, value); }

  // The stored lengths themselves (0.1 mm), whatever Units() is.
  long double StoredHeight() const { return stored_[kHeight]; }
  long double StoredWidth() const { return stored_[kWidth]; }

  // Takes a pixel height from the band's control: writes it, in Pixels, only
  // when it differs from the current pixel height.
  void TakePixelHeight(int height);

  // Sets the band's control to its current left and top with the rounded
  // pixel Width and Height.
  void SyncControlBounds() override;
  // "Values": Height, Width in storage units. Reading does not re-sync; the
  // band re-syncs when it has finished loading.
  void ReadValues(std::istream& in) override;
  void WriteValues(std::ostream& out) const override;

 private:
  TControl* band_;
  std::array<long double, kValueCount> stored_{20, 40};
};
