#pragma once
// The rounding rules of the arithmetic, in one place. long double is the 80-bit extended
// type; a currency value is amount x 10000 held exactly in an int64.

#include <cmath>
#include <cstdint>

using Currency = std::int64_t;

// To the nearest integer, exact halves to the even neighbour (the FPU's default mode).
inline std::int64_t RoundHalfEven(long double v)
{
    return static_cast<std::int64_t>(std::nearbyintl(v));
}

inline Currency ToCurrency(long double v) { return RoundHalfEven(v * 10000.0L); }
inline long double FromCurrency(Currency c) { return static_cast<long double>(c) / 10000.0L; }

// To the given number of decimals, to the nearest, halves away from zero, judged on the
// value's first 18 significant digits: the rounding of the display patterns, for code that
// needs the rounded value rather than its text.
long double RoundHalfAwayDecimals(long double v, int decimals);
