// Commands on single EMF pages: emf-demo records a sample page, render draws
// a page through our player to PNG or PDF.

#include <QImage>
#include <QString>
#include <cmath>
#include <stdexcept>

#include "commands.h"
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

// A landscape A4 page at 96 dpi in the manner of the record sheet: a header
// line, rules, a rectangle, an ellipse, horizontal and downward text.
void DrawDemoPage(TCanvas& c) {
  c.SetBrush({TBrushStyle::Solid, TColor::Rgb(255, 240, 200)});
  c.FillRect({40, 20, 1084, 50});
  TFont label;
  label.height = 13;  // 10 pt at 96 dpi
  c.SetFont(label);
  c.SetBkMode(TBkMode::Transparent);
  c.TextOut(40, 30, "Apiary : Les Tilleuls");
  c.SetTextAlign({THorzTextAlign::Right, TVertTextAlign::Top, false});
  c.TextOut(1083, 30, "Date : 08/12/2026");
  c.SetTextAlign({});

  c.SetPen({TPenStyle::Solid, 1, colors::Black});
  for (int y = 200; y <= 740; y += 60) {
    c.MoveTo(40, y);
    c.LineTo(1083, y);
  }
  for (int x = 40; x <= 1083; x += 149) {
    c.MoveTo(x, 60);
    c.LineTo(x, 740);
  }
  TFont heading = label;
  heading.height = 11;
  heading.escapement = 2700;
  c.SetFont(heading);
  const char* headings[] = {"Hive", "Queen seen", "Eggs", "Brood", "Stores", "Temper", "Notes"};
  for (int i = 0; i < 7; ++i) c.TextOut(40 + 149 * i + 80, 70, headings[i]);

  c.SetBrush({TBrushStyle::Solid, TColor::Rgb(230, 230, 230)});
  c.SetPen({TPenStyle::Clear, 1, colors::Black});
  c.Rectangle({860, 200, 1084, 260});  // a filled cell without outline
  c.SetPen({TPenStyle::Solid, 2, colors::Navy});
  c.Rectangle({860, 80, 1060, 180});
  c.SetBrush({TBrushStyle::Clear, colors::White});
  c.SetPen({TPenStyle::Solid, 1, colors::Red});
  c.Ellipse({880, 95, 1040, 165});
  c.SetFont(label);
  c.SetTextColor(colors::Navy);
  c.SetTextAlign({THorzTextAlign::Center, TVertTextAlign::Baseline, false});
  c.TextOut(960, 135, "Broodlog");
}

int EmfDemo(const std::vector<std::string>& args) {
  if (args.size() != 1) throw EUsageError("expects one output file");
  TQtTextMetrics metrics(96);
  TEmfRecorder recorder(metrics, 1123, 794);
  DrawDemoPage(recorder);
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
