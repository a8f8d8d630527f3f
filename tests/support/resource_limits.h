#pragma once

// Real write failures for tests that run as root, where file permissions
// stop nothing: a process resource limit, lowered for one scope.

#include <signal.h>
#include <sys/resource.h>

// Lowers a resource's soft limit for the lifetime of the object.
class ScopedResourceLimit {
 public:
  ScopedResourceLimit(int resource, rlim_t soft) : resource_(resource) {
    ::getrlimit(resource_, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = soft;
    ok_ = ::setrlimit(resource_, &lowered) == 0;
  }
  ~ScopedResourceLimit() { ::setrlimit(resource_, &saved_); }
  ScopedResourceLimit(const ScopedResourceLimit&) = delete;
  ScopedResourceLimit& operator=(const ScopedResourceLimit&) = delete;

  // False when the limit could not be lowered.
  bool ok() const { return ok_; }

 private:
  int resource_;
  rlimit saved_{};
  bool ok_ = false;
};

// Files cannot grow past `bytes`: writes fail part-way, as on a full disk
// (SIGXFSZ is ignored meanwhile so the write returns an error instead).
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes)
      : old_handler_(::signal(SIGXFSZ, SIG_IGN)), limit_(RLIMIT_FSIZE, bytes) {}
  ~ScopedFileSizeLimit() { ::signal(SIGXFSZ, old_handler_); }
  bool ok() const { return limit_.ok(); }

 private:
  sighandler_t old_handler_;
  ScopedResourceLimit limit_;
};
