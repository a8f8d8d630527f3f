#pragma once

#include <QString>

class TFormBroodlog;
class TReportPrinter;
class TfrmPreview;

// "print note": makes the record sheet for ApiaryName(), opens its preview
// window and waits, with the program still usable, until that window has
// closed or the program ends; then releases the sheet. A second call while
// one waits nests a second flow.
void PrintNote();

// The sheet's preview handler: fills in the headings from the caption file
// and the apiary name, then opens the preview window on `sender` without
// waiting. Returns the window.
TfrmPreview* ShowSheetPreview(TFormBroodlog& form, TReportPrinter& sender);

// The sheet's close handler: releases the caption list the last preview made.
void FormClose();
