#include "platform/application.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QEvent>
#include <QFile>
#include <QFontInfo>
#include <QIcon>
#include <QRect>
#include <QTimer>

#include <chrono>
#include <stdexcept>

#include "captured_errors.h"
#include "wait_until.h"

#include "platform/fonts.h"
#include "platform/plain_png.h"

namespace {

// Counts the user events it receives; throws on them when asked to.
class EventSink : public QObject {
 public:
  explicit EventSink(bool throws = false) : throws_(throws) {}
  int received = 0;
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    if (throws_) throw std::runtime_error("Report printer not ready");
    ++received;
    return true;
  }

 private:
  bool throws_;
};

}  // namespace

TEST(MessageLoop, HandleMessageWaitsForTheNextMessage) {
  bool fired = false;
  QTimer::singleShot(30, [&fired] { fired = true; });
  for (int i = 0; i < 100 && !fired; ++i) TApplication::HandleMessage();
  EXPECT_TRUE(fired);
}

TEST(MessageLoop, TerminateSetsTheFlagAndEndsTheLoop) {
  EXPECT_FALSE(TApplication::Terminated());
  QTimer::singleShot(0, [] { TApplication::Terminate(); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(TApplication::Terminated());
}

TEST(MessageLoop, GuardedShowsTheErrorAndCarriesOn) {
  CapturedErrors errors;
  bool after = false;
  TApplication::Guarded([] { throw std::runtime_error("Cannot open file x.txt"); });
  after = true;
  ASSERT_EQ(errors.messages.size(), 1);
  EXPECT_EQ(errors.messages[0], QStringLiteral("Cannot open file x.txt"));
  EXPECT_TRUE(after);
}

TEST(MessageLoop, AnErrorEscapingAnEventHandlerIsShownAndTheLoopGoesOn) {
  CapturedErrors errors;
  EventSink thrower(true);
  EventSink sink;
  QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
  QCoreApplication::postEvent(&sink, new QEvent(QEvent::User));
  TApplication::ProcessMessages();
  ASSERT_EQ(errors.messages.size(), 1);
  EXPECT_EQ(errors.messages[0], QStringLiteral("Report printer not ready"));
  EXPECT_EQ(sink.received, 1);  // the next message still ran
}

// Docks and task bars match the program's windows to its menu entry by the
// desktop file name (the Wayland app id); window managers show its icon.
TEST(Application, NamesItselfAsTheMenuEntryAndGivesItsWindowsTheIcon) {
  EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("org.broodlog.broodlog"));
  const QIcon icon = QGuiApplication::windowIcon();
  ASSERT_FALSE(icon.isNull());
  for (int size : {16, 32, 48})
    EXPECT_FALSE(icon.pixmap(size, size).isNull()) << size;
}

// The program's own pictures decode as Qt's reader decodes them; a cut,
// damaged or other kind of PNG gives a null image (for the general reader).
TEST(Application, ItsOwnPicturesDecodeAsQtReadsThem) {
  for (int size : {16, 32, 48, 64, 128, 256}) {
    QFile file(QStringLiteral(":/broodlog/icons/org.broodlog.broodlog-%1.png").arg(size));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << size;
    const QByteArray png = file.readAll();
    EXPECT_EQ(ReadPlainPng(png).convertToFormat(QImage::Format_ARGB32),
              QImage::fromData(png, "png").convertToFormat(QImage::Format_ARGB32)) << size;
    for (qsizetype at = 0; size == 16 && at < png.size(); ++at) {
      QByteArray damaged = png;
      damaged[at] = char(damaged[at] ^ 0x10);
      EXPECT_TRUE(ReadPlainPng(png.left(at)).isNull() && ReadPlainPng(damaged).isNull()) << at;
    }
  }
  const QImage grey = QIcon(QStringLiteral(":/broodlog/icons/org.broodlog.broodlog-16.png")).pixmap(16).toImage();
  QBuffer other;
  ASSERT_TRUE(other.open(QIODevice::WriteOnly) && grey.convertToFormat(QImage::Format_Grayscale8).save(&other, "png"));
  EXPECT_TRUE(ReadPlainPng(other.data()).isNull());
}

// Where the desktop's font is a typewriter face (fontconfig's fallback on a
// minimal system), the program's windows and message boxes use a
// proportional one at the same size; a proportional font stays.
TEST(Application, ATypewriterUiFontIsReplacedByAProportionalOne) {
  const QFont saved = QApplication::font();
  QFont mono(QStringLiteral("Liberation Mono"));
  mono.setPointSize(9);
  QApplication::setFont(mono);
  ASSERT_TRUE(QFontInfo(QApplication::font()).fixedPitch());
  UseProportionalUiFont();
  EXPECT_FALSE(QFontInfo(QApplication::font()).fixedPitch());
  EXPECT_EQ(QApplication::font().pointSize(), 9);
  QFont sans(QStringLiteral("Liberation Serif"));
  QApplication::setFont(sans);
  UseProportionalUiFont();
  EXPECT_EQ(QFontInfo(QApplication::font()).family(), QFontInfo(sans).family());
  QApplication::setFont(saved);
}

// The tests' wait (tests/support/wait_until.h) lets posted work run until a
// condition holds; one that never holds fails the case, where Qt's own
// waiting macros would return from it as a pass.
TEST(TestWait, RunsTheEventLoopUntilTheConditionHolds) {
  int fired = 0;
  QTimer::singleShot(20, [&fired] { fired = 1; });
  EXPECT_TRUE(WaitUntil([&fired] { return fired == 1; }));
  QTimer::singleShot(20, [&fired] { fired = 2; });
  EXPECT_TRUE(WaitUntilEq([&fired] { return fired; }, 2));
}

TEST(TestWait, AConditionThatNeverHoldsFailsTheCase) {
  using namespace std::chrono_literals;
  EXPECT_FATAL_FAILURE(ASSERT_TRUE(WaitUntil([] { return false; }, 50ms)), "did not hold after 50 ms");
  EXPECT_NONFATAL_FAILURE(EXPECT_TRUE(WaitUntilEq([] { return 3; }, 4, 50ms)), "the value is 3, not 4");
  EXPECT_NONFATAL_FAILURE(EXPECT_TRUE(WaitUntilEq([] { return QRect(1, 2, 3, 4); }, QRect(), 50ms)),
                          "the value is QRect(1,2 3x4)");
}
