// The drawing commands as rptool runs them: in rptool-draw, the half of the
// tool that links Qt. rptool itself links no Qt library, so the commands
// that never draw do not even load one (loading Qt took a tenth of a short
// extract). The helper gets the same command line and its exit status is
// rptool's.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "commands.h"

namespace {

// Beside rptool in the build tree; RPTOOL_DRAW_FROM_BINDIR (relative to the
// programs' folder) once installed.
std::filesystem::path DrawingHelper() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) throw std::runtime_error("cannot find rptool's own file: " + ec.message());
  const std::filesystem::path dir = self.parent_path();
  for (const std::filesystem::path& p : {dir / "rptool-draw", dir / RPTOOL_DRAW_FROM_BINDIR}) {
    if (::access(p.c_str(), X_OK) == 0) return p;
  }
  throw std::runtime_error("cannot find rptool-draw, which draws for rptool (looked beside " + self.string() +
                           " and in " + (dir / RPTOOL_DRAW_FROM_BINDIR).lexically_normal().string() + ")");
}

int RunDrawing(const char* command, const std::vector<std::string>& args) {
  const std::string helper = DrawingHelper();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>("rptool"));
  argv.push_back(const_cast<char*>(command));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  ::execv(helper.c_str(), argv.data());
  throw std::runtime_error("cannot run " + helper + ": " + std::strerror(errno));
}

}  // namespace

int RenderCommand(const std::vector<std::string>& args) { return RunDrawing("render", args); }
int DemoCommand(const std::vector<std::string>& args) { return RunDrawing("demo", args); }
int EmfDemoCommand(const std::vector<std::string>& args) { return RunDrawing("emf-demo", args); }
int SheetCommand(const std::vector<std::string>& args) { return RunDrawing("sheet", args); }
