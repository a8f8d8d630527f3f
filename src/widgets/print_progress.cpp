#include "widgets/print_progress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "platform/application.h"
#include "platform/fonts.h"

TPrintProgressForm::TPrintProgressForm(TReportPrinter& printer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint), printer_(&printer) {
  setObjectName(QStringLiteral("ProgressForm"));
  setWindowTitle(tr("Printing progress"));
  setFont(WindowFont());
  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);
  ProgressBar->setGeometry(16, 16, 273, 17);
  ProgressLbl = new QLabel(this);
  ProgressLbl->setObjectName(QStringLiteral("ProgressLbl"));
  ProgressLbl->setGeometry(16, 40, 273, 16);
  CancelBtn = new QPushButton(tr("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setGeometry(115, 64, 75, 25);
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  setFixedSize(305, 100);
  if (const QScreen* s = screen()) {
    const QRect area = s->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
}

TPrintProgressForm::~TPrintProgressForm() = default;

void TPrintProgressForm::HandleMessage(TMessage& message) {
  if (message.offset != MsgProgressUpdate || printer_ == nullptr) return;
  const int progress = printer_->Progress();
  if (progress % 5 != 0) return;
  ProgressBar->setValue(std::clamp(progress, 0, 100));
  ProgressLbl->setText(tr("%1%  Completed").arg(progress));
  TApplication::ProcessMessages();
}

void TPrintProgressForm::PrinterDestroyed(TReportPrinter& printer) {
  if (printer_ == &printer) printer_ = nullptr;
}

void TPrintProgressForm::CancelBtnClick() {
  if (printer_ != nullptr) printer_->Cancel();
}

TProgressWindowMaker PrintProgressWindowMaker() {
  return [](TReportPrinter& printer, bool show) -> std::unique_ptr<TReportPrinterClient> {
    auto form = std::make_unique<TPrintProgressForm>(printer);
    if (show) form->show();
    return form;
  };
}
