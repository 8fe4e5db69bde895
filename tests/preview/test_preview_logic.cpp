// The preview's arithmetic and rules that need no window: zoom, the go-to-page entry and
// the save dialog's file types and extensions.

#include "preview/QRPrev.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

constexpr long double A4Width = 2100, A4Length = 2970;

TEST(PreviewZoom, ToWidthAndToFit)
{
    struct Row {
        const char *why;
        int viewWidth, viewHeight;
        long double paperWidth, paperLength;
        int ppi;
        int width, fit;
    };
    const Row rows[] = {
        // X(2100) = 793.7 -> 794; 1900 / 794 * 90 = 215.37; 1000 / 1123 * 95 = 84.6.
        { "A4 in a 1900-pixel view", 1900, 1000, A4Width, A4Length, 96, 215, 85 },
        // 794 * 90 / 90 exactly: the page's own size at 90 % of the view.
        { "view of 794 pixels", 794, 5000, A4Width, A4Length, 96, 90, 95 },
        // Landscape A4: width 2970 -> 1123 pixels; the height limits the fit.
        { "landscape A4", 1200, 700, A4Length, A4Width, 96, 96, 84 },
        // 120 dpi: X(2100) = 992.1 -> 992.
        { "120 dpi screen", 1900, 1000, A4Width, A4Length, 120, 172, 68 },
        // No paper: 0, which the view refuses.
        { "no paper", 1900, 1000, 0, 0, 96, 0, 0 },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        EXPECT_EQ(QRZoomToWidthValue(r.viewWidth, r.paperWidth, r.ppi), r.width);
        EXPECT_EQ(
            QRZoomToFitValue(r.viewWidth, r.viewHeight, r.paperWidth, r.paperLength, r.ppi), r.fit);
    }
    EXPECT_FALSE(QRZoomAllowed(0));
    EXPECT_FALSE(QRZoomAllowed(1));
    EXPECT_TRUE(QRZoomAllowed(2));
    EXPECT_TRUE(QRZoomAllowed(2000));
    EXPECT_FALSE(QRZoomAllowed(2001));
}

TEST(PreviewZoom, PictureSizeAndPlace)
{
    // The paper at the zoom plus 4 pixels of frame and shadow.
    EXPECT_EQ(QRPreviewImageSize(A4Width, A4Length, 100, 96), QSize(798, 1127));
    // 215 %: 2100 / 100 * 215 = 4515 native -> 1706.46 -> 1706 pixels.
    EXPECT_EQ(QRPreviewImageSize(A4Width, A4Length, 215, 96).width(), 1706 + 4);
    // A5 turned on its side (2100 x 1480) at 200 %.
    EXPECT_EQ(QRPreviewImageSize(2100, 1480, 200, 96), QSize(1591, 1123));
    // Centred when narrower (integer halves), else at the left edge.
    EXPECT_EQ(QRPreviewImageOffset(1000, 798), 101);
    EXPECT_EQ(QRPreviewImageOffset(1000, 799), 100);
    EXPECT_EQ(QRPreviewImageOffset(798, 798), 0);
    EXPECT_EQ(QRPreviewImageOffset(500, 798), 0);
}

TEST(PreviewGotoPage, EntriesOfTheInputBox)
{
    struct Row {
        const char *entry;
        int pageCount, page;
        const char *why;
    };
    const Row rows[] = {
        { "2", 3, 2, "a plain number" },
        { "3", 3, 3, "the last page" },
        { "0", 3, 1, "below 1 selects page 1" },
        { "abc", 3, 1, "letters read as 0" },
        { "7", 3, 1, "above the count selects page 1" },
        { "2abc", 3, 2, "the number as far as it reads as one" },
        { "  2", 3, 2, "leading blanks are skipped" },
        { "+2", 3, 2, "a plus sign" },
        { "-2", 3, 1, "negative numbers are below 1" },
        { "", 3, 1, "an empty entry" },
        { "2.9", 3, 2, "a fraction stops at the point" },
        { "99999999999999999999", 3, 1, "an overflowing number is above the count" },
        { "1", 0, 1, "no pages at all" },
    };
    for (const Row &r : rows)
        EXPECT_EQ(QRGotoPageResult(QString::fromUtf8(r.entry), r.pageCount), r.page)
            << r.why << " (\"" << r.entry << "\")";
}

std::vector<TQRExportFilterClass> PdfAndXls()
{
    return { { u"PDF document"_s, u"PDF"_s, u"PDF document filter"_s, {} },
        { u"Excel spreadsheet"_s, u"XLS"_s, QString(), {} } };
}

TEST(PreviewSaveTypes, FileTypeListInOrder)
{
    const std::vector<TQRFileType> expected = {
        { u".QRP"_s, u"*.QRP"_s },
        { u"Velvana file(*.QRP)"_s, u"*.QRP"_s },
        { u"PDF document (*.PDF)"_s, u"*.PDF"_s },
        { u"Excel spreadsheet (*.XLS)"_s, u"*.XLS"_s },
    };
    EXPECT_EQ(QRSaveFileTypes(stQRP, PdfAndXls()), expected);
    // Qt reads the pattern from the last parenthesis; descriptions that carry it stay as
    // they are.
    EXPECT_EQ(QRFileDialogFilter(expected),
        u".QRP (*.QRP);;Velvana file(*.QRP);;PDF document (*.PDF);;Excel spreadsheet (*.XLS)"_s);
    EXPECT_EQ(QRSaveFileTypes(stHTML, {}).front(), (TQRFileType { u".HTML"_s, u"*.HTML"_s }));
}

TEST(PreviewSaveTypes, ExtensionAndDotRules)
{
    struct Row {
        const char *name;
        int entry;
        TQRSaveType type;
        const char *file, *ext;
        const char *why;
    };
    const Row rows[] = {
        { "/t/rapor", 2, stQRP, "/t/rapor.QRP", "QRP", "no extension, second type: .QRP" },
        { "/t/rapor", 1, stQRP, "/t/rapor.QRP", "QRP", "no extension, first type: the default's" },
        { "/t/rapor", 3, stQRP, "/t/rapor.PDF", "PDF", "third type: the first filter's" },
        { "/t/rapor", 4, stQRP, "/t/rapor.XLS", "XLS", "fourth type: the second filter's" },
        { "/t/rapor", 9, stQRP, "/t/rapor.QRP", "QRP", "a type beyond the filters: the default's" },
        { "/t/rapor", 1, stHTML, "/t/rapor.HTM", "HTM", ".HTML keeps three letters" },
        { "/t/rapor", 0, stQRP, "/t/rapor.QRP", "QRP", "no type reported: the first" },
        { "/t/rapor.pdf", 2, stQRP, "/t/rapor.pdf", "PDF", "the name's extension wins" },
        { "/t/rapor.Qrp", 3, stQRP, "/t/rapor.Qrp", "QRP", "compared in upper case" },
        { "/t/rapor.txt", 1, stQRP, "/t/rapor.txt", "TXT", ".txt names no format" },
        { "/t/rapor.html", 2, stQRP, "/t/rapor.html", "HTM", "dot rule on the name's extension" },
        { "/t/rapor.", 2, stQRP, "/t/rapor.", "", "a bare dot leaves nothing to save as" },
        { "/t/v1.2/rapor", 2, stQRP, "/t/v1.2/rapor.QRP", "QRP",
            "a dot in a folder is no extension" },
        { "C:\\v1.2\\rapor", 2, stQRP, "C:\\v1.2\\rapor.QRP", "QRP", "backslash folders too" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        const TQRSaveTarget t
            = QRSaveTargetFor(QString::fromUtf8(r.name), r.entry, r.type, PdfAndXls());
        EXPECT_EQ(t.FileName, QString::fromUtf8(r.file));
        EXPECT_EQ(t.Ext, QString::fromUtf8(r.ext));
    }
    EXPECT_EQ(QRDotRule(u".HTML"_s), u"HTM"_s);
    EXPECT_EQ(QRDotRule(u"HTML"_s), u"HTML"_s);
    EXPECT_EQ(QRDefaultSaveExtension(stASCII), u".TXT"_s);
}

} // namespace
