#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "graphics/color.h"

class QPainter;

// Horizontal placement of a label's text.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Vertical placement of a label's text.
enum TVerticalAlignment { vaTop, vaCenter, vaBottom };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// A direction, and the one-pixel step it stands for (x right, y down).
enum TDirection { drNone, drUp, drDown, drLeft, drRight, drUpLeft, drUpRight, drDownLeft, drDownRight };
QPoint DirectionStep(TDirection d);

// Presets for the highlight and shadow passes.
enum TShadowStyle {
  ssNone,
  ssCustom,
  ssRaised,
  ssRaisedColor,
  ssRaisedShadow,
  ssRaisedThickShadow,
  ssRecessed,
  ssRecessedColor,
  ssRecessedShadow,
  ssShadow,
  ssThickShadow,
};

// A text label that paints its caption rotated, shifted, aligned vertically
// and with shadow and highlight passes, and reports the pointer entering and
// leaving it. It carries the plain label's properties too: caption, font and
// font colour, background colour, alignment, word wrap, transparency,
// automatic size and the accelerator character.
class TCustomFxLabel : public QWidget {
  Q_OBJECT
 public:
  using TNotify = std::function<void(TCustomFxLabel* sender)>;

  explicit TCustomFxLabel(QWidget* parent = nullptr);

  // --- plain label properties ---
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  // With AutoSize the label takes the size of its text whenever the text or
  // the font changes.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool on);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool on);
  // Background colour; with ParentColor the parent's background is used.
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool on);
  // The font's colour (the font itself is QWidget::font()).
  TColor FontColor() const { return font_color_; }
  void SetFontColor(TColor c);
  void SetFontUnderline(bool on);
  // The control that takes the focus when the accelerator key is pressed;
  // not owned, and forgotten when it is destroyed.
  QWidget* FocusControl() const { return focus_control_; }
  void SetFocusControl(QWidget* w);

  // --- effects ---
  // Rotation in degrees counter-clockwise, kept in 0..359.
  int Angle() const { return angle_; }
  void SetAngle(int degrees);
  int OffsetX() const { return offset_x_; }
  void SetOffsetX(int pixels);
  int OffsetY() const { return offset_y_; }
  void SetOffsetY(int pixels);
  TDirection HighlightDirection() const { return highlight_direction_; }
  void SetHighlightDirection(TDirection d);
  int HighlightDepth() const { return highlight_depth_; }
  void SetHighlightDepth(int depth);
  TColor HighlightColor() const { return highlight_color_; }
  void SetHighlightColor(TColor c);
  TShadowStyle ShadowStyle() const { return shadow_style_; }
  void SetShadowStyle(TShadowStyle style);
  TDirection ShadowDirection() const { return shadow_direction_; }
  void SetShadowDirection(TDirection d);
  // Distance of the first shadow pass, 0..1280.
  std::uint16_t ShadowDepth() const { return shadow_depth_; }
  void SetShadowDepth(int depth);
  // Number of shadow passes, 0..1280.
  std::uint16_t ShadowSize() const { return shadow_size_; }
  void SetShadowSize(int size);
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor c);
  TVerticalAlignment VerticalAlignment() const { return vertical_alignment_; }
  void SetVerticalAlignment(TVerticalAlignment va);

  // Events.
  TNotify OnMouseEnter, OnMouseLeave, OnClick;
  std::function<void(TCustomFxLabel*, Qt::MouseButton, QPoint)> OnMouseDown, OnMouseUp;

  // Paints the label as it looks now onto painter, in client coordinates.
  void PaintTo(QPainter& painter);

  // Resizes the label to its text (done by itself when AutoSize is on).
  void AdjustBounds();

 protected:
  // Notifications, raised after the toolkit's own handling.
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void MouseDown(Qt::MouseButton button, QPoint pos);
  virtual void MouseUp(Qt::MouseButton button, QPoint pos);
  virtual void FontChanged() {}
  // The colour the caption is drawn in on `background`: the font colour,
  // or on a dark desktop where that would not read, the palette's text
  // colour (ReadableColor).
  virtual QColor CaptionColorOn(const QColor& background) const;

  void paintEvent(QPaintEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool event(QEvent* e) override;

 private:
  int TextFlags() const;
  void DrawCaption(QPainter& p, const QRect& r, TColor color) const;
  void DrawCaption(QPainter& p, const QRect& r, const QColor& color) const;
  void EffectChanged();
  void ApplyPreset(TShadowStyle style);
  void UpdateAccelerator();

  QString caption_;
  TAlignment alignment_ = taLeftJustify;
  bool word_wrap_ = false;
  bool transparent_ = false;
  bool auto_size_ = true;
  bool show_accel_char_ = true;
  TColor color_ = colors::BtnFace;
  bool parent_color_ = true;
  TColor font_color_ = colors::WindowText;
  QPointer<QWidget> focus_control_;
  int accelerator_id_ = 0;

  int angle_ = 0;
  double cos_ = 1.0, sin_ = 0.0;
  int offset_x_ = 0, offset_y_ = 0;
  TDirection highlight_direction_ = drNone;
  int highlight_depth_ = 0;
  TColor highlight_color_ = colors::BtnHighlight;
  TShadowStyle shadow_style_ = ssNone;
  TDirection shadow_direction_ = drNone;
  std::uint16_t shadow_depth_ = 0;
  std::uint16_t shadow_size_ = 0;
  TColor shadow_color_ = colors::BtnShadow;
  TVerticalAlignment vertical_alignment_ = vaTop;
  bool applying_preset_ = false;
  bool click_pending_ = false;
  // Whether the pointer is over the label, as last reported; enter and
  // leave are raised only when it changes.
  bool pointer_inside_ = false;
};

// The label with its effect properties published, and Layout as another
// name for VerticalAlignment.
class TFxLabel : public TCustomFxLabel {
  Q_OBJECT
 public:
  using TCustomFxLabel::TCustomFxLabel;
  TTextLayout Layout() const { return TTextLayout(VerticalAlignment()); }
  void SetLayout(TTextLayout l) { SetVerticalAlignment(TVerticalAlignment(l)); }
};
