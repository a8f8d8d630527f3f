#include "widgets/url_label.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPen>

#include "platform/cursors.h"
#include "platform/qt_color.h"
#include "platform/shell.h"

void OpenWithShell(const QString& target) {
  if (!target.isEmpty()) ShellOpen(target);
}

TUrlLabel::TUrlLabel(QWidget* parent) : TFxLabel(parent) {
  SetCursor(crHandPoint);
  SetFontColor(colors::Blue);
  SetFontUnderline(true);
  setFocusPolicy(Qt::StrongFocus);
}

void TUrlLabel::SetCursor(int id) {
  cursor_id_ = id;
  setCursor(ScreenCursor(id));
}

// The value is stored here as well as through the font-changed rule, which
// stores nothing while CanHover is on or a press is in progress.
void TUrlLabel::SetUnvisitedColor(TColor c) {
  if (c == unvisited_color_) return;
  unvisited_color_ = c;
  if (!visited_) SetFontColor(c);
}

void TUrlLabel::SetVisitedColor(TColor c) {
  if (c == visited_color_) return;
  visited_color_ = c;
  if (visited_) SetFontColor(c);
}

void TUrlLabel::SetCanHover(bool on) {
  can_hover_ = on;
  SetFontUnderline(!on);
}

void TUrlLabel::MouseEnter() {
  TFxLabel::MouseEnter();
  if (can_hover_) SetFontUnderline(true);
  if (pressed_) SetFontColor(activated_color_);
  else if (can_hover_) SetFontColor(hovered_color_);
}

void TUrlLabel::MouseLeave() {
  TFxLabel::MouseLeave();
  if (can_hover_) SetFontUnderline(false);
  SetFontColor(RestingColor());
}

void TUrlLabel::MouseDown(Qt::MouseButton button, QPoint pos) {
  TFxLabel::MouseDown(button, pos);
  if (button != Qt::LeftButton) return;
  pressed_ = true;
  SetFontColor(activated_color_);
}

void TUrlLabel::MouseUp(Qt::MouseButton button, QPoint pos) {
  TFxLabel::MouseUp(button, pos);
  if (button != Qt::LeftButton) return;
  // Points on the right and bottom edge still count as inside.
  const bool outside = pos.x() < 0 || pos.y() < 0 || pos.y() > height() || pos.x() > width();
  if (outside) {
    SetFontColor(RestingColor());
  } else if (pressed_) {
    Activate();
  }
  pressed_ = false;
}

void TUrlLabel::Activate() {
  visited_ = true;
  SetFontColor(can_hover_ ? hovered_color_ : visited_color_);
  OpenWithShell(url_.isEmpty() ? Caption() : url_);
}

void TUrlLabel::FontChanged() {
  TFxLabel::FontChanged();
  // A colour given to the font outside a press becomes the resting colour.
  if (can_hover_ || pressed_) return;
  if (visited_) visited_color_ = FontColor();
  else unvisited_color_ = FontColor();
}

QColor TUrlLabel::CaptionColorOn(const QColor& background) const {
  // While pressed it stays red, lightened where it has to be.
  const QColor link = pressed_ ? QColor() : palette().color(visited_ ? QPalette::LinkVisited : QPalette::Link);
  return ReadableColor(ToQColor(FontColor()), background, link);
}

void TUrlLabel::keyPressEvent(QKeyEvent* e) {
  const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == 0;
  if (plain && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space)) {
    if (!e->isAutoRepeat()) Activate();
    e->accept();
    return;
  }
  TFxLabel::keyPressEvent(e);
}

void TUrlLabel::paintEvent(QPaintEvent* e) {
  TFxLabel::paintEvent(e);
  if (!hasFocus()) return;
  // A dotted frame in the text colour, however the focus came (styles
  // draw theirs only after Tab).
  QPainter p(this);
  p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TUrlLabel::focusInEvent(QFocusEvent* e) {
  TFxLabel::focusInEvent(e);
  update();
}

void TUrlLabel::focusOutEvent(QFocusEvent* e) {
  TFxLabel::focusOutEvent(e);
  update();
}
