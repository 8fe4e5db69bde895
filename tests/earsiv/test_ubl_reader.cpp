#include "earsiv/Karekod.h"
#include "earsiv/UblReader.h"
#include "platform/Errors.h"
#include "support/UblFixture.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace Qt::StringLiterals;

namespace
{

QString ErrorOf(const QByteArray &xml)
{
    try {
        ReadUblInvoice(xml, u"f.xml"_s);
    } catch (const EPlatformError &e) {
        return e.Message();
    }
    return {};
}

TEST(UblReader, ReadsBackEveryValueTheCopyShows)
{
    for (const bool tckn : { false, true }) {
        for (const bool signedFile : { false, true }) {
            SCOPED_TRACE(tckn ? "TCKN buyer" : "VKN buyer");
            TEArsivInvoice in = ubl_fixture::SampleInvoice(tckn, tckn ? 0 : 20);
            in.Allowances = { { u"Kampanya"_s, Kurus(500) } };
            in.AllowanceTotal = Kurus(500);
            const TEArsivInvoice out
                = ReadUblInvoice(ubl_fixture::UblXml(in, signedFile), u"f.xml"_s);
            EXPECT_EQ(out.Signed, signedFile);
            EXPECT_EQ(out.Number, in.Number);
            EXPECT_EQ(out.Ettn, in.Ettn);
            EXPECT_EQ(out.IssueDate, in.IssueDate);
            EXPECT_EQ(out.IssueTime, in.IssueTime);
            EXPECT_EQ(out.TypeCode, in.TypeCode);
            EXPECT_EQ(out.ProfileId, u"EARSIVFATURA"_s);
            EXPECT_EQ(out.Seller.Vkn, in.Seller.Vkn);
            EXPECT_EQ(out.Seller.Name, in.Seller.Name);
            EXPECT_EQ(out.Seller.TaxOffice, in.Seller.TaxOffice);
            EXPECT_EQ(out.Seller.Phone, in.Seller.Phone);
            EXPECT_EQ(out.Buyer.TaxNumber(), in.Buyer.TaxNumber());
            EXPECT_EQ(out.Buyer.IsPerson(), tckn);
            EXPECT_EQ(out.Buyer.DisplayName(), in.Buyer.DisplayName());
            EXPECT_EQ(out.Buyer.Street, in.Buyer.Street);
            EXPECT_EQ(out.Buyer.City, in.Buyer.City);
            ASSERT_EQ(out.Lines.size(), 2u);
            EXPECT_EQ(out.Lines[0].Name, in.Lines[0].Name);
            EXPECT_EQ(out.Lines[0].Quantity, in.Lines[0].Quantity);
            EXPECT_EQ(out.Lines[0].UnitName, u"Kg"_s); // from the code: the file has no name
            EXPECT_EQ(out.Lines[1].Price, in.Lines[1].Price);
            EXPECT_EQ(out.Lines[1].Amount, in.Lines[1].Amount);
            EXPECT_EQ(out.Lines[1].VatPercent, in.Lines[1].VatPercent);
            EXPECT_EQ(out.Lines[1].VatAmount, in.Lines[1].VatAmount);
            ASSERT_EQ(out.Taxes.size(), 1u);
            EXPECT_EQ(out.Taxes[0].Base, in.Taxes[0].Base);
            EXPECT_EQ(out.Taxes[0].ExemptionCode, in.Taxes[0].ExemptionCode);
            ASSERT_EQ(out.Allowances.size(), 1u);
            EXPECT_EQ(out.Allowances[0].Reason, u"Kampanya"_s);
            EXPECT_EQ(out.AllowanceTotal, Kurus(500));
            EXPECT_EQ(out.Payable, in.Payable);
            EXPECT_EQ(out.Notes, in.Notes);
        }
    }
}

TEST(UblReader, ReadsGibsOwnEArsivSample)
{
    QFile f(QStringLiteral(LEVANTA_SHARED_DIR "/ubl-tr/samples/YTB_Satis_EArsiv.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const TEArsivInvoice inv = ReadUblInvoice(f.readAll(), u"YTB_Satis_EArsiv.xml"_s);
    EXPECT_FALSE(inv.Signed); // its extension holds a placeholder, no signature
    EXPECT_EQ(inv.Number, u"GIB2025000000001"_s);
    EXPECT_EQ(inv.TypeCode, u"YTBSATIS"_s);
    EXPECT_EQ(inv.Seller.Vkn, u"3333333888"_s);
    EXPECT_EQ(inv.Seller.Street, u"Etlik Caddesi Ek Hizmet Binası No:12"_s);
    EXPECT_EQ(inv.Seller.TaxOffice, u"23 Temmuz"_s);
    ASSERT_EQ(inv.Lines.size(), 1u);
    EXPECT_EQ(inv.Lines[0].Name, u"Ürün adı"_s);
    EXPECT_EQ(inv.Lines[0].UnitName, u"Adet"_s);
    EXPECT_EQ(inv.Lines[0].VatAmount, Kurus(30000));
    ASSERT_EQ(inv.Taxes.size(), 1u);
    EXPECT_EQ(inv.Taxes[0].Percent, 20);
    EXPECT_EQ(inv.Payable, Kurus(180000));
    EXPECT_EQ(inv.Notes, QStringList { u"Sicil No: 0606 İşletme Merkezi: ankr"_s });
}

TEST(UblReader, RefusesWhatIsNoInvoiceOrCouldHurt)
{
    const QByteArray good = ubl_fixture::UblXml(ubl_fixture::SampleInvoice(false, 20), false);
    QByteArray badAmount = good;
    badAmount.replace("<cbc:PayableAmount currencyID=\"TRY\">1319.98<",
        "<cbc:PayableAmount currencyID=\"TRY\">1.319,98<");
    QByteArray badDate = good;
    badDate.replace("2026-03-14", "2026-02-30");
    QByteArray tooMany = good;
    QByteArray line = good.mid(good.indexOf("<cac:InvoiceLine>"),
        good.indexOf("</cac:InvoiceLine>") + 18 - good.indexOf("<cac:InvoiceLine>"));
    tooMany.replace("</Invoice>", line.repeated(kUblMaxLines) + "</Invoice>");
    const struct {
        QByteArray Xml;
        const char *Says;
        const char *Why;
    } rows[] = {
        { "", "boş dosya", "nothing at all" },
        { "PDF-1.3 not xml", "satır 1", "not XML: the parser's own complaint with its line" },
        { "<?xml version=\"1.0\"?><CreditNote/>", "kök öğe Invoice değil", "another document" },
        { "<Invoice/>", "kök öğe Invoice değil", "right name, no UBL namespace" },
        { "<?xml version=\"1.0\"?>\n<!DOCTYPE Invoice [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
          "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n<Invoice>&b;</Invoice>",
            "DTD", "entity expansion is refused before any entity is read" },
        { "<?xml version=\"1.0\"?><!DOCTYPE x SYSTEM \"file:///etc/passwd\"><x/>", "DTD",
            "no outside file is fetched" },
        { good.left(good.size() / 2), "satır", "a file cut short" },
        { badAmount, "cbc:PayableAmount bir sayı değil", "a Turkish comma is no xsd:decimal" },
        { badDate, "geçersiz tarih", "30 February" },
        { tooMany, "çok fazla satır", "bounded: no file grows the model without end" },
        { QByteArray(kUblMaxBytes + 1, ' '), "çok büyük", "bounded before parsing" },
    };
    for (const auto &r : rows) {
        const QString e = ErrorOf(r.Xml);
        EXPECT_TRUE(e.contains(QString::fromUtf8(r.Says)))
            << r.Why << ": got \"" << e.toStdString() << '"';
        if (!e.isEmpty())
            EXPECT_TRUE(e.startsWith(u"f.xml: satır "_s) || e.startsWith(u"f.xml: UBL"_s))
                << e.toStdString();
    }
    EXPECT_TRUE(ErrorOf(good).isEmpty());
}

TEST(UblReader, OnlyASignatureInTheExtensionsSignsTheFile)
{
    QByteArray xml = ubl_fixture::UblXml(ubl_fixture::SampleInvoice(false, 20), false);
    // A ds:Signature elsewhere (in a note's place, say) is not the document's signature.
    xml.replace("<cbc:UBLVersionID>",
        "<ds:Signature xmlns:ds=\"http://www.w3.org/2000/09/xmldsig#\"/><cbc:UBLVersionID>");
    EXPECT_FALSE(ReadUblInvoice(xml, u"f.xml"_s).Signed);
}

TEST(UblReader, MissingFileSaysWhich)
{
    try {
        ReadUblInvoiceFile(u"/nonexistent/fatura.xml"_s);
        FAIL();
    } catch (const EPlatformError &e) {
        EXPECT_EQ(e.Message(), u"Unable to read /nonexistent/fatura.xml"_s);
    }
}

TEST(Karekod, PayloadIsExactlyTheStandardsObject)
{
    // Keys in the standard's order, no blanks, amounts with a dot and two decimals; the
    // rate inside the key without a blank.
    EXPECT_EQ(KAREKOD_METNI(ubl_fixture::SampleInvoice(false, 20)),
        u"{\"vkntckn\":\"1234567890\",\"avkntckn\":\"9876543210\",\"senaryo\":\"EARSIVFATURA\","
        "\"tip\":\"SATIS\",\"tarih\":\"2026-03-14\",\"no\":\"LVN2026000000042\","
        "\"ettn\":\"3f2b8c1e-5a7d-4e9b-9c0a-1d2e3f4a5b6c\",\"parabirimi\":\"TRY\","
        "\"malhizmettoplam\":\"1099.99\",\"kdvmatrah(20)\":\"1099.99\","
        "\"hesaplanankdv(20)\":\"219.99\",\"vergidahil\":\"1319.98\",\"odenecek\":\"1319.98\"}"_s);
    EXPECT_EQ(KAREKOD_METNI(ubl_fixture::SampleInvoice(true, 0)),
        u"{\"vkntckn\":\"1234567890\",\"avkntckn\":\"12345678901\",\"senaryo\":\"EARSIVFATURA\","
        "\"tip\":\"ISTISNA\",\"tarih\":\"2026-03-14\",\"no\":\"LVN2026000000042\","
        "\"ettn\":\"3f2b8c1e-5a7d-4e9b-9c0a-1d2e3f4a5b6c\",\"parabirimi\":\"TRY\","
        "\"malhizmettoplam\":\"1099.99\",\"kdvmatrah(0)\":\"1099.99\","
        "\"hesaplanankdv(0)\":\"0.00\",\"vergidahil\":\"1099.99\",\"odenecek\":\"1099.99\"}"_s);
}

TEST(Karekod, ValuesFromAFileCannotBreakTheObject)
{
    TEArsivInvoice inv = ubl_fixture::SampleInvoice(false, 20);
    inv.Number = u"A\"B\\C\n"_s;
    inv.LineExtension = { 15, 1 }; // "1.5" in the file: two decimals in the karekod
    const QString json = KAREKOD_METNI(inv);
    EXPECT_TRUE(json.contains(u"\"no\":\"A\\\"B\\\\C\\u000a\""_s)) << json.toStdString();
    EXPECT_TRUE(json.contains(u"\"malhizmettoplam\":\"1.50\""_s));
}

} // namespace
