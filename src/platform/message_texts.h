#pragma once

#include <QString>
#include <QStringList>

#include <string>

// Messages that reach the user as English text from code without Qt (the
// engine's errors, the caption file's) or that travel in an exception, in
// the user's language. Each message the program can show is listed once as
// a pattern, "%1" standing for a name or a number; a message is matched
// against the patterns and, where one matches, that pattern's translation
// is filled with the same parts. A message no pattern matches (a system
// error text, say) is shown as it came.
QString TranslatedMessage(const std::string& message);

// `pattern` with each marker %1 to %9 replaced by that part, in one pass;
// a marker beyond the parts given is dropped, so no raw marker is shown.
QString FillIn(const QString& pattern, const QStringList& parts);

// The English patterns, in the order they are tried (tests check that every
// message the sources raise has one).
const char* const* MessagePatterns(int* count);
