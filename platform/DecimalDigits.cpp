#include "platform/DecimalDigits_p.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace
{

void TrimTrailingZeros(std::string &s)
{
    while (!s.empty() && s.back() == '0')
        s.pop_back();
}

} // namespace

TDecimalDigits DecimalImage(long double value)
{
    TDecimalDigits d;
    if (value == 0 || !std::isfinite(value))
        return d;
    d.Negative = std::signbit(value);
    // "d.ddddddddddddddddde+XX": 18 significant digits, correctly rounded from the binary
    // value; to_chars never looks at the C locale.
    char buf[64];
    // Both conversions are exact from the binary value, so a value that a double holds
    // exactly may take the double's much faster path.
    const long double magnitude = std::fabs(value);
    const double narrow = static_cast<double>(magnitude);
    const auto res = static_cast<long double>(narrow) == magnitude
        ? std::to_chars(buf, buf + sizeof buf, narrow, std::chars_format::scientific, 17)
        : std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 17);
    const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    const std::size_t e = text.find('e');
    d.Digits.reserve(18);
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            d.Digits.push_back(text[i]);
    int exp10 = 0;
    std::from_chars(
        text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), exp10);
    d.Exponent = exp10 + 1;
    TrimTrailingZeros(d.Digits);
    return d;
}

void RoundToDigits(TDecimalDigits &d, int keep)
{
    const int size = static_cast<int>(d.Digits.size());
    if (keep >= size)
        return;
    if (keep < 0) {
        d.Digits.clear();
        return;
    }
    const bool up = d.Digits[static_cast<std::size_t>(keep)] >= '5';
    d.Digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits[static_cast<std::size_t>(i)] == '9')
            d.Digits[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Exponent;
        } else {
            ++d.Digits[static_cast<std::size_t>(i)];
        }
    }
    TrimTrailingZeros(d.Digits);
}

long double DecimalValue(const TDecimalDigits &d)
{
    if (d.IsZero())
        return d.Negative ? -0.0L : 0.0L;
    std::string text;
    text.reserve(d.Digits.size() + 16);
    if (d.Negative)
        text.push_back('-');
    text += "0.";
    text += d.Digits;
    text += 'e';
    text += std::to_string(d.Exponent);
    long double v = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        const bool huge = d.Exponent > 0;
        v = huge ? std::numeric_limits<long double>::infinity() : 0.0L;
        if (d.Negative)
            v = -v;
    }
    return v;
}
