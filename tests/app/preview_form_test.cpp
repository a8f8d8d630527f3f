#include "app/preview_form.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <functional>
#include <memory>
#include <vector>

#include "sheet/broodlog_form.h"
#include "app/select_printer.h"
#include "output/engine_context.h"
#include "captured_errors.h"
#include "output/messages.h"
#include "platform/engine_services.h"
#include "definition/report_error.h"
#include "fake_platform_printer.h"
#include "platform/application.h"
#include "captured_errors.h"
#include "qt_files.h"
#include "resource_limits.h"
#include "scoped_tmpfs.h"
#include "contrast.h"
#include "sample_printer.h"
#include "widgets/report_preview.h"
#include "wait_until.h"
#include "widgets/spin.h"
#include "../output/expect_error.h"

namespace {

// A report that only records the messages its printer sends it.
class RecordingMaster : public TMessageReceiver {
 public:
  void HandleMessage(TMessage& m) override { offsets.push_back(m.offset); }
  std::vector<int> offsets;
};

class PreviewFormTest : public ::testing::Test {
 protected:
  THeadlessEngineContext context_;
  void TearDown() override {
    delete form.data();
    context_.Loop().ProcessMessages();
  }

  // Opens the window the way "print note" does, on a finished report of
  // `pages` pages, and lets the notices arrive.
  TfrmPreview* Open(int pages = 1) {
    printer = SamplePrinter(context_, pages);
    form = new TfrmPreview(nullptr);
    form->SetReportPrinter(printer.get());
    form->SetReport(nullptr);
    form->show();
    context_.Loop().ProcessMessages();
    return form;
  }

  // Open, with the window active, as key presses need it.
  TfrmPreview* OpenActive(int pages = 1) {
    Open(pages);
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form));
    return form;
  }

  QString PageBox() const { return form->panelPageNumber->text(); }

  std::unique_ptr<TReportPrinter> printer;
  QPointer<TfrmPreview> form;
};

// ---------------------------------------------------------------- window

TEST_F(PreviewFormTest, TheWindowIsReportOfData) {
  form = new TfrmPreview(nullptr);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Report of data"));
  EXPECT_EQ(form->size(), QSize(640, 480));
  EXPECT_TRUE(form->testAttribute(Qt::WA_DeleteOnClose));
  EXPECT_EQ(form->panelPageNumber->text(), QStringLiteral("Page 1 of 1"));
  EXPECT_EQ(form->SpinEdit1->Value(), 100);
  EXPECT_EQ(form->RptPreview1->Zoom(), 100);
  EXPECT_EQ(form->RptPreview1->geometry(), QRect(0, 28, 640, 452));
  EXPECT_EQ(form->panelPreview->geometry(), QRect(0, 0, 640, 28));
}

struct ButtonCase {
  const char* name;
  QRect bounds;
  const char* hint;
};

class ToolbarButtons : public PreviewFormTest, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(ToolbarButtons, SitAtTheirBoundsWithTheirHintsAndPictures) {
  form = new TfrmPreview(nullptr);
  auto* b = form->panelPreview->findChild<QToolButton*>(QString::fromLatin1(GetParam().name));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->geometry(), GetParam().bounds);
  EXPECT_EQ(b->toolTip(), QString::fromLatin1(GetParam().hint));
  EXPECT_FALSE(b->icon().isNull());
  EXPECT_TRUE(b->autoRaise());
}

INSTANTIATE_TEST_SUITE_P(
    PreviewForm, ToolbarButtons,
    ::testing::Values(ButtonCase{"btnFirst", {21, 2, 25, 25}, "First Page"},
                      ButtonCase{"btnPrev", {46, 2, 25, 25}, "Previous Page"},
                      ButtonCase{"btnNext", {161, 2, 25, 25}, "Next Page"},
                      ButtonCase{"btnLast", {186, 2, 25, 25}, "Last Page"},
                      ButtonCase{"btnPrint", {335, 2, 25, 25}, "Print (Ctrl+P)"},
                      ButtonCase{"SpeedButton1", {368, 2, 25, 25}, ""},
                      ButtonCase{"btnSavePdf", {396, 2, 25, 25}, "Save as PDF (Ctrl+S)"},
                      ButtonCase{"Btnclose", {424, 2, 25, 25}, "close (Esc, Ctrl+W)"}));

TEST_F(PreviewFormTest, TheZoomFieldAndPageBoxSitAtTheirBounds) {
  form = new TfrmPreview(nullptr);
  EXPECT_EQ(form->panelPageNumber->geometry(), QRect(72, 2, 88, 25));
  EXPECT_EQ(form->SpinEdit1->pos(), QPoint(264, 3));
  EXPECT_EQ(form->SpinEdit1->width(), 49);
  EXPECT_EQ(form->SpinEdit1->MinValue(), 20);
  EXPECT_EQ(form->SpinEdit1->MaxValue(), 200);
  EXPECT_EQ(form->SpinEdit1->Increment(), 10);
  EXPECT_EQ(form->Label1->text(), QStringLiteral("Zoom"));
  EXPECT_EQ(form->Label1->geometry().right(), 231 + 27 - 1);  // right-aligned
}

// On a light desktop the zoom field's digits are black, as designed; on a
// dark one its digits and the page arrows read at 4.5:1 or better, as a
// screenshot of the window shows them.
TEST_F(PreviewFormTest, TheZoomFieldAndThePageArrowsReadOnLightAndDarkDesktops) {
  Open();
  EXPECT_EQ(form->SpinEdit1->palette().color(QPalette::Text), QColor(Qt::black));
  delete form.data();
  TScopedDarkPalette dark;
  Open();
  const QImage shot = form->grab().toImage();
  const QRect field = form->SpinEdit1->geometry().adjusted(3, 3, -20, -3);  // the digits, not the arrows
  EXPECT_GE(TextContrast(shot, field), kReadableContrast) << "zoom field";
  for (QToolButton* arrow : {form->btnFirst, form->btnPrev, form->btnNext, form->btnLast})
    EXPECT_GE(TextContrast(shot, arrow->geometry().adjusted(4, 4, -4, -4)), kReadableContrast)
        << arrow->objectName().toStdString();
}

// A screen reader finds the page area, where the focus starts, by the page
// it shows, and the toolbar by its name.
TEST_F(PreviewFormTest, ThePageAreaAndTheToolbarHaveNames) {
  OpenActive(3);
  EXPECT_EQ(QApplication::focusWidget(), form->RptPreview1);
  EXPECT_TRUE(form->RptPreview1->FocusShown());
  QAccessibleInterface* page = QAccessible::queryAccessibleInterface(form->RptPreview1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->text(QAccessible::Name), form->panelPageNumber->text());
  EXPECT_FALSE(page->text(QAccessible::Description).isEmpty());
  form->btnNext->click();
  EXPECT_EQ(page->text(QAccessible::Name), QStringLiteral("Page 2 of 3"));
  QAccessibleInterface* toolbar = QAccessible::queryAccessibleInterface(form->panelPreview);
  ASSERT_NE(toolbar, nullptr);
  EXPECT_EQ(toolbar->text(QAccessible::Name), QStringLiteral("Preview toolbar"));
}

// ---------------------------------------------------------------- pages

TEST_F(PreviewFormTest, AfterTheSheetIsMadeThePageBoxReadsPageOneOfOne) {
  Open();
  EXPECT_EQ(PageBox(), QStringLiteral("Page 1 of 1"));
  EXPECT_EQ(form->SpinEdit1->Value(), 50);
  EXPECT_EQ(form->RptPreview1->Zoom(), 50);
}

TEST_F(PreviewFormTest, TheFirstPageTakesTheZoomFieldsValueOverTheWidthRule) {
  auto p = NewLandscapePrinter(context_);
  form = new TfrmPreview(nullptr);
  form->SpinEdit1->SetValue(70);
  p->BeginDoc();
  AddSamplePage(*p, 1);
  form->SetReportPrinter(p.get());
  EXPECT_EQ(PageBox(), QStringLiteral("Page 1 of 1"));  // not yet rewritten
  p->EndDoc();
  context_.Loop().ProcessMessages();
  EXPECT_EQ(form->RptPreview1->Zoom(), 70);
  EXPECT_TRUE(form->RptPreview1->Image()->ImageOK());
  delete form.data();
}

TEST_F(PreviewFormTest, BeforeTheFirstPageLastPageChangesNothing) {
  auto p = NewLandscapePrinter(context_);
  p->BeginDoc();
  form = new TfrmPreview(nullptr);
  form->SetReportPrinter(p.get());
  form->btnLastClick();
  EXPECT_EQ(form->RptPreview1->PageNumber(), 1);
  EXPECT_EQ(PageBox(), QStringLiteral("Page 1 of 0"));
  delete form.data();
}

struct PageStep {
  void (TfrmPreview::*click)();
  int from, to;
};

class PageButtons : public PreviewFormTest, public ::testing::WithParamInterface<PageStep> {};

TEST_P(PageButtons, MoveWithinTheReport) {
  Open(3);
  form->RptPreview1->SetPageNumber(GetParam().from);
  form->ShowPageNumber();
  (form->*GetParam().click)();
  EXPECT_EQ(form->RptPreview1->PageNumber(), GetParam().to);
  EXPECT_EQ(PageBox(), QStringLiteral("Page %1 of 3").arg(GetParam().to));
}

INSTANTIATE_TEST_SUITE_P(PreviewForm, PageButtons,
                         ::testing::Values(PageStep{&TfrmPreview::btnNextClick, 1, 2},
                                           PageStep{&TfrmPreview::btnNextClick, 3, 3},
                                           PageStep{&TfrmPreview::btnPrevClick, 3, 2},
                                           PageStep{&TfrmPreview::btnPrevClick, 1, 1},
                                           PageStep{&TfrmPreview::btnFirstClick, 3, 1},
                                           PageStep{&TfrmPreview::btnLastClick, 1, 3}));

TEST_F(PreviewFormTest, PageButtonsAtABoundLeaveThePageBoxAlone) {
  Open(2);
  form->panelPageNumber->setText(QStringLiteral("marker"));
  form->btnPrevClick();
  EXPECT_EQ(PageBox(), QStringLiteral("marker"));
}

struct KeyCase {
  Qt::Key key;
  int from, to;
};

class ViewerKeys : public PreviewFormTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ViewerKeys, TurnPagesFromThePreview) {
  Open(3);
  form->RptPreview1->SetPageNumber(GetParam().from);
  QTest::keyClick(form->RptPreview1, GetParam().key);
  EXPECT_EQ(form->RptPreview1->PageNumber(), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(PreviewForm, ViewerKeys,
                         ::testing::Values(KeyCase{Qt::Key_PageDown, 1, 2}, KeyCase{Qt::Key_PageUp, 2, 1},
                                           KeyCase{Qt::Key_End, 1, 3}, KeyCase{Qt::Key_Home, 3, 1},
                                           KeyCase{Qt::Key_PageDown, 3, 3}));

TEST_F(PreviewFormTest, HomeAndEndStayWithTheZoomField) {
  Open(3);
  form->RptPreview1->SetPageNumber(2);
  form->SpinEdit1->setFocus();
  form->SpinEdit1->setCursorPosition(0);
  QTest::keyClick(form->SpinEdit1, Qt::Key_End);
  EXPECT_EQ(form->RptPreview1->PageNumber(), 2);
  EXPECT_EQ(form->SpinEdit1->cursorPosition(), form->SpinEdit1->text().size());
}

// ---------------------------------------------------------------- keyboard

TEST_F(PreviewFormTest, TabReachesEveryToolbarButtonInTurn) {
  OpenActive();
  ASSERT_EQ(QApplication::focusWidget(), form->RptPreview1);
  QStringList order;
  for (int i = 0; i < 10; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(order, QStringList({"btnFirst", "btnPrev", "btnNext", "btnLast", "SpinEdit1", "btnPrint", "SpeedButton1",
                                "btnSavePdf", "Btnclose", "RptPreview1"}));
}

class ButtonKeys : public PreviewFormTest, public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(ButtonKeys, PressTheFocusedButtonOnce) {
  Open(3);
  form->btnNext->setFocus(Qt::TabFocusReason);
  QTest::keyClick(form->btnNext, GetParam());
  EXPECT_EQ(form->RptPreview1->PageNumber(), 2);
}

INSTANTIATE_TEST_SUITE_P(PreviewForm, ButtonKeys, ::testing::Values(Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space));

struct ShortcutCase {
  const char* button;
  QKeySequence key;
};

class Shortcuts : public PreviewFormTest, public ::testing::WithParamInterface<ShortcutCase> {};

TEST_P(Shortcuts, PressTheirButtonFromThePageAndFromTheZoomField) {
  OpenActive();
  auto* button = form->findChild<QToolButton*>(QString::fromLatin1(GetParam().button));
  QObject::disconnect(button, &QToolButton::clicked, nullptr, nullptr);  // no dialog, no closing
  int presses = 0;
  QObject::connect(button, &QToolButton::clicked, [&presses] { ++presses; });
  for (QWidget* from : {static_cast<QWidget*>(form->RptPreview1), static_cast<QWidget*>(form->SpinEdit1)}) {
    from->setFocus();
    QTest::keySequence(from, GetParam().key);
  }
  EXPECT_EQ(presses, 2);
}

INSTANTIATE_TEST_SUITE_P(PreviewForm, Shortcuts,
                         ::testing::Values(ShortcutCase{"btnPrint", QKeySequence(Qt::CTRL | Qt::Key_P)},
                                           ShortcutCase{"btnSavePdf", QKeySequence(Qt::CTRL | Qt::Key_S)},
                                           ShortcutCase{"Btnclose", QKeySequence(Qt::Key_Escape)},
                                           ShortcutCase{"Btnclose", QKeySequence(Qt::CTRL | Qt::Key_W)}));

TEST_F(PreviewFormTest, EscapeClosesTheWindow) {
  OpenActive();
  QTest::keyClick(form->RptPreview1, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
}

// ---------------------------------------------------------------- zoom

TEST_F(PreviewFormTest, TheZoomFieldSetsThePreviewsZoom) {
  Open();
  form->SpinEdit1->SetValue(120);
  EXPECT_EQ(form->RptPreview1->Zoom(), 120);
}

TEST_F(PreviewFormTest, TheFirstShowZoomsToFiftyWithoutWaitingForAnActivation) {
  printer = SamplePrinter(context_, 1);
  form = new TfrmPreview(nullptr);
  form->SetReportPrinter(printer.get());
  form->show();  // no message handled: no activation can have arrived
  EXPECT_EQ(form->SpinEdit1->Value(), 50);
  EXPECT_EQ(form->RptPreview1->Zoom(), 50);
}

struct FocusReturn {
  const char* from;
  bool otherApplication;
  int zoom;  // the zoom once the window has the focus again
};

class ComingBack : public PreviewFormTest, public ::testing::WithParamInterface<FocusReturn> {};

TEST_P(ComingBack, ResetsTheZoomOnlyFromAWindowOfTheProgram) {
  Open();
  QWidget mainWindow;
  mainWindow.show();
  mainWindow.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  form->SpinEdit1->SetValue(120);
  if (GetParam().otherApplication) {
    // What the platform reports when a window of another program takes the
    // focus: no window of this one has it.
    QWindowSystemInterface::handleWindowActivated(nullptr);
    QWindowSystemInterface::flushWindowSystemEvents();
    ASSERT_EQ(QGuiApplication::focusWindow(), nullptr);
  } else {
    mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
  }
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  EXPECT_EQ(form->SpinEdit1->Value(), GetParam().zoom) << GetParam().from;
  EXPECT_EQ(form->RptPreview1->Zoom(), GetParam().zoom) << GetParam().from;
}

INSTANTIATE_TEST_SUITE_P(PreviewForm, ComingBack,
                         ::testing::Values(FocusReturn{"the main window", false, 50},
                                           FocusReturn{"another application", true, 120}));

TEST_F(PreviewFormTest, CtrlWheelStepsTheZoomField) {
  Open();
  form->SpinEdit1->SetValue(100);
  QWidget* view = form->RptPreview1->viewport();
  auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
    QWheelEvent e(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  mods, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &e);
  };
  wheel(120, Qt::ControlModifier);
  EXPECT_EQ(form->SpinEdit1->Value(), 110);
  EXPECT_EQ(form->RptPreview1->Zoom(), 110);
  wheel(-120, Qt::ControlModifier);
  wheel(-60, Qt::ControlModifier);  // half a notch waits for the other half
  EXPECT_EQ(form->SpinEdit1->Value(), 100);
  wheel(-60, Qt::ControlModifier);
  EXPECT_EQ(form->SpinEdit1->Value(), 90);
  wheel(120, Qt::NoModifier);  // a plain wheel scrolls
  EXPECT_EQ(form->SpinEdit1->Value(), 90);
}

TEST_F(PreviewFormTest, CtrlPlusAndMinusStepTheZoomFieldEvenFromTheField) {
  Open();
  QApplication::setActiveWindow(form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  form->SpinEdit1->SetValue(100);
  form->SpinEdit1->setFocus();
  QTest::keyClick(form->SpinEdit1, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(form->SpinEdit1->text(), QStringLiteral("90"));
  QTest::keyClick(form->SpinEdit1, Qt::Key_Equal, Qt::ControlModifier);
  QTest::keyClick(form->SpinEdit1, Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_EQ(form->SpinEdit1->Value(), 110);
  EXPECT_EQ(form->RptPreview1->Zoom(), 110);
}

// ---------------------------------------------------------------- closing

TEST_F(PreviewFormTest, ClosingReleasesTheWindowAndEndsThePreview) {
  Open();
  form->BtncloseClick();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_FALSE(printer->ShowingPreview());
  EXPECT_EQ(printer->Client(), nullptr);
}

TEST_F(PreviewFormTest, ClosingByTheTitleBarDoesTheSame) {
  Open();
  form->windowHandle()->close();  // what the window manager's close button does
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_FALSE(printer->ShowingPreview());
}

TEST_F(PreviewFormTest, APrinterDestroyedFirstTakesTheReportReferenceWithIt) {
  Open(2);
  form->SetReport(reinterpret_cast<TReport*>(this));  // any non-null reference
  printer.reset();
  EXPECT_EQ(form->Report(), nullptr);
  form->btnNextClick();
  form->btnLastClick();
  form->SpeedButton1Click();
  form->btnPrintClick();
  EXPECT_EQ(PageBox(), QStringLiteral("Page 1 of 0"));
}

// ---------------------------------------------------------------- printing

TEST_F(PreviewFormTest, TheDirectPrintButtonAsksTheMasterReportToPrint) {
  context_.SetPrinters([] { return std::make_unique<TFakePlatformPrinter>(std::vector{CapableQueue("lab")}); });
  Open();
  RecordingMaster master;
  printer->SetMaster(&master);
  form->SpeedButton1Click();
  context_.Loop().ProcessMessages();
  EXPECT_EQ(master.offsets, (std::vector<int>{MsgPrintReport}));
}

TEST_F(PreviewFormTest, ThePrintButtonOpensThePrinterDialog) {
  Open();
  RecordingMaster master;
  printer->SetMaster(&master);
  QString title;
  QTimer poll;  // until the dialog is up and running modally
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != QStringLiteral("frmSelectPrinter") || !w->isVisible() || !w->isModal()) continue;
      // Not while it is still being shown: the dialog's own loop must be
      // running for Cancel to end it.
      auto* status = w->findChild<QLabel*>(QStringLiteral("StatusLbl"));
      if (status == nullptr || status->text() == QStringLiteral("Please wait...")) continue;
      poll.stop();
      title = w->windowTitle();
      w->findChild<QPushButton*>(QStringLiteral("BitBtn2"))->click();  // Cancel
    }
  });
  poll.start(10);
  form->btnPrintClick();
  context_.Loop().ProcessMessages();
  EXPECT_EQ(title, QStringLiteral("Select the printer"));
  EXPECT_TRUE(master.offsets.empty());
}

TEST_F(PreviewFormTest, DirectPrintWithoutAPrinterSaysSo) {
  Open();
  RecordingMaster master;
  printer->SetMaster(&master);
  CapturedErrors shown;
  form->SpeedButton1->click();  // no platform printer is installed
  context_.Loop().ProcessMessages();
  EXPECT_EQ(shown.messages, QStringList{QString::fromLatin1(TfrmSelectPrinter::kNoPrinter)});
  EXPECT_TRUE(master.offsets.empty());
}

// ---------------------------------------------------------------- PDF

// pdfinfo's "Pages:" and "Page size:" lines, or empty without poppler.
QString PdfInfo(const QString& file) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) return {};
  QProcess p;
  p.start(QStringLiteral("pdfinfo"), {file});
  p.waitForFinished();
  return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(PreviewFormTest, SaveAsPdfWritesTheReportsPagesOnItsPaper) {
  Open(2);
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("broodlog.pdf"));
  form->SaveAsPdf(file);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.read(5).startsWith("%PDF-"));
  const QString info = PdfInfo(file);
  if (info.isEmpty()) GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << info.toStdString();
  // Landscape A4: 297 x 210 mm.
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12](\\.\\d+)? x 595(\\.\\d+)? pts"))))
      << info.toStdString();
}

TEST_F(PreviewFormTest, SaveAsPdfKeepsTheTextAsText) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) GTEST_SKIP() << "no pdftotext";
  Open();
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("sheet.pdf"));
  form->SaveAsPdf(file);
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
  p.waitForFinished();
  // Characters are placed one by one, so the extractor may space them out.
  const QString text = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_TRUE(QString(text).remove(QLatin1Char(' ')).contains(QStringLiteral("Apiary:LesTilleuls")))
      << text.toStdString();
}

TEST_F(PreviewFormTest, SaveAsPdfPutsTheRulesWhereThePreviewHasThem) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) GTEST_SKIP() << "no pdftoppm";
  Open();
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("sheet.pdf"));
  form->SaveAsPdf(file);
  QProcess p;
  p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                                       QStringLiteral("-singlefile"), file, dir.filePath(QStringLiteral("page"))});
  ASSERT_TRUE(p.waitForFinished());
  const QImage pdf(dir.filePath(QStringLiteral("page.png")));
  ASSERT_FALSE(pdf.isNull());
  // At 96 per inch the PDF page is the stored page's size; the sample sheet
  // rules rows 200, 260, ... and columns 40, 189, ...
  EXPECT_NEAR(pdf.width(), 1123, 1);
  auto darkest = [&](int x, int from, int to) {
    int best = from;
    for (int y = from; y < to; ++y)
      if (qGray(pdf.pixel(x, y)) < qGray(pdf.pixel(x, best))) best = y;
    return best;
  };
  EXPECT_NEAR(darkest(300, 190, 210), 200, 1);
  EXPECT_NEAR(darkest(300, 250, 270), 260, 1);
}

// Previews the sheet as "print note" does, with the program's message loop;
// once its pages are finished, runs `action` in the window and closes it,
// which ends the report's wait.
void PreviewSheet(TFormBroodlog& sheet, QPointer<TfrmPreview>& form, const std::function<void()>& action) {
  sheet.Report->OnPreview = [&sheet, &form, action](TReportPrinter& p) {
    form = new TfrmPreview(nullptr);
    form->SetReportPrinter(&p);
    form->SetReport(sheet.Report);
    form->show();
    auto shown = form->RptPreview1->OnPageAvailable;
    form->RptPreview1->OnPageAvailable = [&form, &p, shown, action](TReportPreview* sender, int page) {
      shown(sender, page);
      if (p.Status() != TPrinterStatus::psFinished) return;
      QTimer::singleShot(0, form, [&form, action] {
        action();
        form->close();
      });
    };
  };
  sheet.Report->Preview();
  EXPECT_TRUE(WaitUntil([&form] { return form.isNull(); }));
}


TEST_F(PreviewFormTest, SaveAsPdfFromTheSheetHasTheReportPrintItselfOntoThePdf) {
  TEngineServices services;
  TFormBroodlog sheet(services.Context());
  sheet.SetApiaryName("Les Tilleuls");
  sheet.Report->PrinterSettings().PrinterIndex = 3;  // as a print dialog may leave it
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("sheet.pdf"));
  ASSERT_TRUE(WriteFile(file, "old"));
  PreviewSheet(sheet, form, [&] { form->SaveAsPdf(file); });
  EXPECT_EQ(sheet.Report->PrinterSettings().PrinterIndex, 3);  // the choice stays
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("sheet.pdf")});
  const QString info = PdfInfo(file);
  if (info.isEmpty()) GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12](\\.\\d+)? x 595(\\.\\d+)? pts"))))
      << info.toStdString();
}

// A disk that fills up part-way leaves the old file as it was, and the
// message names the user's file.
TEST_F(PreviewFormTest, AShortWriteOfTheSheetsPdfKeepsTheOldFile) {
  TEngineServices services;
  TFormBroodlog sheet(services.Context());
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("sheet.pdf"));
  ASSERT_TRUE(WriteFile(file, "old"));
  QString error;
  PreviewSheet(sheet, form, [&] {
    ScopedFileSizeLimit limit(2000);
    ASSERT_TRUE(limit.ok());
    try {
      form->SaveAsPdf(file);
    } catch (const EReportError& e) {
      error = QString::fromUtf8(e.what());
    }
  });
  EXPECT_EQ(error, QStringLiteral("Cannot write file ") + file);
  EXPECT_EQ(ReadFile(file), QByteArray("old"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("sheet.pdf")});
}

TEST_F(PreviewFormTest, AShortWriteOfStoredPagesKeepsTheOldFile) {
  Open(3);
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("pages.pdf"));
  ASSERT_TRUE(WriteFile(file, "old"));
  ScopedFileSizeLimit limit(2000);
  ASSERT_TRUE(limit.ok());
  EXPECT_THROW(form->SaveAsPdf(file), EReportError);
  EXPECT_EQ(ReadFile(file), QByteArray("old"));
}

TEST_F(PreviewFormTest, SaveAsPdfWritesThroughASymbolicLink) {
  Open();
  QTemporaryDir dir;
  const QString real = dir.filePath(QStringLiteral("real.pdf"));
  const QString link = dir.filePath(QStringLiteral("link.pdf"));
  ASSERT_TRUE(WriteFile(real, "old"));
  ASSERT_TRUE(QFile::link(real, link));
  form->SaveAsPdf(link);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_TRUE(ReadFile(real).startsWith("%PDF-"));
}

TEST_F(PreviewFormTest, SaveAsPdfToAnUnwritablePlaceSaysSo) {
  Open();
  const QString file = QStringLiteral("/nonexistent-dir/broodlog.pdf");
  EXPECT_REPORT_ERROR(form->SaveAsPdf(file), "Cannot create file /nonexistent-dir/broodlog.pdf");
}

TEST_F(PreviewFormTest, SaveAsPdfBeforeThePagesAreFinishedWritesNothing) {
  auto p = NewLandscapePrinter(context_);
  p->BeginDoc();
  AddSamplePage(*p, 2);
  form = new TfrmPreview(nullptr);
  form->SetReportPrinter(p.get());
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("early.pdf"));
  form->SaveAsPdf(file);
  EXPECT_FALSE(QFile::exists(file));
  delete form.data();
}

// A print on other paper changes the report's page setup; the PDF still
// holds the sheet on the paper the preview shows, and a new file gets the
// mode the umask gives.
TEST_F(PreviewFormTest, SaveAsPdfAfterAPrintOnA3KeepsThePreviewsPaperAndTheUmasksMode) {
  TEngineServices services;
  TFormBroodlog sheet(services.Context());
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("sheet.pdf"));
  const mode_t mask = ::umask(022);
  PreviewSheet(sheet, form, [&] {
    sheet.Report->Page().SetPaperSize(TPaperSize::A3);  // as the printer dialog leaves it
    form->SaveAsPdf(file);
  });
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  const QString info = PdfInfo(file);
  if (info.isEmpty()) GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12](\\.\\d+)? x 595(\\.\\d+)? pts"))))
      << info.toStdString();
}

// On a nearly full disk, both ways of writing the PDF fail with the file's
// name and keep the old file, beside it or in place (a hard-linked file).
TEST_F(PreviewFormTest, SaveAsPdfOnAFullDiskKeepsTheOldFile) {
  ScopedTmpfs disk(64);
  if (!disk.ok()) GTEST_SKIP() << ScopedTmpfs::kSkipReason;
  const QString d = QString::fromStdString(disk.path());
  ASSERT_TRUE(WriteFile(d + QStringLiteral("/ballast"), QByteArray(56000, 'b')));  // one 4 KiB page left
  const QString file = d + QStringLiteral("/sheet.pdf");
  for (const bool fromReport : {true, false}) {
    for (const bool hardLinked : {false, true}) {
      SCOPED_TRACE(std::string(fromReport ? "report" : "stored pages") + (hardLinked ? ", in place" : ""));
      ASSERT_TRUE(WriteFile(file, QByteArray(3000, 'o')));
      const QByteArray twin = QFile::encodeName(d + QStringLiteral("/twin"));
      if (hardLinked) {
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), twin.constData()), 0);
      }
      QString error;
      auto save = [&] {
        try {
          form->SaveAsPdf(file);
        } catch (const EReportError& e) {
          error = QString::fromUtf8(e.what());
        }
      };
      TEngineServices services;
      TFormBroodlog sheet(services.Context());
      if (fromReport) {
        PreviewSheet(sheet, form, save);
      } else {
        Open(4);
        save();
        delete form.data();
      }
      EXPECT_EQ(error, QStringLiteral("Cannot write file ") + file);
      EXPECT_EQ(ReadFile(file), QByteArray(3000, 'o'));
      EXPECT_EQ(QDir(d).entryList(QDir::Files | QDir::Hidden).size(), hardLinked ? 3 : 2);
      ::unlink(twin.constData());
    }
  }
}

}  // namespace
