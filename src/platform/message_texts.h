#pragma once

#include <QString>

#include <exception>

// Messages that reach the user from code without Qt (the engine's errors,
// the caption file's) or that travel in an exception, in the user's
// language: an EReportError with a message identity is shown as that
// message's translation with its parts filled in; any other error (a system
// error text, say) is shown as it came.
QString TranslatedMessage(const std::exception& error);

// The English messages with their markers (tests check that every message
// the sources raise is one of them).
const char* const* MessagePatterns(int* count);
