// rptool: command-line tools for the report engine's pages and saved reports.
//   rptool COMMAND ARGS...
// Exit codes: 0 success, 2 usage error, 1 any other error (one line on stderr).

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>

#include "broodlog_version.h"
#include "commands.h"
#include "platform/fonts.h"

namespace {

// The command groups; a new group adds its function here.
// A name found in an earlier group wins over the same name later on.
const std::span<const TCommand> kGroups[] = {
    StoreCommands(),
    EmfCommands(),
    SheetCommands(),
};

const TCommand* FindCommand(const std::string& name) {
  for (const auto& group : kGroups) {
    for (const TCommand& c : group) {
      if (name == c.name) return &c;
    }
  }
  return nullptr;
}

void PrintUsage() {
  std::fprintf(stderr, "usage: rptool COMMAND ARGS...\n");
  for (const auto& group : kGroups) {
    for (const TCommand& c : group) {
      if (FindCommand(c.name) != &c) continue;  // shadowed by an earlier group
      std::fprintf(stderr, "  rptool %s %s\n      %s\n", c.name, c.usage, c.help);
    }
  }
}

// Qt's notice about a missing XDG_RUNTIME_DIR is no error of ours and would
// break the promise of one line on stderr.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot open file " + path);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("Cannot read file " + path);
  return bytes;
}

void WriteFileBytes(const std::string& path, std::span<const unsigned char> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("Cannot write file " + path);
}

int main(int argc, char** argv) {
  // Fonts and painting need a GUI application, but never a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc < 2) {
    PrintUsage();
    return 2;
  }
  if (std::string(argv[1]) == "--version") {
    std::printf("%s\n", BROODLOG_VERSION_TEXT);
    return 0;
  }
  const TCommand* command = FindCommand(argv[1]);
  if (!command) {
    std::fprintf(stderr, "rptool: unknown command '%s'\n", argv[1]);
    PrintUsage();
    return 2;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  qInstallMessageHandler(FilterMessages);
  try {
    QGuiApplication app(argc, argv);
    RegisterFontSubstitutions();
    return command->run(args);
  } catch (const EUsageError& e) {
    std::fprintf(stderr, "rptool %s: %s\nusage: rptool %s %s\n", command->name, e.what(), command->name,
                 command->usage);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "rptool %s: %s\n", command->name, e.what());
    return 1;
  }
}
