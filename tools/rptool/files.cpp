// Helpers shared by rptool's command groups.

#include <cstdint>
#include <limits>

#include "commands.h"
#include "output/file_replacement.h"
#include "output/file_stream.h"
#include "definition/report_error.h"

std::vector<unsigned char> ReadFileBytes(const std::string& path, std::size_t max_bytes) {
  try {
    // The page store's own file check: regular files only, never blocking.
    TFileStream in(path, TFileStream::TMode::ReadOnly);
    if (static_cast<std::uint64_t>(in.Size()) > max_bytes) {
      throw std::runtime_error("File " + path + " is too large (more than " + std::to_string(max_bytes) +
                               " bytes)");
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(in.Size()));
    if (!in.ReadExact(bytes.data(), bytes.size())) throw std::runtime_error("Cannot read file " + path);
    return bytes;
  } catch (const EReportError& e) {
    throw std::runtime_error(e.what());
  }
}

void WriteFileBytes(const std::string& path, std::span<const unsigned char> bytes) {
  try {
    ReplaceFile(path, bytes);
  } catch (const EReportError& e) {
    throw std::runtime_error(e.what());
  }
}

int ParseInt(const std::string& text, const char* what) {
  try {
    std::size_t used = 0;
    const long long v = std::stoll(text, &used);
    if (used != text.size() || v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max()) {
      throw std::invalid_argument("");
    }
    return static_cast<int>(v);
  } catch (const std::exception&) {
    throw EUsageError(std::string(what) + " must be a whole number");
  }
}
