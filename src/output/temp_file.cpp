#include "output/temp_file.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "report/report_error.h"

std::string TempFileName() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  const std::string pattern = (dir / "RPTXXXXXX").string();
  std::string name = pattern;
  int fd = ::mkstemp(name.data());
  // The name that could not be made, with its directory, is the useful part.
  if (fd < 0) throw EReportError("Cannot create file " + pattern);
  ::close(fd);
  return name;
}
