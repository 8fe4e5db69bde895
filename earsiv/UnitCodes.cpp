#include "earsiv/UnitCodes.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace
{

constexpr TUnitCode kCodes[] = {
    { u"C62", u"Adet", u"Adet" },
    { u"KGM", u"Kilogram", u"Kg" },
    { u"GRM", u"Gram", u"Gram" },
    { u"TNE", u"Ton", u"Ton" },
    { u"LTR", u"Litre", u"Litre" },
    { u"MTR", u"Metre", u"Metre" },
    { u"CMT", u"Santimetre", u"cm" },
    { u"KTM", u"Kilometre", u"km" },
    { u"MTK", u"Metrekare", u"m²" },
    { u"MTQ", u"Metreküp", u"m³" },
    { u"PA", u"Paket", u"Paket" },
    { u"CT", u"Koli", u"Koli" },
    { u"BX", u"Kutu", u"Kutu" },
    { u"SET", u"Set / Takım", u"Set" },
    { u"PR", u"Çift", u"Çift" },
    { u"DZN", u"Düzine", u"Düzine" },
    { u"HUR", u"Saat", u"Saat" },
    { u"DAY", u"Gün", u"Gün" },
    { u"MON", u"Ay", u"Ay" },
    { u"ANN", u"Yıl", u"Yıl" },
    { u"KWH", u"Kilovatsaat", u"kWh" },
};

// Folded spellings users type, and their codes.
constexpr std::pair<QStringView, QStringView> kKnown[] = {
    { u"", u"C62" },
    { u"adet", u"C62" },
    { u"ad", u"C62" },
    { u"adt", u"C62" },
    { u"tane", u"C62" },
    { u"kg", u"KGM" },
    { u"kilo", u"KGM" },
    { u"kilogram", u"KGM" },
    { u"gr", u"GRM" },
    { u"g", u"GRM" },
    { u"gram", u"GRM" },
    { u"ton", u"TNE" },
    { u"lt", u"LTR" },
    { u"l", u"LTR" },
    { u"litre", u"LTR" },
    { u"mt", u"MTR" },
    { u"m", u"MTR" },
    { u"metre", u"MTR" },
    { u"cm", u"CMT" },
    { u"km", u"KTM" },
    { u"m2", u"MTK" },
    { u"mt2", u"MTK" },
    { u"metrekare", u"MTK" },
    { u"m3", u"MTQ" },
    { u"mt3", u"MTQ" },
    { u"metreküp", u"MTQ" },
    { u"paket", u"PA" },
    { u"pk", u"PA" },
    { u"pkt", u"PA" },
    { u"koli", u"CT" },
    { u"kutu", u"BX" },
    { u"set", u"SET" },
    { u"takım", u"SET" },
    { u"çift", u"PR" },
    { u"düzine", u"DZN" },
    { u"saat", u"HUR" },
    { u"gün", u"DAY" },
    { u"ay", u"MON" },
    { u"yıl", u"ANN" },
    { u"kwh", u"KWH" },
};

} // namespace

std::span<const TUnitCode> CommonUnitCodes()
{
    return kCodes;
}

QString UnitKey(QStringView unit)
{
    static const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    QString key;
    for (QChar c : turkish.toLower(unit.toString())) {
        if (c == u'.' || c.isSpace())
            continue;
        key += c == u'²' ? u'2' : c == u'³' ? u'3' : c;
    }
    return key;
}

std::optional<QString> KnownUnitCode(QStringView unit)
{
    const QString key = UnitKey(unit);
    for (const auto &[spelling, code] : kKnown)
        if (key == spelling)
            return code.toString();
    return std::nullopt;
}

QString UnitShortName(const QString &code)
{
    // NIU (number of items) is a piece too, as other programs write it.
    const QStringView piece = code == u"NIU" ? QStringView(u"C62") : QStringView(code);
    for (const TUnitCode &c : kCodes)
        if (c.Code == piece)
            return c.Short.toString();
    return code;
}

bool IsOfferedUnitCode(QStringView code)
{
    for (const TUnitCode &c : kCodes)
        if (c.Code == code)
            return true;
    return false;
}
