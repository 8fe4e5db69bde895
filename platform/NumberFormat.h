#pragma once
// Number texts of the program: display patterns, the general format, the numeric field's
// lenient parse and the strict locale parse. All take the locale explicitly.

#include "platform/Locale.h"

#include <QString>

#include <vector>

// Formats value with a display pattern: "0" digit always shown, "#" digit shown when
// significant, "." the decimal separator, "," in the integer part asks for thousands
// grouping, ";" separates an optional negative section (and a third for zero). Rounds to
// the pattern's decimals, halves away from zero, judged on the first 18 significant digits.
// Also: "E+00" / "E-0" for an exponent (the digit places then count significant digits),
// quoted text and any other character as literals, an empty pattern for the general format.
// A value that rounds to zero takes the zero section (else the first) and shows no minus.
// Non-finite values give "NAN", "INF", "-INF".
QString FormatFloat(const QString &pattern, long double value, const TFormatSettings &fs);

// What a display pattern asks for, one entry per section (positive; negative; zero), read as
// FormatFloat reads it. An empty section falls back to the first.
struct TPatternSection {
    bool Empty = false;
    bool HasDigit = false; // at least one "0" or "#" outside quotes
    int Decimals = 0; // digit places after the point
    bool Scientific = false; // an exponent ("E+00"): the digit places are significant digits
};
std::vector<TPatternSection> DescribePattern(const QString &pattern);

// The general format: shortest form up to 15 significant digits, trailing zeros dropped,
// the locale's decimal separator, no grouping; exponent form only for magnitudes under
// 0.00001 or with more than 15 digits before the separator.
QString FloatToStrGeneral(long double value, const TFormatSettings &fs);

// Strict parse of a number in the locale's format (optional blanks around, optional sign,
// digits with at most one decimal separator, optional exponent). False when not a number.
bool TryStrToFloat(const QString &text, long double &value, const TFormatSettings &fs);

// The numeric field's lenient reading: every character other than digits, the decimal
// separator, an exponent mark and a minus directly after an exponent mark is dropped; the
// value is negative when the text begins with "-" or is wrapped in "(" ... ")"; a text that
// still is not a number reads as 0.
long double ParseNumericText(const QString &text, const TFormatSettings &fs);
