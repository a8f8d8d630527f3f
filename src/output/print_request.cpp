#include "output/print_request.h"

#include <cstdio>
#include <string>
#include <vector>

#include "output/page_files.h"
#include "output/report_printer.h"
#include "output/temp_file.h"
#include "definition/report_error.h"

namespace {

// Temporary files that go when the print ends, however it ends, in the
// reverse order of their making, or as soon as no step needs them by name:
// a name outlives a process that is killed, so the print itself runs with
// none left.
class TTempFiles {
 public:
  TTempFiles() = default;
  TTempFiles(const TTempFiles&) = delete;
  TTempFiles& operator=(const TTempFiles&) = delete;
  ~TTempFiles() { DropAll(); }
  std::string Make() {
    names_.push_back(TempFileName());
    return names_.back();
  }
  void DropAll() {
    for (auto it = names_.rbegin(); it != names_.rend(); ++it) std::remove(it->c_str());
    names_.clear();
  }

 private:
  std::vector<std::string> names_;
};

}  // namespace

void PrintStoredPages(TReportPrinter& shown, const TPrintRequest& request) {
  TTempFiles files;
  const std::string t1 = files.Make();
  const std::string t2 = files.Make();
  const std::string t3 = files.Make();
  shown.Save(t1);
  ExtractPages(t1, t2, request.firstPage, request.lastPage);
  TReportPrinter p(shown.Context());
  if (!p.PrintersAvailable()) throw EReportError(kNoPrinterLeft);
  p.SetPrinterIndex(request.printerIndex);
  if (request.copies < 2) {
    p.Load(t2);
  } else {
    const std::vector<std::string> list(std::size_t(request.copies), t2);
    JoinReports(t3, &list);
    p.Load(t3);
  }
  // The printer reads the pages through the file it opened.
  files.DropAll();
  if (p.PageCount() == 0) {
    const int pages = shown.PageCount();
    throw EReportError(pages == 1 ? "Pages %1 to %2 are not in the report, which has %3 page: nothing was printed"
                                  : "Pages %1 to %2 are not in the report, which has %3 pages: nothing was printed",
                       {std::to_string(request.firstPage), std::to_string(request.lastPage), std::to_string(pages)});
  }
  // The copies are in the file already; the job asks for one.
  p.SetCopies(1);
  if (request.paper) p.SetDevicePaper(*request.paper);
  p.SetTitle(shown.Title());
  p.Print();
}
