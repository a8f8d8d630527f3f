#include "widgets/print_progress.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "output/engine_context.h"
#include "output/report_printer.h"

namespace {

class PrintProgressForm : public ::testing::Test {
 protected:
  THeadlessEngineContext context_;
};

TMessage Progress() {
  TMessage m;
  m.offset = MsgProgressUpdate;
  return m;
}

TEST_F(PrintProgressForm, IsAnAlwaysOnTopWindowWithABarATextAndCancel) {
  TReportPrinter printer(context_);
  TPrintProgressForm form(printer);
  EXPECT_EQ(form.windowTitle(), "Printing progress");
  EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(form.ProgressBar->minimum(), 0);
  EXPECT_EQ(form.ProgressBar->maximum(), 100);
  EXPECT_EQ(form.CancelBtn->text(), "Cancel");
}

TEST_F(PrintProgressForm, MovesOnMultiplesOfFiveOnly) {
  TReportPrinter printer(context_);
  TPrintProgressForm form(printer);
  struct Step {
    int progress;
    int bar;
    const char* text;
  } steps[] = {{0, 0, "0%  Completed"}, {3, 0, "0%  Completed"}, {45, 45, "45%  Completed"},
               {47, 45, "45%  Completed"}, {100, 100, "100%  Completed"}};
  for (const Step& s : steps) {
    printer.SetProgress(s.progress);
    TMessage m = Progress();
    form.HandleMessage(m);
    EXPECT_EQ(form.ProgressBar->value(), s.bar) << s.progress;
    EXPECT_EQ(form.ProgressLbl->text(), s.text) << s.progress;
  }
}

TEST_F(PrintProgressForm, CancelCancelsTheReportPrinter) {
  TReportPrinter printer(context_);
  TPrintProgressForm form(printer);
  EXPECT_FALSE(printer.Cancelled());
  form.CancelBtn->click();
  EXPECT_TRUE(printer.Cancelled());
}

TEST_F(PrintProgressForm, ForgetsThePrinterWhenItGoes) {
  auto printer = std::make_unique<TReportPrinter>(context_);
  TPrintProgressForm form(*printer);
  printer->SetClient(&form);
  printer.reset();
  EXPECT_EQ(form.Printer(), nullptr);
  TMessage m = Progress();
  form.HandleMessage(m);  // nothing to read any more
  form.CancelBtn->click();
  EXPECT_EQ(form.ProgressBar->value(), 0);
}

}  // namespace
