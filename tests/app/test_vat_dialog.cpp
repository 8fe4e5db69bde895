#include "app/FormFields.h"
#include "app/frm_kdv_li_tutar.h"
#include "invoice/Totals.h"

#include "support/ScriptedDialogs.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{

// Runs the dialog modally and drives it from inside its own event loop.
int RunDialog(Tkdv_li_tutar &dialog, const std::function<void()> &steps)
{
    QTimer::singleShot(0, &dialog, [&] {
        if (QTest::qWaitForWindowActive(&dialog))
            steps();
        if (dialog.isVisible())
            dialog.done(-1); // the steps did not close it
    });
    return dialog.exec();
}

class VatDialog : public ::testing::Test
{
protected:
    TScriptedDialogs Dialogs;
    Tkdv_li_tutar Dialog { Dialogs, TFormatSettings::Turkish() };
};

struct TCloseRow {
    const char *Why;
    const char16_t *Typed;
    std::function<void(Tkdv_li_tutar &)> Close;
    int Result;
    double Value;
    int Beeps;
};

// Test names carry the row's reason, in characters that every test runner accepts.
void PrintTo(const TCloseRow &row, std::ostream *os)
{
    for (const char *c = row.Why; *c; ++c)
        *os << (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
}

class VatDialogClose : public VatDialog, public ::testing::WithParamInterface<TCloseRow>
{
};

TEST_P(VatDialogClose, ResultAndValue)
{
    const TCloseRow &row = GetParam();
    const int result = RunDialog(Dialog, [&] {
        QTest::keyClicks(Dialog.TutarField(), QString::fromUtf16(row.Typed));
        row.Close(Dialog);
    });
    EXPECT_EQ(result, row.Result) << row.Why;
    EXPECT_EQ(static_cast<double>(Dialog.Value()), row.Value) << row.Why;
    EXPECT_EQ(Dialogs.Beeps, row.Beeps) << row.Why;
}

const TCloseRow kCloseRows[] = {
    { "Tamam accepts", u"118",
        [](Tkdv_li_tutar &d) { QTest::mouseClick(d.TamamButton(), Qt::LeftButton); },
        QDialog::Accepted, 118, 0 },
    { "Enter presses the default button", u"250",
        [](Tkdv_li_tutar &d) { QTest::keyClick(d.TutarField(), Qt::Key_Return); },
        QDialog::Accepted, 250, 0 },
    { "Vazgeç cancels", u"118",
        [](Tkdv_li_tutar &d) { QTest::mouseClick(d.VazgecButton(), Qt::LeftButton); },
        QDialog::Rejected, 118, 0 },
    { "Esc cancels", u"118",
        [](Tkdv_li_tutar &d) { QTest::keyClick(d.TutarField(), Qt::Key_Escape); },
        QDialog::Rejected, 118, 0 },
    { "whole amounts only: the comma is refused", u"1,5",
        [](Tkdv_li_tutar &d) { QTest::keyClick(d.TutarField(), Qt::Key_Return); },
        QDialog::Accepted, 15, 1 },
    { "a minus at the start gives a negative amount", u"-20",
        [](Tkdv_li_tutar &d) { QTest::keyClick(d.TutarField(), Qt::Key_Return); },
        QDialog::Accepted, -20, 0 },
};

INSTANTIATE_TEST_SUITE_P(Dialog, VatDialogClose, ::testing::ValuesIn(kCloseRows));

TEST_F(VatDialog, EveryShowingStartsAtZeroFocusedAndSelected)
{
    for (int showing = 0; showing < 2; ++showing) {
        Dialog.TutarField()->setText(u"77"_s); // what the previous use left
        QString shown, selected;
        bool focused = false;
        QColor colour;
        RunDialog(Dialog, [&] {
            shown = Dialog.TutarField()->text();
            selected = Dialog.TutarField()->selectedText();
            focused = Dialog.TutarField()->hasFocus();
            colour = Dialog.TutarField()->palette().color(QPalette::Base);
            QTest::keyClick(Dialog.TutarField(), Qt::Key_Escape);
        });
        EXPECT_EQ(shown, u"0,00"_s) << "showing " << showing;
        EXPECT_EQ(selected, u"0,00"_s) << "showing " << showing;
        EXPECT_TRUE(focused) << "showing " << showing;
        // The form's colour, also with the focus that the field always has here.
        EXPECT_EQ(colour, QColor(228, 224, 201)) << "showing " << showing;
    }
}

TEST_F(VatDialog, KeypadPointIsRefused)
{
    RunDialog(Dialog, [&] {
        QTest::keyClicks(Dialog.TutarField(), u"1"_s);
        QTest::keyClick(Dialog.TutarField(), Qt::Key_Period, Qt::KeypadModifier);
        QTest::keyClick(Dialog.TutarField(), Qt::Key_Comma, Qt::KeypadModifier);
        QTest::keyClicks(Dialog.TutarField(), u"2"_s);
        QTest::keyClick(Dialog.TutarField(), Qt::Key_Return);
    });
    EXPECT_EQ(static_cast<double>(Dialog.Value()), 12.0);
    EXPECT_EQ(Dialogs.Beeps, 2);
}

TEST_F(VatDialog, Layout)
{
    EXPECT_EQ(Dialog.windowTitle(), u"KDV Dahil Tutar"_s);
    EXPECT_EQ(Dialog.size(), QSize(117, 65));
    EXPECT_EQ(Dialog.TutarField()->geometry(), QRect(7, 8, 102, 18));
    EXPECT_EQ(Dialog.TutarField()->DisplayFormat(), u",0.00;-,0.00"_s);
    EXPECT_FALSE(Dialog.TutarField()->DecimalsAllowed());
    EXPECT_EQ(Dialog.TamamButton()->geometry().topLeft(), QPoint(8, 32));
    EXPECT_EQ(Dialog.VazgecButton()->geometry().topLeft(), QPoint(60, 32));
    EXPECT_EQ(Dialog.TamamButton()->width(), 49);
    EXPECT_EQ(Dialog.VazgecButton()->width(), 49);
    EXPECT_TRUE(Dialog.TamamButton()->isDefault());
    EXPECT_EQ(Dialog.font().pixelSize(), 11);
}

// The caller's side, as the main window wires it: "*" in a unit price opens the dialog, a
// Tamam puts the VAT-exclusive amount into the field, and the "*" itself is refused.
class StarCaller : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(Window.get());
        F2 = new TNumericEdit(Dialogs, TFormatSettings::Turkish(), Window.get());
        F2->SetDisplayFormat(u"#,###.00"_s);
        F2->SetStarOpensDialog(true);
        Next = new TNumericEdit(Dialogs, TFormatSettings::Turkish(), Window.get());
        layout->addWidget(F2);
        layout->addWidget(Next);
        QObject::connect(F2, &TNumericEdit::StarPressed, [this] {
            if (RunDialog(Dialog, Steps) == QDialog::Accepted)
                F2->SetValue(KDV_HARIC(Dialog.Value(), 18));
        });
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        F2->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(F2, u"5"_s);
    }

    TScriptedDialogs Dialogs;
    Tkdv_li_tutar Dialog { Dialogs, TFormatSettings::Turkish() };
    std::unique_ptr<QWidget> Window;
    TNumericEdit *F2 = nullptr;
    TNumericEdit *Next = nullptr;
    std::function<void()> Steps;
};

TEST_F(StarCaller, TamamSetsTheAmountWithoutVat)
{
    QSignalSpy exits(F2, &TFormEdit::Exited);
    Steps = [this] {
        QTest::keyClicks(Dialog.TutarField(), u"118"_s);
        QTest::mouseClick(Dialog.TamamButton(), Qt::LeftButton);
    };
    QTest::keyClicks(F2, u"*"_s);
    EXPECT_EQ(F2->text(), u"100,00"_s);
    EXPECT_EQ(Dialogs.Beeps, 1) << "the star is refused once, after the dialog";
    EXPECT_EQ(exits.count(), 0) << "the dialog is no exit from the field";
    EXPECT_TRUE(F2->IsEntered());
}

TEST_F(StarCaller, VazgecKeepsTheField)
{
    Steps = [this] {
        QTest::keyClicks(Dialog.TutarField(), u"118"_s);
        QTest::mouseClick(Dialog.VazgecButton(), Qt::LeftButton);
    };
    QTest::keyClicks(F2, u"*"_s);
    EXPECT_EQ(F2->text(), u"5"_s);
    EXPECT_EQ(Dialogs.Beeps, 1);
}

} // namespace
