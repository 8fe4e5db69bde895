#include "printing/PrintSettings.h"

#include "invoice/InvoiceFields.h"
#include "platform/Ini.h"
#include "platform/NumberFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace
{

// Spaces and control characters, C0, DEL and C1.
bool IsTrimmed(QChar c)
{
    const char16_t u = c.unicode();
    return u <= 0x20 || (u >= 0x7F && u <= 0x9F);
}

QString TrimPart(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && IsTrimmed(s[b]))
        ++b;
    while (e > b && IsTrimmed(s[e - 1]))
        --e;
    return s.mid(b, e - b).toString();
}

QString DefaultPosition(QStringView key)
{
    return (IniSameName(key, kKeyRaporSayfasi) || IniSameName(key, kKeyKdvYuzde))
        ? kDefaultPagePosition.toString()
        : kDefaultLabelPosition.toString();
}

} // namespace

const std::array<TLayoutEntry, kPositionCount> &LayoutEntries()
{
    struct TEntries {
        std::array<QString, kPositionCount> Names;
        std::array<TLayoutEntry, kPositionCount> Entries;
    };
    static const TEntries entries = [] {
        TEntries e;
        const auto fields = InvoiceFields(TFieldOrder::Layout);
        Q_ASSERT(fields.size() == kPositionCount);
        for (size_t i = 0; i < kPositionCount; ++i) {
            e.Names[i] = u'A' + QString::number(fields[i]->TickBox);
            e.Entries[i] = { e.Names[i], fields[i]->Key };
        }
        return e;
    }();
    return entries.Entries;
}

int LayoutIndexOfKey(QStringView key)
{
    for (int i = 0; i < kPositionCount; ++i)
        if (IniSameName(kLayoutEntries[i].Key, key))
            return i;
    return -1;
}

TPositionParts SplitPosition(QStringView text)
{
    const qsizetype bar = text.lastIndexOf(u'|');
    if (bar < 0)
        return { QString(), TrimPart(text) };
    return { TrimPart(text.left(bar)), TrimPart(text.mid(bar + 1)) };
}

int PositionPartValue(QStringView part)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < part.size() && (part[i] == u'-' || part[i] == u'+')) {
        negative = part[i] == u'-';
        ++i;
    }
    if (i == part.size())
        return 0;
    std::int64_t v = 0;
    for (; i < part.size(); ++i) {
        const char16_t c = part[i].unicode();
        if (c < u'0' || c > u'9')
            return 0;
        v = v * 10 + (c - u'0');
        if (v > 2147483648LL)
            return 0;
    }
    if (negative)
        v = -v;
    return v > 2147483647LL ? 0 : static_cast<int>(v);
}

TPosition ParsePosition(QStringView text)
{
    const TPositionParts p = SplitPosition(text);
    return { PositionPartValue(p.First), PositionPartValue(p.Second) };
}

QString FormatPosition(int vertical, int horizontal)
{
    return QString::number(vertical) + u" | "_s + QString::number(horizontal);
}

QString KONUM_KAYDIR(QStringView text, int step, TKonumYonu direction)
{
    TPositionParts p = SplitPosition(text);
    auto moved = [](const QString &part, std::int64_t by) {
        const std::int64_t v
            = std::clamp<std::int64_t>(PositionPartValue(part) + by, INT_MIN, INT_MAX);
        return QString::number(v);
    };
    switch (direction) {
    case TKonumYonu::UST:
        p.First = moved(p.First, -std::int64_t(step));
        break;
    case TKonumYonu::ALT:
        p.First = moved(p.First, step);
        break;
    case TKonumYonu::SOL:
        p.Second = moved(p.Second, -std::int64_t(step));
        break;
    case TKonumYonu::SAG:
        p.Second = moved(p.Second, step);
        break;
    }
    return p.First + u" | "_s + p.Second;
}

TPrintSettings::TPrintSettings()
    : GDisplayFormat(kDefaultDisplayFormat.toString())
    , KagitSonu(QDate::fromString(kDefaultKagitSonu.toString(), Qt::ISODate))
{
    for (int i = 0; i < kPositionCount; ++i)
        Positions[i] = DefaultPosition(kLayoutEntries[i].Key);
}

QString TPrintSettings::Position(QStringView key) const
{
    const int i = LayoutIndexOfKey(key);
    return i < 0 ? QString() : Positions[i];
}

bool TPrintSettings::SetPosition(QStringView key, const QString &text)
{
    const int i = LayoutIndexOfKey(key);
    if (i < 0)
        return false;
    Positions[i] = text;
    return true;
}

QString PrintSettingsPath(const QString &programFolder)
{
    return QDir(programFolder).filePath(kSettingsFileName.toString());
}

int ListSelection(int stored, int count)
{
    return (stored >= 0 && stored < count) ? stored : -1;
}

void EnsurePrintSettingsFile(const QString &path, const QStringList &defaultLines)
{
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return;
    QByteArray text;
    for (const QString &line : defaultLines)
        text += line.toUtf8() + "\r\n";
    WriteFileAtomically(path, text);
}

QString MoneyFormatProblem(const QString &pattern)
{
    if (pattern.isEmpty())
        return {};
    int leastDecimals = kMaxMoneyDecimals;
    const std::vector<TPatternSection> sections = DescribePattern(pattern);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const TPatternSection &section = sections[i];
        if (section.Empty)
            continue;
        // A zero section may well be a word ("yok"): it reads back as 0 all the same.
        if (!section.HasDigit && i < 2)
            return u"biçimde rakam yeri (0 ya da #) yok, her tutar sıfır olarak kaydedilirdi"_s;
        if (section.Decimals > kMaxMoneyDecimals)
            return u"biçim %1 ondalık basamak istiyor, oysa bir tutar en çok %2 ondalık tutar "
                   u"(biçimde ondalık yeri nokta, binlik ayırıcı virgülle yazılır: #,##0.00)"_s
                       .arg(section.Decimals)
                       .arg(kMaxMoneyDecimals);
        leastDecimals = std::min(leastDecimals, section.Decimals);
    }

    // A money field is its text: what the format shows must read back as the value shown,
    // within the rounding to its decimals, under either kind of separators.
    const long double tolerance = 0.5L * std::pow(10.0L, -leastDecimals) * (1 + 1e-9L);
    for (const TFormatSettings &fs :
        { TFormatSettings::Turkish(), TFormatSettings::UnitedStates() })
        for (const long double value : { 2434559.88L, -2434559.88L, 0.5L, -0.5L, 1234.5678L }) {
            const QString shown = FormatFloat(pattern, value, fs);
            const long double back = ParseNumericText(shown, fs);
            if (std::fabs(back - value) > tolerance)
                return u"bu biçimle %1 tutarı \"%2\" diye görünür ve %3 diye okunurdu"_s.arg(
                    FormatFloat(u",0.00##;-,0.00##"_s, value, fs), shown,
                    FloatToStrGeneral(back, fs));
        }
    return {};
}

QString RefusalMessage(const std::vector<TRefusedValue> &refused)
{
    if (refused.empty())
        return {};
    QString text = u"\r\n%1 dosyasının [%2] bölümündeki şu değerler kullanılmadı; dosya "
                   u"değiştirilmedi."_s.arg(kSettingsFileName, kSectionGenel);
    for (const TRefusedValue &r : refused)
        text += u"\r\n\r\n%1=%2\r\nNeden: %3.\r\nYerine kullanılan: %4"_s.arg(
            r.Key, r.Value, r.Reason, r.Used);
    return text;
}

TPrintSettings LoadPrintSettings(const QString &path)
{
    // One read gives the loader a consistent view of the file.
    const TIniDocument doc = TIniFile(path).Load();
    auto integer = [&](QStringView section, QStringView key, int def) {
        const std::optional<QString> v = doc.Value(section, key);
        return v ? IniStrToIntDef(*v, def) : def;
    };

    TPrintSettings s;
    s.KDVDahil1 = integer(kSectionGenel, kKeyKDVDahil1, 0) != 0;
    s.tutarsabit = integer(kSectionGenel, kKeyTutarsabit, 0) != 0;
    if (const std::optional<QString> format = doc.Value(kSectionGenel, kKeyGDisplayFormat)) {
        // A format that would show wrong amounts is never used: saving a recalled invoice
        // would store what the fields then read back.
        if (const QString why = MoneyFormatProblem(*format); why.isEmpty())
            s.GDisplayFormat = *format;
        else
            s.Refused.push_back(
                { kKeyGDisplayFormat.toString(), *format, why, kDefaultDisplayFormat.toString() });
    }
    // An empty rate falls back silently, like every empty integer of the file.
    if (const std::optional<QString> rate = doc.Value(kSectionGenel, kKeyKDVOrani);
        rate && !rate->trimmed().isEmpty()) {
        // Only a whole number: "20,5" or "%20" is a mistake to point out, not a 20.
        static const QRegularExpression whole(u"^\\s*([0-9]+|0[xX][0-9a-fA-F]+)\\s*$"_s);
        const int value = whole.match(*rate).hasMatch() ? IniStrToIntDef(*rate, -1) : -1;
        if (value >= 0 && value <= kMaxKDVOrani)
            s.KDVOrani = value;
        else
            s.Refused.push_back({ kKeyKDVOrani.toString(), *rate,
                u"0 ile %1 arasında bir tam sayı değil"_s.arg(kMaxKDVOrani),
                QString::number(kDefaultKDVOrani) });
    }
    if (const std::optional<QString> limit = doc.Value(kSectionEArsiv, kKeyKagitLimiti);
        limit && !limit->trimmed().isEmpty()) {
        // Lira with up to two decimals after a dot or a comma, no thousands separators.
        static const QRegularExpression money(u"^\\s*([0-9]{1,12})(?:[.,]([0-9]{1,2}))?\\s*$"_s);
        if (const QRegularExpressionMatch m = money.match(*limit); m.hasMatch())
            s.KagitLimitiKurus = m.captured(1).toLongLong() * 100
                + m.captured(2).leftJustified(2, u'0').toLongLong();
        else
            s.Refused.push_back({ kKeyKagitLimiti.toString(), *limit,
                u"kuruşu en çok iki haneli bir tutar (3000 ya da 3000,00) değil"_s,
                QString::number(kDefaultKagitLimitiKurus / 100) });
    }
    if (const std::optional<QString> end = doc.Value(kSectionEArsiv, kKeyKagitSonu);
        end && !end->trimmed().isEmpty()) {
        const QDate day = QDate::fromString(end->trimmed(), Qt::ISODate);
        if (day.isValid())
            s.KagitSonu = day;
        else
            s.Refused.push_back({ kKeyKagitSonu.toString(), *end,
                u"YYYY-AA-GG biçiminde bir tarih değil"_s, kDefaultKagitSonu.toString() });
    }
    for (int i = 0; i < kPositionCount; ++i)
        s.Positions[i] = doc.Value(kSectionFatureAyar, kLayoutEntries[i].Key)
                             .value_or(DefaultPosition(kLayoutEntries[i].Key));
    s.sayfaTipi
        = ListSelection(integer(kSectionFatureAyar, kKeySayfaTipi, 0), int(kSayfaTipiItems.size()));
    s.drpOutputBin = ListSelection(
        integer(kSectionFatureAyar, kKeyDrpOutputBin, 0), int(kDrpOutputBinItems.size()));
    s.sayfa_yonelimi = ListSelection(
        integer(kSectionFatureAyar, kKeySayfaYonelimi, 0), int(kSayfaYonelimiItems.size()));
    return s;
}

void SavePrintLayout(const QString &path, const TPrintSettings &settings)
{
    TIniPairs pairs;
    pairs.reserve(kPositionCount + 3);
    for (int i = 0; i < kPositionCount; ++i)
        pairs.emplace_back(kLayoutEntries[i].Key.toString(), settings.Positions[i]);
    pairs.emplace_back(kKeySayfaTipi.toString(), QString::number(settings.sayfaTipi));
    pairs.emplace_back(kKeyDrpOutputBin.toString(), QString::number(settings.drpOutputBin));
    pairs.emplace_back(kKeySayfaYonelimi.toString(), QString::number(settings.sayfa_yonelimi));
    TIniFile(path).WriteStrings(kSectionFatureAyar, pairs);
}

void WriteOptionFlag(const QString &path, QStringView key, bool set)
{
    TIniFile(path).WriteInteger(kSectionGenel, key, set ? 1 : 0);
}
