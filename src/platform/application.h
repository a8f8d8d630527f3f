#pragma once

#include <QApplication>
#include <QCursor>
#include <QHash>
#include <QMessageBox>

#include <exception>
#include <memory>
#include <functional>

#include "platform/program_host.h"

// The application object: the message loop and its helpers, and the
// program-wide things that belong to it (the end request, how errors and
// beeps reach the user, the screen cursor table). Qt allows one such object
// per process; everything here lives and dies with it.
//
// It names the program to the desktop as the menu entry does
// (kDesktopFileName: the Wayland app id, and X11's hints) and gives every
// window the program's icon (the desktop's theme icon of that name, else
// the program's own pictures).
//
// An exception that escapes a command is shown in a message box and the
// program carries on, as a message loop should: commands run their work
// through Guarded(), and notify() catches what an event handler lets escape.
//
// It is the platform services' host: they learn from it that the program
// ends and show their errors through it.
class TApplication : public QApplication, public TProgramHost {
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
  // The message box ShowException shows `text` in (not yet shown).
  static std::unique_ptr<QMessageBox> MessageBoxFor(const QString& text, QWidget* parent = nullptr);
  // Runs fn; an exception it throws is shown by ShowException.
  static void Guarded(const std::function<void()>& fn);

  bool notify(QObject* receiver, QEvent* event) override;

  bool Ending() const override { return Terminated(); }
  void ShowError(const std::exception& e) override { ShowException(e); }

 protected:
  bool event(QEvent* e) override;

 private:
  friend class TExceptionHandlerScope;
  friend class TBeepHandlerScope;
  friend void MessageBeep();
  friend class TCursorTable;

  bool terminated_ = false;
  std::function<void(const QString&)> exception_handler_;  // empty: a message box
  std::function<void()> beep_handler_;                     // empty: the system beep
  struct {
    QHash<int, QCursor> made;
    QHash<int, int> to_make;  // id -> which built-in picture, made when first asked for
  } cursors_;
};

// While it lives, ShowException hands messages to `handler` instead of
// opening a message box (tests record them); the previous way comes back
// when it goes.
class TExceptionHandlerScope {
 public:
  explicit TExceptionHandlerScope(std::function<void(const QString&)> handler);
  ~TExceptionHandlerScope();
  TExceptionHandlerScope(const TExceptionHandlerScope&) = delete;
  TExceptionHandlerScope& operator=(const TExceptionHandlerScope&) = delete;

 private:
  std::function<void(const QString&)> previous_;
};
