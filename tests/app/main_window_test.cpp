#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/globals.h"
#include "app/preview_form.h"
#include "captured_errors.h"
#include "platform/application.h"
#include "captured_errors.h"
#include "platform/engine_services.h"
#include "url_recorder.h"
#include "wait_until.h"
#include "widgets/url_label.h"

namespace {

// Counts the commands instead of carrying them out.
class CountingWindow : public Tbroodlogprint {
 public:
  using Tbroodlogprint::Tbroodlogprint;
  int print_note = 0, configure = 0;
  void BitBtn1Click() override {
    Tbroodlogprint::BitBtn1Click();
    ++print_note;
  }
  void Button1Click() override { ++configure; }
};

struct MainWindowTest : ::testing::Test {
  TEngineServices services;  // "print note" waits on the platform's message loop
  CountingWindow window{services.Context()};
  // "print note" waits until its preview window closes: close each one as
  // it appears, as a user would.
  QTimer closer;
  MainWindowTest() {
    QObject::connect(&closer, &QTimer::timeout, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmPreview*>(w) && w->isVisible()) w->close();
    });
    closer.start(10);
  }
  void SetUp() override {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }
};

}  // namespace

TEST_F(MainWindowTest, HasItsCaptionPlaceAndSize) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("broodlogprint"));
  EXPECT_EQ(window.objectName(), QStringLiteral("broodlogprint"));
  EXPECT_TRUE(WaitUntilEq([&] { return window.frameGeometry(); }, QRect(228, 104, 286, 171)));
}

TEST_F(MainWindowTest, ControlsSitAtTheirBoundsWithTheirTexts) {
  struct {
    QWidget* control;
    QRect bounds;
  } cases[] = {
      {window.BitBtn1, {16, 16, 121, 25}},
      {window.BitBtn2, {80, 56, 97, 25}},
      {window.Button1, {144, 16, 113, 25}},
      {window.Edit1, {32, 120, 217, 21}},
      {window.UrlLabel1, {8, 88, window.UrlLabel1->width(), window.UrlLabel1->height()}},
  };
  for (auto& c : cases) EXPECT_EQ(c.control->geometry(), c.bounds) << c.control->objectName().toStdString();
  EXPECT_EQ(window.BitBtn1->text(), QStringLiteral("print note"));
  EXPECT_EQ(window.BitBtn2->text(), QStringLiteral("&Close"));
  EXPECT_EQ(window.Button1->text(), QStringLiteral("configure"));
  EXPECT_EQ(window.Label24->text(), QStringLiteral("&Apiary"));
  EXPECT_EQ(window.Label24->buddy(), window.Edit1);
  EXPECT_EQ(window.Label24->pos(), QPoint(112, 107));
  EXPECT_TRUE(window.Edit1->text().isEmpty());
  EXPECT_TRUE(window.BitBtn1->isDefault());
  EXPECT_FALSE(window.BitBtn1->icon().isNull());
  EXPECT_FALSE(window.BitBtn2->icon().isNull());
}

TEST_F(MainWindowTest, TheNameFieldAcceptsAnyLength) {
  const QString long_name(100000, QChar('a'));
  window.Edit1->setText(long_name);
  EXPECT_EQ(window.Edit1->text().size(), long_name.size());
  window.Edit1->end(false);
  QTest::keyClicks(window.Edit1, QStringLiteral("bc"));
  EXPECT_EQ(window.Edit1->text().size(), long_name.size() + 2);
}

TEST_F(MainWindowTest, TextsAreNotClippedWithTheLinuxFonts) {
  const QFontMetrics fm(window.font());
  for (QPushButton* b : {window.BitBtn1, window.BitBtn2, window.Button1}) {
    const int needed = fm.horizontalAdvance(b->text().remove('&')) + b->iconSize().width() + 8;
    EXPECT_LE(needed, b->width()) << b->text().toStdString();
  }
  EXPECT_GE(window.Label24->width(), fm.horizontalAdvance(QStringLiteral("Apiary")));
  const QFontMetrics link(window.UrlLabel1->font());
  EXPECT_GE(window.UrlLabel1->width(), link.horizontalAdvance(window.UrlLabel1->Caption()));
  EXPECT_LE(window.UrlLabel1->geometry().right(), window.width());
}

TEST_F(MainWindowTest, TheLinkIsBlueUnderlinedAndOpensItsOwnAddress) {
  UrlRecorder browser;
  TUrlLabel* link = window.UrlLabel1;
  EXPECT_EQ(link->FontColor(), colors::Blue);
  EXPECT_TRUE(link->font().underline());
  EXPECT_EQ(link->font().pixelSize(), 11);
  EXPECT_TRUE(link->URL().isEmpty() || link->Caption().contains(QChar(0x2026)));
  QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_EQ(browser.opened[0].toString(), link->URL().isEmpty() ? link->Caption() : link->URL());
  EXPECT_EQ(link->FontColor(), colors::Navy);
}

TEST_F(MainWindowTest, TabOrderRunsThroughTheButtonsToTheNameFieldAndTheLink) {
  EXPECT_EQ(QApplication::focusWidget(), window.BitBtn1);
  QWidget* expected[] = {window.BitBtn2, window.Button1, window.Edit1, window.UrlLabel1, window.BitBtn1};
  for (QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
  }
}

// The name field is one key away wherever the focus is: Alt and the
// label's underlined letter.
TEST_F(MainWindowTest, AltAReachesTheNameField) {
  EXPECT_EQ(QApplication::focusWidget(), window.BitBtn1);
  QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), window.Edit1);
}

// Without a packager's address the link shows and opens the README
// installed with the program, never a web address the project does not have.
TEST_F(MainWindowTest, TheLinkOpensTheInstalledReadmeWhereNoAddressWasSet) {
  const QString home = Tbroodlogprint::HomePage();
  EXPECT_EQ(home, QUrl::fromLocalFile(QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                                      "/../share/doc/broodlog/README.md"))
                      .toString());
  UrlRecorder browser;
  QTest::keyClick(window.UrlLabel1, Qt::Key_Space);
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_EQ(browser.opened[0].toString(), home);
}

TEST_F(MainWindowTest, EnterInTheNameFieldPressesPrintNote) {
  window.Edit1->setFocus();
  QTest::keyClicks(window.Edit1, QStringLiteral("Lindenhof"));
  QTest::keyClick(window.Edit1, Qt::Key_Return);
  ASSERT_TRUE(WaitUntilEq([&] { return window.print_note; }, 1));
  EXPECT_EQ(window.configure, 0);
  EXPECT_EQ(ApiaryName(), QStringLiteral("Lindenhof"));

  // An empty name is no error.
  window.Edit1->clear();
  QTest::keyClick(window.Edit1, Qt::Key_Enter);
  ASSERT_TRUE(WaitUntilEq([&] { return window.print_note; }, 2));
  EXPECT_TRUE(ApiaryName().isEmpty());
}

TEST_F(MainWindowTest, EnterOrSpaceOnAFocusedButtonPressesThatButton) {
  window.Button1->setFocus();
  QTest::keyClick(window.Button1, Qt::Key_Return);
  ASSERT_TRUE(WaitUntilEq([&] { return window.configure; }, 1));
  QTest::keyClick(window.Button1, Qt::Key_Space);
  ASSERT_TRUE(WaitUntilEq([&] { return window.configure; }, 2));
  EXPECT_EQ(window.print_note, 0);
}

TEST_F(MainWindowTest, AltCClosesTheWindowAndEndsTheProgram) {
  QTest::keyClick(&window, Qt::Key_C, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([&] { return !window.isVisible(); }));
  EXPECT_TRUE(TApplication::Terminated());
}

TEST_F(MainWindowTest, AltCClosesFromTheNameFieldToo) {
  window.Edit1->setFocus();
  QTest::keyClicks(window.Edit1, QStringLiteral("c"));
  QTest::keyClick(window.Edit1, Qt::Key_C, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([&] { return !window.isVisible(); }));
  EXPECT_EQ(window.Edit1->text(), QStringLiteral("c"));  // the key went to the button
  EXPECT_EQ(window.print_note, 0);
}

TEST_F(MainWindowTest, ClosingEndsTheLoopEvenWithAnotherWindowOpen) {
  QWidget other;  // a preview window, say
  other.show();
  QTimer::singleShot(0, &window, [this] { window.close(); });  // the title-bar button
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(TApplication::Terminated());
}

TEST_F(MainWindowTest, AnErrorInACommandIsShownAndTheWindowStays) {
  struct FailingWindow : Tbroodlogprint {
    using Tbroodlogprint::Tbroodlogprint;
    void Button1Click() override { throw std::runtime_error("Cannot create file broodlog.txt"); }
  } failing{services.Context()};
  CapturedErrors shown;
  failing.show();
  failing.Button1->click();
  ASSERT_TRUE(WaitUntilEq([&] { return shown.messages.size(); }, 1));
  EXPECT_EQ(shown.messages, QStringList{QStringLiteral("Cannot create file broodlog.txt")});
  EXPECT_TRUE(failing.isVisible());
  EXPECT_FALSE(TApplication::Terminated());
}
