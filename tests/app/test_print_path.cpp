// The way from the main window to paper, walked as a user walks it: through the real preview
// window and, where the fault was met, through the private print scheduler.

#include "PrintingWindowTest.h"
#include "app/FormFields.h"
#include "platform/widgets/QtPrinting.h"
#include "preview/QRPrev.h"
#include "printing/Calibration.h"
#include "printing/InvoiceReport.h"
#include "printing/PrintSettings.h"
#include "support/CupsTestSupport.h"
#include "support/EmfText.h"
#include "support/FakePrinting.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>
#include <QTransform>

#include <cstring>

using namespace Qt::StringLiterals;
using TKind = TScriptedDialogs::TKind;

namespace
{

// The invoice window with the program's own preview window registered, as at start.
class PrintPath : public PrintingWindowTest
{
protected:
    void SetUp() override
    {
        PrintingWindowTest::SetUp();
        QRRegisterStandardPreview(Dialogs, Dir.path(), u"LEVANTA"_s);
        W->Rapor().RAPORX().SetShowProgress(false);
        // Every value in a place of its own: the layout itself raises no question.
        for (int n = 1; n <= 43; ++n)
            W->Ayarlar().SetPosition(InvoiceLabelKey(n),
                u"%1 | %2"_s.arg(40 + 25 * ((n - 1) / 3)).arg(40 + 220 * ((n - 1) % 3)));
    }
    void TearDown() override
    {
        QRSetPreviewInterface({});
        QRSetProgressWindow({});
        PrintingWindowTest::TearDown();
    }

    // ÖNİZLEME, with act run on the preview window once it shows; the window is closed after.
    void InPreview(const std::function<void(TQRStandardPreview &)> &act)
    {
        bool ran = false;
        // Acts once the run has finished and the window waits for the user.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            const TQRPrinter *printer = W->Rapor().RAPORX().QRPrinter();
            if (ran || !printer || printer->Status() != mpFinished)
                return;
            for (QWidget *w : QApplication::topLevelWidgets())
                // The window enables its buttons when it handles the run's last posted page,
                // which may come after the run printer says it has finished.
                if (auto *preview = qobject_cast<TQRStandardPreview *>(w);
                    preview && preview->isVisible() && preview->Button(u"Print"_s)->isEnabled()) {
                    ran = true;
                    act(*preview);
                    preview->close();
                    return;
                }
        });
        poll.start(20);
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (qobject_cast<TQRStandardPreview *>(w))
                    w->close();
        });
        giveUp.start(20000);
        W->MenuItem1Click();
        EXPECT_TRUE(ran) << "no preview window showed";
    }
};

// Where a text was drawn on the last job's first page, in device pixels: a stored page is
// played into the job's page under a world transform, which is applied here.
QPointF PrintedAt(const TFakePrinting &printing, const QString &text)
{
    if (printing.Jobs.empty() || printing.Jobs.back().Pages.empty())
        return QPointF(-1, -1);
    const QByteArray &emf = printing.Jobs.back().Pages[0];
    QTransform transform;
    for (qsizetype pos = 0; pos + 8 <= emf.size();) {
        const quint32 type = emftext::U32(emf, pos), size = emftext::U32(emf, pos + 4);
        if (size < 8 || pos + size > emf.size())
            break;
        if (type == 35 && size >= 32) { // SETWORLDTRANSFORM
            float v[6];
            std::memcpy(v, emf.constData() + pos + 8, sizeof v);
            transform = QTransform(v[0], v[1], v[2], v[3], v[4], v[5]);
        } else if (type == 84) { // EXTTEXTOUTW
            const emftext::TPage one = emftext::Read(emf.mid(pos, size));
            if (!one.Texts.empty() && one.Texts[0].Text == text)
                return transform.map(QPointF(one.Texts[0].At));
        }
        pos += size;
    }
    return QPointF(-1, -1);
}

} // namespace

TEST_F(PrintPath, PrintInThePreviewAsksWhatYazdirAsksButALoadedReportDoesNot)
{
    auto printing = TFakePrinting::Standard();
    TPrintingScope scope(printing.get());
    W->SAYIN1->setText(u"Kenar"_s);
    W->Ayarlar().SetPosition(u"SAYIN1", u"300 | 780"_s); // off the right edge of A4
    const QString saved = Dir.filePath(u"fatura.QRP"_s);

    Dialogs.Answers = { IDialogs::TAnswer::No };
    InPreview([&](TQRStandardPreview &preview) {
        QTest::mouseClick(preview.Button(u"Print"_s), Qt::LeftButton);
        Dialogs.Texts = { saved };
        QTest::mouseClick(preview.Button(u"SaveReport"_s), Qt::LeftButton);
    });
    ASSERT_EQ(Dialogs.Count(TKind::YesNo), 1) << "the preview's Print skipped the warnings";
    EXPECT_EQ(Dialogs.Shown.front().Title, u"Yazdırmadan Önce"_s);
    EXPECT_TRUE(Dialogs.Shown.front().Text.contains(u"SAYIN1 (\"Kenar\") kağıdın dışına"_s));
    EXPECT_TRUE(printing->Jobs.empty()) << "Hayır sends nothing";
    ASSERT_TRUE(QFileInfo::exists(saved));

    // A saved report has no invoice behind it: its pages print without the invoice's
    // questions.
    Dialogs.Clear();
    InPreview([&](TQRStandardPreview &preview) {
        Dialogs.Texts = { saved };
        QTest::mouseClick(preview.Button(u"LoadReport"_s), Qt::LeftButton);
        QTest::mouseClick(preview.Button(u"Print"_s), Qt::LeftButton);
    });
    EXPECT_EQ(Dialogs.Count(TKind::YesNo), 0);
    EXPECT_EQ(Dialogs.Count(TKind::Error), 0) << Dialogs.LastText().toStdString();
    ASSERT_EQ(printing->Jobs.size(), 1u);
    EXPECT_TRUE(printing->Jobs[0].Ended);
}

TEST_F(PrintPath, ASavedReportPrintedOnACalibratedTrayTakesTheCorrection)
{
    auto printing = TFakePrinting::Standard();
    TPrintingScope scope(printing.get());
    W->SAYIN1->setText(u"Kutu"_s);
    W->Ayarlar().drpOutputBin = 2; // Sürekli Form: the tractor
    const QString saved = Dir.filePath(u"fatura.QRP"_s);
    InPreview([&](TQRStandardPreview &preview) {
        Dialogs.Texts = { saved };
        QTest::mouseClick(preview.Button(u"SaveReport"_s), Qt::LeftButton);
    });
    const auto printLoaded = [&] {
        InPreview([&](TQRStandardPreview &preview) {
            Dialogs.Texts = { saved };
            QTest::mouseClick(preview.Button(u"LoadReport"_s), Qt::LeftButton);
            QTest::mouseClick(preview.Button(u"Print"_s), Qt::LeftButton);
        });
        return PrintedAt(*printing, u"Kutu"_s);
    };
    const QPointF plain = printLoaded();
    ASSERT_NE(plain, QPointF(-1, -1));
    // 1.5 mm right and 0.8 mm up on the tractor feed of the first printer.
    WriteCalibration(PrintSettingsPath(W->ProgramFolder()), u"Fake A"_s, 8, { 15, -8 });
    const QPointF corrected = printLoaded();
    EXPECT_EQ(Dialogs.Count(TKind::Error), 0) << Dialogs.LastText().toStdString();
    // At 600 dpi a tenth of a millimetre is 600 / 254 device pixels.
    EXPECT_NEAR(corrected.x() - plain.x(), 15 * 600 / 254.0, 1.0);
    EXPECT_NEAR(corrected.y() - plain.y(), -8 * 600 / 254.0, 1.0);
}

namespace
{

// The invoice window printing to the private scheduler's queues.
class PrintPathCups : public TCupsTest
{
protected:
    void SetUp() override
    {
        TCupsTest::SetUp();
        SetQRScreenResolution(96);
        ASSERT_TRUE(Dir.isValid());
        W = std::make_unique<Tfatura_basimi>(Dialogs, TFormatSettings::Turkish(),
            Dir.path() + u"/"_s, [] { return QDate(2026, 12, 9); });
        W->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(W.get()));
        W->Rapor().RAPORX().SetShowProgress(false);
        for (int n = 1; n <= 43; ++n)
            W->Ayarlar().SetPosition(InvoiceLabelKey(n),
                u"%1 | %2"_s.arg(40 + 25 * ((n - 1) / 3)).arg(40 + 220 * ((n - 1) % 3)));
        W->SAYIN1->setText(u"Öztürk Gıda"_s);
    }
    void TearDown() override { W.reset(); }

    // YAZDIR; the job it gave the queue, if one ended within waitMs.
    std::optional<TCupsJob> Yazdir(int waitMs = 30000)
    {
        const int last = Server->LastJobId();
        W->MenuItem2Click();
        return Server->WaitForJob(last, waitMs);
    }
    // YAZDIR where no job may reach the queue.
    bool NothingQueued() { return !Yazdir(1500); }
    int Errors() const { return Dialogs.Count(TKind::Error); }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    std::unique_ptr<Tfatura_basimi> W;
};

} // namespace

TEST_F(PrintPathCups, AfterARefusedJobTheNextPrintAndPreviewStillWork)
{
    TQtPrinting printing;
    TPrintingScope scope(&printing);
    QString output;
    ASSERT_EQ(Server->RunTool(u"cupsreject"_s, { TCupsServer::Queue() }, &output), 0)
        << output.toStdString();
    EXPECT_TRUE(NothingQueued());
    ASSERT_EQ(Errors(), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(u"Unable to print on LEVANTA_Fatura"_s))
        << Dialogs.LastText().toStdString();
    ASSERT_EQ(Server->RunTool(u"cupsaccept"_s, { TCupsServer::Queue() }, &output), 0)
        << output.toStdString();

    const auto job = Yazdir();
    ASSERT_TRUE(job) << "the report stayed busy after the refused job";
    EXPECT_EQ(job->State, u"completed"_s);
    EXPECT_EQ(Errors(), 1) << Dialogs.LastText().toStdString();
    W->MenuItem1Click();
    TQRPrinter *preview = W->Rapor().RAPORX().QRPrinter();
    ASSERT_TRUE(preview) << "ÖNİZLEME did nothing";
    EXPECT_EQ(preview->PageCount(), 1);
}

TEST_F(PrintPathCups, TheLongSideA5IsCheckedAgainstTheQueuesMarginsAsThePageLies)
{
    TQtPrinting printing;
    TPrintingScope scope(&printing);
    // The queue cannot print the upright A5 sheet's outer 6.35 mm at its sides and 12.7 mm
    // at its ends; laid on its long side the page has 12.7 mm left and right, 6.35 mm above
    // and below.
    W->Ayarlar().sayfaTipi = 1;
    W->Ayarlar().SetPosition(u"RAPOR_SAYFASI"_s, u"0 | 0"_s);
    for (int n = 1; n <= 43; ++n)
        W->Ayarlar().SetPosition(InvoiceLabelKey(n),
            u"%1 | %2"_s.arg(40 + 25 * ((n - 1) / 3)).arg(60 + 220 * ((n - 1) % 3)));
    W->Ayarlar().SetPosition(u"SAYIN1"_s, u"200 | 29"_s); // 7.6 mm from the left edge
    W->Ayarlar().SetPosition(u"YALNIZ"_s, u"516 | 300"_s); // 136.5 mm down, ends at 141 mm
    W->YALNIZ->setText(u"Yalnız"_s);
    Dialogs.Answers = { IDialogs::TAnswer::No };
    EXPECT_TRUE(NothingQueued());
    ASSERT_EQ(Dialogs.Count(TKind::YesNo), 1);
    const QString text = Dialogs.LastText();
    EXPECT_TRUE(text.contains(u"SAYIN1 (\"Öztürk Gıda\") yazıcının basabildiği alanın dışına"_s))
        << text.toStdString();
    EXPECT_FALSE(text.contains(u"YALNIZ"_s)) << text.toStdString();
}

TEST_F(PrintPathCups, ANewDefaultPrinterIsSeenAndAMissingTrayIsNamed)
{
    TQtPrinting printing; // the program reads the printers once, at start
    TPrintingScope scope(&printing);
    const QString other = u"LEVANTA_Iki_Tepsi"_s;
    ASSERT_EQ(Server->AddQueue(other, { u"Tray1/Tray 1"_s, u"Tray2/Tray 2"_s }), QString());
    QString output;
    const auto makeDefault = [&](const QString &queue) {
        ASSERT_EQ(Server->RunTool(u"lpadmin"_s, { u"-d"_s, queue }, &output), 0)
            << output.toStdString();
    };
    const auto removeOther = qScopeGuard([&] {
        Server->RunTool(u"lpadmin"_s, { u"-d"_s, TCupsServer::Queue() });
        Server->RunTool(u"lpadmin"_s, { u"-x"_s, other });
    });
    W->Ayarlar().drpOutputBin = 2; // Sürekli Form

    const auto first = Yazdir();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->InputSlot, u"Tractor"_s);
    EXPECT_EQ(Dialogs.Count(TKind::YesNo), 0);

    makeDefault(other);
    Dialogs.Answers = { IDialogs::TAnswer::No };
    EXPECT_TRUE(NothingQueued());
    ASSERT_EQ(Dialogs.Count(TKind::YesNo), 1) << "the new default went unseen";
    EXPECT_TRUE(Dialogs.LastText().contains(u"\"LEVANTA_Iki_Tepsi\" yazıcısında düzenin "
                                            u"istediği \"Sürekli Form\" kağıt yolu yok "
                                            u"(yazıcının yolları: Tray 1, Tray 2)"_s))
        << Dialogs.LastText().toStdString();

    const auto second = Yazdir(); // Evet: print anyway, from the queue's own tray
    ASSERT_TRUE(second);
    EXPECT_EQ(second->State, u"completed"_s);
    EXPECT_TRUE(second->InputSlot.isEmpty()) << second->InputSlot.toStdString();

    // A default that goes away is gone for the program too.
    ASSERT_EQ(Server->RunTool(u"lpadmin"_s, { u"-x"_s, other }, &output), 0)
        << output.toStdString();
    Dialogs.Clear();
    EXPECT_TRUE(NothingQueued());
    ASSERT_EQ(Dialogs.Count(TKind::Error), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(NoDefaultPrinterText()))
        << Dialogs.LastText().toStdString();
}

TEST_F(PrintPathCups, AStoppedPrintServiceIsNamedAsTheCause)
{
    TQtPrinting printing;
    TPrintingScope scope(&printing);
    ASSERT_EQ(Server->Stop(), QString());
    const auto resume = qScopeGuard([&] { Server->Resume(); });
    W->MenuItem2Click();
    EXPECT_EQ(Dialogs.Count(TKind::YesNo), 0) << Dialogs.LastText().toStdString();
    ASSERT_EQ(Dialogs.Count(TKind::Error), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(PrintServiceDownText()))
        << Dialogs.LastText().toStdString();
    ASSERT_EQ(Server->Resume(), QString());
    const auto job = Yazdir();
    ASSERT_TRUE(job) << "printing did not come back with the service";
    EXPECT_EQ(job->State, u"completed"_s);
}
