// The PDF writer's file: whole-file comparison, the objects and their numbers, offsets and
// lengths, text lines (positions, escaping, code page), fonts, pages, graphics and errors.
#include "PdfTestSupport.h"
#include "platform/TextMetrics.h"
#include "preview/QRPDFFont.h"
#include "report/QRError.h"
#include "support/NoRootPrivileges.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QRawFont>

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstring>

using namespace Qt::StringLiterals;
using pdftest::Content;
using pdftest::Export;
using pdftest::Font;
using pdftest::Parse;

namespace
{

void Label(TQRPDFDocumentFilter &f, long double x, long double y, const QString &text,
    const TQRFont &font = Font(), TAlignment a = taLeftJustify)
{
    f.TextOut(x, y, font, Qt::white, a, text);
}

// The names of the /Differences of the first font, by code (2..255).
QList<QByteArray> Differences(const QByteArray &pdf)
{
    const qsizetype at = pdf.indexOf("/Differences [ 2 ");
    const qsizetype end = pdf.indexOf("]>>", at);
    QList<QByteArray> names = pdf.mid(at + 17, end - at - 17).split('/');
    names.removeFirst(); // before the first "/"
    names.prepend({});
    names.prepend({}); // codes 0 and 1 are not listed
    return names;
}

QList<int> Widths(const QByteArray &pdf)
{
    const qsizetype at = pdf.indexOf("/Widths [ \r\n") + 12;
    QList<int> w;
    for (const QByteArray &s : pdf.mid(at, pdf.indexOf(" ]", at) - at).split(' '))
        if (!s.isEmpty())
            w.append(s.toInt());
    return w;
}

// The one "(...) Tj" text of the content's n-th text line.
QByteArray ShownText(const QByteArray &pdf, int n = 0)
{
    qsizetype at = -1;
    for (int i = 0; i <= n; ++i)
        at = pdf.indexOf(" Tm (", at + 1);
    return pdf.mid(at + 5, pdf.indexOf(") Tj\r\n", at) - at - 5);
}

QString GoldenPath(const char *name)
{
    // From the source tree, wherever the build runs the test.
    return QString::fromUtf8(LEVANTA_SOURCE_DIR "/tests/preview/pdf/golden/")
        + QLatin1StringView(name);
}

TEST(PdfFilter, WholeFileOfASmallReport)
{
    // Two labels in one font (left and right aligned), a bold one, Turkish letters, a
    // parenthesis and the euro sign, with the preview's code page and a fixed clock. The
    // widths and metrics are Liberation Sans' (fonts-liberation2) as Arial's stand-in.
    const QByteArray pdf = Export([](TQRPDFDocumentFilter &f) {
        Label(f, 150, 120, u"Şişli (İstanbul)"_s);
        Label(f, 1900, 400, u"1.234,56 €"_s, Font(), taRightJustify);
        Label(f, 1050, 600, u"YEKÜN"_s, Font(u"Arial"_s, 12, true), taCenter);
    });
    const QString golden = GoldenPath("small_report.pdf");
    if (qEnvironmentVariableIsSet("LEVANTA_UPDATE_GOLDEN"))
        WriteBytes(golden, pdf);
    EXPECT_EQ(pdf, ReadBytes(golden)) << "rebuild the golden file with LEVANTA_UPDATE_GOLDEN=1 "
                                         "after checking the difference";
    EXPECT_TRUE(Parse(pdf).Problems.isEmpty()) << Parse(pdf).Problems.toStdString();
}

TEST(PdfFilter, OnePageInOneFontIsNumberedOneToNine)
{
    const QByteArray pdf = Export([](TQRPDFDocumentFilter &f) {
        Label(f, 100, 100, u"A"_s);
        Label(f, 100, 200, u"B"_s);
    });
    const auto p = Parse(pdf);
    EXPECT_TRUE(p.Problems.isEmpty()) << p.Problems.toStdString();
    ASSERT_EQ(p.Objects.size(), 9u);
    int expected = 1;
    qsizetype last = -1;
    for (const auto &[number, offset] : p.Objects) {
        EXPECT_EQ(number, expected++);
        EXPECT_GT(offset, last) << "objects are written in their numbers' order";
        last = offset;
    }
    EXPECT_EQ(p.Size, 10);
    EXPECT_TRUE(pdf.contains("4 0 obj\r\n<<\r\n/Type /Page\r\n"));
    EXPECT_TRUE(pdf.contains("6 0 obj\r\n<<\r\n/Type /Font\r\n"));
    EXPECT_TRUE(pdf.contains("7 0 obj\r\n<<\r\n/Type /FontDescriptor\r\n"));
    EXPECT_TRUE(pdf.contains("8 0 obj\r\n<<\r\n/CreationDate (20.05.2024 14:03:05)\r\n"));
    EXPECT_TRUE(pdf.contains("9 0 obj\r\n[/PDF /Text]\r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("trailer\r\n<<\r\n/Size 10\r\n/Root 1 0 R\r\n/Info 8 0 R\r\n>>"));
    // 100 native units are 37.795 -> 38 pixels at 96 dpi, 28.5 points; the baseline sits
    // one font size below the top: 841.89 - (28.5 + 10) and 841.89 - (57 + 10).
    EXPECT_EQ(Content(pdf),
        "BT\r\n"
        "0.00 0.00 0.00 rg\r\n/F00 10 Tf\r\n 1 0 0 1 28 803 Tm (A) Tj\r\n"
        "0.00 0.00 0.00 rg\r\n/F00 10 Tf\r\n 1 0 0 1 28 774 Tm (B) Tj\r\n"
        "ET\r\n");
}

TEST(PdfFilter, EmptyReportStillHasOnePage)
{
    for (const bool anyNewPage : { true, false }) {
        TQRPDFDocumentFilter f(u"x.pdf"_s);
        auto sink = std::make_unique<TQRMemorySink>();
        const TQRMemorySink *memory = sink.get();
        f.SetSink(std::move(sink));
        f.SetClock(pdftest::FixedNow);
        f.Start(2100, 2970, Font());
        if (anyNewPage)
            f.NewPage(); // the first is ignored
        f.Finish();
        const QByteArray pdf = memory->Bytes();
        const auto p = Parse(pdf);
        EXPECT_TRUE(p.Problems.isEmpty()) << p.Problems.toStdString();
        EXPECT_EQ(f.PageNumber(), 1);
        EXPECT_TRUE(pdf.contains("/Count 1\r\n/Kids [4 0 R]\r\n/MediaBox [0 0 595 841]\r\n"));
        EXPECT_TRUE(pdf.contains("<< /Length 8 >>\r\nstream\r\nBT\r\nET\r\n\r\nendstream"));
        EXPECT_TRUE(pdf.contains("/Font << \r\n  >>\r\n/ProcSet 7 0 R\r\n"));
        EXPECT_EQ(p.Size, 8) << "catalog, outlines, pages, page, content, info, procedure set";
    }
}

TEST(PdfFilter, PagesAndTheirObjects)
{
    const QByteArray pdf = Export(
        [](TQRPDFDocumentFilter &f) {
            Label(f, 100, 100, u"one"_s);
            f.EndPage();
            f.NewPage();
            f.EndPage();
            f.NewPage(); // an empty second page, then a third
            Label(f, 100, 100, u"three"_s, Font(u"Arial"_s, 10, true));
        },
        u"8859-9"_s, 1480, 2100); // A5
    const auto p = Parse(pdf);
    EXPECT_TRUE(p.Problems.isEmpty()) << p.Problems.toStdString();
    EXPECT_TRUE(pdf.contains("/Count 3\r\n/Kids [4 0 R 6 0 R 8 0 R]\r\n/MediaBox [0 0 419 595]"));
    EXPECT_TRUE(pdf.contains("/Contents 9 0 R\r\n"));
    EXPECT_TRUE(pdf.contains("  /F00 10 0 R \r\n  /F01 12 0 R \r\n"));
    EXPECT_TRUE(pdf.contains("/ProcSet 15 0 R"));
    EXPECT_EQ(p.Size, 16);
    EXPECT_TRUE(Content(pdf, 1).contains("(one)"));
    EXPECT_EQ(Content(pdf, 2), "BT\r\nET\r\n");
    EXPECT_TRUE(Content(pdf, 3).contains("/F01 10 Tf\r\n"));
}

TEST(PdfFilter, Escaping)
{
    const struct {
        QString Text;
        QByteArray Shown;
        const char *Why;
    } rows[] = {
        { u"a(b)c"_s, "a\\(b\\)c", "parentheses would end the string" },
        { u"C:\\fatura"_s, "C:\\\\fatura", "a backslash would start an escape" },
        { u"((x))"_s, "\\(\\(x\\)\\)", "each one is escaped" },
        { u"5 €"_s, "5 \\200", "the euro sign as octal 200" },
        { u"%PDF <<>> /Name"_s, "%PDF <<>> /Name", "nothing else is special in a string" },
    };
    for (const auto &r : rows) {
        const QByteArray pdf = Export([&](TQRPDFDocumentFilter &f) { Label(f, 0, 0, r.Text); });
        EXPECT_EQ(ShownText(pdf), r.Shown) << r.Why;
        EXPECT_TRUE(Parse(pdf).Problems.isEmpty()) << r.Why;
    }
}

TEST(PdfFilter, FontsAreSharedByKey)
{
    const struct {
        std::vector<TQRFont> Labels;
        QStringList BaseFonts;
        QByteArray Resources; // per label
        const char *Why;
    } rows[] = {
        { { Font(), Font() }, { u"Arial"_s }, "00 00", "two labels in one font share it" },
        { { Font(), Font(u"Arial"_s, 10, true) }, { u"Arial"_s, u"Arial,Bold"_s }, "00 01",
            "a bold label adds a font" },
        { { Font(u"Arial"_s, 10, false, true), Font(u"Arial"_s, 10, true, true) },
            { u"Arial,Italic"_s, u"Arial,BoldItalic"_s }, "00 01", "italic, bold italic" },
        { { Font(), Font(u"Arial"_s, 14) }, { u"Arial"_s }, "00 00",
            "the size is no part of a font" },
        { { Font(), Font(u" Arial "_s) }, { u"Arial"_s }, "00 00", "names are trimmed" },
        { { Font(), Font(u"Arial"_s, 10, false, false, 162) }, { u"Arial"_s, u"Arial"_s }, "00 01",
            "another character set is another font" },
        { { Font(u"Times New Roman"_s) }, { u"TimesNewRoman"_s }, "00",
            "the base font name has no blanks" },
    };
    for (const auto &r : rows) {
        QByteArray used;
        const QByteArray pdf = Export([&](TQRPDFDocumentFilter &f) {
            for (const TQRFont &font : r.Labels)
                Label(f, 0, 0, u"x"_s, font);
        });
        const QByteArray content = Content(pdf);
        qsizetype at = -1;
        while ((at = content.indexOf("\r\n/F", at + 1)) >= 0)
            used += (used.isEmpty() ? "" : " ") + content.mid(at + 4, 2);
        EXPECT_EQ(used, r.Resources) << r.Why;
        QStringList bases;
        at = -1;
        while ((at = pdf.indexOf("/BaseFont /", at + 1)) >= 0)
            bases << QString::fromLatin1(pdf.mid(at + 11, pdf.indexOf('\r', at) - at - 11));
        EXPECT_EQ(bases, r.BaseFonts) << r.Why;
        EXPECT_TRUE(Parse(pdf).Problems.isEmpty()) << r.Why;
    }
}

TEST(PdfFilter, LinePositions)
{
    const TQRFont font = Font(u"Arial"_s, 10);
    const int width = ScreenTextMetrics(96)->TextExtent(font.ToCanvasFont(), u"1.234,56"_s).width();
    const auto pt = [](long double px) {
        return static_cast<int>(px / (96.0L / 254 * 10) * 2.8346456692913385826L);
    };
    const struct {
        long double X, Y;
        TAlignment Align;
        int Dpi;
        QByteArray Tm;
        const char *Why;
    } rows[] = {
        { 0, 0, taLeftJustify, 96, " 1 0 0 1 0 831 Tm", "top left: baseline 10 points down" },
        { 1000, 1000, taLeftJustify, 96, " 1 0 0 1 283 548 Tm", "378 pixels are 283.46 points" },
        { 1000, 0, taRightJustify, 96,
            " 1 0 0 1 " + QByteArray::number(pt(378 - width)) + " 831 Tm",
            "right: x is the right edge less the width" },
        { 1000, 0, taCenter, 96, " 1 0 0 1 " + QByteArray::number(pt(378 - width / 2)) + " 831 Tm",
            "centre: less half the width (whole pixels)" },
        { 1000, 1000, taLeftJustify, 120, " 1 0 0 1 283 548 Tm",
            "another screen resolution lands on the same points" },
    };
    for (const auto &r : rows) {
        TQRPDFDocumentFilter f(u"x.pdf"_s);
        auto sink = std::make_unique<TQRMemorySink>();
        const TQRMemorySink *memory = sink.get();
        f.SetSink(std::move(sink));
        f.SetPixelScale(TPDFPixelScale::Screen(r.Dpi));
        f.Start(2100, 2970, font);
        Label(f, r.X, r.Y, u"1.234,56"_s, font, r.Align);
        f.Finish();
        EXPECT_TRUE(memory->Bytes().contains(r.Tm + " (1.234,56) Tj")) << r.Why;
    }
}

TEST(PdfFilter, CodePageOfTheBytesIsTheFontsEncoding)
{
    const QString turkish = u"şğıİŞĞ"_s;
    const struct {
        QString Codepage;
        int Charset;
        QByteArray Shown;
        QByteArray At254, At221, At128;
        const char *Why;
    } rows[] = {
        { u"8859-9"_s, 1, "\xFE\xF0\xFD\xDD\xDE\xD0", "scedilla", "Idotaccent", "Euro",
            "the preview's setting writes Turkish letters and names them; code 128 is the euro" },
        { u"1254"_s, 162, "\xFE\xF0\xFD\xDD\xDE\xD0", "scedilla", "Idotaccent", "Euro",
            "code page 1254 with a Turkish font" },
        { u"1254"_s, 1, "\xFE\xF0\xFD\xDD\xDE\xD0", "scedilla", "Idotaccent", "Euro",
            "the bytes' code page decides, not the font's character set" },
        { u"1252"_s, 162, "??????", "thorn", "Yacute", "Euro", "1252 cannot write them" },
    };
    for (const auto &r : rows) {
        const QByteArray pdf = Export(
            [&](TQRPDFDocumentFilter &f) {
                Label(f, 0, 0, turkish, Font(u"Arial"_s, 10, false, false, r.Charset));
            },
            r.Codepage);
        EXPECT_EQ(ShownText(pdf), r.Shown) << r.Why;
        const QList<QByteArray> names = Differences(pdf);
        ASSERT_EQ(names.size(), 256) << r.Why;
        EXPECT_EQ(names[254], r.At254) << r.Why;
        EXPECT_EQ(names[221], r.At221) << r.Why;
        EXPECT_EQ(names[128], r.At128) << r.Why;
        EXPECT_EQ(names[65], "A");
        EXPECT_EQ(names[9], "space") << "a control character has no glyph";
    }
}

TEST(PdfFilter, WidthsAreTheFontsAdvancesOfTheCodesCharacters)
{
    const QByteArray pdf = Export([](TQRPDFDocumentFilter &f) { Label(f, 0, 0, u"ş"_s); });
    const QList<int> widths = Widths(pdf);
    ASSERT_EQ(widths.size(), 256);
    // Liberation Sans' advances in its 2048 design units, written in 1/1000 em: a reader
    // that places a right-aligned amount by them must end where the page ends it.
    const struct {
        int Code, Width;
        const char *Why;
    } rows[] = {
        { u'0', 556, "1139 units: a digit, which right-aligned amounts are made of" },
        { u'A', 667, "1366 units" },
        { u'i', 222, "455 units" },
        { 0xFE, 500, "code 254 is ş (1024 units) in ISO-8859-9, not þ (1139)" },
        { 0xDD, 278, "İ, 569 units" },
    };
    for (const auto &r : rows)
        EXPECT_EQ(widths[r.Code], r.Width) << r.Why;
}

TEST(PdfFilter, FontMetricsFromTheFontFile)
{
    // Liberation Sans: 2048 units per em, typographic ascender 1491 and descender -431 (728
    // and -210 in 1/1000 em), family class 8 (sans serif) -> flags 32, head bbox as stored.
    std::array<char32_t, 256> codes {};
    for (int c = 0; c < 256; ++c)
        codes[c] = static_cast<char32_t>(c);
    const TPDFFontMetrics m = PDFFontMetrics(u"Arial"_s, false, false, codes);
    EXPECT_EQ(m.Ascent, 728);
    EXPECT_EQ(m.Descent, -210);
    EXPECT_EQ(m.Flags, 32);
    EXPECT_EQ(m.ItalicAngle, 0);
    EXPECT_LT(m.FontBBox[0], 0);
    EXPECT_GT(m.FontBBox[2], 2048) << "design units, not scaled";
    EXPECT_EQ(PDFFontMetrics(u"Arial"_s, false, true, codes).ItalicAngle, -12);

    const struct {
        int FamilyClass, Flags;
    } flags[] = { { 0, 4 }, { 8, 32 }, { 10, 40 }, { 12, 4 }, { 1, 34 }, { 255, 34 } };
    for (const auto &r : flags)
        EXPECT_EQ(PDFFontFlags(r.FamilyClass), r.Flags) << r.FamilyClass;
}

TEST(PdfFilter, RightToLeftReversesEachText)
{
    const QByteArray pdf = Export([](TQRPDFDocumentFilter &f) {
        f.SetBiDiMode(bdRightToLeft);
        Label(f, 0, 0, u"abc(1)"_s);
    });
    EXPECT_EQ(ShownText(pdf), "\\)1\\(cba") << "reversed, then escaped";
}

TEST(PdfFilter, NumbersHaveADecimalPointInATurkishProcess)
{
    const char *saved = std::setlocale(LC_ALL, nullptr);
    const std::string restore = saved ? saved : "C";
    const bool turkish = std::setlocale(LC_ALL, "tr_TR.UTF-8") != nullptr;
    const QByteArray pdf = Export([](TQRPDFDocumentFilter &f) {
        TQRFont grey = Font();
        grey.Color = QColor(128, 64, 255);
        Label(f, 0, 0, u"x"_s, grey);
        TPDFShapeControl box;
        box.PenWidth = 2;
        f.AcceptShape(box, 10, 10);
    });
    std::setlocale(LC_ALL, restore.c_str());
    EXPECT_TRUE(turkish) << "tr_TR.UTF-8 is generated by scripts/deps.sh";
    EXPECT_TRUE(pdf.contains("\r\n0.50 0.25 1.00 rg\r\n"));
    EXPECT_TRUE(pdf.contains("\r\n1.500000 w\r\n"));
}

TEST(PdfFilter, ShapesBecomeGraphicsLinesUnderTheText)
{
    // 96 dpi: 38 pixels are 28.5 points, 76 pixels 57 points; the page is 841.89 high.
    const struct {
        TPDFShapeType Shape;
        bool BrushClear, PenClear;
        QByteArray Lines;
        const char *Why;
    } rows[] = {
        { S_BOX, false, true, "0.750000 w\r\n1.00 1.00 1.00 rg\r\n28 756 57 57 re f\r\n",
            "a filled box, no outline" },
        { S_BOX, true, false,
            "0.750000 w\r\n1.00 0.00 0.00 RG\r\n28 756 57 57 re s\r\n"
            "0.750000 w\r\n1.00 0.00 0.00 RG\r\n28 756 57 57 re s\r\n",
            "a clear brush still adds the item once, the pen once more" },
        { S_HLINE, true, true, " 1 w\r\n1.00 0.00 0.00 RG\r\n28 784 m 85 784 l s\r\n",
            "through the middle" },
        { S_VLINE, true, true, " 1 w\r\n1.00 0.00 0.00 RG\r\n57 756 m 57 813 l s\r\n", "" },
        { S_TOPBOTTOM, true, true,
            " 1 w\r\n1.00 0.00 0.00 RG\r\n28 813 m 85 813 l s\r\n28 756 m 85 756 l s\r\n", "" },
        { S_LEFTRIGHT, true, true,
            " 1 w\r\n1.00 0.00 0.00 RG\r\n28 756 m 28 813 l s\r\n85 756 m 85 813 l s\r\n", "" },
        { S_RIGHTDIAG, true, true, " 1 w\r\n1.00 0.00 0.00 RG\r\n28 813 m 85 756 l s\r\n", "" },
        { S_LEFTDIAG, true, true, " 1 w\r\n1.00 0.00 0.00 RG\r\n28 756 m 85 813 l s\r\n", "" },
        { S_OBLIQUE, true, true, "", "a rounded rectangle draws nothing" },
        { S_CIRCLE, true, true,
            " 1 w\r\n1.00 0.00 0.00 RG\r\n  57.0  813.4 m\r\n"
            "72.7  813.4   85.5  800.6   85.5  784.9 c\r\n"
            "85.5  769.1   72.7  756.4   57.0  756.4 c\r\n"
            "41.3  756.4   28.5  769.1   28.5  784.9 c\r\n"
            "28.5  800.6   41.3  813.4   57.0  813.4 c s\r\n",
            "four curves from the top round the box" },
    };
    for (const auto &r : rows) {
        const QByteArray pdf = Export([&](TQRPDFDocumentFilter &f) {
            Label(f, 0, 0, u"x"_s);
            TPDFShapeControl s;
            s.Shape = r.Shape;
            s.Width = s.Height = 76;
            s.PenColor = Qt::red;
            s.PenClear = r.PenClear;
            s.BrushClear = r.BrushClear;
            f.AcceptShape(s, 38, 38);
        });
        EXPECT_EQ(Content(pdf).left(Content(pdf).indexOf("BT\r\n")), r.Lines) << r.Why;
        EXPECT_TRUE(Parse(pdf).Problems.isEmpty()) << r.Why;
    }
    const QByteArray textFirst = Export([](TQRPDFDocumentFilter &f) {
        f.SetTextOnTop(false);
        TPDFShapeControl s;
        s.Shape = S_HLINE;
        f.AcceptShape(s, 0, 0);
    });
    EXPECT_TRUE(Content(textFirst).startsWith("BT\r\nET\r\n 1 w\r\n"));
    EXPECT_TRUE(Parse(textFirst).Problems.isEmpty());
}

TEST(PdfFilter, ImagesAreInlineLZWAndASCII85)
{
    QImage bitmap(3, 2, QImage::Format_RGB32);
    bitmap.fill(QColor(10, 20, 30));
    for (const bool compressed : { true, false }) {
        const QByteArray pdf = Export([&](TQRPDFDocumentFilter &f) {
            f.SetCompressionOn(compressed);
            f.AcceptImage(bitmap, 0, 0, QSize(6, 4));
            f.AcceptImage(QImage(), 0, 0, QSize(6, 4)); // no picture: nothing
        });
        QByteArray pixels;
        for (int i = 0; i < 6; ++i)
            pixels += QByteArray("\x0A\x14\x1E", 3);
        const QByteArray data = PDFASCII85Encode(compressed ? PDFLZWEncode(pixels) : pixels);
        // 3 x 2 pixels at 96 dpi are 2.25 x 1.5 points, drawn twice as large.
        EXPECT_EQ(Content(pdf),
            "q 4 0 0 3 0 838 cm\r\nBI\r\n/Width 3\r\n/Height 2\r\n"
            "/BitsPerComponent 8\r\n/ColorSpace /DeviceRGB\r\n/Filter ["
                + QByteArray(compressed ? "/ASCII85Decode /LZWDecode" : "/ASCII85Decode")
                + "]\r\nID\r\n" + data + "\r\nEI\r\nQ\r\nBT\r\nET\r\n");
        EXPECT_TRUE(Parse(pdf).Problems.isEmpty());
    }
}

TEST(PdfFilter, Failures)
{
    TQRPDFDocumentFilter f(u"x.pdf"_s);
    f.SetSink(std::make_unique<TQRMemorySink>());
    f.Start(2100, 2970, Font());
    try {
        f.AddItem(TPDFItemRec {});
        ADD_FAILURE() << "an invalid item must raise";
    } catch (const EQRError &e) {
        EXPECT_EQ(e.Message(), u"Internal error: IT_INVALID"_s);
    }

    TQRPDFDocumentFilter g(u"x.pdf"_s);
    auto sink = std::make_unique<TQRMemorySink>();
    const TQRMemorySink *memory = sink.get();
    g.SetSink(std::move(sink));
    g.Start(2100, 2970, Font());
    g.AddCustomWidths(u"Arial"_s, u"500 500 500"_s);
    Label(g, 0, 0, u"x"_s);
    try {
        g.Finish();
        ADD_FAILURE() << "too few custom widths must raise";
    } catch (const EQRError &e) {
        EXPECT_EQ(e.Message(), u"Not enough Custom widths (3 < 256) for font \"Arial\"  "_s);
    }
    EXPECT_TRUE(memory->Bytes().isEmpty()) << "nothing is written when the export stops";
    EXPECT_FALSE(memory->Committed());
}

TEST(PdfFilter, CustomWidthsEncodingAndDocumentInfo)
{
    QString widths;
    for (int i = 0; i < 260; ++i)
        widths += QString::number(i) + u' ';
    const QByteArray pdf = Export([&](TQRPDFDocumentFilter &f) {
        f.AddCustomWidths(u"Arial"_s, widths);
        f.AddCustomEncoding(u"Arial"_s, u"32 /space 65 /A"_s);
        f.SetDocumentInfo(u"Levanta"_s, u"Ş. Öz"_s, u"Fatura (1)"_s, u"Başlık"_s);
        f.SetDateTimeFormat(u"yyyy-MM-dd"_s, u"HH.mm"_s);
        Label(f, 0, 0, u"x"_s);
    });
    const QList<int> w = Widths(pdf);
    ASSERT_EQ(w.size(), 256) << "the first 256 of the given widths";
    EXPECT_EQ(w[255], 255);
    EXPECT_TRUE(pdf.contains("/Encoding  <</Type/Encoding /Differences [ 32 /space 65 /A ]>>\r\n"));
    EXPECT_TRUE(pdf.contains("/CreationDate (2024-05-20 14.03)\r\n"));
    EXPECT_TRUE(pdf.contains("/Subject (Fatura \\(1\\) )\r\n")) << "escaped like text";
    EXPECT_TRUE(
        pdf.contains("/Creator (Levanta)\r\n/Title (Ba\xFEl\xFDk)\r\n/Author (\xDE. \xD6z)\r\n"));
    EXPECT_TRUE(Parse(pdf).Problems.isEmpty());
}

TEST(PdfFilter, FileIsReplacedWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"fatura.pdf"_s);
    const auto exportTo = [](const QString &file) {
        TQRPDFDocumentFilter f(file);
        f.SetClock(pdftest::FixedNow);
        f.Start(2100, 2970, Font());
        Label(f, 0, 0, u"x"_s);
        f.Finish();
    };
    exportTo(path);
    EXPECT_TRUE(ReadBytes(path).startsWith("%PDF-1.3\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { u"fatura.pdf"_s })
        << "no file is left aside";

    // A full disk, as the file size limit makes it: a file smaller than Qt's write buffer
    // was once put in place cut short, with no error.
    WriteBytes(path, "old");
    QString message;
    try {
        const TFileSizeLimit full(1024);
        exportTo(path);
    } catch (const EPlatformError &e) {
        message = e.Message();
    }
    EXPECT_TRUE(message.startsWith(u"Unable to write to "_s + path)) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
        << "the system's cause: " << message.toStdString();
    EXPECT_EQ(ReadBytes(path), "old");

    TNoRootPrivileges guard;
    ASSERT_TRUE(guard.Active());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_THROW(exportTo(path), EPlatformError) << "a read-only folder";
    EXPECT_THROW(exportTo(dir.filePath(u"new.pdf"_s)), EPlatformError);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadBytes(path), "old") << "the previous file is kept";
    EXPECT_FALSE(QFile::exists(dir.filePath(u"new.pdf"_s)));
}

TEST(PdfFilter, ComponentHandsItsCodePageToItsFilters)
{
    // Registration in the filter library is tested where the library is linked.
    TQRPDFFilter component;
    component.SetCodepage(u"8859-9"_s);
    const auto filter = component.CreateFilter(u"a.pdf"_s);
    EXPECT_EQ(filter->Codepage(), u"8859-9"_s);
    EXPECT_EQ(filter->FileName(), u"a.pdf"_s);
    EXPECT_EQ(TQRPDFFilter::FilterName, u"PDF document"_s);
}

} // namespace
