#include "sheet/broodlog_form.h"

#include <algorithm>
#include <functional>

#include "report/panel.h"
#include "output/platform_printer.h"
#include "output/report_printer.h"
#include "definition/translation.h"

namespace {

constexpr const char* kContext = "TFormBroodlog";

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

// The header's places (layout units) and the bands' width.
constexpr int kApiaryCaptionLeft = 16, kApiaryNameLeft = 77, kDateCaptionLeft = 849, kDateLeft = 893;
constexpr int kBandWidth = 1047;

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

// Moves an element to `left` layout units, its other bounds kept.
void PlaceLeft(TPrintable& element, int left) {
  TPrintableSize& size = element.Size();
  const TReportUnit unit = size.Units();
  size.SetUnits(TReportUnit::Native);
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

// The distance kept between a header caption and its value where a
// translation or a long name would bring them closer, in layout units.
constexpr int kHeaderGap = 6;
// A heading keeps this far from the rules that bound its column.
constexpr int kRuleGap = 2;

// Width of a text in layout units, measured as the engine measures it on
// the screen. Only places are chosen by it; what is cut is cut as the
// printer sets type (CutForPrint).
double TextUnits(TTextMetrics& metrics, const TFont& font, const std::string& text) {
  const int ppi = metrics.PixelsPerInch();
  // Printers and the screen set type a little differently (font sizes
  // round to whole pixels): a place chosen here must hold the text on any.
  constexpr double kSlack = 1.05;
  return metrics.TextExtent(LogFontFor(font, ppi), text).width * 96.0 / ppi * kSlack;
}

// The text, cut between two characters and ended with an ellipsis, where
// `width` finds it wider than `room`.
std::string Fitted(const std::string& text, double room, const std::function<double(const std::string&)>& width) {
  if (text.empty() || width(text) <= room) return text;
  static const std::string kEllipsis = "\u2026";
  std::vector<std::size_t> starts;  // where each character starts
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  const auto first = [&](std::size_t n) { return text.substr(0, starts[n]); };  // n < starts.size()
  // The most characters that fit with the ellipsis (the whole text did not).
  std::size_t lo = 0, hi = starts.size() - 1;
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (width(first(mid) + kEllipsis) <= room) lo = mid;
    else hi = mid - 1;
  }
  if (lo == 0 && width(kEllipsis) > room) return std::string();
  return first(lo) + kEllipsis;
}

// An element's print handler that cuts its text to `*room` layout units (0:
// no limit) with the printer's own metrics, at the size it prints at.
// The report's printer is the one the page is being made on.
std::function<void(TCustomReportLabel&, std::string&)> CutForPrint(TReport* report, const double* room) {
  return [report, room](TCustomReportLabel& label, std::string& text) {
    TReportPrinter* printer = report->ReportPrinter();
    if (printer == nullptr || *room <= 0) return;
    TTextMetrics& metrics = printer->CanvasMetrics();
    const TLogFont font = LogFontFor(label.Font(), printer->CanvasMetrics().PixelsPerInch());
    const double roomPx = printer->SizeToDeviceX(*room * U);
    text = Fitted(text, roomPx, [&](const std::string& t) { return double(metrics.TextExtent(font, t).width); });
  };
}

}  // namespace

const std::array<const char*, TFormBroodlog::kHeadingCount> kSheetDesignCaptions = {
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Date/hive"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Revised the brood"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "+- boxes/frames"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "bee strenght"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Swarming (1-5)"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Aggressivity (1-5)"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Steadiness (1-5)"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Diseas (1-5)"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Honey harvest"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "feed given"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Varroa"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Varroa count"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Disease"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "Medicine/treatment"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "extra1"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "extra2"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "extra3"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "extra4"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "extra4"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "extra4"),
    RPT_TRANSLATE_NOOP("TFormBroodlog", "remarks")};

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
    heading.SetCaption(TranslatedText(kContext, kSheetDesignCaptions[def.tag]));
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
  headerLabel(*RptLabel1, "RptLabel1", kApiaryNameLeft, 58);
  RptLabel1->SetCaption("RptLabel1");
  RptSysData1 = &CreateComponent<TSysData>(context);
  headerLabel(*RptSysData1, "RptSysData1", kDateLeft, 36);
  RptSysData1->SetData(TSysDataType::sdDate);
  RptLabel2 = &CreateComponent<TReportLabel>(context);
  headerLabel(*RptLabel2, "RptLabel2", kApiaryCaptionLeft, 46);
  RptLabel2->SetCaption(TranslatedText("TFormBroodlog", "Apiary :"));
  RptLabel3 = &CreateComponent<TReportLabel>(context);
  headerLabel(*RptLabel3, "RptLabel3", kDateCaptionLeft, 36);
  RptLabel3->SetCaption(TranslatedText("TFormBroodlog", "Date :"));
  for (TReportLabel* label : {RptLabel1, RptLabel2, RptLabel3}) {
    label->SetWordWrap(true);
    label->SetAutoStretch(false);
  }
  RptLabel1->OnPrint = CutForPrint(Report, &name_room_);
  for (TAngledLabel* heading : Headings)
    if (heading->Angle() == 0) heading->OnPrint = CutForPrint(Report, &heading_rooms_[std::size_t(heading->Tag())]);
  Report->SetUnits(TReportUnit::MM);
}

TFormBroodlog::~TFormBroodlog() { DestroyComponents(); }

void TFormBroodlog::SetApiaryName(const std::string& name) {
  RptLabel1->SetCaption(name);
  FitTexts();
  // A queue lists jobs by title: the sheet's name is what a user knows it
  // by, whole even where the sheet has to cut it.
  if (!Report->ReportTitle().empty() && Report->ReportTitle() != job_title_) return;
  if (name.empty()) {
    job_title_ = TranslatedText("TFormBroodlog", "Record sheet");
  } else {
    job_title_ = TranslatedText("TFormBroodlog", "Record sheet – %1");
    const std::size_t at = job_title_.find("%1");
    job_title_ = at == std::string::npos ? job_title_ + " " + name : job_title_.replace(at, 2, name);
  }
  Report->SetReportTitle(job_title_);
}

void TFormBroodlog::FitTexts() {
  // The header: a caption wider than its place pushes its value right
  // ("Apiary :") or moves left of it ("Date :"), so the date stays put.
  const double apiaryEnd = kApiaryCaptionLeft + TextUnits(Report->Context().Metrics(), RptLabel2->Font(), RptLabel2->Caption());
  const int nameLeft = std::max(kApiaryNameLeft, int(apiaryEnd + 0.999) + kHeaderGap);
  PlaceLeft(*RptLabel1, nameLeft);
  const double dateCaption = TextUnits(Report->Context().Metrics(), RptLabel3->Font(), RptLabel3->Caption());
  const int dateCaptionLeft = std::min(kDateCaptionLeft, int(kDateLeft - kHeaderGap - dateCaption));
  PlaceLeft(*RptLabel3, dateCaptionLeft);
  // The name ends before "Date :"; what does not fit is cut when printed.
  name_room_ = dateCaptionLeft - kHeaderGap - nameLeft;

  // The headings written across stay inside their columns: one wider than
  // its place moves left within its column, and what the column cannot
  // hold is cut, so it neither crosses a rule nor covers its neighbour.
  for (const THeadingDef& def : kHeadings) {
    if (def.angle != 0) continue;  // a column's width takes a vertical heading's height
    TAngledLabel* heading = HeadingByTag(def.tag);
    const int columnLeft = def.tag == 0 ? 0 : kVerticalRuleLefts[def.tag - 1] + 1;
    const int columnRight = def.tag < 20 ? kVerticalRuleLefts[def.tag] : kBandWidth;
    const double width = TextUnits(Report->Context().Metrics(), heading->Font(), heading->Caption());
    int left = def.left;
    if (left + width > columnRight - kRuleGap)
      left = std::max(columnLeft + kRuleGap, int(columnRight - kRuleGap - width));
    PlaceLeft(*heading, left);
    heading_rooms_[std::size_t(def.tag)] = columnRight - kRuleGap - left;
  }
}

TAngledLabel* TFormBroodlog::HeadingByTag(int tag) const {
  for (TAngledLabel* heading : Headings)
    if (heading->Tag() == tag) return heading;
  return nullptr;
}
