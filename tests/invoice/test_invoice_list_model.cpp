#include "invoice/InvoiceListModel.h"
#include "platform/Sqlite.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

struct ListModelTest : ::testing::Test {
    QTemporaryDir dir;
    InvoiceTable table;

    // Rows as another program writes them: one transaction, so thousands are quick.
    void Fill(int count)
    {
        table.Open(dir.path());
        table.Close();
        {
            TSqliteDatabase db(dir.filePath(u"fatura.DB"_s), TSqliteDatabase::TOpenMode::ReadWrite);
            db.Exec("BEGIN");
            TSqliteStatement st = db.Prepare(
                "INSERT INTO fatura (TARIH, SAYIN1, VDAIRESI, VNO) VALUES (?1, ?2, ?3, ?4)");
            for (int n = 0; n < count; ++n) {
                st.BindText(1, u"T%1"_s.arg(n));
                st.BindText(2, u"Müşteri %1"_s.arg(n));
                st.BindText(3, u"VD %1"_s.arg(n));
                st.BindText(4, u"V%1"_s.arg(n));
                st.Run();
            }
            db.Exec("COMMIT");
        }
        table.Open(dir.path());
    }
    static QString Cell(const InvoiceListModel &m, int row, int column)
    {
        return m.data(m.index(row, column)).toString();
    }
};

} // namespace

TEST_F(ListModelTest, ShowsFourTitledReadOnlyColumnsOfEveryRow)
{
    Fill(5);
    InvoiceListModel model(&table);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(model.rowCount(), 5);
    ASSERT_EQ(model.columnCount(), 4);
    const QStringList titles { u"TARIH"_s, u"SAYIN1"_s, u"VDAIRESI"_s, u"VNO"_s };
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), titles[c]);
    EXPECT_EQ(Cell(model, 3, 0), u"T3"_s);
    EXPECT_EQ(Cell(model, 3, 1), u"Müşteri 3"_s);
    EXPECT_EQ(Cell(model, 3, 2), u"VD 3"_s);
    EXPECT_EQ(Cell(model, 3, 3), u"V3"_s);
    EXPECT_FALSE(model.data(model.index(3, 1), Qt::EditRole).isValid());
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(model.CurrentRow(), 0);
}

TEST_F(ListModelTest, FetchesPagesOnDemandAndKeepsFewOfThem)
{
    Fill(5000);
    InvoiceListModel model(&table);
    EXPECT_EQ(model.rowCount(), 5000);
    EXPECT_EQ(model.CachedPageCount(), 0); // nothing read before a view asks
    EXPECT_EQ(Cell(model, 0, 1), u"Müşteri 0"_s);
    EXPECT_EQ(model.CachedPageCount(), 1);
    // A wide scroll: every page once, then back to the start; the cache stays bounded and
    // a page read again is right.
    for (int row = 0; row < 5000; row += InvoiceListModel::kPageSize)
        EXPECT_EQ(Cell(model, row + 1, 3), u"V%1"_s.arg(row + 1));
    EXPECT_LE(model.CachedPageCount(), InvoiceListModel::kCachedPages);
    EXPECT_EQ(Cell(model, 4999, 0), u"T4999"_s);
    EXPECT_EQ(Cell(model, 2, 0), u"T2"_s);
    EXPECT_FALSE(model.data(model.index(5000, 0)).isValid());
}

TEST_F(ListModelTest, FollowsAppendsUpdatesDeletesAndTheCursor)
{
    Fill(3);
    InvoiceListModel model(&table);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy current(&model, &InvoiceListModel::CurrentRowChanged);
    EXPECT_EQ(Cell(model, 1, 1), u"Müşteri 1"_s); // cached now

    ASSERT_TRUE(table.MoveToRow(1));
    ASSERT_EQ(current.count(), 1);
    EXPECT_EQ(current.takeFirst().at(0).toInt(), 1);

    table.Delete();
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(Cell(model, 1, 1), u"Müşteri 2"_s); // not the stale cached row
    EXPECT_EQ(model.CurrentRow(), 1);

    TInvoiceRecord r;
    r.TARIH = u"yeni"_s;
    r.SAYIN1 = u"Yeni Müşteri"_s;
    const std::int32_t id = table.Append(r);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 2);
    EXPECT_EQ(Cell(model, 2, 1), u"Yeni Müşteri"_s);
    EXPECT_EQ(model.CurrentRow(), 2);
    EXPECT_EQ(model.RecIdAt(2), id);

    r.SAYIN1 = u"Değişen"_s;
    ASSERT_TRUE(table.Update(id, r));
    ASSERT_GE(changed.count(), 1);
    EXPECT_EQ(changed.last().at(0).toModelIndex().row(), 2);
    EXPECT_EQ(Cell(model, 2, 1), u"Değişen"_s);

    table.MoveToRow(0);
    table.Delete();
    table.Delete();
    table.Delete();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.CurrentRow(), -1);
}

TEST_F(ListModelTest, ResetsWhenAnotherHandleChangesTheTableOrItCloses)
{
    Fill(4);
    InvoiceListModel model(&table);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    EXPECT_EQ(Cell(model, 0, 1), u"Müşteri 0"_s);
    {
        InvoiceTable other;
        other.Open(dir.path());
        other.Delete(); // the first row
    }
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(Cell(model, 0, 1), u"Müşteri 1"_s);
    table.Close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.CurrentRow(), -1);
}

TEST_F(ListModelTest, OutlivingItsTableLeavesAnEmptyList)
{
    Fill(3);
    auto *owned = new InvoiceTable;
    owned->Open(dir.path());
    InvoiceListModel model(owned);
    EXPECT_EQ(model.rowCount(), 3);
    delete owned;
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.data(model.index(0, 0)).isValid());
    EXPECT_EQ(model.CurrentRow(), -1);
}
