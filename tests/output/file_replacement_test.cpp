#include "output/file_replacement.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <dirent.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "definition/report_error.h"
#include "scoped_tmpfs.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

struct stat Stat(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st;
}

int Entries(const fs::path& dir) {
  int n = 0;
  for (auto& e : fs::directory_iterator(dir)) (void)e, ++n;
  return n;
}

// What a replacement reports: empty when it succeeded, else its message.
std::string Replace(const fs::path& name, const std::string& content) {
  try {
    ReplaceFile(name, {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});
    return {};
  } catch (const EReportError& e) {
    return e.what();
  }
}

// Runs `body` in a child process as the user nobody; its exit code is the
// result (0 for success).
int AsNobody(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
        ::setresuid(65534, 65534, 65534) != 0)
      _exit(77);
    _exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

class FileReplacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/broodlog-replace-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    old_mask_ = ::umask(022);
  }
  void TearDown() override {
    ::umask(old_mask_);
    fs::remove_all(dir_);
  }
  fs::path dir_;
  mode_t old_mask_ = 0;
};

// Links, hard links, mode and owner of existing files: rptool's target
// tests. A new file, through a dangling link, gets the umask's mode.
TEST_F(FileReplacementTest, ANewFileGetsTheModeTheUmaskGives) {
  fs::create_symlink("made", dir_ / "link");
  EXPECT_EQ(Replace(dir_ / "link", "new"), "");
  EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
  EXPECT_EQ(Read(dir_ / "made"), "new");
  EXPECT_EQ(Stat(dir_ / "made").st_mode & 07777, 0644u);
}

TEST_F(FileReplacementTest, WhatIsNotARegularFileIsRefusedWithoutBlocking) {
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0644), 0);
  fs::create_directory(dir_ / "folder");
  fs::create_symlink(dir_ / "fifo", dir_ / "to-fifo");
  fs::create_symlink("loop", dir_ / "loop");
  for (const fs::path& p : {dir_ / "fifo", dir_ / "folder", dir_ / "to-fifo", dir_ / "loop",
                            fs::path("/dev/null"), dir_ / "missing" / "file"}) {
    EXPECT_EQ(Replace(p, "x"), "Cannot create file " + p.string());
  }
  EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(Entries(dir_), 4);
}

// As a user: a file they may not write is refused; a folder that takes no
// new file is written in place; one that becomes unwritable before the end
// fails the write and leaves nothing behind.
TEST_F(FileReplacementTest, FolderAndFilePermissionsOfAUser) {
  ASSERT_EQ(::chown(dir_.c_str(), 65534, 65534), 0) << "needs root";
  Put(dir_ / "file", "old");
  ASSERT_EQ(::chown((dir_ / "file").c_str(), 65534, 65534), 0);
  const std::string file = (dir_ / "file").string(), folder = dir_.string();
  struct Case {
    const char* what;
    int result;  // 0 written, 1 refused at the start, 2 failed at the end
    std::function<void()> before, midway;
  } cases[] = {
      {"read-only file", 1, [&] { ::chmod(file.c_str(), 0444); }, [] {}},
      {"read-only folder: in place", 0, [&] { ::chmod(folder.c_str(), 0555); }, [] {}},
      {"folder made read-only midway", 2, [] {}, [&] { ::chmod(folder.c_str(), 0555); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int got = AsNobody([&] {
      c.before();
      try {
        TFileReplacement out(file);
        out.Write("new", 3);
        c.midway();
        try {
          out.Commit();
        } catch (const EReportError& e) {
          return std::string(e.what()) == "Cannot write file " + file ? 2 : 3;
        }
      } catch (const EReportError& e) {
        return std::string(e.what()) == "Cannot create file " + file ? 1 : 3;
      }
      return 0;
    });
    if (got == 77) GTEST_SKIP() << "cannot become the user nobody here";
    EXPECT_EQ(got, c.result);
    EXPECT_EQ(Read(file), c.result == 0 ? "new" : "old");
    EXPECT_EQ(Entries(dir_), 1);
    ::chmod(folder.c_str(), 0755);
    ::chmod(file.c_str(), 0644);
    Put(file, "old");
  }
}

// A finished file without a name (a page store's spill) takes the target's
// place by a link beside it and a rename, and gets the target's mode only
// there; where it cannot be named (another file system) nothing changes, so
// a file left behind in a shared temporary folder is never readable by
// others.
TEST_F(FileReplacementTest, AnUnnamedFileIsLinkedIntoPlaceAndGetsTheTargetsModeOnlyThere) {
  auto unnamed = [](const fs::path& dir, const std::string& bytes) {
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    return fd;
  };
  const fs::path target = dir_ / "t";
  Put(target, "old");
  fs::permissions(target, fs::perms(0640));
  const int here = unnamed(dir_, "new");
  {
    TFileReplacement out(target.string());
    EXPECT_TRUE(out.CommitByLinking(here));
  }
  EXPECT_EQ(Read(target), "new");
  EXPECT_EQ(Stat(target).st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(dir_), 1);
  ::close(here);

  ScopedTmpfs other(64);
  if (!other.ok()) GTEST_SKIP() << ScopedTmpfs::kSkipReason;
  const int there = unnamed(other.path(), "newer");
  TFileReplacement out(target.string());
  EXPECT_FALSE(out.CommitByLinking(there));
  struct stat st {};
  ASSERT_EQ(::fstat(there, &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(Entries(other.path()), 0);
  EXPECT_EQ(Read(target), "new");
  out.Write("newer", 5);
  out.Commit();
  EXPECT_EQ(Read(target), "newer");
  EXPECT_EQ(Stat(target).st_mode & 07777, 0640u);
  ::close(there);
}

TEST_F(FileReplacementTest, AFullDiskKeepsTheOldFileWholeBesideOrInPlace) {
  ScopedTmpfs disk(64);
  if (!disk.ok()) GTEST_SKIP() << ScopedTmpfs::kSkipReason;
  const fs::path d = disk.path();
  Put(d / "ballast", std::string(52000, 'b'));
  const std::string old(6000, 'o'), big(20000, 'n');
  for (bool hard_linked : {false, true}) {
    SCOPED_TRACE(hard_linked ? "in place" : "beside");
    Put(d / "file", old);
    if (hard_linked) fs::create_hard_link(d / "file", d / "other");
    EXPECT_EQ(Replace(d / "file", big), "Cannot write file " + (d / "file").string());
    EXPECT_EQ(Read(d / "file"), old);
    EXPECT_EQ(Entries(d), hard_linked ? 3 : 2);
    fs::remove(d / "other");
  }
}

}  // namespace

namespace {

// A folder `depth` levels of 200-byte names below `base`, made through
// descriptors as no path to it would be taken: its descriptor and path.
std::pair<int, std::string> DeepFolder(const fs::path& base, int depth) {
  fs::create_directory(base);
  int fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  std::string path = base.string();
  const std::string level(200, 'd');
  for (int i = 0; i < depth && fd >= 0; ++i) {
    ::mkdirat(fd, level.c_str(), 0755);
    const int next = ::openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = next;
    path += "/" + level;
  }
  return {fd, path};
}

std::string ReadAt(int dir, const std::string& name) {
  std::string out;
  const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_CLOEXEC);
  char buf[256];
  for (ssize_t n; fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0;) out.append(buf, std::size_t(n));
  if (fd >= 0) ::close(fd);
  return out;
}

int EntriesAt(int dir) {
  int n = 0;
  const int list = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* d = ::fdopendir(list);
  while (const dirent* e = d ? ::readdir(d) : nullptr) n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
  if (d) ::closedir(d);
  return n;
}

}  // namespace

// Every name and path the file system takes is written, new or replaced:
// the longest names (the name beside the target stays within the limit) and
// paths longer than one system call takes.
TEST_F(FileReplacementTest, EveryNameAndPathTheFileSystemTakesIsWritten) {
  const struct {
    const char* what;
    std::size_t name_bytes;
    int depth;  // 200-byte folders above the file
    bool existing;
  } cases[] = {
      {"246-byte name", 246, 0, false}, {"255-byte name", 255, 0, false},
      {"255-byte name over a file", 255, 0, true}, {"a path of 5 000 bytes", 255, 24, false},
      {"a path of 5 000 bytes over a file", 255, 24, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto [folder, path] = DeepFolder(dir_ / std::to_string(c.name_bytes + c.depth + c.existing), c.depth);
    ASSERT_GE(folder, 0);
    const std::string name(c.name_bytes, 'n');
    if (c.existing) {
      const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0640);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::write(fd, "old", 3), 3);
      ::close(fd);
    }
    EXPECT_EQ(Replace(path + "/" + name, "new content"), "");
    EXPECT_EQ(ReadAt(folder, name), "new content");
    EXPECT_EQ(EntriesAt(folder), 1) << "nothing beside it";
    struct stat st {};
    ASSERT_EQ(::fstatat(folder, name.c_str(), &st, 0), 0);
    EXPECT_EQ(st.st_mode & 07777, c.existing ? 0640u : 0644u);
    ::close(folder);
  }
  fs::remove_all(dir_);  // std::filesystem walks by descriptors
  fs::create_directory(dir_);
}

// New content a killed writer left beside the target goes with the next
// write there; what a running writer holds, and what is not ours, stays.
TEST_F(FileReplacementTest, ALeftoverOfAKilledWriteGoesWithTheNextWrite) {
  const fs::path target = dir_ / "broodlog.txt";
  Put(target, "old");
  const fs::path killed = dir_ / ".broodlog.txt.broodlog-k1lled00";
  const fs::path running = dir_ / ".broodlog.txt.broodlog-runn1ng0";
  const fs::path users = dir_ / ".broodlog.txt.backup12";
  for (const fs::path& p : {killed, running, users}) Put(p, "leftover");
  const int held = ::open(running.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_EQ(Replace(target, "new"), "");
  EXPECT_EQ(Read(target), "new");
  EXPECT_FALSE(fs::exists(killed));
  EXPECT_TRUE(fs::exists(running));
  EXPECT_TRUE(fs::exists(users));
  ::close(held);
}
