// The generation run and the run printer: pages recorded for the preview (read back from
// their EMF records) and pages sent to a recording printing double.

#include "ReportTestSupport.h"
#include "support/EmfText.h"
#include "support/FakePrinting.h"

#include "platform/Errors.h"
#include "report/QRCtrls.h"
#include "report/QRError.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

class RunTest : public ReportGeometryTest
{
protected:
    void SetUp() override
    {
        ReportGeometryTest::SetUp();
        report = std::make_unique<TQuickRep>(Metric);
        report->SetTextMetrics(ScreenTextMetrics(96));
        report->SetShowProgress(false);
        title = new TQRBand(report.get());
        title->SetBandType(rbTitle);
        title->SetHeight(400);
    }

    TQRLabel *AddLabel(TQRCustomBand *band, const QString &caption, int left, int top,
        TAlignment align = taLeftJustify)
    {
        auto *label = new TQRLabel(band);
        label->SetTransparent(true);
        if (align != taLeftJustify) {
            label->SetAutoSize(false);
            label->SetAlignment(align);
            label->SetBounds(left, top, 90, 17);
        } else {
            label->SetBounds(left, top, 10, 17);
        }
        label->SetCaption(caption);
        return label;
    }

    std::vector<emftext::TPage> Pages(TQRPrinter &printer)
    {
        std::vector<emftext::TPage> pages;
        for (int i = 1; i <= printer.PageCount(); ++i)
            pages.push_back(emftext::Read(printer.GetPage(i).value_or(QByteArray())));
        return pages;
    }

    std::unique_ptr<TQuickRep> report;
    TQRBand *title = nullptr;
};

// A pixel of the 96-dpi design surface placed on the paper: the margin (native) plus the
// pixel converted to native, back to page pixels.
int OnPage(long double marginNative, int pixels)
{
    return static_cast<int>(std::nearbyintl((marginNative + pixels * 254.0L / 96) * 96 / 254));
}

} // namespace

TEST_F(RunTest, OnePageWithEveryLabelAtItsPlaceEvenWithoutAPrinter)
{
    TPrintingScope noPrinters(nullptr);
    AddLabel(title, u"Sayın Müşteri"_s, 100, 50);
    AddLabel(title, u"1.234,50"_s, 200, 80, taRightJustify);
    AddLabel(title, QString(), 10, 10);

    report->Prepare();
    ASSERT_NE(report->QRPrinter(), nullptr);
    TQRPrinter &printer = *report->QRPrinter();
    ASSERT_EQ(printer.PageCount(), 1);
    const emftext::TPage page = Pages(printer)[0];
    ASSERT_EQ(page.Texts.size(), 2u) << "an empty caption draws nothing";

    const emftext::TText *name = page.Find(u"Sayın Müşteri"_s);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->At, QPoint(OnPage(100, 100), OnPage(100, 50)));
    EXPECT_EQ(name->Align, 0u) << "left edge at the point, top of the cell";

    const emftext::TText *amount = page.Find(u"1.234,50"_s);
    ASSERT_TRUE(amount);
    EXPECT_EQ(amount->At, QPoint(OnPage(100, 290), OnPage(100, 80)))
        << "a number ends at the right edge of its 90-pixel box";
    EXPECT_EQ(amount->Align, 2u);
    EXPECT_EQ(page.Device, QSize(794, 1123)) << "an A4 page at 96 dpi";
}

TEST_F(RunTest, PrintIfEmptyOffGivesNoPage)
{
    AddLabel(title, u"x"_s, 0, 0);
    report->SetPrintIfEmpty(false);
    report->Prepare();
    EXPECT_EQ(report->QRPrinter()->PageCount(), 0);
}

TEST_F(RunTest, ATitleTallerThanThePageStillMakesExactlyOnePage)
{
    title->SetForceNewPage(true); // ignored for a title band
    title->SetHeight(3000);
    AddLabel(title, u"üst"_s, 0, 0);
    AddLabel(title, u"alt"_s, 0, 2900);
    report->Prepare();
    EXPECT_EQ(report->QRPrinter()->PageCount(), 1);
}

TEST_F(RunTest, MarginsWiderThanThePageAreZeroForTheRunOnlyAndUnitsComeBack)
{
    report->Page().SetLeftMargin(150);
    report->Page().SetRightMargin(100);
    AddLabel(title, u"kenar"_s, 20, 0);
    report->Prepare();
    const emftext::TPage page = Pages(*report->QRPrinter())[0];
    const emftext::TText *t = page.Find(u"kenar"_s);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->At.x(), OnPage(0, 20));
    EXPECT_EQ(report->Units(), TQRUnit::MM);
    EXPECT_NATIVE(report->Page().LeftMargin(), 150);
    EXPECT_NATIVE(report->Page().RightMargin(), 100);
}

TEST_F(RunTest, PageHeaderAndFooterFollowTheReportOptions)
{
    auto *detail = new TQRBand(report.get());
    detail->SetBandType(rbDetail);
    detail->SetForceNewPage(true);
    auto *summary = new TQRBand(report.get());
    summary->SetBandType(rbSummary);
    summary->SetForceNewPage(true);
    auto *header = new TQRBand(report.get());
    header->SetBandType(rbPageHeader);
    header->SetHeight(30);
    AddLabel(header, u"H"_s, 0, 0);
    auto *footer = new TQRBand(report.get());
    footer->SetBandType(rbPageFooter);
    footer->SetHeight(30);
    AddLabel(footer, u"F"_s, 0, 0);
    report->SetOption(FirstPageHeader, false);
    report->SetOption(LastPageFooter, false);

    report->Prepare();
    const auto pages = Pages(*report->QRPrinter());
    ASSERT_EQ(pages.size(), 3u);
    const bool header1 = pages[0].Find(u"H"_s), header2 = pages[1].Find(u"H"_s),
               header3 = pages[2].Find(u"H"_s);
    EXPECT_FALSE(header1);
    EXPECT_TRUE(header2);
    EXPECT_TRUE(header3);
    const bool footer1 = pages[0].Find(u"F"_s), footer2 = pages[1].Find(u"F"_s),
               footer3 = pages[2].Find(u"F"_s);
    EXPECT_TRUE(footer1);
    EXPECT_TRUE(footer2);
    EXPECT_FALSE(footer3);
}

TEST_F(RunTest, OpaqueLabelsFillTheirBoxTransparentOnesDoNot)
{
    TQRLabel *opaque = AddLabel(title, u"dolu"_s, 10, 10);
    opaque->SetTransparent(false);
    opaque->SetColor(QColor(255, 255, 0));
    TQRLabel *clear = AddLabel(title, u"boş"_s, 10, 100);
    clear->SetColor(QColor(0, 255, 255));
    report->Prepare();
    const emftext::TPage page = Pages(*report->QRPrinter())[0];
    int yellow = 0, cyan = 0;
    for (const emftext::TFill &f : page.Fills) {
        yellow += f.Color == qRgb(255, 255, 0);
        cyan += f.Color == qRgb(0, 255, 255);
    }
    EXPECT_EQ(yellow, 1);
    EXPECT_EQ(cyan, 0);
}

TEST_F(RunTest, FrameWidthZeroDrawsNothingAndMinusOneOnePixel)
{
    struct {
        int Width;
        int Thickness; // -1: no line
    } cases[] = {
        { 0, -1 }, // no line at all
        { -1, 1 }, // one device pixel whatever the resolution
        { 2, 3 }, // 2 points at 96 dpi: 2.67 pixels
    };
    for (const auto &c : cases) {
        report = std::make_unique<TQuickRep>(Metric);
        report->SetTextMetrics(ScreenTextMetrics(96));
        title = new TQRBand(report.get());
        title->SetHeight(100);
        title->Frame().SetDrawTop(true);
        title->Frame().SetColor(QColor(255, 0, 0));
        title->Frame().SetWidth(c.Width);
        report->Prepare();
        const emftext::TPage page = Pages(*report->QRPrinter())[0];
        std::vector<emftext::TFill> red;
        for (const emftext::TFill &f : page.Fills)
            if (f.Color == qRgb(255, 0, 0))
                red.push_back(f);
        if (c.Thickness < 0) {
            EXPECT_TRUE(red.empty()) << "width " << c.Width;
        } else {
            ASSERT_EQ(red.size(), 1u) << "width " << c.Width;
            EXPECT_EQ(red[0].Box.height(), c.Thickness) << "width " << c.Width;
        }
    }
}

// --- The run printer towards a device --------------------------------------------------------

class PrinterRunTest : public RunTest
{
protected:
    void SetUp() override
    {
        RunTest::SetUp();
        printing = TFakePrinting::Standard();
        scope = std::make_unique<TPrintingScope>(printing.get());
    }
    void TearDown() override
    {
        report.reset();
        scope.reset();
        RunTest::TearDown();
    }
    std::unique_ptr<TFakePrinting> printing;
    std::unique_ptr<TPrintingScope> scope;
};

TEST_F(PrinterRunTest, TraysGoAsTheirPlatformCodes)
{
    const struct {
        TQRBin Bin;
        int Code;
    } cases[]
        = { { TQRBin::First, 1 }, { TQRBin::Upper, 1 }, { TQRBin::Manual, 4 }, { TQRBin::Auto, 7 },
              { TQRBin::Tractor, 8 }, { TQRBin::Cassette, 14 }, { TQRBin::Last, 14 } };
    AddLabel(title, u"x"_s, 0, 0);
    for (const auto &c : cases) {
        report->PrinterSettings().SetOutputBin(c.Bin);
        report->Print();
        ASSERT_FALSE(printing->Written.empty());
        EXPECT_EQ(printing->Written.back().DefaultSource, c.Code) << static_cast<int>(c.Bin);
        EXPECT_TRUE(printing->Written.back().Has(TDeviceSettings::fmDefaultSource));
    }
}

TEST_F(PrinterRunTest, TheDevicesUnprintableMarginIsSubtracted)
{
    // 4.23 mm of unprintable left margin at 600 dpi is 100 device pixels, read back as 42
    // native units; a label 30 mm from the paper's edge lands at (300 - 42) x 600 / 254.
    printing->Devices[0].PhysicalOffset = QPoint(100, 0);
    report->Page().SetLeftMargin(10);
    TQRLabel *label = AddLabel(title, u"otuz"_s, 0, 0);
    label->Size().SetLeft(20);
    report->Print();
    ASSERT_EQ(printing->Jobs.size(), 1u);
    ASSERT_EQ(printing->Jobs[0].Pages.size(), 1u);
    const emftext::TPage page = emftext::Read(printing->Jobs[0].Pages[0]);
    const emftext::TText *t = page.Find(u"otuz"_s);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->At.x(), static_cast<int>(std::nearbyint((300 - 42) * 600 / 254.0)));
    EXPECT_TRUE(printing->Jobs[0].Ended);
}

TEST_F(PrinterRunTest, OnlyPagesInTheRangeReachTheDevice)
{
    auto *detail = new TQRBand(report.get());
    detail->SetBandType(rbDetail);
    detail->SetForceNewPage(true);
    auto *summary = new TQRBand(report.get());
    summary->SetBandType(rbSummary);
    summary->SetForceNewPage(true);
    AddLabel(title, u"bir"_s, 0, 0);
    AddLabel(detail, u"iki"_s, 0, 0);
    AddLabel(summary, u"üç"_s, 0, 0);
    report->PrinterSettings().SetFirstPage(2);
    report->PrinterSettings().SetLastPage(2);
    report->Print();
    ASSERT_EQ(printing->Jobs.size(), 1u);
    ASSERT_EQ(printing->Jobs[0].Pages.size(), 1u);
    const emftext::TPage page = emftext::Read(printing->Jobs[0].Pages[0]);
    EXPECT_TRUE(page.Find(u"iki"_s));
    EXPECT_FALSE(page.Find(u"bir"_s));
    EXPECT_FALSE(page.Find(u"üç"_s));
}

TEST_F(PrinterRunTest, CopiesAndDuplexInTheDeviceRecord)
{
    AddLabel(title, u"x"_s, 0, 0);
    report->Print();
    EXPECT_EQ(printing->Written.back().Copies, 1);
    EXPECT_EQ(printing->Written.back().Duplex, 1) << "simplex";
    report->PrinterSettings().SetDuplex(true);
    report->PrinterSettings().SetCopies(2);
    report->Print();
    EXPECT_EQ(printing->Written.back().Copies, 2);
    EXPECT_EQ(printing->Written.back().Duplex, 3);
}

TEST_F(PrinterRunTest, ADeviceWithoutA5TransKeepsItsPaperAndTheLabelsTheirPlaces)
{
    report->Page().SetPaperSize(TQRPaperSize::A5Trans);
    AddLabel(title, u"yer"_s, 120, 60);
    report->Print();
    const QPoint withA5 = emftext::Read(printing->Jobs.back().Pages[0]).Find(u"yer"_s)->At;
    EXPECT_EQ(printing->Written.back().PaperSize, 61);

    printing->Devices[0].PaperCodes = { 9 };
    printing->Devices[0].Settings.PaperSize = 9;
    report->Print();
    EXPECT_EQ(printing->Written.back().PaperSize, 9) << "the device's A4 stays";
    EXPECT_EQ(emftext::Read(printing->Jobs.back().Pages[0]).Find(u"yer"_s)->At, withA5);
}

TEST_F(PrinterRunTest, NoDefaultPrinterFailsOnlyARunTowardsTheDevice)
{
    printing->Default = -1;
    AddLabel(title, u"x"_s, 0, 0);
    try {
        report->Print();
        FAIL() << "printing without a default printer must fail";
    } catch (const EPlatformError &e) {
        EXPECT_EQ(e.Message(), u"There is no default printer currently selected"_s);
    }
    EXPECT_TRUE(report->Available());
    report->Prepare();
    EXPECT_EQ(report->QRPrinter()->PageCount(), 1);
}

TEST_F(PrinterRunTest, PageSequencingErrors)
{
    TQRPrinter printer(nullptr);
    try {
        printer.NewPage();
        FAIL();
    } catch (const EQRError &e) {
        EXPECT_EQ(e.Message(), u"Illegal call to NewPage"_s);
    }
    printer.BeginDoc();
    printer.NewPage();
    printer.EndDoc();
    try {
        printer.BeginDoc();
        FAIL();
    } catch (const EQRError &e) {
        EXPECT_EQ(e.Message(), u"QRPrinter not ready"_s);
    }
}

namespace
{
class TProgressLog : public QObject
{
public:
    std::vector<int> Progress;
    bool event(QEvent *e) override
    {
        if (e->type() == TQRPrinterEvent::Progress)
            Progress.push_back(static_cast<TQRPrinterEvent *>(e)->Value());
        return QObject::event(e);
    }
};
} // namespace

TEST_F(PrinterRunTest, PrintingStoredPagesFiveToSixReportsHalfThenAll)
{
    TQRPrinter printer(nullptr);
    printer.BeginDoc();
    for (int i = 0; i < 6; ++i)
        printer.NewPage();
    printer.EndDoc();
    ASSERT_EQ(printer.PageCount(), 6);
    TProgressLog log;
    printer.SetClient(&log);
    printer.SetFirstPage(5);
    printer.SetLastPage(6);
    printer.Print();
    QCoreApplication::sendPostedEvents(&log);
    EXPECT_EQ(log.Progress, (std::vector<int> { 50, 100 }));
    ASSERT_EQ(printing->Jobs.size(), 1u);
    EXPECT_EQ(printing->Jobs[0].Pages.size(), 2u);
}
