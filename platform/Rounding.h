#pragma once
// The rounding rules of the arithmetic, in one place. long double is the 80-bit extended
// type; a currency value is amount x 10000 held exactly in an int64.

#include <cmath>
#include <cstdint>

using Currency = std::int64_t;

// To the nearest integer, exact halves to the even neighbour (the FPU's default mode).
// Beyond the 64-bit range (a typed 1E30, an overflow) the result saturates and NaN gives 0:
// the plain cast would be undefined there.
inline std::int64_t RoundHalfEven(long double v)
{
    const long double r = std::nearbyintl(v);
    if (std::isnan(r))
        return 0;
    if (r >= 9223372036854775808.0L)
        return INT64_MAX;
    if (r < -9223372036854775808.0L)
        return INT64_MIN;
    return static_cast<std::int64_t>(r);
}

inline Currency ToCurrency(long double v)
{
    return RoundHalfEven(v * 10000.0L);
}
inline long double FromCurrency(Currency c)
{
    return static_cast<long double>(c) / 10000.0L;
}

// To the given number of decimals, to the nearest, halves away from zero, judged on the
// value's first 18 significant digits: the rounding of the display patterns, for code that
// needs the rounded value rather than its text.
long double RoundHalfAwayDecimals(long double v, int decimals);
