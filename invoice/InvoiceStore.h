#pragma once
// Where the invoices are kept: the SQLite file "fatura.DB" beside the program, or a table on
// a PostgreSQL server shared by several desks. InvoiceTable's cursor, the find list and the
// commands work over this interface alone and never know which store they talk to.
//
// Every operation that fails throws EStorageError with the store's own text and changes
// nothing: each write is one transaction. Records handed to a write are already cut to the
// widths of their fields (InvoiceTable::CutToWidths).

#include "invoice/EArsivStore.h"
#include "invoice/InvoiceRecord.h"
#include "platform/Errors.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The fields the find dialog searches by.
enum class TLocateField { TARIH, SAYIN1, VDAIRESI, VNO };

// What the find list shows of one invoice.
struct TInvoiceListRow {
    std::int32_t REC_ID = 0;
    QString TARIH, SAYIN1, VDAIRESI, VNO;
    bool operator==(const TInvoiceListRow &) const = default;
};

// How an overwrite went.
enum class TUpdateResult {
    Updated, // written
    Gone, // no invoice with that REC_ID any more; nothing written
    ChangedMeanwhile, // it differs from what the caller expected; nothing written
};

class IInvoiceStore
{
public:
    virtual ~IInvoiceStore() = default;

    // The file name, or which server and database: for messages and the window's title.
    virtual QString Name() const = 0;
    // How long a write waits for another connection's lock before it fails.
    virtual void SetBusyTimeout(int milliseconds) = 0;

    // True when another connection (in this or another process) committed a change since
    // the previous call, or since the store was opened. Our own commits never count.
    virtual bool OthersCommitted() = 0;
    // After others committed: brings what the store keeps beside the invoices (search keys,
    // counts) up to date with them, where it may. Never fails for want of write access.
    virtual void CatchUp() = 0;

    virtual int Count() = 0;
    // Up to `limit` REC_IDs above `after`, ascending (after 0: from the first).
    virtual std::vector<std::int32_t> IdsAfter(std::int32_t after, int limit) = 0;
    // The number of invoices whose REC_ID is below recId, and the REC_ID of row `row` in
    // REC_ID order (0 when there is no such row), when the store can answer without reading
    // every REC_ID in front; otherwise nothing, and the caller reads the REC_IDs instead.
    virtual std::optional<int> RankOf(std::int32_t recId) = 0;
    virtual std::optional<std::int32_t> IdAtRow(int row) = 0;
    virtual bool Exists(std::int32_t recId) = 0;

    // Stores a new invoice (its REC_ID is ignored) and gives its REC_ID, which lies above
    // every REC_ID that the store holds or held.
    virtual std::int32_t Insert(const TInvoiceRecord &record) = 0;
    // Stores invoices that bring their own REC_IDs (positive, not in the store): all or none.
    virtual void InsertWithIds(const std::vector<TInvoiceRecord> &records) = 0;
    // Overwrites the invoice with this REC_ID. With `expected`, only when the stored invoice
    // still equals it (another desk may have changed it since it was recalled).
    virtual TUpdateResult Update(
        std::int32_t recId, const TInvoiceRecord &record, const TInvoiceRecord *expected = nullptr)
        = 0;
    virtual std::optional<TInvoiceRecord> Read(std::int32_t recId) = 0;
    // Deleting an invoice that has gone already is not an error.
    virtual void Delete(std::int32_t recId) = 0;

    // The smallest REC_ID whose field's search key (SearchKeyOf) begins with `key`; 0: none.
    virtual std::int32_t Locate(TLocateField field, const QByteArray &key) = 0;
    // The list columns of the invoices with REC_IDs in [fromId, toId], ascending.
    virtual std::vector<TInvoiceListRow> ListRows(std::int32_t fromId, std::int32_t toId) = 0;
    // The same for up to `limit` invoices from REC_ID fromId on.
    virtual std::vector<TInvoiceListRow> RowsFrom(std::int32_t fromId, int limit) = 0;

    // What the e-Arşiv export keeps beside the invoices in this store.
    virtual IEArsivStore &EArsiv() = 0;
};
