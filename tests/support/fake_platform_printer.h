#pragma once

// A platform printer for tests: a list of named printers with device modes
// the test chooses, jobs recorded as lists of sheets, each sheet the drawing
// calls made on it.

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "../output/canvas_log.h"
#include "graphics/text_metrics.h"
#include "output/platform_printer.h"
#include "definition/page_setup.h"
#include "definition/report_error.h"

struct TFakeJob {
  std::string title;
  TDeviceMode mode;             // the device mode the job started with
  std::vector<TCanvasLog> sheets;
  bool ended = false, aborted = false;
};

class TFakePlatformPrinter : public TPlatformPrinter {
 public:
  struct TQueue {
    std::string name;
    TDeviceMode mode;
    std::vector<int> paperCodes;
  };

  explicit TFakePlatformPrinter(std::vector<TQueue> queues, int defaultIndex = 0, int dpi = 600,
                                std::vector<TFakeJob>* jobs = nullptr)
      : queues_(std::move(queues)), default_(defaultIndex), dpi_(dpi), metrics_(dpi),
        jobs_(jobs ? jobs : &own_jobs_) {}

  std::vector<std::string> Printers() const override {
    std::vector<std::string> names;
    for (const auto& q : queues_) names.push_back(q.name);
    return names;
  }
  int PrinterIndex() const override { return queues_.empty() ? -1 : (selected_ < 0 ? default_ : selected_); }
  void SetPrinterIndex(int index) override {
    if (index < -1 || index >= int(queues_.size())) throw EReportError("Printer index out of range");
    selected_ = index;
  }
  std::string DeviceName() const override { return queues_.at(PrinterIndex()).name; }
  std::string DriverName() const override { return "/usr/lib/cups/driver/fake-driver"; }
  std::string Port() const override { return "fake:"; }
  TDeviceMode DeviceMode() override { return queues_.at(PrinterIndex()).mode; }
  void SetDeviceMode(const TDeviceMode& mode) override { queues_.at(PrinterIndex()).mode = mode; }
  std::vector<int> PaperCodes() override { return queues_.at(PrinterIndex()).paperCodes; }
  // The paper of the device mode as it lies (A4 for codes without a size).
  TDeviceCaps Caps() override {
    const TDeviceMode m = DeviceMode();
    auto paper = PaperSizeFromOrdinal(m.paperCode);
    auto mm = paper ? PaperDimensionsMM(*paper) : std::nullopt;
    auto [w, h] = mm ? *mm : *PaperDimensionsMM(TPaperSize::A4);
    if (m.orientation == 2) std::swap(w, h);
    TDeviceCaps caps;
    caps.pixelsPerInchX = caps.pixelsPerInchY = dpi_;
    caps.physicalOffsetX = caps.physicalOffsetY = offset;
    caps.physicalWidth = int(std::lround(w / 25.4L * dpi_));
    caps.physicalHeight = int(std::lround(h / 25.4L * dpi_));
    caps.printableWidth = caps.physicalWidth - 2 * caps.physicalOffsetX;
    caps.printableHeight = caps.physicalHeight - 2 * caps.physicalOffsetY;
    return caps;
  }
  void BeginDoc(const std::string& title) override {
    jobs_->push_back({title, DeviceMode(), {TCanvasLog{}}, false, false});
    printing_ = true;
  }
  void NewPage() override { jobs_->back().sheets.emplace_back(); }
  void EndDoc() override {
    jobs_->back().ended = true;
    printing_ = false;
  }
  void Abort() override {
    if (!printing_) return;
    jobs_->back().aborted = true;
    printing_ = false;
  }
  bool Printing() const override { return printing_; }
  TCanvas& Canvas() override { return jobs_->back().sheets.back(); }
  TTextMetrics& Metrics() override { return metrics_; }

  std::vector<TFakeJob>& Jobs() { return *jobs_; }

 private:
  std::vector<TQueue> queues_;
  int default_;
  int dpi_;

 public:
  int offset = dpi_ / 6;  // unprintable left and top margin in pixels, about 4.2 mm

 private:
  int selected_ = -1;
  TFixedPitchTextMetrics metrics_;
  std::vector<TFakeJob> own_jobs_;
  std::vector<TFakeJob>* jobs_;
  bool printing_ = false;
};

// A queue that declares copies, orientation, paper size and bin, offering A4
// and Letter; and one that declares nothing but the paper size.
inline TFakePlatformPrinter::TQueue CapableQueue(std::string name) {
  TDeviceMode m;
  m.declaresCopies = m.declaresOrientation = m.declaresPaperSize = m.declaresDefaultSource = true;
  m.paperCode = 9;
  return {std::move(name), m, {1, 9}};
}
inline TFakePlatformPrinter::TQueue PlainQueue(std::string name) {
  TDeviceMode m;
  m.declaresPaperSize = true;
  m.paperCode = 9;
  return {std::move(name), m, {9}};
}
