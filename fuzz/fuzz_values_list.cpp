// Feeds arbitrary text to the "Values" list reader and to the size holders
// that read it: every input must either load or fail with EReportError, and
// a failed read must leave the holder's values as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "definition/band_size.h"
#include "definition/page_setup.h"
#include "definition/report_error.h"
#include "definition/values_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const auto values = ParseValuesList(text, TPageSetup::kValueCount);
    // What was read writes back to a list that reads the same.
    if (ParseValuesList(FormatValuesList(values), values.size()) != values) std::abort();
  } catch (const EReportError&) {
  }

  TPageSetup page(TUnitEnvironment{});
  std::istringstream page_in(text);
  try {
    page.ReadValues(page_in);
  } catch (const EReportError&) {
    if (page.Stored(TPageSetup::kWidth) != 2100 || page.Stored(TPageSetup::kLength) != 2970)
      std::abort();
  }
  page.CheckMargins();
  (void)page.DesignColumnDividers();
  (void)page.GenerationColumnWidth();

  TBandSize band(nullptr, TUnitEnvironment{});
  std::istringstream band_in(text);
  try {
    band.ReadValues(band_in);
  } catch (const EReportError&) {
    if (band.StoredHeight() != 20 || band.StoredWidth() != 40) std::abort();
  }
  return 0;
}
