#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "definition/paper.h"
#include "output/engine_context.h"
#include "output/platform_printer.h"
#include "output/print_request.h"

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
// The caller hands it the report printer and start printer (and may
// preselect a paper), runs the dialog and, after OK, takes its Request();
// the controls are the dialog's own.
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
  static const char* const kNoPrinter;
  // What the status line (and a print at once) says when the print service
  // cannot be asked.
  static const char* const kServiceNotRunning;
  static const char* const kServiceNotAnswering;

  // The dialog lists the printers of `context`'s print service.
  explicit TfrmSelectPrinter(TEngineContext& context, QWidget* parent = nullptr);
  ~TfrmSelectPrinter() override;

  // The report printer whose pages are printed and whose copies are
  // tested (not owned), and the printer to start on.
  void SetReportPrinter(TReportPrinter* printer, std::int32_t startPrinterIndex);
  // Preselects the paper item of `paper`, as if the user had chosen it.
  void SelectPaper(TPaperSize paper);

  // The print the user asked for after OK: the chosen printer, the paper
  // item's size (none for a text of the user's own), the copies and
  // whether the printer makes them itself, and the range; none when the
  // dialog had no printer to offer.
  std::optional<TPrintRequest> Request() const;

 protected:
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

  // Handlers.
  void FormShow();
  void cbPrintersChange();
  void AllPagesRbClick();
  // Throws EReportError "'%s' is not a valid integer value" for a page
  // field that does not read as a number, and "The page range %1 to %2 is
  // reversed…" for a range whose first page comes after its last.
  void BitBtn1Click();

  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  static const char* const kAllPrefix;   // "All "
  static const char* const kPagesSuffix;  // " pages"
  static const char* const kSupportsCopies;
  static const char* const kNoCopies;

  void FormDestroy();
  void BitBtn3Click();
  void FromEdtChange(QLineEdit* sender);
  // The print service's answer to the dialog's asking: the printers, or
  // in the status line why there are none to choose.
  void ServiceAnswered(TPrintServiceState state);
  // The paper item the user chose: ComboBox1's item whose text is the
  // field's (letter case aside), or -1 for a text of the user's own.
  int SelectedPaperItem() const;
  void OkClicked();
  void PlaceBottomRow();
  // Shows `text` whole in the status strip, growing the dialog as needed.
  void SetStatus(const QString& text);
  void FitStatus();

  int status_extra_ = 0;  // pixels the status text needs beyond one line
  // The last copies test found that the chosen printer makes copies itself.
  bool PrinterCopies = false;

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
