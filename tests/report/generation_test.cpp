#include <gtest/gtest.h>

#include <stdexcept>

#include "report/report_label.h"
#include "report_fixture.h"

namespace {

// A4 portrait with 10 mm margins: the printable length runs from 100 to
// 2870; with a 200 footer, details end at 2670.
class GenerationTest : public ::testing::Test, public TReportFixture {
 protected:
  void Standard(int rows) {
    AddBand(TBandType::rbPageHeader, 100, "Header");
    AddBand(TBandType::rbDetail, 500, "Detail");
    AddBand(TBandType::rbPageFooter, 200, "Footer");
    Rows(rows);
  }
};

TEST_F(GenerationTest, DetailsFillPagesBetweenHeaderAndFooter) {
  Standard(12);
  report->Preview();
  EXPECT_EQ(PageCount(), 3);
  EXPECT_EQ(Pages("Detail"), (std::vector{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}));
  EXPECT_EQ(Pages("Header"), (std::vector{1, 2, 3}));
  EXPECT_EQ(Pages("Footer"), (std::vector{1, 2, 3}));
  for (const auto& p : prints) {
    if (p.band == "Footer") {
      EXPECT_EQ(p.y, 2870);  // printed at 2670
    }
  }
  EXPECT_EQ(report->Functions()["PAGENUMBER"], "3");
  EXPECT_TRUE(report->Idle());
}

TEST_F(GenerationTest, FirstPageHeaderAndLastPageFooterSwitches) {
  Standard(12);
  report->Options().FirstPageHeader = false;
  report->Options().LastPageFooter = false;
  report->Preview();
  EXPECT_EQ(Pages("Header"), (std::vector{2, 3}));
  EXPECT_EQ(Pages("Footer"), (std::vector{1, 2}));
  // Page 1 has room for one more detail without its header; the footer's
  // space stays reserved on the last page too.
  EXPECT_EQ(Pages("Detail"), (std::vector{1, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3}));
}

TEST_F(GenerationTest, ColumnsFillLeftToRightBeforeTheNextPage) {
  report->Page().SetColumns(2);
  Standard(12);
  report->Preview();
  EXPECT_EQ(PageCount(), 2);
  std::vector<int> columns;
  for (const auto& p : prints)
    if (p.band == "Detail") columns.push_back(p.column);
  EXPECT_EQ(columns, (std::vector{1, 1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1}));
}

TEST_F(GenerationTest, ForcedBreaksStartANewPageOrColumnPerBand) {
  TBand& detail = AddBand(TBandType::rbDetail, 300, "Detail");
  Rows(3);
  detail.SetForceNewPage(true);
  report->Preview();
  EXPECT_EQ(Pages("Detail"), (std::vector{1, 2, 3}));

  prints.clear();
  report->Page().SetColumns(2);
  detail.SetForceNewPage(false);
  detail.SetForceNewColumn(true);
  Rows(4);
  TReportFixture::report->Preview();
  std::vector<std::pair<int, int>> where;
  for (const auto& p : prints) where.emplace_back(p.page, p.column);
  EXPECT_EQ(where, (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {2, 1}, {2, 2}}));
}

TEST_F(GenerationTest, ChildBandsFollowTheirParentEvenWhenItIsDisabled) {
  TBand& detail = AddBand(TBandType::rbDetail, 300, "Detail");
  detail.SetHasChild(true);
  detail.SetHasChild(true);  // still one child
  TChildBand* child = detail.ChildBand();
  ASSERT_NE(child, nullptr);
  child->SetName("Child");
  child->Size().SetUnits(TReportUnit::Native);
  child->Size().SetHeight(100);
  Record(*child);
  detail.SetEnabled(false);
  Rows(2);
  report->Preview();
  std::vector<std::pair<std::string, bool>> seen;
  for (const auto& p : prints) seen.emplace_back(p.band, p.printed);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, bool>>{
                      {"Detail", false}, {"Child", true}, {"Detail", false}, {"Child", true}}));
  detail.SetHasChild(false);
  EXPECT_FALSE(detail.HasChild());
}

TEST_F(GenerationTest, LinkedBandsRefuseACycle) {
  TBand& a = AddBand(TBandType::rbDetail, 100, "A");
  TBand& b = AddBand(TBandType::rbSummary, 100, "B");
  a.SetLinkBand(&b);
  b.SetLinkBand(&a);
  EXPECT_EQ(b.LinkBand(), nullptr);
  EXPECT_EQ(a.NeededSpace(), 200);
}

TEST_F(GenerationTest, ABandTallerThanThePagePrintsWhereItStands) {
  AddBand(TBandType::rbDetail, 3000, "Detail");
  Rows(2);
  report->Preview();
  EXPECT_EQ(Pages("Detail"), (std::vector{1, 1}));
  EXPECT_EQ(prints.back().y, 100 + 6000);
}

TEST_F(GenerationTest, EmptyReportPrintsTheDetailOnceOrNothing) {
  AddBand(TBandType::rbDetail, 300, "Detail");
  report->Preview();
  EXPECT_EQ(Pages("Detail"), (std::vector{1}));
  prints.clear();
  report->SetPrintIfEmpty(false);
  report->Preview();
  EXPECT_TRUE(prints.empty());
  EXPECT_EQ(PageCount(), 0);
  EXPECT_EQ(previewSender->Status(), TPrinterStatus::psFinished);
}

TEST_F(GenerationTest, PreviewHandsOverThePrinterBeforeAnyPage) {
  Standard(1);
  report->Preview();
  ASSERT_NE(previewSender, nullptr);
  EXPECT_EQ(pagesAtPreview, 0);
  EXPECT_EQ(previewSender, report->ReportPrinter());
  EXPECT_EQ(previewSender->Master(), report);
}

TEST_F(GenerationTest, CancellingStopsTheRunAndDropsThePrinter) {
  Standard(100);
  report->OnNeedData = [this](TCustomReport&, bool& more) {
    more = true;
    if (--remaining == 95) report->ReportPrinter()->SetShowingPreview(true), report->ReportPrinter()->SetShowingPreview(false);
  };
  remaining = 100;
  report->Preview();
  EXPECT_EQ(Pages("Detail").size(), 4u);  // the fifth request cancelled
  EXPECT_TRUE(Pages("Footer").size() < 3u);
  EXPECT_EQ(report->ReportPrinter(), nullptr);
  EXPECT_TRUE(report->Idle());
}

TEST_F(GenerationTest, AnErrorInARunEndsTheDocumentAndReachesTheCaller) {
  TBand& detail = AddBand(TBandType::rbDetail, 300, "Detail");
  Rows(5);
  int calls = 0;
  detail.BeforePrint = [&](TCustomBand&, bool&) {
    if (++calls == 3) throw std::runtime_error("row 3 is bad");
  };
  EXPECT_THROW(report->Preview(), std::runtime_error);
  EXPECT_TRUE(report->Idle());
  ASSERT_NE(report->ReportPrinter(), nullptr);
  EXPECT_EQ(report->ReportPrinter()->Status(), TPrinterStatus::psFinished);
  EXPECT_EQ(report->Units(), TReportUnit::Native);
}

TEST_F(GenerationTest, AutoStretchGrowsTheBandAndCarriesLinesToTheNextPage) {
  // 32 lines fit on page 1 as the band grows towards the bottom margin.
  TBand& detail = AddBand(TBandType::rbDetail, 1500, "Detail");
  TReportLabel& label = owner.CreateComponent<TReportLabel>(context);
  label.SetParent(&detail);
  label.SetAutoSize(true);
  label.SetAutoStretch(true);
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\r\n";
  label.SetCaption(text);
  label.Size().SetUnits(TReportUnit::Native);
  label.Size().SetTop(0);
  label.Size().SetHeight(40);
  report->Preview();
  EXPECT_EQ(PageCount(), 2);
  EXPECT_TRUE(label.OutputComplete());
  EXPECT_EQ(label.NextLineIndex(), 41);  // 40 lines and the empty one after the last CR
}

TEST_F(GenerationTest, ZoomOutsideItsRangeIsIgnored) {
  report->SetZoom(150);
  report->SetZoom(0);
  report->SetZoom(301);
  EXPECT_EQ(report->Zoom(), 150);
}

TEST_F(GenerationTest, BandsSortAndLayOutByType) {
  AddBand(TBandType::rbPageFooter, 100, "Footer");
  AddBand(TBandType::rbDetail, 200, "Detail");
  AddBand(TBandType::rbTitle, 100, "Title");
  AddBand(TBandType::rbPageHeader, 100, "Header");
  std::vector<std::string> order;
  for (TCustomBand* b : report->BandList()) order.push_back(b->Name());
  EXPECT_EQ(order, (std::vector<std::string>{"Header", "Title", "Detail", "Footer"}));
  EXPECT_TRUE(report->Bands().HasTitle());
  report->Bands().SetHasSummary(true);
  EXPECT_EQ(report->Bands().Band(TBandType::rbSummary)->Name(), "SummaryBand1");
  report->Bands().SetHasTitle(false);
  EXPECT_FALSE(report->Bands().HasTitle());
}

}  // namespace
