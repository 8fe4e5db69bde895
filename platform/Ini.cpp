#include "platform/Ini.h"

#include "platform/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <array>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <iconv.h>
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

// Names match without regard to ASCII letter case only: "ı" and "I" stay different, as
// they do in the platform's own INI functions.
bool SameName(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i].unicode()) != AsciiLower(b[i].unicode()))
            return false;
    return true;
}

// A name written twice in a hand-edited file is listed once, in the spelling seen first.
void AppendNameOnce(QStringList &names, const QString &name)
{
    for (const QString &s : names)
        if (SameName(s, name))
            return;
    names.append(name);
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

// Code page 1254 through iconv, once per process, as a byte table. The five bytes the code
// page leaves undefined map to the C1 control of the same value, so that every byte
// decodes and a decoded text encodes back to the very same bytes.
struct TCp1254 {
    std::array<char16_t, 256> ToUnicode {};
    QHash<char16_t, char> FromUnicode;

    TCp1254()
    {
        iconv_t cd = iconv_open("UTF-16LE", "CP1254");
        if (cd == reinterpret_cast<iconv_t>(-1))
            throw EPlatformError(u"Code page 1254 is not available (iconv)"_s);
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            char out[8] = {};
            char *pin = &in, *pout = out;
            size_t inLeft = 1, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const size_t r = iconv(cd, &pin, &inLeft, &pout, &outLeft);
            char16_t u = static_cast<char16_t>(b);
            if (r != static_cast<size_t>(-1) && inLeft == 0 && sizeof out - outLeft == 2)
                u = static_cast<char16_t>(
                    static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8));
            ToUnicode[b] = u;
            if (!FromUnicode.contains(u))
                FromUnicode.insert(u, static_cast<char>(b));
        }
        iconv_close(cd);
    }
};

const TCp1254 &Cp1254()
{
    static const TCp1254 table;
    return table;
}

QString DecodeBytes(const char *p, qsizetype n, TIniEncoding enc)
{
    switch (enc) {
    case TIniEncoding::Utf8:
    case TIniEncoding::Utf8Bom:
        return QString::fromUtf8(p, n);
    case TIniEncoding::Utf16LE: {
        QString s(n / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i + 1 < n; i += 2)
            s[i / 2] = QChar(static_cast<char16_t>(
                static_cast<unsigned char>(p[i]) | (static_cast<unsigned char>(p[i + 1]) << 8)));
        return s;
    }
    case TIniEncoding::Cp1254: {
        const auto &t = Cp1254().ToUnicode;
        QString s(n, Qt::Uninitialized);
        for (qsizetype i = 0; i < n; ++i)
            s[i] = QChar(t[static_cast<unsigned char>(p[i])]);
        return s;
    }
    }
    return {};
}

} // namespace

// ---- TIniDocument ------------------------------------------------------------------------

TIniDocument::TLine TIniDocument::Classify(QString text, QByteArray raw, QByteArray lineBreak)
{
    TLine line;
    line.Raw = std::move(raw);
    line.Break = std::move(lineBreak);
    const QString t = TrimBlanks(text);
    line.Text = std::move(text);
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
    QString value = TrimBlanks(QStringView(t).mid(eq + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    line.Kind = TKind::Key;
    line.Name = std::move(key);
    line.Value = std::move(value);
    return line;
}

TIniDocument TIniDocument::FromBytes(const QByteArray &bytes)
{
    TIniDocument d;
    const char *p = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype pos = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        d.FEncoding = TIniEncoding::Utf8Bom;
        pos = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        d.FEncoding = TIniEncoding::Utf16LE;
        pos = 2;
    } else if (IsValidUtf8(reinterpret_cast<const unsigned char *>(p), n)) {
        d.FEncoding = TIniEncoding::Utf8;
    } else {
        d.FEncoding = TIniEncoding::Cp1254;
    }
    d.FPrefix = bytes.left(pos);

    bool breakSeen = false;
    if (d.FEncoding == TIniEncoding::Utf16LE) {
        qsizetype end = n - ((n - pos) % 2);
        d.FSuffix = bytes.mid(end); // a stray odd byte stays at the very end
        qsizetype start = pos;
        for (qsizetype i = pos; i < end; i += 2) {
            const bool last = i + 2 >= end;
            const bool lf = p[i] == '\n' && p[i + 1] == '\0';
            if (!lf && !last)
                continue;
            qsizetype contentEnd = lf ? i : end;
            qsizetype breakEnd = lf ? i + 2 : end;
            if (lf && contentEnd - start >= 2 && p[contentEnd - 2] == '\r'
                && p[contentEnd - 1] == '\0')
                contentEnd -= 2;
            if (lf && !breakSeen) {
                d.FCrLf = contentEnd != i;
                breakSeen = true;
            }
            d.FLines.push_back(Classify(DecodeBytes(p + start, contentEnd - start, d.FEncoding),
                bytes.mid(start, contentEnd - start),
                bytes.mid(contentEnd, breakEnd - contentEnd)));
            start = breakEnd;
        }
    } else {
        qsizetype start = pos;
        while (start < n) {
            const char *nl = static_cast<const char *>(memchr(p + start, '\n', n - start));
            const qsizetype lfAt = nl ? nl - p : -1;
            qsizetype contentEnd = lfAt >= 0 ? lfAt : n;
            const qsizetype breakEnd = lfAt >= 0 ? lfAt + 1 : n;
            if (lfAt >= 0 && contentEnd > start && p[contentEnd - 1] == '\r')
                --contentEnd;
            if (lfAt >= 0 && !breakSeen) {
                d.FCrLf = contentEnd != lfAt;
                breakSeen = true;
            }
            d.FLines.push_back(Classify(DecodeBytes(p + start, contentEnd - start, d.FEncoding),
                bytes.mid(start, contentEnd - start),
                bytes.mid(contentEnd, breakEnd - contentEnd)));
            start = breakEnd;
        }
    }
    d.Renumber();
    return d;
}

QByteArray TIniDocument::ToBytes() const
{
    QByteArray out = FPrefix;
    for (const TLine &l : FLines) {
        out += l.Raw;
        out += l.Break;
    }
    out += FSuffix;
    return out;
}

void TIniDocument::Renumber()
{
    int owner = -1;
    for (size_t i = 0; i < FLines.size(); ++i) {
        if (FLines[i].Kind == TKind::Section)
            owner = static_cast<int>(i);
        FLines[i].Section = owner;
    }
}

std::optional<QString> TIniDocument::Value(QStringView section, QStringView key) const
{
    const QString sec = TrimBlanks(section), k = TrimBlanks(key);
    for (const TLine &l : FLines)
        if (l.Kind == TKind::Key && l.Section >= 0 && SameName(l.Name, k)
            && SameName(FLines[l.Section].Name, sec))
            return l.Value;
    return std::nullopt;
}

QStringList TIniDocument::SectionNames() const
{
    QStringList out;
    for (const TLine &l : FLines)
        if (l.Kind == TKind::Section)
            AppendNameOnce(out, l.Name);
    return out;
}

QStringList TIniDocument::KeyNames(QStringView section) const
{
    const QString sec = TrimBlanks(section);
    QStringList out;
    for (const TLine &l : FLines)
        if (l.Kind == TKind::Key && l.Section >= 0 && SameName(FLines[l.Section].Name, sec))
            AppendNameOnce(out, l.Name);
    return out;
}

bool TIniDocument::HasSection(QStringView section) const
{
    const QString sec = TrimBlanks(section);
    for (const TLine &l : FLines)
        if (l.Kind == TKind::Section && SameName(l.Name, sec))
            return true;
    return false;
}

bool TIniDocument::CanEncode(QStringView text) const
{
    if (FEncoding != TIniEncoding::Cp1254)
        return true; // lone surrogates aside, every text has a UTF form
    const auto &rev = Cp1254().FromUnicode;
    for (QChar c : text)
        if (c.unicode() >= 0x80 && !rev.contains(c.unicode()))
            return false;
    return true;
}

QByteArray TIniDocument::Encode(const QString &text) const
{
    switch (FEncoding) {
    case TIniEncoding::Utf8:
    case TIniEncoding::Utf8Bom:
        return text.toUtf8();
    case TIniEncoding::Utf16LE: {
        QByteArray out(text.size() * 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            out[2 * i] = static_cast<char>(text[i].unicode() & 0xFF);
            out[2 * i + 1] = static_cast<char>(text[i].unicode() >> 8);
        }
        return out;
    }
    case TIniEncoding::Cp1254: {
        const auto &rev = Cp1254().FromUnicode;
        QByteArray out(text.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t u = text[i].unicode();
            out[i] = u < 0x80 ? static_cast<char>(u) : rev.value(u, '?');
        }
        return out;
    }
    }
    return {};
}

QByteArray TIniDocument::LineBreak() const
{
    if (FEncoding == TIniEncoding::Utf16LE)
        return FCrLf ? QByteArray("\r\0\n\0", 4) : QByteArray("\n\0", 2);
    return FCrLf ? QByteArray("\r\n") : QByteArray("\n");
}

void TIniDocument::EnsureLastLineBroken()
{
    if (!FLines.empty() && FLines.back().Break.isEmpty())
        FLines.back().Break = LineBreak();
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
        || k.startsWith(u'[') || k.startsWith(u';') || hasAny(value, u"\r\n"))
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

    for (TLine &l : FLines) {
        if (l.Kind == TKind::Key && l.Section >= 0 && SameName(l.Name, k)
            && SameName(FLines[l.Section].Name, sec)) {
            l.Text = l.Name + u'=' + stored;
            l.Raw = Encode(l.Text);
            l.Value = value.toString();
            return true;
        }
    }

    const QString text = k + u'=' + stored;
    for (size_t h = 0; h < FLines.size(); ++h) {
        if (FLines[h].Kind != TKind::Section || !SameName(FLines[h].Name, sec))
            continue;
        size_t after = h;
        for (size_t j = h + 1; j < FLines.size() && FLines[j].Section == static_cast<int>(h); ++j)
            if (FLines[j].Kind == TKind::Key)
                after = j;
        if (FLines[after].Break.isEmpty())
            FLines[after].Break = LineBreak();
        FLines.insert(FLines.begin() + after + 1, Classify(text, Encode(text), LineBreak()));
        Renumber();
        return true;
    }

    EnsureLastLineBroken();
    if (!FLines.empty() && !TrimBlanks(FLines.back().Text).isEmpty())
        FLines.push_back(Classify(QString(), QByteArray(), LineBreak()));
    const QString header = u'[' + sec + u']';
    FLines.push_back(Classify(header, Encode(header), LineBreak()));
    FLines.push_back(Classify(text, Encode(text), LineBreak()));
    Renumber();
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

QStringList TIniFile::ReadSections() const
{
    return Load().SectionNames();
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
