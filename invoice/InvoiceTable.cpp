#include "invoice/InvoiceTable.h"

#include "invoice/SearchKey.h"
#include "invoice/SqliteInvoiceStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <limits>
#include <string>

using namespace Qt::StringLiterals;

namespace
{

[[noreturn]] void FailWith(const QString &message)
{
    throw EStorageError(message);
}

} // namespace

struct InvoiceTable::TPrivate {
    std::unique_ptr<IInvoiceStore> Store;
    // The REC_IDs of rows 0 .. Ids.size() - 1, ascending. At a million invoices the whole
    // list takes ~100 ms to read, so it is read in chunks while the event loop is idle, for
    // scrolling. Rows beyond it are found through the store's positions when it has them,
    // otherwise by reading the REC_IDs as far as the caller needs. Total is the number of rows.
    std::vector<std::int32_t> Ids;
    bool IdsComplete = true;
    int Total = 0;
    int Current = -1; // row of the current record
    std::int32_t CurrentId = 0; // its REC_ID
    // Others committed, and the rows have not been read again yet.
    bool Stale = false;

    static constexpr int kIdChunk = 65536;
    // While idle, a smaller bite: a key pressed meanwhile waits for at most one chunk.
    static constexpr int kIdleChunk = 8192;

    // Forgets the REC_IDs; Total becomes the store's count (nothing changes if that fails).
    void RestartIds()
    {
        const int total = Store->Count();
        Ids.clear();
        Ids.reserve(static_cast<size_t>(total));
        Total = total;
        IdsComplete = total == 0;
        Current = -1;
        CurrentId = 0;
    }

    void LoadChunk(int want)
    {
        // A chunk is taken whole or not at all.
        const std::vector<std::int32_t> chunk = Store->IdsAfter(
            Ids.empty() ? std::numeric_limits<std::int32_t>::min() : Ids.back(), want);
        Ids.insert(Ids.end(), chunk.begin(), chunk.end());
        if (static_cast<int>(chunk.size()) < want) {
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

    // The number of invoices whose REC_ID is below recId.
    int Rank(std::int32_t recId)
    {
        if (!PrefixCovers(recId)) {
            if (const std::optional<int> rank = Store->RankOf(recId))
                return *rank;
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
        if (const std::optional<std::int32_t> id = Store->IdAtRow(row))
            return *id;
        EnsureRows(static_cast<size_t>(row) + 1);
        return static_cast<size_t>(row) < Ids.size() ? Ids[static_cast<size_t>(row)] : 0;
    }

    // Every REC_ID up to recId is among those read.
    bool PrefixCovers(std::int32_t recId) const
    {
        return IdsComplete || (!Ids.empty() && Ids.back() >= recId);
    }

    size_t HeldBytes() const { return Ids.capacity() * sizeof(std::int32_t); }

    int RowOf(std::int32_t recId)
    {
        if (!PrefixCovers(recId)) {
            if (const std::optional<int> rank = Store->RankOf(recId)) {
                if (!Store->Exists(recId))
                    return -1;
                return *rank < Total ? *rank : -1;
            }
        }
        EnsureThrough(recId);
        const auto it = std::lower_bound(Ids.begin(), Ids.end(), recId);
        return it != Ids.end() && *it == recId ? static_cast<int>(it - Ids.begin()) : -1;
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
    OpenFile(QDir(folder).filePath(QString::fromLatin1(kSqliteInvoiceFileName)));
}

void InvoiceTable::OpenFile(const QString &fileName)
{
    Close();
    OpenStore(OpenSqliteStore(fileName));
}

void InvoiceTable::OpenStore(std::unique_ptr<IInvoiceStore> store)
{
    Close();
    if (!store)
        FailWith(u"The invoice table is not open."_s);
    auto p = std::make_unique<TPrivate>();
    p->Store = std::move(store);
    p->RestartIds();
    p->EnsureRows(1);
    p->Current = p->Total > 0 ? 0 : -1;
    p->CurrentId = p->Total > 0 && !p->Ids.empty() ? p->Ids.front() : 0;
    if (p->CurrentId == 0)
        p->Current = -1;
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

QString InvoiceTable::StoreName() const
{
    return d ? d->Store->Name() : QString();
}

void InvoiceTable::SetBusyTimeout(int milliseconds)
{
    RequireOpen();
    d->Store->SetBusyTimeout(milliseconds);
}

IEArsivStore &InvoiceTable::EArsiv()
{
    RequireOpen();
    return d->Store->EArsiv();
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
    if (OthersCommitted())
        Reload();
}

bool InvoiceTable::OthersCommitted()
{
    // Remembered until the rows have been read again, should that fail.
    if (d->Store->OthersCommitted())
        d->Stale = true;
    return d->Stale;
}

void InvoiceTable::Reload()
{
    const std::int32_t current = CurrentRecId();
    d->Stale = true;
    d->Store->OthersCommitted(); // whatever comes now is part of what is read
    d->RestartIds(); // throws before it changes anything
    d->Stale = false;
    try {
        d->Store->CatchUp();
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

std::int32_t InvoiceTable::Append(const TInvoiceRecord &record)
{
    RequireOpen();
    const std::int32_t recId = d->Store->Insert(CutToWidths(record));
    // A new REC_ID lies above every REC_ID there is or was, so the invoice is the last row
    // and nothing needs reading. Anything else means another handle is at work.
    const bool last = d->Ids.empty() || d->Ids.back() < recId;
    if (OthersCommitted() || !last) {
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
    std::vector<TInvoiceRecord> cut;
    cut.reserve(records.size());
    for (const TInvoiceRecord &record : records)
        cut.push_back(CutToWidths(record));
    d->Store->InsertWithIds(cut);
    Reload();
}

bool InvoiceTable::Update(std::int32_t recId, const TInvoiceRecord &record)
{
    return Update(recId, record, nullptr) == TUpdateResult::Updated;
}

TUpdateResult InvoiceTable::Update(
    std::int32_t recId, const TInvoiceRecord &record, const TInvoiceRecord *expected)
{
    RequireOpen();
    const TInvoiceRecord r = CutToWidths(record);
    // Its row is known before the commit, so nothing after it can fail.
    int row = d->RowOf(recId);
    const TUpdateResult result = d->Store->Update(recId, r, expected);
    const bool written = result == TUpdateResult::Updated;
    if (OthersCommitted() || (result == TUpdateResult::Gone && row >= 0)) {
        Reload();
        row = d->RowOf(recId);
    }
    if (!written)
        return result;
    emit RowUpdated(row);
    SetCurrent(row, row >= 0 ? recId : 0);
    return result;
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
    return d->Store->Read(recId);
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
    d->Store->Delete(d->CurrentId);
    if (OthersCommitted() || (d->Total > 1 && successor == 0)) {
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
    const std::int32_t found = d->Store->Locate(field, key);
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
    if (!d->IdsComplete && static_cast<size_t>(wanted) > d->Ids.size()) {
        // Beyond the REC_IDs read so far: straight from the store, from the first row's on,
        // when the store knows the rows' positions.
        if (const std::optional<std::int32_t> at = d->Store->IdAtRow(firstRow)) {
            const std::int32_t from = static_cast<size_t>(firstRow) < d->Ids.size()
                ? d->Ids[static_cast<size_t>(firstRow)]
                : *at;
            if (from == 0)
                return rows;
            return d->Store->RowsFrom(from, wanted - firstRow);
        }
    }
    d->EnsureRows(static_cast<size_t>(wanted));
    const int last = std::min(wanted, static_cast<int>(d->Ids.size()));
    if (firstRow >= last)
        return rows;
    rows.reserve(static_cast<size_t>(last - firstRow));
    for (int i = firstRow; i < last; ++i)
        rows.push_back(TInvoiceListRow { d->Ids[static_cast<size_t>(i)], {}, {}, {}, {} });
    // Both sides ascend by REC_ID; rows another handle added in the range are skipped.
    const std::vector<TInvoiceListRow> stored
        = d->Store->ListRows(rows.front().REC_ID, rows.back().REC_ID);
    size_t i = 0;
    for (const TInvoiceListRow &row : stored) {
        while (i < rows.size() && rows[i].REC_ID < row.REC_ID)
            ++i;
        if (i == rows.size())
            break;
        if (rows[i].REC_ID == row.REC_ID)
            rows[i++] = row;
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
