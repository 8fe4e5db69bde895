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

// a * b / c rounded half away from zero, as the Windows MulDiv does (-1 when c is 0 or the
// result does not fit).
inline int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t p = static_cast<std::int64_t>(a) * b;
    const bool negative = (p < 0) != (c < 0);
    const std::int64_t ap = p < 0 ? -p : p;
    const std::int64_t ac = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t q = (ap + ac / 2) / ac;
    if (q > INT32_MAX)
        return -1;
    return static_cast<int>(negative ? -q : q);
}
