#include "report/design_painter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../output/canvas_log.h"
#include "report/printable.h"
#include "definition/report_unit.h"
#include "definition/rounding.h"
#include "report_fixture.h"

namespace {

// The designer's picture of an A4 portrait report at 96 pixels per inch.
class DesignPainterTest : public ::testing::Test, public TReportFixture {
 protected:
  const std::vector<std::string>& Paint() {
    canvas = TCanvasLog{};
    PaintReportDesign(*report, canvas);
    return canvas.lines;
  }
  // The calls that start with prefix, each cut after its first ")".
  std::vector<std::string> Matching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : canvas.lines)
      if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(0, l.find(')') + 1));
    return out;
  }
  // The full calls that start with prefix.
  std::vector<std::string> Whole(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : canvas.lines)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }
  // Index of the first call that starts with prefix, or -1.
  int IndexOf(const std::string& prefix) const {
    for (std::size_t i = 0; i < canvas.lines.size(); ++i)
      if (canvas.lines[i].rfind(prefix, 0) == 0) return int(i);
    return -1;
  }
  static std::string Px(long double v) { return std::to_string(RoundHalfEvenToInt(v)); }
  std::string VerticalRule(long double x) const {
    return "Line(" + Px(x) + ",0->" + Px(x) + "," + std::to_string(report->Height()) + ")";
  }
  std::string HorizontalRule(long double y) const {
    return "Line(0," + Px(y) + "->" + std::to_string(report->Width()) + "," + Px(y) + ")";
  }

  TCanvasLog canvas;
};

TEST_F(DesignPainterTest, RulerGridAndLabelsFollowTheUnitAndZoom) {
  // Millimetres: every 5 mm, each centimetre labelled; the minor lines and
  // the labels only from zoom 60. Inches: every quarter inch, each inch
  // labelled at any zoom; the minor lines from zoom 50.
  const long double mm = 96 / 25.4L, inch = 96;
  struct { TReportUnit unit; int zoom; long double first; std::vector<std::string> labels; } cases[] = {
      {TReportUnit::MM, 100, 5 * mm, {"Text(40,2,\"1\")", "Text(78,2,\"2\")"}},
      {TReportUnit::MM, 60, 3 * mm, {"Text(25,2,\"1\")", "Text(47,2,\"2\")"}},
      {TReportUnit::MM, 59, 10 * mm * 0.59L, {}},
      {TReportUnit::Inches, 100, inch / 4, {"Text(98,2,\"1\")", "Text(194,2,\"2\")"}},
      {TReportUnit::Inches, 40, inch * 0.4L, {"Text(40,2,\"1\")", "Text(79,2,\"2\")"}},
      {TReportUnit::Pixels, 100, 0, {}},
  };
  report->Page().SetRuler(true);
  for (const auto& c : cases) {
    report->SetUnits(c.unit);
    report->SetZoom(c.zoom);
    Paint();
    const auto lines = Matching("Line(");
    const auto texts = Matching("Text(");
    std::vector<std::string> labels(texts.begin(), texts.begin() + std::min<std::size_t>(2, texts.size()));
    EXPECT_EQ(labels, c.labels) << "zoom " << c.zoom;
    if (c.first == 0) {
      EXPECT_TRUE(lines.empty()) << "zoom " << c.zoom;
    } else {
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines[0], VerticalRule(c.first)) << "zoom " << c.zoom;
    }
  }
}

TEST_F(DesignPainterTest, CharacterRulerMarksTenCharactersAcrossAndEveryLineDown) {
  // Dotted lines: across every ten character widths, labelled 10, 20, ...;
  // down every character height, labelled 1, 2, ...
  report->Page().SetRuler(true);
  report->SetUnits(TReportUnit::Characters);
  const int size = report->ReportFontSize();
  const long double across = CharacterWidthMM(size) * 10 / 25.4L * 96;
  const long double down = CharacterHeightMM(size) / 25.4L * 96;
  Paint();
  EXPECT_EQ(Matching(VerticalRule(across)).size(), 1u);
  EXPECT_EQ(Matching(HorizontalRule(down)).size(), 1u);
  EXPECT_EQ(Matching(HorizontalRule(2 * down)).size(), 1u);
  EXPECT_GE(IndexOf("Text(" + Px(across + 2) + ",2,\"10\")"), 0);
  EXPECT_GE(IndexOf("Text(" + Px(2 * across + 2) + ",2,\"20\")"), 0);
  EXPECT_GE(IndexOf("Text(2," + Px(down + 2) + ",\"1\")"), 0);
  EXPECT_GE(IndexOf("Text(2," + Px(2 * down + 2) + ",\"2\")"), 0);
  const std::string dotted = " pen=" + std::to_string(int(TPenStyle::Dot)) + "/";
  for (const auto& l : Whole("Line(")) EXPECT_NE(l.find(dotted), std::string::npos) << l;
}

TEST_F(DesignPainterTest, ABandShowsItsBackgroundOutlineAndTypeName) {
  // An enabled band in its colour, a disabled one in silver; then the
  // outline along its edges and the type's name near its bottom left.
  report->Page().SetRuler(false);
  TBand& band = AddBand(TBandType::rbPageHeader, 200, "Header");
  band.SetColor(TColor::Rgb(0x20, 0x40, 0x60));
  for (bool enabled : {true, false}) {
    band.SetEnabled(enabled);
    Paint();
    const int l = band.Left(), t = band.Top(), r = l + band.Width(), b = t + band.Height();
    auto pt = [](int x, int y) { return std::to_string(x) + "," + std::to_string(y); };
    const auto fills = Whole("FillRect(" + pt(l, t) + "," + pt(r, b) + ")");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_NE(fills[0].find(enabled ? "/204060" : "/c0c0c0"), std::string::npos) << fills[0];
    const std::vector<std::string> outline{
        "Line(" + pt(l, t) + "->" + pt(r - 1, t) + ")", "Line(" + pt(r - 1, t) + "->" + pt(r - 1, b - 1) + ")",
        "Line(" + pt(r - 1, b - 1) + "->" + pt(l, b - 1) + ")", "Line(" + pt(l, b - 1) + "->" + pt(l, t) + ")"};
    EXPECT_EQ(Matching("Line("), outline);
    const auto names = Whole("Text(");
    ASSERT_EQ(names.size(), 1u);
    // The name's baseline lies 4 pixels and one line of its font above the bottom.
    TLogFont font;
    font.name = "Arial";
    font.height = std::stoi(names[0].substr(names[0].find("font=Arial/") + 11));
    const int lineHeight = context.Metrics().TextExtent(font, "W").height;
    EXPECT_EQ(names[0].rfind("Text(" + pt(l + 2, b - lineHeight - 4) + ",\"Page Header\")", 0), 0u) << names[0];
  }
}

TEST_F(DesignPainterTest, BandsLieOverThePageMarginsAndElementsOverTheirBand) {
  // The page's margin rectangle, column dividers and frame come first; each
  // band paints over them, and its elements paint over the band's outline.
  report->Page().SetRuler(false);
  report->Page().SetColumns(2);
  report->Frame().SetDrawTop(true);
  TBand& band = AddBand(TBandType::rbDetail, 200, "Detail");
  TReportShape& shape = owner.CreateComponent<TReportShape>(context);
  shape.SetParent(&band);
  shape.SetShape(TShapeType::stRectangle);
  shape.SetBounds(10, 5, 40, 20);
  Paint();
  const int margins = IndexOf("Rectangle(38,38,");
  const auto divider = report->Page().DesignColumnDividers().at(0);
  const int dividers = IndexOf("Line(" + std::to_string(divider.x1) + ",0->" + std::to_string(divider.x1) + ",38)");
  // The report frame's top side: one pixel high along the margin rectangle.
  const int frame = IndexOf("FillRect(38,38," + std::to_string(report->Width() - 38) + ",39)");
  const int bandFill = IndexOf("FillRect(" + std::to_string(band.Left()) + "," + std::to_string(band.Top()) + "," +
                               std::to_string(band.Left() + band.Width()) + "," +
                               std::to_string(band.Top() + band.Height()) + ")");
  const int name = IndexOf("Text(" + std::to_string(band.Left() + 2));
  const int element = IndexOf("Rectangle(" + std::to_string(band.Left() + 10) + "," + std::to_string(band.Top() + 5) +
                              "," + std::to_string(band.Left() + 50) + "," + std::to_string(band.Top() + 25) + ")");
  for (int found : {margins, dividers, frame, bandFill, name, element}) ASSERT_GE(found, 0);
  EXPECT_LT(margins, bandFill);
  EXPECT_LT(dividers, bandFill);
  EXPECT_LT(frame, bandFill);
  EXPECT_LT(name, element);
}

}  // namespace
