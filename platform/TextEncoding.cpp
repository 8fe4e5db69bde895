#include "platform/TextEncoding.h"

#include <QHash>
#include <QMutex>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <vector>

namespace
{

constexpr char32_t kReplacement = 0xFFFD;

// iconv's descriptor for one call; closed on every way out.
class TIconv
{
public:
    TIconv(const char *to, const char *from)
        : FCd(iconv_open(to, from))
    {
    }
    ~TIconv()
    {
        if (Valid())
            iconv_close(FCd);
    }
    TIconv(const TIconv &) = delete;
    TIconv &operator=(const TIconv &) = delete;
    bool Valid() const { return FCd != reinterpret_cast<iconv_t>(-1); }
    operator iconv_t() const { return FCd; }

private:
    iconv_t FCd;
};

bool IsC1(unsigned char b)
{
    return b >= 0x80 && b < 0xA0;
}

} // namespace

struct TTextEncoding::TTable {
    QByteArray Name;
    TUnmappedByte Rule = TUnmappedByte::Replace;
    bool SingleByte = true;
    // Vietnamese and Hebrew hold a letter back until they see whether a combining mark
    // follows; their texts are decoded as a whole so that such pairs compose.
    bool Stateful = false;
    std::array<char32_t, 256> ToUnicode {};
    std::array<bool, 256> Defined {};
    // Characters of the Basic Multilingual Plane to byte + 1 (0: not in the code page).
    std::vector<std::uint16_t> FromUnicode;
};

namespace
{

// One byte through iconv, flushed: the character, or nothing; `incomplete` when the byte
// only starts a character of a multi-byte code page.
std::optional<char32_t> ConvertByte(iconv_t cd, unsigned char b, bool &incomplete, bool &held)
{
    char in = static_cast<char>(b);
    char out[64];
    char *pin = &in, *pout = out;
    size_t inLeft = 1, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const size_t r = iconv(cd, &pin, &inLeft, &pout, &outLeft);
    incomplete = r == static_cast<size_t>(-1) && errno == EINVAL;
    held = false;
    if (r == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt;
    char *const beforeFlush = pout;
    iconv(cd, nullptr, nullptr, &pout, &outLeft);
    held = pout != beforeFlush;
    if (pout - out != 4)
        return std::nullopt;
    char32_t c;
    std::memcpy(&c, out, 4);
    return c;
}

std::shared_ptr<const TTextEncoding::TTable> BuildTable(const QByteArray &name, TUnmappedByte rule)
{
    TIconv cd("UTF-32LE", name.constData());
    if (!cd.Valid())
        return nullptr;
    auto t = std::make_shared<TTextEncoding::TTable>();
    t->Name = name;
    t->Rule = rule;
    t->FromUnicode.assign(0x10000, 0);
    for (int b = 0; b < 256 && t->SingleByte; ++b) {
        bool incomplete = false, held = false;
        std::optional<char32_t> c
            = ConvertByte(cd, static_cast<unsigned char>(b), incomplete, held);
        if (incomplete)
            t->SingleByte = false;
        t->Stateful = t->Stateful || held;
        if (!c && rule == TUnmappedByte::SameNumber && IsC1(static_cast<unsigned char>(b)))
            c = static_cast<char32_t>(b);
        t->Defined[b] = c.has_value();
        t->ToUnicode[b] = c.value_or(kReplacement);
    }
    if (!t->SingleByte) {
        t->Defined.fill(false);
        t->ToUnicode.fill(kReplacement);
        t->Stateful = true;
        return t;
    }
    for (int b = 255; b >= 0; --b) // the lowest byte wins where two bytes share a character
        if (t->Defined[b] && t->ToUnicode[b] < 0x10000)
            t->FromUnicode[t->ToUnicode[b]] = static_cast<std::uint16_t>(b + 1);
    return t;
}

// Tables are built once per code page, rule and process.
std::shared_ptr<const TTextEncoding::TTable> CachedTable(const QByteArray &name, TUnmappedByte rule)
{
    static QMutex lock;
    static QHash<QByteArray, std::shared_ptr<const TTextEncoding::TTable>> tables;
    const QByteArray key = name + (rule == TUnmappedByte::Replace ? "/r" : "/n");
    QMutexLocker guard(&lock);
    auto it = tables.find(key);
    if (it == tables.end())
        it = tables.insert(key, BuildTable(name, rule));
    return it.value();
}

void AppendChar(QString &out, char32_t c)
{
    if (c < 0x10000) {
        out.append(QChar(static_cast<char16_t>(c)));
    } else {
        const char32_t v = c - 0x10000;
        out.append(QChar(static_cast<char16_t>(0xD800 + (v >> 10))));
        out.append(QChar(static_cast<char16_t>(0xDC00 + (v & 0x3FF))));
    }
}

} // namespace

TTextEncoding::TTextEncoding(std::shared_ptr<const TTable> table)
    : FTable(std::move(table))
{
}

std::optional<TTextEncoding> TTextEncoding::Find(const QByteArray &name, TUnmappedByte rule)
{
    if (auto t = CachedTable(name, rule))
        return TTextEncoding(std::move(t));
    return std::nullopt;
}

std::optional<TTextEncoding> TTextEncoding::FromNumber(int codePage, TUnmappedByte rule)
{
    return Find("CP" + QByteArray::number(codePage), rule);
}

const QByteArray &TTextEncoding::Name() const
{
    return FTable->Name;
}

TUnmappedByte TTextEncoding::Rule() const
{
    return FTable->Rule;
}

bool TTextEncoding::SingleByte() const
{
    return FTable->SingleByte;
}

std::optional<char32_t> TTextEncoding::CharOf(unsigned char b) const
{
    if (!FTable->Defined[b])
        return std::nullopt;
    return FTable->ToUnicode[b];
}

int TTextEncoding::ByteOf(char32_t c) const
{
    if (!FTable->SingleByte || c >= 0x10000)
        return -1;
    return FTable->FromUnicode[c] - 1;
}

QString TTextEncoding::Decode(QByteArrayView bytes, int *replaced) const
{
    const TTable &t = *FTable;
    int bad = 0;
    QString out;
    if (!t.Stateful) {
        out.reserve(bytes.size());
        for (const char ch : bytes) {
            const auto b = static_cast<unsigned char>(ch);
            bad += !t.Defined[b];
            AppendChar(out, t.ToUnicode[b]);
        }
    } else {
        TIconv cd("UTF-32LE", t.Name.constData());
        if (!cd.Valid()) { // the table was built, so this is the system running out
            bad = static_cast<int>(bytes.size());
            out.fill(QChar(static_cast<char16_t>(kReplacement)), bytes.size());
        } else {
            std::vector<char> buffer(static_cast<size_t>(bytes.size()) * 4 + 64);
            char *in = const_cast<char *>(bytes.data());
            size_t inLeft = static_cast<size_t>(bytes.size());
            const auto take = [&](char *end) {
                for (const char *q = buffer.data(); q + 4 <= end; q += 4) {
                    char32_t c;
                    std::memcpy(&c, q, 4);
                    AppendChar(out, c);
                }
            };
            for (;;) {
                char *o = buffer.data();
                size_t outLeft = buffer.size();
                const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
                if (r == static_cast<size_t>(-1) && errno == E2BIG) {
                    take(o);
                    continue;
                }
                if (inLeft == 0 || r != static_cast<size_t>(-1)) {
                    iconv(cd, nullptr, nullptr, &o, &outLeft); // what a stateful page holds
                    take(o);
                    break;
                }
                // Undefined or cut short: this byte has no character; the rest goes on.
                take(o);
                const auto b = static_cast<unsigned char>(*in);
                const bool c1 = t.Rule == TUnmappedByte::SameNumber && t.SingleByte && IsC1(b);
                AppendChar(out, c1 ? static_cast<char32_t>(b) : kReplacement);
                bad += !c1;
                ++in;
                --inLeft;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
    }
    if (replaced)
        *replaced = bad;
    return out;
}

QByteArray TTextEncoding::Encode(QStringView text, char missing) const
{
    QByteArray out;
    EncodeTo(text, out, missing);
    return out;
}

void TTextEncoding::EncodeTo(QStringView text, QByteArray &out, char missing) const
{
    if (FTable->SingleByte) {
        const std::uint16_t *map = FTable->FromUnicode.data();
        const qsizetype start = out.size();
        out.resize(start + text.size());
        char *o = out.data() + start;
        qsizetype n = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size()
                && QChar::isLowSurrogate(text[i + 1].unicode()))
                ++i; // one character outside the plane: one `missing`
            const std::uint16_t b = QChar::isSurrogate(c) ? 0 : map[c];
            o[n++] = b ? static_cast<char>(b - 1) : missing;
        }
        out.resize(start + n);
        return;
    }
    // Multi-byte code pages: character by character, so that one that cannot be written
    // becomes `missing` and the rest survive.
    TIconv cd(FTable->Name.constData(), "UTF-32LE");
    if (!cd.Valid()) {
        out += text.toLatin1();
        return;
    }
    for (const char32_t c : text.toUcs4()) {
        char in[4], buf[16];
        std::memcpy(in, &c, 4);
        char *pin = in, *pout = buf;
        size_t inLeft = 4, outLeft = sizeof buf;
        if (iconv(cd, &pin, &inLeft, &pout, &outLeft) == static_cast<size_t>(-1)) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            out.append(missing);
        } else {
            out.append(buf, pout - buf);
        }
    }
}

bool TTextEncoding::CanEncode(QStringView text) const
{
    if (FTable->SingleByte) {
        for (const QChar c : text)
            if (c.isSurrogate() || FTable->FromUnicode[c.unicode()] == 0)
                return false;
        return true;
    }
    const QByteArray marked = Encode(text, '\0');
    const QByteArray plain = Encode(text, '?');
    return marked == plain;
}
