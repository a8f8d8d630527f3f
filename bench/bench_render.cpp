// rptool render of one EMF page beside Inkscape's conversion of the same
// file to PNG, both as a user runs them: a process started and waited for,
// wall-clock. The pages are rptool emf-demo's (the program's own kind of
// page) and a few of the EMF corpus's, from each of its producers. Both
// programs draw at the file's frame size (96 dpi, either's default). The
// goal: rptool at least ten times as fast as Inkscape, PNG or PDF.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_runs.h"

namespace {

using bench_runs::Dir;
using bench_runs::Median;

// The environment's `name` if set, else `fallback`.
std::string Program(const char* name, const std::string& fallback) {
  const char* const value = std::getenv(name);
  return value && *value ? value : fallback;
}

// rptool as built, or the one RPTOOL names (an earlier build's, say).
std::string Rptool() { return Program("RPTOOL", BROODLOG_RPTOOL); }

// Inkscape from INKSCAPE or the PATH; empty when there is none.
std::string Inkscape() {
  const std::string named = Program("INKSCAPE", "");
  if (!named.empty()) return ::access(named.c_str(), X_OK) == 0 ? named : std::string();
  const char* const path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= dirs.size();) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/inkscape";
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// Runs argv with its output dropped; true when it ended with status 0.
bool Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  ::posix_spawn_file_actions_init(&quiet);
  ::posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int status = 0;
  const int spawned = ::posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&quiet);
  return spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The page rptool emf-demo records, made once.
std::string DemoPage() {
  static const std::string page = [] {
    const std::string name = Dir() + "/emf-demo.emf";
    return Run({Rptool(), "emf-demo", name}) ? name : std::string();
  }();
  return page;
}

// Inkscape's PNG, rptool's PNG and rptool's PDF of one file, taken in turn
// within each iteration so that load elsewhere falls on all three alike,
// each after the system has written out what the one before left (rptool
// syncs its file, which would otherwise wait on Inkscape's). The counters
// are the medians and Inkscape's median over each of rptool's.
void BM_RenderShareOfInkscape(benchmark::State& state, const std::string& file) {
  using Clock = std::chrono::steady_clock;
  const std::string inkscape = Inkscape();
  if (inkscape.empty()) {
    state.SkipWithError("no inkscape in PATH (or INKSCAPE) to compare with");
    return;
  }
  const std::string in = file.empty() ? DemoPage() : std::string(BROODLOG_EMF_CORPUS "/") + file;
  if (in.empty() || !std::filesystem::is_regular_file(in)) {
    state.SkipWithError("the page to draw could not be had");
    return;
  }
  const std::string ink_png = Dir() + "/inkscape.png", png = Dir() + "/rptool.png", pdf = Dir() + "/rptool.pdf";
  const std::vector<std::string> inkscape_args{inkscape, "--export-type=png", "--export-filename=" + ink_png, in};
  const std::vector<std::string> png_args{Rptool(), "render", in, png}, pdf_args{Rptool(), "render", in, pdf};
  // Once untimed: Inkscape makes its preferences on its first run, and the
  // files' pages come into the cache.
  for (const auto* args : {&inkscape_args, &png_args, &pdf_args}) {
    if (!Run(*args)) {
      state.SkipWithError(("cannot run " + (*args)[0] + " on " + in).c_str());
      return;
    }
  }
  std::vector<double> inkscape_ms, png_ms, pdf_ms;
  auto timed = [](std::vector<double>& times, const std::vector<std::string>& args) {
    ::sync();
    const auto start = Clock::now();
    if (!Run(args)) std::abort();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    return times.back();
  };
  for (auto _ : state) {
    double all = timed(inkscape_ms, inkscape_args);
    all += timed(png_ms, png_args);
    all += timed(pdf_ms, pdf_args);
    state.SetIterationTime(all / 1000);
  }
  const double ink = Median(inkscape_ms), rp_png = Median(png_ms), rp_pdf = Median(pdf_ms);
  state.counters["inkscape_png_ms"] = ink;
  state.counters["rptool_png_ms"] = rp_png;
  state.counters["rptool_pdf_ms"] = rp_pdf;
  state.counters["inkscape_over_rptool_png"] = rp_png > 0 ? ink / rp_png : 0;
  state.counters["inkscape_over_rptool_pdf"] = rp_pdf > 0 ? ink / rp_pdf : 0;
  state.SetLabel(Rptool());
}

// The demo page (empty name) and one or two files of each producer.
const bool registered = [] {
  const char* const files[] = {"", "libemf/dib5.emf", "libreoffice/sheet0.emf", "libreoffice/doc0.emf",
                               "inkscape/curves0.emf", "hand/text-a-small0.emf"};
  for (const char* f : files) {
    const std::string name = std::string("BM_RenderShareOfInkscape/") + (*f ? f : "emf-demo");
    benchmark::RegisterBenchmark(name.c_str(), BM_RenderShareOfInkscape, std::string(f))
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(3.0);
  }
  return true;
}();

}  // namespace
