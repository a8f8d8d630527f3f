#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/text_metrics.h"

// The platform's record of one printer's settings (its "device mode"): the
// values and which of them the device declares. Lengths in 0.1 mm.
struct TDeviceMode {
  bool declaresCopies = false;
  bool declaresPaperSize = false;
  bool declaresPaperLength = false;
  bool declaresPaperWidth = false;
  bool declaresOrientation = false;
  bool declaresDefaultSource = false;
  bool declaresDuplex = false;
  int copies = 1;
  int paperCode = 0;    // DMPAPER_ codes: 1 Letter ... 9 A4 ..., 256 user-defined
  int paperLength = 0;  // 0.1 mm, for the user-defined paper
  int paperWidth = 0;
  int orientation = 1;    // 1 portrait, 2 landscape
  int defaultSource = 7;  // DMBIN_ codes; 7 automatic
  int duplex = 1;         // 1 simplex, 2 vertical, 3 horizontal
};

// What the platform tells about a printer's page, in device pixels.
struct TDeviceCaps {
  int pixelsPerInchX = 0, pixelsPerInchY = 0;
  int physicalOffsetX = 0, physicalOffsetY = 0;  // unprintable left and top
  int physicalWidth = 0, physicalHeight = 0;     // the whole sheet
  int printableWidth = 0, printableHeight = 0;   // the area that can be printed
};

// The platform printer object: the list of printers, the selected one, its
// device mode and capabilities, and print jobs with a canvas. The report
// printer owns one; the platform layer provides the real one, tests fakes.
class TPlatformPrinter {
 public:
  virtual ~TPlatformPrinter() = default;

  // Printer names in the platform's order.
  virtual std::vector<std::string> Printers() const = 0;
  // The selected printer's position in Printers(); while the system default
  // is selected, the default printer's position. -1 when there are none.
  virtual int PrinterIndex() const = 0;
  // Selects a printer; -1 selects the system default. Any other index
  // outside Printers() throws EReportError "Printer index out of range".
  virtual void SetPrinterIndex(int index) = 0;

  // The selected printer's device, driver and port names.
  virtual std::string DeviceName() const = 0;
  virtual std::string DriverName() const = 0;
  virtual std::string Port() const = 0;

  // The selected printer's current device mode, and writing it back (the
  // next print job uses it).
  virtual TDeviceMode DeviceMode() = 0;
  virtual void SetDeviceMode(const TDeviceMode& mode) = 0;
  // Paper codes the selected printer offers (DMPAPER_ codes).
  virtual std::vector<int> PaperCodes() = 0;
  // Resolution and page geometry of the selected printer with its current
  // device mode.
  virtual TDeviceCaps Caps() = 0;

  // Print jobs. BeginDoc starts a job titled `title`; NewPage ends the
  // current sheet and begins the next; EndDoc ends the job; Abort drops it.
  virtual void BeginDoc(const std::string& title) = 0;
  virtual void NewPage() = 0;
  virtual void EndDoc() = 0;
  virtual void Abort() = 0;
  virtual bool Printing() const = 0;
  // The running job's canvas, in device pixels of the sheet (origin at the
  // printable area's top-left corner), and text measurement on it.
  virtual TCanvas& Canvas() = 0;
  virtual TTextMetrics& Metrics() = 0;
};

// A platform printer object on a machine without printers: an empty list,
// and every job operation refused. Text is measured with `metrics`.
class TNoPlatformPrinter : public TPlatformPrinter {
 public:
  explicit TNoPlatformPrinter(TTextMetrics& metrics) : metrics_(metrics) {}
  std::vector<std::string> Printers() const override { return {}; }
  int PrinterIndex() const override { return -1; }
  void SetPrinterIndex(int index) override;
  std::string DeviceName() const override { return {}; }
  std::string DriverName() const override { return {}; }
  std::string Port() const override { return {}; }
  TDeviceMode DeviceMode() override { return {}; }
  void SetDeviceMode(const TDeviceMode&) override {}
  std::vector<int> PaperCodes() override { return {}; }
  TDeviceCaps Caps() override { return {}; }
  void BeginDoc(const std::string& title) override;
  void NewPage() override;
  void EndDoc() override {}
  void Abort() override {}
  bool Printing() const override { return false; }
  TCanvas& Canvas() override;
  TTextMetrics& Metrics() override { return metrics_; }

 private:
  TTextMetrics& metrics_;
};

// Makes the platform printer objects of a print service.
using TPlatformPrinterFactory = std::function<std::unique_ptr<TPlatformPrinter>()>;
