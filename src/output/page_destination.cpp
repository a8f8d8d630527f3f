#include "output/page_destination.h"

#include <vector>

#include "output/emf_player.h"
#include "output/emf_recorder.h"
#include "output/page_store.h"
#include "output/platform_printer.h"
#include "output/report_printer.h"
#include "output/saved_report.h"
#include "output/stored_page.h"
#include "definition/report_error.h"
#include "definition/report_unit.h"
#include "definition/rounding.h"

namespace {

TDeviceScale ScaleAt(int ppiX, int ppiY, std::int32_t left = 0, std::int32_t top = 0) {
  return {static_cast<long double>(ppiX) / kStoredPerInch, static_cast<long double>(ppiY) / kStoredPerInch, left,
          top};
}

}  // namespace

// --- TStoreDestination ---------------------------------------------------

TStoreDestination::TStoreDestination(TPageStore& store, TTextMetrics& reference, int screenPixelsPerInch)
    : store_(store), reference_(reference), ppi_(screenPixelsPerInch) {
  scale_ = ScaleAt(ppi_, ppi_);
}

TStoreDestination::~TStoreDestination() = default;

void TStoreDestination::Begin(long double width, long double length) {
  store_.SetStream(std::make_unique<TPageStream>(saved_report::kMemoryLimit));
  width_px_ = RoundHalfEvenToInt(width * scale_.x);
  height_px_ = RoundHalfEvenToInt(length * scale_.y);
}

void TStoreDestination::StartPage(std::int32_t) {
  recorder_ = std::make_unique<TEmfRecorder>(reference_, width_px_, height_px_);
}

void TStoreDestination::EndPage(std::int32_t) {
  if (!recorder_) return;
  const std::unique_ptr<TEmfRecorder> recorder = std::move(recorder_);
  store_.AddPageData(recorder->Finish());
}

void TStoreDestination::End() {
  EndPage(0);
  // The header gets the final count before anyone can save the pages.
  store_.Finish();
}

void TStoreDestination::Abort() { EndPage(0); }

TCanvas& TStoreDestination::Canvas() {
  if (!recorder_) throw EReportError("Report printer not ready");
  return *recorder_;
}

// --- TDeviceDestination --------------------------------------------------

TDeviceDestination::TDeviceDestination(TPlatformPrinter& platform, TPrinterSettings& settings,
                                       TTextMetrics& reference, int screenPixelsPerInch, std::string title,
                                       std::int32_t first, std::int32_t last)
    : platform_(platform), settings_(settings), reference_(reference), screen_ppi_(screenPixelsPerInch),
      title_(std::move(title)), first_(first), last_(last) {}

TDeviceDestination::~TDeviceDestination() = default;

bool TDeviceDestination::InRange(std::int32_t page) const {
  return (first_ <= 0 || page >= first_) && (last_ <= 0 || page <= last_);
}

void TDeviceDestination::SetPrinterScale() {
  scale_ = ScaleAt(settings_.PixelsPerInchX(), settings_.PixelsPerInchY(), unprintable_left_, unprintable_top_);
}

void TDeviceDestination::Begin(long double width, long double length) {
  width_ = width;
  length_ = length;
  settings_.ApplyToDevice();
  unprintable_left_ = settings_.OffsetLeft();
  unprintable_top_ = settings_.OffsetTop();
  const TPagePlacement placement = PlacePage(width, length, platform_.Caps());
  dest_ = placement.dest;
  scaled_ = placement.scaled;
  // A placed page is drawn from its own corner.
  if (scaled_) unprintable_left_ = unprintable_top_ = 0;
  SetPrinterScale();
}

void TDeviceDestination::StartPage(std::int32_t number) {
  if (!InRange(number)) {
    // Generated as a stored page would be, and dropped.
    scale_ = ScaleAt(screen_ppi_, screen_ppi_, unprintable_left_, unprintable_top_);
    recorder_ = std::make_unique<TEmfRecorder>(reference_, RoundHalfEvenToInt(width_ * scale_.x),
                                               RoundHalfEvenToInt(length_ * scale_.y));
    return;
  }
  // After the first page the sheet was begun by the new-page call that
  // ended the previous one.
  if (!platform_.Printing()) platform_.BeginDoc(title_);
  printer_page_ = true;
  SetPrinterScale();
  // Drawn whole on the printer's pixels as if the paper were the page, so
  // text is measured and laid out as on a paper that fits; placed when done.
  if (scaled_)
    recorder_ = std::make_unique<TEmfRecorder>(platform_.Metrics(), RoundHalfEvenToInt(width_ * scale_.x),
                                               RoundHalfEvenToInt(length_ * scale_.y));
}

void TDeviceDestination::PlaceRecordedPage() {
  if (!printer_page_ || !recorder_) return;
  const std::unique_ptr<TEmfRecorder> recorder = std::move(recorder_);
  const std::vector<std::uint8_t> page = recorder->Finish();
  TEmfPlayer::Play(page, platform_.Canvas(), dest_);
}

void TDeviceDestination::EndPage(std::int32_t number) {
  if (!printer_page_) {
    recorder_.reset();  // a page outside the range: generated, not printed
    return;
  }
  PlaceRecordedPage();
  printer_page_ = false;
  // The last page of a range is left for End.
  if (platform_.Printing() && number != last_) platform_.NewPage();
}

void TDeviceDestination::End() {
  if (platform_.Printing()) PlaceRecordedPage();
  printer_page_ = false;
  recorder_.reset();
  if (platform_.Printing()) platform_.EndDoc();
}

void TDeviceDestination::Abort() {
  printer_page_ = false;
  recorder_.reset();
  if (platform_.Printing()) platform_.Abort();
}

TCanvas& TDeviceDestination::Canvas() {
  if (recorder_) return *recorder_;
  if (printer_page_) return platform_.Canvas();
  throw EReportError("Report printer not ready");
}

TTextMetrics& TDeviceDestination::Metrics() { return printer_page_ ? platform_.Metrics() : reference_; }

void TDeviceDestination::Replay(const std::function<std::unique_ptr<TStoredPage>(std::int32_t)>& page,
                                const std::function<bool()>& cancelled) {
  if (platform_.Printing()) platform_.Abort();
  if (first_ > last_) return;
  settings_.ApplyToDevice();
  platform_.BeginDoc(title_);
  try {
    const TDeviceCaps caps = platform_.Caps();
    for (std::int32_t i = first_; i <= last_; ++i) {
      if (auto stored = page(i))
        stored->Play(platform_.Canvas(),
                     PlacePage(stored->Header().FrameWidth() / 10, stored->Header().FrameLength() / 10, caps).dest);
      if (cancelled()) return Abort();
      if (i < last_) platform_.NewPage();
    }
  } catch (...) {
    Abort();
    throw;
  }
  End();
}
