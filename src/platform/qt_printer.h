#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "definition/report_error.h"
#include "output/platform_printer.h"
#include "platform/print_service.h"

class QPageLayout;
class QPainter;
class TPdfFile;
class TQtCanvas;
class TQtTextMetrics;

// The DMBIN_ code for an IPP media-source keyword ("auto" 7, "manual" 4,
// "top"/"upper"/"main" 1, "bottom"/"lower" 2, "middle" 3, "envelope" 5,
// "manual-envelope" 6, "tractor" 8, "large-capacity" 11, "cassette" 14,
// "tray-N" N-1 + 257 as a device-specific bin), or nothing for an unknown
// keyword. And back: the keyword a bin code asks for among `offered`, or
// empty when the queue offers none that fits.
std::optional<int> BinCodeForSource(const QString& keyword);
QString SourceForBinCode(int code, const QStringList& offered);

// The platform printer object over the print service (CUPS): the queues in
// the service's order, the system default queue, and a device mode read from
// what the service told of each queue (TPrintService; nothing is asked here
// but the hand-over of a job). A job is drawn by QPainter into a PDF laid out
// as the queue's page (its paper and least margins) and handed to the
// service when it ends, with the job's copies, media, sides and tray as job
// attributes; an aborted job is never sent, nor is one the disk could not
// hold whole. The PDF is a file in the temporary folder that no name leads
// to, so it goes with the process however that ends.
//
// The hand-over runs aside (job_handover.h) with each wait bounded by the
// patience, the window answering meanwhile. What the user reads when it
// fails: the printer is gone; there is no room in the temporary folder for
// the print job; the print service does not answer, and whether the job may
// have been queued; the service's own reason otherwise. A queue that stops
// within the patience after taking the job is told of later, with its
// reason.
//
// The device mode declares copies when the service accepts a copy count
// above 1 for the queue (its copies-supported range reaches 2 or more); a
// queue the service did not describe declares none. Copies reach the job
// once, as the job's copies attribute, and only on a queue that declares
// them; the document itself always holds one copy, so nothing doubles them.
//
// The list is the service's latest answer: a print asks the service once,
// before it begins, and every position used during it refers to that
// answer. Jobs draw at the highest resolution the queue offers (600 dpi
// where it names none); the service rasterises at the queue's own setting.
class TQtPlatformPrinter : public TPlatformPrinter {
 public:
  using TCatalogSource = std::function<std::shared_ptr<const TPrinterCatalog>()>;
  // On the answers `catalog` gives, read whenever a printer is selected.
  // Every wait of a hand-over is bounded by `patienceMs`.
  explicit TQtPlatformPrinter(TCatalogSource catalog, int patienceMs = kDefaultPatienceMs);
  // On an answer asked for now, waiting for the service (tests and tools).
  explicit TQtPlatformPrinter(int patienceMs = 10000);
  static constexpr int kDefaultPatienceMs = 5000;
  ~TQtPlatformPrinter() override;

  std::vector<std::string> Printers() const override;
  int PrinterIndex() const override;
  void SetPrinterIndex(int index) override;

  std::string DeviceName() const override;
  std::string DriverName() const override;
  std::string Port() const override;

  TDeviceMode DeviceMode() override { return mode_; }
  void SetDeviceMode(const TDeviceMode& mode) override;
  std::vector<int> PaperCodes() override;
  TDeviceCaps Caps() override;

  void BeginDoc(const std::string& title) override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;
  bool Printing() const override;
  TCanvas& Canvas() override;
  TTextMetrics& Metrics() override;

 private:
  void Load(int position);
  // The selected queue's paper for the current device mode, or null.
  const TQueueMedia* Media() const;
  // The selected queue's page for the current device mode.
  const QPageLayout& Layout();
  void EndJob();
  void Submit(const std::string& title);
  void CloseJobFile();
  static EReportError NoRoomError();

  TCatalogSource source_;
  std::shared_ptr<const TPrinterCatalog> catalog_;  // the answer the queue was loaded from
  const TPrintQueue* queue_ = nullptr;              // the selected queue in it, or null
  bool default_selected_ = true;  // the system default, whichever queue that is now
  TDeviceMode mode_;
  int resolution_ = 600;
  std::unique_ptr<QPageLayout> layout_;   // rebuilt when the mode changes
  int patience_ms_;
  int fd_ = -1;                           // the running job's document, unnamed
  std::unique_ptr<TPdfFile> job_;         // drawing it
  std::string title_;
  std::unique_ptr<TQtCanvas> canvas_;
  std::unique_ptr<TQtTextMetrics> metrics_;
};
