#include "earsiv/Karekod.h"

using namespace Qt::StringLiterals;

namespace
{

// A JSON string; the document's values are free text, so quotes, backslashes and control
// characters must not end the value early.
QString JsonString(const QString &s)
{
    QString out;
    out.reserve(s.size() + 2);
    out += u'"';
    for (QChar c : s) {
        if (c == u'"' || c == u'\\') {
            out += u'\\';
            out += c;
        } else if (c.unicode() < 0x20) {
            out += u"\\u"_s + QString::number(c.unicode(), 16).rightJustified(4, u'0');
        } else {
            out += c;
        }
    }
    out += u'"';
    return out;
}

QString Amount(const TDecimal &d)
{
    return d.Rescaled(2).ToString();
}

} // namespace

QString KAREKOD_METNI(const TEArsivInvoice &inv)
{
    QStringList pairs;
    const auto add = [&pairs](const QString &key, const QString &value) {
        pairs << JsonString(key) + u':' + JsonString(value);
    };
    add(u"vkntckn"_s, inv.Seller.TaxNumber());
    add(u"avkntckn"_s, inv.Buyer.TaxNumber());
    add(u"senaryo"_s, inv.ProfileId);
    add(u"tip"_s, inv.TypeCode);
    add(u"tarih"_s, inv.IssueDate.isValid() ? inv.IssueDate.toString(u"yyyy-MM-dd"_s) : QString());
    add(u"no"_s, inv.Number);
    add(u"ettn"_s, inv.Ettn);
    add(u"parabirimi"_s, inv.Currency);
    add(u"malhizmettoplam"_s, Amount(inv.LineExtension));
    for (const TEArsivTax &tax : inv.Taxes) {
        const QString rate = QString::number(tax.Percent);
        add(u"kdvmatrah("_s + rate + u')', Amount(tax.Base));
        add(u"hesaplanankdv("_s + rate + u')', Amount(tax.Amount));
    }
    add(u"vergidahil"_s, Amount(inv.TaxInclusive));
    add(u"odenecek"_s, Amount(inv.Payable));
    return u'{' + pairs.join(u',') + u'}';
}

QByteArray KAREKOD_VERISI(const TEArsivInvoice &invoice)
{
    return KAREKOD_METNI(invoice).toUtf8();
}
