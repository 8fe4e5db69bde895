#pragma once
// Text in the code pages of Windows and DOS (1250–1258, 874, 857, 932, 936, 949, 950, ...)
// and of ISO 8859, through glibc iconv, with one stated rule for a byte that has no
// character in its code page. Every reader and writer of such bytes goes through here.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

// What a byte without a character becomes. Which rule a use takes is its own choice:
enum class TUnmappedByte {
    // Where a user's data is read: the byte becomes U+FFFD and is counted, so that the
    // reader can say how many texts held one. Nothing invisible slips into the data.
    Replace,
    // Where the bytes are fixed (a settings file written back, a PDF's font encoding): a
    // byte 0x80–0x9F that the code page leaves undefined stands for the C1 control of the
    // same number, both ways, so that such a text goes back to the very same bytes; any
    // other undefined byte (and any on a multi-byte page) decodes as U+FFFD.
    SameNumber,
};

class TTextEncoding
{
public:
    // The code page by its iconv name ("CP1254", "ISO-8859-9", "CP932"); nothing when the
    // system's iconv does not know it.
    static std::optional<TTextEncoding> Find(const QByteArray &name, TUnmappedByte rule);
    // "CP" and the number.
    static std::optional<TTextEncoding> FromNumber(int codePage, TUnmappedByte rule);

    const QByteArray &Name() const;
    TUnmappedByte Rule() const;
    // False for the code pages of East Asia, where a character may take two bytes.
    bool SingleByte() const;

    // A single-byte code page's character for a byte under the rule; nothing where it has
    // none, and always nothing for a multi-byte code page.
    std::optional<char32_t> CharOf(unsigned char b) const;
    // The byte of a character in a single-byte code page (the lowest where two bytes share
    // it); -1 when it has none, and always -1 for a multi-byte code page.
    int ByteOf(char32_t c) const;

    // Every byte becomes text; `replaced` (when given) gets the number of bytes that had
    // no character and became U+FFFD.
    QString Decode(QByteArrayView bytes, int *replaced = nullptr) const;
    // A character the code page cannot hold becomes `missing`, one byte per character.
    QByteArray Encode(QStringView text, char missing = '?') const;
    void EncodeTo(QStringView text, QByteArray &out, char missing = '?') const;
    // True when Encode would need no `missing`.
    bool CanEncode(QStringView text) const;

    struct TTable;

private:
    explicit TTextEncoding(std::shared_ptr<const TTable> table);
    std::shared_ptr<const TTable> FTable;
};
