#include "app/text_to_broodlog.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextOption>
#include <QValidator>

#include <algorithm>
#include <limits>

#include "platform/glyphs.h"
#include "platform/application.h"
#include "platform/fonts.h"
#include "widgets/accessibility.h"

namespace {

// A text box whose typing limit bounds only what the user enters: typed or
// pasted text beyond the limit is cut to what fits, while texts the program
// sets (from the file, the defaults) are kept whole at any length.
class TCaptionEdit : public QLineEdit {
 public:
  TCaptionEdit(const QString& text, int limit, QWidget* parent);

  // Sets a text the program gives the box. A text longer than the box can
  // usefully show is shown cut to kShownChars (laying out millions of
  // characters takes seconds and gigabytes) and kept whole for Text().
  void SetWholeText(const QString& whole);
  // The text the box stands for: the whole text set by SetWholeText while
  // the box still shows its cut, otherwise what the box holds.
  QString Text() const { return cut_ && text() == shown_ ? whole_ : text(); }

  // True while the user's own input is being handled.
  bool InUserInput() const { return user_input_ > 0; }
  // The text before the change now being validated.
  const QString& Before() const { return before_; }

 protected:
  bool event(QEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  struct UserInput {
    explicit UserInput(TCaptionEdit* edit) : edit_(edit) { ++edit_->user_input_; }
    ~UserInput() { --edit_->user_input_; }
    TCaptionEdit* edit_;
  };
  int user_input_ = 0;
  QString before_;
  QString whole_, shown_;  // shares the caller's text: no copy is made
  bool cut_ = false;
};

// Cuts what the user inserts to what fits in the limit; a change that only
// removes text is always allowed, even in a box that is over its limit.
class TypingLimitValidator : public QValidator {
 public:
  TypingLimitValidator(int limit, TCaptionEdit* edit) : QValidator(edit), limit_(limit), edit_(edit) {}
  State validate(QString& input, int& pos) const override {
    if (!edit_->InUserInput() || input.size() <= limit_) return Acceptable;
    const QString& before = edit_->Before();
    const qsizetype common = std::min(before.size(), input.size());
    qsizetype prefix = 0;
    while (prefix < common && before[prefix] == input[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < common - prefix && before[before.size() - 1 - suffix] == input[input.size() - 1 - suffix])
      ++suffix;
    const qsizetype inserted = input.size() - prefix - suffix;
    if (inserted == 0) return Acceptable;
    const qsizetype fits = std::max<qsizetype>(0, limit_ - (input.size() - inserted));
    if (fits == 0 && before.size() == prefix + suffix) return Invalid;
    input = input.left(prefix + fits) + input.right(suffix);
    pos = int(prefix + fits);
    return Acceptable;
  }

 private:
  int limit_;
  TCaptionEdit* edit_;
};

void TCaptionEdit::paintEvent(QPaintEvent* e) {
  // Qt lays a line edit's text out by the text's own direction and ignores
  // the widget's. A box set to right-to-left reading shows its text as a
  // right-to-left paragraph, as such a box does on a left-to-right desktop:
  // right-aligned, with neutral ends such as trailing punctuation on the
  // left. While the user edits it, Qt's own editing (right-aligned) runs.
  if (layoutDirection() != Qt::RightToLeft || hasFocus()) {
    QLineEdit::paintEvent(e);
    return;
  }
  QPainter painter(this);
  QStyleOptionFrame panel;
  initStyleOption(&panel);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
  // QLineEdit's own inner margins: 2 pixels across, 1 down.
  const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this)
                         .marginsRemoved(textMargins())
                         .adjusted(2, 1, -2, -1);
  painter.setClipRect(area);
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
  QTextOption option(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
  option.setTextDirection(Qt::RightToLeft);
  option.setWrapMode(QTextOption::NoWrap);
  painter.drawText(QRectF(area), text(), option);
}

TCaptionEdit::TCaptionEdit(const QString& text, int limit, QWidget* parent) : QLineEdit(text, parent), before_(text) {
  setMaxLength(std::numeric_limits<int>::max());  // Qt's default would cut texts at 32767
  setValidator(new TypingLimitValidator(limit, this));
  connect(this, &QLineEdit::textChanged, this, [this](const QString& now) { before_ = now; });
}

void TCaptionEdit::SetWholeText(const QString& whole) {
  cut_ = whole.size() > Ttext_to_broodlog::kShownChars;
  if (!cut_) {
    whole_.clear(), shown_.clear();
    setText(whole);
    return;
  }
  qsizetype n = Ttext_to_broodlog::kShownChars;
  if (whole[n - 1].isHighSurrogate()) --n;  // never half a character
  whole_ = whole;
  shown_ = whole.left(n);
  setText(shown_);
}

bool TCaptionEdit::event(QEvent* e) {
  bool user = false;
  switch (e->type()) {
    case QEvent::KeyPress: {
      // Undo and Redo go back to texts the box had; they are not new input.
      auto* key = static_cast<QKeyEvent*>(e);
      user = !key->matches(QKeySequence::Undo) && !key->matches(QKeySequence::Redo);
      break;
    }
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::MouseButtonRelease:  // the X11 middle-button paste
      user = true;
      break;
    default:
      break;
  }
  if (!user) return QLineEdit::event(e);
  UserInput scope(this);
  return QLineEdit::event(e);
}

void TCaptionEdit::contextMenuEvent(QContextMenuEvent* e) {
  // The menu's Paste runs after this event has been handled; mark it as the
  // user's input itself.
  QMenu* menu = createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (QAction* action : menu->actions()) {
    if (action->objectName() != QLatin1String("edit-paste") && !action->text().startsWith(QLatin1String("&Paste")))
      continue;
    disconnect(action, &QAction::triggered, this, nullptr);
    connect(action, &QAction::triggered, this, [this] {
      UserInput scope(this);
      paste();
    });
  }
  menu->popup(e->globalPos());
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  label->adjustSize();  // auto-sized, as the Linux font may be wider
  return label;
}

}  // namespace

const std::array<const char*, kCaptionCount> Ttext_to_broodlog::kDefaultTexts = {
    QT_TR_NOOP("Date or hive"),
    QT_TR_NOOP("Revised the brood"),
    QT_TR_NOOP("+- boxes/frames"),
    QT_TR_NOOP("bee strenght"),
    QT_TR_NOOP("Swarming (1-5)"),
    QT_TR_NOOP("Aggressivity (1-5)"),
    QT_TR_NOOP("Steadiness (1-5)"),
    QT_TR_NOOP("Disease (1-5)"),
    QT_TR_NOOP("Honey harvest"),
    QT_TR_NOOP("feed given"),
    QT_TR_NOOP("Varroa"),
    QT_TR_NOOP("Varroa count"),
    QT_TR_NOOP("Disease"),
    QT_TR_NOOP("Medicine or treatment"),
    QT_TR_NOOP("extra text"),
    QT_TR_NOOP("extra text"),
    QT_TR_NOOP("extra text"),
    QT_TR_NOOP("extra text"),
    QT_TR_NOOP("extra text"),
    QT_TR_NOOP("extra text"),
    QT_TR_NOOP("remarks")};

Ttext_to_broodlog::Ttext_to_broodlog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("text_to_broodlog"));
  setWindowTitle(tr("Text to big broodlog"));
  setFont(WindowFont());
  setSizeGripEnabled(false);

  Label1 = MakeLabel(this, "Label1", tr("Column number"), 8, 8);
  Label25 = MakeLabel(this, "Label25", tr("Column number"), 232, 8);
  Label23 = MakeLabel(this, "Label23", tr("Column text"), 112, 8);
  Label24 = MakeLabel(this, "Label24", tr("Column text"), 336, 8);
  for (QLabel* title : {Label23, Label24}) {
    // Centred in 55 pixels; wider only if the text needs it, about the same centre.
    const int needed = std::max(55, title->fontMetrics().horizontalAdvance(title->text()) + 2);
    title->setGeometry(title->x() + 55 / 2 - needed / 2, 8, needed, title->height());
    title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  }

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setGeometry(88, 6, 113, 289);
  Bevel2 = new QFrame(this);
  Bevel2->setObjectName(QStringLiteral("Bevel2"));
  Bevel2->setGeometry(312, 6, 137, 265);
  for (QFrame* bevel : {Bevel1, Bevel2}) {
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel->setLineWidth(1);
    bevel->lower();  // a frame behind the boxes
  }

  for (int k = 0; k < kCaptionCount; ++k) {
    int left, top, width;
    if (k <= 10) {
      left = 96, top = 24 + 24 * k, width = 96;
    } else {
      left = 320, top = 24 + 24 * (k - 11);
      width = (k == 12 || k == 13 || k == 20) ? 121 : 96;
    }
    auto* edit = new TCaptionEdit(tr(kDefaultTexts[size_t(k)]), TypingLimit(k), this);
    edit->setObjectName(QStringLiteral("Edit%1").arg(k + 1));
    edit->setGeometry(left, top, width, 21);
    edit->setCursorPosition(0);
    Edits[size_t(k)] = edit;

    const int label_left = k < 9 ? 48 : (k <= 10 ? 42 : 264);
    NumberLabels[size_t(k)] =
        MakeLabel(this, QStringLiteral("Label%1").arg(k + 2).toLatin1().constData(),
                  QStringLiteral("%1.").arg(k + 1), label_left, top);
    NumberLabels[size_t(k)]->setBuddy(edit);  // the box reads as its number
    edit->setAccessibleDescription(tr("Column text"));
  }
  // Its own reading order, not the window's.
  Edits[0]->setLayoutDirection(Qt::RightToLeft);
  Edits[0]->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);

  BitBtn3 = new QPushButton(QIcon(BuiltInPixmap(":/broodlog/glyphs/retry.xpm")), tr("&Default"), this);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  BitBtn3->setGeometry(208, 288, 97, 25);
  BitBtn1 = new QPushButton(QIcon(BuiltInPixmap(":/broodlog/glyphs/check.xpm")), tr("&OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(312, 288, 57, 25);
  BitBtn2 = new QPushButton(QIcon(BuiltInPixmap(":/broodlog/glyphs/cross.xpm")), tr("&Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(376, 288, 105, 25);
  // A focused button takes Enter itself (it is the default while it has the
  // focus); elsewhere Enter presses "&OK".
  for (QPushButton* b : {BitBtn3, BitBtn1, BitBtn2}) {
    b->setAutoDefault(true);
    b->setFocusPolicy(Qt::StrongFocus);
  }
  BitBtn1->setDefault(true);

  // Tab order: boxes 0 to 20, then "&Default", "&OK", "&Cancel".
  QWidget* previous = Edits[0];
  for (QWidget* next : Edits) {
    if (next != previous) setTabOrder(previous, next);
    previous = next;
  }
  for (QWidget* next : {static_cast<QWidget*>(BitBtn3), static_cast<QWidget*>(BitBtn1),
                        static_cast<QWidget*>(BitBtn2)}) {
    setTabOrder(previous, next);
    previous = next;
  }

  // The OK kind sets the modal result before its handler runs, so a failing
  // save still closes the dialog as confirmed; the Cancel kind has no handler.
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    setResult(QDialog::Accepted);
    TApplication::Guarded([this] { BitBtn1Click(); });
    close();
  });
  connect(BitBtn2, &QPushButton::clicked, this, &Ttext_to_broodlog::reject);
  connect(BitBtn3, &QPushButton::clicked, this, [this] { TApplication::Guarded([this] { BitBtn3Click(); }); });

  resize(kClientWidth, kClientHeight);
  // Centred on the screen by its outer size; a stored placement moves it
  // from here when it is shown.
  if (const QScreen* s = screen()) {
    const QRect area = s->geometry();
    move(area.x() + (area.width() - kOuterWidth) / 2, area.y() + (area.height() - kOuterHeight) / 2);
  }

  PlacementKeeper1.setObjectName(QStringLiteral("PlacementKeeper1"));
  PlacementKeeper1.SetIniSection(QStringLiteral("textbroodlog"));
  PlacementKeeper1.SetUseRegistry(true);

  FormCreate();
  Edits[0]->setFocus();
}

Ttext_to_broodlog::~Ttext_to_broodlog() = default;

void Ttext_to_broodlog::FormCreate() {
  for (int k = 0; k < kCaptionCount; ++k) defaults_[size_t(k)] = Edits[size_t(k)]->text();
}

void Ttext_to_broodlog::FormShow() { assignLanguage(); }

void Ttext_to_broodlog::FormClose() { captions_.reset(); }

void Ttext_to_broodlog::assignLanguage() {
  captions_ = std::make_unique<TCaptionList>();
  std::vector<int> order(kCaptionCount);
  for (int k = 0; k < kCaptionCount; ++k) order[size_t(k)] = k;
  LoadAndApplyCaptions(*captions_, QString::fromLatin1(kCaptionFileName), order, [this](int k, const QString& text) {
    static_cast<TCaptionEdit*>(Edits[size_t(k)])->SetWholeText(text);
    Edits[size_t(k)]->setCursorPosition(0);
  });
}

QString Ttext_to_broodlog::BoxText(int k) const {
  // Every box is a TCaptionEdit, made so in the constructor.
  return static_cast<const TCaptionEdit*>(Edits[size_t(k)])->Text();
}

void Ttext_to_broodlog::BitBtn1Click() {
  if (!captions_) captions_ = std::make_unique<TCaptionList>();
  captions_->Clear();
  for (int k = 0; k < kCaptionCount; ++k) captions_->Add(BoxText(k));
  captions_->SaveToFile(QString::fromLatin1(kCaptionFileName));
}

void Ttext_to_broodlog::BitBtn3Click() {
  for (int k = 0; k < kCaptionCount; ++k) {
    static_cast<TCaptionEdit*>(Edits[size_t(k)])->SetWholeText(defaults_[size_t(k)]);
    Edits[size_t(k)]->setCursorPosition(0);
  }
  // Every box changed, none of them has the focus: say so.
  Announce(BitBtn3, tr("All %1 column texts are back to their defaults; nothing is saved before OK").arg(kCaptionCount));
}

void Ttext_to_broodlog::accept() {
  setResult(QDialog::Accepted);
  close();
}

void Ttext_to_broodlog::reject() {
  setResult(QDialog::Rejected);
  close();
}

void Ttext_to_broodlog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) FormShow();
}

void Ttext_to_broodlog::closeEvent(QCloseEvent* e) {
  // Not QDialog's own handling, which would turn every close into a Cancel.
  e->accept();
  FormClose();
}
