#pragma once

#include <functional>

// The default system beep, sounded for rejected input.
void MessageBeep();

// While it lives, MessageBeep calls `handler` instead of sounding the beep
// (tests count beeps); the previous way comes back when it goes.
class TBeepHandlerScope {
 public:
  explicit TBeepHandlerScope(std::function<void()> handler);
  ~TBeepHandlerScope();
  TBeepHandlerScope(const TBeepHandlerScope&) = delete;
  TBeepHandlerScope& operator=(const TBeepHandlerScope&) = delete;

 private:
  std::function<void()> previous_;
};
