// Two programs numbering e-Arşiv invoices at once on one table, on SQLite and on PostgreSQL:
// every number is given once, without gaps, and the numbers follow the invoices' dates.
// This binary started again plays each program.

#include "invoice/EArsivStore.h"
#include "invoice/PgInvoiceStore.h"
#include "invoice/SqliteInvoiceStore.h"
#include "support/PostgresServer.h"
#include "support/TestRole.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <set>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kPerDesk = 60;

// "sqlite|FILE" or "pg|HOST|PORT|DATABASE|USER".
std::unique_ptr<IInvoiceStore> OpenStore(const QString &where)
{
    const QStringList p = where.split(u'|');
    if (p[0] == u"sqlite"_s)
        return OpenSqliteStore(p[1]);
    TPgSettings s;
    s.Host = p[1];
    s.Port = p[2].toInt();
    s.Database = p[3];
    s.User = p[4];
    return std::make_unique<PgInvoiceStore>(s);
}

// One desk: numbers its invoices one at a time, each a day later than the one before, as
// fast as it can; prints how many got a number and how many were refused as out of order.
int NumberingDesk()
{
    try {
        std::unique_ptr<IInvoiceStore> store
            = OpenStore(QString::fromLocal8Bit(qgetenv("LEVANTA_EARSIV_STORE")));
        store->SetBusyTimeout(20000);
        const int first = qEnvironmentVariableIntValue("LEVANTA_EARSIV_FIRST");
        int numbered = 0, refused = 0;
        for (int i = 0; i < kPerDesk; ++i) {
            TNumberRequest q { first + i, u"LVN"_s, QDate(2026, 1, 1).addDays(i),
                QUuid::createUuid().toString(QUuid::WithoutBraces), QDateTime::currentDateTime(),
                20, u"ozet"_s, false };
            const TNumberResult r = store->EArsiv().Number({ q }).front();
            (r.Status == TNumberResult::TStatus::New ? numbered : refused)++;
        }
        std::cout << numbered << ' ' << refused << std::endl;
        return 0;
    } catch (const std::exception &e) {
        std::cerr << e.what() << std::endl;
        return 1;
    }
}

const bool kDeskRegistered = RegisterTestRole("earsiv-numbering", NumberingDesk);

class EArsivNumbering : public ::testing::TestWithParam<std::string>
{
protected:
    QString Where()
    {
        if (GetParam() == "sqlite")
            return u"sqlite|"_s + Dir.filePath(u"fatura.DB"_s);
        const TPgSettings s = FreshPostgresDatabase();
        return u"pg|%1|%2|%3|%4"_s.arg(s.Host).arg(s.Port).arg(s.Database, s.User);
    }
    QTemporaryDir Dir;
};

} // namespace

TEST_P(EArsivNumbering, TwoProgramsAtOnceGiveEveryNumberOnceWithoutGapsInDateOrder)
{
    QString where;
    ASSERT_NO_THROW(where = Where());
    // The store exists before the desks start, as a file or database the program made; the
    // e-Arşiv tables do not: the desks race to make them too.
    ASSERT_NO_THROW(OpenStore(where));

    QProcess desks[2];
    for (int d = 0; d < 2; ++d) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"LEVANTA_TEST_ROLE"_s, u"earsiv-numbering"_s);
        env.insert(u"LEVANTA_EARSIV_STORE"_s, where);
        env.insert(u"LEVANTA_EARSIV_FIRST"_s, QString::number(1000 * (d + 1)));
        desks[d].setProcessEnvironment(env);
        desks[d].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        desks[d].start(QCoreApplication::applicationFilePath(), QStringList());
    }
    int numbered = 0;
    for (QProcess &desk : desks) {
        if (!desk.waitForFinished(120000))
            desk.kill();
        ASSERT_EQ(desk.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(desk.exitCode(), 0);
        const QStringList counts = QString::fromLatin1(desk.readAllStandardOutput()).split(u' ');
        ASSERT_EQ(counts.size(), 2);
        EXPECT_EQ(counts[0].toInt() + counts[1].trimmed().toInt(), kPerDesk);
        numbered += counts[0].toInt();
    }

    std::unique_ptr<IInvoiceStore> store = OpenStore(where);
    std::vector<TExportInfo> exports = store->EArsiv().Exports();
    ASSERT_EQ(int(exports.size()), numbered) << "every New answer was kept, nothing else";
    EXPECT_GE(numbered, kPerDesk) << "each desk's first invoice at least";
    std::ranges::sort(exports, {}, &TExportInfo::Numara);
    std::set<std::int32_t> ids;
    for (size_t k = 0; k < exports.size(); ++k) {
        SCOPED_TRACE(exports[k].Numara.toStdString());
        EXPECT_EQ(exports[k].Numara, EArsivNumber(u"LVN"_s, 2026, std::int64_t(k + 1)))
            << "unique and without gaps";
        EXPECT_TRUE(ids.insert(exports[k].RecId).second) << "one number per invoice";
        if (k > 0) {
            EXPECT_GE(exports[k].Tarih, exports[k - 1].Tarih) << "numbers follow the dates";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, EArsivNumbering, ::testing::Values("sqlite", "postgresql"),
    [](const auto &info) { return info.param; });
