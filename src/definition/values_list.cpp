#include "definition/values_list.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <istream>
#include <ostream>
#include <sstream>

#include "definition/report_error.h"

namespace {

constexpr char kListBegin = '(';
constexpr char kListEnd = ')';
constexpr std::size_t kMaxNumberLength = 64;

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

void SkipSpace(std::istream& in) {
  while (IsSpace(in.peek())) in.get();
}

[[noreturn]] void Fail(const std::string& what) {
  throw EReportError("Invalid Values list: %1", {what});
}

long double ParseNumber(const std::string& token) {
  long double value = 0;
  const char* first = token.data();
  const char* last = first + token.size();
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec != std::errc() || ptr != last) Fail("\"" + token + "\" is not a number");
  if (!std::isfinite(value)) Fail("\"" + token + "\" is not a finite number");
  return value;
}

}  // namespace

void WriteValuesList(std::ostream& out, std::span<const long double> values) {
  out << kListBegin;
  bool first = true;
  for (long double v : values) {
    char buffer[80];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    if (ec != std::errc()) Fail("a value cannot be written");
    if (!first) out << ' ';
    out.write(buffer, ptr - buffer);
    first = false;
  }
  out << kListEnd;
}

std::string FormatValuesList(std::span<const long double> values) {
  std::ostringstream out;
  WriteValuesList(out, values);
  return out.str();
}

std::vector<long double> ReadValuesList(std::istream& in, std::size_t maxCount) {
  SkipSpace(in);
  if (in.peek() != kListBegin) Fail("list begin marker expected");
  in.get();
  std::vector<long double> values;
  for (;;) {
    SkipSpace(in);
    const int c = in.peek();
    if (c == std::char_traits<char>::eof()) Fail("list end marker missing");
    if (c == kListEnd) {
      in.get();
      return values;
    }
    std::string token;
    for (int d = in.peek(); d != std::char_traits<char>::eof() && !IsSpace(d) && d != kListEnd &&
                            d != kListBegin;
         d = in.peek()) {
      if (token.size() == kMaxNumberLength) Fail("number too long");
      token.push_back(static_cast<char>(in.get()));
    }
    if (token.empty()) Fail("unexpected list begin marker");
    if (values.size() == maxCount) Fail("more than " + std::to_string(maxCount) + " values");
    values.push_back(ParseNumber(token));
  }
}

std::vector<long double> ParseValuesList(std::string_view text, std::size_t maxCount) {
  std::istringstream in{std::string(text)};
  std::vector<long double> values = ReadValuesList(in, maxCount);
  SkipSpace(in);
  if (in.peek() != std::char_traits<char>::eof()) Fail("text after the list end marker");
  return values;
}
