#include "app/FormFields.h"

#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{

// A window with a numeric field and a text field behind it, so that Tab leaves the first.
class FieldWindow : public ::testing::Test
{
protected:
    void Build(const TFormatSettings &fs, bool decimals, const QString &pattern)
    {
        Window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(Window.get());
        Field = new TNumericEdit(Dialogs, fs, Window.get());
        Field->SetDecimalsAllowed(decimals);
        Field->SetDisplayFormat(pattern);
        Next = new TTextField(Window.get());
        layout->addWidget(Field);
        layout->addWidget(Next);
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        Next->setFocus(Qt::OtherFocusReason);
    }

    void Enter() { Field->setFocus(Qt::TabFocusReason); }
    void Leave() { Next->setFocus(Qt::TabFocusReason); }

    QColor Background(QLineEdit *e) const { return e->palette().color(QPalette::Base); }

    TScriptedDialogs Dialogs;
    std::unique_ptr<QWidget> Window;
    TNumericEdit *Field = nullptr;
    TTextField *Next = nullptr;
};

const QString kMoney = u"#,###.00"_s;
const QString kQuantity = u",0.##;-,0.##"_s;

// One key to press: a text to type or a single key with modifiers.
struct TKey {
    const char16_t *Text = nullptr;
    Qt::Key Key = Qt::Key_unknown;
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
};
TKey Type(const char16_t *text)
{
    return { text, Qt::Key_unknown, Qt::NoModifier };
}
TKey Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    return { nullptr, key, mods };
}

struct TTypingRow {
    const char *Why;
    bool Turkish;
    bool Decimals;
    std::vector<TKey> Keys; // typed into the emptied field
    const char16_t *Typed; // text right after typing
    int Beeps;
    const char16_t *Left; // text after leaving the field
    double Value;
};

// Test names carry the row's reason, in characters that every test runner accepts.
void PrintTo(const TTypingRow &row, std::ostream *os)
{
    for (const char *c = row.Why; *c; ++c)
        *os << (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
}

class TypingRules : public FieldWindow, public ::testing::WithParamInterface<TTypingRow>
{
};

TEST_P(TypingRules, TypedLeftAndRead)
{
    const TTypingRow &row = GetParam();
    Build(row.Turkish ? TFormatSettings::Turkish() : TFormatSettings::UnitedStates(), row.Decimals,
        row.Decimals ? kMoney : kQuantity);
    Enter();
    Field->clear();
    for (const TKey &k : row.Keys) {
        if (k.Text)
            QTest::keyClicks(Field, QString::fromUtf16(k.Text));
        else
            QTest::keyClick(Field, k.Key, k.Modifiers);
    }
    EXPECT_EQ(Field->text(), QString::fromUtf16(row.Typed)) << row.Why;
    EXPECT_EQ(Dialogs.Beeps, row.Beeps) << row.Why;
    Leave();
    EXPECT_EQ(Field->text(), QString::fromUtf16(row.Left)) << row.Why;
    EXPECT_NEAR(static_cast<double>(Field->Value()), row.Value, 1e-9) << row.Why;
}

const TTypingRow kTypingRows[] = {
    { "a comma in a whole-number field is refused: 2,5 gives 25", true, false, { Type(u"2,5") },
        u"25", 1, u"25", 25 },
    { "a second decimal separator is refused", true, true, { Type(u"12,5,3") }, u"12,53", 1,
        u"12,53", 12.53 },
    { "under Turkish the full stop is no decimal separator", true, true, { Type(u"1.5") }, u"15", 1,
        u"15,00", 15 },
    { "the keypad's point types the locale's comma", true, true,
        { Type(u"1"), Press(Qt::Key_Period, Qt::KeypadModifier), Type(u"5") }, u"1,5", 0, u"1,50",
        1.5 },
    { "the keypad's comma key types a point under a U.S. locale", false, true,
        { Type(u"1"), Press(Qt::Key_Comma, Qt::KeypadModifier), Type(u"5") }, u"1.5", 0, u"1.50",
        1.5 },
    { "under a U.S. locale the comma is refused", false, true, { Type(u"1,5") }, u"15", 1, u"15.00",
        15 },
    { "an exponent is read on leaving", true, true, { Type(u"1E3") }, u"1E3", 0, u"1.000,00",
        1000 },
    { "a small e and a signed exponent", true, true, { Type(u"25e-1") }, u"25e-1", 0, u"2,50",
        2.5 },
    { "three decimals round to the money format", true, true, { Type(u"12,346") }, u"12,346", 0,
        u"12,35", 12.35 },
    { "letters and blanks are refused one beep each", true, true, { Type(u"1a b2") }, u"12", 3,
        u"12,00", 12 },
    { "exponent marks are refused in whole-number fields", true, false, { Type(u"1E3") }, u"13", 1,
        u"13", 13 },
    { "a leading minus is accepted in a whole-number field", true, false, { Type(u"-5") }, u"-5", 0,
        u"-5", -5 },
    { "a sign after the start is refused in a whole-number field", true, false, { Type(u"5-") },
        u"5", 1, u"5", 5 },
    { "nothing can be typed in front of a sign", true, false,
        { Type(u"-5"), Press(Qt::Key_Home), Type(u"1+") }, u"-5", 2, u"-5", -5 },
    { "a sign may go anywhere in a decimals field (the exponent needs it)", true, true,
        { Type(u"1E+2") }, u"1E+2", 0, u"100,00", 100 },
    { "parentheses make the value negative", true, true, { Type(u"(12)") }, u"(12)", 0, u"-12,00",
        -12 },
    { "backspace is a control key and works", true, true,
        { Type(u"123"), Press(Qt::Key_Backspace) }, u"12", 0, u"12,00", 12 },
    { "an empty field leaves as the formatted zero", true, true, {}, u"", 0, u",00", 0 },
    { "an empty quantity leaves as 0", true, false, {}, u"", 0, u"0", 0 },
    { "a quantity keeps its significant decimals only", true, false, { Type(u"1234") }, u"1234", 0,
        u"1.234", 1234 },
    { "the star is refused where it opens nothing", true, true, { Type(u"1*") }, u"1", 1, u"1,00",
        1 },
};

INSTANTIATE_TEST_SUITE_P(NumericField, TypingRules, ::testing::ValuesIn(kTypingRows));

TEST_F(FieldWindow, SeparatorReplacesASelectionThatHoldsOne)
{
    Build(TFormatSettings::Turkish(), true, kMoney);
    Enter();
    QTest::keyClicks(Field, u"1,5"_s);
    Field->setSelection(1, 2); // ",5"
    QTest::keyClicks(Field, u","_s);
    EXPECT_EQ(Field->text(), u"1,"_s);
    Field->setSelection(0, 1); // "1" only: the text still holds a separator
    QTest::keyClicks(Field, u","_s);
    EXPECT_EQ(Field->text(), u"1,"_s);
    EXPECT_EQ(Dialogs.Beeps, 1);
}

TEST_F(FieldWindow, ComposedCharactersAreCheckedLikeTypedOnes)
{
    Build(TFormatSettings::Turkish(), false, kQuantity);
    Enter();
    Field->clear();
    QInputMethodEvent composed;
    composed.setCommitString(u"1a,5"_s);
    QCoreApplication::sendEvent(Field, &composed);
    EXPECT_EQ(Field->text(), u"15"_s);
    EXPECT_EQ(Dialogs.Beeps, 2);
}

TEST_F(FieldWindow, PastedTextIsNotCheckedButParsedWhenRead)
{
    Build(TFormatSettings::Turkish(), false, kQuantity);
    Enter();
    QApplication::clipboard()->setText(u"1.234,5 kg"_s);
    Field->clear();
    Field->paste();
    EXPECT_EQ(Field->text(), u"1.234,5 kg"_s);
    EXPECT_EQ(Dialogs.Beeps, 0);
    Leave();
    EXPECT_EQ(Field->text(), u"1.234,5"_s);
}

TEST_F(FieldWindow, FocusColoursAndExitOrder)
{
    Build(TFormatSettings::Turkish(), true, kMoney);
    EXPECT_EQ(Background(Field), TFormEdit::IdleColor());
    QString textAtExit;
    QColor colourAtExit;
    int exits = 0;
    QObject::connect(Field, &TFormEdit::Exited, [&] {
        ++exits;
        textAtExit = Field->text();
        colourAtExit = Background(Field);
    });
    Enter();
    EXPECT_EQ(Background(Field), QColor(Qt::white));
    QTest::keyClicks(Field, u"5"_s);
    Leave();
    // The exit actions see the re-formatted text and the restored colour.
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(textAtExit, u"5,00"_s);
    EXPECT_EQ(colourAtExit, TFormEdit::IdleColor());
    EXPECT_EQ(Background(Next), QColor(Qt::white));
}

TEST_F(FieldWindow, EnteringByKeySelectsAllButAClickDoesNot)
{
    Build(TFormatSettings::Turkish(), true, kMoney);
    Field->SetValue(1234.5);
    Enter();
    EXPECT_EQ(Field->selectedText(), u"1.234,50"_s);
    QTest::keyClicks(Field, u"7"_s);
    EXPECT_EQ(Field->text(), u"7"_s) << "typing replaces the selected text";
    Leave();
    QTest::mouseClick(Field, Qt::LeftButton, Qt::NoModifier, QPoint(5, Field->height() / 2));
    EXPECT_TRUE(Field->hasFocus());
    EXPECT_FALSE(Field->hasSelectedText());
    EXPECT_EQ(Background(Field), QColor(Qt::white));
}

TEST_F(FieldWindow, EnteringReshowsTheValueFreshlyFormatted)
{
    Build(TFormatSettings::Turkish(), true, kMoney);
    Field->setText(u"3,456"_s); // as a paste would leave it
    Enter();
    EXPECT_EQ(Field->text(), u"3,46"_s);
    EXPECT_EQ(Field->selectedText(), u"3,46"_s);
}

TEST_F(FieldWindow, AnotherWindowTakingTheFocusIsNoExit)
{
    Build(TFormatSettings::Turkish(), true, kMoney);
    QSignalSpy exits(Field, &TFormEdit::Exited);
    QSignalSpy enters(Field, &TFormEdit::Entered);
    Enter();
    QTest::keyClicks(Field, u"12"_s);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(exits.count(), 0);
    EXPECT_EQ(Field->text(), u"12"_s) << "nothing re-formatted while another window is active";
    EXPECT_EQ(Background(Field), QColor(Qt::white));
    other.hide();
    Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    EXPECT_EQ(enters.count(), 1);
    Leave();
    EXPECT_EQ(exits.count(), 1);
}

TEST_F(FieldWindow, StarEmitsFirstThenBeepsOnce)
{
    Build(TFormatSettings::Turkish(), true, kMoney);
    Field->SetStarOpensDialog(true);
    Enter();
    QTest::keyClicks(Field, u"4"_s);
    int beepsAtSignal = -1;
    QObject::connect(Field, &TNumericEdit::StarPressed, [&] { beepsAtSignal = Dialogs.Beeps; });
    QSignalSpy stars(Field, &TNumericEdit::StarPressed);
    QTest::keyClicks(Field, u"*"_s);
    EXPECT_EQ(stars.count(), 1);
    EXPECT_EQ(beepsAtSignal, 0) << "the dialog comes before the refusal";
    EXPECT_EQ(Dialogs.Beeps, 1);
    EXPECT_EQ(Field->text(), u"4"_s);
}

TEST_F(FieldWindow, ValueOfAnEmptyFieldShowsTheFormattedZero)
{
    Build(TFormatSettings::Turkish(), true, kMoney);
    EXPECT_EQ(static_cast<double>(Field->Value()), 0.0);
    EXPECT_EQ(Field->text(), u",00"_s);
    Field->SetDisplayFormat(u",0.00;-,0.00"_s);
    EXPECT_EQ(Field->text(), u"0,00"_s) << "a new pattern re-shows the value";
    Field->SetValue(-5);
    EXPECT_EQ(Field->text(), u"-5,00"_s);
    EXPECT_EQ(Field->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST_F(FieldWindow, TextFieldMaximumLength)
{
    Build(TFormatSettings::Turkish(), true, kMoney);
    auto *limited = new TTextField(5, Window.get());
    limited->show();
    limited->setFocus(Qt::TabFocusReason);
    // QTest spells only ASCII keys; a Turkish capital goes as a key event with its text.
    QTest::sendKeyEvent(QTest::Click, limited, Qt::Key_unknown, u"İ"_s, Qt::NoModifier);
    QTest::keyClicks(limited, u"stanbul"_s);
    EXPECT_EQ(limited->text(), u"İstan"_s);
    limited->SetMaxLength(0);
    QTest::keyClicks(limited, u"bul*,."_s);
    EXPECT_EQ(limited->text(), u"İstanbul*,."_s) << "text fields take any character";
    EXPECT_EQ(Dialogs.Beeps, 0);
}

TEST_F(FieldWindow, FocusMovedWhileInactiveStillEndsTheOldField)
{
    // Qt moves the focus of an inactive window silently; the field that lost it must still
    // run its exit when the new field is entered.
    Build(TFormatSettings::Turkish(), true, kMoney);
    auto *second = new TNumericEdit(Dialogs, TFormatSettings::Turkish(), Window.get());
    Window->layout()->addWidget(second);
    QSignalSpy exits(Field, &TFormEdit::Exited);
    Enter();
    QTest::keyClicks(Field, u"7"_s);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    second->setFocus(Qt::OtherFocusReason);
    other.hide();
    Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    EXPECT_TRUE(second->IsEntered());
    EXPECT_FALSE(Field->IsEntered());
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(Field->text(), u"7,00"_s);
    EXPECT_EQ(Background(Field), TFormEdit::IdleColor());
}

} // namespace
