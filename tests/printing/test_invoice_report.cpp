// The invoice report: its designed geometry, the print formats, the page set-up from the
// layout settings, and where each value lands on the recorded page.

#include "support/EmfText.h"

#include "platform/Locale.h"
#include "printing/InvoiceReport.h"
#include "report/QRUnits.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

class InvoiceReportTest : public ::testing::Test
{
protected:
    void SetUp() override { SetQRScreenResolution(96); }
    void TearDown() override { SetQRScreenResolution(96); }

    const TFormatSettings Tr = TFormatSettings::Turkish();
    const QString Money = u"#,###.00"_s;
};

} // namespace

TEST_F(InvoiceReportTest, TheDesignIsExact)
{
    TInvoiceReport inv(Tr, ScreenTextMetrics(96));
    TQuickRep &r = inv.RAPORX();
    EXPECT_EQ(r.Units(), TQRUnit::MM);
    EXPECT_EQ(r.Page().PaperSize(), TQRPaperSize::A4);
    EXPECT_EQ(inv.TitleBand1().Height(), 1043);
    EXPECT_EQ(inv.TitleBand1().Size().NativeValue(TQRBandSize::HeightIndex), 2759.604166666667L);
    EXPECT_EQ(inv.QRLabel(43).Caption(), u"%18"_s);
    for (int n = 1; n <= 43; ++n) {
        const TQRLabel &l = inv.QRLabel(n);
        const bool number = n >= 23 && n <= 41;
        EXPECT_EQ(l.Height(), 17) << n;
        EXPECT_TRUE(l.Transparent()) << n;
        EXPECT_EQ(l.AutoSize(), !number) << n;
        EXPECT_EQ(l.Alignment(), number ? taRightJustify : taLeftJustify) << n;
        if (number) {
            EXPECT_EQ(l.Width(), 90) << n;
        }
        EXPECT_EQ(l.Font().Name, u"Arial"_s);
        EXPECT_EQ(l.Font().PointSize(), 10);
    }
}

TEST_F(InvoiceReportTest, PrintFormats)
{
    const struct {
        const char *Why;
        QString Got, Expected;
    } cases[] = {
        { "zero money prints nothing", TUTAR_BICIMLE(0, Money, Tr), QString() },
        { "grouped, two decimals, minus", TUTAR_BICIMLE(-1234.5L, Money, Tr), u"-1.234,50"_s },
        { "no digit before the comma under 1", TUTAR_BICIMLE(0.75L, Money, Tr), u",75"_s },
        { "halves away from zero", TUTAR_BICIMLE(2.345L, Money, Tr), u"2,35"_s },
        { "zero quantity prints nothing, unit included", MIKTAR_BICIMLE(0, u"Kg"_s, Tr),
            QString() },
        { "quantity and unit", MIKTAR_BICIMLE(3, u"Kg"_s, Tr), u"3 Kg"_s },
        { "no thousands separator on quantities", MIKTAR_BICIMLE(1500, u"Kg"_s, Tr), u"1500 Kg"_s },
        { "decimal comma", MIKTAR_BICIMLE(2.5L, u"Lt"_s, Tr), u"2,5 Lt"_s },
        { "an empty unit leaves the space", MIKTAR_BICIMLE(7, QString(), Tr), u"7 "_s },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.Got, c.Expected) << c.Why;
}

TEST_F(InvoiceReportTest, PaperTrayAndOrientationFromTheLists)
{
    TInvoiceReport inv(Tr, ScreenTextMetrics(96));
    TPrintSettings s;
    const struct {
        int Paper, Bin, Orientation;
        long double Width, Length; // mm
        TQRBin ExpectedBin;
    } cases[] = {
        { 0, 0, 0, 210, 297, TQRBin::Auto },
        { 1, 1, 0, 210, 148, TQRBin::Manual }, // A5 lying on its long side, portrait
        { 1, 2, 1, 148, 210, TQRBin::Tractor }, // and landscape
        { 1, -1, -1, 148, 210, TQRBin::Tractor }, // no selection: landscape, tray kept
    };
    for (const auto &c : cases) {
        s.sayfaTipi = c.Paper;
        s.drpOutputBin = c.Bin;
        s.sayfa_yonelimi = c.Orientation;
        inv.SAYFA_HAZIRLA(s);
        EXPECT_NEAR(static_cast<double>(inv.RAPORX().Page().Width()), c.Width, 1e-9);
        EXPECT_NEAR(static_cast<double>(inv.RAPORX().Page().Length()), c.Length, 1e-9);
        EXPECT_EQ(inv.RAPORX().PrinterSettings().OutputBin(), c.ExpectedBin);
    }
}

TEST_F(InvoiceReportTest, EveryValueLandsAtItsPositionOnThePage)
{
    TInvoiceReport inv(Tr, ScreenTextMetrics(96));
    TPrintSettings s;
    s.SetPosition(u"RAPOR_SAYFASI", u"20 | 15"_s);
    s.SetPosition(u"SAYIN1", u"100 | 50"_s);
    s.SetPosition(u"TOPLAM", u"600 | 500"_s);
    s.SetPosition(u"KDV_YUZDE", u"580 | 300"_s);
    inv.SAYFA_HAZIRLA(s);
    TInvoiceFormValues v;
    v.SAYIN1 = u"Çağdaş Kırtasiye Şti."_s;
    v.TOPLAM = 2434559.88L;
    v.ORAN = u"8"_s;
    v.M[0] = 0;
    v.C[0] = u"açıklama"_s;
    inv.RAPOR_DOLDUR(v, Money);
    inv.RAPORX().Prepare();
    TQRPrinter *printer = inv.RAPORX().QRPrinter();
    ASSERT_TRUE(printer);
    ASSERT_EQ(printer->PageCount(), 1);
    const emftext::TPage page = emftext::Read(*printer->GetPage(1));

    // Millimetres from the paper's edge: margin + pixels x 25.4 / 96, at 96 page pixels per
    // inch on the recorded page.
    const auto px = [](long double marginMM, int pixels) {
        return static_cast<int>(std::nearbyintl((marginMM * 10 + pixels * 254.0L / 96) * 96 / 254));
    };
    const emftext::TText *name = page.Find(u"Çağdaş Kırtasiye Şti."_s);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->At, QPoint(px(15, 50), px(20, 100)));
    const emftext::TText *total = page.Find(u"2.434.559,88"_s);
    ASSERT_TRUE(total);
    EXPECT_EQ(total->At, QPoint(px(15, 590), px(20, 600))) << "ends at the box's right edge";
    EXPECT_EQ(total->Align, 2u);
    const emftext::TText *rate = page.Find(u"8"_s);
    ASSERT_TRUE(rate);
    EXPECT_EQ(rate->At, QPoint(px(15, 300), px(20, 580)));
    EXPECT_TRUE(page.Find(u"açıklama"_s)) << "a description prints without its quantity";
    EXPECT_EQ(page.Texts.size(), 4u) << "empty values print nothing";
}

TEST_F(InvoiceReportTest, ALeftMarginBeyondThePageLeavesNoRoomSoTheRunUsesNone)
{
    TInvoiceReport inv(Tr, ScreenTextMetrics(96));
    TPrintSettings s;
    s.SetPosition(u"RAPOR_SAYFASI", u"10 | 250"_s);
    inv.SAYFA_HAZIRLA(s);
    TInvoiceFormValues v;
    v.TARIH = u"09.12.2026"_s;
    inv.RAPOR_DOLDUR(v, Money);
    inv.RAPORX().Prepare();
    const emftext::TPage page = emftext::Read(*inv.RAPORX().QRPrinter()->GetPage(1));
    const emftext::TText *date = page.Find(u"09.12.2026"_s);
    ASSERT_TRUE(date);
    EXPECT_EQ(date->At.x(), 0);
    EXPECT_NEAR(static_cast<double>(inv.RAPORX().Page().LeftMargin()), 250, 1e-9)
        << "the layout keeps what the user set";
}

TEST_F(InvoiceReportTest, APreviewedInvoiceSavedLoadedAndSavedAgainIsTheSameFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TInvoiceReport inv(Tr, ScreenTextMetrics(96));
    TPrintSettings s;
    s.SetPosition(u"YEKUN", u"500 | 400"_s);
    inv.SAYFA_HAZIRLA(s);
    TInvoiceFormValues v;
    v.YEKUN = 1234.5L;
    v.SAYIN1 = u"İğdır Şubesi"_s;
    inv.RAPOR_DOLDUR(v, Money);
    inv.RAPORX().Prepare();
    TQRPrinter &printer = *inv.RAPORX().QRPrinter();
    const QString first = dir.filePath(u"fatura.QRP"_s), second = dir.filePath(u"again.QRP"_s);
    printer.Save(first);

    TQRPrinter loaded(nullptr, false);
    loaded.Load(first);
    ASSERT_EQ(loaded.PageCount(), 1);
    EXPECT_EQ(loaded.PaperSize(), TQRPaperSize::A4);
    EXPECT_EQ(loaded.Orientation(), poPortrait);
    const QByteArray page = *loaded.GetPage(1);
    EXPECT_EQ(page, *printer.GetPage(1)) << "the same page comes back";
    const emftext::TPage texts = emftext::Read(page);
    const emftext::TText *total = texts.Find(u"1.234,50"_s);
    ASSERT_TRUE(total);
    EXPECT_EQ(total->At,
        QPoint(static_cast<int>(std::nearbyintl((100 + 490 * 254.0L / 96) * 96 / 254)),
            static_cast<int>(std::nearbyintl((100 + 500 * 254.0L / 96) * 96 / 254))));
    EXPECT_TRUE(texts.Find(u"İğdır Şubesi"_s));

    loaded.Save(second);
    QFile a(first), b(second);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll()) << "saved again byte for byte";
}
