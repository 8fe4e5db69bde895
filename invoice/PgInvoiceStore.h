#pragma once
// The invoices on a PostgreSQL server, shared by several desks: the table `fatura`, with
// REC_ID an identity column and the texts cut to the widths of their fields, created on
// first use together with what the store keeps beside it:
//  - fatura_ara: per invoice the search keys (SearchKeyOf) of the four searched fields, each
//    indexed, so a prefix search is an index range;
//  - fatura_blok: per block of 1024 REC_ID values how many invoices it holds, so a row number
//    and the REC_ID of a row are sums over a thousand small rows, not a count of a million;
//  - fatura_surum: one counter that every statement writing `fatura` raises, so a desk sees
//    that another one committed without reading the table;
//  - fatura_eksik: REC_IDs written by statements that did not bring their search keys
//    (another program, or a desk in the middle of its post); CatchUp computes them.
// Statement triggers in plain SQL keep the last three in step with whatever writes `fatura`.
// Each post is one transaction, and takes the counter's row lock first, so posts of several
// desks follow one another and never deadlock.

#include "invoice/InvoiceStore.h"
#include "platform/Postgres.h"

#include <memory>
#include <string>
#include <vector>

// A column as the store creates it on the server: PostgreSQL's name of its type (as
// information_schema gives it) and, for texts, the width.
struct TServerColumn {
    std::string Table;
    std::string Column; // as created: unquoted, so the server holds it in lower case
    std::string Type; // "character varying", "double precision", "integer", ...
    int Width = 0; // characters of a varchar; 0 for the rest
    bool Lazy = false; // made at its first use (the e-Arşiv tables): checked once it is there
};

// Every column of every table the store creates (`fatura` and the tables beside it). The
// store checks the server's tables against it each time it opens, since a type or width
// altered by hand changes invoices silently (a date swaps day and month, numeric(8,1)
// rounds amounts). A table added beside `fatura` adds its rows here.
const std::vector<TServerColumn> &ServerColumns();

class PgInvoiceStore : public IInvoiceStore
{
public:
    // Connects and creates the table when the database has none. Throws EStorageError with
    // the server's text.
    explicit PgInvoiceStore(const TPgSettings &settings);
    ~PgInvoiceStore() override;

    QString Name() const override;
    void SetBusyTimeout(int milliseconds) override;
    bool OthersCommitted() override;
    void CatchUp() override;
    int Count() override;
    std::vector<std::int32_t> IdsAfter(std::int32_t after, int limit) override;
    std::optional<int> RankOf(std::int32_t recId) override;
    std::optional<std::int32_t> IdAtRow(int row) override;
    bool Exists(std::int32_t recId) override;
    std::int32_t Insert(const TInvoiceRecord &record) override;
    void InsertWithIds(const std::vector<TInvoiceRecord> &records) override;
    TUpdateResult Update(std::int32_t recId, const TInvoiceRecord &record,
        const TInvoiceRecord *expected = nullptr) override;
    std::optional<TInvoiceRecord> Read(std::int32_t recId) override;
    void Delete(std::int32_t recId) override;
    std::int32_t Locate(TLocateField field, const QByteArray &key) override;
    std::vector<TInvoiceListRow> ListRows(std::int32_t fromId, std::int32_t toId) override;
    std::vector<TInvoiceListRow> RowsFrom(std::int32_t fromId, int limit) override;
    IEArsivStore &EArsiv() override;

    // Copies every invoice of another store into this one, keeping REC_IDs, in one
    // transaction, streamed in pages so that memory does not grow with the table. Refuses
    // (EStorageError, nothing written) when this store holds any invoice already, and rolls
    // back unless the count written equals the source's. What the e-Arşiv export keeps
    // beside the invoices comes along in the same transaction. Gives the number copied.
    int CopyAllFrom(IInvoiceStore &source);

    // The connection, for the move of a table onto the server and for tests.
    TPgConnection &Connection() { return *FConn; }

private:
    template <class TWork> auto Write(TWork work);
    void CreateSchema();
    // Refuses (EStorageError naming table and column) a table whose columns differ from
    // ServerColumns(); onlyPresent skips tables that are not there yet.
    void CheckSchema(bool onlyPresent);
    void WriteKeys(std::int32_t recId, const TInvoiceRecord &record);

    std::unique_ptr<TPgConnection> FConn;
    std::int64_t FSeen = 0; // the counter as we last knew it
    bool FOthersPending = false; // others committed before one of our posts
    std::unique_ptr<IEArsivStore> FEArsiv;
};
