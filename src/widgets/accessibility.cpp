#include "widgets/accessibility.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <limits>

#include "widgets/fx_label.h"
#include "widgets/spin.h"
#include "widgets/url_label.h"

namespace {

constexpr const char* kRoleProperty = "broodlogAccessibleRole";

// A label's caption as it reads: the accelerator's ampersand gone, a
// doubled one kept as one.
QString ReadableCaption(const TCustomFxLabel* label) {
  if (!label->ShowAccelChar()) return label->Caption();
  QString text = label->Caption();
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) text.remove(i, 1);  // the next character stays, even a second '&'
  }
  return text;
}

// The effect label: static text reading its caption.
class TAccessibleFxLabel : public QAccessibleWidget {
 public:
  explicit TAccessibleFxLabel(TCustomFxLabel* label, QAccessible::Role role = QAccessible::StaticText)
      : QAccessibleWidget(label, role) {}

  QString text(QAccessible::Text t) const override {
    const QString own = QAccessibleWidget::text(t);
    if ((t == QAccessible::Name || t == QAccessible::Value) && own.isEmpty())
      return ReadableCaption(static_cast<TCustomFxLabel*>(widget()));
    return own;
  }
};

// The link label: a link whose press opens it, as a click does.
class TAccessibleUrlLabel : public TAccessibleFxLabel {
 public:
  explicit TAccessibleUrlLabel(TUrlLabel* label) : TAccessibleFxLabel(label, QAccessible::Link) {}

  QStringList actionNames() const override { return {pressAction()}; }
  QString localizedActionDescription(const QString& name) const override {
    return name == pressAction() ? QCoreApplication::translate("TUrlLabel", "Opens the link") : QString();
  }
  void doAction(const QString& name) override {
    if (name != pressAction() || !widget()->isEnabled()) return;
    // After the accessibility call has returned: whatever opening the link
    // shows must not hold up the screen reader.
    QPointer<TUrlLabel> label = static_cast<TUrlLabel*>(widget());
    QMetaObject::invokeMethod(
        label, [label] { if (label) label->Activate(); }, Qt::QueuedConnection);
  }
};

// The spin edit: a spin button with a value, a range and a step, and the
// text of its field. The arrow pair is not exposed: the value and the
// increase and decrease actions do what its halves do.
class TAccessibleSpinEdit : public QAccessibleWidget,
                            public QAccessibleValueInterface,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface {
 public:
  explicit TAccessibleSpinEdit(TSpinEdit* edit) : QAccessibleWidget(edit, QAccessible::SpinBox) {}

  void* interface_cast(QAccessible::InterfaceType t) override {
    switch (t) {
      case QAccessible::ValueInterface: return static_cast<QAccessibleValueInterface*>(this);
      case QAccessible::TextInterface: return static_cast<QAccessibleTextInterface*>(this);
      case QAccessible::EditableTextInterface: return static_cast<QAccessibleEditableTextInterface*>(this);
      default: return QAccessibleWidget::interface_cast(t);
    }
  }

  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = !Blocked();
    s.readOnly = Blocked();
    return s;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Edit()->text();
    return QAccessibleWidget::text(t);
  }

  QStringList actionNames() const override {
    return QAccessibleWidget::actionNames() << increaseAction() << decreaseAction();
  }
  void doAction(const QString& name) override {
    if (name == increaseAction()) Edit()->StepUp(Edit());
    else if (name == decreaseAction()) Edit()->StepDown(Edit());
    else QAccessibleWidget::doAction(name);
  }

  // --- value: what the field reads as, and its bounds (none when equal) ---
  QVariant currentValue() const override { return Edit()->Value(); }
  void setCurrentValue(const QVariant& value) override {
    if (!Blocked()) Edit()->SetValue(std::int32_t(std::clamp<qint64>(value.toLongLong(), INT32_MIN, INT32_MAX)));
  }
  QVariant minimumValue() const override { return Bounded() ? Edit()->MinValue() : INT32_MIN; }
  QVariant maximumValue() const override { return Bounded() ? Edit()->MaxValue() : INT32_MAX; }
  QVariant minimumStepSize() const override { return Edit()->Increment(); }

  // --- text: the field's characters, caret and selection ---
  QString text(int start, int end) const override { return Edit()->text().mid(start, end - start); }
  int characterCount() const override { return int(Edit()->text().size()); }
  int cursorPosition() const override { return Edit()->cursorPosition(); }
  void setCursorPosition(int position) override { Edit()->setCursorPosition(position); }
  int selectionCount() const override { return Edit()->hasSelectedText() ? 1 : 0; }
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !Edit()->hasSelectedText()) return;
    *start = Edit()->selectionStart();
    *end = Edit()->selectionEnd();
  }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int index) override {
    if (index == 0) Edit()->deselect();
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0) Edit()->setSelection(start, end - start);
  }
  QRect characterRect(int offset) const override {
    // The field shows its text from its left edge, clear of the arrow pair.
    const QString text = Edit()->text();
    const QFontMetrics metrics(Edit()->font());
    const int x = metrics.horizontalAdvance(text.left(offset)) + Edit()->contentsMargins().left() + 2;
    const int w = offset < text.size() ? metrics.horizontalAdvance(text.at(offset)) : 1;
    const QRect local(x, (Edit()->height() - metrics.height()) / 2, w, metrics.height());
    return QRect(Edit()->mapToGlobal(local.topLeft()), local.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Edit()->cursorPositionAt(Edit()->mapFromGlobal(point));
  }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return QString();
  }

  // --- editable text: as pasting, refused where typing is ---
  void deleteText(int start, int end) override { replaceText(start, end, QString()); }
  void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
  void replaceText(int start, int end, const QString& text) override {
    if (Blocked()) return;
    QString now = Edit()->text();
    start = std::clamp(start, 0, int(now.size()));
    end = std::clamp(end, start, int(now.size()));
    Edit()->setText(now.replace(start, end - start, text));
  }

 private:
  TSpinEdit* Edit() const { return static_cast<TSpinEdit*>(widget()); }
  bool Blocked() const { return !Edit()->EditorEnabled() || Edit()->isReadOnly(); }
  bool Bounded() const { return Edit()->MinValue() != Edit()->MaxValue(); }
};

QAccessibleInterface* Factory(const QString& key, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget == nullptr) return nullptr;
  // Asked once per class from the object's own up to QObject: answer for
  // the first class this factory knows.
  if (key == QLatin1String(object->metaObject()->className())) {
    const QVariant role = widget->property(kRoleProperty);
    if (role.isValid()) return new QAccessibleWidget(widget, QAccessible::Role(role.toInt()));
  }
  if (key == QLatin1String("TUrlLabel")) return new TAccessibleUrlLabel(static_cast<TUrlLabel*>(widget));
  if (key == QLatin1String("TCustomFxLabel")) return new TAccessibleFxLabel(static_cast<TCustomFxLabel*>(widget));
  if (key == QLatin1String("TSpinEdit")) return new TAccessibleSpinEdit(static_cast<TSpinEdit*>(widget));
  return nullptr;
}

// Holds a widget's own accessible description while an announcement stands
// in it, and puts it back when the widget loses the focus.
class TDescriptionKeeper : public QObject {
 public:
  explicit TDescriptionKeeper(QWidget* widget) : QObject(widget), widget_(widget), own_(widget->accessibleDescription()) {
    widget->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == widget_ && e->type() == QEvent::FocusOut && widget_->accessibleDescription() != own_)
      widget_->setAccessibleDescription(own_);
    return false;
  }

 private:
  QWidget* widget_;
  QString own_;
};

}  // namespace

void InstallAccessibleFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
}

void SetAccessibleRole(QWidget* widget, QAccessible::Role role) {
  widget->setProperty(kRoleProperty, int(role));
}

void Announce(QWidget* about, const QString& text) {
  if (about == nullptr) return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  QAccessibleAnnouncementEvent event(about, text);
  QAccessible::updateAccessibility(&event);
#else
  // The widget's own description comes back when the focus leaves it.
  // The keeper has no meta-object of its own, so findChild would take any
  // child for it: look for it by its C++ type.
  const QObjectList& children = about->children();
  const bool kept = std::any_of(children.begin(), children.end(),
                                [](QObject* c) { return dynamic_cast<TDescriptionKeeper*>(c) != nullptr; });
  if (!kept) new TDescriptionKeeper(about);
  // A description set again to the same text sends no change: clear it first.
  if (about->accessibleDescription() == text) about->setAccessibleDescription(QString());
  about->setAccessibleDescription(text);
#endif
}
