#include "app/select_printer.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "generation/report.h"
#include "output/page_files.h"
#include "output/report_printer.h"
#include "output/temp_file.h"
#include "platform/application.h"
#include "platform/fonts.h"
#include "report/report_error.h"
#include "widgets/spin.h"

const std::array<const char*, 28> TfrmSelectPrinter::kPaperNames = {
    "Default", "letter", "LetterSmall", "Tabloid", "Ledger", "Legal",  "Statement", "Executive",
    "A3",      "A4",     "A4Small",     "A5",      "B4",     "B5",     "Folio",     "Quarto",
    "10X14",   "11X17",  "Note",        "Env9",    "Env10",  "Env11",  "Env12",     "Env14",
    "CSheet",  "DSheet", "ESheet",      "Custom"};
const char* const TfrmSelectPrinter::kPleaseWait = "Please wait...";
const char* const TfrmSelectPrinter::kAllPrefix = "All ";
const char* const TfrmSelectPrinter::kPagesSuffix = " pages";
const char* const TfrmSelectPrinter::kSupportsCopies = "Printer supports multiple copies";
const char* const TfrmSelectPrinter::kNoCopies = "Printer does not supports multiple copies";
const char* const TfrmSelectPrinter::kNoPrinter =
    "No printer is installed: save the report with \"Save as PDF\" in the preview instead";

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
    throw EReportError("'" + field->text().toStdString() + "' is not a valid integer value");
  return v;
}

// Temporary files that go when the print job ends, however it ends, in
// the reverse order of their making, or as soon as no step needs them by
// name: a name outlives a process that is killed, so the print itself runs
// with none left.
class TTempFiles {
 public:
  TTempFiles() = default;
  TTempFiles(const TTempFiles&) = delete;
  TTempFiles& operator=(const TTempFiles&) = delete;
  ~TTempFiles() { DropAll(); }
  std::string Make() {
    names_.push_back(TempFileName());
    return names_.back();
  }
  void DropAll() {
    for (auto it = names_.rbegin(); it != names_.rend(); ++it) std::remove(it->c_str());
    names_.clear();
  }

 private:
  std::vector<std::string> names_;
};

}  // namespace

TfrmSelectPrinter::TfrmSelectPrinter(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSelectPrinter"));
  setWindowTitle(QStringLiteral("Select the printer"));
  setFont(WindowFont());
  setSizeGripEnabled(false);

  cbPrinters = new QComboBox(this);
  cbPrinters->setObjectName(QStringLiteral("cbPrinters"));
  cbPrinters->setGeometry(136, 5, 273, 21);
  cbPrinters->setEditable(false);
  Label1 = MakeLabel(this, "Label1", QStringLiteral("&Printer"), 96, 8, cbPrinters);
  RightAlign(Label1, 96, 8, 30, 13);

  GroupBox1 = new QGroupBox(QStringLiteral("Print Range"), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(8, 40, 217, 73);
  AllPagesRb = new QRadioButton(QStringLiteral("&All pages"), GroupBox1);
  AllPagesRb->setObjectName(QStringLiteral("AllPagesRb"));
  AllPagesRb->setGeometry(6, 16, 113, 17);
  AllPagesRb->setChecked(true);
  RangeRb = new QRadioButton(QStringLiteral("Pages"), GroupBox1);
  RangeRb->setObjectName(QStringLiteral("RangeRb"));
  RangeRb->setGeometry(118, 12, 83, 17);
  FromEdt = new QLineEdit(GroupBox1);
  FromEdt->setObjectName(QStringLiteral("FromEdt"));
  FromEdt->setGeometry(64, 36, 33, 21);
  FromEdt->setEnabled(false);
  ToEdt = new QLineEdit(GroupBox1);
  ToEdt->setObjectName(QStringLiteral("ToEdt"));
  ToEdt->setGeometry(138, 36, 33, 21);
  ToEdt->setEnabled(false);
  Label2 = MakeLabel(GroupBox1, "Label2", QStringLiteral("&from:"), 16, 38, FromEdt);
  Label3 = MakeLabel(GroupBox1, "Label3", QStringLiteral("&to:"), 104, 38, ToEdt);

  GroupBox2 = new QGroupBox(QStringLiteral("Copies"), this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  GroupBox2->setGeometry(232, 40, 225, 74);
  CopiesSe = new TSpinEdit(GroupBox2);
  CopiesSe->setObjectName(QStringLiteral("CopiesSe"));
  CopiesSe->setGeometry(168, 21, 49, 22);
  CopiesSe->SetMinValue(1);
  CopiesSe->SetMaxValue(99);
  CopiesSe->SetValue(1);
  Label4 = MakeLabel(GroupBox2, "Label4", QStringLiteral("Number of &copies:"), 72, 24, CopiesSe);
  RightAlign(Label4, 72, 24, 86, 13);

  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  for (const char* name : kPaperNames) ComboBox1->addItem(QString::fromLatin1(name));
  ComboBox1->setGeometry(16, 139, 121, 21);
  Label5 = MakeLabel(this, "Label5", QStringLiteral("Paperselection"), 32, 120, ComboBox1);
  ComboBox1->lineEdit()->setAccessibleName(Label5->text());  // the typing field inside it too

  BitBtn3 = new QPushButton(QIcon(QStringLiteral(":/broodlog/glyphs/retry.xpm")), QStringLiteral("&Default"), this);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  BitBtn1 = new QPushButton(QIcon(QStringLiteral(":/broodlog/glyphs/check.xpm")), QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn2 = new QPushButton(QIcon(QStringLiteral(":/broodlog/glyphs/cross.xpm")), QStringLiteral("Cancel"), this);
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
  StatusLbl->raise();

  // Tab order: printer, OK, Cancel, Default, the range, the copies, the paper.
  QWidget* order[] = {cbPrinters, BitBtn1, BitBtn2, BitBtn3, AllPagesRb, RangeRb, FromEdt, ToEdt,
                      CopiesSe, ComboBox1};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(cbPrinters, qOverload<int>(&QComboBox::activated), this,
          [this] { TApplication::Guarded([this] { cbPrintersChange(); }); });
  connect(AllPagesRb, &QRadioButton::clicked, this, [this] { AllPagesRbClick(); });
  connect(RangeRb, &QRadioButton::clicked, this, [this] { AllPagesRbClick(); });
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
  PlaceBottomRow();
}

void TfrmSelectPrinter::PlaceBottomRow() {
  const int dy = height() - kClientHeight;
  BitBtn3->setGeometry(160, kButtonTop + dy, 85, 25);
  BitBtn1->setGeometry(252, kButtonTop + dy, 85, 25);
  BitBtn2->setGeometry(344, kButtonTop + dy, 85, 25);
  Bevel1->setGeometry(0, kBevelTop + dy, width(), 20);
  StatusLbl->setGeometry(4, kStatusTop + dy, std::max(0, width() - 8), 13);
}

void TfrmSelectPrinter::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  try {
    FormShow();
  } catch (const std::exception& error) {
    // Without the printer list there is nothing to choose from: the dialog
    // goes as cancelled, and the message is shown.
    TApplication::ShowException(error);
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
  }
}

void TfrmSelectPrinter::FormShow() {
  StatusLbl->setText(QString::fromLatin1(kPleaseWait));
  PlatformPrinter = MakePlatformPrinter();
  if (CopyCount < 1) CopyCount = 1;
  CopiesSe->SetValue(CopyCount);
  cbPrinters->clear();
  for (const std::string& name : PlatformPrinter->Printers()) cbPrinters->addItem(QString::fromStdString(name));
  cbPrinters->setCurrentIndex(StartPrinterIndex);
  const int pages = ReportPrinter ? ReportPrinter->PageCount() : 0;
  AllPagesRb->setText(QString::fromLatin1(kAllPrefix) + QString::number(pages) + QString::fromLatin1(kPagesSuffix));
  FromEdt->setText(QStringLiteral("1"));
  ToEdt->setText(QString::number(pages));
  TApplication::ProcessMessages();
  cbPrintersChange();
}

void TfrmSelectPrinter::FormDestroy() { PlatformPrinter.reset(); }

void TfrmSelectPrinter::cbPrintersChange() {
  if (cbPrinters->count() == 0) {
    // The copies test would only test the lack of a device.
    StatusLbl->setText(QString::fromLatin1(kNoPrinter));
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
    StatusLbl->setText(QString::fromLatin1(r.Copies() >= 2 ? kSupportsCopies : kNoCopies));
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
    QLineEdit* field = ReadsAsNumber(FromEdt) ? ToEdt : FromEdt;
    field->setFocus();
    field->selectAll();
    return;
  }
  accept();
}

int TfrmSelectPrinter::SelectedPaperItem() const {
  return ComboBox1->findText(ComboBox1->currentText(), Qt::MatchFixedString);
}

void RunPrintJob(TReportPrinter& printer, TCustomReport* report,
                 const std::function<int(TfrmSelectPrinter&)>& run) {
  TReportPrinter& r = printer;
  TfrmSelectPrinter dialog;
  dialog.ReportPrinter = &r;
  dialog.StartPrinterIndex = r.PrinterIndex();
  if (report != nullptr) {
    const int paper = static_cast<int>(report->Page().PaperSize());
    dialog.ComboBox1->setCurrentIndex(paper);
    dialog.ComboBox1->setEditText(dialog.ComboBox1->itemText(paper));
  }
  const int result = run ? run(dialog) : dialog.exec();
  if (result != QDialog::Accepted) return;
  // The dialog found no printer to offer: nothing to print on.
  if (dialog.cbPrinters->count() == 0) return;

  const int chosen = dialog.cbPrinters->currentIndex();
  r.SetPrinterIndex(chosen);
  // The chosen paper is the print's: the sheet keeps its own page, and is
  // scaled to fit a paper it does not fit on. A text of the user's own
  // leaves the paper as it was.
  const std::optional<TPaperSize> paper = PaperSizeFromOrdinal(dialog.SelectedPaperItem());
  if (report != nullptr && paper) report->PrinterSettings().PrintPaper = *paper;

  auto* master = dynamic_cast<TCustomReport*>(r.Master());
  if (dialog.FromPage <= 0 && master != nullptr) {
    // The whole report: the master generates it again on the chosen printer.
    master->PrinterSettings().PrinterIndex = chosen;
    const int n = dialog.CopyCount;
    bool able = true;
    if (n >= 2) {
      r.SetCopies(n);
      able = r.Copies() != 1;
    }
    if (!able) {
      for (int i = 0; i < n; ++i) r.Print();
    } else {
      master->PrinterSettings().Copies = n;
      r.Print();
    }
    return;
  }

  // A range: the previewed pages go through saved reports into a report
  // printer of their own.
  TTempFiles files;
  const std::string t1 = files.Make();
  const std::string t2 = files.Make();
  const std::string t3 = files.Make();
  r.Save(t1);
  ExtractPages(t1, t2, dialog.FromPage, dialog.ToPage);
  TReportPrinter p;
  // The spooler may have gone since the dialog listed its printers.
  if (!p.PrintersAvailable()) throw EReportError(kNoPrinterLeft);
  p.SetPrinterIndex(chosen);
  if (dialog.CopyCount < 2) {
    p.Load(t2);
  } else {
    const std::vector<std::string> list(size_t(dialog.CopyCount), t2);
    JoinReports(t3, &list);
    p.Load(t3);
  }
  // The printer reads the pages through the file it opened.
  files.DropAll();
  if (p.PageCount() == 0) {
    const int pages = r.PageCount();
    throw EReportError("Pages " + std::to_string(dialog.FromPage) + " to " + std::to_string(dialog.ToPage) +
                       " are not in the report, which has " + std::to_string(pages) +
                       (pages == 1 ? " page" : " pages") + ": nothing was printed");
  }
  // The copies are in the file already; the job asks for one.
  p.SetCopies(1);
  if (paper) p.SetDevicePaper(*paper);
  p.SetTitle(r.Title());
  p.Print();
}
