#pragma once

#include <array>
#include <string>
#include <vector>

#include "report/angled_label.h"
#include "report/report.h"
#include "report/report_label.h"

// The record sheet: one landscape A4 page with the apiary name and date in
// the header, 21 column headings (most written top to bottom), 30 ruled rows
// and 20 vertical rules. It holds the report definition only; it is never
// shown. The components are owned in the order the preview handler visits
// them: the report, the detail band, the rules, the 21 headings, the page
// header band and its four labels.
class TFormBroodlog : public TControl {
 public:
  // Lengths of the definition are given in layout units of 1/96 inch.
  static constexpr long double kStoredPerUnit = kStoredPerInch / 96.0L;
  static constexpr int kHeadingCount = 21;

  // The sheet on the services of `context`.
  explicit TFormBroodlog(TReportContext& context);
  ~TFormBroodlog() override;

  TReport* Report;
  TBand* DetailBand1;
  std::array<TReportShape*, 51> RptShapes;  // RptShape5 .. RptShape55
  // The headings in component order (RptAngledLabel1 .. 10, 12, 13, 14, 15,
  // 16, 21, 26, 17, 11, 18, 19); each one's tag is its caption index.
  std::array<TAngledLabel*, kHeadingCount> Headings;
  TBand* PageHeaderBand1;
  TReportLabel* RptLabel1;  // the apiary name
  TSysData* RptSysData1;    // the date
  TReportLabel* RptLabel2;  // "Apiary :"
  TReportLabel* RptLabel3;  // "Date :"

  // The heading whose tag is `tag`, or null.
  TAngledLabel* HeadingByTag(int tag) const;
  // Sets the apiary name shown after "Apiary :" (cut where it would reach
  // "Date :", see FitTexts). Print jobs are named after the sheet, "Record
  // sheet – " and the whole name (or "Record sheet" alone), unless the
  // report has a title of its own.
  void SetApiaryName(const std::string& name);
  // Keeps the sheet readable whatever its texts: a header caption wider
  // than its place (a translation) pushes the name right or moves "Date :"
  // left, so the date keeps its place; a heading written across that is
  // wider than its place moves left within its column. When printed, the
  // name is cut, ending in "…", where it would reach "Date :", and such a
  // heading where it would reach its column's rule, measured as the
  // printer sets type; captions stay whole. Texts that fit keep the
  // definition's places. Runs with SetApiaryName; run it again after
  // changing a heading.
  void FitTexts();

  // `source` in the user's language (the report context's translator);
  // named so for the translation tools, as Qt's translate is.
  std::string TranslatedText(const char* context, const char* source) const {
    return Report->Context().Translate(context, source);
  }

 private:
  std::string job_title_;  // the report title SetApiaryName last gave
  // Layout units the name and each heading may take when printed (0: any).
  double name_room_ = 0;
  std::array<double, kHeadingCount> heading_rooms_{};
};

// The design texts of the 21 headings by caption index, in English; the
// sheet shows them translated (TranslatedText, context "TFormBroodlog").
extern const std::array<const char*, TFormBroodlog::kHeadingCount> kSheetDesignCaptions;
