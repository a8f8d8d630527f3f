// The page expander over arbitrary compressed bytes, and compressor and
// expander as a pair: the first two bytes give how many bytes to expand,
// the rest is the compressed data; the whole input must also survive a
// round trip.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "output/page_compressor.h"
#include "definition/report_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 2) {
    const std::size_t want = static_cast<std::size_t>(data[0]) | static_cast<std::size_t>(data[1]) << 8;
    std::vector<std::uint8_t> out(want);
    try {
      TPageCompressor expander(data + 2, size - 2);
      expander.Decode(out.data(), out.size());
    } catch (const EReportError&) {
    }
  }
  std::vector<std::uint8_t> packed;
  {
    TPageCompressor compressor(packed);
    compressor.Encode(data, size);
  }
  std::vector<std::uint8_t> back(size);
  TPageCompressor expander(packed.data(), packed.size());
  expander.Decode(back.data(), back.size());
  if (size && std::vector<std::uint8_t>(data, data + size) != back) std::abort();
  return 0;
}
