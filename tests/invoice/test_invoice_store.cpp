// The table against real files: damaged and foreign files, read-only files and folders,
// locks, a writer killed mid-stream, and two writers on one folder.

#include "invoice/InvoiceTable.h"
#include "platform/Sqlite.h"
#include "support/NumberedInvoice.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

// The n of a record written by Numbered, or -1 when the record is not one of them whole.
int NumberOf(const TInvoiceRecord &r)
{
    bool ok = false;
    const int n = r.SAYIN1.mid(8).toInt(&ok);
    if (!ok || !r.SAYIN1.startsWith(u"Müşteri "_s))
        return -1;
    TInvoiceRecord expected = Numbered(n);
    expected.REC_ID = r.REC_ID;
    return expected == r ? n : -1;
}

QString IntegrityOf(const QString &folder)
{
    TSqliteDatabase db(
        QDir(folder).filePath(u"fatura.DB"_s), TSqliteDatabase::TOpenMode::ReadWrite);
    TSqliteStatement st = db.Prepare("PRAGMA integrity_check");
    return st.Step() ? st.ColumnText(0) : u"no answer"_s;
}

// ---- Helper processes: this executable started again with LEVANTA_TABLE_HELPER set runs
// one of these before main and exits.

void Say(const QByteArray &line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

int HelperAppendForever(InvoiceTable &table)
{
    const pid_t parent = getppid();
    for (int n = 1; n < 1000000 && getppid() == parent; ++n) {
        table.Append(Numbered(n));
        Say(QByteArray::number(n)); // n is committed
    }
    return 0;
}

int HelperAppendSome(InvoiceTable &table, int first, int count)
{
    for (int n = first; n < first + count; ++n)
        table.Append(Numbered(n));
    Say("ok");
    return 0;
}

// Run without the right to write: every post fails and nothing changes.
int HelperReadOnly(InvoiceTable &table)
{
    const int count = table.RecordCount();
    table.MoveToRow(1);
    const std::int32_t current = table.CurrentRecId();
    const TInvoiceRecord before = table.Read();
    const std::vector<std::pair<const char *, std::function<void()>>> posts {
        { "append", [&] { table.Append(Numbered(99)); } },
        { "update", [&] { table.Update(current, Numbered(98)); } },
        { "delete", [&] { table.Delete(); } },
    };
    for (const auto &[what, post] : posts) {
        try {
            post();
            Say(QByteArray(what) + " did not fail");
            return 1;
        } catch (const EStorageError &e) {
            if (e.Message().isEmpty()) {
                Say(QByteArray(what) + " failed without a text");
                return 1;
            }
        }
        if (table.RecordCount() != count || table.CurrentRecId() != current
            || !(table.Read() == before)) {
            Say(QByteArray(what) + " changed the table or the cursor");
            return 1;
        }
    }
    Say("ok");
    return 0;
}

// A read-only table without search keys (made by another program): searching still works.
int HelperSearchWithoutKeys(InvoiceTable &table)
{
    if (!table.Locate(TLocateField::SAYIN1, u"ışı"_s) || table.CurrentRow() != 1) {
        Say("not found");
        return 1;
    }
    if (table.Locate(TLocateField::SAYIN1, u"yok"_s) || table.CurrentRow() != 1) {
        Say("found what is not there");
        return 1;
    }
    Say("ok");
    return 0;
}

// Another desk's KAYDET: overwrites one invoice with invoice 500.
int HelperOverwrite(InvoiceTable &table, std::int32_t recId)
{
    Say(table.Update(recId, Numbered(500)) ? "ok" : "gone");
    return 0;
}

int RunHelper(const QByteArray &mode)
{
    try {
        if (mode.startsWith("readonly") && geteuid() == 0) {
            // Root writes anything; the check needs an ordinary user.
            if (setgid(65534) != 0 || setuid(65534) != 0) {
                Say("cannot drop root");
                return 2;
            }
        }
        InvoiceTable table;
        table.Open(QString::fromLocal8Bit(qgetenv("LEVANTA_TABLE_DIR")));
        if (mode == "append")
            return HelperAppendForever(table);
        if (mode == "some")
            return HelperAppendSome(table, qgetenv("LEVANTA_TABLE_FIRST").toInt(), 20);
        if (mode == "overwrite")
            return HelperOverwrite(table, qgetenv("LEVANTA_TABLE_FIRST").toInt());
        if (mode == "readonly")
            return HelperReadOnly(table);
        if (mode == "readonly-search")
            return HelperSearchWithoutKeys(table);
        Say("unknown helper " + mode);
    } catch (const EStorageError &e) {
        Say("error: " + e.Message().toUtf8());
    }
    return 1;
}

[[maybe_unused]] const bool kHelperRan = [] {
    const QByteArray mode = qgetenv("LEVANTA_TABLE_HELPER");
    if (mode.isEmpty())
        return false;
    std::fflush(stdout);
    std::_Exit(RunHelper(mode));
}();

void StartHelper(
    QProcess &process, const char *mode, const QString &folder, const QByteArray &first = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LEVANTA_TABLE_HELPER"_s, QString::fromLatin1(mode));
    env.insert(u"LEVANTA_TABLE_DIR"_s, folder);
    env.insert(u"LEVANTA_TABLE_FIRST"_s, QString::fromLatin1(first));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(process.waitForStarted(10000));
}

QString FinishHelper(QProcess &process)
{
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

std::vector<std::string> RecordColumnDefinitions()
{
    std::vector<std::string> c { "TARIH TEXT", "SAYIN1 TEXT", "SAYIN2 TEXT", "SAYIN3 TEXT",
        "VDAIRESI TEXT", "VNO TEXT" };
    for (const char *stem : { "M", "C", "F", "T" })
        for (int i = 1; i <= 8; ++i)
            c.push_back(stem + std::to_string(i) + (stem[0] == 'C' ? " TEXT" : " REAL"));
    for (const char *n : { "YEKUN REAL", "KDV REAL", "TOPLAM REAL", "YANLIZ TEXT" })
        c.emplace_back(n);
    for (int i = 1; i <= 8; ++i)
        c.push_back("B" + std::to_string(i) + " TEXT");
    return c;
}

std::string FaturaSql(const std::vector<std::string> &columns)
{
    std::string sql = "CREATE TABLE fatura (REC_ID INTEGER PRIMARY KEY AUTOINCREMENT";
    for (const std::string &c : columns)
        sql += ", " + c;
    return sql + ")";
}

struct StoreTest : ::testing::Test {
    QTemporaryDir dir;
    QString File() const { return dir.filePath(u"fatura.DB"_s); }
    void MakeTable(int records)
    {
        InvoiceTable t;
        t.Open(dir.path());
        for (int n = 1; n <= records; ++n)
            t.Append(Numbered(n));
    }
};

} // namespace

TEST_F(StoreTest, FilesThatAreNotAnInvoiceTableFailToOpenAndStayUntouched)
{
    struct Case {
        const char *why;
        std::function<void(const QString &file)> make;
        const char *text; // part of the store's message
    };
    const std::vector<Case> cases {
        { "not a database at all", [](const QString &f) { WriteBytes(f, QByteArray(8192, 'x')); },
            "file is not a database" },
        { "another program's SQLite file",
            [](const QString &f) {
                TSqliteDatabase db(f, TSqliteDatabase::TOpenMode::ReadWriteCreate);
                db.Exec("CREATE TABLE musteri (ad TEXT); INSERT INTO musteri VALUES ('x')");
            },
            "no such table: fatura" },
        { "a fatura table with other fields",
            [](const QString &f) {
                TSqliteDatabase db(f, TSqliteDatabase::TOpenMode::ReadWriteCreate);
                db.Exec("CREATE TABLE fatura (REC_ID INTEGER PRIMARY KEY, TARIH TEXT, AD TEXT)");
            },
            "column" },
        { "fields in another order",
            [](const QString &f) {
                std::vector<std::string> c = RecordColumnDefinitions();
                std::swap(c[1], c[2]);
                TSqliteDatabase db(f, TSqliteDatabase::TOpenMode::ReadWriteCreate);
                db.Exec(FaturaSql(c));
            },
            "SAYIN2" },
        { "REC_ID not the key",
            [](const QString &f) {
                std::string sql = "CREATE TABLE fatura (REC_ID TEXT";
                for (const std::string &c : RecordColumnDefinitions())
                    sql += ", " + c;
                TSqliteDatabase db(f, TSqliteDatabase::TOpenMode::ReadWriteCreate);
                db.Exec(sql + ")");
            },
            "REC_ID" },
    };
    for (const Case &c : cases) {
        QTemporaryDir d;
        const QString file = d.filePath(u"fatura.DB"_s);
        c.make(file);
        const QByteArray before = ReadBytes(file);
        InvoiceTable t;
        try {
            t.Open(d.path());
            ADD_FAILURE() << c.why << ": opened";
        } catch (const EStorageError &e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.text)))
                << c.why << ": " << e.what();
        }
        EXPECT_FALSE(t.Active()) << c.why;
        EXPECT_THROW(t.RecordCount(), EStorageError) << c.why;
        EXPECT_THROW(t.Append(Numbered(1)), EStorageError) << c.why;
        EXPECT_EQ(ReadBytes(file), before) << c.why << ": the file was changed";
    }
}

TEST_F(StoreTest, DamagedInvoiceTableFailsWithTheStoresText)
{
    MakeTable(3);
    {
        // Enough rows for the b-trees to span many pages.
        TSqliteDatabase db(File(), TSqliteDatabase::TOpenMode::ReadWrite);
        db.Exec("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 2000)"
                " INSERT INTO fatura (TARIH, SAYIN1, SAYIN2) SELECT x, 'ad ' || x,"
                " printf('%0100d', x) FROM c");
    }
    {
        InvoiceTable t;
        t.Open(dir.path());
    } // builds the search keys
    QByteArray bytes = ReadBytes(File());
    ASSERT_GT(bytes.size(), 3 * 4096);
    for (qsizetype i = 4096; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(0xA5 ^ (i * 31));
    WriteBytes(File(), bytes);
    InvoiceTable t;
    try {
        t.Open(dir.path());
        ADD_FAILURE() << "a damaged table opened";
    } catch (const EStorageError &e) {
        EXPECT_TRUE(e.Message().contains(u"malformed"_s)) << e.what();
    }
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(ReadBytes(File()), bytes);
}

TEST_F(StoreTest, MissingFolderFailsAndCreatesNothing)
{
    InvoiceTable t;
    const QString folder = dir.filePath(u"yok"_s);
    EXPECT_THROW(t.Open(folder), EStorageError);
    EXPECT_FALSE(t.Active());
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(StoreTest, TableMadeByAnotherProgramOpensAndIsSearchable)
{
    {
        TSqliteDatabase db(File(), TSqliteDatabase::TOpenMode::ReadWriteCreate);
        db.Exec(FaturaSql(RecordColumnDefinitions()));
        db.Exec("INSERT INTO fatura (TARIH, SAYIN1, VNO) VALUES ('1.1.2026', 'IŞIK', '9'),"
                " ('2.1.2026', NULL, NULL)");
    }
    InvoiceTable t;
    t.Open(dir.path());
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_TRUE(t.Locate(TLocateField::SAYIN1, u"ışı"_s));
    EXPECT_EQ(t.CurrentRow(), 0);
    EXPECT_TRUE(t.Locate(TLocateField::TARIH, u"2."_s));
    EXPECT_EQ(t.CurrentRow(), 1);
    // NULL texts from another program read as empty texts, numbers as 0.
    const TInvoiceRecord r = t.Read();
    EXPECT_TRUE(r.SAYIN1.isEmpty());
    EXPECT_EQ(r.M[0], 0.0);
}

TEST_F(StoreTest, ReadOnlyTableWithoutSearchKeysIsStillSearchable)
{
    {
        TSqliteDatabase db(File(), TSqliteDatabase::TOpenMode::ReadWriteCreate);
        db.Exec(FaturaSql(RecordColumnDefinitions()));
        db.Exec("INSERT INTO fatura (SAYIN1) VALUES ('Ali'), ('IŞIK'), ('Işıl')");
    }
    ASSERT_EQ(chmod(QFile::encodeName(File()).constData(), 0444), 0);
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    QProcess helper;
    StartHelper(helper, "readonly-search", dir.path());
    EXPECT_EQ(FinishHelper(helper), u"ok"_s);
    chmod(QFile::encodeName(dir.path()).constData(), 0700);
    chmod(QFile::encodeName(File()).constData(), 0600);
}

TEST_F(StoreTest, RowsWrittenByAnotherProgramWhileOpenAreSeenAndFound)
{
    MakeTable(2);
    InvoiceTable t;
    t.Open(dir.path());
    int resets = 0;
    QObject::connect(&t, &InvoiceTable::TableReset, [&] { ++resets; });
    {
        TSqliteDatabase db(File(), TSqliteDatabase::TOpenMode::ReadWrite);
        db.Exec("INSERT INTO fatura (TARIH, SAYIN1) VALUES ('x', 'Yabancı Program')");
        db.Exec("UPDATE fatura SET SAYIN1 = 'Değişti' WHERE REC_ID = 1");
    }
    EXPECT_TRUE(t.Locate(TLocateField::SAYIN1, u"YABANCI"_s));
    EXPECT_EQ(t.CurrentRow(), 2);
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(t.Locate(TLocateField::SAYIN1, u"değ"_s));
    EXPECT_EQ(t.CurrentRecId(), 1);
    EXPECT_FALSE(t.Locate(TLocateField::SAYIN1, u"Müşteri 1"_s)); // its old key is gone
    EXPECT_EQ(t.RecordCount(), 3);
}

TEST_F(StoreTest, LockedTablePostsFailAfterTheWaitAndChangeNothing)
{
    MakeTable(3);
    InvoiceTable t;
    t.Open(dir.path());
    t.SetBusyTimeout(50);
    ASSERT_TRUE(t.MoveToRow(1));
    const std::int32_t current = t.CurrentRecId();
    {
        TSqliteDatabase other(File(), TSqliteDatabase::TOpenMode::ReadWrite);
        other.Exec("BEGIN EXCLUSIVE");
        for (const auto &post : std::vector<std::function<void()>> { [&] { t.Append(Numbered(7)); },
                 [&] { t.Delete(); }, [&] { t.Update(current, Numbered(8)); } }) {
            try {
                post();
                ADD_FAILURE() << "a post went through a lock";
            } catch (const EStorageError &e) {
                EXPECT_TRUE(e.Message().contains(u"locked"_s)) << e.what();
            }
            EXPECT_EQ(t.RowCount(), 3);
            EXPECT_EQ(t.CurrentRecId(), current);
        }
        other.Exec("ROLLBACK");
    }
    EXPECT_EQ(t.RecordCount(), 3);
    EXPECT_EQ(NumberOf(t.Read()), 2);
    t.Append(Numbered(4)); // works again once the lock is gone
    EXPECT_EQ(t.RecordCount(), 4);
}

TEST_F(StoreTest, ReadOnlyFileOrFolderRefusesEveryPostAndKeepsTheTable)
{
    struct Case {
        const char *why;
        mode_t fileMode, dirMode;
    };
    const std::vector<Case> cases {
        { "read-only file in a writable folder", 0444, 0777 },
        { "writable file in a read-only folder", 0666, 0555 },
    };
    for (const Case &c : cases) {
        QTemporaryDir d;
        const QString file = d.filePath(u"fatura.DB"_s);
        {
            InvoiceTable t;
            t.Open(d.path());
            for (int n = 1; n <= 3; ++n)
                t.Append(Numbered(n));
        }
        const QByteArray before = ReadBytes(file);
        ASSERT_EQ(chmod(QFile::encodeName(file).constData(), c.fileMode), 0);
        ASSERT_EQ(chmod(QFile::encodeName(d.path()).constData(), c.dirMode), 0);
        QProcess helper;
        StartHelper(helper, "readonly", d.path());
        const QString said = FinishHelper(helper);
        chmod(QFile::encodeName(d.path()).constData(), 0700);
        chmod(QFile::encodeName(file).constData(), 0600);
        EXPECT_EQ(said, u"ok"_s) << c.why;
        EXPECT_EQ(ReadBytes(file), before) << c.why;
        EXPECT_EQ(IntegrityOf(d.path()), u"ok"_s) << c.why;
    }
}

TEST_F(StoreTest, WriterKilledMidStreamLeavesOnlyWholeInvoices)
{
    MakeTable(0);
    QProcess writer;
    StartHelper(writer, "append", dir.path());
    std::set<int> committed;
    QByteArray pending;
    while (committed.size() < 25 && writer.state() == QProcess::Running) {
        writer.waitForReadyRead(10000);
        pending += writer.readAllStandardOutput();
        qsizetype eol;
        while ((eol = pending.indexOf('\n')) >= 0) {
            committed.insert(pending.left(eol).toInt());
            pending.remove(0, eol + 1);
        }
    }
    ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
    writer.waitForFinished(10000);
    ASSERT_GE(committed.size(), 25u) << "the writer stopped early";

    EXPECT_EQ(IntegrityOf(dir.path()), u"ok"_s);
    InvoiceTable t;
    t.Open(dir.path());
    std::set<int> stored;
    for (int row = 0; row < t.RowCount(); ++row) {
        const std::optional<TInvoiceRecord> r = t.ReadRecord(t.RecIdAt(row));
        ASSERT_TRUE(r);
        const int n = NumberOf(*r);
        EXPECT_GE(n, 1) << "a half record at row " << row;
        EXPECT_TRUE(stored.insert(n).second) << "stored twice: " << n;
    }
    for (int n : committed)
        EXPECT_TRUE(stored.count(n)) << "committed but lost: " << n;
    // At most the one in flight when the kill came is beyond what was reported.
    EXPECT_LE(stored.size(), committed.size() + 1);
    // And the search keys are whole too.
    EXPECT_TRUE(t.Locate(TLocateField::SAYIN1, u"müşteri 2"_s));
    EXPECT_EQ(NumberOf(t.Read()), 2);
}

TEST_F(StoreTest, TwoProcessesAppendingAtOnceLoseNothing)
{
    MakeTable(0);
    QProcess other;
    StartHelper(other, "some", dir.path(), "1000");
    InvoiceTable t;
    t.Open(dir.path());
    for (int n = 1; n <= 20; ++n)
        t.Append(Numbered(n));
    EXPECT_EQ(FinishHelper(other), u"ok"_s);
    EXPECT_EQ(t.RecordCount(), 40);
    std::set<int> stored;
    for (int row = 0; row < t.RowCount(); ++row)
        stored.insert(NumberOf(*t.ReadRecord(t.RecIdAt(row))));
    EXPECT_EQ(stored.size(), 40u);
    EXPECT_EQ(*stored.begin(), 1);
    EXPECT_EQ(*stored.rbegin(), 1019);
    EXPECT_EQ(IntegrityOf(dir.path()), u"ok"_s);
}

// What a save wrote is what a later save expects: texts cut to their widths and amounts that
// have no short decimal form come back from the store unchanged, so no false question.
TEST_F(StoreTest, WhatWasSavedIsWhatTheNextSaveExpects)
{
    MakeTable(0);
    InvoiceTable t;
    t.Open(dir.path());
    TInvoiceRecord r = Numbered(1);
    r.SAYIN1 = QString(200, u'Ş'); // cut to 75
    r.YANLIZ = QString(400, u'ı'); // cut to 150
    r.F[0] = 0.1 + 0.2;
    r.T[0] = 1e300;
    r.KDV = -0.0;
    r.TOPLAM = 1.0 / 3.0;
    const std::int32_t id = t.Append(r);
    const TInvoiceRecord saved = InvoiceTable::CutToWidths(r);
    EXPECT_EQ(t.Update(id, Numbered(2), &saved), TUpdateResult::Updated);

    // Texts longer than their widths, written by another program: what was read is expected.
    {
        TSqliteDatabase db(File(), TSqliteDatabase::TOpenMode::ReadWrite);
        db.Exec("UPDATE fatura SET SAYIN1 = '" + std::string(300, 'x') + "'");
    }
    t.Refresh();
    const TInvoiceRecord read = *t.ReadRecord(id);
    ASSERT_EQ(read.SAYIN1.size(), 300);
    EXPECT_EQ(t.Update(id, Numbered(3), &read), TUpdateResult::Updated);
    EXPECT_EQ(NumberOf(*t.ReadRecord(id)), 3);
}

TEST_F(StoreTest, OverwriteByAnotherProcessIsSeenBeforeThisOneWrites)
{
    MakeTable(3);
    InvoiceTable t;
    t.Open(dir.path());
    const std::int32_t id = t.RecIdAt(1);
    const TInvoiceRecord recalled = *t.ReadRecord(id);
    QProcess other;
    StartHelper(other, "overwrite", dir.path(), QByteArray::number(id));
    ASSERT_EQ(FinishHelper(other), u"ok"_s);
    EXPECT_EQ(t.Update(id, Numbered(7), &recalled), TUpdateResult::ChangedMeanwhile);
    EXPECT_EQ(NumberOf(*t.ReadRecord(id)), 500);
    // "Keep theirs, store mine as new": both versions stay.
    const std::int32_t mine = t.Append(Numbered(7));
    EXPECT_EQ(t.RecordCount(), 4);
    EXPECT_EQ(NumberOf(*t.ReadRecord(mine)), 7);
    EXPECT_EQ(IntegrityOf(dir.path()), u"ok"_s);
}

TEST_F(StoreTest, NewFileHoldsTheInvoiceRecordAsItsTable)
{
    MakeTable(0);
    TSqliteDatabase db(File(), TSqliteDatabase::TOpenMode::ReadWrite);
    TSqliteStatement info = db.Prepare("PRAGMA table_info(fatura)");
    QStringList columns;
    while (info.Step())
        columns << info.ColumnText(1) + u' ' + info.ColumnText(2);
    QStringList expected { u"REC_ID INTEGER"_s, u"TARIH VARCHAR(20)"_s, u"SAYIN1 VARCHAR(75)"_s,
        u"SAYIN2 VARCHAR(75)"_s, u"SAYIN3 VARCHAR(75)"_s, u"VDAIRESI VARCHAR(35)"_s,
        u"VNO VARCHAR(30)"_s };
    for (int i = 1; i <= 8; ++i)
        expected << u"M%1 REAL"_s.arg(i);
    for (int i = 1; i <= 8; ++i)
        expected << u"C%1 VARCHAR(50)"_s.arg(i);
    for (int i = 1; i <= 8; ++i)
        expected << u"F%1 REAL"_s.arg(i);
    for (int i = 1; i <= 8; ++i)
        expected << u"T%1 REAL"_s.arg(i);
    expected << u"YEKUN REAL"_s << u"KDV REAL"_s << u"TOPLAM REAL"_s << u"YANLIZ VARCHAR(150)"_s;
    for (int i = 1; i <= 8; ++i)
        expected << u"B%1 VARCHAR(10)"_s.arg(i);
    EXPECT_EQ(columns, expected);
    TSqliteStatement sql = db.Prepare("SELECT sql FROM sqlite_master WHERE name = 'fatura'");
    ASSERT_TRUE(sql.Step());
    EXPECT_TRUE(sql.ColumnText(0).contains(u"REC_ID INTEGER PRIMARY KEY AUTOINCREMENT"_s));
}
