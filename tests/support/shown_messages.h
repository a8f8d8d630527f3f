#pragma once

// What the program would show in a message box, recorded instead for as long
// as this lives; then messages go where they went before.

#include <QStringList>

#include "platform/application.h"

class TShownMessages {
 public:
  QStringList messages;

 private:
  TExceptionHandlerScope scope_{[this](const QString& m) { messages << m; }};
};
