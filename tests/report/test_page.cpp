#include "ReportTestSupport.h"

#include "platform/Rounding.h"
#include "report/QRError.h"
#include "report/QuickRpt.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace
{
const std::vector<long double> kInvoicePage = { 100, 2970, 100, 2100, 100, 100, 0 };
}

TEST_F(ReportGeometryTest, MetricCreationDefaults)
{
    TQuickRep report(Metric);
    const TQRPage &page = report.Page();
    EXPECT_EQ(page.Units(), TQRUnit::MM);
    EXPECT_EQ(report.Units(), TQRUnit::MM);
    EXPECT_EQ(page.PaperSize(), TQRPaperSize::Default); // no printer: Default, A4 kept
    EXPECT_EQ(page.WriteValues(), kInvoicePage);
    EXPECT_EQ(page.Columns(), 1);
    EXPECT_TRUE(page.Ruler());
    EXPECT_EQ(page.PrintOrder(), 0);
    EXPECT_EQ(page.Zoom(), 100);
    EXPECT_EQ(report.Zoom(), 100);
    EXPECT_TRUE(report.SnapToGrid());
    EXPECT_EQ(report.Font().Name, u"Arial"_s);
    EXPECT_EQ(report.Font().Size, 10);
    EXPECT_EQ(report.Width(), 794); // 793.7 px
    EXPECT_EQ(report.Height(), 1123);
}

TEST_F(ReportGeometryTest, USCreationDefaults)
{
    TQuickRep report(USMeasures, /*printerPaperCode*/ 1);
    const TQRPage &page = report.Page();
    EXPECT_EQ(page.Units(), TQRUnit::Inches);
    EXPECT_EQ(page.PaperSize(), TQRPaperSize::Letter);
    EXPECT_NATIVE(page.Width(), 8.5L);
    EXPECT_NATIVE(page.Length(), 11);
    for (int i : { TQRPage::TopMarginIndex, TQRPage::BottomMarginIndex, TQRPage::LeftMarginIndex,
             TQRPage::RightMarginIndex })
        EXPECT_NATIVE(page.NativeValue(i), 127) << i; // half an inch
}

TEST_F(ReportGeometryTest, PrinterPaperAtCreation)
{
    TQuickRep a5(Metric, 11);
    EXPECT_EQ(a5.Page().PaperSize(), TQRPaperSize::A5);
    EXPECT_NATIVE(a5.Page().NativeValue(TQRPage::WidthIndex), 1480);
    TQuickRep custom(Metric, 256);
    EXPECT_EQ(custom.Page().PaperSize(), TQRPaperSize::Custom);
    EXPECT_NATIVE(custom.Page().NativeValue(TQRPage::WidthIndex), 2100); // keeps A4
    TQuickRep unknown(Metric, 4711);
    EXPECT_EQ(unknown.Page().PaperSize(), TQRPaperSize::Default);
}

TEST_F(ReportGeometryTest, DimensionSettersByIndex)
{
    const struct {
        int index;
        const char *name;
        bool needsCustom; // the paper's own size moves only on a custom page
    } rows[] = {
        { TQRPage::BottomMarginIndex, "BottomMargin", false },
        { TQRPage::LengthIndex, "Length", true },
        { TQRPage::TopMarginIndex, "TopMargin", false },
        { TQRPage::WidthIndex, "Width", true },
        { TQRPage::LeftMarginIndex, "LeftMargin", false },
        { TQRPage::RightMarginIndex, "RightMargin", false },
        { TQRPage::ColumnSpaceIndex, "ColumnSpace", false },
    };
    for (const auto &r : rows) {
        TQuickRep report(Metric);
        TQRPage &page = report.Page();
        page.SetPaperSize(TQRPaperSize::A4);
        const long double before = page.NativeValue(r.index);
        page.SetValue(r.index, 12.5L); // millimetres
        EXPECT_NATIVE(page.NativeValue(r.index), r.needsCustom ? before : 125) << r.name;
        page.SetPaperSize(TQRPaperSize::Custom);
        page.SetValue(r.index, 12.5L);
        EXPECT_NATIVE(page.NativeValue(r.index), 125) << r.name;
        report.SetUnits(TQRUnit::Inches);
        EXPECT_NATIVE(page.Value(r.index), 125.0L / 254) << r.name;
    }
    TQuickRep report(Metric);
    EXPECT_THROW(report.Page().SetValue(7, 1), EQRError);
    EXPECT_THROW((void)report.Page().Value(-1), EQRError);
}

TEST_F(ReportGeometryTest, AxisOfEachDimension)
{
    // With cells of different width and height the axis shows in the Characters unit.
    TQuickRep report(Metric);
    report.SetCharCellMetrics([](const TQRFont &, int) { return QSizeF(10, 20); });
    report.Page().SetPaperSize(TQRPaperSize::Custom);
    report.SetUnits(TQRUnit::Characters);
    for (int i = 0; i < 7; ++i) {
        report.Page().SetValue(i, 1);
        const bool horizontal = i >= TQRPage::WidthIndex;
        EXPECT_NATIVE(report.Page().NativeValue(i), (horizontal ? 10.0L : 20.0L) * 254 / 96) << i;
    }
}

TEST_F(ReportGeometryTest, PaperSizeAndOrientation)
{
    const struct {
        const char *why;
        TQRPaperSize paper;
        TPrinterOrientation o;
        bool orientationFirst;
        long double width, length;
    } rows[] = {
        { "A5Trans portrait lies on its long side", TQRPaperSize::A5Trans, poPortrait, false, 2100,
            1480 },
        { "A5Trans turned", TQRPaperSize::A5Trans, poLandscape, false, 1480, 2100 },
        { "A4 landscape", TQRPaperSize::A4, poLandscape, false, 2970, 2100 },
        { "orientation first ends the same", TQRPaperSize::A4, poLandscape, true, 2970, 2100 },
        { "orientation first, A5Trans", TQRPaperSize::A5Trans, poLandscape, true, 1480, 2100 },
        { "Default keeps the A4 of creation", TQRPaperSize::Default, poPortrait, false, 2100,
            2970 },
    };
    for (const auto &r : rows) {
        TQuickRep report(Metric);
        report.SetUnits(TQRUnit::Inches);
        TQRPage &page = report.Page();
        if (r.orientationFirst)
            page.SetOrientation(r.o);
        page.SetPaperSize(r.paper);
        if (!r.orientationFirst)
            page.SetOrientation(r.o);
        EXPECT_EQ(page.PaperSize(), r.paper) << r.why;
        EXPECT_NATIVE(page.NativeValue(TQRPage::WidthIndex), r.width) << r.why;
        EXPECT_NATIVE(page.NativeValue(TQRPage::LengthIndex), r.length) << r.why;
        EXPECT_EQ(page.Units(), TQRUnit::Inches) << r.why; // the MM switch is undone
        EXPECT_EQ(report.PrinterSettings().Orientation(), r.o) << r.why;
        EXPECT_EQ(report.Width(), static_cast<int>(RoundHalfEven(r.width * 96 / 254))) << r.why;
    }
}

TEST_F(ReportGeometryTest, CustomPageSwapsOnlyOnARealTurn)
{
    TQuickRep report(Metric);
    TQRPage &page = report.Page();
    page.SetPaperSize(TQRPaperSize::Custom);
    page.SetWidth(100);
    page.SetLength(200);
    page.SetOrientation(poLandscape);
    EXPECT_NATIVE(page.Width(), 200);
    page.SetOrientation(poLandscape); // no change, no second swap
    EXPECT_NATIVE(page.Width(), 200);
    page.SetOrientation(poPortrait);
    EXPECT_NATIVE(page.Width(), 100);
    page.SetPaperSize(TQRPaperSize::Default); // keeps the custom size
    EXPECT_NATIVE(page.Length(), 200);
}

TEST_F(ReportGeometryTest, ValuesReadAndWrite)
{
    TQuickRep report(Metric);
    report.SetUnits(TQRUnit::Inches); // Values are never converted
    TQRPage &page = report.Page();
    page.SetPaperSize(TQRPaperSize::A4);
    const std::vector<long double> turned = { 50, 2100, 60, 2970, 70, 80, 5 };
    page.ReadValues(turned); // width and length too, though the paper is not Custom
    EXPECT_EQ(page.WriteValues(), turned);
    EXPECT_NATIVE(page.TopMargin(), 60.0L / 254);
    EXPECT_EQ(report.Width(), 1123); // bounds follow at once
    page.ReadValues(kInvoicePage);
    EXPECT_EQ(page.WriteValues(), kInvoicePage);

    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    EXPECT_THROW(page.ReadValues({ 100, 2970 }), EQRError);
    EXPECT_THROW(page.ReadValues({ 100, 2970, 100, 2100, 100, 100, 0, 0 }), EQRError);
    EXPECT_THROW(page.ReadValues({ 100, 2970, 100, nan, 100, 100, 0 }), EQRError);
    EXPECT_EQ(page.WriteValues(), kInvoicePage); // a rejected list changes nothing
}

TEST_F(ReportGeometryTest, ColumnsAndZoomIgnoreOutOfRange)
{
    TQuickRep report(Metric);
    for (int bad : { 0, -1, 1 })
        report.Page().SetColumns(bad);
    EXPECT_EQ(report.Page().Columns(), 1);
    report.Page().SetColumns(3);
    EXPECT_EQ(report.Page().Columns(), 3);

    for (int bad : { 0, 301, -5 })
        report.SetZoom(bad);
    EXPECT_EQ(report.Zoom(), 100);
    report.SetZoom(300);
    EXPECT_EQ(report.Zoom(), 300);
    EXPECT_EQ(report.Page().Zoom(), 300);
    EXPECT_EQ(report.Width(), 2381); // 793.7 px x 3
    EXPECT_EQ(report.Page().WriteValues(), kInvoicePage);
}
