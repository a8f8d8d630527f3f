#include "output/temp_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "report/report_error.h"

std::string TempFileName() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  std::string name = (dir / "RPTXXXXXX").string();
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    throw EReportError("Cannot create temporary file in " + dir.string() + ": " +
                       std::strerror(errno));
  }
  ::close(fd);
  return name;
}
