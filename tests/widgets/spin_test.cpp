#include "widgets/spin.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <stdexcept>
#include <vector>

#include "platform/application.h"
#include "platform/beep.h"
#include "wait_until.h"

namespace {

class SpinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    edit_.OnChange = [this](TSpinEdit*) { ++changes_; };
    edit_.show();  // hidden widgets get their resize events only when shown
  }

  void Configure(int min, int max, int inc, int value) {
    edit_.SetMinValue(min);
    edit_.SetMaxValue(max);
    edit_.SetIncrement(inc);
    edit_.SetValue(value);
    changes_ = 0;
  }
  void Leave() {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&edit_, &out);
  }
  void Enter(Qt::FocusReason reason) {
    QFocusEvent in(QEvent::FocusIn, reason);
    QApplication::sendEvent(&edit_, &in);
  }
  static void Mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }

  TSpinEdit edit_;
  int beeps_ = 0;
  TBeepHandlerScope beep_counter_{[this] { ++beeps_; }};
  int changes_ = 0;
};

}  // namespace

TEST(TryStrToInt, ReadsLikeTheToolkit) {
  const struct {
    const char16_t* text;
    bool ok;
    std::int32_t value;
  } cases[] = {
      {u"0", true, 0},           {u"42", true, 42},         {u"  42", true, 42},
      {u"\t-7", true, -7},       {u"+5", true, 5},          {u"$ff", true, 255},
      {u"$FF", true, 255},       {u"x10", true, 16},        {u"0x10", true, 16},
      {u"0X1a", true, 26},       {u"-$10", true, -16},      {u"2147483647", true, 2147483647},
      {u"-2147483648", true, INT32_MIN}, {u"2147483648", false, 0}, {u"-2147483649", false, 0},
      {u"$80000000", false, 0},  {u"", false, 0},           {u"  ", false, 0},
      {u"-", false, 0},          {u"$", false, 0},          {u"0x", false, 0},
      {u"42 ", false, 0},        {u"4 2", false, 0},        {u"1.5", false, 0},
      {u"12a", false, 0},        {u"$fg", false, 0},        {u"--1", false, 0},
      {u"99999999999999999999", false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t v = 12345;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << QString::fromUtf16(c.text).toStdString();
    EXPECT_EQ(v, c.ok ? c.value : 12345) << QString::fromUtf16(c.text).toStdString();
  }
}

TEST_F(SpinTest, NewFieldHasNoBounds) {
  EXPECT_EQ(edit_.text(), "0");
  EXPECT_EQ(edit_.Increment(), 1);
  EXPECT_TRUE(edit_.EditorEnabled());
  for (int v : {-5, 1000000, INT32_MIN, INT32_MAX}) {
    edit_.SetValue(v);
    EXPECT_EQ(edit_.Value(), v);
    EXPECT_EQ(edit_.text(), QString::number(v));
  }
  edit_.SetMinValue(7);
  edit_.SetMaxValue(7);  // any equal pair: still no bounds
  edit_.SetValue(-3);
  EXPECT_EQ(edit_.text(), "-3");
  // Stepping at the extremes stays in range instead of wrapping.
  edit_.SetValue(INT32_MAX);
  edit_.StepUp(nullptr);
  EXPECT_EQ(edit_.Value(), INT32_MAX);
}

TEST_F(SpinTest, ZoomFieldSteppingStopsAtTheBounds) {
  Configure(20, 200, 10, 195);
  edit_.StepUp(nullptr);
  EXPECT_EQ(edit_.text(), "200");
  EXPECT_EQ(changes_, 1);
  edit_.StepUp(nullptr);
  EXPECT_EQ(edit_.text(), "200");
  EXPECT_EQ(changes_, 1) << "no OnChange when the text stays";
  edit_.SetValue(25);
  edit_.StepDown(nullptr);
  EXPECT_EQ(edit_.Value(), 20);
  // Writing the range leaves the text alone; writing Value clamps.
  edit_.SetMaxValue(10);
  EXPECT_EQ(edit_.text(), "20");
  EXPECT_EQ(edit_.ClampValue(500), 10);
}

TEST_F(SpinTest, LeavingTheFieldClampsButOnExitSeesTheTypedText) {
  Configure(20, 200, 10, 100);
  QString seen_on_exit;
  edit_.OnExit = [&](TSpinEdit* s) { seen_on_exit = s->text(); };
  edit_.clear();
  QTest::keyClicks(&edit_, "500");
  EXPECT_EQ(edit_.Value(), 500) << "reading does not clamp";
  Leave();
  EXPECT_EQ(seen_on_exit, "500");
  EXPECT_EQ(edit_.text(), "200");

  Configure(1, 99, 1, 1);  // the copies field
  edit_.clear();
  QTest::keyClicks(&edit_, "-7");
  Leave();
  EXPECT_EQ(edit_.text(), "1");

  edit_.clear();
  EXPECT_EQ(edit_.Value(), 1) << "empty text reads as MinValue";
  Leave();
  EXPECT_EQ(edit_.text(), "") << "1 is within range, so the text stays";
  edit_.StepUp(nullptr);
  EXPECT_EQ(edit_.text(), "2");
}

TEST_F(SpinTest, TypedCharactersAreFiltered) {
  Configure(1, 99, 1, 1);
  edit_.clear();
  QString pressed;
  edit_.OnKeyPress = [&](TSpinEdit*, QChar ch) { pressed += ch; };
  const QString sep = QLocale().decimalPoint();
  QTest::keyClicks(&edit_, "1a" + sep + "5 +-");
  EXPECT_EQ(edit_.text(), "1" + sep + "5+-");
  EXPECT_EQ(beeps_, 2) << "the letter and the blank";
  EXPECT_EQ(pressed, "1" + sep + "5+-") << "rejected characters never reach OnKeyPress";
  edit_.setText("1" + sep + "5");
  EXPECT_EQ(edit_.Value(), 1) << "a separator between digits is no whole number";

  beeps_ = 0;
  edit_.setText("12");
  QTest::keyClick(&edit_, Qt::Key_Return);
  QTest::keyClick(&edit_, Qt::Key_Enter);
  EXPECT_EQ(edit_.text(), "12");
  EXPECT_EQ(beeps_, 2);
  QTest::keyClick(&edit_, Qt::Key_Backspace);
  EXPECT_EQ(edit_.text(), "1");
  EXPECT_EQ(beeps_, 2);

  const struct {
    char16_t ch;
    bool on, off;  // accepted with the editor enabled / disabled
  } table[] = {{u'0', true, false}, {u'9', true, false}, {u'+', true, false}, {u'a', false, false},
               {u' ', false, false}, {8, true, false},   {9, true, true},     {13, false, false},
               {27, true, true},     {22, true, true},   {3, true, true},     {24, true, true}};
  for (const auto& c : table) {
    edit_.SetEditorEnabled(true);
    EXPECT_EQ(edit_.AcceptsChar(QChar(c.ch)), c.on) << int(c.ch);
    edit_.SetEditorEnabled(false);
    EXPECT_EQ(edit_.AcceptsChar(QChar(c.ch)), c.off) << int(c.ch);
  }
}

TEST_F(SpinTest, ArrowKeysStepBeforeOnKeyDown) {
  Configure(0, 10, 3, 4);
  QString seen;
  edit_.OnKeyDown = [&](TSpinEdit* s, QKeyEvent*) { seen = s->text(); };
  QTest::keyClick(&edit_, Qt::Key_Up);
  EXPECT_EQ(edit_.text(), "7");
  EXPECT_EQ(seen, "7");
  QTest::keyClick(&edit_, Qt::Key_Down);
  QTest::keyClick(&edit_, Qt::Key_Down);
  EXPECT_EQ(edit_.text(), "1");
  QTest::keyClick(&edit_, Qt::Key_PageUp);
  EXPECT_EQ(edit_.text(), "1") << "no page step";
}

TEST_F(SpinTest, EditorDisabledBlocksTypingPasteAndCutButSteps) {
  Configure(0, 100, 5, 40);
  edit_.SetEditorEnabled(false);
  QApplication::clipboard()->setText("77");
  edit_.selectAll();
  for (auto key : {Qt::Key_A, Qt::Key_1, Qt::Key_Backspace}) QTest::keyClick(&edit_, key);
  EXPECT_EQ(beeps_, 3);
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(&edit_, Qt::Key_X, Qt::ControlModifier);
  QTest::keyClick(&edit_, Qt::Key_Delete);
  EXPECT_EQ(edit_.text(), "40");
  QTest::keyClick(&edit_, Qt::Key_Up);
  EXPECT_EQ(edit_.text(), "45");
  edit_.Button()->UpButton()->Click();
  EXPECT_EQ(edit_.text(), "50");

  edit_.SetEditorEnabled(true);  // and with it on, paste and cut work
  edit_.selectAll();
  QTest::keyClick(&edit_, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(edit_.text(), "");
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit_.text(), "50");
  QApplication::clipboard()->setText("abc");  // pasted text is not filtered
  edit_.selectAll();
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit_.text(), "abc");
}

TEST_F(SpinTest, ReadOnlyBeepsOnEveryStep) {
  Configure(0, 100, 5, 40);
  edit_.setReadOnly(true);
  QApplication::clipboard()->setText("77");
  QTest::keyClick(&edit_, Qt::Key_Up);
  QTest::keyClick(&edit_, Qt::Key_Down);
  edit_.Button()->UpButton()->Click();
  edit_.Button()->DownButton()->Click();
  edit_.selectAll();
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(beeps_, 4);
  EXPECT_EQ(edit_.text(), "40");
  EXPECT_EQ(changes_, 0);
}

TEST_F(SpinTest, AutoSelectOnEnteringExceptByMouse) {
  edit_.setText("123");
  edit_.deselect();
  Enter(Qt::TabFocusReason);
  EXPECT_EQ(edit_.selectedText(), "123");
  edit_.deselect();
  Enter(Qt::MouseFocusReason);
  EXPECT_EQ(edit_.selectedText(), "");
  edit_.SetAutoSelect(false);
  Enter(Qt::TabFocusReason);
  EXPECT_EQ(edit_.selectedText(), "");
}

TEST_F(SpinTest, LayoutKeepsTextClearOfTheButtons) {
  edit_.resize(80, 3);
  EXPECT_EQ(edit_.height(), edit_.MinimumHeight()) << "a field lower than MinimumHeight grows";
  const int h = QFontMetrics(edit_.font()).height();
  const int s = QFontMetrics(QApplication::font()).height();
  EXPECT_EQ(edit_.MinimumHeight(), h + std::min(s, h) / 4 + 4 + 2);
  edit_.resize(80, 30);
  const QRect pair = edit_.Button()->geometry();
  EXPECT_EQ(pair.width(), 15);
  EXPECT_EQ(pair.height(), 25);
  EXPECT_LE(pair.right(), edit_.width() - 1);
  EXPECT_GT(pair.left(), edit_.width() / 2);
  EXPECT_GE(edit_.textMargins().right(), pair.width() + 2);
  // The halves share one pixel row.
  const TRepeatButton* up = edit_.Button()->UpButton();
  const TRepeatButton* down = edit_.Button()->DownButton();
  EXPECT_EQ(up->geometry(), QRect(0, 0, 15, 12));
  EXPECT_EQ(down->geometry(), QRect(0, 11, 15, 14));
  EXPECT_EQ(edit_.Button()->FocusControl(), &edit_);
  EXPECT_FALSE(edit_.Button()->TabStop());
}

TEST(SpinButton, ArrangementGlyphsAndKeyboard) {
  TSpinButton pair;
  EXPECT_EQ(pair.size(), QSize(20, 25));
  EXPECT_EQ(pair.UpButton()->RepeatFlags(), unsigned(rfAutoRepeat));
  pair.SetBounds(0, 0, 9, 40);
  EXPECT_EQ(pair.size(), QSize(15, 40)) << "width raised to 15";
  EXPECT_EQ(pair.DownButton()->geometry(), QRect(0, 19, 15, 21));

  // The built-in pictures: 9 x 6, a black triangle on olive, apex up / down.
  for (bool up : {true, false}) {
    const QImage img = (up ? pair.UpGlyph() : pair.DownGlyph()).toImage();
    ASSERT_EQ(img.size(), QSize(9, 6));
    const QRgb olive = qRgb(128, 128, 0), black = qRgb(0, 0, 0);
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(img.pixel(x, 0) & 0xFFFFFF, olive & 0xFFFFFF);
      EXPECT_EQ(img.pixel(x, 5) & 0xFFFFFF, olive & 0xFFFFFF);
    }
    for (int row = 1; row <= 4; ++row) {
      const int width = 2 * (up ? row : 5 - row) - 1;  // 1, 3, 5, 7
      for (int x = 0; x < 9; ++x) {
        const bool inside = std::abs(x - 4) <= width / 2;
        EXPECT_EQ(img.pixel(x, row) & 0xFFFFFF, (inside ? black : olive) & 0xFFFFFF) << up << row << x;
      }
    }
  }
  QPixmap custom(4, 4);
  pair.SetUpGlyph(custom);
  EXPECT_EQ(pair.UpGlyph().size(), QSize(4, 4));
  pair.SetUpNumGlyphs(2);
  pair.SetUpGlyph(QPixmap());
  EXPECT_EQ(pair.UpGlyph().size(), QSize(9, 6));
  EXPECT_EQ(pair.UpNumGlyphs(), 1);

  // A stand-alone pair with the focus: arrows pick and click a half, Space
  // clicks the focused half.
  QString clicks;
  pair.OnUpClick = [&](TSpinButton* s) { EXPECT_EQ(s, &pair); clicks += 'U'; };
  pair.OnDownClick = [&](TSpinButton*) { clicks += 'D'; };
  pair.SetFocusedButton(pair.DownButton());
  EXPECT_EQ(pair.FocusedButton(), pair.UpButton()) << "no tab stop: the focused half stays";
  pair.SetTabStop(true);
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(&pair, &in);
  EXPECT_TRUE(pair.UpButton()->RepeatFlags() & rfFocusRect);
  QTest::keyClick(&pair, Qt::Key_Down);
  EXPECT_EQ(pair.FocusedButton(), pair.DownButton());
  QTest::keyClick(&pair, Qt::Key_Space);
  QTest::keyClick(&pair, Qt::Key_Up);
  QTest::keyClick(&pair, Qt::Key_Space);
  EXPECT_EQ(clicks, "DDUU");
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(&pair, &out);
  EXPECT_FALSE(pair.UpButton()->RepeatFlags() & rfFocusRect);

  // The focus control is forgotten when it goes.
  auto* other = new QLineEdit;
  pair.SetFocusControl(other);
  delete other;
  EXPECT_EQ(pair.FocusControl(), nullptr);
}

TEST_F(SpinTest, AutoRepeatTiming) {
  Configure(0, 1000, 1, 0);
  edit_.resize(80, 30);
  TRepeatButton* up = edit_.Button()->UpButton();
  const QPoint over = up->rect().center();
  const QPoint off(up->width() + 40, up->height() + 40);

  // A click without holding steps once, on release.
  EXPECT_EQ(up->RepeatTimer(), nullptr);
  Mouse(up, QEvent::MouseButtonPress, over, Qt::LeftButton, Qt::LeftButton);
  ASSERT_NE(up->RepeatTimer(), nullptr);
  EXPECT_TRUE(up->RepeatTimer()->isActive());
  EXPECT_EQ(up->RepeatTimer()->interval(), 400);
  EXPECT_EQ(edit_.Value(), 0);
  Mouse(up, QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(edit_.Value(), 1);
  EXPECT_FALSE(up->RepeatTimer()->isActive());

  // Holding: the first tick (at 400 ms) steps and switches to 100 ms.
  Mouse(up, QEvent::MouseButtonPress, over, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(up->RepeatTimer()->interval(), 400);
  up->RepeatTick();
  EXPECT_EQ(up->RepeatTimer()->interval(), 100);
  up->RepeatTick();
  EXPECT_EQ(edit_.Value(), 3);
  // Off the button the repeats pause; back on they resume.
  Mouse(up, QEvent::MouseMove, off, Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(up->ShownPressed());
  up->RepeatTick();
  up->RepeatTick();
  EXPECT_EQ(edit_.Value(), 3);
  Mouse(up, QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
  up->RepeatTick();
  EXPECT_EQ(edit_.Value(), 4);
  // Releasing over the button adds one last step.
  Mouse(up, QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(edit_.Value(), 5);
  EXPECT_FALSE(up->RepeatTimer()->isActive());

  // Releasing after dragging off adds none; a new press starts at 400 ms.
  Mouse(up, QEvent::MouseButtonPress, over, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(up->RepeatTimer()->interval(), 400);
  up->RepeatTick();
  Mouse(up, QEvent::MouseMove, off, Qt::NoButton, Qt::LeftButton);
  Mouse(up, QEvent::MouseButtonRelease, off, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(edit_.Value(), 6);
  EXPECT_FALSE(up->RepeatTimer()->isActive());

  // A right press runs the timer but never steps: the button is not pressed.
  Mouse(up, QEvent::MouseButtonPress, over, Qt::RightButton, Qt::RightButton);
  EXPECT_TRUE(up->RepeatTimer()->isActive());
  up->RepeatTick();
  Mouse(up, QEvent::MouseButtonRelease, over, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(edit_.Value(), 6);
}

TEST_F(SpinTest, AutoRepeatRunsOnTheRealTimer) {
  Configure(0, 1000, 1, 0);
  edit_.resize(80, 30);
  TRepeatButton* up = edit_.Button()->UpButton();
  const QPoint over = up->rect().center();
  // Only lower bounds, counted from the press: a busy machine delays timers
  // but never advances them (coarse timers may fire up to 5% early, and a
  // millisecond more as both clocks round), and a late tick does not move
  // the next one, so the gap after it may be short.
  QElapsedTimer clock;
  std::vector<qint64> steps;
  edit_.OnChange = [&](TSpinEdit*) { steps.push_back(clock.elapsed()); };
  clock.start();
  Mouse(up, QEvent::MouseButtonPress, over, Qt::LeftButton, Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return steps.size() >= 3; }));
  Mouse(up, QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
  EXPECT_GE(steps[0], 379) << "the first repeat comes 400 ms after the press";
  EXPECT_GE(steps[1], 379 + 94) << "then every 100 ms";
  EXPECT_GE(steps[2], 379 + 2 * 94);
  EXPECT_EQ(size_t(edit_.Value()), steps.size()) << "one step per tick, and one at the release";
}

TEST_F(SpinTest, FailingRepeatStopsTheTimer) {
  edit_.resize(80, 30);
  TRepeatButton* up = edit_.Button()->UpButton();
  up->OnClick = [](TRepeatButton*) { throw std::runtime_error("boom"); };
  Mouse(up, QEvent::MouseButtonPress, up->rect().center(), Qt::LeftButton, Qt::LeftButton);
  EXPECT_THROW(up->RepeatTick(), std::runtime_error);
  EXPECT_FALSE(up->RepeatTimer()->isActive());
}

TEST_F(SpinTest, PaintsGlyphsInsideTheField) {
  edit_.resize(80, 24);
  edit_.SetValue(5);
  const QImage shot = edit_.grab().toImage();
  if (const char* out = std::getenv("BROODLOG_SHOT_DIR")) shot.save(QString(out) + "/spin_edit.png");
  // Black arrow pixels appear inside the pair's rectangle, none left of it.
  const QRect pair = edit_.Button()->geometry();
  int black_in_pair = 0;
  for (int y = pair.top(); y <= pair.bottom(); ++y)
    for (int x = pair.left(); x <= pair.right(); ++x)
      if ((shot.pixel(x * shot.width() / edit_.width(), y * shot.height() / edit_.height()) & 0xFFFFFF) == 0)
        ++black_in_pair;
  EXPECT_GE(black_in_pair, 2 * 16);  // two triangles of 16 pixels
}

TEST_F(SpinTest, OverriddenStepIsUsedByTheButtons) {
  struct Doubling : TSpinEdit {
    void StepUp(QObject*) override { SetValue(Value() * 2); }
  } edit;
  edit.SetValue(3);
  edit.Button()->UpButton()->Click();
  EXPECT_EQ(edit.Value(), 6);
}
