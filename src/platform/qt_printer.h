#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "output/platform_printer.h"

class QPageLayout;
class QPainter;
class QPrinter;
class QTemporaryFile;
class TPdfFile;
class TQtCanvas;
class TQtTextMetrics;

// What the print spooler (CUPS) tells about one queue beyond what Qt keeps.
struct TQueueFacts {
  bool known = false;         // the spooler answered for this queue
  int maxCopies = 0;          // upper bound of copies-supported; 0 unknown
  int defaultCopies = 1;      // copies-default
  QStringList sources;        // media-source-supported keywords
  QString defaultSource;      // media-source-default keyword, or empty
  int defaultResolution = 0;  // printer-resolution-default across, dpi; 0 unknown
  QString deviceUri;          // where the queue sends its output
  QString makeAndModel;       // the queue's driver description
};

// Asks the spooler about a queue ("name" or "name/instance"). A spooler
// that cannot be reached, or a queue it does not know, gives known false.
TQueueFacts AskSpooler(const QString& queue);

// The DMBIN_ code for an IPP media-source keyword ("auto" 7, "manual" 4,
// "top"/"upper"/"main" 1, "bottom"/"lower" 2, "middle" 3, "envelope" 5,
// "manual-envelope" 6, "tractor" 8, "large-capacity" 11, "cassette" 14,
// "tray-N" N-1 + 257 as a device-specific bin), or nothing for an unknown
// keyword. And back: the keyword a bin code asks for among `offered`, or
// empty when the queue offers none that fits.
std::optional<int> BinCodeForSource(const QString& keyword);
QString SourceForBinCode(int code, const QStringList& offered);

// The platform printer object over Qt Print Support and CUPS: the queues in
// the spooler's order, the system default queue, a device mode read from the
// queue's own options, and print jobs. A job is drawn by QPainter into a PDF
// laid out as the queue's page (its paper and least margins, from the
// queue's QPrinterInfo) and handed to the spooler when it ends, with the
// job's copies, media, sides and tray as job attributes; an aborted job is
// never sent, nor is one the disk could not hold whole (EndDoc throws
// "Cannot write file %s"). The PDF is a temporary file, removed on every
// way out.
//
// The device mode declares copies when the spooler accepts a copy count
// above 1 for the queue (its copies-supported range reaches 2 or more); a
// queue the spooler cannot vouch for declares none. Copies reach the job
// once, as the job's copies attribute, and only on a queue that declares
// them; the document itself always holds one copy, so nothing doubles them.
//
// The list is read once, when the object is made, so positions stay valid
// for its life. Jobs draw at the highest resolution the queue offers (its
// default, or 600 dpi, when it lists none); the spooler rasterises at the
// queue's own setting.
class TQtPlatformPrinter;
// Makes platform printer objects on the print service's queues.
TPlatformPrinterFactory QtPlatformPrinters();

class TQtPlatformPrinter : public TPlatformPrinter {
 public:
  TQtPlatformPrinter();
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

  // The dpi jobs are drawn at on the selected queue.
  int Resolution() const { return resolution_; }
  // The spooler's facts for the selected queue.
  const TQueueFacts& Facts() const { return facts_; }

 private:
  int DefaultIndex() const;
  void Load(int position);
  // The selected queue's page for the current device mode.
  const QPageLayout& Layout();
  void EndJob();
  void Submit(const QString& file, const std::string& title);

  QStringList names_;
  int position_ = -1;  // the queue in use; -1 without printers
  TQueueFacts facts_;
  TDeviceMode mode_;
  int resolution_ = 600;
  std::unique_ptr<QPageLayout> layout_;  // rebuilt when the mode changes
  std::unique_ptr<QTemporaryFile> file_;  // the running job's document
  std::unique_ptr<TPdfFile> job_;        // drawing it
  std::string title_;
  std::unique_ptr<TQtCanvas> canvas_;
  std::unique_ptr<TQtTextMetrics> metrics_;
};
