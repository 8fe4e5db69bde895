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
