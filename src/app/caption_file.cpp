#include "app/caption_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Closes a descriptor on every way out.
struct FdCloser {
  int fd = -1;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= size_t(n);
  }
  return true;
}

}  // namespace

std::vector<std::string> SplitCaptionLines(std::string_view bytes) {
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::vector<std::string> lines;
  size_t start = 0, i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      // Only CR LF is one line end; LF CR is two.
      i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;  // a continuation byte, an overlong lead or beyond U+10FFFF
    }
    if (n - i <= size_t(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += size_t(extra) + 1;
  }
  return true;
}

QStringList DecodeCaptionLines(std::string_view bytes) {
  QStringList out;
  for (const std::string& line : SplitCaptionLines(bytes)) {
    // Per line: a file the old program wrote and this one added to mixes both.
    const auto size = qsizetype(line.size());
    out.append(IsValidUtf8(line) ? QString::fromUtf8(line.data(), size) : QString::fromLatin1(line.data(), size));
  }
  return out;
}

void TCaptionList::LoadFromFile(const QString& file_name) {
  const QByteArray path = QFile::encodeName(file_name);
  // Without O_NONBLOCK, opening a FIFO waits for a writer and freezes the
  // program; a directory, FIFO or device is as unreadable as a missing file.
  FdCloser f{::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  struct stat st {};
  if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(f.fd, F_SETFL, ::fcntl(f.fd, F_GETFL) & ~O_NONBLOCK) != 0)
    throw EFOpenError("Cannot open file " + file_name.toStdString());
  std::string bytes;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(f.fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFOpenError("Cannot open file " + file_name.toStdString());
    }
    if (n == 0) break;
    // A NUL ends the text: the rest of the file (a sparse one of gigabytes
    // of zeros, say) is never read, let alone held.
    if (const void* nul = std::memchr(buf, 0, size_t(n))) {
      bytes.append(buf, size_t(static_cast<const char*>(nul) - buf));
      break;
    }
    bytes.append(buf, size_t(n));
  }
  lines_ = DecodeCaptionLines(bytes);
}

namespace {

// Follows symbolic links to the file they finally name, which need not exist
// (a dangling link is written through, creating its target). Throws on a
// loop.
std::string FollowLinks(std::string path, const std::string& message) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(size_t(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0 || size_t(n) >= target.size()) throw EFCreateError(message);
    target.resize(size_t(n));
    if (target.empty() || target[0] != '/') {
      const size_t slash = path.rfind('/');
      if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    }
    path = target;
  }
  throw EFCreateError(message);
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

enum class Replaced { kDone, kNoNewFileHere };

// Writes the content to a new file beside the target and renames it over
// the target, so that a failure leaves the old file whole. The new file gets
// the old one's mode, owner and group. kNoNewFileHere when the directory
// takes no new file or the owner cannot be kept; the caller then writes in
// place. Throws when the write itself fails.
Replaced ReplaceThroughNewFile(const std::string& target, const struct stat* old, const QByteArray& content,
                               const std::string& message) {
  std::string temp = DirectoryOf(target) + "/." + BaseNameOf(target) + ".XXXXXX";
  FdCloser f{::mkostemp(temp.data(), O_CLOEXEC)};
  if (f.fd < 0) {
    if (old != nullptr && (errno == EACCES || errno == EPERM || errno == EROFS)) return Replaced::kNoNewFileHere;
    throw EFCreateError(message);
  }
  auto drop = [&] {
    ::close(f.fd);
    f.fd = -1;
    ::unlink(temp.c_str());
  };
  mode_t mode;
  if (old != nullptr) {
    if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
        ::fchown(f.fd, old->st_uid, old->st_gid) != 0) {
      drop();
      return Replaced::kNoNewFileHere;  // someone else's file stays theirs
    }
    mode = old->st_mode & 07777;
  } else {
    // mkstemp makes the file private; give it the mode a plain create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = ::fchmod(f.fd, mode) == 0 && WriteAll(f.fd, content.constData(), size_t(content.size())) &&
            ::fsync(f.fd) == 0;
  ok = (::close(f.fd) == 0) && ok;
  f.fd = -1;
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    throw EFCreateError(message);
  }
  // Make the rename itself durable; a failure here loses nothing.
  FdCloser dir{::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (dir.fd >= 0) ::fsync(dir.fd);
  return Replaced::kDone;
}

// Overwrites the file itself, keeping its inode (hard links, owner, mode).
// The space is claimed first, so a full disk fails before anything changes.
void WriteInPlace(const std::string& target, const QByteArray& content, const std::string& message) {
  FdCloser f{::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
  struct stat st {};
  if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) throw EFCreateError(message);
  const off_t size = off_t(content.size());
  if (size > 0) {
    const int err = ::posix_fallocate(f.fd, 0, size);
    if (err != 0 && err != EOPNOTSUPP && err != EINVAL && err != ENOSYS) throw EFCreateError(message);
  }
  const char* data = content.constData();
  off_t at = 0;
  while (at < size) {
    const ssize_t n = ::pwrite(f.fd, data + at, size_t(size - at), at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EFCreateError(message);
    at += n;
  }
  if (::ftruncate(f.fd, size) != 0 || ::fsync(f.fd) != 0) throw EFCreateError(message);
  const int fd = f.fd;
  f.fd = -1;
  if (::close(fd) != 0) throw EFCreateError(message);
}

}  // namespace

void TCaptionList::SaveToFile(const QString& file_name) const {
  const std::string message = "Cannot create file " + file_name.toStdString();
  QByteArray content;
  for (const QString& line : lines_) content += line.toUtf8() + "\r\n";

  // As an editor saves: through a link to its target, never over a file the
  // user may not write, and keeping the file's mode, owner and hard links.
  const std::string target = FollowLinks(QFile::encodeName(file_name).toStdString(), message);
  struct stat st {};
  if (::lstat(target.c_str(), &st) != 0) {
    if (errno != ENOENT) throw EFCreateError(message);
    ReplaceThroughNewFile(target, nullptr, content, message);
    return;
  }
  // A directory, FIFO or device is not the caption file; a FIFO would block.
  if (!S_ISREG(st.st_mode) || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
    throw EFCreateError(message);
  // A renamed-over file would leave the other names of a hard link behind.
  if (st.st_nlink > 1 || ReplaceThroughNewFile(target, &st, content, message) == Replaced::kNoNewFileHere)
    WriteInPlace(target, content, message);
}

const QString& TCaptionList::Strings(int i) const {
  if (i < 0 || i >= lines_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
  return lines_[i];
}

int LoadAndApplyCaptions(TCaptionList& list, const QString& file_name, const std::vector<int>& order,
                         const std::function<void(int, const QString&)>& apply) {
  int applied = 0;
  try {
    list.LoadFromFile(file_name);
    for (int index : order) {
      apply(index, list.Strings(index));
      ++applied;
    }
  } catch (const std::exception&) {
    // Reading the caption file is guarded: whatever went wrong, the texts
    // not yet set keep those of the window's definition.
  }
  return applied;
}
