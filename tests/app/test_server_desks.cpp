// The window over a table on a private PostgreSQL server: the same commands as over the
// file, a start-up error naming the server that is not there, the move of fatura.DB onto the
// server from AYARLAR, and two LEVANTA processes (two desks) sharing one server.

#include "app/FormFields.h"
#include "app/frm_ayar_sayfasi.h"
#include "app/frm_fatura_basimi.h"
#include "app/frm_fatura_bul.h"
#include "invoice/InvoiceTable.h"
#include "invoice/PgInvoiceStore.h"
#include "invoice/SqliteInvoiceStore.h"
#include "support/PostgresServer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestRole.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>

using namespace Qt::StringLiterals;
using TKind = TScriptedDialogs::TKind;

namespace
{

// Key by key, Turkish letters included (keyClicks knows only ASCII keys).
void KeyIn(QWidget *field, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QByteArray SettingsFor(const TPgSettings &s)
{
    return "[VERITABANI]\r\nTur=postgresql\r\nSunucu=" + s.Host.toUtf8()
        + "\r\nPort=" + QByteArray::number(s.Port) + "\r\nVeritabani=" + s.Database.toUtf8()
        + "\r\nKullanici=" + s.User.toUtf8() + "\r\n";
}

// One desk: a main window in its own program folder.
class TDesk
{
public:
    TDesk(TScriptedDialogs &dialogs, const QString &folder)
        : FDialogs(dialogs)
    {
        W = std::make_unique<Tfatura_basimi>(dialogs, TFormatSettings::Turkish(), folder + u'/');
        Find = std::make_unique<Tfatura_bul>(dialogs);
        W->SetFindDialog(Find.get());
        W->show();
        (void)QTest::qWaitForWindowExposed(W.get());
    }

    void Type(QLineEdit *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        field->clear();
        KeyIn(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    }

    void Save() { QTest::mouseClick(W->SpeedButton8, Qt::LeftButton); }
    void New() { QTest::mouseClick(W->SpeedButton9, Qt::LeftButton); }

    // BUL, type a name prefix into its search box, KAYDA GİT.
    void FindAndRecall(const QString &prefix)
    {
        QTimer::singleShot(0, Find.get(), [this, prefix] {
            if (!Find->isVisible())
                return;
            KeyIn(Find->S[1], prefix);
            QTest::mouseClick(Find->Button1, Qt::LeftButton);
        });
        QTest::mouseClick(W->SpeedButton11, Qt::LeftButton);
    }

    TScriptedDialogs &FDialogs;
    std::unique_ptr<Tfatura_basimi> W;
    std::unique_ptr<Tfatura_bul> Find;
};

class ServerDesks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NO_THROW(Server = FreshPostgresDatabase());
        WriteSettings(Dir.path(), SettingsFor(Server));
    }

    static void WriteSettings(const QString &folder, const QByteArray &ini)
    {
        QFile f(QDir(folder).filePath(u"fatura_ayar.ini"_s));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(ini);
    }

    QTemporaryDir Dir;
    TPgSettings Server;
    TScriptedDialogs Dialogs;
};

TEST_F(ServerDesks, TheWindowsCommandsWorkOnTheServersTable)
{
    TDesk desk(Dialogs, Dir.path());
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();
    EXPECT_FALSE(QFile::exists(Dir.filePath(u"fatura.DB"_s))) << "no file beside the server";
    for (const QString &name : { u"Işık Gıda"_s, u"İnci Ltd"_s }) {
        Dialogs.Answers = { IDialogs::TAnswer::Yes };
        desk.New();
        desk.Type(desk.W->SAYIN1, name);
        desk.Save();
    }
    PgInvoiceStore store(Server);
    ASSERT_EQ(store.Count(), 2);
    EXPECT_EQ(store.Read(1)->SAYIN1, u"Işık Gıda"_s);
    desk.FindAndRecall(u"ıŞı"_s);
    EXPECT_EQ(desk.W->StoredRecId(), 1);
    EXPECT_EQ(desk.W->SAYIN1->text(), u"Işık Gıda"_s);
    desk.Type(desk.W->SAYIN2, u"Konak"_s);
    Dialogs.Clear();
    desk.Save();
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();
    EXPECT_EQ(store.Read(1)->SAYIN2, u"Konak"_s);
    EXPECT_EQ(store.Count(), 2);
}

TEST_F(ServerDesks, AServerThatIsNotThereIsAStartUpErrorNamingIt)
{
    TPgSettings nowhere = Server;
    nowhere.Port = 1;
    WriteSettings(Dir.path(), SettingsFor(nowhere));
    TDesk desk(Dialogs, Dir.path());
    ASSERT_EQ(Dialogs.Count(TKind::Error), 1) << Dialogs.LastText().toStdString();
    const QString text = Dialogs.LastText();
    EXPECT_TRUE(
        text.contains(u"Veritabanı sunucusuna bağlanılamadı: 127.0.0.1:1/"_s + Server.Database))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"[VERITABANI]"_s)) << "the advice says where to look";
    EXPECT_FALSE(QFile::exists(Dir.filePath(u"fatura.DB"_s))) << "no silent fall-back to a file";
    // As with a table that cannot be opened: the window stays, a KAYDET reports, nothing else.
    Dialogs.Clear();
    desk.Type(desk.W->TARIH, u"09.12.2026"_s);
    desk.Type(desk.W->SAYIN1, u"Bir"_s);
    desk.Save();
    EXPECT_EQ(Dialogs.Count(TKind::Error), 1);
    EXPECT_FALSE(Dialogs.LastText().contains(u"fatura.DB"_s))
        << "the advice looks at the server, not at a file that is not used: "
        << Dialogs.LastText().toStdString();
    EXPECT_TRUE(desk.W->isVisible());
}

TEST_F(ServerDesks, AyarlarMovesTheFileOntoTheServerOnceAndOnlyWithConsent)
{
    {
        std::unique_ptr<IInvoiceStore> file = OpenSqliteStore(Dir.filePath(u"fatura.DB"_s));
        for (const QString &name : { u"Bir"_s, u"İki"_s, u"Üç"_s })
            file->Insert([&] {
                TInvoiceRecord r;
                r.SAYIN1 = name;
                return r;
            }());
        file->Delete(2); // a gap the server must keep
    }
    WriteSettings(Dir.path(), "[GENEL]\r\n");
    TDesk desk(Dialogs, Dir.path());
    QPushButton *move = desk.W->AyarSayfasi()->SunucuyaTasi;
    ASSERT_NE(move, nullptr);

    Dialogs.Clear();
    QTest::mouseClick(move, Qt::LeftButton);
    ASSERT_EQ(Dialogs.Count(TKind::Information), 1) << "no server chosen: says how";
    EXPECT_TRUE(Dialogs.LastText().contains(u"Tur=postgresql"_s));

    WriteSettings(Dir.path(), SettingsFor(Server));
    Dialogs.Clear();
    Dialogs.Answers = { IDialogs::TAnswer::No };
    QTest::mouseClick(move, Qt::LeftButton);
    ASSERT_EQ(Dialogs.Count(TKind::YesNo), 1);
    EXPECT_TRUE(Dialogs.Shown[0].Text.contains(u"2 fatura"_s))
        << Dialogs.Shown[0].Text.toStdString();
    PgInvoiceStore store(Server);
    EXPECT_EQ(store.Count(), 0) << "declined: nothing copied";

    Dialogs.Clear();
    Dialogs.Answers = { IDialogs::TAnswer::Yes };
    QTest::mouseClick(move, Qt::LeftButton);
    ASSERT_EQ(Dialogs.Count(TKind::Information), 1) << Dialogs.LastText().toStdString();
    EXPECT_TRUE(Dialogs.LastText().startsWith(u"2 fatura"_s));
    EXPECT_EQ(store.IdsAfter(0, 10), (std::vector<std::int32_t> { 1, 3 }));
    EXPECT_EQ(store.Read(3)->SAYIN1, u"Üç"_s);
    EXPECT_GT(store.Insert(TInvoiceRecord {}), 3);

    Dialogs.Clear();
    QTest::mouseClick(move, Qt::LeftButton);
    ASSERT_EQ(Dialogs.Count(TKind::Error), 1) << "a second move is refused";
    EXPECT_TRUE(Dialogs.LastText().contains(u"boş değil"_s));
    EXPECT_EQ(store.Count(), 3);
}

// ---- Two LEVANTA processes: this binary started again runs the second desk, driven by
// lines on its standard input ("save NAME", "change TEXT", "quit"), answering each with the
// REC_ID on screen and how many questions were asked.

int SecondDesk()
{
    TScriptedDialogs dialogs;
    TDesk desk(dialogs, QString::fromLocal8Bit(qgetenv("LEVANTA_DESK_FOLDER")));
    std::string line;
    while (std::getline(std::cin, line)) {
        const QString text = QString::fromUtf8(line);
        if (text.startsWith(u"save "_s)) {
            dialogs.Answers = { IDialogs::TAnswer::Yes };
            desk.New();
            desk.Type(desk.W->SAYIN1, text.mid(5));
        } else if (text.startsWith(u"change "_s)) {
            desk.Type(desk.W->SAYIN2, text.mid(7));
        } else {
            break;
        }
        dialogs.Clear();
        desk.Save();
        std::cout << "saved " << desk.W->StoredRecId() << " asked " << dialogs.Count(TKind::YesNo)
                  << " errors " << dialogs.Count(TKind::Error) << std::endl;
    }
    return 0;
}

const bool kSecondDeskRegistered = RegisterTestRole("second-desk", SecondDesk);

class TSecondDesk
{
public:
    explicit TSecondDesk(const QString &folder)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"LEVANTA_DESK_FOLDER"_s, folder);
        env.insert(u"LEVANTA_TEST_ROLE"_s, u"second-desk"_s);
        FProcess.setProcessEnvironment(env);
        FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FProcess.start(QCoreApplication::applicationFilePath(), QStringList());
    }
    ~TSecondDesk()
    {
        FProcess.write("quit\n");
        if (!FProcess.waitForFinished(10000))
            FProcess.kill();
        FProcess.waitForFinished(2000);
    }

    // Sends one command and gives the desk's answer line.
    QString Ask(const QByteArray &command)
    {
        FProcess.write(command + '\n');
        QByteArray out;
        while (!out.contains("saved ")) {
            if (!FProcess.waitForReadyRead(30000))
                return u"no answer"_s;
            out += FProcess.readAll();
        }
        while (!out.endsWith('\n') && FProcess.waitForReadyRead(5000))
            out += FProcess.readAll();
        const qsizetype at = out.indexOf("saved ");
        return QString::fromUtf8(out.mid(at, out.indexOf('\n', at) - at));
    }

private:
    QProcess FProcess;
};

TEST_F(ServerDesks, TwoProcessesSeeEachOthersInvoicesAndNeitherLosesAChange)
{
    QTemporaryDir secondFolder;
    WriteSettings(secondFolder.path(), SettingsFor(Server));
    TSecondDesk second(secondFolder.path());
    TDesk first(Dialogs, Dir.path());
    ASSERT_TRUE(Dialogs.Shown.empty()) << Dialogs.LastText().toStdString();

    // The other desk saves; this one finds it at its next BUL.
    ASSERT_EQ(second.Ask("save Öztürk Kırtasiye"), u"saved 1 asked 0 errors 0"_s);
    first.FindAndRecall(u"ÖZTÜRK"_s);
    ASSERT_EQ(first.W->StoredRecId(), 1);
    EXPECT_EQ(first.W->SAYIN1->text(), u"Öztürk Kırtasiye"_s);

    // Both have invoice 1 on screen; the other desk changes it first, without a question.
    EXPECT_EQ(second.Ask("change Masa 2"), u"saved 1 asked 0 errors 0"_s);
    first.Type(first.W->SAYIN2, u"Masa 1"_s);
    Dialogs.Clear();
    Dialogs.Answers = { IDialogs::TAnswer::No }; // keep theirs, store mine as new
    first.Save();
    ASSERT_EQ(Dialogs.Count(TKind::YesNo), 1);
    EXPECT_TRUE(Dialogs.LastText().contains(u"BAŞKA BİR BİLGİSAYARDA DEĞİŞTİRİLDİ"_s));

    PgInvoiceStore store(Server);
    ASSERT_EQ(store.Count(), 2);
    EXPECT_EQ(store.Read(1)->SAYIN2, u"Masa 2"_s);
    EXPECT_EQ(first.W->StoredRecId(), 2);
    EXPECT_EQ(store.Read(2)->SAYIN2, u"Masa 1"_s);
    EXPECT_EQ(store.Read(2)->SAYIN1, u"Öztürk Kırtasiye"_s);

    // The other desk, now behind this one's save, changes invoice 1 again: no question,
    // since invoice 1 itself did not change meanwhile.
    EXPECT_EQ(second.Ask("change Masa 2b"), u"saved 1 asked 0 errors 0"_s);
    EXPECT_EQ(store.Read(1)->SAYIN2, u"Masa 2b"_s);
}

} // namespace
