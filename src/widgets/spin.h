#pragma once

#include <QAbstractButton>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <string_view>

class QTimer;

// Reads text as a 32-bit signed whole number: leading blanks, an optional
// sign, then decimal digits, or hexadecimal digits after "$", "x" or "0x".
// Anything else (empty text, other characters, trailing blanks, a number out
// of range) fails and leaves `out` untouched.
bool TryStrToInt(std::u16string_view text, std::int32_t& out);

// What a TRepeatButton does beyond a plain speed button.
enum TRepeatFlag : unsigned {
  rfFocusRect = 1u << 0,   // draw a focus rectangle
  rfAutoRepeat = 1u << 1,  // repeat the click while held down
};
using TRepeatFlags = unsigned;

// A flat, non-focusable picture button (the toolkit's speed button) that
// fires its click when released over it and, with rfAutoRepeat, repeats the
// click while it is held: first 400 ms after the press, then every 100 ms,
// pausing while the pointer is off the button.
class TRepeatButton : public QAbstractButton {
  Q_OBJECT
 public:
  static constexpr int kInitialDelay = 400;   // ms from the press to the first repeat
  static constexpr int kRepeatInterval = 100;  // ms between repeats

  explicit TRepeatButton(QWidget* parent = nullptr);

  TRepeatFlags RepeatFlags() const { return flags_; }
  void SetRepeatFlags(TRepeatFlags flags);

  // The picture; NumGlyphs images side by side (normal, disabled, pressed).
  // Olive (128, 128, 0) pixels are drawn transparent.
  const QPixmap& Glyph() const { return glyph_; }
  void SetGlyph(const QPixmap& glyph);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int n);

  // Fired by a click: a release over the button, or a repeat.
  std::function<void(TRepeatButton* sender)> OnClick;
  // Fired on any mouse press, before the repeat timer starts.
  std::function<void(TRepeatButton* sender, Qt::MouseButton button)> OnMouseDown;

  // Clicks the button once (runs OnClick).
  void Click();
  // The repeat timer: nullptr until the first press; owned by the button.
  QTimer* RepeatTimer() const { return timer_; }
  // One tick of the repeat timer; public so that tests can drive the clock.
  void RepeatTick();
  // Whether the button is shown pressed: the left button is held and the
  // pointer is over it.
  bool ShownPressed() const { return isDown() && left_held_; }

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  QSize sizeHint() const override { return {15, 9}; }

 private:
  QPixmap glyph_;
  int num_glyphs_ = 1;
  TRepeatFlags flags_ = 0;
  QTimer* timer_ = nullptr;
  bool left_held_ = false;
};

// The pair of arrow buttons, up above down. Stands alone (20 x 25 pixels
// when new) or sits inside a TSpinEdit.
class TSpinButton : public QWidget {
  Q_OBJECT
 public:
  explicit TSpinButton(QWidget* parent = nullptr);

  TRepeatButton* UpButton() const { return up_; }
  TRepeatButton* DownButton() const { return down_; }

  // The arrow pictures; writing a null pixmap loads the built-in "SpinUp" /
  // "SpinDown" picture with a glyph count of 1.
  QPixmap UpGlyph() const { return up_->Glyph(); }
  void SetUpGlyph(const QPixmap& glyph);
  QPixmap DownGlyph() const { return down_->Glyph(); }
  void SetDownGlyph(const QPixmap& glyph);
  int UpNumGlyphs() const { return up_->NumGlyphs(); }
  void SetUpNumGlyphs(int n) { up_->SetNumGlyphs(n); }
  int DownNumGlyphs() const { return down_->NumGlyphs(); }
  void SetDownNumGlyphs(int n) { down_->SetNumGlyphs(n); }

  // The control that takes the focus when a half is pressed (not owned;
  // forgotten when it is destroyed).
  QWidget* FocusControl() const { return focus_control_; }
  void SetFocusControl(QWidget* control) { focus_control_ = control; }

  // Whether the pair itself takes the focus by Tab (false when new).
  bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
  void SetTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus); }

  // Click notifications; sender is the pair.
  std::function<void(TSpinButton* sender)> OnUpClick;
  std::function<void(TSpinButton* sender)> OnDownClick;

  // The half that Space clicks and that shows the focus rectangle.
  TRepeatButton* FocusedButton() const { return focused_; }
  void SetFocusedButton(TRepeatButton* button);

  // Places the halves in a w x h pair, raising w to at least 15; the halves
  // overlap by one pixel.
  void ArrangeButtons(int& w, int& h);
  // Sets the bounds after ArrangeButtons has adjusted the size.
  void SetBounds(int x, int y, int w, int h);

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  void HalfMouseDown(TRepeatButton* half, Qt::MouseButton button);
  void HalfClick(TRepeatButton* half);

  TRepeatButton* up_ = nullptr;
  TRepeatButton* down_ = nullptr;
  TRepeatButton* focused_ = nullptr;
  QPointer<QWidget> focus_control_;
};

// A one-line field for a whole number, with an arrow-button pair inside its
// right edge. Steps by Increment on the buttons and the Up/Down keys and
// stays within MinValue..MaxValue (no bounds when they are equal).
class TSpinEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TSpinEdit(QWidget* parent = nullptr);
  ~TSpinEdit() override;

  // The text read as a number; MinValue when it does not read as one. Not
  // clamped: a typed 500 in a 20..200 field reads as 500.
  std::int32_t Value() const;
  // Shows ClampValue(v) in decimal; the text (and OnChange) change only when
  // the new text differs.
  void SetValue(std::int32_t v);

  std::int32_t MinValue() const { return min_; }
  void SetMinValue(std::int32_t v) { min_ = v; }
  std::int32_t MaxValue() const { return max_; }
  void SetMaxValue(std::int32_t v) { max_ = v; }
  std::int32_t Increment() const { return increment_; }
  void SetIncrement(std::int32_t v) { increment_ = v; }
  // false: the text cannot be typed into, pasted into or cut from.
  bool EditorEnabled() const { return editor_enabled_; }
  void SetEditorEnabled(bool on) { editor_enabled_ = on; }
  // Select the whole text when the field is entered other than by a click.
  bool AutoSelect() const { return auto_select_; }
  void SetAutoSelect(bool on) { auto_select_ = on; }

  // The arrow-button pair, owned by the field.
  TSpinButton* Button() const { return button_; }

  // Whether a typed character may enter the text.
  virtual bool AcceptsChar(QChar ch) const;
  // Handlers of the up and down buttons (and the arrow keys).
  virtual void StepUp(QObject* sender);
  virtual void StepDown(QObject* sender);

  std::int32_t ClampValue(std::int32_t v) const;
  // The lowest height, in pixels, that shows the font whole.
  int MinimumHeight() const;
  // Keeps the text clear of the arrow buttons.
  void UpdateEditRect();

  // Events: the text changed; a key went down (after any step); a character
  // passed the filter; the field lost the focus (before clamping).
  std::function<void(TSpinEdit* sender)> OnChange;
  std::function<void(TSpinEdit* sender, QKeyEvent* e)> OnKeyDown;
  std::function<void(TSpinEdit* sender, QChar ch)> OnKeyPress;
  std::function<void(TSpinEdit* sender)> OnExit;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  bool EditingBlocked() const { return !editor_enabled_ || isReadOnly(); }

  std::int32_t min_ = 0, max_ = 0, increment_ = 1;
  bool editor_enabled_ = true;
  bool auto_select_ = true;
  TSpinButton* button_ = nullptr;
};
