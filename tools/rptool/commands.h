#pragma once

// rptool's commands. main.cpp holds the one table of commands; each source
// file implements a group of them. Commands that draw (render_commands.cpp,
// sheet_commands.cpp) start Qt when they run and are linked only into
// rptool-draw; rptool runs them there (draw_delegate.cpp) and links no Qt.

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// Thrown by a command for a wrong command line: rptool prints the command's
// usage and exits with 2. Any other exception exits with 1 and its message.
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TOption {
  const char* name;  // as typed, with its value if any: "--dpi N"
  const char* help;  // one sentence
};

struct TCommand {
  const char* name;      // as typed after "rptool"
  const char* synopsis;  // the arguments, e.g. "IN.emf OUT.png|OUT.pdf [--dpi N]"
  const char* summary;   // what the command does, one line
  std::span<const TOption> options;
  // Runs with the arguments after the command name; returns the exit code.
  int (*run)(const std::vector<std::string>& args);
};

// Saved-report commands (store_commands.cpp), without Qt.
int InfoCommand(const std::vector<std::string>& args);
int ExtractCommand(const std::vector<std::string>& args);
int JoinCommand(const std::vector<std::string>& args);
int PackCommand(const std::vector<std::string>& args);
int UnpackCommand(const std::vector<std::string>& args);

// Commands that draw (render_commands.cpp), through Qt; in rptool, the same
// commands handed to rptool-draw (draw_delegate.cpp).
int RenderCommand(const std::vector<std::string>& args);
int DemoCommand(const std::vector<std::string>& args);
int EmfDemoCommand(const std::vector<std::string>& args);
// The record sheet (sheet_commands.cpp).
int SheetCommand(const std::vector<std::string>& args);
// Makes Qt's GUI application on the first call (on the offscreen platform
// unless QT_QPA_PLATFORM names another); every drawing command calls it
// before it uses fonts or painting.
void StartGui();

// Shared helpers (files.cpp); both throw std::runtime_error with a
// one-line message.
// The bytes of a regular file of at most max_bytes; anything else (a pipe,
// a device, a directory, a larger file) is refused without reading it.
std::vector<unsigned char> ReadFileBytes(const std::string& path, std::size_t max_bytes);
// Replaces the file at path as the page store saves (through links, never
// over what is not a regular file, keeping mode and owner).
void WriteFileBytes(const std::string& path, std::span<const unsigned char> bytes);
// A whole number in the 32-bit signed range; `what` names it in the error.
int ParseInt(const std::string& text, const char* what);
