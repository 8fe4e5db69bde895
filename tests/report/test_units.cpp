#include "ReportTestSupport.h"

#include "platform/Rounding.h"
#include "report/QRError.h"
#include "report/QuickRpt.h"

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace
{

struct ConversionRow {
    const char *why;
    TQRUnit unit;
    bool horizontal;
    int resolution;
    int zoom;
    long double native;
    long double units;
};

} // namespace

TEST(Conversions, BothWays)
{
    // A character cell of 8 x 16 pixels at 96 dpi.
    const long double cellW = 8.0L * 254 / 96, cellH = 16.0L * 254 / 96;
    const ConversionRow rows[] = {
        { "a millimetre is ten native units", TQRUnit::MM, true, 96, 100, 100, 10 },
        { "an inch is 254 native units", TQRUnit::Inches, false, 96, 100, 127, 0.5L },
        { "400 px at 96 dpi is 105.83 mm", TQRUnit::Pixels, true, 96, 100, 400.0L * 254 / 96, 400 },
        { "10 mm is 37.795 px", TQRUnit::Pixels, true, 96, 100, 100, 100 / (254.0L / 96) },
        { "zoom scales pixel readings", TQRUnit::Pixels, true, 96, 200, 400.0L * 254 / 96, 800 },
        { "resolution scales pixel readings", TQRUnit::Pixels, false, 127, 100, 2, 1 },
        { "native is the stored value", TQRUnit::Native, true, 96, 100, 1234.5L, 1234.5L },
        { "characters across use the cell width", TQRUnit::Characters, true, 96, 100, 3 * cellW,
            3 },
        { "characters down use the cell height", TQRUnit::Characters, false, 96, 100, 3 * cellH,
            3 },
    };
    for (const auto &r : rows) {
        const long double cell = r.horizontal ? cellW : cellH;
        EXPECT_NATIVE(QRNativeToUnits(r.unit, r.native, r.resolution, r.zoom, cell), r.units)
            << r.why;
        EXPECT_NATIVE(QRUnitsToNative(r.unit, r.units, r.resolution, r.zoom, cell), r.native)
            << r.why;
    }
}

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    const struct {
        long double v;
        std::int64_t expected;
    } rows[] = { { 36.5L, 36 }, { 37.5L, 38 }, { 0.5L, 0 }, { -0.5L, 0 }, { -1.5L, -2 },
        { 2.4999L, 2 }, { 2.5001L, 3 } };
    for (const auto &r : rows)
        EXPECT_EQ(RoundHalfEven(r.v), r.expected) << static_cast<double>(r.v);
}

TEST_F(ReportGeometryTest, PixelBoundsRoundHalvesToEven)
{
    // At 127 dpi a pixel is exactly 2 native units, so 73 and 75 native are exact halves.
    SetQRScreenResolution(127);
    TQuickRep report(Metric);
    TQRBand band(&report);
    TQRPrintable label(&band);
    label.Size().ReadValues({ 73, 73, 75, 75 });
    EXPECT_EQ(label.Left(), 36);
    EXPECT_EQ(label.Height(), 36);
    EXPECT_EQ(label.Top(), 38);
    EXPECT_EQ(label.Width(), 38);
}

TEST_F(ReportGeometryTest, ResolutionIsTakenAtCreation)
{
    TQuickRep report(Metric);
    SetQRScreenResolution(120);
    TQuickRep later(Metric);
    EXPECT_EQ(report.Page().Resolution(), 96);
    EXPECT_EQ(later.Page().Resolution(), 120);
    EXPECT_EQ(later.Width(), 992); // 210 mm at 120 dpi = 992.1 px

    SetQRScreenResolution(0); // a broken screen must not divide by 0
    EXPECT_EQ(QRScreenResolution(), 96);
}

TEST_F(ReportGeometryTest, CharactersUseTheReportFont)
{
    TQuickRep report(Metric);
    int askedSize = 0;
    report.SetCharCellMetrics([&](const TQRFont &f, int) {
        askedSize = f.Size;
        return QSizeF(8, 16);
    });
    TQRFont font = report.Font();
    font.Size = -12; // stored negative: measured by its absolute value
    report.SetFont(font);
    report.SetUnits(TQRUnit::Characters);
    report.Page().SetTopMargin(2);
    EXPECT_EQ(askedSize, 12);
    EXPECT_NATIVE(report.Page().NativeValue(TQRPage::TopMarginIndex), 2 * 16.0L * 254 / 96);
    report.Page().SetLeftMargin(2);
    EXPECT_NATIVE(report.Page().NativeValue(TQRPage::LeftMarginIndex), 2 * 8.0L * 254 / 96);
    EXPECT_NATIVE(report.Page().LeftMargin(), 2);

    font.Size = 0;
    report.SetFont(font);
    EXPECT_THROW(report.Page().SetTopMargin(1), EQRError);
    EXPECT_THROW((void)report.Page().TopMargin(), EQRError);
}

TEST_F(ReportGeometryTest, NominalCharacterCell)
{
    // The default cell: designs stored in Characters depend on these exact figures.
    TQuickRep report(Metric);
    TQRFont font = report.Font();
    font.Size = 10;
    report.SetFont(font);
    report.SetUnits(TQRUnit::Characters);
    report.Page().SetLeftMargin(1);
    report.Page().SetTopMargin(1);
    EXPECT_NATIVE(report.Page().NativeValue(TQRPage::LeftMarginIndex), 80.0L / 10 / 2.54L * 10);
    EXPECT_NATIVE(report.Page().NativeValue(TQRPage::TopMarginIndex), 145.3L / 10 / 2.54L * 10);
}

TEST_F(ReportGeometryTest, CharacterCellGrowsWithTheFont)
{
    // The real measurement: a larger font must give a larger cell, so fewer characters.
    const TQRFont small { u"Arial"_s, 10 }, large { u"Arial"_s, 20 };
    const QSizeF a = QRMeasureCharCell(small, 96), b = QRMeasureCharCell(large, 96);
    ASSERT_GT(a.width(), 0);
    ASSERT_GT(a.height(), 0);
    EXPECT_GT(b.width(), a.width());
    EXPECT_GT(b.height(), a.height());
    EXPECT_TRUE(QRMeasureCharCell(TQRFont { u"Arial"_s, 0 }, 96).isEmpty());
}

TEST(ValuesText, RoundTripIsExact)
{
    const std::vector<long double> values
        = { 100, 2970, 1058.333333333333333333L, -0.1L, 0, 2759.604166666666666667L };
    const QString text = QRValuesToText(values);
    EXPECT_EQ(QRValuesFromText(text), values) << text.toStdString();
    EXPECT_EQ(QRValuesToText({ 100, 0.5L }), u"(100, 0.5)"_s);
    EXPECT_EQ(QRValuesToText({}), u"()"_s);
}

TEST(ValuesText, ReadsTheStoredForm)
{
    const auto v = QRValuesFromText(u" (100.0, 2970.0, 100.0,2100.0, 100.0, 100.0, 0.0) ");
    const std::vector<long double> expected = { 100, 2970, 100, 2100, 100, 100, 0 };
    EXPECT_EQ(v, expected);
    EXPECT_EQ(QRValuesFromText(u"(44.97916666666667, +1e2)")[1], 100.0L);
}

TEST(ValuesText, MalformedTextNamesTheOffset)
{
    const struct {
        const char16_t *text;
        const char *offset;
    } rows[] = {
        { u"", "offset 0" }, // nothing at all
        { u"100, 2970", "offset 0" }, // no parenthesis
        { u"(1,", "offset 3" }, // cut off after a comma
        { u"(1;2)", "offset 2" }, // wrong separator
        { u"(1, 2) x", "offset 7" }, // trailing text
        { u"(1, ,2)", "offset 4" }, // empty item
        { u"(1.2.3)", "offset 1" }, // not a number
        { u"(1e99999)", "offset 1" }, // overflows
        { u"(1,5)x", "offset 5" }, // a decimal comma makes two items, then junk
    };
    for (const auto &r : rows) {
        try {
            QRValuesFromText(QStringView(r.text));
            ADD_FAILURE() << "accepted " << QString::fromUtf16(r.text).toStdString();
        } catch (const EQRError &e) {
            EXPECT_TRUE(e.Message().contains(QString::fromLatin1(r.offset)))
                << QString::fromUtf16(r.text).toStdString() << ": " << e.Message().toStdString();
        }
    }
}
