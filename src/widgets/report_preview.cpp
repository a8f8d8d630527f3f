#include "widgets/report_preview.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "output/stored_page.h"
#include "platform/qt_canvas.h"
#include "definition/report_unit.h"
#include "definition/rounding.h"

namespace {
// Without a printer the image stands in for a letter-sized page.
constexpr double kFallbackWidth = 215.9, kFallbackHeight = 279.4;

// Shows that the page area has the keyboard focus: a frame in the
// palette's highlight colour along the inside of the view, above the page,
// so it shows at any zoom. It takes no mouse events and changes no size.
class TFocusFrame : public QWidget {
 public:
  explicit TFocusFrame(QAbstractScrollArea* area) : QWidget(area), area_(area) {
    setObjectName(QStringLiteral("FocusFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
  }
  static constexpr int kWidth = 2;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!area_->hasFocus()) return;
    QPainter p(this);
    const QColor color = palette().color(QPalette::Active, QPalette::Highlight);
    const QRect r = rect();
    p.fillRect(QRect(r.left(), r.top(), r.width(), kWidth), color);
    p.fillRect(QRect(r.left(), r.bottom() - kWidth + 1, r.width(), kWidth), color);
    p.fillRect(QRect(r.left(), r.top(), kWidth, r.height()), color);
    p.fillRect(QRect(r.right() - kWidth + 1, r.top(), kWidth, r.height()), color);
  }

 private:
  QAbstractScrollArea* area_;
};
}  // namespace

// --- TPreviewImage -----------------------------------------------------------

TPreviewImage::TPreviewImage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PreviewImage"));
  setGeometry(0, 0, 100, 50);
  // Mouse actions on the page belong to the preview's owner.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  // Only the cached page is drawn; what lies outside the paper shows the
  // preview's background.
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

TPreviewImage::~TPreviewImage() = default;

void TPreviewImage::SetPageNumber(int n) {
  page_number_ = n;
  page_.reset();
  DropCache();
  render_count_ = 0;
  if (printer_) page_ = printer_->GetPage(n);
  update();
}

void TPreviewImage::Clear() {
  printer_ = nullptr;
}

void TPreviewImage::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  DropCache();
}

QImage TPreviewImage::Render(const QRect& region, qreal dpr) const {
  if (!page_ || region.isEmpty()) return {};
  const int w = width(), h = height();
  QImage image(std::max(1, int(std::lround(region.width() * dpr))),
               std::max(1, int(std::lround(region.height() * dpr))),
               QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    // Everything in device pixels of the image, shifted to the region.
    p.translate(-std::lround(region.x() * dpr), -std::lround(region.y() * dpr));
    auto device = [dpr](double x, double y, double rw, double rh) {
      return QRectF(std::round(x * dpr), std::round(y * dpr), std::round((x + rw) * dpr) - std::round(x * dpr),
                    std::round((y + rh) * dpr) - std::round(y * dpr));
    };
    // The paper inside its edge.
    p.fillRect(device(1, 1, w - 4, h - 4), Qt::white);
    // The page, stretched over the whole image.
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    {
      TQtCanvas canvas(p);
      page_->Play(canvas, {0, 0, int(std::lround(w * dpr)), int(std::lround(h * dpr))});
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    // The paper's edge, one pixel wide, and the shadow, two.
    const QColor black(Qt::black);
    p.fillRect(device(0, 0, w - 2, 1), black);
    p.fillRect(device(0, h - 3, w - 2, 1), black);
    p.fillRect(device(0, 0, 1, h - 2), black);
    p.fillRect(device(w - 3, 0, 1, h - 2), black);
    p.fillRect(device(w - 2, 2, 2, h - 2), black);
    p.fillRect(device(2, h - 2, w - 2, 2), black);
  }
  image.setDevicePixelRatio(dpr);
  return image;
}

void TPreviewImage::paintEvent(QPaintEvent* e) {
  if (!page_) return;
  const qreal dpr = devicePixelRatioF();
  const QRect whole = rect();
  QRect wanted = e->rect() & whole;
  if (wanted.isEmpty()) return;
  const bool fits = qint64(std::ceil(whole.width() * dpr)) * qint64(std::ceil(whole.height() * dpr)) <= kCacheBudget;
  if (cache_.isNull() || cache_.devicePixelRatio() != dpr || !cache_region_.contains(wanted)) {
    QRect region = whole;
    if (!fits) {
      // Keep what is visible and half a view around it, so short scrolls
      // find the page already drawn.
      QRect visible = visibleRegion().boundingRect() | wanted;
      region = visible.adjusted(-visible.width() / 2, -visible.height() / 2, visible.width() / 2,
                                visible.height() / 2) &
               whole;
    }
    cache_ = Render(region, dpr);
    cache_region_ = region;
    ++render_count_;
  }
  QPainter p(this);
  p.setClipRect(wanted);
  p.drawImage(cache_region_.topLeft(), cache_);
}

// --- TReportPreview ----------------------------------------------------------

TReportPreview::TReportPreview(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("RptPreview1"));
  resize(250, 250);
  image_ = new TPreviewImage(viewport());
  horizontalScrollBar()->setTracking(true);
  verticalScrollBar()->setTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Mid);
  viewport()->setAutoFillBackground(true);
  focus_frame_ = new TFocusFrame(this);
  focus_frame_->setGeometry(viewport()->geometry());
  focus_frame_->raise();
}

bool TReportPreview::FocusShown() const { return hasFocus() && focus_frame_->isVisible(); }

void TReportPreview::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  focus_frame_->update();
}

void TReportPreview::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  focus_frame_->update();
}

TReportPreview::~TReportPreview() {
  try {
    Detach();
  } catch (...) {
    // The printer's AfterPreview runs here; a destructor cannot pass its
    // failure on, and the control goes either way.
  }
}

void TReportPreview::Detach() {
  if (printer_ && printer_->Client() == this) {
    TPageSource* p = printer_;
    // Cleared first: what the printer does on hearing that the preview has
    // ended must not find this control still attached.
    printer_ = nullptr;
    image_->SetReportPrinter(nullptr);
    p->SetClient(nullptr);
    p->SetShowingPreview(false);
  }
  printer_ = nullptr;
  image_->SetReportPrinter(nullptr);
}

void TReportPreview::SetReportPrinter(TPageSource* printer) {
  Detach();
  printer_ = printer;
  image_->SetReportPrinter(printer);
  if (printer) {
    printer->SetClient(this);
    printer->SetShowingPreview(true);
  }
  // A control shown before starts again at page 1 with the new printer, so
  // the first page-available notice (count 1) finds the page it shows.
  page_number_ = 1;
  SetPageNumber(1);
  image_->SetPageNumber(1);
  LayOut();
}

void TReportPreview::PrinterDestroyed(TReportPrinter& printer) {
  if (&printer != printer_) return;
  // The printer is still whole here: detach as usual (which ends the
  // report's wait), then forget it. The page shown stays on screen.
  printer_ = nullptr;
  image_->Clear();
  if (printer.Client() == this) printer.SetClient(nullptr);
  printer.SetShowingPreview(false);
  if (OnPrinterDestroyed) OnPrinterDestroyed(this);
}

void TReportPreview::SetPageNumber(int n) {
  if (n == page_number_ && image_->ImageOK() && image_->PageNumber() == n) return;
  if (n < 1 || !printer_ || n > printer_->PageCount()) return;
  image_->SetPageNumber(n);
  page_number_ = n;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
}

void TReportPreview::SetZoom(int zoom) {
  if (zoom < kMinZoom || zoom > kMaxZoom) return;
  zoom_state_ = TZoomState::zsFree;
  zoom_ = zoom;
  LayOut();
}

// Pages for the screen are stored at the screen's scale. A printer that
// has not begun its document yet still has its initial scale of 1, so the
// screen's scale is taken here rather than the printer's.
int TReportPreview::ScreenPixels(long double tenthsMm) const {
  return RoundHalfEvenToInt(tenthsMm * printer_->ScreenPixelsPerInch() / kStoredPerInch);
}

double TReportPreview::PageWidthPx() const {
  return printer_ ? ScreenPixels(printer_->PageWidth()) : kFallbackWidth;
}

double TReportPreview::PageHeightPx() const {
  return printer_ ? ScreenPixels(printer_->PageLength()) : kFallbackHeight;
}

void TReportPreview::ZoomToFit() {
  const double pw = PageWidthPx(), ph = PageHeightPx();
  // A printer without a paper size leaves the zoom as it is.
  if (pw > 0 && ph > 0) {
    const int a = RoundHalfEvenToInt(width() / pw * 95);
    const int b = RoundHalfEvenToInt(height() / ph * 95);
    SetZoom(std::min(a, b));
  }
  zoom_state_ = TZoomState::zsToFit;
}

void TReportPreview::ZoomToWidth() {
  const double pw = PageWidthPx();
  if (pw > 0) SetZoom(RoundHalfEvenToInt(width() / pw * (printer_ ? 90 : 95)));
  LayOut();
  zoom_state_ = TZoomState::zsToWidth;
}

void TReportPreview::LayOut() {
  int w, h;
  if (printer_) {
    w = ScreenPixels(printer_->PageWidth() / 100.0L * zoom_) + 4;
    h = ScreenPixels(printer_->PageLength() / 100.0L * zoom_) + 4;
  } else {
    w = RoundHalfEvenToInt(kFallbackWidth / 100 * zoom_) + 4;
    h = RoundHalfEvenToInt(kFallbackHeight / 100 * zoom_) + 4;
  }
  w = std::max(w, 4);
  h = std::max(h, 4);
  // Centred on the control's outer size; a wider page starts at the left.
  origin_ = {w < width() ? (width() - w) / 2 : 0, h < height() ? (height() - h) / 2 : 0};
  image_->resize(w, h);
  image_->SetZoom(zoom_);
  UpdateScrollBars();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  PlaceImage();
}

void TReportPreview::UpdateScrollBars() {
  const QSize view = viewport()->size();
  const int right = origin_.x() + image_->width(), bottom = origin_.y() + image_->height();
  horizontalScrollBar()->setRange(0, std::max(0, right - view.width()));
  horizontalScrollBar()->setPageStep(view.width());
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setRange(0, std::max(0, bottom - view.height()));
  verticalScrollBar()->setPageStep(view.height());
  verticalScrollBar()->setSingleStep(20);
}

void TReportPreview::PlaceImage() {
  image_->move(origin_.x() - horizontalScrollBar()->value(), origin_.y() - verticalScrollBar()->value());
}

void TReportPreview::scrollContentsBy(int, int) { PlaceImage(); }

bool TReportPreview::event(QEvent* e) {
  const bool handled = QAbstractScrollArea::event(e);
  // The control's own resize re-applies the zoom rule.
  if (e->type() == QEvent::Resize) {
    if (zoom_state_ == TZoomState::zsToFit) ZoomToFit();
    if (zoom_state_ == TZoomState::zsToWidth) ZoomToWidth();
    LayOut();
  }
  return handled;
}

void TReportPreview::resizeEvent(QResizeEvent*) {
  focus_frame_->setGeometry(viewport()->geometry());
  focus_frame_->raise();
  // The view changed (scroll bars came or went), not the control.
  UpdateScrollBars();
  PlaceImage();
}

void TReportPreview::keyPressEvent(QKeyEvent* e) {
  // Page keys turn pages in the window that holds the preview.
  switch (e->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      e->ignore();
      return;
    default:
      QAbstractScrollArea::keyPressEvent(e);
  }
}

void TReportPreview::HandleMessage(TMessage& message) {
  const int value = int(std::uint16_t(message.wparam & 0xFFFF));
  switch (message.offset) {
    case MsgPageAvailable:
      if (value == page_number_ && printer_ && !image_->ImageOK() &&
          image_->PageNumber() <= printer_->AvailablePages()) {
        ZoomToWidth();
        image_->SetPageNumber(image_->PageNumber());
      }
      if (OnPageAvailable) OnPageAvailable(this, value);
      break;
    case MsgProgressUpdate:
      if (OnProgressUpdate) OnProgressUpdate(this, value);
      break;
    default:
      break;
  }
}
