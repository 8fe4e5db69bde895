// "e-Arşiv Nüshası..." on the real main window: the file dialog starts where the program was
// told, the copy of the chosen file is previewed, and a file that is no invoice says so.
#include "PrintingWindowTest.h"
#include "app/frm_fatura_basimi.h"
#include "printing/EArsivCopy.h"
#include "support/EmfText.h"
#include "support/FakePrinting.h"
#include "support/UblFixture.h"

#include <QAction>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

using EArsivNushasi = PrintingWindowTest;

QString Write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

TEST_F(EArsivNushasi, TheMenuShowsTheChosenFilesCopyAsADraft)
{
    auto *item = W->findChild<QAction *>(u"EArsivNushasi1"_s);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), u"e-Arşiv Nüshası..."_s);

    const QString file = Write(Dir.filePath(u"LVN2026000000042.xml"_s),
        ubl_fixture::UblXml(ubl_fixture::SampleInvoice(true, 20), false));
    Dialogs.Texts.push_back(file);
    item->trigger();
    ASSERT_EQ(Dialogs.Folders.size(), 1u);
    EXPECT_EQ(Dialogs.Folders[0], W->ProgramFolder()) << "nothing exported yet: the program folder";
    ASSERT_TRUE(W->EArsivNushasi());
    TQRPrinter *printer = W->EArsivNushasi()->Report().QRPrinter();
    ASSERT_TRUE(printer) << "without a preview window the pages stay with the report";
    const emftext::TPage page = emftext::Read(printer->GetPage(1).value_or(QByteArray()));
    EXPECT_TRUE(page.Find(kEArsivTaslak));
    EXPECT_TRUE(page.Find(u"Ayşe Güneş Öztürk"_s));
    EXPECT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 0) << Dialogs.LastText().toStdString();

    // The next time the dialog opens on that file; the lead's export points it elsewhere.
    W->EArsivNushasi1Click(); // cancelled: nothing changes
    EXPECT_EQ(Dialogs.Folders.back(), file);
    W->SetSonEArsivDosyasi(Dir.filePath(u"yeni.xml"_s));
    W->EArsivNushasi1Click();
    EXPECT_EQ(Dialogs.Folders.back(), Dir.filePath(u"yeni.xml"_s));
}

TEST_F(EArsivNushasi, AFileThatIsNoInvoiceShowsAnErrorAndKeepsTheLastCopy)
{
    Dialogs.Texts.push_back(Write(Dir.filePath(u"iyi.xml"_s),
        ubl_fixture::UblXml(ubl_fixture::SampleInvoice(false, 20), true)));
    W->EArsivNushasi1Click();
    TEArsivCopy *before = W->EArsivNushasi();
    ASSERT_TRUE(before);
    Dialogs.Texts.push_back(Write(Dir.filePath(u"bozuk.xml"_s), "<Invoice>"));
    W->EArsivNushasi1Click();
    ASSERT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(u"bozuk.xml"_s)) << Dialogs.LastText().toStdString();
    EXPECT_EQ(W->EArsivNushasi(), before);
    EXPECT_EQ(W->SonEArsivDosyasi(), Dir.filePath(u"iyi.xml"_s));
}

} // namespace
