#include "invoice/SayiOku.h"

#include "platform/Rounding.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

using namespace Qt::StringLiterals;

namespace
{

constexpr std::array<const char16_t *, 10> kOnes
    = { u"", u"Bir", u"İki", u"Üç", u"Dört", u"Beş", u"Altı", u"Yedi", u"Sekiz", u"Dokuz" };
constexpr std::array<const char16_t *, 10> kTens = { u"", u"On", u"Yirmi", u"Otuz", u"Kırk",
    u"Elli", u"Altmış", u"Yetmiş", u"Seksen", u"Doksan" };

// Groups of three digits, most significant first. Above a trillion the Turkish scale goes on
// with katrilyon and kentilyon, which covers every whole part a 64-bit integer can hold.
constexpr int kGroups = 7;
constexpr std::array<const char16_t *, kGroups> kScale
    = { u"Kentilyon", u"Katrilyon", u"Trilyon", u"Milyar", u"Milyon", u"Bin", u"" };

struct TCurrencyWords {
    const char16_t *Main;
    const char16_t *Sub;
};
constexpr std::array<TCurrencyWords, 5> kCurrencies = { {
    { u" TL", u" KR" },
    { u" Euro", u" EuroCent" },
    { u" AZN", u" QEP" },
    { u" Dollar", u" Cent" },
    { u" IQD", u" CENT" },
} };

// Small letters at 0..6, their capitals at 7..13, pair by pair.
constexpr char16_t kCaseTable[] = u"ğüşiıöçĞÜŞİIÖÇ";
constexpr int kCasePairs = 7;

QString WordsOfDigits(const std::string &digits)
{
    const std::size_t width = 3 * kGroups;
    if (digits.size() > width)
        return QString();
    const std::string padded = std::string(width - digits.size(), '0') + digits;
    QString result;
    for (int g = 0; g < kGroups; ++g) {
        const QString group = QString::fromLatin1(padded.data() + 3 * g, 3);
        const QString words = UCLU_GRUP_YAZIYLA(group);
        if (words.isEmpty())
            continue;
        const bool thousands = g == kGroups - 2;
        // One thousand is "Bin", never "BirBin"; one million is "BirMilyon".
        if (!(thousands && group == u"001"))
            result += words;
        result += QStringView(kScale[static_cast<std::size_t>(g)]);
    }
    return result;
}

std::string DecimalDigitsOf(std::int64_t n)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, n);
    return std::string(buf, res.ptr);
}

} // namespace

QString UCLU_GRUP_YAZIYLA(const QString &group)
{
    if (group.size() != 3)
        return QString();
    int digit[3];
    for (int i = 0; i < 3; ++i) {
        const QChar c = group.at(i);
        if (c < u'0' || c > u'9')
            return QString();
        digit[i] = c.unicode() - u'0';
    }
    QString result;
    if (digit[0] >= 2)
        result += QStringView(kOnes[static_cast<std::size_t>(digit[0])]);
    if (digit[0] >= 1)
        result += u"Yüz"_s;
    result += QStringView(kTens[static_cast<std::size_t>(digit[1])]);
    result += QStringView(kOnes[static_cast<std::size_t>(digit[2])]);
    return result;
}

QString SAYI_YAZIYLA(double number)
{
    if (!(number > 0) || !std::isfinite(number))
        return QString();
    const double whole = std::trunc(number);
    if (whole < 1)
        return QString();
    // A double's whole digits, exactly, without the C locale.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, whole, std::chars_format::fixed, 0);
    if (res.ec != std::errc())
        return QString();
    return WordsOfDigits(std::string(buf, res.ptr));
}

QString TUTAR_YAZIYLA(std::uint8_t caseMode, std::uint8_t currencyCode, double amount)
{
    // 2^63: the first whole part that no longer fits.
    constexpr double kLimit = 9223372036854775808.0;
    if (!(amount > 0) || !(amount < kLimit))
        return QString();

    const TCurrencyWords currency = currencyCode < kCurrencies.size() ? kCurrencies[currencyCode]
                                                                      : TCurrencyWords { u"", u"" };
    const double truncated = std::trunc(amount);
    std::int64_t whole = static_cast<std::int64_t>(truncated);
    std::int64_t hundredths = RoundHalfEven((amount - truncated) * 100.0);
    // A fraction of .995 or more makes a whole unit, not "100 KR" beside the old whole part.
    if (hundredths >= 100) {
        ++whole;
        hundredths = 0;
    }

    QString result;
    if (whole > 0) {
        result += WordsOfDigits(DecimalDigitsOf(whole));
        result += QStringView(currency.Main);
        if (hundredths > 0)
            result += u' ';
    }
    if (hundredths > 0) {
        result += WordsOfDigits(DecimalDigitsOf(hundredths));
        result += QStringView(currency.Sub);
    }
    if (result.isEmpty() || caseMode == 0)
        return result;
    return TURKCE_HARF_CEVIR(result, caseMode == 2 ? cdSmall : cdCapitals);
}

QString TURKCE_HARF_CEVIR(const QString &text, TCaseDirection direction)
{
    const QStringView table(kCaseTable, 2 * kCasePairs);
    QString result = text;
    for (QChar &c : result) {
        const qsizetype pos = table.indexOf(c);
        if (pos >= 0) {
            const qsizetype pair = pos % kCasePairs;
            c = table.at(direction == cdCapitals ? pair + kCasePairs : pair);
        } else if (direction == cdCapitals && c >= u'a' && c <= u'z') {
            c = QChar(c.unicode() - (u'a' - u'A'));
        } else if (direction == cdSmall && c >= u'A' && c <= u'Z') {
            c = QChar(c.unicode() + (u'a' - u'A'));
        }
    }
    return result;
}
