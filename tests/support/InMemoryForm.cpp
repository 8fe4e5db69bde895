#include "support/InMemoryForm.h"

#include "platform/NumberFormat.h"

#include <utility>

long double TInMemoryField::Value()
{
    if (Text.isEmpty()) {
        Text = FormatFloat(Pattern, 0.0L, FFormat);
        return 0.0L;
    }
    return ParseNumericText(Text, FFormat);
}

void TInMemoryField::SetValue(long double value)
{
    Text = FormatFloat(Pattern, value, FFormat);
}

namespace {
template <std::size_t... I>
std::array<TInMemoryField, sizeof...(I)> MakeFields(const QString &pattern,
                                                   const TFormatSettings &fs,
                                                   std::index_sequence<I...>)
{
    return {((void)I, TInMemoryField(pattern, fs))...};
}
} // namespace

TInMemoryForm::TInMemoryForm(const TFormatSettings &fs, const QString &moneyFormat)
    : M(MakeFields(QuantityFormat(), fs, std::make_index_sequence<TTotalsForm::kLines>())),
      F(MakeFields(moneyFormat, fs, std::make_index_sequence<TTotalsForm::kLines>())),
      T(MakeFields(moneyFormat, fs, std::make_index_sequence<TTotalsForm::kLines>())),
      YEKUN(moneyFormat, fs), KDV(moneyFormat, fs), TOPLAM(moneyFormat, fs), FFormat(fs)
{
    for (int n = 0; n < TTotalsForm::kLines; ++n) {
        FTotals.M[n] = &M[n];
        FTotals.F[n] = &F[n];
        FTotals.T[n] = &T[n];
    }
    FTotals.YEKUN = &YEKUN;
    FTotals.KDV = &KDV;
    FTotals.TOPLAM = &TOPLAM;
    FTotals.SetYalniz = [this](const QString &text) { YALNIZ = text; };
    FTotals.OranText = [this] { return ORAN; };
    FTotals.KDVDahil = [this] { return KDVDahil; };
    FTotals.TutarSabit = [this] { return TutarSabit; };
}

void TInMemoryForm::Retype(TInMemoryField &field, const QString &typed)
{
    field.Text = typed;
    field.SetValue(field.Value());
}

void TInMemoryForm::LeaveM(int line, const QString &typed)
{
    Retype(M.at(line), typed);
    BIRIM_FIYAT_HESAPLA(FTotals, line, FFormat);
}

void TInMemoryForm::LeaveF(int line, const QString &typed)
{
    Retype(F.at(line), typed);
    YEKUN_KDV_TOPLAM(FTotals, FFormat);
}

void TInMemoryForm::LeaveT(int line, const QString &typed)
{
    Retype(T.at(line), typed);
    BIRIM_FIYAT_HESAPLA(FTotals, line, FFormat);
}
