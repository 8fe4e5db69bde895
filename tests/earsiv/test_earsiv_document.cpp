// The e-Arşiv document from a typed invoice: every document we write passes GİB's own schema
// and rules (the offline kit in ../shared/ubl-tr), and its sums and rate are the form's.

#include "earsiv/EArsivBuild.h"
#include "earsiv/UblWriter.h"
#include "earsiv/UnitCodes.h"
#include "support/InMemoryForm.h"
#include "support/SampleSeller.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

struct TLine {
    QString Quantity, Unit, Name, Price;
};

// Types the lines into the form as a user would, so the totals are the program's own.
TInvoiceFormValues Typed(
    const std::vector<TLine> &lines, int rate, const QString &sayin1, const QString &vno)
{
    const TFormatSettings fs = TFormatSettings::Turkish();
    TInMemoryForm form(fs);
    form.ORAN = QString::number(rate);
    TInvoiceFormValues v;
    for (size_t i = 0; i < lines.size(); ++i) {
        form.LeaveM(int(i), lines[i].Quantity);
        form.LeaveF(int(i), lines[i].Price);
        v.B[i] = lines[i].Unit;
        v.C[i] = lines[i].Name;
    }
    for (int i = 0; i < 8; ++i) {
        v.M[size_t(i)] = form.M[size_t(i)].Value();
        v.F[size_t(i)] = form.F[size_t(i)].Value();
        v.T[size_t(i)] = form.T[size_t(i)].Value();
    }
    v.YEKUN = form.YEKUN.Value();
    v.KDV = form.KDV.Value();
    v.TOPLAM = form.TOPLAM.Value();
    v.YALNIZ = form.YALNIZ;
    v.ORAN = form.ORAN;
    v.TARIH = u"09.12.2026"_s;
    v.SAYIN1 = sayin1;
    v.SAYIN2 = u"Atatürk Cad. No:5 Çankaya"_s;
    v.SAYIN3 = u"Ankara"_s;
    v.VERGIDAIRESI = u"Çankaya"_s;
    v.VERGIHESAPNO = vno;
    return v;
}

TEArsivInput Input(const TInvoiceFormValues &form, int rate)
{
    TEArsivInput in;
    in.Form = form;
    in.Seller = SampleSeller();
    in.Buyer.VergiNo = form.VERGIHESAPNO;
    in.Buyer.Ilce = u"Çankaya"_s;
    in.Buyer.Il = u"Ankara"_s;
    in.Rate = rate;
    in.Export = { 1, u"LVN2026000000001"_s, u"3f2504e0-4f89-41d3-9a0c-0305e82c3301"_s,
        QDateTime(QDate(2026, 12, 9), QTime(14, 5, 30)), QDate(2026, 12, 9), rate, {} };
    in.UnitCode = [](const QString &unit) { return KnownUnitCode(unit); };
    return in;
}

QString Element(const QByteArray &xml, const QString &name)
{
    const QRegularExpression re(u"<cbc:%1[^>]*>([^<]*)</cbc:%1>"_s.arg(name));
    return re.match(QString::fromUtf8(xml)).captured(1);
}

// Runs GİB's schema and rules on the file; the kit's own report on failure.
std::pair<int, QString> Validate(const QString &file)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(u"" LEVANTA_SHARED_DIR "/ubl-tr/validate"_s, { file, u"--earsiv"_s });
    if (!p.waitForFinished(120000))
        return { -1, u"validate did not finish"_s };
    return { p.exitCode(), QString::fromUtf8(p.readAll()) };
}

} // namespace

TEST(EArsivDocument, EveryKindOfInvoicePassesGibsSchemaAndRulesWithTheFormsSums)
{
    // Markup and a control character (as an import may bring) must not break the file.
    const TLine pen { u"3"_s, u"Adet"_s, u"Dolma kalem ığüşöçİ & <\"uç\"> \x01"_s, u"125,50"_s };
    std::vector<TLine> eight;
    for (int i = 1; i <= 8; ++i)
        eight.push_back({ QString::number(i), i % 2 ? u"Kg"_s : u"Paket"_s,
            u"Ürün %1 — çağdaş şekerli"_s.arg(i), u"%1,25"_s.arg(i * 10) });
    eight[7] = { u"1"_s, u"Adet"_s, u"İskonto"_s, u"-40"_s };
    const struct {
        const char *Why;
        std::vector<TLine> Lines;
        int Rate;
        QString Vno;
        QString Type, Exemption;
    } rows[] = {
        { "a company (VKN) at 20 %", { pen }, 20, u"1234567890"_s, u"SATIS"_s, {} },
        { "a person (TCKN) at 18 %", { pen }, 18, u"10000000078"_s, u"SATIS"_s, {} },
        { "the final consumer at 10 %", { pen }, 10, u"11111111111"_s, u"SATIS"_s, {} },
        { "1 %", { pen }, 1, u"1234567890"_s, u"SATIS"_s, {} },
        { "0 % under SATIS with 351", { pen }, 0, u"1234567890"_s, u"SATIS"_s, u"351"_s },
        { "0 % under ISTISNA", { pen }, 0, u"1234567890"_s, u"ISTISNA"_s, u"301"_s },
        { "8 lines, the last a discount, at 8 %", eight, 8, u"1234567890"_s, u"SATIS"_s, {} },
        { "the largest amount", { { u"1"_s, u"Adet"_s, u"Bina"_s, u"999.999.999.999,99"_s } }, 0,
            u"1234567890"_s, u"SATIS"_s, u"351"_s },
    };
    QTemporaryDir dir;
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        const TInvoiceFormValues form
            = Typed(r.Lines, r.Rate, u"Şahin Çelik Ağaç İşleri Ltd."_s, r.Vno);
        TEArsivInput in = Input(form, r.Rate);
        in.TypeCode = r.Type;
        in.ExemptionCode = r.Exemption;
        in.Buyer.Ad = u"Şahin"_s;
        in.Buyer.Soyad = u"Çelik"_s;
        const TEArsivBuild built = BuildEArsiv(in);
        ASSERT_TRUE(built.Invoice) << built.Problems.join(u'\n').toStdString();
        const QByteArray xml = WriteUbl(*built.Invoice);

        auto kurus = [](long double v) { return Kurus(std::llround(v * 100)).ToString(); };
        EXPECT_EQ(Element(xml, u"TaxExclusiveAmount"_s), kurus(form.YEKUN));
        EXPECT_EQ(Element(xml, u"TaxAmount"_s), kurus(form.KDV));
        EXPECT_EQ(Element(xml, u"PayableAmount"_s), kurus(form.TOPLAM));
        EXPECT_EQ(Element(xml, u"Percent"_s), QString::number(r.Rate));
        if (r.Lines.front().Name == pen.Name) {
            EXPECT_TRUE(xml.contains("Dolma kalem ığüşöçİ")) << "Turkish letters kept";
        }
        if (r.Lines.size() == 8) {
            EXPECT_EQ(xml.count("<cac:InvoiceLine>"), 7);
            EXPECT_TRUE(xml.contains("<cbc:ChargeIndicator>false</cbc:ChargeIndicator>"));
            EXPECT_EQ(Element(xml, u"AllowanceTotalAmount"_s), u"40.00"_s);
        }
        // The lines' VAT shares add up to the invoice's VAT to the kuruş.
        std::int64_t shares = 0;
        for (const TEArsivLine &l : built.Invoice->Lines)
            shares += l.VatAmount.Rescaled(2).Units;
        EXPECT_EQ(shares, std::llround(form.KDV * 100));

        const QString file
            = dir.filePath(built.Invoice->Number + u"-"_s + QString::number(&r - rows) + u".xml"_s);
        WriteBytes(file, xml);
        // LEVANTA_KEEP_EARSIV=folder keeps the documents, to look at them with `view`.
        if (const QString keep = qEnvironmentVariable("LEVANTA_KEEP_EARSIV"); !keep.isEmpty())
            WriteBytes(keep + u'/' + QFileInfo(file).fileName(), xml);
        const auto [code, report] = Validate(file);
        EXPECT_EQ(code, 0) << report.toStdString();
    }
}

TEST(EArsivDocument, RefusesWhatWouldMakeAWrongDocumentWithEveryReason)
{
    const TLine pen { u"2"_s, u"Adet"_s, u"Defter"_s, u"10"_s };
    const struct {
        const char *Why;
        std::function<void(TEArsivInput &)> Spoil;
        const char *Reason; // a part of the expected reason
    } rows[] = {
        { "a wrong check digit", [](TEArsivInput &in) { in.Buyer.VergiNo = u"1234567891"_s; },
            "vergi numarası" },
        { "a TARIH that is no date", [](TEArsivInput &in) { in.Form.TARIH = u"31.02.2026"_s; },
            "bir tarih değil" },
        { "a line without a name", [](TEArsivInput &in) { in.Form.C[0].clear(); }, "adı (CİNSİ)" },
        { "a rate that does not give the VAT", [](TEArsivInput &in) { in.Rate = 8; }, "vermiyor" },
        { "a person without names", [](TEArsivInput &in) { in.Buyer.VergiNo = u"10000000078"_s; },
            "adı ve soyadı" },
        { "no seller series", [](TEArsivInput &in) { in.Seller.Seri = u"lv"_s; }, "Fatura serisi" },
        { "an unknown unit", [](TEArsivInput &in) { in.Form.B[0] = u"Bağ"_s; }, "birim kodu" },
        { "sums that do not add up", [](TEArsivInput &in) { in.Form.YEKUN += 1; }, "YEKÜN" },
        { "0 % without an exemption code",
            [](TEArsivInput &in) {
                in.Rate = 0;
                in.Form.TOPLAM = in.Form.YEKUN;
                in.Form.KDV = 0;
            },
            "istisna kodu" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        TEArsivInput in = Input(Typed({ pen }, 20, u"Ali Veli"_s, u"1234567890"_s), 20);
        r.Spoil(in);
        const TEArsivBuild built = BuildEArsiv(in);
        EXPECT_FALSE(built.Invoice);
        EXPECT_TRUE(built.Problems.join(u'\n').contains(QString::fromUtf8(r.Reason)))
            << built.Problems.join(u'\n').toStdString();
    }
}

TEST(EArsivDocument, TheRateOfARecalledInvoiceIsWorkedOutFromItsTotals)
{
    const struct {
        long double Yekun, Kdv;
        std::vector<int> Rates;
    } rows[] = {
        { 100, 20, { 20 } }, { 100, 18, { 18 } },
        { 376.50L, 67.77L, { 18 } }, // 67.77 cut from 67.77
        { 33.33L, 6.66L, { 20 } }, // 6.666 cut, not rounded
        { 100, 0, { 0 } }, { 0.50L, 0, { 0, 1 } }, // too small to tell: the user is asked
        { 100, 7, {} }, // no rate in use fits
    };
    for (const auto &r : rows)
        EXPECT_EQ(FittingVatRates(r.Yekun, r.Kdv), r.Rates)
            << double(r.Yekun) << " " << double(r.Kdv);
}

TEST(EArsivDocument, UnitsAndDatesAsUsersTypeThem)
{
    const std::pair<const char *, const char *> units[] = { { "Adet", "C62" }, { "ADET", "C62" },
        { "kg.", "KGM" }, { "M²", "MTK" }, { "m2", "MTK" }, { "Lt", "LTR" }, { "Koli", "CT" },
        { "PAKET", "PA" }, { "", "C62" }, { "Bağ", "" } };
    for (const auto &[unit, code] : units)
        EXPECT_EQ(
            KnownUnitCode(QString::fromUtf8(unit)).value_or(QString()), QString::fromUtf8(code))
            << unit;
    EXPECT_EQ(ParseInvoiceDate(u"9.12.2026"), QDate(2026, 12, 9));
    EXPECT_EQ(ParseInvoiceDate(u"09/12/26"), QDate(2026, 12, 9));
    EXPECT_EQ(ParseInvoiceDate(u"2026-12-09"), QDate(2026, 12, 9));
    // What the window itself writes under another locale's short date pattern.
    EXPECT_EQ(ParseInvoiceDate(u"9 Dec 2026", u"d MMM yyyy"_s), QDate(2026, 12, 9));
    EXPECT_FALSE(ParseInvoiceDate(u"29.02.2026").isValid());
    EXPECT_FALSE(ParseInvoiceDate(u"bugün").isValid());
}

// A recalled invoice: the table keeps doubles and no rate; the rate is worked out from the
// stored totals and the document's sums are still the stored ones to the kuruş.
TEST(EArsivDocument, ARecalledInvoiceKeepsItsStoredSumsAndFindsItsRate)
{
    const TInvoiceFormValues typed = Typed({ { u"7"_s, u"Kg"_s, u"Çay"_s, u"33,33"_s },
                                               { u"1"_s, u"Adet"_s, u"Fincan"_s, u"0,01"_s } },
        18, u"Ali Veli Ltd."_s, u"1234567890"_s);
    const TInvoiceFormValues recalled = FormOfRecord(RecordOfForm(typed));
    const std::vector<int> rates = FittingVatRates(recalled.YEKUN, recalled.KDV);
    ASSERT_EQ(rates, std::vector<int> { 18 });
    const TEArsivBuild built = BuildEArsiv(Input(recalled, rates.front()));
    ASSERT_TRUE(built.Invoice) << built.Problems.join(u'\n').toStdString();
    const QByteArray xml = WriteUbl(*built.Invoice);
    EXPECT_EQ(Element(xml, u"LineExtensionAmount"_s), u"233.32"_s);
    EXPECT_EQ(Element(xml, u"TaxAmount"_s), u"41.99"_s); // 41.9976 cut, not rounded
    EXPECT_EQ(Element(xml, u"PayableAmount"_s), u"275.31"_s);
}
