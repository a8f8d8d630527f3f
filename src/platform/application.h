#pragma once

#include <QApplication>
#include <QEvent>

#include <cstdint>
#include <exception>
#include <functional>

class QObject;

// A numbered window message to a QObject, the first number being
// QEvent::User. Offsets are the senders' own (the report printer uses
// +0 progress, +1 pages available, +2 print the report, +4 preview closed).
class TUserMessage : public QEvent {
 public:
  static constexpr int kBase = QEvent::User;

  TUserMessage(int offset, std::intptr_t wparam, std::intptr_t lparam)
      : QEvent(QEvent::Type(kBase + offset)), wparam_(wparam), lparam_(lparam) {}

  int Offset() const { return int(type()) - kBase; }
  std::intptr_t WParam() const { return wparam_; }
  std::intptr_t LParam() const { return lparam_; }
  // The answer a receiver gives to a sent message.
  std::intptr_t Result() const { return result_; }
  void SetResult(std::intptr_t r) { result_ = r; }

  // The offset of a user message, or -1 for any other event.
  static int OffsetOf(const QEvent* e);

 private:
  std::intptr_t wparam_, lparam_;
  std::intptr_t result_ = 0;
};

// Queues the message; the receiver handles it when the message loop runs.
// The queue owns the message; it is dropped if the receiver is destroyed.
// An offset outside 0..QEvent::MaxUser - QEvent::User, or no receiver,
// sends nothing (here and in SendUserMessage, which then answers 0).
void PostUserMessage(QObject* receiver, int offset, std::intptr_t wparam = 0,
                     std::intptr_t lparam = 0);

// Delivers the message at once and returns the receiver's result.
std::intptr_t SendUserMessage(QObject* receiver, int offset, std::intptr_t wparam = 0,
                              std::intptr_t lparam = 0);

// The application object: the message loop and its helpers.
//
// An exception that escapes a command is shown in a message box and the
// program carries on, as a message loop should: commands run their work
// through Guarded(), and notify() catches what an event handler lets escape.
class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  // The one application object, or nullptr before it exists.
  static TApplication* Instance();

  // Runs every message that is waiting, then returns.
  static void ProcessMessages();
  // Waits until at least one message arrives and handles what is waiting.
  static void HandleMessage();
  // True once the program has been asked to end (main window closed);
  // nested waits use it to stop.
  static bool Terminated();
  // Asks the program to end: sets Terminated() and leaves every loop.
  static void Terminate();
  // Forgets an earlier end request, for a host that runs several sessions
  // against one application object (the tests run each case so).
  static void ClearTerminated();

  // Shows the message of an unhandled error and returns; the caller goes on.
  static void ShowException(const std::exception& e);
  // Runs fn; an exception it throws is shown by ShowException.
  static void Guarded(const std::function<void()>& fn);
  // Replaces how ShowException presents a message (tests record them
  // instead of opening a modal box); an empty handler restores the box.
  static void SetExceptionHandler(std::function<void(const QString&)> handler);

  bool notify(QObject* receiver, QEvent* event) override;

 protected:
  bool event(QEvent* e) override;
};
