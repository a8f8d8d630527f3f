#include "widgets/url_label.h"

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QMouseEvent>
#include <QTest>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <optional>
#include <utility>
#include <vector>

#include "captured_errors.h"
#include "platform/application.h"
#include "captured_errors.h"
#include "platform/cursors.h"
#include "platform/shell.h"
#include "contrast.h"
#include "label_image.h"
#include "url_recorder.h"
#include "wait_until.h"

namespace {

struct UrlLabelTest : ::testing::Test {
  UrlRecorder browser;
  TUrlLabel label;
  void SetUp() override {
    label.SetCaption(QStringLiteral("https://broodlog.org/"));
    label.setGeometry(8, 88, 150, 13);
  }
  void Press(Qt::MouseButton b = Qt::LeftButton, QPoint at = {5, 5}) {
    QTest::mousePress(&label, b, Qt::NoModifier, at);
  }
  void Release(Qt::MouseButton b = Qt::LeftButton, QPoint at = {5, 5}) {
    QTest::mouseRelease(&label, b, Qt::NoModifier, at);
  }
  void Click() {
    Press();
    Release();
  }
  void Enter() {
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&label, &e);
  }
  void Leave() {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(&label, &e);
  }
};

}  // namespace

// On a light desktop the link keeps its colours (blue, navy once visited,
// red while pressed); on a dark one each reads at 4.5:1 or better.
TEST_F(UrlLabelTest, ReadsOnLightAndDarkDesktops) {
  label.setFont(CrispFont(11));
  // Light: the designed colours, exactly.
  EXPECT_GT(FindInk(RenderLabel(label), QColor(0, 0, 255)).count, 10) << "unvisited";
  Press();
  EXPECT_GT(FindInk(RenderLabel(label), QColor(255, 0, 0)).count, 10) << "pressed";
  Release();
  EXPECT_GT(FindInk(RenderLabel(label), QColor(0, 0, 128)).count, 10) << "visited";
  // Dark: whatever reads.
  TScopedDarkPalette dark;
  TUrlLabel onDark;
  onDark.SetCaption(label.Caption());
  onDark.setFont(CrispFont(11));
  onDark.setGeometry(label.geometry());
  EXPECT_GE(TextContrast(RenderLabel(onDark)), kReadableContrast) << "unvisited";
  QTest::mousePress(&onDark, Qt::LeftButton, Qt::NoModifier, {5, 5});
  EXPECT_GE(TextContrast(RenderLabel(onDark)), kReadableContrast) << "pressed";
  QTest::mouseRelease(&onDark, Qt::LeftButton, Qt::NoModifier, {5, 5});
  EXPECT_GE(TextContrast(RenderLabel(onDark)), kReadableContrast) << "visited";
}

// The keyboard reaches the link with Tab and opens it with Enter or Space,
// and the link shows that it has the focus.
TEST_F(UrlLabelTest, EnterOrSpaceOpensItAndTheFocusShows) {
  EXPECT_EQ(label.focusPolicy(), Qt::StrongFocus);
  label.show();
  label.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&label));
  label.setFocus();
  const QImage unfocused = [&] {
    label.clearFocus();
    return label.grab().toImage();
  }();
  label.setFocus();
  EXPECT_NE(label.grab().toImage(), unfocused) << "no focus indicator";
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) QTest::keyClick(&label, key);
  EXPECT_EQ(browser.opened.size(), 3);
  QTest::keyClick(&label, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(browser.opened.size(), 3) << "a modified key is not a press";
}

TEST_F(UrlLabelTest, StartsBlueUnderlinedWithThePointingHand) {
  EXPECT_EQ(label.FontColor(), colors::Blue);
  EXPECT_TRUE(label.font().underline());
  EXPECT_EQ(label.Cursor(), crHandPoint);
  EXPECT_EQ(label.cursor().hotSpot(), QPoint(6, 0));
  EXPECT_EQ(label.UnvisitedColor(), colors::Blue);
  EXPECT_EQ(label.ActivatedColor(), colors::Red);
  EXPECT_EQ(label.VisitedColor(), colors::Navy);
  EXPECT_EQ(label.HoveredColor(), colors::White);
  EXPECT_FALSE(label.CanHover());
}

TEST_F(UrlLabelTest, AClickOpensTheCaptionAndLeavesItNavy) {
  Press();
  EXPECT_EQ(label.FontColor(), colors::Red);
  EXPECT_TRUE(browser.opened.isEmpty());
  Release();
  EXPECT_EQ(label.FontColor(), colors::Navy);
  EXPECT_TRUE(label.Visited());
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_EQ(browser.opened[0].toString(), QStringLiteral("https://broodlog.org/"));

  // A second click opens it again; it stays navy.
  Press();
  EXPECT_EQ(label.FontColor(), colors::Red);
  Release();
  EXPECT_EQ(label.FontColor(), colors::Navy);
  EXPECT_EQ(browser.opened.size(), 2);
}

TEST_F(UrlLabelTest, URLTakesPrecedenceOverTheCaption) {
  label.SetURL(QStringLiteral("https://example.org/other"));
  Click();
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_EQ(browser.opened[0].toString(), QStringLiteral("https://example.org/other"));
}

TEST_F(UrlLabelTest, ReleasingOutsideOpensNothing) {
  const QPoint outside[] = {{-1, 5}, {5, -1}, {151, 5}, {5, 14}};
  for (QPoint at : outside) {
    Press();
    Release(Qt::LeftButton, at);
    EXPECT_EQ(label.FontColor(), colors::Blue) << at.x() << "," << at.y();
    EXPECT_FALSE(label.Visited());
    EXPECT_FALSE(label.Pressed());
  }
  EXPECT_TRUE(browser.opened.isEmpty());

  // Once visited, a drag off restores navy.
  Click();
  Press();
  Release(Qt::LeftButton, {300, 300});
  EXPECT_EQ(label.FontColor(), colors::Navy);
  EXPECT_EQ(browser.opened.size(), 1);
}

TEST_F(UrlLabelTest, TheRightAndBottomEdgesCountAsInside) {
  Press();
  Release(Qt::LeftButton, {150, 13});
  EXPECT_TRUE(label.Visited());
  EXPECT_EQ(browser.opened.size(), 1);
}

TEST_F(UrlLabelTest, OtherButtonsChangeNothing) {
  Press(Qt::RightButton);
  EXPECT_EQ(label.FontColor(), colors::Blue);
  Release(Qt::RightButton);
  EXPECT_EQ(label.FontColor(), colors::Blue);
  EXPECT_FALSE(label.Visited());
  EXPECT_TRUE(browser.opened.isEmpty());

  // A right release during a left press neither completes nor cancels it.
  Press();
  Release(Qt::RightButton);
  EXPECT_TRUE(label.Pressed());
  EXPECT_EQ(label.FontColor(), colors::Red);
}

TEST_F(UrlLabelTest, LeavingWhilePressedShowsTheRestingColourAndReenteringRed) {
  Press();
  Leave();
  EXPECT_EQ(label.FontColor(), colors::Blue);
  EXPECT_TRUE(label.Pressed());
  Enter();
  EXPECT_EQ(label.FontColor(), colors::Red);
  Release();
  EXPECT_EQ(label.FontColor(), colors::Navy);
}

TEST_F(UrlLabelTest, HoverUnderlinesAndColoursOnlyWhileOver) {
  label.SetCanHover(true);
  EXPECT_FALSE(label.font().underline());
  Enter();
  EXPECT_TRUE(label.font().underline());
  EXPECT_EQ(label.FontColor(), colors::White);
  Click();
  EXPECT_EQ(label.FontColor(), colors::White);  // until the pointer leaves
  Leave();
  EXPECT_FALSE(label.font().underline());
  EXPECT_EQ(label.FontColor(), colors::Navy);
  // The hover colour never became a resting colour.
  EXPECT_EQ(label.VisitedColor(), colors::Navy);
  EXPECT_EQ(label.UnvisitedColor(), colors::Blue);

  label.SetCanHover(false);
  EXPECT_TRUE(label.font().underline());
}

TEST_F(UrlLabelTest, AFontColourBecomesTheRestingColour) {
  label.SetFontColor(TColor::Rgb(0, 128, 0));
  EXPECT_EQ(label.UnvisitedColor(), TColor::Rgb(0, 128, 0));
  Click();
  label.SetFontColor(TColor::Rgb(128, 0, 0));
  EXPECT_EQ(label.VisitedColor(), TColor::Rgb(128, 0, 0));
  EXPECT_EQ(label.UnvisitedColor(), TColor::Rgb(0, 128, 0));
}

TEST_F(UrlLabelTest, WritingTheColoursDependsOnTheVisitedState) {
  label.SetVisitedColor(TColor::Rgb(1, 1, 1));  // unvisited: only stored
  EXPECT_EQ(label.FontColor(), colors::Blue);
  label.SetUnvisitedColor(TColor::Rgb(2, 2, 2));  // unvisited: shown
  EXPECT_EQ(label.FontColor(), TColor::Rgb(2, 2, 2));
  EXPECT_EQ(label.UnvisitedColor(), TColor::Rgb(2, 2, 2));

  Click();
  EXPECT_EQ(label.FontColor(), TColor::Rgb(1, 1, 1));
  label.SetUnvisitedColor(TColor::Rgb(3, 3, 3));  // visited: only stored
  EXPECT_EQ(label.FontColor(), TColor::Rgb(1, 1, 1));
  EXPECT_EQ(label.UnvisitedColor(), TColor::Rgb(3, 3, 3));
  label.SetVisitedColor(TColor::Rgb(4, 4, 4));  // visited: shown
  EXPECT_EQ(label.FontColor(), TColor::Rgb(4, 4, 4));
  EXPECT_EQ(label.VisitedColor(), TColor::Rgb(4, 4, 4));
}

TEST(OpenWithShell, AnEmptyTargetOpensNothing) {
  UrlRecorder browser;
  OpenWithShell(QString());
  EXPECT_TRUE(browser.opened.isEmpty());
  OpenWithShell(QStringLiteral("https://broodlog.org/"));
  EXPECT_EQ(browser.opened.size(), 1);
}

TEST_F(UrlLabelTest, WrittenColoursAreKeptWithCanHoverToo) {
  // With CanHover the font colour never becomes a resting colour, so a
  // written colour must be kept by the write itself.
  label.SetCanHover(true);
  label.SetUnvisitedColor(TColor::Rgb(2, 2, 2));
  EXPECT_EQ(label.UnvisitedColor(), TColor::Rgb(2, 2, 2));
  EXPECT_EQ(label.FontColor(), TColor::Rgb(2, 2, 2));
  Enter();
  Leave();
  EXPECT_EQ(label.FontColor(), TColor::Rgb(2, 2, 2));

  Click();
  Leave();
  label.SetVisitedColor(TColor::Rgb(4, 4, 4));
  EXPECT_EQ(label.VisitedColor(), TColor::Rgb(4, 4, 4));
  EXPECT_EQ(label.FontColor(), TColor::Rgb(4, 4, 4));
  Enter();
  Leave();
  EXPECT_EQ(label.FontColor(), TColor::Rgb(4, 4, 4));
}

TEST_F(UrlLabelTest, DraggingOffAndBackWhilePressedLeavesAndReenters) {
  // The toolkit holds enter and leave back while a button is down, so the
  // label follows the pointer's moves itself.
  auto move = [this](QPoint at) {
    QMouseEvent e(QEvent::MouseMove, QPointF(at), label.mapToGlobal(QPointF(at)), Qt::NoButton,
                  Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &e);
  };
  int entered = 0, left = 0;
  label.OnMouseEnter = [&](TCustomFxLabel*) { ++entered; };
  label.OnMouseLeave = [&](TCustomFxLabel*) { ++left; };
  Enter();
  Press();
  move({20, 6});  // still over the label
  EXPECT_EQ(left, 0);
  move({400, 6});
  EXPECT_EQ(left, 1);
  EXPECT_EQ(label.FontColor(), colors::Blue);
  EXPECT_TRUE(label.Pressed());
  move({400, 40});  // further away: no second leave
  Leave();          // nor when the toolkit reports it late
  EXPECT_EQ(left, 1);
  move({5, 5});
  EXPECT_EQ(entered, 2);
  EXPECT_EQ(label.FontColor(), colors::Red);
  Release();
  EXPECT_EQ(label.FontColor(), colors::Navy);
  EXPECT_EQ(browser.opened.size(), 1);
}

namespace {

// Sets environment variables (nullopt unsets one) and puts them back.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const std::vector<std::pair<const char*, std::optional<QByteArray>>>& vars) {
    for (const auto& [name, value] : vars) {
      saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
      value ? qputenv(name, *value) : qunsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) value ? qputenv(name, *value) : qunsetenv(name);
  }

 private:
  std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

struct BrowserCase {
  const char* browser;  // the only program xdg-open may try
  bool told;            // the user hears that the address did not open
};

class LinkWithXdgOpen : public ::testing::TestWithParam<BrowserCase> {};

// The desktop's own xdg-open, in a session with no desktop environment and
// no handler for web addresses, where BROWSER is all it can try.
TEST_P(LinkWithXdgOpen, TellsTheUserWhenNoProgramOpensTheAddress) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) GTEST_SKIP() << "no xdg-open (xdg-utils)";
  QTemporaryDir empty;
  const QByteArray dir = empty.path().toLocal8Bit();
  ScopedEnvironment env({{"BROWSER", QByteArray(GetParam().browser)},
                         {"XDG_DATA_HOME", dir}, {"XDG_DATA_DIRS", dir},
                         {"XDG_CONFIG_HOME", dir}, {"XDG_CONFIG_DIRS", dir},
                         {"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt},
                         {"XDG_CURRENT_DESKTOP", std::nullopt}, {"DESKTOP_SESSION", std::nullopt},
                         {"KDE_FULL_SESSION", std::nullopt}, {"GNOME_DESKTOP_SESSION_ID", std::nullopt}});
  CapturedErrors shown;
  {
    TWebOpener opener;
    TUrlLabel label;
    label.SetCaption(QStringLiteral("https://broodlog.org/"));
    label.resize(150, 13);
    QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(WaitUntil([&] { return opener.findChildren<QProcess*>().isEmpty(); }, std::chrono::seconds(10)))
        << "xdg-open did not end";
  }
  const QStringList expected =
      GetParam().told ? QStringList{TWebOpener::CannotOpen(QUrl(QStringLiteral("https://broodlog.org/")), true)}
                      : QStringList{};
  EXPECT_EQ(shown.messages, expected);
}

INSTANTIATE_TEST_SUITE_P(UrlLabel, LinkWithXdgOpen,
                         ::testing::Values(BrowserCase{"false", true}, BrowserCase{"true", false}));

}  // namespace
