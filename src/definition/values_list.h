#pragma once

#include <cstddef>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The persisted "Values" list of a size holder: its stored lengths (0.1 mm)
// as one text item, a list-begin marker, the numbers, a list-end marker:
//
//   (100 2100 100 2970 100 100 0)
//
// Numbers are written in the shortest decimal form that reads back to the
// identical long double, separated by single spaces. Reading accepts any
// whitespace between items, but nothing else: each number must be finite
// and plain decimal or exponent notation.

// Writes `values` as one list.
void WriteValuesList(std::ostream& out, std::span<const long double> values);
std::string FormatValuesList(std::span<const long double> values);

// Reads one list from the current position (leading whitespace skipped) and
// stops right after its end marker. A missing marker, a bad or non-finite
// number, a number longer than 64 characters or more than `maxCount` values
// throws EReportError naming the fault; the stream is left where reading
// stopped.
std::vector<long double> ReadValuesList(std::istream& in, std::size_t maxCount);
std::vector<long double> ParseValuesList(std::string_view text, std::size_t maxCount);
