#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/color.h"

class TUnitBase;
enum class TReportUnit;

// Font styles of a control's font.
struct TFontStyles {
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  friend bool operator==(const TFontStyles&, const TFontStyles&) = default;
};

// A font description as controls keep it; no platform font behind it. The
// height is the primary value, in pixels at PixelsPerInch(): negative for the
// character height (em size), positive for the cell height. Size() in points
// is derived from it, so a positive height gives a negative size; users of
// the size take its absolute value.
class TFont {
 public:
  // Arial, 10 points at 96 pixels per inch, window-text colour, default
  // character set.
  TFont() = default;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  int Height() const { return height_; }
  void SetHeight(int pixels) { height_ = pixels; }

  // Size in points: -round(Height * 72 / PixelsPerInch), half to even.
  int Size() const;
  // Sets Height to -round(points * PixelsPerInch / 72), half to even.
  void SetSize(int points);

  // Pixels per inch of the height; non-positive values are replaced by 96.
  int PixelsPerInch() const { return pixels_per_inch_; }
  void SetPixelsPerInch(int ppi) { pixels_per_inch_ = ppi > 0 ? ppi : 96; }

  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style) { style_ = style; }

  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }

  // Character set code as fonts carry it (0 ANSI, 1 default, 128 Shift-JIS, ...).
  std::uint8_t Charset() const { return charset_; }
  void SetCharset(std::uint8_t charset) { charset_ = charset; }

  friend bool operator==(const TFont&, const TFont&) = default;

 private:
  std::string name_ = "Arial";
  int height_ = -13;  // 10 points at 96 pixels per inch
  int pixels_per_inch_ = 96;
  TFontStyles style_;
  TColor color_ = colors::WindowText;
  std::uint8_t charset_ = 1;
};

// Why a control is told about another one.
enum class TOperation { opInsert, opRemove };

// The engine's own control: the common base of the report, its bands and its
// elements. It has no window behind it; the platform layer mirrors it on
// screen when a designer or preview needs that.
//
// Ownership: a control owns the components inserted into it
// (InsertComponent / CreateComponent) and destroys them, newest first, when
// it is destroyed or through DestroyComponent. A control without an owner
// belongs to whoever created it. An owned component must never be deleted
// directly.
//
// Parenthood is separate from ownership and never frees anything: a
// control's parent shows it among its children, which are kept in z-order
// (first is bottom-most). Destroying a parent only detaches its children.
class TControl {
 public:
  TControl() = default;
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  // --- Ownership -------------------------------------------------------
  // The owning control, or null.
  TControl* Owner() const { return owner_; }
  // Takes ownership of `component`, which must not have an owner yet
  // (EReportError otherwise), and returns it. Its name must be unique among
  // this control's components.
  TControl& InsertComponent(std::unique_ptr<TControl> component);
  // Creates a T owned by this control.
  template <class T, class... Args>
  T& CreateComponent(Args&&... args) {
    auto component = std::make_unique<T>(std::forward<Args>(args)...);
    T& result = *component;
    InsertComponent(std::move(component));
    return result;
  }
  // Destroys an owned component; a control this one does not own is left
  // alone and false is returned.
  bool DestroyComponent(TControl& component);
  std::size_t ComponentCount() const { return components_.size(); }
  TControl& Component(std::size_t index) const { return *components_.at(index); }
  // The owned component with this name (compared without regard to ASCII
  // case), or null. An empty name finds nothing.
  TControl* FindComponent(std::string_view name) const;

  // --- Identity ----------------------------------------------------------
  const std::string& Name() const { return name_; }
  // Empty, or letters, digits and underscores not starting with a digit,
  // unique among the owner's components; otherwise EReportError.
  void SetName(std::string name);
  // A free number for the program's own use.
  long Tag() const { return tag_; }
  void SetTag(long tag) { tag_ = tag; }

  // --- Parent and children -------------------------------------------------
  TControl* Parent() const { return parent_; }
  // Moves this control to `parent` (null detaches it), on top of the
  // z-order. Making a control its own ancestor throws EReportError.
  virtual void SetParent(TControl* parent);
  std::size_t ChildCount() const { return children_.size(); }
  TControl& Child(std::size_t index) const { return *children_.at(index); }
  // Position in the parent's z-order, or -1 without a parent.
  int ZOrderIndex() const;
  void BringToFront();
  void SendToBack();

  // --- Bounds in pixels, relative to the parent ---------------------------
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  // The one place bounds change; derived controls override it to take the
  // new bounds into their stored sizes. Negative extents become 0.
  virtual void SetBounds(int left, int top, int width, int height);

  // --- Appearance -----------------------------------------------------------
  const TFont& Font() const { return font_; }
  // Sets the font, clears ParentFont and passes the font on to the children
  // that follow their parent's font.
  void SetFont(const TFont& font);
  // True when the font follows the parent's; initially true.
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // Asks for the control to be painted again; the engine has nothing to
  // paint, so the base does nothing and screen mirrors override it.
  virtual void Invalidate() {}

  // --- Loading ---------------------------------------------------------
  // True between BeginLoading and Loaded while a definition is read.
  bool Loading() const { return loading_; }
  void BeginLoading() { loading_ = true; }
  // Ends loading; derived controls re-sync their sizes here.
  virtual void Loaded() { loading_ = false; }

  // --- Sizes and zoom --------------------------------------------------
  // The holder of this control's stored size, or null (not owned by callers).
  virtual TUnitBase* SizeHolder() { return nullptr; }
  // Passes a zoom in per cent to this control's size holder (which re-syncs
  // the bounds) and then to every child, depth first in z-order. A zoom
  // outside 1 to 300 is ignored. Panels override it to keep their own zoom.
  virtual void PropagateZoom(int zoom);
  // Sets the unit of this control's size holder and of every child's, depth
  // first in z-order: how a report applies its Units to all its holders.
  void PropagateUnits(TReportUnit unit);

  // --- Destruction notices ------------------------------------------------
  // Asks to be told (Notification with opRemove) when `other` is destroyed,
  // so that a reference to it can be cleared. Both directions are dropped
  // when either side goes away.
  void FreeNotification(TControl& other);
  void RemoveFreeNotification(TControl& other);
  // Called on the owner when a component is inserted or removed, and on
  // every control registered through FreeNotification when `component` is
  // destroyed. During opRemove `component` is being destroyed: compare its
  // address only.
  virtual void Notification(TControl& component, TOperation operation);

 protected:
  // Destroys all owned components now, newest first. Derived destructors
  // call it when their components must go while the derived part still
  // exists.
  void DestroyComponents();
  // Called after the font changed (directly or from the parent).
  virtual void FontChanged() { Invalidate(); }

 private:
  void AdoptParentFont();
  void ReleaseComponent(TControl& component);
  static void Unlink(std::vector<TControl*>& list, const TControl* item);

  TControl* owner_ = nullptr;
  std::vector<std::unique_ptr<TControl>> components_;
  TControl* parent_ = nullptr;
  std::vector<TControl*> children_;
  std::vector<TControl*> notify_;  // controls linked by FreeNotification

  std::string name_;
  long tag_ = 0;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TFont font_;
  bool parent_font_ = true;
  TColor color_ = colors::BtnFace;
  bool enabled_ = true;
  bool visible_ = true;
  bool loading_ = false;
};
