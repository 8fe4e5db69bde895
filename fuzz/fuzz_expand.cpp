// The page expander on raw bytes: the first four bytes ask for a length, the rest is the code.
// Whatever it expands must compress back to the very bits it consumed, and any input must
// survive a compress/expand round trip.
#include "platform/Errors.h"
#include "report/QRCompress.h"

#include <QByteArray>
#include <QtEndian>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView raw(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QByteArray coded = TQRCompress::CompressBytes(raw);
    if (TQRCompress::ExpandBytes(coded, raw.size()) != raw)
        std::abort();

    if (size < 4)
        return 0;
    const std::uint32_t asked = qFromLittleEndian<std::uint32_t>(data) % (1u << 16);
    const QByteArrayView code = raw.sliced(4);
    TQRCompress expander(/*CompressData*/ false);
    expander.SetInput(code);
    QByteArray plain;
    try {
        for (std::uint32_t i = 0; i < asked; ++i)
            plain += static_cast<char>(expander.Expand());
    } catch (const ELevantaError &) {
        return 0;
    }
    // The encoder pads its last byte with zero bits; every byte before it must match.
    const QByteArray again = TQRCompress::CompressBytes(plain);
    if (again.size() != expander.Consumed())
        std::abort();
    if (again.size() > 1 && again.chopped(1) != code.first(again.size() - 1))
        std::abort();
    return 0;
}
