#include "invoice/Totals.h"

#include "platform/Errors.h"
#include "support/InMemoryForm.h"
#include "support/TotalsScenario.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

TInMemoryField &FieldOf(TInMemoryForm &form, const QString &name)
{
    if (name == u"YEKUN")
        return form.YEKUN;
    if (name == u"KDV")
        return form.KDV;
    if (name == u"TOPLAM")
        return form.TOPLAM;
    const int line = name.mid(1).toInt() - 1;
    switch (name.at(0).unicode()) {
    case u'M':
        return form.M.at(line);
    case u'F':
        return form.F.at(line);
    default:
        return form.T.at(line);
    }
}

// "RECALC" recomputes with nothing typed; "ORAN=25" recomputes as the spin box does.
void RunStep(TInMemoryForm &form, const QString &step)
{
    if (step == u"RECALC") {
        YEKUN_KDV_TOPLAM(form.Totals(), form.FormatSettings());
        return;
    }
    const QString name = step.section(u'=', 0, 0);
    const QString text = step.section(u'=', 1);
    if (name == u"ORAN") {
        form.ORAN = text;
        YEKUN_KDV_TOPLAM(form.Totals(), form.FormatSettings());
        return;
    }
    const int line = name.mid(1).toInt() - 1;
    switch (name.at(0).unicode()) {
    case u'M':
        form.LeaveM(line, text);
        break;
    case u'F':
        form.LeaveF(line, text);
        break;
    default:
        form.LeaveT(line, text);
    }
}

class TotalsScenario : public ::testing::TestWithParam<TTotalsScenario>
{
};

TEST_P(TotalsScenario, FormShowsExpectedTexts)
{
    const TTotalsScenario &sc = GetParam();
    TInMemoryForm form(TFormatSettings::Turkish());
    form.KDVDahil = sc.KDVDahil;
    form.TutarSabit = sc.TutarSabit;
    for (const char16_t *step : sc.Steps)
        RunStep(form, QString::fromUtf16(step));
    for (const auto &[name, text] : sc.Expect) {
        const QString field = QString::fromUtf16(name);
        const QString expected = QString::fromUtf16(text);
        if (field == u"YALNIZ")
            EXPECT_EQ(form.YALNIZ, expected) << sc.Why;
        else
            EXPECT_EQ(FieldOf(form, field).Text, expected)
                << sc.Why << " field " << field.toStdString();
    }
}

// ORAN is 18 unless a step changes it; money shows "#,###.00" (so 0 is ",00").
const TTotalsScenario kScenarios[] = {
    { "quantity times price, VAT at 18 %, words in capitals", false, false,
        { u"M1=3", u"F1=12,50" },
        { { u"T1", u"37,50" }, { u"YEKUN", u"37,50" }, { u"KDV", u"6,75" }, { u"TOPLAM", u"44,25" },
            { u"YALNIZ", u"KIRKDÖRT TL YİRMİBEŞ KR" } } },
    { "VAT 3.7782 is cut, not rounded, to 3.77", false, false, { u"M1=1", u"F1=20,99" },
        { { u"YEKUN", u"20,99" }, { u"KDV", u"3,77" }, { u"TOPLAM", u"24,76" } } },
    { "VAT 1.899 is cut to 1.89", false, false, { u"M1=1", u"F1=10,55" },
        { { u"KDV", u"1,89" }, { u"TOPLAM", u"12,44" } } },
    { "VAT 7.9992 at 8 % is cut to 7.99", false, false, { u"ORAN=8", u"M1=1", u"F1=99,99" },
        { { u"KDV", u"7,99" }, { u"TOPLAM", u"107,98" } } },
    { "an exact VAT stays whole (18.09 on 100.50)", false, false, { u"M1=1", u"F1=100,5" },
        { { u"T1", u"100,50" }, { u"KDV", u"18,09" }, { u"TOPLAM", u"118,59" },
            { u"YALNIZ", u"YÜZONSEKİZ TL ELLİDOKUZ KR" } } },
    { "an empty form shows formatted zeros and no words", false, false, { u"RECALC" },
        { { u"T1", u",00" }, { u"YEKUN", u",00" }, { u"KDV", u",00" }, { u"TOPLAM", u",00" },
            { u"YALNIZ", u"" } } },
    { "a negative line reduces the subtotal that the VAT is taken on", false, false,
        { u"M1=-1", u"F1=10", u"M2=1", u"F2=30" },
        { { u"T1", u"-10,00" }, { u"YEKUN", u"20,00" }, { u"KDV", u"3,60" },
            { u"TOPLAM", u"23,60" } } },
    { "a subtotal below zero zeroes all totals", false, false,
        { u"M1=-1", u"F1=30", u"M2=1", u"F2=10" },
        { { u"T1", u"-30,00" }, { u"YEKUN", u",00" }, { u"KDV", u",00" }, { u"TOPLAM", u",00" },
            { u"YALNIZ", u"" } } },
    { "a subtotal of exactly zero zeroes all totals", false, false,
        { u"M1=-1", u"F1=10", u"M2=1", u"F2=10" },
        { { u"YEKUN", u",00" }, { u"TOPLAM", u",00" }, { u"YALNIZ", u"" } } },
    { "zero quantity clears its line but leaves the totals until the next recomputation", false,
        false, { u"M1=2", u"F1=10", u"M1=0" },
        { { u"M1", u"0" }, { u"F1", u",00" }, { u"T1", u",00" }, { u"YEKUN", u"20,00" },
            { u"KDV", u"3,60" }, { u"TOPLAM", u"23,60" } } },
    { "the next recomputation after a zero quantity catches up", false, false,
        { u"M1=2", u"F1=10", u"M1=0", u"F2=", u"RECALC" },
        { { u"YEKUN", u",00" }, { u"TOPLAM", u",00" }, { u"YALNIZ", u"" } } },
    { "amount typed: price from amount, then amount from the rounded price", false, false,
        { u"M1=3", u"T1=20" },
        { { u"F1", u"6,67" }, { u"T1", u"20,01" }, { u"YEKUN", u"20,01" } } },
    { "quantity changed on a filled line keeps the amount and moves the price", false, false,
        { u"M1=2", u"F1=10", u"M1=3" }, { { u"F1", u"6,67" }, { u"T1", u"20,01" } } },
    { "fixed amounts: the amount stays as typed", false, true, { u"M1=3", u"T1=20" },
        { { u"F1", u"6,67" }, { u"T1", u"20,00" }, { u"YEKUN", u"20,00" } } },
    { "fixed amounts: leaving a price only updates the totals", false, true,
        { u"M1=3", u"T1=20", u"F1=100" },
        { { u"T1", u"20,00" }, { u"YEKUN", u"20,00" }, { u"KDV", u"3,60" } } },
    { "VAT-inclusive amount becomes the VAT-exclusive line", true, false, { u"M1=2", u"T1=236" },
        { { u"F1", u"100,00" }, { u"T1", u"200,00" }, { u"YEKUN", u"200,00" }, { u"KDV", u"36,00" },
            { u"TOPLAM", u"236,00" }, { u"YALNIZ", u"İKİYÜZOTUZALTI TL" } } },
    { "VAT-inclusive: every exit divides again", true, false, { u"M1=2", u"T1=236", u"T1=200,00" },
        { { u"F1", u"84,75" }, { u"T1", u"169,50" } } },
    { "both modes: typed amounts add up, price without VAT", true, true, { u"M1=1", u"T1=118" },
        { { u"F1", u"100,00" }, { u"T1", u"118,00" }, { u"YEKUN", u"118,00" }, { u"KDV", u"21,24" },
            { u"TOPLAM", u"139,24" } } },
    { "each keystroke of a new rate recomputes: 2 % after the first", false, false,
        { u"M1=1", u"F1=100", u"ORAN=2" }, { { u"KDV", u"2,00" }, { u"TOPLAM", u"102,00" } } },
    { "... and 25 % after the second", false, false, { u"M1=1", u"F1=100", u"ORAN=2", u"ORAN=25" },
        { { u"KDV", u"25,00" }, { u"TOPLAM", u"125,00" } } },
    { "a rate that is not a whole number counts as 0", false, false,
        { u"M1=1", u"F1=100", u"ORAN=" }, { { u"KDV", u",00" }, { u"TOPLAM", u"100,00" } } },
    { "lines are summed across the form, odd and even", false, false,
        { u"M8=1", u"F8=0,01", u"M3=2", u"F3=0,50", u"M2=1", u"F2=1000" },
        { { u"YEKUN", u"1.001,01" }, { u"KDV", u"180,18" }, { u"TOPLAM", u"1.181,19" } } },
    { "an exponent price is read as its value", false, false, { u"M1=1", u"F1=1E3" },
        { { u"F1", u"1.000,00" }, { u"T1", u"1.000,00" } } },
};

INSTANTIATE_TEST_SUITE_P(Invoice, TotalsScenario, ::testing::ValuesIn(kScenarios));

TEST(Totals, UnitedStatesSeparatorsGiveTheSameArithmetic)
{
    // The cut works on the locale's own separator; a decimal point must cut the same.
    TInMemoryForm form(TFormatSettings::UnitedStates());
    form.LeaveM(0, u"1"_s);
    form.LeaveF(0, u"20.99"_s);
    EXPECT_EQ(form.KDV.Text, u"3.77");
    EXPECT_EQ(form.TOPLAM.Text, u"24.76");
}

TEST(Totals, VatBeyondCurrencyRangeIsAnErrorNotAWrap)
{
    TInMemoryForm form(TFormatSettings::Turkish());
    form.M[0].Text = u"1"_s;
    form.F[0].Text = u"1E300"_s;
    EXPECT_THROW(YEKUN_KDV_TOPLAM(form.Totals(), form.FormatSettings()), ELevantaError);
}

TEST(Totals, CutToDecimals)
{
    const TFormatSettings tr = TFormatSettings::Turkish();
    const struct {
        std::int16_t Decimals;
        Currency Value, Expected;
        const char *Why;
    } rows[] = {
        { 2, 37782, 37700, "3.7782 cut to 3.77" },
        { 2, 18990, 18900, "1.899 cut to 1.89" },
        { 2, -37782, -37700, "negative values are cut toward zero" },
        { 2, 50000, 50000, "no decimals: nothing to cut" },
        { 2, 37700, 37700, "already two decimals" },
        { 4, 12345, 12345, "four decimals kept whole" },
        { 0, 37782, 30000, "no decimals kept: the separator goes as well" },
        { 2, 0, 0, "zero" },
    };
    for (const auto &row : rows)
        EXPECT_EQ(ONDALIK_KES(row.Decimals, row.Value, tr), row.Expected) << row.Why;
}

TEST(Totals, RateText)
{
    const struct {
        const char16_t *Text;
        int Expected;
    } rows[] = {
        { u"18", 18 },
        { u"0", 0 },
        { u"999", 999 },
        { u"", 0 },
        { u"abc", 0 },
        { u"1a", 0 },
        { u"18,5", 0 },
        { u" 7 ", 7 },
        { u"+5", 5 },
        { u"99999999999", 0 },
    };
    for (const auto &row : rows)
        EXPECT_EQ(ORAN_DEGERI(QString::fromUtf16(row.Text)), row.Expected)
            << QString::fromUtf16(row.Text).toStdString();
}

} // namespace
