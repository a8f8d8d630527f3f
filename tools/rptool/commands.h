#pragma once

// rptool's commands. Each source file contributes one group of commands
// (emf_commands.cpp: EmfCommands()); main.cpp lists the groups.

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// Thrown by a command for a wrong command line: rptool prints the usage and
// exits with 2. Any other exception exits with 1 and its message.
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TCommand {
  const char* name;   // as typed after "rptool"
  const char* usage;  // the arguments, e.g. "IN.emf OUT.png|OUT.pdf [--dpi N]"
  const char* help;   // one line
  // Runs with the arguments after the command name; returns the exit code.
  int (*run)(const std::vector<std::string>& args);
};

std::span<const TCommand> EmfCommands();
// Saved-report commands (store_commands.cpp); its render also takes single
// EMF files, handing them to the EMF group's render.
std::span<const TCommand> StoreCommands();
// The record sheet (sheet_commands.cpp).
std::span<const TCommand> SheetCommands();

// Whole-file helpers shared by the command groups; both throw
// std::runtime_error with a one-line message.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::span<const unsigned char> bytes);
