#include "invoice/EArsivStore.h"
#include "invoice/EArsivStore_p.h"

#include "platform/Errors.h"

using namespace Qt::StringLiterals;

QString EArsivNumber(const QString &seri, int year, std::int64_t sequence)
{
    return seri + QString::number(year) + u"%1"_s.arg(sequence, 9, 10, QChar(u'0'));
}

namespace
{

// Texts only, so both stores hold the same bytes; dates and times as ISO text, which sorts
// as it should.
constexpr std::string_view kSchema = R"(
CREATE TABLE IF NOT EXISTS earsiv_satici (ID INTEGER PRIMARY KEY CHECK (ID = 1),
    UNVAN TEXT NOT NULL, VKN TEXT NOT NULL, TCKN TEXT NOT NULL, AD TEXT NOT NULL,
    SOYAD TEXT NOT NULL, VERGI_DAIRESI TEXT NOT NULL, ADRES TEXT NOT NULL, ILCE TEXT NOT NULL,
    IL TEXT NOT NULL, ULKE TEXT NOT NULL, TELEFON TEXT NOT NULL, EPOSTA TEXT NOT NULL,
    SERI TEXT NOT NULL, TUR TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS earsiv_fatura (REC_ID INTEGER PRIMARY KEY, SERI TEXT NOT NULL,
    YIL INTEGER NOT NULL, SIRA BIGINT NOT NULL, NUMARA TEXT NOT NULL UNIQUE,
    ETTN TEXT NOT NULL UNIQUE, ZAMAN TEXT NOT NULL, TARIH TEXT NOT NULL, ORAN INTEGER NOT NULL,
    OZET TEXT NOT NULL, UNIQUE (SERI, YIL, SIRA));
CREATE TABLE IF NOT EXISTS earsiv_alici (VERGI_NO TEXT PRIMARY KEY, AD TEXT NOT NULL,
    SOYAD TEXT NOT NULL, ILCE TEXT NOT NULL, IL TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS earsiv_birim (BIRIM TEXT PRIMARY KEY, KOD TEXT NOT NULL);
)";

} // namespace

// Beside kSchema, which they describe.
const std::vector<TEArsivColumn> &EArsivColumns()
{
    static const std::vector<TEArsivColumn> columns = [] {
        std::vector<TEArsivColumn> c { { "earsiv_satici", "ID", "integer" } };
        for (const char *text : { "UNVAN", "VKN", "TCKN", "AD", "SOYAD", "VERGI_DAIRESI", "ADRES",
                 "ILCE", "IL", "ULKE", "TELEFON", "EPOSTA", "SERI", "TUR" })
            c.push_back({ "earsiv_satici", text, "text" });
        c.insert(c.end(),
            { { "earsiv_fatura", "REC_ID", "integer" }, { "earsiv_fatura", "SERI", "text" },
                { "earsiv_fatura", "YIL", "integer" }, { "earsiv_fatura", "SIRA", "bigint" },
                { "earsiv_fatura", "NUMARA", "text" }, { "earsiv_fatura", "ETTN", "text" },
                { "earsiv_fatura", "ZAMAN", "text" }, { "earsiv_fatura", "TARIH", "text" },
                { "earsiv_fatura", "ORAN", "integer" }, { "earsiv_fatura", "OZET", "text" } });
        for (const char *text : { "VERGI_NO", "AD", "SOYAD", "ILCE", "IL" })
            c.push_back({ "earsiv_alici", text, "text" });
        c.insert(
            c.end(), { { "earsiv_birim", "BIRIM", "text" }, { "earsiv_birim", "KOD", "text" } });
        return c;
    }();
    return columns;
}

namespace
{

constexpr std::string_view kExportColumns
    = "REC_ID, NUMARA, ETTN, ZAMAN, TARIH, ORAN, OZET, SERI, YIL, SIRA";

QString IsoDate(const QDate &d)
{
    return d.toString(Qt::ISODate);
}

QString IsoTime(const QDateTime &t)
{
    return t.toString(u"yyyy-MM-ddTHH:mm:ss"_s);
}

TExportInfo ExportOfRow(const IEArsivSql::TRow &row)
{
    TExportInfo e;
    e.RecId = row[0].toInt();
    e.Numara = row[1];
    e.Ettn = row[2];
    e.Zaman = QDateTime::fromString(row[3], u"yyyy-MM-ddTHH:mm:ss"_s);
    e.Tarih = QDate::fromString(row[4], Qt::ISODate);
    e.Oran = row[5].toInt();
    e.Ozet = row[6];
    return e;
}

class TEArsivStore final : public IEArsivStore
{
public:
    explicit TEArsivStore(std::unique_ptr<IEArsivSql> sql)
        : Sql(std::move(sql))
    {
    }

    std::optional<TSellerInfo> Seller() override
    {
        if (!Ready())
            return std::nullopt;
        const auto rows = Sql->Query("SELECT UNVAN, VKN, TCKN, AD, SOYAD, VERGI_DAIRESI, ADRES, "
                                     "ILCE, IL, ULKE, TELEFON, EPOSTA, SERI, TUR "
                                     "FROM earsiv_satici WHERE ID = 1",
            {});
        if (rows.empty())
            return std::nullopt;
        const auto &r = rows.front();
        TSellerInfo s { r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11],
            r[12] };
        s.Tur
            = r[13] == u"bilanco" ? TSellerInfo::TKind::Bilanco : TSellerInfo::TKind::BasitIsletme;
        return s;
    }

    void SetSeller(const TSellerInfo &s) override
    {
        Write([&] {
            Sql->Query("DELETE FROM earsiv_satici", {});
            Sql->Query("INSERT INTO earsiv_satici VALUES (1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                       "?, ?, ?)",
                { s.Unvan, s.Vkn, s.Tckn, s.Ad, s.Soyad, s.VergiDairesi, s.Adres, s.Ilce, s.Il,
                    s.Ulke, s.Telefon, s.Eposta, s.Seri,
                    s.Tur == TSellerInfo::TKind::Bilanco ? u"bilanco"_s : u"basit"_s });
        });
    }

    std::optional<TExportInfo> ExportOf(std::int32_t recId) override
    {
        if (!Ready())
            return std::nullopt;
        return Find(recId);
    }

    std::vector<TNumberResult> Number(const std::vector<TNumberRequest> &requests) override
    {
        std::vector<TNumberResult> results;
        Write([&] {
            bool stopped = false;
            for (const TNumberRequest &q : requests) {
                TNumberResult r;
                if (std::optional<TExportInfo> existing = Find(q.RecId)) {
                    r.Status = TNumberResult::TStatus::Existing;
                    r.Info = *existing;
                } else if (stopped || !NumberOne(q, r)) {
                    stopped = true;
                    r.Status = TNumberResult::TStatus::OutOfOrder;
                }
                results.push_back(r);
            }
        });
        return results;
    }

    void UpdateExport(std::int32_t recId, int oran, const QString &ozet) override
    {
        Write([&] {
            Sql->Query("UPDATE earsiv_fatura SET ORAN = ?, OZET = ? WHERE REC_ID = ?",
                { QString::number(oran), ozet, QString::number(recId) });
        });
    }

    std::vector<TExportInfo> Exports() override
    {
        std::vector<TExportInfo> out;
        if (!Ready())
            return out;
        for (const auto &row : Sql->Query(
                 "SELECT " + std::string(kExportColumns) + " FROM earsiv_fatura ORDER BY REC_ID",
                 {}))
            out.push_back(ExportOfRow(row));
        return out;
    }

    void InsertExports(const std::vector<TExportInfo> &exports) override
    {
        Write([&] {
            for (const TExportInfo &e : exports) {
                // Series, year and sequence are read back from the number itself.
                Insert(
                    e, e.Numara.left(3), e.Numara.mid(3, 4).toInt(), e.Numara.mid(7).toLongLong());
            }
        });
    }

    std::optional<TBuyerExtras> Buyer(const QString &vergiNo) override
    {
        if (!Ready())
            return std::nullopt;
        const auto rows = Sql->Query(
            "SELECT VERGI_NO, AD, SOYAD, ILCE, IL FROM earsiv_alici WHERE VERGI_NO = ?",
            { vergiNo });
        if (rows.empty())
            return std::nullopt;
        return BuyerOfRow(rows.front());
    }

    void SetBuyer(const TBuyerExtras &b) override
    {
        Write([&] {
            Sql->Query("DELETE FROM earsiv_alici WHERE VERGI_NO = ?", { b.VergiNo });
            Sql->Query("INSERT INTO earsiv_alici VALUES (?, ?, ?, ?, ?)",
                { b.VergiNo, b.Ad, b.Soyad, b.Ilce, b.Il });
        });
    }

    std::vector<TBuyerExtras> Buyers() override
    {
        std::vector<TBuyerExtras> out;
        if (!Ready())
            return out;
        for (const auto &row : Sql->Query(
                 "SELECT VERGI_NO, AD, SOYAD, ILCE, IL FROM earsiv_alici ORDER BY VERGI_NO", {}))
            out.push_back(BuyerOfRow(row));
        return out;
    }

    std::optional<QString> UnitCode(const QString &unitKey) override
    {
        if (!Ready())
            return std::nullopt;
        const auto rows = Sql->Query("SELECT KOD FROM earsiv_birim WHERE BIRIM = ?", { unitKey });
        if (rows.empty())
            return std::nullopt;
        return rows.front()[0];
    }

    void SetUnitCode(const QString &unitKey, const QString &code) override
    {
        Write([&] {
            Sql->Query("DELETE FROM earsiv_birim WHERE BIRIM = ?", { unitKey });
            Sql->Query("INSERT INTO earsiv_birim VALUES (?, ?)", { unitKey, code });
        });
    }

    std::vector<std::pair<QString, QString>> UnitCodes() override
    {
        std::vector<std::pair<QString, QString>> out;
        if (!Ready())
            return out;
        for (const auto &row : Sql->Query("SELECT BIRIM, KOD FROM earsiv_birim ORDER BY BIRIM", {}))
            out.emplace_back(row[0], row[1]);
        return out;
    }

private:
    // The tables come with the first write; until then an old store reads as empty.
    bool Ready()
    {
        if (!Created)
            Created = Sql->HasTable("earsiv_fatura");
        return Created;
    }

    template <class TBody> void Write(TBody &&body)
    {
        Sql->BeginExclusive();
        try {
            if (!Ready()) {
                Sql->Script(kSchema);
                Created = true;
            }
            body();
            Sql->Commit();
        } catch (...) {
            Sql->Rollback();
            // A rolled-back creation leaves no tables behind.
            Created = false;
            throw;
        }
    }

    std::optional<TExportInfo> Find(std::int32_t recId)
    {
        const auto rows = Sql->Query(
            "SELECT " + std::string(kExportColumns) + " FROM earsiv_fatura WHERE REC_ID = ?",
            { QString::number(recId) });
        if (rows.empty())
            return std::nullopt;
        return ExportOfRow(rows.front());
    }

    // False when a later-dated invoice of the series already has a number and the user did
    // not allow it.
    bool NumberOne(const TNumberRequest &q, TNumberResult &r)
    {
        const int year = q.Tarih.year();
        const QString y = QString::number(year);
        const auto last = Sql->Query("SELECT SIRA, NUMARA, TARIH FROM earsiv_fatura "
                                     "WHERE SERI = ? AND YIL = ? ORDER BY SIRA DESC LIMIT 1",
            { q.Seri, y });
        std::int64_t sequence = 1;
        if (!last.empty()) {
            sequence = last.front()[0].toLongLong() + 1;
            const QDate lastDate = QDate::fromString(last.front()[2], Qt::ISODate);
            if (lastDate > q.Tarih && !q.OutOfOrderAllowed) {
                r.LastNumber = last.front()[1];
                r.LastDate = lastDate;
                return false;
            }
        }
        if (sequence > 999'999'999)
            throw EStorageError(u"%1 serisinin %2 yılı için numara kalmadı."_s.arg(q.Seri, y));
        r.Status = TNumberResult::TStatus::New;
        r.Info = { q.RecId, EArsivNumber(q.Seri, year, sequence), q.Ettn, q.Zaman, q.Tarih, q.Oran,
            q.Ozet };
        Insert(r.Info, q.Seri, year, sequence);
        return true;
    }

    void Insert(const TExportInfo &e, const QString &seri, int year, std::int64_t sequence)
    {
        Sql->Query("INSERT INTO earsiv_fatura (" + std::string(kExportColumns)
                + ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            { QString::number(e.RecId), e.Numara, e.Ettn, IsoTime(e.Zaman), IsoDate(e.Tarih),
                QString::number(e.Oran), e.Ozet, seri, QString::number(year),
                QString::number(sequence) });
    }

    static TBuyerExtras BuyerOfRow(const IEArsivSql::TRow &r)
    {
        return { r[0], r[1], r[2], r[3], r[4] };
    }

    std::unique_ptr<IEArsivSql> Sql;
    bool Created = false;
};

} // namespace

std::unique_ptr<IEArsivStore> MakeEArsivStore(std::unique_ptr<IEArsivSql> sql)
{
    return std::make_unique<TEArsivStore>(std::move(sql));
}

void CopyEArsiv(IEArsivStore &from, IEArsivStore &to)
{
    if (const std::optional<TSellerInfo> seller = from.Seller())
        to.SetSeller(*seller);
    to.InsertExports(from.Exports());
    for (const TBuyerExtras &b : from.Buyers())
        to.SetBuyer(b);
    for (const auto &[unit, code] : from.UnitCodes())
        to.SetUnitCode(unit, code);
}
