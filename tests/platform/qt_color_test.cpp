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

TEST(QtColor, ContrastRatiosAsTheGuidelinesDefineThem) {
  const struct {
    QColor a, b;
    double ratio;
  } cases[] = {{Qt::black, Qt::white, 21.0},
               {Qt::white, Qt::white, 1.0},
               {QColor(0x76, 0x76, 0x76), Qt::white, 4.54},   // the lightest grey that reads on white
               {Qt::black, QColor(0x24, 0x24, 0x24), 1.35},   // the zoom field on a dark theme
               {QColor(0, 0, 255), QColor(0x32, 0x32, 0x32), 1.5}};
  for (const auto& c : cases) {
    EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.03) << c.a.name().toStdString() << " on " << c.b.name().toStdString();
    EXPECT_DOUBLE_EQ(ContrastRatio(c.a, c.b), ContrastRatio(c.b, c.a));
  }
}

// On a light background the designed colour stays, even one that reads
// badly (the pressed link's red); on a dark one the colour reads.
TEST(QtColor, ReadableColorKeepsTheDesignOnLightAndReadsOnDark) {
  const QColor light(0xef, 0xef, 0xef), dark(0x32, 0x32, 0x32), link(0x8a, 0xb4, 0xf8);
  const struct {
    QColor wanted, background, alternative, expected;
  } cases[] = {
      {Qt::black, Qt::white, Qt::white, Qt::black},
      {QColor(255, 0, 0), light, link, QColor(255, 0, 0)},
      {QColor(0, 0, 255), dark, link, link},                        // the palette's link colour
      {QColor(0xff, 0xff, 0x00), dark, link, QColor(0xff, 0xff, 0x00)},  // yellow reads there itself
      {Qt::black, dark, QColor(0x40, 0x40, 0x40), QColor()},        // neither reads: lightened
  };
  for (const auto& c : cases) {
    const QColor got = ReadableColor(c.wanted, c.background, c.alternative);
    if (c.expected.isValid()) {
      EXPECT_EQ(got, c.expected) << c.wanted.name().toStdString();
    }
    if (ContrastRatio(c.background, Qt::black) < ContrastRatio(c.background, Qt::white)) {
      EXPECT_GE(ContrastRatio(got, c.background), kReadableContrast) << c.wanted.name().toStdString();
    }
  }
}
