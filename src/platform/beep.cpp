#include "platform/beep.h"

#include <utility>

#include "platform/application.h"

void MessageBeep() {
  TApplication* app = TApplication::Instance();
  if (app && app->beep_handler_) {
    app->beep_handler_();
  } else {
    QApplication::beep();
  }
}

TBeepHandlerScope::TBeepHandlerScope(std::function<void()> handler) {
  if (TApplication* app = TApplication::Instance()) previous_ = std::exchange(app->beep_handler_, std::move(handler));
}

TBeepHandlerScope::~TBeepHandlerScope() {
  if (TApplication* app = TApplication::Instance()) app->beep_handler_ = std::move(previous_);
}
