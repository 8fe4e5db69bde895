// The main window driven as the user drives it: shown, active, keys and clicks through Qt.

#include "app/FormFields.h"
#include "app/frm_fatura_basimi.h"
#include "app/frm_fatura_bul.h"
#include "app/frm_kdv_li_tutar.h"
#include "app/ucretsiz_yazilimlar_icin_blg.h"
#include "invoice/InvoiceTable.h"
#include "support/NoRootPrivileges.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace Qt::StringLiterals;

QT_BEGIN_NAMESPACE
// Readable failures: QString as its text.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(QChar c, std::ostream *os)
{
    *os << '\'' << QString(c).toStdString() << '\'';
}
QT_END_NAMESPACE

using TKind = TScriptedDialogs::TKind;

namespace
{

const QDate kToday(2026, 12, 9);

class MainWindow : public ::testing::Test
{
protected:
    QString Folder() const { return Dir.path() + u"/"_s; }
    QString PathOf(const QString &name) const { return Folder() + name; }

    void WriteFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(PathOf(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Starts the program's main window in the temp folder with a Turkish locale.
    void Start()
    {
        W = std::make_unique<Tfatura_basimi>(
            Dialogs, TFormatSettings::Turkish(), Folder(), [] { return kToday; });
        FindDialog = std::make_unique<Tfatura_bul>(Dialogs);
        W->SetFindDialog(FindDialog.get());
        VatDialog = std::make_unique<Tkdv_li_tutar>(Dialogs, TFormatSettings::Turkish());
        W->SetVatDialog(VatDialog.get());
        InfoWindow = std::make_unique<Tucretsiz_yazilimlar_icin_bilgi>();
        InfoWindow->SetPagesFolder(Folder() + u"pages/"_s);
        W->SetInfoWindow(InfoWindow.get());
        W->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(W.get()));
    }

    QWidget *Focused() const { return QApplication::focusWidget(); }

    void Enter(QWidget *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(field, text);
    }

    // Types into a field and leaves it with Tab, so that its exit action runs.
    void Type(QWidget *field, const QString &text)
    {
        Enter(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    }

    void Click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Opens BUL and, once the find dialog is up, presses its button of the given name.
    void FindAndPress(QPushButton *Tfatura_bul::*button)
    {
        QTimer::singleShot(0, FindDialog.get(), [this, button] {
            if (FindDialog->isVisible())
                QTest::mouseClick(FindDialog.get()->*button, Qt::LeftButton);
        });
        Click(W->SpeedButton11);
    }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    std::unique_ptr<Tfatura_basimi> W;
    std::unique_ptr<Tfatura_bul> FindDialog;
    std::unique_ptr<Tkdv_li_tutar> VatDialog;
    std::unique_ptr<Tucretsiz_yazilimlar_icin_bilgi> InfoWindow;
};

// ---------------------------------------------------------------------------------------
// Start-up

TEST_F(MainWindow, FirstStartInEmptyFolderCreatesFilesAndUsesDefaults)
{
    Start();
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();
    EXPECT_TRUE(QFile::exists(PathOf(u"fatura_ayar.ini"_s)));
    EXPECT_EQ(QFile(PathOf(u"fatura_ayar.ini"_s)).size(), 0);
    EXPECT_TRUE(QFile::exists(PathOf(u"fatura.DB"_s)));

    EXPECT_EQ(W->windowTitle(), u"LEVANTA v1.4 [ Güncelleme : 15.01.2019 ]  "_s);
    EXPECT_EQ(W->size(), QSize(463, 513));
    EXPECT_EQ(W->TARIH->text(), u"09.12.2026"_s);
    EXPECT_EQ(W->GKayitModu(), u'Y');
    EXPECT_FALSE(W->KDVDahil1->isChecked());
    EXPECT_FALSE(W->tutarsabit->isChecked());
    EXPECT_EQ(W->ORAN->value(), 18);
    for (TNumericEdit *money : { W->F[0], W->T[7], W->YEKUN, W->KDV, W->TOPLAM })
        EXPECT_EQ(money->DisplayFormat(), u"#,###.00"_s) << money->objectName().toStdString();
    EXPECT_EQ(W->M[0]->DisplayFormat(), u",0.##;-,0.##"_s);
}

TEST_F(MainWindow, MoneyFormatOfTheSettingsFileReachesAllNineteenFields)
{
    WriteFile(u"fatura_ayar.ini"_s, "[GENEL]\r\nGDisplayFormat=0.000\r\nKDVDahil1=1\r\n");
    Start();
    int withFormat = 0;
    for (auto *field : W->findChildren<TNumericEdit *>())
        withFormat += field->DisplayFormat() == u"0.000"_s;
    EXPECT_EQ(withFormat, 19);
    EXPECT_TRUE(W->KDVDahil1->isChecked());
    EXPECT_FALSE(W->tutarsabit->isChecked());
}

TEST_F(MainWindow, DamagedTableShowsStoreErrorAndSkipsRestOfStartUp)
{
    WriteFile(
        u"fatura.DB"_s, QByteArray("this is not a database at all, just text", 41).repeated(50));
    WriteFile(u"fatinfo.ini"_s, "[bilgiler]\r\nSAYIN1=ACME\r\n");
    Start();
    ASSERT_EQ(Dialogs.Count(TKind::Error), 1);
    EXPECT_FALSE(Dialogs.LastText().isEmpty());
    // Settings, date and pre-fill come after the table: none of them ran.
    EXPECT_TRUE(W->TARIH->text().isEmpty());
    EXPECT_TRUE(W->SAYIN1->text().isEmpty());
    EXPECT_TRUE(QFile::exists(PathOf(u"fatinfo.ini"_s)));
    EXPECT_TRUE(W->isVisible());
}

struct TPrefillCase {
    const char *Why;
    QByteArray Settings;
    QByteArray Prefill;
    QString F1, T1, YEKUN, KDV, TOPLAM, YALNIZ;
    friend void PrintTo(const TPrefillCase &c, std::ostream *os) { *os << c.Why; }
};

class Prefill : public MainWindow, public ::testing::WithParamInterface<TPrefillCase>
{
};

TEST_P(Prefill, FillsOneNewInvoiceAndDeletesTheFile)
{
    const TPrefillCase &c = GetParam();
    WriteFile(u"fatura_ayar.ini"_s, c.Settings);
    WriteFile(u"fatinfo.ini"_s, c.Prefill);
    Start();
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();
    EXPECT_FALSE(QFile::exists(PathOf(u"fatinfo.ini"_s)));
    EXPECT_EQ(W->M[0]->text(), u"1"_s);
    EXPECT_TRUE(W->B[0]->text().isEmpty());
    EXPECT_EQ(W->F[0]->text(), c.F1);
    EXPECT_EQ(W->T[0]->text(), c.T1);
    EXPECT_EQ(W->YEKUN->text(), c.YEKUN);
    EXPECT_EQ(W->KDV->text(), c.KDV);
    EXPECT_EQ(W->TOPLAM->text(), c.TOPLAM);
    EXPECT_EQ(W->YALNIZ->text(), c.YALNIZ);
    EXPECT_EQ(W->TARIH->text(), u"09.12.2026"_s);
    EXPECT_EQ(W->GKayitModu(), u'Y');
}

INSTANTIATE_TEST_SUITE_P(StartUp, Prefill,
    ::testing::Values(
        TPrefillCase { "price without VAT goes to F1; VAT truncated, total in words", "",
            "[bilgiler]\r\nSAYIN1=ACME LTD\r\nC1=Danışmanlık\r\nF1=100,5\r\n", u"100,50"_s,
            u"100,50"_s, u"100,50"_s, u"18,09"_s, u"118,59"_s, u"YÜZONSEKİZ TL ELLİDOKUZ KR"_s },
        TPrefillCase { "VAT-inclusive entry takes F1 as the amount and derives the price",
            "[GENEL]\r\nKDVDahil1=1\r\n", "[bilgiler]\r\nF1=118\r\n", u"100,00"_s, u"100,00"_s,
            u"100,00"_s, u"18,00"_s, u"118,00"_s, u"YÜZONSEKİZ TL"_s },
        TPrefillCase { "an empty file only sets the quantity", "", "", u",00"_s, u",00"_s, u",00"_s,
            u",00"_s, u",00"_s, QString() }));

TEST_F(MainWindow, PrefilledInvoiceIsNewAndAppendedBySave)
{
    WriteFile(u"fatinfo.ini"_s, "[bilgiler]\r\nSAYIN1=ACME LTD\r\nC1=Danışmanlık\r\nF1=100,5\r\n");
    Start();
    EXPECT_EQ(W->SAYIN1->text(), u"ACME LTD"_s);
    EXPECT_EQ(W->C[0]->text(), u"Danışmanlık"_s);
    Click(W->SpeedButton8);
    EXPECT_EQ(W->tfatura().RecordCount(), 1);
    EXPECT_EQ(W->GKayitModu(), u'D');
}

// ---------------------------------------------------------------------------------------
// Menus and window keys

TEST_F(MainWindow, TogglingEntryModeWritesItsFlagAtOnce)
{
    Start();
    W->KDVDahil1->trigger();
    EXPECT_TRUE(W->KDVDahil1->isChecked());
    QFile ini(PathOf(u"fatura_ayar.ini"_s));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("[GENEL]")) << text.toStdString();
    EXPECT_TRUE(text.contains("KDVDahil1=1")) << text.toStdString();
    ini.close();

    W->tutarsabit->trigger();
    W->KDVDahil1->trigger();
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray after = ini.readAll();
    EXPECT_TRUE(after.contains("KDVDahil1=0")) << after.toStdString();
    EXPECT_TRUE(after.contains("tutarsabit=1")) << after.toStdString();
    EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(MainWindow, F12ClosesWithoutAQuestion)
{
    Start();
    Enter(W->SAYIN1, u"unsaved"_s);
    QTest::keyClick(W->SAYIN1, Qt::Key_F12);
    EXPECT_FALSE(W->isVisible());
    EXPECT_TRUE(Dialogs.Shown.empty());
    EXPECT_EQ(W->tfatura().RecordCount(), 0);
}

struct TKeyCase {
    const char *Why;
    QString From;
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    QString To;
    friend void PrintTo(const TKeyCase &c, std::ostream *os) { *os << c.Why; }
};

class FieldKeys : public MainWindow, public ::testing::WithParamInterface<TKeyCase>
{
};

TEST_P(FieldKeys, MoveTheFocus)
{
    const TKeyCase &c = GetParam();
    Start();
    auto *from = W->findChild<QWidget *>(c.From);
    ASSERT_NE(from, nullptr);
    from->setFocus(Qt::TabFocusReason);
    QTest::keyClick(from, c.Key, c.Modifiers);
    ASSERT_NE(Focused(), nullptr);
    EXPECT_EQ(Focused()->objectName(), c.To);
}

INSTANTIATE_TEST_SUITE_P(Keys, FieldKeys,
    ::testing::Values(TKeyCase { "Enter acts as Tab and wraps from the last line", u"T8"_s,
                          Qt::Key_Return, Qt::NoModifier, u"TARIH"_s },
        TKeyCase {
            "Shift+Enter goes back", u"TARIH"_s, Qt::Key_Return, Qt::ShiftModifier, u"T8"_s },
        TKeyCase {
            "keypad Enter too", u"SAYIN3"_s, Qt::Key_Enter, Qt::KeypadModifier, u"VERGIDAIRESI"_s },
        TKeyCase { "Enter in a line goes along the line", u"C2"_s, Qt::Key_Return, Qt::NoModifier,
            u"F2"_s },
        TKeyCase {
            "quantity ring wraps downwards", u"M8"_s, Qt::Key_Down, Qt::NoModifier, u"M1"_s },
        TKeyCase {
            "unit leads to the quantity column", u"B3"_s, Qt::Key_Up, Qt::NoModifier, u"M2"_s },
        TKeyCase {
            "unit wraps to the last quantity", u"B1"_s, Qt::Key_Up, Qt::NoModifier, u"M8"_s },
        TKeyCase { "description ring", u"C1"_s, Qt::Key_Up, Qt::NoModifier, u"C8"_s },
        TKeyCase { "price ring", u"F8"_s, Qt::Key_Down, Qt::NoModifier, u"F1"_s },
        TKeyCase {
            "amounts continue into the totals", u"T8"_s, Qt::Key_Down, Qt::NoModifier, u"YEKUN"_s },
        TKeyCase { "subtotal to VAT", u"YEKUN"_s, Qt::Key_Down, Qt::NoModifier, u"KDV"_s },
        TKeyCase { "VAT to total", u"KDV"_s, Qt::Key_Down, Qt::NoModifier, u"TOPLAM"_s },
        TKeyCase {
            "total back to the first amount", u"TOPLAM"_s, Qt::Key_Down, Qt::NoModifier, u"T1"_s },
        TKeyCase {
            "first amount up to the total", u"T1"_s, Qt::Key_Up, Qt::NoModifier, u"TOPLAM"_s },
        TKeyCase {
            "subtotal up to the last amount", u"YEKUN"_s, Qt::Key_Up, Qt::NoModifier, u"T8"_s },
        TKeyCase { "header fields keep their arrows", u"SAYIN2"_s, Qt::Key_Down, Qt::NoModifier,
            u"SAYIN2"_s }));

TEST_F(MainWindow, EnterIsLeftToTheControlsOnOtherPages)
{
    Start();
    auto *first = new QLineEdit(W->AYAR);
    auto *second = new QLineEdit(W->AYAR);
    QWidget::setTabOrder(first, second);
    W->FATURAIKTIAYARLARI1->trigger();
    EXPECT_EQ(W->SAYFA->currentWidget(), W->AYAR);
    first->setFocus(Qt::TabFocusReason);
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_EQ(Focused(), first);
}

TEST_F(MainWindow, MenusOpenBelowTheirButtons)
{
    Start();
    const std::pair<QPushButton *, QMenu *> pairs[]
        = { { W->Button1, W->rrrapor }, { W->SpeedButton12, W->MNMENU } };
    for (const auto &[button, menu] : pairs) {
        Click(button);
        ASSERT_TRUE(menu->isVisible()) << menu->objectName().toStdString();
        const QPoint corner = button->mapToGlobal(QPoint(0, button->height()));
        EXPECT_EQ(menu->y(), corner.y());
        // Left edge at the button's, unless the screen's edge pushes a wide menu back.
        const int screenRight = W->screen()->geometry().right();
        EXPECT_TRUE(menu->x() == corner.x() || menu->geometry().right() == screenRight)
            << menu->x() << " " << corner.x();
        menu->hide();
    }
    EXPECT_EQ(W->MNMENU->actions().size(), 6); // with the separators
    EXPECT_TRUE(W->MNMENU->actions().at(1)->isSeparator());
    EXPECT_TRUE(W->MNMENU->actions().at(4)->isSeparator());
    EXPECT_EQ(W->MNMENU->actions().at(5), W->FirmaBilgileri1);
}

TEST_F(MainWindow, LinksOpenShippedPagesAndAboutBoxIsInformation)
{
    Start();
    QTest::mouseClick(W->Label27, Qt::LeftButton);
    QTest::mouseClick(W->Label26, Qt::LeftButton);
    ASSERT_EQ(Dialogs.Opened.size(), 2);
    EXPECT_EQ(Dialogs.Opened[0], PathOf(u"pages/kordelya.html"_s));
    EXPECT_EQ(Dialogs.Opened[1], PathOf(u"pages/levanta.html"_s));
    EXPECT_EQ(W->Label26->cursor().shape(), Qt::PointingHandCursor);

    Click(W->SpeedButton7);
    ASSERT_EQ(Dialogs.Count(TKind::Information), 1);
    EXPECT_EQ(Dialogs.Shown.back().Title, u"Bilgi"_s);
}

TEST_F(MainWindow, NoticeShowsTheInformationWindowOnceAndRaisesIt)
{
    Start();
    QTest::mouseClick(W->Label31, Qt::LeftButton);
    EXPECT_TRUE(InfoWindow->isVisible());
    EXPECT_EQ(InfoWindow->LoadCount(), 1);
    QTest::mouseClick(W->Label31, Qt::LeftButton);
    EXPECT_EQ(InfoWindow->LoadCount(), 1);
    EXPECT_TRUE(Dialogs.Opened.isEmpty());
}

// ---------------------------------------------------------------------------------------
// Commands

TEST_F(MainWindow, NewInvoiceSavedTwiceIsOneRecordWithItsUnits)
{
    Start();
    Type(W->SAYIN1, u"ACME"_s);
    Type(W->M[0], u"2"_s);
    Type(W->B[0], u"Adet"_s);
    Type(W->B[7], u"Kilogramlar"_s);
    // The price is still being typed when KAYDET is clicked: its exit action runs first.
    Enter(W->F[0], u"10"_s);
    Click(W->SpeedButton8);
    EXPECT_EQ(Focused(), W->TARIH);
    EXPECT_EQ(W->T[0]->text(), u"20,00"_s);
    EXPECT_EQ(W->GKayitModu(), u'D');
    Click(W->SpeedButton8);
    EXPECT_EQ(W->tfatura().RecordCount(), 1);
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();

    const TInvoiceRecord stored = W->tfatura().Read();
    EXPECT_EQ(stored.B[0], u"Adet"_s);
    EXPECT_EQ(stored.B[7], u"Kilograml"_s.append(u'a')); // cut to 10 characters
    EXPECT_EQ(stored.T[0], 20.0);
    EXPECT_EQ(stored.TOPLAM, 23.6);
    EXPECT_EQ(stored.SAYIN1, u"ACME"_s);
}

TEST_F(MainWindow, RecalledInvoiceShowsItsStoredValuesUntouched)
{
    Start();
    Type(W->M[0], u"1"_s);
    Type(W->F[0], u"100"_s);
    Type(W->B[0], u"Kg"_s);
    Click(W->SpeedButton8);
    // A total typed by hand is stored as shown.
    Type(W->KDV, u"99"_s);
    Click(W->SpeedButton8);

    Dialogs.Answers = { IDialogs::TAnswer::Yes };
    Click(W->SpeedButton9);
    EXPECT_EQ(W->B[0]->text(), QString());
    EXPECT_EQ(W->GKayitModu(), u'Y');
    W->ORAN->setValue(8);

    FindAndPress(&Tfatura_bul::Button1); // KAYDA GİT
    EXPECT_EQ(W->GKayitModu(), u'D');
    EXPECT_EQ(W->B[0]->text(), u"Kg"_s);
    EXPECT_EQ(W->KDV->text(), u"99,00"_s);
    EXPECT_EQ(W->TOPLAM->text(), u"118,00"_s);
    EXPECT_EQ(W->YALNIZ->text(), u"YÜZONSEKİZ TL"_s);
    // Saving the recalled invoice overwrites it.
    Click(W->SpeedButton8);
    EXPECT_EQ(W->tfatura().RecordCount(), 1);
}

TEST_F(MainWindow, CommandsThatChangeNothing)
{
    Start();
    Type(W->SAYIN1, u"ACME"_s);
    Click(W->SpeedButton8);
    Type(W->SAYIN1, u"CHANGED"_s);

    // BUL left with ÇIKIŞ: window and mode as they were.
    FindAndPress(&Tfatura_bul::Button3);
    EXPECT_EQ(W->SAYIN1->text(), u"CHANGED"_s);
    EXPECT_EQ(W->GKayitModu(), u'D');

    // YENİ answered No.
    Dialogs.Answers = { IDialogs::TAnswer::No };
    Click(W->SpeedButton9);
    EXPECT_EQ(Dialogs.Count(TKind::YesNo), 1);
    EXPECT_EQ(Dialogs.Shown.back().Text,
        u"\r\nYENİ KAYDA GEÇİLECEK.\r\n\r\nEKRANDAKİ BİLGİLER SİLİNECEK."_s);
    EXPECT_EQ(W->SAYIN1->text(), u"CHANGED"_s);
    EXPECT_EQ(W->GKayitModu(), u'D');
}

TEST_F(MainWindow, NewClearsEverythingAndPutsToday)
{
    Start();
    Type(W->TARIH, u"01.01.2000"_s);
    Type(W->M[2], u"4"_s);
    Type(W->F[2], u"5"_s);
    Type(W->C[2], u"kalem"_s);
    Enter(W->T[2], u"77"_s); // left by YENİ itself, on the emptied values
    Click(W->SpeedButton9);
    EXPECT_EQ(W->TARIH->text(), u"09.12.2026"_s);
    EXPECT_EQ(Focused(), W->TARIH);
    EXPECT_EQ(W->C[2]->text(), QString());
    EXPECT_EQ(W->M[2]->text(), u"0"_s);
    for (TNumericEdit *f : { W->F[2], W->T[2], W->YEKUN, W->KDV, W->TOPLAM })
        EXPECT_EQ(f->text(), u",00"_s) << f->objectName().toStdString();
    EXPECT_EQ(W->YALNIZ->text(), QString());
    EXPECT_EQ(W->GKayitModu(), u'Y');
}

TEST_F(MainWindow, SaveRefusesAnEmptyOrBlankDate)
{
    Start();
    for (const QString &date : { QString(), u"   "_s }) {
        W->TARIH->setText(date);
        Dialogs.Clear();
        Click(W->SpeedButton8);
        ASSERT_EQ(Dialogs.Count(TKind::Warning), 1);
        EXPECT_EQ(Dialogs.LastText(), u"\r\nFATURA TARİHİNİ GİRMEK ZORUNDASINIZ."_s);
        EXPECT_EQ(Focused(), W->TARIH);
        EXPECT_EQ(W->tfatura().RecordCount(), 0);
        EXPECT_EQ(W->GKayitModu(), u'Y');
    }
}

TEST_F(MainWindow, FindOnAnEmptyTableWarns)
{
    Start();
    Click(W->SpeedButton11);
    ASSERT_EQ(Dialogs.Count(TKind::Warning), 1);
    EXPECT_EQ(Dialogs.LastText(), u"\r\nKAYITLI FATURA YOK."_s);
}

TEST_F(MainWindow, SaveAfterStoredInvoiceWasDeletedStoresItAnew)
{
    Start();
    Type(W->SAYIN1, u"FIRST"_s);
    Click(W->SpeedButton8);
    const std::int32_t first = W->StoredRecId();
    // Deleted behind the window's back, as the find dialog's delete does.
    W->tfatura().First();
    W->tfatura().Delete();
    ASSERT_EQ(W->tfatura().RecordCount(), 0);

    Click(W->SpeedButton8);
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();
    ASSERT_EQ(W->tfatura().RecordCount(), 1);
    EXPECT_NE(W->StoredRecId(), first);
    // The new record is now the invoice on screen: the next save overwrites it.
    Click(W->SpeedButton8);
    EXPECT_EQ(W->tfatura().RecordCount(), 1);
    EXPECT_EQ(W->tfatura().Read().SAYIN1, u"FIRST"_s);
}

// Another desk (a second handle on the same file) changes the invoice on screen between its
// recall or save and the next KAYDET: the window asks, and both answers keep both versions.
TEST_F(MainWindow, SaveOverAnInvoiceChangedByAnotherDeskAsksAndLosesNeither)
{
    struct TCase {
        const char *Why;
        bool Recalled; // the invoice came back through BUL, not from its own save
        IDialogs::TAnswer Answer;
        int Added; // invoices stored by this KAYDET
        QString AtOldId; // SAYIN1 stored under the REC_ID the window had
    };
    const TCase cases[] {
        { "Evet: this desk's version takes its place", false, IDialogs::TAnswer::Yes, 0,
            u"MINE"_s },
        { "Hayır: theirs stays, this desk's version is stored as a new invoice", false,
            IDialogs::TAnswer::No, 1, u"THEIRS"_s },
        { "recalled through BUL, the same question", true, IDialogs::TAnswer::No, 1, u"THEIRS"_s },
    };
    Start();
    InvoiceTable other;
    other.Open(Dir.path());
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Why);
        Dialogs.Answers = { IDialogs::TAnswer::Yes };
        Click(W->SpeedButton9); // YENİ
        Type(W->SAYIN1, u"FIRST"_s);
        Click(W->SpeedButton8);
        if (c.Recalled)
            FindAndPress(&Tfatura_bul::Button1); // KAYDA GİT
        const std::int32_t id = W->StoredRecId();
        ASSERT_NE(id, 0);
        const int before = other.RecordCount();

        TInvoiceRecord theirs = *other.ReadRecord(id);
        theirs.SAYIN1 = u"THEIRS"_s;
        ASSERT_TRUE(other.Update(id, theirs));

        W->SAYIN1->clear();
        Type(W->SAYIN1, u"MINE"_s);
        Dialogs.Clear();
        Dialogs.Answers = { c.Answer };
        Click(W->SpeedButton8);
        ASSERT_EQ(Dialogs.Count(TKind::YesNo), 1);
        EXPECT_EQ(Dialogs.Shown.back().Title, u"KAYDET"_s);
        EXPECT_TRUE(Dialogs.LastText().contains(u"BAŞKA BİR BİLGİSAYARDA DEĞİŞTİRİLDİ"_s));
        EXPECT_EQ(other.RecordCount(), before + c.Added);
        EXPECT_EQ(other.ReadRecord(id)->SAYIN1, c.AtOldId);
        const std::int32_t mine = W->StoredRecId();
        EXPECT_EQ(mine != id, c.Added == 1);
        EXPECT_EQ(other.ReadRecord(mine)->SAYIN1, u"MINE"_s);

        // Nothing changed meanwhile now: the next KAYDET overwrites without a question.
        Type(W->SAYIN2, u"AGAIN"_s);
        Dialogs.Clear();
        Click(W->SpeedButton8);
        EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();
        EXPECT_EQ(other.RecordCount(), before + c.Added);
        EXPECT_EQ(other.ReadRecord(mine)->SAYIN2, u"AGAIN"_s);
    }
}

// ---------------------------------------------------------------------------------------
// Read-only files and folders

constexpr auto kReadOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
constexpr auto kWritable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

TEST_F(MainWindow, ReadOnlyFolderAtFirstStartStopsStartUpWithTheWriteError)
{
    QFile::setPermissions(Dir.path(), kReadOnly);
    {
        TNoRootPrivileges guard;
        ASSERT_TRUE(guard.Active());
        Start();
    }
    QFile::setPermissions(Dir.path(), kWritable);
    ASSERT_EQ(Dialogs.Count(TKind::Error), 1);
    // What failed and what to do, in Turkish, above the INI layer's own text.
    EXPECT_TRUE(
        Dialogs.LastText().startsWith(u"Program klasörü ("_s + Folder() + u") salt okunur"_s))
        << Dialogs.LastText().toStdString();
    EXPECT_TRUE(Dialogs.LastText().contains(u"\r\n\r\nUnable to write to"_s))
        << Dialogs.LastText().toStdString();
    EXPECT_TRUE(W->TARIH->text().isEmpty());
    EXPECT_FALSE(QFile::exists(PathOf(u"fatura.DB"_s)));
}

TEST_F(MainWindow, FlagThatCannotBeWrittenShowsTheErrorAndKeepsTheCheck)
{
    Start();
    QFile::setPermissions(Dir.path(), kReadOnly);
    QFile::setPermissions(PathOf(u"fatura_ayar.ini"_s), QFileDevice::ReadOwner);
    {
        TNoRootPrivileges guard;
        W->tutarsabit->trigger();
    }
    QFile::setPermissions(
        PathOf(u"fatura_ayar.ini"_s), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::setPermissions(Dir.path(), kWritable);
    ASSERT_EQ(Dialogs.Count(TKind::Error), 1);
    EXPECT_TRUE(Dialogs.LastText().startsWith(u"Seçim fatura_ayar.ini dosyasına yazılamadı"_s));
    EXPECT_TRUE(Dialogs.LastText().contains(u"\r\n\r\nUnable to write to"_s));
    EXPECT_TRUE(W->tutarsabit->isChecked());
    // The check is what the arithmetic follows: amounts stay as typed.
    Type(W->M[0], u"3"_s);
    Type(W->T[0], u"20"_s);
    EXPECT_EQ(W->F[0]->text(), u"6,67"_s);
    EXPECT_EQ(W->T[0]->text(), u"20,00"_s);
}

TEST_F(MainWindow, ReadOnlyTableRefusesThePostAndKeepsTheInvoice)
{
    Start(); // creates the table
    W.reset();
    QFile::setPermissions(PathOf(u"fatura.DB"_s), QFileDevice::ReadOwner);
    {
        TNoRootPrivileges guard;
        Start();
        ASSERT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();
        Type(W->SAYIN1, u"KEEP"_s);
        Click(W->SpeedButton8);
    }
    QFile::setPermissions(PathOf(u"fatura.DB"_s), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(Dialogs.Count(TKind::Error), 1);
    EXPECT_EQ(W->SAYIN1->text(), u"KEEP"_s);
    EXPECT_EQ(W->GKayitModu(), u'Y');
}

} // namespace
