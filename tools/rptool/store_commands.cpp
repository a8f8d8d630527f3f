// Commands on saved reports that never draw: info lists the header and the
// page records, extract and join are the page tools, pack and unpack
// rewrite the page data compressed or not. None of them needs Qt.

#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "output/emf_player.h"
#include "output/little_endian.h"
#include "output/page_files.h"
#include "output/page_store.h"

namespace {

// The positional arguments, and whether --compressed was given (where the
// command takes it); any other option is a usage error.
struct TArgs {
  std::vector<std::string> positional;
  bool compressed = false;
};

TArgs Split(const std::vector<std::string>& args, bool allow_compressed) {
  TArgs out;
  for (const std::string& a : args) {
    if (allow_compressed && a == "--compressed") {
      out.compressed = true;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      throw EUsageError("unknown option " + a);
    } else {
      out.positional.push_back(a);
    }
  }
  return out;
}

std::string OleDateText(double ole) {
  if (!std::isfinite(ole) || ole < -657434 || ole > 2958465) return "out of range";
  double seconds = std::round((ole - 25569.0) * 86400.0);
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);  // the stamp already holds local time
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

// Copies every page of src (read with src_compressed) into dst, written
// with dst_compressed.
int Repack(const std::vector<std::string>& args, bool src_compressed, bool dst_compressed) {
  const TArgs a = Split(args, false);
  if (a.positional.size() != 2) throw EUsageError("expects SRC DST");
  TPageStore reader;
  reader.SetCompression(src_compressed);
  reader.LoadFromFile(a.positional[0]);
  TPageStore writer;
  writer.SetCompression(dst_compressed);
  writer.SetStream(std::make_unique<TPageStream>(saved_report::kMemoryLimit));
  std::vector<std::uint8_t> page;
  for (std::int32_t n = 1; n <= reader.PageCount(); ++n) {
    if (!reader.GetPageDataInto(n, page)) continue;
    TEmfPlayer::Validate(page);
    writer.AddPageData(page);
  }
  writer.Finish();
  writer.SaveToFile(a.positional[1]);
  return 0;
}

}  // namespace

// Reads the report as the page store does, so a file the store would
// refuse fails here with the store's message; lines go out as each record
// is read, never after reading the whole file.
int InfoCommand(const std::vector<std::string>& args) {
  using namespace saved_report;
  const TArgs a = Split(args, true);
  if (a.positional.size() != 1) throw EUsageError("expects one saved report");
  TPageStore store;
  store.SetCompression(a.compressed);
  store.LoadFromFile(a.positional[0]);
  TPageStream& stream = *store.Stream();
  std::uint8_t header[kHeaderSize];
  stream.Seek(0, TSeekOrigin::Begin);
  stream.ReadExact(header, sizeof header);  // the store has read it already
  const double stamp = le::GetF64(header + kTimeStampOffset);
  std::printf("file size: %lld bytes\n", static_cast<long long>(stream.Size()));
  std::printf("format version: %u\n", le::Get16(header + kFormatVersionOffset));
  std::printf("engine version: %u\n", le::Get16(header + kEngineVersionOffset));
  std::printf("page count: %d\n", store.PageCount());
  std::printf("time stamp: %.6f (%s)\n", stamp, OleDateText(stamp).c_str());
  std::printf("compression flag: %u\n", header[kCompressionOffset]);
  std::printf("records:\n");
  std::vector<std::uint8_t> page;
  for (std::int32_t n = 1; n <= store.PageCount(); ++n) {
    const auto place = store.LocateRecord(n);
    store.GetPageDataInto(n, page);
    TEmfPlayer::Validate(page);
    std::printf("  page %d: start %lld, next %lld, page data %lld bytes", n, static_cast<long long>(place->start),
                static_cast<long long>(place->next), static_cast<long long>(place->DataSize()));
    if (a.compressed) std::printf(" (compressed, expands to %zu bytes)", page.size());
    // The backward link is only followed when pages are read backwards;
    // a wrong one is worth showing.
    std::uint8_t back[4];
    stream.Seek(place->next - 4, TSeekOrigin::Begin);
    if (stream.ReadExact(back, sizeof back) && le::GetI32(back) != place->start) {
      std::printf(" [record-start field says %d]", le::GetI32(back));
    }
    std::printf("\n");
  }
  return 0;
}

int ExtractCommand(const std::vector<std::string>& args) {
  const TArgs a = Split(args, false);
  if (a.positional.size() != 4) throw EUsageError("expects SRC DST FIRST LAST");
  ExtractPages(a.positional[0], a.positional[1], ParseInt(a.positional[2], "FIRST"),
               ParseInt(a.positional[3], "LAST"));
  return 0;
}

int JoinCommand(const std::vector<std::string>& args) {
  const TArgs a = Split(args, false);
  if (a.positional.empty()) throw EUsageError("expects DST and the source files");
  const std::vector<std::string> sources(a.positional.begin() + 1, a.positional.end());
  const std::int32_t result = JoinReports(a.positional[0], &sources);
  std::printf("%d\n", result);
  return result == 0 ? 0 : 1;
}

int PackCommand(const std::vector<std::string>& args) { return Repack(args, false, true); }
int UnpackCommand(const std::vector<std::string>& args) { return Repack(args, true, false); }
