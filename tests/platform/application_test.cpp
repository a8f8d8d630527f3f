#include "platform/application.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <stdexcept>
#include <vector>

namespace {

// Records the user messages it receives and answers sent ones.
class MessageSink : public QObject {
 public:
  struct Received {
    int offset;
    std::intptr_t wparam, lparam;
  };
  std::vector<Received> received;
  std::intptr_t answer = 0;

  bool event(QEvent* e) override {
    const int offset = TUserMessage::OffsetOf(e);
    if (offset < 0) return QObject::event(e);
    auto* m = static_cast<TUserMessage*>(e);
    received.push_back({offset, m->WParam(), m->LParam()});
    m->SetResult(answer);
    return true;
  }
};

// Shows errors into a list instead of a message box, for one test.
class CapturedErrors {
 public:
  CapturedErrors() {
    TApplication::SetExceptionHandler([this](const QString& m) { messages.push_back(m); });
  }
  ~CapturedErrors() { TApplication::SetExceptionHandler(nullptr); }
  std::vector<QString> messages;
};

class ThrowingObject : public QObject {
 public:
  bool event(QEvent* e) override {
    if (TUserMessage::OffsetOf(e) == 7) throw std::runtime_error("Report printer not ready");
    return QObject::event(e);
  }
};

}  // namespace

TEST(UserMessages, PostedMessagesWaitForTheLoopAndKeepTheirOrder) {
  MessageSink sink;
  PostUserMessage(&sink, 1, 5, -3);
  PostUserMessage(&sink, 0);
  EXPECT_TRUE(sink.received.empty());
  TApplication::ProcessMessages();
  ASSERT_EQ(sink.received.size(), 2u);
  EXPECT_EQ(sink.received[0].offset, 1);
  EXPECT_EQ(sink.received[0].wparam, 5);
  EXPECT_EQ(sink.received[0].lparam, -3);
  EXPECT_EQ(sink.received[1].offset, 0);
}

TEST(UserMessages, SentMessagesArriveAtOnceWithTheAnswer) {
  MessageSink sink;
  sink.answer = 42;
  EXPECT_EQ(SendUserMessage(&sink, 4, 9), 42);
  ASSERT_EQ(sink.received.size(), 1u);
  EXPECT_EQ(sink.received[0].offset, 4);
  EXPECT_EQ(sink.received[0].wparam, 9);
  EXPECT_EQ(QEvent::User + 4, int(QEvent::Type(TUserMessage::kBase + 4)));
}

TEST(UserMessages, OtherEventsAreNotUserMessages) {
  QEvent plain(QEvent::User);
  EXPECT_EQ(TUserMessage::OffsetOf(&plain), -1);
  QEvent timer(QEvent::Timer);
  EXPECT_EQ(TUserMessage::OffsetOf(&timer), -1);
}

TEST(UserMessages, PostedMessagesToADestroyedReceiverAreDropped) {
  auto* sink = new MessageSink;
  PostUserMessage(sink, 1);
  delete sink;
  TApplication::ProcessMessages();  // must not touch the freed receiver
  SUCCEED();
}

TEST(MessageLoop, HandleMessageWaitsForTheNextMessage) {
  MessageSink sink;
  QTimer::singleShot(30, &sink, [&sink] { PostUserMessage(&sink, 2); });
  for (int i = 0; i < 100 && sink.received.empty(); ++i) TApplication::HandleMessage();
  ASSERT_EQ(sink.received.size(), 1u);
  EXPECT_EQ(sink.received[0].offset, 2);
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
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0], QStringLiteral("Cannot open file x.txt"));
  EXPECT_TRUE(after);
}

TEST(MessageLoop, AnErrorEscapingAnEventHandlerIsShownAndTheLoopGoesOn) {
  CapturedErrors errors;
  ThrowingObject thrower;
  MessageSink sink;
  PostUserMessage(&thrower, 7);
  PostUserMessage(&sink, 1);
  TApplication::ProcessMessages();
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0], QStringLiteral("Report printer not ready"));
  EXPECT_EQ(sink.received.size(), 1u);  // the next message still ran
}

TEST(UserMessages, OffsetsOutsideTheUserRangeAreNotDelivered) {
  // A negative offset would give a built-in event type (-999 is a timer
  // event) and hand the receiver a message it would read as another event.
  struct Recorder : QObject {
    std::vector<int> types;
    bool event(QEvent* e) override {
      types.push_back(int(e->type()));
      return QObject::event(e);
    }
  } rec;
  const int bad[] = {-1, -999, QEvent::MaxUser - QEvent::User + 1};
  for (int offset : bad) {
    EXPECT_EQ(SendUserMessage(&rec, offset, 1, 2), 0) << offset;
    PostUserMessage(&rec, offset, 1, 2);
  }
  TApplication::ProcessMessages();
  EXPECT_TRUE(rec.types.empty()) << rec.types.front();
  // The whole user range still arrives.
  MessageSink sink;
  PostUserMessage(&sink, QEvent::MaxUser - QEvent::User);
  TApplication::ProcessMessages();
  ASSERT_EQ(sink.received.size(), 1u);
  EXPECT_EQ(sink.received[0].offset, QEvent::MaxUser - QEvent::User);
}
