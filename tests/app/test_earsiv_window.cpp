// The e-Arşiv commands on the real main window: the seller's page, one invoice's XML (checked
// by GİB's own schema and rules), a batch, and the paper limit before YAZDIR. The document's
// content itself is the builder's tests' business; these check the wiring and the questions.

#include "PrintingWindowTest.h"
#include "app/EArsivKomutlari.h"
#include "app/FirmaBilgileri.h"
#include "app/FormFields.h"
#include "app/frm_fatura_bul.h"
#include "invoice/InvoiceTable.h"
#include "support/FakePrinting.h"
#include "support/SampleSeller.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>

using namespace Qt::StringLiterals;
using TKind = TScriptedDialogs::TKind;

namespace
{

std::pair<int, QString> Validate(const QString &file)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(u"" LEVANTA_SHARED_DIR "/ubl-tr/validate"_s, { file, u"--earsiv"_s });
    if (!p.waitForFinished(120000))
        return { -1, u"validate did not finish"_s };
    return { p.exitCode(), QString::fromUtf8(p.readAll()) };
}

QString Element(const QByteArray &xml, const QString &name)
{
    const QRegularExpression re(u"<cbc:%1[^>]*>([^<]*)</cbc:%1>"_s.arg(name));
    return re.match(QString::fromUtf8(xml)).captured(1);
}

class EArsivWindow : public PrintingWindowTest
{
protected:
    void SetUp() override
    {
        PrintingWindowTest::SetUp();
        ASSERT_TRUE(Out.isValid());
    }

    IEArsivStore &Store() { return W->tfatura().EArsiv(); }

    void TypeInto(QWidget *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QTest::keyClicks(field, text);
    }

    // One line typed as a user would, the rate box set first, then KAYDET.
    void TypeAndSave(const QString &sayin1, const QString &vno, const QString &quantity,
        const QString &price, int rate = 20, const QString &tarih = u"09.12.2026"_s)
    {
        W->ORAN->setValue(rate);
        W->TARIH->setText(tarih);
        W->SAYIN1->setText(sayin1);
        W->SAYIN2->setText(u"Atatürk Cad. No:5"_s);
        W->VERGIDAIRESI->setText(u"Çankaya"_s);
        W->VERGIHESAPNO->setText(vno);
        W->B[0]->setText(u"Adet"_s);
        W->C[0]->setText(u"Dolma kalem ığüşöçİ"_s);
        TypeInto(W->M[0], quantity);
        TypeInto(W->F[0], price);
        W->SpeedButton8Click();
        ASSERT_EQ(W->GKayitModu(), u'D') << Dialogs.LastText().toStdString();
    }

    // Runs f on the modal dialog of type T once it is up; the command may run event loops of
    // its own before, so the dialog is looked for until it comes.
    template <class T> void OnDialog(std::function<void(T *)> f)
    {
        Reached = false;
        auto *poll = new QTimer(W.get());
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, poll, [this, f, poll] {
            if (auto *d = qobject_cast<T *>(QApplication::activeModalWidget())) {
                poll->deleteLater();
                poll->stop();
                Reached = true;
                f(d);
            }
        });
        poll->start();
    }

    void FillPlace(TEArsivSorular *d)
    {
        ASSERT_TRUE(d->Ilce && d->Il) << "a buyer never exported is asked where he is";
        d->Ilce->setText(u"Çankaya"_s);
        d->Il->setText(u"Ankara"_s);
        d->accept();
    }

    QString Export()
    {
        Dialogs.Texts.push_back(Out.path());
        W->EArsivXml1->trigger();
        return W->FSonEArsivDosyasi;
    }

    QTemporaryDir Out;
    bool Reached = false;
};

} // namespace

TEST_F(EArsivWindow, SellerPageRefusesABadVknAndSavesWhatItShowsAgain)
{
    OnDialog<TFirmaBilgileri>([this](TFirmaBilgileri *d) {
        EXPECT_FALSE(d->Eksik->isVisible()) << "opened from the menu, nothing is marked";
        d->Unvan->setText(u"Şahin Çelik Ağaç İşleri Ltd."_s);
        d->VergiNo->setText(u"1234567891"_s); // wrong check digit
        d->VergiDairesi->setText(u"Kızılbey"_s);
        d->Adres->setText(u"İnönü Bulvarı 12"_s);
        d->Ilce->setText(u"Çankaya"_s);
        d->Il->setText(u"Ankara"_s);
        d->Eposta->setText(u"satis@ornek.com.tr"_s);
        QTest::keyClicks(d->Seri, u"lv1"_s);
        d->Tur->setCurrentIndex(1);
        d->accept();
        EXPECT_TRUE(d->isVisible()) << "refused: the page stays";
        EXPECT_EQ(Dialogs.Count(TKind::Warning), 1);
        EXPECT_TRUE(Dialogs.LastText().contains(u"1234567891"_s))
            << Dialogs.LastText().toStdString();
        d->VergiNo->setText(u"1234567890"_s);
        d->accept();
    });
    W->FirmaBilgileri1->trigger();
    ASSERT_TRUE(Reached);
    const std::optional<TSellerInfo> saved = Store().Seller();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->Vkn, u"1234567890"_s);
    EXPECT_EQ(saved->Seri, u"LV1"_s) << "typed in lower case, kept in upper";
    EXPECT_EQ(saved->Tur, TSellerInfo::TKind::Bilanco);
    EXPECT_EQ(saved->Ulke, u"Türkiye"_s);

    OnDialog<TFirmaBilgileri>([](TFirmaBilgileri *d) {
        EXPECT_EQ(d->Unvan->text(), u"Şahin Çelik Ağaç İşleri Ltd."_s);
        EXPECT_EQ(d->Eposta->text(), u"satis@ornek.com.tr"_s);
        EXPECT_EQ(d->Tur->currentIndex(), 1);
        d->reject();
    });
    W->FirmaBilgileri1->trigger();
    ASSERT_TRUE(Reached);
    EXPECT_EQ(Store().Seller(), saved) << "cancelled: nothing changed";
}

TEST_F(EArsivWindow, ExportWithoutASellerOpensTheSellerPageWithTheGapsMarked)
{
    TypeAndSave(u"Aras Ltd."_s, u"1234567890"_s, u"2"_s, u"100"_s);
    OnDialog<TFirmaBilgileri>([](TFirmaBilgileri *d) {
        EXPECT_TRUE(d->Eksik->isVisible());
        EXPECT_TRUE(d->Seri->property("eksik").toBool());
        d->reject();
    });
    Dialogs.Texts.push_back(Out.path());
    W->EArsivXml1->trigger();
    ASSERT_TRUE(Reached);
    EXPECT_FALSE(Store().ExportOf(W->StoredRecId())) << "no number spent";
    EXPECT_TRUE(QDir(Out.path()).isEmpty());
}

TEST_F(EArsivWindow, TypedInvoiceIsWrittenValidOnceNumberedAndAChangeAsks)
{
    Store().SetSeller(SampleSeller());
    TypeAndSave(u"Aras Ltd."_s, u"1234567890"_s, u"3"_s, u"125,5"_s, 20);
    OnDialog<TEArsivSorular>([this](TEArsivSorular *d) {
        EXPECT_FALSE(d->Oran) << "a typed invoice's rate is the box's";
        EXPECT_FALSE(d->Ad) << "a company has no first name";
        FillPlace(d);
    });
    const QString path = Export();
    ASSERT_TRUE(Reached);
    EXPECT_EQ(QFileInfo(path).fileName(), u"LVN2026000000001.xml"_s);
    ASSERT_TRUE(QFileInfo::exists(path)) << Dialogs.LastText().toStdString();
    EXPECT_TRUE(Dialogs.LastText().contains(u"İMZASIZ"_s)) << Dialogs.LastText().toStdString();
    EXPECT_TRUE(Dialogs.LastText().contains(u"entegratör"_s));
    const QByteArray first = ReadBytes(path);
    EXPECT_EQ(Element(first, u"Percent"_s), u"20"_s);
    EXPECT_EQ(Element(first, u"PayableAmount"_s), u"451.80"_s);
    const auto [code, report] = Validate(path);
    EXPECT_EQ(code, 0) << report.toStdString();
    EXPECT_EQ(Store().Buyer(u"1234567890"_s)->Il, u"Ankara"_s) << "remembered for that number";

    // Again: nothing asked but the replacement, and the very same document.
    Dialogs.Clear();
    EXPECT_EQ(Export(), path);
    EXPECT_EQ(Dialogs.Count(TKind::YesNo), 1) << "replace the file?";
    EXPECT_EQ(ReadBytes(path), first) << "same number, ETTN and time";

    // Changed since: asked, with the integrator's cancellation explained; No writes nothing.
    W->SAYIN2->setText(u"Yeni adres"_s);
    W->SpeedButton8Click();
    Dialogs.Clear();
    Dialogs.Answers = { IDialogs::TAnswer::No };
    Export();
    ASSERT_EQ(Dialogs.Count(TKind::YesNo), 1);
    EXPECT_TRUE(Dialogs.Shown.front().Text.contains(u"iptal"_s));
    EXPECT_EQ(ReadBytes(path), first);
    Dialogs.Clear();
    Export(); // Yes to both the change and the replacement
    EXPECT_NE(ReadBytes(path), first);
    EXPECT_TRUE(ReadBytes(path).contains("Yeni adres"));
    EXPECT_EQ(Element(ReadBytes(path), u"UUID"_s), Element(first, u"UUID"_s));
    EXPECT_EQ(Store().ExportOf(W->StoredRecId())->Ozet,
        InvoiceFingerprint(*W->tfatura().ReadRecord(W->StoredRecId())));
}

TEST_F(EArsivWindow, RecalledInvoicesRateIsWorkedOutFromItsTotals)
{
    Store().SetSeller(SampleSeller());
    Store().SetBuyer({ u"1234567890"_s, {}, {}, u"Çankaya"_s, u"Ankara"_s });
    TypeAndSave(u"Aras Ltd."_s, u"1234567890"_s, u"1"_s, u"250"_s, 8);
    // The next start: the box shows the settings' rate, the invoice comes back through BUL.
    auto find = std::make_unique<Tfatura_bul>(Dialogs);
    W->SetFindDialog(find.get());
    W->SpeedButton9Click();
    W->ORAN->setValue(20);
    QTimer::singleShot(0, find.get(), [&] { find->Button1Click(); });
    W->SpeedButton11Click();
    ASSERT_TRUE(W->Recalled());
    const QString path = Export();
    ASSERT_TRUE(QFileInfo::exists(path)) << Dialogs.LastText().toStdString();
    EXPECT_EQ(Element(ReadBytes(path), u"Percent"_s), u"8"_s);
    EXPECT_EQ(Store().ExportOf(W->StoredRecId())->Oran, 8);

    // An exported invoice deleted in the find dialog: asked, and its number stays taken.
    Dialogs.Clear();
    Dialogs.Answers = { IDialogs::TAnswer::No };
    find->Button4Click();
    ASSERT_EQ(Dialogs.Count(TKind::YesNo), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(u"LVN2026000000001"_s));
    EXPECT_EQ(W->tfatura().RecordCount(), 1);
}

TEST_F(EArsivWindow, BadBuyerNumberIsRefusedAndNothingIsNumberedOrWritten)
{
    Store().SetSeller(SampleSeller());
    TypeAndSave(u"Aras Ltd."_s, u"1234567891"_s, u"1"_s, u"100"_s);
    Export();
    ASSERT_EQ(Dialogs.Count(TKind::Warning), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(u"1234567891"_s)) << Dialogs.LastText().toStdString();
    EXPECT_FALSE(Store().ExportOf(W->StoredRecId()));
    EXPECT_TRUE(QDir(Out.path()).isEmpty());
    EXPECT_TRUE(W->FSonEArsivDosyasi.isEmpty());
}

TEST_F(EArsivWindow, BatchNumbersInDateOrderAndSaysWhatItSkippedAndWhy)
{
    Store().SetSeller(SampleSeller());
    Store().SetBuyer({ u"1234567890"_s, {}, {}, u"Çankaya"_s, u"Ankara"_s });
    TypeAndSave(u"Geç Ltd."_s, u"1234567890"_s, u"1"_s, u"200"_s, 20, u"05.12.2026"_s);
    const std::int32_t later = W->StoredRecId();
    W->SpeedButton9Click();
    TypeAndSave(u"Erken Ltd."_s, u"1234567890"_s, u"1"_s, u"100"_s, 20, u"02.12.2026"_s);
    const std::int32_t earlier = W->StoredRecId();
    W->SpeedButton9Click();
    TypeAndSave(u"Yeni Müşteri"_s, u"10000000078"_s, u"1"_s, u"50"_s, 20, u"03.12.2026"_s);
    const std::int32_t unknown = W->StoredRecId();
    W->SpeedButton9Click();
    TypeAndSave(u"Ocak"_s, u"1234567890"_s, u"1"_s, u"50"_s, 20, u"03.01.2026"_s); // outside

    Dialogs.Clear();
    Dialogs.Texts = { u"01.12.2026"_s, u"31.12.2026"_s, Out.path() };
    W->TopluEArsiv1->trigger();
    ASSERT_EQ(Dialogs.Count(TKind::OkCancel), 1);
    EXPECT_TRUE(Dialogs.Shown[2].Text.contains(u"KÂĞIDA BASILIP"_s)) << "warned before anything";
    EXPECT_EQ(Store().ExportOf(earlier)->Numara, u"LVN2026000000001"_s);
    EXPECT_EQ(Store().ExportOf(later)->Numara, u"LVN2026000000002"_s);
    EXPECT_FALSE(Store().ExportOf(unknown));
    EXPECT_EQ(QDir(Out.path()).entryList(QDir::Files),
        (QStringList { u"LVN2026000000001.xml"_s, u"LVN2026000000002.xml"_s }));
    const QString summary = Dialogs.LastText();
    EXPECT_TRUE(summary.startsWith(u"2 fatura yazıldı"_s)) << summary.toStdString();
    EXPECT_TRUE(summary.contains(u"1 fatura atlandı"_s)) << summary.toStdString();
    EXPECT_TRUE(summary.contains(u"REC_ID %1, Yeni Müşteri: "_s.arg(unknown)));
    EXPECT_TRUE(summary.contains(u"ilçesi ve ili"_s));
    EXPECT_TRUE(W->FSonEArsivDosyasi.endsWith(u"LVN2026000000002.xml"_s));

    // Once more: nothing left to export in the range.
    Dialogs.Clear();
    Dialogs.Texts = { u"01.12.2026"_s, u"31.12.2026"_s, Out.path() };
    W->TopluEArsiv1->trigger();
    EXPECT_TRUE(Dialogs.LastText().startsWith(u"0 fatura yazıldı"_s));
}

TEST_F(EArsivWindow, PrintAboveThePaperLimitWarnsAndOffersTheXml)
{
    Store().SetSeller(SampleSeller());
    TPrintingScope none(nullptr);
    struct {
        const char *Why;
        QString Price;
        QString Tarih;
        TSellerInfo::TKind Kind;
        bool Warned;
    } rows[] = {
        { "2.500 + 20 % = 3.000: on the limit", u"2500"_s, u"09.12.2026"_s,
            TSellerInfo::TKind::BasitIsletme, false },
        { "3.000,01 with VAT", u"2500,01"_s, u"09.12.2026"_s, TSellerInfo::TKind::BasitIsletme,
            true },
        { "after the end of paper", u"10"_s, u"04.01.2027"_s, TSellerInfo::TKind::BasitIsletme,
            true },
        { "a balance-sheet taxpayer, any invoice", u"10"_s, u"09.12.2026"_s,
            TSellerInfo::TKind::Bilanco, true },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        TSellerInfo s = SampleSeller(r.Kind);
        Store().SetSeller(s);
        W->ORAN->setValue(20);
        W->TARIH->setText(r.Tarih);
        W->F[0]->setFocus(Qt::TabFocusReason);
        W->F[0]->clear();
        TypeInto(W->M[0], u"1"_s);
        W->F[0]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(W->F[0], Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(W->F[0], r.Price);
        Dialogs.Clear();
        Dialogs.Answers = { IDialogs::TAnswer::Cancel };
        W->MenuItem2Click();
        EXPECT_EQ(Dialogs.Count(TKind::YesNoCancel), r.Warned ? 1 : 0);
        // Cancel prints nothing; without a warning the print went on (and found no printer).
        EXPECT_EQ(Dialogs.Count(TKind::Error), r.Warned ? 0 : 1);
        if (r.Warned) {
            EXPECT_TRUE(Dialogs.Shown.front().Text.contains(u"e-Arşiv"_s));
        }
    }
}
