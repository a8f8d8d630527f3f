#pragma once

#include <QList>
#include <QMarginsF>
#include <QObject>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "output/engine_context.h"
#include "output/platform_printer.h"

// What the print service (CUPS) tells about one queue.
struct TQueueFacts {
  int maxCopies = 0;          // upper bound of copies-supported; 0 unknown
  int defaultCopies = 1;      // copies-default
  QStringList sources;        // media-source-supported keywords
  QString defaultSource;      // media-source-default keyword, or empty
  QString deviceUri;          // where the queue sends its output
  QString makeAndModel;       // the queue's driver description
};

// A paper a queue offers, portrait, with the edges it cannot print on.
struct TQueueMedia {
  QString name;       // the service's name for it ("iso_a4_210x297mm")
  QSizeF sizeMm;      // width x length
  QMarginsF marginsMm;
};

// One queue as the service described it.
struct TPrintQueue {
  QString name;  // "name", or "name/instance"
  TQueueFacts facts;
  QList<TQueueMedia> media;
  int defaultMedia = -1;    // index into media, -1 when it names none
  QList<int> resolutions;   // dots per inch across, as offered
  bool twoSided = false;    // it prints on both sides
  int defaultDuplex = 1;    // 1 one-sided, 2 long edge, 3 short edge
};

// Everything we print with, as the print service told it in one asking.
struct TPrinterCatalog {
  TPrintServiceState state = TPrintServiceState::NotAnswering;
  QList<TPrintQueue> queues;  // in the service's order
  int defaultQueue = -1;      // the system default, -1 without queues
};

// Asks the print service the environment names (CUPS_SERVER, the client
// configuration) for its queues and what each one takes, waiting at most
// `patienceMs` for the connection and for each answer. It blocks: the
// program calls it from a thread of its own (TPrintService).
TPrinterCatalog AskPrintService(int patienceMs);

// The program's print service. Each print asks it once, on a thread of its
// own, and the interface never waits: the answer, or NotAnswering after the
// patience, is handed back from the message loop. The platform printers it
// makes hold the latest answer (and take the newest one when a printer is
// selected), so a print never asks the service a second time; the job
// itself is handed over when it ends.
class TPrintService : public QObject {
 public:
  explicit TPrintService(int patienceMs = 5000);
  ~TPrintService() override;

  // Asks; `answered` runs later on the interface thread, exactly once.
  void Ask(std::function<void(TPrintServiceState)> answered);
  // The latest answer (an empty one before the first).
  std::shared_ptr<const TPrinterCatalog> Latest() const;
  // For the engine context: platform printers on the latest answer, and
  // the way to ask.
  TPlatformPrinterFactory Printers();
  TPrintServiceAsker Asker();

 private:
  struct TShared;
  void Answer(int request, std::shared_ptr<const TPrinterCatalog> catalog);

  int patience_ms_;
  std::shared_ptr<TShared> shared_;
  struct TPending;
  std::vector<std::unique_ptr<TPending>> pending_;
  int next_request_ = 1;
};
