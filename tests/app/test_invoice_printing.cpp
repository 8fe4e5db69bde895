// YAZDIR of a typed invoice to the private queue: every value lands where the layout file
// puts it on the paper (left margin + horizontal x 25.4/96 mm, top margin + vertical x
// 25.4/96 mm), on A4 upright and on A5 lying on its long side, with the chosen tray.

#include "support/CupsTestSupport.h"

#include "app/FormFields.h"
#include "app/frm_fatura_basimi.h"
#include "platform/Ini.h"
#include "platform/widgets/QtPrinting.h"
#include "printing/InvoiceReport.h"
#include "printing/PrintSettings.h"
#include "report/QRUnits.h"
#include "support/FakePrinting.h"
#include "support/ScriptedDialogs.h"

#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using TInvoiceCupsTest = TCupsTest;

TEST_F(TInvoiceCupsTest, EveryValueLandsInItsBox)
{
    const struct {
        const char *Why;
        int Paper, Tray, Orientation;
        double Width, Length;
        const char *InputSlot;
    } cases[] = {
        { "A4 upright, automatic tray", 0, 0, 0, 210, 297, "Auto" },
        { "A5 lying on its long side, manual feed", 1, 1, 0, 210, 148, "Manual" },
    };
    SetQRScreenResolution(96);
    TQtPrinting printing;
    TPrintingScope scope(&printing);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Why);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString folder = dir.path() + u"/"_s;
        {
            TIniFile ini(PrintSettingsPath(folder));
            ini.WriteString(u"FATURE_AYAR", u"RAPOR_SAYFASI", u"12 | 15");
            ini.WriteString(u"FATURE_AYAR", u"SAYIN1", u"40 | 30");
            ini.WriteString(u"FATURE_AYAR", u"VERGIDAIRESI", u"100 | 300");
            ini.WriteString(u"FATURE_AYAR", u"C1", u"200 | 120");
            ini.WriteString(u"FATURE_AYAR", u"TOPLAM", u"400 | 500");
            ini.WriteInteger(u"FATURE_AYAR", u"sayfaTipi", c.Paper);
            ini.WriteInteger(u"FATURE_AYAR", u"drpOutputBin", c.Tray);
            ini.WriteInteger(u"FATURE_AYAR", u"sayfa_yonelimi", c.Orientation);
        }
        TScriptedDialogs dialogs;
        Tfatura_basimi w(dialogs, TFormatSettings::Turkish(), folder);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        w.Rapor().RAPORX().SetShowProgress(false);
        w.SAYIN1->setText(u"Öztürk"_s);
        w.VERGIDAIRESI->setText(u"Kadıköy"_s);
        w.C[0]->setText(u"Defter"_s);
        w.M[0]->SetValue(2);
        w.F[0]->SetValue(1000);
        w.YEKUN_KDV_TOPLAM();

        const int last = Server->LastJobId();
        w.MenuItem2Click();
        ASSERT_EQ(dialogs.Count(TScriptedDialogs::TKind::Error), 0)
            << dialogs.LastText().toStdString();
        const auto job = Server->WaitForJob(last);
        ASSERT_TRUE(job) << "the job did not end";
        EXPECT_EQ(job->InputSlot, QString::fromLatin1(c.InputSlot));
        QString error;
        const auto pages = ReadQueuedPdf(Server->OutputPath(), c.Width > c.Length, &error);
        ASSERT_EQ(pages.size(), 1u) << error.toStdString();
        EXPECT_NEAR(pages[0].Width, c.Width, 0.5);
        EXPECT_NEAR(pages[0].Length, c.Length, 0.5);

        const double mm = 25.4 / 96;
        const struct {
            QString Word;
            double Left, Top;
        } values[] = {
            { u"Öztürk"_s, 15 + 30 * mm, 12 + 40 * mm },
            { u"Kadıköy"_s, 15 + 300 * mm, 12 + 100 * mm },
            { u"Defter"_s, 15 + 120 * mm, 12 + 200 * mm },
        };
        for (const auto &v : values) {
            if (v.Top > c.Length - 5)
                continue; // beyond an A5 sheet's edge: not printed
            if (const TPlacedWord *word = FindWord(pages[0], v.Word)) {
                EXPECT_NEAR(word->Left, v.Left, 0.3) << v.Word.toStdString();
                EXPECT_NEAR(word->Top, v.Top, 0.3) << v.Word.toStdString();
            }
        }
    }
}
