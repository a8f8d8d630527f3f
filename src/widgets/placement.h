#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/settings_store.h"

class QWidget;
class TPlacementKeeper;

// What a TPlacementKeeper saves and restores.
enum TPlacementOption : unsigned {
  fpState = 1u << 0,          // normal, minimized or maximized
  fpPosition = 1u << 1,       // position and size
  fpActiveControl = 1u << 2,  // the name of the focused control
};
using TPlacementOptions = unsigned;

// Size limits of the owner window; 0 means "not set". Maximized size and
// position have no counterpart on this platform and are only kept.
class TMinMaxLimits {
 public:
  explicit TMinMaxLimits(TPlacementKeeper* owner) : owner_(owner) {}

  int MaxPosLeft() const { return max_pos_.x(); }
  void SetMaxPosLeft(int v) { Set(max_pos_.rx(), v); }
  int MaxPosTop() const { return max_pos_.y(); }
  void SetMaxPosTop(int v) { Set(max_pos_.ry(), v); }
  int MaxSizeHeight() const { return max_size_.height(); }
  void SetMaxSizeHeight(int v) { Set(max_size_.rheight(), v); }
  int MaxSizeWidth() const { return max_size_.width(); }
  void SetMaxSizeWidth(int v) { Set(max_size_.rwidth(), v); }
  int MaxTrackHeight() const { return max_track_.height(); }
  void SetMaxTrackHeight(int v) { Set(max_track_.rheight(), v); }
  int MaxTrackWidth() const { return max_track_.width(); }
  void SetMaxTrackWidth(int v) { Set(max_track_.rwidth(), v); }
  int MinTrackHeight() const { return min_track_.height(); }
  void SetMinTrackHeight(int v) { Set(min_track_.rheight(), v); }
  int MinTrackWidth() const { return min_track_.width(); }
  void SetMinTrackWidth(int v) { Set(min_track_.rwidth(), v); }

  // True when all eight values are 0.
  bool Empty() const;
  // Copies all values and tells the owner placement.
  void Assign(const TMinMaxLimits& other);

 private:
  void Set(int& field, int v);
  TPlacementKeeper* owner_;
  QPoint max_pos_;
  QSize max_size_{0, 0}, max_track_{0, 0}, min_track_{0, 0};
};

// Remembers where its owner window was, how large and in which state, in the
// per-user settings store, and puts it back each time the window is shown.
// It hooks the window's show and close handling itself (the window's own
// handlers still run, after the restore and before the save); its
// destructor is the window's destroy hook, so make it a member of the window
// that is destroyed with it.
class TPlacementKeeper : public QObject {
  Q_OBJECT
 public:
  // Hooks `owner` (not owned). Options default to [fpState, fpPosition].
  explicit TPlacementKeeper(QWidget* owner);
  ~TPlacementKeeper() override;

  QWidget* Owner() const { return owner_; }

  // false: the hooks neither save nor restore.
  bool Active() const { return active_; }
  void SetActive(bool on) { active_ = on; }
  // A key path ("Software\x") or INI file name; empty = DefaultStoreName().
  QString IniFileName() const { return ini_file_name_; }
  void SetIniFileName(const QString& name) { ini_file_name_ = name; }
  // The section (sub-key) of this window; empty = DefaultSectionName().
  QString IniSection() const { return ini_section_; }
  void SetIniSection(const QString& section) { ini_section_ = section; }
  // Size limits, owned by the placement; SetMinMaxInfo copies.
  TMinMaxLimits& MinMaxInfo() { return min_max_; }
  void SetMinMaxInfo(const TMinMaxLimits& limits) { min_max_.Assign(limits); }
  TPlacementOptions Options() const { return options_; }
  void SetOptions(TPlacementOptions options) { options_ = options; }
  // The window keeps its size and cannot be maximized.
  bool PreventResize() const { return prevent_resize_; }
  void SetPreventResize(bool on);
  TPlacementRegRoot RegistryRoot() const { return root_; }
  void SetRegistryRoot(TPlacementRegRoot root) { root_ = root; }
  // true: the settings store; false: an INI file.
  bool UseRegistry() const { return use_registry_; }
  void SetUseRegistry(bool on) { use_registry_ = on; }
  // Stored values with a lower "FormVersion" are ignored.
  std::int32_t Version() const { return version_; }
  void SetVersion(std::int32_t v) { version_ = v; }

  std::function<void(TPlacementKeeper* sender)> OnSavePlacement;
  std::function<void(TPlacementKeeper* sender)> OnRestorePlacement;

  // Writes / reads and applies everything (see the store's value names).
  void SaveWindowPlacement();
  void RestoreWindowPlacement();

  virtual QString ReadStoreString(const QString& section, const QString& name, const QString& def);
  virtual void WriteStoreString(const QString& section, const QString& name, const QString& value);
  // Whole numbers in decimal, in the placement's section; a missing or
  // non-numeric value reads as `def`.
  int ReadStoreInteger(const QString& name, int def);
  void WriteStoreInteger(const QString& name, int value);

  // Opens the store for a series of calls (nothing if already open).
  void OpenStore(bool read_only);
  void CloseStore();
  // Runs action on the store, opening it for this access if it is closed.
  template <typename Action>
  auto WithStore(bool read_only, Action action);

  // "Software\" + program file name without directory and extension (or,
  // without UseRegistry, the file name with ".INI").
  QString DefaultStoreName() const;
  // The class name of the owner window.
  QString DefaultSectionName() const;
  QString StoreName() const { return ini_file_name_.isEmpty() ? DefaultStoreName() : ini_file_name_; }
  QString SectionName() const { return ini_section_.isEmpty() ? DefaultSectionName() : ini_section_; }

  // Puts the maximized position just outside the screen (no effect on this
  // platform beyond the stored "MinMaxPos").
  void ApplyMaximizedPosition();
  // Applies or lifts the size limits of MinMaxInfo and PreventResize.
  void UpdateMessageHook();

  // Whether the platform lets a window read and choose its position. Not on
  // Wayland, where the compositor places windows: there only the size and
  // state are restored, and the position stored elsewhere is kept.
  virtual bool PlatformPlacesWindows() const;

 protected:
  virtual void WritePlacementValues();
  virtual void ReadPlacementValues();
  // Fire OnSavePlacement / OnRestorePlacement.
  virtual void Save();
  virtual void Restore();

  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  friend class TMinMaxLimits;
  void LimitsChanged();
  void ApplyPreventResize();
  void Reported(const std::function<void()>& fn);
  // "MinMaxPos(1024x768)" and the like.
  QString ScreenSuffixed(const QString& name) const;
  QString ReadSuffixed(const QString& name);

  QPointer<QWidget> owner_;
  bool active_ = true;
  QString ini_file_name_, ini_section_;
  TMinMaxLimits min_max_{this};
  TPlacementOptions options_ = fpState | fpPosition;
  bool prevent_resize_ = false;
  TPlacementRegRoot root_ = prCurrentUser;
  bool use_registry_ = false;
  std::int32_t version_ = 0;

  std::unique_ptr<TSettingsStore> store_;
  bool restored_ = false, saved_ = false, destroying_ = false, default_maximize_ = true;
  bool limits_applied_ = false;
  QSize owner_min_, owner_max_;  // the window's own limits, put back when lifted
  QPoint min_pos_{-1, -1}, max_pos_{-1, -1};  // the platform keeps no such positions
};
