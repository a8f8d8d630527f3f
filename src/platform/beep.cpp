#include "platform/beep.h"

#include <QApplication>

namespace {
std::function<void()>& Handler() {
  static std::function<void()> handler;
  return handler;
}
}  // namespace

void MessageBeep() {
  if (Handler())
    Handler()();
  else
    QApplication::beep();
}

void SetBeepHandler(std::function<void()> handler) { Handler() = std::move(handler); }
