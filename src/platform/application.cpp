#include "platform/application.h"

#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QMessageBox>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTimer>

#include <utility>

#include "platform/cursors.h"
#include "platform/fonts.h"
#include "platform/message_texts.h"
#include "platform/plain_png.h"
#include "platform/qt_color.h"

namespace {

// The desktop's style, with a ring around every radio button that stands
// out from the window (kGraphicContrast): on a dark theme the style's own
// unchecked button is a dark disc on a dark window, and on a light one its
// ring is pale grey. The ring takes the first shade from the window's
// colour towards its text colour that reaches the contrast, so the button
// keeps the style's look.
class TVisibleIndicatorStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_IndicatorRadioButton) return;
    const QColor window = option->palette.color(QPalette::Window);
    const QColor text = option->palette.color(QPalette::WindowText);
    QColor ring = text;
    for (int step = 1; step <= 10; ++step) {
      const double t = step / 10.0;
      const QColor c = QColor::fromRgbF(float(window.redF() + (text.redF() - window.redF()) * t),
                                        float(window.greenF() + (text.greenF() - window.greenF()) * t),
                                        float(window.blueF() + (text.blueF() - window.blueF()) * t));
      if (ContrastRatio(c, window) >= kGraphicContrast) {
        ring = c;
        break;
      }
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(ring, 1.5));
    painter->drawEllipse(QRectF(option->rect).adjusted(1.25, 1.25, -1.25, -1.25));
    painter->restore();
  }
};

// `icon` with the program's pictures of `sizes` added.
QIcon WithProgramPictures(QIcon icon, std::initializer_list<int> sizes) {
  for (int size : sizes) {
    const QString name = QStringLiteral(":/broodlog/icons/org.broodlog.broodlog-%1.png").arg(size);
    QFile file(name);
    QImage image = file.open(QIODevice::ReadOnly) ? ReadPlainPng(file.readAll()) : QImage();
    if (image.isNull()) image = QImageReader(name).read();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

// What the first window does not need is done a moment after it was
// painted: the large icon sizes, and the check of the desktop's font,
// which only Qt's own dialogs use (the program's windows have their own)
// and which would load a second font before the first paint.
class TAfterFirstPaint : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && !armed_) {
      armed_ = true;
      QTimer::singleShot(250, this, [this] {
        QGuiApplication::setWindowIcon(WithProgramPictures(QGuiApplication::windowIcon(), {64, 128, 256}));
        UseProportionalUiFont();
        QCoreApplication::instance()->removeEventFilter(this);
        deleteLater();
      });
    }
    return false;
  }

 private:
  bool armed_ = false;
};

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // Whatever style the desktop or the command line chose, wrapped.
  if (QStyle* chosen = QStyleFactory::create(style()->name())) setStyle(new TVisibleIndicatorStyle(chosen));
  RegisterFontSubstitutions();
  RegisterHandCursors();  // also makes the program's pictures available
  setDesktopFileName(QString::fromLatin1(kDesktopFileName));
  // The program's own pictures, not looked up in the icon theme, which
  // costs a start a tenth of a one-button window's. The sizes task
  // switchers on dense screens take come once the first window is up:
  // every size is converted for the window system as a window is made.
  setWindowIcon(WithProgramPictures(QIcon(), {16, 32, 48}));
  installEventFilter(new TAfterFirstPaint(this));
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
  const QString text = TranslatedMessage(e);
  if (Instance() && Instance()->exception_handler_) {
    Instance()->exception_handler_(text);
    return;
  }
  MessageBoxFor(text, QApplication::activeWindow())->exec();
}

std::unique_ptr<QMessageBox> TApplication::MessageBoxFor(const QString& text, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, QApplication::applicationName(), text,
                                           QMessageBox::Ok, parent);
  return box;
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
