#pragma once

#include <QObject>

class QString;
class QUrl;

// Asks the desktop to open target (a web address, a document or a program)
// with its associated program, without waiting for it. An empty target
// opens nothing. Where no program can be started for it, the user is told
// in a message box (TApplication::ShowException).
void ShellOpen(const QString& target);

// While it exists, web addresses (http, https) that the program opens go to
// the desktop's xdg-open, and a failure is not left on the terminal: where
// xdg-open is missing or ends unsuccessfully (no program for web addresses,
// exit code 3), the user gets a message box, once xdg-open has ended. Its
// own output and that of the browser it starts are dropped. The program
// makes one for its lifetime; one object at a time.
class TWebOpener : public QObject {
  Q_OBJECT
 public:
  TWebOpener();
  ~TWebOpener() override;

  // The message for an address that could not be opened: for want of a
  // program, or because the program failed.
  static QString CannotOpen(const QUrl& url, bool noProgram);

 public slots:
  void Open(const QUrl& url);
};
