#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "app/main_window.h"
#include "app/shown_reporter.h"
#include "broodlog_version.h"
#include "platform/application.h"
#include "report/report_context.h"
#include "platform/engine_services.h"
#include "platform/shell.h"
#include "platform/translations.h"
#include "widgets/accessibility.h"
#include "widgets/print_progress.h"

namespace {

// The program as the user started it, for the hint to start it again: the
// path typed (a build tree's, say), or the installed name found on PATH.
const char* g_program = "broodlog";

bool IsSet(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0';
}

// Qt aborts with a plugin error when there is no display; say it plainly.
bool HasDisplay() { return IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"); }

// Whether Qt will talk to the X server named by DISPLAY.
bool UsesXDisplay() {
  if (!IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) return false;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  return platform == nullptr || *platform == '\0' || std::string(platform).rfind("xcb", 0) == 0;
}

// Whether Qt will talk to the Wayland compositor named by WAYLAND_DISPLAY
// (Qt's own choice between Wayland and X11 where both are named).
bool UsesWaylandDisplay() {
  if (!IsSet("WAYLAND_DISPLAY")) return false;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0') return std::string(platform).rfind("wayland", 0) == 0;
  return !IsSet("DISPLAY");
}

// Whether the compositor's socket is there: WAYLAND_DISPLAY is a path or a
// name in XDG_RUNTIME_DIR.
bool WaylandSocketExists() {
  const std::string name = std::getenv("WAYLAND_DISPLAY");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (name[0] != '/' && (runtime == nullptr || *runtime == '\0')) return false;
  const std::string path = name[0] == '/' ? name : std::string(runtime) + "/" + name;
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

void ReportUnreachableDisplay(const char* detail) {
  if (UsesXDisplay())
    std::fprintf(stderr, "broodlog: cannot reach the display %s named by DISPLAY.\n", std::getenv("DISPLAY"));
  else if (UsesWaylandDisplay() && !WaylandSocketExists())
    std::fprintf(stderr, "broodlog: cannot reach the Wayland display %s named by WAYLAND_DISPLAY.\n",
                 std::getenv("WAYLAND_DISPLAY"));
  else if (UsesWaylandDisplay())
    std::fprintf(stderr,
                 "broodlog: cannot open a window on the Wayland display %s (%s).\nIs Qt's Wayland platform "
                 "(Debian package qt6-wayland) installed?\n",
                 std::getenv("WAYLAND_DISPLAY"), detail);
  else
    std::fprintf(stderr, "broodlog: cannot open a window on this display (%s).\n", detail);
  std::fprintf(stderr, "Start it from a desktop session, or under a virtual one: xvfb-run -a %s\n", g_program);
}

// An X server resets when its last client leaves and refuses connections for
// a moment meanwhile (a virtual display between two programs): a start that
// could not connect to one is made afresh, briefly, before it is reported.
// Counted in the environment, which only the next start reads.
constexpr const char* kDisplayRetries = "BROODLOG_DISPLAY_RETRIES";
char** g_argv = nullptr;
int g_retries = 0;

// Read and removed first thing, before any thread could read the environment.
void TakeRetryCount() {
  if (const char* done = std::getenv(kDisplayRetries)) g_retries = std::clamp(std::atoi(done), 0, 20);
  ::unsetenv(kDisplayRetries);
}

void StartAgainAfterReset() {
  if (!UsesXDisplay() || g_argv == nullptr || g_retries >= 20) return;
  ::setenv(kDisplayRetries, std::to_string(g_retries + 1).c_str(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ::execv("/proc/self/exe", g_argv);
}

// While the application object connects to the windowing system, Qt's own
// failure ends in a fatal message and abort(); this turns it into the plain
// message and exit code 1. Qt's warnings meanwhile are held back and, if the
// start succeeds, passed on.
class StartupMessages {
 public:
  StartupMessages() { previous_ = qInstallMessageHandler(&StartupMessages::Handle); }
  ~StartupMessages() {
    qInstallMessageHandler(previous_);
    for (const Held& m : held_) {
      if (previous_ != nullptr) previous_(m.type, QMessageLogContext(), m.text);
      else std::fprintf(stderr, "%s\n", qPrintable(m.text));
    }
  }
  StartupMessages(const StartupMessages&) = delete;
  StartupMessages& operator=(const StartupMessages&) = delete;

 private:
  struct Held {
    QtMsgType type;
    QString text;
  };
  static void Handle(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
      // Only a server that refused the connection is tried again.
      if (std::any_of(held_.begin(), held_.end(),
                      [](const Held& m) { return m.text.contains(QLatin1String("could not connect to display")); }))
        StartAgainAfterReset();
      ReportUnreachableDisplay(qPrintable(text.section(QLatin1Char('\n'), 0, 0)));
      std::fflush(stderr);
      std::_Exit(1);
    }
    held_.push_back({type, text});
  }
  static inline QtMessageHandler previous_ = nullptr;
  static inline std::vector<Held> held_;
};

}  // namespace

int main(int argc, char** argv) {
  TakeRetryCount();
  if (argc > 0 && argv[0] != nullptr && std::strchr(argv[0], '/') != nullptr) g_program = argv[0];
  // Answered before anything needs a display, so it works in any shell.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", BROODLOG_VERSION_TEXT);
    return 0;
  }
  if (!HasDisplay()) {
    std::fprintf(stderr,
                 "broodlog: no display to show its window on (neither DISPLAY nor "
                 "WAYLAND_DISPLAY is set).\nStart it from a desktop session, or under a "
                 "virtual one: xvfb-run -a %s\n", g_program);
    return 1;
  }
  g_argv = argv;
  // On X, Qt is to try X only: where the server cannot be reached, it would
  // go on to Wayland, whose library writes its own complaints to the terminal.
  // Right after the program's name, so that one the user gives still wins.
  std::vector<char*> args(argv, argv + argc);
  static char platformOption[] = "-platform", xcb[] = "xcb";
  if (UsesXDisplay() && !IsSet("QT_QPA_PLATFORM") && argc > 0) args.insert(args.begin() + 1, {platformOption, xcb});
  int qtArgc = int(args.size());
  args.push_back(nullptr);
  auto startup = std::make_unique<StartupMessages>();
  TApplication app(qtArgc, args.data());
  startup.reset();
  // The user's language for every text, Qt's dialogs' too; English where
  // there is no translation.
  InstallTranslations();
  TEngineServices services;
  services.UsePrintService();
  services.Context().SetProgressWindow(PrintProgressWindowMaker());
  TWebOpener webOpener;  // the link label's failures become message boxes
  InstallAccessibleFactory();
  Tbroodlogprint window(services.Context());
  TShownReporter shownReporter;
  window.installEventFilter(&shownReporter);
  window.show();
  return app.exec();
}
