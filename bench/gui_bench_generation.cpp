// Report generation at scale and the record sheet: a banded report of one
// detail band per row (labels and rules) generated into the page store, in
// pages per second of wall-clock time with the resident memory at 10, 1000
// and 10000 pages; and the record sheet from its definition to its stored
// page. Text is measured with the platform's fonts, as in the program.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <string>

#include "sheet/broodlog_form.h"
#include "report/report_label.h"
#include "platform/application.h"
#include "report/report_context.h"
#include "platform/engine_services.h"

namespace {

// The program's services, made once the application object exists.
TReportContext& Context() {
  static TEngineServices services;
  return services.Context();
}


long CurrentRssKb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// A4 portrait, 10 mm margins; a 40 mm detail band holds six rows a page:
// three labels, a horizontal and a vertical rule per row.
struct TBanded {
  TControl owner;
  TReport* report;
  int rows = 0;

  explicit TBanded(int pages) {
    report = &owner.CreateComponent<TReport>(Context());
    report->SetUnits(TReportUnit::Native);
    TBand& detail = owner.CreateComponent<TBand>(Context(), TBandType::rbDetail);
    detail.SetParent(report);
    detail.Size().SetUnits(TReportUnit::Native);
    detail.Size().SetHeight(400);
    for (int i = 0; i < 3; ++i) {
      TReportLabel& label = owner.CreateComponent<TReportLabel>(Context());
      label.SetParent(&detail);
      label.Size().SetUnits(TReportUnit::Native);
      label.Size().SetLeft(100 + 600 * i);
      label.Size().SetTop(50);
      label.SetCaption("Colony " + std::to_string(i + 1) + ": inspected, queen seen");
    }
    for (TShapeType shape : {TShapeType::stHorLine, TShapeType::stVertLine}) {
      TReportShape& rule = owner.CreateComponent<TReportShape>(Context());
      rule.SetParent(&detail);
      rule.SetShape(shape);
      rule.Size().SetUnits(TReportUnit::Native);
      rule.Size().SetWidth(shape == TShapeType::stHorLine ? 1900 : 3);
      rule.Size().SetHeight(shape == TShapeType::stHorLine ? 3 : 400);
    }
    report->OnPreview = [](TReportPrinter&) {};
    const int total = pages * 6;
    report->OnNeedData = [this, total](TCustomReport&, bool& more) { more = rows++ < total; };
  }
};

void BM_GenerateBandedReport(benchmark::State& state) {
  const int pages = static_cast<int>(state.range(0));
  long rss = 0;
  for (auto _ : state) {
    TBanded banded(pages);
    banded.report->Preview();
    if (banded.report->ReportPrinter()->PageCount() != pages) state.SkipWithError("wrong page count");
    rss = CurrentRssKb();
  }
  state.SetItemsProcessed(state.iterations() * pages);
  state.counters["pages_per_second"] = benchmark::Counter(double(state.iterations()) * pages, benchmark::Counter::kIsRate);
  state.counters["rss_kb_at_end"] = double(rss);
}
// Rates over the wall clock: what a user waits for, page stream's file
// writes included.
BENCHMARK(BM_GenerateBandedReport)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecordSheetToStoredPage(benchmark::State& state) {
  for (auto _ : state) {
    TFormBroodlog form(Context());
    form.SetApiaryName("Hill top apiary");
    form.Report->OnPreview = [](TReportPrinter&) {};
    form.Report->Preview();
    benchmark::DoNotOptimize(form.Report->ReportPrinter()->PageCount());
  }
}
BENCHMARK(BM_RecordSheetToStoredPage)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
