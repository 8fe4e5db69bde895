// YAZDIR on the real main window asks before a print that would waste a form: one box with
// every finding, before anything reaches the printer; "Evet" prints anyway, "Hayır" sends
// nothing.

#include "app/FormFields.h"
#include "app/frm_fatura_basimi.h"
#include "printing/InvoiceReport.h"
#include "report/QRUnits.h"
#include "support/FakePrinting.h"
#include "support/ScriptedDialogs.h"

#include <QTemporaryDir>
#include <QTest>

#include "PrintingWindowTest.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

class PrintWarningsWindow : public PrintingWindowTest
{
protected:
    void SetUp() override
    {
        PrintingWindowTest::SetUp();
        W->Rapor().RAPORX().SetShowProgress(false);
        Dialogs.Clear();
    }

    // Every value in its own place on an A4 form, well inside any printer's reach.
    void LayOut()
    {
        for (int n = 1; n <= 43; ++n) {
            const int row = (n - 1) / 3, col = (n - 1) % 3;
            W->Ayarlar().SetPosition(
                InvoiceLabelKey(n), u"%1 | %2"_s.arg(40 + 25 * row).arg(40 + 220 * col));
        }
    }

    int YesNoAsked() const { return Dialogs.Count(TScriptedDialogs::TKind::YesNo); }
};

} // namespace

TEST_F(PrintWarningsWindow, ALaidOutFormPrintsWithoutAQuestion)
{
    auto printing = TFakePrinting::Standard();
    TPrintingScope scope(printing.get());
    LayOut();
    W->SAYIN1->setText(u"Öztürk Gıda"_s);
    W->MenuItem2Click();
    EXPECT_EQ(YesNoAsked(), 0) << Dialogs.LastText().toStdString();
    ASSERT_EQ(printing->Jobs.size(), 1u);
}

TEST_F(PrintWarningsWindow, TheUntouchedLayoutIsSaidInOneSentenceAndCancelSendsNothing)
{
    auto printing = TFakePrinting::Standard();
    TPrintingScope scope(printing.get());
    W->SAYIN1->setText(u"Öztürk Gıda"_s);
    W->SAYIN2->setText(u"Atatürk Cad. 5"_s);
    Dialogs.Answers = { IDialogs::TAnswer::No };
    const size_t written = printing->Written.size();
    W->MenuItem2Click();
    ASSERT_EQ(YesNoAsked(), 1);
    const QString text = Dialogs.LastText();
    // KDV_YUZDE starts 10 pixels off the others: over the pile, not in it.
    EXPECT_TRUE(text.contains(u"3 değer aynı yere, üst üste basılacak (TARIH, SAYIN1, SAYIN2)"_s))
        << text.toStdString();
    EXPECT_FALSE(text.contains(u"üst üste biniyor"_s))
        << "no list of pairs: " << text.toStdString();
    EXPECT_TRUE(printing->Jobs.empty()) << "cancel sends nothing";
    EXPECT_EQ(printing->Written.size(), written + 1) << "only the check's own device was set";
}

TEST_F(PrintWarningsWindow, AValueOffThePaperAsksAndPrintAnywayPrints)
{
    auto printing = TFakePrinting::Standard();
    TPrintingScope scope(printing.get());
    LayOut();
    W->Ayarlar().SetPosition(u"SAYIN1", u"300 | 760"_s); // A4 is 794 pixels wide
    W->SAYIN1->setText(u"Çok Uzun Bir Müşteri Adı Ticaret Ltd."_s);
    Dialogs.Answers = { IDialogs::TAnswer::Yes };
    W->MenuItem2Click();
    ASSERT_EQ(YesNoAsked(), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(u"SAYIN1"_s));
    EXPECT_TRUE(Dialogs.LastText().contains(u"kağıdın dışına"_s))
        << Dialogs.LastText().toStdString();
    ASSERT_EQ(printing->Jobs.size(), 1u) << "print anyway";
    EXPECT_TRUE(printing->Jobs[0].Ended);
}

TEST_F(PrintWarningsWindow, EveryFindingComesInOneBox)
{
    auto printing = TFakePrinting::Standard();
    // The default printer offers A4 only, and cannot print its outer 8.5 mm.
    printing->Devices[0].PaperCodes = { 9 };
    printing->Devices[0].PhysicalOffset = QPoint(200, 200);
    TPrintingScope scope(printing.get());
    LayOut();
    W->Ayarlar().sayfaTipi = 1; // A5 on its long side
    W->Ayarlar().SetPosition(u"RAPOR_SAYFASI", u"0 | 0"_s);
    W->Ayarlar().SetPosition(u"SAYIN1", u"0 | 0"_s); // in the printer's margin
    W->SAYIN1->setText(u"Kenar"_s);
    W->SAYIN2->setText(u"Üst"_s);
    W->Ayarlar().SetPosition(u"SAYIN2", u"5 | 10"_s); // over SAYIN1
    Dialogs.Answers = { IDialogs::TAnswer::No };
    W->MenuItem2Click();
    ASSERT_EQ(YesNoAsked(), 1) << "one box, not one per finding";
    const QString text = Dialogs.LastText();
    EXPECT_TRUE(text.contains(u"\"Fake A\" yazıcısı düzenin istediği A5 kağıdını sunmuyor"_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"SAYIN1 (\"Kenar\") yazıcının basabildiği alanın dışına"_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"SAYIN1 (\"Kenar\") ile SAYIN2 (\"Üst\") üst üste"_s))
        << text.toStdString();
    EXPECT_TRUE(printing->Jobs.empty());
}

TEST_F(PrintWarningsWindow, WithoutAPrinterThePrintSaysSoWithoutAQuestion)
{
    TPrintingScope none(nullptr);
    W->MenuItem2Click();
    EXPECT_EQ(YesNoAsked(), 0);
    EXPECT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 1);
}

TEST_F(PrintWarningsWindow, ACutAmountIsNamedWithWhatWouldPrintAndHayirSendsNothing)
{
    auto printing = TFakePrinting::Standard();
    TPrintingScope scope(printing.get());
    LayOut();
    const auto type = [](QWidget *field, const QString &text) {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QTest::keyClicks(field, text);
    };
    type(W->M[0], u"1000"_s);
    type(W->F[0], u"987654,32"_s);
    // First the paper limit (print on paper anyway), then the cut amounts (do not print).
    Dialogs.Answers = { IDialogs::TAnswer::No, IDialogs::TAnswer::No };
    W->MenuItem2Click();
    ASSERT_EQ(YesNoAsked(), 1) << "a wrong figure went to paper unasked";
    const QString text = Dialogs.LastText();
    // The 90-pixel amount boxes keep only the digits that fit.
    EXPECT_TRUE(text.contains(u"T1 kutusuna sığmıyor: kağıda \"987.654.320,00\" yerine "
                              u"\"987.654.320,0\" basılacak"_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"TOPLAM kutusuna sığmıyor"_s)) << text.toStdString();
    EXPECT_FALSE(text.contains(u"M1 kutusuna"_s)) << "1.000 fits its box";
    EXPECT_TRUE(printing->Jobs.empty());
}
