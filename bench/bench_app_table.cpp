// The invoice table at a million invoices: open and first rows of the find list, locate,
// delete, list memory and random scrolling, each beside a naive way of doing the same
// (every row read, folded in C++, or counted through an OFFSET). Then the open, first rows
// and locate again with the same million invoices on a private local PostgreSQL server.
//
// The table is built once into <temp>/levanta_bench_table and reused; delete the folder
// to build it again. The server's cluster is kept likewise in <temp>/levanta_bench_pg. Each run
// deletes a few dozen invoices from its middle.

#include "app/frm_fatura_bul.h"
#include "invoice/InvoiceListModel.h"
#include "invoice/InvoiceTable.h"
#include "invoice/PgInvoiceStore.h"
#include "invoice/SearchKey.h"
#include "platform/Sqlite.h"
#include "platform/widgets/QtDialogs.h"
#include "tests/support/PostgresServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kInvoices = 1000000;
constexpr int kUniqueNearEndRow = 999000; // the one "Zümrüt Kuyumculuk"
constexpr int kManyNearEndFrom = 990000; // every 20th from here is "Zeytin Dalı ..."

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

std::string Fixed(double v, int decimals = 3)
{
    char buffer[64];
    // std::to_chars keeps the point a point under any process locale.
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

void Report(const char *figure, double value, const char *unit, double baseline)
{
    const std::string line = std::string(figure) + ": " + Fixed(value) + " " + unit + " (baseline "
        + Fixed(baseline) + ", ratio " + Fixed(baseline > 0 ? value / baseline : 0, 5) + ")\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

constexpr double kMb = 1024.0 * 1024.0;

// What a list of every row holds, counted as the find list counts its own pages.
double BytesOf(const std::vector<TInvoiceListRow> &rows)
{
    double bytes = static_cast<double>((rows.capacity() - rows.size()) * sizeof(TInvoiceListRow));
    for (const TInvoiceListRow &row : rows)
        bytes += static_cast<double>(InvoiceListModel::HeldBytes(row));
    return bytes;
}

QString Folder()
{
    return QDir(QDir::tempPath()).filePath(u"levanta_bench_table"_s);
}

// ---- Building the table: raw SQL, no journal, no sync, indexes made afterwards ----

TInvoiceRecord Synthetic(int row, std::mt19937 &rng)
{
    static const std::vector<QString> firms { u"Akın"_s, u"Anadolu"_s, u"Bereket"_s, u"Çelik"_s,
        u"Demir"_s, u"Ege"_s, u"Güneş"_s, u"Işık"_s, u"İnci"_s, u"Kaya"_s, u"Marmara"_s, u"Öz"_s,
        u"Yıldız"_s, u"Toros"_s, u"Uğur"_s, u"Doğan"_s, u"Ekin"_s, u"Fırat"_s, u"Gökçe"_s,
        u"Hilal"_s, u"Kartal"_s, u"Lale"_s, u"Nur"_s, u"Pınar"_s, u"Rüzgar"_s, u"Sönmez"_s,
        u"Tuna"_s, u"Umut"_s, u"Vatan"_s, u"Yavuz"_s };
    static const std::vector<QString> kinds { u"Ltd. Şti."_s, u"A.Ş."_s, u"Ticaret"_s, u"İnşaat"_s,
        u"Gıda"_s };
    static const std::vector<QString> offices { u"Kadıköy"_s, u"Beşiktaş"_s, u"Üsküdar"_s,
        u"Çankaya"_s, u"Konak"_s, u"Nilüfer"_s, u"Seyhan"_s, u"Muratpaşa"_s };
    TInvoiceRecord r;
    r.TARIH = u"%1.%2.20%3"_s.arg(static_cast<int>(rng() % 28 + 1), 2, 10, QChar(u'0'))
                  .arg(static_cast<int>(rng() % 12 + 1), 2, 10, QChar(u'0'))
                  .arg(static_cast<int>(rng() % 10 + 16));
    if (row == kUniqueNearEndRow)
        r.SAYIN1 = u"Zümrüt Kuyumculuk"_s;
    else if (row >= kManyNearEndFrom && row % 20 == 0)
        r.SAYIN1 = u"Zeytin Dalı Gıda %1"_s.arg(row);
    else
        r.SAYIN1 = firms[rng() % firms.size()] + u' ' + kinds[rng() % kinds.size()] + u' '
            + QString::number(static_cast<int>(rng() % 100000));
    r.SAYIN2 = u"Cumhuriyet Cad. No: %1"_s.arg(static_cast<int>(rng() % 300));
    r.SAYIN3 = offices[rng() % offices.size()] + u" / İSTANBUL"_s;
    r.VDAIRESI = offices[rng() % offices.size()];
    r.VNO = QString::number(1000000000ULL + rng() % 900000000ULL);
    const int lines = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < lines; ++k) {
        r.M[k] = 1 + rng() % 20;
        r.B[k] = u"ADET"_s;
        r.C[k] = u"Ürün %1"_s.arg(static_cast<int>(rng() % 5000));
        r.F[k] = (rng() % 100000) / 100.0;
        r.T[k] = r.M[k] * r.F[k];
        r.YEKUN += r.T[k];
    }
    r.KDV = r.YEKUN * 0.18;
    r.TOPLAM = r.YEKUN + r.KDV;
    r.YANLIZ = u"Yalnız bin iki yüz otuz dört TL elli altı Kr."_s;
    return r;
}

void BuildTable()
{
    const QString folder = Folder();
    QDir().mkpath(folder);
    {
        InvoiceTable t;
        t.Open(folder);
        if (t.RecordCount() >= kInvoices - 1000)
            return;
    }
    std::fputs("building the table of a million invoices (once)...\n", stdout);
    std::fflush(stdout);
    const auto start = TClock::now();
    QFile::remove(QDir(folder).filePath(u"fatura.DB"_s));
    {
        InvoiceTable t;
        t.Open(folder);
    } // the schema as the program makes it
    {
        TSqliteDatabase db(
            QDir(folder).filePath(u"fatura.DB"_s), TSqliteDatabase::TOpenMode::ReadWrite);
        db.Exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;"
                " PRAGMA cache_size = -200000");
        // The program recreates these on its next open; without them the load is fast.
        db.Exec("DROP TRIGGER fatura_ara_ekle; DROP TRIGGER fatura_blok_ekle;"
                " DROP INDEX fatura_ara_TARIH;"
                " DROP INDEX fatura_ara_SAYIN1; DROP INDEX fatura_ara_VDAIRESI;"
                " DROP INDEX fatura_ara_VNO; DROP INDEX fatura_sira");
        std::string columns, params;
        int i = 1;
        for (const char *c : { "TARIH", "SAYIN1", "SAYIN2", "SAYIN3", "VDAIRESI", "VNO" }) {
            columns += std::string(i > 1 ? ", " : "") + c;
            params += (i > 1 ? ", ?" : "?") + std::to_string(i);
            ++i;
        }
        for (const char *stem : { "M", "C", "F", "T" })
            for (int k = 1; k <= 8; ++k) {
                columns += std::string(", ") + stem + std::to_string(k);
                params += ", ?" + std::to_string(i++);
            }
        for (const char *c : { "YEKUN", "KDV", "TOPLAM", "YANLIZ" }) {
            columns += std::string(", ") + c;
            params += ", ?" + std::to_string(i++);
        }
        for (int k = 1; k <= 8; ++k) {
            columns += ", B" + std::to_string(k);
            params += ", ?" + std::to_string(i++);
        }
        TSqliteStatement insert = db.Prepare("INSERT INTO fatura (REC_ID, " + columns
            + ") VALUES (?" + std::to_string(i) + ", " + params + ")");
        TSqliteStatement keys = db.Prepare("INSERT INTO fatura_ara VALUES (?1, ?2, ?3, ?4, ?5)");
        std::mt19937 rng(20260101);
        db.Exec("BEGIN");
        for (int row = 0; row < kInvoices; ++row) {
            const TInvoiceRecord r = Synthetic(row, rng);
            int p = 1;
            for (const QString *s :
                { &r.TARIH, &r.SAYIN1, &r.SAYIN2, &r.SAYIN3, &r.VDAIRESI, &r.VNO })
                insert.BindText(p++, *s);
            for (double v : r.M)
                insert.BindDouble(p++, v);
            for (const QString &s : r.C)
                insert.BindText(p++, s);
            for (double v : r.F)
                insert.BindDouble(p++, v);
            for (double v : r.T)
                insert.BindDouble(p++, v);
            for (double v : { r.YEKUN, r.KDV, r.TOPLAM })
                insert.BindDouble(p++, v);
            insert.BindText(p++, r.YANLIZ);
            for (const QString &s : r.B)
                insert.BindText(p++, s);
            insert.BindInt(p, row + 1);
            insert.Run();
            keys.BindInt(1, row + 1);
            const QByteArray k1 = SearchKeyOf(r.TARIH), k2 = SearchKeyOf(r.SAYIN1),
                             k3 = SearchKeyOf(r.VDAIRESI), k4 = SearchKeyOf(r.VNO);
            keys.BindText(2, std::string_view(k1.constData(), k1.size()));
            keys.BindText(3, std::string_view(k2.constData(), k2.size()));
            keys.BindText(4, std::string_view(k3.constData(), k3.size()));
            keys.BindText(5, std::string_view(k4.constData(), k4.size()));
            keys.Run();
        }
        db.Exec("UPDATE sqlite_sequence SET seq = (SELECT max(REC_ID) FROM fatura)"
                " WHERE name = 'fatura'");
        db.Exec("COMMIT");
    }
    {
        InvoiceTable t;
        t.Open(folder);
    } // indexes and triggers back
    std::fputs(("built in " + Fixed(MsSince(start) / 1000, 1) + " s\n").c_str(), stdout);
}

// ---- Naive baselines ----

std::int32_t NaiveLocate(TSqliteDatabase &db, const QString &prefix)
{
    const QByteArray key = SearchKeyOf(prefix);
    TSqliteStatement st = db.Prepare("SELECT REC_ID, SAYIN1 FROM fatura ORDER BY REC_ID");
    while (st.Step())
        if (SearchKeyOf(st.ColumnText(1)).startsWith(key))
            return static_cast<std::int32_t>(st.ColumnInt(0));
    return 0;
}

std::vector<TInvoiceListRow> NaiveLoadAll(TSqliteDatabase &db)
{
    std::vector<TInvoiceListRow> rows;
    TSqliteStatement st
        = db.Prepare("SELECT REC_ID, TARIH, SAYIN1, VDAIRESI, VNO FROM fatura ORDER BY REC_ID");
    while (st.Step())
        rows.push_back({ static_cast<std::int32_t>(st.ColumnInt(0)), st.ColumnText(1),
            st.ColumnText(2), st.ColumnText(3), st.ColumnText(4) });
    return rows;
}

TSqliteDatabase NaiveDb()
{
    return TSqliteDatabase(
        QDir(Folder()).filePath(u"fatura.DB"_s), TSqliteDatabase::TOpenMode::ReadWrite);
}

// ---- Figures ----

void BM_OpenAndFirstRows(benchmark::State &state)
{
    BuildTable();
    double ours = 0;
    for (auto _ : state) {
        std::vector<double> runs;
        for (int i = 0; i < 5; ++i) {
            const auto start = TClock::now();
            InvoiceTable table;
            table.Open(Folder());
            InvoiceListModel model(&table);
            for (int row = 0; row < 20; ++row)
                for (int c = 0; c < 4; ++c)
                    benchmark::DoNotOptimize(model.data(model.index(row, c)));
            runs.push_back(MsSince(start));
        }
        ours = Median(runs);
    }
    const auto start = TClock::now();
    TSqliteDatabase db = NaiveDb();
    benchmark::DoNotOptimize(NaiveLoadAll(db));
    const double naive = MsSince(start);
    state.counters["ms"] = ours;
    state.counters["baseline_ms"] = naive;
    Report("open + first 20 rows of the list", ours, "ms", naive);
}

void BM_Locate(benchmark::State &state)
{
    BuildTable();
    struct Probe {
        const char *figure;
        QString prefix;
    };
    const std::vector<Probe> probes {
        { "locate, one match near the end", u"zümrüt k"_s },
        { "locate, 500 matches, first near the end", u"zey"_s },
        { "locate, no match", u"qqq"_s },
        { "locate, short prefix with many matches", u"a"_s },
        { "locate, Turkish i letters", u"IŞIK"_s },
    };
    // Right after the open, before the idle loop has read a REC_ID beyond the first chunk:
    // the search, and the list's landing on its match (the rows a find list of 19 visible
    // rows then shows), must not wait for the REC_IDs in front of the match.
    std::vector<double> coldNearEnd, coldAll;
    std::vector<std::int32_t> coldFound(probes.size());
    for (int open = 0; open < 5; ++open) {
        for (size_t p = 0; p < probes.size(); ++p) {
            InvoiceTable fresh;
            fresh.Open(Folder());
            InvoiceListModel model(&fresh);
            const auto start = TClock::now();
            fresh.Locate(TLocateField::SAYIN1, probes[p].prefix);
            const int top = std::max(0, model.CurrentRow() - 9);
            for (int row = top; row < std::min(top + 19, model.rowCount()); ++row)
                for (int c = 0; c < InvoiceListModel::kColumnCount; ++c)
                    benchmark::DoNotOptimize(model.data(model.index(row, c)));
            const double ms = MsSince(start);
            if (fresh.ReadRecIdCount() > fresh.CurrentRow() && fresh.CurrentRow() > 70000)
                std::fputs("  the search waited for the REC_IDs in front of its match!\n", stdout);
            coldFound[p] = fresh.CurrentRow() > 0 || p == 3 ? fresh.CurrentRecId() : 0;
            coldAll.push_back(ms);
            if (p == 0)
                coldNearEnd.push_back(ms);
        }
    }
    InvoiceTable table;
    table.Open(Folder());
    // A user types for a while before searching: the event loop is idle meanwhile.
    const auto idle = TClock::now();
    while (MsSince(idle) < 1500)
        QCoreApplication::processEvents();
    TSqliteDatabase db = NaiveDb();
    double naiveNearEnd = 0;
    for (auto _ : state) {
        for (size_t probe = 0; probe < probes.size(); ++probe) {
            const Probe &p = probes[probe];
            std::vector<double> runs;
            std::int32_t found = 0;
            for (int i = 0; i < 41; ++i) {
                table.MoveToRow(0);
                const auto start = TClock::now();
                table.Locate(TLocateField::SAYIN1, p.prefix);
                runs.push_back(MsSince(start));
                found = table.CurrentRow() > 0 || p.prefix == u"a"_s ? table.CurrentRecId() : 0;
            }
            std::vector<double> naive;
            std::int32_t naiveFound = 0;
            for (int i = 0; i < 2; ++i) {
                const auto start = TClock::now();
                naiveFound = NaiveLocate(db, p.prefix);
                naive.push_back(MsSince(start));
            }
            if (found != naiveFound || coldFound[probe] != naiveFound)
                std::fputs("  MISMATCH with the naive search!\n", stdout);
            const double worst = *std::max_element(runs.begin(), runs.end());
            if (naiveNearEnd == 0)
                naiveNearEnd = Median(naive);
            Report(
                (std::string(p.figure) + " (median)").c_str(), Median(runs), "ms", Median(naive));
            Report((std::string(p.figure) + " (worst)").c_str(), worst, "ms", Median(naive));
            state.counters[p.figure] = Median(runs);
        }
    }
    Report("locate near the end at once after open, list landed (median of 5 opens)",
        Median(coldNearEnd), "ms", naiveNearEnd);
    Report("locate near the end at once after open, list landed (worst of 5 opens)",
        *std::max_element(coldNearEnd.begin(), coldNearEnd.end()), "ms", naiveNearEnd);
    Report("locate at once after open, list landed, every search above (worst of 25)",
        *std::max_element(coldAll.begin(), coldAll.end()), "ms", naiveNearEnd);
}

// The find dialog as the user meets it: BUL at once after start, then a name typed one
// letter at a time into S2. Each keystroke: the search, the list landing on the match and
// painting its visible rows.
void BM_FindDialogTyping(benchmark::State &state)
{
    BuildTable();
    const QString typed = u"Zümrüt K"_s;
    std::vector<double> first, every;
    for (auto _ : state) {
        for (int open = 0; open < 5; ++open) {
            InvoiceTable table;
            table.Open(Folder());
            TQtDialogs dialogs;
            Tfatura_bul dialog(dialogs);
            dialog.SetTable(&table);
            dialog.show();
            QCoreApplication::processEvents();
            for (qsizetype n = 1; n <= typed.size(); ++n) {
                const auto start = TClock::now();
                dialog.S[1]->setText(typed.left(n));
                dialog.DBGrid1->viewport()->repaint();
                const double ms = MsSince(start);
                every.push_back(ms);
                if (n == 1)
                    first.push_back(ms);
            }
            if (table.Read().SAYIN1 != u"Zümrüt Kuyumculuk"_s)
                std::fputs("  the dialog did not land on the match!\n", stdout);
            dialog.hide();
        }
    }
    TSqliteDatabase db = NaiveDb();
    const auto start = TClock::now();
    benchmark::DoNotOptimize(NaiveLocate(db, typed));
    const double naive = MsSince(start);
    Report("find dialog at once after open, first keystroke landed and painted (worst of 5)",
        *std::max_element(first.begin(), first.end()), "ms", naive);
    Report("find dialog at once after open, every keystroke of a name (median)", Median(every),
        "ms", naive);
    Report("find dialog at once after open, every keystroke of a name (worst)",
        *std::max_element(every.begin(), every.end()), "ms", naive);
}

void BM_Delete(benchmark::State &state)
{
    BuildTable();
    InvoiceTable table;
    table.Open(Folder());
    std::vector<double> runs;
    for (auto _ : state) {
        for (int i = 0; i < 21; ++i) {
            table.MoveToRow(table.RowCount() / 2 + i * 7);
            const auto start = TClock::now();
            table.Delete();
            runs.push_back(MsSince(start));
        }
    }
    // The naive cursor: delete, then count its way back to a row number by reading every
    // REC_ID again.
    std::vector<double> naive;
    TSqliteDatabase db = NaiveDb();
    db.Exec("PRAGMA synchronous = FULL");
    for (int i = 0; i < 3; ++i) {
        const std::int32_t id = table.RecIdAt(table.RowCount() / 2 + 500 + i);
        const auto start = TClock::now();
        TSqliteStatement del = db.Prepare("DELETE FROM fatura WHERE REC_ID = ?1");
        del.BindInt(1, id);
        del.Run();
        TSqliteStatement all = db.Prepare("SELECT REC_ID FROM fatura NOT INDEXED");
        std::vector<std::int32_t> ids;
        while (all.Step())
            ids.push_back(static_cast<std::int32_t>(all.ColumnInt(0)));
        benchmark::DoNotOptimize(ids);
        naive.push_back(MsSince(start));
    }
    // How much of a delete is the disk's flush: the same work without waiting for it.
    std::vector<double> unsynced;
    {
        TSqliteDatabase raw = NaiveDb();
        raw.Exec("PRAGMA synchronous = OFF");
        for (int i = 0; i < 11; ++i) {
            const std::int32_t id = table.RecIdAt(table.RowCount() / 2 + 900 + i);
            const auto start = TClock::now();
            TSqliteTransaction txn(raw);
            TSqliteStatement del = raw.Prepare("DELETE FROM fatura WHERE REC_ID = ?1");
            del.BindInt(1, id);
            del.Run();
            txn.Commit();
            unsynced.push_back(MsSince(start));
        }
    }
    state.counters["ms"] = Median(runs);
    Report("delete (median, synchronous=FULL)", Median(runs), "ms", Median(naive));
    Report("delete (worst, synchronous=FULL)", *std::max_element(runs.begin(), runs.end()), "ms",
        Median(naive));
    Report("delete without the flush to disk (median)", Median(unsynced), "ms", Median(naive));
}

void BM_ListMemoryAndScroll(benchmark::State &state)
{
    BuildTable();
    std::fputs("list memory: the list's own bytes, counted row by row (its cached pages with"
               " their texts, and the table's REC_IDs); baseline: every row in memory, counted"
               " the same way\n",
        stdout);
    for (auto _ : state) {
        double ours = 0, scroll = 0;
        {
            InvoiceTable table;
            table.Open(Folder());
            InvoiceListModel model(&table);
            std::mt19937 rng(7);
            std::vector<double> runs;
            for (int jump = 0; jump < 2000; ++jump) {
                const int top = static_cast<int>(rng() % (model.rowCount() - 20));
                const auto start = TClock::now();
                for (int row = top; row < top + 20; ++row)
                    for (int c = 0; c < 4; ++c)
                        benchmark::DoNotOptimize(model.data(model.index(row, c)));
                runs.push_back(MsSince(start));
            }
            // By now the idle loop would have read every REC_ID: the most the list holds.
            while (table.ReadRecIdCount() < table.RowCount())
                QCoreApplication::processEvents();
            ours = static_cast<double>(model.HeldBytes()) / kMb;
            scroll = Median(runs);
        }
        // Naive: every row held in memory; scrolling by OFFSET.
        double naiveMemory = 0, naiveScroll = 0;
        {
            TSqliteDatabase db = NaiveDb();
            const std::vector<TInvoiceListRow> all = NaiveLoadAll(db);
            naiveMemory = BytesOf(all) / kMb;
            std::mt19937 rng(7);
            std::vector<double> runs;
            TSqliteStatement page = db.Prepare("SELECT REC_ID, TARIH, SAYIN1, VDAIRESI, VNO"
                                               " FROM fatura ORDER BY REC_ID LIMIT 20 OFFSET ?1");
            for (int jump = 0; jump < 5; ++jump) {
                page.BindInt(1, rng() % (all.size() - 20));
                const auto start = TClock::now();
                while (page.Step())
                    benchmark::DoNotOptimize(page.ColumnText(2));
                page.Reset();
                runs.push_back(MsSince(start));
            }
            naiveScroll = Median(runs);
        }
        state.counters["memory_mb"] = ours;
        Report("list memory after 2000 random jumps", ours, "MB", naiveMemory);
        Report("scroll: 20 rows at a random position (median)", scroll, "ms", naiveScroll);
    }
}

void BM_RowOfRecId(benchmark::State &state)
{
    BuildTable();
    InvoiceTable table;
    table.Open(Folder());
    TSqliteDatabase db = NaiveDb();
    const std::int32_t id = table.RecIdAt(table.RowCount() - 10);
    double ours = 0;
    for (auto _ : state) {
        const auto start = TClock::now();
        for (int i = 0; i < 1000; ++i)
            benchmark::DoNotOptimize(table.RowOf(id));
        ours = MsSince(start) / 1000;
    }
    const auto start = TClock::now();
    TSqliteStatement count = db.Prepare("SELECT count(*) FROM fatura WHERE REC_ID < ?1");
    count.BindInt(1, id);
    count.Step();
    const double naive = MsSince(start);
    Report("row number of a REC_ID near the end", ours, "ms", naive);

    // Reading every REC_ID, as the idle loop does in small chunks for scrolling.
    std::vector<double> runs, naiveRuns;
    for (int i = 0; i < 5; ++i) {
        InvoiceTable fresh;
        fresh.Open(Folder());
        const auto start = TClock::now();
        while (fresh.ReadRecIdCount() < fresh.RowCount())
            QCoreApplication::processEvents();
        runs.push_back(MsSince(start));
        const auto naiveStart = TClock::now();
        TSqliteStatement all = db.Prepare("SELECT REC_ID FROM fatura NOT INDEXED ORDER BY REC_ID");
        std::vector<std::int32_t> ids;
        while (all.Step())
            ids.push_back(static_cast<std::int32_t>(all.ColumnInt(0)));
        naiveRuns.push_back(MsSince(naiveStart));
    }
    Report("every REC_ID read by the idle loop (median)", Median(runs), "ms", Median(naiveRuns));
}

// ---- The same table on a private PostgreSQL server ----

TPostgresServer &PgServer()
{
    static TPostgresServer server(QDir(QDir::tempPath()).filePath(u"levanta_bench_pg"_s));
    return server;
}

TPgSettings PgSettings()
{
    return PgServer().SettingsFor(u"levanta_bench"_s);
}

// The million invoices of the SQLite table (the same generator and seed), loaded with COPY.
bool BuildPgTable()
{
    if (!PgServer().Error().isEmpty()) {
        std::fputs(
            ("no PostgreSQL server: " + PgServer().Error().toStdString() + "\n").c_str(), stdout);
        return false;
    }
    try {
        TPgConnection probe(PgSettings());
    } catch (const EStorageError &) {
        PgServer().CreateDatabase(u"levanta_bench"_s);
    }
    PgInvoiceStore store(PgSettings());
    if (store.Count() >= kInvoices - 1000)
        return true;
    std::fputs("loading a million invoices into the server (once)...\n", stdout);
    std::fflush(stdout);
    const auto start = TClock::now();
    store.Connection().Exec("TRUNCATE fatura RESTART IDENTITY");
    std::mt19937 rng(20260101);
    std::vector<TInvoiceRecord> batch;
    for (int row = 0; row < kInvoices; ++row) {
        TInvoiceRecord r = InvoiceTable::CutToWidths(Synthetic(row, rng));
        r.REC_ID = row + 1;
        batch.push_back(std::move(r));
        if (batch.size() == 100000 || row + 1 == kInvoices) {
            store.InsertWithIds(batch);
            batch.clear();
        }
    }
    store.Connection().Exec("VACUUM ANALYZE fatura");
    store.Connection().Exec("VACUUM ANALYZE fatura_ara");
    std::fputs(("loaded in " + Fixed(MsSince(start) / 1000, 1) + " s\n").c_str(), stdout);
    return true;
}

std::unique_ptr<IInvoiceStore> PgStore()
{
    return std::make_unique<PgInvoiceStore>(PgSettings());
}

void BM_PgOpenAndFirstRows(benchmark::State &state)
{
    if (!BuildPgTable())
        return;
    double ours = 0;
    for (auto _ : state) {
        std::vector<double> runs;
        for (int i = 0; i < 9; ++i) {
            const auto start = TClock::now();
            InvoiceTable table;
            table.OpenStore(PgStore());
            InvoiceListModel model(&table);
            for (int row = 0; row < 20; ++row)
                for (int c = 0; c < 4; ++c)
                    benchmark::DoNotOptimize(model.data(model.index(row, c)));
            runs.push_back(MsSince(start));
        }
        ours = Median(runs);
    }
    // Every row of the list in one query, as a naive list would.
    const auto start = TClock::now();
    {
        TPgConnection naive(PgSettings());
        benchmark::DoNotOptimize(
            naive.Exec("SELECT REC_ID, TARIH, SAYIN1, VDAIRESI, VNO FROM fatura ORDER BY REC_ID")
                .Rows());
    }
    const double naive = MsSince(start);
    state.counters["ms"] = ours;
    Report("PostgreSQL: open + first 20 rows of the list (median of 9)", ours, "ms", naive);
}

void BM_PgLocate(benchmark::State &state)
{
    if (!BuildPgTable())
        return;
    struct Probe {
        const char *figure;
        QString prefix;
    };
    const std::vector<Probe> probes {
        { "PostgreSQL: locate, one match near the end", u"zümrüt k"_s },
        { "PostgreSQL: locate, 500 matches, first near the end", u"zey"_s },
        { "PostgreSQL: locate, no match", u"qqq"_s },
        { "PostgreSQL: locate, short prefix with many matches", u"a"_s },
        { "PostgreSQL: locate, Turkish i letters", u"IŞIK"_s },
    };
    // Right after an open, the search and the list landed on its match.
    std::vector<double> cold;
    for (int open = 0; open < 5; ++open) {
        InvoiceTable fresh;
        fresh.OpenStore(PgStore());
        InvoiceListModel model(&fresh);
        const auto start = TClock::now();
        fresh.Locate(TLocateField::SAYIN1, probes[0].prefix);
        const int top = std::max(0, model.CurrentRow() - 9);
        for (int row = top; row < std::min(top + 19, model.rowCount()); ++row)
            for (int c = 0; c < InvoiceListModel::kColumnCount; ++c)
                benchmark::DoNotOptimize(model.data(model.index(row, c)));
        cold.push_back(MsSince(start));
    }
    InvoiceTable table;
    table.OpenStore(PgStore());
    TPgConnection naiveDb(PgSettings());
    double naiveNearEnd = 0;
    for (auto _ : state) {
        for (const Probe &p : probes) {
            std::vector<double> runs;
            std::int32_t found = 0;
            for (int i = 0; i < 41; ++i) {
                table.MoveToRow(0);
                const auto start = TClock::now();
                table.Locate(TLocateField::SAYIN1, p.prefix);
                runs.push_back(MsSince(start));
                found = table.CurrentRow() > 0 || p.prefix == u"a"_s ? table.CurrentRecId() : 0;
            }
            // Naive: every name over the wire, folded here.
            const auto start = TClock::now();
            std::int32_t naiveFound = 0;
            {
                const TPgResult all
                    = naiveDb.Exec("SELECT REC_ID, SAYIN1 FROM fatura ORDER BY REC_ID");
                const QByteArray key = SearchKeyOf(p.prefix);
                for (int i = 0; i < all.Rows() && naiveFound == 0; ++i)
                    if (SearchKeyOf(all.Text(i, 1)).startsWith(key))
                        naiveFound = static_cast<std::int32_t>(all.Int(i, 0));
            }
            const double naive = MsSince(start);
            if (found != naiveFound)
                std::fputs("  MISMATCH with the naive search!\n", stdout);
            if (naiveNearEnd == 0)
                naiveNearEnd = naive;
            Report((std::string(p.figure) + " (median)").c_str(), Median(runs), "ms", naive);
            Report((std::string(p.figure) + " (worst)").c_str(),
                *std::max_element(runs.begin(), runs.end()), "ms", naive);
            state.counters[p.figure] = Median(runs);
        }
    }
    Report("PostgreSQL: locate near the end at once after open, list landed (median of 5)",
        Median(cold), "ms", naiveNearEnd);
}

} // namespace

BENCHMARK(BM_ListMemoryAndScroll)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndFirstRows)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Locate)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindDialogTyping)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowOfRecId)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Delete)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PgOpenAndFirstRows)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PgLocate)->Iterations(1)->Unit(benchmark::kMillisecond);
int main(int argc, char **argv)
{
    // The table reads its REC_IDs when the loop is idle; the find dialog needs widgets.
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
