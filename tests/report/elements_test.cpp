#include <gtest/gtest.h>

#include <regex>

#include "report/angled_label.h"
#include "report/report_label.h"
#include "print_fixture.h"

namespace {

// Elements on a 600-high detail band, which prints at the margins (100, 100).
class ElementsTest : public ::testing::Test, public TPrintFixture {
 protected:
  ElementsTest() { detail = &AddBand(TBandType::rbDetail, 600, "Detail"); }

  template <class T>
  T& Add(long double left, long double top, long double width, long double height) {
    return TPrintFixture::Add<T>(detail, left, top, width, height);
  }
  std::vector<std::string> Matching(const std::string& prefix) {
    Print();
    return TPrintFixture::Matching(prefix);
  }

  TBand* detail;
};

TEST(ReportFrameTest, SideThicknessFollowsTheDeviceResolution) {
  struct { int width; long double factor; int thickness; } cases[] = {
      {1, 600.0L / 254, 8}, {1, 96.0L / 254, 1}, {0, 600.0L / 254, 0}, {-1, 600.0L / 254, 1}, {3, 96.0L / 254, 4}};
  for (auto c : cases) {
    TReportFrame frame;
    frame.SetWidth(c.width);
    EXPECT_EQ(frame.Thickness(c.factor), c.thickness) << c.width << " at " << double(c.factor);
  }
}

TEST_F(ElementsTest, CaptionsSplitIntoLinesByTheWrappingRules) {
  struct { const char* caption; bool autoSize; int width; std::vector<std::string> lines; } cases[] = {
      {"alpha beta", false, 50, {"alpha ", "beta"}},
      {"alpha beta", true, 50, {"alpha beta"}},
      {"one\r\ntwo", true, 10, {"one", "two"}},
      {"abcdefghij", false, 50, {"abcdef", ""}},
      {"well-known", false, 50, {"well-", "known"}},
      {"abc", false, 0, {"", "", ""}},
      {"alpha beta\rgamma", false, 50, {"alpha ", "beta", "gamma"}},
      {"a\nb", true, 50, {"ab"}},
      // Cut between characters, never inside one (each is 7 wide).
      {"\xc3\xa4\xc3\xb6\xc3\xbc\xc3\xa4\xc3\xb6\xc3\xbc\xc3\xa4\xc3\xb6", false, 50,
       {"\xc3\xa4\xc3\xb6\xc3\xbc\xc3\xa4\xc3\xb6\xc3\xbc", ""}},
  };
  for (const auto& c : cases) {
    TReportLabel& label = Add<TReportLabel>(0, 0, 10, 10);
    label.SetAutoSize(c.autoSize);
    label.SetWidth(c.width);
    label.SetCaption(c.caption);
    EXPECT_EQ(label.WrappedLines(), c.lines) << c.caption << " in " << c.width;
  }
}

TEST_F(ElementsTest, AutoSizeKeepsTheEdgeItsAlignmentNames) {
  struct { TAlignment alignment; int left; } cases[] = {
      {TAlignment::taLeftJustify, 100}, {TAlignment::taRightJustify, 143}, {TAlignment::taCenter, 121}};
  for (auto c : cases) {
    TReportLabel& label = Add<TReportLabel>(0, 0, 10, 10);
    label.SetAutoSize(false);
    label.SetBounds(100, 0, 100, 20);
    label.SetAlignment(c.alignment);
    label.SetAutoSize(true);
    label.SetCaption("Apiary :");
    EXPECT_EQ(label.Width(), 57);
    EXPECT_EQ(label.Left(), c.left) << int(c.alignment);
  }
}

TEST_F(ElementsTest, ShapesDrawTheirFigureFromTheBandPosition) {
  // The band stands at the margins (100, 100); the shape at (10, 20) in it.
  struct { TShapeType shape; std::vector<std::string> calls; } cases[] = {
      {TShapeType::stRectangle, {"Rectangle(110,120,150,150)"}},
      {TShapeType::stCircle, {"Ellipse(110,120,150,150)"}},
      {TShapeType::stVertLine, {"Line(130,120->130,150)"}},
      {TShapeType::stHorLine, {"Line(110,135->150,135)"}},
      {TShapeType::stTopAndBottom, {"Line(110,120->150,120)", "Line(110,150->150,150)"}},
      {TShapeType::stRightAndLeft, {"Line(110,120->110,150)", "Line(150,120->150,150)"}},
  };
  for (const auto& c : cases) {
    TReportShape& shape = Add<TReportShape>(10, 20, 40, 30);
    shape.SetShape(c.shape);
    std::vector<std::string> drawn = Matching("Line");
    for (const auto& r : Matching("Rectangle")) drawn.push_back(r);
    for (const auto& r : Matching("Ellipse")) drawn.push_back(r);
    EXPECT_EQ(drawn, c.calls) << int(c.shape);
    owner.DestroyComponent(shape);
  }
}

TEST_F(ElementsTest, AOnePixelVerticalRuleLiesHalfItsWidthIn) {
  TReportShape& rule = Add<TReportShape>(105.8333333L, 0, 2.6458333L, 300);
  rule.SetShape(TShapeType::stVertLine);
  EXPECT_EQ(Matching("Line"), (std::vector<std::string>{"Line(207,100->207,400)"}));
}

TEST_F(ElementsTest, SystemDataPrintsItsPrefixRightBeforeTheValue) {
  TSysData& date = Add<TSysData>(0, 0, 100, 40);
  date.SetData(TSysDataType::sdDate);
  EXPECT_EQ(date.Caption(), "(Date)");
  date.SetText("On ");
  const auto texts = Matching("Text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(std::regex_search(texts[0], std::regex("\"On \\d\\d/\\d\\d/\\d{4}\"")));
  date.SetData(TSysDataType::sdPageNumber);
  date.SetText("");
  EXPECT_NE(Matching("Text").at(0).find("\"1\""), std::string::npos);
}

TEST_F(ElementsTest, OnPrintChangesOnlyThatPrint) {
  TReportLabel& label = Add<TReportLabel>(0, 0, 300, 60);
  label.SetCaption("design");
  int calls = 0;
  label.OnPrint = [&](TCustomReportLabel&, std::string& v) {
    if (++calls == 1) v = "first print";
  };
  EXPECT_NE(Matching("Text").at(0).find("\"first print\""), std::string::npos);
  EXPECT_EQ(label.Caption(), "design");
  EXPECT_NE(Matching("Text").at(0).find("\"design\""), std::string::npos);
}

TEST(AngledMetricsTest, BoxAndOriginByQuadrant) {
  TFixedPitchTextMetrics metrics(96);
  TLogFont font;
  font.height = 11;  // 9 characters of 6 pixels, 13 pixels high
  struct { int angle; TAngledMetrics m; } cases[] = {
      {270, {0, 54, 13, 0, 13, 54, 13, 0}},  {0, {54, 0, 0, 13, 54, 13, 0, 0}},
      {90, {0, 54, 13, 0, 13, 54, 0, 54}},   {180, {54, 0, 0, 13, 54, 13, 54, 13}},
      {-90, {0, 54, 13, 0, 13, 54, 13, 0}},  {45, {38, 38, 9, 9, 47, 47, 0, 38}},
  };
  for (auto c : cases) {
    const TAngledMetrics m = AngledTextMetrics(metrics, font, c.angle, "Date/hive");
    EXPECT_EQ(std::vector({m.RunX, m.RunY, m.RiseX, m.RiseY, m.BoxWidth, m.BoxHeight, m.OriginX, m.OriginY}),
              std::vector({c.m.RunX, c.m.RunY, c.m.RiseX, c.m.RiseY, c.m.BoxWidth, c.m.BoxHeight, c.m.OriginX,
                           c.m.OriginY}))
        << c.angle;
  }
}

TEST(AngledLabelTest, AnglesAreKeptModulo360) {
  struct { int in, out; } cases[] = {{360, 0}, {450, 90}, {-90, -90}, {-200, 160}, {-720, 0}, {270, 270}};
  THeadlessContext context;
  for (auto c : cases) {
    TAngledLabel label(context);
    label.SetAngle(c.in);
    EXPECT_EQ(label.Angle(), c.out) << c.in;
  }
}

TEST_F(ElementsTest, AngledTextStartsAtTheBoxCornerForItsAngle) {
  TAngledLabel& heading = Add<TAngledLabel>(40, 16, 37, 122);
  heading.SetAngle(270);
  heading.SetCaption("Date/hive");
  const auto& calls = Print();
  // 254 dpi: a 10-point font is 35 pixels high, 9 characters of 19 pixels
  // and 41 pixels of cell height.
  std::vector<std::string> text, fill;
  for (const auto& l : calls) {
    if (l.rfind("Text", 0) == 0) text.push_back(l);
    if (l.rfind("FillRect(140,116", 0) == 0) fill.push_back(l);
  }
  ASSERT_EQ(text.size(), 1u);
  EXPECT_NE(text[0].find("Text(181,116,\"Date/hive\")"), std::string::npos) << text[0];
  EXPECT_NE(text[0].find("esc2700"), std::string::npos);
  EXPECT_NE(text[0].find("opt=c(140,116,181,287)"), std::string::npos) << text[0];
  ASSERT_EQ(fill.size(), 1u);
  heading.SetTransparent(true);
  for (const auto& l : Print()) {
    if (l.rfind("FillRect(140,116", 0) == 0) {
      EXPECT_NE(l.find("brush=1"), std::string::npos) << l;
    }
  }
}

TEST_F(ElementsTest, AnAngledLabelDrawsAtMostItsBoundOfCharacters) {
  TAngledLabel& heading = Add<TAngledLabel>(40, 16, 37, 122);
  heading.SetAngle(270);
  const struct {
    std::string character;
    std::size_t count, drawn;
  } cases[] = {{"x", kMaxAngledLabelChars, kMaxAngledLabelChars},
               {"x", kMaxAngledLabelChars + 3, kMaxAngledLabelChars},
               {"\xC3\xA4", kMaxAngledLabelChars + 1, kMaxAngledLabelChars}};  // never half an ä
  for (const auto& c : cases) {
    std::string caption;
    for (std::size_t i = 0; i < c.count; ++i) caption += c.character;
    heading.SetCaption(caption);
    std::string drawn;
    for (const auto& l : Print()) {
      if (l.rfind("Text(", 0) != 0) continue;
      const std::size_t open = l.find('"') + 1;
      drawn = l.substr(open, l.find('"', open) - open);
    }
    std::string expected;
    for (std::size_t i = 0; i < c.drawn; ++i) expected += c.character;
    EXPECT_EQ(drawn, expected) << c.count;
    EXPECT_EQ(heading.Caption(), caption);
  }
}

}  // namespace
