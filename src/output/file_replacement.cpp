#include "output/file_replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <vector>

#include "output/temp_file.h"
#include "definition/report_error.h"

namespace {

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Opens the folder `path` names, relative to `at`, for use as the base of
// the *at calls: readable where it can be (so it can be synced), else as a
// mere path. A path longer than the system takes in one call is walked in
// pieces, so a folder at any depth the file system allows is reached.
// -1 with errno set where it cannot be.
int OpenDirectory(int at, const std::string& path) {
  constexpr std::size_t kPiece = PATH_MAX / 2;
  auto open_here = [](int base, const char* p) {
    int fd = ::openat(base, p, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) fd = ::openat(base, p, O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd;
  };
  if (path.size() < kPiece) return open_here(at, path.empty() ? "." : path.c_str());
  int cur = path[0] == '/' ? open_here(AT_FDCWD, "/") : open_here(at, ".");
  std::size_t from = path.find_first_not_of('/');
  while (cur >= 0 && from != std::string::npos && from < path.size()) {
    // The longest run of whole components that fits in one call.
    std::size_t end = std::min(path.size(), from + kPiece);
    if (end < path.size()) {
      const std::size_t slash = path.rfind('/', end);
      if (slash == std::string::npos || slash <= from) {
        ::close(cur);
        errno = ENAMETOOLONG;
        return -1;
      }
      end = slash;
    }
    const int next = open_here(cur, path.substr(from, end - from).c_str());
    const int err = errno;
    ::close(cur);
    errno = err;
    cur = next;
    from = path.find_first_not_of('/', end);
  }
  return cur;
}

// The folder and name a chain of symbolic links finally leads to, which
// need not exist (a dangling link is written through, creating its target).
// False on a loop or a link that cannot be read; `dir` is then closed.
bool FollowLinks(int& dir, std::string& base, std::string& shown) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::fstatat(dir, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string target(std::size_t(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
    const ssize_t n = ::readlinkat(dir, base.c_str(), target.data(), target.size());
    if (n <= 0 || std::size_t(n) >= target.size()) break;
    target.resize(std::size_t(n));
    const std::string sub = target.find('/') == std::string::npos ? std::string() : DirectoryOf(target);
    const int next = OpenDirectory(target[0] == '/' ? AT_FDCWD : dir, sub);
    if (next < 0) break;
    ::close(dir);
    dir = next;
    base = BaseNameOf(target);
    shown = target[0] == '/' || shown.find('/') == std::string::npos ? target : DirectoryOf(shown) + "/" + target;
  }
  ::close(dir);
  dir = -1;
  return false;
}

mode_t CreateMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// File systems without unnamed files answer with one of these.
bool NoUnnamedFiles(int err) { return err == EOPNOTSUPP || err == EISDIR || err == EINVAL; }

// The folder is there but takes no new file.
bool FolderRefuses(int err) { return err == EACCES || err == EPERM || err == EROFS; }

// Names beside a target: "." + the target's name + this + 8 letters or
// digits. The target's name is cut where the whole would pass the longest
// name the file system takes, so every name it accepts can be written.
constexpr char kBesideMark[] = ".broodlog-";
constexpr std::size_t kBesideRandom = 8;

std::string BesidePrefix(const std::string& base) {
  const std::size_t room = NAME_MAX - 1 - (sizeof kBesideMark - 1) - kBesideRandom;
  std::size_t keep = std::min(base.size(), room);
  // Never half a UTF-8 character.
  while (keep > 0 && keep < base.size() && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;
  return "." + base.substr(0, keep) + kBesideMark;
}

std::string TempNameBeside(const std::string& base) {
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // A fresh draw from the system's random source each time: no generator
  // state is kept between calls.
  std::random_device random;
  std::string name = BesidePrefix(base);
  for (std::size_t i = 0; i < kBesideRandom; ++i) name += kDigits[random() % (sizeof kDigits - 1)];
  return name;
}

bool IsBesideName(const std::string& name, const std::string& prefix) {
  if (name.size() != prefix.size() + kBesideRandom || name.compare(0, prefix.size(), prefix) != 0) return false;
  for (std::size_t i = prefix.size(); i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// Removes new content that a killed writer left beside the target. Ours
// only: our name, our user's, a plain file with one name, and held by no
// writer (every writer holds a lock on its new file until it has gone).
void RemoveLeftovers(int dir, const std::string& base) {
  const int list = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (list < 0) return;
  DIR* d = ::fdopendir(list);
  if (d == nullptr) {
    ::close(list);
    return;
  }
  const std::string prefix = BesidePrefix(base);
  std::vector<std::string> found;
  while (const dirent* e = ::readdir(d))
    if (IsBesideName(e->d_name, prefix)) found.emplace_back(e->d_name);
  ::closedir(d);
  for (const std::string& name : found) {
    const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {}, now {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(dir, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        now.st_dev == st.st_dev && now.st_ino == st.st_ino)
      ::unlinkat(dir, name.c_str(), 0);
    ::close(fd);
  }
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= std::size_t(n);
  }
  return true;
}

// Gives fd the old file's owner, group and mode, or a new file's mode.
// False when the owner cannot be kept.
bool TakeOver(int fd, const struct stat* old) {
  if (old == nullptr) return ::fchmod(fd, CreateMode()) == 0;
  // Ownership first: changing it clears the set-user and set-group bits.
  struct stat now {};
  if (::fstat(fd, &now) != 0) return false;
  if ((now.st_uid != old->st_uid || now.st_gid != old->st_gid) && ::fchown(fd, old->st_uid, old->st_gid) != 0)
    return false;
  return ::fchmod(fd, old->st_mode & 07777) == 0;
}

}  // namespace

TFileReplacement::TFileReplacement(std::string name) : name_(std::move(name)) {
  if (name_.empty()) Refuse();
  dir_ = OpenDirectory(AT_FDCWD, name_.find('/') == std::string::npos ? std::string() : DirectoryOf(name_));
  if (dir_ < 0) Refuse();
  base_ = BaseNameOf(name_);
  target_ = name_;
  if (base_.empty() || !FollowLinks(dir_, base_, target_)) Refuse();
  RemoveLeftovers(dir_, base_);
  struct stat st {};
  if (::fstatat(dir_, base_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT || !OpenBeside(nullptr)) Refuse();
    return;
  }
  // Never opened: a FIFO would block, a device would take the content.
  if (!S_ISREG(st.st_mode) || ::faccessat(dir_, base_.c_str(), W_OK, AT_EACCESS) != 0) Refuse();
  // A file renamed over would leave its other names with the old content.
  if (st.st_nlink > 1 || !OpenBeside(&st)) OpenInPlace();
}

TFileReplacement::~TFileReplacement() {
  Close();
  DropTemp();
  if (dir_ >= 0) ::close(dir_);
}

void TFileReplacement::DropTemp() {
  if (!temp_.empty() && dir_ >= 0) ::unlinkat(dir_, temp_.c_str(), 0);
  temp_.clear();
}

void TFileReplacement::Close() {
  if (fd_ >= 0) ::close(fd_);
  if (target_fd_ >= 0) ::close(target_fd_);
  fd_ = target_fd_ = -1;
}

// Thrown from the constructor, so the destructor does not run: whatever was
// opened is closed here.
void TFileReplacement::Refuse() {
  Close();
  DropTemp();
  if (dir_ >= 0) ::close(dir_);
  dir_ = -1;
  throw EReportError("Cannot create file " + name_);
}

void TFileReplacement::Broken() {
  failed_ = true;
  Close();
  DropTemp();
  throw EReportError("Cannot write file " + name_);
}

// A new file beside the target, with the old one's owner and mode, locked
// while it is ours so that a later save tells it from a leftover. False
// where the folder takes no new file or the owner cannot be kept.
bool TFileReplacement::OpenBeside(const struct stat* old) {
  fd_ = ::openat(dir_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ < 0 && NoUnnamedFiles(errno)) {
    for (int tries = 0; tries < 16 && fd_ < 0; ++tries) {
      temp_ = TempNameBeside(base_);
      fd_ = ::openat(dir_, temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd_ < 0) temp_.clear();
      if (fd_ < 0 && errno != EEXIST) break;
    }
  }
  if (fd_ < 0) {
    if (old != nullptr && FolderRefuses(errno)) return false;
    Refuse();
  }
  ::flock(fd_, LOCK_EX | LOCK_NB);
  if (!TakeOver(fd_, old)) {
    // Someone else's file stays theirs: write into it instead.
    Close();
    DropTemp();
    if (old == nullptr) Refuse();
    return false;
  }
  return true;
}

// The target opened for writing in place; the content gathers meanwhile in
// an unnamed file in the temporary directory.
void TFileReplacement::OpenInPlace() {
  target_fd_ = ::openat(dir_, base_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat st {};
  if (target_fd_ < 0 || ::fstat(target_fd_, &st) != 0 || !S_ISREG(st.st_mode)) Refuse();
  try {
    fd_ = OpenUnnamedTempFile();
  } catch (const EReportError&) {
    Refuse();
  }
}

void TFileReplacement::Write(const void* data, std::size_t size) {
  if (failed_ || done_ || fd_ < 0) Broken();
  if (!WriteAll(fd_, static_cast<const char*>(data), size)) Broken();
}

void TFileReplacement::Commit() {
  if (failed_ || done_ || fd_ < 0) Broken();
  if (InPlace()) {
    CopyInPlace();
  } else {
    if (::fsync(fd_) != 0) Broken();
    LinkIntoPlace();
  }
  done_ = true;
  Close();
}

// A name beside the target for the unnamed file open at fd, or empty with
// errno set (EXDEV: it lies on another file system; ENOENT: it was named
// once and unlinked, which cannot be undone).
std::string TFileReplacement::LinkBeside(int fd) const {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int tries = 0; tries < 16; ++tries) {
    std::string name = TempNameBeside(base_);
    if (::linkat(AT_FDCWD, self.c_str(), dir_, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
        ::linkat(fd, "", dir_, name.c_str(), AT_EMPTY_PATH) == 0)
      return name;
    if (errno != EEXIST) break;  // the folder took no new name meanwhile: nothing is left behind
  }
  return {};
}

// Makes the rename itself durable; a failure here loses nothing.
void TFileReplacement::SyncDirectory() const {
  if (dir_ >= 0) ::fsync(dir_);
}

// Names the new file beside the target and renames it over the target at
// once: the name beside it lives only between these two calls.
void TFileReplacement::LinkIntoPlace() {
  if (temp_.empty()) {
    temp_ = LinkBeside(fd_);
    if (temp_.empty()) Broken();
  }
  if (::renameat(dir_, temp_.c_str(), dir_, base_.c_str()) != 0) Broken();
  temp_.clear();
  SyncDirectory();
}

// Claims the space first, so a full disk fails before the old content
// changes; then overwrites and cuts the file to the new length.
void TFileReplacement::CopyInPlace() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) Broken();
  const off_t size = st.st_size;
  if (size > 0) {
    const int err = ::posix_fallocate(target_fd_, 0, size);
    if (err != 0 && err != EOPNOTSUPP && err != EINVAL && err != ENOSYS) Broken();
  }
  std::vector<char> chunk(std::size_t(1) << 16);
  for (off_t at = 0; at < size;) {
    const ssize_t got = ::pread(fd_, chunk.data(), chunk.size(), at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) Broken();
    for (ssize_t put = 0; put < got;) {
      const ssize_t n = ::pwrite(target_fd_, chunk.data() + put, std::size_t(got - put), at + put);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Broken();
      put += n;
    }
    at += got;
  }
  if (::ftruncate(target_fd_, size) != 0 || ::fsync(target_fd_) != 0) Broken();
  const int fd = target_fd_;
  target_fd_ = -1;
  if (::close(fd) != 0) Broken();
}

bool TFileReplacement::CommitByLinking(int fd) {
  if (failed_ || done_) Broken();
  if (InPlace() || ::fsync(fd) != 0) return false;
  // Named only beside the target, and only then given its mode: a file
  // that stays behind on the way (a kill) is the owner's alone, in the
  // target's folder, never in a shared temporary one.
  ::flock(fd, LOCK_EX | LOCK_NB);
  const std::string named = LinkBeside(fd);
  if (named.empty()) return false;
  struct stat old {};
  const bool had_old = ::fstatat(dir_, base_.c_str(), &old, 0) == 0;
  if (!TakeOver(fd, had_old ? &old : nullptr)) {
    ::unlinkat(dir_, named.c_str(), 0);
    return false;
  }
  if (::renameat(dir_, named.c_str(), dir_, base_.c_str()) != 0) {
    const int err = errno;
    ::unlinkat(dir_, named.c_str(), 0);
    if (err == EXDEV) return false;
    Broken();
  }
  done_ = true;
  Close();
  SyncDirectory();
  return true;
}

void ReplaceFile(const std::string& name, std::span<const std::uint8_t> bytes) {
  TFileReplacement out(name);
  out.Write(bytes);
  out.Commit();
}
