// An invoice-like report exported through the real engine and read by outside readers: qpdf
// checks the file, poppler gives back every value with its Turkish letters, names the fonts,
// places each value where the previewed page has it, and draws an inline image.
#include "PdfTestSupport.h"
#include "support/EmfText.h"
#include "support/FakePrinting.h"
#include "support/TestFiles.h"

#include "platform/Locale.h"
#include "platform/TextMetrics.h"
#include "report/QRCtrls.h"
#include "report/QuickRpt.h"

#include <QFontMetricsF>
#include <QXmlStreamReader>

#include <cmath>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

struct TWord {
    QString Text;
    double XMin, YMin, XMax, YMax;
};

std::vector<TWord> Words(const QString &pdf)
{
    const auto r = pdftest::Run(u"pdftotext"_s, { u"-bbox"_s, pdf, u"-"_s });
    EXPECT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    std::vector<TWord> words;
    QXmlStreamReader xml(r.Out);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"word"_s) {
            const auto a = xml.attributes();
            TWord w { {}, a.value(u"xMin"_s).toDouble(), a.value(u"yMin"_s).toDouble(),
                a.value(u"xMax"_s).toDouble(), a.value(u"yMax"_s).toDouble() };
            w.Text = xml.readElementText();
            words.push_back(w);
        }
    return words;
}

class PdfTools : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetQRScreenResolution(96);
        report = std::make_unique<TQuickRep>(TFormatSettings::Turkish());
        report->SetTextMetrics(ScreenTextMetrics(96));
        report->SetShowProgress(false);
        auto *title = new TQRBand(report.get());
        title->SetBandType(rbTitle);
        title->SetHeight(1000);
        // The invoice's kinds of value: header texts, item lines, amounts on the right.
        const QString texts[] = { u"20.05.2024"_s, u"ŞİŞLİ GÜNEŞ ÇİÇEKÇİLİK LTD. ŞTİ."_s,
            u"Büyükdere Cad. No: 12/3"_s, u"Ortaköy, İstanbul"_s, u"Boğaziçi V.D."_s,
            u"1234567890"_s, u"Yalnız: BinİkiYüzOtuzDörtTürkLirasıElliAltıKuruş"_s };
        int y = 20;
        for (const QString &t : texts)
            Add(title, t, 40, y += 22, taLeftJustify);
        const QString items[]
            = { u"Çiçek aranjmanı"_s, u"Süs ağacı (küçük)"_s, u"Gübre"_s, u"Toprak ıslah"_s,
                  u"Şeker kamışı"_s, u"Öğütülmüş kabuk"_s, u"İğde fidanı"_s, u"Ilgın"_s };
        for (int i = 0; i < 8; ++i) {
            const int line = 260 + i * 24;
            Add(title, QString::number(i + 1) + u",5"_s, 40, line, taLeftJustify);
            Add(title, u"Adet"_s, 90, line, taLeftJustify);
            Add(title, items[i], 150, line, taLeftJustify);
            Add(title, QString::number(100 + i * 7) + u",25"_s, 560, line, taRightJustify);
            Add(title, QString::number(1000 + i * 77) + u",50"_s, 700, line, taRightJustify);
        }
        Add(title, u"1.234,56"_s, 700, 480, taRightJustify);
        Add(title, u"222,22"_s, 700, 504, taRightJustify);
        Add(title, u"1.456,78"_s, 700, 528, taRightJustify);
        Add(title, u"K.D.V. %18"_s, 400, 504, taCenter);
    }
    void TearDown() override { SetQRScreenResolution(96); }

    void Add(TQRCustomBand *band, const QString &caption, int left, int top, TAlignment align)
    {
        auto *label = new TQRLabel(band);
        TQRFont font = pdftest::Font(u"Arial"_s, 10, false, false, 162);
        label->SetFont(font);
        label->SetTransparent(true);
        label->SetAutoSize(false);
        label->SetAlignment(align);
        label->SetBounds(align == taLeftJustify ? left : left - 200, top,
            align == taLeftJustify ? 500 : 200, 18);
        label->SetCaption(caption);
        ++labels;
    }

    // The report exported into a file in the temporary folder.
    QString ExportPdf()
    {
        const QString path = dir.filePath(u"fatura.pdf"_s);
        TQRPDFDocumentFilter filter(path);
        filter.SetCodepage(u"8859-9"_s);
        filter.SetClock(pdftest::FixedNow);
        report->ExportToFilter(&filter);
        return path;
    }

    TPrintingScope noPrinters { nullptr };
    std::unique_ptr<TQuickRep> report;
    int labels = 0;
    QTemporaryDir dir;
};

TEST_F(PdfTools, QpdfAcceptsTheFileAndPopplerGivesBackTheTurkishText)
{
    ASSERT_EQ(labels, 51);
    const QString pdf = ExportPdf();
    const auto check = pdftest::Run(u"qpdf"_s, { u"--check"_s, pdf });
    EXPECT_EQ(check.ExitCode, 0) << check.Out.toStdString() << check.Err.toStdString();
    EXPECT_TRUE(check.Out.contains("No syntax or stream encoding errors found"));

    const auto text = pdftest::Run(u"pdftotext"_s, { u"-enc"_s, u"UTF-8"_s, pdf, u"-"_s });
    EXPECT_EQ(text.ExitCode, 0) << text.Err.toStdString();
    const QString extracted = QString::fromUtf8(text.Out);
    for (const QString &value : { u"ŞİŞLİ GÜNEŞ ÇİÇEKÇİLİK LTD. ŞTİ."_s, u"Ortaköy, İstanbul"_s,
             u"Boğaziçi V.D."_s, u"Süs ağacı (küçük)"_s, u"Öğütülmüş kabuk"_s,
             u"Yalnız: BinİkiYüzOtuzDörtTürkLirasıElliAltıKuruş"_s, u"1.456,78"_s, u"Ilgın"_s,
             u"K.D.V. %18"_s })
        EXPECT_TRUE(extracted.contains(value)) << value.toStdString();

    const auto fonts = pdftest::Run(u"pdffonts"_s, { pdf });
    EXPECT_EQ(fonts.ExitCode, 0) << fonts.Err.toStdString();
    EXPECT_TRUE(fonts.Out.contains("\nArial ")) << fonts.Out.toStdString();
    EXPECT_TRUE(fonts.Out.contains("TrueType          Custom")) << fonts.Out.toStdString();
    EXPECT_TRUE(fonts.Err.isEmpty()) << fonts.Err.toStdString();
}

TEST_F(PdfTools, EveryValueLandsWhereThePreviewedPageHasIt)
{
    report->Prepare();
    const auto page = emftext::Read(report->QRPrinter()->GetPage(1).value_or(QByteArray()));
    const QString pdf = ExportPdf();
    const std::vector<TWord> words = Words(pdf);

    // Points from the preview's 96-dpi pixels; poppler boxes a line from the substitute
    // font's ascender and descender (Helvetica's 718 and 207 for Arial), which gives its
    // baseline back.
    const double pt = 72.0 / 96.0, halfMM = 72 / 25.4 / 2;
    const QFontMetricsF fm(ToQFont(pdftest::Font(u"Arial"_s, 10).ToCanvasFont(), 96));
    int checked = 0;
    for (const emftext::TText &t : page.Texts) {
        const QString first = t.Text.section(u' ', 0, 0);
        const double left = t.Box.left() * pt;
        const double baseline = (t.At.y() + fm.ascent()) * pt;
        const TWord *best = nullptr;
        for (const TWord &w : words)
            if (w.Text == first
                && (!best
                    || std::hypot(w.XMin - left, w.YMax - baseline)
                        < std::hypot(best->XMin - left, best->YMax - baseline)))
                best = &w;
        ASSERT_NE(best, nullptr) << t.Text.toStdString();
        const double pdfBaseline = best->YMin + (best->YMax - best->YMin) * 718.0 / 925.0;
        EXPECT_NEAR(best->XMin, left, halfMM) << t.Text.toStdString();
        EXPECT_NEAR(pdfBaseline, baseline, halfMM) << t.Text.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, labels);
}

TEST(PdfImage, PopplerDrawsTheInlineImage)
{
    // A 2 x 2 picture, red green / blue white, stretched over 200 x 200 pixels (150 points)
    // at 100, 100 pixels (75 points).
    QImage bitmap(2, 2, QImage::Format_RGB32);
    bitmap.setPixel(0, 0, qRgb(255, 0, 0));
    bitmap.setPixel(1, 0, qRgb(0, 255, 0));
    bitmap.setPixel(0, 1, qRgb(0, 0, 255));
    bitmap.setPixel(1, 1, qRgb(255, 255, 255));
    QTemporaryDir dir;
    for (const bool compressed : { true, false }) {
        const QByteArray bytes = pdftest::Export([&](TQRPDFDocumentFilter &f) {
            f.SetCompressionOn(compressed);
            f.AcceptImage(bitmap, 100, 100, QSize(200, 200));
        });
        const QString path = dir.filePath(u"image.pdf"_s);
        WriteBytes(path, bytes);
        const auto check = pdftest::Run(u"qpdf"_s, { u"--check"_s, path });
        EXPECT_EQ(check.ExitCode, 0) << check.Out.toStdString() << check.Err.toStdString();
        const auto render = pdftest::Run(u"pdftoppm"_s,
            { u"-r"_s, u"72"_s, u"-png"_s, u"-singlefile"_s, path, dir.filePath(u"page"_s) });
        ASSERT_EQ(render.ExitCode, 0) << render.Err.toStdString();
        const QImage png(dir.filePath(u"page.png"_s));
        ASSERT_FALSE(png.isNull());
        // Quarter centres at 75 + 37.5 and 75 + 112.5 points from the top left of the page.
        EXPECT_EQ(png.pixel(112, 112), qRgb(255, 0, 0)) << compressed;
        EXPECT_EQ(png.pixel(187, 112), qRgb(0, 255, 0)) << compressed;
        EXPECT_EQ(png.pixel(112, 187), qRgb(0, 0, 255)) << compressed;
        EXPECT_EQ(png.pixel(187, 187), qRgb(255, 255, 255)) << compressed;
        EXPECT_EQ(png.pixel(40, 40), qRgb(255, 255, 255)) << "outside the picture";
    }
}

} // namespace
