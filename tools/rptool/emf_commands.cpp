// Commands on single EMF pages: emf-demo records a sample page, render draws
// a page through our player to PNG or PDF.

#include <QImage>
#include <QString>
#include <cmath>
#include <stdexcept>

#include "commands.h"
#include "sample_pages.h"
#include "output/emf_recorder.h"
#include "platform/page_render.h"
#include "platform/qt_text_metrics.h"

namespace {

bool EndsWith(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  return std::equal(suffix.rbegin(), suffix.rend(), s.rbegin(),
                    [](char fromSuffix, char fromName) {
                      return std::tolower(static_cast<unsigned char>(fromName)) == fromSuffix;
                    });
}

int EmfDemo(const std::vector<std::string>& args) {
  if (args.size() != 1) throw EUsageError("expects one output file");
  TQtTextMetrics metrics(96);
  TEmfRecorder recorder(metrics, 1123, 794);
  DrawSampleSheet(recorder);
  WriteFileBytes(args[0], recorder.Finish());
  return 0;
}

int Render(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  int dpi = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dpi") {
      if (i + 1 >= args.size()) throw EUsageError("--dpi needs a value");
      try {
        std::size_t used = 0;
        dpi = std::stoi(args[++i], &used);
        if (used != args[i].size()) throw std::invalid_argument("");
      } catch (const std::exception&) {
        throw EUsageError("--dpi needs a whole number");
      }
      if (dpi < 10 || dpi > 2400) throw EUsageError("--dpi must be between 10 and 2400");
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2) throw EUsageError("expects an input and an output file");
  const bool pdf = EndsWith(files[1], ".pdf");
  if (!pdf && !EndsWith(files[1], ".png")) throw EUsageError("the output must end in .png or .pdf");

  const std::vector<unsigned char> bytes = ReadFileBytes(files[0]);
  if (pdf) {
    WritePagePdf(bytes, QString::fromStdString(files[1]), dpi ? dpi : 1200);
    return 0;
  }
  const QImage image = RenderPageImage(bytes, dpi ? dpi : 96);
  if (!image.save(QString::fromStdString(files[1]), "PNG")) {
    throw std::runtime_error("Cannot write file " + files[1]);
  }
  return 0;
}

const TCommand kCommands[] = {
    {"emf-demo", "OUT.emf", "records a sample page (rules, figures, straight and downward text)", EmfDemo},
    {"render", "IN.emf OUT.png|OUT.pdf [--dpi N]",
     "draws an EMF page at its frame size (PNG 96 dpi by default; PDF keeps text as text)", Render},
};

}  // namespace

std::span<const TCommand> EmfCommands() { return kCommands; }
