#pragma once

#include <QApplication>

#include <exception>
#include <functional>

// The application object: the message loop and its helpers.
//
// It names the program to the desktop as the menu entry does
// (kDesktopFileName: the Wayland app id, and X11's hints) and gives every
// window the program's icon (the desktop's theme icon of that name, else
// the program's own pictures).
//
// An exception that escapes a command is shown in a message box and the
// program carries on, as a message loop should: commands run their work
// through Guarded(), and notify() catches what an event handler lets escape.
class TApplication : public QApplication {
  Q_OBJECT
 public:
  static constexpr const char* kDesktopFileName = "org.broodlog.broodlog";

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

  // Shows the message of an unhandled error, in the user's language
  // (TranslatedMessage), and returns; the caller goes on.
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
