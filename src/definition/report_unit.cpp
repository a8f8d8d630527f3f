#include "definition/report_unit.h"

#include <cstdlib>

namespace {

// Holders never pass these, but a bad pair must not divide by zero.
int SafePixelsPerInch(int ppi) { return ppi > 0 ? ppi : 96; }
int SafeZoom(int zoom) { return zoom > 0 ? zoom : 100; }

long double CharacterFontPoints(int fontSize) {
  const int s = std::abs(fontSize);
  return s == 0 ? kDefaultCharacterFontSize : s;
}

}  // namespace

TMeasurementSystem MeasurementSystemFromLocaleValue(std::string_view value) {
  return value == "1" ? TMeasurementSystem::UnitedStates : TMeasurementSystem::Metric;
}

TReportUnit DefaultUnit(TMeasurementSystem system) {
  return system == TMeasurementSystem::UnitedStates ? TReportUnit::Inches : TReportUnit::MM;
}

long double CharacterWidthMM(int fontSize) {
  return 80.0L / CharacterFontPoints(fontSize) / 2.54L;
}

long double CharacterHeightMM(int fontSize) {
  return 145.3L / CharacterFontPoints(fontSize) / 2.54L;
}

long double UnitFromStored(TReportUnit unit, bool horizontal, long double x,
                           int pixelsPerInch, int zoom, int fontSize) {
  switch (unit) {
    case TReportUnit::MM:
      return x / 10.0L;
    case TReportUnit::Inches:
      return x / kStoredPerInch;
    case TReportUnit::Pixels:
      return x / (kStoredPerInch / SafePixelsPerInch(pixelsPerInch)) * SafeZoom(zoom) / 100.0L;
    case TReportUnit::Characters:
      return horizontal ? x / CharacterWidthMM(fontSize) / 10.0L
                        : x / CharacterHeightMM(fontSize) / 10.0L;
    case TReportUnit::Native:
      return x;
  }
  return x;
}

long double UnitToStored(TReportUnit unit, bool horizontal, long double v,
                         int pixelsPerInch, int zoom, int fontSize) {
  switch (unit) {
    case TReportUnit::MM:
      return v * 10.0L;
    case TReportUnit::Inches:
      return v * kStoredPerInch;
    case TReportUnit::Pixels:
      return v * (kStoredPerInch / SafePixelsPerInch(pixelsPerInch)) / SafeZoom(zoom) * 100.0L;
    case TReportUnit::Characters:
      return horizontal ? v * CharacterWidthMM(fontSize) * 10.0L
                        : v * CharacterHeightMM(fontSize) * 10.0L;
    case TReportUnit::Native:
      return v;
  }
  return v;
}
