#include "invoice/InvoiceTable.h"
#include "invoice/SearchKey.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TInvoiceRecord Invoice(const QString &sayin1, const QString &tarih = u"01.02.2026"_s)
{
    TInvoiceRecord r;
    r.TARIH = tarih;
    r.SAYIN1 = sayin1;
    return r;
}

struct TableTest : ::testing::Test
{
    QTemporaryDir dir;
    InvoiceTable table;
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        table.Open(dir.path());
    }
};

} // namespace

TEST_F(TableTest, NewTableIsEmptyWithoutCurrent)
{
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(table.CurrentRow(), -1);
    EXPECT_EQ(table.CurrentRecId(), 0);
}

TEST_F(TableTest, AppendThenRecallGivesTheSameRecord)
{
    TInvoiceRecord r = Invoice(u"ABC Ltd"_s);
    r.M[0] = 3;
    r.F[0] = 12.5;
    r.T[0] = 37.5;
    r.B[0] = u"ADET"_s;
    r.C[0] = u"Kalem"_s;
    r.YEKUN = 37.5;
    r.KDV = 6.75;
    r.TOPLAM = 44.25;
    r.YANLIZ = u"Kırkdört TL Yirmibeş Kr."_s;
    const std::int32_t id = table.Append(r);
    EXPECT_GT(id, 0);
    EXPECT_EQ(table.CurrentRecId(), id);
    r.REC_ID = id;
    EXPECT_EQ(table.Read(), r);
}
