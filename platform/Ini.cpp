#include "platform/Ini.h"

#include "platform/Errors.h"
#include "platform/TextEncoding.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

[[noreturn]] void ThrowUnableToWrite(const QString &path)
{
    throw EPlatformError(u"Unable to write to %1"_s.arg(path));
}

bool IsBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\v' || u == u'\f';
}

QString TrimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b).toString();
}

char16_t AsciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

bool IsValidUtf8(const unsigned char *p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false; // stray continuation byte, overlong lead or out of range
        }
        if (n - i <= extra)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))
            || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// Code page 1254 with the rule for fixed bytes: the bytes the code page leaves undefined
// stand for the C1 control of the same value, so that every byte decodes and a decoded
// text encodes back to the very same bytes.
const TTextEncoding &Cp1254()
{
    static const TTextEncoding cp = [] {
        const std::optional<TTextEncoding> e
            = TTextEncoding::FromNumber(1254, TUnmappedByte::SameNumber);
        if (!e)
            throw EPlatformError(u"Code page 1254 is not available (iconv)"_s);
        return *e;
    }();
    return cp;
}

bool IsUtf16(TIniEncoding enc)
{
    return enc == TIniEncoding::Utf16LE || enc == TIniEncoding::Utf16BE;
}

// UTF-16 without a mark shows itself by its zeros: every ASCII character (all the INI syntax
// and every key name) has a zero high byte, which lands on odd offsets in little endian and
// even ones in big endian; 8-bit texts have no zeros at all, or few and scattered.
std::optional<TIniEncoding> Utf16ByZeros(const QByteArray &bytes)
{
    const qsizetype n = std::min<qsizetype>(bytes.size(), 65536) / 2 * 2;
    qsizetype evenZeros = 0, oddZeros = 0;
    for (qsizetype i = 0; i < n; i += 2) {
        evenZeros += bytes[i] == '\0';
        oddZeros += bytes[i + 1] == '\0';
    }
    const qsizetype units = n / 2;
    if (units == 0)
        return std::nullopt;
    if (oddZeros * 2 >= units && evenZeros * 4 <= oddZeros)
        return TIniEncoding::Utf16LE;
    if (evenZeros * 2 >= units && oddZeros * 4 <= evenZeros)
        return TIniEncoding::Utf16BE;
    return std::nullopt;
}

quint32 NameHash(QStringView name)
{
    quint32 h = 2166136261u;
    for (QChar c : name) {
        h ^= AsciiLower(c.unicode());
        h *= 16777619u;
    }
    return h;
}

QString AsciiLowered(QStringView name)
{
    QString out(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        out[i] = QChar(AsciiLower(name[i].unicode()));
    return out;
}

enum class TKind { Other, Section, Key };

struct TParsedLine {
    TKind Kind = TKind::Other;
    QString Name; // section or key name, trimmed
    QString Value; // a key's value, up to a NUL, trimmed and unquoted
    bool NulOutsideValue = false;
};

TParsedLine ParseLine(const QString &text)
{
    TParsedLine line;
    const QString t = TrimBlanks(text);
    const qsizetype nul = t.indexOf(QChar(0));
    line.NulOutsideValue = nul >= 0;
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']', 1);
        line.Kind = TKind::Section;
        line.Name = TrimBlanks(QStringView(t).mid(1, close < 0 ? -1 : close - 1));
        return line;
    }
    if (t.isEmpty() || t.startsWith(u';'))
        return line;
    const qsizetype eq = t.indexOf(u'=');
    if (eq <= 0)
        return line;
    QString key = TrimBlanks(QStringView(t).left(eq));
    if (key.isEmpty())
        return line;
    // The platform's profile functions hand a value over as a C string: a NUL ends it.
    QStringView rest = QStringView(t).mid(eq + 1);
    if (nul > eq)
        rest = rest.left(nul - eq - 1);
    line.NulOutsideValue = nul >= 0 && nul < eq;
    QString value = TrimBlanks(rest);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    line.Kind = TKind::Key;
    line.Name = std::move(key);
    line.Value = std::move(value);
    return line;
}

} // namespace

// Names match without regard to ASCII letter case only: "ı" and "I" stay different, as
// they do in the platform's own INI functions.
bool IniSameName(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i].unicode()) != AsciiLower(b[i].unicode()))
            return false;
    return true;
}

// ---- TIniDocument ------------------------------------------------------------------------

int TIniDocument::UnitSize() const
{
    return IsUtf16(FEncoding) ? 2 : 1;
}

char16_t TIniDocument::Unit(qsizetype at) const
{
    const auto b = [&](qsizetype i) { return static_cast<unsigned char>(FBytes[i]); };
    switch (FEncoding) {
    case TIniEncoding::Utf16LE:
        return static_cast<char16_t>(b(at) | (b(at + 1) << 8));
    case TIniEncoding::Utf16BE:
        return static_cast<char16_t>((b(at) << 8) | b(at + 1));
    default:
        return b(at); // the syntax is ASCII, which every 8-bit encoding here shares
    }
}

QString TIniDocument::Decode(qsizetype start, qsizetype length) const
{
    const char *p = FBytes.constData() + start;
    switch (FEncoding) {
    case TIniEncoding::Utf8:
    case TIniEncoding::Utf8Bom:
        return QString::fromUtf8(p, length);
    case TIniEncoding::Utf16LE:
    case TIniEncoding::Utf16BE: {
        QString s(length / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i + 1 < length; i += 2)
            s[i / 2] = QChar(Unit(start + i));
        return s;
    }
    case TIniEncoding::Cp1254:
        return Cp1254().Decode(QByteArrayView(p, length));
    }
    return {};
}

TIniDocument TIniDocument::FromBytes(const QByteArray &bytes)
{
    TIniDocument d;
    d.FBytes = bytes;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        d.FEncoding = TIniEncoding::Utf8Bom;
        d.FBodyStart = 3;
        if (!IsValidUtf8(
                reinterpret_cast<const unsigned char *>(bytes.constData()) + 3, bytes.size() - 3))
            d.FEncodingProblem = u"the text behind the UTF-8 mark is not UTF-8"_s;
    } else if (bytes.startsWith("\xFF\xFE")) {
        d.FEncoding = TIniEncoding::Utf16LE;
        d.FBodyStart = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        d.FEncoding = TIniEncoding::Utf16BE;
        d.FBodyStart = 2;
    } else if (const std::optional<TIniEncoding> wide = Utf16ByZeros(bytes)) {
        d.FEncoding = *wide;
    } else if (IsValidUtf8(
                   reinterpret_cast<const unsigned char *>(bytes.constData()), bytes.size())) {
        d.FEncoding = TIniEncoding::Utf8;
    } else {
        d.FEncoding = TIniEncoding::Cp1254;
    }
    d.FBodyEnd = bytes.size();
    if (IsUtf16(d.FEncoding) && (d.FBodyEnd - d.FBodyStart) % 2 != 0) {
        --d.FBodyEnd; // a stray odd byte stays at the very end
        d.FEncodingProblem = u"the UTF-16 text has an odd number of bytes"_s;
    }
    d.Parse();
    return d;
}

// Indexes the section and key lines. Lines are split at LF; a CR before it belongs to the
// break. Only lines that can be a section or a key are decoded, so blank lines cost nothing.
void TIniDocument::Parse()
{
    FSections.clear();
    FKeys.clear();
    FCrLf = false;
    FProblem = FEncodingProblem;
    const int us = UnitSize();
    const char *p = FBytes.constData();
    bool breakSeen = false;
    char16_t highPending = 0;
    qsizetype pos = FBodyStart;
    while (pos < FBodyEnd) {
        qsizetype lf = -1;
        if (us == 1) {
            const void *hit = std::memchr(p + pos, '\n', static_cast<size_t>(FBodyEnd - pos));
            lf = hit ? static_cast<const char *>(hit) - p : -1;
        } else {
            for (qsizetype q = pos; q + 1 < FBodyEnd; q += 2) {
                const char16_t u = Unit(q);
                // Surrogates come in pairs; a lone one is no text.
                if (QChar::isLowSurrogate(u) != (highPending != 0) && FProblem.isEmpty())
                    FProblem = u"the UTF-16 text has a broken surrogate pair at byte %1"_s.arg(q);
                highPending = QChar::isHighSurrogate(u) ? u : 0;
                if (u == u'\n') {
                    lf = q;
                    break;
                }
            }
        }
        qsizetype contentEnd = lf >= 0 ? lf : FBodyEnd;
        if (lf >= 0 && contentEnd - pos >= us && Unit(contentEnd - us) == u'\r')
            contentEnd -= us;
        if (lf >= 0 && !breakSeen) {
            FCrLf = contentEnd != lf;
            breakSeen = true;
        }

        qsizetype q = pos;
        while (q < contentEnd && IsBlank(QChar(Unit(q))))
            q += us;
        bool candidate = false, hasNul = false;
        if (q < contentEnd) {
            const char16_t first = Unit(q);
            bool hasEq = false;
            for (qsizetype r = q; r < contentEnd; r += us) {
                const char16_t u = Unit(r);
                hasEq = hasEq || u == u'=';
                hasNul = hasNul || u == 0;
            }
            candidate = first == u'[' || (first != u';' && hasEq);
        }
        if (candidate) {
            const TParsedLine line = ParseLine(Decode(pos, contentEnd - pos));
            const TEntry e { static_cast<quint32>(pos), static_cast<quint32>(contentEnd - pos),
                static_cast<qint32>(FSections.size()) - 1, NameHash(line.Name) };
            if (line.Kind == TKind::Section)
                FSections.push_back(e);
            else if (line.Kind == TKind::Key)
                FKeys.push_back(e);
            hasNul = line.NulOutsideValue;
        }
        if (hasNul && FProblem.isEmpty())
            FProblem = u"a NUL character stands outside a value at byte %1"_s.arg(pos);
        pos = lf >= 0 ? lf + us : FBodyEnd;
    }
    if (highPending && FProblem.isEmpty())
        FProblem = u"the UTF-16 text ends inside a surrogate pair"_s;
}

std::vector<bool> TIniDocument::MatchingSections(const QString &section) const
{
    const quint32 h = NameHash(section);
    std::vector<bool> match(FSections.size());
    for (size_t i = 0; i < FSections.size(); ++i)
        match[i] = FSections[i].Hash == h
            && IniSameName(ParseLine(LineText(FSections[i])).Name, section);
    return match;
}

const TIniDocument::TEntry *TIniDocument::FindKey(const QString &section, const QString &key) const
{
    const std::vector<bool> match = MatchingSections(section);
    const quint32 h = NameHash(key);
    for (const TEntry &e : FKeys)
        if (e.Section >= 0 && match[e.Section] && e.Hash == h
            && IniSameName(ParseLine(LineText(e)).Name, key))
            return &e;
    return nullptr;
}

std::optional<QString> TIniDocument::Value(QStringView section, QStringView key) const
{
    if (const TEntry *e = FindKey(TrimBlanks(section), TrimBlanks(key)))
        return ParseLine(LineText(*e)).Value;
    return std::nullopt;
}

QStringList TIniDocument::SectionNames() const
{
    QStringList out;
    QSet<QString> seen;
    for (const TEntry &e : FSections) {
        QString name = ParseLine(LineText(e)).Name;
        if (!seen.contains(AsciiLowered(name))) {
            seen.insert(AsciiLowered(name));
            out.append(std::move(name));
        }
    }
    return out;
}

QStringList TIniDocument::KeyNames(QStringView section) const
{
    const std::vector<bool> match = MatchingSections(TrimBlanks(section));
    QStringList out;
    QSet<QString> seen;
    for (const TEntry &e : FKeys) {
        if (e.Section < 0 || !match[e.Section])
            continue;
        QString name = ParseLine(LineText(e)).Name;
        if (!seen.contains(AsciiLowered(name))) {
            seen.insert(AsciiLowered(name));
            out.append(std::move(name));
        }
    }
    return out;
}

bool TIniDocument::CanEncode(QStringView text) const
{
    if (FEncoding != TIniEncoding::Cp1254)
        return true; // lone surrogates aside, every text has a UTF form
    return Cp1254().CanEncode(text);
}

QByteArray TIniDocument::Encode(const QString &text) const
{
    switch (FEncoding) {
    case TIniEncoding::Utf8:
    case TIniEncoding::Utf8Bom:
        return text.toUtf8();
    case TIniEncoding::Utf16LE:
    case TIniEncoding::Utf16BE: {
        const bool le = FEncoding == TIniEncoding::Utf16LE;
        QByteArray out(text.size() * 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char lo = static_cast<char>(text[i].unicode() & 0xFF);
            const char hi = static_cast<char>(text[i].unicode() >> 8);
            out[2 * i] = le ? lo : hi;
            out[2 * i + 1] = le ? hi : lo;
        }
        return out;
    }
    case TIniEncoding::Cp1254:
        return Cp1254().Encode(text);
    }
    return {};
}

QByteArray TIniDocument::LineBreak() const
{
    return Encode(FCrLf ? u"\r\n"_s : u"\n"_s);
}

// The position after the line break that follows a line's content, or the content's end
// on a last line without one.
qsizetype TIniDocument::LineEnd(qsizetype contentEnd) const
{
    const int us = UnitSize();
    qsizetype at = contentEnd;
    if (at + us <= FBodyEnd && Unit(at) == u'\r')
        at += us;
    if (at + us <= FBodyEnd && Unit(at) == u'\n')
        return at + us;
    return contentEnd;
}

void TIniDocument::Splice(qsizetype at, qsizetype remove, const QByteArray &insert)
{
    FBytes.replace(at, remove, insert);
    FBodyEnd += insert.size() - remove;
    Parse();
}

bool TIniDocument::SetValue(QStringView section, QStringView key, QStringView value)
{
    const QString sec = TrimBlanks(section), k = TrimBlanks(key);
    auto hasAny = [](QStringView s, QStringView chars) {
        for (QChar c : chars)
            if (s.contains(c))
                return true;
        return false;
    };
    if (sec.isEmpty() || k.isEmpty() || hasAny(sec, u"]\r\n") || hasAny(k, u"=\r\n")
        || k.startsWith(u'[') || k.startsWith(u';') || hasAny(value, u"\r\n")
        || hasAny(sec, QStringView(u"\0", 1)) || hasAny(k, QStringView(u"\0", 1))
        || hasAny(value, QStringView(u"\0", 1)))
        return false;

    // A value that reading would change (surrounding blanks, a pair of quotes around it)
    // goes into quotes, so that what is written is what is read back.
    QString stored = value.toString();
    if (stored != TrimBlanks(stored)
        || (stored.size() >= 2 && (stored.front() == u'"' || stored.front() == u'\'')
            && stored.back() == stored.front()))
        stored = u'"' + stored + u'"';
    if (!CanEncode(sec) || !CanEncode(k) || !CanEncode(stored))
        return false;

    if (const TEntry *e = FindKey(sec, k)) {
        // The key keeps its spelling; the line loses only its surrounding blanks.
        const QString line = ParseLine(LineText(*e)).Name + u'=' + stored;
        Splice(e->Start, e->Length, Encode(line));
        return true;
    }

    const QString text = k + u'=' + stored;
    const std::vector<bool> match = MatchingSections(sec);
    for (size_t h = 0; h < FSections.size(); ++h) {
        if (!match[h])
            continue;
        // After the section's last key, so that comments and blank lines below it stay
        // with whatever follows.
        TEntry anchor = FSections[h];
        for (const TEntry &e : FKeys)
            if (e.Section == static_cast<qint32>(h))
                anchor = e;
        const qsizetype contentEnd = anchor.Start + anchor.Length;
        const qsizetype at = LineEnd(contentEnd);
        QByteArray insert;
        if (at == contentEnd)
            insert += LineBreak();
        insert += Encode(text) + LineBreak();
        Splice(at, 0, insert);
        return true;
    }

    // A new section at the end, a blank line apart from the text before it.
    QByteArray insert;
    if (FBodyEnd > FBodyStart) {
        const int us = UnitSize();
        qsizetype lastEnd = FBodyEnd;
        if (Unit(FBodyEnd - us) == u'\n') {
            lastEnd -= us;
            if (lastEnd - us >= FBodyStart && Unit(lastEnd - us) == u'\r')
                lastEnd -= us;
        } else {
            insert += LineBreak();
        }
        qsizetype lastStart = lastEnd;
        while (lastStart - us >= FBodyStart && Unit(lastStart - us) != u'\n')
            lastStart -= us;
        if (!TrimBlanks(Decode(lastStart, lastEnd - lastStart)).isEmpty())
            insert += LineBreak();
    }
    const QString header = u'[' + sec + u']';
    insert += Encode(header) + LineBreak() + Encode(text) + LineBreak();
    Splice(FBodyEnd, 0, insert);
    return true;
}

// ---- TIniFile ----------------------------------------------------------------------------

TIniDocument TIniFile::Load() const
{
    const std::optional<QByteArray> bytes = ReadFileBytes(FFileName);
    return bytes ? TIniDocument::FromBytes(*bytes) : TIniDocument();
}

void TIniFile::Store(const TIniDocument &doc) const
{
    WriteFileAtomically(FFileName, doc.ToBytes());
}

QString TIniFile::ReadString(
    QStringView section, QStringView key, const QString &defaultValue) const
{
    return Load().Value(section, key).value_or(defaultValue);
}

int TIniFile::ReadInteger(QStringView section, QStringView key, int defaultValue) const
{
    const std::optional<QString> v = Load().Value(section, key);
    return v ? IniStrToIntDef(*v, defaultValue) : defaultValue;
}

QStringList TIniFile::ReadSection(QStringView section) const
{
    return Load().KeyNames(section);
}

void TIniFile::WriteString(QStringView section, QStringView key, QStringView value)
{
    TIniDocument doc = Load();
    if (!doc.SetValue(section, key, value))
        ThrowUnableToWrite(FFileName);
    Store(doc);
}

void TIniFile::WriteInteger(QStringView section, QStringView key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteStrings(QStringView section, const TIniPairs &pairs)
{
    TIniDocument doc = Load();
    for (const auto &[key, value] : pairs)
        if (!doc.SetValue(section, key, value))
            ThrowUnableToWrite(FFileName);
    Store(doc);
}

// ---- free functions ----------------------------------------------------------------------

int IniStrToIntDef(QStringView text, int defaultValue)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    const QStringView s = text.mid(i);

    if (s.size() >= 3 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
        std::uint64_t v = 0;
        qsizetype j = 2;
        for (; j < s.size(); ++j) {
            const char16_t c = s[j].unicode();
            int d;
            if (c >= u'0' && c <= u'9')
                d = c - u'0';
            else if (c >= u'a' && c <= u'f')
                d = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                d = c - u'A' + 10;
            else
                break;
            v = v * 16 + static_cast<std::uint64_t>(d);
            if (v > 0xFFFFFFFFu)
                return defaultValue;
        }
        if (j == 2)
            return defaultValue;
        return static_cast<int>(static_cast<std::uint32_t>(v));
    }

    qsizetype j = 0;
    bool negative = false;
    if (j < s.size() && (s[j] == u'-' || s[j] == u'+')) {
        negative = s[j] == u'-';
        ++j;
    }
    const qsizetype firstDigit = j;
    std::int64_t v = 0;
    for (; j < s.size() && s[j] >= u'0' && s[j] <= u'9'; ++j) {
        v = v * 10 + (s[j].unicode() - u'0');
        if (v > 2147483648LL)
            return defaultValue;
    }
    if (j == firstDigit)
        return defaultValue;
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return defaultValue;
    return static_cast<int>(v);
}

std::optional<QByteArray> ReadFileBytes(const QString &path, qint64 maxSize)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    const QString unreadable = u"Unable to read %1"_s.arg(path);
    if (info.isDir())
        throw EPlatformError(unreadable);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(path))
            return std::nullopt; // gone between the two looks
        throw EPlatformError(unreadable);
    }
    const QString tooLarge = u"Unable to read %1: the file is larger than %2 MiB"_s.arg(
        path, QString::number(maxSize / (1024 * 1024)));
    if (f.size() > maxSize)
        throw EPlatformError(tooLarge);
    // Read at most one byte past the limit: a file that grows or lies about its size is
    // still refused instead of read whole.
    QByteArray data = f.read(maxSize + 1);
    if (f.error() != QFileDevice::NoError)
        throw EPlatformError(unreadable);
    if (data.size() > maxSize)
        throw EPlatformError(tooLarge);
    return data;
}

void WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    // A link is followed, so that the link stays and its target gets the new content.
    QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    if (target.isEmpty())
        ThrowUnableToWrite(path);
    const QFileInfo targetInfo(target);
    const QByteArray nativeTarget = QFile::encodeName(targetInfo.absoluteFilePath());
    const QByteArray nativeDir = QFile::encodeName(targetInfo.absolutePath());

    struct stat st = {};
    const bool exists = ::stat(nativeTarget.constData(), &st) == 0;
    if (exists) {
        // A read-only file stays unwritten even for a user whom the system would let
        // through (root): its write bits say it is not to be changed.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0
            || ::access(nativeTarget.constData(), W_OK) != 0)
            ThrowUnableToWrite(path);
    }

    QByteArray tmp = nativeDir + "/." + QFile::encodeName(targetInfo.fileName()) + ".tmp-XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        ThrowUnableToWrite(path);

    bool ok = true;
    if (exists) {
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only a privileged writer can hand the file back to its owner; others keep it.
        }
    } else {
        ok = ::fchmod(fd, 0644) == 0;
    }
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (ok && left > 0) {
        const ssize_t w = ::write(fd, p, static_cast<size_t>(left));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            ok = false;
            break;
        }
        p += w;
        left -= w;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.constData(), nativeTarget.constData()) == 0;
    if (!ok) {
        ::unlink(tmp.constData());
        ThrowUnableToWrite(path);
    }
    // The rename itself is made durable by flushing the folder; a failure here cannot undo
    // a write that has already happened, so it is not reported.
    const int dfd = ::open(nativeDir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}
