#include "invoice/SayiOku.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace
{

struct TAmountRow {
    double Amount;
    std::uint8_t CaseMode;
    std::uint8_t Currency;
    const char16_t *Expected;
    const char *Why;
};

} // namespace

TEST(TutarYaziyla, WorkedExamples)
{
    const TAmountRow rows[] = {
        { 0, 1, 0, u"", "zero has no words" },
        { 0.05, 1, 0, u"BEŞ KR", "hundredths only" },
        { 0.5, 0, 0, u"Elli KR", "half a lira as built" },
        { 7, 1, 0, u"YEDİ TL", "dotted capital İ" },
        { 10.10, 1, 0, u"ON TL ON KR", "both parts, one blank between" },
        { 100, 1, 0, u"YÜZ TL", "one hundred without Bir" },
        { 110, 1, 0, u"YÜZON TL", "words written together" },
        { 118, 0, 0, u"YüzOnSekiz TL", "case mode 0 leaves the words as built" },
        { 1000, 1, 0, u"BİN TL", "one thousand without Bir" },
        { 1001, 1, 0, u"BİNBİR TL", "thousand and one" },
        { 2000, 1, 0, u"İKİBİN TL", "two thousand" },
        { 21000, 1, 0, u"YİRMİBİRBİN TL", "a 1 at the end of a thousands group keeps its Bir" },
        { 100000, 1, 0, u"YÜZBİN TL", "hundred thousand" },
        { 1000000, 1, 0, u"BİRMİLYON TL", "one million says Bir" },
        { 1001000, 1, 0, u"BİRMİLYONBİN TL", "one thousand inside a larger number" },
        { 1000001, 1, 0, u"BİRMİLYONBİR TL", "an empty middle group leaves no trace" },
        { 1234567.89, 1, 0, u"BİRMİLYONİKİYÜZOTUZDÖRTBİNBEŞYÜZALTMIŞYEDİ TL SEKSENDOKUZ KR",
            "all groups" },
        { 1234.56, 0, 0, u"BinİkiYüzOtuzDört TL ElliAltı KR",
            "1234.56 is 1234.5599...: hundredths rounded, not cut" },
        { 1234.56, 1, 0, u"BİNİKİYÜZOTUZDÖRT TL ELLİALTI KR", "the caller's form" },
        { 44.25, 1, 0, u"KIRKDÖRT TL YİRMİBEŞ KR", "dotless ı becomes I" },
        { 118.59, 0, 0, u"YüzOnSekiz TL ElliDokuz KR", "as built" },
        { 118.59, 2, 0, u"yüzonsekiz tl ellidokuz kr", "small letters, currency too" },
        { 118.59, 9, 0, u"YÜZONSEKİZ TL ELLİDOKUZ KR", "any other mode means capitals" },
        { 12.50, 1, 1, u"ONİKİ EURO ELLİ EUROCENT", "euro" },
        { 12.50, 1, 2, u"ONİKİ AZN ELLİ QEP", "manat" },
        { 12.50, 1, 3, u"ONİKİ DOLLAR ELLİ CENT", "dollar" },
        { 12.50, 1, 4, u"ONİKİ IQD ELLİ CENT", "dinar" },
        { 12.50, 1, 7, u"ONİKİ ELLİ", "unknown currency: no currency words" },
        { 12.50, 1, 255, u"ONİKİ ELLİ", "largest code" },
        { -5, 1, 0, u"", "negative amounts have no words" },
        { 999999999999999.0, 1, 0,
            u"DOKUZYÜZDOKSANDOKUZTRİLYONDOKUZYÜZDOKSANDOKUZMİLYARDOKUZYÜZDOKSANDOKUZMİLYON"
            u"DOKUZYÜZDOKSANDOKUZBİNDOKUZYÜZDOKSANDOKUZ TL",
            "the largest fifteen-digit amount" },
        { 3000000000.0, 1, 0, u"ÜÇMİLYAR TL", "a whole part beyond 32 bits" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        EXPECT_EQ(TUTAR_YAZIYLA(r.CaseMode, r.Currency, r.Amount), QString::fromUtf16(r.Expected))
            << "amount " << r.Amount;
    }
}

TEST(TutarYaziyla, HundredthsAndLimits)
{
    const TAmountRow rows[] = {
        { 1.999, 1, 0, u"İKİ TL", "hundredths that round to 100 carry into the lira" },
        { 0.996, 1, 0, u"BİR TL", "the carry from nothing" },
        { 9.996, 1, 0, u"ON TL", "the carry runs into the tens" },
        { 9.995, 1, 0, u"DOKUZ TL DOKSANDOKUZ KR", "9.995 is 9.99499999... in binary: no carry" },
        { 999.999, 1, 0, u"BİN TL", "the carry adds a group" },
        { 0.004, 1, 0, u"", "less than half a kuruş: nothing to write" },
        { 1e15, 1, 0, u"BİRKATRİLYON TL", "the scale goes on past trilyon" },
        { 1e18, 1, 0, u"BİRKENTİLYON TL", "and past katrilyon" },
        { 1e19, 1, 0, u"", "a whole part beyond 64 bits has no words" },
        { std::numeric_limits<double>::infinity(), 1, 0, u"", "infinity" },
        { std::numeric_limits<double>::quiet_NaN(), 1, 0, u"", "not a number" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        EXPECT_EQ(TUTAR_YAZIYLA(r.CaseMode, r.Currency, r.Amount), QString::fromUtf16(r.Expected))
            << "amount " << r.Amount;
    }
    // An exact half of a kuruş goes to the even neighbour: 0.125 x 100 is exactly 12.5.
    EXPECT_EQ(TUTAR_YAZIYLA(1, 0, 0.125), u"ONİKİ KR"_s);
    EXPECT_EQ(TUTAR_YAZIYLA(1, 0, 0.375), u"OTUZSEKİZ KR"_s);
}

TEST(SayiYaziyla, WholeNumbers)
{
    struct Row {
        double Number;
        const char16_t *Expected;
        const char *Why;
    };
    const Row rows[] = {
        { 0, u"", "zero" },
        { -3, u"", "negative" },
        { 1, u"Bir", "one" },
        { 19, u"OnDokuz", "teens are ten then the ones word" },
        { 101, u"YüzBir", "hundred and one" },
        { 999, u"DokuzYüzDoksanDokuz", "a full group" },
        { 1000, u"Bin", "one thousand" },
        { 1999, u"BinDokuzYüzDoksanDokuz", "a year" },
        { 2001000, u"İkiMilyonBin", "thousand after millions" },
        { 1000000000, u"BirMilyar", "one billion" },
        { 1000000000000, u"BirTrilyon", "one trillion" },
        { 1e21, u"", "more than 21 digits cannot be written" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        EXPECT_EQ(SAYI_YAZIYLA(r.Number), QString::fromUtf16(r.Expected));
    }
    EXPECT_EQ(SAYI_YAZIYLA(12.7), u"Onİki"_s) << "a fraction is cut, not rounded";
}

TEST(UcluGrupYaziyla, Groups)
{
    struct Row {
        const char16_t *Group;
        const char16_t *Expected;
    };
    const Row rows[] = {
        { u"000", u"" },
        { u"001", u"Bir" },
        { u"010", u"On" },
        { u"100", u"Yüz" },
        { u"200", u"İkiYüz" },
        { u"111", u"YüzOnBir" },
        { u"909", u"DokuzYüzDokuz" },
        { u"060", u"Altmış" },
        // Not three digits: no words rather than a guess.
        { u"12", u"" },
        { u"1234", u"" },
        { u"1a2", u"" },
        { u"", u"" },
    };
    for (const auto &r : rows)
        EXPECT_EQ(UCLU_GRUP_YAZIYLA(QString::fromUtf16(r.Group)), QString::fromUtf16(r.Expected))
            << QString::fromUtf16(r.Group).toStdString();
}

TEST(TurkceHarfCevir, TurkishPairs)
{
    struct Row {
        const char16_t *Text;
        TCaseDirection Dir;
        const char16_t *Expected;
        const char *Why;
    };
    const Row rows[] = {
        { u"iı", cdCapitals, u"İI", "i to dotted İ, ı to I" },
        { u"İI", cdSmall, u"iı", "and back" },
        { u"ğüşöç", cdCapitals, u"ĞÜŞÖÇ", "the other Turkish pairs" },
        { u"ĞÜŞÖÇ", cdSmall, u"ğüşöç", "down again" },
        { u"ĞÜŞİIÖÇ", cdCapitals, u"ĞÜŞİIÖÇ", "capitals stay capitals" },
        { u"Kırk Dört TL", cdCapitals, u"KIRK DÖRT TL", "ASCII letters and blanks" },
        { u"Kırk Dört TL", cdSmall, u"kırk dört tl", "small" },
        { u"äéß 12,5", cdCapitals, u"äéß 12,5", "other letters and marks stay" },
        { u"", cdCapitals, u"", "empty" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        const QString in = QString::fromUtf16(r.Text);
        const QString out = TURKCE_HARF_CEVIR(in, r.Dir);
        EXPECT_EQ(out, QString::fromUtf16(r.Expected));
        EXPECT_EQ(out.size(), in.size());
    }
}
