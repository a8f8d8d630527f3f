#include "definition/control.h"

#include <algorithm>
#include <cctype>

#include "definition/report_error.h"
#include "definition/report_unit.h"
#include "definition/rounding.h"
#include "definition/unit_base.h"

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsValidName(std::string_view name) {
  if (name.empty()) return true;
  if (std::isdigit(static_cast<unsigned char>(name.front()))) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

}  // namespace

int TFont::Size() const {
  return -RoundHalfEvenToInt(static_cast<long double>(height_) * 72 / pixels_per_inch_);
}

void TFont::SetSize(int points) {
  height_ = -RoundHalfEvenToInt(static_cast<long double>(points) * pixels_per_inch_ / 72);
}

TControl::~TControl() {
  DestroyComponents();
  // Tell everyone holding a reference to us, and drop our own registrations.
  const std::vector<TControl*> notify = std::move(notify_);
  notify_.clear();
  for (TControl* other : notify) {
    Unlink(other->notify_, this);
    other->Notification(*this, TOperation::opRemove);
  }
  for (TControl* child : children_) child->parent_ = nullptr;
  children_.clear();
  if (parent_ != nullptr) Unlink(parent_->children_, this);
}

void TControl::Unlink(std::vector<TControl*>& list, const TControl* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

TControl& TControl::InsertComponent(std::unique_ptr<TControl> component) {
  if (!component) throw EReportError("Cannot insert a null component");
  if (component->owner_ != nullptr) throw EReportError("Component already has an owner");
  if (!component->name_.empty() && FindComponent(component->name_) != nullptr)
    throw EReportError("A component named " + component->name_ + " already exists");
  TControl& result = *component;
  result.owner_ = this;
  components_.push_back(std::move(component));
  Notification(result, TOperation::opInsert);
  return result;
}

void TControl::ReleaseComponent(TControl& component) {
  auto it = std::find_if(components_.begin(), components_.end(),
                         [&](const auto& p) { return p.get() == &component; });
  std::unique_ptr<TControl> doomed = std::move(*it);
  components_.erase(it);
  Notification(component, TOperation::opRemove);
  doomed.reset();
}

bool TControl::DestroyComponent(TControl& component) {
  if (component.owner_ != this) return false;
  ReleaseComponent(component);
  return true;
}

void TControl::DestroyComponents() {
  while (!components_.empty()) ReleaseComponent(*components_.back());
}

TControl* TControl::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (const auto& c : components_)
    if (SameName(c->name_, name)) return c.get();
  return nullptr;
}

void TControl::SetName(std::string name) {
  if (!IsValidName(name)) throw EReportError("\"" + name + "\" is not a valid component name");
  if (owner_ != nullptr && !name.empty()) {
    TControl* same = owner_->FindComponent(name);
    if (same != nullptr && same != this)
      throw EReportError("A component named " + name + " already exists");
  }
  name_ = std::move(name);
}

void TControl::SetParent(TControl* parent) {
  if (parent == parent_) return;
  for (TControl* p = parent; p != nullptr; p = p->parent_)
    if (p == this) throw EReportError("A control cannot be placed on itself or its children");
  if (parent_ != nullptr) Unlink(parent_->children_, this);
  parent_ = parent;
  if (parent_ != nullptr) {
    parent_->children_.push_back(this);
    if (parent_font_) AdoptParentFont();
  }
}

int TControl::ZOrderIndex() const {
  if (parent_ == nullptr) return -1;
  const auto& list = parent_->children_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TControl::BringToFront() {
  if (parent_ == nullptr) return;
  Unlink(parent_->children_, this);
  parent_->children_.push_back(this);
  parent_->Invalidate();
}

void TControl::SendToBack() {
  if (parent_ == nullptr) return;
  Unlink(parent_->children_, this);
  parent_->children_.insert(parent_->children_.begin(), this);
  parent_->Invalidate();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Invalidate();
}

void TControl::SetFont(const TFont& font) {
  parent_font_ = false;
  font_ = font;
  FontChanged();
  for (TControl* child : children_)
    if (child->parent_font_) child->AdoptParentFont();
}

void TControl::AdoptParentFont() {
  if (parent_ == nullptr) return;
  font_ = parent_->font_;
  FontChanged();
  for (TControl* child : children_)
    if (child->parent_font_) child->AdoptParentFont();
}

void TControl::SetParentFont(bool value) {
  parent_font_ = value;
  if (value) AdoptParentFont();
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Invalidate();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Invalidate();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (parent_ != nullptr) parent_->Invalidate();
}

void TControl::PropagateZoom(int zoom) {
  if (!IsValidZoom(zoom)) return;
  if (TUnitBase* holder = SizeHolder()) holder->SetZoom(zoom);
  // Copy: a re-sync may make a derived control reorder its children.
  const std::vector<TControl*> children = children_;
  for (TControl* child : children) child->PropagateZoom(zoom);
}

void TControl::PropagateUnits(TReportUnit unit) {
  if (TUnitBase* holder = SizeHolder()) holder->SetUnits(unit);
  const std::vector<TControl*> children = children_;
  for (TControl* child : children) child->PropagateUnits(unit);
}

void TControl::FreeNotification(TControl& other) {
  if (&other == this) return;
  if (std::find(notify_.begin(), notify_.end(), &other) == notify_.end()) {
    notify_.push_back(&other);
    other.notify_.push_back(this);
  }
}

void TControl::RemoveFreeNotification(TControl& other) {
  Unlink(notify_, &other);
  Unlink(other.notify_, this);
}

void TControl::Notification(TControl&, TOperation) {}
