#include "definition/rounding.h"

#include <cmath>
#include <limits>

std::int64_t RoundHalfEven(long double x) {
  if (std::isnan(x)) return 0;
  // 2^63 is exact in long double; anything at or above it cannot be held.
  constexpr long double kLimit = 9223372036854775808.0L;
  if (x >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (x < -kLimit) return std::numeric_limits<std::int64_t>::min();
  const long double lower = std::floor(x);
  // Exact: x and its floor share the exponent range, so no rounding happens.
  const long double fraction = x - lower;
  auto result = static_cast<std::int64_t>(lower);
  if (fraction > 0.5L) {
    ++result;
  } else if (fraction == 0.5L && (result % 2) != 0) {
    ++result;
  }
  return result;
}

int RoundHalfEvenToInt(long double x) {
  const std::int64_t r = RoundHalfEven(x);
  if (r > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (r < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}
