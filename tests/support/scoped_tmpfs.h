#pragma once

// A small, nearly full file system for tests of writes that run out of
// space: a tmpfs of a few KiB mounted on a fresh directory (root only),
// unmounted and removed on every way out.

#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

class ScopedTmpfs {
 public:
  explicit ScopedTmpfs(int kib) {
    char dir[] = "/tmp/broodlog-tmpfs-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return;
    path_ = dir;
    const std::string options = "size=" + std::to_string(kib) + "k";
    mounted_ = ::mount("tmpfs", dir, "tmpfs", 0, options.c_str()) == 0;
  }
  ~ScopedTmpfs() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    if (!path_.empty()) ::rmdir(path_.c_str());
  }
  ScopedTmpfs(const ScopedTmpfs&) = delete;
  ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

  // False where mounting is not permitted (not root, no CAP_SYS_ADMIN);
  // tests then skip with kSkipReason.
  bool ok() const { return mounted_; }
  const std::string& path() const { return path_; }
  static constexpr const char* kSkipReason = "cannot mount a tmpfs here (needs root with CAP_SYS_ADMIN)";

 private:
  std::string path_;
  bool mounted_ = false;
};
