#include "output/page_stream.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "output/file_stream.h"
#include "output/temp_file.h"
#include "definition/report_error.h"
#include "test_support.h"
#include "resource_limits.h"
#include "expect_error.h"

using namespace test_support;

TEST(PageStream, StaysInMemoryUpToItsLimit) {
  TempDir dir;
  TPageStream s(100);
  Bytes data(100, 7);
  EXPECT_EQ(s.Write(data.data(), data.size()), 100u);
  EXPECT_TRUE(s.InMemory());
  EXPECT_TRUE(dir.RptFiles().empty());
  EXPECT_EQ(s.Size(), 100);
}

TEST(PageStream, MovesOnceToATemporaryFileWithoutANameKeepingContentAndPosition) {
  TempDir dir;
  std::string temp;
  {
    TPageStream s(100);
    Bytes first(60, 1), second(60, 2), third(10, 3);
    s.WriteAll(first.data(), first.size());
    EXPECT_EQ(s.TempFileDescriptor(), -1);
    s.WriteAll(second.data(), second.size());  // 120 > 100: moves
    ASSERT_FALSE(s.InMemory());
    // In the temporary directory, its owner's alone, and under no name: a
    // process killed now leaves nothing behind.
    const int fd = s.TempFileDescriptor();
    ASSERT_GE(fd, 0);
    temp = "/proc/self/fd/" + std::to_string(fd);
    EXPECT_EQ(std::filesystem::read_symlink(temp).parent_path(), dir.Path());
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    EXPECT_EQ(st.st_nlink, 0u);
    EXPECT_EQ(st.st_mode & 077, 0u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    EXPECT_EQ(s.Position(), 120);
    s.WriteAll(third.data(), third.size());
    EXPECT_EQ(s.Size(), 130);
    // Overwriting inside the file works as in memory.
    s.Seek(0, TSeekOrigin::Begin);
    std::uint8_t nine = 9;
    s.WriteAll(&nine, 1);
    Bytes back(130);
    s.Seek(0, TSeekOrigin::Begin);
    ASSERT_TRUE(s.ReadExact(back.data(), back.size()));
    EXPECT_EQ(back[0], 9);
    EXPECT_EQ(back[1], 1);
    EXPECT_EQ(back[60], 2);
    EXPECT_EQ(back[129], 3);
    EXPECT_EQ(ReadFile(temp), back);
  }
  EXPECT_FALSE(std::filesystem::exists(temp));
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(PageStream, FailedMoveLeavesTheStreamInMemoryUnchanged) {
  TempDir dir;
  TPageStream s(10);
  Bytes data(8, 5);
  s.WriteAll(data.data(), data.size());
  // The temporary file cannot take the bytes, as on a full disk.
  {
    ScopedFileSizeLimit full_disk(4);
    ASSERT_TRUE(full_disk.ok());
    EXPECT_THROW(s.Write(data.data(), data.size()), EReportError);
  }
  EXPECT_TRUE(s.InMemory());
  EXPECT_EQ(s.Size(), 8);
  EXPECT_EQ(s.Position(), 8);
}

TEST(PageStream, CreateFromFileIsReadOnlyAndLeavesTheFile) {
  TempDir dir;
  std::string name = dir.File("report.rpt");
  WriteFile(name, Bytes{1, 2, 3, 4});
  {
    auto s = TPageStream::CreateFromFile(name);
    EXPECT_FALSE(s->InMemory());
    EXPECT_EQ(s->MemoryLimit(), 0);
    EXPECT_EQ(s->Size(), 4);
    std::uint8_t b[4];
    EXPECT_TRUE(s->ReadExact(b, 4));
    EXPECT_EQ(b[3], 4);
    EXPECT_EQ(s->Read(b, 4), 0u);
    EXPECT_THROW(s->Write(b, 1), EReportError);
  }
  EXPECT_TRUE(std::filesystem::exists(name));
  try {
    TPageStream::CreateFromFile(dir.File("absent.rpt"));
    FAIL();
  } catch (const EReportError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.File("absent.rpt"));
  }
}

TEST(PageStream, CopyToCopiesEverythingInChunks) {
  TempDir dir;
  // Both in memory and in a file, with sizes around the chunk size.
  for (std::int32_t limit : {1 << 20, 100}) {
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, TPageStream::CopyChunk,
                          TPageStream::CopyChunk * 3 + 17}) {
      TPageStream s(limit);
      Bytes data(n);
      for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 7);
      if (n) s.WriteAll(data.data(), n);
      std::string out = dir.File("copy");
      {
        TFileStream f(out, TFileStream::TMode::Create);
        s.CopyTo(f);
      }
      EXPECT_EQ(ReadFile(out), data) << n << " bytes, limit " << limit;
    }
  }
}

namespace {

// Points TMPDIR at a directory where no file can be made, whoever runs the
// test (root too), for its lifetime.
class UnwritableTempDir {
 public:
  UnwritableTempDir() : tmpdir_("TMPDIR", "/proc") {}

 private:
  test_support::ScopedEnv tmpdir_;
};

}  // namespace

TEST(TempFileName, UnwritableDirectoryFailsWithCannotCreateFile) {
  UnwritableTempDir unwritable;
  EXPECT_REPORT_ERROR(TempFileName(), "Cannot create file /proc/RPTXXXXXX");
}

TEST(PageStream, MoveToAnUnwritableTempDirFailsTheWriteAndStaysInMemory) {
  TPageStream s(10);
  Bytes data(8, 5);
  s.WriteAll(data.data(), data.size());
  {
    UnwritableTempDir unwritable;
    EXPECT_REPORT_ERROR(s.Write(data.data(), data.size()), "Cannot create file /proc/RPTXXXXXX");
  }
  EXPECT_TRUE(s.InMemory());
  EXPECT_EQ(s.Size(), 8);
  // With a usable directory again, the same write moves it.
  TempDir dir;
  EXPECT_EQ(s.Write(data.data(), data.size()), data.size());
  EXPECT_FALSE(s.InMemory());
  EXPECT_EQ(s.Size(), 16);
}
