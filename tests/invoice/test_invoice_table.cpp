#include "invoice/InvoiceTable.h"
#include "invoice/SearchKey.h"
#include "platform/Sqlite.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace
{

TInvoiceRecord Invoice(const QString &sayin1, const QString &tarih = u"01.02.2026"_s)
{
    TInvoiceRecord r;
    r.TARIH = tarih;
    r.SAYIN1 = sayin1;
    return r;
}

struct TableTest : ::testing::Test {
    QTemporaryDir dir;
    InvoiceTable table;
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        table.Open(dir.path());
    }
    // Many rows at once, written as another program would (one transaction, raw SQL):
    // quick, and the table must take them in, search keys included, when it reopens.
    std::vector<std::int32_t> WriteForeign(const std::vector<QString> &names)
    {
        const std::int32_t before = table.RowCount();
        table.Close();
        {
            TSqliteDatabase db(dir.filePath(u"fatura.DB"_s), TSqliteDatabase::TOpenMode::ReadWrite);
            db.Exec("BEGIN");
            TSqliteStatement st = db.Prepare("INSERT INTO fatura (TARIH, SAYIN1) VALUES ('1', ?1)");
            for (const QString &n : names) {
                st.BindText(1, n);
                st.Run();
            }
            db.Exec("COMMIT");
        }
        table.Open(dir.path());
        std::vector<std::int32_t> ids;
        for (int i = before; i < table.RowCount(); ++i)
            ids.push_back(table.RecIdAt(i));
        return ids;
    }
    std::vector<std::int32_t> AppendAll(const std::vector<QString> &names)
    {
        std::vector<std::int32_t> ids;
        for (const QString &n : names)
            ids.push_back(table.Append(Invoice(n)));
        return ids;
    }
};

} // namespace

TEST_F(TableTest, NewTableIsEmptyWithoutCurrent)
{
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(table.CurrentRow(), -1);
    EXPECT_EQ(table.CurrentRecId(), 0);
    EXPECT_TRUE(table.Bof());
    EXPECT_TRUE(table.Eof());
    EXPECT_THROW(table.Read(), EStorageError);
    EXPECT_NO_THROW(table.Delete()); // nothing to delete is not an error
}

TEST_F(TableTest, UnfilledLinesComeBackAsZeroAndEmpty)
{
    TInvoiceRecord r = Invoice(u"X"_s);
    for (int i = 0; i < 4; ++i) {
        r.M[i] = 1;
        r.C[i] = u"dolu"_s;
        r.B[i] = u"KG"_s;
    }
    const std::int32_t id = table.Append(r);
    const TInvoiceRecord back = table.Read();
    EXPECT_EQ(back.REC_ID, id);
    for (int i = 4; i < TInvoiceRecord::kLines; ++i) {
        EXPECT_EQ(back.M[i], 0.0);
        EXPECT_EQ(back.F[i], 0.0);
        EXPECT_EQ(back.T[i], 0.0);
        EXPECT_TRUE(back.C[i].isEmpty());
        EXPECT_TRUE(back.B[i].isEmpty());
        EXPECT_FALSE(back.C[i].isNull() && !back.C[i].isEmpty());
    }
    // Opened again, the table stands on its first invoice.
    table.Close();
    table.Open(dir.path());
    EXPECT_EQ(table.CurrentRecId(), id);
    EXPECT_EQ(table.Read(), back);
}

TEST_F(TableTest, TextsAreCutToTheirWidthInCodePoints)
{
    struct Case {
        const char *why;
        std::function<QString &(TInvoiceRecord &)> field;
        QString typed;
        QString stored;
    };
    const QString emoji = u"\U0001F600"_s; // two UTF-16 units, one character
    const std::vector<Case> cases {
        { "unit of 12 keeps its first 10", [](auto &r) -> QString & { return r.B[0]; },
            u"KİLOGRAMLIK"_s + u"X"_s, u"KİLOGRAMLI"_s },
        { "unit of exactly 10 is kept whole", [](auto &r) -> QString & { return r.B[7]; },
            u"1234567890"_s, u"1234567890"_s },
        { "any date text up to 20 is kept as typed", [](auto &r) -> QString & { return r.TARIH; },
            u"yarın öğlen, belki?"_s, u"yarın öğlen, belki?"_s },
        { "date of 21 loses the last", [](auto &r) -> QString & { return r.TARIH; },
            u"123456789012345678901"_s, u"12345678901234567890"_s },
        { "Turkish letters count one each", [](auto &r) -> QString & { return r.VNO; },
            QString(31, u'ş'), QString(30, u'ş') },
        { "a character outside the BMP counts one and is never split",
            [](auto &r) -> QString & { return r.B[1]; }, QString(9, u'a') + emoji + emoji,
            QString(9, u'a') + emoji },
        { "customer line 75", [](auto &r) -> QString & { return r.SAYIN3; }, QString(80, u'A'),
            QString(75, u'A') },
        { "tax office 35", [](auto &r) -> QString & { return r.VDAIRESI; }, QString(36, u'V'),
            QString(35, u'V') },
        { "description 50", [](auto &r) -> QString & { return r.C[4]; }, QString(51, u'c'),
            QString(50, u'c') },
        { "words 150", [](auto &r) -> QString & { return r.YANLIZ; }, QString(200, u'y'),
            QString(150, u'y') },
    };
    for (const Case &c : cases) {
        TInvoiceRecord r = Invoice(u"cut"_s);
        c.field(r) = c.typed;
        const std::int32_t id = table.Append(r);
        TInvoiceRecord back = table.Read();
        EXPECT_EQ(c.field(back), c.stored) << c.why;
        // An overwrite cuts the same way.
        EXPECT_TRUE(table.Update(id, r));
        back = table.Read();
        EXPECT_EQ(c.field(back), c.stored) << c.why << " (update)";
    }
}

TEST_F(TableTest, DeleteMovesTheCursorToTheNextOrThePrevious)
{
    struct Case {
        const char *why;
        int records;
        int deleteRow;
        int currentAfter; // row; -1 none
    };
    const std::vector<Case> cases {
        { "middle: the next takes its row", 3, 1, 1 },
        { "first: the next takes its row", 3, 0, 0 },
        { "last: the previous becomes current", 3, 2, 1 },
        { "only: empty table without current", 1, 0, -1 },
    };
    for (const Case &c : cases) {
        QTemporaryDir d;
        InvoiceTable t;
        t.Open(d.path());
        std::vector<std::int32_t> ids;
        for (int i = 0; i < c.records; ++i)
            ids.push_back(t.Append(Invoice(u"R%1"_s.arg(i))));
        ASSERT_TRUE(t.MoveToRow(c.deleteRow));
        t.Delete();
        EXPECT_EQ(t.RecordCount(), c.records - 1) << c.why;
        EXPECT_EQ(t.CurrentRow(), c.currentAfter) << c.why;
        EXPECT_FALSE(t.ReadRecord(ids[c.deleteRow])) << c.why;
        if (c.currentAfter >= 0) {
            std::vector<std::int32_t> left = ids;
            left.erase(left.begin() + c.deleteRow);
            EXPECT_EQ(t.CurrentRecId(), left[c.currentAfter]) << c.why;
        }
    }
}

TEST_F(TableTest, UpdateOverwritesByRecIdOrReportsItGone)
{
    const auto ids = AppendAll({ u"A"_s, u"B"_s, u"C"_s });
    table.First(); // the find dialog moved the cursor away from the invoice on screen
    EXPECT_TRUE(table.Update(ids[2], Invoice(u"C2"_s)));
    EXPECT_EQ(table.CurrentRecId(), ids[2]);
    EXPECT_EQ(table.Read().SAYIN1, u"C2"_s);
    EXPECT_EQ(table.ReadRecord(ids[0])->SAYIN1, u"A"_s); // the cursor's record is untouched

    ASSERT_TRUE(table.MoveTo(ids[1]));
    table.Delete();
    EXPECT_FALSE(table.Update(ids[1], Invoice(u"B2"_s)));
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_FALSE(table.ReadRecord(ids[1]));
}

TEST_F(TableTest, CursorMovesStayWithinTheRecords)
{
    const auto ids = AppendAll({ u"A"_s, u"B"_s, u"C"_s, u"D"_s });
    table.First();
    EXPECT_TRUE(table.Bof());
    table.Prior();
    EXPECT_EQ(table.CurrentRow(), 0);
    table.Next();
    EXPECT_EQ(table.CurrentRecId(), ids[1]);
    table.MoveBy(100);
    EXPECT_EQ(table.CurrentRow(), 3);
    EXPECT_TRUE(table.Eof());
    table.MoveBy(-2);
    EXPECT_EQ(table.CurrentRecId(), ids[1]);
    table.MoveBy(std::numeric_limits<int>::min()); // no overflow
    EXPECT_EQ(table.CurrentRow(), 0);
    table.Last();
    EXPECT_EQ(table.CurrentRecId(), ids[3]);
    EXPECT_FALSE(table.MoveTo(ids[3] + 1000));
    EXPECT_FALSE(table.MoveToRow(4));
    EXPECT_FALSE(table.MoveToRow(-1));
    EXPECT_EQ(table.CurrentRecId(), ids[3]);
    EXPECT_EQ(table.RowOf(ids[2]), 2);
    EXPECT_EQ(table.RecIdAt(2), ids[2]);
    EXPECT_EQ(table.RecIdAt(9), 0);
}

// Where the cursor goes; which invoice a prefix matches is the stores' table.
TEST_F(TableTest, LocateMovesTheCursorToTheMatchOrLeavesIt)
{
    const std::vector<QString> names { u"Zeta"_s, u"ABC Ltd"_s, u"istanbul"_s };
    const auto ids = AppendAll(names);
    struct Case {
        const char *why;
        QString prefix;
        int expected; // index into names; -1: no match, cursor stays
    };
    const std::vector<Case> cases {
        { "the typed text is folded: lower case finds capitals", u"ab"_s, 1 },
        { "the Turkish way: dotted İ finds i", u"İST"_s, 2 },
        { "no match", u"qqq"_s, -1 },
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(table.MoveToRow(0));
        const bool found = table.Locate(TLocateField::SAYIN1, c.prefix);
        EXPECT_EQ(found, c.expected >= 0) << c.why;
        EXPECT_EQ(table.CurrentRecId(), c.expected >= 0 ? ids[c.expected] : ids[0]) << c.why;
    }
    // A failed search leaves the cursor wherever it was, not on the first record.
    ASSERT_TRUE(table.MoveToRow(2));
    EXPECT_FALSE(table.Locate(TLocateField::SAYIN1, u"nothing"_s));
    EXPECT_EQ(table.CurrentRow(), 2);
    // An empty prefix matches every record: the first.
    EXPECT_TRUE(table.Locate(TLocateField::SAYIN1, QString()));
    EXPECT_EQ(table.CurrentRow(), 0);
}

TEST_F(TableTest, LocateGivesTheSmallestRecIdWhenKeyOrderDiffers)
{
    // Matches whose keys sort before the first match's key, in numbers beyond one search
    // slice, and a first match far from the start: both search paths must agree on it.
    std::vector<QString> names;
    for (int i = 0; i < 150; ++i)
        names.push_back(u"non %1"_s.arg(i));
    names.push_back(u"abz first"_s);
    for (int i = 0; i < 100; ++i)
        names.push_back(u"aba %1"_s.arg(i));
    const auto ids = WriteForeign(names);
    ASSERT_EQ(ids.size(), names.size());
    EXPECT_TRUE(table.Locate(TLocateField::SAYIN1, u"ab"_s));
    EXPECT_EQ(table.CurrentRecId(), ids[150]);
    // Many matches, the first one early: found the same.
    EXPECT_TRUE(table.Locate(TLocateField::SAYIN1, u"n"_s));
    EXPECT_EQ(table.CurrentRecId(), ids[0]);
    EXPECT_TRUE(table.Locate(TLocateField::SAYIN1, u"aba 99"_s));
    EXPECT_EQ(table.CurrentRecId(), ids.back());
    // The key follows an overwrite and leaves with a delete.
    ASSERT_TRUE(table.Update(ids[150], Invoice(u"zzz"_s)));
    EXPECT_TRUE(table.Locate(TLocateField::SAYIN1, u"ab"_s));
    EXPECT_EQ(table.CurrentRecId(), ids[151]);
    table.Delete();
    EXPECT_TRUE(table.Locate(TLocateField::SAYIN1, u"ab"_s));
    EXPECT_EQ(table.CurrentRecId(), ids[152]);
}

TEST(SearchKey, FoldsLetterCaseTheTurkishWay)
{
    struct Case {
        QString a, b;
        bool equal;
    };
    const std::vector<Case> cases {
        { u"I"_s, u"ı"_s, true },
        { u"I"_s, u"i"_s, true },
        { u"İ"_s, u"i"_s, true },
        { u"İ"_s, u"ı"_s, true },
        { u"ŞĞÜÖÇ"_s, u"şğüöç"_s, true },
        { u"ÂÎÛ"_s, u"âîû"_s, true },
        { u"s"_s, u"ş"_s, false },
        { u"g"_s, u"ğ"_s, false },
        { u"o"_s, u"ö"_s, false },
        { u"ΣΑ"_s, u"σα"_s, true },
        { u"Ab1-"_s, u"aB1-"_s, true },
    };
    for (const Case &c : cases)
        EXPECT_EQ(SearchKeyOf(c.a) == SearchKeyOf(c.b), c.equal)
            << c.a.toStdString() << " / " << c.b.toStdString();
}

TEST(ClosedTable, EveryOperationFails)
{
    InvoiceTable t;
    const std::vector<std::pair<const char *, std::function<void()>>> ops {
        { "count", [&] { t.RecordCount(); } },
        { "append", [&] { t.Append(Invoice(u"x"_s)); } },
        { "update", [&] { t.Update(1, Invoice(u"x"_s)); } },
        { "read", [&] { t.Read(); } },
        { "delete", [&] { t.Delete(); } },
        { "first", [&] { t.First(); } },
        { "next", [&] { t.Next(); } },
        { "locate", [&] { t.Locate(TLocateField::SAYIN1, u"a"_s); } },
        { "move", [&] { t.MoveTo(1); } },
    };
    for (const auto &[why, op] : ops)
        EXPECT_THROW(op(), EStorageError) << why;
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.RowCount(), 0);
    EXPECT_TRUE(t.ReadListRows(0, 10).empty());
}

TEST_F(TableTest, LargeTableKnowsEveryRowBeyondTheFirstChunkOfRecIds)
{
    // More rows than the table reads at open; no event loop runs here, so every row past
    // the first chunk is read on demand.
    table.Close();
    {
        // One statement: quick, where 70000 single inserts with triggers are not.
        TSqliteDatabase db(dir.filePath(u"fatura.DB"_s), TSqliteDatabase::TOpenMode::ReadWrite);
        db.Exec("WITH RECURSIVE c(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM c WHERE x < 69999)"
                " INSERT INTO fatura (TARIH, SAYIN1) SELECT '1',"
                " CASE x WHEN 69990 THEN 'Son Müşteri' ELSE 'M ' || x END FROM c");
        // Holes in the REC_IDs, as deletes leave them, on both sides of the first chunk.
        db.Exec("DELETE FROM fatura WHERE REC_ID IN (2, 65537, 65538, 69000)");
    }
    table.Open(dir.path());
    ASSERT_EQ(table.RowCount(), 69996);
    EXPECT_EQ(table.RecIdAt(1), 3);
    EXPECT_EQ(table.RecIdAt(65534), 65536);
    EXPECT_EQ(table.RecIdAt(65535), 65539);
    EXPECT_EQ(table.RowOf(70000), 69995);
    EXPECT_EQ(table.RowOf(69000), -1);

    table.Close();
    table.Open(dir.path());
    EXPECT_TRUE(table.Locate(TLocateField::SAYIN1, u"son"_s));
    EXPECT_EQ(table.CurrentRecId(), 69991);
    EXPECT_EQ(table.CurrentRow(), 69991 - 5);

    table.Close();
    table.Open(dir.path());
    table.Last();
    EXPECT_EQ(table.CurrentRecId(), 70000);
    table.Delete();
    EXPECT_EQ(table.CurrentRecId(), 69999);
    EXPECT_EQ(table.RecordCount(), 69995);

    table.Close();
    table.Open(dir.path());
    ASSERT_TRUE(table.MoveToRow(65534)); // the last row of the first chunk
    table.Delete(); // the next one, not yet read, becomes current
    EXPECT_EQ(table.CurrentRecId(), 65539);
    const std::int32_t id = table.Append(Invoice(u"yeni"_s));
    EXPECT_EQ(table.CurrentRow(), table.RowCount() - 1);
    EXPECT_EQ(table.RecIdAt(table.RowCount() - 1), id);
    const auto rows = table.ReadListRows(65530, 10);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[4].REC_ID, 65539);
    EXPECT_EQ(rows[4].SAYIN1, u"M 65538"_s);
}
