#pragma once

#include <QString>

class TCaptionList;
class TFormBroodlog;

// The record sheet's preview step: loads the caption file into `list` and
// gives each heading, in the form's component order, the entry whose index
// is its tag; the first failure (no file, an index beyond the list) ends
// the walk silently. Then sets the apiary name. Returns the headings set.
int ApplySheetTexts(TFormBroodlog& form, TCaptionList& list, const QString& captionFile,
                    const QString& apiaryName);
