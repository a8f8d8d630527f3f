#pragma once

class TControl;

// What size holders need from the report that owns them. The report itself
// implements it; tests use small fakes. A holder keeps a non-owning pointer
// and the report outlives its holders.
class TReportHost {
 public:
  virtual ~TReportHost() = default;

  // Size of the report font in points, sign as the font keeps it (the
  // Characters unit uses its absolute value; 0 falls back to 10 points).
  virtual int ReportFontSize() const = 0;

  // The report's own control, whose pixel size follows the page; may be null.
  // Its Invalidate() repaints the report.
  virtual TControl* ReportControl() = 0;

  // Sorts the report's bands and lays them out on the design surface.
  virtual void ArrangeBands() = 0;

  // Sets the report's Units again, so that every holder takes the unit anew.
  virtual void ReapplyUnits() = 0;
};
