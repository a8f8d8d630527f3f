#include "platform/qt_color.h"

#include <gtest/gtest.h>

#include <QPalette>

TEST(QtColor, RgbColoursPassThrough) {
  EXPECT_EQ(ToQColor(colors::Navy), QColor(0, 0, 128));
  EXPECT_EQ(ToQColor(TColor::Rgb(1, 2, 3)), QColor(1, 2, 3));
}

TEST(QtColor, SystemColoursFollowThePalette) {
  QPalette p;
  p.setColor(QPalette::Button, QColor(10, 20, 30));
  p.setColor(QPalette::Light, QColor(200, 201, 202));
  p.setColor(QPalette::Dark, QColor(50, 51, 52));
  const TSystemPalette system = SystemPaletteFrom(p);
  EXPECT_EQ(ToQColor(colors::BtnFace, system), QColor(10, 20, 30));
  EXPECT_EQ(ToQColor(colors::BtnHighlight, system), QColor(200, 201, 202));
  EXPECT_EQ(ToQColor(colors::BtnShadow, system), QColor(50, 51, 52));
}
