#include "invoice/SqliteInvoiceStore.h"

#include "invoice/EArsivStore_p.h"
#include "invoice/InvoiceFields.h"
#include "invoice/RecordColumns.h"
#include "invoice/SearchKey.h"
#include "platform/Sqlite.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <string>

using namespace Qt::StringLiterals;

// The store keeps three things beside the invoices, neither of which changes `fatura`:
//  - fatura_ara: per invoice the search keys (SearchKeyOf) of the four searched fields,
//    each with an index, so a prefix search is an index range instead of a full scan;
//  - fatura_sira: an index on REC_ID alone, the narrowest b-tree that lists every REC_ID,
//    so the list of REC_IDs loads in tens of milliseconds at a million invoices;
//  - fatura_blok: per block of 1024 REC_ID values, how many invoices it holds. The row
//    number of any REC_ID, and the REC_ID of any row, is then a sum over a thousand blocks
//    and a count within one block, so a search can land the list near the end of a million
//    invoices before the REC_IDs in front of it have been read.
// Triggers written in plain SQL keep fatura_ara's rows and fatura_blok's counts in step with
// any program that writes `fatura`; they leave the keys NULL, and we fill NULL keys when we
// meet them. Counts that disagree with the table (a REPLACE by another program fires no
// delete trigger) are counted again, or left unused when the file is read-only.

namespace
{

constexpr int kBusyTimeoutMs = 2000;

std::string CreateTableSql()
{
    // IF NOT EXISTS: two first starts at once may both find the file missing.
    std::string sql = "CREATE TABLE IF NOT EXISTS fatura (REC_ID INTEGER PRIMARY KEY AUTOINCREMENT";
    for (const TRecordColumn &c : RecordColumns())
        sql += ", " + c.Name
            + (c.Width ? " VARCHAR(" + std::to_string(c.Width) + ") NOT NULL DEFAULT ''"
                       : std::string(" REAL NOT NULL DEFAULT 0"));
    return sql + ")";
}

constexpr const char *kSearchSchemaSql = R"(
CREATE TABLE IF NOT EXISTS fatura_ara (REC_ID INTEGER PRIMARY KEY,
    TARIH_K TEXT, SAYIN1_K TEXT, VDAIRESI_K TEXT, VNO_K TEXT);
CREATE INDEX IF NOT EXISTS fatura_ara_TARIH ON fatura_ara (TARIH_K);
CREATE INDEX IF NOT EXISTS fatura_ara_SAYIN1 ON fatura_ara (SAYIN1_K);
CREATE INDEX IF NOT EXISTS fatura_ara_VDAIRESI ON fatura_ara (VDAIRESI_K);
CREATE INDEX IF NOT EXISTS fatura_ara_VNO ON fatura_ara (VNO_K);
CREATE INDEX IF NOT EXISTS fatura_sira ON fatura (REC_ID);
CREATE TRIGGER IF NOT EXISTS fatura_ara_ekle AFTER INSERT ON fatura BEGIN
    INSERT OR REPLACE INTO fatura_ara (REC_ID) VALUES (new.REC_ID);
END;
CREATE TRIGGER IF NOT EXISTS fatura_ara_degistir AFTER UPDATE ON fatura BEGIN
    DELETE FROM fatura_ara WHERE REC_ID = old.REC_ID;
    INSERT OR REPLACE INTO fatura_ara (REC_ID) VALUES (new.REC_ID);
END;
CREATE TRIGGER IF NOT EXISTS fatura_ara_sil AFTER DELETE ON fatura BEGIN
    DELETE FROM fatura_ara WHERE REC_ID = old.REC_ID;
END;
)";

// Block of a REC_ID: REC_ID >> kBlockShift (an arithmetic shift, so blocks keep the order).
constexpr int kBlockShift = 10;

constexpr const char *kBlockSchemaSql = R"(
CREATE TABLE IF NOT EXISTS fatura_blok (BLOK INTEGER PRIMARY KEY, N INTEGER NOT NULL);
CREATE TRIGGER IF NOT EXISTS fatura_blok_ekle AFTER INSERT ON fatura BEGIN
    INSERT OR IGNORE INTO fatura_blok VALUES (new.REC_ID >> 10, 0);
    UPDATE fatura_blok SET N = N + 1 WHERE BLOK = new.REC_ID >> 10;
END;
CREATE TRIGGER IF NOT EXISTS fatura_blok_sil AFTER DELETE ON fatura BEGIN
    UPDATE fatura_blok SET N = N - 1 WHERE BLOK = old.REC_ID >> 10;
END;
CREATE TRIGGER IF NOT EXISTS fatura_blok_tasi AFTER UPDATE OF REC_ID ON fatura BEGIN
    UPDATE fatura_blok SET N = N - 1 WHERE BLOK = old.REC_ID >> 10;
    INSERT OR IGNORE INTO fatura_blok VALUES (new.REC_ID >> 10, 0);
    UPDATE fatura_blok SET N = N + 1 WHERE BLOK = new.REC_ID >> 10;
END;
)";

constexpr std::array<const char *, 4> kBlockSchemaObjects { "fatura_blok", "fatura_blok_ekle",
    "fatura_blok_sil", "fatura_blok_tasi" };

constexpr std::array<const char *, 9> kSearchSchemaObjects { "fatura_ara", "fatura_ara_TARIH",
    "fatura_ara_SAYIN1", "fatura_ara_VDAIRESI", "fatura_ara_VNO", "fatura_sira", "fatura_ara_ekle",
    "fatura_ara_degistir", "fatura_ara_sil" };

// levanta_key(text): SearchKeyOf for SQL, registered on our own connection only (never used
// in the schema, so other programs can open the file without it).
QByteArray SqlSearchKey(std::string_view utf8)
{
    return SearchKeyOf(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

void BindRecord(TSqliteStatement &st, const TInvoiceRecord &r, int index)
{
    ForEachField(
        r, [&](const QString &s) { st.BindText(index++, s); },
        [&](double v) { st.BindDouble(index++, v); });
}

TInvoiceRecord RecordFrom(const TSqliteStatement &st)
{
    TInvoiceRecord r;
    r.REC_ID = static_cast<std::int32_t>(st.ColumnInt(0));
    int i = 1;
    ForEachField(
        r, [&](QString &s) { s = st.ColumnText(i++); },
        [&](double &v) { v = st.ColumnDouble(i++); });
    return r;
}

QByteArray KeyOf(const TInvoiceRecord &r, TLocateField field)
{
    switch (field) {
    case TLocateField::TARIH:
        return SearchKeyOf(r.TARIH);
    case TLocateField::SAYIN1:
        return SearchKeyOf(r.SAYIN1);
    case TLocateField::VDAIRESI:
        return SearchKeyOf(r.VDAIRESI);
    case TLocateField::VNO:
        return SearchKeyOf(r.VNO);
    }
    return {};
}

std::string_view ViewOf(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

[[noreturn]] void FailWith(const QString &message)
{
    throw EStorageError(message);
}

class TSqliteEArsivSql final : public IEArsivSql
{
public:
    explicit TSqliteEArsivSql(TSqliteDatabase &db)
        : Db(db)
    {
    }

    std::vector<TRow> Query(std::string_view sql, const std::vector<QString> &params) override
    {
        auto it = Statements.find(std::string(sql));
        if (it == Statements.end())
            it = Statements.emplace(std::string(sql), Db.Prepare(sql)).first;
        TSqliteStatement &st = it->second;
        TSqliteResetGuard guard(st);
        for (size_t i = 0; i < params.size(); ++i)
            st.BindText(static_cast<int>(i) + 1, params[i]);
        std::vector<TRow> rows;
        while (st.Step()) {
            TRow row;
            for (int c = 0; c < st.ColumnCount(); ++c)
                row.push_back(st.ColumnText(c));
            rows.push_back(std::move(row));
        }
        return rows;
    }

    void Script(std::string_view sql) override
    {
        // A schema change makes every prepared statement prepare itself again; start afresh.
        Statements.clear();
        Db.Exec(sql);
    }

    bool HasTable(std::string_view name) override
    {
        TSqliteStatement st
            = Db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
        st.BindText(1, name);
        return st.Step();
    }

    // IMMEDIATE takes the file's write lock at once, so two desks number one after the other.
    void BeginExclusive() override { Db.Exec("BEGIN IMMEDIATE"); }
    void Commit() override { Db.Exec("COMMIT"); }
    void Rollback() override
    {
        if (Db.InTransaction())
            Db.Exec("ROLLBACK");
    }

private:
    TSqliteDatabase &Db;
    std::map<std::string, TSqliteStatement, std::less<>> Statements;
};

class TSqliteInvoiceStore final : public IInvoiceStore
{
public:
    explicit TSqliteInvoiceStore(const QString &fileName)
        : FileName(fileName)
    {
    }

    // Everything that may fail at open; the caller removes a file it created in vain.
    void Open(bool existed)
    {
        Db = TSqliteDatabase(FileName,
            existed ? TSqliteDatabase::TOpenMode::ReadWrite
                    : TSqliteDatabase::TOpenMode::ReadWriteCreate);
        Db.SetBusyTimeout(kBusyTimeoutMs);
        Db.AddTextFunction("levanta_key", SqlSearchKey);
        // Each commit waits until the bytes are on the disk, so a stored invoice survives a
        // crash or power cut. A rollback journal keeps the store one file and works in a folder
        // that others may only read.
        Db.Exec("PRAGMA synchronous = FULL");
        if (!existed) {
            TSqliteTransaction txn(Db);
            Db.Exec(CreateTableSql());
            Db.Exec(kSearchSchemaSql);
            Db.Exec(kBlockSchemaSql);
            txn.Commit();
        } else {
            // This is where a file that is not a database fails; WAL files from other tools
            // are turned back to a rollback journal when we may.
            TSqliteStatement mode = Db.Prepare("PRAGMA journal_mode");
            if (mode.Step() && QString::fromUtf8(mode.ColumnUtf8(0)).toLower() == u"wal"_s) {
                mode.Reset();
                try {
                    Db.Exec("PRAGMA journal_mode = DELETE");
                } catch (const EStorageError &) {
                }
            }
        }
        CheckColumns();
        EnsureSearchKeys();
        PrepareCount();
        DataVersion = ReadDataVersion();
        const int total = CountRows();
        EnsureBlocks(total);
        Prepare();
        // The count just taken answers the table's first Count().
        FreshCount = total;
    }

    QString Name() const override { return FileName; }

    IEArsivStore &EArsiv() override
    {
        if (!EArsivStore)
            EArsivStore = MakeEArsivStore(std::make_unique<TSqliteEArsivSql>(Db));
        return *EArsivStore;
    }

    void SetBusyTimeout(int milliseconds) override { Db.SetBusyTimeout(milliseconds); }

    // Our own commits do not change data_version; any change means another connection.
    bool OthersCommitted() override
    {
        const std::int64_t now = ReadDataVersion();
        const bool changed = now != DataVersion;
        DataVersion = now;
        if (changed)
            FreshCount.reset();
        return changed;
    }

    void CatchUp() override
    {
        if (KeysUsable || HasObject("fatura_ara"))
            EnsureSearchKeys();
        EnsureBlocks(LastCount ? *LastCount : CountRows());
    }

    int Count() override
    {
        if (FreshCount) {
            const int total = *FreshCount;
            FreshCount.reset();
            LastCount = total;
            return total;
        }
        return CountRows();
    }

    std::vector<std::int32_t> IdsAfter(std::int32_t after, int limit) override
    {
        std::vector<std::int32_t> ids;
        ids.reserve(static_cast<size_t>(std::max(limit, 0)));
        TSqliteResetGuard guard(IdChunkStmt);
        IdChunkStmt.BindInt(1, after);
        IdChunkStmt.BindInt(2, limit);
        while (IdChunkStmt.Step())
            ids.push_back(static_cast<std::int32_t>(IdChunkStmt.ColumnInt(0)));
        return ids;
    }

    std::optional<int> RankOf(std::int32_t recId) override
    {
        if (!BlocksUsable)
            return std::nullopt;
        TSqliteResetGuard guard(BlockRankStmt);
        BlockRankStmt.BindInt(1, recId);
        BlockRankStmt.Step();
        return static_cast<int>(BlockRankStmt.ColumnInt(0));
    }

    std::optional<std::int32_t> IdAtRow(int row) override
    {
        if (!BlocksUsable)
            return std::nullopt;
        if (row < 0)
            return 0;
        std::int64_t start = 0, before = 0;
        bool found = false;
        {
            TSqliteResetGuard guard(BlockListStmt);
            while (BlockListStmt.Step()) {
                const std::int64_t n = BlockListStmt.ColumnInt(1);
                if (before + n > row) {
                    start = BlockListStmt.ColumnInt(0) << kBlockShift;
                    found = true;
                    break;
                }
                before += n;
            }
        }
        if (!found)
            return 0;
        TSqliteResetGuard guard(IdInBlockStmt);
        IdInBlockStmt.BindInt(1, start);
        IdInBlockStmt.BindInt(2, row - before);
        return IdInBlockStmt.Step() ? static_cast<std::int32_t>(IdInBlockStmt.ColumnInt(0)) : 0;
    }

    bool Exists(std::int32_t recId) override
    {
        TSqliteResetGuard guard(ExistsStmt);
        ExistsStmt.BindInt(1, recId);
        return ExistsStmt.Step();
    }

    std::int32_t Insert(const TInvoiceRecord &r) override
    {
        Written();
        TSqliteTransaction txn(Db);
        {
            TSqliteResetGuard guard(InsertStmt);
            BindRecord(InsertStmt, r, 1);
            InsertStmt.Run();
        }
        const std::int64_t id = Db.LastInsertRowId();
        if (id > std::numeric_limits<std::int32_t>::max())
            FailWith(u"REC_ID %1 is out of range"_s.arg(id));
        WriteKeys(id, r);
        txn.Commit();
        return static_cast<std::int32_t>(id);
    }

    void InsertWithIds(const std::vector<TInvoiceRecord> &records) override
    {
        Written();
        TSqliteTransaction txn(Db);
        std::string params;
        for (size_t i = 0; i < RecordColumns().size(); ++i)
            params += ", ?" + std::to_string(i + 2);
        TSqliteStatement insert = Db.Prepare(
            "INSERT INTO fatura (REC_ID, " + ColumnList() + ") VALUES (?1" + params + ")");
        for (const TInvoiceRecord &r : records) {
            if (r.REC_ID <= 0)
                FailWith(u"REC_ID %1 is out of range"_s.arg(r.REC_ID));
            TSqliteResetGuard guard(insert);
            insert.BindInt(1, r.REC_ID);
            BindRecord(insert, r, 2);
            insert.Run();
            WriteKeys(r.REC_ID, r);
        }
        txn.Commit();
    }

    TUpdateResult Update(
        std::int32_t recId, const TInvoiceRecord &record, const TInvoiceRecord *expected) override
    {
        Written();
        // The check and the write are one transaction, so no other desk writes in between.
        TSqliteTransaction txn(Db);
        if (expected) {
            std::optional<TInvoiceRecord> stored = Read(recId);
            if (!stored)
                return TUpdateResult::Gone;
            if (!SameContent(*stored, *expected))
                return TUpdateResult::ChangedMeanwhile;
        }
        {
            TSqliteResetGuard guard(UpdateStmt);
            BindRecord(UpdateStmt, record, 1);
            UpdateStmt.BindInt(static_cast<int>(RecordColumns().size()) + 1, recId);
            UpdateStmt.Run();
        }
        if (Db.Changes() == 0)
            return TUpdateResult::Gone;
        WriteKeys(recId, record);
        txn.Commit();
        return TUpdateResult::Updated;
    }

    std::optional<TInvoiceRecord> Read(std::int32_t recId) override
    {
        TSqliteResetGuard guard(SelectStmt);
        SelectStmt.BindInt(1, recId);
        if (!SelectStmt.Step())
            return std::nullopt;
        return RecordFrom(SelectStmt);
    }

    void Delete(std::int32_t recId) override
    {
        Written();
        TSqliteTransaction txn(Db);
        TSqliteResetGuard guard(DeleteStmt);
        DeleteStmt.BindInt(1, recId);
        DeleteStmt.Run();
        txn.Commit();
    }

    std::int32_t Locate(TLocateField field, const QByteArray &key) override
    {
        return KeysUsable ? LocateByKey(field, key) : LocateByScan(field, key);
    }

    std::vector<TInvoiceListRow> ListRows(std::int32_t fromId, std::int32_t toId) override
    {
        TSqliteResetGuard guard(ListStmt);
        ListStmt.BindInt(1, fromId);
        ListStmt.BindInt(2, toId);
        return ListRowsOf(ListStmt);
    }

    std::vector<TInvoiceListRow> RowsFrom(std::int32_t fromId, int limit) override
    {
        TSqliteResetGuard guard(RowsFromStmt);
        RowsFromStmt.BindInt(1, fromId);
        RowsFromStmt.BindInt(2, limit);
        return ListRowsOf(RowsFromStmt);
    }

private:
    QString FileName;
    TSqliteDatabase Db;
    // Its statements go before the database closes.
    std::unique_ptr<IEArsivStore> EArsivStore;
    std::int64_t DataVersion = 0;
    // The count taken at open, for the table's first Count(); the last count taken, for
    // CatchUp, until this connection writes.
    std::optional<int> FreshCount, LastCount;
    bool KeysUsable = true; // fatura_ara is complete; otherwise Locate reads every row
    bool BlocksUsable = false; // fatura_blok agrees with the table
    bool Narrow = false; // fatura_sira exists

    TSqliteStatement DataVersionStmt, InsertStmt, UpdateStmt, KeysStmt, SelectStmt, DeleteStmt,
        ListStmt, CountStmt, IdChunkStmt, ExistsStmt, RowsFromStmt, BlockRankStmt, BlockListStmt,
        IdInBlockStmt;

    void Written()
    {
        FreshCount.reset();
        LastCount.reset();
    }

    static std::vector<TInvoiceListRow> ListRowsOf(TSqliteStatement &st)
    {
        std::vector<TInvoiceListRow> rows;
        while (st.Step())
            rows.push_back(TInvoiceListRow { static_cast<std::int32_t>(st.ColumnInt(0)),
                st.ColumnText(1), st.ColumnText(2), st.ColumnText(3), st.ColumnText(4) });
        return rows;
    }

    int CountRows()
    {
        TSqliteResetGuard guard(CountStmt);
        CountStmt.Step();
        const int total = static_cast<int>(CountStmt.ColumnInt(0));
        LastCount = total;
        return total;
    }

    std::int64_t ReadDataVersion()
    {
        TSqliteResetGuard guard(DataVersionStmt);
        DataVersionStmt.Step();
        return DataVersionStmt.ColumnInt(0);
    }

    bool HasObject(const char *name)
    {
        TSqliteStatement st = Db.Prepare("SELECT 1 FROM sqlite_master WHERE name = ?1");
        st.BindText(1, std::string_view(name));
        return st.Step();
    }

    void CheckColumns()
    {
        TSqliteStatement st = Db.Prepare("PRAGMA table_info(fatura)");
        std::vector<std::string> names;
        bool recIdIsKey = false;
        while (st.Step()) {
            names.emplace_back(st.ColumnUtf8(1));
            if (names.size() == 1)
                recIdIsKey = st.ColumnInt(5) == 1
                    && QString::fromUtf8(st.ColumnUtf8(2))
                            .compare(u"INTEGER"_s, Qt::CaseInsensitive)
                        == 0;
        }
        if (names.empty())
            FailWith(u"no such table: fatura"_s);
        std::vector<std::string> expected { "REC_ID" };
        for (const TRecordColumn &c : RecordColumns())
            expected.push_back(c.Name);
        for (size_t i = 0; i < expected.size(); ++i) {
            if (i >= names.size())
                FailWith(u"table fatura has no column named %1"_s.arg(
                    QString::fromStdString(expected[i])));
            if (QString::fromStdString(names[i]).compare(
                    QString::fromStdString(expected[i]), Qt::CaseInsensitive)
                != 0)
                FailWith(u"table fatura has column %1 where %2 belongs"_s.arg(
                    QString::fromStdString(names[i]), QString::fromStdString(expected[i])));
        }
        if (names.size() != expected.size())
            FailWith(u"table fatura has %1 columns but an invoice has %2"_s.arg(names.size())
                         .arg(expected.size()));
        if (!recIdIsKey)
            FailWith(u"table fatura: REC_ID is not its INTEGER PRIMARY KEY"_s);
    }

    std::int64_t CountOf(const char *sql)
    {
        TSqliteStatement st = Db.Prepare(sql);
        st.Step();
        return st.ColumnInt(0);
    }

    // Makes fatura_ara whole again: creates what is missing and fills keys that other
    // programs left NULL or that are missing. Without write access, Locate scans instead.
    void EnsureSearchKeys()
    {
        bool complete = true;
        for (const char *name : kSearchSchemaObjects)
            complete = complete && HasObject(name);
        if (complete) {
            // Both are index look-ups; a full count would cost tens of ms at each open.
            const bool keysMissing
                = CountOf("SELECT EXISTS (SELECT 1 FROM fatura_ara WHERE TARIH_K IS NULL)")
                || CountOf("SELECT (SELECT max(REC_ID) FROM fatura)"
                           " IS NOT (SELECT max(REC_ID) FROM fatura_ara)");
            if (!keysMissing) {
                KeysUsable = true;
                return;
            }
        }
        if (Db.IsReadOnly()) {
            KeysUsable = false;
            return;
        }
        try {
            TSqliteTransaction txn(Db);
            Db.Exec(kSearchSchemaSql);
            Db.Exec("DELETE FROM fatura_ara WHERE REC_ID NOT IN (SELECT REC_ID FROM fatura)");
            Db.Exec("INSERT OR REPLACE INTO fatura_ara"
                    " SELECT REC_ID, levanta_key(TARIH), levanta_key(SAYIN1),"
                    " levanta_key(VDAIRESI), levanta_key(VNO) FROM fatura"
                    " WHERE REC_ID NOT IN (SELECT REC_ID FROM fatura_ara WHERE TARIH_K IS NOT"
                    " NULL AND SAYIN1_K IS NOT NULL AND VDAIRESI_K IS NOT NULL"
                    " AND VNO_K IS NOT NULL)");
            txn.Commit();
            KeysUsable = true;
        } catch (const EStorageError &) {
            // Locked or read-only: the keys stay as they are, and Locate reads every row.
            KeysUsable = false;
        }
    }

    // Makes fatura_blok agree with the table of `total` invoices, or leaves it unused.
    void EnsureBlocks(int total)
    {
        BlocksUsable = false;
        bool complete = true;
        for (const char *name : kBlockSchemaObjects)
            complete = complete && HasObject(name);
        // A thousand small rows: far cheaper than the count that `total` came from.
        if (complete && CountOf("SELECT coalesce(sum(N), 0) FROM fatura_blok") == total
            && CountOf("SELECT NOT EXISTS (SELECT 1 FROM fatura_blok WHERE N < 0)")) {
            PrepareBlocks();
            return;
        }
        if (Db.IsReadOnly())
            return;
        try {
            TSqliteTransaction txn(Db);
            Db.Exec(kBlockSchemaSql);
            Db.Exec("DELETE FROM fatura_blok");
            Db.Exec(std::string("INSERT INTO fatura_blok SELECT REC_ID >> 10, count(*) FROM fatura")
                + (Narrow ? " INDEXED BY fatura_sira" : "") + " GROUP BY 1");
            if (CountOf("SELECT coalesce(sum(N), 0) FROM fatura_blok") != total)
                return; // another handle wrote in between; the next reload counts again
            txn.Commit();
        } catch (const EStorageError &) {
            return; // locked: the REC_IDs are read instead
        }
        PrepareBlocks();
    }

    void PrepareBlocks()
    {
        static_assert(kBlockShift == 10, "the SQL below and the triggers shift by 10");
        const std::string from
            = std::string(" FROM fatura") + (Narrow ? " INDEXED BY fatura_sira" : "");
        BlockRankStmt = Db.Prepare(
            "SELECT (SELECT coalesce(sum(N), 0) FROM fatura_blok WHERE BLOK < ?1 >> 10)"
            " + (SELECT count(*)"
            + from + " WHERE REC_ID >= (?1 >> 10) << 10 AND REC_ID < ?1)");
        BlockListStmt = Db.Prepare("SELECT BLOK, N FROM fatura_blok WHERE N > 0 ORDER BY BLOK");
        IdInBlockStmt = Db.Prepare(
            "SELECT REC_ID" + from + " WHERE REC_ID >= ?1 ORDER BY REC_ID LIMIT 1 OFFSET ?2");
        BlocksUsable = true;
    }

    // What counting and reading the REC_IDs needs; the rest after EnsureBlocks, since
    // statements that write `fatura` compile its triggers, which name fatura_blok.
    void PrepareCount()
    {
        DataVersionStmt = Db.Prepare("PRAGMA data_version");
        // fatura_sira is far narrower than the table itself; without it the table is read.
        Narrow = HasObject("fatura_sira");
        CountStmt = Db.Prepare(Narrow ? "SELECT count(*) FROM fatura INDEXED BY fatura_sira"
                                      : "SELECT count(*) FROM fatura");
        IdChunkStmt = Db.Prepare(std::string("SELECT REC_ID FROM fatura")
            + (Narrow ? " INDEXED BY fatura_sira" : "")
            + " WHERE REC_ID > ?1 ORDER BY REC_ID LIMIT ?2");
    }

    void Prepare()
    {
        const std::string columns = ColumnList();
        std::string params;
        for (size_t i = 0; i < RecordColumns().size(); ++i)
            params += (i ? ", ?" : "?") + std::to_string(i + 1);
        InsertStmt = Db.Prepare("INSERT INTO fatura (" + columns + ") VALUES (" + params + ")");
        std::string assignments;
        int index = 1;
        for (const TRecordColumn &c : RecordColumns())
            assignments
                += (assignments.empty() ? "" : ", ") + c.Name + " = ?" + std::to_string(index++);
        UpdateStmt = Db.Prepare(
            "UPDATE fatura SET " + assignments + " WHERE REC_ID = ?" + std::to_string(index));
        if (HasObject("fatura_ara"))
            KeysStmt = Db.Prepare("INSERT OR REPLACE INTO fatura_ara"
                                  " (REC_ID, TARIH_K, SAYIN1_K, VDAIRESI_K, VNO_K)"
                                  " VALUES (?1, ?2, ?3, ?4, ?5)");
        SelectStmt = Db.Prepare("SELECT REC_ID, " + columns + " FROM fatura WHERE REC_ID = ?1");
        DeleteStmt = Db.Prepare("DELETE FROM fatura WHERE REC_ID = ?1");
        ListStmt = Db.Prepare("SELECT REC_ID, TARIH, SAYIN1, VDAIRESI, VNO FROM fatura"
                              " WHERE REC_ID BETWEEN ?1 AND ?2 ORDER BY REC_ID");
        ExistsStmt = Db.Prepare("SELECT 1 FROM fatura WHERE REC_ID = ?1");
        RowsFromStmt = Db.Prepare("SELECT REC_ID, TARIH, SAYIN1, VDAIRESI, VNO FROM fatura"
                                  " WHERE REC_ID >= ?1 ORDER BY REC_ID LIMIT ?2");
    }

    void WriteKeys(std::int64_t recId, const TInvoiceRecord &r)
    {
        if (!KeysStmt.IsValid())
            return;
        TSqliteResetGuard guard(KeysStmt);
        KeysStmt.BindInt(1, recId);
        KeysStmt.BindText(2, ViewOf(KeyOf(r, TLocateField::TARIH)));
        KeysStmt.BindText(3, ViewOf(KeyOf(r, TLocateField::SAYIN1)));
        KeysStmt.BindText(4, ViewOf(KeyOf(r, TLocateField::VDAIRESI)));
        KeysStmt.BindText(5, ViewOf(KeyOf(r, TLocateField::VNO)));
        KeysStmt.Run();
    }

    // Locate through the key index. The answer is the smallest REC_ID among the index range
    // of the prefix; a short prefix can have a huge range, while then a scan in REC_ID order
    // meets a match early. So both run side by side, a slice at a time, and the first to
    // finish answers: the cost is about twice the cheaper of the two.
    std::int32_t LocateByKey(TLocateField field, const QByteArray &key)
    {
        const char *column = kKeyColumns[static_cast<size_t>(field)];
        const QByteArray upper = KeyRangeEnd(key);

        TSqliteStatement range = Db.Prepare(std::string("SELECT REC_ID FROM fatura_ara WHERE ")
            + column + " >= ?1" + (upper.isEmpty() ? "" : std::string(" AND ") + column + " < ?2"));
        range.BindText(1, ViewOf(key));
        if (!upper.isEmpty())
            range.BindText(2, ViewOf(upper));
        TSqliteStatement scan = Db.Prepare(
            std::string("SELECT REC_ID, ") + column + " FROM fatura_ara ORDER BY REC_ID");
        const std::string_view prefix = ViewOf(key);
        std::int64_t best = 0;
        constexpr int kSlice = 64;
        for (;;) {
            for (int i = 0; i < kSlice; ++i) {
                if (!range.Step())
                    return static_cast<std::int32_t>(best);
                const std::int64_t id = range.ColumnInt(0);
                if (best == 0 || id < best)
                    best = id;
            }
            for (int i = 0; i < kSlice; ++i) {
                if (!scan.Step())
                    return 0; // cannot happen while the range still has rows
                if (scan.ColumnUtf8(1).starts_with(prefix))
                    return static_cast<std::int32_t>(scan.ColumnInt(0));
            }
        }
    }

    // Without usable keys: every row read and folded here.
    std::int32_t LocateByScan(TLocateField field, const QByteArray &key)
    {
        TSqliteStatement scan = Db.Prepare(std::string("SELECT REC_ID, ")
            + kSearchedColumns[static_cast<size_t>(field)] + " FROM fatura ORDER BY REC_ID");
        const std::string_view prefix = ViewOf(key);
        while (scan.Step()) {
            if (ViewOf(SearchKeyOf(scan.ColumnText(1))).starts_with(prefix))
                return static_cast<std::int32_t>(scan.ColumnInt(0));
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<IInvoiceStore> OpenSqliteStore(const QString &fileName)
{
    const bool existed = QFileInfo::exists(fileName);
    auto store = std::make_unique<TSqliteInvoiceStore>(fileName);
    try {
        store->Open(existed);
    } catch (...) {
        store.reset();
        // Never leave an empty file behind; one that holds anything is not ours to remove.
        if (!existed && QFileInfo::exists(fileName) && QFileInfo(fileName).size() == 0)
            QFile::remove(fileName);
        throw;
    }
    return store;
}
