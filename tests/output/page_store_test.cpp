#include "output/page_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <random>
#include <thread>

#include "output/page_compressor.h"
#include "definition/report_error.h"
#include "test_support.h"
#include "expect_error.h"

using namespace test_support;

namespace {

// A store with a fresh in-memory stream and pages tagged 1..count.
std::unique_ptr<TPageStore> MakeStore(int count, bool compressed, std::size_t padding = 0) {
  auto store = std::make_unique<TPageStore>();
  store->SetCompression(compressed);
  store->SetStream(std::make_unique<TPageStream>(100000));
  for (int i = 1; i <= count; ++i) store->AddPageData(SampleEmf(i, padding));
  return store;
}

std::int64_t PageTag(TPageStore& store, int n) {
  auto page = store.GetPageData(n);
  return page ? TagOf(*page) : -1;
}

Bytes StreamBytes(TPageStore& store) {
  TPageStream& s = *store.Stream();
  Bytes b(static_cast<std::size_t>(s.Size()));
  s.Seek(0, TSeekOrigin::Begin);
  s.ReadExact(b.data(), b.size());
  return b;
}

}  // namespace

TEST(PageStore, OnePageIsHeaderAndOneRecordEndingIn128) {
  TempDir dir;
  auto store = MakeStore(1, false);
  Bytes page = SampleEmf(1);
  Bytes b = StreamBytes(*store);
  ASSERT_EQ(b.size(), 128 + 12 + page.size());
  EXPECT_EQ(b[0] | b[1] << 8, 3);
  EXPECT_EQ(b[2] | b[3] << 8, 350);
  EXPECT_EQ(Get32(b, 8), 1);
  EXPECT_EQ(b[25], 0);
  double stamp;
  std::memcpy(&stamp, b.data() + 16, 8);
  EXPECT_GT(stamp, 45000.0);  // after 2023
  for (int i : {4, 5, 6, 7, 12, 13, 14, 15, 24, 26, 100, 127}) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(Get32(b, 128), 1);                                    // page number
  EXPECT_EQ(Get32(b, 132), static_cast<std::int32_t>(b.size()));  // next record
  EXPECT_TRUE(std::equal(page.begin(), page.end(), b.begin() + 136));
  EXPECT_EQ(Get32(b, b.size() - 4), 128);
  EXPECT_EQ(PageTag(*store, 1), 1);
}

TEST(PageStore, ReadsAnyOrderFromWherePreviousReadLeftOff) {
  TempDir dir;
  struct Case {
    bool compressed;
    std::size_t padding;  // large pages push the stream into a file
  } cases[] = {{false, 0}, {true, 0}, {false, 30000}, {true, 30000}};
  for (const auto& c : cases) {
    auto store = MakeStore(7, c.compressed, c.padding);
    for (int n : {1, 2, 3, 2, 5, 1, 7, 6, 4, 4, 1, 6, 3, 7}) {
      EXPECT_EQ(PageTag(*store, n), n) << "compressed " << c.compressed << " pad " << c.padding;
    }
    // After a save the stream sits at its end; the walk starts from there.
    store->SaveToFile(dir.File("x.rpt"));
    EXPECT_EQ(PageTag(*store, 3), 3);
    std::mt19937 rng(5);
    for (int i = 0; i < 50; ++i) {
      int n = static_cast<int>(rng() % 7) + 1;
      EXPECT_EQ(PageTag(*store, n), n);
    }
  }
}

TEST(PageStore, PagesOutsideTheRangeAreNone) {
  auto store = MakeStore(3, false);
  EXPECT_FALSE(store->GetPageData(0));
  EXPECT_FALSE(store->GetPageData(4));
  EXPECT_FALSE(store->GetPageData(-1));
  EXPECT_EQ(PageTag(*store, 2), 2);
  TPageStore empty;
  EXPECT_FALSE(empty.GetPageData(1));
}

TEST(PageStore, MovesPast100000BytesToATemporaryFileDeletedWithTheStore) {
  TempDir dir;
  auto store = MakeStore(0, false);
  int pages = 0;
  while (store->Stream()->InMemory()) store->AddPageData(SampleEmf(++pages, 4000));
  EXPECT_GT(store->Stream()->Size(), 100000);
  EXPECT_LE(store->Stream()->Size() - (4000 + 176), 100000);
  const int fd = store->Stream()->TempFileDescriptor();
  ASSERT_GE(fd, 0);
  const std::string temp = "/proc/self/fd/" + std::to_string(fd);
  EXPECT_EQ(std::filesystem::read_symlink(temp).parent_path(), dir.Path());
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));  // a file without a name
  for (int i = 0; i < 5; ++i) store->AddPageData(SampleEmf(++pages, 4000));
  for (int n = 1; n <= pages; ++n) EXPECT_EQ(PageTag(*store, n), n);
  EXPECT_EQ(std::filesystem::file_size(temp), static_cast<std::uintmax_t>(store->Stream()->Size()));
  store.reset();
  EXPECT_FALSE(std::filesystem::exists(temp));
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(PageStore, HeaderCountShowsOneUntilFinish) {
  auto store = MakeStore(4, true);
  EXPECT_EQ(Get32(StreamBytes(*store), 8), 1);
  EXPECT_EQ(StreamBytes(*store)[25], 1);
  store->Finish();
  EXPECT_EQ(Get32(StreamBytes(*store), 8), 4);
  EXPECT_EQ(store->PageCount(), 4);
  EXPECT_EQ(PageTag(*store, 4), 4);  // Finish leaves the stream at a record
}

TEST(PageStore, CompressedRecordHoldsLengthAndCodedBytes) {
  auto store = MakeStore(1, true, 100);
  Bytes page = SampleEmf(1, 100);
  Bytes packed;
  {
    TPageCompressor coder(packed);
    coder.Encode(page.data(), page.size());
  }
  Bytes b = StreamBytes(*store);
  EXPECT_EQ(Get32(b, 136), static_cast<std::int32_t>(page.size()));
  ASSERT_EQ(b.size(), 128 + 12 + 4 + packed.size());
  EXPECT_TRUE(std::equal(packed.begin(), packed.end(), b.begin() + 140));
}

TEST(PageStore, ReadsWhileLaterPagesAreAdded) {
  auto store = MakeStore(0, false);
  for (int i = 1; i <= 40; ++i) {
    store->AddPageData(SampleEmf(i, 3000));
    EXPECT_EQ(PageTag(*store, i), i);
    EXPECT_EQ(PageTag(*store, (i + 1) / 2), (i + 1) / 2);
    EXPECT_FALSE(store->GetPageData(i + 1));
  }
}

TEST(PageStore, RejectsBytesThatAreNotAMetafile) {
  auto store = MakeStore(0, false);
  Bytes page = SampleEmf(1);
  Bytes shorter(page.begin(), page.end() - 4);  // header states more
  Bytes foreign(200, 0x41);
  for (const Bytes& b : {shorter, foreign, Bytes{}}) {
    EXPECT_THROW(store->AddPageData(b), EReportError);
  }
  EXPECT_EQ(store->PageCount(), 0);
  TPageStore no_stream;
  EXPECT_THROW(no_stream.AddPageData(page), EReportError);
}

TEST(PageStore, SavesLoadsAndTheLoadedFileOutlivesTheStore) {
  TempDir dir;
  std::string name = dir.File("report.rpt");
  auto store = MakeStore(5, false, 50);
  store->Finish();
  store->SaveToFile(name);
  EXPECT_EQ(ReadFile(name), StreamBytes(*store));
  {
    TPageStore loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.PageCount(), 5);
    for (int n : {5, 1, 3, 4, 2}) EXPECT_EQ(PageTag(loaded, n), n);
    // A loaded store is read-only.
    EXPECT_THROW(loaded.AddPageData(SampleEmf(9)), EReportError);
    EXPECT_EQ(loaded.PageCount(), 5);
    loaded.SaveToFile(dir.File("again.rpt"));
  }
  EXPECT_TRUE(std::filesystem::exists(name));
  EXPECT_EQ(ReadFile(dir.File("again.rpt")), ReadFile(name));
  // No stray temporary files beside the target.
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
  EXPECT_EQ(files, 2);
}

TEST(PageStore, SaveFailureKeepsTheStoreAndAnyOldTarget) {
  TempDir dir;
  auto store = MakeStore(2, false);
  std::string bad = dir.File("no/such/dir.rpt");
  try {
    store->SaveToFile(bad);
    FAIL();
  } catch (const EReportError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + bad);
  }
  EXPECT_EQ(PageTag(*store, 2), 2);
  // A target that is a directory cannot be replaced; it stays as it was.
  std::filesystem::create_directory(dir.File("adir"));
  EXPECT_THROW(store->SaveToFile(dir.File("adir")), EReportError);
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("adir")));
}

TEST(PageStore, LoadFailuresLeaveNoStream) {
  TempDir dir;
  TPageStore store;
  try {
    store.LoadFromFile(dir.File("absent.rpt"));
    FAIL();
  } catch (const EReportError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.File("absent.rpt"));
  }
  EXPECT_EQ(store.Stream(), nullptr);
  Bytes header(128, 0);
  header[8] = 1;  // one page, no record
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"short header", Bytes(100, 0)},
      {"count beyond records", header},
      {"negative count", [] { Bytes h(128, 0); h[11] = 0x80; return h; }()},
  };
  for (const auto& c : cases) {
    WriteFile(dir.File("bad.rpt"), c.bytes);
    try {
      store.LoadFromFile(dir.File("bad.rpt"));
      FAIL() << c.what;
    } catch (const EReportError& e) {
      EXPECT_EQ(std::string(e.what()), "Saved report " + dir.File("bad.rpt") + " is damaged");
    }
    EXPECT_EQ(store.Stream(), nullptr);
    EXPECT_EQ(store.PageCount(), 0);
  }
}

namespace {

// Loads bytes as a saved report and reads every page in a scattered order.
// Each page either comes back as written or fails with EReportError.
void ExpectCleanOutcome(const TempDir& dir, const Bytes& bytes, bool compressed, int written) {
  std::string name = dir.File("damaged.rpt");
  WriteFile(name, bytes);
  TPageStore store;
  store.SetCompression(compressed);
  try {
    store.LoadFromFile(name);
  } catch (const EReportError&) {
    return;
  }
  int count = store.PageCount();
  for (int n : {1, count, 2, count - 1, 3, 1, count + 1, 0}) {
    try {
      auto page = store.GetPageData(n);
      if (page && n <= written) {
        EXPECT_EQ(*page, SampleEmf(n, 20)) << "page " << n;
      }
    } catch (const EReportError&) {
    }
  }
}

void Set32(Bytes& b, std::size_t at, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}

}  // namespace

TEST(PageStoreDamagedFiles, TruncatedAtEveryLength) {
  TempDir dir;
  for (bool compressed : {false, true}) {
    auto store = MakeStore(4, compressed, 20);
    store->Finish();
    Bytes full = StreamBytes(*store);
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
      ExpectCleanOutcome(dir, Bytes(full.begin(), full.begin() + cut), compressed, 4);
    }
  }
}

TEST(PageStoreDamagedFiles, BrokenChainsAndCounts) {
  TempDir dir;
  auto store = MakeStore(4, false, 20);
  store->Finish();
  const Bytes good = StreamBytes(*store);
  const std::size_t rec = 12 + SampleEmf(1, 20).size();
  const std::size_t r2 = 128 + rec, r3 = 128 + 2 * rec;
  struct Case {
    const char* what;
    void (*change)(Bytes&, std::size_t, std::size_t);
    int failing_page;  // reading this page must fail, however it is approached
  } cases[] = {
      {"next offset loops to itself", [](Bytes& b, std::size_t r2, std::size_t) { Set32(b, r2 + 4, static_cast<std::int32_t>(r2)); }, 2},
      {"next offset outside", [](Bytes& b, std::size_t r2, std::size_t) { Set32(b, r2 + 4, 1 << 30); }, 2},
      {"next offset negative", [](Bytes& b, std::size_t r2, std::size_t) { Set32(b, r2 + 4, -5); }, 2},
      {"back offset loops", [](Bytes& b, std::size_t, std::size_t r3) { Set32(b, r3 - 4, static_cast<std::int32_t>(r3)); }, 0},
      {"last start outside", [](Bytes& b, std::size_t, std::size_t) { Set32(b, b.size() - 4, 1 << 30); }, 0},
      {"last start in header", [](Bytes& b, std::size_t, std::size_t) { Set32(b, b.size() - 4, 4); }, 0},
      {"count larger than records", [](Bytes& b, std::size_t, std::size_t) { Set32(b, 8, 6); }, 6},
      {"page numbers skip", [](Bytes& b, std::size_t, std::size_t r3) { Set32(b, r3, 9); }, 3},
      {"not a metafile", [](Bytes& b, std::size_t r2, std::size_t) { b[r2 + 8] = 7; }, 2},
      {"metafile longer than record", [](Bytes& b, std::size_t r2, std::size_t) { Set32(b, r2 + 8 + 48, 1 << 20); }, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = good;
    c.change(b, r2, r3);
    ExpectCleanOutcome(dir, b, false, 4);
    if (c.failing_page) {
      WriteFile(dir.File("d.rpt"), b);
      TPageStore loaded;
      loaded.LoadFromFile(dir.File("d.rpt"));
      // Approach the page from both sides and directly.
      for (int before : {1, 4, 0}) {
        if (before) try { loaded.GetPageData(before); } catch (const EReportError&) {}
        EXPECT_THROW(loaded.GetPageData(c.failing_page), EReportError);
      }
    }
  }
}

// Record-start fields only serve walks back and to the last page; wrong
// ones lose no page, just as the page tools, reading forward, lose none.
TEST(PageStoreDamagedFiles, WrongRecordStartFieldsLoseNoPage) {
  auto store = MakeStore(4, false, 20);
  store->Finish();
  const Bytes good = StreamBytes(*store);
  const std::size_t rec = 12 + SampleEmf(1, 20).size();
  for (std::size_t field : {128 + 2 * rec - 4, good.size() - 4}) {  // page 2's, page 4's
    for (std::int32_t value : {1, static_cast<std::int32_t>(128 + rec), 1 << 30}) {
      Bytes b = good;
      Set32(b, field, value);
      TPageStore loaded;
      loaded.LoadFromStream(TPageStream::CreateFromBytes(b), "memory");
      for (int n : {4, 3, 2, 1, 3, 4}) EXPECT_EQ(PageTag(loaded, n), n) << field << " " << value;
    }
  }
}

TEST(PageStoreDamagedFiles, CompressedDataThatRunsOutOrLies) {
  TempDir dir;
  auto store = MakeStore(2, true, 20);
  store->Finish();
  const Bytes good = StreamBytes(*store);
  struct Case {
    const char* what;
    std::int32_t length;
  } cases[] = {{"huge length", 0x7FFFFFFF}, {"negative length", -1}, {"more than the bits hold", 5000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = good;
    Set32(b, 136, c.length);
    WriteFile(dir.File("c.rpt"), b);
    TPageStore loaded;
    loaded.SetCompression(true);
    loaded.LoadFromFile(dir.File("c.rpt"));
    EXPECT_THROW(loaded.GetPageData(1), EReportError);
    EXPECT_EQ(PageTag(loaded, 2), 2);  // the store stays usable
  }
  // Uncompressed data read as compressed, and the reverse, fail cleanly.
  ExpectCleanOutcome(dir, good, false, 0);
  auto plain = MakeStore(2, false, 20);
  plain->Finish();
  ExpectCleanOutcome(dir, StreamBytes(*plain), true, 0);
}

TEST(PageStoreDamagedFiles, RandomCorruptionNeverCrashes) {
  TempDir dir;
  std::mt19937 rng(42);
  for (bool compressed : {false, true}) {
    auto store = MakeStore(5, compressed, 20);
    store->Finish();
    const Bytes good = StreamBytes(*store);
    for (int round = 0; round < 300; ++round) {
      Bytes b = good;
      int flips = 1 + static_cast<int>(rng() % 4);
      for (int i = 0; i < flips; ++i) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
      ExpectCleanOutcome(dir, b, compressed, 0);
    }
  }
}

#include "emf_test_util.h"
#include "output/stored_page.h"

namespace {

TStoredPage RecordedPage(int number) {
  return TStoredPage::FromBytes(RecordPage([number](TCanvas& c) {
    c.MoveTo(10, 10 + number);
    c.LineTo(390, 10 + number);
    c.Rectangle({20, 20, 200, 100});
    c.TextOut(30, 40, "Page " + std::to_string(number));
  }));
}

}  // namespace

TEST(PageStoreDrawings, RecordedPagesComeBackAsNewDrawings) {
  for (bool compressed : {false, true}) {
    TPageStore store;
    store.SetCompression(compressed);
    store.SetStream(std::make_unique<TPageStream>(100000));
    for (int i = 1; i <= 3; ++i) store.AddPage(RecordedPage(i));
    for (int n : {2, 3, 1}) {
      std::unique_ptr<TStoredPage> page = store.GetPage(n);
      ASSERT_TRUE(page);
      EXPECT_EQ(page->Bytes(), RecordedPage(n).Bytes());
      EXPECT_EQ(page->WidthPx(), 400);
    }
    EXPECT_EQ(store.GetPage(4), nullptr);
    EXPECT_EQ(store.GetPage(0), nullptr);
  }
}

TEST(PageStoreDrawings, PageWithABadRecordIsNotAValidMetafile) {
  TPageStore store;
  store.SetStream(std::make_unique<TPageStream>(100000));
  Bytes page = RecordedPage(1).Bytes();
  // The record after the header claims a size that runs past the end.
  std::uint32_t header_size = U32At(page, 4);
  PutU32At(page, header_size + 4, 0x7FFFFFF0u);
  store.AddPageData(page);  // the header alone is fine
  EXPECT_TRUE(store.GetPageData(1));
  EXPECT_REPORT_ERROR(store.GetPage(1), "Metafile is not valid");
}

#include <thread>
#include "resource_limits.h"

TEST(PageStoreThreads, ReaderSeesCompletePagesWhileAWriterAdds) {
  TempDir dir;
  for (bool compressed : {false, true}) {
    auto store = MakeStore(0, compressed);
    std::atomic<bool> done{false};
    std::thread writer([&] {
      for (int i = 1; i <= 150; ++i) store->AddPageData(SampleEmf(i, 1500));
      done = true;
    });
    int reads = 0;
    std::mt19937 rng(9);
    while (!done || reads < 200) {
      int count = store->PageCount();
      if (count == 0) continue;
      int n = static_cast<int>(rng() % count) + 1;
      EXPECT_EQ(PageTag(*store, n), n);
      ++reads;
    }
    writer.join();
    EXPECT_FALSE(store->Stream()->InMemory());
  }
}

// A record goes out in parts to a stream that gathers writes (in memory,
// or the page tools' file) and whole to a file that takes each write at
// once: the bytes are the same either way, and every page reads back.
TEST(PageStore, RecordsAreTheSameBytesWhicheverWayTheStreamTakesThem) {
  TempDir dir;
  std::vector<Bytes> made;
  for (bool write_through : {true, false}) {
    TPageStore store;
    auto stream = std::make_unique<TPageStream>(100000);
    stream->SetWriteThrough(write_through);
    store.SetStream(std::move(stream));
    for (int i = 1; i <= 40; ++i) store.AddPageData(SampleEmf(i, i % 3 == 0 ? 9000 : 10));
    store.Finish();
    EXPECT_FALSE(store.Stream()->InMemory());
    for (int i = 40; i >= 1; --i) EXPECT_EQ(PageTag(store, i), i);
    Bytes bytes = StreamBytes(store);
    std::fill_n(bytes.begin() + saved_report::kTimeStampOffset, 8, 0);
    made.push_back(bytes);
  }
  EXPECT_EQ(made[0], made[1]);
}

TEST(PageStore, AddPageThatCannotMoveToAFileLeavesNoPartialRecord) {
  TempDir dir;
  auto store = MakeStore(1, false);
  const Bytes before = StreamBytes(*store);
  {
    ScopedFileSizeLimit full_disk(64);  // not even the header fits
    ASSERT_TRUE(full_disk.ok());
    EXPECT_THROW(store->AddPageData(SampleEmf(2, 120000)), EReportError);
  }
  EXPECT_EQ(store->PageCount(), 1);
  EXPECT_TRUE(store->Stream()->InMemory());
  EXPECT_EQ(StreamBytes(*store), before);
  store->AddPageData(SampleEmf(2, 120000));  // now the move works
  EXPECT_EQ(PageTag(*store, 2), 2);
  EXPECT_EQ(PageTag(*store, 1), 1);
}

TEST(PageStore, ARecordWrittenOnlyInPartIsCutAndTheChainStaysWhole) {
  TempDir dir;
  auto store = MakeStore(1, false);
  const Bytes before = StreamBytes(*store);
  {
    // The move to the file succeeds; the disk fills during the record.
    ScopedFileSizeLimit full_disk(before.size() + 1000);
    ASSERT_TRUE(full_disk.ok());
    EXPECT_THROW(store->AddPageData(SampleEmf(2, 120000)), EReportError);
  }
  EXPECT_EQ(store->PageCount(), 1);
  EXPECT_EQ(StreamBytes(*store), before);
  store->AddPageData(SampleEmf(3, 120000));
  store->AddPageData(SampleEmf(4, 10));
  store->Finish();
  EXPECT_EQ(PageTag(*store, 3), 4);
  EXPECT_EQ(PageTag(*store, 2), 3);
  EXPECT_EQ(PageTag(*store, 1), 1);
}

namespace {

// Loads name on another thread; true when that returned (or threw) within
// a few seconds. A load still blocked is set free by opening the pipe's
// other end, so the test ends either way.
bool LoadReturnsPromptly(const std::string& name, std::string& error) {
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  std::thread loader([&] {
    TPageStore store;
    try {
      store.LoadFromFile(name);
    } catch (const EReportError& e) {
      error = e.what();
    }
    done.set_value();
  });
  const bool prompt = finished.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  if (!prompt) {
    int fd = ::open(name.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }
  loader.join();
  return prompt;
}

}  // namespace

TEST(PageStore, LoadRefusesWhatIsNotARegularFileWithoutBlocking) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.rpt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = dir.File("folder.rpt");
  std::filesystem::create_directory(folder);
  for (const std::string& name : {fifo, folder, std::string("/dev/zero")}) {
    std::string error;
    EXPECT_TRUE(LoadReturnsPromptly(name, error)) << name << " blocked the load";
    EXPECT_EQ(error, "Cannot open file " + name);
  }
}

TEST(PageStore, LoadsFromBytesAsFromTheFile) {
  TempDir dir;
  auto written = MakeStore(4, true, 30);
  written->Finish();
  const Bytes bytes = StreamBytes(*written);
  TPageStore store;
  store.SetCompression(true);
  store.LoadFromStream(TPageStream::CreateFromBytes(bytes), "memory");
  ASSERT_EQ(store.PageCount(), 4);
  for (int n : {3, 1, 4, 2}) EXPECT_EQ(*store.GetPageData(n), SampleEmf(n, 30)) << n;
  // Read-only like a loaded file.
  EXPECT_THROW(store.Stream()->Write(bytes.data(), 1), EReportError);
  EXPECT_REPORT_ERROR(store.LoadFromStream(TPageStream::CreateFromBytes(Bytes(127, 0)), "memory"),
                      "Saved report memory is damaged");
  EXPECT_EQ(store.Stream(), nullptr);
}

TEST(PageStore, LocateRecordGivesTheOffsetsOfTheChain) {
  auto store = MakeStore(3, false, 8);
  const Bytes b = StreamBytes(*store);
  std::int64_t start = 128;
  for (int n : {1, 2, 3}) {
    auto place = store->LocateRecord(n);
    ASSERT_TRUE(place) << n;
    EXPECT_EQ(place->start, start) << n;
    EXPECT_EQ(place->next, Get32(b, static_cast<std::size_t>(start) + 4)) << n;
    EXPECT_EQ(place->DataSize(), static_cast<std::int64_t>(SampleEmf(n, 8).size())) << n;
    start = place->next;
  }
  EXPECT_FALSE(store->LocateRecord(0));
  EXPECT_FALSE(store->LocateRecord(4));
  // A broken forward link is reported as the page store reports it.
  Bytes broken = b;
  Set32(broken, 128 + 4, 5);
  TPageStore loaded;
  loaded.LoadFromStream(TPageStream::CreateFromBytes(broken), "broken");
  EXPECT_REPORT_ERROR(loaded.LocateRecord(1), "Page 1 is missing from the saved report");
}
