#include "platform/application.h"

#include <QEvent>
#include <QMessageBox>

#include "platform/cursors.h"
#include "platform/fonts.h"

namespace {

bool g_terminated = false;
std::function<void(const QString&)> g_exception_handler;

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  g_terminated = false;
  RegisterFontSubstitutions();
  RegisterHandCursors();
  connect(this, &QGuiApplication::lastWindowClosed, this, [] { g_terminated = true; });
  connect(this, &QCoreApplication::aboutToQuit, this, [] { g_terminated = true; });
}

TApplication::~TApplication() = default;

TApplication* TApplication::Instance() { return qobject_cast<TApplication*>(QCoreApplication::instance()); }

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::HandleMessage() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool TApplication::Terminated() { return g_terminated; }

void TApplication::Terminate() {
  g_terminated = true;
  QCoreApplication::quit();
}

void TApplication::ClearTerminated() { g_terminated = false; }

void TApplication::ShowException(const std::exception& e) {
  const QString text = QString::fromUtf8(e.what());
  if (g_exception_handler) {
    g_exception_handler(text);
    return;
  }
  QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), text);
}

void TApplication::Guarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    ShowException(e);
  }
}

void TApplication::SetExceptionHandler(std::function<void(const QString&)> handler) {
  g_exception_handler = std::move(handler);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(e);
    return false;
  }
}

bool TApplication::event(QEvent* e) {
  if (e->type() == QEvent::Quit) g_terminated = true;
  return QApplication::event(e);
}
