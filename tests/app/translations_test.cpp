// The program in German and French: its windows, the sheet, the messages
// that come as English text from code without Qt, and Qt's own dialogs.
// English, the source, is what every other test sees.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sheet/broodlog_form.h"
#include "app/main_window.h"
#include "app/preview_form.h"
#include "app/select_printer.h"
#include "app/text_to_broodlog.h"
#include "controls.h"
#include "output/report_printer.h"
#include "platform/application.h"
#include "captured_errors.h"
#include "platform/engine_services.h"
#include "platform/message_texts.h"
#include "platform/translations.h"
#include "definition/report_error.h"

namespace {

const QString kBuiltTranslations = QStringLiteral(BROODLOG_BINARY_DIR "/src/app/translations");

// The program in `language` for the test's length; English again after it.
class InLanguage {
 public:
  explicit InLanguage(const char* language)
      : loaded_(InstallTranslations(QLocale(QString::fromLatin1(language)), {kBuiltTranslations})) {}
  ~InLanguage() { RemoveTranslations(); }
  const QString& Loaded() const { return loaded_; }

 private:
  QString loaded_;
};

// What a user reads first in each window, by language.
struct TLanguageTexts {
  const char* language;
  const char* printNote;   // the main window's default button
  const char* apiary;      // the name field's label
  const char* preview;     // the preview's title
  const char* printer;     // the printer dialog's title
  const char* allPages;    // its "All 1 pages" for a one-page report
  const char* editor;      // the caption editor's title
  const char* firstBox;    // the editor's first default
  const char* firstColumn; // the sheet's first heading without a caption file
  const char* apiaryCaption;
  const char* dateCaption;
  const char* jobTitle;    // the print job of the apiary "Linde"
};

const TLanguageTexts kLanguages[] = {
    {"en", "print note", "&Apiary", "Report of data", "Select the printer", "All 1 pages", "Text to big broodlog",
     "Date or hive", "Date/hive", "Apiary :", "Date :", "Record sheet – Linde"},
    {"de", "Karte drucken", "&Bienenstand", "Berichtsvorschau", "Drucker auswählen", "Alle Seiten (1)",
     "Texte für die Stockkarte", "Datum oder Volk", "Datum/Volk", "Bienenstand :", "Datum :", "Stockkarte – Linde"},
    {"fr", "Imprimer la fiche", "&Rucher", "Aperçu du rapport", "Choisir l’imprimante", "Tout (1 page)",
     "Textes de la fiche de visite", "Date ou ruche", "Date/ruche", "Rucher\u00a0:", "Date\u00a0:",
     "Fiche de visite – Linde"},
};

class TranslationsTest : public ::testing::TestWithParam<TLanguageTexts> {
 protected:
  TEngineServices services_;
};

}  // namespace

TEST_P(TranslationsTest, EveryWindowAndTheSheetSpeakTheLanguage) {
  const TLanguageTexts& t = GetParam();
  InLanguage language(t.language);
  if (std::string(t.language) != "en") {
    ASSERT_FALSE(language.Loaded().isEmpty()) << "no broodlog_" << t.language << ".qm";
  }
  const auto q = [](const char* s) { return QString::fromUtf8(s); };

  Tbroodlogprint main(services_.Context());
  EXPECT_EQ(main.BitBtn1->text(), q(t.printNote));
  EXPECT_EQ(main.Label24->text(), q(t.apiary));
  EXPECT_EQ(main.Label24->buddy(), main.Edit1);

  TfrmPreview preview;
  EXPECT_EQ(preview.windowTitle(), q(t.preview));

  TReportPrinter onePage(services_.Context());
  onePage.BeginDoc();
  onePage.NewPage();
  onePage.EndDoc();
  TfrmSelectPrinter printer(services_.Context());
  printer.SetReportPrinter(&onePage, 0);
  printer.show();
  EXPECT_EQ(printer.windowTitle(), q(t.printer));
  EXPECT_EQ(Control<QRadioButton>(printer, "AllPagesRb")->text(), q(t.allPages));

  Ttext_to_broodlog editor;
  EXPECT_EQ(editor.windowTitle(), q(t.editor));
  EXPECT_EQ(editor.Edits[0]->text(), q(t.firstBox));
  EXPECT_EQ(editor.DefaultText(0), q(t.firstBox));

  TFormBroodlog sheet(services_.Context());
  sheet.SetApiaryName("Linde");
  EXPECT_EQ(sheet.HeadingByTag(0)->Caption(), t.firstColumn);
  EXPECT_EQ(sheet.RptLabel2->Caption(), t.apiaryCaption);
  EXPECT_EQ(sheet.RptLabel3->Caption(), t.dateCaption);
  EXPECT_EQ(sheet.Report->ReportTitle(), t.jobTitle);
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslationsTest, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.language); });

// Messages raised with their identity are shown in the user's language,
// with their names and numbers in place; one without is shown as it came.
TEST(TranslatedMessages, FillTheTranslationWithTheMessagesParts) {
  const struct {
    const char* language;
    EReportError message;
    const char* shown;
  } cases[] = {
      {"de", {"Cannot create file %1", {"broodlog.txt"}}, "Die Datei broodlog.txt kann nicht angelegt werden"},
      {"de", {"Cannot write file %1", {"/tmp/a %2 b.pdf"}}, "Die Datei /tmp/a %2 b.pdf kann nicht geschrieben werden"},
      {"de", {"The print job could not be handed to %1: %2", {"Büro", "server-error"}},
       "Der Druckauftrag konnte nicht an Büro übergeben werden: server-error"},
      {"de", {"'%1' is not a valid integer value", {"12x"}}, "„12x“ ist keine gültige ganze Zahl"},
      {"de", {"There is no printer to print on any more: nothing was printed"},
       "Es gibt keinen Drucker mehr, auf dem gedruckt werden kann: Es wurde nichts gedruckt"},
      {"fr", {"Report printer not ready"}, "L’imprimante du rapport n’est pas prête"},
      {"fr", {"Saved report %1 is damaged", {"/tmp/RPTx"}}, "Le rapport enregistré /tmp/RPTx est endommagé"},
      {"de", EReportError(std::string("No such file or directory")), "No such file or directory"},
      {"en", {"Cannot create file %1", {"broodlog.txt"}}, "Cannot create file broodlog.txt"},
  };
  for (const auto& c : cases) {
    InLanguage language(c.language);
    EXPECT_EQ(TranslatedMessage(c.message), QString::fromUtf8(c.shown)) << c.message.what();
  }
// And in the message box the message loop shows.
  InLanguage german("de");
  CapturedErrors capture;
  QStringList& shown = capture.messages;
  TApplication::Guarded([] { throw EReportError("Cannot open file %1", {"Völker.rpt"}); });
  EXPECT_EQ(shown, QStringList{QString::fromUtf8("Die Datei Völker.rpt kann nicht geöffnet werden")});
}

// Every message the engine, the platform and the windows raise is one of
// the patterns, so none reaches a German user in English.
// (Faults of a definition made in code, never of a user's input or system,
// are left out: the control tree's and the persisted value lists'.)
TEST(TranslatedMessages, EveryRaisedMessageHasAPattern) {
  int count = 0;
  const char* const* patterns = MessagePatterns(&count);
  const QRegularExpression raised(
      QStringLiteral(R"re((?:EReportError|ERegistryException|EFCreateError|EFOpenError|runtime_error|out_of_range)\(\s*(?:QStringLiteral\()?"((?:[^"\\]|\\.)*)")re"));
  const std::vector<std::string> skipped = {"control.cpp", "values_list.cpp", "unit_base.cpp"};
  int checked = 0;
  for (const char* dir : {"graphics", "definition", "output", "report", "sheet", "platform", "widgets", "app"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(BROODLOG_SOURCE_DIR) + "/src/" + dir)) {
      if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
      if (std::find(skipped.begin(), skipped.end(), entry.path().filename()) != skipped.end()) continue;
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      for (auto it = raised.globalMatch(QString::fromStdString(text.str())); it.hasNext();) {
        const QString start = it.next().captured(1).replace(QStringLiteral("\\\""), QStringLiteral("\""));
        ++checked;
        bool known = false;
        for (int i = 0; i < count && !known; ++i) known = QString::fromLatin1(patterns[i]) == start;
        EXPECT_TRUE(known) << entry.path().filename() << ": \"" << start.toStdString() << "\" has no pattern";
      }
    }
  }
  EXPECT_GT(checked, 30);
}

// Qt's own dialogs (the file dialog, message boxes) speak the language too,
// from Qt's translations (Debian's qt6-translations-l10n).
TEST(QtTranslations, AreLoadedWithTheProgramsOwn) {
  const QString qtDir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!QFile::exists(qtDir + QStringLiteral("/qtbase_de.qm")))
    GTEST_SKIP() << "Qt's translations are not installed (qt6-translations-l10n)";
  InLanguage german("de");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Save"), QStringLiteral("S&peichern"));
}

// One text per built-in heading and language: where the sheet's design
// text and the caption editor's default are the same English words, they
// read the same in every language. And every built-in heading, the sheet's
// and the editor's, fits its column's heading zone as the sheet measures
// on the screen: a heading written
// downwards ends above the first row rule (100 layout units down, from its
// top at 6), one written across stays 2 units clear of its column's rules.
TEST(BuiltInHeadings, OneTextPerHeadingAndLanguageAndEachFitsItsZone) {
  constexpr int kLefts[] = {0, 40, 64, 88, 120, 144, 168, 192, 216, 240, 264,
                            288, 312, 472, 640, 664, 688, 712, 736, 760, 784};
  constexpr int kBandWidth = 1047;
  for (const char* language : {"en", "de", "fr"}) {
    InLanguage in(language);
    TEngineServices services;
    TFormBroodlog sheet(services.Context());
    TTextMetrics& metrics = services.Context().Metrics();
    const double units = 96.0 / metrics.PixelsPerInch();
    for (int tag = 0; tag < TFormBroodlog::kHeadingCount; ++tag) {
      const TAngledLabel& heading = *sheet.HeadingByTag(tag);
      const std::string design = heading.Caption();
      const std::string editor =
          QCoreApplication::translate("Ttext_to_broodlog", Ttext_to_broodlog::kDefaultTexts[size_t(tag)]).toStdString();
      if (std::string(kSheetDesignCaptions[size_t(tag)]) == Ttext_to_broodlog::kDefaultTexts[size_t(tag)]) {
        EXPECT_EQ(design, editor) << language << ", heading " << tag;
      }
      const int column = (tag + 1 < int(std::size(kLefts)) ? kLefts[tag + 1] : kBandWidth) - kLefts[tag];
      for (const std::string& text : {design, editor}) {
        const TAngledMetrics m =
            AngledTextMetrics(metrics, LogFontFor(heading.Font(), metrics.PixelsPerInch()), heading.Angle(), text);
        if (heading.Angle() == 0) {
          EXPECT_LE(m.BoxWidth * units, column - 4) << language << ": \"" << text << "\" is wider than its column";
        } else {
          EXPECT_LE(6 + m.BoxHeight * units, 100) << language << ": \"" << text << "\" runs over the first row rule";
        }
      }
    }
  }
}
