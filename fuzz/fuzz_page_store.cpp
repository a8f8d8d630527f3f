// LoadFromStream and GetPage over arbitrary saved reports held in memory
// (a file adds nothing but system calls: the file checks are tested
// elsewhere), read uncompressed and compressed, fetching pages in a
// scattered order, then in order as the page tools do. Errors are fine;
// crashes, hangs and out-of-bounds reads are not.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "output/page_store.h"
#include "output/page_stream.h"
#include "output/stored_page.h"
#include "definition/report_error.h"

namespace {

void ReadAll(const std::uint8_t* data, std::size_t size, bool compressed) {
  TPageStore store;
  store.SetCompression(compressed);
  try {
    store.LoadFromStream(TPageStream::CreateFromBytes({data, data + size}), "fuzz input");
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
  // In order, as the printer and the page tools read them, for the first
  // few; the record places as rptool info lists them.
  std::vector<std::uint8_t> page;
  for (std::int32_t n = 1; n <= count && n <= 16; ++n) {
    try {
      store.LocateRecord(n);
      store.GetPageDataInto(n, page);
    } catch (const EReportError&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadAll(data, size, false);
  ReadAll(data, size, true);
  return 0;
}
