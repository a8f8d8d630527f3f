#include "platform/qt_printer.h"

#include <QDir>
#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <algorithm>
#include <cmath>

#include "platform/pdf_file.h"
#include "platform/qt_canvas.h"
#include "platform/qt_text_metrics.h"
#include "report/report_error.h"

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

}  // namespace

TQueueFacts AskSpooler(const QString& queue) {
  TQueueFacts facts;
  const TDestName id = SplitQueue(queue);
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, id.name.constData(),
                                       id.instance.isEmpty() ? nullptr : id.instance.constData());
  if (dest == nullptr) return facts;
  auto option = [dest](const char* name) {
    return QString::fromUtf8(cupsGetOption(name, dest->num_options, dest->options));
  };
  facts.deviceUri = option("device-uri");
  facts.makeAndModel = option("printer-make-and-model");
  bool ok = false;
  const int copies = option("copies").toInt(&ok);
  if (ok && copies >= 1) facts.defaultCopies = copies;

  if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
    facts.known = true;
    if (ipp_attribute_t* a = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, CUPS_COPIES)) {
      int upper = 0;
      if (ippGetValueTag(a) == IPP_TAG_RANGE) {
        ippGetRange(a, 0, &upper);
      } else if (ippGetValueTag(a) == IPP_TAG_INTEGER) {
        upper = ippGetInteger(a, 0);
      }
      facts.maxCopies = upper;
    }
    if (ipp_attribute_t* a = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_SOURCE)) {
      for (int i = 0; i < ippGetCount(a); ++i)
        if (const char* s = ippGetString(a, i, nullptr)) facts.sources << QString::fromUtf8(s);
    }
    if (ipp_attribute_t* a = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_SOURCE)) {
      if (const char* s = ippGetString(a, 0, nullptr)) facts.defaultSource = QString::fromUtf8(s);
    }
    if (ipp_attribute_t* a = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution")) {
      int down = 0;
      ipp_res_t units = IPP_RES_PER_INCH;
      const int across = ippGetResolution(a, 0, &down, &units);
      facts.defaultResolution = units == IPP_RES_PER_CM ? Round(across * 2.54) : across;
    }
    cupsFreeDestInfo(info);
  }
  cupsFreeDests(1, dest);
  return facts;
}

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

TQtPlatformPrinter::TQtPlatformPrinter() {
  names_ = QPrinterInfo::availablePrinterNames();
  Load(DefaultIndex());
}

TQtPlatformPrinter::~TQtPlatformPrinter() {
  // A job still open when the object goes is dropped, not sent half-made.
  if (Printing()) Abort();
}

std::vector<std::string> TQtPlatformPrinter::Printers() const {
  std::vector<std::string> out;
  out.reserve(size_t(names_.size()));
  for (const QString& n : names_) out.push_back(n.toStdString());
  return out;
}

int TQtPlatformPrinter::DefaultIndex() const {
  if (names_.isEmpty()) return -1;
  const int at = int(names_.indexOf(QPrinterInfo::defaultPrinterName()));
  // A spooler that names no default still has a first queue to print on.
  return at >= 0 ? at : 0;
}

int TQtPlatformPrinter::PrinterIndex() const { return position_; }

void TQtPlatformPrinter::SetPrinterIndex(int index) {
  if (index != -1 && (index < 0 || index >= names_.size()))
    throw EReportError("Printer index out of range");
  if (Printing()) Abort();
  Load(index == -1 ? DefaultIndex() : index);
}

void TQtPlatformPrinter::Load(int position) {
  position_ = position;
  mode_ = TDeviceMode{};
  facts_ = TQueueFacts{};
  layout_.reset();
  metrics_.reset();
  resolution_ = 600;
  if (position < 0) return;

  const QString name = names_[position];
  facts_ = AskSpooler(name);
  const QPrinterInfo info = QPrinterInfo::printerInfo(name);

  // Copies only where the spooler itself takes a count for one job.
  mode_.declaresCopies = facts_.known && facts_.maxCopies >= 2;
  mode_.copies = mode_.declaresCopies ? std::clamp(facts_.defaultCopies, 1, facts_.maxCopies) : 1;

  const QList<QPageSize> sizes = info.supportedPageSizes();
  mode_.declaresPaperSize = !sizes.isEmpty();
  const QPageSize paper = info.defaultPageSize();
  if (paper.isValid()) {
    const int code = paper.windowsId();
    mode_.paperCode = code > 0 ? code : kUserPaper;
    if (mode_.paperCode == kUserPaper) {
      const QSizeF mm = paper.size(QPageSize::Millimeter);
      mode_.declaresPaperWidth = mode_.declaresPaperLength = true;
      mode_.paperWidth = Round(mm.width() * 10);
      mode_.paperLength = Round(mm.height() * 10);
    }
  }
  mode_.declaresOrientation = true;
  mode_.orientation = 1;

  const QList<QPrinter::DuplexMode> duplexes = info.supportedDuplexModes();
  mode_.declaresDuplex = std::any_of(duplexes.begin(), duplexes.end(), [](QPrinter::DuplexMode d) {
    return d == QPrinter::DuplexLongSide || d == QPrinter::DuplexShortSide;
  });
  switch (info.defaultDuplexMode()) {
    case QPrinter::DuplexLongSide: mode_.duplex = 2; break;
    case QPrinter::DuplexShortSide: mode_.duplex = 3; break;
    default: mode_.duplex = 1; break;
  }

  QStringList known_sources;
  for (const QString& s : facts_.sources)
    if (BinCodeForSource(s)) known_sources << s;
  mode_.declaresDefaultSource = !known_sources.isEmpty();
  mode_.defaultSource = BinCodeForSource(facts_.defaultSource).value_or(7);

  const QList<int> dpis = info.supportedResolutions();
  if (!dpis.isEmpty()) {
    resolution_ = *std::max_element(dpis.begin(), dpis.end());
  } else if (facts_.defaultResolution > 0) {
    resolution_ = facts_.defaultResolution;
  }
}

std::string TQtPlatformPrinter::DeviceName() const {
  return position_ < 0 ? std::string() : names_[position_].toStdString();
}

std::string TQtPlatformPrinter::DriverName() const { return facts_.makeAndModel.toStdString(); }

std::string TQtPlatformPrinter::Port() const { return facts_.deviceUri.toStdString(); }

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
  if (position_ < 0) return codes;
  for (const QPageSize& size : QPrinterInfo::printerInfo(names_[position_]).supportedPageSizes()) {
    const int code = size.windowsId();
    if (code > 0 && code != kUserPaper && std::find(codes.begin(), codes.end(), code) == codes.end())
      codes.push_back(code);
  }
  return codes;
}

const QPageLayout& TQtPlatformPrinter::Layout() {
  if (layout_) return *layout_;
  // Built from the queue's QPrinterInfo, so the least margins are this
  // queue's for this paper.
  QPrinter queue(QPrinterInfo::printerInfo(names_[position_]), QPrinter::HighResolution);
  QPageSize size;
  if (mode_.paperCode == kUserPaper && mode_.paperWidth > 0 && mode_.paperLength > 0) {
    size = QPageSize(QSizeF(mode_.paperWidth / 10.0, mode_.paperLength / 10.0), QPageSize::Millimeter,
                     QString(), QPageSize::ExactMatch);
  } else if (mode_.declaresPaperSize && mode_.paperCode > 0 && mode_.paperCode != kUserPaper) {
    size = QPageSize(QPageSize::id(mode_.paperCode));
  }
  if (size.isValid()) queue.setPageSize(size);
  queue.setPageOrientation(QPageLayout::Portrait);
  const QPageLayout portrait = queue.pageLayout();
  QMarginsF m = portrait.minimumMargins();
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
  if (mode_.orientation == 2) {
    // The sheet turns a quarter anticlockwise: its unprintable edges go with it.
    m = QMarginsF(m.top(), m.right(), m.bottom(), m.left());
    orientation = QPageLayout::Landscape;
  }
  layout_ = std::make_unique<QPageLayout>(portrait.pageSize(), orientation, m, portrait.units());
  return *layout_;
}

TDeviceCaps TQtPlatformPrinter::Caps() {
  TDeviceCaps caps;
  if (position_ < 0) return caps;
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
  if (position_ < 0) throw EReportError("There is no printer to print on");
  if (Printing()) throw EReportError("A print job is already running");
  // The name the spooler is handed; the PDF replaces this empty file only
  // when it is whole.
  file_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/broodlog-job-XXXXXX.pdf"));
  if (!file_->open()) {
    file_.reset();
    throw EReportError("Cannot create the print job's file in " + QDir::tempPath().toStdString());
  }
  file_->close();
  title_ = title;
  try {
    job_ = std::make_unique<TPdfFile>(file_->fileName(), Layout(), resolution_, QString::fromStdString(title));
  } catch (const EReportError&) {
    file_.reset();
    throw EReportError("Cannot start a print job on " + DeviceName());
  }
  canvas_ = std::make_unique<TQtCanvas>(job_->Painter());
}

void TQtPlatformPrinter::NewPage() {
  if (!Printing()) throw EReportError("No print job is running");
  try {
    job_->NewPage();
  } catch (const EReportError&) {
    throw EReportError("Cannot begin a new page on " + DeviceName());
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
  // Whatever happens to the hand-over, the document's file goes.
  const std::unique_ptr<QTemporaryFile> file = std::move(file_);
  canvas_.reset();
  const std::unique_ptr<TPdfFile> job = std::move(job_);
  // A document the disk could not hold whole is never sent.
  job->Finish();
  Submit(file->fileName(), title_);
}

void TQtPlatformPrinter::Submit(const QString& file, const std::string& title) {
  int count = 0;
  cups_option_t* options = nullptr;
  auto add = [&](const char* name, const QByteArray& value) {
    count = cupsAddOption(name, value.constData(), count, &options);
  };
  // The one place copies are asked for; the document holds one copy.
  if (mode_.declaresCopies && mode_.copies > 1) add(CUPS_COPIES, QByteArray::number(mode_.copies));
  const QPageSize size = Layout().pageSize();
  const QString media = size.key();
  if (!media.isEmpty() && size.id() != QPageSize::Custom) add(CUPS_MEDIA, media.toUtf8());
  if (mode_.declaresDuplex) {
    add(CUPS_SIDES, mode_.duplex == 2   ? CUPS_SIDES_TWO_SIDED_PORTRAIT
                    : mode_.duplex == 3 ? CUPS_SIDES_TWO_SIDED_LANDSCAPE
                                        : CUPS_SIDES_ONE_SIDED);
  }
  if (mode_.declaresDefaultSource) {
    const QString source = SourceForBinCode(mode_.defaultSource, facts_.sources);
    if (!source.isEmpty()) add(CUPS_MEDIA_SOURCE, source.toUtf8());
  }
  const TDestName id = SplitQueue(names_[position_]);
  const QByteArray path = QFile::encodeName(file);
  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, id.name.constData(), path.constData(), title.c_str(),
                                 count, options);
  cupsFreeOptions(count, options);
  if (job == 0)
    throw EReportError("The print job could not be handed to " + DeviceName() + ": " + cupsLastErrorString());
}

void TQtPlatformPrinter::Abort() {
  EndJob();
  file_.reset();  // never sent
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

TPlatformPrinterFactory QtPlatformPrinters() {
  return [] { return std::make_unique<TQtPlatformPrinter>(); };
}
