#include "app/sheet_captions.h"

#include "sheet/broodlog_form.h"
#include "app/caption_file.h"

int ApplySheetTexts(TFormBroodlog& form, TCaptionList& list, const QString& captionFile,
                    const QString& apiaryName) {
  std::vector<int> order;
  for (const TAngledLabel* heading : form.Headings) order.push_back(static_cast<int>(heading->Tag()));
  // A heading is read no further than the sheet draws it.
  const int applied = LoadAndApplyCaptions(
      list, captionFile, order, [&](int tag, const QString& text) { form.HeadingByTag(tag)->SetCaption(text.toStdString()); },
      kSheetHeadingChars);
  form.SetApiaryName(apiaryName.toStdString());
  return applied;
}
