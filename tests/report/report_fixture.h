#pragma once

// Small banded reports for tests: A4 portrait, 10 mm margins, lengths in
// 0.1 mm, rows supplied through OnNeedData, every band print recorded.

#include <memory>
#include <string>
#include <vector>

#include "report/report.h"
#include "report/report_context.h"

struct TBandPrint {
  std::string band;
  int page;
  int column;
  long double x;  // the band's left edge (0.1 mm)
  long double y;  // the cursor after the band (0.1 mm)
  bool printed;
  friend bool operator==(const TBandPrint&, const TBandPrint&) = default;
};

class TReportFixture {
 public:
  // `units`: the screen and the locale the report is made on.
  explicit TReportFixture(TUnitEnvironment units = {}) : context(units) {
    report = &owner.CreateComponent<TReport>(context);
    report->SetUnits(TReportUnit::Native);
    report->OnPreview = [this](TReportPrinter& sender) {
      previewSender = &sender;
      pagesAtPreview = sender.PageCount();
    };
  }

  TBand& AddBand(TBandType type, long double height, const std::string& name) {
    TBand& band = owner.CreateComponent<TBand>(context, type);
    band.SetName(name);
    band.SetParent(report);
    band.Size().SetUnits(TReportUnit::Native);
    band.Size().SetHeight(height);
    Record(band);
    return band;
  }
  // A child band of `parent`, `height` high, recorded under `name`.
  TChildBand& AddChild(TCustomBand& parent, long double height, const std::string& name) {
    parent.SetHasChild(true);
    TChildBand& child = *parent.ChildBand();
    child.SetName(name);
    child.Size().SetUnits(TReportUnit::Native);
    child.Size().SetHeight(height);
    Record(child);
    return child;
  }
  void Record(TCustomBand& band) {
    band.AfterPrint = [this](TCustomBand& b, bool printed) {
      const TGenerationRun& run = *report->Run();
      prints.push_back({b.Name(), run.PageCounter(), run.ColumnIndex(), run.CursorX(), run.CursorY(), printed});
    };
  }
  // Rows: OnNeedData says "more" `rows` times.
  void Rows(int rows) {
    remaining = rows;
    report->OnNeedData = [this](TCustomReport&, bool& more) { more = remaining-- > 0; };
  }
  // Where each band was printed, per name, as page numbers.
  std::vector<int> Pages(const std::string& band) const {
    std::vector<int> pages;
    for (const auto& p : prints)
      if (p.band == band && p.printed) pages.push_back(p.page);
    return pages;
  }
  // The prints of one band, in order.
  std::vector<TBandPrint> PrintsOf(const std::string& band) const {
    std::vector<TBandPrint> out;
    for (const auto& p : prints)
      if (p.band == band) out.push_back(p);
    return out;
  }
  int PageCount() const { return previewSender ? previewSender->PageCount() : -1; }

  THeadlessContext context;
  TControl owner;
  TReport* report;
  std::vector<TBandPrint> prints;
  TReportPrinter* previewSender = nullptr;
  int pagesAtPreview = -1;
  int remaining = 0;
};
