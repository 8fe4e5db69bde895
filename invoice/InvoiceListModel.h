#pragma once
// The find dialog's list: the invoice table's rows, four columns, fetched in pages by REC_ID
// when a view asks for them and kept in a small cache, so a million invoices cost a few
// megabytes. Read-only. The table's cursor stays the one current record: CurrentRow() is
// the row to highlight, and CurrentRowChanged follows every move of the cursor.

#include <QAbstractTableModel>
#include <QPointer>

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>
#include <vector>

#include "invoice/InvoiceTable.h"

class InvoiceListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum TColumn { colTARIH, colSAYIN1, colVDAIRESI, colVNO, kColumnCount };
    static constexpr int kPageSize = 64;
    static constexpr int kCachedPages = 32;

    explicit InvoiceListModel(InvoiceTable *table, QObject *parent = nullptr);

    InvoiceTable *Table() const { return FTable; }
    int CurrentRow() const;
    std::int32_t RecIdAt(int row) const;
    // How many pages are held now (for tests and the benchmark).
    int CachedPageCount() const { return static_cast<int>(FPages.size()); }
    // The bytes the list holds in memory: its cached pages with their texts, and the
    // table's REC_IDs. SQLite's own page cache is the store's, not counted here.
    std::size_t HeldBytes() const;
    // The bytes one row holds: the row itself and its texts' buffers.
    static std::size_t HeldBytes(const TInvoiceListRow &row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void CurrentRowChanged(int row);

private:
    struct TPage {
        std::vector<TInvoiceListRow> Rows;
        std::list<int>::iterator Use;
    };

    const TInvoiceListRow *RowAt(int row) const;
    void DropCache();
    void TableReset();
    void RowInserted(int row);
    void RowRemoved(int row);
    void RowUpdated(int row);

    QPointer<InvoiceTable> FTable;
    int FRowCount = 0; // what the views were last told
    // Cache of pages by page number; FUse holds page numbers, most recent first.
    mutable std::unordered_map<int, TPage> FPages;
    mutable std::list<int> FUse;
};
