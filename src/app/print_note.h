#pragma once

#include <QString>

class TCaptionList;
class TFormBroodlog;
class TReportContext;
class TReportPrinter;
class TfrmPreview;

// "print note": makes the record sheet for ApiaryName() on `context`'s
// services, opens its preview window and waits, with the program still
// usable, until that window has closed or the program ends; then releases
// the sheet. A second call while one waits nests a second flow.
void PrintNote(TReportContext& context);

// The sheet's preview handler: loads the caption file into `captions` (the
// sheet's caption list, which lives as long as the sheet), fills in the
// headings and the apiary name, then opens the preview window on `sender`
// without waiting. Returns the window.
TfrmPreview* ShowSheetPreview(TFormBroodlog& form, TCaptionList& captions, TReportPrinter& sender);
