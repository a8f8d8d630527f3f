#include "widgets/spin.h"

#include <QAccessible>
#include <QApplication>
#include <QBitmap>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "platform/beep.h"
#include "platform/glyphs.h"
#include "platform/qt_color.h"

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

bool TryStrToInt(std::u16string_view s, std::int32_t& out) {
  size_t i = 0;
  while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  int base = 10;
  if (i < s.size() && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
    base = 16, ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    base = 16, i += 2;
  }
  if (i == s.size()) return false;  // no digits
  const std::int64_t limit = negative ? std::int64_t(INT32_MAX) + 1 : INT32_MAX;
  std::int64_t n = 0;
  for (; i < s.size(); ++i) {
    const int d = base == 16 ? HexDigit(s[i]) : (s[i] >= u'0' && s[i] <= u'9' ? s[i] - u'0' : -1);
    if (d < 0) return false;
    n = n * base + d;
    if (n > limit) return false;
  }
  out = std::int32_t(negative ? -n : n);
  return true;
}

// ---------------------------------------------------------------- TRepeatButton

TRepeatButton::TRepeatButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QAbstractButton::clicked, this, [this] { Click(); });
}

void TRepeatButton::SetRepeatFlags(TRepeatFlags flags) {
  if (flags == flags_) return;
  flags_ = flags;
  update();
}

void TRepeatButton::SetGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  update();
}

void TRepeatButton::SetNumGlyphs(int n) {
  num_glyphs_ = std::clamp(n, 1, 4);
  update();
}

void TRepeatButton::Click() {
  if (OnClick) OnClick(this);
}

void TRepeatButton::mousePressEvent(QMouseEvent* e) {
  if (OnMouseDown) OnMouseDown(this, e->button());
  if (e->button() == Qt::LeftButton && isEnabled()) left_held_ = true;
  QAbstractButton::mousePressEvent(e);
  e->accept();  // other buttons too: the press belongs to this button
  if (flags_ & rfAutoRepeat) {
    if (!timer_) timer_ = new QTimer(this);
    timer_->disconnect(this);
    connect(timer_, &QTimer::timeout, this, &TRepeatButton::RepeatTick);
    timer_->setInterval(kInitialDelay);
    timer_->start();
  }
}

void TRepeatButton::RepeatTick() {
  if (!timer_) return;
  timer_->setInterval(kRepeatInterval);
  if (ShownPressed()) {
    try {
      Click();
    } catch (...) {
      timer_->stop();
      throw;
    }
  }
}

void TRepeatButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) left_held_ = false;
  // Stop the repeats even if the final click fails.
  struct StopTimer {
    QTimer* t;
    ~StopTimer() {
      if (t) t->stop();
    }
  } stop{timer_};
  QAbstractButton::mouseReleaseEvent(e);
}

void TRepeatButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOptionButton opt;
  opt.initFrom(this);
  opt.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
  style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &opt, &p, this);
  if (!glyph_.isNull()) {
    const int part_width = glyph_.width() / num_glyphs_;
    int part = 0;
    if (!isEnabled() && num_glyphs_ > 1) part = 1;
    else if (isDown() && num_glyphs_ > 2) part = 2;
    QPixmap image = glyph_.copy(part * part_width, 0, part_width, glyph_.height());
    image.setMask(image.createMaskFromColor(QColor(128, 128, 0)));
    // Black ink (the arrows) that would not stand out on a dark theme's
    // button takes the button's text colour; on a light one it stays black.
    const QColor ink = VisibleColor(Qt::black, palette().color(QPalette::Button), palette().color(QPalette::ButtonText));
    if (ink != QColor(Qt::black)) {
      const QBitmap black = image.createMaskFromColor(Qt::black, Qt::MaskOutColor);
      QPainter tint(&image);
      tint.setClipRegion(QRegion(black));
      tint.fillRect(image.rect(), ink);
    }
    const int shift = isDown() ? 1 : 0;
    p.drawPixmap((width() - image.width()) / 2 + shift, (height() - image.height()) / 2 + shift, image);
  }
  if (flags_ & rfFocusRect) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(3, 3, -3, -3);
    if (isDown()) focus.rect.translate(1, 1);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
  }
}

// ---------------------------------------------------------------- TSpinButton

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
  up_ = new TRepeatButton(this);
  up_->setObjectName(QStringLiteral("UpButton"));
  down_ = new TRepeatButton(this);
  down_->setObjectName(QStringLiteral("DownButton"));
  for (TRepeatButton* half : {up_, down_}) {
    half->SetRepeatFlags(rfAutoRepeat);
    half->OnMouseDown = [this](TRepeatButton* b, Qt::MouseButton button) { HalfMouseDown(b, button); };
    half->OnClick = [this](TRepeatButton* b) { HalfClick(b); };
  }
  focused_ = up_;
  SetUpGlyph(QPixmap());
  SetDownGlyph(QPixmap());
  SetBounds(0, 0, 20, 25);
}

void TSpinButton::SetUpGlyph(const QPixmap& glyph) {
  if (!glyph.isNull()) {
    up_->SetGlyph(glyph);
    return;
  }
  up_->SetGlyph(BuiltInPixmap(":/broodlog/glyphs/spin_up.xpm"));
  up_->SetNumGlyphs(1);
}

void TSpinButton::SetDownGlyph(const QPixmap& glyph) {
  if (!glyph.isNull()) {
    down_->SetGlyph(glyph);
    return;
  }
  down_->SetGlyph(BuiltInPixmap(":/broodlog/glyphs/spin_down.xpm"));
  down_->SetNumGlyphs(1);
}

void TSpinButton::SetFocusedButton(TRepeatButton* button) {
  if (!TabStop() || !isEnabled() || button == focused_) return;
  focused_->SetRepeatFlags(focused_->RepeatFlags() & ~rfFocusRect);
  focused_ = button;
  if (hasFocus()) {
    focused_->SetRepeatFlags(focused_->RepeatFlags() | rfFocusRect);
    update();
  }
}

void TSpinButton::ArrangeButtons(int& w, int& h) {
  if (!up_ || !down_) return;
  w = std::max(w, 15);
  up_->setGeometry(0, 0, w, h / 2);
  const int up_height = up_->height();
  down_->setGeometry(0, up_height - 1, w, h - up_height + 1);
}

void TSpinButton::SetBounds(int x, int y, int w, int h) {
  ArrangeButtons(w, h);
  setGeometry(x, y, w, h);
}

void TSpinButton::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  int w = width(), h = height();
  ArrangeButtons(w, h);
  if (w != width() || h != height()) resize(w, h);
}

void TSpinButton::HalfMouseDown(TRepeatButton* half, Qt::MouseButton button) {
  if (button != Qt::LeftButton) return;
  SetFocusedButton(half);
  QWidget* target = focus_control_;
  if (target && target->focusPolicy() & Qt::TabFocus && target->isEnabled() && target->isVisible() &&
      !target->hasFocus()) {
    target->setFocus(Qt::MouseFocusReason);
  } else if (TabStop() && !hasFocus() && isEnabled() && isVisible()) {
    setFocus(Qt::MouseFocusReason);
  }
}

void TSpinButton::HalfClick(TRepeatButton* half) {
  if (half == up_) {
    if (OnUpClick) OnUpClick(this);
  } else if (OnDownClick) {
    OnDownClick(this);
  }
}

void TSpinButton::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Up:
      SetFocusedButton(up_);
      up_->Click();
      break;
    case Qt::Key_Down:
      SetFocusedButton(down_);
      down_->Click();
      break;
    case Qt::Key_Space:
      focused_->Click();
      break;
    default:
      QWidget::keyPressEvent(e);
  }
}

void TSpinButton::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  focused_->SetRepeatFlags(focused_->RepeatFlags() | rfFocusRect);
}

void TSpinButton::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  focused_->SetRepeatFlags(focused_->RepeatFlags() & ~rfFocusRect);
}

void TSpinButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().button());
}

// ---------------------------------------------------------------- TSpinEdit

TSpinEdit::TSpinEdit(QWidget* parent) : QLineEdit(parent) {
  button_ = new TSpinButton(this);
  button_->setObjectName(QStringLiteral("SpinButton"));
  button_->SetBounds(0, 0, 15, 17);
  button_->SetFocusControl(this);
  // Through the virtual operations, so an override takes effect.
  button_->OnUpClick = [this](TSpinButton* sender) { StepUp(sender); };
  button_->OnDownClick = [this](TSpinButton* sender) { StepDown(sender); };
  button_->show();
  setText(QStringLiteral("0"));
  connect(this, &QLineEdit::textChanged, this, [this] {
    // A screen reader hears the new number, as it does from Qt's own spin
    // boxes (the field is a spin button to it, with this value).
    QAccessibleValueChangeEvent changed(this, Value());
    QAccessible::updateAccessibility(&changed);
    if (OnChange) OnChange(this);
  });
  UpdateEditRect();
}

TSpinEdit::~TSpinEdit() {
  // Resizing during destruction must not touch the pair.
  button_ = nullptr;
}

std::int32_t TSpinEdit::Value() const {
  const QString t = text();
  std::int32_t v = min_;
  if (!TryStrToInt(std::u16string_view(reinterpret_cast<const char16_t*>(t.utf16()), size_t(t.size())), v))
    return min_;
  return v;
}

void TSpinEdit::SetValue(std::int32_t v) {
  const QString s = QString::number(ClampValue(v));
  if (s == text()) return;
  // A wholly selected number stays selected, as in Qt's spin boxes, rather
  // than the step reading as "text unselected".
  const bool whole = hasSelectedText() && selectedText() == text();
  setText(s);
  if (whole) selectAll();
}

std::int32_t TSpinEdit::ClampValue(std::int32_t v) const {
  if (min_ == max_) return v;
  if (v < min_) return min_;
  if (v > max_) return max_;
  return v;
}

namespace {
// Steps stay in 32 bits at the extremes instead of overflowing.
std::int32_t Saturate(std::int64_t v) { return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }
}  // namespace

void TSpinEdit::StepUp(QObject*) {
  if (isReadOnly()) {
    MessageBeep();
    return;
  }
  SetValue(Saturate(std::int64_t(Value()) + increment_));
}

void TSpinEdit::StepDown(QObject*) {
  if (isReadOnly()) {
    MessageBeep();
    return;
  }
  SetValue(Saturate(std::int64_t(Value()) - increment_));
}

bool TSpinEdit::AcceptsChar(QChar ch) const {
  const QString sep = QLocale().decimalPoint();
  const char16_t c = ch.unicode();
  bool ok = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || (!sep.isEmpty() && ch == sep.at(0)) ||
            (c < 32 && c != 13);
  if (ok && !editor_enabled_ && (c >= 32 || c == 8)) ok = false;
  return ok;
}

int TSpinEdit::MinimumHeight() const {
  const int h = QFontMetrics(font()).height();
  const int s = QFontMetrics(QApplication::font()).height();
  constexpr int kBorderLine = 1;
  return h + std::min(s, h) / 4 + 4 * kBorderLine + 2;
}

void TSpinEdit::UpdateEditRect() {
  if (!button_) return;
  setTextMargins(0, 0, button_->width() + 2, 0);
}

void TSpinEdit::resizeEvent(QResizeEvent* e) {
  QLineEdit::resizeEvent(e);
  const int min_height = MinimumHeight();
  if (height() < min_height) {
    resize(width(), min_height);
    return;
  }
  if (!button_) return;
  // Inside the sunken border, as the platform's 3-D edit places it.
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  button_->SetBounds(frame + width() - button_->width() - 5, frame, button_->width(), height() - 5);
  UpdateEditRect();
}

void TSpinEdit::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
    if (e->key() == Qt::Key_Up)
      StepUp(this);
    else
      StepDown(this);
    if (OnKeyDown) OnKeyDown(this, e);
    e->accept();  // the edit has no use for them; keep them from the window
    return;
  }
  if (OnKeyDown) OnKeyDown(this, e);
  if (EditingBlocked() && (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut))) {
    e->accept();
    return;
  }
  // The Delete family removes text without a character; with the editor off
  // it is blocked like backspace.
  if (!editor_enabled_ &&
      (e->matches(QKeySequence::Delete) || e->matches(QKeySequence::DeleteEndOfWord) ||
       e->matches(QKeySequence::DeleteStartOfWord) || e->matches(QKeySequence::DeleteEndOfLine) ||
       e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo))) {
    MessageBeep();
    e->accept();
    return;
  }
  // The character this key produces, as the platform would deliver it.
  QChar ch;
  bool has_char = false;
  const QString t = e->text();
  if ((e->modifiers() & Qt::ControlModifier) && e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z) {
    ch = QChar(char16_t(e->key() - Qt::Key_A + 1));  // Ctrl+letter is a control code
    has_char = true;
  } else if (e->key() == Qt::Key_Backspace) {
    ch = QChar(char16_t(8)), has_char = true;
  } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    ch = QChar(char16_t(13)), has_char = true;
  } else if (!t.isEmpty()) {
    ch = t.at(0), has_char = true;
  }
  if (has_char) {
    if (!AcceptsChar(ch)) {
      MessageBeep();
      e->accept();
      return;
    }
    if (OnKeyPress) OnKeyPress(this, ch);
  }
  QLineEdit::keyPressEvent(e);
}

void TSpinEdit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  if (e->reason() == Qt::MouseFocusReason) return;
  if (auto_select_)
    selectAll();
  else
    deselect();
}

void TSpinEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  if (OnExit) OnExit(this);
  const std::int32_t v = Value();
  if (ClampValue(v) != v) SetValue(v);
}

void TSpinEdit::contextMenuEvent(QContextMenuEvent* e) {
  std::unique_ptr<QMenu> menu(createStandardContextMenu());
  if (EditingBlocked()) {
    for (QAction* a : menu->actions()) {
      const QString name = a->objectName();
      if (name == QLatin1String("edit-paste") || name == QLatin1String("edit-cut") ||
          name == QLatin1String("edit-delete"))
        a->setEnabled(false);
    }
  }
  menu->exec(e->globalPos());
}

void TSpinEdit::mouseReleaseEvent(QMouseEvent* e) {
  // The middle button pastes the selection on X11.
  if (e->button() == Qt::MiddleButton && EditingBlocked()) {
    e->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(e);
}

void TSpinEdit::dropEvent(QDropEvent* e) {
  if (EditingBlocked()) {
    e->ignore();
    return;
  }
  QLineEdit::dropEvent(e);
}
