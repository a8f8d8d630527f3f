#include "output/stored_page.h"

#include <gtest/gtest.h>

#include "canvas_log.h"
#include "emf_test_util.h"
#include "definition/report_error.h"

namespace {

std::vector<std::uint8_t> Page(int lines) {
  return RecordPage([&](TCanvas& c) {
    for (int i = 0; i < lines; ++i) {
      c.MoveTo(0, i);
      c.LineTo(100, i);
    }
  });
}

TEST(StoredPage, ReaderOfAStreamConsumesExactlyTheStatedLength) {
  const auto a = Page(3), b = Page(7);
  std::vector<std::uint8_t> stream = a;
  stream.insert(stream.end(), b.begin(), b.end());
  stream.insert(stream.end(), {9, 9, 9, 9});  // what follows the pages

  std::size_t pos = 0;
  std::vector<TStoredPage> pages;
  for (int k = 0; k < 2; ++k) {
    std::span<const std::uint8_t> prefix(stream.data() + pos, TStoredPage::kLengthPrefixSize);
    const std::size_t n = TStoredPage::StatedLength(prefix);
    pages.push_back(TStoredPage::FromBytes({stream.begin() + pos, stream.begin() + pos + n}));
    pos += n;
  }
  EXPECT_EQ(pos, a.size() + b.size());
  EXPECT_EQ(pages[0].Bytes(), a);
  EXPECT_EQ(pages[1].Bytes(), b);
  EXPECT_EQ(pages[1].WidthPx(), 400);
  EXPECT_EQ(pages[1].HeightPx(), 300);

  TCanvasLog log;
  pages[1].Play(log, {0, 0, 400, 300});
  EXPECT_EQ(log.lines.size(), 7u);
}

TEST(StoredPage, RefusesWhatIsNotAWholeValidMetafile) {
  const auto page = Page(2);
  struct TCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
  };
  auto longer = page;
  longer.push_back(0);
  const std::vector<std::uint8_t> shorter(page.begin(), page.end() - 1);
  auto huge = page;
  PutU32At(huge, 48, 0x7FFFFFFC);
  auto broken = page;
  PutU32At(broken, 108 + 4, 6);
  const TCase cases[] = {{"empty", {}},         {"longer than stated", longer},
                         {"shorter", shorter},  {"implausibly long", huge},
                         {"bad record", broken}, {"text", std::vector<std::uint8_t>(200, 'a')}};
  for (const TCase& c : cases) {
    try {
      TStoredPage::FromBytes(c.bytes);
      ADD_FAILURE() << c.name << " accepted";
    } catch (const EReportError& e) {
      EXPECT_STREQ(e.what(), "Metafile is not valid") << c.name;
    }
  }
  EXPECT_THROW(TStoredPage::StatedLength(std::span(page.data(), 40)), EReportError);
  EXPECT_THROW(TStoredPage::StatedLength(huge), EReportError);
  EXPECT_EQ(TStoredPage::StatedLength(std::span(page.data(), TStoredPage::kLengthPrefixSize)), page.size());
}

}  // namespace
