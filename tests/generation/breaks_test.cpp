#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "generation/report_label.h"
#include "print_fixture.h"
#include "report/rounding.h"

namespace {

// A4 portrait with 10 mm margins: bands run from 100 down to 2870, less what
// the page footers reserve. Each case builds its own report.
using Where = std::pair<int, int>;  // page, column

std::vector<Where> WhereEach(const std::vector<TBandPrint>& prints) {
  std::vector<Where> out;
  for (const auto& p : prints) out.emplace_back(p.page, p.column);
  return out;
}

TEST(BreaksTest, AStretchingBandCarriesItsLinesOnToTheNextColumnOrPage) {
  // 100 lines on a 100-high detail below a 100-high header. The band grows a
  // line (41) at a time while its bottom stays above 2870: 63 lines fit from
  // 200. The other 37 continue at the top of the next column, or of the next
  // page below its header, and the band ends 100 + 36 lines below there.
  struct { int columns; std::size_t sheets; Where continued; } cases[] = {{1, 2, {2, 1}}, {2, 1, {1, 2}}};
  for (auto c : cases) {
    TPrintFixture f;
    f.report->Page().SetColumns(c.columns);
    f.report->Page().SetColumnSpace(50);
    f.AddBand(TBandType::rbPageHeader, 100, "Header");
    TBand& detail = f.AddBand(TBandType::rbDetail, 100, "Detail");
    TReportLabel& label = f.Add<TReportLabel>(&detail, 0, 0, 400, 42);
    label.SetAutoSize(false);
    label.SetAutoStretch(true);
    std::string text = "l0";
    for (int i = 1; i < 100; ++i) text += "\rl" + std::to_string(i);
    label.SetCaption(text);
    f.Print();

    const int x2 = c.columns == 1 ? 100 : 100 + 50 + int(RoundHalfEven(detail.Size().StoredWidth()));
    std::vector<std::string> expected, drawn;
    for (int i = 0; i < 100; ++i) {
      const bool first = i < 63;
      const int sheet = first || c.columns == 2 ? 0 : 1;
      expected.push_back(std::to_string(sheet) + ":Text(" + std::to_string(first ? 100 : x2) + "," +
                         std::to_string(200 + 41 * (first ? i : i - 63)) + ",\"l" + std::to_string(i) + "\")");
    }
    ASSERT_EQ(f.Sheets(), c.sheets) << c.columns << " columns";
    for (std::size_t s = 0; s < f.Sheets(); ++s)
      for (const auto& t : f.Matching("Text", s)) drawn.push_back(std::to_string(s) + ":" + t);
    EXPECT_EQ(drawn, expected) << c.columns << " columns";
    const auto prints = f.PrintsOf("Detail");
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(WhereEach(prints), std::vector{c.continued});
    EXPECT_EQ(prints[0].x, x2);
    EXPECT_EQ(prints[0].y, 200 + 100 + 36 * 41);
  }
}

TEST(BreaksTest, StretchingLabelsSideBySideGrowTheBandByTheTallestOnly) {
  // Two labels 60 high on a 600-high detail at 100: each line past the
  // first grows the band by 41, but the second label uses the growth the
  // first has made before adding its own.
  struct { int linesA, linesB; long double growth; } cases[] = {{4, 4, 123}, {4, 6, 205}, {6, 4, 205}, {1, 1, 0}};
  for (auto c : cases) {
    TPrintFixture f;
    TBand& detail = f.AddBand(TBandType::rbDetail, 600, "Detail");
    int left = 0;
    for (int lines : {c.linesA, c.linesB}) {
      TReportLabel& label = f.Add<TReportLabel>(&detail, left, 0, 300, 60);
      label.SetAutoSize(false);
      label.SetAutoStretch(true);
      std::string text = "a";
      for (int i = 1; i < lines; ++i) text += "\ra";
      label.SetCaption(text);
      left += 400;
    }
    f.Print();
    EXPECT_EQ(f.Matching("Text").size(), std::size_t(c.linesA + c.linesB));
    ASSERT_EQ(f.prints.size(), 1u);
    EXPECT_EQ(f.prints[0].y, 100 + 600 + c.growth) << c.linesA << " and " << c.linesB << " lines";
  }
}

TEST(BreaksTest, LayoutWidthFollowsTheBandTypeAndAChildTakesItsParents) {
  // Two columns without space: bands of the page take the net width, the
  // others one column's.
  TReportFixture f;
  f.report->Page().SetColumns(2);
  struct { TBandType type; bool pageWide; } cases[] = {
      {TBandType::rbTitle, true},        {TBandType::rbPageHeader, true},   {TBandType::rbPageFooter, true},
      {TBandType::rbSummary, true},      {TBandType::rbOverlay, true},      {TBandType::rbDetail, false},
      {TBandType::rbColumnHeader, false}, {TBandType::rbGroupHeader, false}, {TBandType::rbSubDetail, false}};
  std::vector<TBand*> bands;
  for (auto c : cases) bands.push_back(&f.AddBand(c.type, 100, std::string(BandNameBase(c.type))));
  TBand* summary = bands[3];
  summary->SetHasChild(true);
  const int net = f.report->Width() - int(RoundHalfEven(200 * 96 / 254.0L));
  for (std::size_t i = 0; i < bands.size(); ++i)
    EXPECT_EQ(bands[i]->Width(), cases[i].pageWide ? net : net / 2) << bands[i]->Name();
  EXPECT_EQ(summary->ChildBand()->Width(), net);
}

TEST(BreaksTest, ForcedBreaksApplyToBandsThatFollowOthersOnThePage) {
  // Two details, then a summary that forces a new page or column: the page
  // already holds the details, so the break must happen.
  struct { bool newPage; int columns; std::vector<Where> summary; } cases[] = {
      {true, 1, {{2, 1}}}, {false, 2, {{1, 2}}}};
  for (const auto& c : cases) {
    TReportFixture f;
    f.report->Page().SetColumns(c.columns);
    f.AddBand(TBandType::rbDetail, 300, "Detail");
    TBand& summary = f.AddBand(TBandType::rbSummary, 200, "Summary");
    if (c.newPage) {
      summary.SetForceNewPage(true);
    } else {
      summary.SetForceNewColumn(true);
    }
    f.Rows(2);
    f.report->Preview();
    EXPECT_EQ(WhereEach(f.PrintsOf("Detail")), (std::vector<Where>{{1, 1}, {1, 1}}));
    EXPECT_EQ(WhereEach(f.PrintsOf("Summary")), c.summary)
        << "a forced " << (c.newPage ? "page" : "column") << " break after printed details was swallowed";
  }
}

TEST(BreaksTest, ASummaryAlignedToTheBottomSitsAboveTheFootersReserve) {
  // Footer 200: the summary (300) ends where the footer begins, or, when
  // the last page has no footer, at the bottom margin.
  struct { bool lastPageFooter; long double end; } cases[] = {{true, 2670}, {false, 2870}};
  for (auto c : cases) {
    TReportFixture f;
    f.AddBand(TBandType::rbDetail, 500, "Detail");
    f.AddBand(TBandType::rbPageFooter, 200, "Footer");
    f.AddBand(TBandType::rbSummary, 300, "Summary").SetAlignToBottom(true);
    f.report->Options().LastPageFooter = c.lastPageFooter;
    f.Rows(1);
    f.report->Preview();
    const auto summary = f.PrintsOf("Summary");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].y, c.end);
    EXPECT_EQ(f.PageCount(), 1);
  }
}

TEST(BreaksTest, APageFootersChildIsReservedAndPrintedBelowItOnEveryPage) {
  // Footer 200 and its child 300 reserve 500: 400-high details fit five to a
  // page between the header (100 to 200) and 2370.
  TReportFixture f;
  f.AddBand(TBandType::rbPageHeader, 100, "Header");
  f.AddBand(TBandType::rbDetail, 400, "Detail");
  TBand& footer = f.AddBand(TBandType::rbPageFooter, 200, "Footer");
  footer.SetHasChild(true);
  TChildBand& child = *footer.ChildBand();
  child.SetName("FooterChild");
  child.Size().SetUnits(TReportUnit::Native);
  child.Size().SetHeight(300);
  f.Record(child);
  f.Rows(10);
  f.report->Preview();
  EXPECT_EQ(f.Pages("Detail"), (std::vector{1, 1, 1, 1, 1, 2, 2, 2, 2, 2}));
  for (const auto& p : f.PrintsOf("FooterChild")) EXPECT_EQ(p.y, 2870) << "page " << p.page;
  EXPECT_EQ(f.Pages("FooterChild"), (std::vector{1, 2}));
}

TEST(BreaksTest, LandscapePagesEndAtTheShortSidesMargin) {
  // A4 landscape: 2100 long, so details (500) end above 2100 - 100 - 200.
  TReportFixture f;
  f.report->Page().SetOrientation(TPrinterOrientation::poLandscape);
  f.AddBand(TBandType::rbPageHeader, 100, "Header");
  f.AddBand(TBandType::rbDetail, 500, "Detail");
  f.AddBand(TBandType::rbPageFooter, 200, "Footer");
  f.Rows(6);
  f.report->Preview();
  EXPECT_EQ(f.Pages("Detail"), (std::vector{1, 1, 1, 2, 2, 2}));
  for (const auto& p : f.PrintsOf("Footer")) EXPECT_EQ(p.y, 2000);
}

TEST(BreaksTest, ColumnsStartBelowTheTitleAndEachBeginsWithTheColumnHeader) {
  // Header 100, title 150 (page 1 only), column header 50, details 500 in
  // two columns above a 200 footer: columns on page 1 start at 350 and hold
  // four details after their column header; page 2's start at 200.
  TReportFixture f;
  f.report->Page().SetColumns(2);
  f.AddBand(TBandType::rbPageHeader, 100, "Header");
  f.AddBand(TBandType::rbTitle, 150, "Title");
  f.AddBand(TBandType::rbColumnHeader, 50, "ColumnHeader");
  TBand& detail = f.AddBand(TBandType::rbDetail, 500, "Detail");
  f.AddBand(TBandType::rbPageFooter, 200, "Footer");
  f.Rows(12);
  f.report->Preview();
  EXPECT_EQ(WhereEach(f.PrintsOf("ColumnHeader")), (std::vector<Where>{{1, 1}, {1, 2}, {2, 1}}));
  const auto details = f.PrintsOf("Detail");
  ASSERT_EQ(details.size(), 12u);
  const long double x2 = 100 + RoundHalfEven(detail.Size().StoredWidth());
  struct { std::size_t row; Where where; long double x, y; } rows[] = {
      {0, {1, 1}, 100, 400 + 500}, {4, {1, 2}, x2, 400 + 500}, {8, {2, 1}, 100, 250 + 500}};
  for (auto r : rows) {
    EXPECT_EQ(Where(details[r.row].page, details[r.row].column), r.where) << "row " << r.row;
    EXPECT_EQ(details[r.row].x, r.x) << "row " << r.row;
    EXPECT_EQ(details[r.row].y, r.y) << "row " << r.row;
  }
}

}  // namespace
