// Commands on saved reports: demo writes a report of sample pages, info
// lists its header and records, extract and join are the page tools, pack
// and unpack rewrite the page data compressed or not, and render draws one
// page of a saved report (or, as the EMF group's render does, a single EMF
// file).

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands.h"
#include "sample_pages.h"
#include "output/emf_recorder.h"
#include "output/page_compressor.h"
#include "output/page_files.h"
#include "output/page_store.h"
#include "output/stored_page.h"
#include "output/temp_file.h"
#include "platform/qt_text_metrics.h"

namespace {

constexpr std::int32_t kMemoryLimit = 100000;

std::int32_t ParseInt(const std::string& text, const char* what) {
  try {
    std::size_t used = 0;
    long long v = std::stoll(text, &used);
    if (used != text.size() || v < INT32_MIN || v > INT32_MAX) throw std::invalid_argument("");
    return static_cast<std::int32_t>(v);
  } catch (const std::exception&) {
    throw EUsageError(std::string(what) + " must be a whole number");
  }
}

// Splits args into positional ones and the flags named in `flags` (flags
// with a value are listed in `valued`).
struct TArgs {
  std::vector<std::string> positional;
  bool compressed = false;
  bool compress = false;
  std::int32_t pages = -1;
  std::vector<std::string> passthrough;  // --dpi N, for render
};

TArgs Split(const std::vector<std::string>& args, bool allow_compressed, bool allow_demo,
            bool allow_dpi) {
  TArgs out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (allow_compressed && a == "--compressed") {
      out.compressed = true;
    } else if (allow_demo && a == "--compress") {
      out.compress = true;
    } else if (allow_demo && a == "--pages") {
      if (i + 1 >= args.size()) throw EUsageError("--pages needs a value");
      out.pages = ParseInt(args[++i], "--pages");
    } else if (allow_dpi && a == "--dpi") {
      if (i + 1 >= args.size()) throw EUsageError("--dpi needs a value");
      out.passthrough.push_back(a);
      out.passthrough.push_back(args[++i]);
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      throw EUsageError("unknown option " + a);
    } else {
      out.positional.push_back(a);
    }
  }
  return out;
}

std::int32_t Get32(const unsigned char* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 |
                                   static_cast<std::uint32_t>(p[3]) << 24);
}

int Demo(const std::vector<std::string>& args) {
  TArgs a = Split(args, false, true, false);
  if (a.positional.size() != 1) throw EUsageError("expects one output file");
  if (a.pages < 0) throw EUsageError("--pages N is required");
  TQtTextMetrics metrics(96);
  TPageStore store;
  store.SetCompression(a.compress);
  store.SetStream(std::make_unique<TPageStream>(kMemoryLimit));
  for (int n = 1; n <= a.pages; ++n) {
    TEmfRecorder recorder(metrics, 1123, 794);
    DrawNumberedPage(recorder, n, a.pages);
    store.AddPage(TStoredPage::FromBytes(recorder.Finish()));
  }
  store.Finish();
  store.SaveToFile(a.positional[0]);
  return 0;
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

int Info(const std::vector<std::string>& args) {
  TArgs a = Split(args, true, false, false);
  if (a.positional.size() != 1) throw EUsageError("expects one saved report");
  const std::vector<unsigned char> f = ReadFileBytes(a.positional[0]);
  if (f.size() < 128) throw std::runtime_error("Saved report " + a.positional[0] + " is damaged");
  double stamp;
  std::memcpy(&stamp, f.data() + 16, 8);
  std::printf("file size: %zu bytes\n", f.size());
  std::printf("format version: %u\n", f[0] | f[1] << 8);
  std::printf("engine version: %u\n", f[2] | f[3] << 8);
  std::printf("page count: %d\n", Get32(f.data() + 8));
  std::printf("time stamp: %.6f (%s)\n", stamp, OleDateText(stamp).c_str());
  std::printf("compression flag: %u\n", f[25]);
  std::printf("records:\n");
  // Walk the whole chain from the first record; offsets only ever go
  // forward, so a damaged file ends the walk.
  std::int64_t pos = 128;
  const std::int64_t size = static_cast<std::int64_t>(f.size());
  while (pos < size) {
    if (pos + 12 > size) throw std::runtime_error("record at offset " + std::to_string(pos) + " is truncated");
    std::int32_t number = Get32(f.data() + pos);
    std::int64_t next = Get32(f.data() + pos + 4);
    if (next < pos + 12 || next > size) {
      throw std::runtime_error("record at offset " + std::to_string(pos) + " has a bad next-record offset " +
                               std::to_string(next));
    }
    std::int32_t start = Get32(f.data() + next - 4);
    std::int64_t data = next - pos - 12;
    std::printf("  page %d: start %lld, next %lld, page data %lld bytes", number,
                static_cast<long long>(pos), static_cast<long long>(next), static_cast<long long>(data));
    if (a.compressed && data >= 4) {
      std::printf(" (compressed, expands to %d bytes)", Get32(f.data() + pos + 8));
    }
    if (start != pos) std::printf(" [record-start field says %d]", start);
    std::printf("\n");
    pos = next;
  }
  return 0;
}

int Extract(const std::vector<std::string>& args) {
  if (args.size() != 4) throw EUsageError("expects SRC DST FIRST LAST");
  ExtractPages(args[0], args[1], ParseInt(args[2], "FIRST"), ParseInt(args[3], "LAST"));
  return 0;
}

int Join(const std::vector<std::string>& args) {
  if (args.empty()) throw EUsageError("expects DST and the source files");
  const std::vector<std::string> sources(args.begin() + 1, args.end());
  std::int32_t result = JoinReports(args[0], &sources);
  std::printf("%d\n", result);
  return result == 0 ? 0 : 1;
}

// Copies every page of src (read with src_compressed) into dst, written
// with dst_compressed.
int Repack(const std::vector<std::string>& args, bool src_compressed, bool dst_compressed) {
  if (args.size() != 2) throw EUsageError("expects SRC DST");
  TPageStore reader;
  reader.SetCompression(src_compressed);
  reader.LoadFromFile(args[0]);
  TPageStore writer;
  writer.SetCompression(dst_compressed);
  writer.SetStream(std::make_unique<TPageStream>(kMemoryLimit));
  std::vector<std::uint8_t> page;
  for (std::int32_t n = 1; n <= reader.PageCount(); ++n) {
    if (reader.GetPageDataInto(n, page)) writer.AddPageData(page);
  }
  writer.Finish();
  writer.SaveToFile(args[1]);
  return 0;
}

int Pack(const std::vector<std::string>& args) { return Repack(args, false, true); }
int Unpack(const std::vector<std::string>& args) { return Repack(args, true, false); }

const TCommand* EmfRender() {
  for (const TCommand& c : EmfCommands()) {
    if (std::strcmp(c.name, "render") == 0) return &c;
  }
  return nullptr;
}

// Deletes a temporary file when it goes out of scope.
struct TTempFile {
  std::string name = TempFileName();
  ~TTempFile() { ::unlink(name.c_str()); }
};

int Render(const std::vector<std::string>& args) {
  const TCommand* emf_render = EmfRender();
  if (!emf_render) throw std::runtime_error("the EMF renderer is missing");
  TArgs a = Split(args, true, false, true);
  if (a.positional.size() == 2) {
    if (a.compressed) throw EUsageError("--compressed applies to saved reports only");
    return emf_render->run(args);
  }
  if (a.positional.size() != 3) throw EUsageError("expects FILE PAGE OUT, or IN.emf OUT");
  const std::int32_t n = ParseInt(a.positional[1], "PAGE");
  TPageStore store;
  store.SetCompression(a.compressed);
  store.LoadFromFile(a.positional[0]);
  std::unique_ptr<TStoredPage> page = store.GetPage(n);
  if (!page) {
    throw std::runtime_error("Page " + std::to_string(n) + " is not in the report (it has " +
                             std::to_string(store.PageCount()) + " pages)");
  }
  TTempFile emf;
  WriteFileBytes(emf.name, page->Bytes());
  std::vector<std::string> forwarded = {emf.name, a.positional[2]};
  forwarded.insert(forwarded.end(), a.passthrough.begin(), a.passthrough.end());
  return emf_render->run(forwarded);
}

const TCommand kCommands[] = {
    {"render", "FILE PAGE OUT.png|OUT.pdf [--dpi N] [--compressed] | IN.emf OUT.png|OUT.pdf [--dpi N]",
     "draws page PAGE of a saved report (or a single EMF file) at its frame size", Render},
    {"demo", "OUT --pages N [--compress]",
     "writes a saved report of N sample pages recorded as EMF (number, rules, text)", Demo},
    {"info", "FILE [--compressed]", "prints the header fields and every page record's number, offsets and size",
     Info},
    {"extract", "SRC DST FIRST LAST", "writes pages FIRST to LAST of SRC to DST (FIRST 0: all pages)", Extract},
    {"join", "DST SRC...", "writes all pages of the sources to DST; prints JoinReports' result", Join},
    {"pack", "SRC DST", "rewrites an uncompressed saved report with compressed page data", Pack},
    {"unpack", "SRC DST", "rewrites a compressed saved report with uncompressed page data", Unpack},
};

}  // namespace

std::span<const TCommand> StoreCommands() { return kCommands; }
