#include "platform/application.h"

#include <QEvent>
#include <QIcon>
#include <QMessageBox>

#include <utility>

#include "platform/cursors.h"
#include "platform/fonts.h"
#include "platform/message_texts.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  RegisterFontSubstitutions();
  UseProportionalUiFont();
  RegisterHandCursors();  // also makes the program's pictures available
  setDesktopFileName(QString::fromLatin1(kDesktopFileName));
  QIcon own;
  for (int size : {16, 32, 48, 64, 128, 256})
    own.addFile(QStringLiteral(":/broodlog/icons/org.broodlog.broodlog-%1.png").arg(size), QSize(size, size));
  setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kDesktopFileName), own));
  connect(this, &QGuiApplication::lastWindowClosed, this, [this] { terminated_ = true; });
  connect(this, &QCoreApplication::aboutToQuit, this, [this] { terminated_ = true; });
}

TApplication::~TApplication() = default;

TApplication* TApplication::Instance() { return qobject_cast<TApplication*>(QCoreApplication::instance()); }

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::HandleMessage() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool TApplication::Terminated() { return Instance() && Instance()->terminated_; }

void TApplication::Terminate() {
  if (Instance()) Instance()->terminated_ = true;
  QCoreApplication::quit();
}

void TApplication::ClearTerminated() {
  if (Instance()) Instance()->terminated_ = false;
}

void TApplication::ShowException(const std::exception& e) {
  const QString text = TranslatedMessage(e.what());
  if (Instance() && Instance()->exception_handler_) {
    Instance()->exception_handler_(text);
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

TExceptionHandlerScope::TExceptionHandlerScope(std::function<void(const QString&)> handler) {
  if (TApplication* app = TApplication::Instance()) previous_ = std::exchange(app->exception_handler_, std::move(handler));
}

TExceptionHandlerScope::~TExceptionHandlerScope() {
  if (TApplication* app = TApplication::Instance()) app->exception_handler_ = std::move(previous_);
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
  if (e->type() == QEvent::Quit) terminated_ = true;
  return QApplication::event(e);
}
