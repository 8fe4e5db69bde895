// The one error handler: what the error box shows and that only the failing command stops.

#include "app/ErrorHandler.h"
#include "platform/Errors.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace
{

struct TErrorCase {
    const char *Why;
    std::function<void()> Raise;
    QString Shown;
};

TEST(ErrorHandler, ShowsTheErrorsTextAndStopsOnlyThatCommand)
{
    const TErrorCase cases[] = {
        { "storage error: the store's own text, Turkish letters intact",
            [] { throw EStorageError(u"database disk image is malformed: İşlem"_s); },
            u"database disk image is malformed: İşlem"_s },
        { "platform error: the INI layer's text",
            [] { throw EPlatformError(u"Unable to write to /x/fatura_ayar.ini"_s); },
            u"Unable to write to /x/fatura_ayar.ini"_s },
        { "any other exception: its what() as UTF-8", [] { throw std::runtime_error("bad ğ"); },
            u"bad ğ"_s },
    };
    for (const TErrorCase &c : cases) {
        TScriptedDialogs dialogs;
        bool after = false;
        const bool finished = RunCommand(dialogs, [&] {
            c.Raise();
            after = true;
        });
        EXPECT_FALSE(finished) << c.Why;
        EXPECT_FALSE(after) << c.Why;
        ASSERT_EQ(dialogs.Count(TScriptedDialogs::TKind::Error), 1) << c.Why;
        EXPECT_EQ(dialogs.LastText(), c.Shown) << c.Why;
    }
}

TEST(ErrorHandler, AdviceStandsAboveTheErrorsOwnTextAndIsAskedOnlyOnFailure)
{
    TScriptedDialogs dialogs;
    int asked = 0;
    const auto advice = [&] {
        ++asked;
        return u"Fatura kaydedilemedi, ekrandaki fatura duruyor."_s;
    };
    EXPECT_TRUE(RunCommand(
        dialogs, [] {}, advice));
    EXPECT_EQ(asked, 0) << "nothing failed, nothing to look at";
    EXPECT_TRUE(dialogs.Shown.empty());

    EXPECT_FALSE(RunCommand(
        dialogs, [] { throw EStorageError(u"attempt to write a readonly database"_s); }, advice));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialogs.LastText(),
        u"Fatura kaydedilemedi, ekrandaki fatura duruyor.\r\n\r\nattempt to write a readonly "
        u"database"_s);
}

} // namespace
