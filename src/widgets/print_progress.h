#pragma once

#include <QDialog>

#include "report/report_context.h"
#include "output/report_printer.h"

class QLabel;
class QProgressBar;
class QPushButton;

// "Printing progress": the window a report shows while it prints itself
// straight to a printer. It is the report printer's client: on each
// progress notice that lands on a multiple of 5 per cent it moves the bar,
// writes "N%  Completed" and lets pending messages run; "Cancel" cancels
// the report printer, and generation stops at its next check. Always on top,
// centred on the screen. It forgets the printer when the printer goes.
class TPrintProgressForm : public QDialog, public TReportPrinterClient {
  Q_OBJECT
 public:
  explicit TPrintProgressForm(TReportPrinter& printer, QWidget* parent = nullptr);
  ~TPrintProgressForm() override;

  QProgressBar* ProgressBar;  // 0 to 100
  QLabel* ProgressLbl;
  QPushButton* CancelBtn;

  // The report printer being shown, or null once it is gone.
  TReportPrinter* Printer() const { return printer_; }

  void HandleMessage(TMessage& message) override;
  void PrinterDestroyed(TReportPrinter& printer) override;
  void CancelBtnClick();

 private:
  TReportPrinter* printer_;
};

// What makes reports that print straight to a printer show a
// TPrintProgressForm (when their ShowProgress is set): for the program's
// report context.
TProgressWindowMaker PrintProgressWindowMaker();
