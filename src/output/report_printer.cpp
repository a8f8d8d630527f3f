#include "output/report_printer.h"

#include <algorithm>
#include <cmath>

#include "output/emf_player.h"
#include "output/page_destination.h"
#include "output/saved_report.h"
#include "output/stored_page.h"
#include "definition/report_error.h"
#include "definition/rounding.h"
#include "definition/report_unit.h"

namespace {

constexpr int kBinCodes[kPaperBinCount] = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};
constexpr int kCustomPaperCode = 256;
// A page within half a millimetre of the paper fits on it: both sizes reach
// here rounded, to screen pixels (stored pages) and to device pixels.
constexpr long double kFitTolerance = 5;

// Device pixels -> 0.1 mm, to the nearest integer.
int PixelsToStored(int pixels, int ppi) {
  if (ppi <= 0) return 0;
  return RoundHalfEvenToInt(static_cast<long double>(pixels) / ppi * kStoredPerInch);
}

int TableLength(TPaperSize size, bool width) {
  auto mm = PaperDimensionsMM(size);
  if (!mm) return 0;
  return RoundHalfEvenToInt((width ? mm->first : mm->second) * kStoredPerMM);
}


}  // namespace

int PaperBinCode(TPaperBin bin) {
  int i = static_cast<int>(bin);
  return i >= 0 && i < kPaperBinCount ? kBinCodes[i] : kBinCodes[0];
}

int PaperCode(TPaperSize size) {
  return size == TPaperSize::Custom ? kCustomPaperCode : static_cast<int>(size);
}

TPagePlacement PlacePage(long double width, long double length, const TDeviceCaps& caps) {
  if (caps.pixelsPerInchX <= 0 || caps.pixelsPerInchY <= 0 || width <= 0 || length <= 0) return {};
  const long double wide = width * caps.pixelsPerInchX / kStoredPerInch;
  const long double high = length * caps.pixelsPerInchY / kStoredPerInch;
  const bool fits = width <= PixelsToStored(caps.physicalWidth, caps.pixelsPerInchX) + kFitTolerance &&
                    length <= PixelsToStored(caps.physicalHeight, caps.pixelsPerInchY) + kFitTolerance;
  if (fits || caps.printableWidth <= 0 || caps.printableHeight <= 0) {
    const int left = -caps.physicalOffsetX, top = -caps.physicalOffsetY;
    return {{left, top, left + RoundHalfEvenToInt(wide), top + RoundHalfEvenToInt(high)}, false};
  }
  const long double s = std::min(caps.printableWidth / wide, caps.printableHeight / high);
  const int w = std::min(RoundHalfEvenToInt(wide * s), caps.printableWidth);
  const int h = std::min(RoundHalfEvenToInt(high * s), caps.printableHeight);
  const int left = (caps.printableWidth - w) / 2, top = (caps.printableHeight - h) / 2;
  return {{left, top, left + w, top + h}, true};
}

// --- TPrinterSettings ---------------------------------------------------

void TPrinterSettings::SetPrinter(TPlatformPrinter* printer) {
  printer_ = printer;
  if (HasDevice()) ReadDeviceSettings();
}

bool TPrinterSettings::HasDevice() const { return printer_ && !printer_->Printers().empty(); }

void TPrinterSettings::ReadDeviceSettings() {
  if (!printer_) return;
  loop_.ProcessMessages();
  device_ = printer_->DeviceName();
  driver_ = printer_->DriverName();
  // The driver's file name without its directory, as the platform reports it.
  if (auto slash = driver_.find_last_of('/'); slash != std::string::npos) driver_.erase(0, slash + 1);
  if (driver_.size() > 63) driver_.resize(63);
  port_ = printer_->Port();
  mode_ = printer_->DeviceMode();
  const TDeviceCaps caps = printer_->Caps();
  ppi_x_ = caps.pixelsPerInchX;
  ppi_y_ = caps.pixelsPerInchY;

  copies_ = mode_.declaresCopies ? mode_.copies : 1;
  output_bin_ = TPaperBin::First;
  if (mode_.declaresDefaultSource) {
    for (int i = 0; i < kPaperBinCount; ++i) {
      if (kBinCodes[i] == mode_.defaultSource) {
        output_bin_ = static_cast<TPaperBin>(i);
        break;
      }
    }
  }
  duplex_ = mode_.declaresDuplex && mode_.duplex != 1;
  offset_left_ = PixelsToStored(caps.physicalOffsetX, ppi_x_);
  offset_top_ = PixelsToStored(caps.physicalOffsetY, ppi_y_);
  paper_size_ = TPaperSize::Default;
  if (mode_.declaresPaperSize) {
    for (int i = 0; i < kPaperSizeCount; ++i) {
      auto size = static_cast<TPaperSize>(i);
      if (PaperCode(size) == mode_.paperCode) {
        paper_size_ = size;
        break;
      }
    }
  }
  paper_width_ = PixelsToStored(caps.physicalWidth, ppi_x_);
  paper_length_ = PixelsToStored(caps.physicalHeight, ppi_y_);
  supported_.fill(false);
  for (int code : printer_->PaperCodes()) {
    for (int i = 1; i < kPaperSizeCount; ++i) {
      if (PaperCode(static_cast<TPaperSize>(i)) == code) {
        supported_[i] = true;
        break;
      }
    }
  }
  supported_[static_cast<int>(TPaperSize::Custom)] = true;
}

void TPrinterSettings::ApplyToDevice() {
  if (!HasDevice()) return;
  TDeviceMode mode = printer_->DeviceMode();
  if (duplex_) {
    mode.declaresDuplex = true;
    mode.duplex = 3;
  }
  const TPaperSize paper = device_paper_.value_or(paper_size_);
  if (paper == TPaperSize::Custom) {
    // A custom paper is the page's own: PaperSize's width and length.
    mode.declaresPaperLength = mode.declaresPaperWidth = true;
    mode.paperLength = PaperLength();
    mode.paperWidth = PaperWidth();
  }
  if (mode.declaresPaperSize && paper != TPaperSize::Default) mode.paperCode = PaperCode(paper);
  mode.declaresCopies = true;
  mode.copies = copies_;
  mode.declaresDefaultSource = true;
  mode.defaultSource = PaperBinCode(output_bin_) | (mode.defaultSource & 256);
  mode.declaresOrientation = true;
  mode.orientation = orientation_ == TPrinterOrientation::poLandscape ? 2 : 1;
  printer_->SetDeviceMode(mode);
  mode_ = mode;
  // The unprintable edges turn and change with the paper: take them for the
  // page as it now lies, or a landscape page lands off by their difference.
  const TDeviceCaps caps = printer_->Caps();
  if (caps.pixelsPerInchX > 0 && caps.pixelsPerInchY > 0) {
    offset_left_ = PixelsToStored(caps.physicalOffsetX, caps.pixelsPerInchX);
    offset_top_ = PixelsToStored(caps.physicalOffsetY, caps.pixelsPerInchY);
  }
}

// Without a device there is no device mode to ask, so every write is taken
// as it comes; otherwise a page could never be made landscape on a machine
// without printers.
void TPrinterSettings::SetCopies(int copies) {
  if (!HasDevice() || mode_.declaresCopies) copies_ = copies;
}

void TPrinterSettings::SetOrientation(TPrinterOrientation orientation) {
  if (orientation != TPrinterOrientation::poPortrait && orientation != TPrinterOrientation::poLandscape) return;
  if (!HasDevice() || mode_.declaresOrientation) orientation_ = orientation;
}

void TPrinterSettings::SetOutputBin(TPaperBin bin) {
  if (static_cast<int>(bin) < 0 || static_cast<int>(bin) >= kPaperBinCount) return;
  if (!HasDevice() || mode_.declaresDefaultSource) output_bin_ = bin;
}

bool TPrinterSettings::Supports(TPaperSize size) const {
  int i = static_cast<int>(size);
  if (i < 0 || i >= kPaperSizeCount) return false;
  return size == TPaperSize::Custom || !HasDevice() || supported_[i];
}

void TPrinterSettings::SetPaperSize(TPaperSize size) {
  if (size == TPaperSize::Default || Supports(size)) paper_size_ = size;
}

void TPrinterSettings::SetDevicePaper(std::optional<TPaperSize> size) {
  if (!size || *size == TPaperSize::Default || Supports(*size)) device_paper_ = size;
}

// A device that tells of no paper (none at all, or one without a size)
// would leave Default a page of length 0, on which nothing fits.
bool TPrinterSettings::LocalePaper() const {
  return paper_size_ == TPaperSize::Default && (paper_width_ <= 0 || paper_length_ <= 0);
}

int TPrinterSettings::PaperWidth() const {
  if (LocalePaper()) return TableLength(DefaultPaperSize(measurement_), true);
  if (paper_size_ == TPaperSize::Default || paper_size_ == TPaperSize::Custom) return paper_width_;
  return TableLength(paper_size_, true);
}

int TPrinterSettings::PaperLength() const {
  if (LocalePaper()) return TableLength(DefaultPaperSize(measurement_), false);
  if (paper_size_ == TPaperSize::Default || paper_size_ == TPaperSize::Custom) return paper_length_;
  return TableLength(paper_size_, false);
}

void TPrinterSettings::SetPaperWidth(int width) {
  if (paper_size_ == TPaperSize::Custom) paper_width_ = width;
}

void TPrinterSettings::SetPaperLength(int length) {
  if (paper_size_ == TPaperSize::Custom) paper_length_ = length;
}

int TPrinterSettings::PageWidth() const {
  return orientation_ == TPrinterOrientation::poLandscape ? PaperLength() : PaperWidth();
}

int TPrinterSettings::PageLength() const {
  return orientation_ == TPrinterOrientation::poLandscape ? PaperWidth() : PaperLength();
}

// --- TReportPrinter -------------------------------------------------------

TReportPrinter::TReportPrinter(TEngineContext& context, std::unique_ptr<TPlatformPrinter> platform)
    : context_(context),
      platform_(platform ? std::move(platform) : context.MakePrinter()),
      settings_(context.Loop(), context.Units().Measurement) {
  settings_.SetPrinter(platform_.get());
  if (PrintersAvailable()) {
    context_.Loop().ProcessMessages();
    const int chosen = context_.PrinterIndex();
    if (chosen >= 0 && chosen < static_cast<int>(platform_->Printers().size())) SetPrinterIndex(chosen);
  }
  scale_.unprintableLeft = settings_.OffsetLeft();
  scale_.unprintableTop = settings_.OffsetTop();
}

TReportPrinter::~TReportPrinter() {
  // The client lets go first, while this printer is still whole: a preview
  // detaching ends its report's wait.
  if (TReportPrinterClient* client = std::exchange(client_, nullptr)) client->PrinterDestroyed(*this);
  try {
    if (status_ != TPrinterStatus::psReady) CleanUp();
  } catch (...) {
    // A destructor cannot report; the pages go with the printer anyway.
  }
}

int TReportPrinter::PrinterIndex() const { return platform_->PrinterIndex(); }

void TReportPrinter::SetPrinterIndex(int index) {
  if (!PrintersAvailable()) return;
  platform_->SetPrinterIndex(index);
  settings_.ReadDeviceSettings();
}

std::int32_t TReportPrinter::UnprintableLeft() const {
  return destination_ == TDestination::odPrinter ? scale_.unprintableLeft : 0;
}

std::int32_t TReportPrinter::UnprintableTop() const {
  return destination_ == TDestination::odPrinter ? scale_.unprintableTop : 0;
}

TCanvas& TReportPrinter::Canvas() {
  if (!pages_) throw EReportError("Report printer not ready");
  return pages_->Canvas();
}

TTextMetrics& TReportPrinter::CanvasMetrics() { return pages_ ? pages_->Metrics() : context_.Metrics(); }

int TReportPrinter::ToDeviceX(long double x) const {
  return RoundHalfEvenToInt((x - UnprintableLeft()) * scale_.x);
}
int TReportPrinter::ToDeviceY(long double y) const {
  return RoundHalfEvenToInt((y - UnprintableTop()) * scale_.y);
}
int TReportPrinter::SizeToDeviceX(long double w) const { return RoundHalfEvenToInt(w * scale_.x); }
int TReportPrinter::SizeToDeviceY(long double h) const { return RoundHalfEvenToInt(h * scale_.y); }

void TReportPrinter::SetScreenScale() {
  const int ppi = context_.Units().ScreenPixelsPerInch;
  scale_.x = scale_.y = static_cast<long double>(ppi) / kStoredPerInch;
}

void TReportPrinter::BeginDoc(int width, int length) {
  if (status_ != TPrinterStatus::psReady) throw EReportError("Report printer not ready");
  page_width_ = width;
  page_length_ = length;
  available_pages_ = 0;
  cancelled_ = false;
  page_number_ = 0;
  page_count_ = 0;
  if (destination_ == TDestination::odPageStore) {
    pages_ = std::make_unique<TStoreDestination>(store_, context_.Metrics(), context_.Units().ScreenPixelsPerInch);
  } else {
    pages_ = std::make_unique<TDeviceDestination>(*platform_, settings_, context_.Metrics(),
                                                  context_.Units().ScreenPixelsPerInch, title_, first_page_,
                                                  last_page_);
  }
  pages_->Begin(PageWidth(), PageLength());
  scale_ = pages_->Scale();
  status_ = TPrinterStatus::psBusy;
}

void TReportPrinter::NewPage() {
  if (status_ != TPrinterStatus::psBusy) throw EReportError("Illegal call to NewPage");
  if (page_number_ > 0) {
    pages_->EndPage(page_count_);
    SetAvailablePages(available_pages_ + 1);
  }
  ++page_count_;
  ++page_number_;
  pages_->StartPage(page_count_);
  scale_ = pages_->Scale();
}

void TReportPrinter::EndDoc() {
  if (status_ != TPrinterStatus::psBusy) return;
  pages_->End();
  status_ = TPrinterStatus::psFinished;
  context_.Loop().ProcessMessages();
  SetAvailablePages(available_pages_ + 1);
  if (destination_ == TDestination::odPrinter && AfterPrint) AfterPrint(*this);
}

void TReportPrinter::AbortDoc() {
  if (status_ != TPrinterStatus::psBusy) return;
  status_ = TPrinterStatus::psFinished;
  pages_->Abort();
}

void TReportPrinter::SetAvailablePages(std::int32_t pages) {
  available_pages_ = pages;
  context_.Loop().Post(client_, MsgPageAvailable, pages, 0);
}

void TReportPrinter::SetProgress(std::int32_t percent) {
  progress_ = percent;
  context_.Loop().Post(client_, MsgProgressUpdate, percent, 0);
}

void TReportPrinter::SetShowingPreview(bool showing) {
  const bool was = showing_preview_;
  showing_preview_ = showing;
  if (was && !showing) {
    if (status_ == TPrinterStatus::psBusy) Cancel();
    if (AfterPreview) AfterPreview(*this);
  }
}

std::unique_ptr<TStoredPage> TReportPrinter::GetPage(std::int32_t n) {
  if (status_ == TPrinterStatus::psReady || n < 1 || n > page_count_) return nullptr;
  if (n > store_.PageCount()) return nullptr;
  return store_.GetPage(n);
}

void TReportPrinter::Print() {
  if (master_ && !from_file_) {
    context_.Loop().Post(master_, MsgPrintReport, 0, 0);
    return;
  }
  if (status_ != TPrinterStatus::psFinished || !PrintersAvailable()) return;
  const std::int32_t first = std::max<std::int32_t>(first_page_ > 0 ? first_page_ : 1, 1);
  const std::int32_t last = std::min(last_page_ > 0 ? last_page_ : page_count_, page_count_);
  TDeviceDestination device(*platform_, settings_, context_.Metrics(), context_.Units().ScreenPixelsPerInch, title_,
                            first, last);
  device.Replay(
      [this](std::int32_t i) {
        context_.Loop().ProcessMessages();
        return GetPage(i);
      },
      [this] { return cancelled_; });
}

void TReportPrinter::Save(const std::string& file_name) {
  if (status_ == TPrinterStatus::psFinished) store_.SaveToFile(file_name);
}

void TReportPrinter::Load(const std::string& file_name) {
  if (status_ != TPrinterStatus::psReady) CleanUp();
  store_.LoadFromFile(file_name);
  page_count_ = page_number_ = store_.PageCount();
  SetScreenScale();
  if (page_count_ > 0) {
    if (auto first = store_.GetPage(1)) InferPaper(*first);
  }
  status_ = TPrinterStatus::psFinished;
  from_file_ = true;
}

void TReportPrinter::InferPaper(const TStoredPage& page) {
  // The page's extent in units of 4 mm; every matching size is applied in
  // table order, so the last one wins (A4Small over A4).
  const auto w = static_cast<std::int64_t>(std::trunc(page.WidthPx() / scale_.x / 40));
  const auto h = static_cast<std::int64_t>(std::trunc(page.HeightPx() / scale_.x / 40));
  for (int i = static_cast<int>(TPaperSize::Letter); i <= static_cast<int>(TPaperSize::ESheet); ++i) {
    const auto size = static_cast<TPaperSize>(i);
    const auto mm = PaperDimensionsMM(size);
    if (!mm) continue;
    const auto W = static_cast<std::int64_t>(std::trunc(mm->first / 4));
    const auto L = static_cast<std::int64_t>(std::trunc(mm->second / 4));
    if (w == W && h == L) {
      SetPaperSize(size);
      SetOrientation(TPrinterOrientation::poPortrait);
    }
    if (h == W && w == L) {
      SetPaperSize(size);
      SetOrientation(TPrinterOrientation::poLandscape);
    }
  }
}

void TReportPrinter::Preview() {
  if (OnPreview) OnPreview(*this);
}

void TReportPrinter::ClosePreview() {
  SendMessage(master_, MsgPreviewClosed, 0, reinterpret_cast<std::intptr_t>(this));
}

void TReportPrinter::CleanUp() {
  if (status_ == TPrinterStatus::psBusy) Cancel();
  if (platform_->Printing()) platform_->Abort();
  pages_.reset();
  store_.FreeStream();
  store_.Clear();
  status_ = TPrinterStatus::psReady;
}
