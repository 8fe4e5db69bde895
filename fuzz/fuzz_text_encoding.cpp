// Bytes of a code page from outside: the first byte picks the page and the rule, the rest
// is decoded and encoded again. Checks what every caller relies on: the count of replaced
// bytes, one character per byte on a single-byte page, and that a text decoded without a
// replacement encodes to bytes that decode to the same text.
#include "platform/TextEncoding.h"

#include <QList>

#include <cstdint>
#include <cstdlib>

#define CHECK(c)                                                                                   \
    do {                                                                                           \
        if (!(c))                                                                                  \
            std::abort();                                                                          \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char *const pages[] = { "CP1254", "CP1252", "ISO-8859-9", "CP857", "CP874",
        "CP932", "CP936", "CP949", "CP950", "CP1255", "CP1258", "CP1250" };
    constexpr unsigned count = sizeof pages / sizeof *pages;
    if (size == 0)
        return 0;
    const auto rule = data[0] & 0x80 ? TUnmappedByte::SameNumber : TUnmappedByte::Replace;
    const auto enc = TTextEncoding::Find(pages[(data[0] & 0x7F) % count], rule);
    CHECK(enc);
    const QByteArrayView bytes(
        reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size - 1));
    int replaced = -1;
    const QString text = enc->Decode(bytes, &replaced);
    CHECK(replaced >= 0 && replaced <= bytes.size());
    CHECK(text.count(QChar(0xFFFD)) >= replaced);
    // Hebrew and Vietnamese compose a letter and its mark into one character.
    const bool composes = enc->Name() == "CP1255" || enc->Name() == "CP1258";
    if (enc->SingleByte() && !composes)
        CHECK(text.toUcs4().size() == bytes.size());
    const QByteArray again = enc->Encode(text);
    if (replaced == 0 && !composes && !text.contains(QChar(0xFFFD))) {
        CHECK(enc->CanEncode(text));
        CHECK(enc->Decode(again) == text);
    }
    return 0;
}
