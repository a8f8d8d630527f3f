#pragma once

#include <memory>

class TReportContext;

// The engine's services on the platform: a message loop whose posted
// notices become Qt events, the reference text metrics at the screen's
// logical pixels per inch, the unit environment (that resolution and the
// locale's measurement system) and the locale's date and time formats. No
// printers until the host gives the context some (QtPlatformPrinters for the
// print service's queues). The program makes one and hands its context to
// every report it creates; nothing is installed anywhere, so tests may make
// as many as they like. Needs a QGuiApplication.
class TEngineServices {
 public:
  TEngineServices();
  ~TEngineServices();
  TEngineServices(const TEngineServices&) = delete;
  TEngineServices& operator=(const TEngineServices&) = delete;

  TReportContext& Context();
  // The screen's logical pixels per inch as the context gives it.
  int ScreenPixelsPerInch() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};
