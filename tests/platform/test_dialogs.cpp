#include "platform/widgets/QtDialogs.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

TEST(Dialogs, ShownTextTurnsCrLfIntoLineBreaksOnly)
{
    // The constants keep "\r\n"; only the shown text has plain line breaks.
    EXPECT_EQ(ShownText(QStringLiteral("\r\nA\r\n\r\nB")), QStringLiteral("\nA\n\nB"));
    EXPECT_EQ(ShownText(QStringLiteral("no break")), QStringLiteral("no break"));
}

TEST(Dialogs, ScriptedAnswersInOrderThenDefaults)
{
    TScriptedDialogs d;
    d.Answers = {IDialogs::TAnswer::No};
    EXPECT_EQ(d.AskYesNo(nullptr, {}, QStringLiteral("q1")), IDialogs::TAnswer::No);
    EXPECT_EQ(d.AskYesNo(nullptr, {}, QStringLiteral("q2")), IDialogs::TAnswer::Yes);
    QString v = QStringLiteral("keep");
    EXPECT_FALSE(d.InputBox(nullptr, {}, {}, v));
    EXPECT_EQ(v, QStringLiteral("keep"));
    EXPECT_EQ(d.Count(TScriptedDialogs::TKind::YesNo), 2);
    EXPECT_EQ(d.LastText(), QString());
}
