#pragma once

#include "widgets/fx_label.h"

// Asks the desktop to open target with its associated program; an empty
// target opens nothing. Where no program opens it, the user is told in a
// message box (ShellOpen).
void OpenWithShell(const QString& target);

// A label that acts as a link: a pointing-hand cursor, red while pressed,
// and a click opens URL (or the caption when URL is empty). It remembers for
// its lifetime that it was clicked and then shows the visited colour. On a
// dark desktop, where its colours would not read, it takes the palette's
// link colours. The keyboard reaches it with Tab; Enter or Space opens it,
// and it shows the focus with a dotted frame.
class TUrlLabel : public TFxLabel {
  Q_OBJECT
 public:
  explicit TUrlLabel(QWidget* parent = nullptr);

  // Screen cursor id shown over the label (15000, the pointing hand).
  int Cursor() const { return cursor_id_; }
  void SetCursor(int id);
  // What a click opens; empty opens the caption.
  QString URL() const { return url_; }
  void SetURL(const QString& url) { url_ = url; }
  TColor UnvisitedColor() const { return unvisited_color_; }
  void SetUnvisitedColor(TColor c);
  TColor ActivatedColor() const { return activated_color_; }
  void SetActivatedColor(TColor c) { activated_color_ = c; }
  TColor VisitedColor() const { return visited_color_; }
  void SetVisitedColor(TColor c);
  TColor HoveredColor() const { return hovered_color_; }
  void SetHoveredColor(TColor c) { hovered_color_ = c; }
  // With CanHover, the underline and HoveredColor show only while the
  // pointer is over the label.
  bool CanHover() const { return can_hover_; }
  void SetCanHover(bool on);

  // What a completed click does: shows the label visited and opens its
  // target. Also the accessibility action's press.
  void Activate();

  bool Visited() const { return visited_; }
  bool Pressed() const { return pressed_; }

 protected:
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(Qt::MouseButton button, QPoint pos) override;
  void MouseUp(Qt::MouseButton button, QPoint pos) override;
  void FontChanged() override;
  QColor CaptionColorOn(const QColor& background) const override;
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  TColor RestingColor() const { return visited_ ? visited_color_ : unvisited_color_; }

  int cursor_id_ = 0;
  QString url_;
  TColor unvisited_color_ = colors::Blue;
  TColor activated_color_ = colors::Red;
  TColor visited_color_ = colors::Navy;
  TColor hovered_color_ = colors::White;
  bool can_hover_ = false;
  bool visited_ = false;
  bool pressed_ = false;
};
