#include "app/print_note.h"

#include <QPointer>
#include <memory>

#include "sheet/broodlog_form.h"
#include "app/caption_file.h"
#include "app/globals.h"
#include "app/preview_form.h"
#include "app/sheet_captions.h"
#include "widgets/report_preview.h"

TfrmPreview* ShowSheetPreview(TFormBroodlog& form, TCaptionList& captions, TReportPrinter& sender) {
  captions = TCaptionList();
  ApplySheetTexts(form, captions, QString::fromLatin1(kCaptionFileName), ApiaryName());
  auto* window = new TfrmPreview(nullptr);
  window->SetReportPrinter(&sender);
  window->SetReport(form.Report);
  window->show();
  return window;
}

void PrintNote(TReportContext& context) {
  // The sheet, its caption list and its preview window live for this flow.
  auto form = std::make_unique<TFormBroodlog>(context);
  auto captions = std::make_unique<TCaptionList>();
  QPointer<TfrmPreview> preview;
  form->Report->OnPreview = [&](TReportPrinter& sender) { preview = ShowSheetPreview(*form, *captions, sender); };
  // The preview window goes before the sheet on every way out, so it never
  // reaches the sheet's printer once the sheet is gone: the wait ends when
  // the window closes, or when the program ends with the window still open.
  struct TRelease {
    QPointer<TfrmPreview>& preview;
    std::unique_ptr<TFormBroodlog>& form;
    ~TRelease() {
      delete preview.data();
      form.reset();
    }
  } release{preview, form};
  form->Report->Preview();
}
