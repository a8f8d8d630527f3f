#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "platform/application.h"

namespace {

// Qt aborts with a plugin error when there is no display; say it plainly.
bool HasDisplay() {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0';
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  if (!HasDisplay()) {
    std::fprintf(stderr,
                 "broodlog: no display to show its window on (neither DISPLAY nor "
                 "WAYLAND_DISPLAY is set).\nStart it from a desktop session, or under a "
                 "virtual one: xvfb-run -a build/src/app/broodlog\n");
    return 1;
  }
  TApplication app(argc, argv);
  Tbroodlogprint window;
  window.show();
  return app.exec();
}
