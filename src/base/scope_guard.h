#pragma once

#include <exception>
#include <utility>

// Runs a function when its scope ends, however it ends: generation sets
// flags and swaps printers for the length of a call and must put them back
// on every way out. When the scope is left by an exception, an error from
// the function is dropped, so the first error is the one the caller hears
// of; on a normal exit it propagates.
template <class F>
class TScopeGuard {
 public:
  explicit TScopeGuard(F fn) : fn_(std::move(fn)), exceptions_(std::uncaught_exceptions()) {}
  ~TScopeGuard() noexcept(false) {
    if (std::uncaught_exceptions() <= exceptions_) {
      fn_();
      return;
    }
    try {
      fn_();
    } catch (...) {
    }
  }
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;

 private:
  F fn_;
  int exceptions_;
};
