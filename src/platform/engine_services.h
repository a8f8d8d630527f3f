#pragma once

#include <memory>

class TReportContext;

// The engine's services on the platform: a message loop whose posted
// notices become Qt events, the reference text metrics at the screen's
// logical pixels per inch, the unit environment (that resolution and the
// locale's measurement system), the locale's date and time formats and the
// program's translations of texts that plain C++ definitions put on pages.
// No printers until UsePrintService (or a test's own). The program makes
// one and hands its context to every report it creates; nothing is
// installed anywhere, so tests may make as many as they like. Needs a
// QGuiApplication.
class TEngineServices {
 public:
  TEngineServices();
  ~TEngineServices();
  TEngineServices(const TEngineServices&) = delete;
  TEngineServices& operator=(const TEngineServices&) = delete;

  TReportContext& Context();
  // Gives the context the print service's queues (CUPS), asked once per
  // print without the window waiting on it; `patienceMs` bounds each wait.
  void UsePrintService(int patienceMs = 5000);
  // The screen's logical pixels per inch as the context gives it.
  int ScreenPixelsPerInch() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};
