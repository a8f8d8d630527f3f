#pragma once

#include <cstdint>

// The engine's one rounding rule: every conversion to whole pixels or whole
// storage units takes the nearest integer, and an exact half goes to the even
// neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). It does not depend on the
// floating-point environment's rounding mode.

// Rounds x half to even. NaN gives 0; values beyond the 64-bit range saturate
// to its ends, so bad lengths can never cause undefined conversions.
std::int64_t RoundHalfEven(long double x);

// RoundHalfEven saturated to the range of int, for pixel coordinates.
int RoundHalfEvenToInt(long double x);
