#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "graphics/canvas.h"
#include "graphics/text_metrics.h"

class TEmfRecorder;
class TPageStore;
class TPlatformPrinter;
class TPrinterSettings;
class TStoredPage;

// How a document's lengths map onto its canvas: device pixels per 0.1 mm,
// and the unprintable margins (0.1 mm) that positions leave out.
struct TDeviceScale {
  long double x = 1.0L, y = 1.0L;
  std::int32_t unprintableLeft = 0, unprintableTop = 0;
};

// Where the pages of a report printer's document go while it is generated:
// into its page store, or onto a device. Each knows only its own job; the
// report printer keeps the document's state and its notices. Pages are
// numbered from 1; a page is open between StartPage and EndPage.
class TPageDestination {
 public:
  virtual ~TPageDestination() = default;
  // The document begins on a page `width` x `length` (0.1 mm, as it lies).
  virtual void Begin(long double width, long double length) = 0;
  virtual void StartPage(std::int32_t number) = 0;
  virtual void EndPage(std::int32_t number) = 0;
  // The document ends whole (after the open page, if any) or is dropped.
  virtual void End() = 0;
  virtual void Abort() = 0;
  // The open page's canvas; EReportError "Report printer not ready" with
  // none open. Metrics measure text as that canvas sets it.
  virtual TCanvas& Canvas() = 0;
  virtual TTextMetrics& Metrics() = 0;
  const TDeviceScale& Scale() const { return scale_; }

 protected:
  TDeviceScale scale_;
};

// Pages recorded as enhanced metafiles at the screen's resolution, with
// the reference context's metrics, and kept in a page store.
class TStoreDestination final : public TPageDestination {
 public:
  TStoreDestination(TPageStore& store, TTextMetrics& reference, int screenPixelsPerInch);
  ~TStoreDestination() override;
  void Begin(long double width, long double length) override;
  void StartPage(std::int32_t number) override;
  void EndPage(std::int32_t number) override;
  void End() override;
  void Abort() override;
  TCanvas& Canvas() override;
  TTextMetrics& Metrics() override { return reference_; }

 private:
  TPageStore& store_;
  TTextMetrics& reference_;
  int ppi_;
  int width_px_ = 0, height_px_ = 0;
  std::unique_ptr<TEmfRecorder> recorder_;
};

// Pages drawn on a platform printer at its resolution, as one print job,
// pages first to last only (0: no bound); the pages outside are generated
// all the same, at the screen's resolution, and dropped. A page larger than
// the device's paper is recorded whole and placed scaled into the
// printable area (PlacePage) when it ends.
class TDeviceDestination final : public TPageDestination {
 public:
  TDeviceDestination(TPlatformPrinter& platform, TPrinterSettings& settings, TTextMetrics& reference,
                     int screenPixelsPerInch, std::string title, std::int32_t first, std::int32_t last);
  ~TDeviceDestination() override;
  void Begin(long double width, long double length) override;
  void StartPage(std::int32_t number) override;
  void EndPage(std::int32_t number) override;
  void End() override;
  void Abort() override;
  TCanvas& Canvas() override;
  TTextMetrics& Metrics() override;
  // Plays stored pages first..last (each fetched by `page`, none skipped)
  // as one job instead, each placed by its own frame; a job still running
  // is aborted first, and `cancelled` after a page aborts this one. A range
  // without pages prints nothing, not a blank sheet.
  void Replay(const std::function<std::unique_ptr<TStoredPage>(std::int32_t)>& page,
              const std::function<bool()>& cancelled);

 private:
  bool InRange(std::int32_t page) const;
  void PlaceRecordedPage();
  void SetPrinterScale();

  TPlatformPrinter& platform_;
  TPrinterSettings& settings_;
  TTextMetrics& reference_;
  int screen_ppi_;
  std::string title_;
  std::int32_t first_, last_;
  long double width_ = 0, length_ = 0;
  TRect dest_;           // where a placed page goes on the sheet
  bool scaled_ = false;  // pages are placed scaled into the printable area
  bool printer_page_ = false;  // the open page goes to the printer
  std::int32_t unprintable_left_ = 0, unprintable_top_ = 0;
  std::unique_ptr<TEmfRecorder> recorder_;  // a page recorded to be placed, or dropped
};
