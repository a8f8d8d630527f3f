#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "output/engine_context.h"
#include "output/platform_printer.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TCustomReport;
class TReportPrinter;
class TSpinEdit;

// "Select the printer": the printer, all pages or a range, the number of
// copies and the paper, and a status line that says whether the chosen
// printer makes copies itself (found by asking the report printer to take 2
// copies and reading them back, then putting it back as it was).
//
// The caller sets ReportPrinter and StartPrinterIndex (and may set
// CopyCount), runs the dialog and, after OK, reads cbPrinters' index,
// ComboBox1's, CopyCount, FromPage and ToPage.
//
// With "Pages" checked, OK with a page field that is empty or not a number
// shows "'%s' is not a valid integer value", and OK with a reversed range
// (3 to 1) says so; either keeps the dialog open on the field, so nothing
// is printed until the user mends or cancels it.
// Without any printer the status line says so and OK stays disabled.
class TfrmSelectPrinter : public QDialog {
  Q_OBJECT
 public:
  // The client area the controls are laid out in: the 493 x 217 outer size
  // less a classic 4-pixel sizing border and 19-pixel caption.
  static constexpr int kClientWidth = 485, kClientHeight = 190;
  static constexpr int kOuterWidth = 493, kOuterHeight = 217;
  // The status texts.
  static const char* const kPleaseWait;
  static const char* const kAllPrefix;   // "All "
  static const char* const kPagesSuffix;  // " pages"
  static const char* const kSupportsCopies;
  static const char* const kNoCopies;
  static const char* const kNoPrinter;
  // What the status line (and a print at once) says when the print service
  // cannot be asked.
  static const char* const kServiceNotRunning;
  static const char* const kServiceNotAnswering;

  // The dialog lists the printers of `context`'s print service.
  explicit TfrmSelectPrinter(TEngineContext& context, QWidget* parent = nullptr);
  ~TfrmSelectPrinter() override;

  // Controls, owned by the dialog.
  QLabel* Label1;  // "&Printer"
  QComboBox* cbPrinters;
  QGroupBox* GroupBox1;  // "Print Range"
  QRadioButton* AllPagesRb;
  QRadioButton* RangeRb;
  QLabel* Label2;  // "&from:"
  QLineEdit* FromEdt;
  QLabel* Label3;  // "&to:"
  QLineEdit* ToEdt;
  QGroupBox* GroupBox2;  // "Copies"
  QLabel* Label4;        // "Number of &copies:"
  TSpinEdit* CopiesSe;
  QLabel* Label5;  // "Paperselection"
  QComboBox* ComboBox1;
  QPushButton* BitBtn3;  // "&Default"
  QPushButton* BitBtn1;  // OK
  QPushButton* BitBtn2;  // Cancel
  QFrame* Bevel1;
  QLabel* StatusLbl;

  // Fields.
  std::int32_t CopyCount = 0;
  std::unique_ptr<TPlatformPrinter> PlatformPrinter;  // made on show
  std::int32_t StartPrinterIndex = 0;
  TReportPrinter* ReportPrinter = nullptr;  // not owned
  std::int32_t FromPage = 0, ToPage = 0;
  // The last copies test found that the chosen printer makes copies itself.
  bool PrinterCopies = false;

  // Handlers.
  void FormShow();
  void FormDestroy();
  void cbPrintersChange();
  void BitBtn3Click();
  void AllPagesRbClick();
  void FromEdtChange(QLineEdit* sender);
  // Throws EReportError "'%s' is not a valid integer value" for a page
  // field that does not read as a number, and RangeMessage for a range
  // whose first page comes after its last.
  void BitBtn1Click();
  // Why a range printed nothing: reversed (`from` after `to`), or outside
  // the report of `pages` pages.
  static QString RangeMessage(int from, int to, int pages);

  // The print service's answer to the dialog's asking: the printers, or
  // in the status line why there are none to choose.
  void ServiceAnswered(TPrintServiceState state);

  // The paper item the user chose: ComboBox1's item whose text is the
  // field's (letter case aside), or -1 for a text of the user's own.
  int SelectedPaperItem() const;

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void OkClicked();
  void PlaceBottomRow();
  // Shows `text` whole in the status strip, growing the dialog as needed.
  void SetStatus(const QString& text);
  void FitStatus();

  int status_extra_ = 0;  // pixels the status text needs beyond one line

  TEngineContext& context_;
};

// The print job of the preview window's Print button: the dialog for the
// pages of `printer` (the preview's report printer) and `report` (the
// preview's report: the dialog opens on its page's paper, and the paper
// chosen goes to its PrinterSettings' PrintPaper, not to its page), then the
// whole report through the master report, or the chosen range through
// temporary saved reports that are deleted on every way out. Both paths put
// the sheet on the chosen paper alike: at its own size where it fits, else
// scaled uniformly to fit. A range without any page of the report fails
// with a message that says so. Errors of either path propagate. `run` shows
// the dialog and returns its result (exec() when empty; tests drive the
// dialog through it).
void RunPrintJob(TReportPrinter& printer, TCustomReport* report,
                 const std::function<int(TfrmSelectPrinter&)>& run = {});
