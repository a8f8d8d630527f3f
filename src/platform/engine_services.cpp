#include "platform/engine_services.h"

#include <QCoreApplication>
#include <QDate>
#include <QEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QTime>
#include <cmath>
#include <functional>

#include "report/report_context.h"
#include "output/messages.h"
#include "platform/print_service.h"
#include "platform/program_host.h"
#include "platform/qt_text_metrics.h"
#include "definition/report_unit.h"
#include "definition/translation.h"
#include "platform/job_handover.h"

namespace {

// An engine message on its way through Qt's queue to a receiver that may be
// gone by the time it arrives.
class TEngineMessageEvent : public QEvent {
 public:
  static QEvent::Type EventType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
  }
  TEngineMessageEvent(TReceiverHandle receiver, const TMessage& message)
      : QEvent(EventType()), receiver_(std::move(receiver)), message_(message) {}
  const TReceiverHandle& Receiver() const { return receiver_; }
  TMessage& Message() { return message_; }

 private:
  TReceiverHandle receiver_;
  TMessage message_;
};

// Delivers the engine's messages that come up in Qt's queue.
class TDispatcher : public QObject {
 public:
  std::function<void(TEngineMessageEvent&)> deliver;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != TEngineMessageEvent::EventType()) return QObject::event(e);
    auto* message = static_cast<TEngineMessageEvent*>(e);
    if (EngineMessagesHeld()) {
      // Delivered in turn once the print being handed over is done.
      HoldEngineMessage([self = QPointer<QObject>(this), receiver = message->Receiver(), m = message->Message()] {
        if (self) QCoreApplication::postEvent(self, new TEngineMessageEvent(receiver, m));
      });
      return true;
    }
    struct TDelivery {
      TDelivery() { EngineDeliveryBegins(); }
      ~TDelivery() { EngineDeliveryEnds(); }
    } delivery;
    deliver(*message);
    return true;
  }
};

class TQtMessageLoop : public TMessageLoop {
 public:
  TQtMessageLoop() {
    dispatcher_.deliver = [](TEngineMessageEvent& e) { Deliver(e.Receiver(), e.Message()); };
  }
  void ProcessMessages() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
  void HandleMessage() override {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  bool Terminated() const override { return ProgramEnding(); }

 protected:
  void Enqueue(TReceiverHandle receiver, const TMessage& message) override {
    QCoreApplication::postEvent(&dispatcher_, new TEngineMessageEvent(std::move(receiver), message));
  }

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

TUnitEnvironment ScreenUnits() {
  TUnitEnvironment env;
  env.ScreenPixelsPerInch = ScreenDpi();
  env.Measurement = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                        ? TMeasurementSystem::UnitedStates
                        : TMeasurementSystem::Metric;
  return env;
}

}  // namespace

struct TEngineServices::TImpl {
  std::unique_ptr<TPrintService> printers;
  TUnitEnvironment units = ScreenUnits();
  TQtTextMetrics metrics{units.ScreenPixelsPerInch};
  TQtMessageLoop loop;
  TReportContext context{loop, metrics, units};
};

TEngineServices::TEngineServices() : impl_(std::make_unique<TImpl>()) {
  impl_->context.SetDates(LocaleFormats());
  impl_->context.SetTranslator([](const char* context, const char* source) {
    return QCoreApplication::translate(context, source).toStdString();
  });
}

TEngineServices::~TEngineServices() = default;

TReportContext& TEngineServices::Context() { return impl_->context; }

void TEngineServices::UsePrintService(int patienceMs) {
  impl_->printers = std::make_unique<TPrintService>(patienceMs);
  impl_->context.SetPrinters(impl_->printers->Printers());
  impl_->context.SetPrintServiceAsker(impl_->printers->Asker());
}

int TEngineServices::ScreenPixelsPerInch() const { return impl_->units.ScreenPixelsPerInch; }
