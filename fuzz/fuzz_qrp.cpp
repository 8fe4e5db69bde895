// Saved report files come from anywhere: load the bytes as one and read every page, forwards,
// backwards and by jumps. Damage must end in an error, never in a crash or a hang.
#include "platform/Errors.h"
#include "report/QRPageList.h"

#include <QBuffer>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>

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
    // The count is the records really walked, but a large file still holds many: read a
    // bounded sample (64-bit arithmetic, so no count can overflow it).
    const std::int64_t count = list.PageCount();
    constexpr std::int64_t Sample = 16;
    auto read = [&](std::int64_t n) {
        if (n < 1)
            return;
        try {
            list.GetPage(static_cast<int>(std::min<std::int64_t>(n, INT_MAX)));
        } catch (const ELevantaError &) {
        }
    };
    for (std::int64_t n = 1; n <= std::min(count, Sample) + 1; ++n)
        read(n);
    for (std::int64_t n = count; n >= std::max<std::int64_t>(1, count - Sample); --n)
        read(n);
    for (std::int64_t n : { count / 2, std::int64_t(1), count, std::int64_t(2), count - 1 })
        read(n);
    return 0;
}
