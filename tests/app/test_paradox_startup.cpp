// The first start in the old program's folder: its Paradox table becomes ours, the user is
// told once, and the invoices come back on screen through the find dialog.

#include "app/FormFields.h"
#include "app/frm_fatura_basimi.h"
#include "app/frm_fatura_bul.h"
#include "invoice/InvoiceTable.h"
#include "support/ParadoxWriter.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace Qt::StringLiterals;
using TKind = TScriptedDialogs::TKind;

namespace
{

class ParadoxStartUp : public ::testing::Test
{
protected:
    QString Folder() const { return Dir.path() + u"/"_s; }
    QString PathOf(const QString &name) const { return Dir.filePath(name); }

    void Start()
    {
        W = std::make_unique<Tfatura_basimi>(
            Dialogs, TFormatSettings::Turkish(), Folder(), [] { return QDate(2026, 12, 9); });
        FindDialog = std::make_unique<Tfatura_bul>(Dialogs);
        W->SetFindDialog(FindDialog.get());
        W->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(W.get()));
    }

    // BUL, then KAYDA GİT on the find list's current (first) row.
    void RecallFirst()
    {
        QTimer::singleShot(0, FindDialog.get(), [this] {
            if (FindDialog->isVisible())
                QTest::mouseClick(FindDialog->Button1, Qt::LeftButton);
        });
        QTest::mouseClick(W->SpeedButton11, Qt::LeftButton);
    }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    std::unique_ptr<Tfatura_basimi> W;
    std::unique_ptr<Tfatura_bul> FindDialog;
};

TEST_F(ParadoxStartUp, OldTableIsBroughtOverAndRecalledWithItsTurkishLetters)
{
    {
        TParadoxWriter w(PathOf(u"fatura.DB"_s), InvoiceLayout());
        TInvoiceRecord r;
        r.REC_ID = 41;
        r.TARIH = u"15.01.2019"_s;
        r.SAYIN1 = u"Gülşen Çağrı Işıklı"_s;
        r.SAYIN2 = u"Atatürk Bulvarı No: 1"_s;
        r.SAYIN3 = u"İZMİR"_s;
        r.VDAIRESI = u"Konak"_s;
        r.VNO = u"9876543210"_s;
        r.M[0] = 2;
        r.B[0] = u"Kutu"_s;
        r.C[0] = u"Ağır yük şeridi"_s;
        r.F[0] = 50;
        r.T[0] = 100;
        r.YEKUN = 100;
        r.KDV = 18;
        r.TOPLAM = 118;
        r.YANLIZ = u"YÜZONSEKİZ TL"_s;
        w.Put(ValuesOf(r));
        r.REC_ID = 42;
        r.SAYIN1 = u"İkinci"_s;
        w.Put(ValuesOf(r));
    }
    WriteBytes(PathOf(u"fatura.PX"_s), "index");
    Start();

    // Told once, in Turkish, how many and where the old files lie.
    ASSERT_EQ(Dialogs.Shown.size(), 1u) << Dialogs.LastText().toStdString();
    EXPECT_EQ(Dialogs.Shown[0].Kind, TKind::Information);
    EXPECT_TRUE(Dialogs.LastText().contains(u"2 fatura"_s)) << Dialogs.LastText().toStdString();
    EXPECT_TRUE(Dialogs.LastText().contains(PathOf(u"eski_paradox"_s)));
    EXPECT_TRUE(QFileInfo::exists(PathOf(u"eski_paradox/fatura.PX"_s)));
    // The rest of the start-up ran.
    EXPECT_EQ(W->TARIH->text(), u"09.12.2026"_s);
    ASSERT_EQ(W->tfatura().RecordCount(), 2);

    RecallFirst();
    EXPECT_EQ(W->GKayitModu(), u'D');
    EXPECT_EQ(W->TARIH->text(), u"15.01.2019"_s);
    EXPECT_EQ(W->SAYIN1->text(), u"Gülşen Çağrı Işıklı"_s);
    EXPECT_EQ(W->SAYIN3->text(), u"İZMİR"_s);
    EXPECT_EQ(W->VERGIDAIRESI->text(), u"Konak"_s);
    EXPECT_EQ(W->VERGIHESAPNO->text(), u"9876543210"_s);
    EXPECT_EQ(W->C[0]->text(), u"Ağır yük şeridi"_s);
    EXPECT_EQ(W->B[0]->text(), u"Kutu"_s);
    EXPECT_EQ(W->M[0]->text(), u"2"_s);
    EXPECT_EQ(W->F[0]->text(), u"50,00"_s);
    EXPECT_EQ(W->TOPLAM->text(), u"118,00"_s);
    EXPECT_EQ(W->YALNIZ->text(), u"YÜZONSEKİZ TL"_s);

    // The next start is an ordinary one.
    FindDialog.reset();
    W.reset();
    Dialogs.Clear();
    Start();
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();
}

TEST_F(ParadoxStartUp, DamagedOldTableShowsWhatToDoAndTouchesNothing)
{
    {
        TParadoxWriter w(PathOf(u"fatura.DB"_s), InvoiceLayout());
        w.Put({ { "REC_ID", 1L }, { "TARIH", QByteArray("1") }, { "SAYIN1", QByteArray("a") } });
    }
    QByteArray damaged = ReadBytes(PathOf(u"fatura.DB"_s));
    damaged.truncate(damaged.size() - 100);
    WriteBytes(PathOf(u"fatura.DB"_s), damaged);
    Start();

    ASSERT_EQ(Dialogs.Count(TKind::Error), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(u"okunamadı"_s)) << Dialogs.LastText().toStdString();
    EXPECT_TRUE(Dialogs.LastText().contains(u"yeniden başlatın"_s));
    EXPECT_EQ(ReadBytes(PathOf(u"fatura.DB"_s)), damaged);
    EXPECT_FALSE(QFileInfo::exists(PathOf(u"eski_paradox"_s)));
    // An error in the start-up skips the rest of it.
    EXPECT_TRUE(W->TARIH->text().isEmpty());
    EXPECT_FALSE(W->tfatura().Active());
}

} // namespace
