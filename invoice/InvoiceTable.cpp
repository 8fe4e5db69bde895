#include "invoice/InvoiceTable.h"

#include "invoice/SearchKey.h"
#include "platform/Sqlite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <array>
#include <limits>
#include <string>

using namespace Qt::StringLiterals;

// The store keeps two things beside the invoices, neither of which changes `fatura`:
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

constexpr const char *kFileName = "fatura.DB";
constexpr int kBusyTimeoutMs = 2000;

// Columns of `fatura` after REC_ID, in stored order, with their widths (0: a number).
struct TColumn {
    std::string Name;
    int Width;
};

const std::vector<TColumn> &RecordColumns()
{
    static const std::vector<TColumn> columns = [] {
        std::vector<TColumn> c { { "TARIH", InvoiceTable::kWidthTARIH },
            { "SAYIN1", InvoiceTable::kWidthSAYIN }, { "SAYIN2", InvoiceTable::kWidthSAYIN },
            { "SAYIN3", InvoiceTable::kWidthSAYIN }, { "VDAIRESI", InvoiceTable::kWidthVDAIRESI },
            { "VNO", InvoiceTable::kWidthVNO } };
        auto numbered = [&c](const char *stem, int width) {
            for (int i = 1; i <= TInvoiceRecord::kLines; ++i)
                c.push_back({ stem + std::to_string(i), width });
        };
        numbered("M", 0);
        numbered("C", InvoiceTable::kWidthC);
        numbered("F", 0);
        numbered("T", 0);
        c.push_back({ "YEKUN", 0 });
        c.push_back({ "KDV", 0 });
        c.push_back({ "TOPLAM", 0 });
        c.push_back({ "YANLIZ", InvoiceTable::kWidthYANLIZ });
        numbered("B", InvoiceTable::kWidthB);
        return c;
    }();
    return columns;
}

std::string ColumnList()
{
    std::string list;
    for (const TColumn &c : RecordColumns())
        list += (list.empty() ? "" : ", ") + c.Name;
    return list;
}

std::string CreateTableSql()
{
    // IF NOT EXISTS: two first starts at once may both find the file missing.
    std::string sql = "CREATE TABLE IF NOT EXISTS fatura (REC_ID INTEGER PRIMARY KEY AUTOINCREMENT";
    for (const TColumn &c : RecordColumns())
        sql += ", " + c.Name
            + (c.Width ? " VARCHAR(" + std::to_string(c.Width) + ") NOT NULL DEFAULT ''"
                       : std::string(" REAL NOT NULL DEFAULT 0"));
    return sql + ")";
}

// Key columns of fatura_ara, in TLocateField order.
constexpr std::array<const char *, 4> kKeyColumns { "TARIH_K", "SAYIN1_K", "VDAIRESI_K", "VNO_K" };
constexpr std::array<const char *, 4> kSearchedColumns { "TARIH", "SAYIN1", "VDAIRESI", "VNO" };

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
    for (const QString *s : { &r.TARIH, &r.SAYIN1, &r.SAYIN2, &r.SAYIN3, &r.VDAIRESI, &r.VNO })
        st.BindText(index++, *s);
    for (double v : r.M)
        st.BindDouble(index++, v);
    for (const QString &s : r.C)
        st.BindText(index++, s);
    for (double v : r.F)
        st.BindDouble(index++, v);
    for (double v : r.T)
        st.BindDouble(index++, v);
    for (double v : { r.YEKUN, r.KDV, r.TOPLAM })
        st.BindDouble(index++, v);
    st.BindText(index++, r.YANLIZ);
    for (const QString &s : r.B)
        st.BindText(index++, s);
}

TInvoiceRecord RecordFrom(const TSqliteStatement &st)
{
    TInvoiceRecord r;
    int i = 0;
    r.REC_ID = static_cast<std::int32_t>(st.ColumnInt(i++));
    for (QString *s : { &r.TARIH, &r.SAYIN1, &r.SAYIN2, &r.SAYIN3, &r.VDAIRESI, &r.VNO })
        *s = st.ColumnText(i++);
    for (double &v : r.M)
        v = st.ColumnDouble(i++);
    for (QString &s : r.C)
        s = st.ColumnText(i++);
    for (double &v : r.F)
        v = st.ColumnDouble(i++);
    for (double &v : r.T)
        v = st.ColumnDouble(i++);
    for (double *v : { &r.YEKUN, &r.KDV, &r.TOPLAM })
        *v = st.ColumnDouble(i++);
    r.YANLIZ = st.ColumnText(i++);
    for (QString &s : r.B)
        s = st.ColumnText(i++);
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

} // namespace

struct InvoiceTable::TPrivate {
    TSqliteDatabase Db;
    QString FileName;
    // The REC_IDs of rows 0 .. Ids.size() - 1, ascending. At a million invoices the whole
    // list takes ~100 ms to read, so it is read in chunks while the event loop is idle, for
    // scrolling. Rows beyond it are found through fatura_blok when that is usable, otherwise
    // by reading the REC_IDs as far as the caller needs. Total is the number of rows.
    std::vector<std::int32_t> Ids;
    bool IdsComplete = true;
    int Total = 0;
    int Current = -1; // row of the current record
    std::int32_t CurrentId = 0; // its REC_ID
    std::int64_t DataVersion = 0;
    bool KeysUsable = true; // fatura_ara is complete; otherwise Locate reads every row
    bool BlocksUsable = false; // fatura_blok agrees with the table
    bool Narrow = false; // fatura_sira exists

    TSqliteStatement DataVersionStmt, InsertStmt, UpdateStmt, KeysStmt, SelectStmt, DeleteStmt,
        ListStmt, CountStmt, IdChunkStmt, ExistsStmt, RowsFromStmt, BlockRankStmt, BlockListStmt,
        IdInBlockStmt;

    static constexpr int kIdChunk = 65536;
    // While idle, a smaller bite: a key pressed meanwhile waits for at most one chunk.
    static constexpr int kIdleChunk = 8192;

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
        for (const TColumn &c : RecordColumns())
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

    int CountRows()
    {
        TSqliteResetGuard guard(CountStmt);
        CountStmt.Step();
        return static_cast<int>(CountStmt.ColumnInt(0));
    }

    // Forgets the REC_IDs; Total becomes the store's count (nothing changes if that fails).
    void RestartIds()
    {
        const int total = CountRows();
        Ids.clear();
        Ids.reserve(static_cast<size_t>(total));
        Total = total;
        IdsComplete = total == 0;
        Current = -1;
        CurrentId = 0;
    }

    void LoadChunk(int want)
    {
        TSqliteResetGuard guard(IdChunkStmt);
        IdChunkStmt.BindInt(1, Ids.empty() ? std::numeric_limits<std::int64_t>::min() : Ids.back());
        IdChunkStmt.BindInt(2, want);
        const size_t before = Ids.size();
        try {
            while (IdChunkStmt.Step())
                Ids.push_back(static_cast<std::int32_t>(IdChunkStmt.ColumnInt(0)));
        } catch (...) {
            Ids.resize(before); // a chunk is taken whole or not at all
            throw;
        }
        if (static_cast<int>(Ids.size() - before) < want) {
            IdsComplete = true;
            Total = static_cast<int>(Ids.size()); // differs only if another handle just wrote
        }
    }

    void EnsureRows(size_t rows)
    {
        while (!IdsComplete && Ids.size() < rows)
            LoadChunk(static_cast<int>(std::max<size_t>(kIdChunk, rows - Ids.size() + 1)));
    }

    void EnsureThrough(std::int32_t recId)
    {
        while (!IdsComplete && (Ids.empty() || Ids.back() < recId))
            LoadChunk(kIdChunk);
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

    // The number of invoices whose REC_ID is below recId.
    int Rank(std::int32_t recId)
    {
        if (!PrefixCovers(recId) && BlocksUsable) {
            TSqliteResetGuard guard(BlockRankStmt);
            BlockRankStmt.BindInt(1, recId);
            BlockRankStmt.Step();
            return static_cast<int>(BlockRankStmt.ColumnInt(0));
        }
        EnsureThrough(recId);
        return static_cast<int>(std::lower_bound(Ids.begin(), Ids.end(), recId) - Ids.begin());
    }

    // The REC_ID of a row in [0, Total); 0 when the store has no such row (any more).
    std::int32_t IdAt(int row)
    {
        if (row < 0)
            return 0;
        if (static_cast<size_t>(row) < Ids.size())
            return Ids[static_cast<size_t>(row)];
        if (BlocksUsable) {
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
        EnsureRows(static_cast<size_t>(row) + 1);
        return static_cast<size_t>(row) < Ids.size() ? Ids[static_cast<size_t>(row)] : 0;
    }

    bool Exists(std::int32_t recId)
    {
        TSqliteResetGuard guard(ExistsStmt);
        ExistsStmt.BindInt(1, recId);
        return ExistsStmt.Step();
    }

    // Every REC_ID up to recId is among those read.
    bool PrefixCovers(std::int32_t recId) const
    {
        return IdsComplete || (!Ids.empty() && Ids.back() >= recId);
    }

    size_t HeldBytes() const { return Ids.capacity() * sizeof(std::int32_t); }

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
        for (const TColumn &c : RecordColumns())
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

    int RowOf(std::int32_t recId)
    {
        if (!PrefixCovers(recId) && BlocksUsable) {
            if (!Exists(recId))
                return -1;
            const int row = Rank(recId);
            return row < Total ? row : -1;
        }
        EnsureThrough(recId);
        const auto it = std::lower_bound(Ids.begin(), Ids.end(), recId);
        return it != Ids.end() && *it == recId ? static_cast<int>(it - Ids.begin()) : -1;
    }

    // Locate through the key index. The answer is the smallest REC_ID among the index range
    // of the prefix; a short prefix can have a huge range, while then a scan in REC_ID order
    // meets a match early. So both run side by side, a slice at a time, and the first to
    // finish answers: the cost is about twice the cheaper of the two.
    std::int32_t LocateByKey(TLocateField field, const QByteArray &key)
    {
        const char *column = kKeyColumns[static_cast<size_t>(field)];
        QByteArray upper = key;
        while (!upper.isEmpty() && static_cast<unsigned char>(upper.back()) == 0xFF)
            upper.chop(1);
        if (!upper.isEmpty())
            upper.back() = static_cast<char>(static_cast<unsigned char>(upper.back()) + 1);

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

// ---- InvoiceTable ----

InvoiceTable::InvoiceTable(QObject *parent)
    : QObject(parent)
{
}

InvoiceTable::~InvoiceTable() = default;

void InvoiceTable::Open(const QString &folder)
{
    OpenFile(QDir(folder).filePath(QString::fromLatin1(kFileName)));
}

void InvoiceTable::OpenFile(const QString &fileName)
{
    Close();
    const bool existed = QFileInfo::exists(fileName);
    auto p = std::make_unique<TPrivate>();
    p->FileName = fileName;
    try {
        p->Db = TSqliteDatabase(fileName,
            existed ? TSqliteDatabase::TOpenMode::ReadWrite
                    : TSqliteDatabase::TOpenMode::ReadWriteCreate);
        p->Db.SetBusyTimeout(kBusyTimeoutMs);
        p->Db.AddTextFunction("levanta_key", SqlSearchKey);
        // Each commit waits until the bytes are on the disk, so a stored invoice survives a
        // crash or power cut. A rollback journal keeps the store one file and works in a folder
        // that others may only read.
        p->Db.Exec("PRAGMA synchronous = FULL");
        if (!existed) {
            TSqliteTransaction txn(p->Db);
            p->Db.Exec(CreateTableSql());
            p->Db.Exec(kSearchSchemaSql);
            p->Db.Exec(kBlockSchemaSql);
            txn.Commit();
        } else {
            // This is where a file that is not a database fails; WAL files from other tools
            // are turned back to a rollback journal when we may.
            TSqliteStatement mode = p->Db.Prepare("PRAGMA journal_mode");
            if (mode.Step() && QString::fromUtf8(mode.ColumnUtf8(0)).toLower() == u"wal"_s) {
                mode.Reset();
                try {
                    p->Db.Exec("PRAGMA journal_mode = DELETE");
                } catch (const EStorageError &) {
                }
            }
        }
        p->CheckColumns();
        p->EnsureSearchKeys();
        p->PrepareCount();
        p->DataVersion = p->ReadDataVersion();
        p->RestartIds();
        p->EnsureBlocks(p->Total);
        p->Prepare();
        p->EnsureRows(1);
    } catch (...) {
        p.reset();
        // Never leave an empty file behind; one that holds anything is not ours to remove.
        if (!existed && QFileInfo::exists(fileName) && QFileInfo(fileName).size() == 0)
            QFile::remove(fileName);
        throw;
    }
    p->Current = p->Total > 0 ? 0 : -1;
    p->CurrentId = p->Total > 0 ? p->Ids.front() : 0;
    d = std::move(p);
    emit TableReset();
    emit CurrentChanged(d->Current);
    LoadIdsWhenIdle();
}

void InvoiceTable::LoadIdsWhenIdle()
{
    if (!d || d->IdsComplete || !QCoreApplication::instance())
        return;
    QTimer::singleShot(0, this, [this] {
        if (!d || d->IdsComplete)
            return;
        try {
            d->LoadChunk(TPrivate::kIdleChunk);
        } catch (const EStorageError &) {
            // Locked by another handle: the next caller that needs the rows loads them.
            return;
        }
        LoadIdsWhenIdle();
    });
}

void InvoiceTable::Close()
{
    if (!d)
        return;
    d.reset();
    emit TableReset();
    emit CurrentChanged(-1);
}

bool InvoiceTable::Active() const
{
    return d != nullptr;
}

QString InvoiceTable::FileName() const
{
    return d ? d->FileName : QString();
}

void InvoiceTable::SetBusyTimeout(int milliseconds)
{
    RequireOpen();
    d->Db.SetBusyTimeout(milliseconds);
}

void InvoiceTable::RequireOpen() const
{
    if (!d)
        FailWith(u"The invoice table is not open."_s);
}

int InvoiceTable::RecordCount()
{
    Refresh();
    return RowCount();
}

int InvoiceTable::RowCount() const
{
    return d ? d->Total : 0;
}

void InvoiceTable::Refresh()
{
    RequireOpen();
    if (d->ReadDataVersion() != d->DataVersion)
        Reload();
}

void InvoiceTable::Reload()
{
    const std::int32_t current = CurrentRecId();
    const std::int64_t version = d->ReadDataVersion();
    d->RestartIds(); // throws before it changes anything
    d->DataVersion = version;
    try {
        if (d->KeysUsable || d->HasObject("fatura_ara"))
            d->EnsureSearchKeys();
        d->EnsureBlocks(d->Total);
        // The current record stays current; when it has gone, the next one takes its place.
        int row = -1;
        std::int32_t id = 0;
        if (d->Total > 0) {
            row = std::min(d->Rank(current), d->Total - 1);
            id = d->IdAt(row);
        }
        d->Current = id != 0 ? row : -1;
        d->CurrentId = id;
    } catch (...) {
        emit TableReset();
        emit CurrentChanged(-1);
        throw;
    }
    emit TableReset();
    emit CurrentChanged(d->Current);
    LoadIdsWhenIdle();
}

// Our own commits do not change data_version; a change seen right after one means that
// another handle committed too, so the whole list is read again.
static bool OthersCommitted(std::int64_t before, std::int64_t now)
{
    return before != now;
}

std::int32_t InvoiceTable::Append(const TInvoiceRecord &record)
{
    RequireOpen();
    const TInvoiceRecord r = CutToWidths(record);
    std::int64_t id = 0;
    {
        TSqliteTransaction txn(d->Db);
        {
            TSqliteResetGuard guard(d->InsertStmt);
            BindRecord(d->InsertStmt, r, 1);
            d->InsertStmt.Run();
        }
        id = d->Db.LastInsertRowId();
        if (id > std::numeric_limits<std::int32_t>::max())
            FailWith(u"REC_ID %1 is out of range"_s.arg(id));
        d->WriteKeys(id, r);
        txn.Commit();
    }
    const auto recId = static_cast<std::int32_t>(id);
    // A new REC_ID lies above every REC_ID there is or was, so the invoice is the last row
    // and nothing needs reading. Anything else means another handle is at work.
    const bool last = d->Ids.empty() || d->Ids.back() < recId;
    if (OthersCommitted(d->DataVersion, d->ReadDataVersion()) || !last) {
        Reload();
        const int row = d->RowOf(recId);
        SetCurrent(row, row >= 0 ? recId : 0);
        return recId;
    }
    const int row = d->Total;
    if (d->IdsComplete)
        d->Ids.push_back(recId);
    ++d->Total;
    emit RowInserted(row);
    SetCurrent(row, recId);
    return recId;
}

void InvoiceTable::AppendWithIds(const std::vector<TInvoiceRecord> &records)
{
    RequireOpen();
    {
        TSqliteTransaction txn(d->Db);
        TSqliteStatement insert
            = d->Db.Prepare("INSERT INTO fatura (REC_ID, " + ColumnList() + ") VALUES (?1" +
                [] {
                    std::string params;
                    for (size_t i = 0; i < RecordColumns().size(); ++i)
                        params += ", ?" + std::to_string(i + 2);
                    return params;
                }()
                + ")");
        for (const TInvoiceRecord &record : records) {
            if (record.REC_ID <= 0)
                FailWith(u"REC_ID %1 is out of range"_s.arg(record.REC_ID));
            const TInvoiceRecord r = CutToWidths(record);
            TSqliteResetGuard guard(insert);
            insert.BindInt(1, r.REC_ID);
            BindRecord(insert, r, 2);
            insert.Run();
            d->WriteKeys(r.REC_ID, r);
        }
        txn.Commit();
    }
    Reload();
}

bool InvoiceTable::Update(std::int32_t recId, const TInvoiceRecord &record)
{
    RequireOpen();
    const TInvoiceRecord r = CutToWidths(record);
    // Its row is known before the commit, so nothing after it can fail.
    int row = d->RowOf(recId);
    bool existed = false;
    {
        TSqliteTransaction txn(d->Db);
        {
            TSqliteResetGuard guard(d->UpdateStmt);
            BindRecord(d->UpdateStmt, r, 1);
            d->UpdateStmt.BindInt(static_cast<int>(RecordColumns().size()) + 1, recId);
            d->UpdateStmt.Run();
        }
        existed = d->Db.Changes() > 0;
        if (existed)
            d->WriteKeys(recId, r);
        txn.Commit();
    }
    if (OthersCommitted(d->DataVersion, d->ReadDataVersion()) || (!existed && row >= 0)) {
        Reload();
        row = d->RowOf(recId);
    }
    if (!existed)
        return false;
    emit RowUpdated(row);
    SetCurrent(row, row >= 0 ? recId : 0);
    return true;
}

TInvoiceRecord InvoiceTable::Read()
{
    RequireOpen();
    if (d->Current < 0)
        FailWith(u"There is no current invoice."_s);
    std::optional<TInvoiceRecord> r = ReadRecord(d->CurrentId);
    if (!r) {
        Reload();
        FailWith(u"The invoice has been deleted meanwhile."_s);
    }
    return *r;
}

std::optional<TInvoiceRecord> InvoiceTable::ReadRecord(std::int32_t recId)
{
    RequireOpen();
    TSqliteResetGuard guard(d->SelectStmt);
    d->SelectStmt.BindInt(1, recId);
    if (!d->SelectStmt.Step())
        return std::nullopt;
    return RecordFrom(d->SelectStmt);
}

void InvoiceTable::Delete()
{
    RequireOpen();
    if (d->Current < 0)
        return;
    // The record that takes its place must be known before the delete, so nothing after the
    // commit fails.
    const int row = d->Current;
    const bool wasLast = row == d->Total - 1;
    const std::int32_t successor = d->Total > 1 ? d->IdAt(wasLast ? row - 1 : row + 1) : 0;
    // Deleted by REC_ID: if another handle changed the rows meanwhile, it is still the
    // record that the user saw highlighted that goes, and no other.
    const std::int32_t recId = d->CurrentId;
    {
        TSqliteTransaction txn(d->Db);
        TSqliteResetGuard guard(d->DeleteStmt);
        d->DeleteStmt.BindInt(1, recId);
        d->DeleteStmt.Run();
        txn.Commit();
    }
    if (OthersCommitted(d->DataVersion, d->ReadDataVersion()) || (d->Total > 1 && successor == 0)) {
        Reload();
        return;
    }
    if (static_cast<size_t>(row) < d->Ids.size())
        d->Ids.erase(d->Ids.begin() + row);
    --d->Total;
    d->Current = d->Total == 0 ? -1 : (wasLast ? row - 1 : row);
    d->CurrentId = successor;
    emit RowRemoved(row);
    emit CurrentChanged(d->Current);
}

void InvoiceTable::SetCurrentRow(int row)
{
    const std::int32_t id = row >= 0 ? d->IdAt(row) : 0;
    SetCurrent(id != 0 ? row : -1, id);
}

void InvoiceTable::SetCurrent(int row, std::int32_t recId)
{
    if (row < 0)
        recId = 0;
    const bool moved = row != d->Current;
    d->Current = row;
    d->CurrentId = recId;
    if (moved)
        emit CurrentChanged(row);
}

void InvoiceTable::First()
{
    Refresh();
    SetCurrentRow(d->Total > 0 ? 0 : -1);
}

void InvoiceTable::Last()
{
    Refresh();
    SetCurrentRow(d->Total - 1);
}

void InvoiceTable::Next()
{
    MoveBy(1);
}

void InvoiceTable::Prior()
{
    MoveBy(-1);
}

void InvoiceTable::MoveBy(int distance)
{
    RequireOpen();
    if (d->Total == 0)
        return;
    const long long target = static_cast<long long>(d->Current) + distance;
    SetCurrentRow(static_cast<int>(std::clamp<long long>(target, 0, d->Total - 1LL)));
}

bool InvoiceTable::Bof() const
{
    return !d || d->Current <= 0;
}

bool InvoiceTable::Eof() const
{
    return !d || d->Current < 0 || d->Current == d->Total - 1;
}

bool InvoiceTable::MoveTo(std::int32_t recId)
{
    RequireOpen();
    const int row = d->RowOf(recId);
    if (row < 0)
        return false;
    SetCurrent(row, recId);
    return true;
}

bool InvoiceTable::MoveToRow(int row)
{
    RequireOpen();
    if (row < 0 || row >= d->Total)
        return false;
    SetCurrentRow(row);
    return d->Current == row;
}

std::int32_t InvoiceTable::CurrentRecId() const
{
    return d && d->Current >= 0 ? d->CurrentId : 0;
}

int InvoiceTable::CurrentRow() const
{
    return d ? d->Current : -1;
}

bool InvoiceTable::Locate(TLocateField field, const QString &prefix)
{
    Refresh();
    if (d->Total == 0)
        return false;
    const QByteArray key = SearchKeyOf(prefix);
    if (key.isEmpty()) {
        SetCurrentRow(0);
        return true;
    }
    const std::int32_t found
        = d->KeysUsable ? d->LocateByKey(field, key) : d->LocateByScan(field, key);
    if (found == 0)
        return false;
    int row = d->RowOf(found);
    if (row < 0) {
        Reload(); // committed by another handle between our check and the search
        row = d->RowOf(found);
        if (row < 0)
            return false;
    }
    SetCurrent(row, found);
    return true;
}

std::vector<TInvoiceListRow> InvoiceTable::ReadListRows(int firstRow, int count)
{
    std::vector<TInvoiceListRow> rows;
    if (!d)
        return rows;
    firstRow = std::max(firstRow, 0);
    const int wanted = std::min(d->Total, firstRow + std::max(count, 0)); // exclusive
    if (firstRow >= wanted)
        return rows;
    if (!d->IdsComplete && static_cast<size_t>(wanted) > d->Ids.size() && d->BlocksUsable) {
        // Beyond the REC_IDs read so far: straight from the store, from the first row's on.
        const std::int32_t from = d->IdAt(firstRow);
        if (from == 0)
            return rows;
        TSqliteStatement &st = d->RowsFromStmt;
        TSqliteResetGuard guard(st);
        st.BindInt(1, from);
        st.BindInt(2, wanted - firstRow);
        while (st.Step())
            rows.push_back(TInvoiceListRow { static_cast<std::int32_t>(st.ColumnInt(0)),
                st.ColumnText(1), st.ColumnText(2), st.ColumnText(3), st.ColumnText(4) });
        return rows;
    }
    d->EnsureRows(static_cast<size_t>(wanted));
    const int last = std::min(wanted, static_cast<int>(d->Ids.size()));
    if (firstRow >= last)
        return rows;
    rows.reserve(static_cast<size_t>(last - firstRow));
    for (int i = firstRow; i < last; ++i)
        rows.push_back(TInvoiceListRow { d->Ids[static_cast<size_t>(i)], {}, {}, {}, {} });
    TSqliteStatement &st = d->ListStmt;
    TSqliteResetGuard guard(st);
    st.BindInt(1, rows.front().REC_ID);
    st.BindInt(2, rows.back().REC_ID);
    // Both sides ascend by REC_ID; rows another handle added in the range are skipped.
    size_t i = 0;
    while (i < rows.size() && st.Step()) {
        const auto id = static_cast<std::int32_t>(st.ColumnInt(0));
        while (i < rows.size() && rows[i].REC_ID < id)
            ++i;
        if (i < rows.size() && rows[i].REC_ID == id) {
            rows[i].TARIH = st.ColumnText(1);
            rows[i].SAYIN1 = st.ColumnText(2);
            rows[i].VDAIRESI = st.ColumnText(3);
            rows[i].VNO = st.ColumnText(4);
            ++i;
        }
    }
    return rows;
}

std::int32_t InvoiceTable::RecIdAt(int row) const
{
    if (!d || row < 0 || row >= d->Total)
        return 0;
    return d->IdAt(row);
}

int InvoiceTable::RowOf(std::int32_t recId) const
{
    return d ? d->RowOf(recId) : -1;
}

int InvoiceTable::ReadRecIdCount() const
{
    return d ? static_cast<int>(d->Ids.size()) : 0;
}

std::size_t InvoiceTable::HeldBytes() const
{
    return d ? d->HeldBytes() : 0;
}

TInvoiceRecord InvoiceTable::CutToWidths(const TInvoiceRecord &record)
{
    TInvoiceRecord r = record;
    r.TARIH = CutToCodePoints(r.TARIH, kWidthTARIH);
    for (QString *s : { &r.SAYIN1, &r.SAYIN2, &r.SAYIN3 })
        *s = CutToCodePoints(*s, kWidthSAYIN);
    r.VDAIRESI = CutToCodePoints(r.VDAIRESI, kWidthVDAIRESI);
    r.VNO = CutToCodePoints(r.VNO, kWidthVNO);
    for (QString &s : r.C)
        s = CutToCodePoints(s, kWidthC);
    r.YANLIZ = CutToCodePoints(r.YANLIZ, kWidthYANLIZ);
    for (QString &s : r.B)
        s = CutToCodePoints(s, kWidthB);
    return r;
}
