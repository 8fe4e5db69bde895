// ÖNİZLEME and YAZDIR on the real main window: the field being typed in finishes first, the
// report is composed from the form, and printing leaves the invoice as it was.

#include "PrintingWindowTest.h"
#include "app/FormFields.h"
#include "app/frm_fatura_basimi.h"
#include "invoice/InvoiceTable.h"
#include "printing/Calibration.h"
#include "printing/InvoiceReport.h"
#include "report/QRUnits.h"
#include "support/EmfText.h"
#include "support/FakePrinting.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

class PrintCommands : public PrintingWindowTest
{
protected:
    void TypeInto(QWidget *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QTest::keyClicks(field, text);
    }
};

} // namespace

TEST_F(PrintCommands, PreviewTakesTheFieldStillBeingTypedAndWhatItRecomputes)
{
    TypeInto(W->M[0], u"3"_s);
    TypeInto(W->F[0], u"12,5"_s); // not left: ÖNİZLEME must finish it
    W->MenuItem1Click();
    EXPECT_EQ(QApplication::focusWidget(), W->TARIH);
    TQRPrinter *printer = W->Rapor().RAPORX().QRPrinter();
    ASSERT_TRUE(printer) << "without a preview window the recorded page stays with the report";
    ASSERT_EQ(printer->PageCount(), 1);
    const emftext::TPage page = emftext::Read(*printer->GetPage(1));
    EXPECT_TRUE(page.Find(u"12,50"_s)) << "the price as it will print";
    EXPECT_TRUE(page.Find(u"37,50"_s)) << "the line amount the leave rule computed";
    EXPECT_TRUE(page.Find(u"3 "_s)) << "quantity with its (empty) unit";
    EXPECT_TRUE(page.Find(u"09.12.2026"_s));
    EXPECT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 0) << Dialogs.LastText().toStdString();
}

TEST_F(PrintCommands, PrintingAnUnsavedInvoiceLeavesItUnsaved)
{
    auto printing = TFakePrinting::Standard();
    TPrintingScope scope(printing.get());
    W->Rapor().RAPORX().SetShowProgress(false);
    W->SAYIN1->setText(u"Öztürk Gıda"_s);
    W->Ayarlar().SetPosition(u"SAYIN1", u"40 | 30"_s);
    W->Ayarlar().drpOutputBin = 2;
    W->MenuItem2Click();
    ASSERT_EQ(printing->Jobs.size(), 1u);
    EXPECT_TRUE(printing->Jobs[0].Ended);
    EXPECT_EQ(printing->Written.back().DefaultSource, 8) << "Sürekli Form goes as the tractor";
    const emftext::TPage page = emftext::Read(printing->Jobs[0].Pages[0]);
    EXPECT_TRUE(page.Find(u"Öztürk Gıda"_s)) << "a changed, unsaved position still prints";
    EXPECT_EQ(W->GKayitModu(), u'Y');
    EXPECT_EQ(W->tfatura().RecordCount(), 0);
}

TEST_F(PrintCommands, PrintWithoutAPrinterSaysSoAndChangesNothing)
{
    TPrintingScope none(nullptr);
    TypeInto(W->SAYIN1, u"X"_s);
    W->MenuItem2Click();
    ASSERT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(u"There is no default printer currently selected"_s));
    EXPECT_EQ(W->SAYIN1->text(), u"X"_s);
}

TEST_F(PrintCommands, AWrongTaxNumberTurnsRedAndSaysWhyButIsKept)
{
    W->VERGIHESAPNO->setText(u"1234567891"_s);
    EXPECT_EQ(W->VERGIHESAPNO->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_TRUE(W->VERGIHESAPNO->toolTip().contains(u"VKN"_s));
    EXPECT_EQ(W->VERGIHESAPNO->text(), u"1234567891"_s);
    W->VERGIHESAPNO->setText(u"1234567890"_s);
    EXPECT_NE(W->VERGIHESAPNO->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_TRUE(W->VERGIHESAPNO->toolTip().isEmpty());
}

TEST_F(PrintCommands, ACalibrationMovesOnlyWhatGoesToThatPrintersTray)
{
    auto printing = TFakePrinting::Standard();
    TPrintingScope scope(printing.get());
    W->Rapor().RAPORX().SetShowProgress(false);
    W->SAYIN1->setText(u"Kutu"_s);
    W->Ayarlar().SetPosition(u"SAYIN1", u"200 | 300"_s);
    // 1.5 mm right and 0.8 mm up on the tractor feed of the first printer.
    WriteCalibration(PrintSettingsPath(W->ProgramFolder()), u"Fake A"_s, 8, { 15, -8 });

    const auto printedAt = [&](int tray) {
        W->Ayarlar().drpOutputBin = tray;
        W->MenuItem2Click();
        const emftext::TPage page = emftext::Read(printing->Jobs.back().Pages[0]);
        const emftext::TText *t = page.Find(u"Kutu"_s);
        return t ? t->At : QPoint(-1, -1);
    };
    const QPoint manual = printedAt(1), tractor = printedAt(2);
    // At 600 dpi a tenth of a millimetre is 600 / 254 device pixels.
    EXPECT_NEAR(tractor.x() - manual.x(), 15 * 600 / 254.0, 1.0);
    EXPECT_NEAR(tractor.y() - manual.y(), -8 * 600 / 254.0, 1.0);

    W->MenuItem1Click(); // the preview keeps the layout's place
    const emftext::TPage preview = emftext::Read(*W->Rapor().RAPORX().QRPrinter()->GetPage(1));
    const emftext::TText *t = preview.Find(u"Kutu"_s);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->At,
        QPoint(static_cast<int>(std::nearbyintl((100 + 300 * 254.0L / 96) * 96 / 254)),
            static_cast<int>(std::nearbyintl((100 + 200 * 254.0L / 96) * 96 / 254))));
}

// Record → screen → record and → print texts: the fields' walks in their own orders must land
// every value where it was, and 20,995 typed into a price must print as 20.995,00.
TEST_F(PrintCommands, ARecordGoesToTheScreenAndToPaperFieldByField)
{
    TInvoiceRecord r;
    r.TARIH = u"09.12.2026"_s;
    r.SAYIN1 = u"ŞAHİN ÇELİK"_s;
    r.SAYIN2 = u"Atatürk Cad. 5"_s;
    r.SAYIN3 = u"Çankaya"_s;
    r.VDAIRESI = u"Kızılbey"_s;
    r.VNO = u"1234567890"_s;
    for (int i = 0; i < 8; ++i) {
        r.M[size_t(i)] = i + 1;
        r.B[size_t(i)] = u"Kg%1"_s.arg(i);
        r.C[size_t(i)] = u"Ürün %1"_s.arg(i);
        r.F[size_t(i)] = 10.5 * (i + 1);
        r.T[size_t(i)] = r.M[size_t(i)] * r.F[size_t(i)];
    }
    r.F[3] = 20995;
    r.YEKUN = 111.25;
    r.KDV = 22.25;
    r.TOPLAM = 133.5;
    r.YANLIZ = u"#YüzOtuzÜçTürkLirası#"_s;
    W->KAYITTAN_EKRANA(r);
    EXPECT_EQ(W->EKRANDAN_KAYDA(), r);

    W->Rapor().RAPOR_DOLDUR(W->FormValues(), W->TOPLAM->DisplayFormat());
    const std::pair<int, QString> captions[]
        = { { 1, u"09.12.2026"_s }, { 2, u"ŞAHİN ÇELİK"_s }, { 5, u"Kızılbey"_s },
              { 6, u"1234567890"_s }, { 7, u"1 Kg0"_s }, { 14, u"8 Kg7"_s }, { 15, u"Ürün 0"_s },
              { 23, u"10,50"_s }, { 26, u"20.995,00"_s }, { 38, u"672,00"_s }, { 39, u"111,25"_s },
              { 40, u"22,25"_s }, { 41, u"133,50"_s }, { 42, u"#YüzOtuzÜçTürkLirası#"_s } };
    for (const auto &[label, text] : captions)
        EXPECT_EQ(W->Rapor().QRLabel(label).Caption(), text) << "QRLabel" << label;
}
