// UBL-TR invoice files from outside (an integrator's signed file, a hand-edited one): the
// reader either gives a model or raises its error; what it gives must make a karekod text
// and read back the same from the file's own bytes.
#include "earsiv/Karekod.h"
#include "earsiv/UblReader.h"
#include "platform/Errors.h"

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const TEArsivInvoice inv = ReadUblInvoice(bytes, u"fuzz.xml"_s);
        const QString json = KAREKOD_METNI(inv);
        if (!json.startsWith(u'{') || !json.endsWith(u'}'))
            std::abort();
        if (ReadUblInvoice(bytes, u"fuzz.xml"_s).Number != inv.Number)
            std::abort(); // reading is a function of the bytes
    } catch (const EPlatformError &) {
    }
    return 0;
}
