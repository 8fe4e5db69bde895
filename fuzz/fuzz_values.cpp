// The "Values" text of stored design data: any bytes must give numbers or EQRError, and
// whatever parses must survive a write and a second read unchanged.
#include "report/QRError.h"
#include "report/QRUnits.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text
        = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    std::vector<long double> values;
    try {
        values = QRValuesFromText(text);
    } catch (const EQRError &) {
        return 0;
    }
    if (QRValuesFromText(QRValuesToText(values)) != values)
        std::abort();
    return 0;
}
