#pragma once

#include <memory>

// Puts the platform behind the engine's seams for as long as it lives: the
// message loop (posted notices become Qt events), the reference text
// metrics at the screen's logical pixels per inch, the unit environment
// (that resolution and the locale's measurement system), the locale's
// date and time formats and the program's translations of texts that
// plain C++ definitions put on pages. The destructor puts the engine's built-ins back,
// so tests that make one leave no state behind. Needs a QGuiApplication.
class TEngineServices {
 public:
  TEngineServices();
  ~TEngineServices();
  TEngineServices(const TEngineServices&) = delete;
  TEngineServices& operator=(const TEngineServices&) = delete;

  // The screen's logical pixels per inch as installed.
  int ScreenPixelsPerInch() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};
