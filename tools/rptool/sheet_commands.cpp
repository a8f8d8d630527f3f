// sheet: generates the record sheet headlessly, as "print note" does, into
// a saved report (pages at screen resolution, as the preview holds them) or
// straight onto a PDF or PNG at the output's resolution, as a printer gets it,
// on the sheet's own paper or on another one, as the printer dialog chooses.

#include <QGuiApplication>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/broodlog_form.h"
#include "app/caption_file.h"
#include "app/select_printer.h"
#include "app/sheet_captions.h"
#include "commands.h"
#include "platform/design_render.h"
#include "platform/engine_services.h"
#include "platform/file_printer.h"
#include "platform/page_render.h"
#include "platform/qt_canvas.h"
#include "report/report_error.h"

namespace {

// A canvas that keeps the calls made on it, to be replayed in order.
class TCanvasRecording final : public TCanvas {
 public:
  void SetPen(const TPen& pen) override { Add([=](TCanvas& c) { c.SetPen(pen); }); }
  void SetBrush(const TBrush& brush) override { Add([=](TCanvas& c) { c.SetBrush(brush); }); }
  void SetFont(const TLogFont& font) override { Add([=](TCanvas& c) { c.SetFont(font); }); }
  void SetTextColor(TColor color) override { Add([=](TCanvas& c) { c.SetTextColor(color); }); }
  void SetBkColor(TColor color) override { Add([=](TCanvas& c) { c.SetBkColor(color); }); }
  void SetBkMode(TBkMode mode) override { Add([=](TCanvas& c) { c.SetBkMode(mode); }); }
  void SetTextAlign(TTextAlign align) override { Add([=](TCanvas& c) { c.SetTextAlign(align); }); }
  void FillRect(const TRect& r) override { Add([=](TCanvas& c) { c.FillRect(r); }); }
  void Rectangle(const TRect& r) override { Add([=](TCanvas& c) { c.Rectangle(r); }); }
  void Ellipse(const TRect& r) override { Add([=](TCanvas& c) { c.Ellipse(r); }); }
  void MoveTo(int x, int y) override { Add([=](TCanvas& c) { c.MoveTo(x, y); }); }
  void LineTo(int x, int y) override { Add([=](TCanvas& c) { c.LineTo(x, y); }); }
  void TextOut(int x, int y, std::string_view text, const TTextOutOptions& options,
               std::span<const int> dx) override {
    Add([=, text = std::string(text), dx = std::vector<int>(dx.begin(), dx.end())](TCanvas& c) {
      c.TextOut(x, y, text, options, dx);
    });
  }
  void IntersectClipRect(const TRect& r) override { Add([=](TCanvas& c) { c.IntersectClipRect(r); }); }
  void RemoveClip() override { Add([](TCanvas& c) { c.RemoveClip(); }); }
  void Save() override { Add([](TCanvas& c) { c.Save(); }); }
  void Restore() override { Add([](TCanvas& c) { c.Restore(); }); }

  void Replay(TCanvas& canvas) const {
    for (const auto& call : calls_) call(canvas);
  }

 private:
  void Add(std::function<void(TCanvas&)> call) { calls_.push_back(std::move(call)); }
  std::vector<std::function<void(TCanvas&)>> calls_;
};

// The PNG file printer, drawing band by band: the sheet is generated once
// onto a recording at the file's resolution, in its device pixels as the
// file printer's image would get them, and the recording is replayed onto
// each band. A whole raster at 4800 dpi would take 9 GB. Like the file
// printer, it keeps the first page; a job that ends in Abort writes nothing.
class TBandedPngPrinter final : public TFilePlatformPrinter {
 public:
  TBandedPngPrinter(QString fileName, int dpi)
      : TFilePlatformPrinter(TFormat::Png, fileName, dpi), file_(std::move(fileName)), dpi_(dpi) {}

  void BeginDoc(const std::string&) override {
    pages_.clear();
    pages_.emplace_back();
  }
  void NewPage() override {
    if (pages_.empty()) throw EReportError("Illegal call to NewPage");
    pages_.emplace_back();
  }
  void EndDoc() override {
    if (pages_.empty()) return;
    const std::vector<TCanvasRecording> pages = std::move(pages_);
    pages_.clear();
    const TDeviceCaps caps = Caps();
    WriteBandedPng(file_, caps.physicalWidth, caps.physicalHeight, dpi_,
                   [&](TCanvas& canvas) { pages.front().Replay(canvas); });
  }
  void Abort() override { pages_.clear(); }
  bool Printing() const override { return !pages_.empty(); }
  TCanvas& Canvas() override {
    if (pages_.empty()) throw EReportError("Report printer not ready");
    return pages_.back();
  }

 private:
  QString file_;
  int dpi_;
  std::vector<TCanvasRecording> pages_;
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool HasSuffix(const std::string& name, const char* suffix) {
  const std::string lower = Lower(name);
  const std::string s(suffix);
  return lower.size() >= s.size() && lower.compare(lower.size() - s.size(), s.size(), s) == 0;
}

// The paper size of one of the printer dialog's paper names, in any case.
std::optional<TPaperSize> PaperNamed(const std::string& name) {
  const auto& names = TfrmSelectPrinter::kPaperNames;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (Lower(names[i]) == Lower(name)) return PaperSizeFromOrdinal(static_cast<int>(i));
  return std::nullopt;
}

}  // namespace

int SheetCommand(const std::vector<std::string>& args) {
  std::string out, apiary, captions = kCaptionFileName;
  int dpi = 0;
  bool design = false;
  std::optional<TPaperSize> paper;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw EUsageError(a + " needs a value");
      return args[++i];
    };
    if (a == "--apiary") {
      apiary = value();
    } else if (a == "--captions") {
      captions = value();
    } else if (a == "--dpi") {
      const std::string& v = value();
      try {
        std::size_t used = 0;
        dpi = std::stoi(v, &used);
        if (used != v.size()) throw std::invalid_argument(v);
      } catch (const std::exception&) {
        throw EUsageError("--dpi needs a whole number");
      }
      if (dpi < 10 || dpi > 4800) throw EUsageError("--dpi must lie between 10 and 4800");
    } else if (a == "--paper") {
      paper = PaperNamed(value());
      if (!paper) throw EUsageError("--paper needs one of the printer dialog's paper names, such as letter, A4 or A3");
    } else if (a == "--design") {
      design = true;
    } else if (!a.empty() && a[0] == '-') {
      throw EUsageError("unknown option " + a);
    } else if (out.empty()) {
      out = a;
    } else {
      throw EUsageError("expects one output file");
    }
  }
  if (out.empty()) throw EUsageError("expects an output file");
  const bool rpt = HasSuffix(out, ".rpt"), pdf = HasSuffix(out, ".pdf"), png = HasSuffix(out, ".png");
  if (!rpt && !pdf && !png) throw EUsageError("the output must end in .rpt, .pdf or .png");
  if (design && rpt) throw EUsageError("--design draws a picture: write a .png or .pdf");
  if (paper && (rpt || design)) throw EUsageError("--paper chooses the paper of a printed .pdf or .png");

  StartGui();
  TEngineServices services;
  TFormBroodlog form(services.Context());
  TCaptionList list;
  ApplySheetTexts(form, list, QString::fromStdString(captions), QString::fromStdString(apiary));
  const QString file = QString::fromStdString(out);
  if (design) {
    WriteDesignPicture(*form.Report, file, dpi > 0 ? dpi : 96);
    return 0;
  }
  if (rpt) {
    form.Report->OnPreview = [](TReportPrinter&) {};
    form.Report->Preview();
    TReportPrinter* printer = form.Report->ReportPrinter();
    if (!printer || printer->Status() != TPrinterStatus::psFinished) throw std::runtime_error("The sheet was not generated");
    printer->Save(out);
    return 0;
  }
  form.Report->PrinterSettings().PrintPaper = paper;
  if (png) {
    form.Report->PrintOn(std::make_unique<TBandedPngPrinter>(file, dpi > 0 ? dpi : 96));
    return 0;
  }
  form.Report->PrintOn(std::make_unique<TFilePlatformPrinter>(TFilePlatformPrinter::TFormat::Pdf, file,
                                                              dpi > 0 ? dpi : 1200));
  return 0;
}
