// A queue's paper source names come from its PPD, written by any driver vendor. The input
// is UTF-8: up to the first line break a choice keyword, the rest its text. Besides not
// crashing, the meaning must be a tray code the engine knows (or none), and a queue made of
// the one choice must find it again under that meaning.
#include "platform/widgets/InputSlots.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QString input
        = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype cut = input.indexOf(u'\n');
    const TInputSlot slot { cut < 0 ? input : input.left(cut),
        cut < 0 ? QString() : input.mid(cut + 1) };
    const int code = TrayCodeOfInputSlot(slot);
    if (code < 0 || code > 14 || code == 12 || code == 13)
        std::abort();
    if (code != 0 && FindInputSlot({ slot }, code) != 0)
        std::abort();
    return 0;
}
