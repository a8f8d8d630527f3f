#pragma once

#include <QString>
#include <QStringList>

#include "platform/application.h"

// Collects the messages the application would show in a message box, for
// as long as it exists: the handler goes with it on every way out of a
// test, an assertion's early return included, so it never writes into a
// test that has ended.
class CapturedErrors {
 public:
  CapturedErrors() {
    TApplication::SetExceptionHandler([this](const QString& m) { messages << m; });
  }
  ~CapturedErrors() { TApplication::SetExceptionHandler(nullptr); }
  CapturedErrors(const CapturedErrors&) = delete;
  CapturedErrors& operator=(const CapturedErrors&) = delete;

  QStringList messages;
};
