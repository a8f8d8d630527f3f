#pragma once

#include <functional>
#include <string>

// Texts that definitions made in plain C++ put before a user (a sheet's
// headings, a print job's name) are written in English and translated
// through the engine context's translator, which the program fills with its
// own translations. Without a translator every text stays as written.

// Marks an English text for the translation tools where it is only named,
// to be translated later by TranslatedText with the same context.
#define RPT_TRANSLATE_NOOP(context, text) text

// Translates `source` (English, UTF-8) within `context` (the class or unit
// it belongs to) into the user's language; UTF-8.
using TTextTranslator = std::function<std::string(const char* context, const char* source)>;
