// The store operations, the same cases against every store: the SQLite file and a table on
// a private PostgreSQL server. Two handles on one store stand for two desks.

#include "invoice/DatabaseSettings.h"
#include "invoice/InvoiceTable.h"
#include "invoice/PgInvoiceStore.h"
#include "invoice/SearchKey.h"
#include "invoice/SqliteInvoiceStore.h"
#include "support/NumberedInvoice.h"
#include "support/PostgresServer.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{

TInvoiceRecord Named(const QString &sayin, const QString &vno = {})
{
    TInvoiceRecord r;
    r.SAYIN1 = sayin;
    r.VNO = vno;
    return r;
}

class StoreTest : public ::testing::TestWithParam<std::string>
{
protected:
    void SetUp() override
    {
        if (GetParam() == "postgresql") {
            ASSERT_NO_THROW(FSettings = FreshPostgresDatabase());
        }
        Store = Open();
    }

    // Another handle on the same store: another desk.
    std::unique_ptr<IInvoiceStore> Open()
    {
        if (GetParam() == "sqlite")
            return OpenSqliteStore(FDir.filePath(u"fatura.DB"_s));
        return std::make_unique<PgInvoiceStore>(FSettings);
    }

    std::vector<std::int32_t> AllIds(IInvoiceStore &store)
    {
        return store.IdsAfter(std::numeric_limits<std::int32_t>::min(), 1 << 30);
    }

    QTemporaryDir FDir;
    TPgSettings FSettings;
    std::unique_ptr<IInvoiceStore> Store;
};

TEST_P(StoreTest, KeepsEveryFieldExactlyAndNumbersAscend)
{
    TInvoiceRecord odd = Numbered(7);
    // Numbers whose shortest text is long, tiny, huge or negative zero come back the same.
    odd.M[0] = 0.1 + 0.2;
    odd.F[1] = 1e-300;
    odd.T[2] = -1.7976931348623157e308;
    odd.YEKUN = -0.0; // SQLite keeps it as 0, which compares equal
    odd.SAYIN3 = u"𝔘 Ünlü 'tırnak' \"çift\" ; DROP"_s;
    std::vector<std::int32_t> ids;
    for (const TInvoiceRecord &r : { Numbered(1), odd, Numbered(3) })
        ids.push_back(Store->Insert(r));
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_LT(ids[0], ids[1]);
    EXPECT_LT(ids[1], ids[2]);
    EXPECT_EQ(Store->Count(), 3);
    const auto back = Store->Read(ids[1]);
    ASSERT_TRUE(back);
    odd.REC_ID = ids[1];
    EXPECT_EQ(*back, odd);
    EXPECT_EQ(Store->Read(ids[2])->C[3], u"Kalem 3-3\t\\\n"_s);
    EXPECT_FALSE(Store->Read(ids[2] + 1));
    EXPECT_EQ(AllIds(*Store), ids);
}

TEST_P(StoreTest, NewInvoicesNumberAboveEveryOneHeldBefore)
{
    const auto a = Store->Insert(Numbered(1));
    const auto b = Store->Insert(Numbered(2));
    Store->Delete(b); // the highest: its number is not given again
    Store->Delete(b); // gone already: no error
    EXPECT_GT(Open()->Insert(Numbered(3)), b) << "nor by a desk opened after the delete";
    TInvoiceRecord far = Numbered(4);
    far.REC_ID = 5000;
    Store->InsertWithIds({ far });
    EXPECT_GT(Store->Insert(Numbered(5)), 5000);
    EXPECT_TRUE(Store->Exists(a));
    EXPECT_FALSE(Store->Exists(b));
}

TEST_P(StoreTest, InsertWithIdsIsAllOrNothing)
{
    TInvoiceRecord a = Numbered(1), b = Numbered(2), c = Numbered(3);
    a.REC_ID = 10;
    b.REC_ID = 20;
    Store->InsertWithIds({ a, b });
    c.REC_ID = 30;
    TInvoiceRecord clash = Numbered(4);
    clash.REC_ID = 20; // already there: the whole batch stays out
    EXPECT_THROW(Store->InsertWithIds({ c, clash }), EStorageError);
    EXPECT_EQ(AllIds(*Store), (std::vector<std::int32_t> { 10, 20 }));
    EXPECT_EQ(Store->Read(20), b);
    EXPECT_EQ(Store->Locate(TLocateField::SAYIN1, SearchKeyOf(u"müşteri 2"_s)), 20);
}

TEST_P(StoreTest, LocateIgnoresCaseTheTurkishWayAndTakesTheSmallestRecId)
{
    struct TCase {
        TLocateField Field;
        QString Prefix;
        int Expected; // index into the rows below, -1: none
        const char *Why;
    };
    std::vector<TInvoiceRecord> rows { Named(u"ışık Ltd"_s, u"123"_s),
        Named(u"İSTANBUL Kuyum"_s, u"1234"_s), Named(u"Istakoz"_s), Named(u"ÇAĞRI"_s),
        Named(u"çağrı merkezi"_s), Named(u"Zümrüt"_s, u"99"_s), Named(u"%50 indirim"_s) };
    rows[2].TARIH = u"13.01.2026"_s;
    rows[2].VDAIRESI = u"Üsküdar"_s;
    std::vector<std::int32_t> ids;
    for (const TInvoiceRecord &r : rows)
        ids.push_back(Store->Insert(r));
    const std::vector<TCase> cases {
        { TLocateField::SAYIN1, u"IŞI"_s, 0, "dotless and dotted I are one letter" },
        { TLocateField::SAYIN1, u"ist"_s, 1, "İ matches i; the first of two matches" },
        { TLocateField::SAYIN1, u"ıstak"_s, 2, "ı matches I" },
        { TLocateField::SAYIN1, u"çağrı m"_s, 4, "longer prefix passes the shorter name" },
        { TLocateField::SAYIN1, u"Çağ"_s, 3, "Ç and ç are one letter" },
        { TLocateField::SAYIN1, u"zümrütler"_s, -1, "longer than the text" },
        { TLocateField::SAYIN1, u"x"_s, -1, "no such name" },
        { TLocateField::VNO, u"1234"_s, 1, "another field" },
        { TLocateField::VNO, u"12"_s, 0, "prefix of two numbers" },
        { TLocateField::VDAIRESI, u"a"_s, -1, "empty field" },
        { TLocateField::VDAIRESI, u"ÜSK"_s, 2, "the tax office" },
        { TLocateField::TARIH, u"13"_s, 2, "the date" },
        { TLocateField::SAYIN1, u"%"_s, 6, "a LIKE wildcard is a plain letter" },
        { TLocateField::SAYIN1, u"_"_s, -1, "so is the one-letter wildcard" },
    };
    for (const TCase &c : cases) {
        const std::int32_t found = Store->Locate(c.Field, SearchKeyOf(c.Prefix));
        EXPECT_EQ(found, c.Expected < 0 ? 0 : ids[static_cast<size_t>(c.Expected)]) << c.Why;
    }
    // Changed and deleted invoices are found by their new text only.
    Store->Update(ids[3], Named(u"Ahmet"_s));
    Store->Delete(ids[0]);
    EXPECT_EQ(Store->Locate(TLocateField::SAYIN1, SearchKeyOf(u"ÇAĞ"_s)), ids[4]);
    EXPECT_EQ(Store->Locate(TLocateField::SAYIN1, SearchKeyOf(u"ahm"_s)), ids[3]);
    EXPECT_EQ(Store->Locate(TLocateField::VNO, SearchKeyOf(u"12"_s)), ids[1]);
}

TEST_P(StoreTest, UpdateWritesOnlyOverWhatTheCallerExpected)
{
    const std::int32_t id = Store->Insert(Numbered(1));
    TInvoiceRecord recalled = *Store->Read(id);
    auto desk2 = Open();
    TInvoiceRecord theirs = Numbered(2);
    ASSERT_EQ(desk2->Update(id, theirs, &recalled), TUpdateResult::Updated);
    TInvoiceRecord mine = Numbered(3);
    EXPECT_EQ(Store->Update(id, mine, &recalled), TUpdateResult::ChangedMeanwhile);
    theirs.REC_ID = id;
    EXPECT_EQ(Store->Read(id), theirs) << "the refused overwrite wrote nothing";
    EXPECT_EQ(Store->Update(id, mine, &theirs), TUpdateResult::Updated);
    EXPECT_EQ(Store->Update(id, mine), TUpdateResult::Updated) << "no expectation: overwrite";
    mine.REC_ID = id;
    ASSERT_EQ(desk2->Update(id, mine), TUpdateResult::Updated);
    EXPECT_EQ(Store->Update(id, theirs, &mine), TUpdateResult::Updated)
        << "saved again unchanged by the other desk: the content is what counts";
    TInvoiceRecord nudged = theirs;
    nudged.F[7] = std::nextafter(nudged.F[7], 1e9);
    ASSERT_EQ(desk2->Update(id, nudged), TUpdateResult::Updated);
    EXPECT_EQ(Store->Update(id, mine, &theirs), TUpdateResult::ChangedMeanwhile)
        << "an amount changed in its last bit";
    desk2->Delete(id);
    EXPECT_EQ(Store->Update(id, mine, &theirs), TUpdateResult::Gone);
    EXPECT_EQ(Store->Update(id, mine), TUpdateResult::Gone);
    EXPECT_EQ(Store->Count(), 0);
}

TEST_P(StoreTest, EachDeskSeesTheOthersCommitsButNotItsOwn)
{
    auto desk2 = Open();
    EXPECT_FALSE(Store->OthersCommitted());
    const auto id = Store->Insert(Numbered(1));
    EXPECT_FALSE(Store->OthersCommitted()) << "our own commit";
    EXPECT_TRUE(desk2->OthersCommitted());
    EXPECT_FALSE(desk2->OthersCommitted()) << "told once";
    desk2->Update(id, Numbered(2));
    Store->Insert(Numbered(3)); // ours, but after theirs: theirs still counts
    EXPECT_TRUE(Store->OthersCommitted());
    EXPECT_TRUE(desk2->OthersCommitted());
    EXPECT_EQ(desk2->Count(), 2);
}

TEST_P(StoreTest, RowNumbersAndRecIdsAgreeAcrossBlocks)
{
    std::vector<TInvoiceRecord> batch;
    for (int id = 3; id < 5000; id += 3) {
        TInvoiceRecord r = Numbered(id);
        r.REC_ID = id;
        batch.push_back(r);
    }
    Store->InsertWithIds(batch);
    for (int id : { 1026, 2049, 4998 })
        Store->Delete(id);
    const std::vector<std::int32_t> ids = AllIds(*Store);
    ASSERT_EQ(static_cast<int>(ids.size()), Store->Count());
    for (size_t row :
        { size_t(0), size_t(1), size_t(340), size_t(341), size_t(682), ids.size() - 1 }) {
        if (const auto rank = Store->RankOf(ids[row])) {
            EXPECT_EQ(*rank, static_cast<int>(row));
        }
        if (const auto at = Store->IdAtRow(static_cast<int>(row))) {
            EXPECT_EQ(*at, ids[row]) << row;
        }
    }
    if (const auto past = Store->IdAtRow(static_cast<int>(ids.size()))) {
        EXPECT_EQ(*past, 0);
    }
    if (const auto between = Store->RankOf(1027)) { // a gap: the invoices below it
        EXPECT_EQ(*between, 341);
    }
    EXPECT_EQ(Store->IdsAfter(4990, 10), (std::vector<std::int32_t> { 4992, 4995 }));
    const auto rows = Store->ListRows(3, 12);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].SAYIN1, u"Müşteri 12"_s);
    EXPECT_EQ(rows[3].VNO, u"V12"_s);
    const auto from = Store->RowsFrom(4990, 5);
    ASSERT_EQ(from.size(), 2u);
    EXPECT_EQ(from[0].REC_ID, 4992);
}

TEST_P(StoreTest, AFailedWriteChangesNothing)
{
    const auto id = Store->Insert(Numbered(1));
    TInvoiceRecord tooLong = Numbered(2);
    tooLong.SAYIN1 = QString(InvoiceTable::kWidthSAYIN + 1, u'x'); // callers cut; a store refuses
    if (GetParam() == "postgresql") {
        EXPECT_THROW(Store->Insert(tooLong), EStorageError);
        EXPECT_THROW(Store->Update(id, tooLong), EStorageError);
    }
    EXPECT_EQ(Store->Count(), 1);
    EXPECT_EQ(Store->Read(id)->SAYIN1, u"Müşteri 1"_s);
    EXPECT_EQ(Store->Locate(TLocateField::SAYIN1, SearchKeyOf(u"xx"_s)), 0);
    EXPECT_GT(Store->Insert(Numbered(3)), id) << "the store works on after the refusal";
}

// The e-Arşiv numbers: next of their series and year, fixed at the first export, in date
// order unless the user allowed otherwise, and seen by every desk.
TEST_P(StoreTest, EArsivNumbersFollowSeriesYearAndDateAndNeverChange)
{
    IEArsivStore &e = Store->EArsiv();
    EXPECT_FALSE(e.Seller());
    EXPECT_FALSE(e.ExportOf(1)) << "a store without the tables reads as nothing exported";
    TSellerInfo seller;
    seller.Unvan = u"Öztürk Kırtasiye"_s;
    seller.Vkn = u"1234567890"_s;
    seller.Seri = u"LVN"_s;
    seller.Tur = TSellerInfo::TKind::Bilanco;
    e.SetSeller(seller);
    EXPECT_EQ(e.Seller(), seller);

    auto request = [](std::int32_t id, QDate date, bool allowed = false) {
        return TNumberRequest { id, u"LVN"_s, date, u"ettn-%1"_s.arg(id),
            QDateTime(date, QTime(10, 0)), 20, u"ozet"_s, allowed };
    };
    using S = TNumberResult::TStatus;
    auto numbers = [](const std::vector<TNumberResult> &results) {
        std::vector<std::pair<S, QString>> out;
        for (const TNumberResult &r : results)
            out.emplace_back(r.Status, r.Info.Numara);
        return out;
    };
    const QDate d(2026, 12, 1);
    EXPECT_EQ(numbers(e.Number(
                  { request(1, d), request(2, d.addDays(3)), request(3, QDate(2027, 1, 2)) })),
        (std::vector<std::pair<S, QString>> { { S::New, u"LVN2026000000001"_s },
            { S::New, u"LVN2026000000002"_s }, { S::New, u"LVN2027000000001"_s } }));
    // Again: the same number, ETTN and time; an earlier date waits for the user's yes, and
    // so does everything behind it in the batch.
    const auto again = e.Number(
        { request(1, d.addDays(9)), request(4, d.addDays(1)), request(5, d.addDays(5)) });
    EXPECT_EQ(numbers(again),
        (std::vector<std::pair<S, QString>> { { S::Existing, u"LVN2026000000001"_s },
            { S::OutOfOrder, {} }, { S::OutOfOrder, {} } }));
    EXPECT_EQ(again[0].Info.Ettn, u"ettn-1"_s);
    EXPECT_EQ(again[1].LastNumber, u"LVN2026000000002"_s);
    EXPECT_EQ(again[1].LastDate, d.addDays(3));
    EXPECT_EQ(numbers(e.Number({ request(4, d.addDays(1), true) })),
        (std::vector<std::pair<S, QString>> { { S::New, u"LVN2026000000003"_s } }));

    // Another desk sees all of it; deleting an invoice keeps its number taken.
    Store->Delete(4);
    auto other = Open();
    EXPECT_EQ(other->EArsiv().ExportOf(2)->Numara, u"LVN2026000000002"_s);
    EXPECT_EQ(numbers(other->EArsiv().Number({ request(6, d.addDays(20)) })),
        (std::vector<std::pair<S, QString>> { { S::New, u"LVN2026000000004"_s } }));
    EXPECT_EQ(e.Exports().size(), 5u);

    other->EArsiv().SetBuyer(
        { u"10000000078"_s, u"Şahin"_s, u"Çelik"_s, u"Çankaya"_s, u"Ankara"_s });
    other->EArsiv().SetUnitCode(u"bağ"_s, u"PA"_s);
    EXPECT_EQ(e.Buyer(u"10000000078"_s)->Soyad, u"Çelik"_s);
    EXPECT_EQ(e.UnitCode(u"bağ"_s), u"PA"_s);
    EXPECT_FALSE(e.Buyer(u"1234567890"_s));
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreTest, ::testing::Values("sqlite", "postgresql"),
    [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });

// ---- PostgreSQL only: what the server brings that a file does not

class PgStoreTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NO_THROW(Settings = FreshPostgresDatabase()); }
    TPgSettings Settings;
};

TEST_F(PgStoreTest, InvoicesWrittenByAnotherProgramAreFoundAndKeyed)
{
    PgInvoiceStore store(Settings);
    store.Insert(Named(u"Birinci"_s));
    TPgConnection other(Settings);
    other.Exec("INSERT INTO fatura (SAYIN1) VALUES ('İKİNCİ Şirket'), ('Üçüncü')");
    other.Exec("UPDATE fatura SET SAYIN1 = 'Dördüncü' WHERE SAYIN1 = 'Birinci'");
    // Before the keys are made, the queued rows are still searched.
    EXPECT_EQ(store.Locate(TLocateField::SAYIN1, SearchKeyOf(u"ikinci"_s)), 2);
    EXPECT_EQ(store.Locate(TLocateField::SAYIN1, SearchKeyOf(u"birinci"_s)), 0);
    EXPECT_TRUE(store.OthersCommitted());
    store.CatchUp();
    EXPECT_EQ(store.Connection().Exec("SELECT count(*) FROM fatura_eksik").Int(0, 0), 0);
    EXPECT_EQ(store.Locate(TLocateField::SAYIN1, SearchKeyOf(u"DÖRD"_s)), 1);
    EXPECT_EQ(store.Locate(TLocateField::SAYIN1, SearchKeyOf(u"üç"_s)), 3);
    EXPECT_EQ(store.Count(), 3);
    other.Exec("DELETE FROM fatura WHERE REC_ID = 2");
    EXPECT_EQ(store.Count(), 2);
    EXPECT_EQ(store.Locate(TLocateField::SAYIN1, SearchKeyOf(u"ikinci"_s)), 0);
}

TEST_F(PgStoreTest, ASecondOpenKeepsTheTableAndItsCounts)
{
    {
        PgInvoiceStore first(Settings);
        first.Insert(Numbered(1));
        first.Insert(Numbered(2));
    }
    PgInvoiceStore again(Settings);
    EXPECT_EQ(again.Count(), 2);
    EXPECT_EQ(again.Name(), u"127.0.0.1:%1/%2"_s.arg(Settings.Port).arg(Settings.Database));
}

TEST_F(PgStoreTest, AServerThatIsNotThereIsAnErrorWithLibpqsText)
{
    TPgSettings nowhere = Settings;
    nowhere.Database = u"yok_boyle_bir_veritabani"_s;
    try {
        PgInvoiceStore store(nowhere);
        ADD_FAILURE() << "opened a database that does not exist";
    } catch (const EStorageError &e) {
        EXPECT_TRUE(e.Message().contains(u"yok_boyle_bir_veritabani"_s)) << e.what();
    }
}

TEST_F(PgStoreTest, AWriteWaitingForAnotherDesksLockFailsAfterTheTimeout)
{
    PgInvoiceStore store(Settings);
    const auto id = store.Insert(Numbered(1));
    store.SetBusyTimeout(200);
    TPgConnection other(Settings);
    TPgTransaction holding(other);
    other.Exec("SELECT * FROM fatura_surum FOR UPDATE");
    EXPECT_THROW(store.Update(id, Numbered(2)), EStorageError);
    EXPECT_THROW(store.Insert(Numbered(3)), EStorageError);
    holding.Commit();
    EXPECT_EQ(store.Update(id, Numbered(2)), TUpdateResult::Updated);
    EXPECT_EQ(store.Count(), 1);
}

TEST_F(PgStoreTest, MovingATableOverKeepsRecIdsAndRefusesAFullTable)
{
    TPgSettings sourceSettings = FreshPostgresDatabase();
    PgInvoiceStore source(sourceSettings);
    std::vector<TInvoiceRecord> batch;
    for (int id = 2; id <= 5000; id += 2) { // more than one page, with gaps
        TInvoiceRecord r = Numbered(id);
        r.REC_ID = id;
        batch.push_back(r);
    }
    source.InsertWithIds(batch);
    // What the e-Arşiv export keeps beside them comes along.
    source.EArsiv().Number({ { 4444, u"LVN"_s, QDate(2026, 12, 1), u"e-4444"_s,
        QDateTime(QDate(2026, 12, 1), QTime(9, 30)), 20, u"o"_s } });
    source.EArsiv().SetUnitCode(u"bağ"_s, u"PA"_s);
    PgInvoiceStore target(Settings);
    EXPECT_EQ(target.CopyAllFrom(source), 2500);
    EXPECT_EQ(target.Count(), 2500);
    EXPECT_EQ(target.Read(4444), source.Read(4444));
    EXPECT_EQ(target.Locate(TLocateField::SAYIN1, SearchKeyOf(u"MÜŞTERİ 4999"_s)), 0);
    EXPECT_EQ(target.Locate(TLocateField::SAYIN1, SearchKeyOf(u"MÜŞTERİ 499"_s)), 4990);
    EXPECT_EQ(target.Connection().Exec("SELECT count(*) FROM fatura_eksik").Int(0, 0), 0);
    EXPECT_GT(target.Insert(Numbered(1)), 5000);
    EXPECT_EQ(target.EArsiv().Exports(), source.EArsiv().Exports());
    EXPECT_EQ(target.EArsiv().Exports().size(), 1u);
    EXPECT_EQ(target.EArsiv().UnitCode(u"bağ"_s), u"PA"_s);
    try {
        target.CopyAllFrom(source);
        ADD_FAILURE() << "copied into a table that holds invoices";
    } catch (const EStorageError &e) {
        EXPECT_TRUE(e.Message().contains(u"boş değil"_s)) << e.what();
    }
    EXPECT_EQ(target.Count(), 2501);
}

TEST_F(PgStoreTest, ATableAlteredByHandIsRefusedNamingTableAndColumn)
{
    // Each alteration would change invoices silently: a date swaps day and month, numeric
    // rounds amounts, a narrower text cuts names, a smaller counter overflows, a missing key
    // column breaks the search.
    const struct {
        const char *Alter;
        const char16_t *Table, *Column;
    } cases[] = {
        { "ALTER TABLE fatura ALTER TARIH DROP DEFAULT, ALTER TARIH TYPE date USING current_date",
            u"fatura", u"TARIH" },
        { "ALTER TABLE fatura ALTER YEKUN TYPE numeric(8,1)", u"fatura", u"YEKUN" },
        { "ALTER TABLE fatura ALTER SAYIN1 TYPE varchar(30)", u"fatura", u"SAYIN1" },
        { "ALTER TABLE fatura_surum ALTER N TYPE integer", u"fatura_surum", u"N" },
        { "ALTER TABLE fatura_ara DROP COLUMN VNO_K", u"fatura_ara", u"VNO_K" },
    };
    for (const auto &c : cases) {
        const TPgSettings settings = FreshPostgresDatabase();
        PgInvoiceStore(settings).Insert(Numbered(1));
        TPgConnection(settings).Exec(c.Alter);
        try {
            PgInvoiceStore store(settings);
            ADD_FAILURE() << "opened after: " << c.Alter;
        } catch (const EStorageError &e) {
            const QString table = QString::fromUtf16(c.Table),
                          column = QString::fromUtf16(c.Column);
            EXPECT_TRUE(e.Message().contains(u" "_s + table + u" tablosunun "_s + column + u" "_s))
                << c.Alter << ": " << e.what();
        }
    }
}

TEST(PgStoreLostServerTest, AServerThatGoesAwayMakesEveryOperationAnError)
{
    TPostgresServer server; // its own, since this test stops it
    ASSERT_TRUE(server.Error().isEmpty()) << server.Error().toStdString();
    PgInvoiceStore store(server.CreateDatabase(u"gider"_s));
    const auto id = store.Insert(Numbered(1));
    server.Stop();
    EXPECT_THROW(store.Insert(Numbered(2)), EStorageError);
    EXPECT_THROW(store.Update(id, Numbered(3)), EStorageError);
    EXPECT_THROW(store.Count(), EStorageError);
    EXPECT_THROW(store.OthersCommitted(), EStorageError);
}

// ---- Which store the settings file chooses

TEST(DatabaseSettingsTest, ReadsTheSectionAndRefusesWhatItCannotMean)
{
    struct TCase {
        QByteArray Ini;
        bool Throws;
        TStoreKind Kind;
        QString Host;
        int Port;
        const char *Why;
    };
    const std::vector<TCase> cases {
        { "", false, TStoreKind::Sqlite, {}, 0, "no file section: the file beside the program" },
        { "[VERITABANI]\r\nTur=sqlite\r\n", false, TStoreKind::Sqlite, {}, 0, "said so" },
        { "[veritabani]\nTur = PostgreSQL\nSunucu=muhasebe.local\nPort=5433\n"
          "Veritabani=levanta\nKullanici=satis\n",
            false, TStoreKind::Postgres, u"muhasebe.local"_s, 5433,
            "names and values match without regard to case" },
        { "[VERITABANI]\nTur=postgresql\n", false, TStoreKind::Postgres, {}, 0,
            "the rest from libpq's defaults" },
        { "[VERITABANI]\nTur=mysql\n", true, {}, {}, 0, "unknown kind" },
        { "[VERITABANI]\nTur=postgresql\nPort=54a\n", true, {}, {}, 0, "not a number" },
        { "[VERITABANI]\nTur=postgresql\nPort=70000\n", true, {}, {}, 0, "not a port" },
    };
    for (const TCase &c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"fatura_ayar.ini"_s);
        if (!c.Ini.isEmpty())
            WriteBytes(path, c.Ini);
        if (c.Throws) {
            EXPECT_THROW(LoadDatabaseSettings(path), EStorageError) << c.Why;
            continue;
        }
        const TDatabaseSettings s = LoadDatabaseSettings(path);
        EXPECT_EQ(s.Kind, c.Kind) << c.Why;
        EXPECT_EQ(s.Server.Host, c.Host) << c.Why;
        EXPECT_EQ(s.Server.Port, c.Port) << c.Why;
    }
}

TEST(DatabaseSettingsTest, AnUnreachableServerIsNamedInTheError)
{
    TDatabaseSettings s;
    EXPECT_EQ(OpenChosenServer(s), nullptr);
    s.Kind = TStoreKind::Postgres;
    s.Server.Host = u"127.0.0.1"_s;
    s.Server.Port = 1; // nobody listens there
    s.Server.Database = u"levanta"_s;
    s.Server.User = u"postgres"_s;
    try {
        OpenChosenServer(s);
        ADD_FAILURE() << "connected to nothing";
    } catch (const EStorageError &e) {
        EXPECT_TRUE(
            e.Message().contains(u"Veritabanı sunucusuna bağlanılamadı: 127.0.0.1:1/levanta"_s))
            << e.what();
        EXPECT_TRUE(e.Message().contains(u"127.0.0.1"_s)) << "libpq's own text comes first";
    }
}

} // namespace
