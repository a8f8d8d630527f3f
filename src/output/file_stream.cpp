#include "output/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "definition/report_error.h"

namespace {
constexpr std::size_t kReadAhead = 64 * 1024;
constexpr std::size_t kWriteBehind = 256 * 1024;
}

TFileStream::TFileStream(const std::string& name, TMode mode) : name_(name) {
  if (mode == TMode::Create) {
    // A link planted at the name must not send the content elsewhere.
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EReportError("Cannot create file %1", {name});
    writable_ = true;
  } else {
    // Opened without blocking, and only then checked: opening a named pipe
    // for reading waits for a writer, maybe for ever. Only regular files
    // have a size to trust and bytes that stay put.
    fd_ = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) throw EReportError("Cannot open file %1", {name});
    struct stat st {};
    const int flags = ::fcntl(fd_, F_GETFL);
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
      ::close(fd_);
      fd_ = -1;
      throw EReportError("Cannot open file %1", {name});
    }
    size_ = st.st_size;
  }
}

TFileStream::TFileStream(int fd, std::string name, bool writable)
    : fd_(fd), name_(std::move(name)), writable_(writable) {
  struct stat st {};
  if (::fstat(fd_, &st) == 0) size_ = st.st_size;
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) {
    try {
      Flush();
    } catch (const EReportError&) {
      // Nobody left to tell; Close reports this for callers that care.
    }
    ::close(fd_);
  }
}

void TFileStream::Flush() {
  if (pending_.empty()) return;
  const unsigned char* in = pending_.data();
  std::size_t left = pending_.size();
  std::int64_t at = pending_start_;
  pending_.clear();
  while (left > 0) {
    ssize_t put = ::pwrite(fd_, in, left, at);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw EReportError("Cannot write file %1", {name_});
    in += put;
    left -= static_cast<std::size_t>(put);
    at += put;
  }
  // Only a request: a write the disk then refuses fails the later sync.
  if (write_out_early_) ::sync_file_range(fd_, pending_start_, at - pending_start_, SYNC_FILE_RANGE_WRITE);
}

void TFileStream::Close() {
  if (fd_ < 0) return;
  try {
    Flush();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) throw EReportError("Cannot write file %1", {name_});
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  if (fd_ < 0 || count == 0 || pos_ >= size_) return 0;
  Flush();
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    std::int64_t cache_end = cache_start_ + static_cast<std::int64_t>(cache_.size());
    if (pos_ >= cache_start_ && pos_ < cache_end) {
      std::size_t n = std::min<std::size_t>(count - done, static_cast<std::size_t>(cache_end - pos_));
      std::memcpy(out + done, cache_.data() + (pos_ - cache_start_), n);
      done += n;
      pos_ += n;
      continue;
    }
    std::size_t want = count - done;
    if (want >= kReadAhead) {
      // Large reads bypass the buffer.
      ssize_t got = ::pread(fd_, out + done, want, pos_);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
      pos_ += got;
      continue;
    }
    cache_.resize(kReadAhead);
    ssize_t got;
    do {
      got = ::pread(fd_, cache_.data(), kReadAhead, pos_);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
      cache_.clear();
      break;
    }
    cache_.resize(static_cast<std::size_t>(got));
    cache_start_ = pos_;
  }
  return done;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  if (fd_ < 0 || !writable_) throw EReportError("Cannot write file %1", {name_});
  if (count == 0) return 0;
  cache_.clear();
  const auto* in = static_cast<const unsigned char*>(buffer);
  // Gather a write that continues the pending bytes (or starts them).
  bool follows = pending_.empty() ||
                 pos_ == pending_start_ + static_cast<std::int64_t>(pending_.size());
  if (!follows || pending_.size() + count > kWriteBehind) Flush();
  if (count < kWriteBehind) {
    if (pending_.empty()) {
      pending_.reserve(kWriteBehind);
      pending_start_ = pos_;
    }
    pending_.insert(pending_.end(), in, in + count);
    pos_ += static_cast<std::int64_t>(count);
  } else {
    std::size_t done = 0;
    while (done < count) {
      ssize_t put = ::pwrite(fd_, in + done, count - done, pos_);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) throw EReportError("Cannot write file %1", {name_});
      done += static_cast<std::size_t>(put);
      pos_ += put;
    }
  }
  size_ = std::max(size_, pos_);
  return count;
}

void TFileStream::Truncate(std::int64_t size) {
  cache_.clear();
  try {
    Flush();
  } catch (const EReportError&) {
    // The bytes that could not be written lie beyond the cut anyway.
  }
  if (::ftruncate(fd_, size) != 0) throw EReportError("Cannot write file %1", {name_});
  size_ = size;
  pos_ = std::min(pos_, size);
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? pos_ : size_;
  std::int64_t target = base + offset;
  if (target < 0) target = 0;
  pos_ = target;
  return pos_;
}
