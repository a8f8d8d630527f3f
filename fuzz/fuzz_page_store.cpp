// LoadFromFile and GetPage over arbitrary files: each input is written to
// a file and read as a saved report, uncompressed and compressed, fetching
// pages in a scattered order. Errors are fine; crashes, hangs and
// out-of-bounds reads are not.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "output/page_store.h"
#include "output/stored_page.h"
#include "report/report_error.h"

namespace {

const std::string& FileName() {
  static const std::string name = [] {
    const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/fuzz_page_store." + std::to_string(::getpid()) + ".rpt";
  }();
  return name;
}

void ReadAll(bool compressed) {
  TPageStore store;
  store.SetCompression(compressed);
  try {
    store.LoadFromFile(FileName());
  } catch (const EReportError&) {
    return;
  }
  const std::int32_t count = store.PageCount();
  const std::int32_t order[] = {1, count, 2, count - 1, count / 2, 3, count + 1, 0, 1, count};
  int calls = 0;
  for (std::int32_t n : order) {
    try {
      if (calls++ % 2) {
        store.GetPage(n);
      } else {
        store.GetPageData(n);
      }
    } catch (const EReportError&) {
    }
  }
  // And in order, as the printer reads them, for the first few.
  for (std::int32_t n = 1; n <= count && n <= 16; ++n) {
    try {
      store.GetPageData(n);
    } catch (const EReportError&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(FileName().c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  ReadAll(false);
  ReadAll(true);
  std::remove(FileName().c_str());
  return 0;
}
