#include "earsiv/EArsivInvoice.h"

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kMaxScale = 18;

std::int64_t Pow10(int n)
{
    std::int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

QString TDecimal::ToString() const
{
    // Digits of the magnitude, built from an unsigned value so that INT64_MIN has one too.
    const bool negative = Units < 0;
    std::uint64_t magnitude
        = negative ? 0 - static_cast<std::uint64_t>(Units) : static_cast<std::uint64_t>(Units);
    QString digits = QString::number(magnitude);
    if (Scale > 0) {
        if (digits.size() <= Scale)
            digits = QString(Scale - digits.size() + 1, u'0') + digits;
        digits.insert(digits.size() - Scale, u'.');
    }
    return negative ? u'-' + digits : digits;
}

std::optional<TDecimal> TDecimal::Parse(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    const qsizetype dot = text.indexOf(u'.');
    const QStringView whole = dot < 0 ? text : text.left(dot);
    const QStringView fraction = dot < 0 ? QStringView() : text.mid(dot + 1);
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if (fraction.size() > kMaxScale)
        return std::nullopt;
    std::uint64_t units = 0;
    constexpr std::uint64_t limit = std::numeric_limits<std::int64_t>::max();
    for (QStringView part : { whole, fraction }) {
        for (QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            if (units > (limit - (c.unicode() - u'0')) / 10)
                return std::nullopt;
            units = units * 10 + (c.unicode() - u'0');
        }
    }
    const auto value = static_cast<std::int64_t>(units);
    return TDecimal { negative ? -value : value, static_cast<int>(fraction.size()) };
}

TDecimal TDecimal::Rescaled(int scale) const
{
    if (scale >= Scale)
        return { Units * Pow10(scale - Scale), scale };
    const std::int64_t divisor = Pow10(Scale - scale);
    std::int64_t q = Units / divisor;
    const std::int64_t r = Units % divisor;
    if (2 * (r < 0 ? -r : r) >= divisor)
        q += Units < 0 ? -1 : 1;
    return { q, scale };
}

bool TDecimal::operator==(const TDecimal &o) const
{
    const int scale = std::max(Scale, o.Scale);
    return Rescaled(scale).Units == o.Rescaled(scale).Units;
}

QString TEArsivParty::DisplayName() const
{
    if (IsPerson() && (!FirstName.isEmpty() || !FamilyName.isEmpty()))
        return (FirstName + u' ' + FamilyName).trimmed();
    return Name;
}
