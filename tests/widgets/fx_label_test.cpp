#include "widgets/fx_label.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QShortcutEvent>
#include <QTest>

#include <cmath>
#include <limits>

#include "label_image.h"
#include "platform/qt_color.h"

namespace {

const QColor kBackground(255, 255, 255);
const QColor kText(0, 0, 255);
const QColor kShadow(255, 0, 0);
const QColor kHighlight(0, 160, 0);

// A label on a plain background whose passes each have their own colour.
struct LabelFixture : ::testing::Test {
  TFxLabel label;
  void SetUp() override {
    label.SetAutoSize(false);
    label.setFont(CrispFont(24));
    label.SetColor(TColor::Rgb(255, 255, 255));
    label.SetFontColor(TColor::Rgb(0, 0, 255));
    label.SetCaption(QStringLiteral("H"));
    label.setGeometry(0, 0, 60, 50);
  }
  void ColourPasses() {
    label.SetShadowColor(TColor::Rgb(255, 0, 0));
    label.SetHighlightColor(TColor::Rgb(0, 160, 0));
  }
};

using FxLabelPainting = LabelFixture;
using FxLabelProperties = LabelFixture;

}  // namespace

TEST_F(FxLabelProperties, AngleIsKeptIn0To359) {
  struct {
    int in, stored;
  } cases[] = {{-90, 270}, {720, 0}, {359, 359}, {360, 0}, {-1, 359}, {450, 90}, {-720, 0}};
  for (auto c : cases) {
    label.SetAngle(c.in);
    EXPECT_EQ(label.Angle(), c.stored) << c.in;
  }
}

TEST_F(FxLabelProperties, ARotationOrAPositiveOffsetSwitchesAutoSizeOff) {
  label.SetAutoSize(true);
  label.SetAngle(360);  // no change: still 0
  EXPECT_TRUE(label.AutoSize());
  label.SetOffsetX(-2);
  EXPECT_TRUE(label.AutoSize());
  label.SetOffsetY(3);
  EXPECT_FALSE(label.AutoSize());
  label.SetAutoSize(true);
  label.SetAngle(45);
  EXPECT_FALSE(label.AutoSize());
}

TEST_F(FxLabelProperties, PresetsFillInTheSixValues) {
  struct {
    TShadowStyle style;
    TDirection hd;
    int hdepth;
    TDirection sd;
    int sdepth, ssize;
  } cases[] = {
      {ssRaised, drUpLeft, 1, drNone, 0, 0},
      {ssRaisedColor, drUpLeft, 1, drDownRight, 1, 1},
      {ssRaisedShadow, drUpLeft, 1, drDownRight, 1, 1},
      {ssRaisedThickShadow, drUpLeft, 1, drDownRight, 1, 4},
      {ssRecessed, drDownRight, 1, drNone, 0, 0},
      {ssRecessedColor, drDownRight, 1, drUpLeft, 1, 1},
      {ssRecessedShadow, drDownRight, 1, drUpLeft, 1, 1},
      {ssShadow, drNone, 0, drDownRight, 2, 1},
      {ssThickShadow, drNone, 0, drDownRight, 1, 4},
      {ssNone, drNone, 0, drNone, 0, 0},
  };
  for (auto c : cases) {
    ColourPasses();
    label.SetShadowStyle(c.style);
    EXPECT_EQ(label.ShadowStyle(), c.style);
    EXPECT_EQ(label.HighlightDirection(), c.hd) << c.style;
    EXPECT_EQ(label.HighlightDepth(), c.hdepth) << c.style;
    EXPECT_EQ(label.ShadowDirection(), c.sd) << c.style;
    EXPECT_EQ(label.ShadowDepth(), c.sdepth) << c.style;
    EXPECT_EQ(label.ShadowSize(), c.ssize) << c.style;
    EXPECT_EQ(label.HighlightColor(), colors::BtnHighlight) << c.style;
    EXPECT_EQ(label.ShadowColor(), colors::BtnShadow) << c.style;
  }
}

TEST_F(FxLabelProperties, ColourPresetsAlsoSetTheFontToButtonFace) {
  label.SetShadowStyle(ssRaisedColor);
  EXPECT_EQ(label.FontColor(), colors::BtnFace);
  label.SetFontColor(colors::Blue);
  label.SetShadowStyle(ssRaisedShadow);
  EXPECT_EQ(label.FontColor(), colors::Blue);
}

TEST_F(FxLabelProperties, ChangingAValueByHandMakesTheStyleCustom) {
  label.SetShadowStyle(ssRaisedThickShadow);
  label.SetShadowDepth(1);  // same value: no change
  EXPECT_EQ(label.ShadowStyle(), ssRaisedThickShadow);
  label.SetShadowDepth(3);
  EXPECT_EQ(label.ShadowStyle(), ssCustom);
  EXPECT_EQ(label.ShadowSize(), 4);

  // ssCustom keeps whatever is set.
  label.SetShadowStyle(ssShadow);
  label.SetShadowStyle(ssCustom);
  EXPECT_EQ(label.ShadowDepth(), 2);
  EXPECT_EQ(label.ShadowDirection(), drDownRight);

  label.SetShadowStyle(ssNone);
  label.SetHighlightColor(TColor::Rgb(1, 2, 3));
  EXPECT_EQ(label.ShadowStyle(), ssCustom);
}

TEST_F(FxLabelProperties, ShadowDepthAndSizeStayIn0To1280) {
  label.SetShadowDepth(5000);
  EXPECT_EQ(label.ShadowDepth(), 1280);
  label.SetShadowSize(-4);
  EXPECT_EQ(label.ShadowSize(), 0);
}

TEST_F(FxLabelProperties, AnUnknownShadowStyleIsIgnored) {
  label.SetShadowStyle(ssRaised);
  for (int bad : {int(ssThickShadow) + 1, 15}) {  // within the enum's value range
    label.SetShadowStyle(TShadowStyle(bad));
    EXPECT_EQ(label.ShadowStyle(), ssRaised) << bad;
    EXPECT_EQ(label.HighlightDirection(), drUpLeft) << bad;
    EXPECT_EQ(label.HighlightDepth(), 1) << bad;
  }
}

TEST_F(FxLabelProperties, LayoutIsAnotherNameForVerticalAlignment) {
  label.SetLayout(tlBottom);
  EXPECT_EQ(label.VerticalAlignment(), vaBottom);
  label.SetVerticalAlignment(vaCenter);
  EXPECT_EQ(label.Layout(), tlCenter);
}

TEST_F(FxLabelProperties, AutoSizeTakesTheSizeOfTheText) {
  label.SetAutoSize(true);
  label.SetCaption(QStringLiteral("a longer caption"));
  QFontMetrics fm(label.font());
  // Laid-out width: the sum of fractional advances, rounded up.
  EXPECT_NEAR(label.width(), fm.horizontalAdvance(QStringLiteral("a longer caption")), 1);
  EXPECT_EQ(label.height(), fm.height());
}

TEST_F(FxLabelPainting, ThickShadowDrawsFourShadowsAHighlightAndTheTextOnTop) {
  const QImage plain = RenderLabel(label);
  const Ink text = FindInk(plain, kText);
  ASSERT_GT(text.count, 20);

  label.SetShadowStyle(ssRaisedThickShadow);
  ColourPasses();
  EXPECT_EQ(label.ShadowStyle(), ssCustom);  // colours set by hand
  const QImage image = RenderLabel(label);

  // The text itself is unchanged and on top.
  EXPECT_EQ(FindInk(image, kText).count, text.count);
  // The shadow starts one pixel down-right and reaches four.
  const Ink shadow = FindInk(image, kShadow);
  EXPECT_EQ(shadow.box.right(), text.box.right() + 4);
  EXPECT_EQ(shadow.box.bottom(), text.box.bottom() + 4);
  EXPECT_EQ(shadow.box.left(), text.box.left() + 1);
  EXPECT_EQ(shadow.box.top(), text.box.top() + 1);
  // The highlight is one pixel up-left.
  const Ink highlight = FindInk(image, kHighlight);
  EXPECT_EQ(highlight.box.topLeft(), text.box.topLeft() - QPoint(1, 1));
  // Every text pixel moved by the passes' steps carries the pass colour
  // unless a later pass covers it.
  for (int y = text.box.top(); y <= text.box.bottom(); ++y)
    for (int x = text.box.left(); x <= text.box.right(); ++x) {
      if (plain.pixelColor(x, y) != kText) continue;
      const QPoint far(x + 4, y + 4);
      if (plain.pixelColor(far) != kText && image.pixelColor(far) != kHighlight) {
        EXPECT_EQ(image.pixelColor(far), kShadow) << x << "," << y;
      }
      const QPoint up(x - 1, y - 1);
      if (plain.pixelColor(up) != kText) {
        EXPECT_EQ(image.pixelColor(up), kHighlight) << x << "," << y;
      }
    }
}

TEST_F(FxLabelPainting, ShadowStyleNoneDrawsOnlyTheText) {
  label.SetShadowStyle(ssShadow);
  label.SetShadowStyle(ssNone);
  ColourPasses();
  label.SetShadowStyle(ssNone);  // undo the ssCustom from the colours
  const QImage image = RenderLabel(label);
  EXPECT_EQ(FindInk(image, kShadow).count, 0);
  EXPECT_EQ(FindInk(image, kHighlight).count, 0);
}

TEST_F(FxLabelPainting, OffsetsShiftTheText) {
  const Ink before = FindInk(RenderLabel(label), kText);
  label.SetOffsetX(5);
  label.SetOffsetY(-2);
  const Ink after = FindInk(RenderLabel(label), kText);
  EXPECT_EQ(after.box.topLeft(), before.box.topLeft() + QPoint(5, -2));
}

TEST_F(FxLabelPainting, ADisabledLabelIsEmbossedAndIgnoresShadows) {
  label.SetColor(TColor::Rgb(200, 200, 0));  // unlike either emboss colour
  const Ink text = FindInk(RenderLabel(label), kText);
  label.SetShadowStyle(ssThickShadow);
  label.setEnabled(false);
  const QImage image = RenderLabel(label);
  const QColor highlight = ToQColor(colors::BtnHighlight);
  const QColor shadow = ToQColor(colors::BtnShadow);
  ASSERT_NE(highlight, shadow);
  const Ink top = FindInk(image, shadow);
  EXPECT_EQ(top.box, text.box);  // shadow colour on top, at the text
  EXPECT_EQ(top.count, text.count);
  const Ink under = FindInk(image, highlight);
  EXPECT_EQ(under.box.bottomRight(), text.box.bottomRight() + QPoint(1, 1));
  EXPECT_EQ(FindInk(image, kText).count, 0);
}

TEST_F(FxLabelPainting, VerticalAlignmentPlacesTheText) {
  label.SetCaption(QStringLiteral("Hg"));
  const int line = QFontMetrics(label.font()).height();
  const Ink top = FindInk(RenderLabel(label), kText);
  label.SetVerticalAlignment(vaBottom);
  const Ink bottom = FindInk(RenderLabel(label), kText);
  EXPECT_EQ(bottom.box.top() - top.box.top(), label.height() - line);
  // The descender reaches to within the font's descent of the bottom edge.
  EXPECT_GE(bottom.box.bottom(), label.height() - 1 - QFontMetrics(label.font()).descent());
  label.SetVerticalAlignment(vaCenter);
  const Ink centre = FindInk(RenderLabel(label), kText);
  EXPECT_EQ(centre.box.top() - top.box.top(), (label.height() - line) / 2);
}

TEST_F(FxLabelPainting, ATextTallerThanTheLabelCentresUpwards) {
  // The line is taller than the label by an odd number of pixels, so the
  // floored half differs from the truncated one.
  const int line = QFontMetrics(label.font()).height();
  const int height = line - 7;
  label.setGeometry(0, 0, 60, height);
  const Ink top = FindInk(RenderLabel(label), kText);
  label.SetVerticalAlignment(vaCenter);
  const Ink centre = FindInk(RenderLabel(label), kText);
  EXPECT_EQ(centre.box.top() - top.box.top(), -4);
}

TEST_F(FxLabelPainting, RotationTurnsTheTextCounterClockwise) {
  label.setGeometry(0, 0, 120, 120);
  label.SetCaption(QStringLiteral("HHHHH"));
  const Ink flat = FindInk(RenderLabel(label), kText);
  ASSERT_GT(flat.box.width(), flat.box.height());

  label.SetAngle(90);  // reads bottom to top, starting at the bottom left
  const Ink up = FindInk(RenderLabel(label), kText);
  EXPECT_GT(up.box.height(), up.box.width());
  EXPECT_NEAR(up.box.height(), flat.box.width(), 2);
  EXPECT_LT(up.box.left(), 30);

  label.SetAngle(270);  // reads top to bottom
  const Ink down = FindInk(RenderLabel(label), kText);
  EXPECT_GT(down.box.height(), down.box.width());
  EXPECT_LT(down.box.top(), 5);
}

TEST_F(FxLabelPainting, TransparentLabelsLeaveTheBackground) {
  const QImage opaque = RenderLabel(label);
  EXPECT_EQ(opaque.pixelColor(0, 0), kBackground);
  label.SetTransparent(true);
  const QImage clear = RenderLabel(label);
  EXPECT_EQ(clear.pixelColor(0, 0), QColor(Qt::magenta));
}

TEST_F(FxLabelPainting, RotatedTextSitsInItsQuadrantBoxAlignedBottomRight) {
  // The rotated text's box is |w cos| + |h sin| wide and |w sin| + |h cos|
  // high (each product truncated); right and bottom alignment put that box
  // into the label's bottom-right corner, whichever quadrant the angle is in.
  label.setGeometry(0, 0, 160, 160);
  label.SetCaption(QStringLiteral("HHHH"));
  label.SetAlignment(taRightJustify);
  label.SetVerticalAlignment(vaBottom);
  const QFontMetrics fm(label.font());
  const int w = fm.horizontalAdvance(label.Caption()), h = fm.height();
  for (int angle : {30, 90, 120, 180, 210, 270, 300}) {
    label.SetAngle(angle);
    const double rad = angle * M_PI / 180.0;
    const int width = std::abs(int(w * std::cos(rad))) + std::abs(int(h * std::sin(rad)));
    const int height = std::abs(int(w * std::sin(rad))) + std::abs(int(h * std::cos(rad)));
    const QRect box(160 - width, 160 - height, width, height);
    const Ink ink = FindInk(RenderLabel(label), kText);
    ASSERT_GT(ink.count, 20) << angle;
    // One pixel of slack for the truncated products.
    EXPECT_TRUE(box.adjusted(-1, -1, 1, 1).contains(ink.box))
        << angle << ": ink " << ink.box.x() << "," << ink.box.y() << " " << ink.box.width() << "x"
        << ink.box.height() << " box " << box.x() << "," << box.y() << " " << width << "x" << height;
    // The glyphs fill most of the box along the text's own direction.
    EXPECT_GT(std::max(ink.box.width(), ink.box.height()), std::max(width, height) / 2) << angle;
  }
}

TEST_F(FxLabelPainting, CentredRotatedTextIsCentredInTheLabel) {
  label.setGeometry(0, 0, 161, 161);
  label.SetCaption(QStringLiteral("HHHH"));
  label.SetAlignment(taCenter);
  label.SetVerticalAlignment(vaCenter);
  for (int angle : {90, 180, 270}) {
    label.SetAngle(angle);
    const Ink ink = FindInk(RenderLabel(label), kText);
    const QPoint centre = ink.box.center();
    EXPECT_NEAR(centre.x(), 80, 12) << angle;
    EXPECT_NEAR(centre.y(), 80, 12) << angle;
  }
}

TEST_F(FxLabelPainting, TheAcceleratorPrefixIsHiddenOnlyWithShowAccelChar) {
  label.SetCaption(QStringLiteral("&H"));
  const Ink shown = FindInk(RenderLabel(label), kText);
  label.SetCaption(QStringLiteral("H"));
  const Ink plain = FindInk(RenderLabel(label), kText);
  // "&H" draws an underlined H where the prefix was taken.
  EXPECT_LE(shown.box.width(), plain.box.width() + 4);
  EXPECT_GT(shown.count, plain.count);
  label.SetCaption(QStringLiteral("&H"));
  label.SetShowAccelChar(false);
  const Ink literal = FindInk(RenderLabel(label), kText);
  EXPECT_GT(literal.box.width(), plain.box.width() + 5);  // the ampersand is drawn
}

TEST_F(FxLabelProperties, TheAcceleratorFocusesTheFocusControl) {
  QWidget window;
  window.resize(200, 100);
  auto* fx = new TFxLabel(&window);
  fx->SetCaption(QStringLiteral("&Name"));
  auto* field = new QLineEdit(&window);
  auto* other = new QLineEdit(&window);
  fx->SetFocusControl(field);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  other->setFocus();
  QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), field);
}

TEST_F(FxLabelProperties, ADestroyedFocusControlIsForgotten) {
  QWidget window;
  auto* fx = new TFxLabel(&window);
  fx->SetCaption(QStringLiteral("&Name"));
  auto* field = new QLineEdit(&window);
  fx->SetFocusControl(field);
  delete field;
  EXPECT_EQ(fx->FocusControl(), nullptr);
  // The accelerator finds nothing to focus and does no harm.
  QShortcutEvent press(QKeySequence(QStringLiteral("Alt+N")), 0);
  QApplication::sendEvent(fx, &press);
}

TEST_F(FxLabelPainting, ExtremeOffsetsAndDepthsMoveTheTextAwayWithoutOverflow) {
  // Far offsets put the text (and its passes) out of sight; the arithmetic
  // must not wrap around and bring it back.
  const int far[] = {std::numeric_limits<int>::max(), std::numeric_limits<int>::min(),
                     std::numeric_limits<int>::max() - 10};
  for (int v : far) {
    TFxLabel fx;
    fx.SetAutoSize(false);
    fx.setFont(CrispFont(24));
    fx.SetColor(TColor::Rgb(255, 255, 255));
    fx.SetFontColor(TColor::Rgb(0, 0, 255));
    fx.SetCaption(QStringLiteral("HH"));
    fx.setGeometry(0, 0, 60, 50);
    fx.SetOffsetX(v);
    fx.SetOffsetY(v);
    EXPECT_EQ(FindInk(RenderLabel(fx), kText).count, 0) << v;
    fx.SetOffsetX(0);
    fx.SetOffsetY(0);
    fx.SetHighlightColor(TColor::Rgb(0, 160, 0));
    fx.SetHighlightDirection(drUpLeft);
    fx.SetHighlightDepth(v);
    const QImage image = RenderLabel(fx);
    EXPECT_GT(FindInk(image, kText).count, 20) << v;
    EXPECT_EQ(FindInk(image, kHighlight).count, 0) << v;
  }
}

TEST_F(FxLabelPainting, EachPresetPlacesItsShadowAndHighlightPasses) {
  const Ink text = FindInk(RenderLabel(label), kText);
  struct {
    TShadowStyle style;
    QPoint first_shadow, last_shadow;  // offsets of the first and last shadow pass
    QPoint highlight;                  // offset of the highlight pass, (0,0) = hidden
  } cases[] = {
      {ssShadow, {2, 2}, {2, 2}, {0, 0}},
      {ssThickShadow, {1, 1}, {4, 4}, {0, 0}},
      {ssRaisedShadow, {1, 1}, {1, 1}, {-1, -1}},
      {ssRecessedShadow, {-1, -1}, {-1, -1}, {1, 1}},
  };
  for (auto c : cases) {
    label.SetShadowStyle(ssNone);
    label.SetShadowStyle(c.style);
    ColourPasses();
    const QImage image = RenderLabel(label);
    EXPECT_EQ(FindInk(image, kText).count, text.count) << c.style;  // on top, whole
    const Ink shadow = FindInk(image, kShadow);
    const QPoint low_shadow(std::min(c.first_shadow.x(), c.last_shadow.x()),
                            std::min(c.first_shadow.y(), c.last_shadow.y()));
    const QPoint high_shadow(std::max(c.first_shadow.x(), c.last_shadow.x()),
                             std::max(c.first_shadow.y(), c.last_shadow.y()));
    EXPECT_EQ(shadow.box.topLeft(), text.box.topLeft() + low_shadow) << c.style;
    EXPECT_EQ(shadow.box.bottomRight(), text.box.bottomRight() + high_shadow) << c.style;
    const Ink highlight = FindInk(image, kHighlight);
    if (c.highlight.isNull()) {
      EXPECT_EQ(highlight.count, 0) << c.style;  // drawn under the text, fully covered
    } else if (c.highlight.x() < 0) {
      EXPECT_EQ(highlight.box.topLeft(), text.box.topLeft() + c.highlight) << c.style;
    } else {
      EXPECT_EQ(highlight.box.bottomRight(), text.box.bottomRight() + c.highlight) << c.style;
    }
  }
}

TEST_F(FxLabelPainting, RotatedTextLongerThanTheLabelStartsAtItsEdge) {
  // The rotated size is limited to the label, so a long text still starts
  // inside it: the H leads a run of spaces that makes the text far longer
  // than the label.
  label.setGeometry(0, 0, 60, 40);
  label.SetCaption(QStringLiteral("H") + QString(30, QChar(' ')));
  struct {
    int angle;
    bool near_right, near_bottom;  // where the H must be seen
  } cases[] = {{90, false, true}, {180, true, false}};
  for (auto c : cases) {
    label.SetAngle(c.angle);
    const Ink h = FindInk(RenderLabel(label), kText);
    ASSERT_GT(h.count, 20) << c.angle;
    if (c.near_right) {
      EXPECT_GE(h.box.right(), 60 - 6) << c.angle;
    }
    if (c.near_bottom) {
      EXPECT_GE(h.box.bottom(), 40 - 8) << c.angle;
    }
  }
}
