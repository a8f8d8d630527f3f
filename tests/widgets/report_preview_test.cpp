#include "widgets/report_preview.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

#include <memory>
#include <stdexcept>
#include <vector>

#include "output/engine_context.h"
#include "output/messages.h"
#include "output/stored_page.h"
#include "definition/rounding.h"
#include "sample_printer.h"

namespace {

class ReportPreviewTest : public ::testing::Test {
 protected:
  THeadlessEngineContext context_;
  std::unique_ptr<TReportPrinter> printer;
  void TearDown() override {
    printer.reset();
    context_.Loop().ProcessMessages();  // no notice outlives the test
  }

  // A shown preview of `w` x `h` pixels.
  std::unique_ptr<TReportPreview> Preview(int w = 600, int h = 400) {
    auto preview = std::make_unique<TReportPreview>();
    preview->resize(w, h);
    preview->show();
    return preview;
  }
  // Such a preview attached to `printer`, the sample of `pages` pages.
  std::unique_ptr<TReportPreview> Attached(int pages = 1, int w = 600, int h = 400) {
    printer = SamplePrinter(context_, pages);
    auto preview = Preview(w, h);
    preview->SetReportPrinter(printer.get());
    return preview;
  }
};

int Gray(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); }

// ---------------------------------------------------------------- zoom

struct ZoomCase {
  int zoom;
  bool accepted;
};

class ZoomBounds : public ReportPreviewTest, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomBounds, OnlyTwoToTwoThousandAreTaken) {
  TReportPreview preview;
  preview.SetZoom(77);
  preview.SetZoom(GetParam().zoom);
  EXPECT_EQ(preview.Zoom(), GetParam().accepted ? GetParam().zoom : 77);
  EXPECT_EQ(preview.Image()->Zoom(), preview.Zoom());
}

INSTANTIATE_TEST_SUITE_P(Preview, ZoomBounds,
                         ::testing::Values(ZoomCase{1, false}, ZoomCase{2, true}, ZoomCase{2000, true},
                                           ZoomCase{2001, false}, ZoomCase{-100, false}));

TEST_F(ReportPreviewTest, ZoomToFitTakesTheSmallerOfWidthAndHeight) {
  // A portrait A4 page is 794 x 1122 pixels at 100 %: on 500 x 400 the
  // height limits (400 / 1122 x 95 = 34, not 500 / 794 x 95 = 60).
  // The printer is fresh, as when a report attaches its preview before
  // generating: the page is measured at the screen's scale all the same.
  auto printer = std::make_unique<TReportPrinter>(context_);
  printer->SetPaperSize(TPaperSize::A4);
  TReportPreview preview;
  preview.resize(500, 400);
  preview.SetReportPrinter(printer.get());
  preview.ZoomToFit();
  EXPECT_EQ(preview.Zoom(), 34);
  EXPECT_EQ(preview.ZoomState(), TZoomState::zsToFit);
}

TEST_F(ReportPreviewTest, ZoomToFitKeepsItsRuleEvenWhenTheZoomIsOutOfBounds) {
  TReportPreview preview;
  preview.resize(1, 1);  // 1 / 215.9 x 95 rounds to 0, below the bound
  preview.SetZoom(100);
  preview.ZoomToFit();
  EXPECT_EQ(preview.Zoom(), 100);
  EXPECT_EQ(preview.ZoomState(), TZoomState::zsToFit);
}

TEST_F(ReportPreviewTest, ZoomToWidthMakesThePageNinetyPercentOfTheWidth) {
  auto preview = Attached(1, 800, 300);
  preview->ZoomToWidth();
  EXPECT_EQ(preview->Zoom(), RoundHalfEvenToInt(800.0 / 1122 * 90));
  EXPECT_EQ(preview->ZoomState(), TZoomState::zsToWidth);
}

TEST_F(ReportPreviewTest, ResizingRefitsAfterZoomToFitButKeepsAWrittenZoom) {
  auto preview = Attached(1, 600, 400);
  preview->ZoomToFit();
  const int fitted = preview->Zoom();
  preview->resize(300, 200);
  EXPECT_LT(preview->Zoom(), fitted);
  EXPECT_EQ(preview->ZoomState(), TZoomState::zsToFit);

  preview->SetZoom(80);
  preview->resize(900, 700);
  EXPECT_EQ(preview->Zoom(), 80);
  EXPECT_EQ(preview->ZoomState(), TZoomState::zsFree);
}

// ---------------------------------------------------------------- layout

TEST_F(ReportPreviewTest, TheImageIsThePageAtTheZoomPlusItsShadow) {
  auto preview = Attached();
  for (int zoom : {25, 50, 100, 133}) {
    preview->SetZoom(zoom);
    EXPECT_EQ(preview->Image()->width(), printer->SizeToDeviceX(2970.0L / 100 * zoom) + 4) << zoom;
    EXPECT_EQ(preview->Image()->height(), printer->SizeToDeviceY(2100.0L / 100 * zoom) + 4) << zoom;
  }
}

TEST_F(ReportPreviewTest, WithoutAPrinterTheImageStandsInForALetterPage) {
  TReportPreview preview;
  preview.SetZoom(100);
  EXPECT_EQ(preview.Image()->width(), 216 + 4);
  EXPECT_EQ(preview.Image()->height(), 279 + 4);
}

TEST_F(ReportPreviewTest, ANarrowImageIsCentredWithTheSmallerHalfOnTheLeft) {
  auto preview = Attached(1, 1002, 900);
  preview->SetZoom(50);
  const int w = preview->Image()->width(), h = preview->Image()->height();
  EXPECT_EQ(preview->ImageOrigin(), QPoint((1002 - w) / 2, (900 - h) / 2));
  EXPECT_EQ(preview->horizontalScrollBar()->maximum(), 0);
}

TEST_F(ReportPreviewTest, AWideImageStartsAtTheLeftAndScrolls) {
  auto preview = Attached(1, 400, 300);
  preview->SetZoom(100);
  EXPECT_EQ(preview->ImageOrigin(), QPoint(0, 0));
  ASSERT_GT(preview->horizontalScrollBar()->maximum(), 0);
  ASSERT_GT(preview->verticalScrollBar()->maximum(), 0);
  preview->horizontalScrollBar()->setValue(100);
  preview->verticalScrollBar()->setValue(50);
  EXPECT_EQ(preview->Image()->pos(), QPoint(-100, -50));
}

// ---------------------------------------------------------------- pages

TEST_F(ReportPreviewTest, PageNumbersOutsideTheReportAreIgnored) {
  auto preview = Attached(3);
  for (int n : {0, -1, 4}) {
    preview->SetPageNumber(n);
    EXPECT_EQ(preview->PageNumber(), 1) << n;
    EXPECT_EQ(preview->Image()->PageNumber(), 1) << n;
  }
}

TEST_F(ReportPreviewTest, MovingToAPageShowsItAndScrollsToTheTopLeft) {
  auto preview = Attached(3, 300, 200);
  preview->SetZoom(100);
  preview->horizontalScrollBar()->setValue(70);
  preview->verticalScrollBar()->setValue(90);
  preview->SetPageNumber(3);
  EXPECT_EQ(preview->PageNumber(), 3);
  EXPECT_TRUE(preview->Image()->ImageOK());
  EXPECT_EQ(preview->Image()->Page()->Bytes(), printer->GetPage(3)->Bytes());
  EXPECT_EQ(preview->horizontalScrollBar()->value(), 0);
  EXPECT_EQ(preview->verticalScrollBar()->value(), 0);
}

TEST_F(ReportPreviewTest, MovingToThePageShownDoesNotReloadIt) {
  auto preview = Attached(2, 300, 200);
  preview->SetZoom(100);
  preview->verticalScrollBar()->setValue(90);
  const TStoredPage* held = preview->Image()->Page();
  preview->SetPageNumber(1);
  EXPECT_EQ(preview->Image()->Page(), held);
  EXPECT_EQ(preview->verticalScrollBar()->value(), 90);
}

// ---------------------------------------------------------------- attaching

TEST_F(ReportPreviewTest, AttachingMakesThePreviewTheClientAndShowsPageOne) {
  auto preview = Attached();
  EXPECT_EQ(printer->Client(), preview.get());
  EXPECT_TRUE(printer->ShowingPreview());
  EXPECT_EQ(preview->Image()->ReportPrinter(), printer.get());
  EXPECT_TRUE(preview->Image()->ImageOK());
}

TEST_F(ReportPreviewTest, AttachingAnotherPrinterLetsTheFirstGo) {
  auto first = SamplePrinter(context_, 2);
  auto second = SamplePrinter(context_);
  int afterPreview = 0;
  first->AfterPreview = [&](TReportPrinter&) { ++afterPreview; };
  auto preview = Preview();
  preview->SetReportPrinter(first.get());
  preview->SetPageNumber(2);
  preview->SetReportPrinter(second.get());
  EXPECT_FALSE(first->ShowingPreview());
  EXPECT_EQ(first->Client(), nullptr);
  EXPECT_EQ(afterPreview, 1);
  EXPECT_EQ(preview->PageNumber(), 1);
  EXPECT_EQ(preview->Image()->Page()->Bytes(), second->GetPage(1)->Bytes());
}

TEST_F(ReportPreviewTest, APreviewReusedForAGeneratingPrinterShowsItsFirstPage) {
  // Left on page 3 of another report, the preview must still take the new
  // report's first page when it completes.
  auto first = SamplePrinter(context_, 3);
  auto second = NewLandscapePrinter(context_);
  auto preview = Preview();
  preview->SetReportPrinter(first.get());
  preview->SetPageNumber(3);
  second->BeginDoc();
  preview->SetReportPrinter(second.get());
  AddSamplePage(*second, 1);
  second->EndDoc();
  context_.Loop().ProcessMessages();
  EXPECT_EQ(preview->PageNumber(), 1);
  ASSERT_TRUE(preview->Image()->ImageOK());
  EXPECT_EQ(preview->Image()->Page()->Bytes(), second->GetPage(1)->Bytes());
}

TEST_F(ReportPreviewTest, AFailingAfterPreviewDoesNotStopTheControlGoing) {
  auto printer = SamplePrinter(context_);
  printer->AfterPreview = [](TReportPrinter&) { throw std::runtime_error("after preview"); };
  auto preview = std::make_unique<TReportPreview>();
  preview->SetReportPrinter(printer.get());
  preview.reset();
  EXPECT_FALSE(printer->ShowingPreview());
  EXPECT_EQ(printer->Client(), nullptr);
}

TEST_F(ReportPreviewTest, APrinterServingAnotherClientIsLeftAlone) {
  auto printer = SamplePrinter(context_);
  TReportPreview first, second;
  first.SetReportPrinter(printer.get());
  second.SetReportPrinter(printer.get());
  first.SetReportPrinter(nullptr);
  EXPECT_EQ(printer->Client(), &second);
  EXPECT_TRUE(printer->ShowingPreview());
}

TEST_F(ReportPreviewTest, DestroyingThePreviewEndsThePrintersPreview) {
  auto printer = SamplePrinter(context_);
  {
    TReportPreview preview;
    preview.SetReportPrinter(printer.get());
  }
  EXPECT_FALSE(printer->ShowingPreview());
  EXPECT_EQ(printer->Client(), nullptr);
}

TEST_F(ReportPreviewTest, DestroyingThePreviewDuringGenerationCancelsIt) {
  auto printer = NewLandscapePrinter(context_);
  printer->BeginDoc();
  AddSamplePage(*printer, 3);
  {
    TReportPreview preview;
    preview.SetReportPrinter(printer.get());
    AddSamplePage(*printer, 3);
    context_.Loop().ProcessMessages();
  }
  EXPECT_TRUE(printer->Cancelled());
  printer->AbortDoc();
}

TEST_F(ReportPreviewTest, APrinterDestroyedFirstIsForgotten) {
  auto printer = SamplePrinter(context_);
  auto preview = Preview();
  int told = 0;
  preview->OnPrinterDestroyed = [&](TReportPreview* sender) {
    EXPECT_EQ(sender, preview.get());
    ++told;
  };
  preview->SetReportPrinter(printer.get());
  printer.reset();
  EXPECT_EQ(told, 1);
  EXPECT_EQ(preview->ReportPrinter(), nullptr);
  EXPECT_EQ(preview->Image()->ReportPrinter(), nullptr);
  // Everything still works without it.
  preview->SetPageNumber(2);
  preview->ZoomToFit();
  preview->SetZoom(60);
  EXPECT_FALSE(preview->grab().isNull());
}

// ---------------------------------------------------------------- notices

TEST_F(ReportPreviewTest, TheFirstCompletedPageIsShownZoomedToWidth) {
  auto printer = NewLandscapePrinter(context_);
  auto preview = Preview(700, 500);
  std::vector<int> events;
  preview->OnPageAvailable = [&](TReportPreview* sender, int page) {
    EXPECT_EQ(sender, preview.get());
    events.push_back(page);
  };
  preview->SetZoom(30);
  printer->BeginDoc();
  AddSamplePage(*printer, 1);
  preview->SetReportPrinter(printer.get());  // page 1 is still being drawn
  EXPECT_FALSE(preview->Image()->ImageOK());
  printer->EndDoc();
  context_.Loop().ProcessMessages();
  EXPECT_EQ(events, std::vector<int>{1});
  EXPECT_TRUE(preview->Image()->ImageOK());
  EXPECT_EQ(preview->Zoom(), RoundHalfEvenToInt(700.0 / 1122 * 90));
  EXPECT_EQ(preview->ZoomState(), TZoomState::zsToWidth);
}

TEST_F(ReportPreviewTest, PageAvailableFiresOncePerCompletedPage) {
  auto printer = NewLandscapePrinter(context_);
  auto preview = Preview();
  std::vector<int> events;
  preview->OnPageAvailable = [&](TReportPreview*, int page) { events.push_back(page); };
  preview->SetReportPrinter(printer.get());
  printer->BeginDoc();
  for (int i = 0; i < 3; ++i) {
    AddSamplePage(*printer, 3);
    context_.Loop().ProcessMessages();
  }
  printer->EndDoc();
  context_.Loop().ProcessMessages();
  EXPECT_EQ(events, (std::vector<int>{1, 2, 3}));
}

TEST_F(ReportPreviewTest, NoticesReadOnlyTheLowSixteenBits) {
  TReportPreview preview;
  std::vector<int> pages, progress;
  preview.OnPageAvailable = [&](TReportPreview*, int page) { pages.push_back(page); };
  preview.OnProgressUpdate = [&](TReportPreview*, int percent) { progress.push_back(percent); };
  TMessage available{MsgPageAvailable, 0x10002, 0};
  TMessage update{MsgProgressUpdate, 0x20000 + 45, 0};
  preview.HandleMessage(available);
  preview.HandleMessage(update);
  EXPECT_EQ(pages, std::vector<int>{2});
  EXPECT_EQ(progress, std::vector<int>{45});
}

TEST_F(ReportPreviewTest, ProgressReachesTheOwnerThroughTheQueue) {
  auto printer = NewLandscapePrinter(context_);
  TReportPreview preview;
  std::vector<int> progress;
  preview.OnProgressUpdate = [&](TReportPreview*, int percent) { progress.push_back(percent); };
  preview.SetReportPrinter(printer.get());
  printer->SetProgress(40);
  EXPECT_TRUE(progress.empty());  // posted, not sent
  context_.Loop().ProcessMessages();
  EXPECT_EQ(progress, std::vector<int>{40});
}

// ---------------------------------------------------------------- painting

TEST_F(ReportPreviewTest, AnEmptyImagePaintsNothing) {
  TReportPreview preview;
  EXPECT_TRUE(preview.Image()->Render(preview.Image()->rect(), 1).isNull());
}

TEST_F(ReportPreviewTest, ThePaperHasAnEdgeAndAShadow) {
  auto preview = Attached();
  preview->SetZoom(50);
  TPreviewImage* image = preview->Image();
  const int w = image->width(), h = image->height();
  const QImage shot = image->Render(image->rect(), 1);
  ASSERT_EQ(shot.size(), QSize(w, h));
  EXPECT_EQ(Gray(shot, 0, 0), 0);           // edge
  EXPECT_EQ(Gray(shot, w - 3, h / 2), 0);   // right edge
  EXPECT_EQ(Gray(shot, w / 2, h - 3), 0);   // bottom edge
  EXPECT_EQ(Gray(shot, w - 1, h - 1), 0);   // shadow
  EXPECT_EQ(Gray(shot, w - 2, 2), 0);       // shadow starts two down
  EXPECT_EQ(qAlpha(shot.pixel(w - 1, 1)), 0);  // background shows above it
  EXPECT_EQ(qAlpha(shot.pixel(1, h - 1)), 0);
  EXPECT_EQ(Gray(shot, 3, 3), 255);         // paper
}

// The rows of column x that are darker than mid-grey, and the rows that
// are neither white nor dark (a smear).
struct TRule {
  std::vector<int> dark, grey;
};
TRule RuleAt(const QImage& image, int x, int from, int to) {
  TRule r;
  for (int y = from; y < to; ++y) {
    const int g = Gray(image, x, y);
    if (g < 128) r.dark.push_back(y);
    else if (g < 230) r.grey.push_back(y);
  }
  return r;
}

class RuleSharpness : public ReportPreviewTest, public ::testing::WithParamInterface<double> {};

TEST_P(RuleSharpness, ARuleIsOneDevicePixelWithoutSmear) {
  // The sample sheet rules row y = 200 across the page; at 50 % it lies
  // near image row 100, which is 100 x dpr device rows down.
  const double dpr = GetParam();
  auto preview = Attached();
  preview->SetZoom(50);
  TPreviewImage* image = preview->Image();
  const QImage shot = image->Render(image->rect(), dpr);
  EXPECT_EQ(shot.devicePixelRatio(), dpr);
  EXPECT_EQ(shot.width(), qRound(image->width() * dpr));
  const int x = int(300 * dpr);  // between the vertical rules
  const TRule rule = RuleAt(shot, x, int(90 * dpr), int(110 * dpr));
  ASSERT_EQ(rule.dark.size(), 1u) << "dpr " << dpr;
  EXPECT_TRUE(rule.grey.empty()) << "smear at row " << rule.grey.front();
  EXPECT_NEAR(rule.dark.front(), 100 * dpr, 2 * dpr);
}

INSTANTIATE_TEST_SUITE_P(Preview, RuleSharpness, ::testing::Values(1.0, 2.0));

TEST_F(ReportPreviewTest, ScrollingDoesNotReplayThePage) {
  auto preview = Attached(1, 300, 200);
  preview->SetZoom(100);
  preview->grab();
  ASSERT_EQ(preview->Image()->RenderCount(), 1);
  for (int v : {40, 80, 120}) {
    preview->verticalScrollBar()->setValue(v);
    preview->grab();
  }
  EXPECT_EQ(preview->Image()->RenderCount(), 1);
  EXPECT_EQ(preview->Image()->CachedRegion(), preview->Image()->rect());
}

TEST_F(ReportPreviewTest, AHugeZoomCachesOnlyAroundWhatIsVisible) {
  auto preview = Attached(1, 300, 200);
  preview->SetZoom(2000);
  preview->grab();
  const QRect cached = preview->Image()->CachedRegion();
  ASSERT_FALSE(cached.isEmpty());
  EXPECT_LT(qint64(cached.width()) * cached.height(), TPreviewImage::kCacheBudget);
  EXPECT_TRUE(cached.contains(QRect(0, 0, 250, 150)));
  // Far away, the page is drawn again around the new place.
  preview->verticalScrollBar()->setValue(preview->verticalScrollBar()->maximum());
  preview->grab();
  EXPECT_EQ(preview->Image()->RenderCount(), 2);
  EXPECT_GT(preview->Image()->CachedRegion().bottom(), cached.bottom());
}

TEST_F(ReportPreviewTest, ThePaintedPreviewShowsTheRule) {
  auto preview = Attached(1, 700, 500);
  preview->SetZoom(50);
  const QImage shot = preview->viewport()->grab().toImage();
  const QPoint o = preview->Image()->pos();
  // The rule of page row 200, about image row 100.
  const TRule rule = RuleAt(shot, o.x() + 300, o.y() + 90, o.y() + 110);
  EXPECT_EQ(rule.dark.size(), 1u);
  EXPECT_EQ(Gray(shot, o.x() + 300, o.y() + 90), 255);  // paper
  EXPECT_EQ(Gray(shot, o.x() - 5, o.y() + 90), Gray(shot, 2, 2));  // background beside it
}

TEST_F(ReportPreviewTest, PageKeysAreLeftToTheWindow) {
  auto preview = Attached(3);
  for (Qt::Key key : {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_End}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(preview.get(), &press);
    EXPECT_FALSE(press.isAccepted()) << key;
  }
}

}  // namespace

// The page area shows when it has the keyboard focus: a frame in the
// highlight colour along the inside of the view, above the page at any
// zoom; without the focus the view is as before.
TEST_F(ReportPreviewTest, TheFocusShowsAsAFrameAroundTheView) {
  auto printer = SamplePrinter(context_);
  QWidget window;
  auto* other = new QWidget(&window);
  other->setFocusPolicy(Qt::StrongFocus);
  auto* preview = new TReportPreview(&window);
  preview->setGeometry(0, 20, 400, 300);
  preview->SetReportPrinter(printer.get());
  window.resize(400, 320);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const QColor highlight = preview->palette().color(QPalette::Active, QPalette::Highlight);
  for (int zoom : {20, 400}) {  // the page inside the view, and covering it
    preview->SetZoom(zoom);
    other->setFocus();
    EXPECT_FALSE(preview->FocusShown());
    const QPoint corner = preview->viewport()->geometry().topLeft();
    QImage shot = preview->grab().toImage();
    EXPECT_NE(shot.pixelColor(corner + QPoint(0, 40)), highlight) << zoom;
    preview->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(preview->FocusShown()) << zoom;
    shot = preview->grab().toImage();
    const QRect view = preview->viewport()->geometry();
    for (QPoint at : {view.topLeft() + QPoint(0, 40), view.topRight() + QPoint(-1, 40), view.bottomLeft() + QPoint(60, -1)})
      EXPECT_EQ(shot.pixelColor(at), highlight) << zoom << " at " << at.x() << "," << at.y();
  }
}
