#include "platform/print_service.h"

#include <QCoreApplication>
#include <QTimer>

#include "platform/cups_library.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "platform/qt_printer.h"

namespace {

QString Text(const char* s) { return QString::fromUtf8(s ? s : ""); }

int DotsPerInch(int value, ipp_res_t units) {
  return units == IPP_RES_PER_CM ? int(std::lround(value * 2.54)) : value;
}

// What one queue takes, read from its description on `http`.
TPrintQueue DescribeQueue(http_t* http, cups_dest_t* dest) {
  TPrintQueue queue;
  queue.name = dest->instance ? Text(dest->name) + QLatin1Char('/') + Text(dest->instance) : Text(dest->name);
  auto option = [dest](const char* name) { return Text(Cups().cupsGetOption(name, dest->num_options, dest->options)); };
  TQueueFacts& facts = queue.facts;
  facts.deviceUri = option("device-uri");
  facts.makeAndModel = option("printer-make-and-model");
  bool ok = false;
  const int copies = option("copies").toInt(&ok);
  if (ok && copies >= 1) facts.defaultCopies = copies;

  cups_dinfo_t* info = Cups().cupsCopyDestInfo(http, dest);
  if (info == nullptr) return queue;
  if (ipp_attribute_t* a = Cups().cupsFindDestSupported(http, dest, info, CUPS_COPIES)) {
    int upper = 0;
    if (Cups().ippGetValueTag(a) == IPP_TAG_RANGE) {
      Cups().ippGetRange(a, 0, &upper);
    } else if (Cups().ippGetValueTag(a) == IPP_TAG_INTEGER) {
      upper = Cups().ippGetInteger(a, 0);
    }
    facts.maxCopies = upper;
  }
  if (ipp_attribute_t* a = Cups().cupsFindDestSupported(http, dest, info, CUPS_MEDIA_SOURCE)) {
    for (int i = 0; i < Cups().ippGetCount(a); ++i)
      if (const char* s = Cups().ippGetString(a, i, nullptr)) facts.sources << Text(s);
  }
  if (ipp_attribute_t* a = Cups().cupsFindDestDefault(http, dest, info, CUPS_MEDIA_SOURCE))
    facts.defaultSource = Text(Cups().ippGetString(a, 0, nullptr));

  const int count = Cups().cupsGetDestMediaCount(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
  for (int i = 0; i < count; ++i) {
    cups_size_t size{};
    if (!Cups().cupsGetDestMediaByIndex(http, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size)) continue;
    if (size.width <= 0 || size.length <= 0) continue;
    queue.media.append({Text(size.media), QSizeF(size.width / 100.0, size.length / 100.0),
                        QMarginsF(size.left / 100.0, size.top / 100.0, size.right / 100.0, size.bottom / 100.0)});
  }
  QString defaultMedia;
  if (ipp_attribute_t* a = Cups().cupsFindDestDefault(http, dest, info, CUPS_MEDIA)) defaultMedia = Text(Cups().ippGetString(a, 0, nullptr));
  for (int i = 0; i < queue.media.size(); ++i)
    if (queue.media[i].name == defaultMedia) queue.defaultMedia = i;

  if (ipp_attribute_t* a = Cups().cupsFindDestSupported(http, dest, info, "printer-resolution")) {
    for (int i = 0; i < Cups().ippGetCount(a); ++i) {
      int down = 0;
      ipp_res_t units = IPP_RES_PER_INCH;
      const int across = Cups().ippGetResolution(a, i, &down, &units);
      if (across > 0) queue.resolutions << DotsPerInch(across, units);
    }
  }
  if (queue.resolutions.isEmpty()) {
    if (ipp_attribute_t* a = Cups().cupsFindDestDefault(http, dest, info, "printer-resolution")) {
      int down = 0;
      ipp_res_t units = IPP_RES_PER_INCH;
      const int across = Cups().ippGetResolution(a, 0, &down, &units);
      if (across > 0) queue.resolutions << DotsPerInch(across, units);
    }
  }
  if (ipp_attribute_t* a = Cups().cupsFindDestSupported(http, dest, info, CUPS_SIDES)) {
    for (int i = 0; i < Cups().ippGetCount(a); ++i)
      if (Text(Cups().ippGetString(a, i, nullptr)).startsWith(QLatin1String("two-sided"))) queue.twoSided = true;
  }
  if (ipp_attribute_t* a = Cups().cupsFindDestDefault(http, dest, info, CUPS_SIDES)) {
    const QString sides = Text(Cups().ippGetString(a, 0, nullptr));
    queue.defaultDuplex = sides == QLatin1String(CUPS_SIDES_TWO_SIDED_PORTRAIT)    ? 2
                          : sides == QLatin1String(CUPS_SIDES_TWO_SIDED_LANDSCAPE) ? 3
                                                                                  : 1;
  }
  Cups().cupsFreeDestInfo(info);
  return queue;
}

int TimedOut(http_t*, void* flag) {
  *static_cast<bool*>(flag) = true;
  return 0;  // give up rather than wait on
}

}  // namespace

TPrinterCatalog AskPrintService(int patienceMs) {
  TPrinterCatalog catalog;
  if (!CupsLibrary()) {  // without the client library no service can be asked
    catalog.state = TPrintServiceState::NotRunning;
    return catalog;
  }
  const auto start = std::chrono::steady_clock::now();
  int cancel = 0;
  http_t* http = Cups().httpConnect2(Cups().cupsServer(), Cups().ippPort(), nullptr, AF_UNSPEC, Cups().cupsEncryption(), 1, patienceMs, &cancel);
  if (http == nullptr) {
    // Refused at once: nothing listens. A connection that never completes
    // is a service that does not answer (a print server on the network).
    const auto waited = std::chrono::steady_clock::now() - start;
    catalog.state = waited >= std::chrono::milliseconds(patienceMs * 9 / 10) ? TPrintServiceState::NotAnswering
                                                                             : TPrintServiceState::NotRunning;
    return catalog;
  }
  bool timedOut = false;
  Cups().httpSetTimeout(http, patienceMs / 1000.0, &TimedOut, &timedOut);
  cups_dest_t* dests = nullptr;
  const int count = Cups().cupsGetDests2(http, &dests);
  for (int i = 0; i < count && !timedOut; ++i) {
    catalog.queues.append(DescribeQueue(http, &dests[i]));
    if (dests[i].is_default) catalog.defaultQueue = i;
  }
  Cups().cupsFreeDests(count, dests);
  Cups().httpClose(http);
  if (timedOut) return TPrinterCatalog{};  // NotAnswering, and no half answer
  // A service that names no default still has a first queue to print on.
  if (catalog.defaultQueue < 0 && !catalog.queues.isEmpty()) catalog.defaultQueue = 0;
  catalog.state = TPrintServiceState::Answered;
  return catalog;
}

// What the service's threads and the printers it made share with it: the
// service itself while it lives (under the lock, as threads post to it),
// and the latest answer, which printers read on the interface thread.
struct TPrintService::TShared {
  std::mutex mutex;
  TPrintService* service = nullptr;
  std::shared_ptr<const TPrinterCatalog> latest = std::make_shared<TPrinterCatalog>();
};

struct TPrintService::TPending {
  int request;
  std::function<void(TPrintServiceState)> answered;
  QTimer deadline;
};

TPrintService::TPrintService(int patienceMs) : patience_ms_(patienceMs), shared_(std::make_shared<TShared>()) {
  shared_->service = this;
}

TPrintService::~TPrintService() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->service = nullptr;
}

std::shared_ptr<const TPrinterCatalog> TPrintService::Latest() const { return shared_->latest; }

void TPrintService::Ask(std::function<void(TPrintServiceState)> answered) {
  const int request = next_request_++;
  auto pending = std::make_unique<TPending>();
  pending->request = request;
  pending->answered = std::move(answered);
  pending->deadline.setSingleShot(true);
  connect(&pending->deadline, &QTimer::timeout, this, [this, request] { Answer(request, nullptr); });
  pending->deadline.start(patience_ms_);
  pending_.push_back(std::move(pending));
  // A thread of its own, left to finish (or to hang on a service that does
  // not answer) without anyone waiting for it.
  std::thread([shared = shared_, request, patience = patience_ms_] {
    auto catalog = std::make_shared<const TPrinterCatalog>(AskPrintService(patience));
    std::lock_guard<std::mutex> lock(shared->mutex);
    // Run by the interface thread's loop; dropped if the service is gone by then.
    if (TPrintService* service = shared->service)
      QMetaObject::invokeMethod(
          service, [service, request, catalog = std::move(catalog)] { service->Answer(request, catalog); },
          Qt::QueuedConnection);
  }).detach();
}

void TPrintService::Answer(int request, std::shared_ptr<const TPrinterCatalog> catalog) {
  // Printers made from now on hold what the service said; one that has no
  // printers to offer is said so too.
  if (catalog && catalog->state != TPrintServiceState::NotAnswering) shared_->latest = catalog;
  const auto at = std::find_if(pending_.begin(), pending_.end(), [request](const auto& p) { return p->request == request; });
  if (at == pending_.end()) return;  // answered already: it came too late
  const std::unique_ptr<TPending> pending = std::move(*at);
  pending_.erase(at);
  pending->answered(catalog ? catalog->state : TPrintServiceState::NotAnswering);
}

TPlatformPrinterFactory TPrintService::Printers() {
  return [shared = shared_, patience = patience_ms_] {
    return std::make_unique<TQtPlatformPrinter>([shared] { return shared->latest; }, patience);
  };
}

TPrintServiceAsker TPrintService::Asker() {
  return [this](std::function<void(TPrintServiceState)> answered) { Ask(std::move(answered)); };
}
