// Paradox tables left by the old program: the header and block checks, pxlib behind them
// and the conversion of every record into an invoice. Whatever the bytes, the answer is an
// invoice or EParadoxError, never a crash, a hang or a read out of bounds.
#include "invoice/ParadoxImport.h"
#include "invoice/ParadoxTable.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const bool looksLikeOne = TParadoxTable::IsParadoxHeader(bytes);
    try {
        const std::unique_ptr<TParadoxTable> table = TParadoxTable::FromBytes(bytes);
        if (!looksLikeOne)
            std::abort(); // a table that opens was recognised first
        const TParadoxFieldPlan plan = PlanFields(*table);
        // The first and the last records reach the ends of the block chain.
        const int count = table->RecordCount();
        for (int i = 0; i < count; i = (i < 64 || i + 1 == count) ? i + 1 : count - 1) {
            table->ReadRecord(i);
            const TInvoiceRecord r = ConvertRecord(*table, plan);
            if (r.TARIH.size() > 255 || r.REC_ID < 0)
                std::abort();
        }
    } catch (const EParadoxError &) {
    }
    return 0;
}
