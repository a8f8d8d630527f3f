#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "output/report_printer.h"

class TStoredPage;
class TReportPreview;

// Which zoom rule a resize of the preview re-applies.
enum class TZoomState { zsToFit, zsToWidth, zsFree };

// The sheet of paper inside the preview: the page drawing, stretched over
// the whole image, with a black edge and a two-pixel shadow on the right
// and at the bottom. Shows nothing (the preview's background shows) while
// it holds no drawing. Mouse events pass through to the preview.
//
// The rendered page is cached at the screen's device pixel ratio, so
// scrolling and repainting blit instead of replaying the page, and rules
// stay one device pixel sharp on high-density screens. Pages too large for
// the cache (high zooms) are cached around the visible part only.
class TPreviewImage : public QWidget {
  Q_OBJECT
 public:
  // Device pixels above which only the visible part (and a margin) is kept.
  // (8 M: a landscape A4 page at 200 % on a screen of single density.)
  static constexpr qint64 kCacheBudget = 8 * 1024 * 1024;

  explicit TPreviewImage(QWidget* parent = nullptr);
  ~TPreviewImage() override;

  // The source pages are fetched from (not owned), or null.
  TPageSource* ReportPrinter() const { return printer_; }
  void SetReportPrinter(TPageSource* printer) { printer_ = printer; }
  // Writing fetches page n from the report printer (nothing without one)
  // and repaints; ImageOK tells whether a drawing came back. Errors of the
  // page loader propagate, and leave the image empty.
  int PageNumber() const { return page_number_; }
  void SetPageNumber(int n);
  bool ImageOK() const { return page_ != nullptr; }
  // The page held, or null.
  const TStoredPage* Page() const { return page_.get(); }
  // A copy of the preview's zoom, per cent.
  int Zoom() const { return zoom_; }
  void SetZoom(int zoom) { zoom_ = zoom; }
  // Lets go of the page and the printer (the printer is being destroyed).
  void Clear();

  // Renders the part `region` (in image pixels) of the image at `dpr`
  // device pixels per image pixel: what paintEvent shows there. Empty when
  // no page is held.
  QImage Render(const QRect& region, qreal dpr) const;
  // The device pixel ratio and region of the cached rendering (tests).
  qreal CachedDpr() const { return cache_.isNull() ? 0 : cache_.devicePixelRatio(); }
  QRect CachedRegion() const { return cache_.isNull() ? QRect() : cache_region_; }
  // How many times the page has been replayed since it was loaded (tests
  // check that scrolling does not replay).
  int RenderCount() const { return render_count_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void DropCache() { cache_ = QImage(); }

  TPageSource* printer_ = nullptr;
  int page_number_ = 1;
  std::unique_ptr<TStoredPage> page_;
  int zoom_ = 100;
  QImage cache_;
  QRect cache_region_;
  int render_count_ = 0;
};

// Shows the pages of a report printer one at a time, zoomed, as a sheet of
// paper inside a scrolling area. It takes the keyboard focus and shows it. It can be attached while the printer still
// generates: it becomes the printer's client, so the printer's notices
// (pages available, progress) come here, and it shows each page as soon as
// it is complete. Destroying the control, or attaching another printer,
// detaches it, which tells the printer that the preview has ended (and so
// cancels a generation still running).
class TReportPreview : public QAbstractScrollArea, public TReportPrinterClient {
  Q_OBJECT
 public:
  static constexpr int kMinZoom = 2, kMaxZoom = 2000;

  explicit TReportPreview(QWidget* parent = nullptr);
  ~TReportPreview() override;

  // The attached printer (not owned), or null. Attaching makes this control
  // its client and sets its ShowingPreview; the printer shown before is let
  // go (ShowingPreview false, no client) if this control was its client.
  TPageSource* ReportPrinter() const { return printer_; }
  void SetReportPrinter(TPageSource* printer);

  // The page shown. Writing n moves there and scrolls to the top left;
  // ignored for n < 1, n > PageCount, no printer, or the page already shown.
  int PageNumber() const { return page_number_; }
  void SetPageNumber(int n);

  // Per cent; writes outside kMinZoom..kMaxZoom are ignored. Writing sets
  // the free zoom rule, which a resize keeps.
  int Zoom() const { return zoom_; }
  void SetZoom(int zoom);
  TZoomState ZoomState() const { return zoom_state_; }
  // The whole page in 95 % of the control's width or height.
  void ZoomToFit();
  // The page 90 % as wide as the control.
  void ZoomToWidth();

  TPreviewImage* Image() const { return image_; }
  // True while the control has the keyboard focus and shows it (a frame
  // in the highlight colour around the view).
  bool FocusShown() const;
  // Where the image lies, in viewport pixels before scrolling.
  QPoint ImageOrigin() const { return origin_; }

  // Fired once per completed page, PageNum being the count of completed
  // pages (1, 2, ...).
  std::function<void(TReportPreview* sender, int pageNum)> OnPageAvailable;
  // Fired with the printer's progress, per cent.
  std::function<void(TReportPreview* sender, int progress)> OnProgressUpdate;
  // Fired when the attached printer is destroyed (the control has let go).
  std::function<void(TReportPreview* sender)> OnPrinterDestroyed;

  // The printer's notices.
  void HandleMessage(TMessage& message) override;
  void PrinterDestroyed(TReportPrinter& printer) override;

 protected:
  bool event(QEvent* e) override;
  // The viewport's resize.
  void resizeEvent(QResizeEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void Detach();
  // The page's size in pixels at 100 % (the printer's page extent in its
  // screen scale), or the fallback letter-sized stand-in without a printer.
  double PageWidthPx() const;
  // 0.1 mm in pixels of the printer's screen, to the nearest integer
  // (with a printer only).
  int ScreenPixels(long double tenthsMm) const;
  double PageHeightPx() const;
  // Sizes and centres the image, then scrolls to the top left.
  void LayOut();
  void UpdateScrollBars();
  void PlaceImage();

  TPreviewImage* image_ = nullptr;
  QWidget* focus_frame_ = nullptr;
  int page_number_ = 1;
  TPageSource* printer_ = nullptr;
  int zoom_ = 100;
  TZoomState zoom_state_ = TZoomState::zsFree;
  QPoint origin_;
};
