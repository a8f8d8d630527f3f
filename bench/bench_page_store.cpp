// The page store at report scale: 10000 pages added and read back in
// order, extraction and joining of a 10000-page saved report beside copies
// of the same file as cp makes them and as a durable copy (also taken in
// turn, with rptool itself, for their ratios), and the memory a 10000-page
// store takes. All rates are wall-clock rates.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
#include "bench_runs.h"

namespace {

using bench_runs::Dir;
using bench_runs::Median;

using bench_data::Bytes;
constexpr int kPages = 10000;

// A few dozen distinct pages, used in turn: about 5 KB each, so that 10000
// of them make a report of about 52 MB, as rptool demo's pages do.
const std::vector<Bytes>& Pages() {
  static const std::vector<Bytes> pages = [] {
    std::vector<Bytes> v;
    for (std::uint32_t t = 1; t <= 64; ++t) v.push_back(bench_data::EmfPage(t, 9));
    return v;
  }();
  return pages;
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

// The bytes of `in` appended to `out` by the kernel, as cp (coreutils 9)
// copies a regular file.
void CopyBytes(int in, int out) {
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t(1) << 30, 0);
    if (n < 0) std::abort();
    if (n == 0) return;
  }
}

// A copy as cp makes it: the target created or truncated, the bytes copied
// by the kernel, nothing synced.
void CopyAsCp(const std::string& src, const std::string& dst) {
  const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in < 0 || out < 0) std::abort();
  CopyBytes(in, out);
  ::close(in);
  if (::close(out) != 0) std::abort();
}

// A durable copy, as the page tools write their target: the bytes copied
// into a new file beside the target, synced, renamed over the target, and
// the rename synced.
void DurableCopy(const std::string& src, const std::string& dst) {
  const std::string temp = dst + ".new";
  const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in < 0 || out < 0) std::abort();
  CopyBytes(in, out);
  ::close(in);
  if (::fsync(out) != 0 || ::close(out) != 0 || ::rename(temp.c_str(), dst.c_str()) != 0) std::abort();
  const int dir = ::open(Dir().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0 || ::fsync(dir) != 0) std::abort();
  ::close(dir);
}

void BM_CopyAsCp(benchmark::State& state) {
  const std::string& src = SourceReport();
  const std::string dst = Dir() + "/copy.rpt";
  for (auto _ : state) CopyAsCp(src, dst);
  state.SetBytesProcessed(state.iterations() * FileSize(src));
}

void BM_DurableCopy(benchmark::State& state) {
  const std::string& src = SourceReport();
  const std::string dst = Dir() + "/durable.rpt";
  for (auto _ : state) DurableCopy(src, dst);
  state.SetBytesProcessed(state.iterations() * FileSize(src));
}

// rptool with `args`, as a user runs it; the call returns when it has
// ended. The environment's RPTOOL names another rptool to measure (an
// earlier build's, say). Without rptool (an engine-only build) the same
// work is done in this process by the page tools' functions.
void RunRptool(const std::vector<std::string>& args) {
#ifdef BROODLOG_RPTOOL
  const char* const other = std::getenv("RPTOOL");
  const char* const program = other && *other ? other : BROODLOG_RPTOOL;
  std::vector<char*> argv{const_cast<char*>(program)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // Its output (join prints its result) would break the benchmark's table.
  posix_spawn_file_actions_t quiet;
  ::posix_spawn_file_actions_init(&quiet);
  ::posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int status = 0;
  const int spawned = ::posix_spawn(&pid, program, &quiet, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0 ||
      ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::abort();
  }
#else
  if (args[0] == "extract") {
    ExtractPages(args[1], args[2], std::stoi(args[3]), std::stoi(args[4]));
  } else {
    const std::vector<std::string> sources(args.begin() + 2, args.end());
    if (JoinReports(args[1], &sources) != 0) std::abort();
  }
#endif
}

// rptool extract and join of the 10000-page report beside a copy of it as
// cp makes it and a durable copy, all four taken in turn within each
// iteration so that the machine's load falls on all alike, each after the
// system has written out what the one before left. The counters give each
// step's median time and each tool's throughput as a share of each copy's,
// from the medians, so that a moment of load elsewhere does not decide
// them (the goal: at least 0.8 of a durable copy, which is what the tools
// make).
void BM_ToolsShareOfPlainCopy(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const std::string& src = SourceReport();
  const std::string copy = Dir() + "/share_cp.rpt", durable = Dir() + "/share_durable.rpt";
  const std::string extracted = Dir() + "/share_extract.rpt", joined = Dir() + "/share_join.rpt";
  std::vector<double> copying, durable_copying, extracting, joining;  // milliseconds
  auto timed = [](std::vector<double>& times, const auto& work) {
    ::sync();
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    return times.back();
  };
  for (auto _ : state) {
    double all = timed(copying, [&] { CopyAsCp(src, copy); });
    all += timed(durable_copying, [&] { DurableCopy(src, durable); });
    all += timed(extracting, [&] { RunRptool({"extract", src, extracted, "0", "0"}); });
    all += timed(joining, [&] { RunRptool({"join", joined, src}); });
    state.SetIterationTime(all / 1000);
  }
  const double cp = Median(copying), durable_cp = Median(durable_copying);
  const double extract = Median(extracting), join = Median(joining);
  state.counters["cp_ms"] = cp;
  state.counters["durable_copy_ms"] = durable_cp;
  state.counters["extract_ms"] = extract;
  state.counters["join_ms"] = join;
  state.counters["extract_share_of_cp"] = cp / extract;
  state.counters["join_share_of_cp"] = cp / join;
  state.counters["extract_share_of_durable_copy"] = durable_cp / extract;
  state.counters["join_share_of_durable_copy"] = durable_cp / join;
#ifdef BROODLOG_RPTOOL
  const char* const other = std::getenv("RPTOOL");
  state.SetLabel(other && *other ? other : "rptool extract, rptool join");
#else
  state.SetLabel("ExtractPages, JoinReports in this process (no rptool in this build)");
#endif
  state.counters["report_bytes"] = double(FileSize(src));
  state.SetBytesProcessed(state.iterations() * FileSize(src) * 4);
}

}  // namespace

BENCHMARK(BM_StoreMemory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddThenReadInOrder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyAsCp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DurableCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExtractAll)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExtractHalf)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JoinOne)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ToolsShareOfPlainCopy)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(5.0);
