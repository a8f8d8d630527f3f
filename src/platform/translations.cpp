#include "platform/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

std::unique_ptr<QTranslator>& QtTranslator() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

std::unique_ptr<QTranslator>& ProgramTranslator() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

// Loads `name`_<language>.qm for the locale's languages from the first
// folder that has one, and installs it.
QString Install(std::unique_ptr<QTranslator>& slot, const QLocale& locale, const QString& name,
                const QStringList& dirs) {
  auto translator = std::make_unique<QTranslator>();
  for (const QString& dir : dirs) {
    if (translator->load(locale, name, QStringLiteral("_"), dir)) {
      QCoreApplication::installTranslator(translator.get());
      slot = std::move(translator);
      return slot->filePath();
    }
  }
  return QString();
}

}  // namespace

QStringList TranslationDirs() {
  const QString program = QCoreApplication::applicationDirPath();
  return {program + QStringLiteral("/translations"),
          QDir::cleanPath(program + QStringLiteral("/../share/broodlog/translations"))};
}

QString InstallTranslations(const QLocale& locale, const QStringList& dirs) {
  RemoveTranslations();
  Install(QtTranslator(), locale, QStringLiteral("qtbase"), {QLibraryInfo::path(QLibraryInfo::TranslationsPath)});
  return Install(ProgramTranslator(), locale, QStringLiteral("broodlog"), dirs);
}

void RemoveTranslations() {
  for (std::unique_ptr<QTranslator>* slot : {&QtTranslator(), &ProgramTranslator()}) {
    if (*slot) QCoreApplication::removeTranslator(slot->get());
    slot->reset();
  }
}
