// Saved report files come from anywhere: load the bytes as one and read every page, forwards,
// backwards and by jumps. Damage must end in an error, never in a crash or a hang.
#include "platform/Errors.h"
#include "report/QRPageList.h"

#include <QBuffer>

#include <cstddef>
#include <memory>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TQRPageList list;
    try {
        if (size % 2 == 0) {
            QBuffer in;
            in.setData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
            in.open(QIODevice::ReadOnly);
            list.LoadFromStream(in);
        } else {
            // Half the inputs go through a spilled store, the file-backed reading path.
            auto store = std::make_unique<TQRStream>(0);
            store->WriteBuffer(data, static_cast<std::int64_t>(size));
            list.LoadFromStore(std::move(store));
        }
    } catch (const ELevantaError &) {
        return 0;
    }
    const int count = list.PageCount();
    auto read = [&](int n) {
        try {
            list.GetPage(n);
        } catch (const ELevantaError &) {
        }
    };
    for (int n = 1; n <= count + 1; ++n)
        read(n);
    for (int n = count; n >= 1; --n)
        read(n);
    for (int n : { count / 2, 1, count, 2, count - 1 })
        read(n);
    return 0;
}
