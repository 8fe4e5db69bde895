// The engine printing a report through the Qt printing layer to the private queue: a label
// lands where the report puts it on the paper, on the papers and trays the invoice uses.

#include "support/CupsTestSupport.h"

#include "platform/Locale.h"
#include "platform/widgets/QtPrinting.h"
#include "report/QRCtrls.h"
#include "report/QRUnits.h"
#include "report/QuickRpt.h"
#include "support/FakePrinting.h"

using namespace Qt::StringLiterals;

using TReportCupsTest = TCupsTest;

TEST_F(TReportCupsTest, ALabelLandsAtItsPaperPosition)
{
    const struct {
        const char *Why;
        TQRPaperSize Paper;
        TPrinterOrientation Orientation;
        TQRBin Bin;
        double Width, Length; // the page as laid out, millimetres
        const char *Media, *InputSlot;
    } cases[] = {
        { "A4 upright, automatic tray", TQRPaperSize::A4, poPortrait, TQRBin::Auto, 210, 297, "A4",
            "Auto" },
        { "A5 across, manual feed", TQRPaperSize::A5Trans, poPortrait, TQRBin::Manual, 210, 148,
            "A5", "Manual" },
        { "A5 across turned upright, tractor", TQRPaperSize::A5Trans, poLandscape, TQRBin::Tractor,
            148, 210, "A5", "Tractor" },
    };
    SetQRScreenResolution(96);
    TQtPrinting printing;
    TPrintingScope scope(&printing);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Why);
        TQuickRep report(TFormatSettings::Turkish());
        report.SetTextMetrics(ScreenTextMetrics(96));
        report.SetShowProgress(false);
        report.Page().SetPaperSize(c.Paper);
        report.Page().SetOrientation(c.Orientation);
        report.Page().SetTopMargin(12);
        report.Page().SetLeftMargin(15);
        report.PrinterSettings().SetOutputBin(c.Bin);
        auto *title = new TQRBand(&report);
        title->SetBandType(rbTitle);
        title->SetHeight(300);
        auto *label = new TQRLabel(title);
        label->SetCaption(u"ETİKET"_s);
        label->Size().SetLeft(40);
        label->Size().SetTop(25);

        const int last = Server->LastJobId();
        report.Print();
        const auto job = Server->WaitForJob(last);
        ASSERT_TRUE(job) << "the job did not end";
        EXPECT_EQ(job->State, u"completed"_s);
        EXPECT_EQ(job->Media, QString::fromLatin1(c.Media));
        EXPECT_EQ(job->InputSlot, QString::fromLatin1(c.InputSlot));
        EXPECT_EQ(job->PrintScaling, u"none"_s) << "the driver may not scale the form";
        EXPECT_EQ(job->FitToPage, u"false"_s);

        QString error;
        const auto pages = ReadQueuedPdf(Server->OutputPath(), c.Width > c.Length, &error);
        ASSERT_EQ(pages.size(), 1u) << error.toStdString();
        EXPECT_NEAR(pages[0].Width, c.Width, 0.5);
        EXPECT_NEAR(pages[0].Length, c.Length, 0.5);
        // Margin plus the label's place in its band: 15 + 40 mm across, 12 + 25 mm down.
        if (const TPlacedWord *w = FindWord(pages[0], u"ETİKET"_s)) {
            EXPECT_NEAR(w->Left, 55, 0.3);
            EXPECT_NEAR(w->Top, 37, 0.3);
        }
    }
    SetQRScreenResolution(96);
}
