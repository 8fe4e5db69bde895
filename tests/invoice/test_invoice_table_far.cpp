// The table right after opening, before its REC_IDs have been read: rows far beyond the
// first chunk must be found, shown and changed at once, and must be the rows the store holds.

#include "invoice/InvoiceTable.h"
#include "platform/Sqlite.h"
#include "support/NoRootPrivileges.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace
{

struct TStoredRow {
    std::int32_t REC_ID;
    QString SAYIN1;
};

// The store's rows in REC_ID order, read plainly: the truth every answer is checked against.
std::vector<TStoredRow> StoredRows(const QString &folder)
{
    TSqliteDatabase db(QDir(folder).filePath(u"fatura.DB"_s), TSqliteDatabase::TOpenMode::ReadOnly);
    TSqliteStatement st = db.Prepare("SELECT REC_ID, SAYIN1 FROM fatura ORDER BY REC_ID");
    std::vector<TStoredRow> rows;
    while (st.Step())
        rows.push_back({ static_cast<std::int32_t>(st.ColumnInt(0)), st.ColumnText(1) });
    return rows;
}

class FarRows : public ::testing::Test
{
protected:
    // Built once: 70000 invoices, more than one chunk of REC_IDs, with holes where deletes
    // left them (at block edges, one whole block of 1024 REC_IDs emptied) and a few REC_IDs
    // far beyond the others, as another program may write them.
    static void SetUpTestSuite()
    {
        Master = new QTemporaryDir;
        ASSERT_TRUE(Master->isValid());
        {
            InvoiceTable t;
            t.Open(Master->path());
        }
        {
            TSqliteDatabase db(
                Master->filePath(u"fatura.DB"_s), TSqliteDatabase::TOpenMode::ReadWrite);
            db.Exec(
                "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 70000)"
                " INSERT INTO fatura (REC_ID, TARIH, SAYIN1) SELECT x, '1', CASE x"
                " WHEN 69991 THEN 'Son Müşteri' WHEN 68000 THEN 'Işıklı Yapı'"
                " ELSE 'M ' || x END FROM c");
            db.Exec("DELETE FROM fatura WHERE REC_ID IN (2, 1023, 1024, 65537, 65538, 69000)"
                    " OR REC_ID BETWEEN 66500 AND 67700");
            db.Exec("INSERT INTO fatura (REC_ID, TARIH, SAYIN1) VALUES"
                    " (500000, '1', 'Uzak Bir'), (500001, '1', 'Uzak İki'),"
                    " (2000000000, '1', 'En Son Firma')");
        }
        {
            InvoiceTable t; // search keys filled once, not in every test
            t.Open(Master->path());
        }
    }
    static void TearDownTestSuite()
    {
        delete Master;
        Master = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFile::copy(Master->filePath(u"fatura.DB"_s), File()));
        truth = StoredRows(dir.path());
        ASSERT_EQ(truth.size(), 70000u - 6 - 1201 + 3);
    }

    QString File() const { return dir.filePath(u"fatura.DB"_s); }

    void Foreign(const char *sql)
    {
        TSqliteDatabase db(File(), TSqliteDatabase::TOpenMode::ReadWrite);
        db.Exec(sql);
    }

    // Every row's REC_ID and every REC_ID's row, as the table tells them now, against the
    // store; the rows that matter most, and a stride through the rest.
    void ExpectRowsAgree(const char *why)
    {
        truth = StoredRows(dir.path());
        ASSERT_EQ(table.RowCount(), static_cast<int>(truth.size())) << why;
        std::vector<int> rows { 0, 1, 1020, 1021, 65534, 65535, 65536, 65537 };
        for (int row = 66000; row < static_cast<int>(truth.size()); row += 97)
            rows.push_back(row);
        for (int back = 1; back <= 4; ++back)
            rows.push_back(static_cast<int>(truth.size()) - back);
        for (const int row : rows) {
            const std::int32_t id = truth[static_cast<size_t>(row)].REC_ID;
            EXPECT_EQ(table.RecIdAt(row), id) << why << ", row " << row;
            EXPECT_EQ(table.RowOf(id), row) << why << ", REC_ID " << id;
        }
    }

    static QTemporaryDir *Master;
    QTemporaryDir dir;
    InvoiceTable table;
    std::vector<TStoredRow> truth;
};

QTemporaryDir *FarRows::Master = nullptr;

} // namespace

TEST_F(FarRows, RowsAndRecIdsAreKnownBeforeTheRecIdsInFrontAreRead)
{
    table.Open(dir.path());
    ExpectRowsAgree("at once after open");
    // REC_IDs with no row: holes inside and beyond the first chunk, an emptied block, a
    // number between the far ones, beyond the last, and impossible ones.
    for (const std::int32_t id : { 2, 1024, 65537, 67000, 69000, 499999, 2000000001, 0, -5 })
        EXPECT_EQ(table.RowOf(id), -1) << id;
    EXPECT_EQ(table.RecIdAt(static_cast<int>(truth.size())), 0);
    // None of it waited for the REC_IDs in front.
    EXPECT_LT(table.ReadRecIdCount(), 66000);

    // Read by the idle loop afterwards, the answers stay the same.
    while (table.ReadRecIdCount() < table.RowCount())
        QCoreApplication::processEvents();
    ExpectRowsAgree("after every REC_ID was read");
}

TEST_F(FarRows, LocateAtOnceAfterOpenLandsOnItsRow)
{
    struct Case {
        const char *why;
        QString typed;
        QString found;
    };
    const std::vector<Case> cases {
        { "near the end of the dense rows", u"son m"_s, u"Son Müşteri"_s },
        { "dotless and dotted i typed the other way", u"IŞIKLI"_s, u"Işıklı Yapı"_s },
        { "among REC_IDs far beyond the others", u"uzak i"_s, u"Uzak İki"_s },
        { "the very last row", u"en son"_s, u"En Son Firma"_s },
    };
    for (const Case &c : cases) {
        table.Open(dir.path()); // fresh: nothing read beyond the first chunk
        ASSERT_TRUE(table.Locate(TLocateField::SAYIN1, c.typed)) << c.why;
        int row = -1;
        for (size_t i = 0; i < truth.size(); ++i)
            if (truth[i].SAYIN1 == c.found)
                row = static_cast<int>(i);
        EXPECT_EQ(table.CurrentRow(), row) << c.why;
        EXPECT_EQ(table.CurrentRecId(), truth[static_cast<size_t>(row)].REC_ID) << c.why;
        EXPECT_EQ(table.Read().SAYIN1, c.found) << c.why;
        // The list around it, as it lands there: the rows in front and after, in order.
        const auto shown = table.ReadListRows(row - 9, 19);
        const size_t expected = std::min<size_t>(19, truth.size() - static_cast<size_t>(row - 9));
        ASSERT_EQ(shown.size(), expected) << c.why;
        for (size_t i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i].REC_ID, truth[static_cast<size_t>(row - 9) + i].REC_ID) << c.why;
            EXPECT_EQ(shown[i].SAYIN1, truth[static_cast<size_t>(row - 9) + i].SAYIN1) << c.why;
        }
        EXPECT_LT(table.ReadRecIdCount(), 66000) << c.why << ": waited for the REC_IDs";
    }
}

TEST_F(FarRows, CursorAndPostsAroundALandedRow)
{
    table.Open(dir.path());
    ASSERT_TRUE(table.Locate(TLocateField::SAYIN1, u"son m"_s));
    const int row = table.CurrentRow();
    const auto idAt = [&](int r) { return truth[static_cast<size_t>(r)].REC_ID; };

    table.Next();
    EXPECT_EQ(table.CurrentRecId(), idAt(row + 1));
    table.MoveBy(-3);
    EXPECT_EQ(table.CurrentRecId(), idAt(row - 2));
    ASSERT_TRUE(table.MoveTo(idAt(row)));
    EXPECT_EQ(table.CurrentRow(), row);

    // Deleted there, the next one takes its place, in the same row.
    table.Delete();
    EXPECT_EQ(table.CurrentRow(), row);
    EXPECT_EQ(table.CurrentRecId(), idAt(row + 1));
    EXPECT_EQ(table.RecordCount(), static_cast<int>(truth.size()) - 1);

    // An overwrite keeps the row; the search finds the new text there.
    TInvoiceRecord r = table.Read();
    r.SAYIN1 = u"Yeni Ad"_s;
    ASSERT_TRUE(table.Update(table.CurrentRecId(), r));
    EXPECT_EQ(table.CurrentRow(), row);
    table.First();
    ASSERT_TRUE(table.Locate(TLocateField::SAYIN1, u"yeni ad"_s));
    EXPECT_EQ(table.CurrentRow(), row);

    // Deleting the last row leaves the one before it current.
    table.Last();
    EXPECT_EQ(table.CurrentRecId(), 2000000000);
    table.Delete();
    EXPECT_EQ(table.CurrentRecId(), 500001);
    EXPECT_EQ(table.CurrentRow(), table.RowCount() - 1);

    // A new invoice is the last row, above every REC_ID there was.
    const std::int32_t id = table.Append(TInvoiceRecord {});
    EXPECT_GT(id, 2000000000);
    EXPECT_EQ(table.CurrentRow(), table.RowCount() - 1);
    EXPECT_EQ(table.RecIdAt(table.RowCount() - 1), id);
    EXPECT_LT(table.ReadRecIdCount(), 66000);
    ExpectRowsAgree("after the posts");
}

TEST_F(FarRows, BlockCountsThatDisagreeWithTheTableAreCountedAgain)
{
    struct Case {
        const char *why;
        const char *sql;
    };
    const std::vector<Case> cases {
        { "a REPLACE by another program fires no delete trigger",
            "INSERT OR REPLACE INTO fatura (REC_ID, TARIH, SAYIN1) VALUES (60000, '1', 'Yerine')" },
        { "the counts dropped", "DROP TABLE fatura_blok" },
        { "a count changed by hand", "UPDATE fatura_blok SET N = N + 3 WHERE BLOK = 60" },
        { "the trigger dropped, then rows added and deleted",
            "DROP TRIGGER fatura_blok_ekle; DROP TRIGGER fatura_blok_sil;"
            " INSERT INTO fatura (REC_ID, TARIH, SAYIN1) VALUES (69000, '1', 'Geri Geldi');"
            " DELETE FROM fatura WHERE REC_ID BETWEEN 3 AND 40" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        table.Close();
        QFile::remove(File());
        ASSERT_TRUE(QFile::copy(Master->filePath(u"fatura.DB"_s), File()));
        Foreign(c.sql);
        table.Open(dir.path());
        ExpectRowsAgree(c.why);
        // Counted again for good: the next writer keeps them right by itself.
        table.Close();
        Foreign("INSERT INTO fatura (TARIH, SAYIN1) VALUES ('1', 'Sonra')");
        table.Open(dir.path());
        ExpectRowsAgree(c.why);
    }
}

TEST_F(FarRows, ReadOnlyFileWithWrongCountsStillGivesTheRightRows)
{
    Foreign("UPDATE fatura_blok SET N = N + 1 WHERE BLOK = 10");
    ASSERT_EQ(chmod(QFile::encodeName(File()).constData(), 0444), 0);
    {
        TNoRootPrivileges noRoot;
        ASSERT_TRUE(noRoot.Active());
        table.Open(dir.path());
        ExpectRowsAgree("read-only, counts unused");
        EXPECT_TRUE(table.Locate(TLocateField::SAYIN1, u"son m"_s));
        EXPECT_EQ(table.CurrentRecId(), 69991);
        table.Close();
    }
    chmod(QFile::encodeName(File()).constData(), 0600);
}

TEST_F(FarRows, AnotherHandleDeletingInFrontKeepsTheLandedInvoiceCurrent)
{
    table.Open(dir.path());
    ASSERT_TRUE(table.Locate(TLocateField::SAYIN1, u"son m"_s));
    const int row = table.CurrentRow();
    Foreign("DELETE FROM fatura WHERE REC_ID BETWEEN 100 AND 109 OR REC_ID = 68000");
    EXPECT_EQ(table.RecordCount(), static_cast<int>(truth.size()) - 11);
    EXPECT_EQ(table.CurrentRecId(), 69991);
    EXPECT_EQ(table.CurrentRow(), row - 11);
    // Its own invoice deleted by the other handle: the next one takes its place.
    Foreign("DELETE FROM fatura WHERE REC_ID = 69991");
    table.Refresh();
    EXPECT_EQ(table.CurrentRecId(), 69992);
    EXPECT_EQ(table.CurrentRow(), row - 11);
    ExpectRowsAgree("after another handle's deletes");
}
