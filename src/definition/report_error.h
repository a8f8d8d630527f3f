#pragma once

#include <stdexcept>
#include <string>

// A fault of the report engine, carrying the message the user sees, e.g.
// "Report printer not ready" or "Illegal call to NewPage".
class EReportError : public std::runtime_error {
 public:
  explicit EReportError(const std::string& message) : std::runtime_error(message) {}
};
