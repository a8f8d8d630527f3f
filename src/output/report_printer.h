#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "graphics/canvas.h"
#include "graphics/text_metrics.h"
#include "output/engine_context.h"
#include "output/messages.h"
#include "output/page_destination.h"
#include "output/page_source.h"
#include "output/page_store.h"
#include "output/platform_printer.h"
#include "definition/paper.h"

class TStoredPage;
class TReportPrinter;

// Paper trays, with the platform bin code each stands for (PaperBinCode).
enum class TPaperBin {
  First, Upper, Lower, Middle, Manual, Envelope, EnvManual, Auto, Tractor,
  SmallFormat, LargeFormat, LargeCapacity, Cassette, Last,
};
inline constexpr int kPaperBinCount = 14;
int PaperBinCode(TPaperBin bin);
// The platform paper code of a paper size: its ordinal, Custom 256.
int PaperCode(TPaperSize size);

enum class TDestination { odPageStore, odPrinter };
enum class TPrinterStatus { psReady, psBusy, psFinished };

// The chosen platform printer's device settings, read from and written
// back to its device mode. Lengths in 0.1 mm.
class TPrinterSettings {
 public:
  // Reading the device's settings lets `loop`'s pending messages run; a
  // device that tells of no paper leaves `measurement`'s default paper.
  TPrinterSettings(TMessageLoop& loop, TMeasurementSystem measurement) : loop_(loop), measurement_(measurement) {}

  TPlatformPrinter* Printer() const { return printer_; }
  // Stores the printer object (not owned) and, when it lists a printer,
  // reads the device settings.
  void SetPrinter(TPlatformPrinter* printer);
  // Refreshes every field from the selected printer; nothing without one.
  void ReadDeviceSettings();
  // Writes the fields into the selected printer's device mode.
  void ApplyToDevice();
  // True when the printer object lists at least one printer.
  bool HasDevice() const;

  const std::string& DeviceName() const { return device_; }
  const std::string& DriverName() const { return driver_; }
  const std::string& Port() const { return port_; }

  // Written only when the device mode declares the field; otherwise the
  // value read from the device stays (Copies 1 without a copies field).
  // Without any printer the writes are taken as they come.
  int Copies() const { return copies_; }
  void SetCopies(int copies);
  bool Duplex() const { return duplex_; }
  void SetDuplex(bool duplex) { duplex_ = duplex; }
  TPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TPrinterOrientation orientation);
  TPaperBin OutputBin() const { return output_bin_; }
  void SetOutputBin(TPaperBin bin);
  // Accepted when Default, Custom or among SupportedPaperSizes.
  TPaperSize PaperSize() const { return paper_size_; }
  void SetPaperSize(TPaperSize size);
  bool Supports(TPaperSize size) const;
  // The paper the device prints on when it is not PaperSize (a paper the
  // user chose for printing): ApplyToDevice writes it, while the page keeps
  // PaperSize. Custom means a paper of the page's own size. Taken when
  // Default or supported, like PaperSize; none: PaperSize.
  std::optional<TPaperSize> DevicePaper() const { return device_paper_; }
  void SetDevicePaper(std::optional<TPaperSize> size);

  // The paper's portrait width and length: for Custom the stored values,
  // for Default the device's paper (or, where it tells of none, the
  // locale's default paper, DefaultPaperSize), otherwise the paper table's
  // (0.1 mm, rounded). They can be written only while PaperSize is Custom.
  int PaperWidth() const;
  void SetPaperWidth(int width);
  int PaperLength() const;
  void SetPaperLength(int length);
  // The page as it lies in the current orientation.
  int PageWidth() const;
  int PageLength() const;

  int PixelsPerInchX() const { return ppi_x_; }
  int PixelsPerInchY() const { return ppi_y_; }
  // Unprintable left and top margins of the device (0.1 mm).
  int OffsetLeft() const { return offset_left_; }
  int OffsetTop() const { return offset_top_; }

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

 private:
  TMessageLoop& loop_;
  TMeasurementSystem measurement_;
  bool LocalePaper() const;

  TPlatformPrinter* printer_ = nullptr;
  TDeviceMode mode_;  // the device mode as last read
  std::string device_, driver_, port_;
  int copies_ = 1;
  bool duplex_ = false;
  TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
  TPaperBin output_bin_ = TPaperBin::First;
  TPaperSize paper_size_ = TPaperSize::A4;
  std::optional<TPaperSize> device_paper_;
  std::array<bool, kPaperSizeCount> supported_{};
  int paper_width_ = 0, paper_length_ = 0;
  int ppi_x_ = 0, ppi_y_ = 0;
  int offset_left_ = 0, offset_top_ = 0;
  std::string title_;
};

// Where a page goes on a device's sheet: `dest` in pixels of the device's
// canvas (origin at the printable area's top-left corner). A page that fits
// on the paper lies at its own size from the paper's top-left corner, as if
// the paper were the page; a larger one is scaled uniformly to fit the
// printable area and centred in it (`scaled`).
struct TPagePlacement {
  TRect dest;
  bool scaled = false;
};
// `width` and `length`: the page as it lies, in 0.1 mm.
TPagePlacement PlacePage(long double width, long double length, const TDeviceCaps& caps);

// A window that receives a report printer's notices (a preview control or
// a progress window). The printer tells it when it is destroyed, so the
// client can let go of it.
class TReportPrinterClient : public TMessageReceiver {
 public:
  virtual void PrinterDestroyed(TReportPrinter& printer) { (void)printer; }
};

// The object generation draws on and through which pages reach the user:
// the page canvas and the conversion from 0.1 mm to its pixels, the
// document's pages (kept in the page store, or sent to the platform
// printer), notices to the client that shows them, printing, saving and
// loading. A report printer generates one document in its life.
class TReportPrinter : public TPageSource {
 public:
  // A printer on a platform printer object of the context's print service,
  // or on `platform` (a PDF or image device, a test double).
  explicit TReportPrinter(TEngineContext& context, std::unique_ptr<TPlatformPrinter> platform = nullptr);
  ~TReportPrinter();
  TReportPrinter(const TReportPrinter&) = delete;
  TReportPrinter& operator=(const TReportPrinter&) = delete;

  // The services the printer works with.
  TEngineContext& Context() const { return context_; }
  int ScreenPixelsPerInch() const override { return context_.Units().ScreenPixelsPerInch; }

  // --- Settings (forwarded to Settings()) -------------------------------
  // Writing selects a printer (-1: the system default) and reads its
  // settings; nothing when no printers are available.
  int PrinterIndex() const;
  void SetPrinterIndex(int index);
  int Copies() const { return settings_.Copies(); }
  void SetCopies(int copies) { settings_.SetCopies(copies); }
  TPrinterOrientation Orientation() const { return settings_.Orientation(); }
  void SetOrientation(TPrinterOrientation o) { settings_.SetOrientation(o); }
  void SetOutputBin(TPaperBin bin) { settings_.SetOutputBin(bin); }
  TPaperSize PaperSize() const { return settings_.PaperSize(); }
  void SetPaperSize(TPaperSize size) { settings_.SetPaperSize(size); }
  void SetDevicePaper(std::optional<TPaperSize> size) { settings_.SetDevicePaper(size); }
  int PaperWidth() const { return settings_.PaperWidth(); }
  void SetPaperWidth(int width) { settings_.SetPaperWidth(width); }
  int PaperLength() const { return settings_.PaperLength(); }
  void SetPaperLength(int length) { settings_.SetPaperLength(length); }
  // The page as it lies (0.1 mm): the extent generation lays the document
  // out on when it set one, else the settings' paper in their orientation.
  // Pages are recorded at this size; on a device whose paper it does not
  // fit it is placed scaled (PlacePage).
  int PageWidth() const override { return page_width_ > 0 ? page_width_ : settings_.PageWidth(); }
  int PageLength() const override { return page_length_ > 0 ? page_length_ : settings_.PageLength(); }
  void SetCompression(bool on) { store_.SetCompression(on); }
  void SetDestination(TDestination d) { destination_ = d; }
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }
  void SetFirstPage(std::int32_t page) { first_page_ = page; }
  void SetLastPage(std::int32_t page) { last_page_ = page; }
  TPrinterSettings& Settings() { return settings_; }
  // True while the platform printer object lists a printer (the print
  // service may answer anew between prints).
  bool PrintersAvailable() const { return !platform_->Printers().empty(); }

  // --- Drawing ------------------------------------------------------------
  // The current page's canvas; EReportError "Report printer not ready"
  // when no page is open. A page sent to a device whose paper it does not
  // fit on is recorded whole at the device's resolution and placed scaled
  // on the sheet when it ends (PlacePage); the unprintable margins are then
  // 0, as the page is drawn from its own corner.
  TCanvas& Canvas();
  // Text measurement on Canvas(): the reference context for stored pages,
  // the printer's for printed ones.
  TTextMetrics& CanvasMetrics();
  // 0.1 mm -> device pixels, to the nearest integer, halves to even.
  int ToDeviceX(long double x) const;
  int ToDeviceY(long double y) const;
  int SizeToDeviceX(long double w) const;
  int SizeToDeviceY(long double h) const;
  long double ScaleX() const { return scale_.x; }
  long double ScaleY() const { return scale_.y; }
  // The device's unprintable margins (0.1 mm) when printing, else 0.
  std::int32_t UnprintableLeft() const;
  std::int32_t UnprintableTop() const;

  // --- Document -----------------------------------------------------------
  // `width` and `length` are the extent generation lays the document out on
  // (0 and 0: the settings' paper).
  void BeginDoc(int width = 0, int length = 0);
  void NewPage();
  void EndDoc();
  void AbortDoc();
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }
  TPrinterStatus Status() const { return status_; }
  std::int32_t PageNumber() const { return page_number_; }
  std::int32_t PageCount() const override { return page_count_; }
  // Writing posts MsgPageAvailable / MsgProgressUpdate to the client.
  std::int32_t AvailablePages() const override { return available_pages_; }
  void SetAvailablePages(std::int32_t pages);
  std::int32_t Progress() const { return progress_; }
  void SetProgress(std::int32_t percent);
  // Going from true to false cancels a running document and fires
  // AfterPreview.
  bool ShowingPreview() const { return showing_preview_; }
  void SetShowingPreview(bool showing) override;
  // Page n as a new drawing, or null unless a document exists and
  // 1 <= n <= PageCount (the page being generated is not stored yet).
  std::unique_ptr<TStoredPage> GetPage(std::int32_t n) override;

  // --- Output ---------------------------------------------------------------
  // With a master and pages not loaded from a file: posts MsgPrintReport to
  // the master. Otherwise the device destination replays the stored pages
  // FirstPage..LastPage on the selected printer, each placed by PlacePage at
  // its own size or scaled uniformly to fit, never stretched out of shape.
  void Print();
  // Writes the pages to a saved-report file when the document is finished.
  void Save(const std::string& file_name);
  // Holds the pages of a saved-report file; infers the paper from page 1.
  void Load(const std::string& file_name);
  // Hands the pages to OnPreview; nothing without one.
  void Preview();
  // Tells the master that the preview closed (sent, not posted).
  void ClosePreview();
  bool FromFile() const { return from_file_; }

  // --- Links ------------------------------------------------------------------
  TReportPrinterClient* Client() const override { return client_; }
  void SetClient(TReportPrinterClient* client) override { client_ = client; }
  TMessageReceiver* Master() const { return master_; }
  void SetMaster(TMessageReceiver* master) { master_ = master; }

  std::function<void(TReportPrinter& sender)> OnPreview;
  std::function<void(TReportPrinter& sender)> AfterPreview;
  std::function<void(TReportPrinter& sender)> AfterPrint;

 private:
  void CleanUp();
  void SetScreenScale();
  void InferPaper(const TStoredPage& page);

  TEngineContext& context_;
  std::unique_ptr<TPlatformPrinter> platform_;
  TPrinterSettings settings_;
  TPageStore store_;
  std::unique_ptr<TPageDestination> pages_;  // where the document's pages go
  TReportPrinterClient* client_ = nullptr;
  TMessageReceiver* master_ = nullptr;
  TDestination destination_ = TDestination::odPageStore;
  TPrinterStatus status_ = TPrinterStatus::psReady;
  std::string title_;
  std::int32_t first_page_ = 0, last_page_ = 0;
  std::int32_t page_number_ = 0, page_count_ = 0;
  std::int32_t available_pages_ = 0;
  std::int32_t progress_ = 0;
  TDeviceScale scale_;
  int page_width_ = 0, page_length_ = 0;
  bool cancelled_ = false;
  bool showing_preview_ = false;
  bool from_file_ = false;
};
