#include "app/broodlog_form.h"

namespace {

constexpr long double U = TFormBroodlog::kStoredPerUnit;

// Heading table: component name, tag, angle, left, top, width, height, in
// component order.
struct THeadingDef {
  const char* name;
  int tag, angle, left, top, width, height;
};
constexpr THeadingDef kHeadings[TFormBroodlog::kHeadingCount] = {
    {"RptAngledLabel1", 0, 270, 16, 6, 14, 46},    {"RptAngledLabel2", 9, 270, 246, 6, 14, 50},
    {"RptAngledLabel3", 8, 270, 224, 6, 14, 72},   {"RptAngledLabel4", 7, 270, 200, 6, 14, 61},
    {"RptAngledLabel5", 6, 270, 176, 6, 14, 81},   {"RptAngledLabel6", 5, 270, 152, 6, 14, 87},
    {"RptAngledLabel7", 4, 270, 127, 6, 14, 75},   {"RptAngledLabel8", 3, 270, 96, 6, 14, 61},
    {"RptAngledLabel9", 2, 270, 70, 6, 14, 80},    {"RptAngledLabel10", 1, 270, 47, 6, 14, 89},
    {"RptAngledLabel12", 14, 270, 649, 6, 14, 31}, {"RptAngledLabel13", 13, 0, 512, 49, 90, 14},
    {"RptAngledLabel14", 12, 0, 367, 49, 39, 14},  {"RptAngledLabel15", 11, 270, 295, 6, 14, 63},
    {"RptAngledLabel16", 10, 270, 271, 6, 14, 33}, {"RptAngledLabel21", 20, 0, 904, 49, 39, 14},
    {"RptAngledLabel26", 17, 270, 720, 6, 14, 31}, {"RptAngledLabel17", 16, 270, 696, 6, 14, 31},
    {"RptAngledLabel11", 15, 270, 671, 6, 14, 31}, {"RptAngledLabel18", 18, 270, 744, 6, 14, 31},
    {"RptAngledLabel19", 19, 270, 768, 6, 14, 31},
};

constexpr int kVerticalRuleLefts[20] = {40,  64,  88,  120, 144, 168, 192, 216, 240, 264,
                                        288, 312, 472, 640, 664, 688, 712, 736, 760, 784};

TFont SheetFont(int points, std::uint8_t charset) {
  TFont font;
  font.SetName("Arial");
  font.SetSize(points);
  font.SetColor(colors::WindowText);
  font.SetCharset(charset);
  return font;
}

// Places an element by its layout units (1/96 inch), whatever the unit
// environment's screen resolution.
void Place(TPrintable& element, int left, int top, int width, int height) {
  TPrintableSize& size = element.Size();
  const TReportUnit unit = size.Units();
  size.SetUnits(TReportUnit::Native);
  size.SetWidth(width * U);
  size.SetHeight(height * U);
  size.SetTop(top * U);
  size.SetLeft(left * U);
  size.SetUnits(unit);
}

void SetBandSize(TBand& band, int width, int height) {
  TBandSize& size = band.Size();
  const TReportUnit unit = size.Units();
  size.SetUnits(TReportUnit::Native);
  size.SetWidth(width * U);
  size.SetHeight(height * U);
  size.SetUnits(unit);
}

}  // namespace

const std::array<const char*, TFormBroodlog::kHeadingCount> kSheetDesignCaptions = {
    "Date/hive",    "Revised the brood", "+- boxes/frames", "bee strenght",
    "Swarming (1-5)", "Aggressivity (1-5)", "Steadiness (1-5)", "Diseas (1-5)",
    "Honey harvest", "feed given",        "Varroa",          "Varroa count",
    "Disease",      "Medicine/treatment", "extra1",          "extra2",
    "extra3",       "extra4",            "extra4",          "extra4",
    "remarks"};

TFormBroodlog::TFormBroodlog(TReportContext& context) {
  SetName("FormBroodlog");
  // The report and its page: A4 landscape, 10 mm margins all round.
  Report = &CreateComponent<TReport>(context);
  Report->SetName("Report");
  Report->SetFont(SheetFont(10, 1));
  TPageSetup& page = Report->Page();
  page.SetPaperSize(TPaperSize::A4);
  page.SetOrientation(TPrinterOrientation::poLandscape);
  page.SetColumns(1);
  {
    const TReportUnit unit = page.Units();
    page.SetUnits(TReportUnit::Native);
    page.SetBottomMargin(100);
    page.SetTopMargin(100);
    page.SetLeftMargin(100);
    page.SetRightMargin(100);
    page.SetColumnSpace(0);
    page.SetUnits(unit);
  }
  Report->SetZoom(100);
  Report->Options() = TReportOptions{true, true, false};
  Report->SetPrintIfEmpty(true);
  Report->PrinterSettings() = TReportPrintSettings{};

  DetailBand1 = &CreateComponent<TBand>(context, TBandType::rbDetail);
  DetailBand1->SetName("DetailBand1");
  DetailBand1->SetFont(SheetFont(8, 0));
  SetBandSize(*DetailBand1, 1047, 716);
  DetailBand1->SetParent(Report);

  for (int i = 0; i < 51; ++i) {
    TReportShape& rule = CreateComponent<TReportShape>(context);
    rule.SetName("RptShape" + std::to_string(i + 5));
    rule.SetPen(TPen{TPenStyle::Solid, 1, colors::Black});
    rule.SetParent(DetailBand1);
    if (i < 31) {
      rule.SetShape(TShapeType::stHorLine);
      Place(rule, 0, 100 + 20 * i, 1046, 1);
    } else {
      rule.SetShape(TShapeType::stVertLine);
      Place(rule, kVerticalRuleLefts[i - 31], 0, 1, 700);
    }
    RptShapes[i] = &rule;
  }

  for (int i = 0; i < kHeadingCount; ++i) {
    const THeadingDef& def = kHeadings[i];
    TAngledLabel& heading = CreateComponent<TAngledLabel>(context);
    heading.SetName(def.name);
    heading.SetTag(def.tag);
    heading.SetFont(SheetFont(8, def.tag >= 4 && def.tag <= 7 ? 0 : 1));
    heading.SetFontSize(8);
    heading.SetColor(colors::White);
    heading.SetTransparent(false);
    heading.SetAutoSize(true);
    heading.SetAngle(def.angle);
    heading.SetParent(DetailBand1);
    Place(heading, def.left, def.top, def.width, def.height);
    heading.SetCaption(kSheetDesignCaptions[def.tag]);
    Headings[i] = &heading;
  }

  PageHeaderBand1 = &CreateComponent<TBand>(context, TBandType::rbPageHeader);
  PageHeaderBand1->SetName("PageHeaderBand1");
  PageHeaderBand1->Frame().SetDrawBottom(true);
  PageHeaderBand1->Frame().SetColor(colors::Black);
  SetBandSize(*PageHeaderBand1, 1047, 27);
  PageHeaderBand1->SetParent(Report);

  auto headerLabel = [&](auto& label, const char* name, int left, int width) {
    label.SetName(name);
    label.SetFontSize(10);
    label.SetColor(colors::White);
    label.SetTransparent(false);
    label.SetAutoSize(true);
    label.SetAlignment(TAlignment::taLeftJustify);
    label.SetAlignToBand(false);
    label.SetParent(PageHeaderBand1);
    Place(label, left, 8, width, 17);
  };
  RptLabel1 = &CreateComponent<TReportLabel>(context);
  headerLabel(*RptLabel1, "RptLabel1", 77, 58);
  RptLabel1->SetCaption("RptLabel1");
  RptSysData1 = &CreateComponent<TSysData>(context);
  headerLabel(*RptSysData1, "RptSysData1", 893, 36);
  RptSysData1->SetData(TSysDataType::sdDate);
  RptLabel2 = &CreateComponent<TReportLabel>(context);
  headerLabel(*RptLabel2, "RptLabel2", 16, 46);
  RptLabel2->SetCaption("Apiary :");
  RptLabel3 = &CreateComponent<TReportLabel>(context);
  headerLabel(*RptLabel3, "RptLabel3", 849, 36);
  RptLabel3->SetCaption("Date :");
  for (TReportLabel* label : {RptLabel1, RptLabel2, RptLabel3}) {
    label->SetWordWrap(true);
    label->SetAutoStretch(false);
  }
  Report->SetUnits(TReportUnit::MM);
}

TFormBroodlog::~TFormBroodlog() { DestroyComponents(); }

void TFormBroodlog::SetApiaryName(const std::string& name) {
  RptLabel1->SetCaption(name);
  // A queue lists jobs by title: the sheet's name is what a user knows it by.
  if (!Report->ReportTitle().empty() && Report->ReportTitle() != job_title_) return;
  job_title_ = name.empty() ? "Record sheet" : "Record sheet \u2013 " + name;
  Report->SetReportTitle(job_title_);
}

TAngledLabel* TFormBroodlog::HeadingByTag(int tag) const {
  for (TAngledLabel* heading : Headings)
    if (heading->Tag() == tag) return heading;
  return nullptr;
}
