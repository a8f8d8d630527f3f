#pragma once

#include <functional>
#include <string_view>

// Units in which report lengths are shown to users, designers and code.
// Every length is stored in tenths of a millimetre (see kStoredPerMM) as a
// long double; the unit only changes how it is read and written.
enum class TReportUnit {
  MM = 0,          // millimetres
  Inches = 1,      // inches
  Pixels = 2,      // screen pixels at the holder's zoom
  Characters = 3,  // character cells of the report font
  Native = 4,      // the storage unit itself (0.1 mm)
};

// Storage units per millimetre and per inch.
inline constexpr long double kStoredPerMM = 10.0L;
inline constexpr long double kStoredPerInch = 254.0L;

// The report font size the Characters unit falls back to when there is no
// report or its font has size 0 (the conversion divides by the size).
inline constexpr int kDefaultCharacterFontSize = 10;

// Zoom limits in per cent; values outside are ignored wherever a zoom is set.
inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 300;
constexpr bool IsValidZoom(int zoom) { return zoom >= kMinZoom && zoom <= kMaxZoom; }

// The locale's measurement system, which picks the default unit and paper.
enum class TMeasurementSystem {
  Metric,        // millimetres and A4
  UnitedStates,  // inches and Letter
};

// Maps the locale's measurement-system value as the platform reports it:
// "1" is the U.S. system, anything else (normally "0") is metric.
TMeasurementSystem MeasurementSystemFromLocaleValue(std::string_view value);

// The unit a new size holder starts in for a measurement system.
TReportUnit DefaultUnit(TMeasurementSystem system);

// What a size holder captures from the platform when it is created; the
// host gives it through its engine context.
struct TUnitEnvironment {
  int ScreenPixelsPerInch = 96;  // the screen's logical pixels per inch
  TMeasurementSystem Measurement = TMeasurementSystem::Metric;
  // The report font's size in points, sign as the font keeps it, for the
  // Characters unit (its absolute value; none or 0 is 10 points).
  std::function<int()> ReportFontSize = {};
};

// Width and height of one character cell in millimetres for a report font of
// `fontSize` points (its absolute value is used; 0 falls back to
// kDefaultCharacterFontSize): W(s) = 80 / s / 2.54, H(s) = 145.3 / s / 2.54.
long double CharacterWidthMM(int fontSize);
long double CharacterHeightMM(int fontSize);

// Converts a stored length x (0.1 mm) to `unit`. `horizontal` selects the
// character width or height for Characters; `pixelsPerInch` and `zoom`
// (per cent) apply to Pixels (non-positive values fall back to 96 and 100).
// The operations run in a fixed order in long
// double so that results are reproducible to the last bit.
long double UnitFromStored(TReportUnit unit, bool horizontal, long double x,
                           int pixelsPerInch, int zoom, int fontSize);

// Converts a length v in `unit` to storage units (0.1 mm); the inverse of
// UnitFromStored with the same parameters.
long double UnitToStored(TReportUnit unit, bool horizontal, long double v,
                         int pixelsPerInch, int zoom, int fontSize);
