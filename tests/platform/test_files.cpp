#include "platform/Files.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

struct TFolderCase {
    const char *why;
    TFolderFacts facts;
    QString data;
    QString pages;
    bool installed;
};

TFolderFacts Facts(const QString &program, bool table = false, bool marker = false,
    const QString &xdg = {}, const QString &home = u"/home/ayse"_s)
{
    return { program, u"/usr/bin"_s, u"../share/levanta/pages"_s, table, marker, xdg, home };
}

TEST(Folders, ThePackagedProgramAloneKeepsItsFilesInTheUserDataFolder)
{
    const TFolderCase cases[] = {
        { "the packaged program, in its prefix", Facts(u"/usr/bin"_s),
            u"/home/ayse/.local/share/levanta/"_s, u"/usr/share/levanta/pages/"_s, true },
        { "a trailing slash or a dot does not make another folder", Facts(u"/usr/./bin/"_s),
            u"/home/ayse/.local/share/levanta/"_s, u"/usr/share/levanta/pages/"_s, true },
        { "XDG_DATA_HOME is honoured", Facts(u"/usr/bin"_s, false, false, u"/data/ayse"_s),
            u"/data/ayse/levanta/"_s, u"/usr/share/levanta/pages/"_s, true },
        { "a relative XDG_DATA_HOME is invalid and ignored",
            Facts(u"/usr/bin"_s, false, false, u"data"_s), u"/home/ayse/.local/share/levanta/"_s,
            u"/usr/share/levanta/pages/"_s, true },
        { "a table in the prefix folder keeps the old rule", Facts(u"/usr/bin"_s, true),
            u"/usr/bin/"_s, u"/usr/share/levanta/pages/"_s, false },
        { "so does the marker file", Facts(u"/usr/bin"_s, false, true), u"/usr/bin/"_s,
            u"/usr/share/levanta/pages/"_s, false },
        { "a build folder is the program's own", Facts(u"/home/ayse/levanta/build/app"_s),
            u"/home/ayse/levanta/build/app/"_s, u"/home/ayse/levanta/build/app/pages/"_s, false },
        { "a copied folder too, even when its name looks like a prefix", Facts(u"/usr/local/bin"_s),
            u"/usr/local/bin/"_s, u"/usr/local/bin/pages/"_s, false },
        { "a sub-folder of the prefix folder is another folder", Facts(u"/usr/bin/levanta"_s),
            u"/usr/bin/levanta/"_s, u"/usr/bin/levanta/pages/"_s, false },
        { "an old program's folder with its Paradox table", Facts(u"/srv/fatura"_s, true),
            u"/srv/fatura/"_s, u"/srv/fatura/pages/"_s, false },
    };
    for (const TFolderCase &c : cases) {
        const TProgramFolders folders = ChooseFolders(c.facts);
        EXPECT_EQ(folders.Data, c.data) << c.why;
        EXPECT_EQ(folders.Pages, c.pages) << c.why;
        EXPECT_EQ(folders.Installed, c.installed) << c.why;
    }

    // A program built without an install folder is never the installed one.
    TFolderFacts unknown = Facts(u"/usr/bin"_s);
    unknown.InstallBinFolder.clear();
    EXPECT_EQ(ChooseFolders(unknown).Data, u"/usr/bin/"_s);
}

TEST(Folders, ThisTestRunsFromItsOwnFolder)
{
    const TProgramFolders &folders = ProgramFolders();
    EXPECT_FALSE(folders.Installed);
    EXPECT_EQ(folders.Data, ProgramFolder());
}

} // namespace
