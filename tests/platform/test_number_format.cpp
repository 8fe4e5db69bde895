#include "platform/NumberFormat.h"
#include "platform/Rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace
{

const TFormatSettings kTr = TFormatSettings::Turkish();
const TFormatSettings kUs = TFormatSettings::UnitedStates();

struct TFormatRow {
    const char16_t *Pattern;
    long double Value;
    const char16_t *Expected;
    const char *Why;
};

} // namespace

TEST(FormatFloat, TurkishDisplayPatterns)
{
    const TFormatRow rows[] = {
        { u",0.00;-,0.00", 1234.5L, u"1.234,50",
            "grouping from a comma anywhere in the integer part" },
        { u",0.00;-,0.00", -5, u"-5,00", "the negative section brings its own minus" },
        { u"#,###.00", 1234.5L, u"1.234,50", "money format" },
        { u"#,###.00", 0, u",00", "no forced integer digit: zero shows only its decimals" },
        { u"#,###.00", 1000, u"1.000,00", "a whole thousand" },
        { u"#,###.00", 12.346L, u"12,35", "rounded to the pattern's two decimals" },
        { u"#,###.00", 1234567.891L, u"1.234.567,89",
            "digits beyond the placeholders go in front, grouped" },
        { u"#,###.00", -1234.5L, u"-1.234,50",
            "no negative section: minus in front of section one" },
        { u"#,###.00", 0.5L, u",50", "below one there is no integer digit either" },
        { u",0.##;-,0.##", 3, u"3", "no decimals to show: no separator" },
        { u",0.##;-,0.##", 2.5L, u"2,5", "optional decimals drop trailing zeros" },
        { u",0.##;-,0.##", 1234, u"1.234", "quantity with grouping" },
        { u",0.##;-,0.##", -1, u"-1", "negative quantity" },
        { u",0.##;-,0.##", 0, u"0", "zero falls back to the first section" },
        { u"0", 0.5L, u"1", "halves go away from zero" },
        { u"0", -0.5L, u"-1", "also below zero" },
        { u"0", 1.4999L, u"1", "below the half" },
        { u"0.00", 1234, u"1234,00", "no comma: no grouping" },
        { u"000", 7, u"007", "leading zeros from forced placeholders" },
        { u"#0#", 5, u"05", "every placeholder after the first 0 is forced" },
        { u"#.##", 0.5L, u",5", "nothing before the separator" },
        { u"#.##", 0, u"", "nothing at all to show for zero" },
        { u"#.#0", 1.5L, u"1,50", "a 0 after a # forces both decimals" },
        { u".00", 12.5L, u"12,50", "integer digits land before the separator" },
        { u"00-00", 1234, u"12-34", "literal between placeholders" },
        { u"0 'TL'", 5, u"5 TL", "quoted text is a literal" },
        { u"0\" ;0\"", 5, u"5 ;0", "a semicolon inside quotes does not split" },
        { u"$0.00", -5, u"-$5,00", "the minus goes before the literals" },
        { u"#,##0.00;(#,##0.00)", -1234, u"(1.234,00)", "parentheses section" },
        { u"#,##0.00;;Sıfır", 0, u"Sıfır", "zero section" },
        { u"#,##0.00;;Sıfır", -5, u"-5,00", "empty negative section falls back to the first" },
        { u"#,##0.00;;Sıfır", 0.001L, u"Sıfır",
            "a value that rounds to zero takes the zero section" },
        { u"0.00;(0.00)", -0.001L, u"0,00", "rounds to zero: no parentheses, no minus" },
        { u"0.00", -0.004L, u"0,00", "never -0,00" },
        { u",0.##;-,0.##", -0.001L, u"0", "a tiny negative quantity shows as 0" },
        { u"0.00", 999.995L, u"1000,00", "carry through every digit" },
        { u"#,###.00", 999999.999L, u"1.000.000,00", "carry adds a group" },
        { u"0.000E+00", 1234, u"1,234E+03", "scientific with forced exponent sign" },
        { u"0.000E+00", -1234, u"-1,234E+03", "scientific negative" },
        { u"0.000E+00", 0.5L, u"5,000E-01", "negative exponent" },
        { u"0.000E+00", 0, u"0,000E+00", "scientific zero" },
        { u"#.###E-0", 1234, u"1,234E3", "sign only when negative" },
        { u"#.###E-0", 0.5L, u"5E-1", "trailing decimals dropped" },
        { u"#.###E-0", 0, u"0E0", "scientific zero keeps one digit" },
        { u"0.00E+00", 99999, u"1,00E+05", "rounding carries into the exponent" },
        { u"0E+0000000", 5, u"5E+0000", "at most four exponent digits" },
        { u"E+", 5, u"E+", "an E not followed by zeros is literal text" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        EXPECT_EQ(FormatFloat(QString::fromUtf16(r.Pattern), r.Value, kTr),
            QString::fromUtf16(r.Expected))
            << "pattern " << QString::fromUtf16(r.Pattern).toStdString();
    }
}

TEST(FormatFloat, RoundingIsJudgedOnEighteenDigits)
{
    const TFormatRow rows[] = {
        { u"0.00", 0.125L, u"0,13", "0.125 is exact in binary: a true half, away from zero" },
        { u"0.00", -0.125L, u"-0,13", "the same half below zero" },
        // The double 1.005 is 1.00499999999999989341..., whose 18 digits 1.00499999999999989
        // stay below the half.
        { u"0.00", static_cast<long double>(1.005), u"1,00", "double 1.005 sits below the half" },
        // The extended 1.005L is 1.00499999999999999999566..., 18 digits 1.00500000000000000.
        { u"0.00", 1.005L, u"1,01", "extended 1.005 reads as an exact half at 18 digits" },
        // 2.675 as a double is 2.67499999999999982236...: 18 digits 2.67499999999999982.
        { u"0.00", static_cast<long double>(2.675), u"2,67", "double 2.675 below the half" },
        // 3 x 6.67 in extended precision misses 20.01 by far less than the 18th digit.
        { u"#,###.00", 3 * 6.67L, u"20,01", "a product that lands a hair off its decimal" },
        { u"0.00", 0.1L + 0.2L, u"0,30", "binary noise far below the 18th digit" },
        { u"0.0", 0.05L, u"0,1", "half at the first decimal" },
        { u"0", 2.5L, u"3", "halves away from zero, not to even" },
        // Eighteen significant places show the digit image itself.
        { u"0.00000000000000000E+00", static_cast<long double>(0.1), u"1,00000000000000006E-01",
            "the double 0.1 is 0.10000000000000000555...: the 19th digit rounds the 18th up" },
        { u"0.00000000000000000E+00", 0.1L, u"1,00000000000000000E-01",
            "the extended 0.1 is 0.1000000000000000000013..." },
        { u"0", 1e20L, u"100000000000000000000", "whole digits beyond the eighteenth are zeros" },
        { u"0.00", 123456789012345678.9L, u"123456789012345679,00",
            "the 18-digit image is rounded first" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        EXPECT_EQ(FormatFloat(QString::fromUtf16(r.Pattern), r.Value, kTr),
            QString::fromUtf16(r.Expected));
    }
}

TEST(FormatFloat, SeparatorsFollowTheLocale)
{
    EXPECT_EQ(FormatFloat(u",0.00;-,0.00"_s, 1234567.5L, kUs), u"1,234,567.50"_s);
    EXPECT_EQ(FormatFloat(u"#,###.00"_s, 0, kUs), u".00"_s);
    EXPECT_EQ(FormatFloat(u",0.##"_s, 2.5L, kUs), u"2.5"_s);
}

TEST(FormatFloat, EmptyPatternAndOddValues)
{
    EXPECT_EQ(FormatFloat(QString(), 1234.5L, kTr), u"1234,5"_s); // general format
    EXPECT_EQ(FormatFloat(u";(0)"_s, 5, kTr), u"5"_s); // empty first section
    EXPECT_EQ(FormatFloat(u";(0)"_s, -5, kTr), u"(5)"_s);
    EXPECT_EQ(FormatFloat(u";(0)"_s, -0.1L, kTr), u"0"_s); // rounds to zero, general
    EXPECT_EQ(FormatFloat(u"0.00"_s, std::numeric_limits<long double>::infinity(), kTr), u"INF"_s);
    EXPECT_EQ(
        FormatFloat(u"0.00"_s, -std::numeric_limits<long double>::infinity(), kTr), u"-INF"_s);
    EXPECT_EQ(FormatFloat(u"0.00"_s, std::numeric_limits<long double>::quiet_NaN(), kTr), u"NAN"_s);
    EXPECT_EQ(FormatFloat(u"0.00"_s, -0.0L, kTr), u"0,00"_s);
    EXPECT_EQ(
        FormatFloat(u"0.00"_s, std::numeric_limits<long double>::denorm_min(), kTr), u"0,00"_s);
    // The largest value still formats in full.
    EXPECT_EQ(FormatFloat(u"0"_s, std::numeric_limits<long double>::max(), kTr).size(), 4933);
}

TEST(FloatToStrGeneral, ShortestFormUpToFifteenDigits)
{
    struct Row {
        long double Value;
        const char16_t *Expected;
        const char *Why;
    };
    const Row rows[] = {
        { 0, u"0", "zero" },
        { 12, u"12", "whole number, no separator" },
        { 1500, u"1500", "no grouping" },
        { -2.5L, u"-2,5", "sign and locale separator" },
        { 0.1L + 0.2L, u"0,3", "binary noise beyond 15 digits is gone" },
        { static_cast<long double>(0.1), u"0,1", "a double's tail is gone too" },
        { 1.0L / 3, u"0,333333333333333", "15 significant digits" },
        { 2.0L / 3, u"0,666666666666667", "the 15th digit rounded" },
        { 0.00001L, u"0,00001", "the smallest magnitude without exponent" },
        { 0.0000123L, u"0,0000123", "still fixed" },
        { 0.000001L, u"1E-6", "below 0.00001: exponent" },
        { -0.0000015L, u"-1,5E-6", "negative with exponent" },
        { 999999999999999.0L, u"999999999999999", "fifteen integer digits: fixed" },
        { 1e15L, u"1E15", "sixteen integer digits: exponent" },
        { 1.5e20L, u"1,5E20", "exponent with decimals" },
        { 999999999999999.9L, u"1E15", "rounding to 15 digits carries into a sixteenth" },
        { 1.899L, u"1,899", "the truncation helper's input" },
        { 3.7782L, u"3,7782", "four decimals survive" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        EXPECT_EQ(FloatToStrGeneral(r.Value, kTr), QString::fromUtf16(r.Expected));
    }
    EXPECT_EQ(FloatToStrGeneral(1.5e20L, kUs), u"1.5E20"_s);
    EXPECT_EQ(FloatToStrGeneral(-2.5L, kUs), u"-2.5"_s);
}

TEST(TryStrToFloat, StrictLocaleNumbers)
{
    struct Row {
        const char16_t *Text;
        bool Ok;
        long double Value;
        const char *Why;
    };
    const Row rows[] = {
        { u"12", true, 12, "whole number" },
        { u"12,5", true, 12.5L, "Turkish decimal comma" },
        { u"  -12,5  ", true, -12.5L, "blanks around and a sign" },
        { u"+3", true, 3, "plus sign" },
        { u",5", true, 0.5L, "no integer digits" },
        { u"5,", true, 5, "no fraction digits" },
        { u"1E3", true, 1000, "exponent" },
        { u"1,5e-2", true, 0.015L, "small exponent with sign" },
        { u"1E+2", true, 100, "exponent with plus" },
        { u"1e-99999", true, 0, "too small to hold reads as zero" },
        { u"0,0000000000000000000000000000000000000000000000000000000000001", true, 1e-61L,
            "many leading zeros" },
        { u"12.5", false, 0, "a point is not the Turkish separator" },
        { u"1.234,5", false, 0, "thousands separators are not allowed" },
        { u"", false, 0, "empty" },
        { u"   ", false, 0, "blanks only" },
        { u"-", false, 0, "a sign alone" },
        { u",", false, 0, "a separator alone" },
        { u"1E", false, 0, "exponent without digits" },
        { u"1E+", false, 0, "exponent sign without digits" },
        { u"1 2", false, 0, "a blank inside" },
        { u"1,2,3", false, 0, "two separators" },
        { u"--1", false, 0, "two signs" },
        { u"abc", false, 0, "letters" },
        { u"1e99999", false, 0, "too large to hold" },
        { u"inf", false, 0, "no words for infinity" },
        { u"0x10", false, 0, "no hexadecimal" },
        { u"\u0661", false, 0, "only ASCII digits" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        long double v = -777;
        const bool ok = TryStrToFloat(QString::fromUtf16(r.Text), v, kTr);
        EXPECT_EQ(ok, r.Ok);
        if (r.Ok)
            EXPECT_EQ(v, r.Value);
        else
            EXPECT_EQ(v, -777) << "a failed parse leaves the value alone";
    }
    long double v = 0;
    EXPECT_TRUE(TryStrToFloat(u"12.5"_s, v, kUs));
    EXPECT_EQ(v, 12.5L);
    EXPECT_FALSE(TryStrToFloat(u"12,5"_s, v, kUs));
}

TEST(ParseNumericText, LenientFieldReading)
{
    struct Row {
        const char16_t *Text;
        long double Value;
        const char *Why;
    };
    const Row rows[] = {
        { u"1.234,50", 1234.5L, "thousands dots are dropped" },
        { u"(12)", -12, "parentheses mean negative" },
        { u"-5,00", -5, "leading minus" },
        { u"  -5", -5, "blanks before the minus" },
        { u"12-3", 123, "a stray minus is dropped" },
        { u"1E3", 1000, "exponent" },
        { u"1E-3", 0.001L, "a minus right after the exponent mark stays" },
        { u"5E+3", 5000, "the plus is dropped" },
        { u"abc", 0, "not a number" },
        { u"", 0, "empty" },
        { u",00", 0, "the formatted zero of the money format" },
        { u"1.000,00", 1000, "the formatted thousand" },
        { u"12 TL", 12, "letters and blanks dropped" },
        { u"1,2,3", 0, "two separators is still not a number" },
        { u"(5", 5, "only a matched pair of parentheses is negative" },
        { u"E", 0, "an exponent mark alone" },
        { u"1e99999", 0, "out of range reads as 0" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        EXPECT_EQ(ParseNumericText(QString::fromUtf16(r.Text), kTr), r.Value);
    }
    EXPECT_EQ(ParseNumericText(u"1,234.50"_s, kUs), 1234.5L);
}

TEST(NumberText, FormattedValuesReadBack)
{
    // What a numeric field shows must read back as the rounded value.
    const long double values[] = { 0, 0.5L, 1.005L, 12.345L, -7.125L, 1234567.891L, 99999999.995L };
    for (const long double v : values) {
        const QString shown = FormatFloat(u",0.00;-,0.00"_s, v, kTr);
        const long double back = ParseNumericText(shown, kTr);
        EXPECT_EQ(FormatFloat(u",0.00;-,0.00"_s, back, kTr), shown) << shown.toStdString();
        EXPECT_LE(std::fabs(back - v), 0.005L + 1e-12L) << shown.toStdString();
    }
}

TEST(Rounding, HalfAwayOnEighteenDigitsAndHalfEvenForCurrency)
{
    struct Row {
        long double Value;
        int Decimals;
        long double Expected;
        const char *Why;
    };
    const Row rows[] = {
        { 0.125L, 2, 0.13L, "exact half goes up" },
        { -0.125L, 2, -0.13L, "and down below zero" },
        { static_cast<long double>(1.005), 2, 1.0L, "the double sits below the half" },
        { 1.005L, 2, 1.01L, "the extended value is a half at 18 digits" },
        { 2.5L, 0, 3, "away from zero, not to even" },
        { 1234.5678L, -2, 1200, "negative decimals round to hundreds" },
        { 0.004L, 2, 0, "rounds to zero" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        EXPECT_EQ(RoundHalfAwayDecimals(r.Value, r.Decimals), r.Expected);
    }
    // The currency conversion is the other rule: exact halves to the even neighbour.
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(3.5L), 4);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(ToCurrency(-12.5L), -125000);
    // Out of range saturates instead of an undefined cast.
    EXPECT_EQ(RoundHalfEven(1e30L), INT64_MAX);
    EXPECT_EQ(RoundHalfEven(-1e30L), INT64_MIN);
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<long double>::quiet_NaN()), 0);
    EXPECT_EQ(ToCurrency(1e16L), INT64_MAX);
    EXPECT_EQ(RoundHalfEven(-9223372036854775808.0L), INT64_MIN);
    EXPECT_EQ(FromCurrency(37782), 3.7782L);
}

TEST(FormatFloat, ManyPatternsInTurn)
{
    // More patterns than the compiled-pattern cache holds, used in turn, twice over: every
    // call must still use its own pattern.
    struct Row {
        const char16_t *Pattern;
        const char16_t *Expected;
    };
    const Row rows[] = {
        { u"0.00", u"1234,57" },
        { u"#,###.00", u"1.234,57" },
        { u"0", u"1235" },
        { u"0.0", u"1234,6" },
        { u"#,##0", u"1.235" },
        { u"0.000E+00", u"1,235E+03" },
        { u"'x'0", u"x1235" },
    };
    for (int round = 0; round < 2; ++round)
        for (const auto &r : rows)
            EXPECT_EQ(FormatFloat(QString::fromUtf16(r.Pattern), 1234.5678L, kTr),
                QString::fromUtf16(r.Expected));
}
