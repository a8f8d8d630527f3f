#include "output/saved_report.h"

#include <chrono>
#include <ctime>

#include "output/stored_page.h"
#include "definition/report_error.h"

namespace saved_report {

std::optional<std::uint32_t> EmfStatedLength(const std::uint8_t* data, std::size_t size) {
  if (size < TStoredPage::kLengthPrefixSize) return std::nullopt;
  try {
    return static_cast<std::uint32_t>(TStoredPage::StatedLength({data, size}));
  } catch (const EReportError&) {
    return std::nullopt;
  }
}

double OleNow() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  double millis = static_cast<double>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  double local_seconds = static_cast<double>(t) + static_cast<double>(local.tm_gmtoff) + millis / 1000.0;
  // 25569 days lie between 30 December 1899 and 1 January 1970.
  return 25569.0 + local_seconds / 86400.0;
}

}  // namespace saved_report
