#include "output/temp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "definition/report_error.h"

namespace {

std::filesystem::path TempDirectory() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  return ec ? std::filesystem::path("/tmp") : dir;
}

}  // namespace

std::string TempFilePattern() { return (TempDirectory() / "RPTXXXXXX").string(); }

std::string TempFileName() {
  const std::string pattern = TempFilePattern();
  std::string name = pattern;
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  // The name that could not be made, with its directory, is the useful part.
  if (fd < 0) throw EReportError("Cannot create file %1", {pattern});
  ::close(fd);
  return name;
}

int OpenUnnamedTempFile() {
  const std::filesystem::path dir = TempDirectory();
  int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  // File systems without unnamed files answer EOPNOTSUPP (or EISDIR, EINVAL
  // on older kernels): a named file unlinked at once does nearly as well.
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    std::string name = (dir / "RPTXXXXXX").string();
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
  }
  if (fd < 0) throw EReportError("Cannot create file %1", {TempFilePattern()});
  return fd;
}
