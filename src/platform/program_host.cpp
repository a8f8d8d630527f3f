#include "platform/program_host.h"

#include <QCoreApplication>
#include <cstdio>

#include "platform/message_texts.h"

TProgramHost::~TProgramHost() = default;

TProgramHost* TProgramHost::Current() { return dynamic_cast<TProgramHost*>(QCoreApplication::instance()); }

bool ProgramEnding() {
  const TProgramHost* host = TProgramHost::Current();
  return host && host->Ending();
}

void ShowProgramError(const std::exception& e) {
  if (TProgramHost* host = TProgramHost::Current()) {
    host->ShowError(e);
    return;
  }
  std::fprintf(stderr, "%s\n", qPrintable(TranslatedMessage(e)));
}
