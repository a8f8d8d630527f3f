#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "report/report_label.h"
#include "print_fixture.h"
#include "output/stored_page.h"
#include "definition/rounding.h"

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
  // A detail below a page header, its label 42 high, above a page footer.
  // The band grows a line (kLine) at a time while its bottom stays above the
  // footer's top (2870 less the footer), and a line is printed only where it
  // ends above that: `fit` lines to a column. The rest continue at the top
  // of the next column, or of the next page below its header. A detail
  // taller than the room left on its fresh page (89.9 mm of 87 mm) prints
  // where it stands and its text stops at the footer in the same way.
  struct {
    int columns;
    long double header, detail, footer;
    int lines, fit;
    std::size_t sheets;
    Where ends;
  } cases[] = {{1, 100, 100, 0, 100, 65, 2, {2, 1}},
               {2, 100, 100, 0, 100, 65, 1, {1, 2}},
               {1, 900, 899, 1000, 77, 21, 4, {4, 1}}};
  for (auto c : cases) {
    TPrintFixture f;
    f.report->Page().SetColumns(c.columns);
    f.report->Page().SetColumnSpace(50);
    f.AddBand(TBandType::rbPageHeader, c.header, "Header");
    TBand& detail = f.AddBand(TBandType::rbDetail, c.detail, "Detail");
    if (c.footer > 0) f.AddBand(TBandType::rbPageFooter, c.footer, "Footer");
    f.AddStretchingLabel(&detail, 42, c.lines);
    f.Print();

    const std::string what = std::to_string(c.lines) + " lines, " + std::to_string(c.columns) + " column(s)";
    const long double top = 100 + c.header, limit = 2870 - c.footer;
    std::vector<std::string> expected, drawn;
    for (int i = 0; i < c.lines; ++i) {
      const int column = i / c.fit, row = i % c.fit;
      // Two columns of (1900 - 50) / 2 with 50 between them.
      const int x = 100 + column % c.columns * (50 + 925);
      expected.push_back(std::to_string(column / c.columns) + ":Text(" + std::to_string(x) + "," +
                         std::to_string(RoundHalfEven(top + kLine * row)) + ",\"l" + std::to_string(i) + "\")");
      EXPECT_LE(top + kLine * (row + 1), limit) << what << ", line " << i;
    }
    ASSERT_EQ(f.Sheets(), c.sheets) << what;
    for (std::size_t s = 0; s < f.Sheets(); ++s)
      for (const auto& t : f.Matching("Text", s)) drawn.push_back(std::to_string(s) + ":" + t);
    EXPECT_EQ(drawn, expected) << what;
    const auto prints = f.PrintsOf("Detail");
    ASSERT_EQ(prints.size(), 1u) << what;
    EXPECT_EQ(WhereEach(prints), std::vector{c.ends}) << what;
    const int last = (c.lines - 1) % c.fit + 1;  // lines in the last column, the first in the label's 42
    EXPECT_EQ(prints[0].y, top + RoundHalfEven(c.detail + kLine * (last - 1))) << what;
  }
}

TEST(BreaksTest, TextCarriedOnEndsWhereNoColumnCouldHoldMore) {
  // A label with ten lines on a detail taller than the printable page:
  // page 1 has no room to grow the band, but as the band already reaches
  // past the bottom margin, growing it costs nothing, and the lines print
  // down to the margin. A detail with room to grow holds them all on page
  // 1 too. A label that starts too low for a line on any page (at 2850)
  // tries page 2, where nothing fits either, and ends there.
  struct { long double height, top; int pages, printed; } cases[] = {
      {3000, 0, 1, 10}, {1000, 0, 1, 10}, {3000, 2850, 2, 0}};
  for (auto c : cases) {
    TPrintFixture f;
    TBand& detail = f.AddBand(TBandType::rbDetail, c.height, "Detail");
    TReportLabel& label = f.AddStretchingLabel(&detail, 0, 10);
    label.Size().SetTop(c.top);
    f.Rows(1);
    f.report->Preview();
    EXPECT_EQ(f.PageCount(), c.pages) << c.height;
    EXPECT_TRUE(label.OutputComplete()) << c.height;
    f.Rows(1);
    f.Print();
    std::size_t printed = 0;
    for (std::size_t s = 0; s < f.Sheets(); ++s) printed += f.Matching("Text", s).size();
    EXPECT_EQ(printed, std::size_t(c.printed)) << c.height;
  }
}

TEST(BreaksTest, StretchingLabelsSideBySideGrowTheBandByTheTallestOnly) {
  // Two labels 60 high on a 600-high detail at 100: each line past the
  // first grows the band by kLine, but the second label uses the growth the
  // first has made before adding its own.
  struct { int linesA, linesB, growth; } cases[] = {{4, 4, 3}, {4, 6, 5}, {6, 4, 5}, {1, 1, 0}};
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
    EXPECT_EQ(f.prints[0].y, 100 + RoundHalfEven(600 + kLine * c.growth)) << c.linesA << " and " << c.linesB << " lines";
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
  // already holds the details, so the break must happen. The summary spans
  // the page's width, so its new column is the next page's first: in the
  // second column it would run off the page.
  struct { bool newPage; int columns; std::vector<Where> summary; } cases[] = {
      {true, 1, {{2, 1}}}, {false, 2, {{2, 1}}}, {true, 2, {{2, 1}}}};
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
    for (const auto& p : f.PrintsOf("Summary")) EXPECT_EQ(p.x, 100);
  }
}

TEST(BreaksTest, ABandSpanningThePageMovesOnToTheNextPageNeverToTheNextColumn) {
  // Two columns: a summary below five details, or a title whose label
  // carries 80 lines on (printed for an empty report), that needs more room
  // goes on on the next page, at the left margin, where it spans the page.
  // So does a summary after details that ended in the second column. A
  // summary without a detail band, or with a disabled one, prints on page 1:
  // an empty page is not given up. On A4 landscape in three columns, with
  // margins of 17.9 and 24.3 mm, a summary spans the net width and ends at
  // the right margin (272.7 mm), not past it.
  enum Detail { kNone, kEnabled, kDisabled };
  struct {
    TBandType type;
    int rows;
    Where where;
    Detail detail = kEnabled;
    int columns = 2;
    bool landscape = false;
    long double left = 100, right = 100;
    long double height = 600;
  } cases[] = {
      {TBandType::rbSummary, 5, {2, 1}}, {TBandType::rbTitle, -1, {2, 1}}, {TBandType::rbSummary, 6, {2, 1}},
      {TBandType::rbSummary, 3, {1, 1}, kNone, 2, false, 100, 100, 300},
      {TBandType::rbSummary, 3, {1, 1}, kDisabled, 2, false, 100, 100, 300},
      {TBandType::rbSummary, 2, {1, 1}, kEnabled, 3, true, 179, 243}};
  for (const auto& c : cases) {
    TPrintFixture f;
    TPageSetup& page = f.report->Page();
    page.SetColumns(c.columns);
    page.SetOrientation(c.landscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
    page.SetValue(TPageSetup::kLeftMargin, c.left);
    page.SetValue(TPageSetup::kRightMargin, c.right);
    if (c.detail != kNone) f.AddBand(TBandType::rbDetail, 500, "Detail").SetEnabled(c.detail == kEnabled);
    TBand& band = f.AddBand(c.type, c.height, "Band");
    if (c.type == TBandType::rbTitle) f.AddStretchingLabel(&band, 42, 80);
    if (c.rows >= 0) f.Rows(c.rows);
    f.report->Preview();
    const std::string what = std::string(BandNameBase(c.type)) + ", " + std::to_string(c.columns) + " columns";
    const auto prints = f.PrintsOf("Band");
    ASSERT_EQ(prints.size(), 1u) << what;
    EXPECT_EQ(WhereEach(prints), std::vector{c.where}) << what;
    EXPECT_EQ(f.PageCount(), c.where.first) << what;
    EXPECT_EQ(prints[0].x, c.left) << what;
    const TReportPrinter& p = *f.previewSender;
    EXPECT_EQ(band.FrameRect().left, p.ToDeviceX(c.left)) << what;
    EXPECT_EQ(band.FrameRect().right, p.ToDeviceX(page.Stored(TPageSetup::kWidth) - c.right)) << what;
  }
}

TEST(BreaksTest, ASummaryAlignedToTheBottomSitsAboveTheFootersReserve) {
  // Footer 200: the summary (300) ends where the footer begins, or, when
  // the last page has no footer, at the bottom margin; forced onto a page
  // of its own, at the bottom of that page, while the page it leaves keeps
  // its footer in place.
  struct { bool lastPageFooter, newPage; int page; long double end; std::vector<int> footers; } cases[] = {
      {true, false, 1, 2670, {1}}, {false, false, 1, 2870, {}}, {true, true, 2, 2670, {1, 2}}, {false, true, 2, 2870, {1}}};
  for (auto c : cases) {
    TReportFixture f;
    f.AddBand(TBandType::rbDetail, 500, "Detail");
    f.AddBand(TBandType::rbPageFooter, 200, "Footer");
    TBand& summary = f.AddBand(TBandType::rbSummary, 300, "Summary");
    summary.SetAlignToBottom(true);
    summary.SetForceNewPage(c.newPage);
    f.report->Options().LastPageFooter = c.lastPageFooter;
    f.Rows(1);
    f.report->Preview();
    const std::string what = std::string(c.lastPageFooter ? "" : "no ") + "last page footer" +
                             (c.newPage ? ", summary on a new page" : "");
    const auto prints = f.PrintsOf("Summary");
    ASSERT_EQ(prints.size(), 1u) << what;
    EXPECT_EQ(prints[0].page, c.page) << what;
    EXPECT_EQ(prints[0].y, c.end) << what;
    EXPECT_EQ(f.PageCount(), c.page) << what;
    EXPECT_EQ(f.Pages("Footer"), c.footers) << what;
    for (const auto& p : f.PrintsOf("Footer")) EXPECT_EQ(p.y, 2870) << what << ", page " << p.page;
  }
}

TEST(BreaksTest, ADisabledBandAlignedToTheBottomMovesNothing) {
  // The page header prints nothing, so its child follows the top margin
  // and the detail the child, rather than both being pushed off the page.
  TReportFixture f;
  TBand& header = f.AddBand(TBandType::rbPageHeader, 300, "Header");
  header.SetAlignToBottom(true);
  header.SetEnabled(false);
  f.AddChild(header, 100, "HeaderChild");
  f.AddBand(TBandType::rbDetail, 300, "Detail");
  f.Rows(1);
  f.report->Preview();
  EXPECT_EQ(f.PrintsOf("HeaderChild").at(0).y, 200);
  EXPECT_EQ(f.PrintsOf("Detail").at(0).y, 500);
}

TEST(BreaksTest, APageFootersChildIsReservedAndPrintedBelowItOnEveryPage) {
  // Footer 200 and its child 300 reserve 500: 400-high details fit five to a
  // page between the header (100 to 200) and 2370. A disabled footer prints
  // nothing but its child still does, ending at the bottom margin: the child
  // alone reserves its 300, and details still fit five to a page, above 2570.
  struct { bool footerEnabled; std::vector<int> details; } cases[] = {
      {true, {1, 1, 1, 1, 1, 2, 2, 2, 2, 2}}, {false, {1, 1, 1, 1, 1, 2, 2, 2, 2, 2}}};
  for (const auto& c : cases) {
    TReportFixture f;
    f.AddBand(TBandType::rbPageHeader, 100, "Header");
    f.AddBand(TBandType::rbDetail, 400, "Detail");
    TBand& footer = f.AddBand(TBandType::rbPageFooter, 200, "Footer");
    footer.SetEnabled(c.footerEnabled);
    f.AddChild(footer, 300, "FooterChild");
    f.Rows(10);
    f.report->Preview();
    EXPECT_EQ(f.Pages("Detail"), c.details) << (c.footerEnabled ? "enabled" : "disabled");
    for (const auto& p : f.PrintsOf("FooterChild")) EXPECT_EQ(p.y, 2870) << "page " << p.page;
    EXPECT_EQ(f.Pages("FooterChild"), (std::vector{1, 2}));
  }
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


TEST(BreaksTest, BandsPrintedWhileAPageBeginsPrintWhereTheyStand) {
  // A page header and footer that leave no room between them: the header
  // prints at the top margin of every fresh page, the footer where its
  // reserve begins (over the header's end), and each 100-high detail, which
  // cannot fit below the header, starts a page of its own and prints right
  // below the header there. Tops and ends in 0.1 mm of the page. A page or
  // column header whose 80-line label eats the room cannot break: it grows
  // to the footer's top and its text is cut there (`texts` lines a page).
  struct Case {
    TPaperSize paper;
    TPrinterOrientation orientation;
    long double header, footer;
    int pages;
    long double footerTop;
    TBandType stretching = TBandType::rbPageHeader;
    int lines = 0;
    long double headerEnd = 0;  // where the headers end; 0: 100 + header
    std::size_t texts = 0;
  } cases[] = {
      {TPaperSize::A4, TPrinterOrientation::poPortrait, 2000, 1000, 3, 1870},
      {TPaperSize::A5, TPrinterOrientation::poLandscape, 700, 600, 3, 780},
      {TPaperSize::A4, TPrinterOrientation::poPortrait, 100, 200, 3, 2670, TBandType::rbPageHeader, 80, 2661, 63},
      {TPaperSize::A4, TPrinterOrientation::poPortrait, 100, 200, 3, 2670, TBandType::rbColumnHeader, 80, 2642, 60},
  };
  for (const auto& c : cases) {
    TPrintFixture f;
    f.report->Page().SetPaperSize(c.paper);
    f.report->Page().SetOrientation(c.orientation);
    TBand& header = f.AddBand(TBandType::rbPageHeader, c.header, "Header");
    TBand* stretching = &header;
    if (c.lines > 0 && c.stretching != TBandType::rbPageHeader)
      stretching = &f.AddBand(c.stretching, 100, "ColumnHeader");
    if (c.lines > 0) f.AddStretchingLabel(stretching, 42, c.lines);
    f.AddBand(TBandType::rbDetail, 100, "Detail");
    f.AddBand(TBandType::rbPageFooter, c.footer, "Footer");
    f.Rows(3);
    f.Print();
    const std::string what = std::to_string(c.lines) + " lines on " + std::string(BandNameBase(c.stretching));
    const long double headerEnd = c.headerEnd > 0 ? c.headerEnd : 100 + c.header;
    EXPECT_EQ(f.Sheets(), std::size_t(c.pages)) << what;
    for (const auto& p : f.PrintsOf(stretching->Name())) EXPECT_EQ(p.y, headerEnd) << what;
    EXPECT_EQ(f.Pages("Detail"), (std::vector{1, 2, 3})) << what;
    for (const auto& p : f.PrintsOf("Detail")) EXPECT_EQ(p.y, headerEnd + 100) << what;
    EXPECT_EQ(f.Pages("Footer"), (std::vector{1, 2, 3})) << what;
    for (const auto& p : f.PrintsOf("Footer")) EXPECT_EQ(p.y, c.footerTop + c.footer) << what;
    for (std::size_t s = 0; s < f.Sheets(); ++s) {
      const auto texts = f.Matching("Text", s);
      EXPECT_EQ(texts.size(), c.texts) << what << ", sheet " << s;
      for (const auto& t : texts)
        EXPECT_LE(std::stoi(t.substr(t.find(',') + 1)) + kLine, c.footerTop + 0.5) << what << ": " << t;
    }
  }
}

TEST(BreaksTest, ForcedBreaksOnAnyBandAloneOrInPairsEndWithEveryBandPrinted) {
  // Every band that generation prints asks for a new page or column, one
  // band at a time and two bands at a time, in one and two columns. A band
  // printed while a page or column begins (headers, footers) never starts
  // another one; every run ends with each band printed as often as it is
  // due and no page that holds nothing but headers and footers.
  const TBandType types[] = {TBandType::rbTitle,   TBandType::rbPageHeader, TBandType::rbColumnHeader,
                             TBandType::rbDetail,  TBandType::rbSummary,    TBandType::rbPageFooter};
  struct Flag { TBandType type; bool newPage; };
  std::vector<Flag> flags;
  for (TBandType t : types) flags.push_back({t, true}), flags.push_back({t, false});
  std::vector<std::vector<Flag>> sets;
  for (std::size_t i = 0; i < flags.size(); ++i) {
    sets.push_back({flags[i]});
    for (std::size_t j = i + 1; j < flags.size(); ++j)
      if (flags[j].type != flags[i].type) sets.push_back({flags[i], flags[j]});
  }
  ASSERT_EQ(sets.size(), 72u);
  constexpr int kRows = 4;
  int runs = 0;
  for (int columns : {1, 2}) {
    for (const auto& set : sets) {
      TReportFixture f;
      f.report->Page().SetColumns(columns);
      std::map<TBandType, TBand*> bands;
      for (TBandType t : types) bands[t] = &f.AddBand(t, 100, std::string(BandNameBase(t)));
      std::string what = std::to_string(columns) + " column(s):";
      for (const Flag& fl : set) {
        (fl.newPage ? bands[fl.type]->SetForceNewPage(true) : bands[fl.type]->SetForceNewColumn(true));
        what += std::string(" ") + std::string(BandNameBase(fl.type)) + (fl.newPage ? " new page" : " new column");
      }
      f.Rows(kRows);
      f.report->Preview();
      ++runs;
      const int pages = f.PageCount();
      EXPECT_GE(pages, 1) << what;
      // At most a page per detail, and one for the summary.
      EXPECT_LE(pages, kRows + 1) << what;
      EXPECT_EQ(f.Pages("DetailBand").size(), std::size_t(kRows)) << what;
      EXPECT_EQ(f.Pages("TitleBand"), std::vector{1}) << what;
      EXPECT_EQ(f.Pages("SummaryBand").size(), 1u) << what;
      std::vector<int> headers(std::size_t(pages + 1)), content(std::size_t(pages + 1));
      for (const auto& p : f.prints) {
        ASSERT_GE(p.page, 1) << what;
        ASSERT_LE(p.page, pages) << what;
        if (p.band == "PageHeaderBand") ++headers[std::size_t(p.page)];
        if (p.band == "DetailBand" || p.band == "TitleBand" || p.band == "SummaryBand")
          ++content[std::size_t(p.page)];
      }
      for (int page = 1; page <= pages; ++page) {
        EXPECT_EQ(headers[std::size_t(page)], 1) << what << ", page " << page;
        EXPECT_GT(content[std::size_t(page)], 0) << what << ": page " << page << " holds only headers";
      }
    }
  }
  EXPECT_EQ(runs, 144);
}


// A queue that offers A4 alone.
TFakePlatformPrinter::TQueue A4OnlyQueue() {
  TFakePlatformPrinter::TQueue q = CapableQueue("a4");
  q.paperCodes = {9};
  return q;
}

// The top of the last band filled on a sheet (the page footer's), in the
// sheet's device pixels.
int LastFillTop(const TPrintFixture& f, std::size_t sheet) {
  const auto fills = f.Matching("FillRect", sheet);
  if (fills.empty()) return -1;
  const std::string& r = fills.back();
  return std::stoi(r.substr(r.find(',') + 1));
}

TEST(BreaksTest, PagesAreLaidOutOnTheirOwnPaperWhateverThePrinterOffers) {
  // Header 100, 400-high details and a 200 footer on pages with 10 mm
  // margins: the footer's top is the page's length less 300, and details
  // fill from 200 down to it, on the page's own paper whether the printer
  // offers that paper, only another, or none at all. On a printer the page
  // lies at its own size where it fits the sheet (footer top as on the
  // page), scaled down and centred where it does not. The preview lays it
  // out as the print does, a page header with a stretching label of 57
  // lines included (its text measured once, in the reference metrics).
  struct Case {
    const char* what;
    TPaperSize paper;
    TPrinterOrientation orientation;
    TMeasurementSystem locale;
    bool printer;  // printed on an A4-only printer, else previewed without one
    std::vector<int> detailPages;
    long double footerTop;
    int sheetFooterTop;  // on the printed sheet, device pixels of 0.1 mm
    int headerLines = 0;
  } cases[] = {
      {"Default paper, no printer, metric", TPaperSize::Default, TPrinterOrientation::poPortrait,
       TMeasurementSystem::Metric, false, {1, 1, 1, 1, 1, 1, 2, 2, 2}, 2670, 0},
      {"Default paper, no printer, U.S.", TPaperSize::Default, TPrinterOrientation::poPortrait,
       TMeasurementSystem::UnitedStates, false, {1, 1, 1, 1, 1, 2, 2, 2, 2}, 2494, 0},
      {"A5 on an A4 printer", TPaperSize::A5, TPrinterOrientation::poPortrait, TMeasurementSystem::Metric, true,
       {1, 1, 1, 1, 2, 2, 2, 2, 3}, 1800, 1800},
      {"A5 landscape on an A4 printer", TPaperSize::A5, TPrinterOrientation::poLandscape,
       TMeasurementSystem::Metric, true, {1, 1, 2, 2, 3, 3, 4, 4, 5}, 1180, 1180},
      {"Letter on an A4 printer", TPaperSize::Letter, TPrinterOrientation::poPortrait,
       TMeasurementSystem::Metric, true, {1, 1, 1, 1, 1, 2, 2, 2, 2}, 2494, 2552},
      {"A4 on an A4 printer", TPaperSize::A4, TPrinterOrientation::poPortrait, TMeasurementSystem::Metric, true,
       {1, 1, 1, 1, 1, 1, 2, 2, 2}, 2670, 2670},
      {"B4 with a stretching page header on an A4 printer", TPaperSize::B4, TPrinterOrientation::poPortrait,
       TMeasurementSystem::Metric, true, {1, 1, 2, 2, 3, 3, 4, 4, 5}, 3240, 2718, 57},
  };
  for (const auto& c : cases) {
    TPrintFixture f(TUnitEnvironment{96, c.locale});
    TPageSetup& page = f.report->Page();
    page.SetPaperSize(c.paper);
    page.SetOrientation(c.orientation);
    for (int i : {TPageSetup::kTopMargin, TPageSetup::kBottomMargin, TPageSetup::kLeftMargin,
                  TPageSetup::kRightMargin})
      page.SetValue(i, 100);
    TBand& header = f.AddBand(TBandType::rbPageHeader, 100, "Header");
    if (c.headerLines > 0) f.AddStretchingLabel(&header, 42, c.headerLines);
    f.AddBand(TBandType::rbDetail, 400, "Detail");
    f.AddBand(TBandType::rbPageFooter, 200, "Footer");
    f.Rows(9);
    const int pages = c.detailPages.back();
    if (c.printer) {
      f.Print(A4OnlyQueue());
      EXPECT_EQ(f.Sheets(), std::size_t(pages)) << c.what;
      EXPECT_NEAR(LastFillTop(f, 0), c.sheetFooterTop, 1) << c.what;
      EXPECT_EQ(f.Pages("Detail"), c.detailPages) << c.what << ", printed";
      f.prints.clear();
      f.Rows(9);
    }
    f.report->Preview();
    EXPECT_EQ(f.PageCount(), pages) << c.what;
    EXPECT_EQ(f.Pages("Detail"), c.detailPages) << c.what;
    EXPECT_EQ(f.Pages("Header").size(), std::size_t(pages)) << c.what;
    const long double headerEnd = 200 + (c.headerLines > 1 ? RoundHalfEven(kLine * (c.headerLines - 1)) : 0);
    for (const auto& p : f.PrintsOf("Header")) EXPECT_EQ(p.y, headerEnd) << c.what;
    for (const auto& p : f.PrintsOf("Footer")) EXPECT_EQ(p.y, c.footerTop + 200) << c.what;
    for (const auto& p : f.PrintsOf("Detail")) EXPECT_LE(p.y, c.footerTop) << c.what;
  }
}

TEST(BreaksTest, CustomPaperIsStoredAsItIsLaidOutInEitherOrientation) {
  // A custom page 100 x 50 mm as it lies (Width 1000, Length 500): the
  // stored page and the bands agree on it, landscape or portrait, and so do
  // 50 x 100 mm pages.
  struct Case { long double width, length; TPrinterOrientation orientation; } cases[] = {
      {1000, 500, TPrinterOrientation::poLandscape}, {1000, 500, TPrinterOrientation::poPortrait},
      {500, 1000, TPrinterOrientation::poLandscape}, {500, 1000, TPrinterOrientation::poPortrait}};
  for (const auto& c : cases) {
    TReportFixture f;
    TPageSetup& page = f.report->Page();
    page.SetPaperSize(TPaperSize::Custom);
    page.SetWidth(c.width);
    page.SetLength(c.length);
    page.SetOrientation(c.orientation);
    TBand& detail = f.AddBand(TBandType::rbDetail, 100, "Detail");
    f.Rows(2);
    f.report->Preview();
    const std::string what = std::to_string(int(c.width)) + " x " + std::to_string(int(c.length)) +
                             (c.orientation == TPrinterOrientation::poLandscape ? " landscape" : " portrait");
    auto stored = f.previewSender->GetPage(1);
    ASSERT_TRUE(stored) << what;
    EXPECT_EQ(stored->WidthPx(), RoundHalfEvenToInt(c.width * 96 / 254)) << what;
    EXPECT_EQ(stored->HeightPx(), RoundHalfEvenToInt(c.length * 96 / 254)) << what;
    EXPECT_EQ(f.previewSender->PageWidth(), c.width) << what;
    EXPECT_EQ(f.previewSender->PageLength(), c.length) << what;
    EXPECT_LE(detail.FrameRect().right, stored->WidthPx()) << what;
    EXPECT_EQ(f.Pages("Detail"), (std::vector{1, 1})) << what;
  }
}

}  // namespace
