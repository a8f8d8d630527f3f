#include "graphics/color.h"

#include <gtest/gtest.h>

TEST(Color, RgbKeepsColorRefByteOrder) {
  TColor c = TColor::Rgb(0x12, 0x34, 0x56);
  EXPECT_EQ(c.Value(), 0x00563412u);
  EXPECT_FALSE(c.IsSystem());
  EXPECT_EQ(c.RgbValue(), (TRgb{0x12, 0x34, 0x56}));
}

TEST(Color, SystemColorsResolveThroughThePalette) {
  TColor face = colors::BtnFace;
  EXPECT_TRUE(face.IsSystem());
  EXPECT_EQ(face.Value(), 0x8000000Fu);
  EXPECT_EQ(face.SystemColor(), TSystemColor::BtnFace);

  TSystemPalette palette = TSystemPalette::Classic();
  palette.Set(TSystemColor::BtnFace, {1, 2, 3});
  EXPECT_EQ(palette.Resolve(face), (TRgb{1, 2, 3}));
  EXPECT_EQ(palette.Resolve(colors::Navy), (TRgb{0, 0, 128}));
  // The classic palette is left alone by changes to a copy.
  EXPECT_NE(TSystemPalette::Classic().Resolve(face), (TRgb{1, 2, 3}));
}
