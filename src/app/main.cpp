#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef BROODLOG_HAVE_XCB
#include <xcb/xcb.h>
#endif

#include "app/main_window.h"
#include "broodlog_version.h"
#include "platform/application.h"
#include "platform/engine_services.h"

namespace {

// Qt aborts with a plugin error when there is no display; say it plainly.
bool HasDisplay() {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0';
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

#ifdef BROODLOG_HAVE_XCB
// With an X display named but not there (a stale DISPLAY, no X server), Qt
// aborts with a plugin error; find that out first. Wayland and an explicit
// QT_QPA_PLATFORM are left to Qt.
bool XDisplayUnreachable(const char** name) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (display == nullptr || *display == '\0') return false;
  if ((wayland != nullptr && *wayland != '\0') || (platform != nullptr && *platform != '\0')) return false;
  *name = display;
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool failed = xcb_connection_has_error(connection) != 0;
  xcb_disconnect(connection);
  return failed;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  // Answered before anything needs a display, so it works in any shell.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", BROODLOG_VERSION_TEXT);
    return 0;
  }
  if (!HasDisplay()) {
    std::fprintf(stderr,
                 "broodlog: no display to show its window on (neither DISPLAY nor "
                 "WAYLAND_DISPLAY is set).\nStart it from a desktop session, or under a "
                 "virtual one: xvfb-run -a build/src/app/broodlog\n");
    return 1;
  }
#ifdef BROODLOG_HAVE_XCB
  const char* display = nullptr;
  if (XDisplayUnreachable(&display)) {
    std::fprintf(stderr,
                 "broodlog: cannot reach the display %s named by DISPLAY.\nStart it from a "
                 "desktop session, or under a virtual one: xvfb-run -a build/src/app/broodlog\n",
                 display);
    return 1;
  }
#endif
  TApplication app(argc, argv);
  TEngineServices services;
  Tbroodlogprint window;
  window.show();
  return app.exec();
}
