// Page AYAR on the real main window: the tick boxes move what they show, the moves are live
// for the sample report and the print before any save, and the save writes what the page
// shows.

#include "app/FormFields.h"
#include "app/frm_ayar_sayfasi.h"
#include "app/frm_fatura_basimi.h"
#include "printing/InvoiceReport.h"
#include "report/QRUnits.h"
#include "support/EmfText.h"
#include "support/NoRootPrivileges.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

class LayoutPage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetQRScreenResolution(96);
        ASSERT_TRUE(Dir.isValid());
        // The faces the program draws its fixed layouts with.
        QFont::insertSubstitution(u"MS Sans Serif"_s, u"Liberation Sans"_s);
        QFont::insertSubstitution(u"Tahoma"_s, u"Liberation Sans"_s);
    }
    void TearDown() override
    {
        W.reset();
        SetQRScreenResolution(96);
    }

    QString Folder() const { return Dir.path() + u"/"_s; }
    QString IniPath() const { return Folder() + u"fatura_ayar.ini"_s; }

    // Starts the window (loading the settings file) and opens page AYAR from the menu.
    void Start()
    {
        W = std::make_unique<Tfatura_basimi>(
            Dialogs, TFormatSettings::Turkish(), Folder(), [] { return QDate(2026, 12, 9); });
        W->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(W.get()));
        W->FATURAIKTIAYARLARI1->trigger();
        ASSERT_EQ(W->SAYFA->currentWidget(), W->AYAR);
        P = W->AyarSayfasi();
        ASSERT_TRUE(P);
    }

    void Click(QAbstractButton *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    void Step(int step) { P->AAO->setValue(step); }
    // Runs the sample report and reads back its recorded page.
    emftext::TPage Sample()
    {
        Click(P->SpeedButton6);
        TQRPrinter *printer = W->Rapor().RAPORX().QRPrinter();
        if (!printer || printer->PageCount() != 1) {
            ADD_FAILURE() << "the sample recorded no page";
            return {};
        }
        return emftext::Read(*printer->GetPage(1));
    }
    // Page pixels (96 per inch) from the paper's edge: margin in mm plus report pixels.
    static int PagePixels(long double marginMM, int pixels)
    {
        return static_cast<int>(std::nearbyintl((marginMM * 10 + pixels * 254.0L / 96) * 96 / 254));
    }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    std::unique_ptr<Tfatura_basimi> W;
    TAyarSayfasi *P = nullptr;
};

} // namespace

TEST_F(LayoutPage, TickAllStepTenRightMovesEveryLabelByPixelsAndTheLeftMarginByMillimetres)
{
    Start();
    Click(P->SpeedButton1);
    Step(10);
    Click(P->SAG);
    for (int n = 1; n <= kPositionCount; ++n) {
        const bool page = n == 43 || n == 44; // RAPOR_SAYFASI and KDV_YUZDE start at 10 | 10
        const QString want = page ? u"10 | 20"_s : u"0 | 10"_s;
        EXPECT_EQ(P->A(n)->text(), want) << "A" << n;
    }
    EXPECT_EQ(W->Ayarlar().Position(u"RAPOR_SAYFASI"), u"10 | 20"_s) << "live in the settings";

    const emftext::TPage sample = Sample();
    for (int n = 1; n <= 42; ++n)
        EXPECT_EQ(W->Rapor().QRLabel(n).Left(), 10) << "QRLabel" << n;
    EXPECT_EQ(W->Rapor().QRLabel(43).Left(), 20) << "the VAT rate moved from its own 10";
    EXPECT_NEAR(static_cast<double>(W->Rapor().RAPORX().Page().LeftMargin()), 20, 1e-9);
    const emftext::TText *date = sample.Find(u"01.01.2002"_s);
    ASSERT_TRUE(date);
    EXPECT_EQ(date->At, QPoint(PagePixels(20, 10), PagePixels(10, 0)));
}

// One ticked box, one arrow: the caption the page shows and the setting the print reads.
struct TMoveCase {
    const char *Why;
    const char16_t *Before;
    int Step;
    QToolButton *TAyarSayfasi::*Arrow;
    const char16_t *After;
};

class LayoutPageMoves : public LayoutPage, public ::testing::WithParamInterface<TMoveCase>
{
};

TEST_P(LayoutPageMoves, TheTickedBoxMovesAndTheOthersStay)
{
    const TMoveCase &c = GetParam();
    WriteBytes(IniPath(), "[FATURE_AYAR]\r\nC3=" + QString::fromUtf16(c.Before).toUtf8() + "\r\n");
    Start();
    QCheckBox *box = P->KutuOfKey(u"C3");
    ASSERT_EQ(box, P->A(17));
    EXPECT_EQ(box->text(), QString::fromUtf16(c.Before)) << "shown as read";
    Click(box);
    ASSERT_TRUE(box->isChecked());
    Step(c.Step);
    Click(P->*c.Arrow);
    EXPECT_EQ(box->text(), QString::fromUtf16(c.After));
    EXPECT_EQ(W->Ayarlar().Position(u"C3"), QString::fromUtf16(c.After));
    EXPECT_EQ(P->A(16)->text(), u"0 | 0"_s) << "unticked C2 stays";
    EXPECT_EQ(P->A(18)->text(), u"0 | 0"_s) << "unticked C4 stays";
}

INSTANTIATE_TEST_SUITE_P(Cases, LayoutPageMoves,
    ::testing::Values(TMoveCase { "step 0 only rewrites the text in the program's own form",
                          u"12|34", 0, &TAyarSayfasi::SAG, u"12 | 34" },
        TMoveCase {
            "up goes below 0 without limit", u"0 | 0", 255, &TAyarSayfasi::UST, u"-255 | 0" },
        TMoveCase { "left changes the second number", u"0 | 0", 1, &TAyarSayfasi::SOL, u"0 | -1" },
        TMoveCase { "down changes the first number", u"0 | 0", 5, &TAyarSayfasi::ALT, u"5 | 0" },
        TMoveCase { "the part not moved stays the word it was", u"abc | 5", 1, &TAyarSayfasi::SAG,
            u"abc | 6" },
        TMoveCase { "a lone number is the horizontal one", u"7", 3, &TAyarSayfasi::ALT, u"3 | 7" },
        TMoveCase {
            "a number that is no number moves from 0", u"4 | x", 2, &TAyarSayfasi::SAG, u"4 | 2" }),
    [](const auto &info) { return "case" + std::to_string(info.index); });

TEST_F(LayoutPage, MovesWithNothingTickedOrAfterUntickAllChangeNothing)
{
    Start();
    Step(10);
    Click(P->ALT);
    Click(P->SpeedButton1);
    Click(P->SpeedButton2);
    for (int n = 1; n <= kPositionCount; ++n)
        EXPECT_FALSE(P->A(n)->isChecked()) << "A" << n;
    Click(P->SOL);
    const TPrintSettings defaults;
    EXPECT_EQ(W->Ayarlar().Positions, defaults.Positions);
    EXPECT_EQ(P->A(1)->text(), u"0 | 0"_s);
}

TEST_F(LayoutPage, TheSampleShowsUnsavedMovesAndTheFileKeepsWhatWasSaved)
{
    WriteBytes(IniPath(), "[FATURE_AYAR]\r\nTARIH=25 | 140\r\n");
    Start();
    EXPECT_EQ(P->A(1)->text(), u"25 | 140"_s) << "the loader's text is the caption";
    Click(P->A(1));
    Step(40);
    Click(P->ALT);
    Click(P->SAG);
    const emftext::TPage sample = Sample();
    const emftext::TText *date = sample.Find(u"01.01.2002"_s);
    ASSERT_TRUE(date);
    EXPECT_EQ(date->At, QPoint(PagePixels(10, 180), PagePixels(10, 65)));
    const emftext::TText *name = sample.Find(u"ÖRNEK MÜŞTERİ"_s);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->At, QPoint(PagePixels(10, 0), PagePixels(10, 0))) << "unticked, not moved";
    EXPECT_EQ(ReadBytes(IniPath()), QByteArray("[FATURE_AYAR]\r\nTARIH=25 | 140\r\n"))
        << "nothing reaches the file without a save";

    // A restart without saving starts from the file again.
    W.reset();
    Start();
    EXPECT_EQ(P->A(1)->text(), u"25 | 140"_s);
}

TEST_F(LayoutPage, TheSampleCaptionsAndTheVatRateOfTheLastPrint)
{
    Start();
    const emftext::TPage first = Sample();
    for (int n = 1; n <= 42; ++n)
        EXPECT_TRUE(first.Find(TAyarSayfasi::OrnekEtiket(n)))
            << "QRLabel" << n << " " << TAyarSayfasi::OrnekEtiket(n).toStdString();
    for (const char16_t *text : { u"1 Adet", u"8 Adet", u"CİNSİ 8", u"FİYATI 1", u"TUTARI 8",
             u"K.D.V %", u"#Yalnız#", u"1111.222.333.4" })
        EXPECT_TRUE(first.Find(QString::fromUtf16(text))) << QString::fromUtf16(text).toStdString();
    EXPECT_TRUE(first.Find(u"%18"_s)) << "the design caption before any print";

    // A preview of an invoice at 8 % leaves 8 on the VAT-rate label for the next sample.
    W->ORAN->setValue(8);
    W->MenuItem1Click();
    W->FATURAIKTIAYARLARI1->trigger();
    const emftext::TPage second = Sample();
    EXPECT_TRUE(second.Find(u"8"_s));
    EXPECT_FALSE(second.Find(u"%18"_s));
    EXPECT_TRUE(second.Find(u"ÖRNEK MÜŞTERİ"_s)) << "the sample replaces the invoice's texts";
}

TEST_F(LayoutPage, APrintAfterAMoveUsesTheMovedPosition)
{
    Start();
    Click(P->KutuOfKey(u"SAYIN1"));
    Step(100);
    Click(P->ALT);
    Click(P->SpeedButton4);
    EXPECT_EQ(W->SAYFA->currentWidget(), W->FATURA) << "Geri Dön";
    W->SAYIN1->setText(u"Öztürk Gıda"_s);
    W->MenuItem1Click();
    TQRPrinter *printer = W->Rapor().RAPORX().QRPrinter();
    ASSERT_TRUE(printer);
    const emftext::TPage page = emftext::Read(*printer->GetPage(1));
    const emftext::TText *name = page.Find(u"Öztürk Gıda"_s);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->At, QPoint(PagePixels(10, 0), PagePixels(10, 100)));

    W->FATURAIKTIAYARLARI1->trigger();
    EXPECT_TRUE(P->KutuOfKey(u"SAYIN1")->isChecked()) << "switching pages keeps the ticks";
    EXPECT_EQ(P->KutuOfKey(u"SAYIN1")->text(), u"100 | 0"_s);
}

TEST_F(LayoutPage, TheListsAreTheSettingsAndAnUnknownStoredPositionSelectsNothing)
{
    WriteBytes(IniPath(), "[FATURE_AYAR]\r\nsayfaTipi=7\r\ndrpOutputBin=1\r\n");
    Start();
    EXPECT_EQ(P->sayfaTipi->currentIndex(), -1) << "7 is outside the list";
    EXPECT_EQ(P->drpOutputBin->currentText(), u"Elle Besleme"_s);
    EXPECT_EQ(P->sayfa_yonelimi->currentText(), u"Sayfa Dikey"_s) << "missing: the first entry";

    P->sayfaTipi->setCurrentIndex(1);
    P->sayfa_yonelimi->setCurrentIndex(1);
    EXPECT_EQ(W->Ayarlar().sayfaTipi, 1);
    EXPECT_EQ(W->Ayarlar().sayfa_yonelimi, 1);
    Sample();
    TQRPage &page = W->Rapor().RAPORX().Page();
    EXPECT_EQ(page.Orientation(), poLandscape);
    const TQRUnitSwitch mm(page, TQRUnit::MM);
    EXPECT_NEAR(static_cast<double>(page.Width()), 148, 1e-6) << "A5 on its side, landscape";
    EXPECT_NEAR(static_cast<double>(page.Length()), 210, 1e-6);
}

TEST_F(LayoutPage, SaveWritesWhatThePageShows)
{
    WriteBytes(IniPath(),
        "[GENEL]\r\nKDVDahil1=1\r\n[FATURE_AYAR]\r\nM3=7\r\nC1=3|4\r\n[KALIBRASYON]\r\n"
        "HP|7=5 | -3\r\n");
    Start();
    Click(P->KutuOfKey(u"C1"));
    Step(0);
    Click(P->UST);
    P->drpOutputBin->setCurrentIndex(2);
    Click(P->SpeedButton3);
    EXPECT_EQ(Dialogs.Shown.size(), 0u) << "the save asks and tells nothing";
    const TPrintSettings read = LoadPrintSettings(IniPath());
    for (int i = 0; i < kPositionCount; ++i)
        EXPECT_EQ(read.Positions[i], W->Ayarlar().Positions[i])
            << kLayoutEntries[i].Key.toString().toStdString();
    EXPECT_EQ(read.Position(u"M3"), u"7"_s) << "an unmoved hand-written text is kept";
    EXPECT_EQ(read.Position(u"C1"), u"3 | 4"_s);
    EXPECT_EQ(read.drpOutputBin, 2);
    EXPECT_EQ(read.sayfaTipi, 0);
    EXPECT_TRUE(read.KDVDahil1) << "the save leaves the other sections alone";
    EXPECT_TRUE(ReadBytes(IniPath()).contains("HP|7=5 | -3"));
}

TEST_F(LayoutPage, ASaveIntoAReadOnlyFolderSaysSoAndKeepsFileAndPage)
{
    Start();
    const QByteArray before = ReadBytes(IniPath());
    Click(P->SpeedButton1);
    Click(P->SAG);
    QFile::setPermissions(Dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    {
        TNoRootPrivileges guard;
        ASSERT_TRUE(guard.Active());
        Click(P->SpeedButton3);
    }
    QFile::setPermissions(
        Dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(u"Unable to write to"_s))
        << Dialogs.LastText().toStdString();
    EXPECT_TRUE(Dialogs.LastText().contains(u"yazma izni"_s)) << Dialogs.LastText().toStdString();
    EXPECT_EQ(ReadBytes(IniPath()), before);
    EXPECT_EQ(P->A(1)->text(), u"0 | 1"_s) << "the moves stay live for this run";
}

// Places and hints of a sample of boxes, one of each column and the odd ones.
struct TBoxCase {
    int Number;
    const char16_t *Hint;
    QRect Geometry;
};

TEST_F(LayoutPage, BoxesStandAtTheirPlacesWithTheirKeysAsHints)
{
    Start();
    const TBoxCase cases[] = {
        { 1, u"TARIH", QRect(104, 43, 65, 15) },
        { 4, u"SAYIN3", QRect(104, 98, 348, 15) },
        { 5, u"VERGIDAIRESI", QRect(104, 123, 140, 15) },
        { 6, u"VERGIHESAPNO", QRect(336, 123, 116, 15) },
        { 7, u"M1", QRect(16, 174, 63, 15) },
        { 14, u"M8", QRect(16, 293, 63, 15) }, // the last item row
        { 22, u"C8", QRect(83, 293, 202, 15) },
        { 25, u"F3", QRect(288, 208, 80, 15) },
        { 38, u"T8", QRect(371, 293, 80, 15) },
        { 41, u"TOPLAM", QRect(371, 345, 80, 15) },
        { 42, u"YALNIZ", QRect(110, 333, 86, 15) },
        { 43, u"RAPOR_SAYFASI", QRect(110, 351, 86, 15) },
        { 44, u"KDV_YUZDE", QRect(110, 370, 86, 15) },
    };
    for (const TBoxCase &c : cases) {
        QCheckBox *box = P->A(c.Number);
        EXPECT_EQ(box->objectName(), u"A"_s + QString::number(c.Number));
        EXPECT_EQ(box->toolTip(), QString::fromUtf16(c.Hint)) << c.Number;
        EXPECT_EQ(box->geometry(), c.Geometry) << c.Number;
    }
    // Every box is its key's, and no two overlap.
    for (int n = 1; n <= kPositionCount; ++n) {
        EXPECT_EQ(P->KutuOfKey(P->A(n)->toolTip()), P->A(n));
        for (int m = n + 1; m <= kPositionCount; ++m)
            EXPECT_FALSE(P->A(n)->geometry().intersects(P->A(m)->geometry())) << n << " " << m;
    }
    // The arrows are told apart by their tags.
    const std::pair<QToolButton *, int> tags[]
        = { { P->SOL, 1 }, { P->SAG, 2 }, { P->UST, 3 }, { P->ALT, 4 } };
    for (const auto &[button, tag] : tags)
        EXPECT_EQ(button->property("Tag").toInt(), tag) << button->objectName().toStdString();
    EXPECT_EQ(P->AAO->value(), 1);
    // A step of 1 moves a value one 96-dpi pixel: the caption says so, not "mm".
    const auto *step = P->findChild<QLabel *>(u"Label1"_s);
    ASSERT_TRUE(step);
    EXPECT_TRUE(step->text().contains(u"1 = 0,26 mm"_s)) << step->text().toStdString();
    EXPECT_EQ(P->AAO->minimum(), 0);
    EXPECT_EQ(P->AAO->maximum(), 255);
}

TEST_F(LayoutPage, NothingCoversAnotherAndEveryTextShowsWhole)
{
    Start();
    QApplication::processEvents();
    QList<QWidget *> parts;
    for (QObject *child : P->children())
        if (auto *w = qobject_cast<QWidget *>(child); w && w->isVisible())
            parts << w;
    ASSERT_GT(parts.size(), 44 + 16 + 3);
    for (qsizetype i = 0; i < parts.size(); ++i)
        for (qsizetype j = i + 1; j < parts.size(); ++j)
            EXPECT_FALSE(parts[i]->geometry().intersects(parts[j]->geometry()))
                << parts[i]->objectName().toStdString() << parts[i]->geometry().x() << ","
                << parts[i]->geometry().width() << "/"
                << qPrintable(parts[i]->property("text").toString()) << " over "
                << parts[j]->objectName().toStdString() << "/"
                << qPrintable(parts[j]->property("text").toString());
    // Each list's text field holds its longest entry beside the arrow.
    for (QComboBox *list : { P->sayfaTipi, P->drpOutputBin, P->sayfa_yonelimi }) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.rect = list->rect();
        const QRect field = list->style()->subControlRect(
            QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
        for (int i = 0; i < list->count(); ++i)
            EXPECT_GE(field.width(), list->fontMetrics().horizontalAdvance(list->itemText(i)))
                << list->itemText(i).toStdString();
    }

    // The boxes' own ground, not the buttons' grey.
    const QImage box = P->A(7)->grab().toImage();
    EXPECT_EQ(box.pixelColor(box.width() - 3, box.height() / 2), QColor(228, 224, 201));
}

TEST_F(LayoutPage, TabGoesThroughTheBoxesThenTheListsAndSkipsTheStep)
{
    Start();
    const std::pair<QWidget *, QWidget *> steps[] = {
        { P->A(4), P->A(6) }, // the tax number before the tax office
        { P->A(6), P->A(5) },
        { P->A(5), P->A(7) },
        { P->A(14), P->A(15) },
        { P->A(42), P->A(43) }, // the tool bar takes no focus
        { P->A(43), P->drpOutputBin },
        { P->drpOutputBin, P->sayfaTipi },
        { P->sayfaTipi, P->A(44) },
        { P->A(44), P->sayfa_yonelimi },
    };
    for (const auto &[from, to] : steps) {
        from->setFocus(Qt::TabFocusReason);
        QTest::keyClick(from, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), to)
            << from->objectName().toStdString() << " -> "
            << (QApplication::focusWidget()
                       ? QApplication::focusWidget()->objectName().toStdString()
                       : std::string("nothing"));
    }
    EXPECT_FALSE(P->AAO->focusPolicy() & Qt::TabFocus);
}

TEST(LayoutGlyphs, EachGlyphIsDrawnAnewAtTwiceThePixels)
{
    const TGlyph glyphs[] = { TGlyph::Onay, TGlyph::BosSayfa, TGlyph::Disket, TGlyph::OrnekRapor,
        TGlyph::Yukari, TGlyph::Asagi, TGlyph::Sol, TGlyph::Sag };
    std::vector<QImage> seen;
    for (TGlyph glyph : glyphs) {
        const QIcon icon = GlyphIcon(glyph);
        const QPixmap one = icon.pixmap(QSize(16, 16), 1.0);
        const QPixmap two = icon.pixmap(QSize(16, 16), 2.0);
        ASSERT_EQ(one.size(), QSize(16, 16));
        ASSERT_EQ(two.size(), QSize(32, 32)) << "device pixels at 2x";
        EXPECT_EQ(two.devicePixelRatio(), 2.0);
        const QImage sharp = two.toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage blown = one.toImage()
                                 .convertToFormat(QImage::Format_ARGB32)
                                 .scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        EXPECT_NE(sharp, blown) << "not an enlargement of the 16-pixel glyph";
        int opaque = 0, clear = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int alpha = qAlpha(sharp.pixel(x, y));
                opaque += alpha > 200 ? 1 : 0;
                clear += alpha == 0 ? 1 : 0;
            }
        EXPECT_GT(opaque, 20) << "something is drawn";
        EXPECT_GT(clear, 100) << "on a transparent ground";
        for (const QImage &other : seen)
            EXPECT_NE(sharp, other) << "each glyph its own";
        seen.push_back(sharp);
    }
}
