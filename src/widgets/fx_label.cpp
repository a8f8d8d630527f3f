#include "widgets/fx_label.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "platform/qt_color.h"

QPoint DirectionStep(TDirection d) {
  switch (d) {
    case drNone: return {0, 0};
    case drUp: return {0, -1};
    case drDown: return {0, 1};
    case drLeft: return {-1, 0};
    case drRight: return {1, 0};
    case drUpLeft: return {-1, -1};
    case drUpRight: return {1, -1};
    case drDownLeft: return {-1, 1};
    case drDownRight: return {1, 1};
  }
  return {0, 0};
}

namespace {

struct Preset {
  TDirection highlight_direction;
  int highlight_depth;
  TDirection shadow_direction;
  int shadow_depth;
  int shadow_size;
};

// Indexed by TShadowStyle; the ssCustom row is never applied.
constexpr Preset kPresets[] = {
    /* ssNone */ {drNone, 0, drNone, 0, 0},
    /* ssCustom */ {drNone, 0, drNone, 0, 0},
    /* ssRaised */ {drUpLeft, 1, drNone, 0, 0},
    /* ssRaisedColor */ {drUpLeft, 1, drDownRight, 1, 1},
    /* ssRaisedShadow */ {drUpLeft, 1, drDownRight, 1, 1},
    /* ssRaisedThickShadow */ {drUpLeft, 1, drDownRight, 1, 4},
    /* ssRecessed */ {drDownRight, 1, drNone, 0, 0},
    /* ssRecessedColor */ {drDownRight, 1, drUpLeft, 1, 1},
    /* ssRecessedShadow */ {drDownRight, 1, drUpLeft, 1, 1},
    /* ssShadow */ {drNone, 0, drDownRight, 2, 1},
    /* ssThickShadow */ {drNone, 0, drDownRight, 1, 4},
};

std::uint16_t ClampShadowValue(int v) { return std::uint16_t(std::clamp(v, 0, 1280)); }

// Offsets and depths are any 32-bit value; beyond this distance the text is
// out of sight anyway, and limiting them keeps the rectangle arithmetic from
// overflowing.
int WithinReach(int v) {
  constexpr int kFar = 1 << 24;
  return std::clamp(v, -kFar, kFar);
}

// Floor division, so a text taller than its label moves up by the rounded-up half.
int FloorHalf(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

}  // namespace

TCustomFxLabel::TCustomFxLabel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_Hover, false);
}

// --- plain label properties ---

void TCustomFxLabel::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  UpdateAccelerator();
  AdjustBounds();
  update();
}

void TCustomFxLabel::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  update();
}

void TCustomFxLabel::SetWordWrap(bool on) {
  if (on == word_wrap_) return;
  word_wrap_ = on;
  AdjustBounds();
  update();
}

void TCustomFxLabel::SetTransparent(bool on) {
  if (on == transparent_) return;
  transparent_ = on;
  update();
}

void TCustomFxLabel::SetAutoSize(bool on) {
  if (on == auto_size_) return;
  auto_size_ = on;
  AdjustBounds();
}

void TCustomFxLabel::SetShowAccelChar(bool on) {
  if (on == show_accel_char_) return;
  show_accel_char_ = on;
  UpdateAccelerator();
  AdjustBounds();
  update();
}

void TCustomFxLabel::SetFocusControl(QWidget* w) {
  focus_control_ = w;
  UpdateAccelerator();
}

void TCustomFxLabel::UpdateAccelerator() {
  if (accelerator_id_ != 0) releaseShortcut(accelerator_id_);
  accelerator_id_ = 0;
  const QKeySequence key = QKeySequence::mnemonic(caption_);
  if (show_accel_char_ && focus_control_ && !key.isEmpty()) accelerator_id_ = grabShortcut(key);
}

void TCustomFxLabel::SetColor(TColor c) {
  color_ = c;
  parent_color_ = false;
  update();
}

void TCustomFxLabel::SetParentColor(bool on) {
  parent_color_ = on;
  update();
}

void TCustomFxLabel::SetFontColor(TColor c) {
  font_color_ = c;
  FontChanged();
  update();
}

void TCustomFxLabel::SetFontUnderline(bool on) {
  QFont f = font();
  f.setUnderline(on);
  setFont(f);  // raises FontChanged through changeEvent
}

void TCustomFxLabel::AdjustBounds() {
  if (!auto_size_) return;
  QFontMetrics fm(font());
  const int wrap_width = word_wrap_ ? width() : 0x3FFFFFFF;
  QRect text = fm.boundingRect(QRect(0, 0, wrap_width, 0x3FFFFFFF), TextFlags(),
                               caption_.isEmpty() ? QStringLiteral(" ") : caption_);
  int new_width = word_wrap_ ? width() : text.width();
  int x = this->x();
  // The edge the text is aligned to stays where it is.
  if (alignment_ == taRightJustify) x += width() - new_width;
  else if (alignment_ == taCenter) x += (width() - new_width) / 2;
  setGeometry(x, y(), new_width, text.height());
}

// --- effects ---

void TCustomFxLabel::SetAngle(int degrees) {
  int a = degrees % 360;
  if (a < 0) a += 360;
  if (a == angle_) return;
  angle_ = a;
  const double radians = a * M_PI / 180.0;
  cos_ = std::cos(radians);
  sin_ = std::sin(radians);
  if (a > 0 && auto_size_) auto_size_ = false;
  update();
}

void TCustomFxLabel::SetOffsetX(int pixels) {
  if (pixels == offset_x_) return;
  offset_x_ = pixels;
  if (pixels > 0 && auto_size_) auto_size_ = false;
  update();
}

void TCustomFxLabel::SetOffsetY(int pixels) {
  if (pixels == offset_y_) return;
  offset_y_ = pixels;
  if (pixels > 0 && auto_size_) auto_size_ = false;
  update();
}

void TCustomFxLabel::EffectChanged() {
  if (!applying_preset_) shadow_style_ = ssCustom;
  update();
}

void TCustomFxLabel::SetHighlightDirection(TDirection d) {
  if (d == highlight_direction_) return;
  highlight_direction_ = d;
  EffectChanged();
}

void TCustomFxLabel::SetHighlightDepth(int depth) {
  if (depth == highlight_depth_) return;
  highlight_depth_ = depth;
  EffectChanged();
}

void TCustomFxLabel::SetHighlightColor(TColor c) {
  if (c == highlight_color_) return;
  highlight_color_ = c;
  EffectChanged();
}

void TCustomFxLabel::SetShadowDirection(TDirection d) {
  if (d == shadow_direction_) return;
  shadow_direction_ = d;
  EffectChanged();
}

void TCustomFxLabel::SetShadowDepth(int depth) {
  const std::uint16_t v = ClampShadowValue(depth);
  if (v == shadow_depth_) return;
  shadow_depth_ = v;
  EffectChanged();
}

void TCustomFxLabel::SetShadowSize(int size) {
  const std::uint16_t v = ClampShadowValue(size);
  if (v == shadow_size_) return;
  shadow_size_ = v;
  EffectChanged();
}

void TCustomFxLabel::SetShadowColor(TColor c) {
  if (c == shadow_color_) return;
  shadow_color_ = c;
  EffectChanged();
}

void TCustomFxLabel::SetVerticalAlignment(TVerticalAlignment va) {
  vertical_alignment_ = va;
  update();
}

void TCustomFxLabel::SetShadowStyle(TShadowStyle style) {
  if (int(style) < int(ssNone) || int(style) > int(ssThickShadow)) return;  // no preset row to read
  if (style == shadow_style_) return;
  shadow_style_ = style;
  if (style != ssCustom) ApplyPreset(style);
  update();
}

void TCustomFxLabel::ApplyPreset(TShadowStyle style) {
  const Preset& p = kPresets[style];
  applying_preset_ = true;
  SetHighlightDirection(p.highlight_direction);
  SetHighlightDepth(p.highlight_depth);
  SetShadowDirection(p.shadow_direction);
  SetShadowDepth(p.shadow_depth);
  SetShadowSize(p.shadow_size);
  SetHighlightColor(colors::BtnHighlight);
  SetShadowColor(colors::BtnShadow);
  if (style == ssRaisedColor || style == ssRecessedColor) SetFontColor(colors::BtnFace);
  applying_preset_ = false;
}

// --- painting ---

int TCustomFxLabel::TextFlags() const {
  int flags = Qt::TextExpandTabs;
  switch (alignment_) {
    case taLeftJustify: flags |= Qt::AlignLeft; break;
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
  }
  if (word_wrap_) flags |= Qt::TextWordWrap;
  if (show_accel_char_) flags |= Qt::TextShowMnemonic;
  return flags | Qt::AlignTop;
}

void TCustomFxLabel::DrawCaption(QPainter& p, const QRect& r, TColor color) const {
  DrawCaption(p, r, ToQColor(color));
}

QColor TCustomFxLabel::CaptionColorOn(const QColor& background) const {
  return ReadableColor(ToQColor(font_color_), background, palette().color(QPalette::WindowText));
}

void TCustomFxLabel::DrawCaption(QPainter& p, const QRect& r, const QColor& color) const {
  p.setPen(color);
  if (angle_ == 0) {
    p.drawText(r, TextFlags(), caption_);
    return;
  }
  // A single line whose unrotated top-left corner is r's top-left corner,
  // turned counter-clockwise about that corner.
  p.save();
  p.translate(r.topLeft());
  p.rotate(-angle_);
  p.drawText(QPoint(0, QFontMetrics(p.font()).ascent()), caption_);
  p.restore();
}

void TCustomFxLabel::PaintTo(QPainter& p) {
  QRect r = rect();
  p.setFont(font());
  // What the caption stands on: the label's own fill, or what shows
  // through it.
  const QWidget* under = parentWidget() ? parentWidget() : this;
  const QColor background = transparent_    ? under->palette().color(under->backgroundRole())
                            : parent_color_ ? under->palette().color(backgroundRole())
                                            : ToQColor(color_);
  if (!transparent_) p.fillRect(r, background);
  p.setBrush(Qt::NoBrush);

  if (angle_ != 0) {
    QFontMetrics fm(p.font());
    const int w = fm.horizontalAdvance(caption_);
    const int h = fm.height();
    const int wc = int(w * cos_), ws = int(w * sin_);
    const int hc = int(h * cos_), hs = int(h * sin_);
    int width, height;
    if (angle_ < 90) {
      width = wc + hs; height = ws + hc;
    } else if (angle_ < 180) {
      width = -wc + hs; height = ws - hc;
    } else if (angle_ < 270) {
      width = -wc - hs; height = -ws - hc;
    } else {
      width = wc - hs; height = -ws + hc;
    }
    width = std::min(width, r.right() + 1);
    height = std::min(height, r.bottom() + 1);
    const int old_right = r.right() + 1, old_bottom = r.bottom() + 1;
    r = QRect(r.left(), r.top(), width, height);
    if (alignment_ == taCenter) r.translate((old_right - width) / 2, 0);
    else if (alignment_ == taRightJustify) r.translate(old_right - width, 0);
    if (vertical_alignment_ == vaCenter) r.translate(0, (old_bottom - height) / 2);
    else if (vertical_alignment_ == vaBottom) r.translate(0, old_bottom - height);
    // To the corner where the rotated text starts.
    if (angle_ < 90) r.translate(0, ws);
    else if (angle_ < 180) r.translate(-wc, height);
    else if (angle_ < 270) r.translate(width, -hc);
    else r.translate(-hs, 0);
  } else if (vertical_alignment_ != vaTop) {
    const int t = QFontMetrics(p.font()).boundingRect(r, TextFlags(), caption_).height();
    const int old_bottom = r.bottom() + 1;
    r.setBottom(r.top() + t - 1);
    const int diff = old_bottom - (r.bottom() + 1);
    r.translate(0, vertical_alignment_ == vaCenter ? FloorHalf(diff) : diff);
  }
  r.translate(WithinReach(offset_x_), WithinReach(offset_y_));

  if (isEnabled()) {
    if (shadow_style_ != ssNone) {
      const QRect r0 = r;
      const QPoint shadow_step = DirectionStep(shadow_direction_);
      r.translate(shadow_step * shadow_depth_);
      for (int i = 0; i < shadow_size_; ++i) {
        DrawCaption(p, r, shadow_color_);
        r.translate(shadow_step);
      }
      r = r0.translated(DirectionStep(highlight_direction_) * WithinReach(highlight_depth_));
      DrawCaption(p, r, highlight_color_);
      r = r0;
    }
    DrawCaption(p, r, CaptionColorOn(background));
  } else {
    DrawCaption(p, r.translated(1, 1), colors::BtnHighlight);
    DrawCaption(p, r, colors::BtnShadow);
  }
}

void TCustomFxLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintTo(p);
}

// --- pointer ---

void TCustomFxLabel::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomFxLabel::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TCustomFxLabel::MouseDown(Qt::MouseButton button, QPoint pos) {
  if (OnMouseDown) OnMouseDown(this, button, pos);
}

void TCustomFxLabel::MouseUp(Qt::MouseButton button, QPoint pos) {
  if (OnMouseUp) OnMouseUp(this, button, pos);
}

void TCustomFxLabel::enterEvent(QEnterEvent* e) {
  QWidget::enterEvent(e);
  if (pointer_inside_) return;
  pointer_inside_ = true;
  MouseEnter();
}

void TCustomFxLabel::leaveEvent(QEvent* e) {
  QWidget::leaveEvent(e);
  if (!pointer_inside_) return;
  pointer_inside_ = false;
  MouseLeave();
}

void TCustomFxLabel::mouseMoveEvent(QMouseEvent* e) {
  QWidget::mouseMoveEvent(e);
  // While a button is held the toolkit reports no enter or leave, yet the
  // pointer may cross the label's edge: report the crossing from the moves.
  if (e->buttons() == Qt::NoButton) return;
  const bool inside = rect().contains(e->position().toPoint());
  if (inside == pointer_inside_) return;
  pointer_inside_ = inside;
  if (inside) MouseEnter();
  else MouseLeave();
}

void TCustomFxLabel::mousePressEvent(QMouseEvent* e) {
  pointer_inside_ = true;  // a press on the label has the pointer over it
  if (e->button() == Qt::LeftButton) click_pending_ = true;
  MouseDown(e->button(), e->position().toPoint());
}

void TCustomFxLabel::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (e->button() == Qt::LeftButton && click_pending_) {
    click_pending_ = false;
    if (rect().contains(pos) && OnClick) OnClick(this);
  }
  MouseUp(e->button(), pos);
}

void TCustomFxLabel::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::FontChange) {
    AdjustBounds();
    FontChanged();
    update();
  } else if (e->type() == QEvent::EnabledChange) {
    update();
  }
}

bool TCustomFxLabel::event(QEvent* e) {
  // The accelerator character moves the focus to the FocusControl.
  if (e->type() == QEvent::Shortcut && focus_control_) {
    focus_control_->setFocus(Qt::ShortcutFocusReason);
    return true;
  }
  return QWidget::event(e);
}
