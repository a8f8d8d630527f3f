// rptool: command-line tools for the report engine's pages and saved reports.
//   rptool COMMAND ARGS...      rptool --help      rptool COMMAND --help
// Exit codes: 0 success, 2 usage error, 1 any other error (one line on stderr).
// This file needs no Qt: only the commands that draw start it.

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "broodlog_version.h"
#include "commands.h"

namespace {

const TOption kRenderOptions[] = {
    {"--dpi N", "resolution, 10 to 2400 (default 96 for PNG, 1200 for PDF)"},
    {"--compressed", "the saved report's page data is compressed"},
};
const TOption kDemoOptions[] = {
    {"--pages N", "number of pages to write (required)"},
    {"--compress", "write the page data compressed"},
};
const TOption kInfoOptions[] = {
    {"--compressed", "read the page data as compressed and show each page's expanded size"},
};

const TOption kSheetOptions[] = {
    {"--apiary NAME", "the apiary name printed in the header line"},
    {"--captions FILE", "the column caption file (default broodlog.txt in the current directory)"},
    {"--dpi N", "resolution of a PDF or PNG, 10 to 4800 (default 1200 for PDF, 96 for PNG)"},
    {"--paper NAME", "print on this paper of the printer dialog (letter, A4, A3, ...); a sheet larger "
                     "than it is scaled to fit, centred (default: the sheet's own, A4)"},
    {"--design", "draw the report's design picture instead of the printed page (.png or .pdf)"},
    {"--lang LANG", "the language of the header and the built-in headings, such as de or fr (default: the "
                    "desktop's, from LANGUAGE, LC_ALL, LC_MESSAGES or LANG, as the program takes it)"},
};

// Every command, in the order help lists them. A new command adds its row
// here and its function to commands.h.
const TCommand kCommands[] = {
    {"info", "FILE [--compressed]",
     "checks a saved report as the page store reads it, and prints its header fields and every page "
     "record's number, offsets and size",
     kInfoOptions, InfoCommand},
    {"extract", "SRC DST FIRST LAST", "writes pages FIRST to LAST of SRC to DST (FIRST 0: all pages)", {},
     ExtractCommand},
    {"join", "DST SRC...", "writes all pages of the sources, in order, to DST; prints JoinReports' result", {},
     JoinCommand},
    {"pack", "SRC DST", "rewrites an uncompressed saved report with compressed page data", {}, PackCommand},
    {"unpack", "SRC DST", "rewrites a compressed saved report with uncompressed page data", {}, UnpackCommand},
    {"render", "FILE PAGE OUT.png|OUT.pdf [--dpi N] [--compressed] | IN.emf OUT.png|OUT.pdf [--dpi N]",
     "draws page PAGE of a saved report, or a single EMF file, at its frame size (PDF keeps text as text)",
     kRenderOptions, RenderCommand},
    {"demo", "OUT --pages N [--compress]",
     "writes a saved report of N sample pages recorded as EMF (number, rules, text)", kDemoOptions,
     DemoCommand},
    {"emf-demo", "OUT.emf", "records a sample page (rules, figures, straight and downward text)", {},
     EmfDemoCommand},
    {"sheet", "OUT.rpt|OUT.pdf|OUT.png [--apiary NAME] [--captions FILE] [--dpi N] [--paper NAME] [--design] [--lang LANG]",
     "generates the record sheet as \"print note\" does: a saved report, or the printed page as PDF or PNG",
     kSheetOptions, SheetCommand},
};

const TCommand* FindCommand(const char* name) {
  for (const TCommand& c : kCommands) {
    if (std::strcmp(name, c.name) == 0) return &c;
  }
  return nullptr;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

void PrintCommand(std::FILE* out, const TCommand& c) {
  std::fprintf(out, "  rptool %s %s\n      %s\n", c.name, c.synopsis, c.summary);
  for (const TOption& o : c.options) std::fprintf(out, "      %-16s %s\n", o.name, o.help);
}

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage: rptool COMMAND ARGS...\n       rptool [COMMAND] --help\n       rptool --version\n"
                    "Exit status: 0 done, 1 error (one line on stderr), 2 wrong command line.\n"
                    "commands:\n");
  for (const TCommand& c : kCommands) PrintCommand(out, c);
}

// Text for troff: a leading dot or quote and every backslash escaped.
std::string Roff(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\\') {
      out += "\\e";
    } else if (*p == '-') {
      out += "\\-";
    } else {
      out += *p;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

// The manual page, made from the same table as --help so the two agree.
std::string ManPage() {
  std::string page =
      ".TH RPTOOL 1 \"\" \"broodlog\" \"User Commands\"\n"
      ".SH NAME\nrptool \\- inspect, cut, join and draw broodlog saved reports\n"
      ".SH SYNOPSIS\n.B rptool\n.I COMMAND ARGS...\n.br\n.B rptool\n[\\fICOMMAND\\fR] \\fB\\-\\-help\\fR\n"
      ".SH DESCRIPTION\nA saved report is a 128\\-byte header followed by one record per page; "
      "each page is an enhanced metafile. The commands \\fBinfo\\fR, \\fBextract\\fR, "
      "\\fBjoin\\fR, \\fBpack\\fR and \\fBunpack\\fR never draw and need no display or "
      "graphics plug\\-ins; \\fBrender\\fR, \\fBdemo\\fR, \\fBemf\\-demo\\fR and \\fBsheet\\fR draw through "
      "Qt's offscreen platform unless \\fBQT_QPA_PLATFORM\\fR says otherwise.\n"
      ".SH COMMANDS\n";
  for (const TCommand& c : kCommands) {
    page += ".TP\n\\fB" + Roff(c.name) + "\\fR " + Roff(c.synopsis) + "\n" + Roff(c.summary) + ".\n";
    for (const TOption& o : c.options) page += ".RS\n.TP\n\\fB" + Roff(o.name) + "\\fR\n" + Roff(o.help) + ".\n.RE\n";
  }
  page += ".SH EXIT STATUS\n0 when the command succeeded; 1 on any error, with one line on "
          "standard error; 2 for a wrong command line, with the command's usage.\n"
          ".SH OPTIONS\n.TP\n\\fB\\-\\-help\\fR, \\fB\\-h\\fR\nprint the usage of all commands, "
          "or of the command named before it, and exit.\n"
          ".TP\n\\fB\\-\\-version\\fR\nprint the version and exit.\n";
  return page;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  if (IsHelp(argv[1]) || std::strcmp(argv[1], "help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", BROODLOG_VERSION_TEXT);
    return 0;
  }
  if (std::strcmp(argv[1], "--man") == 0) {
    // The build writes the installed page this way: rptool --man FILE,
    // through the safe writer, so a full disk keeps the old page whole.
    const std::string page = ManPage();
    try {
      if (argc > 2) {
        WriteFileBytes(argv[2], {reinterpret_cast<const unsigned char*>(page.data()), page.size()});
      } else if (std::fwrite(page.data(), 1, page.size(), stdout) != page.size() || std::fflush(stdout) != 0) {
        throw std::runtime_error("Cannot write to standard output");
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "rptool --man: %s\n", e.what());
      return 1;
    }
    return 0;
  }
  const TCommand* command = FindCommand(argv[1]);
  if (!command) {
    std::fprintf(stderr, "rptool: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const std::string& a : args) {
    if (IsHelp(a)) {
      std::printf("usage: rptool %s %s\n%s\n", command->name, command->synopsis, command->summary);
      for (const TOption& o : command->options) std::printf("  %-16s %s\n", o.name, o.help);
      return 0;
    }
  }
  try {
    return command->run(args);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "rptool %s: Not enough memory\n", command->name);
    return 1;
  } catch (const EUsageError& e) {
    std::fprintf(stderr, "rptool %s: %s\nusage: rptool %s %s\n", command->name, e.what(), command->name,
                 command->synopsis);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "rptool %s: %s\n", command->name, e.what());
    return 1;
  }
}
