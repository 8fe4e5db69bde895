#include "invoice/InvoiceListModel.h"

using namespace Qt::StringLiterals;

InvoiceListModel::InvoiceListModel(InvoiceTable *table, QObject *parent)
    : QAbstractTableModel(parent)
    , FTable(table)
{
    FRowCount = table->RowCount();
    connect(table, &InvoiceTable::TableReset, this, &InvoiceListModel::TableReset);
    connect(table, &InvoiceTable::RowInserted, this, &InvoiceListModel::RowInserted);
    connect(table, &InvoiceTable::RowRemoved, this, &InvoiceListModel::RowRemoved);
    connect(table, &InvoiceTable::RowUpdated, this, &InvoiceListModel::RowUpdated);
    connect(table, &InvoiceTable::CurrentChanged, this, &InvoiceListModel::CurrentRowChanged);
    connect(table, &QObject::destroyed, this, [this] {
        beginResetModel();
        DropCache();
        FRowCount = 0;
        endResetModel();
    });
}

int InvoiceListModel::CurrentRow() const
{
    return FTable ? FTable->CurrentRow() : -1;
}

std::int32_t InvoiceListModel::RecIdAt(int row) const
{
    return FTable ? FTable->RecIdAt(row) : 0;
}

int InvoiceListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FRowCount;
}

int InvoiceListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

const TInvoiceListRow *InvoiceListModel::RowAt(int row) const
{
    if (!FTable || row < 0 || row >= FRowCount)
        return nullptr;
    const int number = row / kPageSize;
    auto it = FPages.find(number);
    if (it == FPages.end()) {
        std::vector<TInvoiceListRow> rows;
        try {
            rows = FTable->ReadListRows(number * kPageSize, kPageSize);
        } catch (const EStorageError &) {
            return nullptr; // locked for longer than the busy wait: blank now, asked again later
        }
        if (static_cast<int>(FPages.size()) >= kCachedPages) {
            FPages.erase(FUse.back());
            FUse.pop_back();
        }
        FUse.push_front(number);
        it = FPages.emplace(number, TPage { std::move(rows), FUse.begin() }).first;
    } else if (it->second.Use != FUse.begin()) {
        FUse.splice(FUse.begin(), FUse, it->second.Use);
    }
    const std::vector<TInvoiceListRow> &rows = it->second.Rows;
    const size_t offset = static_cast<size_t>(row - number * kPageSize);
    return offset < rows.size() ? &rows[offset] : nullptr;
}

QVariant InvoiceListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const TInvoiceListRow *row = RowAt(index.row());
    if (!row)
        return {};
    switch (index.column()) {
    case colTARIH:
        return row->TARIH;
    case colSAYIN1:
        return row->SAYIN1;
    case colVDAIRESI:
        return row->VDAIRESI;
    case colVNO:
        return row->VNO;
    default:
        return {};
    }
}

QVariant InvoiceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case colTARIH:
        return u"TARIH"_s;
    case colSAYIN1:
        return u"SAYIN1"_s;
    case colVDAIRESI:
        return u"VDAIRESI"_s;
    case colVNO:
        return u"VNO"_s;
    default:
        return {};
    }
}

Qt::ItemFlags InvoiceListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

std::size_t InvoiceListModel::HeldBytes(const TInvoiceListRow &row)
{
    std::size_t bytes = sizeof row;
    for (const QString *s : { &row.TARIH, &row.SAYIN1, &row.VDAIRESI, &row.VNO })
        if (s->capacity() > 0) // a buffer of its own: header, characters and the terminator
            bytes += sizeof(QArrayData) + (static_cast<std::size_t>(s->capacity()) + 1) * 2;
    return bytes;
}

std::size_t InvoiceListModel::HeldBytes() const
{
    // Each page: its node in the map and in the use list, its row vector.
    constexpr std::size_t kPageNode = sizeof(std::pair<const int, TPage>) + 2 * sizeof(void *)
        + sizeof(int) + 2 * sizeof(void *);
    std::size_t bytes = sizeof *this + FPages.bucket_count() * sizeof(void *);
    for (const auto &[number, page] : FPages) {
        bytes += kPageNode + (page.Rows.capacity() - page.Rows.size()) * sizeof(TInvoiceListRow);
        for (const TInvoiceListRow &row : page.Rows)
            bytes += HeldBytes(row);
    }
    return bytes + (FTable ? FTable->HeldBytes() : 0);
}

void InvoiceListModel::DropCache()
{
    FPages.clear();
    FUse.clear();
}

void InvoiceListModel::TableReset()
{
    beginResetModel();
    DropCache();
    FRowCount = FTable ? FTable->RowCount() : 0;
    endResetModel();
}

// The table has already changed when it tells us. Views read no rows between begin and end,
// so dropping the cache there is enough.
void InvoiceListModel::RowInserted(int row)
{
    beginInsertRows({}, row, row);
    DropCache();
    FRowCount = FTable->RowCount();
    endInsertRows();
}

void InvoiceListModel::RowRemoved(int row)
{
    beginRemoveRows({}, row, row);
    DropCache();
    FRowCount = FTable->RowCount();
    endRemoveRows();
}

void InvoiceListModel::RowUpdated(int row)
{
    if (row < 0)
        return;
    const int number = row / kPageSize;
    if (auto it = FPages.find(number); it != FPages.end()) {
        FUse.erase(it->second.Use);
        FPages.erase(it);
    }
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1), { Qt::DisplayRole });
}
