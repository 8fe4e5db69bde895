#include "invoice/TaxNumber.h"

using namespace Qt::StringLiterals;

namespace
{

bool AllDigits(QStringView s)
{
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return !s.isEmpty();
}

int Digit(QStringView s, int i)
{
    return s[i].unicode() - u'0';
}

// The published VKN rule: each of the first nine digits is shifted by its place, weighted by
// a power of two modulo nine, and the sum's complement to ten is the last digit.
bool VknValid(QStringView s)
{
    int sum = 0;
    for (int i = 0; i < 9; ++i) {
        const int t = (Digit(s, i) + 9 - i) % 10;
        sum += t == 9 ? 9 : (t * (1 << (9 - i))) % 9;
    }
    return (10 - sum % 10) % 10 == Digit(s, 9);
}

} // namespace

TTaxNumberCheck CheckTaxNumber(QStringView text)
{
    const QStringView s = text.trimmed();
    if (!AllDigits(s))
        return {};
    if (s.size() == 10) {
        if (!VknValid(s))
            return { false,
                u"Vergi kimlik numarası (VKN) geçersiz: son hanesi kontrol hanesini "
                u"tutmuyor. Numarayı kontrol edin."_s };
        return {};
    }
    if (s.size() == 11) {
        if (Digit(s, 0) == 0)
            return { false, u"T.C. kimlik numarası 0 ile başlayamaz."_s };
        int odd = 0, even = 0;
        for (int i = 0; i < 9; i += 2)
            odd += Digit(s, i);
        for (int i = 1; i < 8; i += 2)
            even += Digit(s, i);
        if (((odd * 7 - even) % 10 + 10) % 10 != Digit(s, 9))
            return { false,
                u"T.C. kimlik numarası geçersiz: 10. hanesi kontrol hanesini "
                u"tutmuyor."_s };
        int first10 = 0;
        for (int i = 0; i < 10; ++i)
            first10 += Digit(s, i);
        if (first10 % 10 != Digit(s, 10))
            return { false,
                u"T.C. kimlik numarası geçersiz: 11. hanesi kontrol hanesini "
                u"tutmuyor."_s };
    }
    return {};
}
