#include "platform/widgets/QtDialogs.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Dialogs, ShownTextTurnsCrLfIntoLineBreaksOnly)
{
    // The constants keep "\r\n"; only the shown text has plain line breaks.
    EXPECT_EQ(ShownText(u"\r\nA\r\n\r\nB"_s), u"\nA\n\nB"_s);
    EXPECT_EQ(ShownText(u"no break"_s), u"no break"_s);
}

TEST(Dialogs, ScriptedAnswersInOrderThenDefaults)
{
    TScriptedDialogs d;
    d.Answers = {IDialogs::TAnswer::No};
    EXPECT_EQ(d.AskYesNo(nullptr, {}, u"q1"_s), IDialogs::TAnswer::No);
    EXPECT_EQ(d.AskYesNo(nullptr, {}, u"q2"_s), IDialogs::TAnswer::Yes);
    QString v = u"keep"_s;
    EXPECT_FALSE(d.InputBox(nullptr, {}, {}, v));
    EXPECT_EQ(v, u"keep"_s);
    EXPECT_EQ(d.Count(TScriptedDialogs::TKind::YesNo), 2);
    EXPECT_EQ(d.LastText(), QString());
}
