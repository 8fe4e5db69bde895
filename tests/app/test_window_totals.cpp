// The invoice arithmetic on the real main window: typed with keys, fields left with Tab,
// entry modes toggled through their menu items, the star key through the real dialog.

#include "app/FormFields.h"
#include "app/frm_fatura_basimi.h"
#include "app/frm_kdv_li_tutar.h"
#include "support/ScriptedDialogs.h"
#include "support/TotalsScenario.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

class WindowTotals : public ::testing::Test
{
protected:
    void Start()
    {
        ASSERT_TRUE(Dir.isValid());
        W = std::make_unique<Tfatura_basimi>(Dialogs, TFormatSettings::Turkish(),
            Dir.path() + u"/"_s, [] { return QDate(2026, 12, 9); });
        W->SetVatDialog(&VatDialog);
        W->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(W.get()));
        ASSERT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 0)
            << Dialogs.LastText().toStdString();
    }

    TNumericEdit *Field(const QString &name) const
    {
        if (name == u"YEKUN")
            return W->YEKUN;
        if (name == u"KDV")
            return W->KDV;
        if (name == u"TOPLAM")
            return W->TOPLAM;
        const int n = name.mid(1).toInt() - 1;
        return name.startsWith(u'M') ? W->M.at(n) : name.startsWith(u'F') ? W->F.at(n) : W->T.at(n);
    }

    // Enters a field as Tab would (its text selected), types over it and leaves with Tab.
    void Type(QWidget *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(field, text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }

    void SetRate(const QString &text)
    {
        W->ORAN->setFocus(Qt::MouseFocusReason);
        W->ORAN->selectAll();
        QTest::keyClicks(W->ORAN, text);
    }

    // "M1=3" types 3 into M1 and leaves it; "ORAN=8" types the rate.
    void Run(const QString &step)
    {
        const QString name = step.section(u'=', 0, 0);
        const QString text = step.section(u'=', 1);
        if (name == u"ORAN")
            SetRate(text);
        else
            Type(Field(name), text);
    }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    Tkdv_li_tutar VatDialog { Dialogs, TFormatSettings::Turkish() };
    std::unique_ptr<Tfatura_basimi> W;
};

class WindowScenario : public WindowTotals, public ::testing::WithParamInterface<TTotalsScenario>
{
};

TEST_P(WindowScenario, FormShowsExpectedTexts)
{
    const TTotalsScenario &sc = GetParam();
    Start();
    if (sc.KDVDahil)
        W->KDVDahil1->trigger();
    if (sc.TutarSabit)
        W->tutarsabit->trigger();
    for (const char16_t *step : sc.Steps)
        Run(QString::fromUtf16(step));
    for (const auto &[name, text] : sc.Expect) {
        const QString field = QString::fromUtf16(name);
        const QString shown = field == u"YALNIZ" ? W->YALNIZ->text() : Field(field)->text();
        EXPECT_EQ(shown, QString::fromUtf16(text)) << sc.Why << ": " << field.toStdString();
    }
    EXPECT_EQ(Dialogs.Beeps, 0) << sc.Why;
}

// Wiring only: each row reaches one handler, menu item or line of the window; the arithmetic
// itself is the totals table's. ORAN is 18 unless a step sets it.
const TTotalsScenario kWindowScenarios[] = {
    { "a price exit recomputes the totals and the words at the default rate", false, false,
        { u"M1=1", u"F1=20,99" },
        { { u"KDV", u"3,77" }, { u"TOPLAM", u"24,76" },
            { u"YALNIZ", u"YİRMİDÖRT TL YETMİŞALTI KR" } } },
    { "a rate typed into the spin box recomputes at once", false, false,
        { u"M1=1", u"F1=99,99", u"ORAN=8" }, { { u"KDV", u"7,99" }, { u"TOPLAM", u"107,98" } } },
    { "a quantity exit on the last line moves that line's price", false, false,
        { u"M8=2", u"F8=10", u"M8=3" },
        { { u"F8", u"6,67" }, { u"T8", u"20,01" }, { u"YEKUN", u"20,01" } } },
    { "a negative quantity typed on the first two lines", false, false,
        { u"M1=-1", u"F1=10", u"M2=1", u"F2=30" },
        { { u"T1", u"-10,00" }, { u"YEKUN", u"20,00" }, { u"KDV", u"3,60" },
            { u"TOPLAM", u"23,60" } } },
    { "the fixed-amounts item alone: an amount exit keeps the typed amount", false, true,
        { u"M1=3", u"T1=20" },
        { { u"F1", u"6,67" }, { u"T1", u"20,00" }, { u"YEKUN", u"20,00" } } },
    { "both items at once: the price without VAT, the typed amount kept", true, true,
        { u"M1=1", u"T1=118" },
        { { u"F1", u"100,00" }, { u"T1", u"118,00" }, { u"YEKUN", u"118,00" }, { u"KDV", u"21,24" },
            { u"TOPLAM", u"139,24" } } },
};

INSTANTIATE_TEST_SUITE_P(Window, WindowScenario, ::testing::ValuesIn(kWindowScenarios));

TEST_F(WindowTotals, TypingIntoATotalChangesNothingElse)
{
    Start();
    Run(u"M1=1"_s);
    Run(u"F1=10"_s);
    W->YEKUN->setFocus(Qt::MouseFocusReason);
    W->YEKUN->selectAll();
    QTest::keyClicks(W->YEKUN, u"999"_s);
    W->TARIH->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(W->YEKUN->text(), u"999,00"_s);
    EXPECT_EQ(W->KDV->text(), u"1,80"_s);
    EXPECT_EQ(W->TOPLAM->text(), u"11,80"_s);
    // ... until the next recomputation overwrites it.
    Run(u"F1=10"_s);
    EXPECT_EQ(W->YEKUN->text(), u"10,00"_s);
}

// The star key opens the real dialog; the test types into it from inside its event loop.
class WindowStar : public WindowTotals
{
protected:
    void PressStarIn(TNumericEdit *field, const QString &amount, bool ok)
    {
        QTimer::singleShot(0, &VatDialog, [this, amount, ok] {
            if (QTest::qWaitForWindowActive(&VatDialog)) {
                QTest::keyClicks(VatDialog.TutarField(), amount);
                QTest::mouseClick(
                    ok ? VatDialog.TamamButton() : VatDialog.VazgecButton(), Qt::LeftButton);
            }
            if (VatDialog.isVisible())
                VatDialog.reject();
        });
        QTest::keyClicks(field, u"*"_s);
    }

    // The window system gives the activation back when a modal dialog closes; the
    // offscreen platform leaves that to the program.
    void BackToWindow()
    {
        W->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(W.get()));
    }
};

TEST_F(WindowStar, TamamPutsTheAmountWithoutVatAndTheExitRecomputes)
{
    struct TCase {
        const char *Why;
        const char16_t *Quantity; // typed and left first
        int Line;
        bool Amount; // the star typed in T, else in F
        const char16_t *Typed, *Shown;
        std::vector<std::pair<const char16_t *, const char16_t *>> AfterExit;
    };
    const TCase cases[] {
        { "a price", u"M2=2", 1, false, u"118", u"100,00",
            { { u"T2", u"200,00" }, { u"YEKUN", u"200,00" }, { u"TOPLAM", u"236,00" } } },
        { "an amount: the exit derives the price", u"M5=2", 4, true, u"236", u"200,00",
            { { u"F5", u"100,00" }, { u"KDV", u"36,00" } } },
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Why);
        Start();
        Run(QString::fromUtf16(c.Quantity));
        TNumericEdit *field = c.Amount ? W->T[c.Line] : W->F[c.Line];
        TNumericEdit *other = c.Amount ? W->F[c.Line] : W->T[c.Line];
        field->setFocus(Qt::TabFocusReason);
        const QString before = other->text();
        Dialogs.Beeps = 0;
        PressStarIn(field, QString::fromUtf16(c.Typed), true);
        EXPECT_EQ(field->text(), QString::fromUtf16(c.Shown));
        EXPECT_EQ(Dialogs.Beeps, 1);
        EXPECT_EQ(other->text(), before) << "nothing recomputed before the field is left";
        BackToWindow();
        ASSERT_EQ(QApplication::focusWidget(), field) << "the focus stays where the star was typed";
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        for (const auto &[name, text] : c.AfterExit)
            EXPECT_EQ(Field(QString::fromUtf16(name))->text(), QString::fromUtf16(text))
                << QString::fromUtf16(name).toStdString();
    }
}

TEST_F(WindowStar, VazgecKeepsTheFieldAsTyped)
{
    Start();
    Run(u"M1=1"_s);
    W->F[0]->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(W->F[0], u"7"_s); // still being typed: neither formatted nor recomputed
    const QString total = W->TOPLAM->text();
    PressStarIn(W->F[0], u"118"_s, false);
    EXPECT_EQ(W->F[0]->text(), u"7"_s);
    EXPECT_EQ(W->TOPLAM->text(), total);
    EXPECT_EQ(Dialogs.Beeps, 1);
}

TEST_F(WindowStar, QuantityFieldsRefuseTheStarWithoutTheDialog)
{
    Start();
    W->M[0]->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(W->M[0], u"2*"_s);
    EXPECT_FALSE(VatDialog.isVisible());
    EXPECT_EQ(W->M[0]->text(), u"2"_s);
    EXPECT_EQ(Dialogs.Beeps, 1);
}

} // namespace
