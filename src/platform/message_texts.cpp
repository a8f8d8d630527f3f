#include "platform/message_texts.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <iterator>
#include <vector>

namespace {

// Context of the patterns in the translation files.
constexpr const char* kContext = "Messages";

// Longer patterns come before shorter ones they begin with ("Cannot open %1:
// no program…" before "Cannot open %1").
const char* const kPatterns[] = {
    // Files.
    QT_TRANSLATE_NOOP("Messages", "Cannot create file %1"),
    QT_TRANSLATE_NOOP("Messages", "Cannot open file %1"),
    QT_TRANSLATE_NOOP("Messages", "Cannot write file %1"),
    QT_TRANSLATE_NOOP("Messages", "Cannot read file %1"),
    QT_TRANSLATE_NOOP("Messages", "Cannot write to a saved report held in memory"),
    QT_TRANSLATE_NOOP("Messages", "Saved report %1 is damaged"),
    QT_TRANSLATE_NOOP("Messages", "Saved report is too large"),
    QT_TRANSLATE_NOOP("Messages", "Page %1 is missing from the saved report"),
    QT_TRANSLATE_NOOP("Messages", "Page store has no stream"),
    QT_TRANSLATE_NOOP("Messages", "Compressed page data ends early"),
    QT_TRANSLATE_NOOP("Messages", "Compressed page data is not valid"),
    QT_TRANSLATE_NOOP("Messages", "Metafile is not valid"),
    QT_TRANSLATE_NOOP("Messages", "Metafile recording has ended"),
    QT_TRANSLATE_NOOP("Messages", "Too many drawing objects in a page"),
    QT_TRANSLATE_NOOP("Messages", "Stream write error"),
    QT_TRANSLATE_NOOP("Messages", "The page is too large to draw at %1 dpi"),
    // Printing.
    QT_TRANSLATE_NOOP("Messages", "Report printer not ready"),
    QT_TRANSLATE_NOOP("Messages", "Illegal call to NewPage"),
    QT_TRANSLATE_NOOP("Messages", "There is no printer to print on any more: nothing was printed"),
    QT_TRANSLATE_NOOP("Messages", "There is no printer to print on"),
    QT_TRANSLATE_NOOP("Messages", "Printer index out of range"),
    QT_TRANSLATE_NOOP("Messages", "Pages %1 to %2 are not in the report, which has %3 pages: nothing was printed"),
    QT_TRANSLATE_NOOP("Messages", "Pages %1 to %2 are not in the report, which has %3 page: nothing was printed"),
    QT_TRANSLATE_NOOP("Messages", "Cannot create the print job's file in %1"),
    QT_TRANSLATE_NOOP("Messages", "Cannot start a print job on %1"),
    QT_TRANSLATE_NOOP("Messages", "No print job is running"),
    QT_TRANSLATE_NOOP("Messages", "A print job is already running"),
    QT_TRANSLATE_NOOP("Messages", "Cannot begin a new page on %1"),
    QT_TRANSLATE_NOOP("Messages", "The print job could not be handed to %1: %2"),
    QT_TRANSLATE_NOOP("Messages", "The printer %1 is gone: nothing was printed"),
    QT_TRANSLATE_NOOP("Messages", "The print service does not answer: nothing was printed on %1"),
    QT_TRANSLATE_NOOP("Messages", "The print service does not answer: the job for %1 may or may not have been queued"),
    QT_TRANSLATE_NOOP("Messages", "There is no room in the temporary folder %1 for the print job: nothing was printed"),
    QT_TRANSLATE_NOOP("Messages", "The printer %1 has stopped, and the print job waits in its queue: %2"),
    QT_TRANSLATE_NOOP("Messages", "The printer %1 has stopped, and the print job waits in its queue"),
    // The settings store.
    QT_TRANSLATE_NOOP("Messages", "Failed to create key %1"),
    QT_TRANSLATE_NOOP("Messages", "Failed to get data for '%1'"),
    QT_TRANSLATE_NOOP("Messages", "Invalid data type for '%1'"),
    QT_TRANSLATE_NOOP("Messages", "Failed to set data for '%1'"),
    // Typed values and lists.
    QT_TRANSLATE_NOOP("Messages", "'%1' is not a valid integer value"),
    QT_TRANSLATE_NOOP("Messages", "List index out of bounds (%1)"),
};

// The pattern as an expression that takes the parts its markers stand for.
QRegularExpression Expression(const QString& pattern) {
  QString expr = QStringLiteral("^");
  static const QRegularExpression marker(QStringLiteral("%[1-9]"));
  qsizetype at = 0;
  for (auto it = marker.globalMatch(pattern); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    expr += QRegularExpression::escape(pattern.mid(at, m.capturedStart() - at)) + QStringLiteral("(.*)");
    at = m.capturedEnd();
  }
  expr += QRegularExpression::escape(pattern.mid(at)) + QStringLiteral("$");
  return QRegularExpression(expr, QRegularExpression::DotMatchesEverythingOption);
}

}  // namespace

QString FillIn(const QString& pattern, const QStringList& parts) {
  // One pass, so a part that holds "%2" stays as it is; a marker without a
  // part is left out rather than shown raw.
  QString out;
  out.reserve(pattern.size());
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == QLatin1Char('%') && i + 1 < pattern.size() && pattern[i + 1] >= QLatin1Char('1') &&
        pattern[i + 1] <= QLatin1Char('9')) {
      const int n = pattern[i + 1].digitValue();
      if (n <= parts.size()) out += parts[n - 1];
      ++i;
      continue;
    }
    out += c;
  }
  return out;
}

QString TranslatedMessage(const std::string& message) {
  const QString text = QString::fromUtf8(message);
  static const std::vector<QRegularExpression> expressions = [] {
    std::vector<QRegularExpression> out;
    for (const char* pattern : kPatterns) out.push_back(Expression(QString::fromLatin1(pattern)));
    return out;
  }();
  for (std::size_t i = 0; i < expressions.size(); ++i) {
    const QRegularExpressionMatch m = expressions[i].match(text);
    if (!m.hasMatch()) continue;
    const QString translated = QCoreApplication::translate(kContext, kPatterns[i]);
    // The parts go in by their numbers, wherever the translation puts them,
    // all at once (a part may itself hold "%2").
    QStringList parts;
    for (int n = 1; n <= m.lastCapturedIndex(); ++n) parts << m.captured(n);
    return FillIn(translated, parts);
  }
  return text;
}

const char* const* MessagePatterns(int* count) {
  *count = int(std::size(kPatterns));
  return kPatterns;
}
