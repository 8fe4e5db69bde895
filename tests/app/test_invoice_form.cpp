// The invoice form as a new user meets it under a Turkish locale: clicks into number fields,
// a hand-edited settings file, amounts of millions, Qt's own boxes, errors that explain.

#include "app/FormFields.h"
#include "app/frm_fatura_basimi.h"
#include "app/frm_fatura_bul.h"
#include "app/frm_kdv_li_tutar.h"
#include "invoice/InvoiceTable.h"
#include "platform/NumberFormat.h"
#include "platform/widgets/QtDialogs.h"
#include "support/NoRootPrivileges.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using TKind = TScriptedDialogs::TKind;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
// Failure messages name fields and texts.
inline std::ostream &operator<<(std::ostream &os, const QString &text)
{
    return os << text.toStdString();
}
QT_END_NAMESPACE

namespace
{

// Test names carry the row's reason, in characters that every test runner accepts.
void PrintWhy(const char *why, std::ostream *os)
{
    for (const char *c = why; *c; ++c)
        *os << (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
}

class InvoiceForm : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // The faces the program substitutes at start, so that the form measures as it shows.
        QFont::insertSubstitution(u"MS Sans Serif"_s, u"Liberation Sans"_s);
        QFont::insertSubstitution(u"Tahoma"_s, u"Liberation Sans"_s);
    }

    QString Folder() const { return Dir.path() + u"/"_s; }
    QString IniPath() const { return Folder() + u"fatura_ayar.ini"_s; }

    void Start()
    {
        W = std::make_unique<Tfatura_basimi>(
            Dialogs, TFormatSettings::Turkish(), Folder(), [] { return QDate(2026, 12, 9); });
        FindDialog = std::make_unique<Tfatura_bul>(Dialogs);
        W->SetFindDialog(FindDialog.get());
        W->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(W.get()));
    }

    void Type(QWidget *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    }

    // A click at x pixels from the field's left edge (negative: from its right edge).
    void ClickAt(QWidget *field, int x)
    {
        const int at = x >= 0 ? x : field->width() + x;
        QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, QPoint(at, field->height() / 2));
    }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    std::unique_ptr<Tfatura_basimi> W;
    std::unique_ptr<Tfatura_bul> FindDialog;
};

// ---------------------------------------------------------------------------------------
// A click into a number field

struct TClickRow {
    const char *Why;
    const char16_t *Field;
    std::optional<double> Before; // empty: the field is empty
    int ClickX; // from the left edge; negative from the right
    const char16_t *Typed;
    const char16_t *AfterTyping;
    const char16_t *AfterLeaving;
    friend void PrintTo(const TClickRow &r, std::ostream *os) { PrintWhy(r.Why, os); }
};

class ClickIntoNumber : public InvoiceForm, public ::testing::WithParamInterface<TClickRow>
{
};

TEST_P(ClickIntoNumber, NeverTurnsWhatIsTypedIntoAnotherNumber)
{
    const TClickRow &r = GetParam();
    Start();
    auto *field = W->findChild<TNumericEdit *>(QString::fromUtf16(r.Field));
    ASSERT_NE(field, nullptr);
    if (r.Before)
        field->SetValue(*r.Before);
    // As on screen: the field has been drawn with its value before the user clicks.
    field->repaint();
    const QString before = field->text();
    W->SAYIN1->setFocus(Qt::TabFocusReason);

    ClickAt(field, r.ClickX);
    ASSERT_TRUE(field->hasFocus());
    EXPECT_EQ(field->text(), before) << "a click does not format the field afresh";
    QTest::keyClicks(field, QString::fromUtf16(r.Typed));
    EXPECT_EQ(field->text(), QString::fromUtf16(r.AfterTyping));
    EXPECT_EQ(Dialogs.Beeps, 0);
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(field->text(), QString::fromUtf16(r.AfterLeaving));
}

INSTANTIATE_TEST_SUITE_P(InvoiceForm, ClickIntoNumber,
    ::testing::Values(TClickRow { "empty quantity stays empty: 2 is 2, not 20", u"M1", std::nullopt,
                          -5, u"2", u"2", u"2" },
        TClickRow { "empty price stays empty: the comma is taken", u"F6", std::nullopt, -5, u"12,5",
            u"12,5", u"12,50" },
        TClickRow { "a zero price is replaced, wherever the click falls", u"F6", 0.0, 5, u"12,5",
            u"12,5", u"12,50" },
        TClickRow { "a zero quantity is replaced", u"M3", 0.0, -3, u"7", u"7", u"7" },
        TClickRow { "a zero total is replaced", u"TOPLAM", 0.0, -3, u"9", u"9", u"9,00" },
        TClickRow { "a value keeps the caret where the click fell: left end", u"F6", 12.5, 3, u"1",
            u"112,50", u"112,50" },
        TClickRow { "a value keeps the caret where the click fell: right end", u"F6", 12.5, -3,
            u"0", u"12,500", u"12,50" }));

TEST_F(InvoiceForm, KeyboardEntryStillSelectsTheWholeValue)
{
    Start();
    W->F[5]->SetValue(12.5);
    W->C[5]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(W->C[5], Qt::Key_Tab);
    ASSERT_TRUE(W->F[5]->hasFocus());
    EXPECT_EQ(W->F[5]->selectedText(), u"12,50"_s);
    QTest::keyClicks(W->F[5], u"3"_s);
    EXPECT_EQ(W->F[5]->text(), u"3"_s);

    // An empty field entered by key shows the formatted zero, selected, as before.
    QTest::keyClick(W->F[5], Qt::Key_Down);
    EXPECT_EQ(W->F[6]->text(), u",00"_s);
    EXPECT_EQ(W->F[6]->selectedText(), u",00"_s);
}

// ---------------------------------------------------------------------------------------
// The money format and the starting VAT rate from the settings file

struct TFormatRow {
    const char *Why;
    QByteArray Value;
    const char16_t *ReasonPart;
    friend void PrintTo(const TFormatRow &r, std::ostream *os) { PrintWhy(r.Why, os); }
};

class RefusedMoneyFormat : public InvoiceForm, public ::testing::WithParamInterface<TFormatRow>
{
};

TEST_P(RefusedMoneyFormat, WarnsOnceUsesTheDefaultAndLeavesTheFile)
{
    const TFormatRow &r = GetParam();
    const QByteArray ini = "[GENEL]\r\nGDisplayFormat=" + r.Value + "\r\n";
    WriteBytes(IniPath(), ini);
    Start();
    ASSERT_EQ(Dialogs.Shown.size(), 1u);
    EXPECT_EQ(Dialogs.Shown[0].Kind, TKind::Warning);
    const QString text = Dialogs.Shown[0].Text;
    EXPECT_TRUE(text.startsWith(u"\r\n"_s));
    EXPECT_TRUE(text.contains(u"GDisplayFormat="_s + QString::fromUtf8(r.Value))) << text;
    EXPECT_TRUE(text.contains(QString::fromUtf16(r.ReasonPart))) << text;
    EXPECT_TRUE(text.contains(u"#,###.00"_s)) << text;
    for (auto *field : W->findChildren<TNumericEdit *>()) {
        if (field->objectName().front() != u'M') {
            EXPECT_EQ(field->DisplayFormat(), u"#,###.00"_s) << field->objectName();
        }
    }
    EXPECT_EQ(ReadBytes(IniPath()), ini) << "the file is not rewritten";

    Type(W->M[0], u"2"_s);
    Type(W->F[0], u"1234,5"_s);
    EXPECT_EQ(W->T[0]->text(), u"2.469,00"_s);
}

INSTANTIATE_TEST_SUITE_P(InvoiceForm, RefusedMoneyFormat,
    ::testing::Values(TFormatRow { "no digit placeholder", "xyz", u"rakam yeri" },
        TFormatRow { "Turkish-style separators ask for five decimals", "#.##0,00", u"5 ondalık" },
        TFormatRow { "five decimals", "0.00000", u"5 ondalık" },
        TFormatRow { "an exponent drops digits", "0.00E+00", u"2,43E+06" }));

TEST_F(InvoiceForm, RecalledInvoiceSavedUnderARefusedFormatKeepsEveryAmount)
{
    Start();
    Type(W->M[0], u"3"_s);
    Type(W->F[0], u"811519,96"_s);
    Type(W->M[1], u"1"_s);
    Type(W->F[1], u"0,5"_s);
    W->SpeedButton8->click();
    const TInvoiceRecord saved = W->tfatura().Read();
    ASSERT_EQ(saved.TOPLAM, 2872781.24);
    W.reset();

    for (const QByteArray &format : { QByteArray("xyz"), QByteArray("0.00000") }) {
        WriteBytes(IniPath(), "[GENEL]\r\nGDisplayFormat=" + format + "\r\n");
        Dialogs.Clear();
        Start();
        EXPECT_EQ(Dialogs.Count(TKind::Warning), 1);
        QTimer::singleShot(0, FindDialog.get(),
            [this] { QTest::mouseClick(FindDialog->Button1, Qt::LeftButton); }); // KAYDA GİT
        W->SpeedButton11->click();
        EXPECT_EQ(W->TOPLAM->text(), u"2.872.781,24"_s);
        W->SpeedButton8->click();
        ASSERT_EQ(W->tfatura().RecordCount(), 1);
        TInvoiceRecord again = W->tfatura().Read();
        again.REC_ID = saved.REC_ID;
        EXPECT_EQ(again, saved) << format.constData();
        W.reset();
    }
}

struct TRateRow {
    const char *Why;
    QByteArray Ini;
    int Rate;
    int Warnings;
    friend void PrintTo(const TRateRow &r, std::ostream *os) { PrintWhy(r.Why, os); }
};

class StartingRate : public InvoiceForm, public ::testing::WithParamInterface<TRateRow>
{
};

TEST_P(StartingRate, StartsTheRateBoxAndRecomputesNothingYet)
{
    const TRateRow &r = GetParam();
    WriteBytes(IniPath(), r.Ini);
    Start();
    EXPECT_EQ(W->ORAN->value(), r.Rate);
    EXPECT_EQ(Dialogs.Count(TKind::Warning), r.Warnings);
    EXPECT_TRUE(W->TOPLAM->text().isEmpty()) << "no invoice was on screen to recompute";
    Type(W->M[0], u"1"_s);
    Type(W->F[0], u"100"_s);
    EXPECT_EQ(W->KDV->text(), FormatFloat(u"#,###.00"_s, r.Rate, TFormatSettings::Turkish()));
    EXPECT_EQ(ReadBytes(IniPath()), r.Ini) << "the program never writes the rate";
}

INSTANTIATE_TEST_SUITE_P(InvoiceForm, StartingRate,
    ::testing::Values(TRateRow { "today's standard rate", "[GENEL]\r\nKDVOrani=20\r\n", 20, 0 },
        TRateRow { "missing: 18", "[GENEL]\r\nKDVDahil1=0\r\n", 18, 0 },
        TRateRow { "unreadable: 18, and the user is told", "[GENEL]\r\nKDVOrani=%20\r\n", 18, 1 },
        TRateRow { "beyond the rate box: 18, and told", "[GENEL]\r\nKDVOrani=1000\r\n", 18, 1 }));

// ---------------------------------------------------------------------------------------
// Nothing shown cut

// The columns that carry ink (dark pixels) in the middle rows of an image.
std::pair<int, int> InkColumns(const QImage &image)
{
    int left = -1, right = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y)
            if (qGray(image.pixel(x, y)) < 110) {
                if (left < 0)
                    left = x;
                right = x;
                break;
            }
    return { left, right };
}

// The ink width of a text drawn in full with a font, by a line edit wide enough for it.
int FullInkWidth(const QString &text, const QFont &font)
{
    QLineEdit wide;
    wide.setFont(font);
    wide.setText(text);
    wide.resize(1000, 21);
    const auto [left, right] = InkColumns(wide.grab().toImage());
    return right - left;
}

// The whole text is drawn: the field's ink is as wide as the text's own, and stays clear of
// the frame.
void ExpectWholeTextDrawn(TFormEdit *field)
{
    const QImage shot = field->grab().toImage();
    // Leave the frame out of the scan.
    const QImage inner = shot.copy(2, 0, shot.width() - 4, shot.height());
    const auto [left, right] = InkColumns(inner);
    ASSERT_GE(left, 0) << field->objectName();
    EXPECT_NEAR(right - left, FullInkWidth(field->text(), field->font()), 1)
        << field->objectName() << ": " << field->text();
    EXPECT_GT(left, 0) << field->objectName() << " ink runs into the left edge";
    EXPECT_LT(right, inner.width() - 1) << field->objectName();
}

TEST_F(InvoiceForm, MillionsAndLongWordsAreDrawnWholeAndTippedInFull)
{
    WriteBytes(IniPath(), "[GENEL]\r\nKDVOrani=0\r\n");
    Start();
    Type(W->M[0], u"1"_s);
    Type(W->F[0], u"2434559,88"_s);
    W->SAYIN1->setFocus(Qt::TabFocusReason); // no caret in the fields measured

    for (TNumericEdit *field : { W->F[0], W->T[0], W->YEKUN, W->TOPLAM }) {
        EXPECT_EQ(field->text(), u"2.434.559,88"_s);
        EXPECT_EQ(field->toolTip(), u"2.434.559,88"_s);
        EXPECT_LT(field->font().pixelSize(), 11) << field->objectName();
        EXPECT_GE(field->font().pixelSize(), TFormEdit::MinimumFontPixels());
        ExpectWholeTextDrawn(field);
    }
    EXPECT_EQ(W->YALNIZ->text(), u"İKİMİLYONDÖRTYÜZOTUZDÖRTBİNBEŞYÜZELLİDOKUZ TL SEKSENSEKİZ KR"_s);
    EXPECT_EQ(W->YALNIZ->toolTip(), W->YALNIZ->text());
    ExpectWholeTextDrawn(W->YALNIZ);

    // A value that fits again is drawn at the form's size, without a tip.
    Type(W->F[0], u"12,5"_s);
    W->SAYIN1->setFocus(Qt::TabFocusReason);
    for (TNumericEdit *field : { W->F[0], W->T[0], W->TOPLAM }) {
        EXPECT_EQ(field->font().pixelSize(), 11) << field->objectName();
        EXPECT_TRUE(field->toolTip().isEmpty()) << field->objectName();
        ExpectWholeTextDrawn(field);
    }
    EXPECT_EQ(W->YALNIZ->toolTip(), u"ONİKİ TL ELLİ KR"_s) << "the words always carry their tip";
}

// ---------------------------------------------------------------------------------------
// Errors that tell the user what to do

TEST_F(InvoiceForm, ReadOnlyTableSaysInTurkishThatTheInvoiceIsStillOnScreen)
{
    Start();
    W.reset();
    const QString table = Folder() + u"fatura.DB"_s;
    QFile::setPermissions(table, QFileDevice::ReadOwner);
    {
        TNoRootPrivileges guard;
        ASSERT_TRUE(guard.Active());
        Start();
        Type(W->SAYIN1, u"KEEP"_s);
        W->SpeedButton8->click();
    }
    QFile::setPermissions(table, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_EQ(Dialogs.Count(TKind::Error), 1);
    const QStringList parts = Dialogs.LastText().split(u"\r\n\r\n"_s);
    ASSERT_EQ(parts.size(), 2) << Dialogs.LastText();
    EXPECT_TRUE(parts[0].contains(u"salt okunur"_s)) << parts[0];
    EXPECT_TRUE(parts[0].contains(u"ekrandaki fatura duruyor"_s)) << parts[0];
    EXPECT_FALSE(parts[1].isEmpty()) << "the store's own text follows";
    EXPECT_EQ(W->SAYIN1->text(), u"KEEP"_s);
}

// ---------------------------------------------------------------------------------------
// Qt's own boxes in Turkish

class QtBoxes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // As under LANG=C: the process locale has no say.
        QLocale::setDefault(QLocale::c());
        Translator = LoadTurkishQtTexts(*qApp);
        ASSERT_NE(Translator, nullptr) << "qt6-translations-l10n is not installed";
    }
    void TearDown() override
    {
        QCoreApplication::removeTranslator(Translator);
        delete Translator;
        QLocale::setDefault(QLocale::system());
    }

    // Shows a box through the dialogs seam and, once it is up, reads it and presses the
    // button at index press (in the box's own order).
    void Read(const std::function<void()> &show, int press)
    {
        QTimer::singleShot(0, qApp, [this, press] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            Text = box->text();
            Buttons.clear();
            const auto buttons = box->buttons();
            for (QAbstractButton *b : buttons)
                Buttons << b->text().remove(u'&');
            Buttons.sort();
            buttons.at(press)->click();
        });
        show();
    }

    QTranslator *Translator = nullptr;
    TQtDialogs Dialogs;
    QString Text;
    QStringList Buttons;
};

TEST_F(QtBoxes, YesNoAndOkCancelSpeakTurkishAndKeepTheLeadingLineBreak)
{
    const QString question = u"\r\nYENİ KAYDA GEÇİLECEK.\r\n\r\nEKRANDAKİ BİLGİLER SİLİNECEK."_s;
    Read([&] { Dialogs.AskYesNo(nullptr, u"Uyarı"_s, question); }, 0);
    EXPECT_EQ(Buttons, QStringList({ u"Evet"_s, u"Hayır"_s }));
    EXPECT_EQ(Text, u"\nYENİ KAYDA GEÇİLECEK.\n\nEKRANDAKİ BİLGİLER SİLİNECEK."_s);

    Read([&] { Dialogs.AskOkCancel(nullptr, u"Uyarı"_s, u"x"_s); }, 0);
    EXPECT_EQ(Buttons, QStringList({ u"Tamam"_s, u"İptal"_s }));
}

} // namespace
