#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "graphics/text_metrics.h"
#include "output/messages.h"
#include "output/platform_printer.h"
#include "definition/report_unit.h"
#include "definition/translation.h"

// What the print service said when it was asked for its printers.
enum class TPrintServiceState {
  Answered,      // it answered (with or without printers)
  NotRunning,    // nothing takes the connection: no scheduler runs
  NotAnswering,  // it took the connection but gave no answer in time
};
// Asks the print service, and later calls `answered` on the interface
// thread; never waits for the service itself.
using TPrintServiceAsker = std::function<void(std::function<void(TPrintServiceState)> answered)>;

// The services the engine takes from the program that hosts it: the message
// loop of the interface thread, the print service's printers, the reference
// context that measures text as the screen does, and the screen's
// resolution and the locale's measurement system. The host makes one and
// hands it to every report and report printer it creates; nothing in the
// engine reaches these services any other way. The context does not own the
// loop or the metrics, which must outlive it.
class TEngineContext {
 public:
  TEngineContext(TMessageLoop& loop, TTextMetrics& metrics, TUnitEnvironment units = {},
                 TPlatformPrinterFactory printers = {})
      : loop_(loop), metrics_(metrics), units_(SafeUnits(units)), printers_(std::move(printers)) {}
  TEngineContext(const TEngineContext&) = delete;
  TEngineContext& operator=(const TEngineContext&) = delete;

  TMessageLoop& Loop() const { return loop_; }
  // The reference context: report generation measures every text with it
  // and records stored pages with its advances.
  TTextMetrics& Metrics() const { return metrics_; }
  // What size holders capture when they are made.
  const TUnitEnvironment& Units() const { return units_; }

  // A platform printer object of the print service, or one without printers
  // where the host has none.
  std::unique_ptr<TPlatformPrinter> MakePrinter() const {
    if (printers_) {
      if (auto printer = printers_()) return printer;
    }
    return std::make_unique<TNoPlatformPrinter>(metrics_);
  }
  void SetPrinters(TPlatformPrinterFactory printers) { printers_ = std::move(printers); }

  // Asks the print service for its printers before a print, so that the
  // printers made next hold its answer; `answered` runs once it is in (at
  // once where the host gives no way to ask, as printers made by a plain
  // factory need no asking).
  void AskPrintService(std::function<void(TPrintServiceState)> answered) const {
    if (asker_) {
      asker_(std::move(answered));
    } else {
      answered(TPrintServiceState::Answered);
    }
  }
  void SetPrintServiceAsker(TPrintServiceAsker asker) { asker_ = std::move(asker); }

  // `source` (English, UTF-8) in the user's language, within `context` (the
  // class it belongs to); as written without a translator.
  std::string Translate(const char* context, const char* source) const {
    return translator_ ? translator_(context, source) : std::string(source);
  }
  void SetTranslator(TTextTranslator translator) { translator_ = std::move(translator); }

  // The printer new report printers start on: a position in the printer
  // list, or -1 (initially) for the system default.
  int PrinterIndex() const { return printer_index_; }
  void SetPrinterIndex(int index) { printer_index_ = index; }

 private:
  static TUnitEnvironment SafeUnits(TUnitEnvironment units) {
    if (units.ScreenPixelsPerInch <= 0) units.ScreenPixelsPerInch = 96;
    return units;
  }

  TMessageLoop& loop_;
  TTextMetrics& metrics_;
  TUnitEnvironment units_;
  TPlatformPrinterFactory printers_;
  TPrintServiceAsker asker_;
  TTextTranslator translator_;
  int printer_index_ = -1;
};

namespace detail {
// Made before the context that refers to them.
struct THeadlessServices {
  TQueueMessageLoop loop;
  TFixedPitchTextMetrics metrics{96};
};
}  // namespace detail

// A context without a window system or printers: a plain queue, fixed-pitch
// text metrics at 96 pixels per inch, metric units. For command-line tools,
// fuzzers and engine tests; `TContext` is TEngineContext or a context
// derived from it.
template <class TContext>
class THeadless : private detail::THeadlessServices, public TContext {
 public:
  explicit THeadless(TUnitEnvironment units = {}) : TContext(loop, metrics, units) {}
  TQueueMessageLoop& Queue() { return loop; }
  TFixedPitchTextMetrics& FixedMetrics() { return metrics; }
};
using THeadlessEngineContext = THeadless<TEngineContext>;
