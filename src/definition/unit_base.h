#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <span>

#include "definition/report_unit.h"

class TControl;

// Base of the size holders (band, element, page). A holder keeps lengths in
// storage units (0.1 mm, long double), reads and writes them in Units(), and
// pushes their pixel equivalents into its control. It does not own the
// control or the report it refers to.
class TUnitBase {
 public:
  // Captures the screen's pixels per inch (non-positive becomes 96) and starts
  // in the measurement system's default unit.
  explicit TUnitBase(const TUnitEnvironment& env);
  virtual ~TUnitBase() = default;
  TUnitBase(const TUnitBase&) = delete;
  TUnitBase& operator=(const TUnitBase&) = delete;

  // The screen's pixels per inch, fixed at creation.
  int ScreenPixelsPerInch() const { return screen_pixels_per_inch_; }

  // Takes the report font of `report`'s environment for the Characters unit
  // (a holder put on a report); an environment without one gives 10 points.
  void SetReportFont(const TUnitEnvironment& report) { report_font_size_ = report.ReportFontSize; }

  // True while the holder pushes pixel bounds into its control; a control
  // whose bounds change meanwhile must not write them back.
  bool PushingBounds() const { return pushing_bounds_; }

  // Zoom in per cent used by the Pixels unit, initially 100.
  int Zoom() const { return zoom_; }
  // Stores a zoom of 1 to 300 and re-syncs the control; other values are
  // ignored.
  void SetZoom(int zoom);

  // The unit saved by the last SwitchToPixels.
  TReportUnit UnitBeforeSwitch() const { return unit_before_switch_; }

  // Converts a stored length (0.1 mm) to `unit`, using this holder's pixels
  // per inch, zoom and report font. `horizontal` gives the direction.
  virtual long double FromStored(TReportUnit unit, bool horizontal, long double x) const;
  // Converts a length in `unit` to storage units.
  virtual long double ToStored(TReportUnit unit, bool horizontal, long double v) const;

  // The unit in which values are read and written.
  virtual TReportUnit Units() const { return units_; }
  // Ends loading: re-syncs the control.
  virtual void Loaded();
  // Reads the persisted "Values" list (see values_list.h); the base has no
  // values and reads nothing.
  virtual void ReadValues(std::istream& in);
  // Pushes the stored lengths, as pixels, into the control; the base has no
  // control.
  virtual void SyncControlBounds();
  // Changes the unit; values outside the enumeration are ignored.
  virtual void SetUnits(TReportUnit unit);
  // Writes the persisted "Values" list; the base has no values and writes
  // nothing.
  virtual void WriteValues(std::ostream& out) const;

  // Saves Units() in UnitBeforeSwitch() and switches to Pixels.
  void SwitchToPixels();
  // Goes back to UnitBeforeSwitch().
  void UndoUnitSwitch();

  // Scoped SwitchToPixels/UndoUnitSwitch that also restores the previously
  // saved unit, so a switch nested inside another one (a control resize
  // during a page write) cannot leave the holder in the wrong unit, and an
  // exception cannot either.
  class TPixelSwitch {
   public:
    explicit TPixelSwitch(TUnitBase& holder);
    ~TPixelSwitch();
    TPixelSwitch(const TPixelSwitch&) = delete;
    TPixelSwitch& operator=(const TPixelSwitch&) = delete;

   private:
    TUnitBase& holder_;
    TReportUnit saved_before_;
  };

 protected:
  // Sets PushingBounds for its lifetime (restoring the previous state).
  class TPushing {
   public:
    explicit TPushing(TUnitBase& holder) : holder_(holder), saved_(holder.pushing_bounds_) {
      holder_.pushing_bounds_ = true;
    }
    ~TPushing() { holder_.pushing_bounds_ = saved_; }
    TPushing(const TPushing&) = delete;
    TPushing& operator=(const TPushing&) = delete;

   private:
    TUnitBase& holder_;
    bool saved_;
  };

  // The report font size for the Characters unit: the environment's, or
  // kDefaultCharacterFontSize without one.
  int CharacterFontSize() const;

  // Reads stored values in Units() / writes them converted, by direction.
  long double ReadStored(long double stored, bool horizontal) const {
    return FromStored(Units(), horizontal, stored);
  }
  long double WriteStored(long double value, bool horizontal) const {
    return ToStored(Units(), horizontal, value);
  }

  // A holder's table of stored lengths, indexed as published, with the
  // direction of each: the value at `index` read in Units() (0 for an index
  // outside the table), and written from Units() (an index outside the table
  // or a value whose stored form is not finite changes nothing).
  long double ReadIndexed(std::span<const long double> stored, std::span<const bool> horizontal,
                          int index) const;
  void WriteIndexed(std::span<long double> stored, std::span<const bool> horizontal, int index,
                    long double value) const;

  // Shared list reading for derived holders: reads a list of exactly
  // `target.size()` values into `target`, all or nothing (EReportError).
  static void ReadStoredList(std::istream& in, std::span<long double> target);
  static void WriteStoredList(std::ostream& out, std::span<const long double> values);

 private:
  int screen_pixels_per_inch_;
  TReportUnit units_;
  std::function<int()> report_font_size_;
  bool pushing_bounds_ = false;
  int zoom_ = 100;
  TReportUnit unit_before_switch_;
};

// True for the five named units.
constexpr bool IsValidUnit(TReportUnit unit) {
  return static_cast<int>(unit) >= static_cast<int>(TReportUnit::MM) &&
         static_cast<int>(unit) <= static_cast<int>(TReportUnit::Native);
}
