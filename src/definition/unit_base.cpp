#include "definition/unit_base.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "definition/report_error.h"
#include "definition/values_list.h"

TUnitBase::TUnitBase(const TUnitEnvironment& env)
    : screen_pixels_per_inch_(env.ScreenPixelsPerInch > 0 ? env.ScreenPixelsPerInch : 96),
      units_(DefaultUnit(env.Measurement)),
      report_font_size_(env.ReportFontSize),
      unit_before_switch_(units_) {}

void TUnitBase::SetZoom(int zoom) {
  if (!IsValidZoom(zoom)) return;
  zoom_ = zoom;
  SyncControlBounds();
}

int TUnitBase::CharacterFontSize() const {
  return report_font_size_ ? report_font_size_() : kDefaultCharacterFontSize;
}

long double TUnitBase::FromStored(TReportUnit unit, bool horizontal, long double x) const {
  const int font = unit == TReportUnit::Characters ? CharacterFontSize() : 0;
  return UnitFromStored(unit, horizontal, x, screen_pixels_per_inch_, zoom_, font);
}

long double TUnitBase::ToStored(TReportUnit unit, bool horizontal, long double v) const {
  const int font = unit == TReportUnit::Characters ? CharacterFontSize() : 0;
  return UnitToStored(unit, horizontal, v, screen_pixels_per_inch_, zoom_, font);
}

void TUnitBase::Loaded() { SyncControlBounds(); }

void TUnitBase::ReadValues(std::istream&) {}

void TUnitBase::SyncControlBounds() {}

void TUnitBase::SetUnits(TReportUnit unit) {
  if (IsValidUnit(unit)) units_ = unit;
}

void TUnitBase::WriteValues(std::ostream&) const {}

void TUnitBase::SwitchToPixels() {
  unit_before_switch_ = Units();
  SetUnits(TReportUnit::Pixels);
}

void TUnitBase::UndoUnitSwitch() { SetUnits(unit_before_switch_); }

TUnitBase::TPixelSwitch::TPixelSwitch(TUnitBase& holder)
    : holder_(holder), saved_before_(holder.unit_before_switch_) {
  holder_.SwitchToPixels();
}

TUnitBase::TPixelSwitch::~TPixelSwitch() {
  holder_.UndoUnitSwitch();
  holder_.unit_before_switch_ = saved_before_;
}

void TUnitBase::ReadStoredList(std::istream& in, std::span<long double> target) {
  const std::vector<long double> values = ReadValuesList(in, target.size());
  if (values.size() != target.size())
    throw EReportError("Invalid Values list: expected " + std::to_string(target.size()) +
                       " values, found " + std::to_string(values.size()));
  std::copy(values.begin(), values.end(), target.begin());
}

void TUnitBase::WriteStoredList(std::ostream& out, std::span<const long double> values) {
  WriteValuesList(out, values);
}

long double TUnitBase::ReadIndexed(std::span<const long double> stored,
                                   std::span<const bool> horizontal, int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= stored.size()) return 0;
  return ReadStored(stored[index], horizontal[index]);
}

void TUnitBase::WriteIndexed(std::span<long double> stored, std::span<const bool> horizontal,
                             int index, long double value) const {
  if (index < 0 || static_cast<std::size_t>(index) >= stored.size()) return;
  const long double converted = WriteStored(value, horizontal[index]);
  if (std::isfinite(converted)) stored[index] = converted;
}
