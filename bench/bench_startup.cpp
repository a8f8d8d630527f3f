// The program's start-up beside the smallest Qt Widgets program with a
// window (one_button_window): each is started as a process in turn, on the
// display the benchmark runs on (DISPLAY, or QT_QPA_PLATFORM=offscreen),
// and timed by the wall clock from the spawn to the line it writes on
// BROODLOG_SHOWN_FD once its window has first been painted; then it is
// ended. The medians of both and their ratio are reported.
//
//   xvfb-run -a build/bench/bench_startup
//   QT_QPA_PLATFORM=offscreen build/bench/bench_startup

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef BROODLOG_HAVE_XCB
#include <xcb/xcb.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_runs.h"

extern char** environ;

namespace {

using bench_runs::Dir;
using bench_runs::Median;

constexpr int kShownFd = 100;       // the descriptor number the programs are told
constexpr int kPatienceMs = 10000;  // for one start

bool IsSet(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0';
}

// Starts `program`, waits for its line, ends it. Returns the milliseconds
// to the line, or a negative number with `error` set.
double TimedStart(const char* program, std::string& error) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error = "no pipe";
    return -1;
  }
  const std::string log = Dir() + "/out";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], kShownFd);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  char* argv[] = {const_cast<char*>(program), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  double ms = -1;
  if (spawned != 0) {
    error = std::string("cannot start ") + program;
  } else {
    pollfd p{fds[0], POLLIN, 0};
    char line[16];
    if (::poll(&p, 1, kPatienceMs) == 1 && ::read(fds[0], line, sizeof line) > 0) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    } else {
      std::ifstream in(log);
      std::stringstream out;
      out << in.rdbuf();
      error = std::string(program) + " showed no window: " + out.str();
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  ::close(fds[0]);
  return ms;
}

void BM_StartupBesideOneButtonWindow(benchmark::State& state) {
#if !defined(BROODLOG_PROGRAM) || !defined(BROODLOG_ONE_BUTTON_WINDOW)
  state.SkipWithError("built without the program's windows");
  return;
#else
  if (!IsSet("QT_QPA_PLATFORM") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
    state.SkipWithError("no display: run under xvfb-run -a, or with QT_QPA_PLATFORM=offscreen");
    return;
  }
#ifdef BROODLOG_HAVE_XCB
  // Held while the programs come and go, so that the X server does not
  // reset each time the last of them leaves. Retried briefly, as a server
  // that its last client just left refuses connections while it resets.
  xcb_connection_t* hold = nullptr;
  if (IsSet("DISPLAY") && (!IsSet("QT_QPA_PLATFORM") || std::string(std::getenv("QT_QPA_PLATFORM")) == "xcb")) {
    for (int attempt = 0; attempt < 20 && hold == nullptr; ++attempt) {
      hold = xcb_connect(nullptr, nullptr);
      if (xcb_connection_has_error(hold) == 0) break;
      xcb_disconnect(hold);
      hold = nullptr;
      ::usleep(25000);
    }
    if (hold == nullptr) {
      state.SkipWithError("cannot reach the X display named by DISPLAY");
      return;
    }
  }
#endif
  // A settings folder of its own, as on a first start.
  ::setenv("XDG_CONFIG_HOME", (Dir() + "/config").c_str(), 1);
  ::setenv("BROODLOG_SHOWN_FD", std::to_string(kShownFd).c_str(), 1);
  std::vector<double> program, yardstick;
  std::string error;
  bool programFirst = true;
  for (auto _ : state) {
    // In turn which comes first, so that neither always follows the other.
    const char* const programs[2] = {BROODLOG_PROGRAM, BROODLOG_ONE_BUTTON_WINDOW};
    double ms[2] = {0, 0};
    for (int i = 0; i < 2 && error.empty(); ++i) {
      const int which = programFirst ? i : 1 - i;
      ms[which] = TimedStart(programs[which], error);
    }
    programFirst = !programFirst;
    if (!error.empty()) {
      state.SkipWithError(error.c_str());
      break;
    }
    program.push_back(ms[0]);
    yardstick.push_back(ms[1]);
    state.SetIterationTime(ms[0] / 1000);
  }
#ifdef BROODLOG_HAVE_XCB
  if (hold != nullptr) xcb_disconnect(hold);
#endif
  if (!error.empty()) return;
  const double broodlog = Median(program), button = Median(yardstick);
  state.counters["broodlog_ms"] = broodlog;
  state.counters["one_button_window_ms"] = button;
  state.counters["startup_times_one_button_window"] = button > 0 ? broodlog / button : 0;
  state.SetLabel(IsSet("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "DISPLAY");
#endif
}

}  // namespace

BENCHMARK(BM_StartupBesideOneButtonWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(5.0);
