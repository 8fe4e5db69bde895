#include "preview/QRPDFCodec.h"

#include "preview/GlyphList.h"

#include <QRegularExpression>

#include <charconv>
#include <cstring>
#include <unordered_map>
#include <vector>

using namespace Qt::StringLiterals;

// --- LZW -----------------------------------------------------------------------------------

namespace
{

class TBitWriter
{
public:
    explicit TBitWriter(QByteArray &out)
        : FOut(out)
    {
    }
    void Put(unsigned code, int width)
    {
        FBits = (FBits << width) | code;
        FCount += width;
        while (FCount >= 8) {
            FCount -= 8;
            FOut.append(static_cast<char>((FBits >> FCount) & 0xFF));
        }
    }
    void Flush()
    {
        if (FCount > 0)
            FOut.append(static_cast<char>((FBits << (8 - FCount)) & 0xFF));
        FCount = 0;
    }

private:
    QByteArray &FOut;
    std::uint64_t FBits = 0;
    int FCount = 0;
};

// The string table as an open-addressing hash of (prefix code, byte) -> code; at most 4094
// entries live at once, so 8192 slots keep probes short.
class TLZWTable
{
public:
    TLZWTable() { Clear(); }
    void Clear() { std::fill(std::begin(FKeys), std::end(FKeys), 0u); }
    int Find(unsigned prefix, unsigned char c) const
    {
        const unsigned key = Key(prefix, c);
        for (unsigned i = Hash(key);; i = (i + 1) & Mask) {
            if (FKeys[i] == 0)
                return -1;
            if (FKeys[i] == key)
                return FCodes[i];
        }
    }
    void Add(unsigned prefix, unsigned char c, unsigned code)
    {
        const unsigned key = Key(prefix, c);
        unsigned i = Hash(key);
        while (FKeys[i] != 0)
            i = (i + 1) & Mask;
        FKeys[i] = key;
        FCodes[i] = static_cast<std::uint16_t>(code);
    }

private:
    static constexpr unsigned Size = 8192, Mask = Size - 1;
    // + 1 so that 0 marks an empty slot.
    static unsigned Key(unsigned prefix, unsigned char c) { return ((prefix << 8) | c) + 1; }
    static unsigned Hash(unsigned key) { return (key * 2654435761u) >> 19 & Mask; }
    unsigned FKeys[Size];
    std::uint16_t FCodes[Size];
};

constexpr unsigned ClearCode = 256, EndCode = 257, FirstCode = 258;
// The decoder reads one code behind the encoder's table and switches width one code early,
// so a code is written 10 bits wide once the table's next code reaches 512, and so on.
int CodeWidth(unsigned nextCode)
{
    return nextCode < 512 ? 9 : nextCode < 1024 ? 10 : nextCode < 2048 ? 11 : 12;
}

} // namespace

QByteArray PDFLZWEncode(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size() / 2 + 16);
    TBitWriter bits(out);
    auto table = std::make_unique<TLZWTable>();
    unsigned next = FirstCode;
    bits.Put(ClearCode, 9);
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
    const auto *end = p + data.size();
    if (p != end) {
        unsigned w = *p++;
        for (; p != end; ++p) {
            const int k = table->Find(w, *p);
            if (k >= 0) {
                w = static_cast<unsigned>(k);
                continue;
            }
            bits.Put(w, CodeWidth(next));
            table->Add(w, *p, next++);
            // A full table starts over; the decoder's widest code is 12 bits.
            if (next == 4094) {
                bits.Put(ClearCode, CodeWidth(next));
                table->Clear();
                next = FirstCode;
            }
            w = *p;
        }
        bits.Put(w, CodeWidth(next));
        // The decoder adds an entry after that last code, which may widen the end code.
        if (next != FirstCode)
            ++next;
    }
    bits.Put(EndCode, CodeWidth(next));
    bits.Flush();
    return out;
}

// --- ASCII85 -------------------------------------------------------------------------------

QByteArray PDFASCII85Encode(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size() * 5 / 4 + data.size() / 160 * 2 + 8);
    int counted = 0;
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
    qsizetype left = data.size();
    while (left > 0) {
        const int n = left >= 4 ? 4 : static_cast<int>(left);
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | (i < n ? p[i] : 0u);
        p += n;
        left -= n;
        if (n == 4 && v == 0) {
            out.append('z');
        } else {
            char group[5];
            for (int i = 4; i >= 0; --i) {
                group[i] = static_cast<char>('!' + v % 85);
                v /= 85;
            }
            out.append(group, n + 1);
        }
        counted += n == 4 ? 5 : n + 1;
        if (counted > 200) {
            out.append("\r\n", 2);
            counted = 0;
        }
    }
    out.append("~>", 2);
    return out;
}

// --- Code pages ----------------------------------------------------------------------------

// The font's encoding is fixed output: the fixed-bytes rule, as the settings file has it.
TPDFCodePage::TPDFCodePage(TTextEncoding encoding)
    : FEncoding(std::move(encoding))
{
}

TPDFCodePage TPDFCodePage::FromNumber(int number)
{
    if (auto e = TTextEncoding::FromNumber(number, TUnmappedByte::SameNumber))
        return TPDFCodePage(std::move(*e));
    return TPDFCodePage(*TTextEncoding::FromNumber(1252, TUnmappedByte::SameNumber));
}

TPDFCodePage TPDFCodePage::FromSetting(const QString &setting)
{
    const QString s = setting.trimmed();
    int number = 0;
    const QByteArray ascii = s.toLatin1();
    const auto [ptr, ec]
        = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), number);
    if (!s.isEmpty() && ec == std::errc() && ptr == ascii.constData() + ascii.size())
        return FromNumber(number);
    // "8859-9" is the ISO Latin code page for Turkish; read as a whole number it is none.
    static const QRegularExpression iso(
        u"^(?:iso[-_ ]?)?8859[-_ ]([0-9]{1,2})$"_s, QRegularExpression::CaseInsensitiveOption);
    if (const auto m = iso.match(s); m.hasMatch())
        if (auto e = TTextEncoding::Find(
                "ISO-8859-" + m.captured(1).toLatin1(), TUnmappedByte::SameNumber))
            return TPDFCodePage(std::move(*e));
    return FromNumber(1252);
}

const QByteArray &TPDFCodePage::Name() const
{
    return FEncoding.Name();
}

bool TPDFCodePage::SingleByte() const
{
    return FEncoding.SingleByte();
}

char32_t TPDFCodePage::ToUnicode(int b) const
{
    return b >= 0 && b < 256 ? FEncoding.CharOf(static_cast<unsigned char>(b)).value_or(0) : 0;
}

QByteArray TPDFCodePage::Encode(QStringView text) const
{
    return FEncoding.Encode(text);
}

void TPDFCodePage::EncodeTo(QStringView text, QByteArray &out) const
{
    FEncoding.EncodeTo(text, out);
}

// --- Glyph names ---------------------------------------------------------------------------

const char *GlyphNameOf(char32_t c)
{
    static const std::unordered_map<char32_t, const char *> first = [] {
        std::unordered_map<char32_t, const char *> m;
        for (int i = 0; i < GlyphListCount; ++i)
            m.emplace(GlyphList[i].Unicode, GlyphList[i].Name); // emplace keeps the first
        return m;
    }();
    const auto it = first.find(c);
    return it == first.end() ? nullptr : it->second;
}
