#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// Where the program's translation files are looked for, in order: beside
// the program in translations/ (a build tree) and in the data folder of the
// prefix it is installed in (bin/../share/broodlog/translations).
QStringList TranslationDirs();

// Installs the translations for `locale`: Qt's own (qtbase_*.qm in Qt's
// translations folder, Debian's qt6-translations-l10n: the file dialog's
// and message boxes' buttons) and the program's (broodlog_*.qm, from the
// first of `dirs` that has one). A language without a file stays English,
// the texts as written. Installing again replaces what an earlier call
// installed. Needs the application object. Returns the path of the
// program's file that was loaded, or empty.
QString InstallTranslations(const QLocale& locale = QLocale::system(), const QStringList& dirs = TranslationDirs());

// Removes what InstallTranslations installed: English again.
void RemoveTranslations();
