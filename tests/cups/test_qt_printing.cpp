// The Qt printing layer through a real CUPS scheduler and its file queue: where a text lands
// on the paper, and what the job tells the queue.

#include "support/CupsTestSupport.h"

#include "platform/Errors.h"
#include "platform/widgets/QtPrinting.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

struct TMark {
    QString Word;
    double Left, Top; // millimetres on the paper
};

struct TPaperCase {
    const char *Why;
    int PaperCode;
    int Orientation;
    double Width, Length; // the page as laid out, millimetres
    const char *Media;
};

// Prints marks on one page through the layer, each text's top-left at its paper position.
void PrintMarks(IPrinterDevice &printer, const std::vector<TMark> &marks)
{
    const TDeviceCaps caps = printer.Capabilities();
    printer.BeginDoc();
    ICanvas &canvas = printer.Canvas();
    canvas.SelectFont(TCanvasFont { .Name = u"Arial"_s, .PointSize = 12 });
    for (const TMark &m : marks) {
        const int x
            = static_cast<int>(std::lround(m.Left / 25.4 * caps.DpiX)) - caps.PhysicalOffset.x();
        const int y
            = static_cast<int>(std::lround(m.Top / 25.4 * caps.DpiY)) - caps.PhysicalOffset.y();
        canvas.TextOut(QPoint(x, y), m.Word);
    }
    printer.EndDoc();
}

TDeviceSettings PaperSettings(int code, int orientation)
{
    TDeviceSettings s;
    s.Fields = TDeviceSettings::fmPaperSize | TDeviceSettings::fmOrientation;
    s.PaperSize = code;
    s.Orientation = orientation;
    return s;
}

} // namespace

using TQtPrintingCupsTest = TCupsTest;

TEST_F(TQtPrintingCupsTest, TheQueueIsTheDefaultPrinterWithItsPapers)
{
    TQtPrinting printing;
    ASSERT_EQ(printing.Printers(), QStringList { TCupsServer::Queue() });
    ASSERT_EQ(printing.DefaultPrinter(), 0);
    auto printer = printing.CreatePrinter(-1);
    const std::vector<int> codes = printer->SupportedPaperCodes();
    // A4 and A5 from the queue; A5 lying across (A5Trans) because the queue has A5.
    for (const int code : { 9, 11, 61 })
        EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code;
    // Letter is not in this queue's PPD, and neither is its transverse form.
    for (const int code : { 1, 54 })
        EXPECT_EQ(std::find(codes.begin(), codes.end(), code), codes.end()) << code;
    const TDeviceSettings s = printer->Settings();
    EXPECT_TRUE(s.Has(TDeviceSettings::fmDefaultSource)) << "the queue has trays";
    EXPECT_TRUE(s.Has(TDeviceSettings::fmDuplex)) << "the queue has duplex";
    EXPECT_EQ(s.PaperSize, 9) << "the queue's default page size";
    EXPECT_EQ(s.DefaultSource, 7) << "the queue's default InputSlot is Auto";
    EXPECT_THROW(printing.CreatePrinter(1), EPlatformError);
}

TEST_F(TQtPrintingCupsTest, TextLandsAtItsPaperPosition)
{
    const TPaperCase cases[] = {
        { "A4 upright", 9, 1, 210, 297, "A4" },
        // A5 lying on its long side: 210 wide and 148 long as the code names it.
        { "A5Trans portrait", 61, 1, 210, 148, "A5" },
        { "A5Trans landscape: the A5 sheet upright again", 61, 2, 148, 210, "A5" },
    };
    TQtPrinting printing;
    for (const TPaperCase &c : cases) {
        SCOPED_TRACE(c.Why);
        auto printer = printing.CreatePrinter(-1);
        printer->SetSettings(PaperSettings(c.PaperCode, c.Orientation));
        EXPECT_EQ(printer->Settings().PaperSize, c.PaperCode);
        // The record names the paper as its code does, whatever the orientation.
        EXPECT_EQ(printer->Settings().PaperWidth, 2100);

        const TDeviceCaps caps = printer->Capabilities();
        // The queue's A5 is 420 points: 148.2 mm.
        EXPECT_NEAR(caps.PhysicalSize.width() * 25.4 / caps.DpiX, c.Width, 0.25);
        EXPECT_NEAR(caps.PhysicalSize.height() * 25.4 / caps.DpiY, c.Length, 0.25);

        // One text near the top-left corner, one near the bottom-right one: an offset and a
        // scale or turn error both move at least one of them.
        const std::vector<TMark> marks
            = { { u"ALFA"_s, 20, 25 }, { u"OMEGA"_s, c.Width - 60, c.Length - 25 } };
        const int last = Server->LastJobId();
        PrintMarks(*printer, marks);
        const auto job = Server->WaitForJob(last);
        ASSERT_TRUE(job) << "the job did not end";
        EXPECT_EQ(job->State, u"completed"_s);
        EXPECT_EQ(job->Media, QString::fromLatin1(c.Media));

        QString error;
        const auto pages = ReadQueuedPdf(Server->OutputPath(), c.Width > c.Length, &error);
        ASSERT_EQ(pages.size(), 1u) << error.toStdString();
        EXPECT_NEAR(pages[0].Width, c.Width, 0.5);
        EXPECT_NEAR(pages[0].Length, c.Length, 0.5);
        for (const TMark &m : marks) {
            if (const TPlacedWord *w = FindWord(pages[0], m.Word)) {
                EXPECT_NEAR(w->Left, m.Left, 0.3) << m.Word.toStdString();
                EXPECT_NEAR(w->Top, m.Top, 0.3) << m.Word.toStdString();
            }
        }
    }
}

TEST_F(TQtPrintingCupsTest, TheJobCarriesTrayCopiesAndSides)
{
    struct TCase {
        const char *Why;
        int Tray, Copies, Duplex;
        const char *InputSlot; // "" : the job names no tray, the queue's default applies
        int RecordTray; // the tray the device record holds afterwards
        const char *Sides;
    } cases[] = {
        { "manual feed, two copies", 4, 2, 1, "Manual", 4, "one-sided" },
        { "tractor, long-edge duplex", 8, 1, 2, "Tractor", 8, "two-sided-long-edge" },
        { "automatic, short-edge duplex", 7, 1, 3, "Auto", 7, "two-sided-short-edge" },
        { "the queue has no lower tray: not applied", 2, 1, 1, "", 7, "one-sided" },
    };
    TQtPrinting printing;
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Why);
        auto printer = printing.CreatePrinter(-1);
        TDeviceSettings s = printer->Settings();
        s.Fields = TDeviceSettings::fmDefaultSource | TDeviceSettings::fmCopies
            | TDeviceSettings::fmDuplex | TDeviceSettings::fmPaperSize;
        s.DefaultSource = c.Tray;
        s.Copies = c.Copies;
        s.Duplex = c.Duplex;
        s.PaperSize = 11;
        printer->SetSettings(s);
        EXPECT_EQ(printer->Settings().DefaultSource, c.RecordTray);

        const int last = Server->LastJobId();
        PrintMarks(*printer, { { u"TRAY"_s, 30, 30 } });
        const auto job = Server->WaitForJob(last);
        ASSERT_TRUE(job) << "the job did not end";
        EXPECT_EQ(job->State, u"completed"_s);
        EXPECT_EQ(job->InputSlot, QString::fromLatin1(c.InputSlot));
        EXPECT_EQ(job->Copies, c.Copies);
        EXPECT_EQ(job->Sides, QString::fromLatin1(c.Sides));
        EXPECT_EQ(job->Media, u"A5"_s);
        // A driver default must not shrink the form "to fit", on any tray.
        EXPECT_EQ(job->PrintScaling, u"none"_s);
        EXPECT_EQ(job->FitToPage, u"false"_s);
    }
}

TEST_F(TQtPrintingCupsTest, AnAbortedDocumentNeverPrints)
{
    TQtPrinting printing;
    auto printer = printing.CreatePrinter(-1);
    const int last = Server->LastJobId();
    printer->BeginDoc();
    printer->Canvas().TextOut(QPoint(100, 100), u"ABORTED"_s);
    printer->Abort();
    EXPECT_FALSE(printer->Printing());
    const auto job = Server->WaitForJob(last);
    ASSERT_TRUE(job) << "the held job was not cancelled";
    EXPECT_EQ(job->State, u"canceled"_s);
    QString error;
    for (const TQueuedPage &page : ReadQueuedPdf(Server->OutputPath(), false, &error))
        for (const TPlacedWord &w : page.Words)
            EXPECT_NE(w.Text, u"ABORTED"_s) << "the aborted page reached the paper";
}

TEST_F(TQtPrintingCupsTest, AQueueRefusingTheJobIsAnError)
{
    TQtPrinting printing;
    auto printer = printing.CreatePrinter(-1);
    QString output;
    ASSERT_EQ(Server->RunTool(u"cupsreject"_s, { TCupsServer::Queue() }, &output), 0)
        << output.toStdString();
    printer->BeginDoc();
    printer->Canvas().TextOut(QPoint(100, 100), u"REFUSED"_s);
    EXPECT_THROW(printer->EndDoc(), EPlatformError);
    EXPECT_FALSE(printer->Printing());
    ASSERT_EQ(Server->RunTool(u"cupsaccept"_s, { TCupsServer::Queue() }, &output), 0)
        << output.toStdString();
}
