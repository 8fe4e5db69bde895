// Ruled lines, cell frames and a module matrix: the same exact rectangles on a recorded page
// (edges on device pixels, neighbours without a gap) and in the PDF (as vectors, unrounded).
#include "PdfTestSupport.h"
#include "support/EmfText.h"
#include "support/FakePrinting.h"

#include "platform/Locale.h"
#include "platform/TextMetrics.h"
#include "report/QRCtrls.h"
#include "report/QRShapes.h"
#include "report/QRUnits.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

class RulesAndModules : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetQRScreenResolution(96);
        report.SetTextMetrics(ScreenTextMetrics(96));
        report.SetShowProgress(false);
        report.SetUnits(TQRUnit::MM);
        band = new TQRBand(&report);
        band->SetBandType(rbTitle);
        band->Size().SetHeight(100);

        auto *cell = new TQRLabel(band);
        cell->SetAutoSize(false);
        cell->Size().SetLeft(10);
        cell->Size().SetTop(10);
        cell->Size().SetWidth(50);
        cell->Size().SetHeight(8);
        cell->Frame().SetDrawTop(true);
        cell->Frame().SetDrawBottom(true);
        cell->Frame().SetDrawLeft(true);
        cell->Frame().SetDrawRight(true);
        cell->SetCaption(u"Hücre"_s);

        auto *rule = new TQRShape(band);
        rule->SetShape(qrsHorLine);
        rule->Size().SetLeft(10);
        rule->Size().SetTop(30);
        rule->Size().SetWidth(100);
        rule->Size().SetHeight(2);

        // 3 x 3, quiet zone 1: 5 modules of 2.5 mm across 12.5 mm.
        matrix = new TQRModuleMatrix(band);
        matrix->SetModules(3, { 1, 1, 0, /**/ 0, 1, 1, /**/ 1, 0, 1 });
        matrix->SetQuietZone(1);
        matrix->Size().SetLeft(100);
        matrix->Size().SetTop(50);
        matrix->Size().SetWidth(12.5L);
        matrix->Size().SetHeight(12.5L);
    }
    void TearDown() override { SetQRScreenResolution(96); }

    TPrintingScope noPrinters { nullptr };
    TQuickRep report { TFormatSettings::Turkish() };
    TQRBand *band = nullptr;
    TQRModuleMatrix *matrix = nullptr;
};

TEST_F(RulesAndModules, RunsOfAMatrixMeetExactly)
{
    const auto runs = matrix->Runs(0, 0, 125);
    // Row 0: one run of two; row 1: one run of two; row 2: two runs of one.
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].Left, 25); // after one quiet module of 25 tenths
    EXPECT_EQ(runs[0].Width, 50);
    EXPECT_EQ(runs[1].Top, runs[0].Top + runs[0].Height); // rows abut
    EXPECT_EQ(runs[3].Left, 25 + 2 * 25);
    matrix->SetModules(4, { 1, 1 }); // a size that does not match empties it
    EXPECT_EQ(matrix->Count(), 0);
    EXPECT_TRUE(matrix->Runs(0, 0, 125).empty());
}

TEST_F(RulesAndModules, TheRecordedPageAndThePdfDrawTheSameRectangles)
{
    report.Prepare();
    const emftext::TPage page
        = emftext::Read(report.QRPrinter()->GetPage(1).value_or(QByteArray()));
    std::vector<QRect> black;
    for (const emftext::TFill &f : page.Fills)
        if (f.Color == qRgb(0, 0, 0))
            black.push_back(f.Box);
    // Four frame sides, one rule, four module runs.
    ASSERT_EQ(black.size(), 9u);
    // The matrix's rows share their edge on the device: no white line between them.
    const QRect row0 = black[5], row1 = black[6];
    EXPECT_EQ(row0.bottom() + 1, row1.top()) << "gap or overlap between module rows";

    const QByteArray pdf = [&] {
        TQRPDFDocumentFilter filter(u"unused.pdf"_s);
        auto sink = std::make_unique<TQRMemorySink>();
        TQRMemorySink *memory = sink.get();
        filter.SetSink(std::move(sink));
        filter.SetClock(pdftest::FixedNow);
        report.ExportToFilter(&filter);
        return memory->Bytes();
    }();
    const QByteArray content = pdftest::Content(pdf);
    EXPECT_EQ(content.count(" re f\r\n"), 9) << content.toStdString();
    // Black is set once for the run of boxes, not again for each.
    const QByteArray graphics = content.left(content.indexOf("BT\r\n"));
    EXPECT_EQ(graphics.count("0.00 0.00 0.00 rg"), 1) << content.toStdString();
    // A 2.5 mm module is 7.09 points: kept, not cut to 7.
    EXPECT_TRUE(content.contains(" 14.17 7.09 re f")) << content.toStdString();
    EXPECT_TRUE(content.contains("(Hücre) Tj")
        || content.contains("(H\xfc"
                            "cre) Tj"));
    EXPECT_TRUE(pdftest::Parse(pdf).Problems.isEmpty());
}

TEST_F(RulesAndModules, NeedDataPrintsTheDetailOncePerRecord)
{
    auto *detail = new TQRBand(&report);
    detail->SetBandType(rbDetail);
    detail->Size().SetHeight(6);
    auto *text = new TQRLabel(detail);
    const QStringList records = { u"bir"_s, u"iki"_s, u"üç"_s };
    int next = 0;
    report.OnNeedData = [&](TCustomQuickRep *, bool &more) {
        more = next < records.size();
        if (more)
            text->SetCaption(records[next++]);
    };
    band->BeforePrint = [&](TQRCustomBand *, bool &) { next = 0; };
    report.Prepare();
    const emftext::TPage page
        = emftext::Read(report.QRPrinter()->GetPage(1).value_or(QByteArray()));
    int lastY = -1;
    for (const QString &r : records) {
        const emftext::TText *t = page.Find(r);
        ASSERT_TRUE(t) << r.toStdString();
        EXPECT_GT(t->At.y(), lastY);
        lastY = t->At.y();
    }
}

} // namespace
