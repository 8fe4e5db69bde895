// The e-Arşiv copy read from UBL-TR text, exported to PDF through the engine and checked by
// outside readers: zbarimg reads the karekod off a 300-dpi rendering, poppler gives back every
// value, qpdf accepts the file, and the largest invoice stays on one page without a cut or
// an overlap.
#include "preview/pdf/PdfTestSupport.h"
#include "support/EmfText.h"
#include "support/FakePrinting.h"
#include "support/UblFixture.h"

#include "earsiv/UblReader.h"
#include "platform/TextMetrics.h"
#include "printing/EArsivCopy.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

struct TWord {
    QString Text;
    double XMin, YMin, XMax, YMax;
};

class EArsivCopy : public ::testing::Test
{
protected:
    void SetUp() override { SetQRScreenResolution(96); }

    // The copy of the file's text, as the menu command reads and lays it out.
    TEArsivCopy &Copy(const QByteArray &xml)
    {
        copy.NUSHA_HAZIRLA(ReadUblInvoice(xml, u"fatura.xml"_s));
        return copy;
    }

    // Exported as the preview's save does, with the report's own code page.
    QString Pdf(const QByteArray &xml, const QString &name = u"nusha.pdf"_s)
    {
        TEArsivCopy &c = Copy(xml);
        const QString path = dir.filePath(name);
        TQRPDFDocumentFilter filter(path);
        filter.SetCodepage(c.Report().ExportCodepage());
        filter.SetClock(pdftest::FixedNow);
        c.Report().ExportToFilter(&filter);
        return path;
    }

    QString Text(const QString &pdf)
    {
        const auto r = pdftest::Run(u"pdftotext"_s, { u"-enc"_s, u"UTF-8"_s, pdf, u"-"_s });
        EXPECT_EQ(r.ExitCode, 0) << r.Err.toStdString();
        return QString::fromUtf8(r.Out);
    }

    std::vector<TWord> Words(const QString &pdf, double *pageWidth, double *pageHeight)
    {
        const auto r = pdftest::Run(u"pdftotext"_s, { u"-bbox"_s, pdf, u"-"_s });
        EXPECT_EQ(r.ExitCode, 0) << r.Err.toStdString();
        std::vector<TWord> words;
        QXmlStreamReader xml(r.Out);
        int pages = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const auto a = xml.attributes();
            if (xml.name() == u"page"_s) {
                ++pages;
                *pageWidth = a.value(u"width"_s).toDouble();
                *pageHeight = a.value(u"height"_s).toDouble();
            } else if (xml.name() == u"word"_s) {
                TWord w { {}, a.value(u"xMin"_s).toDouble(), a.value(u"yMin"_s).toDouble(),
                    a.value(u"xMax"_s).toDouble(), a.value(u"yMax"_s).toDouble() };
                w.Text = xml.readElementText();
                words.push_back(w);
            }
        }
        EXPECT_EQ(pages, 1);
        return words;
    }

    // What zbarimg reads off the PDF's first page drawn at 300 dpi.
    QString Karekod(const QString &pdf)
    {
        const QString png = dir.filePath(u"page"_s);
        const auto draw = pdftest::Run(u"pdftoppm"_s,
            { u"-r"_s, u"300"_s, u"-png"_s, u"-singlefile"_s, u"-gray"_s, pdf, png });
        EXPECT_EQ(draw.ExitCode, 0) << draw.Err.toStdString();
        const auto read = pdftest::Run(u"zbarimg"_s, { u"--raw"_s, u"-q"_s, png + u".png"_s });
        EXPECT_EQ(read.ExitCode, 0) << read.Err.toStdString();
        return QString::fromUtf8(read.Out).trimmed();
    }

    TPrintingScope noPrinters { nullptr };
    TEArsivCopy copy { TFormatSettings::Turkish(), ScreenTextMetrics(96) };
    QTemporaryDir dir;
};

TEST_F(EArsivCopy, AnOutsideReaderGetsTheStandardsKarekodBack)
{
    const QString head = u"{\"vkntckn\":\"1234567890\",\"avkntckn\":\""_s;
    const QString mid = u"\",\"senaryo\":\"EARSIVFATURA\",\"tip\":\""_s;
    const QString doc = u"\",\"tarih\":\"2026-03-14\",\"no\":\"LVN2026000000042\","
                        "\"ettn\":\"3f2b8c1e-5a7d-4e9b-9c0a-1d2e3f4a5b6c\",\"parabirimi\":\"TRY\","
                        "\"malhizmettoplam\":\"1099.99\","_s;
    const struct {
        bool Tckn;
        int Percent;
        QString Expected;
    } rows[] = {
        { false, 20,
            head + u"9876543210"_s + mid + u"SATIS"_s + doc
                + u"\"kdvmatrah(20)\":\"1099.99\",\"hesaplanankdv(20)\":\"219.99\","
                  "\"vergidahil\":\"1319.98\",\"odenecek\":\"1319.98\"}"_s },
        { true, 20,
            head + u"12345678901"_s + mid + u"SATIS"_s + doc
                + u"\"kdvmatrah(20)\":\"1099.99\",\"hesaplanankdv(20)\":\"219.99\","
                  "\"vergidahil\":\"1319.98\",\"odenecek\":\"1319.98\"}"_s },
        { false, 0,
            head + u"9876543210"_s + mid + u"ISTISNA"_s + doc
                + u"\"kdvmatrah(0)\":\"1099.99\",\"hesaplanankdv(0)\":\"0.00\","
                  "\"vergidahil\":\"1099.99\",\"odenecek\":\"1099.99\"}"_s },
        { true, 0,
            head + u"12345678901"_s + mid + u"ISTISNA"_s + doc
                + u"\"kdvmatrah(0)\":\"1099.99\",\"hesaplanankdv(0)\":\"0.00\","
                  "\"vergidahil\":\"1099.99\",\"odenecek\":\"1099.99\"}"_s },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Tckn ? "TCKN buyer" : "VKN buyer");
        SCOPED_TRACE(r.Percent);
        const QString pdf
            = Pdf(ubl_fixture::UblXml(ubl_fixture::SampleInvoice(r.Tckn, r.Percent), false));
        EXPECT_EQ(Karekod(pdf), r.Expected);
    }
}

TEST_F(EArsivCopy, KarekodSitsTopRightWithItsQuietZoneAndLargeEnoughModules)
{
    TEArsivCopy &c = Copy(ubl_fixture::UblXml(ubl_fixture::SampleInvoice(false, 20), false));
    const TQRModuleMatrix *k = c.Karekod();
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->QuietZone(), 4);
    const long double w = k->Size().NativeValue(TQRPrintableSize::WidthIndex);
    EXPECT_GE(k->ModuleSize(w), 5.0L); // 0.5 mm in tenths
    EXPECT_EQ(k->Size().NativeValue(TQRPrintableSize::TopIndex), 0);
    EXPECT_NEAR(
        static_cast<double>(k->Size().NativeValue(TQRPrintableSize::LeftIndex) + w), 1900, 0.01);
}

TEST_F(EArsivCopy, PopplerFindsEveryValueWithItsTurkishLettersAndQpdfAcceptsTheFile)
{
    TEArsivInvoice inv = ubl_fixture::SampleInvoice(false, 0);
    inv.Allowances = { { u"Sadakat indirimi"_s, Kurus(1000) } };
    inv.AllowanceTotal = Kurus(1000);
    const QByteArray xml = ubl_fixture::UblXml(inv, false);
    const QString pdf = Pdf(xml);
    if (const QString shots = qEnvironmentVariable("LEVANTA_SHOTS_DIR"); !shots.isEmpty()) {
        QFile::remove(shots + u"/ours_fixture.pdf"_s);
        QFile::copy(pdf, shots + u"/ours_fixture.pdf"_s);
        QFile out(shots + u"/fixture.xml"_s);
        if (out.open(QIODevice::WriteOnly))
            out.write(xml);
    }
    const auto check = pdftest::Run(u"qpdf"_s, { u"--check"_s, pdf });
    EXPECT_EQ(check.ExitCode, 0) << check.Out.toStdString() << check.Err.toStdString();

    const QString text = Text(pdf);
    for (const QString &v : { u"Çağlayan Şişecilik Ltd. Şti."_s, u"Gül Sokak No:7"_s,
             u"Kadıköy/ İstanbul"_s, u"Tel: 0216 555 12 34"_s, u"Vergi Dairesi: Kadıköy"_s,
             u"VKN: 1234567890"_s, u"e-Arşiv Fatura"_s, u"SAYIN"_s, u"Ilgın Işıklı Ticaret A.Ş."_s,
             u"Atatürk Bulvarı No:101"_s, u"Çankaya/ Ankara Türkiye"_s, u"VKN: 9876543210"_s,
             u"Özelleştirme No:"_s, u"TR1.2"_s, u"EARSIVFATURA"_s, u"ISTISNA"_s,
             u"LVN2026000000042"_s, u"14-03-2026 14:30:05"_s,
             u"ETTN: 3f2b8c1e-5a7d-4e9b-9c0a-1d2e3f4a5b6c"_s, u"Çelik vida"_s, u"2,5 Kg"_s,
             u"40,00 TL"_s, u"100,00 TL"_s, u"Işıklı pano (ğüşiöç)"_s, u"3 Adet"_s, u"333,33 TL"_s,
             u"999,99 TL"_s, u"%0"_s, u"0,00 TL"_s, u"1.099,99 TL"_s,
             u"İskonto: Sadakat indirimi"_s, u"10,00 TL"_s, u"Toplam İskonto"_s,
             u"Hesaplanan KDV(%0)"_s, u"Vergiler Dahil Toplam Tutar"_s, u"Ödenecek Tutar"_s,
             u"Vergi İstisna Muafiyet Sebebi: 301 - 11/1-a Mal ihracatı"_s,
             u"Not: Yalnız #BinYüzDoksanBeşTL#"_s, kEArsivTaslak })
        EXPECT_TRUE(text.contains(v)) << v.toStdString() << "\n" << text.toStdString();
    for (const char *column : { "Sıra No", "Mal Hizmet", "Miktar", "Birim Fiyat", "KDV Oranı",
             "KDV Tutarı", "Mal Hizmet Tutarı" })
        for (const QString &word : QString::fromUtf8(column).split(u' ')) // narrow: wrapped
            EXPECT_TRUE(text.contains(word)) << column;
}

TEST_F(EArsivCopy, OnlyAnUnsignedFileIsADraftOnEveryPage)
{
    TEArsivInvoice inv = ubl_fixture::SampleInvoice(false, 20);
    EXPECT_FALSE(Text(Pdf(ubl_fixture::UblXml(inv, true), u"imzali.pdf"_s)).contains(u"TASLAK"_s));

    // Forty lines run over several pages: each one carries the draft line.
    for (int i = 3; i <= 40; ++i) {
        TEArsivLine l = inv.Lines[0];
        l.Id = i;
        inv.Lines.push_back(l);
    }
    TEArsivCopy &c = Copy(ubl_fixture::UblXml(inv, false));
    c.Report().Prepare();
    const int pages = c.Report().QRPrinter()->PageCount();
    EXPECT_GE(pages, 2);
    int drafts = 0, lines = 0;
    for (int p = 1; p <= pages; ++p) {
        const auto page = emftext::Read(c.Report().QRPrinter()->GetPage(p).value_or(QByteArray()));
        for (const emftext::TText &t : page.Texts) {
            drafts += t.Text == kEArsivTaslak;
            lines += t.Text == u"Çelik vida"_s;
        }
    }
    EXPECT_EQ(drafts, pages);
    EXPECT_EQ(lines, 39); // every line once, none lost at a page break
}

TEST_F(EArsivCopy, TheLargestInvoiceFitsOnePageWithNothingCutOrOverlapping)
{
    TEArsivInvoice inv = ubl_fixture::SampleInvoice(false, 20);
    const TDecimal largest = Kurus(99999999999999); // 999.999.999.999,99
    const QString sayin = u"ŞÇĞÜÖİ Wolframyum Mühendislik Makine Sanayi ve Dış Ticaret Anonim Ş"_s;
    inv.Buyer.Name = (sayin + u" 1234567890"_s).left(75);
    inv.Buyer.Street = (u"Mimar Sinan Mahallesi Büyükdere Caddesi Ağaçlı Sokak No:1234 Daire:56 "_s
        + u"Kat:7 Blok"_s)
                           .left(75);
    inv.Buyer.District = u"Küçükçekmece Halkalı Merkez Mahallesi Sanayi Sitesi"_s;
    inv.Buyer.City = u"İstanbul"_s;
    inv.Lines.clear();
    for (int i = 1; i <= 8; ++i) {
        TEArsivLine l;
        l.Id = i;
        l.Name = (u"Ağır hizmet tipi paslanmaz çelik WWWW şaft "_s + QString::number(i)
            + u" MMMMMMMMMMMMMMMMMMMM"_s)
                     .left(50);
        l.Quantity = { 999999999, 0 };
        l.UnitCode = u"C62"_s;
        l.UnitName = u"Adet"_s;
        l.Price = largest;
        l.Amount = largest;
        l.VatPercent = 20;
        l.VatAmount = largest;
        inv.Lines.push_back(l);
    }
    inv.LineExtension = inv.TaxExclusive = inv.TaxInclusive = inv.Payable = largest;
    inv.Taxes[0].Base = inv.Taxes[0].Amount = largest;
    ASSERT_EQ(inv.Lines[0].Name.size(), 50);

    const QString pdf = Pdf(ubl_fixture::UblXml(inv, false));
    if (const QString shots = qEnvironmentVariable("LEVANTA_SHOTS_DIR"); !shots.isEmpty()) {
        QFile::remove(shots + u"/ours_largest.pdf"_s);
        QFile::copy(pdf, shots + u"/ours_largest.pdf"_s);
    }
    double pw = 0, ph = 0;
    const std::vector<TWord> words = Words(pdf, &pw, &ph);
    ASSERT_FALSE(words.empty());
    // Inside the page and clear of each other (a shared edge is allowed).
    for (size_t i = 0; i < words.size(); ++i) {
        const TWord &a = words[i];
        EXPECT_TRUE(a.XMin >= 0 && a.YMin >= 0 && a.XMax <= pw && a.YMax <= ph)
            << a.Text.toStdString();
        for (size_t j = i + 1; j < words.size(); ++j) {
            const TWord &b = words[j];
            const double ox = std::min(a.XMax, b.XMax) - std::max(a.XMin, b.XMin);
            const double oy = std::min(a.YMax, b.YMax) - std::max(a.YMin, b.YMin);
            EXPECT_FALSE(ox > 0.3 && oy > 0.3)
                << '"' << a.Text.toStdString() << "\" overlaps \"" << b.Text.toStdString() << '"';
        }
    }
    // No word runs over a ruled line of the table or the boxes (a rule thinner than a
    // point, crossing the word's height).
    const QByteArray content = [&] {
        QFile f(pdf);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return pdftest::Content(f.readAll());
    }();
    int rules = 0;
    for (const QByteArray &line : content.split('\n')) {
        // "[r g b rg] x y w h re f", y the lower edge from the page's foot
        QList<QByteArray> f = line.trimmed().split(' ');
        if (f.size() < 6 || f.last() != "f" || f[f.size() - 2] != "re")
            continue;
        f = f.mid(f.size() - 6);
        const double x = f[0].toDouble(), w = f[2].toDouble(), h = f[3].toDouble(),
                     y = ph - f[1].toDouble();
        if (w > 1 || h < 5)
            continue;
        ++rules;
        for (const TWord &word : words)
            EXPECT_FALSE(word.XMin < x + w - 0.1 && word.XMax > x + 0.1 && word.YMin < y
                && word.YMax > y - h)
                << '"' << word.Text.toStdString() << "\" crosses the rule at x " << x;
    }
    EXPECT_GT(rules, 8 * 8);
    // Nothing cut: every word of every value is there, as often as it was written.
    QStringList all;
    for (const TWord &w : words)
        all << w.Text;
    const auto count = [&all](const QString &w) { return all.count(w); };
    EXPECT_EQ(count(u"999.999.999.999,99"_s), 8 * 3 + 4) << all.join(u' ').toStdString();
    EXPECT_EQ(count(u"999.999.999"_s), 8);
    for (int i = 1; i <= 8; ++i)
        for (const QString &w :
            inv.Lines[static_cast<size_t>(i - 1)].Name.split(u' ', Qt::SkipEmptyParts))
            EXPECT_GE(count(w), 1) << w.toStdString();
    for (const QString &line : { inv.Buyer.Name, inv.Buyer.Street })
        for (const QString &w : line.split(u' ', Qt::SkipEmptyParts))
            EXPECT_GE(count(w), 1) << w.toStdString();
}

TEST_F(EArsivCopy, GibsOwnSampleGivesItsValuesBackOnOnePage)
{
    QFile f(QStringLiteral(LEVANTA_SHARED_DIR "/ubl-tr/samples/YTB_Satis_EArsiv.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString pdf = Pdf(f.readAll());
    const QString text = Text(pdf);
    for (const QString &v : { u"GIB2025000000001"_s, u"YTBSATIS"_s, u"01-10-2025"_s,
             u"Etlik Caddesi Ek Hizmet Binası No:12"_s, u"Altındağ/ Ankara Türkiye"_s,
             u"Ürün adı"_s, u"15 Adet"_s, u"100,00 TL"_s, u"1.500,00 TL"_s, u"300,00 TL"_s,
             u"1.800,00 TL"_s, u"Hesaplanan KDV(%20)"_s,
             u"Not: Sicil No: 0606 İşletme Merkezi: ankr"_s, kEArsivTaslak })
        EXPECT_TRUE(text.contains(v)) << v.toStdString();
    EXPECT_FALSE(text.contains(u"Toplam İskonto"_s)) << "its only discount is 0,00";
    // The picture of this copy beside the viewer's, when asked for.
    const QString shots = qEnvironmentVariable("LEVANTA_SHOTS_DIR");
    if (!shots.isEmpty()) {
        QFile::remove(shots + u"/ours_ytb.pdf"_s);
        QFile::copy(pdf, shots + u"/ours_ytb.pdf"_s);
    }
}

} // namespace
