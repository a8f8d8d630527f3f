#pragma once

#include <cstdint>
#include <optional>

#include "definition/paper.h"

class TReportPrinter;

// A print as the user asked for it in the printer dialog: which printer,
// the paper, the copies and the pages.
struct TPrintRequest {
  int printerIndex = -1;            // position in the print service's list; -1 the default
  std::optional<TPaperSize> paper;  // the paper to print on; none: the page's own
  int copies = 1;
  bool printerCopies = false;       // the printer makes copies itself
  std::int32_t firstPage = 0;       // 0 or less: every page
  std::int32_t lastPage = 0;
};

// What a print where no printer is left (the service lost its queues since
// the printer was chosen) says.
inline constexpr const char* kNoPrinterLeft = "There is no printer to print on any more: nothing was printed";

// Prints the finished pages of `shown` (a preview's report printer) as
// `request` asks, without generating anything again: the pages firstPage to
// lastPage (all of them for a firstPage of 0 or less) go through temporary
// saved reports into a report printer of their own, `copies` times over in
// one job, collated. The temporary files go on every way out. Throws
// EReportError when the range holds no page of the report (saying which)
// and kNoPrinterLeft without printers; errors of the print propagate.
void PrintStoredPages(TReportPrinter& shown, const TPrintRequest& request);
