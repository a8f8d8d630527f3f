// The preview on screen: "print note" until the sheet's first page is
// painted, opening the preview window on a report being generated until its
// first page is painted, repainting the sheet at 100 %,
// and paging through a 1000-page saved report. Runs on Qt's offscreen
// platform unless QT_QPA_PLATFORM says otherwise; on a real display a new
// window is painted only once the window system has shown it, which the
// benchmarks wait for, and an iteration in which nothing was painted is an
// error, never a time. All times are wall-clock times.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include <chrono>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/preview_form.h"
#include "output/messages.h"
#include "output/report_printer.h"
#include "platform/application.h"
#include "report/report_context.h"
#include "platform/engine_services.h"
#include "sample_pages.h"
#include "widgets/report_preview.h"

namespace {

// The program's services, made once the application object exists.
TReportContext& Context() {
  static TEngineServices services;
  return services.Context();
}


std::unique_ptr<TReportPrinter> LandscapePrinter() {
  auto printer = std::make_unique<TReportPrinter>(Context());
  printer->SetPaperSize(TPaperSize::A4);
  printer->SetOrientation(TPrinterOrientation::poLandscape);
  return printer;
}

// Paints the preview's view now, as the screen would.
void Paint(TReportPreview& preview) { preview.viewport()->repaint(); }

// Runs the event loop, asking for the view to be painted, until the preview
// has painted its page; false when that has not happened within five
// seconds (a window the window system never shows).
bool WaitForPaint(TReportPreview& preview) {
  QDeadlineTimer deadline(5000);
  for (;;) {
    QCoreApplication::processEvents();
    Paint(preview);
    if (preview.Image()->RenderCount() > 0) return true;
    if (deadline.hasExpired()) return false;
    QThread::usleep(200);
  }
}

// The preview half of "print note": the window is made and shown, the
// printer attached before any page exists, the one-page sheet generated,
// the notices delivered, and the view painted once the window is on the
// screen. The report's own work on the sheet (bands, captions) is not in
// it. Timed by hand, so that closing the window is not.
void BM_OpenToFirstPagePainted(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    const auto start = Clock::now();
    auto printer = LandscapePrinter();
    auto* form = new TfrmPreview(nullptr);
    form->SetReportPrinter(printer.get());
    form->show();
    printer->BeginDoc();
    printer->NewPage();
    DrawSampleSheet(printer->Canvas());
    printer->EndDoc();
    Context().Loop().ProcessMessages();
    const bool painted = WaitForPaint(*form->RptPreview1);
    const auto end = Clock::now();
    delete form;
    printer.reset();
    QCoreApplication::processEvents();
    if (!painted) {
      state.SkipWithError("the page was not painted within 5 s");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_OpenToFirstPagePainted)->UseManualTime()->Unit(benchmark::kMillisecond);

// Closes the preview window once its image has painted a page, noting the
// time: the paint is let through, and the note is taken right after it.
class TFirstPaintWatch : public QObject {
 public:
  using Clock = std::chrono::steady_clock;
  Clock::time_point painted{};

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    auto* image = qobject_cast<TPreviewImage*>(watched);
    if (e->type() == QEvent::Paint && image && image->ImageOK() && painted == Clock::time_point{}) {
      QWidget* window = image->window();
      QTimer::singleShot(0, window, [this, window] {
        painted = Clock::now();
        window->close();
      });
    }
    return false;
  }
};

// "print note" pressed in the main window until the sheet's first page has
// been painted in the preview window: the sheet made, its captions and name
// applied, the window opened, the sheet generated, notices delivered and
// the page drawn. Timed by hand: the flow's wait for the window to close is
// not part of it.
void BM_PrintNoteToFirstPagePainted(benchmark::State& state) {
  Tbroodlogprint main(Context());
  main.Edit1->setText(QStringLiteral("Les Tilleuls"));
  TFirstPaintWatch watch;
  qApp->installEventFilter(&watch);
  for (auto _ : state) {
    watch.painted = {};
    const auto pressed = TFirstPaintWatch::Clock::now();
    main.BitBtn1Click();
    if (watch.painted == TFirstPaintWatch::Clock::time_point{}) {
      state.SkipWithError("the first page was not painted");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(watch.painted - pressed).count());
  }
  qApp->removeEventFilter(&watch);
}
BENCHMARK(BM_PrintNoteToFirstPagePainted)->UseManualTime()->Unit(benchmark::kMillisecond);

// One repaint of the whole view at 100 % (1000 x 700), the page cached as it
// is after the first paint; and the same with the page replayed every time.
void BM_RepaintAt100(benchmark::State& state) {
  const bool replay = state.range(0) != 0;
  auto printer = LandscapePrinter();
  printer->BeginDoc();
  printer->NewPage();
  DrawSampleSheet(printer->Canvas());
  printer->EndDoc();
  TReportPreview preview;
  preview.resize(1000, 700);
  preview.SetReportPrinter(printer.get());
  preview.SetZoom(100);
  preview.show();
  if (!WaitForPaint(preview)) {
    state.SkipWithError("the page was not painted within 5 s");
    return;
  }
  TPreviewImage* image = preview.Image();
  for (auto _ : state) {
    if (replay) {
      benchmark::DoNotOptimize(image->Render(image->rect(), image->devicePixelRatioF()));
    } else {
      Paint(preview);
    }
  }
  state.SetLabel(replay ? "page replayed" : "page cached");
}
BENCHMARK(BM_RepaintAt100)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 1000-page saved report loaded into a printer and shown page after page
// at the window's 50 % (and at 100 %): fetch, replay, paint.
void BM_Paging1000PageReport(benchmark::State& state) {
  constexpr int kPages = 1000;
  const std::string file = (std::filesystem::temp_directory_path() / "broodlog_bench_1000.rpt").string();
  {
    auto maker = LandscapePrinter();
    maker->BeginDoc();
    for (int i = 1; i <= kPages; ++i) {
      maker->NewPage();
      DrawNumberedPage(maker->Canvas(), i, kPages);
    }
    maker->EndDoc();
    maker->Save(file);
  }
  TReportPrinter printer(Context());
  printer.Load(file);
  TReportPreview preview;
  preview.resize(1000, 700);
  preview.SetReportPrinter(&printer);
  preview.SetZoom(int(state.range(0)));
  preview.show();
  if (!WaitForPaint(preview)) {
    state.SkipWithError("the page was not painted within 5 s");
    preview.SetReportPrinter(nullptr);
    std::filesystem::remove(file);
    return;
  }
  int page = 1;
  for (auto _ : state) {
    page = page % kPages + 1;
    preview.SetPageNumber(page);
    Paint(preview);
  }
  if (preview.Image()->RenderCount() != 1) state.SkipWithError("the last page was not painted");
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("per page");
  preview.SetReportPrinter(nullptr);
  std::filesystem::remove(file);
}
BENCHMARK(BM_Paging1000PageReport)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

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
