// The printer dialog and the print job on test printers: a queue that makes
// copies ("Capable"), one that does not ("Plain"), the default being the
// second.
#include "app/select_printer.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>

#include "sheet/broodlog_form.h"
#include "../output/test_support.h"
#include "fake_platform_printer.h"
#include "report/report.h"
#include "output/report_printer.h"
#include "platform/application.h"
#include "captured_errors.h"
#include "platform/engine_services.h"
#include "widgets/spin.h"
#include "controls.h"

namespace {

// The dialog with its controls, fields and handlers in the tests' reach.
class TOpenSelectPrinter : public TfrmSelectPrinter {
 public:
  using TfrmSelectPrinter::TfrmSelectPrinter;
  // Shown for the pages of `printer`, starting on printer `start`.
  TOpenSelectPrinter(TEngineContext& context, TReportPrinter* printer, int start) : TfrmSelectPrinter(context) {
    SetReportPrinter(printer, start);
    show();
  }
  using TfrmSelectPrinter::AllPagesRb, TfrmSelectPrinter::AllPagesRbClick, TfrmSelectPrinter::Bevel1,
      TfrmSelectPrinter::BitBtn1, TfrmSelectPrinter::BitBtn1Click, TfrmSelectPrinter::BitBtn2,
      TfrmSelectPrinter::BitBtn3, TfrmSelectPrinter::cbPrinters, TfrmSelectPrinter::cbPrintersChange,
      TfrmSelectPrinter::ComboBox1, TfrmSelectPrinter::CopiesSe, TfrmSelectPrinter::CopyCount,
      TfrmSelectPrinter::FromEdt, TfrmSelectPrinter::FromPage, TfrmSelectPrinter::GroupBox1,
      TfrmSelectPrinter::GroupBox2, TfrmSelectPrinter::Label1, TfrmSelectPrinter::Label2, TfrmSelectPrinter::Label3,
      TfrmSelectPrinter::Label4, TfrmSelectPrinter::Label5, TfrmSelectPrinter::PlatformPrinter,
      TfrmSelectPrinter::RangeRb, TfrmSelectPrinter::StatusLbl, TfrmSelectPrinter::ToEdt, TfrmSelectPrinter::ToPage;
};

class SelectPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseQueues({CapableQueue("Capable"), PlainQueue("Plain")}, 1);
  }
  void UseQueues(std::vector<TFakePlatformPrinter::TQueue> queues, int defaultIndex) {
    services_.Context().SetPrinters([this, queues, defaultIndex] {
      return std::make_unique<TFakePlatformPrinter>(queues, defaultIndex, 600, &jobs_);
    });
  }
  // A report printer holding `pages` finished pages.
  std::unique_ptr<TReportPrinter> PrinterWithPages(int pages) {
    auto p = std::make_unique<TReportPrinter>(services_.Context());
    p->BeginDoc();
    for (int i = 0; i < pages; ++i) {
      p->NewPage();
      p->Canvas().MoveTo(10 * i, 0);
      p->Canvas().LineTo(10 * i, 50);
    }
    p->EndDoc();
    return p;
  }

  TEngineServices services_;
  std::vector<TFakeJob> jobs_;
  CapturedErrors shown_;
  QStringList& messages_ = shown_.messages;
};

TEST_F(SelectPrinterTest, ControlsSitAtTheirBoundsWithTheirTexts) {
  TOpenSelectPrinter d(services_.Context());
  EXPECT_EQ(d.windowTitle(), "Select the printer");
  EXPECT_EQ(d.size(), QSize(485, 190));
  struct Case {
    QWidget* w;
    QRect bounds;
  } cases[] = {{d.cbPrinters, {136, 5, 273, 21}},  {d.GroupBox1, {8, 40, 217, 73}},
               {d.AllPagesRb, {6, 16, 113, 17}},   {d.RangeRb, {118, 12, 83, 17}},
               {d.FromEdt, {64, 36, 33, 21}},      {d.ToEdt, {138, 36, 33, 21}},
               {d.GroupBox2, {232, 40, 225, 74}},  {d.CopiesSe, {168, 21, 49, 22}},
               {d.ComboBox1, {16, 139, 121, 21}},  {d.BitBtn3, {160, 139, 85, 25}},
               {d.BitBtn1, {252, 139, 85, 25}},    {d.BitBtn2, {344, 139, 85, 25}},
               {d.Bevel1, {0, 170, 485, 20}}};
  for (const Case& c : cases) EXPECT_EQ(c.w->geometry(), c.bounds) << c.w->objectName().toStdString();
  EXPECT_EQ(d.Label2->pos(), QPoint(16, 38));
  EXPECT_EQ(d.Label3->pos(), QPoint(104, 38));
  EXPECT_EQ(d.Label5->pos(), QPoint(32, 120));
  EXPECT_EQ(d.StatusLbl->pos(), QPoint(4, 176));
  EXPECT_EQ(d.Label1->text(), "&Printer");
  EXPECT_EQ(d.Label1->buddy(), d.cbPrinters);
  EXPECT_EQ(d.Label2->buddy(), d.FromEdt);
  EXPECT_EQ(d.Label3->buddy(), d.ToEdt);
  EXPECT_EQ(d.Label4->buddy(), d.CopiesSe);
  EXPECT_EQ(d.Label4->text(), "Number of &copies:");
  EXPECT_EQ(d.GroupBox1->title(), "Print Range");
  EXPECT_EQ(d.GroupBox2->title(), "Copies");
  EXPECT_EQ(d.BitBtn3->text(), "&Default");
  EXPECT_EQ(d.BitBtn1->text(), "OK");
  EXPECT_EQ(d.BitBtn2->text(), "Cancel");
  EXPECT_TRUE(d.BitBtn1->isDefault());
  EXPECT_TRUE(d.AllPagesRb->isChecked());
  EXPECT_FALSE(d.FromEdt->isEnabled());
  EXPECT_FALSE(d.ToEdt->isEnabled());
  EXPECT_EQ(d.CopiesSe->MinValue(), 1);
  EXPECT_EQ(d.CopiesSe->MaxValue(), 99);
  EXPECT_EQ(d.CopiesSe->Value(), 1);
  EXPECT_EQ(d.CopyCount, 0);
}

TEST_F(SelectPrinterTest, PaperListHoldsTheTwentyEightNamesInSizeOrder) {
  TOpenSelectPrinter d(services_.Context());
  ASSERT_EQ(d.ComboBox1->count(), 28);
  EXPECT_TRUE(d.ComboBox1->isEditable());
  EXPECT_EQ(d.ComboBox1->itemText(0), "Default");
  EXPECT_EQ(d.ComboBox1->itemText(1), "letter");
  EXPECT_EQ(d.ComboBox1->itemText(9), "A4");
  EXPECT_EQ(d.ComboBox1->itemText(16), "10X14");
  EXPECT_EQ(d.ComboBox1->itemText(27), "Custom");
  QStringList all;
  for (int i = 0; i < 28; ++i) all << d.ComboBox1->itemText(i);
  EXPECT_EQ(all.join(','),
            "Default,letter,LetterSmall,Tabloid,Ledger,Legal,Statement,Executive,A3,A4,A4Small,A5,B4,B5,"
            "Folio,Quarto,10X14,11X17,Note,Env9,Env10,Env11,Env12,Env14,CSheet,DSheet,ESheet,Custom");
}

TEST_F(SelectPrinterTest, TabGoesPrinterOkCancelDefaultRangeCopiesPaper) {
  TOpenSelectPrinter d(services_.Context());
  d.RangeRb->setChecked(true);
  d.AllPagesRbClick();  // the page fields take the focus only when enabled
  std::vector<QWidget*> chain;
  QWidget* w = d.cbPrinters;
  do {
    if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w);
    w = w->nextInFocusChain();
  } while (w != d.cbPrinters && chain.size() < 40);
  std::vector<QWidget*> expected{d.cbPrinters, d.BitBtn1, d.BitBtn2,  d.BitBtn3,  d.AllPagesRb,
                                 d.RangeRb,    d.FromEdt, d.ToEdt,    d.CopiesSe, d.ComboBox1};
  // Children of the controls (the combo box's editor) may follow their
  // owner; only the order of the dialog's own controls counts.
  std::vector<QWidget*> own;
  for (QWidget* c : chain)
    if (std::find(expected.begin(), expected.end(), c) != expected.end()) own.push_back(c);
  EXPECT_EQ(own, expected);
}

TEST_F(SelectPrinterTest, ShowFillsTheFieldsAndTestsThePrinter) {
  auto r = PrinterWithPages(3);
  TOpenSelectPrinter d(services_.Context(), r.get(), 0);
  EXPECT_EQ(d.cbPrinters->count(), 2);
  EXPECT_EQ(d.cbPrinters->itemText(0), "Capable");
  EXPECT_EQ(d.cbPrinters->currentIndex(), 0);
  EXPECT_EQ(d.AllPagesRb->text(), "All 3 pages");
  EXPECT_EQ(d.FromEdt->text(), "1");
  EXPECT_EQ(d.ToEdt->text(), "3");
  EXPECT_EQ(d.CopiesSe->Value(), 1);
  EXPECT_EQ(d.CopyCount, 1);
  EXPECT_EQ(d.StatusLbl->text(), "Printer supports multiple copies");
  ASSERT_NE(d.PlatformPrinter, nullptr);
}

TEST_F(SelectPrinterTest, TheCopiesTestSaysWhatThePrinterDoesAndLeavesTheReportPrinterAsItWas) {
  auto r = PrinterWithPages(1);
  r->SetPrinterIndex(0);
  r->SetCopies(4);
  TOpenSelectPrinter d(services_.Context());
  d.SetReportPrinter(r.get(), 1);
  d.CopyCount = 5;
  d.show();
  EXPECT_EQ(d.CopiesSe->Value(), 5);
  EXPECT_EQ(d.StatusLbl->text(), "Printer does not supports multiple copies");
  EXPECT_EQ(r->PrinterIndex(), 0);
  EXPECT_EQ(r->Copies(), 4);
  d.cbPrinters->setCurrentIndex(0);
  d.cbPrintersChange();
  EXPECT_EQ(d.StatusLbl->text(), "Printer supports multiple copies");
  EXPECT_EQ(r->PrinterIndex(), 0);
  EXPECT_EQ(r->Copies(), 4);
}

TEST_F(SelectPrinterTest, DefaultSelectsTheSystemDefaultPrinterAndTestsIt) {
  auto r = PrinterWithPages(1);
  TOpenSelectPrinter d(services_.Context(), r.get(), 0);
  EXPECT_EQ(d.StatusLbl->text(), "Printer supports multiple copies");
  d.BitBtn3->click();
  EXPECT_EQ(d.cbPrinters->currentIndex(), 1);
  EXPECT_EQ(d.StatusLbl->text(), "Printer does not supports multiple copies");
}

// However "Pages" is chosen: a click, an assistive tool's action (voice
// control and switch access toggle it, they do not click), or the program.
TEST_F(SelectPrinterTest, ThePageFieldsFollowTheRangeButtonHoweverItIsChosen) {
  const std::function<void(QRadioButton*)> ways[] = {
      [](QRadioButton* b) { b->click(); },
      [](QRadioButton* b) {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(b);
        ASSERT_NE(button, nullptr);
        ASSERT_NE(button->actionInterface(), nullptr);
        ASSERT_TRUE(button->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        button->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
      },
      [](QRadioButton* b) { b->setChecked(true); },
  };
  for (std::size_t way = 0; way < std::size(ways); ++way) {
    TOpenSelectPrinter d(services_.Context());
    d.show();
    ways[way](d.RangeRb);
    EXPECT_TRUE(d.RangeRb->isChecked()) << way;
    EXPECT_TRUE(d.FromEdt->isEnabled()) << way;
    EXPECT_TRUE(d.ToEdt->isEnabled()) << way;
    ways[way](d.AllPagesRb);
    EXPECT_FALSE(d.FromEdt->isEnabled()) << way;
    EXPECT_FALSE(d.ToEdt->isEnabled()) << way;
  }
}

// A range whose first page comes after its last says so, and the dialog
// stays open on it; "from" 0 still means the whole report.
TEST_F(SelectPrinterTest, AReversedRangeSaysItIsReversedAndStaysOpen) {
  auto r = PrinterWithPages(3);
  TOpenSelectPrinter d(services_.Context(), r.get(), 0);
  d.RangeRb->click();
  const struct {
    const char *from, *to;
    bool accepted;
  } cases[] = {{"1", "0", false}, {"3", "1", false}, {"0", "0", true}, {"2", "2", true}};
  for (const auto& c : cases) {
    messages_.clear();
    d.show();
    d.setResult(0);
    d.FromEdt->setText(QString::fromLatin1(c.from));
    d.ToEdt->setText(QString::fromLatin1(c.to));
    d.BitBtn1->click();
    EXPECT_EQ(d.result() == QDialog::Accepted, c.accepted) << c.from << " to " << c.to;
    if (c.accepted) {
      EXPECT_TRUE(messages_.isEmpty());
      continue;
    }
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_EQ(messages_[0], QStringLiteral("The page range %1 to %2 is reversed: the first page comes after the last")
                                .arg(c.from, c.to));
  }
}

TEST_F(SelectPrinterTest, APageFieldEmptiesOnAnyNonDigit) {
  TOpenSelectPrinter d(services_.Context());
  struct Case {
    const char* typed;
    const char* left;
  } cases[] = {{"12", "12"}, {"1a", ""}, {"a1", ""}, {" 1", ""}, {"-3", ""}, {"0", "0"}, {"1\xd9\xa3", ""}};
  for (QLineEdit* field : {d.FromEdt, d.ToEdt}) {
    for (const Case& c : cases) {
      field->setText(QString::fromUtf8(c.typed));
      EXPECT_EQ(field->text(), QString::fromUtf8(c.left)) << c.typed;
    }
  }
}

TEST_F(SelectPrinterTest, ButtonsAndStatusStripKeepToTheBottomWhenResized) {
  TOpenSelectPrinter d(services_.Context());
  d.show();
  d.resize(600, 260);
  EXPECT_EQ(d.BitBtn3->geometry(), QRect(160, 209, 85, 25));
  EXPECT_EQ(d.BitBtn1->geometry(), QRect(252, 209, 85, 25));
  EXPECT_EQ(d.BitBtn2->geometry(), QRect(344, 209, 85, 25));
  EXPECT_EQ(d.Bevel1->geometry(), QRect(0, 240, 600, 20));
  EXPECT_EQ(d.StatusLbl->pos(), QPoint(4, 246));
  EXPECT_EQ(d.ComboBox1->geometry(), QRect(16, 139, 121, 21));
}

TEST_F(SelectPrinterTest, OkReadsCopiesAndTheRange) {
  TOpenSelectPrinter d(services_.Context());
  d.CopiesSe->setText(QStringLiteral("7"));
  d.BitBtn1Click();
  EXPECT_EQ(d.CopyCount, 7);
  EXPECT_EQ(d.FromPage, 0);
  EXPECT_EQ(d.ToPage, 0);
  d.RangeRb->click();
  d.FromEdt->setText(QStringLiteral("2"));
  d.ToEdt->setText(QStringLiteral("5"));
  d.CopiesSe->setText(QString());  // reads as the minimum
  d.BitBtn1Click();
  EXPECT_EQ(d.CopyCount, 1);
  EXPECT_EQ(d.FromPage, 2);
  EXPECT_EQ(d.ToPage, 5);
}

TEST_F(SelectPrinterTest, OkWithAnEmptyPageFieldSaysSoAndStaysOpen) {
  auto r = PrinterWithPages(2);
  TOpenSelectPrinter d(services_.Context(), r.get(), 0);
  d.RangeRb->click();
  d.FromEdt->setText(QStringLiteral("x"));  // emptied
  d.BitBtn1->click();
  EXPECT_TRUE(d.isVisible());
  EXPECT_NE(d.result(), QDialog::Accepted);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_EQ(messages_[0], "'' is not a valid integer value");
  d.FromEdt->setText(QStringLiteral("1"));
  d.ToEdt->setText(QString());
  d.BitBtn1->click();
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(messages_.size(), 2);
  d.ToEdt->setText(QStringLiteral("99999999999"));  // digits, but no 32-bit number
  d.BitBtn1->click();
  EXPECT_EQ(messages_.value(2), "'99999999999' is not a valid integer value");
  d.ToEdt->setText(QStringLiteral("2"));
  d.BitBtn1->click();
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.FromPage, 1);
  EXPECT_EQ(d.ToPage, 2);
}

TEST_F(SelectPrinterTest, WithoutPrintersTheDialogSaysSoAndNothingPrints) {
  UseQueues({}, -1);
  auto r = PrinterWithPages(1);
  TfrmSelectPrinter* seen = nullptr;
  RunPrintJob(*r, nullptr, [&](TfrmSelectPrinter& d) {
    seen = &d;
    d.show();
    EXPECT_EQ(Control<QComboBox>(d, "cbPrinters")->count(), 0);
    EXPECT_EQ(Control<QLabel>(d, "StatusLbl")->text(), TfrmSelectPrinter::kNoPrinter);
    EXPECT_FALSE(Control<QPushButton>(d, "BitBtn1")->isEnabled());
    Control<QPushButton>(d, "BitBtn1")->click();  // disabled: nothing happens
    EXPECT_TRUE(d.isVisible());
    return int(QDialog::Accepted);  // even a forced OK prints nothing
  });
  EXPECT_NE(seen, nullptr);
  EXPECT_TRUE(jobs_.empty());
  EXPECT_TRUE(messages_.isEmpty());
}

// The record sheet previewed: the report printer that holds its page, with
// the report as its master.
class PrintJobTest : public SelectPrinterTest {
 protected:
  void SetUp() override {
    SelectPrinterTest::SetUp();
    form_.Report->OnPreview = [](TReportPrinter&) {};
    form_.Report->Preview();
    ASSERT_NE(form_.Report->ReportPrinter(), nullptr);
  }
  TReportPrinter& R() { return *form_.Report->ReportPrinter(); }

  // Runs the print job, choosing in the dialog as a user would, then lets
  // the posted print requests run.
  void Print(int printer, int copies, int from = 0, int to = 0, bool ok = true) {
    RunPrintJob(R(), form_.Report, [&](TfrmSelectPrinter& d) {
      d.show();
      dialog_paper_ = Control<QComboBox>(d, "ComboBox1")->currentText();
      dialog_paper_item_ = Control<QComboBox>(d, "ComboBox1")->currentIndex();
      Control<QComboBox>(d, "cbPrinters")->setCurrentIndex(printer);
      emit Control<QComboBox>(d, "cbPrinters")->activated(printer);
      Control<TSpinEdit>(d, "CopiesSe")->SetValue(copies);
      if (paper_ >= 0) Control<QComboBox>(d, "ComboBox1")->setCurrentIndex(paper_);
      if (from != 0 || to != 0) {
        Control<QRadioButton>(d, "RangeRb")->click();
        Control<QLineEdit>(d, "FromEdt")->setText(QString::number(from));
        Control<QLineEdit>(d, "ToEdt")->setText(QString::number(to));
      }
      (ok ? Control<QPushButton>(d, "BitBtn1") : Control<QPushButton>(d, "BitBtn2"))->click();
      return d.result();
    });
    for (int i = 0; i < 5; ++i) TApplication::ProcessMessages();
  }

  // The extent of the rules drawn on a job's first sheet, device pixels.
  static TRect Rules(const TFakeJob& job) {
    TRect r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (const std::string& line : job.sheets.at(0).lines) {
      int x0, y0, x1, y1;
      if (std::sscanf(line.c_str(), "Line(%d,%d->%d,%d)", &x0, &y0, &x1, &y1) != 4) continue;
      r = {std::min({r.left, x0, x1}), std::min({r.top, y0, y1}), std::max({r.right, x0, x1}),
           std::max({r.bottom, y0, y1})};
    }
    return r;
  }

  TFormBroodlog form_{services_.Context()};
  int paper_ = -1;  // the paper item to choose, or the one preselected
  QString dialog_paper_;
  int dialog_paper_item_ = -1;
};

TEST_F(PrintJobTest, TheDialogOpensOnTheSheetsPaperAndPage) {
  Print(0, 1, 0, 0, /*ok=*/false);
  EXPECT_EQ(dialog_paper_, "A4");
  EXPECT_EQ(dialog_paper_item_, 9);
  EXPECT_TRUE(jobs_.empty());
}

TEST_F(PrintJobTest, APrinterThatMakesCopiesGetsOneJobWithTheCount) {
  Print(0, 3);
  ASSERT_EQ(jobs_.size(), 1u);
  EXPECT_EQ(jobs_[0].mode.copies, 3);
  EXPECT_EQ(jobs_[0].sheets.size(), 1u);
  EXPECT_TRUE(jobs_[0].ended);
  EXPECT_EQ(form_.Report->PrinterSettings().Copies, 3);
  EXPECT_EQ(form_.Report->PrinterSettings().PrinterIndex, 0);
}

TEST_F(PrintJobTest, APrinterWithoutCopiesGetsOneJobPerCopy) {
  Print(1, 3);
  ASSERT_EQ(jobs_.size(), 3u);
  for (const TFakeJob& j : jobs_) {
    EXPECT_EQ(j.mode.copies, 1);
    EXPECT_EQ(j.sheets.size(), 1u);
  }
  EXPECT_EQ(form_.Report->PrinterSettings().Copies, 1);  // left as it was
  EXPECT_EQ(form_.Report->PrinterSettings().PrinterIndex, 1);
}

TEST_F(PrintJobTest, ARangeWithCopiesIsOneJobOfRepeatedPagesAndLeavesNoFiles) {
  test_support::TempDir tmp;
  Print(0, 2, 1, 1);
  ASSERT_EQ(jobs_.size(), 1u);
  EXPECT_EQ(jobs_[0].sheets.size(), 2u);
  EXPECT_EQ(jobs_[0].mode.copies, 1);  // the copies are in the pages
  EXPECT_TRUE(tmp.RptFiles().empty());
}

TEST_F(PrintJobTest, ARangeOutsideTheReportPrintsNothingAndSaysSo) {
  test_support::TempDir tmp;
  try {
    Print(0, 1, 2, 5);
    ADD_FAILURE() << "nothing was printed, and nothing said so";
  } catch (const EReportError& e) {
    EXPECT_STREQ(e.what(), "Pages 2 to 5 are not in the report, which has 1 page: nothing was printed");
  }
  EXPECT_TRUE(jobs_.empty());
  EXPECT_TRUE(tmp.RptFiles().empty());
}

TEST_F(PrintJobTest, AReversedRangePrintsNothingAndSaysItIsReversed) {
  test_support::TempDir tmp;
  Print(0, 1, 1, 0);  // OK refuses: the dialog is left by Cancel
  EXPECT_TRUE(jobs_.empty());
  EXPECT_TRUE(tmp.RptFiles().empty());
  ASSERT_FALSE(messages_.isEmpty());
  EXPECT_TRUE(messages_[0].contains("reversed")) << messages_[0].toStdString();
  EXPECT_FALSE(messages_[0].contains("not in the report"));
}

TEST_F(PrintJobTest, ARangeFromZeroPrintsTheWholeReport) {
  Print(1, 1, 0, 3);
  ASSERT_EQ(jobs_.size(), 1u);
  EXPECT_EQ(jobs_[0].sheets.size(), 1u);
  EXPECT_EQ(form_.Report->PrinterSettings().PrinterIndex, 1);
}

TEST_F(PrintJobTest, CancelPrintsNothingAndChangesNothing) {
  R().SetPrinterIndex(0);
  const TPaperSize paper = form_.Report->Page().PaperSize();
  RunPrintJob(R(), form_.Report, [&](TfrmSelectPrinter& d) {
    d.show();
    Control<QComboBox>(d, "cbPrinters")->setCurrentIndex(1);
    Control<QComboBox>(d, "ComboBox1")->setCurrentIndex(11);
    Control<QPushButton>(d, "BitBtn2")->click();
    return d.result();
  });
  TApplication::ProcessMessages();
  EXPECT_TRUE(jobs_.empty());
  EXPECT_EQ(R().PrinterIndex(), 0);
  EXPECT_EQ(form_.Report->Page().PaperSize(), paper);
}

// The paper is the print's: the sheet keeps its page, so the dialog opens
// on it again.
TEST_F(PrintJobTest, ThePaperChoiceGoesToThePrintAndATypedOneChangesNothing) {
  RunPrintJob(R(), form_.Report, [&](TfrmSelectPrinter& d) {
    d.show();
    Control<QComboBox>(d, "ComboBox1")->setCurrentIndex(11);
    Control<QPushButton>(d, "BitBtn1")->click();
    return d.result();
  });
  EXPECT_EQ(form_.Report->PrinterSettings().PrintPaper, TPaperSize::A5);
  RunPrintJob(R(), form_.Report, [&](TfrmSelectPrinter& d) {
    d.show();
    EXPECT_EQ(Control<QComboBox>(d, "ComboBox1")->currentText(), "A4");
    Control<QComboBox>(d, "ComboBox1")->setEditText(QStringLiteral("my own paper"));
    Control<QPushButton>(d, "BitBtn1")->click();
    return d.result();
  });
  EXPECT_EQ(form_.Report->PrinterSettings().PrintPaper, TPaperSize::A5);
  EXPECT_EQ(form_.Report->Page().PaperSize(), TPaperSize::A4);
  TApplication::ProcessMessages();
}

// The whole report and a range print the same sheet: on A4 at its own
// size, on Letter scaled uniformly into the printable area, centred.
TEST_F(PrintJobTest, BothPathsPutTheSameSheetOnThePaper) {
  // Previewed on a queue that takes the landscape page (the default one
  // declares no orientation, which leaves stored pages portrait).
  UseQueues({CapableQueue("Capable"), PlainQueue("Plain")}, 0);
  form_.SetApiaryName("Hill top");
  form_.Report->Preview();
  const int offset = 100;  // the fake's unprintable margin, px
  struct { int paper, code; } cases[] = {{9, 9}, {1, 1}};
  for (auto c : cases) {
    paper_ = c.paper;
    jobs_.clear();
    Print(0, 1);
    Print(0, 1, 1, 1);
    ASSERT_EQ(jobs_.size(), 2u);
    const TRect whole = Rules(jobs_[0]), range = Rules(jobs_[1]);
    for (const TFakeJob& job : jobs_) {
      EXPECT_EQ(job.mode.paperCode, c.code);
      EXPECT_EQ(job.title, "Record sheet \u2013 Hill top");
    }
    // Within 0.3 mm: the range's page was kept at the screen's resolution.
    for (auto [a, b] : {std::pair{whole.left, range.left}, {whole.right, range.right}, {whole.top, range.top},
                        {whole.bottom, range.bottom}})
      EXPECT_NEAR(a, b, 7) << "paper " << c.paper;
    // Landscape Letter is 6600 x 5100 px at 600 dpi.
    if (c.code == 1) {
      EXPECT_GE(whole.left, 0);
      EXPECT_LE(whole.right, 6600 - 2 * offset);
      // Uniform: the margins left and right of the rules are alike.
      EXPECT_NEAR(whole.left, 6600 - 2 * offset - whole.right, 60);
    }
  }
  paper_ = -1;
}

TEST_F(PrintJobTest, TheWholeReportWithNoPrinterLeftSaysSo) {
  RunPrintJob(R(), form_.Report, [&](TfrmSelectPrinter& d) {
    d.show();
    Control<QPushButton>(d, "BitBtn1")->click();
    UseQueues({}, -1);  // the spooler lost its queues before the report printed
    return d.result();
  });
  for (int i = 0; i < 5; ++i) TApplication::ProcessMessages();
  EXPECT_TRUE(jobs_.empty());
  EXPECT_EQ(messages_, QStringList{"There is no printer to print on any more: nothing was printed"});
}

TEST_F(PrintJobTest, AFailingRangeLeavesNoTemporaryFiles) {
  test_support::TempDir tmp;
  // Pages that were never finished cannot be saved, so the range has no
  // source to be cut from.
  TReportPrinter unfinished(services_.Context());
  EXPECT_THROW(RunPrintJob(unfinished, nullptr,
                           [&](TfrmSelectPrinter& d) {
                             d.show();
                             Control<QRadioButton>(d, "RangeRb")->click();
                             Control<QLineEdit>(d, "FromEdt")->setText(QStringLiteral("1"));
                             Control<QLineEdit>(d, "ToEdt")->setText(QStringLiteral("1"));
                             Control<QPushButton>(d, "BitBtn1")->click();
                             return d.result();
                           }),
               EReportError);
  EXPECT_TRUE(jobs_.empty());
  EXPECT_TRUE(tmp.RptFiles().empty());
}

TEST_F(PrintJobTest, PrintersGoneSinceTheDialogFailPlainlyAndLeaveNoFiles) {
  test_support::TempDir tmp;
  try {
    RunPrintJob(R(), form_.Report, [&](TfrmSelectPrinter& d) {
      d.show();
      Control<QRadioButton>(d, "RangeRb")->click();
      Control<QPushButton>(d, "BitBtn1")->click();
      UseQueues({}, -1);  // the spooler lost its queues meanwhile
      return d.result();
    });
    ADD_FAILURE() << "nothing was printed, and nothing said so";
  } catch (const EReportError& e) {
    EXPECT_STREQ(e.what(), "There is no printer to print on any more: nothing was printed");
  }
  EXPECT_TRUE(jobs_.empty());
  EXPECT_TRUE(tmp.RptFiles().empty());
}

}  // namespace
