#pragma once

#include <QWidget>

#include <functional>

#include "output/engine_context.h"

class QFrame;
class QLabel;
class QToolButton;
class QWindow;
class TReport;
class TReportPreview;
class TSpinEdit;

// The preview window "Report of data": a toolbar (page buttons, the page
// box, the zoom field, print buttons, "Save as PDF", close) above the
// preview control. The opener creates it without a parent, attaches the
// report printer to RptPreview1, sets the report and shows it; the window
// destroys itself when it closes, and its preview control then detaches
// from the printer, which ends the report's wait for its preview.
//
// Keys: Page Up / Page Down and Home / End turn pages, Ctrl with the wheel
// or with plus and minus steps the zoom field; Tab reaches every toolbar
// button (Enter or Space presses it); Ctrl+P prints with the dialog, Ctrl+S
// saves as PDF, Esc and Ctrl+W close.
//
// The zoom goes back to 50 when the window is first shown, whether or not
// the platform activates it, and whenever the focus comes back to it from
// another window of the program; not when it comes back from another
// application.
class TfrmPreview : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 640, kHeight = 480;
  static constexpr int kToolbarHeight = 28;

  explicit TfrmPreview(QWidget* parent = nullptr);
  ~TfrmPreview() override;

  // The controls; all owned by the window.
  QFrame* panelPreview;
  QToolButton* btnPrint;
  TSpinEdit* SpinEdit1;
  QLabel* Label1;
  QToolButton* btnFirst;
  QToolButton* btnLast;
  QToolButton* btnPrev;
  QToolButton* btnNext;
  QLabel* panelPageNumber;
  QToolButton* Btnclose;
  TReportPreview* RptPreview1;
  QToolButton* SpeedButton1;
  QToolButton* btnSavePdf;

  // The report whose pages are shown; neither owned nor released here.
  // Forgotten when the report's printer goes away.
  TReport* Report() const { return report_; }
  void SetReport(TReport* report) { report_ = report; }

  // "Page n of m": the page shown and the printer's page count.
  void ShowPageNumber();

  // Handlers.
  void FormShow();
  void FormActivate();
  void FormClose();
  void btnFirstClick();
  void btnPrevClick();
  void btnNextClick();
  void btnLastClick();
  void SpinEdit1Change();
  void RptPreview1PageAvailable(TReportPreview* sender, int PageNum);
  virtual void btnPrintClick();
  // Prints at once once the print service has answered (the window never
  // waits on it); shows why not where it did not answer, is not running or
  // has no printer (the printer dialog's messages).
  void SpeedButton1Click();
  void BtncloseClick();
  // Asks for a file name (default "broodlog.pdf") and saves the pages there.
  void btnSavePdfClick();
  // Writes the report as a PDF, text kept as text, on the paper the
  // preview shows: with a report on that paper, the report prints itself
  // onto a PDF device (the page the printer gets); otherwise each stored
  // page is drawn on a sheet of its own size. Nothing without finished
  // pages. Written as TPdfFile writes; throws its errors, and the old file
  // then stays as it was.
  void SaveAsPdf(const QString& fileName);

  // Resolution the pages are drawn at inside the PDF.
  static constexpr int kPdfDpi = 1200;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // The printer dialog and the print job for the shown pages.
  void PrintReport();
  void PrintAtOnce(TPrintServiceState state);
  bool ReportIsOnShownPaper();
  void SaveReportAsPdf(const QString& fileName);
  void SavePagesAsPdf(const QString& fileName);
  void LayOutPanels();
  void ApplyZoomFieldColors();
  // Tells a screen reader the zoom a key or the wheel has set.
  void AnnounceZoom();
  // Follows the program's focus window for FormActivate.
  void FocusWindowChanged(QWindow* now);

  TReport* report_ = nullptr;
  int wheel_delta_ = 0;  // Ctrl+wheel turns not yet a whole step
  bool shown_ = false;   // shown at least once
  // No window of the program has had the focus since this one lost it:
  // another application has it.
  bool focus_outside_ = false;
};
