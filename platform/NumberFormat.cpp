#include "platform/NumberFormat.h"

#include "platform/DecimalDigits_p.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

// ---------------------------------------------------------------------------------------
// Display patterns

enum class TTokenKind { Digit, Point, Literal, Exponent };

struct TToken {
    TTokenKind Kind = TTokenKind::Literal;
    QString Text; // a literal's text
    bool Fraction = false; // a digit placeholder after the point
    QChar Mark; // the exponent's E or e
    bool AlwaysSign = false;
    int ExponentDigits = 1;
};

struct TLayout {
    std::vector<TToken> Tokens;
    int IntPlaces = 0;
    int FracPlaces = 0;
    int IntMin = 0; // integer digits always shown: from the first "0" on
    int FracMin = 0; // decimals always shown: up to the last "0"
    bool Grouping = false;
    bool Scientific = false;
    bool HasPoint = false;
};

// Up to three sections, positive;negative;zero. Quoted text may hold a ";".
QStringList SplitSections(const QString &pattern)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (const QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            sections << current;
            current.clear();
            if (sections.size() == 3)
                return sections;
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

TLayout ScanSection(const QString &section)
{
    TLayout l;
    int firstIntZero = -1;
    auto literal = [&l](const QString &text) {
        if (!l.Tokens.empty() && l.Tokens.back().Kind == TTokenKind::Literal)
            l.Tokens.back().Text += text;
        else {
            TToken t;
            t.Text = text;
            l.Tokens.push_back(t);
        }
    };
    const qsizetype n = section.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = section.at(i);
        if (c == u'\'' || c == u'"') {
            const qsizetype end = section.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? n : end;
            literal(section.mid(i + 1, stop - i - 1));
            i = stop;
        } else if ((c == u'0' || c == u'#') && !l.Scientific) {
            TToken t;
            t.Kind = TTokenKind::Digit;
            t.Fraction = l.HasPoint;
            if (l.HasPoint) {
                ++l.FracPlaces;
                if (c == u'0')
                    l.FracMin = l.FracPlaces;
            } else {
                if (c == u'0' && firstIntZero < 0)
                    firstIntZero = l.IntPlaces;
                ++l.IntPlaces;
            }
            l.Tokens.push_back(t);
        } else if (c == u'.' && !l.Scientific) {
            if (!l.HasPoint) {
                l.HasPoint = true;
                TToken t;
                t.Kind = TTokenKind::Point;
                l.Tokens.push_back(t);
            }
        } else if (c == u',' && !l.Scientific) {
            if (!l.HasPoint)
                l.Grouping = true;
        } else if ((c == u'E' || c == u'e') && !l.Scientific && i + 2 < n
            && (section.at(i + 1) == u'+' || section.at(i + 1) == u'-')
            && section.at(i + 2) == u'0') {
            TToken t;
            t.Kind = TTokenKind::Exponent;
            t.Mark = c;
            t.AlwaysSign = section.at(i + 1) == u'+';
            qsizetype j = i + 2;
            while (j < n && section.at(j) == u'0')
                ++j;
            t.ExponentDigits = static_cast<int>(std::min<qsizetype>(j - (i + 2), 4));
            l.Tokens.push_back(t);
            l.Scientific = true;
            i = j - 1;
        } else {
            literal(QString(c));
        }
    }
    l.IntMin = firstIntZero < 0 ? 0 : l.IntPlaces - firstIntZero;
    return l;
}

QString Render(const TLayout &l, const TDecimalDigits &d, bool minus, const TFormatSettings &fs)
{
    // Split the rounded value into integer and fraction digits.
    std::string intDigits;
    std::string fracDigits;
    int exponentShown = 0;
    if (l.Scientific) {
        if (d.IsZero()) {
            intDigits.assign(
                static_cast<std::size_t>(std::max(l.IntMin, l.IntPlaces > 0 ? 1 : 0)), '0');
        } else {
            const std::size_t ip = static_cast<std::size_t>(l.IntPlaces);
            intDigits = d.Digits.substr(0, std::min(ip, d.Digits.size()));
            intDigits.resize(ip, '0');
            if (d.Digits.size() > ip)
                fracDigits = d.Digits.substr(ip);
            exponentShown = d.Exponent - l.IntPlaces;
        }
    } else if (!d.IsZero()) {
        if (d.Exponent > 0) {
            const std::size_t ie = static_cast<std::size_t>(d.Exponent);
            intDigits = d.Digits.substr(0, std::min(ie, d.Digits.size()));
            intDigits.resize(ie, '0');
            if (d.Digits.size() > ie)
                fracDigits = d.Digits.substr(ie);
        } else {
            fracDigits.assign(static_cast<std::size_t>(-d.Exponent), '0');
            fracDigits += d.Digits;
        }
    }
    if (!l.Scientific && static_cast<int>(intDigits.size()) < l.IntMin)
        intDigits.insert(0, static_cast<std::size_t>(l.IntMin) - intDigits.size(), '0');

    QString out;
    out.reserve(
        static_cast<qsizetype>(l.Tokens.size() + intDigits.size() + intDigits.size() / 3 + 8));
    if (minus)
        out += u'-';
    const bool grouping = l.Grouping && !l.Scientific;
    const int total = static_cast<int>(intDigits.size());
    int remaining = total; // integer digits not yet written
    auto emitIntegerDownTo = [&](int slot) {
        while (remaining > 0 && remaining >= slot) {
            out += QLatin1Char(intDigits[static_cast<std::size_t>(total - remaining)]);
            --remaining;
            if (grouping && remaining > 0 && remaining % 3 == 0)
                out += fs.ThousandSeparator;
        }
    };
    int intIndex = 0;
    int fracIndex = 0;
    for (const TToken &t : l.Tokens) {
        switch (t.Kind) {
        case TTokenKind::Literal:
            out += t.Text;
            break;
        case TTokenKind::Digit:
            if (!t.Fraction) {
                emitIntegerDownTo(l.IntPlaces - intIndex);
                ++intIndex;
            } else {
                if (fracIndex < static_cast<int>(fracDigits.size()))
                    out += QLatin1Char(fracDigits[static_cast<std::size_t>(fracIndex)]);
                else if (fracIndex < l.FracMin)
                    out += u'0';
                ++fracIndex;
            }
            break;
        case TTokenKind::Point:
            if (l.IntPlaces == 0)
                emitIntegerDownTo(1);
            if (!fracDigits.empty() || l.FracMin > 0)
                out += fs.DecimalSeparator;
            break;
        case TTokenKind::Exponent: {
            out += t.Mark;
            if (exponentShown < 0)
                out += u'-';
            else if (t.AlwaysSign)
                out += u'+';
            QString digits = QString::number(std::abs(exponentShown));
            if (digits.size() < t.ExponentDigits)
                digits.prepend(QString(t.ExponentDigits - digits.size(), u'0'));
            out += digits;
            break;
        }
        }
    }
    return out;
}

TDecimalDigits Rounded(const TLayout &l, long double magnitude)
{
    TDecimalDigits d = DecimalImage(magnitude);
    d.Negative = false;
    if (l.Scientific)
        RoundToDigits(d, std::max(1, l.IntPlaces + l.FracPlaces));
    else
        RoundToPlaces(d, l.FracPlaces);
    return d;
}

struct TSection {
    bool Empty = true;
    TLayout Layout;
};

struct TPattern {
    std::vector<TSection> Sections; // one to three
};

// A form formats with the same two or three patterns over and over: keep the last few
// compiled. Each thread has its own, so no lock is needed.
const TPattern &CompiledPattern(const QString &pattern)
{
    struct TEntry {
        QString Source;
        TPattern Compiled;
    };
    constexpr std::size_t kEntries = 4;
    thread_local std::vector<TEntry> cache;
    thread_local std::size_t next = 0;
    for (const TEntry &e : cache)
        if (e.Source == pattern)
            return e.Compiled;
    TEntry entry;
    entry.Source = pattern;
    for (const QString &text : SplitSections(pattern)) {
        TSection section;
        section.Empty = text.isEmpty();
        if (!section.Empty)
            section.Layout = ScanSection(text);
        entry.Compiled.Sections.push_back(std::move(section));
    }
    if (cache.size() < kEntries) {
        cache.push_back(std::move(entry));
        return cache.back().Compiled;
    }
    TEntry &slot = cache[next];
    next = (next + 1) % kEntries;
    slot = std::move(entry);
    return slot.Compiled;
}

QString NonFinite(long double value)
{
    if (std::isnan(value))
        return u"NAN"_s;
    return value < 0 ? u"-INF"_s : u"INF"_s;
}

// ---------------------------------------------------------------------------------------
// Parsing

bool IsBlank(QChar c)
{
    return c.unicode() <= 0x20;
}

} // namespace

QString FormatFloat(const QString &pattern, long double value, const TFormatSettings &fs)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    const TPattern &p = CompiledPattern(pattern);
    auto sectionFor = [&p](int index) -> int {
        return index < static_cast<int>(p.Sections.size())
                && !p.Sections[static_cast<std::size_t>(index)].Empty
            ? index
            : 0;
    };
    const int wanted = value > 0 ? 0 : (value < 0 ? 1 : 2);
    const int index = sectionFor(wanted);
    const TSection &section = p.Sections[static_cast<std::size_t>(index)];
    if (section.Empty)
        return FloatToStrGeneral(value, fs);

    const TDecimalDigits d = Rounded(section.Layout, std::fabs(value));
    // A value that rounds to nothing is shown as zero: the zero section if there is one, and
    // never with a minus sign ("-0,00" would read back as a negative amount).
    if (d.IsZero() && wanted != 2) {
        const TSection &zero = p.Sections[static_cast<std::size_t>(sectionFor(2))];
        if (zero.Empty)
            return FloatToStrGeneral(0, fs);
        return Render(zero.Layout, d, false, fs);
    }
    const bool minus = value < 0 && index == 0;
    return Render(section.Layout, d, minus, fs);
}

std::vector<TPatternSection> DescribePattern(const QString &pattern)
{
    std::vector<TPatternSection> out;
    for (const TSection &section : CompiledPattern(pattern).Sections) {
        TPatternSection d;
        d.Empty = section.Empty;
        d.HasDigit = section.Layout.IntPlaces + section.Layout.FracPlaces > 0;
        d.Decimals = section.Layout.FracPlaces;
        d.Scientific = section.Layout.Scientific;
        out.push_back(d);
    }
    return out;
}

QString FloatToStrGeneral(long double value, const TFormatSettings &fs)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    TDecimalDigits d = DecimalImage(value);
    RoundToDigits(d, 15);
    if (d.IsZero())
        return u"0"_s;
    QString out;
    if (d.Negative)
        out += u'-';
    const QString digits
        = QString::fromLatin1(d.Digits.data(), static_cast<qsizetype>(d.Digits.size()));
    if (d.Exponent < -4 || d.Exponent > 15) {
        out += digits.at(0);
        if (digits.size() > 1) {
            out += fs.DecimalSeparator;
            out += QStringView(digits).mid(1);
        }
        out += u'E';
        out += QString::number(d.Exponent - 1);
    } else if (d.Exponent <= 0) {
        out += u'0';
        out += fs.DecimalSeparator;
        out += QString(-d.Exponent, u'0');
        out += digits;
    } else if (digits.size() <= d.Exponent) {
        out += digits;
        out += QString(d.Exponent - digits.size(), u'0');
    } else {
        out += QStringView(digits).left(d.Exponent);
        out += fs.DecimalSeparator;
        out += QStringView(digits).mid(d.Exponent);
    }
    return out;
}

bool TryStrToFloat(const QString &text, long double &value, const TFormatSettings &fs)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsBlank(text.at(end - 1)))
        --end;

    // Rewrite into the plain form from_chars reads: [-]digits[.digits][e[-]digits].
    std::string plain;
    plain.reserve(static_cast<std::size_t>(end - begin) + 2);
    qsizetype i = begin;
    bool negative = false;
    if (i < end && (text.at(i) == u'-' || text.at(i) == u'+'))
        negative = text.at(i++) == u'-';
    auto isDigit = [&text](qsizetype k) { return text.at(k) >= u'0' && text.at(k) <= u'9'; };
    std::string intDigits;
    std::string fracDigits;
    while (i < end && isDigit(i))
        intDigits.push_back(static_cast<char>(text.at(i++).unicode()));
    if (i < end && text.at(i) == fs.DecimalSeparator) {
        ++i;
        while (i < end && isDigit(i))
            fracDigits.push_back(static_cast<char>(text.at(i++).unicode()));
    }
    if (intDigits.empty() && fracDigits.empty())
        return false;
    long long exponent = 0;
    if (i < end && (text.at(i) == u'E' || text.at(i) == u'e')) {
        ++i;
        bool expNegative = false;
        if (i < end && (text.at(i) == u'-' || text.at(i) == u'+'))
            expNegative = text.at(i++) == u'-';
        if (i == end || !isDigit(i))
            return false;
        while (i < end && isDigit(i)) {
            // Saturate: anything this large is out of range either way.
            exponent
                = std::min<long long>(exponent * 10 + (text.at(i++).unicode() - u'0'), 1000000);
        }
        if (expNegative)
            exponent = -exponent;
    }
    if (i != end)
        return false;

    if (negative)
        plain.push_back('-');
    plain += intDigits.empty() ? std::string("0") : intDigits;
    if (!fracDigits.empty()) {
        plain.push_back('.');
        plain += fracDigits;
    }
    if (exponent != 0) {
        plain.push_back('e');
        plain += std::to_string(exponent);
    }
    long double v = 0;
    const auto res = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small to hold is zero; too large is not a number we can read.
        const std::size_t lead = intDigits.find_first_not_of('0');
        long long magnitude;
        if (lead != std::string::npos) {
            magnitude = static_cast<long long>(intDigits.size() - lead);
        } else {
            const std::size_t fracLead = fracDigits.find_first_not_of('0');
            magnitude = fracLead == std::string::npos ? 0 : -static_cast<long long>(fracLead);
        }
        if (magnitude + exponent > 0)
            return false;
        v = negative ? -0.0L : 0.0L;
    } else if (res.ec != std::errc() || res.ptr != plain.data() + plain.size()) {
        return false;
    }
    value = v;
    return true;
}

long double ParseNumericText(const QString &text, const TFormatSettings &fs)
{
    const QString trimmed = text.trimmed();
    const bool negative
        = trimmed.startsWith(u'-') || (trimmed.startsWith(u'(') && trimmed.endsWith(u')'));
    QString kept;
    kept.reserve(trimmed.size());
    QChar previous;
    for (const QChar c : trimmed) {
        const bool exponentMark = c == u'E' || c == u'e';
        if ((c >= u'0' && c <= u'9') || c == fs.DecimalSeparator || exponentMark
            || (c == u'-' && (previous == u'E' || previous == u'e')))
            kept += c;
        previous = c;
    }
    long double v = 0;
    if (!TryStrToFloat(kept, v, fs))
        return 0;
    return negative ? -v : v;
}
