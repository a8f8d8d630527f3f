#include "output/page_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "output/page_store.h"
#include "definition/report_error.h"
#include "test_support.h"

using namespace test_support;

namespace {

// Writes a finished saved report whose pages carry the given tags.
void MakeReport(const std::string& name, const std::vector<std::uint32_t>& tags,
                std::size_t padding = 0) {
  TPageStore store;
  store.SetStream(std::make_unique<TPageStream>(100000));
  for (auto t : tags) store.AddPageData(SampleEmf(t, padding));
  store.Finish();
  store.SaveToFile(name);
}

// The tags of a saved report's pages, checking the record numbers and the
// header count on the way.
std::vector<std::int64_t> Tags(const std::string& name) {
  Bytes file = ReadFile(name);
  EXPECT_GE(file.size(), 128u);
  TPageStore store;
  store.LoadFromFile(name);
  EXPECT_EQ(Get32(file, 8), store.PageCount());
  std::vector<std::int64_t> tags;
  std::size_t at = 128;
  for (int n = 1; n <= store.PageCount(); ++n) {
    EXPECT_EQ(Get32(file, at), n) << "record number";
    at = static_cast<std::size_t>(Get32(file, at + 4));
    tags.push_back(TagOf(*store.GetPageData(n)));
  }
  EXPECT_EQ(at, file.size());
  return tags;
}

using Tags_ = std::vector<std::int64_t>;

}  // namespace

TEST(ExtractPages, RangesAsGiven) {
  TempDir dir;
  std::string src = dir.File("five.rpt");
  MakeReport(src, {11, 12, 13, 14, 15});
  struct Case {
    std::int32_t first, last;
    Tags_ want;
  } cases[] = {
      {2, 3, {12, 13}},
      {0, 0, {11, 12, 13, 14, 15}},
      {0, -7, {11, 12, 13, 14, 15}},
      {4, 2, {}},
      {3, 0, {}},
      {3, 99, {13, 14, 15}},
      {-2, 2, {11, 12}},
      {5, 5, {15}},
      {6, 9, {}},
  };
  for (const auto& c : cases) {
    std::string dst = dir.File("out.rpt");
    EXPECT_TRUE(ExtractPages(src, dst, c.first, c.last));
    EXPECT_EQ(Tags(dst), c.want) << c.first << ".." << c.last;
  }
}

TEST(ExtractPages, EmptyResultIsAZeroHeader) {
  TempDir dir;
  std::string src = dir.File("two.rpt"), dst = dir.File("none.rpt");
  MakeReport(src, {1, 2});
  ExtractPages(src, dst, 4, 2);
  EXPECT_EQ(ReadFile(dst), Bytes(128, 0));
  TPageStore loaded;
  loaded.LoadFromFile(dst);
  EXPECT_EQ(loaded.PageCount(), 0);
  EXPECT_FALSE(loaded.GetPageData(1));
}

TEST(ExtractPages, KeepsHeaderFieldsOfTheFirstPage) {
  TempDir dir;
  std::string src = dir.File("s.rpt"), dst = dir.File("d.rpt");
  MakeReport(src, {1, 2, 3});
  ExtractPages(src, dst, 2, 3);
  Bytes h = ReadFile(dst);
  EXPECT_EQ(h[0], 3);
  EXPECT_EQ(h[2] | h[3] << 8, 350);
  EXPECT_EQ(Get32(h, 8), 2);
  EXPECT_EQ(h[25], 0);
}

TEST(ExtractPages, FailuresWriteNoTarget) {
  TempDir dir;
  std::string dst = dir.File("d.rpt");
  EXPECT_THROW(ExtractPages(dir.File("absent.rpt"), dst, 0, 0), EReportError);
  EXPECT_FALSE(std::filesystem::exists(dst));
  std::string src = dir.File("s.rpt");
  MakeReport(src, {1});
  EXPECT_THROW(ExtractPages(src, dir.File("no/dir/d.rpt"), 0, 0), EReportError);
  // A damaged source fails rather than yield a silently shorter target.
  Bytes b = ReadFile(src);
  b[8] = 2;
  b.resize(b.size() + 12, 0);
  WriteFile(src, b);
  EXPECT_THROW(ExtractPages(src, dst, 0, 0), EReportError);
  EXPECT_FALSE(std::filesystem::exists(dst));
}

TEST(JoinReports, ArgumentFaultsTouchNoFile) {
  TempDir dir;
  std::vector<std::string> none;
  std::vector<std::string> one = {dir.File("absent.rpt")};
  std::string dst = dir.File("d.rpt");
  EXPECT_EQ(JoinReports("", &one), -1);
  EXPECT_EQ(JoinReports(dst, nullptr), -2);
  EXPECT_EQ(JoinReports(dst, &none), -3);
  EXPECT_EQ(JoinReports("", nullptr), -2);  // the later finding wins
  EXPECT_EQ(JoinReports("", &none), -3);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(JoinReports, RepeatsAndConcatenates) {
  TempDir dir;
  std::string a = dir.File("a.rpt"), b = dir.File("b.rpt"), dst = dir.File("d.rpt");
  MakeReport(a, {1, 2});
  MakeReport(b, {7});
  std::vector<std::string> three_a = {a, a, a};
  EXPECT_EQ(JoinReports(dst, &three_a), 0);
  EXPECT_EQ(Tags(dst), (Tags_{1, 2, 1, 2, 1, 2}));
  std::vector<std::string> mixed = {b, a, b};
  EXPECT_EQ(JoinReports(dst, &mixed), 0);
  EXPECT_EQ(Tags(dst), (Tags_{7, 1, 2, 7}));
  // The target may be one of the sources.
  std::vector<std::string> self = {a, b};
  EXPECT_EQ(JoinReports(a, &self), 0);
  EXPECT_EQ(Tags(a), (Tags_{1, 2, 7}));
}

TEST(JoinReports, LargeTargetsGoThroughATemporaryFileThatIsGoneAfterwards) {
  TempDir dir;
  std::string a = dir.File("a.rpt"), dst = dir.File("d.rpt");
  MakeReport(a, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 6000);  // about 62 KB
  std::vector<std::string> twice = {a, a};
  EXPECT_EQ(JoinReports(dst, &twice), 0);
  EXPECT_GT(std::filesystem::file_size(dst), 100000u);
  EXPECT_EQ(Tags(dst).size(), 20u);
  EXPECT_TRUE(dir.RptFiles().empty());
}

TEST(JoinReports, UnreadableSourceWritesNoTarget) {
  TempDir dir;
  std::string a = dir.File("a.rpt"), dst = dir.File("d.rpt");
  MakeReport(a, {1});
  std::vector<std::string> list = {a, dir.File("absent.rpt")};
  EXPECT_THROW(JoinReports(dst, &list), EReportError);
  EXPECT_FALSE(std::filesystem::exists(dst));
}

#include <sys/stat.h>

TEST(JoinReports, TemporaryFileOnAnotherFileSystemIsCopied) {
  TempDir targets;
  std::string shm_tmp = "/dev/shm/rptjoinXXXXXX";
  struct stat a {}, b {};
  if (::stat("/dev/shm", &a) != 0 || ::stat(targets.Path().c_str(), &b) != 0 || a.st_dev == b.st_dev ||
      !::mkdtemp(shm_tmp.data())) {
    GTEST_SKIP() << "no second file system for temporary files";
  }
  std::string src = targets.File("a.rpt"), dst = targets.File("d.rpt");
  MakeReport(src, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 6000);
  ::setenv("TMPDIR", shm_tmp.c_str(), 1);  // TempDir restores it
  std::vector<std::string> twice = {src, src};
  EXPECT_EQ(JoinReports(dst, &twice), 0);
  EXPECT_EQ(Tags(dst).size(), 20u);
  EXPECT_TRUE(std::filesystem::is_empty(shm_tmp));
  std::filesystem::remove_all(shm_tmp);
}

namespace {

struct TPageDamage {
  const char* name;
  std::function<void(Bytes&)> apply;
};

void Put32At(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Each leaves the metafile header and its stated length alone, so only a
// walk over the records finds them. SampleEmf(2, 4) is a 108-byte header,
// a 20-byte comment at 108 and the 20-byte EOF at 128.
const TPageDamage kPageDamages[] = {
    {"record_size_zero", [](Bytes& b) { Put32At(b, 112, 0); }},
    {"record_size_unaligned", [](Bytes& b) { Put32At(b, 112, 18); }},
    {"record_runs_past_the_end", [](Bytes& b) { Put32At(b, 112, 4000); }},
    {"last_record_not_eof", [](Bytes& b) { Put32At(b, 128, 70); }},
    {"record_count_off", [](Bytes& b) { Put32At(b, 52, 4); }},
};

void PrintTo(const TPageDamage& d, std::ostream* os) { *os << d.name; }

// A three-page report whose page 2 carries the damage.
std::string DamagedReport(const TempDir& dir, const TPageDamage& d) {
  std::string name = dir.File("damaged.rpt");
  Bytes bad = SampleEmf(2, 4);
  d.apply(bad);
  TPageStore store;
  store.SetStream(std::make_unique<TPageStream>(100000));
  store.AddPageData(SampleEmf(1));
  store.AddPageData(bad);  // the store checks only the stated length
  store.AddPageData(SampleEmf(3));
  store.Finish();
  store.SaveToFile(name);
  return name;
}

class DamagedPage : public testing::TestWithParam<TPageDamage> {};

TEST_P(DamagedPage, FailsExtractWithoutTarget) {
  TempDir dir;
  const std::string src = DamagedReport(dir, GetParam());
  const std::string dst = dir.File("d.rpt");
  try {
    ExtractPages(src, dst, 2, 2);
    ADD_FAILURE() << "copied a damaged page";
  } catch (const EReportError& e) {
    EXPECT_STREQ(e.what(), "Metafile is not valid");
  }
  EXPECT_FALSE(std::filesystem::exists(dst));
  // Pages around it are sound and copy as ever.
  ExtractPages(src, dst, 3, 3);
  EXPECT_EQ(Tags(dst), (Tags_{3}));
}

TEST_P(DamagedPage, FailsJoinWithoutTarget) {
  TempDir dir;
  const std::string src = DamagedReport(dir, GetParam());
  const std::string dst = dir.File("j.rpt");
  const std::vector<std::string> list = {src};
  try {
    JoinReports(dst, &list);
    ADD_FAILURE() << "copied a damaged page";
  } catch (const EReportError& e) {
    EXPECT_STREQ(e.what(), "Metafile is not valid");
  }
  EXPECT_FALSE(std::filesystem::exists(dst));
}

INSTANTIATE_TEST_SUITE_P(Records, DamagedPage, testing::ValuesIn(kPageDamages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
