#include "app/ucretsiz_yazilimlar_icin_blg.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

void WritePage(const QString &folder, const QString &body)
{
    QFile file(folder + Tucretsiz_yazilimlar_icin_bilgi::PageName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write((u"<html><body><p>"_s + body + u"</p></body></html>"_s).toUtf8());
}

TEST(InfoWindow, LoadsOnEachShowingButNotWhenRaised)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u"/"_s;
    WritePage(folder, u"Birinci sürüm"_s);
    Tucretsiz_yazilimlar_icin_bilgi info;
    info.SetPagesFolder(folder);

    info.ShowInfo();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
    EXPECT_EQ(info.LoadCount(), 1);
    EXPECT_TRUE(info.Browser()->toPlainText().contains(u"Birinci sürüm"_s));

    // Already open: only brought to the front, the page is not loaded again.
    WritePage(folder, u"İkinci sürüm"_s);
    info.ShowInfo();
    EXPECT_EQ(info.LoadCount(), 1);
    EXPECT_TRUE(info.Browser()->toPlainText().contains(u"Birinci sürüm"_s));

    // Closed and shown again: loaded anew, from the same address.
    info.close();
    info.ShowInfo();
    EXPECT_EQ(info.LoadCount(), 2);
    EXPECT_TRUE(info.Browser()->toPlainText().contains(u"İkinci sürüm"_s));
}

TEST(InfoWindow, AMissingPageSaysSoInTheWindow)
{
    QTemporaryDir dir;
    Tucretsiz_yazilimlar_icin_bilgi info;
    info.SetPagesFolder(dir.path() + u"/nowhere/"_s);
    info.ShowInfo();
    EXPECT_TRUE(info.isVisible());
    EXPECT_TRUE(info.Browser()->toPlainText().contains(u"bulunamadı"_s));
}

TEST(InfoWindow, ShippedPageAndLayout)
{
    Tucretsiz_yazilimlar_icin_bilgi info;
    EXPECT_TRUE(info.PagesFolder().endsWith(u"/pages/"_s));
    EXPECT_EQ(info.windowTitle(), u"Bilgi:"_s);
    EXPECT_EQ(info.size(), QSize(689, 395));
    EXPECT_NE(info.minimumSize(), info.maximumSize()) << "the window can be resized";

    // The build puts the program's pages beside the program; the tests live one folder over.
    info.SetPagesFolder(QCoreApplication::applicationDirPath() + u"/../app/pages/"_s);
    info.ShowInfo();
    const QString text = info.Browser()->toPlainText();
    EXPECT_TRUE(text.contains(u"LEVANTA"_s));
    EXPECT_TRUE(text.contains(u"ücretsiz"_s, Qt::CaseInsensitive));
    EXPECT_FALSE(text.contains(u"bulunamadı"_s));
    EXPECT_EQ(info.Browser()->geometry(), info.rect()) << "the browser fills the window";
}

TEST(InfoWindow, NamesTheFolderOfTheUsersFiles)
{
    Tucretsiz_yazilimlar_icin_bilgi info;
    info.SetDataFolder(u"/home/ayşe/.local/share/levanta/"_s, true);
    info.ShowInfo();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
    const QLabel *line = info.FolderLine();
    EXPECT_TRUE(line->isVisible());
    EXPECT_TRUE(line->text().contains(u"/home/ayşe/.local/share/levanta/"_s));
    EXPECT_TRUE(line->text().contains(u"kopyalayın"_s)) << "says how to bring older files";
    EXPECT_EQ(info.Browser()->width(), info.width());
    EXPECT_EQ(line->geometry().top(), info.Browser()->geometry().bottom() + 1);

    info.SetDataFolder(u"/srv/fatura/<eski>/"_s, false);
    EXPECT_TRUE(line->text().contains(u"programın klasöründe"_s));
    EXPECT_TRUE(line->text().contains(u"&lt;eski&gt;"_s)) << "a path is text, not markup";
    EXPECT_FALSE(line->text().contains(u"kopyalayın"_s));
}

} // namespace
