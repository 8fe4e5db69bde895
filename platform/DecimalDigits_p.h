#pragma once
// The decimal image of an extended value that the number texts work on. Display rounding is
// judged on the value's first 18 significant digits, so the digit work is done on this
// string, never on binary arithmetic (1.005 held as 1.00499999999999989... stays below the
// half, 0.125 is an exact half and goes up).

#include <string>

struct TDecimalDigits {
    std::string Digits; // significant digits, no leading or trailing zeros; empty for zero
    int Exponent = 0; // value = 0.Digits x 10^Exponent
    bool Negative = false;

    bool IsZero() const { return Digits.empty(); }
};

// The first 18 significant digits of a finite value, rounded to nearest.
TDecimalDigits DecimalImage(long double value);

// Keeps the first keep digits, rounding the rest off, halves away from zero. keep <= 0 leaves
// zero or, when the dropped part is at least a half of the next higher place, a single 1 there.
void RoundToDigits(TDecimalDigits &d, int keep);

// Rounds to the given number of places after the decimal point, halves away from zero.
inline void RoundToPlaces(TDecimalDigits &d, int places)
{
    if (!d.IsZero())
        RoundToDigits(d, d.Exponent + places);
}

// The nearest extended value to the decimal.
long double DecimalValue(const TDecimalDigits &d);
