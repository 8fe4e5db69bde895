#pragma once
// The invoice table: a cursor over the invoice store (the SQLite file "fatura.DB" or a server),
// in REC_ID order. It reads the REC_IDs lazily and tells its views what changed; all SQL lives
// in the store.
//
// The window identifies its invoice by REC_ID, never by a cursor position: Update takes the
// REC_ID, so a save lands on the invoice on screen even after the find dialog moved the
// cursor or deleted that invoice. Every failing store operation throws EStorageError with
// the store's own text and leaves the table and the cursor as they were. A table that failed
// to open stays closed and every later operation throws.
//
// Several handles (in one or several processes) may share one store. Each handle notices the
// others' commits when it next touches the store (RecordCount, Append, Update, Delete, Locate,
// First, Last, Refresh) and then emits TableReset. Cursor moves and ReadListRows never emit
// anything on their own, so a view may call them while painting.

#include "invoice/InvoiceRecord.h"
#include "invoice/InvoiceStore.h"
#include "platform/Errors.h"

#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class InvoiceTable : public QObject
{
    Q_OBJECT

public:
    // Widths of the text fields, in characters (code points); longer texts are cut on a post.
    static constexpr int kWidthTARIH
        = TInvoiceRecord::kWidthTARIH,
        kWidthSAYIN = TInvoiceRecord::kWidthSAYIN, kWidthVDAIRESI = TInvoiceRecord::kWidthVDAIRESI,
        kWidthVNO = TInvoiceRecord::kWidthVNO, kWidthC = TInvoiceRecord::kWidthC,
        kWidthYANLIZ = TInvoiceRecord::kWidthYANLIZ, kWidthB = TInvoiceRecord::kWidthB;

    explicit InvoiceTable(QObject *parent = nullptr);
    ~InvoiceTable() override;

    // Opens "fatura.DB" in the folder, creating it empty when it is missing. The cursor is on
    // the first record afterwards. Throws EStorageError (the table then stays closed).
    void Open(const QString &folder);
    // The same for a store under another name (the import writes its new table aside).
    void OpenFile(const QString &fileName);
    // Works over a store opened elsewhere (a server's, say), which it then owns.
    void OpenStore(std::unique_ptr<IInvoiceStore> store);
    void Close();
    bool Active() const;
    // The file, or which server and database; empty while closed.
    QString StoreName() const;
    // What the e-Arşiv export keeps in the same store. Throws while closed.
    IEArsivStore &EArsiv();
    // How long a post waits for another handle's lock before it fails (default 2 s).
    void SetBusyTimeout(int milliseconds);

    // The number of stored invoices, after taking in other handles' commits.
    int RecordCount();
    // The number of rows the cursor knows of now; never touches the store.
    int RowCount() const;

    // Stores a new invoice whole (the record's REC_ID is ignored) and makes it current.
    std::int32_t Append(const TInvoiceRecord &record);
    // Stores invoices that bring their own REC_IDs (positive, not yet in the table), all in
    // one transaction: all of them or none. Texts are cut to their widths.
    void AppendWithIds(const std::vector<TInvoiceRecord> &records);
    // Overwrites the invoice with this REC_ID and makes it current. False (nothing written)
    // when it no longer exists; the caller then stores the invoice with Append.
    bool Update(std::int32_t recId, const TInvoiceRecord &record);
    // The same, but with `expected` only while the stored invoice still equals it (as read
    // from the store when it was recalled, or as last saved): another desk may have changed
    // it since. Nothing is written unless the result is Updated.
    TUpdateResult Update(
        std::int32_t recId, const TInvoiceRecord &record, const TInvoiceRecord *expected);
    // Every field of the current record. Throws when there is none or it has gone.
    TInvoiceRecord Read();
    // Every field of one record, or nothing when it does not exist. The cursor stays.
    std::optional<TInvoiceRecord> ReadRecord(std::int32_t recId);
    // Deletes the current record; the next one becomes current, or the previous one when it
    // was the last; an emptied table has no current record. No current record: nothing.
    void Delete();

    void First();
    void Last();
    void Next();
    void Prior();
    void MoveBy(int distance); // clamped to the first and last record
    bool Bof() const; // on the first record, or empty
    bool Eof() const; // on the last record, or empty
    // False (cursor unchanged) when there is no such record / row.
    bool MoveTo(std::int32_t recId);
    bool MoveToRow(int row);
    std::int32_t CurrentRecId() const; // 0 when there is no current record
    int CurrentRow() const; // 0-based; -1 when there is no current record

    // Makes current the first record in REC_ID order whose field begins with the prefix,
    // ignoring letter case the Turkish way (the four i letters count as one). No match: the
    // cursor stays and the result is false.
    bool Locate(TLocateField field, const QString &prefix);

    // The list's rows [firstRow, firstRow + count) as the cursor knows them; rows that have
    // gone from the store meanwhile come back empty but with their REC_ID.
    std::vector<TInvoiceListRow> ReadListRows(int firstRow, int count);
    // These two may ask the store (and so may throw); neither waits for the REC_IDs of the
    // rows in front to be read.
    std::int32_t RecIdAt(int row) const; // 0 outside the rows
    int RowOf(std::int32_t recId) const; // -1 when unknown

    // How many REC_IDs, from the first row on, have been read into memory so far; they are
    // read while the event loop is idle, for scrolling. Nothing waits for them.
    int ReadRecIdCount() const;
    // The bytes the table holds in memory for its rows (the REC_IDs read so far).
    std::size_t HeldBytes() const;

    // Takes in other handles' commits now (emits TableReset when there were any).
    void Refresh();

    // The record as a post stores it: every text cut to its field's width.
    static TInvoiceRecord CutToWidths(const TInvoiceRecord &record);

signals:
    void RowInserted(int row);
    void RowRemoved(int row);
    void RowUpdated(int row);
    // Opened, closed, or changed by another handle: every row may be different.
    void TableReset();
    // The current record moved (row -1: none).
    void CurrentChanged(int row);

private:
    struct TPrivate;
    std::unique_ptr<TPrivate> d;

    void Reload();
    bool OthersCommitted();
    void LoadIdsWhenIdle();
    void SetCurrentRow(int row);
    void SetCurrent(int row, std::int32_t recId);
    void RequireOpen() const;
};
