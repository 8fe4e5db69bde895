// The alignment sheet from page AYAR: printed through the engine, the measured crosshairs
// typed into the dialog, the feed's correction stored for that printer and tray, and a
// confirming print that lands where the form wants it.

#include "support/CupsTestSupport.h"

#include "app/HizalamaDialog.h"
#include "app/frm_ayar_sayfasi.h"
#include "app/frm_fatura_basimi.h"
#include "platform/Ini.h"
#include "platform/widgets/QtPrinting.h"
#include "printing/AlignmentSheetReport.h"
#include "printing/Calibration.h"
#include "printing/PrintSettings.h"
#include "report/QRUnits.h"
#include "support/EmfText.h"
#include "support/FakePrinting.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <optional>

using namespace Qt::StringLiterals;

namespace
{

// Answers the measuring dialog once it is up: with the numbers, or with Vazgeç.
class TDialogAnswer
{
public:
    explicit TDialogAnswer(std::optional<TAlignmentMeasure> m)
    {
        FTimer.setInterval(20);
        QObject::connect(&FTimer, &QTimer::timeout, [this, m] {
            auto *d = qobject_cast<THizalamaDialog *>(QApplication::activeModalWidget());
            if (!d)
                return;
            FTimer.stop();
            Shown = true;
            if (!m) {
                d->reject();
                return;
            }
            d->Birinci_Sol->setValue(m->FirstLeft);
            d->Birinci_Ust->setValue(m->FirstTop);
            d->Ikinci_Sol->setValue(m->SecondLeft);
            d->Ikinci_Ust->setValue(m->SecondTop);
            d->accept();
        });
        FTimer.start();
    }
    bool Shown = false;

private:
    QTimer FTimer;
};

struct TWindow {
    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    std::unique_ptr<Tfatura_basimi> W;

    explicit TWindow(int tray)
    {
        SetQRScreenResolution(96);
        {
            TIniFile ini(PrintSettingsPath(Folder()));
            ini.WriteInteger(u"FATURE_AYAR", u"drpOutputBin", tray);
        }
        W = std::make_unique<Tfatura_basimi>(Dialogs, TFormatSettings::Turkish(), Folder());
        W->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(W.get()));
        W->AyarSayfasi()->HizalamaRaporu().Report().SetShowProgress(false);
    }
    QString Folder() const { return Dir.path() + u"/"_s; }
    QString Ini() const { return PrintSettingsPath(Folder()); }
};

// The crosshairs of a sheet as the queue printed it: each one's label stands a fixed way
// right of and below its crosshair.
std::optional<std::pair<QPointF, QPointF>> Crosshairs(const TCupsServer &server)
{
    QString error;
    const auto pages = ReadQueuedPdf(server.OutputPath(), false, &error);
    EXPECT_EQ(pages.size(), 1u) << error.toStdString();
    if (pages.size() != 1)
        return std::nullopt;
    const TPlacedWord *first = FindWord(pages[0], TAlignmentSheetReport::MarkWord(1));
    const TPlacedWord *second = FindWord(pages[0], TAlignmentSheetReport::MarkWord(2));
    if (!first || !second)
        return std::nullopt;
    const double o = TAlignmentSheetReport::kMarkLabelOffset;
    return std::pair { QPointF(first->Left - o, first->Top - o),
        QPointF(second->Left - o, second->Top - o) };
}

using TAlignmentCupsTest = TCupsTest;

TEST_F(TAlignmentCupsTest, MeasuredCrosshairsGiveACorrectionThatTheReprintLandsWithin)
{
    TQtPrinting printing;
    TPrintingScope scope(&printing);
    TWindow w(/*Sürekli Form*/ 2);
    // The tractor of this imagined printer feeds 1.5 mm right and 0.8 mm up: the ruler
    // finds each crosshair that far from where the queue's PDF puts it.
    const QPointF feed(1.5, -0.8);

    int last = Server->LastJobId();
    // The first sheet prints; its crosshairs are read before the dialog is answered.
    std::optional<std::pair<QPointF, QPointF>> printed;
    QTimer reader;
    reader.setInterval(20);
    std::unique_ptr<TDialogAnswer> measured;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        if (!qobject_cast<THizalamaDialog *>(QApplication::activeModalWidget()))
            return;
        reader.stop();
        const auto job = Server->WaitForJob(last);
        if (job) {
            EXPECT_EQ(job->InputSlot, u"Tractor"_s);
            printed = Crosshairs(*Server);
            last = job->Id;
        }
        if (!printed) {
            measured = std::make_unique<TDialogAnswer>(std::nullopt); // Vazgeç
            return;
        }
        const QPointF a = printed->first + feed, b = printed->second + feed;
        measured
            = std::make_unique<TDialogAnswer>(TAlignmentMeasure { a.x(), a.y(), b.x(), b.y() });
    });
    reader.start();
    w.W->AyarSayfasi()->HizalamaClick();
    ASSERT_TRUE(printed);
    ASSERT_TRUE(measured && measured->Shown);
    EXPECT_EQ(w.Dialogs.Count(TScriptedDialogs::TKind::Error), 0)
        << w.Dialogs.LastText().toStdString();
    EXPECT_EQ(w.Dialogs.Count(TScriptedDialogs::TKind::Warning), 0)
        << w.Dialogs.LastText().toStdString();
    EXPECT_EQ(w.Dialogs.Count(TScriptedDialogs::TKind::YesNo), 1);

    // Stored for the queue's tractor, apart from the layout.
    const auto stored = ReadCalibration(w.Ini(), TCupsServer::Queue(), QRBinCode(TQRBin::Tractor));
    ASSERT_TRUE(stored);
    EXPECT_NEAR(stored->Horizontal, -15, 3);
    EXPECT_NEAR(stored->Vertical, 8, 3);
    EXPECT_FALSE(ReadCalibration(w.Ini(), TCupsServer::Queue(), QRBinCode(TQRBin::Manual)));

    // The confirming print: through the same feed it lands where the sheet says.
    const auto job = Server->WaitForJob(last);
    ASSERT_TRUE(job) << "no confirming print";
    const auto again = Crosshairs(*Server);
    ASSERT_TRUE(again);
    const TAlignmentMarks marks;
    EXPECT_NEAR(again->first.x() + feed.x(), marks.First.x(), 0.3);
    EXPECT_NEAR(again->first.y() + feed.y(), marks.First.y(), 0.3);
    EXPECT_NEAR(again->second.x() + feed.x(), marks.Second.x(), 0.3);
    EXPECT_NEAR(again->second.y() + feed.y(), marks.Second.y(), 0.3);
}

TEST(AlignmentWindow, WhatTheDialogGivesDecidesWhatIsStored)
{
    const struct {
        const char *Why;
        std::optional<TAlignmentMeasure> Measured;
        std::optional<TCalibration> Stored;
        int Warnings;
        bool Reprint;
        std::deque<IDialogs::TAnswer> Answers = { IDialogs::TAnswer::Yes };
        int Questions = 1; // the reprint question, and the scaling one before it
    } cases[] = {
        { "Vazgeç stores nothing", std::nullopt, std::nullopt, 0, false, {}, 0 },
        { "true marks store a zero correction", TAlignmentMeasure { 30, 30, 110, 110 },
            TCalibration { 0, 0 }, 0, true },
        { "an empty field cannot be a measurement", TAlignmentMeasure { 0, 30, 110, 110 },
            std::nullopt, 1, false, {}, 0 },
        // 80 mm became 81 mm: the driver scales by 1.25 %. A shift cannot mend that, so the
        // shift at the middle is stored only on the user's yes.
        { "a scaling driver: Hayır stores nothing", TAlignmentMeasure { 30, 30, 111, 111 },
            std::nullopt, 0, false, { IDialogs::TAnswer::No }, 1 },
        { "a scaling driver: Evet stores the shift at the middle",
            TAlignmentMeasure { 30, 30, 111, 111 }, TCalibration { -5, -5 }, 0, true,
            { IDialogs::TAnswer::Yes, IDialogs::TAnswer::Yes }, 2 },
    };
    auto fake = TFakePrinting::Standard();
    TPrintingScope scope(fake.get());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Why);
        TWindow w(/*Elle Besleme*/ 1);
        const size_t jobs = fake->Jobs.size();
        TDialogAnswer answer(c.Measured);
        w.Dialogs.Answers = c.Answers;
        w.W->AyarSayfasi()->HizalamaClick();
        EXPECT_TRUE(answer.Shown);
        EXPECT_EQ(w.Dialogs.Count(TScriptedDialogs::TKind::Warning), c.Warnings)
            << w.Dialogs.LastText().toStdString();
        EXPECT_EQ(w.Dialogs.Count(TScriptedDialogs::TKind::YesNo), c.Questions);
        const QString printer = fake->Jobs.at(jobs).Printer;
        EXPECT_EQ(ReadCalibration(w.Ini(), printer, QRBinCode(TQRBin::Manual)), c.Stored);
        EXPECT_EQ(fake->Jobs.size(), jobs + (c.Reprint ? 2 : 1));
        // The sheet is the sheet: both crosshairs labelled, on one page.
        const emftext::TPage page = emftext::Read(fake->Jobs.at(jobs).Pages.at(0));
        EXPECT_TRUE(page.Find(TAlignmentSheetReport::MarkWord(1)));
        EXPECT_TRUE(page.Find(TAlignmentSheetReport::MarkWord(2)));
        EXPECT_EQ(fake->Jobs.at(jobs).Pages.size(), 1u);
    }
}

TEST(AlignmentWindow, WithoutAPrinterItSaysSoAndAsksNothing)
{
    TFakePrinting none; // no devices
    TPrintingScope scope(&none);
    TWindow w(0);
    w.W->AyarSayfasi()->HizalamaClick();
    EXPECT_EQ(w.Dialogs.Count(TScriptedDialogs::TKind::YesNo), 0);
    EXPECT_EQ(w.Dialogs.Count(TScriptedDialogs::TKind::Warning)
            + w.Dialogs.Count(TScriptedDialogs::TKind::Error),
        1);
    EXPECT_TRUE(TIniFile(w.Ini()).ReadSection(kSectionKalibrasyon).isEmpty());
}

} // namespace
