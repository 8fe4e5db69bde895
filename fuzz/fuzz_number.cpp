// Number texts from outside: a hand-edited money format in the settings file, pre-fill
// values, pasted field texts. The input is UTF-8; up to the first line break it is a display
// pattern, the rest is a value text. Besides not crashing, what the numeric field shows must
// read back to the same text, and the general format must read back strictly.
#include "platform/NumberFormat.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QString input
        = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype cut = input.indexOf(u'\n');
    const QString pattern = cut < 0 ? input : input.left(cut);
    const QString valueText = cut < 0 ? QString() : input.mid(cut + 1);

    for (const TFormatSettings &fs :
        { TFormatSettings::Turkish(), TFormatSettings::UnitedStates() }) {
        long double strict = 0;
        const bool ok = TryStrToFloat(input, strict, fs);
        const long double value = ParseNumericText(valueText, fs);
        if (ok && std::isnan(strict))
            std::abort();

        (void)FormatFloat(pattern, value, fs);
        (void)FormatFloat(pattern, strict, fs);

        if (std::isfinite(value)) {
            const QString shown = FormatFloat(u",0.00;-,0.00"_s, value, fs);
            const QString again = FormatFloat(u",0.00;-,0.00"_s, ParseNumericText(shown, fs), fs);
            if (shown != again)
                std::abort();

            const QString general = FloatToStrGeneral(value, fs);
            long double back = 0;
            if (!TryStrToFloat(general, back, fs) || FloatToStrGeneral(back, fs) != general)
                std::abort();
        }
    }
    return 0;
}
