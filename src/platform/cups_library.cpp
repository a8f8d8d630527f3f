#include "platform/cups_library.h"

#include <dlfcn.h>

namespace {

struct TLoaded {
  TCupsLibrary table;
  bool ok = false;
  std::string error;
};

TLoaded Load() {
  TLoaded l;
  // The soname Debian's libcups2 ships; the handle stays open for the process.
  void* handle = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* e = dlerror();
    l.error = e ? e : "libcups.so.2 cannot be opened";
    return l;
  }
#define BROODLOG_CUPS_RESOLVE(name)                                                    \
  l.table.name = reinterpret_cast<decltype(l.table.name)>(dlsym(handle, #name));       \
  if (l.table.name == nullptr) {                                                       \
    l.error = "libcups.so.2 has no " #name;                                            \
    return l;                                                                          \
  }
  BROODLOG_CUPS_FUNCTIONS(BROODLOG_CUPS_RESOLVE)
#undef BROODLOG_CUPS_RESOLVE
  l.ok = true;
  return l;
}

const TLoaded& Loaded() {
  static const TLoaded loaded = Load();  // once, whichever thread asks first
  return loaded;
}

}  // namespace

const TCupsLibrary* CupsLibrary() { return Loaded().ok ? &Loaded().table : nullptr; }

std::string CupsLibraryError() { return Loaded().error; }
