// Commands that draw, through Qt: emf-demo records a sample page, demo
// writes a saved report of sample pages, render draws a page of a saved
// report or a single EMF file to PNG or PDF. Qt's GUI application is made
// on first use, so the commands that never draw never start it.

#include <QGuiApplication>
#include <QString>
#include <cctype>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "commands.h"
#include "output/emf_recorder.h"
#include "output/page_store.h"
#include "output/stored_page.h"
#include "platform/fonts.h"
#include "platform/page_render.h"
#include "platform/pdf_file.h"
#include "platform/qt_text_metrics.h"
#include "sample_pages.h"

namespace {

// Qt's notice about a missing XDG_RUNTIME_DIR is no error of ours and would
// break the promise of one line on stderr.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  return std::equal(suffix.rbegin(), suffix.rend(), s.rbegin(), [](char fromSuffix, char fromName) {
    return std::tolower(static_cast<unsigned char>(fromName)) == fromSuffix;
  });
}

// Draws one page to out (.png or .pdf) at dpi (0: the format's default).
void RenderPage(std::span<const std::uint8_t> page, const std::string& out, int dpi) {
  StartGui();
  if (EndsWith(out, ".pdf")) {
    WritePagePdf(page, QString::fromStdString(out), dpi ? dpi : 1200);
    return;
  }
  WritePagePng(page, QString::fromStdString(out), dpi ? dpi : 96);
}

}  // namespace

// Fonts and painting need a GUI application, but never a display. It lives
// until the process ends: Qt wants it to outlast every font and painter.
void StartGui() {
  static QGuiApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(FilterMessages);
    static int argc = 1;
    static char name[] = "rptool";
    static char* argv[] = {name, nullptr};
    auto* made = new QGuiApplication(argc, argv);
    RegisterFontSubstitutions();
    return made;
  }();
  (void)app;
}

int RenderCommand(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  int dpi = 0;
  bool compressed = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dpi") {
      if (i + 1 >= args.size()) throw EUsageError("--dpi needs a value");
      dpi = ParseInt(args[++i], "--dpi");
      if (dpi < 10 || dpi > 2400) throw EUsageError("--dpi must be between 10 and 2400");
    } else if (args[i] == "--compressed") {
      compressed = true;
    } else if (args[i].rfind("--", 0) == 0) {
      throw EUsageError("unknown option " + args[i]);
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2 && files.size() != 3) throw EUsageError("expects FILE PAGE OUT, or IN.emf OUT");
  const std::string& out = files.back();
  if (!EndsWith(out, ".pdf") && !EndsWith(out, ".png")) throw EUsageError("the output must end in .png or .pdf");

  if (files.size() == 2) {
    if (compressed) throw EUsageError("--compressed applies to saved reports only");
    RenderPage(ReadFileBytes(files[0], TStoredPage::kMaxLength), out, dpi);
    return 0;
  }
  const std::int32_t n = ParseInt(files[1], "PAGE");
  TPageStore store;
  store.SetCompression(compressed);
  store.LoadFromFile(files[0]);
  std::unique_ptr<TStoredPage> page = store.GetPage(n);
  if (!page) {
    throw std::runtime_error("Page " + std::to_string(n) + " is not in the report (it has " +
                             std::to_string(store.PageCount()) + " pages)");
  }
  RenderPage(page->Bytes(), out, dpi);
  return 0;
}

int DemoCommand(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  int pages = -1;
  bool compress = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--pages") {
      if (i + 1 >= args.size()) throw EUsageError("--pages needs a value");
      pages = ParseInt(args[++i], "--pages");
    } else if (args[i] == "--compress") {
      compress = true;
    } else if (args[i].rfind("--", 0) == 0) {
      throw EUsageError("unknown option " + args[i]);
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 1) throw EUsageError("expects one output file");
  if (pages < 0) throw EUsageError("--pages N is required");
  StartGui();
  TQtTextMetrics metrics(96);
  TPageStore store;
  store.SetCompression(compress);
  store.SetStream(std::make_unique<TPageStream>(saved_report::kMemoryLimit));
  for (int n = 1; n <= pages; ++n) {
    TEmfRecorder recorder(metrics, 1123, 794);
    DrawNumberedPage(recorder, n, pages);
    store.AddPage(TStoredPage::FromBytes(recorder.Finish()));
  }
  store.Finish();
  store.SaveToFile(files[0]);
  return 0;
}

int EmfDemoCommand(const std::vector<std::string>& args) {
  if (args.size() != 1) throw EUsageError("expects one output file");
  StartGui();
  TQtTextMetrics metrics(96);
  TEmfRecorder recorder(metrics, 1123, 794);
  DrawSampleSheet(recorder);
  WriteFileBytes(args[0], recorder.Finish());
  return 0;
}
