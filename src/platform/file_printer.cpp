#include "platform/file_printer.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <vector>

#include "output/emf_player.h"
#include "output/emf_recorder.h"
#include "platform/page_render.h"
#include "platform/pdf_file.h"
#include "platform/qt_canvas.h"
#include "platform/qt_text_metrics.h"
#include "definition/page_setup.h"
#include "definition/report_error.h"

namespace {

// The paper of a paper code in millimetres, portrait; A4 for codes the
// table does not name.
std::pair<long double, long double> PaperMM(int code) {
  if (code >= 1 && code < kPaperSizeCount - 1) {
    if (auto mm = PaperDimensionsMM(static_cast<TPaperSize>(code))) return *mm;
  }
  return *PaperDimensionsMM(TPaperSize::A4);
}

}  // namespace

struct TFilePlatformPrinter::TJob {
  std::unique_ptr<TPdfFile> pdf;
  std::unique_ptr<TQtCanvas> canvas;  // a PDF's
  // A PNG's pages, recorded at the file's pixels and played band by band
  // into the file when the document ends, so that memory stays bounded at
  // any resolution; its first page is the one kept.
  std::unique_ptr<TEmfRecorder> recorder;
  std::vector<std::uint8_t> first_page;
  int width = 0, height = 0;
};

TFilePlatformPrinter::TFilePlatformPrinter(TFormat format, QString fileName, int dpi)
    : format_(format), file_name_(std::move(fileName)), dpi_(dpi > 0 ? dpi : 600),
      metrics_(std::make_unique<TQtTextMetrics>(dpi_)) {
  mode_.declaresPaperSize = true;
  mode_.declaresOrientation = true;
  mode_.paperCode = static_cast<int>(TPaperSize::A4);
}

TFilePlatformPrinter::~TFilePlatformPrinter() {
  if (job_) Abort();
}

std::vector<std::string> TFilePlatformPrinter::Printers() const { return {DeviceName()}; }

void TFilePlatformPrinter::SetPrinterIndex(int index) {
  if (index != 0 && index != -1) throw EReportError("Printer index out of range");
}

std::string TFilePlatformPrinter::DeviceName() const {
  return format_ == TFormat::Pdf ? "PDF file" : "PNG file";
}

std::string TFilePlatformPrinter::Port() const { return file_name_.toStdString(); }

void TFilePlatformPrinter::SetDeviceMode(const TDeviceMode& mode) {
  mode_.paperCode = mode.paperCode;
  mode_.orientation = mode.orientation;
}

std::vector<int> TFilePlatformPrinter::PaperCodes() {
  std::vector<int> codes;
  for (int code = 1; code < kPaperSizeCount - 1; ++code) codes.push_back(code);
  return codes;
}

TDeviceCaps TFilePlatformPrinter::Caps() {
  auto [w, h] = PaperMM(mode_.paperCode);
  if (mode_.orientation == 2) std::swap(w, h);
  TDeviceCaps caps;
  caps.pixelsPerInchX = caps.pixelsPerInchY = dpi_;
  caps.physicalWidth = caps.printableWidth = static_cast<int>(std::lround(w / 25.4L * dpi_));
  caps.physicalHeight = caps.printableHeight = static_cast<int>(std::lround(h / 25.4L * dpi_));
  return caps;
}

void TFilePlatformPrinter::BeginDoc(const std::string& title) {
  if (job_) Abort();
  auto job = std::make_unique<TJob>();
  const TDeviceCaps caps = Caps();
  if (format_ == TFormat::Pdf) {
    auto [w, h] = PaperMM(mode_.paperCode);
    const QPageLayout layout(QPageSize(QSizeF(double(w), double(h)), QPageSize::Millimeter),
                             mode_.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
    job->pdf = std::make_unique<TPdfFile>(file_name_, layout, dpi_, QString::fromStdString(title));
    job->pdf->Painter().setRenderHint(QPainter::Antialiasing, false);
    job->canvas = std::make_unique<TQtCanvas>(job->pdf->Painter());
  } else {
    job->width = caps.physicalWidth;
    job->height = caps.physicalHeight;
    job->recorder = std::make_unique<TEmfRecorder>(*metrics_, job->width, job->height);
  }
  job_ = std::move(job);
}

void TFilePlatformPrinter::NewPage() {
  if (!job_) throw EReportError("Illegal call to NewPage");
  if (job_->pdf) {
    job_->pdf->NewPage();
    return;
  }
  // An image holds one page: later pages are recorded and dropped.
  std::vector<std::uint8_t> page = job_->recorder->Finish();
  if (job_->first_page.empty()) job_->first_page = std::move(page);
  job_->recorder = std::make_unique<TEmfRecorder>(*metrics_, job_->width, job_->height);
}

void TFilePlatformPrinter::EndDoc() {
  if (!job_) return;
  std::unique_ptr<TJob> job = std::move(job_);
  job->canvas.reset();
  // A file that could not be written out whole fails here, not later.
  if (job->pdf) {
    job->pdf->Finish();
    return;
  }
  std::vector<std::uint8_t> page = job->recorder->Finish();
  if (job->first_page.empty()) job->first_page = std::move(page);
  const TRect frame{0, 0, job->width, job->height};
  WriteBandedPng(file_name_, job->width, job->height, dpi_,
                 [&](TCanvas& canvas) { TEmfPlayer::Play(job->first_page, canvas, frame); });
}

void TFilePlatformPrinter::Abort() {
  // Nothing reached the file: it keeps what it held.
  job_.reset();
}

bool TFilePlatformPrinter::Printing() const { return job_ != nullptr; }

TCanvas& TFilePlatformPrinter::Canvas() {
  if (!job_) throw EReportError("Report printer not ready");
  if (job_->recorder) return *job_->recorder;
  return *job_->canvas;
}

TTextMetrics& TFilePlatformPrinter::Metrics() { return *metrics_; }
