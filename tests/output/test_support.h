#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "output/little_endian.h"

namespace test_support {

using Bytes = std::vector<std::uint8_t>;

// The engine's own little-endian access: appending, and reading at an offset.
using le::Put32;
inline std::int32_t Get32(const Bytes& b, std::size_t at) { return le::GetI32(b.data() + at); }

// A small valid enhanced metafile: header, one comment record carrying tag
// and padding bytes of filler, and the end record. Different tags give
// different pages.
inline Bytes SampleEmf(std::uint32_t tag, std::size_t padding = 0) {
  padding = (padding + 3) / 4 * 4;
  const std::uint32_t comment_size = 16 + static_cast<std::uint32_t>(padding);
  const std::uint32_t total = 108 + comment_size + 20;
  Bytes b;
  Put32(b, 1);
  Put32(b, 108);
  for (std::uint32_t v : {0u, 0u, 99u, 99u, 0u, 0u, 2100u, 2970u}) Put32(b, v);
  Put32(b, 0x464D4520u);
  Put32(b, 0x00010000u);
  Put32(b, total);
  Put32(b, 3);             // records
  Put32(b, 1);             // handles 1, reserved 0
  Put32(b, 0);             // description
  Put32(b, 0);
  Put32(b, 0);             // palette entries
  for (std::uint32_t v : {794u, 1123u, 210u, 297u, 0u, 0u, 0u, 210000u, 297000u}) Put32(b, v);
  Put32(b, 70);            // EMR_COMMENT
  Put32(b, comment_size);
  Put32(b, 4 + static_cast<std::uint32_t>(padding));
  Put32(b, tag);
  for (std::size_t i = 0; i < padding; ++i) b.push_back(static_cast<std::uint8_t>((tag * 31 + i) % 251));
  Put32(b, 14);            // EMR_EOF
  Put32(b, 20);
  Put32(b, 0);
  Put32(b, 16);
  Put32(b, 20);
  return b;
}

// The tag SampleEmf put into a page, or -1.
inline std::int64_t TagOf(const Bytes& emf) {
  if (emf.size() < 124) return -1;
  return static_cast<std::uint32_t>(Get32(emf, 120));
}

inline Bytes ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
inline void WriteFile(const std::filesystem::path& p, const Bytes& b) {
  WriteFile(p, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}
// The file's bytes as text, for files of text.
inline std::string ReadText(const std::filesystem::path& p) {
  const Bytes b = ReadFile(p);
  return std::string(b.begin(), b.end());
}

// An environment variable set (or, for a null value, unset) while this
// lives; then as it was.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      ::setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

// The process's working directory while this lives; then the one before.
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCurrentDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
  }
  ScopedCurrentDir(const ScopedCurrentDir&) = delete;
  ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

 private:
  std::filesystem::path old_;
};

// A fresh directory that is also the process's TMPDIR while it lives, so a
// test can see every temporary file the code makes; removed afterwards.
class TempDir {
 public:
  TempDir() : path_(MakeDir()), tmpdir_("TMPDIR", path_.c_str()) {}
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Names in the directory that start with "RPT".
  std::vector<std::string> RptFiles() const {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::directory_iterator(path_)) {
      std::string n = e.path().filename().string();
      if (n.rfind("RPT", 0) == 0) out.push_back(n);
    }
    return out;
  }

 private:
  static std::filesystem::path MakeDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "rpttestXXXXXX").string();
    return ::mkdtemp(tmpl.data());
  }
  std::filesystem::path path_;
  ScopedEnv tmpdir_;
};

}  // namespace test_support
