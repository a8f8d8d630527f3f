#include "app/select_printer.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/glyphs.h"
#include "report/report.h"
#include "output/print_request.h"
#include "output/report_printer.h"
#include "platform/application.h"
#include "platform/fonts.h"
#include "definition/report_error.h"
#include "widgets/spin.h"

// The two papers named by words, for the translation tools.
[[maybe_unused]] constexpr const char* kPaperWords[] = {QT_TRANSLATE_NOOP("TfrmSelectPrinter", "Default"),
                                                        QT_TRANSLATE_NOOP("TfrmSelectPrinter", "Custom")};
const char* const TfrmSelectPrinter::kPleaseWait = QT_TR_NOOP("Please wait...");
const char* const TfrmSelectPrinter::kAllPrefix = "All ";
const char* const TfrmSelectPrinter::kPagesSuffix = " pages";
const char* const TfrmSelectPrinter::kSupportsCopies = QT_TR_NOOP("Printer supports multiple copies");
const char* const TfrmSelectPrinter::kNoCopies = QT_TR_NOOP("Printer does not supports multiple copies");
const char* const TfrmSelectPrinter::kNoPrinter =
    QT_TR_NOOP("No printer is installed: save the report with \"Save as PDF\" in the preview instead");
const char* const TfrmSelectPrinter::kServiceNotRunning =
    QT_TR_NOOP("The print service is not running: start it, or save the report with \"Save as PDF\" in the preview");
const char* const TfrmSelectPrinter::kServiceNotAnswering = QT_TR_NOOP(
    "The print service does not answer: try again later, or save the report with \"Save as PDF\" in the preview");

namespace {

// The bottom row and the strip keep their distance to the bottom edge.
constexpr int kButtonTop = 139, kBevelTop = 170, kStatusTop = 176;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  QWidget* buddy = nullptr) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  label->adjustSize();
  if (buddy) label->setBuddy(buddy);
  return label;
}

// A label of fixed bounds whose text sits at the right edge; wider to the
// left only if the Linux font needs it.
void RightAlign(QLabel* label, int left, int top, int width, int height) {
  const int needed = std::max(width, label->fontMetrics().horizontalAdvance(label->text()) + 2);
  label->setGeometry(left + width - needed, top, needed, height);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

bool ReadsAsNumber(const QLineEdit* field, std::int32_t* value = nullptr) {
  const QString text = field->text();
  std::int32_t v = 0;
  const bool ok =
      TryStrToInt(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())), v);
  if (ok && value) *value = v;
  return ok;
}

// A page field read as a whole number, as the toolkit's StrToInt does.
std::int32_t PageValue(const QLineEdit* field) {
  std::int32_t v = 0;
  if (!ReadsAsNumber(field, &v))
    throw EReportError("'%1' is not a valid integer value", {field->text().toStdString()});
  return v;
}

// Arrow keys move within a group of radio buttons, to the next or the
// previous one in its order and checking it, as in the desktop's own dialogs
// (Qt alone goes by where the buttons stand, so Down from "All pages" would
// find nothing below it).
class TRadioArrows : public QObject {
 public:
  TRadioArrows(std::vector<QRadioButton*> group, QObject* parent) : QObject(parent), group_(std::move(group)) {
    for (QRadioButton* b : group_) b->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    int step = 0;
    if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right) step = 1;
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left) step = -1;
    const auto at = std::find(group_.begin(), group_.end(), watched);
    if (step == 0 || at == group_.end()) return false;
    const int n = int(group_.size());
    for (int i = 1; i < n; ++i) {
      QRadioButton* next = group_[size_t((int(at - group_.begin()) + step * i + n * i) % n)];
      if (!next->isEnabled() || !next->isVisible()) continue;
      next->setFocus(Qt::TabFocusReason);
      next->setChecked(true);
      break;
    }
    return true;
  }

 private:
  std::vector<QRadioButton*> group_;
};

}  // namespace

TfrmSelectPrinter::TfrmSelectPrinter(TEngineContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("frmSelectPrinter"));
  setWindowTitle(tr("Select the printer"));
  setFont(WindowFont());
  setSizeGripEnabled(false);

  cbPrinters = new QComboBox(this);
  cbPrinters->setObjectName(QStringLiteral("cbPrinters"));
  cbPrinters->setGeometry(136, 5, 273, 21);
  cbPrinters->setEditable(false);
  Label1 = MakeLabel(this, "Label1", tr("&Printer"), 96, 8, cbPrinters);
  RightAlign(Label1, 96, 8, 30, 13);

  GroupBox1 = new QGroupBox(tr("Print Range"), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(8, 40, 217, 73);
  AllPagesRb = new QRadioButton(tr("&All pages"), GroupBox1);
  AllPagesRb->setObjectName(QStringLiteral("AllPagesRb"));
  AllPagesRb->setGeometry(6, 16, 113, 17);
  AllPagesRb->setChecked(true);
  RangeRb = new QRadioButton(tr("Pages"), GroupBox1);
  RangeRb->setObjectName(QStringLiteral("RangeRb"));
  RangeRb->setGeometry(118, 12, 83, 17);
  new TRadioArrows({AllPagesRb, RangeRb}, this);
  FromEdt = new QLineEdit(GroupBox1);
  FromEdt->setObjectName(QStringLiteral("FromEdt"));
  FromEdt->setGeometry(64, 36, 33, 21);
  FromEdt->setEnabled(false);
  ToEdt = new QLineEdit(GroupBox1);
  ToEdt->setObjectName(QStringLiteral("ToEdt"));
  ToEdt->setGeometry(138, 36, 33, 21);
  ToEdt->setEnabled(false);
  Label2 = MakeLabel(GroupBox1, "Label2", tr("&from:"), 16, 38, FromEdt);
  Label3 = MakeLabel(GroupBox1, "Label3", tr("&to:"), 104, 38, ToEdt);

  GroupBox2 = new QGroupBox(tr("Copies"), this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  GroupBox2->setGeometry(232, 40, 225, 74);
  CopiesSe = new TSpinEdit(GroupBox2);
  CopiesSe->setObjectName(QStringLiteral("CopiesSe"));
  CopiesSe->setGeometry(168, 21, 49, 22);
  CopiesSe->SetMinValue(1);
  CopiesSe->SetMaxValue(99);
  CopiesSe->SetValue(1);
  Label4 = MakeLabel(GroupBox2, "Label4", tr("Number of &copies:"), 72, 24, CopiesSe);
  RightAlign(Label4, 72, 24, 86, 13);

  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  // The sizes go by their names; only the two words among them are words.
  for (int i = 0; i < kPaperSizeCount; ++i) {
    const auto size = static_cast<TPaperSize>(i);
    const char* name = PaperSizeName(size);
    const bool word = size == TPaperSize::Default || size == TPaperSize::Custom;
    ComboBox1->addItem(word ? tr(name) : QString::fromLatin1(name));
  }
  ComboBox1->setGeometry(16, 139, 121, 21);
  Label5 = MakeLabel(this, "Label5", tr("Paperselection"), 32, 120, ComboBox1);
  ComboBox1->lineEdit()->setAccessibleName(Label5->text());  // the typing field inside it too

  BitBtn3 = new QPushButton(QIcon(BuiltInPixmap(":/broodlog/glyphs/retry.xpm")), tr("&Default"), this);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  BitBtn1 = new QPushButton(QIcon(BuiltInPixmap(":/broodlog/glyphs/check.xpm")), tr("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn2 = new QPushButton(QIcon(BuiltInPixmap(":/broodlog/glyphs/cross.xpm")), tr("Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  for (QPushButton* b : {BitBtn3, BitBtn1, BitBtn2}) {
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::StrongFocus);
  }
  BitBtn1->setDefault(true);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Bevel1->setLineWidth(1);
  StatusLbl = new QLabel(this);
  StatusLbl->setObjectName(QStringLiteral("StatusLbl"));
  StatusLbl->setWordWrap(true);
  StatusLbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  StatusLbl->raise();

  // Tab order: printer, OK, Cancel, Default, the range, the copies, the paper.
  QWidget* order[] = {cbPrinters, BitBtn1, BitBtn2, BitBtn3, AllPagesRb, RangeRb, FromEdt, ToEdt,
                      CopiesSe, ComboBox1};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(cbPrinters, qOverload<int>(&QComboBox::activated), this,
          [this] { TApplication::Guarded([this] { cbPrintersChange(); }); });
  // However the choice changes (a click, the keyboard, an assistive tool's
  // action, the program), the page fields follow it.
  connect(AllPagesRb, &QRadioButton::toggled, this, [this] { AllPagesRbClick(); });
  connect(RangeRb, &QRadioButton::toggled, this, [this] { AllPagesRbClick(); });
  connect(FromEdt, &QLineEdit::textChanged, this, [this] { FromEdtChange(FromEdt); });
  connect(ToEdt, &QLineEdit::textChanged, this, [this] { FromEdtChange(ToEdt); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { TApplication::Guarded([this] { BitBtn3Click(); }); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { OkClicked(); });
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

  resize(kClientWidth, kClientHeight);
  PlaceBottomRow();
  if (const QScreen* s = screen()) {
    const QRect area = s->geometry();
    move(area.x() + (area.width() - kOuterWidth) / 2, area.y() + (area.height() - kOuterHeight) / 2);
  }
}

TfrmSelectPrinter::~TfrmSelectPrinter() { FormDestroy(); }

void TfrmSelectPrinter::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  // Narrower or wider, the status text takes as many lines as it now needs.
  if (e->oldSize().width() != e->size().width()) FitStatus();
  PlaceBottomRow();
}

void TfrmSelectPrinter::PlaceBottomRow() {
  // The strip is as tall as its text needs; the buttons stay above it.
  const int dy = height() - kClientHeight - status_extra_;
  BitBtn3->setGeometry(160, kButtonTop + dy, 85, 25);
  BitBtn1->setGeometry(252, kButtonTop + dy, 85, 25);
  BitBtn2->setGeometry(344, kButtonTop + dy, 85, 25);
  Bevel1->setGeometry(0, kBevelTop + dy, width(), 20 + status_extra_);
  StatusLbl->setGeometry(4, kStatusTop + dy, std::max(0, width() - 8), 13 + status_extra_);
}

void TfrmSelectPrinter::SetStatus(const QString& text) {
  StatusLbl->setText(text);
  FitStatus();
}

void TfrmSelectPrinter::FitStatus() {
  // A text wider than the strip goes on in more lines, and the dialog
  // grows by them, rather than losing its end (the advice of what to do).
  const int needed = StatusLbl->heightForWidth(std::max(1, width() - 8));
  const int extra = std::max(0, needed - StatusLbl->heightForWidth(QWIDGETSIZE_MAX));
  if (extra == status_extra_) return;
  const int base = height() - status_extra_;
  status_extra_ = extra;
  resize(width(), base + extra);
  PlaceBottomRow();
}

void TfrmSelectPrinter::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  FormShow();
}

void TfrmSelectPrinter::FormShow() {
  SetStatus(tr(kPleaseWait));
  BitBtn1->setEnabled(false);  // nothing to print on until the service has answered
  if (CopyCount < 1) CopyCount = 1;
  CopiesSe->SetValue(CopyCount);
  const int pages = ReportPrinter ? ReportPrinter->PageCount() : 0;
  AllPagesRb->setText(tr("All %n pages", nullptr, pages));
  FromEdt->setText(QStringLiteral("1"));
  ToEdt->setText(QString::number(pages));
  TApplication::ProcessMessages();
  // The dialog stays painted and answering while the print service is
  // asked; its printers come when it answers.
  QPointer<TfrmSelectPrinter> self(this);
  context_.AskPrintService([self](TPrintServiceState state) {
    if (self) self->ServiceAnswered(state);
  });
}

void TfrmSelectPrinter::ServiceAnswered(TPrintServiceState state) {
  if (state != TPrintServiceState::Answered) {
    SetStatus(tr(state == TPrintServiceState::NotRunning ? kServiceNotRunning : kServiceNotAnswering));
    return;
  }
  try {
    PlatformPrinter = context_.MakePrinter();
    cbPrinters->clear();
    for (const std::string& name : PlatformPrinter->Printers()) cbPrinters->addItem(QString::fromStdString(name));
    // The caller's printer; where it named none it could know of (the
    // report printer was made before any answer came, so it said -1), the
    // printer the report printer stands on now, else the system default.
    int start = StartPrinterIndex;
    const auto listed = [this](int i) { return i >= 0 && i < cbPrinters->count(); };
    if (!listed(start) && ReportPrinter) start = ReportPrinter->PrinterIndex();
    if (!listed(start)) start = PlatformPrinter->PrinterIndex();
    if (!listed(start) && cbPrinters->count() > 0) start = 0;
    cbPrinters->setCurrentIndex(start);
    cbPrintersChange();
  } catch (const std::exception& error) {
    // Without the printer list there is nothing to choose from: the dialog
    // goes as cancelled, and the message is shown.
    TApplication::ShowException(error);
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
  }
}

void TfrmSelectPrinter::FormDestroy() { PlatformPrinter.reset(); }

void TfrmSelectPrinter::cbPrintersChange() {
  if (cbPrinters->count() == 0) {
    // The copies test would only test the lack of a device.
    SetStatus(tr(kNoPrinter));
    BitBtn1->setEnabled(false);
    return;
  }
  BitBtn1->setEnabled(true);
  if (ReportPrinter == nullptr) return;
  TReportPrinter& r = *ReportPrinter;
  // The count is the one R had on its own printer, and it goes back after
  // that printer does: selecting a printer reads its count afresh.
  const int index = r.PrinterIndex();
  const int copies = r.Copies();
  auto restore = [&] {
    r.SetPrinterIndex(index);
    r.SetCopies(copies);
  };
  try {
    r.SetPrinterIndex(cbPrinters->currentIndex());
    r.SetCopies(2);
    PrinterCopies = r.Copies() >= 2;
    SetStatus(tr(PrinterCopies ? kSupportsCopies : kNoCopies));
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TfrmSelectPrinter::BitBtn3Click() {
  if (!PlatformPrinter) return;
  PlatformPrinter->SetPrinterIndex(-1);
  cbPrinters->setCurrentIndex(PlatformPrinter->PrinterIndex());
  cbPrintersChange();
}

void TfrmSelectPrinter::AllPagesRbClick() {
  FromEdt->setEnabled(RangeRb->isChecked());
  ToEdt->setEnabled(FromEdt->isEnabled());
}

void TfrmSelectPrinter::FromEdtChange(QLineEdit* sender) {
  const QString text = sender->text();
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
      sender->setText(QString());
      return;
    }
  }
}

void TfrmSelectPrinter::BitBtn1Click() {
  FromPage = 0;
  ToPage = 0;
  CopyCount = CopiesSe->Value();
  if (RangeRb->isChecked()) {
    FromPage = PageValue(FromEdt);
    ToPage = PageValue(ToEdt);
    // "from" 0 asks for the whole report, whatever "to" says.
    if (FromPage > 0 && ToPage < FromPage)
      throw EReportError("The page range %1 to %2 is reversed: the first page comes after the last",
                         {std::to_string(FromPage), std::to_string(ToPage)});
  }
}

void TfrmSelectPrinter::OkClicked() {
  // The OK kind confirms before its handler runs.
  setResult(QDialog::Accepted);
  try {
    BitBtn1Click();
  } catch (const std::exception& error) {
    // A page field that is not a number: say so and let the user mend it,
    // rather than print a range nobody chose.
    setResult(0);
    TApplication::ShowException(error);
    QLineEdit* field = ReadsAsNumber(FromEdt) && !ReadsAsNumber(ToEdt) ? ToEdt : FromEdt;
    field->setFocus();
    field->selectAll();
    return;
  }
  accept();
}

int TfrmSelectPrinter::SelectedPaperItem() const {
  return ComboBox1->findText(ComboBox1->currentText(), Qt::MatchFixedString);
}

void TfrmSelectPrinter::SetReportPrinter(TReportPrinter* printer, std::int32_t startPrinterIndex) {
  ReportPrinter = printer;
  StartPrinterIndex = startPrinterIndex;
}

void TfrmSelectPrinter::SelectPaper(TPaperSize paper) {
  const int item = static_cast<int>(paper);
  ComboBox1->setCurrentIndex(item);
  ComboBox1->setEditText(ComboBox1->itemText(item));
}

std::optional<TPrintRequest> TfrmSelectPrinter::Request() const {
  // The dialog's list is the print's one look for printers.
  if (cbPrinters->count() == 0) return std::nullopt;
  // The chosen paper is the print's: the sheet keeps its own page, and is
  // scaled to fit a paper it does not fit on. A text of the user's own
  // leaves the paper as it was.
  return TPrintRequest{cbPrinters->currentIndex(), PaperSizeFromOrdinal(SelectedPaperItem()), CopyCount,
                       PrinterCopies, FromPage, ToPage};
}

void RunPrintJob(TReportPrinter& printer, TCustomReport* report,
                 const std::function<int(TfrmSelectPrinter&)>& run) {
  TfrmSelectPrinter dialog(printer.Context());
  dialog.SetReportPrinter(&printer, printer.PrinterIndex());
  if (report != nullptr) dialog.SelectPaper(report->Page().PaperSize());
  if ((run ? run(dialog) : dialog.exec()) != QDialog::Accepted) return;
  const std::optional<TPrintRequest> request = dialog.Request();
  if (!request) return;  // nothing to print on
  // The report printer keeps the choice for later prints from this preview.
  printer.SetPrinterIndex(request->printerIndex);
  // A range without any page of the report is refused where the pages are
  // taken (a reversed one was refused on OK).
  if (report != nullptr) {
    report->RequestPrint(*request);
  } else {
    PrintStoredPages(printer, *request);
  }
}
