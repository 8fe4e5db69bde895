// Texts the e-Arşiv side reads from outside: amounts of a UBL-TR file (xsd:decimal), the
// invoice date as typed, units as typed. Besides not crashing, a decimal that parses must
// write back to a text that parses to the same value, and a date that parses must be valid.
#include "earsiv/EArsivBuild.h"
#include "earsiv/EArsivInvoice.h"
#include "earsiv/UnitCodes.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QString input
        = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (const std::optional<TDecimal> d = TDecimal::Parse(input)) {
        const std::optional<TDecimal> again = TDecimal::Parse(d->ToString());
        if (!again || !(*again == *d) || again->Scale != d->Scale)
            std::abort();
        (void)d->Rescaled(2);
    }
    const QDate date = ParseInvoiceDate(input);
    if (!date.isNull() && !date.isValid())
        std::abort();
    (void)KnownUnitCode(input);
    (void)UnitKey(input);
    return 0;
}
