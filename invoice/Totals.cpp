#include "invoice/Totals.h"

#include "invoice/SayiOku.h"
#include "platform/Errors.h"
#include "platform/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace
{

// A currency value holds amount x 10000 in an int64; anything outside would wrap.
Currency CheckedCurrency(long double amount)
{
    const long double scaled = amount * 10000.0L;
    constexpr long double limit = 9223372036854775807.0L;
    if (!(std::fabs(scaled) < limit))
        throw ELevantaError(u"Tutar hesaplanamıyor: değer çok büyük."_s);
    return RoundHalfEven(scaled);
}

int Oran(const TTotalsForm &form)
{
    return form.OranText ? ORAN_DEGERI(form.OranText()) : 0;
}

bool On(const std::function<bool()> &flag)
{
    return flag && flag();
}

} // namespace

int ORAN_DEGERI(const QString &text)
{
    const std::string s = text.trimmed().toStdString();
    const char *first = s.data();
    const char *last = s.data() + s.size();
    if (first != last && *first == '+')
        ++first;
    int value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || first == last)
        return 0;
    return value;
}

Currency ONDALIK_KES(std::int16_t decimals, Currency value, const TFormatSettings &fs)
{
    const int n = decimals < 0 ? 0 : decimals;
    QString text = FloatToStrGeneral(FromCurrency(value), fs);
    const qsizetype sep = text.indexOf(fs.DecimalSeparator);
    if (sep >= 0 && text.size() - sep - 1 > n) {
        // With no decimals kept, the bare separator goes too, so the text stays a number.
        text.truncate(n == 0 ? sep : sep + 1 + n);
    }
    long double cut = 0;
    if (!TryStrToFloat(text, cut, fs))
        cut = -1;
    return CheckedCurrency(cut);
}

void YEKUN_KDV_TOPLAM(TTotalsForm &form, const TFormatSettings &fs)
{
    if (!On(form.TutarSabit)) {
        for (int n = 0; n < TTotalsForm::kLines; ++n)
            form.T[n]->SetValue(form.M[n]->Value() * form.F[n]->Value());
    }

    // The odd lines first, then the even ones: the order of the sum is part of the result.
    long double sum = 0;
    for (int n : { 0, 2, 4, 6, 1, 3, 5, 7 })
        sum += form.T[n]->Value();
    const double s = static_cast<double>(sum);

    if (s > 0) {
        form.YEKUN->SetValue(s);
        const Currency vat = CheckedCurrency(static_cast<long double>(Oran(form)) * s / 100.0L);
        form.KDV->SetValue(FromCurrency(ONDALIK_KES(2, vat, fs)));
        form.TOPLAM->SetValue(form.KDV->Value() + static_cast<long double>(s));
        if (form.SetYalniz)
            form.SetYalniz(TUTAR_YAZIYLA(1, 0, static_cast<double>(form.TOPLAM->Value())));
    } else {
        form.YEKUN->SetValue(0);
        form.KDV->SetValue(0);
        form.TOPLAM->SetValue(0);
        if (form.SetYalniz)
            form.SetYalniz(QString());
    }
}

void BIRIM_FIYAT_HESAPLA(TTotalsForm &form, INumericField &m, INumericField &f, INumericField &t,
    const TFormatSettings &fs)
{
    const long double quantity = m.Value();
    if (quantity == 0) {
        f.SetValue(0);
        t.SetValue(0);
        return;
    }
    long double price = t.Value();
    if (On(form.KDVDahil))
        price = KDV_HARIC(price, Oran(form));
    f.SetValue(price / quantity);
    YEKUN_KDV_TOPLAM(form, fs);
}

void BIRIM_FIYAT_HESAPLA(TTotalsForm &form, int line, const TFormatSettings &fs)
{
    BIRIM_FIYAT_HESAPLA(form, *form.M.at(line), *form.F.at(line), *form.T.at(line), fs);
}

long double KDV_HARIC(long double amount, int oran)
{
    return amount / (1.0L + oran / 100.0L);
}
