#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// `pattern` with each marker %1 to %9 replaced by that part, in one pass (a
// part that holds "%2" stays as it is); a marker beyond the parts is dropped,
// so no raw marker is shown.
inline std::string FillIn(std::string_view pattern, const std::vector<std::string>& parts) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      if (std::size_t n = std::size_t(pattern[++i] - '0'); n <= parts.size()) out += parts[n - 1];
    } else {
      out += pattern[i];
    }
  }
  return out;
}

// A fault of the report engine. It carries its message's identity, the
// English text with markers ("Cannot open file %1", also the message's key
// in the translations), and the parts that go in the markers; what() is the
// English message. The message is translated once, where it is shown.
class EReportError : public std::runtime_error {
 public:
  EReportError(const char* id, std::vector<std::string> args = {})
      : std::runtime_error(FillIn(id, args)), id_(id), args_(std::move(args)) {}
  // A message without an identity (a fault of a definition made in code, a
  // text already in the user's language): shown as it is.
  explicit EReportError(const std::string& message) : std::runtime_error(message) {}
  const char* Id() const { return id_; }
  const std::vector<std::string>& Args() const { return args_; }

 private:
  const char* id_ = nullptr;
  std::vector<std::string> args_;
};
