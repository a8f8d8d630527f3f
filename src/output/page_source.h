#pragma once

#include <cstdint>
#include <memory>

class TReportPrinterClient;
class TStoredPage;

// What a preview shows pages from: how many pages there are and how many
// are complete, their size as they lie (0.1 mm) and the screen's pixels per
// inch to show them at, a page's drawing, and the notices: the window told
// of new pages and progress, and whether a preview shows the pages.
class TPageSource {
 public:
  virtual std::int32_t PageCount() const = 0;
  virtual std::int32_t AvailablePages() const = 0;
  virtual int PageWidth() const = 0;
  virtual int PageLength() const = 0;
  virtual int ScreenPixelsPerInch() const = 0;
  // Page n as a new drawing, or null where there is none (yet).
  virtual std::unique_ptr<TStoredPage> GetPage(std::int32_t n) = 0;
  virtual TReportPrinterClient* Client() const = 0;
  virtual void SetClient(TReportPrinterClient* client) = 0;
  virtual void SetShowingPreview(bool showing) = 0;

 protected:
  ~TPageSource() = default;
};
