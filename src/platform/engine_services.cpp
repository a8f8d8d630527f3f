#include "platform/engine_services.h"

#include <QCoreApplication>
#include <QDate>
#include <QEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QObject>
#include <QScreen>
#include <QTime>
#include <cmath>

#include "generation/report.h"
#include "output/messages.h"
#include "output/platform_printer.h"
#include "platform/application.h"
#include "platform/qt_text_metrics.h"
#include "report/report_unit.h"
#include "report/translation.h"

namespace {

// An engine message on its way through Qt's queue to a receiver that may be
// gone by the time it arrives.
class TEngineMessageEvent : public QEvent {
 public:
  static QEvent::Type EventType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
  }
  TEngineMessageEvent(std::uint64_t receiver, const TMessage& message)
      : QEvent(EventType()), receiver_(receiver), message_(message) {}
  std::uint64_t Receiver() const { return receiver_; }
  TMessage& Message() { return message_; }

 private:
  std::uint64_t receiver_;
  TMessage message_;
};

class TDispatcher : public QObject {
 protected:
  bool event(QEvent* e) override {
    if (e->type() != TEngineMessageEvent::EventType()) return QObject::event(e);
    auto* m = static_cast<TEngineMessageEvent*>(e);
    if (TMessageReceiver* receiver = TMessageReceiver::Find(m->Receiver())) receiver->HandleMessage(m->Message());
    return true;
  }
};

class TQtMessageLoop : public TMessageLoop {
 public:
  void Post(std::uint64_t receiverId, const TMessage& message) override {
    QCoreApplication::postEvent(&dispatcher_, new TEngineMessageEvent(receiverId, message));
  }
  void ProcessMessages() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
  void HandleMessage() override {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  bool Terminated() const override { return TApplication::Terminated(); }

 private:
  TDispatcher dispatcher_;
};

int ScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int dpi = screen ? static_cast<int>(std::lround(screen->logicalDotsPerInch())) : 96;
  return dpi > 0 ? dpi : 96;
}

TDateTimeFormats LocaleFormats() {
  return TDateTimeFormats{
      [](int y, int m, int d) { return QLocale::system().toString(QDate(y, m, d), QLocale::ShortFormat).toStdString(); },
      [](int h, int m, int s) { return QLocale::system().toString(QTime(h, m, s), QLocale::ShortFormat).toStdString(); },
      [](int h, int m, int s) {
        // The long format names the time zone; a printed time never did.
        QString format = QLocale::system().timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t')).replace(QLatin1String("  "), QLatin1String(" "));
        return QTime(h, m, s).toString(format.trimmed()).toStdString();
      }};
}

}  // namespace

struct TEngineServices::TImpl {
  TUnitEnvironment saved_env = UnitEnvironment();
  int dpi = ScreenDpi();
  TQtTextMetrics metrics{dpi};
  TQtMessageLoop loop;
};

TEngineServices::TEngineServices() : impl_(std::make_unique<TImpl>()) {
  TUnitEnvironment env;
  env.ScreenPixelsPerInch = impl_->dpi;
  env.Measurement = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                        ? TMeasurementSystem::UnitedStates
                        : TMeasurementSystem::Metric;
  SetUnitEnvironment(env);
  SetReferenceMetrics(&impl_->metrics);
  SetMessageLoop(&impl_->loop);
  SetDateTimeFormats(LocaleFormats());
  SetTextTranslator([](const char* context, const char* source) {
    return QCoreApplication::translate(context, source).toStdString();
  });
}

TEngineServices::~TEngineServices() {
  SetMessageLoop(nullptr);
  SetReferenceMetrics(nullptr);
  SetUnitEnvironment(impl_->saved_env);
  ResetDateTimeFormats();
  SetTextTranslator({});
}

int TEngineServices::ScreenPixelsPerInch() const { return impl_->dpi; }
