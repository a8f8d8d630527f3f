// sheet: generates the record sheet headlessly, as "print note" does, into
// a saved report (pages at screen resolution, as the preview holds them) or
// straight onto a PDF or PNG at the output's resolution, as a printer gets it,
// on the sheet's own paper or on another one, as the printer dialog chooses.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sheet/broodlog_form.h"
#include "app/caption_file.h"
#include "app/sheet_captions.h"
#include "commands.h"
#include "platform/design_render.h"
#include "platform/engine_services.h"
#include "platform/file_printer.h"
#include "platform/page_render.h"
#include "platform/qt_canvas.h"
#include "platform/translations.h"
#include "definition/report_error.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool HasSuffix(const std::string& name, const char* suffix) {
  const std::string lower = Lower(name);
  const std::string s(suffix);
  return lower.size() >= s.size() && lower.compare(lower.size() - s.size(), s.size(), s) == 0;
}


}  // namespace

int SheetCommand(const std::vector<std::string>& args) {
  std::string out, apiary, captions = kCaptionFileName, language;
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
      paper = PaperSizeFromName(value());
      if (!paper) throw EUsageError("--paper needs one of the printer dialog's paper names, such as letter, A4 or A3");
    } else if (a == "--lang") {
      language = value();
      if (language.empty()) throw EUsageError("--lang needs a language, such as de or fr_FR");
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
  // The program's translations, for the language the program would speak
  // (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) or the one asked for; English
  // where none is shipped. The helper lives in libexec/broodlog once
  // installed, and in tools/rptool of a build tree.
  const QString here = QCoreApplication::applicationDirPath();
  QStringList dirs = TranslationDirs();
  dirs << here + QStringLiteral("/../../share/broodlog/translations")
       << here + QStringLiteral("/../../src/app/translations");
  InstallTranslations(language.empty() ? QLocale::system() : QLocale(QString::fromStdString(language)), dirs);
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
    form.Report->PrintOn(std::make_unique<TFilePlatformPrinter>(TFilePlatformPrinter::TFormat::Png, file, dpi > 0 ? dpi : 96));
    return 0;
  }
  form.Report->PrintOn(std::make_unique<TFilePlatformPrinter>(TFilePlatformPrinter::TFormat::Pdf, file,
                                                              dpi > 0 ? dpi : 1200));
  return 0;
}
