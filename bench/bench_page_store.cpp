// The page store at report scale: 10000 pages added and read back in
// order, extraction and joining of a 10000-page saved report beside a plain
// copy of the same file (also taken in turn, for their ratio), and the
// memory a 10000-page store takes.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_data.h"
#include "output/page_files.h"
#include "output/page_store.h"

namespace {

using bench_data::Bytes;
constexpr int kPages = 10000;

// A few dozen distinct pages, used in turn.
const std::vector<Bytes>& Pages() {
  static const std::vector<Bytes> pages = [] {
    std::vector<Bytes> v;
    for (std::uint32_t t = 1; t <= 64; ++t) v.push_back(bench_data::EmfPage(t, 4));
    return v;
  }();
  return pages;
}

std::string Dir() {
  static const std::string dir = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "rptbenchXXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    std::atexit([] { std::filesystem::remove_all(Dir()); });
    return tmpl;
  }();
  return dir;
}

// The 10000-page saved report the file benchmarks work on.
const std::string& SourceReport() {
  static const std::string name = [] {
    std::string n = Dir() + "/source.rpt";
    TPageStore store;
    store.SetStream(std::make_unique<TPageStream>(saved_report::kMemoryLimit));
    for (int i = 0; i < kPages; ++i) store.AddPageData(Pages()[i % Pages().size()]);
    store.Finish();
    store.SaveToFile(n);
    return n;
  }();
  return name;
}

long CurrentRssKb() {
  std::ifstream statm("/proc/self/statm");
  long pages_total = 0, resident = 0;
  statm >> pages_total >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

long MaxRssKb() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Runs first, before other benchmarks raise the process's peak.
void BM_StoreMemory(benchmark::State& state) {
  const bool compressed = state.range(0) != 0;
  long rss_1000 = 0, rss_end = 0, max_before = 0, max_end = 0;
  std::int64_t memory_part = 0;
  for (auto _ : state) {
    max_before = MaxRssKb();
    TPageStore store;
    store.SetCompression(compressed);
    store.SetStream(std::make_unique<TPageStream>(saved_report::kMemoryLimit));
    for (int i = 1; i <= kPages; ++i) {
      store.AddPageData(Pages()[i % Pages().size()]);
      if (store.Stream()->InMemory()) memory_part = std::max(memory_part, store.Stream()->Size());
      if (i == 1000) rss_1000 = CurrentRssKb();
    }
    for (int i = 1; i <= kPages; ++i) benchmark::DoNotOptimize(store.GetPageData(i));
    rss_end = CurrentRssKb();
    max_end = MaxRssKb();
  }
  state.counters["memory_part_max_bytes"] = static_cast<double>(memory_part);
  state.counters["rss_kb_at_1000_pages"] = static_cast<double>(rss_1000);
  state.counters["rss_kb_at_10000_pages"] = static_cast<double>(rss_end);
  state.counters["rss_growth_kb_1000_to_10000"] = static_cast<double>(rss_end - rss_1000);
  state.counters["maxrss_kb"] = static_cast<double>(max_end);
  state.counters["maxrss_growth_kb"] = static_cast<double>(max_end - max_before);
}

void BM_AddThenReadInOrder(benchmark::State& state) {
  const bool compressed = state.range(0) != 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    TPageStore store;
    store.SetCompression(compressed);
    store.SetStream(std::make_unique<TPageStream>(saved_report::kMemoryLimit));
    for (int i = 0; i < kPages; ++i) {
      const Bytes& p = Pages()[i % Pages().size()];
      store.AddPageData(p);
      bytes += static_cast<std::int64_t>(p.size());
    }
    store.Finish();
    for (int i = 1; i <= kPages; ++i) {
      auto page = store.GetPageData(i);
      benchmark::DoNotOptimize(page->data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kPages);
  state.SetBytesProcessed(bytes);
  state.SetLabel(compressed ? "compressed" : "uncompressed");
}

std::int64_t FileSize(const std::string& n) {
  return static_cast<std::int64_t>(std::filesystem::file_size(n));
}

void BM_ExtractAll(benchmark::State& state) {
  const std::string& src = SourceReport();
  std::string dst = Dir() + "/extract.rpt";
  for (auto _ : state) ExtractPages(src, dst, 0, 0);
  state.SetBytesProcessed(state.iterations() * FileSize(src));
  state.SetItemsProcessed(state.iterations() * kPages);
}

void BM_ExtractHalf(benchmark::State& state) {
  const std::string& src = SourceReport();
  std::string dst = Dir() + "/extract.rpt";
  for (auto _ : state) ExtractPages(src, dst, 2501, 7500);
  state.SetBytesProcessed(state.iterations() * FileSize(src) / 2);
  state.SetItemsProcessed(state.iterations() * kPages / 2);
}

void BM_JoinOne(benchmark::State& state) {
  const std::string& src = SourceReport();
  std::string dst = Dir() + "/join.rpt";
  std::vector<std::string> list = {src};
  for (auto _ : state) {
    if (JoinReports(dst, &list) != 0) std::abort();
  }
  state.SetBytesProcessed(state.iterations() * FileSize(src));
  state.SetItemsProcessed(state.iterations() * kPages);
}

// The yardstick: the same file copied by a read/write loop with a 64 KiB
// buffer into a new file.
void BM_PlainFileCopy(benchmark::State& state) {
  const std::string& src = SourceReport();
  std::string dst = Dir() + "/copy.rpt";
  std::vector<char> buf(64 * 1024);
  for (auto _ : state) {
    int in = ::open(src.c_str(), O_RDONLY);
    int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ssize_t n;
    while ((n = ::read(in, buf.data(), buf.size())) > 0) {
      if (::write(out, buf.data(), static_cast<std::size_t>(n)) != n) std::abort();
    }
    ::close(in);
    ::close(out);
  }
  state.SetBytesProcessed(state.iterations() * FileSize(src));
}

// Plain copy, extract and join taken in turn within each iteration, so that
// the machine's load falls on all three alike; the counters give each
// tool's throughput as a share of the plain copy's (the goal: at least 0.5).
void BM_ToolsShareOfPlainCopy(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const std::string& src = SourceReport();
  const std::string copy = Dir() + "/share_copy.rpt", dst = Dir() + "/share_tool.rpt";
  const std::vector<std::string> list = {src};
  std::vector<char> buf(64 * 1024);
  Clock::duration copying{}, extracting{}, joining{};
  for (auto _ : state) {
    auto t0 = Clock::now();
    int in = ::open(src.c_str(), O_RDONLY);
    int out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ssize_t n;
    while ((n = ::read(in, buf.data(), buf.size())) > 0) {
      if (::write(out, buf.data(), static_cast<std::size_t>(n)) != n) std::abort();
    }
    ::close(in);
    ::close(out);
    auto t1 = Clock::now();
    ExtractPages(src, dst, 0, 0);
    auto t2 = Clock::now();
    if (JoinReports(dst, &list) != 0) std::abort();
    auto t3 = Clock::now();
    copying += t1 - t0;
    extracting += t2 - t1;
    joining += t3 - t2;
  }
  state.counters["extract_share_of_copy"] =
      std::chrono::duration<double>(copying) / std::chrono::duration<double>(extracting);
  state.counters["join_share_of_copy"] =
      std::chrono::duration<double>(copying) / std::chrono::duration<double>(joining);
  state.SetBytesProcessed(state.iterations() * FileSize(src) * 3);
}

// The kernel's own copy (copy_file_range), for reference.
void BM_KernelFileCopy(benchmark::State& state) {
  const std::string& src = SourceReport();
  std::string dst = Dir() + "/copy2.rpt";
  for (auto _ : state) {
    std::filesystem::copy_file(src, dst, std::filesystem::copy_options::overwrite_existing);
  }
  state.SetBytesProcessed(state.iterations() * FileSize(src));
}

}  // namespace

BENCHMARK(BM_StoreMemory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddThenReadInOrder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFileCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KernelFileCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExtractAll)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExtractHalf)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JoinOne)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ToolsShareOfPlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
