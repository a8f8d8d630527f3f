#include "platform/application.h"

#include <QEvent>
#include <QIcon>
#include <QMessageBox>

#include "platform/cursors.h"
#include "platform/fonts.h"
#include "platform/message_texts.h"

namespace {

bool g_terminated = false;
std::function<void(const QString&)> g_exception_handler;

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  g_terminated = false;
  RegisterFontSubstitutions();
  UseProportionalUiFont();
  RegisterHandCursors();  // also makes the program's pictures available
  setDesktopFileName(QString::fromLatin1(kDesktopFileName));
  QIcon own;
  for (int size : {16, 32, 48, 64, 128, 256})
    own.addFile(QStringLiteral(":/broodlog/icons/org.broodlog.broodlog-%1.png").arg(size), QSize(size, size));
  setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kDesktopFileName), own));
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
  const QString text = TranslatedMessage(e.what());
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
