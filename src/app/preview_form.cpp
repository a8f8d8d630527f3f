#include "app/preview_form.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPointer>
#include <QPdfWriter>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <functional>

#include "app/select_printer.h"
#include "app/toolbar_glyphs.h"
#include "report/report.h"
#include "base/scope_guard.h"
#include "output/platform_printer.h"
#include "output/report_printer.h"
#include "output/stored_page.h"
#include "platform/application.h"
#include "platform/file_printer.h"
#include "platform/fonts.h"
#include "platform/page_render.h"
#include "platform/pdf_file.h"
#include "platform/qt_canvas.h"
#include "platform/qt_color.h"
#include "definition/page_setup.h"
#include "definition/report_error.h"
#include "widgets/accessibility.h"
#include "widgets/report_preview.h"
#include "widgets/spin.h"

namespace {

// A flat picture button that a keyboard user reaches with Tab (a click
// leaves the focus where it was) and presses with Space or Enter.
class TToolbarButton : public QToolButton {
 public:
  using QToolButton::QToolButton;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (e->modifiers() & ~Qt::KeypadModifier) == 0) {
      if (!e->isAutoRepeat()) click();
      e->accept();
      return;
    }
    QToolButton::keyPressEvent(e);
  }
};

QToolButton* PictureButton(QWidget* parent, const char* name, TToolbarGlyph glyph, const QString& hint,
                           int left) {
  auto* b = new TToolbarButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoRaise(true);
  b->setIcon(ToolbarIcon(glyph));
  b->setIconSize(QSize(16, 16));
  b->setToolTip(hint);
  b->setAccessibleName(hint);  // a picture alone reads as nothing
  b->setFocusPolicy(Qt::TabFocus);
  b->setGeometry(left, 2, 25, 25);
  return b;
}

// The hint with the keys that do the same, as menus show them:
// "Print (Ctrl+P)".
QString WithKeys(const QString& hint, const QList<QKeySequence>& keys) {
  QStringList names;
  for (const QKeySequence& k : keys) names << k.toString(QKeySequence::NativeText);
  return hint + QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
}

}  // namespace

TfrmPreview::TfrmPreview(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmPreview"));
  setWindowTitle(tr("Report of data"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(WindowFont());
  SetAccessibleRole(this, QAccessible::Window);

  panelPreview = new QFrame(this);
  panelPreview->setObjectName(QStringLiteral("panelPreview"));
  SetAccessibleRole(panelPreview, QAccessible::ToolBar);
  panelPreview->setFrameShape(QFrame::NoFrame);
  panelPreview->setAccessibleName(tr("Preview toolbar"));

  btnFirst = PictureButton(panelPreview, "btnFirst", TToolbarGlyph::FirstPage, tr("First Page"), 21);
  btnPrev = PictureButton(panelPreview, "btnPrev", TToolbarGlyph::PreviousPage, tr("Previous Page"), 46);
  panelPageNumber = new QLabel(tr("Page %1 of %2").arg(1).arg(1), panelPreview);
  panelPageNumber->setObjectName(QStringLiteral("panelPageNumber"));
  panelPageNumber->setFrameStyle(QFrame::Box | QFrame::Plain);
  panelPageNumber->setLineWidth(1);
  panelPageNumber->setAlignment(Qt::AlignCenter);
  panelPageNumber->setGeometry(72, 2, 88, 25);
  btnNext = PictureButton(panelPreview, "btnNext", TToolbarGlyph::NextPage, tr("Next Page"), 161);
  btnLast = PictureButton(panelPreview, "btnLast", TToolbarGlyph::LastPage, tr("Last Page"), 186);

  Label1 = new QLabel(tr("Zoom"), panelPreview);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label1->setGeometry(231, 7, 27, 13);
  // Right-aligned: a wider Linux font grows the label to the left.
  if (const int need = Label1->sizeHint().width(); need > Label1->width())
    Label1->setGeometry(231 + 27 - need, 7, need, 13);

  SpinEdit1 = new TSpinEdit(panelPreview);
  SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
  ApplyZoomFieldColors();
  SpinEdit1->SetMinValue(20);
  SpinEdit1->SetMaxValue(200);
  SpinEdit1->SetIncrement(10);
  SpinEdit1->SetValue(100);
  SpinEdit1->setGeometry(264, 3, 49, 22);
  Label1->setBuddy(SpinEdit1);

  btnPrint = PictureButton(panelPreview, "btnPrint", TToolbarGlyph::Printer, tr("Print"), 335);
  SpeedButton1 = PictureButton(panelPreview, "SpeedButton1", TToolbarGlyph::PrinterWithSheet, QString(), 368);
  SpeedButton1->setAccessibleName(tr("Print at once"));  // it has no hint, but needs a name
  btnSavePdf = PictureButton(panelPreview, "btnSavePdf", TToolbarGlyph::Pdf, tr("Save as PDF"), 396);
  Btnclose = PictureButton(panelPreview, "Btnclose", TToolbarGlyph::Door, tr("close"), 424);

  RptPreview1 = new TReportPreview(this);
  RptPreview1->SetZoom(100);
  RptPreview1->OnPageAvailable = [this](TReportPreview* sender, int page) { RptPreview1PageAvailable(sender, page); };
  RptPreview1->OnPrinterDestroyed = [this](TReportPreview*) { report_ = nullptr; };
  RptPreview1->viewport()->installEventFilter(this);
  // The page area has the focus first: a screen reader names it after the
  // page it shows ("Page 1 of 1") and says how to turn pages.
  RptPreview1->setAccessibleDescription(
      tr("The record sheet as it will be printed. Page Up and Page Down turn the pages; Control with plus or "
         "minus zooms."));
  RptPreview1->setAccessibleName(panelPageNumber->text());
  RptPreview1->setFocus();

  auto guarded = [this](void (TfrmPreview::*handler)()) {
    return [this, handler] { TApplication::Guarded([this, handler] { (this->*handler)(); }); };
  };
  connect(btnFirst, &QToolButton::clicked, this, guarded(&TfrmPreview::btnFirstClick));
  connect(btnPrev, &QToolButton::clicked, this, guarded(&TfrmPreview::btnPrevClick));
  connect(btnNext, &QToolButton::clicked, this, guarded(&TfrmPreview::btnNextClick));
  connect(btnLast, &QToolButton::clicked, this, guarded(&TfrmPreview::btnLastClick));
  // Buttons that open a modal dialog do so once the press has returned: a
  // screen reader's press must not wait for the dialog to close.
  connect(btnPrint, &QToolButton::clicked, this, guarded(&TfrmPreview::btnPrintClick), Qt::QueuedConnection);
  connect(SpeedButton1, &QToolButton::clicked, this, guarded(&TfrmPreview::SpeedButton1Click));
  connect(btnSavePdf, &QToolButton::clicked, this, guarded(&TfrmPreview::btnSavePdfClick), Qt::QueuedConnection);
  connect(Btnclose, &QToolButton::clicked, this, guarded(&TfrmPreview::BtncloseClick));
  SpinEdit1->OnChange = [this](TSpinEdit*) { TApplication::Guarded([this] { SpinEdit1Change(); }); };

  // Zoom keys act wherever the focus is in the window, the zoom field too.
  // Each key once: a key bound twice would be ambiguous and do nothing.
  QList<std::pair<QKeySequence, int>> zoomKeys;
  const auto bind = [&zoomKeys](const QList<QKeySequence>& keys, int step) {
    for (const QKeySequence& k : keys) {
      if (std::none_of(zoomKeys.begin(), zoomKeys.end(), [&k](const auto& b) { return b.first == k; }))
        zoomKeys.append({k, step});
    }
  };
  bind(QKeySequence::keyBindings(QKeySequence::ZoomIn), +1);
  bind(QKeySequence::keyBindings(QKeySequence::ZoomOut), -1);
  bind({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, +1);
  bind({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, -1);
  for (const auto& [keys, step] : zoomKeys) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [this, step = step] {
      step > 0 ? SpinEdit1->StepUp(SpinEdit1) : SpinEdit1->StepDown(SpinEdit1);
      AnnounceZoom();
    });
  }

  // Activation comes from the focus window rather than from the window's
  // activation changes: these do not tell a window of the program from
  // another application.
  connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &TfrmPreview::FocusWindowChanged);
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) focus_outside_ = true;
  });

  // The keys a desktop user expects of a preview; each presses its button,
  // so it does exactly what a click does.
  const auto press = [this](QToolButton* button, const QList<QKeySequence>& keys) {
    for (const QKeySequence& k : keys) {
      auto* shortcut = new QShortcut(k, this);
      connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
    }
    button->setToolTip(WithKeys(button->toolTip(), keys));
  };
  press(btnPrint, {QKeySequence(Qt::CTRL | Qt::Key_P)});
  press(btnSavePdf, {QKeySequence(Qt::CTRL | Qt::Key_S)});
  press(Btnclose, {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});

  resize(kWidth, kHeight);
  LayOutPanels();  // a hidden window hears of its size only when shown
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.left() + (area.width() - kWidth) / 2, area.top() + (area.height() - kHeight) / 2);
  }
}

TfrmPreview::~TfrmPreview() = default;

void TfrmPreview::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  LayOutPanels();
}

void TfrmPreview::LayOutPanels() {
  // The toolbar along the top, the preview filling the rest.
  panelPreview->setGeometry(0, 0, width(), kToolbarHeight);
  RptPreview1->setGeometry(0, kToolbarHeight, width(), std::max(0, height() - kToolbarHeight));
}

void TfrmPreview::ShowPageNumber() {
  const TReportPrinter* printer = RptPreview1->ReportPrinter();
  const int count = printer ? printer->PageCount() : 0;
  panelPageNumber->setText(tr("Page %1 of %2").arg(RptPreview1->PageNumber()).arg(count));
  RptPreview1->setAccessibleName(panelPageNumber->text());
}

void TfrmPreview::ApplyZoomFieldColors() {
  // Black digits, as designed, where they read: on a dark theme's field
  // the theme's own text colour.
  QPalette palette = SpinEdit1->parentWidget()->palette();
  palette.setColor(QPalette::Text, ReadableColor(Qt::black, palette.color(QPalette::Base), palette.color(QPalette::Text)));
  SpinEdit1->setPalette(palette);
}

void TfrmPreview::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::PaletteChange) ApplyZoomFieldColors();
}

void TfrmPreview::btnFirstClick() {
  RptPreview1->SetPageNumber(1);
  ShowPageNumber();
}

void TfrmPreview::btnLastClick() {
  if (const TReportPrinter* printer = RptPreview1->ReportPrinter()) RptPreview1->SetPageNumber(printer->PageCount());
  ShowPageNumber();
}

void TfrmPreview::btnPrevClick() {
  if (RptPreview1->PageNumber() > 1) {
    RptPreview1->SetPageNumber(RptPreview1->PageNumber() - 1);
    ShowPageNumber();
  }
}

void TfrmPreview::btnNextClick() {
  const TReportPrinter* printer = RptPreview1->ReportPrinter();
  if (printer && RptPreview1->PageNumber() < printer->PageCount()) {
    RptPreview1->SetPageNumber(RptPreview1->PageNumber() + 1);
    ShowPageNumber();
  }
}

void TfrmPreview::AnnounceZoom() {
  // The zoom field says its new value itself when it has the focus.
  QWidget* focus = focusWidget();
  if (focus == nullptr || focus == SpinEdit1) return;
  Announce(focus, tr("Zoom %1 percent").arg(SpinEdit1->Value()));
}

void TfrmPreview::SpinEdit1Change() { RptPreview1->SetZoom(SpinEdit1->Value()); }

void TfrmPreview::FormActivate() { SpinEdit1->SetValue(50); }

void TfrmPreview::RptPreview1PageAvailable(TReportPreview*, int PageNum) {
  ShowPageNumber();
  // The preview zooms to its width on the first page; the field's zoom wins.
  if (PageNum == 1) RptPreview1->SetZoom(SpinEdit1->Value());
}

void TfrmPreview::FormShow() {
  if (isMinimized()) showNormal();
}

void TfrmPreview::FormClose() {
  // Released whatever closed it: this button, the title bar, the system menu.
  setAttribute(Qt::WA_DeleteOnClose);
}

void TfrmPreview::btnPrintClick() { PrintReport(); }

void TfrmPreview::PrintReport() {
  // The printer dialog, then the whole report or the chosen pages.
  if (TReportPrinter* printer = RptPreview1->ReportPrinter()) RunPrintJob(*printer, report_);
}

void TfrmPreview::SpeedButton1Click() {
  TReportPrinter* printer = RptPreview1->ReportPrinter();
  if (printer == nullptr) return;
  // The print service is asked once for this print, and the window goes on
  // painting and answering meanwhile; the print follows its answer.
  QPointer<TfrmPreview> self(this);
  printer->Context().AskPrintService([self](TPrintServiceState state) {
    if (self) TApplication::Guarded([&] { self->PrintAtOnce(state); });
  });
}

void TfrmPreview::PrintAtOnce(TPrintServiceState state) {
  TReportPrinter* printer = RptPreview1->ReportPrinter();
  if (printer == nullptr) return;  // the pages went while the service was asked
  // Without a dialog nothing else would tell the user why nothing prints.
  if (state == TPrintServiceState::NotRunning) throw EReportError(TfrmSelectPrinter::tr(TfrmSelectPrinter::kServiceNotRunning).toStdString());
  if (state == TPrintServiceState::NotAnswering) throw EReportError(TfrmSelectPrinter::tr(TfrmSelectPrinter::kServiceNotAnswering).toStdString());
  if (printer->Context().MakePrinter()->Printers().empty()) throw EReportError(TfrmSelectPrinter::tr(TfrmSelectPrinter::kNoPrinter).toStdString());
  printer->Print();
}

void TfrmPreview::BtncloseClick() { close(); }

void TfrmPreview::btnSavePdfClick() {
  const QString name = QFileDialog::getSaveFileName(this, tr("Save as PDF"), QStringLiteral("broodlog.pdf"),
                                                    tr("PDF files (*.pdf)"));
  if (!name.isEmpty()) SaveAsPdf(name);
}

void TfrmPreview::SaveAsPdf(const QString& fileName) {
  TReportPrinter* printer = RptPreview1->ReportPrinter();
  if (!printer || printer->Status() != TPrinterStatus::psFinished || printer->PageCount() < 1) return;
  // A report still generating (this printer's, or a print it was asked
  // for) cannot print itself now, nor one whose paper a print has changed
  // since: the stored pages stand in, on the paper they were made for.
  if (report_ && report_->Idle() && ReportIsOnShownPaper()) {
    SaveReportAsPdf(fileName);
  } else {
    SavePagesAsPdf(fileName);
  }
}

bool TfrmPreview::ReportIsOnShownPaper() {
  const std::unique_ptr<TStoredPage> first = RptPreview1->ReportPrinter()->GetPage(1);
  if (!first) return false;
  const QSizeF shown = PageSizeMm(first->Header());
  const TPageSetup& page = report_->Page();
  // Width and length as the page lies, in tenths of a millimetre.
  const QSizeF paper(double(page.Stored(TPageSetup::kWidth)) / 10.0, double(page.Stored(TPageSetup::kLength)) / 10.0);
  return std::abs(shown.width() - paper.width()) < 1.0 && std::abs(shown.height() - paper.height()) < 1.0;
}

void TfrmPreview::SaveReportAsPdf(const QString& fileName) {
  // The report prints itself onto a PDF device, as it does onto a printer:
  // the whole report, once, on the page its page setup gives.
  TReportPrintSettings& settings = report_->PrinterSettings();
  const TReportPrintSettings chosen = settings;
  TScopeGuard restore([&] { settings = chosen; });
  settings.PrinterIndex = -1;  // the PDF device is the only one it has
  settings.Copies = 1;
  settings.FirstPage = settings.LastPage = 0;
  settings.PrintPaper.reset();  // the page the preview shows, not a paper chosen to print on
  report_->PrintOn(std::make_unique<TFilePlatformPrinter>(TFilePlatformPrinter::TFormat::Pdf, fileName, kPdfDpi));
}

void TfrmPreview::SavePagesAsPdf(const QString& fileName) {
  TReportPrinter* printer = RptPreview1->ReportPrinter();
  std::unique_ptr<TPdfFile> pdf;
  for (std::int32_t i = 1; i <= printer->PageCount(); ++i) {
    const std::unique_ptr<TStoredPage> page = printer->GetPage(i);
    if (!page) continue;
    // Each stored page on a sheet of its own size, as a printer without
    // margins gets it.
    const QPageLayout layout = PdfPageLayout(PageSizeMm(page->Header()), true);
    if (pdf) {
      pdf->NewPage(layout);
    } else {
      pdf = std::make_unique<TPdfFile>(fileName, layout, kPdfDpi, QString::fromStdString(printer->Title()));
    }
    TQtCanvas canvas(pdf->Painter());
    page->Play(canvas, TRect{0, 0, pdf->Writer().width(), pdf->Writer().height()});
  }
  if (!pdf) throw EReportError("Cannot write file " + fileName.toStdString());
  pdf->Finish();
}

void TfrmPreview::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  FormShow();
  if (shown_) return;
  shown_ = true;
  // The first show counts as an activation even where nothing activates
  // the window (no window manager, a compositor that prevents focus
  // stealing, a kiosk). Then ask for the focus as the platform allows: on
  // Wayland Qt hands the compositor the start-up activation token, or one
  // that the focused window asks for.
  TApplication::Guarded([this] { FormActivate(); });
  activateWindow();
}

void TfrmPreview::FocusWindowChanged(QWindow* now) {
  // Popups (a field's menu) and tool tips do not take the window's place.
  if (now && (now->type() == Qt::Popup || now->type() == Qt::ToolTip)) return;
  if (now == nullptr) {
    focus_outside_ = true;
  } else if (now != windowHandle()) {
    focus_outside_ = false;
  } else {
    const bool fromProgram = !focus_outside_;
    focus_outside_ = false;
    if (fromProgram) TApplication::Guarded([this] { FormActivate(); });
  }
}

void TfrmPreview::closeEvent(QCloseEvent* e) {
  QWidget::closeEvent(e);
  if (e->isAccepted()) FormClose();
}

void TfrmPreview::keyPressEvent(QKeyEvent* e) {
  if (e->modifiers() & ~Qt::KeypadModifier) {
    QWidget::keyPressEvent(e);
    return;
  }
  switch (e->key()) {
    case Qt::Key_PageUp: btnPrevClick(); break;
    case Qt::Key_PageDown: btnNextClick(); break;
    case Qt::Key_Home: btnFirstClick(); break;
    case Qt::Key_End: btnLastClick(); break;
    default: QWidget::keyPressEvent(e); return;
  }
  e->accept();
}

bool TfrmPreview::eventFilter(QObject* watched, QEvent* e) {
  if (watched == RptPreview1->viewport() && e->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(e);
    if (wheel->modifiers() & Qt::ControlModifier) {
      // A notch (120) is one step; touchpads send it in small parts.
      wheel_delta_ += wheel->angleDelta().y();
      for (; wheel_delta_ >= 120; wheel_delta_ -= 120) SpinEdit1->StepUp(SpinEdit1);
      for (; wheel_delta_ <= -120; wheel_delta_ += 120) SpinEdit1->StepDown(SpinEdit1);
      AnnounceZoom();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}
