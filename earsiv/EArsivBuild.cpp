#include "earsiv/EArsivBuild.h"

#include "invoice/TaxNumber.h"
#include "invoice/Totals.h"
#include "platform/Rounding.h"

#include <QCryptographicHash>
#include <QRegularExpression>

#include <cmath>
#include <numeric>

using namespace Qt::StringLiterals;

namespace
{

constexpr TExemptionCode kIstisna[] = {
    { u"301", u"11/1-a Mal ihracatı" },
    { u"302", u"11/1-a Hizmet ihracatı" },
    { u"303", u"11/1-a Roaming hizmetleri" },
    { u"311", u"14/1 Uluslararası taşımacılık" },
    { u"350", u"Diğerleri" },
};

// Money of the form (long double, already rounded to the money pattern) in kuruş.
std::int64_t KurusOf(long double v)
{
    return static_cast<std::int64_t>(std::llround(v * 100.0L));
}

// The fewest decimals, at least minScale, that hold the value exactly.
TDecimal Trimmed(TDecimal d, int minScale)
{
    while (d.Scale > minScale && d.Units % 10 == 0) {
        d.Units /= 10;
        --d.Scale;
    }
    return d;
}

TDecimal DecimalOf(long double v, int scale)
{
    long double scaled = v;
    for (int i = 0; i < scale; ++i)
        scaled *= 10;
    return { static_cast<std::int64_t>(std::llround(scaled)), scale };
}

bool AllDigits(QStringView s)
{
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// Shares of a total in proportion to weights, each rounded down and the kuruş left over
// given to the largest remainders, so that the shares add up to the total exactly.
std::vector<std::int64_t> Shares(std::int64_t total, const std::vector<std::int64_t> &weights)
{
    const long double sum = std::accumulate(weights.begin(), weights.end(), 0.0L);
    std::vector<std::int64_t> shares(weights.size(), 0);
    if (sum <= 0)
        return shares;
    std::vector<std::pair<long double, size_t>> remainders;
    std::int64_t given = 0;
    for (size_t i = 0; i < weights.size(); ++i) {
        const long double exact = static_cast<long double>(total) * weights[i] / sum;
        shares[i] = static_cast<std::int64_t>(std::floor(exact));
        given += shares[i];
        remainders.emplace_back(exact - shares[i], i);
    }
    std::stable_sort(remainders.begin(), remainders.end(),
        [](const auto &a, const auto &b) { return a.first > b.first; });
    for (size_t k = 0; given < total && k < remainders.size(); ++k, ++given)
        ++shares[remainders[k].second];
    return shares;
}

TEArsivParty SellerParty(const TSellerInfo &s)
{
    TEArsivParty p;
    p.Vkn = s.Vkn;
    p.Tckn = s.Vkn.isEmpty() ? s.Tckn : QString();
    p.Name = s.Unvan.isEmpty() ? (s.Ad + u' ' + s.Soyad).trimmed() : s.Unvan;
    p.FirstName = s.Ad;
    p.FamilyName = s.Soyad;
    p.TaxOffice = s.VergiDairesi;
    p.Street = s.Adres;
    p.District = s.Ilce;
    p.City = s.Il;
    p.Country = s.Ulke.isEmpty() ? u"Türkiye"_s : s.Ulke;
    p.Phone = s.Telefon;
    p.Email = s.Eposta;
    return p;
}

} // namespace

std::span<const TExemptionCode> IstisnaCodes()
{
    return kIstisna;
}

QString ExemptionText(QStringView code)
{
    if (code == kSatisIstisnaKodu)
        return u"KDV - İstisna Olmayan Diğer"_s;
    for (const TExemptionCode &c : kIstisna)
        if (c.Code == code)
            return c.Text.toString();
    return {};
}

std::vector<int> FittingVatRates(long double yekun, long double kdv)
{
    const TFormatSettings fs = TFormatSettings::Turkish();
    std::vector<int> rates;
    for (int rate : kVatRates) {
        // The same steps as the form: to currency, then cut to two decimals.
        const Currency vat = ToCurrency(static_cast<long double>(rate) * yekun / 100.0L);
        if (KurusOf(FromCurrency(ONDALIK_KES(2, vat, fs))) == KurusOf(kdv))
            rates.push_back(rate);
    }
    return rates;
}

QDate ParseInvoiceDate(QStringView text, const QString &localPattern)
{
    if (!localPattern.isEmpty())
        if (const QDate d = QDate::fromString(text.trimmed().toString(), localPattern); d.isValid())
            return d;
    static const QRegularExpression dmy(uR"(^\s*(\d{1,2})[./-](\d{1,2})[./-](\d{2}|\d{4})\s*$)"_s);
    static const QRegularExpression iso(uR"(^\s*(\d{4})-(\d{2})-(\d{2})\s*$)"_s);
    const QString s = text.toString();
    if (const auto m = iso.match(s); m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (const auto m = dmy.match(s); m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += 2000;
        return QDate(year, m.captured(2).toInt(), m.captured(1).toInt());
    }
    return {};
}

QString InvoiceFingerprint(const TInvoiceRecord &record)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    ForEachField(
        record,
        [&](const QString &s) {
            hash.addData(s.toUtf8());
            hash.addData(QByteArrayView("\x1f", 1));
        },
        [&](double v) {
            hash.addData(QByteArray::number(v, 'g', 17));
            hash.addData(QByteArrayView("\x1f", 1));
        });
    return QString::fromLatin1(hash.result().toHex());
}

QStringList MissingSellerFields(const TSellerInfo &s)
{
    QStringList missing;
    if (s.Vkn.isEmpty() && s.Tckn.isEmpty())
        missing << u"VKN veya TCKN"_s;
    if (!s.Vkn.isEmpty() && s.Unvan.trimmed().isEmpty())
        missing << u"Unvan"_s;
    if (s.Vkn.isEmpty() && !s.Tckn.isEmpty()
        && (s.Ad.trimmed().isEmpty() || s.Soyad.trimmed().isEmpty()))
        missing << u"Ad ve Soyad"_s;
    if (s.VergiDairesi.trimmed().isEmpty())
        missing << u"Vergi Dairesi"_s;
    if (s.Ilce.trimmed().isEmpty())
        missing << u"İlçe"_s;
    if (s.Il.trimmed().isEmpty())
        missing << u"İl"_s;
    static const QRegularExpression series(u"^[A-Z0-9]{3}$"_s);
    if (!series.match(s.Seri).hasMatch())
        missing << u"Fatura serisi (3 karakter, A–Z ve 0–9)"_s;
    return missing;
}

TEArsivBuild BuildEArsiv(const TEArsivInput &in)
{
    TEArsivBuild out;
    QStringList &problems = out.Problems;
    const TInvoiceFormValues &f = in.Form;
    TEArsivInvoice inv;

    for (const QString &m : MissingSellerFields(in.Seller))
        problems << u"Firma bilgilerinde eksik: %1"_s.arg(m);
    for (const QString &number : { in.Seller.Vkn, in.Seller.Tckn }) {
        if (number.isEmpty())
            continue;
        const TTaxNumberCheck check = CheckTaxNumber(number);
        if (!AllDigits(number) || (number.size() != 10 && number.size() != 11) || !check.Valid)
            problems << u"Firmanın vergi numarası %1 geçersiz. %2"_s.arg(number, check.Reason);
    }
    inv.Seller = SellerParty(in.Seller);

    // The buyer: ten digits a company, eleven a person; the consumer's number stands for none.
    TEArsivParty &buyer = inv.Buyer;
    const QString number = in.Buyer.VergiNo.trimmed();
    buyer.Name = f.SAYIN1.trimmed();
    buyer.Street = (f.SAYIN2.trimmed() + u' ' + f.SAYIN3.trimmed()).trimmed();
    buyer.TaxOffice = f.VERGIDAIRESI.trimmed();
    buyer.District = in.Buyer.Ilce.trimmed();
    buyer.City = in.Buyer.Il.trimmed();
    if (number.size() == 10 && AllDigits(number)) {
        buyer.Vkn = number;
        if (const TTaxNumberCheck c = CheckTaxNumber(number); !c.Valid)
            problems << u"Alıcının vergi numarası %1: %2"_s.arg(number, c.Reason);
        if (buyer.Name.isEmpty())
            problems << u"Alıcının unvanı (SAYIN ilk satırı) boş."_s;
    } else if (number.size() == 11 && AllDigits(number)) {
        buyer.Tckn = number;
        if (number != kNihaiTuketici)
            if (const TTaxNumberCheck c = CheckTaxNumber(number); !c.Valid)
                problems << u"Alıcının T.C. kimlik numarası %1: %2"_s.arg(number, c.Reason);
        buyer.FirstName = in.Buyer.Ad.trimmed();
        buyer.FamilyName = in.Buyer.Soyad.trimmed();
        if (buyer.FirstName.isEmpty() || buyer.FamilyName.isEmpty())
            problems << u"Alıcı bir kişi (T.C. kimlik numarası): adı ve soyadı gerekli."_s;
    } else {
        problems << u"Alıcının vergi numarası \"%1\" ne 10 haneli bir VKN ne de 11 haneli bir "
                    u"T.C. kimlik numarası. Numarası olmayan alıcı için nihai tüketici "
                    u"(11111111111) seçilebilir."_s.arg(number);
    }
    if (buyer.District.isEmpty() || buyer.City.isEmpty())
        problems << u"Alıcının ilçesi ve ili gerekli."_s;

    inv.IssueDate = ParseInvoiceDate(f.TARIH, in.DateFormat);
    if (!inv.IssueDate.isValid())
        problems << u"TARIH \"%1\" bir tarih değil (gg.aa.yyyy yazın)."_s.arg(f.TARIH);
    inv.Number = in.Export.Numara;
    inv.Ettn = in.Export.Ettn;
    inv.IssueTime = in.Export.Zaman.time();

    // Lines: a negative amount is a discount on the whole invoice.
    std::vector<std::int64_t> weights;
    std::int64_t positive = 0, discounts = 0;
    for (int i = 0; i < 8; ++i) {
        const QString name = f.C[size_t(i)].trimmed();
        const long double m = f.M[size_t(i)], price = f.F[size_t(i)], t = f.T[size_t(i)];
        if (name.isEmpty() && m == 0 && price == 0 && t == 0)
            continue;
        if (name.isEmpty()) {
            problems << u"%1. satırın adı (CİNSİ) boş."_s.arg(i + 1);
            continue;
        }
        const std::int64_t amount = KurusOf(t);
        if (amount < 0) {
            inv.Allowances.push_back({ name, Kurus(-amount) });
            discounts += -amount;
            continue;
        }
        TEArsivLine line;
        line.Id = int(inv.Lines.size()) + 1;
        line.Name = name;
        line.Quantity = Trimmed(DecimalOf(m, 3), 0);
        line.UnitName = f.B[size_t(i)].trimmed();
        const std::optional<QString> code = in.UnitCode ? in.UnitCode(line.UnitName) : std::nullopt;
        if (!code)
            problems << u"%1. satırın birimi \"%2\" için bir birim kodu seçilmedi."_s.arg(
                QString::number(i + 1), line.UnitName);
        line.UnitCode = code.value_or(QString());
        line.Price = Trimmed(DecimalOf(price, 4), 2);
        line.Amount = Kurus(amount);
        line.VatPercent = in.Rate;
        positive += amount;
        weights.push_back(amount);
        inv.Lines.push_back(line);
    }
    if (inv.Lines.empty())
        problems << u"Faturada tutarı olan bir satır yok."_s;

    // The totals are the form's; the document's sums must add up to them to the kuruş.
    const std::int64_t yekun = KurusOf(f.YEKUN), kdv = KurusOf(f.KDV), toplam = KurusOf(f.TOPLAM);
    if (positive - discounts != yekun)
        problems << u"Satırların toplamı (%1) YEKÜN'e (%2) eşit değil."_s.arg(
            Kurus(positive - discounts).ToString(), Kurus(yekun).ToString());
    if (yekun + kdv != toplam)
        problems << u"YEKÜN ile K.D.V.'nin toplamı TOPLAM'a eşit değil."_s;
    if (yekun <= 0)
        problems << u"Faturanın tutarı sıfır."_s;
    const std::vector<int> fitting = FittingVatRates(f.YEKUN, f.KDV);
    if (std::find(fitting.begin(), fitting.end(), in.Rate) == fitting.end())
        problems << u"%%1 K.D.V. oranı YEKÜN %2 için K.D.V. %3 vermiyor."_s.arg(
            QString::number(in.Rate), Kurus(yekun).ToString(), Kurus(kdv).ToString());

    TEArsivTax tax;
    tax.Percent = in.Rate;
    tax.Base = Kurus(yekun);
    tax.Amount = Kurus(kdv);
    inv.TypeCode = in.TypeCode;
    if (in.Rate == 0) {
        const bool satis = in.TypeCode == u"SATIS";
        const bool known = satis ? in.ExemptionCode == kSatisIstisnaKodu
                                 : in.TypeCode == u"ISTISNA"
                && std::any_of(kIstisna, std::end(kIstisna),
                    [&](const TExemptionCode &c) { return c.Code == in.ExemptionCode; });
        if (!known)
            problems << u"%0 K.D.V. için geçerli bir istisna kodu seçilmedi."_s;
        tax.ExemptionCode = in.ExemptionCode;
        tax.ExemptionReason = ExemptionText(in.ExemptionCode);
    } else if (in.TypeCode != u"SATIS") {
        problems << u"İstisna faturası yalnız %0 K.D.V. ile kesilir."_s;
    }
    inv.Taxes.push_back(tax);
    const std::vector<std::int64_t> lineVat = Shares(kdv, weights);
    for (size_t i = 0; i < inv.Lines.size(); ++i)
        inv.Lines[i].VatAmount = Kurus(lineVat[i]);

    inv.LineExtension = Kurus(positive);
    inv.AllowanceTotal = Kurus(discounts);
    inv.TaxExclusive = Kurus(yekun);
    inv.TaxInclusive = Kurus(toplam);
    inv.Payable = Kurus(toplam);
    if (!f.YALNIZ.trimmed().isEmpty())
        inv.Notes << u"Yalnız: "_s + f.YALNIZ.trimmed();

    if (problems.isEmpty())
        out.Invoice = std::move(inv);
    return out;
}
