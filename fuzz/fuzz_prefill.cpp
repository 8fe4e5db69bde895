// Pre-fill files from another program: parse under a Turkish and an American locale, and
// every so often go through the file, which must be gone afterwards, unless it could not
// be read as written: then it must still be there.
#include "invoice/Prefill.h"
#include "platform/Errors.h"
#include "platform/Ini.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const TPrefillData tr = ParsePrefill(bytes, TFormatSettings::Turkish());
    const TPrefillData us = ParsePrefill(bytes, TFormatSettings::UnitedStates());
    if (tr.SAYIN1 != us.SAYIN1 || tr.C1 != us.C1)
        std::abort(); // texts do not depend on the locale
    (void)std::isfinite(tr.F1);

    // The file round trip flushes to disk: every 256th input is enough for its few paths.
    static unsigned calls = 0;
    if (calls++ % 256 == 0) {
        static QTemporaryDir dir;
        const QString path = PrefillPath(dir.path());
        try {
            WriteFileAtomically(path, bytes);
        } catch (const EPlatformError &) {
            return 0;
        }
        try {
            const std::optional<TPrefillData> d = TakePrefill(path, TFormatSettings::Turkish());
            if (!d || d->SAYIN1 != tr.SAYIN1 || QFile::exists(path))
                std::abort();
        } catch (const EPlatformError &) {
            // A file that cannot be read as written is never deleted.
            if (!QFile::exists(path))
                std::abort();
            QFile::remove(path);
        }
    }
    return 0;
}
