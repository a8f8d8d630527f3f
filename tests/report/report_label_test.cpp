#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/report_label.h"
#include "print_fixture.h"
#include "definition/rounding.h"

namespace {

// Labels at (50, 20) on a 600-high detail band at the margins (100, 100),
// so a label's own corner prints at (150, 120); a printed line is kLine high.
class ReportLabelTest : public ::testing::Test, public TPrintFixture {
 protected:
  ReportLabelTest() { detail = &AddBand(TBandType::rbDetail, 600, "Detail"); }

  // A label 300 wide and `height` high that keeps its size.
  TReportLabel& Label(const std::string& caption, long double height = 60) {
    TReportLabel& label = Add<TReportLabel>(detail, 50, 20, 300, height);
    label.SetAutoSize(false);
    label.SetCaption(caption);
    return label;
  }
  // The text calls of one print, whole (position, text and drawing state).
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const auto& l : Print())
      if (l.rfind("Text", 0) == 0) out.push_back(l);
    return out;
  }
  static std::string At(int x, int y, const std::string& text) {
    return "Text(" + std::to_string(x) + "," + std::to_string(y) + ",\"" + text + "\")";
  }

  TBand* detail;
};

TEST_F(ReportLabelTest, AlignmentPlacesTheReferencePointAndRightToLeftMirrorsIt) {
  struct { TAlignment alignment; bool rtl; int x; THorzTextAlign horz; } cases[] = {
      {TAlignment::taLeftJustify, false, 150, THorzTextAlign::Left},
      {TAlignment::taRightJustify, false, 450, THorzTextAlign::Right},
      {TAlignment::taCenter, false, 300, THorzTextAlign::Center},
      {TAlignment::taLeftJustify, true, 450, THorzTextAlign::Right},
      {TAlignment::taRightJustify, true, 150, THorzTextAlign::Left},
  };
  for (auto c : cases) {
    TReportLabel& label = Label("Hive");
    label.SetAlignment(c.alignment);
    label.SetRightToLeft(c.rtl);
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind(At(c.x, 120, "Hive"), 0), 0u) << texts[0];
    const std::string align = " align=" + std::to_string(int(c.horz)) + "0" + (c.rtl ? "r " : " ");
    EXPECT_NE(texts[0].find(align), std::string::npos) << texts[0];
    owner.DestroyComponent(label);
  }
}

TEST_F(ReportLabelTest, AnAutoSizedLabelKeepsItsEdgeWhenOnPrintLengthensTheText) {
  // Right-justified text ends at the label's right edge, centred text is
  // centred on its middle, whatever width the printed text needs.
  for (TAlignment alignment : {TAlignment::taRightJustify, TAlignment::taCenter}) {
    TReportLabel& label = Add<TReportLabel>(detail, 500, 20, 300, 60);
    label.SetAlignment(alignment);
    label.SetCaption("ab");
    const long double left = label.Size().Stored(TPrintableSize::kLeft);
    const long double width = label.Size().Stored(TPrintableSize::kWidth);
    const int y = int(RoundHalfEven(100 + label.Size().Stored(TPrintableSize::kTop)));
    label.OnPrint = [](TCustomReportLabel&, std::string& v) { v = "abcdefgh"; };
    const int x = int(RoundHalfEven(100 + left + (alignment == TAlignment::taCenter ? width / 2 : width)));
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind(At(x, y, "abcdefgh"), 0), 0u) << texts[0];
    owner.DestroyComponent(label);
  }
}

TEST_F(ReportLabelTest, FrameSidesMoveTheTextInByTheirWidth) {
  // One point is round(254 / 72) = 4 storage units, two are 7.
  struct { bool top, left; int width, x, y; } cases[] = {
      {false, false, 1, 150, 120}, {true, false, 1, 150, 124}, {false, true, 1, 154, 120}, {true, true, 2, 157, 127}};
  for (auto c : cases) {
    TReportLabel& label = Label("Hive");
    label.Frame().SetWidth(c.width);
    label.Frame().SetDrawTop(c.top);
    label.Frame().SetDrawLeft(c.left);
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind(At(c.x, c.y, "Hive"), 0), 0u) << texts[0];
    owner.DestroyComponent(label);
  }
}

TEST_F(ReportLabelTest, OnlyTheLinesThatFitInTheHeightAndOneUnitArePrinted) {
  // A line fits while it ends no lower than the label's bottom + 1; the
  // rest is dropped, not kept for the next print.
  struct { long double height; std::size_t lines; } cases[] = {{60, 1}, {78, 1}, {79, 2}, {118, 2}, {119, 3}};
  for (auto c : cases) {
    TReportLabel& label = Label("a\rb\rc", c.height);
    for (int print = 0; print < 2; ++print) {
      EXPECT_EQ(Texts().size(), c.lines) << "height " << double(c.height) << ", print " << print;
      EXPECT_TRUE(label.OutputComplete());
    }
    owner.DestroyComponent(label);
  }
}

TEST_F(ReportLabelTest, TheBackgroundIsFilledInTheLabelsColourUnlessTransparent) {
  for (bool transparent : {false, true}) {
    TReportLabel& label = Label("Hive");
    label.SetColor(TColor::Rgb(0xFF, 0xFF, 0x00));
    label.SetTransparent(transparent);
    Print();
    const std::vector<std::string> fill{"FillRect(150,120,450,180)"};
    EXPECT_EQ(Matching("FillRect(150,120"), transparent ? std::vector<std::string>{} : fill);
    owner.DestroyComponent(label);
  }
}

TEST_F(ReportLabelTest, AGrowingLabelFillsTheStripsItGrowsInto) {
  // Three lines in 60: two growths of kLine below the bottom + 1 (181).
  TReportLabel& label = Label("a\rb\rc");
  label.SetAutoStretch(true);
  label.SetColor(TColor::Rgb(0xFF, 0xFF, 0x00));
  Print();
  EXPECT_EQ(Matching("FillRect(150,"), (std::vector<std::string>{"FillRect(150,120,450,180)",
                                                                 "FillRect(150,181,450,221)",
                                                                 "FillRect(150,221,450,260)"}));
  EXPECT_EQ(prints.back().y, 100 + RoundHalfEven(600 + 2 * kLine));
}

TEST_F(ReportLabelTest, AGrowingLabelsFrameRunsDownOverItsGrowth) {
  // The left side, 4 wide and moved in by itself, down to 180 + 2 lines.
  TReportLabel& label = Label("a\rb\rc");
  label.SetAutoStretch(true);
  label.SetTransparent(true);
  label.Frame().SetDrawLeft(true);
  Print();
  EXPECT_EQ(Matching("FillRect(154,"), (std::vector<std::string>{"FillRect(154,120,158,259)"}));
}

}  // namespace
