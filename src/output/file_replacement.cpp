#include "output/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// The file a chain of symbolic links finally names, which need not exist (a
// dangling link is written through, creating its target). Empty on a loop
// or a link that cannot be read.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(std::size_t(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || std::size_t(n) >= target.size()) return {};
    target.resize(std::size_t(n));
    if (target[0] != '/' && path.find('/') != std::string::npos) target = DirectoryOf(path) + "/" + target;
    path = target;
  }
  return {};
}

mode_t CreateMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// A new file without a name in `dir` (O_TMPFILE), or -1 with errno set.
int OpenUnnamed(const std::string& dir) {
  return ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

// File systems without unnamed files answer with one of these.
bool NoUnnamedFiles(int err) { return err == EOPNOTSUPP || err == EISDIR || err == EINVAL; }

// The folder is there but takes no new file.
bool FolderRefuses(int err) { return err == EACCES || err == EPERM || err == EROFS; }

std::string TempNameBeside(const std::string& target) {
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // A fresh draw from the system's random source each time: no generator
  // state is kept between calls.
  std::random_device random;
  std::string name = DirectoryOf(target) + "/." + BaseNameOf(target) + ".";
  for (int i = 0; i < 8; ++i) name += kDigits[random() % (sizeof kDigits - 1)];
  return name;
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

void SyncDirectoryOf(const std::string& path) {
  // Makes the rename itself durable; a failure here loses nothing.
  const int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
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
  target_ = FollowLinks(name_);
  if (target_.empty()) Refuse();
  struct stat st {};
  if (::lstat(target_.c_str(), &st) != 0) {
    if (errno != ENOENT || !OpenBeside(nullptr)) Refuse();
    return;
  }
  // Never opened: a FIFO would block, a device would take the content.
  if (!S_ISREG(st.st_mode) || ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) Refuse();
  // A file renamed over would leave its other names with the old content.
  if (st.st_nlink > 1 || !OpenBeside(&st)) OpenInPlace();
}

TFileReplacement::~TFileReplacement() {
  Close();
  if (!temp_.empty()) ::unlink(temp_.c_str());
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
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  throw EReportError("Cannot create file " + name_);
}

void TFileReplacement::Broken() {
  failed_ = true;
  Close();
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  throw EReportError("Cannot write file " + name_);
}

// A new file beside the target, with the old one's owner and mode. False
// where the folder takes no new file or the owner cannot be kept.
bool TFileReplacement::OpenBeside(const struct stat* old) {
  const std::string dir = DirectoryOf(target_);
  fd_ = OpenUnnamed(dir);
  if (fd_ < 0 && NoUnnamedFiles(errno)) {
    for (int tries = 0; tries < 16 && fd_ < 0; ++tries) {
      temp_ = TempNameBeside(target_);
      fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd_ < 0) temp_.clear();
      if (fd_ < 0 && errno != EEXIST) break;
    }
  }
  if (fd_ < 0) {
    if (old != nullptr && FolderRefuses(errno)) return false;
    Refuse();
  }
  if (!TakeOver(fd_, old)) {
    // Someone else's file stays theirs: write into it instead.
    Close();
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    if (old == nullptr) Refuse();
    return false;
  }
  return true;
}

// The target opened for writing in place; the content gathers meanwhile in
// an unnamed file in the temporary directory.
void TFileReplacement::OpenInPlace() {
  target_fd_ = ::open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
    std::string name = TempNameBeside(target_);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
        ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
      return name;
    if (errno != EEXIST) break;  // the folder took no new name meanwhile: nothing is left behind
  }
  return {};
}

// Names the new file beside the target and renames it over the target.
void TFileReplacement::LinkIntoPlace() {
  if (temp_.empty()) {
    temp_ = LinkBeside(fd_);
    if (temp_.empty()) Broken();
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Broken();
  temp_.clear();
  SyncDirectoryOf(target_);
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
  const std::string named = LinkBeside(fd);
  if (named.empty()) return false;
  struct stat old {};
  const bool had_old = ::stat(target_.c_str(), &old) == 0;
  if (!TakeOver(fd, had_old ? &old : nullptr)) {
    ::unlink(named.c_str());
    return false;
  }
  if (::rename(named.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    ::unlink(named.c_str());
    if (err == EXDEV) return false;
    Broken();
  }
  done_ = true;
  Close();
  SyncDirectoryOf(target_);
  return true;
}

void ReplaceFile(const std::string& name, std::span<const std::uint8_t> bytes) {
  TFileReplacement out(name);
  out.Write(bytes);
  out.Commit();
}
