#include "platform/qt_printer.h"

#include <QDir>
#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>

#include <cups/cups.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "output/print_request.h"
#include "output/temp_file.h"
#include "platform/job_handover.h"
#include "platform/pdf_file.h"
#include "platform/qt_canvas.h"
#include "platform/qt_text_metrics.h"
#include "definition/report_error.h"

namespace {

constexpr int kUserPaper = 256;  // DMPAPER_USER
constexpr int kDeviceBin = 256;  // DMBIN_USER: first device-specific bin

int Round(double v) { return int(std::lrint(v)); }

// A queue name splits into the destination and an optional instance.
struct TDestName {
  QByteArray name, instance;
};
TDestName SplitQueue(const QString& queue) {
  const int slash = queue.indexOf(QLatin1Char('/'));
  if (slash < 0) return {queue.toUtf8(), {}};
  return {queue.left(slash).toUtf8(), queue.mid(slash + 1).toUtf8()};
}

// The queue's default paper, where its index names one of its papers.
const TQueueMedia* DefaultMedia(const TPrintQueue& queue) {
  const int i = queue.defaultMedia;
  return i >= 0 && i < queue.media.size() ? &queue.media[i] : nullptr;
}

}  // namespace

namespace {

struct TSourceName {
  const char* keyword;
  int code;
};
// IPP media-source keywords and the bin codes they stand for; the first
// keyword of a code is the one asked for when a code is applied.
constexpr TSourceName kSources[] = {
    {"auto", 7},      {"top", 1},       {"main", 1},      {"upper", 1},
    {"bottom", 2},    {"lower", 2},     {"middle", 3},    {"manual", 4},
    {"by-pass-tray", 4}, {"envelope", 5}, {"manual-envelope", 6}, {"tractor", 8},
    {"large-capacity", 11}, {"cassette", 14},
};

}  // namespace

std::optional<int> BinCodeForSource(const QString& keyword) {
  for (const TSourceName& s : kSources)
    if (keyword == QLatin1String(s.keyword)) return s.code;
  if (keyword.startsWith(QLatin1String("tray-"))) {
    bool ok = false;
    const int n = keyword.mid(5).toInt(&ok);
    if (ok && n >= 1 && n <= 1000) return kDeviceBin + n;
  }
  return std::nullopt;
}

QString SourceForBinCode(int code, const QStringList& offered) {
  for (const QString& keyword : offered)
    if (BinCodeForSource(keyword) == code) return keyword;
  return {};
}

TQtPlatformPrinter::TQtPlatformPrinter(TCatalogSource catalog, int patienceMs)
    : source_(std::move(catalog)), patience_ms_(patienceMs) {
  catalog_ = source_();
  Load(catalog_->defaultQueue);
}

TQtPlatformPrinter::TQtPlatformPrinter(int patienceMs)
    : TQtPlatformPrinter([catalog = std::make_shared<const TPrinterCatalog>(AskPrintService(patienceMs))] {
        return catalog;
      }, patienceMs) {}

TQtPlatformPrinter::~TQtPlatformPrinter() {
  // A job still open when the object goes is dropped, not sent half-made.
  if (Printing()) Abort();
}

std::vector<std::string> TQtPlatformPrinter::Printers() const {
  std::vector<std::string> out;
  for (const TPrintQueue& q : source_()->queues) out.push_back(q.name.toStdString());
  return out;
}

int TQtPlatformPrinter::PrinterIndex() const {
  const std::shared_ptr<const TPrinterCatalog> latest = source_();
  if (default_selected_ || queue_ == nullptr) return latest->defaultQueue;
  for (int i = 0; i < latest->queues.size(); ++i)
    if (latest->queues[i].name == queue_->name) return i;
  return latest->defaultQueue;  // gone since: the default stands in
}

void TQtPlatformPrinter::SetPrinterIndex(int index) {
  const std::shared_ptr<const TPrinterCatalog> latest = source_();
  if (index != -1 && (index < 0 || index >= latest->queues.size()))
    throw EReportError("Printer index out of range");
  if (Printing()) Abort();
  catalog_ = latest;
  default_selected_ = index == -1;
  Load(index == -1 ? latest->defaultQueue : index);
}

void TQtPlatformPrinter::Load(int position) {
  queue_ = position >= 0 && position < catalog_->queues.size() ? &catalog_->queues[position] : nullptr;
  mode_ = TDeviceMode{};
  layout_.reset();
  metrics_.reset();
  resolution_ = 600;
  if (queue_ == nullptr) return;
  const TQueueFacts& facts = queue_->facts;

  // Copies only where the service itself takes a count for one job.
  mode_.declaresCopies = facts.maxCopies >= 2;
  mode_.copies = mode_.declaresCopies ? std::clamp(facts.defaultCopies, 1, facts.maxCopies) : 1;

  mode_.declaresPaperSize = !queue_->media.isEmpty();
  if (const TQueueMedia* media = DefaultMedia(*queue_)) {
    const QSizeF mm = media->sizeMm;
    const int code = QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch).windowsId();
    mode_.paperCode = code > 0 ? code : kUserPaper;
    if (mode_.paperCode == kUserPaper) {
      mode_.declaresPaperWidth = mode_.declaresPaperLength = true;
      mode_.paperWidth = Round(mm.width() * 10);
      mode_.paperLength = Round(mm.height() * 10);
    }
  }
  mode_.declaresOrientation = true;
  mode_.orientation = 1;
  mode_.declaresDuplex = queue_->twoSided;
  mode_.duplex = queue_->defaultDuplex;

  QStringList known_sources;
  for (const QString& source : facts.sources)
    if (BinCodeForSource(source)) known_sources << source;
  mode_.declaresDefaultSource = !known_sources.isEmpty();
  mode_.defaultSource = BinCodeForSource(facts.defaultSource).value_or(7);

  if (!queue_->resolutions.isEmpty())
    resolution_ = *std::max_element(queue_->resolutions.begin(), queue_->resolutions.end());
}

std::string TQtPlatformPrinter::DeviceName() const { return queue_ ? queue_->name.toStdString() : std::string(); }

std::string TQtPlatformPrinter::DriverName() const {
  return queue_ ? queue_->facts.makeAndModel.toStdString() : std::string();
}

std::string TQtPlatformPrinter::Port() const { return queue_ ? queue_->facts.deviceUri.toStdString() : std::string(); }

void TQtPlatformPrinter::SetDeviceMode(const TDeviceMode& mode) {
  // The values are the caller's; what the queue declares stays the queue's.
  const TDeviceMode queue = mode_;
  mode_ = mode;
  mode_.declaresCopies = queue.declaresCopies;
  mode_.declaresPaperSize = queue.declaresPaperSize;
  mode_.declaresOrientation = queue.declaresOrientation;
  mode_.declaresDefaultSource = queue.declaresDefaultSource;
  mode_.declaresDuplex = queue.declaresDuplex;
  mode_.declaresPaperWidth = mode.declaresPaperWidth || queue.declaresPaperWidth;
  mode_.declaresPaperLength = mode.declaresPaperLength || queue.declaresPaperLength;
  if (!mode_.declaresCopies) mode_.copies = 1;
  mode_.copies = std::max(1, mode_.copies);
  layout_.reset();
}

std::vector<int> TQtPlatformPrinter::PaperCodes() {
  std::vector<int> codes;
  if (queue_ == nullptr) return codes;
  for (const TQueueMedia& media : queue_->media) {
    const int code = QPageSize(media.sizeMm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch).windowsId();
    if (code > 0 && code != kUserPaper && std::find(codes.begin(), codes.end(), code) == codes.end())
      codes.push_back(code);
  }
  return codes;
}

const TQueueMedia* TQtPlatformPrinter::Media() const {
  if (queue_ == nullptr) return nullptr;
  for (const TQueueMedia& media : queue_->media) {
    const QPageSize named(media.sizeMm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    if (mode_.paperCode == kUserPaper) {
      if (std::abs(media.sizeMm.width() * 10 - mode_.paperWidth) <= 5 &&
          std::abs(media.sizeMm.height() * 10 - mode_.paperLength) <= 5)
        return &media;
    } else if (mode_.paperCode > 0 && named.windowsId() == mode_.paperCode) {
      return &media;
    }
  }
  if (mode_.paperCode <= 0) return DefaultMedia(*queue_);
  return nullptr;
}

const QPageLayout& TQtPlatformPrinter::Layout() {
  if (layout_) return *layout_;
  QPageSize size;
  if (mode_.paperCode == kUserPaper && mode_.paperWidth > 0 && mode_.paperLength > 0) {
    size = QPageSize(QSizeF(mode_.paperWidth / 10.0, mode_.paperLength / 10.0), QPageSize::Millimeter, QString(),
                     QPageSize::ExactMatch);
  } else if (mode_.paperCode > 0 && mode_.paperCode != kUserPaper) {
    size = QPageSize(QPageSize::id(mode_.paperCode));
  }
  const TQueueMedia* media = Media();
  if (!size.isValid()) size = media ? QPageSize(media->sizeMm, QPageSize::Millimeter) : QPageSize(QPageSize::A4);
  // The least margins the queue gives this paper; for a paper it does not
  // list, the least it gives any.
  QMarginsF m;
  if (media) {
    m = media->marginsMm;
  } else if (queue_ && !queue_->media.isEmpty()) {
    m = queue_->media.front().marginsMm;
    for (const TQueueMedia& other : queue_->media) {
      const QMarginsF o = other.marginsMm;
      m = QMarginsF(std::min(m.left(), o.left()), std::min(m.top(), o.top()), std::min(m.right(), o.right()),
                    std::min(m.bottom(), o.bottom()));
    }
  }
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
  if (mode_.orientation == 2) {
    // The sheet turns a quarter anticlockwise: its unprintable edges go with it.
    m = QMarginsF(m.top(), m.right(), m.bottom(), m.left());
    orientation = QPageLayout::Landscape;
  }
  layout_ = std::make_unique<QPageLayout>(size, orientation, m, QPageLayout::Millimeter, m);
  return *layout_;
}

TDeviceCaps TQtPlatformPrinter::Caps() {
  TDeviceCaps caps;
  if (queue_ == nullptr) return caps;
  const QRect paper = Layout().fullRectPixels(resolution_);
  const QRect page = Layout().paintRectPixels(resolution_);
  caps.pixelsPerInchX = resolution_;
  caps.pixelsPerInchY = resolution_;
  caps.physicalOffsetX = page.left() - paper.left();
  caps.physicalOffsetY = page.top() - paper.top();
  caps.physicalWidth = paper.width();
  caps.physicalHeight = paper.height();
  caps.printableWidth = page.width();
  caps.printableHeight = page.height();
  return caps;
}

void TQtPlatformPrinter::BeginDoc(const std::string& title) {
  if (queue_ == nullptr) throw EReportError("There is no printer to print on");
  if (Printing()) throw EReportError("A print job is already running");
  // A service gone since it was asked has taken its printers with it: say
  // so before anything is drawn. Asked aside, so the window goes on.
  const TServiceProbe probe = ProbeService(patience_ms_);
  if (probe == TServiceProbe::Gone) throw EReportError(kNoPrinterLeft);
  if (probe == TServiceProbe::Silent)
    throw EReportError("The print service does not answer: nothing was printed on %1", {DeviceName()});
  // The document has no name at all, so no kill leaves it in the temporary
  // folder; it reaches the service through this descriptor.
  try {
    fd_ = OpenUnnamedTempFile();
  } catch (const EReportError&) {
    if (NoRoomIn(QDir::tempPath())) throw NoRoomError();
    throw EReportError("Cannot create the print job's file in %1", {QDir::tempPath().toStdString()});
  }
  title_ = title;
  try {
    job_ = std::make_unique<TPdfFile>(fd_, QDir::tempPath(), Layout(), resolution_, QString::fromStdString(title));
  } catch (const EReportError&) {
    CloseJobFile();
    throw EReportError("Cannot start a print job on %1", {DeviceName()});
  }
  canvas_ = std::make_unique<TQtCanvas>(job_->Painter());
}

void TQtPlatformPrinter::NewPage() {
  if (!Printing()) throw EReportError("No print job is running");
  try {
    job_->NewPage();
  } catch (const EReportError&) {
    throw EReportError("Cannot begin a new page on %1", {DeviceName()});
  }
  // Each sheet starts from the canvas's defaults.
  canvas_ = std::make_unique<TQtCanvas>(job_->Painter());
}

void TQtPlatformPrinter::EndJob() {
  canvas_.reset();
  job_.reset();
}

void TQtPlatformPrinter::EndDoc() {
  if (!Printing()) return;
  // Whatever happens to the hand-over, the document goes with the descriptor.
  struct TCloser {
    TQtPlatformPrinter* self;
    ~TCloser() { self->CloseJobFile(); }
  } closer{this};
  canvas_.reset();
  const std::unique_ptr<TPdfFile> job = std::move(job_);
  // A document the disk could not hold whole is never sent.
  try {
    job->Finish();
  } catch (const EReportError&) {
    if (NoRoomIn(QDir::tempPath())) throw NoRoomError();
    throw;
  }
  Submit(title_);
}

EReportError TQtPlatformPrinter::NoRoomError() {
  return EReportError("There is no room in the temporary folder %1 for the print job: nothing was printed",
                      {QDir::tempPath().toStdString()});
}

void TQtPlatformPrinter::CloseJobFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void TQtPlatformPrinter::Submit(const std::string& title) {
  TJobTicket ticket;
  ticket.title = title;
  auto add = [&](const char* name, const QByteArray& value) { ticket.options.emplace_back(name, value.toStdString()); };
  // The one place copies are asked for; the document holds one copy.
  if (mode_.declaresCopies && mode_.copies > 1) add(CUPS_COPIES, QByteArray::number(mode_.copies));
  // The paper by the service's own name for it where the queue lists it.
  const QPageSize size = Layout().pageSize();
  if (const TQueueMedia* media = Media(); media && !media->name.isEmpty()) {
    add(CUPS_MEDIA, media->name.toUtf8());
  } else if (!size.key().isEmpty() && size.id() != QPageSize::Custom) {
    add(CUPS_MEDIA, size.key().toUtf8());
  }
  if (mode_.declaresDuplex) {
    add(CUPS_SIDES, mode_.duplex == 2   ? CUPS_SIDES_TWO_SIDED_PORTRAIT
                    : mode_.duplex == 3 ? CUPS_SIDES_TWO_SIDED_LANDSCAPE
                                        : CUPS_SIDES_ONE_SIDED);
  }
  if (mode_.declaresDefaultSource) {
    const QString source = SourceForBinCode(mode_.defaultSource, queue_->facts.sources);
    if (!source.isEmpty()) add(CUPS_MEDIA_SOURCE, source.toUtf8());
  }
  ticket.queue = SplitQueue(queue_->name).name.toStdString();
  const std::string queue = ticket.queue;
  ticket.fd = ::dup(fd_);
  if (ticket.fd < 0)
    throw EReportError("The print job could not be handed to %1: %2", {DeviceName(), std::strerror(errno)});
  // On a thread of its own, every wait bounded by the patience: a service
  // that stopped answering since the print began fails the job, never the
  // window, which goes on painting and answering meanwhile.
  const THandOverResult result = HandOver(std::move(ticket), patience_ms_);
  switch (result.outcome) {
    case THandOverResult::Queued:
      WatchJob(result.job, queue, DeviceName(), patience_ms_);
      return;
    case THandOverResult::NotRunning:
      throw EReportError(kNoPrinterLeft);
    case THandOverResult::Gone:
      throw EReportError("The printer %1 is gone: nothing was printed", {DeviceName()});
    case THandOverResult::SilentBeforeDocument:
      throw EReportError("The print service does not answer: nothing was printed on %1", {DeviceName()});
    case THandOverResult::SilentAfterDocument:
      throw EReportError("The print service does not answer: the job for %1 may or may not have been queued",
                         {DeviceName()});
    case THandOverResult::Refused:
      break;
  }
  throw EReportError("The print job could not be handed to %1: %2", {DeviceName(), result.detail});
}

void TQtPlatformPrinter::Abort() {
  EndJob();
  CloseJobFile();  // never sent
}

bool TQtPlatformPrinter::Printing() const { return job_ && job_->Painter().isActive(); }

TCanvas& TQtPlatformPrinter::Canvas() {
  if (!Printing()) throw EReportError("No print job is running");
  return *canvas_;
}

TTextMetrics& TQtPlatformPrinter::Metrics() {
  if (!metrics_) metrics_ = std::make_unique<TQtTextMetrics>(resolution_);
  return *metrics_;
}

