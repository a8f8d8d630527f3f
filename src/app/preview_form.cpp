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
#include <QPdfWriter>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <functional>

#include "app/select_printer.h"
#include "generation/report.h"
#include "output/report_printer.h"
#include "output/stored_page.h"
#include "platform/application.h"
#include "platform/file_printer.h"
#include "platform/fonts.h"
#include "platform/page_render.h"
#include "platform/pdf_file.h"
#include "platform/qt_canvas.h"
#include "report/page_setup.h"
#include "report/report_error.h"
#include "widgets/report_preview.h"
#include "widgets/spin.h"

namespace {

QToolButton* PictureButton(QWidget* parent, const char* name, const char* glyph, const QString& hint,
                           int left) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoRaise(true);
  b->setIcon(QIcon(QStringLiteral(":/broodlog/glyphs/") + QString::fromLatin1(glyph)));
  b->setIconSize(QSize(16, 16));
  b->setToolTip(hint);
  b->setFocusPolicy(Qt::NoFocus);  // flat picture buttons never take the focus
  b->setGeometry(left, 2, 25, 25);
  return b;
}

}  // namespace

TfrmPreview::TfrmPreview(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmPreview"));
  setWindowTitle(QStringLiteral("Report of data"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(WindowFont());

  panelPreview = new QFrame(this);
  panelPreview->setObjectName(QStringLiteral("panelPreview"));
  panelPreview->setFrameShape(QFrame::NoFrame);

  btnFirst = PictureButton(panelPreview, "btnFirst", "page_first.xpm", QStringLiteral("First Page"), 21);
  btnPrev = PictureButton(panelPreview, "btnPrev", "page_prev.xpm", QStringLiteral("Previous Page"), 46);
  panelPageNumber = new QLabel(QStringLiteral("Page 1 of 1"), panelPreview);
  panelPageNumber->setObjectName(QStringLiteral("panelPageNumber"));
  panelPageNumber->setFrameStyle(QFrame::Box | QFrame::Plain);
  panelPageNumber->setLineWidth(1);
  panelPageNumber->setAlignment(Qt::AlignCenter);
  panelPageNumber->setGeometry(72, 2, 88, 25);
  btnNext = PictureButton(panelPreview, "btnNext", "page_next.xpm", QStringLiteral("Next Page"), 161);
  btnLast = PictureButton(panelPreview, "btnLast", "page_last.xpm", QStringLiteral("Last Page"), 186);

  Label1 = new QLabel(QStringLiteral("Zoom"), panelPreview);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label1->setGeometry(231, 7, 27, 13);
  // Right-aligned: a wider Linux font grows the label to the left.
  if (const int need = Label1->sizeHint().width(); need > Label1->width())
    Label1->setGeometry(231 + 27 - need, 7, need, 13);

  SpinEdit1 = new TSpinEdit(panelPreview);
  SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
  QPalette pal = SpinEdit1->palette();
  pal.setColor(QPalette::Text, Qt::black);
  SpinEdit1->setPalette(pal);
  SpinEdit1->SetMinValue(20);
  SpinEdit1->SetMaxValue(200);
  SpinEdit1->SetIncrement(10);
  SpinEdit1->SetValue(100);
  SpinEdit1->setGeometry(264, 3, 49, 22);

  btnPrint = PictureButton(panelPreview, "btnPrint", "printer.xpm", QStringLiteral("Print"), 335);
  SpeedButton1 = PictureButton(panelPreview, "SpeedButton1", "printer_sheet.xpm", QString(), 368);
  btnSavePdf = PictureButton(panelPreview, "btnSavePdf", "pdf.xpm", QStringLiteral("Save as PDF"), 396);
  Btnclose = PictureButton(panelPreview, "Btnclose", "door.xpm", QStringLiteral("close"), 424);

  RptPreview1 = new TReportPreview(this);
  RptPreview1->SetZoom(100);
  RptPreview1->OnPageAvailable = [this](TReportPreview* sender, int page) { RptPreview1PageAvailable(sender, page); };
  RptPreview1->OnPrinterDestroyed = [this](TReportPreview*) { report_ = nullptr; };
  RptPreview1->viewport()->installEventFilter(this);
  RptPreview1->setFocus();

  auto guarded = [this](void (TfrmPreview::*handler)()) {
    return [this, handler] { TApplication::Guarded([this, handler] { (this->*handler)(); }); };
  };
  connect(btnFirst, &QToolButton::clicked, this, guarded(&TfrmPreview::btnFirstClick));
  connect(btnPrev, &QToolButton::clicked, this, guarded(&TfrmPreview::btnPrevClick));
  connect(btnNext, &QToolButton::clicked, this, guarded(&TfrmPreview::btnNextClick));
  connect(btnLast, &QToolButton::clicked, this, guarded(&TfrmPreview::btnLastClick));
  connect(btnPrint, &QToolButton::clicked, this, guarded(&TfrmPreview::btnPrintClick));
  connect(SpeedButton1, &QToolButton::clicked, this, guarded(&TfrmPreview::SpeedButton1Click));
  connect(btnSavePdf, &QToolButton::clicked, this, guarded(&TfrmPreview::btnSavePdfClick));
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
    });
  }

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
  panelPageNumber->setText(QStringLiteral("Page %1 of %2").arg(RptPreview1->PageNumber()).arg(count));
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
  if (TReportPrinter* printer = RptPreview1->ReportPrinter()) printer->Print();
}

void TfrmPreview::BtncloseClick() { close(); }

void TfrmPreview::btnSavePdfClick() {
  const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Save as PDF"),
                                                    QStringLiteral("broodlog.pdf"),
                                                    QStringLiteral("PDF files (*.pdf)"));
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
  const QSizeF shown = PageSizeMm(first->Bytes());
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
  settings.PrinterIndex = -1;  // the PDF device is the only one it has
  settings.Copies = 1;
  settings.FirstPage = settings.LastPage = 0;
  try {
    report_->PrintOn(std::make_unique<TFilePlatformPrinter>(TFilePlatformPrinter::TFormat::Pdf, fileName, kPdfDpi));
  } catch (...) {
    settings = chosen;
    throw;
  }
  settings = chosen;
}

void TfrmPreview::SavePagesAsPdf(const QString& fileName) {
  TReportPrinter* printer = RptPreview1->ReportPrinter();
  std::unique_ptr<TPdfFile> pdf;
  for (std::int32_t i = 1; i <= printer->PageCount(); ++i) {
    const std::unique_ptr<TStoredPage> page = printer->GetPage(i);
    if (!page) continue;
    // Each stored page on a sheet of its own size, as a printer without
    // margins gets it.
    const QPageLayout layout = PdfPageLayout(PageSizeMm(page->Bytes()), true);
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
}

void TfrmPreview::closeEvent(QCloseEvent* e) {
  QWidget::closeEvent(e);
  if (e->isAccepted()) FormClose();
}

void TfrmPreview::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) TApplication::Guarded([this] { FormActivate(); });
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
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}
