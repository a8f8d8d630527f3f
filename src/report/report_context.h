#pragma once

#include <functional>
#include <memory>
#include <string>

#include "graphics/text_metrics.h"
#include "output/engine_context.h"
#include "output/messages.h"

class TReportPrinter;
class TReportPrinterClient;

// Date and time texts in the system's formats. The defaults are numeric
// (day/month/year, 24-hour clock).
struct TDateTimeFormats {
  std::function<std::string(int year, int month, int day)> ShortDate;
  std::function<std::string(int hour, int minute, int second)> ShortTime;
  std::function<std::string(int hour, int minute, int second)> LongTime;
};
TDateTimeFormats NumericDateTimeFormats();

// Makes the window that shows printing progress for a report printing
// straight to a printer (its client), shown when `show` is set.
using TProgressWindowMaker =
    std::function<std::unique_ptr<TReportPrinterClient>(TReportPrinter& printer, bool show)>;

// The engine's services as reports use them: those of every engine object,
// and the system's date formats and the progress window of a report that
// prints itself. Bands and elements take the context of their report.
class TReportContext : public TEngineContext {
 public:
  using TEngineContext::TEngineContext;

  const TDateTimeFormats& Dates() const { return dates_; }
  // Replaces the formats given (empty members keep the current ones).
  void SetDates(TDateTimeFormats formats);

  // The progress window maker; none by default, and then a report prints
  // without one.
  const TProgressWindowMaker& ProgressWindow() const { return progress_window_; }
  void SetProgressWindow(TProgressWindowMaker maker) { progress_window_ = std::move(maker); }

 private:
  TDateTimeFormats dates_ = NumericDateTimeFormats();
  TProgressWindowMaker progress_window_;
};

// A report context without a window system or printers (see THeadless).
using THeadlessContext = THeadless<TReportContext>;
