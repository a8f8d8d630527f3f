#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <limits>

#include "platform/glyphs.h"
#include "app/print_note.h"
#include "app/globals.h"
#include "app/text_to_broodlog.h"
#include "platform/application.h"
#include "platform/fonts.h"
#include "widgets/accessibility.h"
#include "widgets/url_label.h"

Tbroodlogprint::Tbroodlogprint(TReportContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  setObjectName(QStringLiteral("broodlogprint"));
  setWindowTitle(QStringLiteral("broodlogprint"));
  setFont(WindowFont());
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  SetAccessibleRole(this, QAccessible::Window);  // a window, not a nameless client area

  BitBtn1 = new QPushButton(QIcon(BuiltInPixmap(":/broodlog/glyphs/check.xpm")),
                            tr("print note"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(16, 16, 121, 25);
  BitBtn1->setDefault(true);

  BitBtn2 = new QPushButton(QIcon(BuiltInPixmap(":/broodlog/glyphs/door.xpm")),
                            tr("&Close"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(80, 56, 97, 25);

  Button1 = new QPushButton(tr("configure"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(144, 16, 113, 25);

  // A line edit lays out its empty text in the application's font before it
  // takes the window's: the desktop's font there would load a second font
  // file before the first paint, 0.8 ms of every start.
  const QFont desktop = QApplication::font();
  QApplication::setFont(font());
  Edit1 = new QLineEdit(this);
  QApplication::setFont(desktop);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(32, 120, 217, 21);
  Edit1->setMaxLength(std::numeric_limits<int>::max());  // no limit (Qt's default is 32767)

  // Alt and its letter take the keyboard to the field from anywhere in
  // the window; screen readers name the field after the label.
  Label24 = new QLabel(tr("&Apiary"), this);
  Label24->setObjectName(QStringLiteral("Label24"));
  Label24->setGeometry(112, 107, 29, 13);
  Label24->adjustSize();  // an auto-sized label: the Linux font may be wider
  Label24->setBuddy(Edit1);

  UrlLabel1 = new TUrlLabel(this);
  UrlLabel1->setObjectName(QStringLiteral("UrlLabel1"));
  UrlLabel1->setGeometry(8, 88, 244, 13);
  QFont link_font = WindowFont();  // its own font: blue and underlined
  link_font.setUnderline(true);
  UrlLabel1->setFont(link_font);
  UrlLabel1->SetFontColor(colors::Blue);
  // The address is the text; one too long for the window (a deep install
  // folder, say) shows shortened in the middle and still opens whole.
  const QString home = HomePage();
  const int room = kClientWidth - 2 * UrlLabel1->x();
  const QString shown = QFontMetrics(link_font).elidedText(home, Qt::ElideMiddle, room);
  UrlLabel1->SetCaption(shown);
  if (shown != home) UrlLabel1->SetURL(home);

  for (QPushButton* b : {BitBtn1, BitBtn2, Button1}) b->setFocusPolicy(Qt::StrongFocus);
  setTabOrder(BitBtn1, BitBtn2);
  setTabOrder(BitBtn2, Button1);
  setTabOrder(Button1, Edit1);
  setTabOrder(Edit1, UrlLabel1);

  connect(BitBtn1, &QPushButton::clicked, this, [this] { TApplication::Guarded([this] { BitBtn1Click(); }); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { TApplication::Guarded([this] { BitBtn2Click(); }); });
  // The modal editor opens once the press has returned, so that a screen
  // reader's press does not wait for it to close.
  connect(
      Button1, &QPushButton::clicked, this, [this] { TApplication::Guarded([this] { Button1Click(); }); },
      Qt::QueuedConnection);

  move(kLeft, kTop);
  resize(kWidth, kHeight);
  BitBtn1->setFocus();
}

QString Tbroodlogprint::HomePage() {
  const QString configured = QStringLiteral(BROODLOG_HOME_PAGE);
  if (!configured.isEmpty()) return configured;
  // The program's own description, installed with it.
  const QString readme =
      QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/doc/broodlog/README.md"));
  return QUrl::fromLocalFile(readme).toString();
}

void Tbroodlogprint::BitBtn1Click() {
  ApiaryName() = Edit1->text();
  PrintNote(context_);
}

void Tbroodlogprint::BitBtn2Click() { close(); }

void Tbroodlogprint::Button1Click() {
  // Owned by the application, not by this window; its result is not needed,
  // since the editor saves on OK by itself.
  Ttext_to_broodlog editor;
  editor.exec();
}

void Tbroodlogprint::keyPressEvent(QKeyEvent* e) {
  // Enter presses the focused button, or else the default button, as on a
  // dialog; the name field passes Enter on to here.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    (focused ? focused : BitBtn1)->animateClick();
    return;
  }
  QWidget::keyPressEvent(e);
}

void Tbroodlogprint::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  FormShow();
  if (!shown_) {
    shown_ = true;
    QTimer::singleShot(0, this, &Tbroodlogprint::FitOuterSize);
  }
}

bool Tbroodlogprint::event(QEvent* e) {
  const bool handled = QWidget::event(e);
  // A window manager frames the window some time after it is shown, and
  // moves it then: once its frame is known, the window is fitted to it,
  // once. Later moves and resizes are the user's (or a tiling manager's).
  if (shown_ && !framed_ && (e->type() == QEvent::Move || e->type() == QEvent::Resize) && windowHandle() &&
      !windowHandle()->frameMargins().isNull())
    FitOuterSize();
  return handled;
}

void Tbroodlogprint::FitOuterSize() {
  // Without a frame (no window manager, or one that draws none) the client
  // is the outer size.
  const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  framed_ = !frame.isNull();
  resize(std::max(kWidth - frame.left() - frame.right(), kClientWidth),
         std::max(kHeight - frame.top() - frame.bottom(), kClientHeight));
  move(kLeft, kTop);
}

void Tbroodlogprint::closeEvent(QCloseEvent* e) {
  QWidget::closeEvent(e);
  if (e->isAccepted()) TApplication::Terminate();
}
