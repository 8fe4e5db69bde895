#pragma once
// Our private-profile (INI) layer. Each read and each write is one request: the file is read
// afresh, and a write rewrites it whole through a temporary file, so a crash never leaves a
// torn file. Lines the write does not touch keep their bytes, whatever the file's encoding.
//
// Grammar: "[name]" opens a section; "key=value" gives a value; lines before the first
// section, lines starting with ";" and lines without "=" are kept but hold no value. Section
// and key names match without regard to ASCII letter case, names and values are trimmed of
// surrounding blanks, one pair of matching quotes around a value is dropped, and the first
// occurrence of a key wins.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>
#include <optional>
#include <utility>
#include <vector>

// How the bytes of a file are decoded; a rewrite keeps the file's own choice. UTF-16 is
// recognised by its byte order mark or, without one, by the zero bytes that every ASCII
// character leaves in one half of its code unit.
enum class TIniEncoding {
    Utf8, // valid UTF-8 without a byte order mark (plain ASCII lands here too)
    Utf8Bom, // UTF-8 behind EF BB BF
    Utf16LE, // UTF-16 little endian, behind FF FE or without a mark
    Utf16BE, // UTF-16 big endian, behind FE FF or without a mark
    Cp1254, // anything else: the Turkish Windows code page
};

// Files larger than this are refused rather than read.
inline constexpr qint64 kIniMaxFileSize = 16 * 1024 * 1024;

// Names match without regard to ASCII letter case only: "ı" and "I" stay different, as
// they do in the platform's own INI functions.
bool IniSameName(QStringView a, QStringView b);

using TIniPairs = std::vector<std::pair<QString, QString>>;

// One INI text in memory: the file's bytes as they are, and a small index of its section
// and key lines (no copy of any line), so that a file of millions of lines costs its bytes
// and little more. A NUL character inside a value ends the value.
class TIniDocument
{
public:
    TIniDocument() = default; // an empty UTF-8 text

    static TIniDocument FromBytes(const QByteArray &bytes);
    QByteArray ToBytes() const { return FBytes; }
    TIniEncoding Encoding() const { return FEncoding; }
    // Empty when the bytes decode as a text; else why they do not (a UTF-16 text of an odd
    // number of bytes or with a broken surrogate pair, bad UTF-8 behind a UTF-8 mark, a NUL
    // outside a value). Such a document still reads and writes, keeping the bytes it has.
    const QString &DecodeProblem() const { return FProblem; }

    // The value of the first occurrence of key in section; nullopt when there is none.
    std::optional<QString> Value(QStringView section, QStringView key) const;
    // Section names in file order, and key names of one section, each once.
    QStringList SectionNames() const;
    QStringList KeyNames(QStringView section) const;

    // Replaces the value of the key's first occurrence, or appends the key at the end of
    // the section, or appends the section at the end of the text. False (and nothing
    // changed) when the names or the value cannot be held by one INI line or by the
    // document's encoding.
    bool SetValue(QStringView section, QStringView key, QStringView value);

private:
    // A section or key line: where its text lies in FBytes (without its line break), the
    // section it belongs to, and a hash of its name for quick lookups.
    struct TEntry {
        quint32 Start = 0;
        quint32 Length = 0;
        qint32 Section = -1; // keys: index into FSections, -1 before any section
        quint32 Hash = 0;
    };

    void Parse();
    QString Decode(qsizetype start, qsizetype length) const;
    QString LineText(const TEntry &e) const { return Decode(e.Start, e.Length); }
    QByteArray Encode(const QString &text) const;
    bool CanEncode(QStringView text) const;
    QByteArray LineBreak() const;
    int UnitSize() const;
    char16_t Unit(qsizetype at) const;
    qsizetype LineEnd(qsizetype contentEnd) const;
    std::vector<bool> MatchingSections(const QString &section) const;
    const TEntry *FindKey(const QString &section, const QString &key) const;
    void Splice(qsizetype at, qsizetype remove, const QByteArray &insert);

    TIniEncoding FEncoding = TIniEncoding::Utf8;
    QByteArray FBytes;
    qsizetype FBodyStart = 0; // after a byte order mark
    qsizetype FBodyEnd = 0; // before a stray odd byte at the end of a UTF-16 file
    bool FCrLf = false; // line break of new lines, taken from the file's first line
    QString FEncodingProblem; // found before the lines are looked at
    QString FProblem;
    std::vector<TEntry> FSections;
    std::vector<TEntry> FKeys;
};

// Reads an INI file by path; every call reads the file again.
class TIniFile
{
public:
    explicit TIniFile(QString fileName)
        : FFileName(std::move(fileName))
    {
    }
    const QString &FileName() const { return FFileName; }

    QString ReadString(QStringView section, QStringView key, const QString &defaultValue) const;
    int ReadInteger(QStringView section, QStringView key, int defaultValue) const;
    QStringList ReadSection(QStringView section) const; // key names

    // Throw EPlatformError "Unable to write to %s" and leave the old file as it was when
    // the file cannot be written (read-only folder or file, full disk, unwritable text).
    void WriteString(QStringView section, QStringView key, QStringView value);
    void WriteInteger(QStringView section, QStringView key, int value);
    // Several keys of one section in one rewrite: all of them land or none.
    void WriteStrings(QStringView section, const TIniPairs &pairs);

    // The whole file as a document; an empty one when the file does not exist. Throws
    // EPlatformError when the file exists but cannot be read or is too large.
    TIniDocument Load() const;

private:
    void Store(const TIniDocument &doc) const;

    QString FFileName;
};

// The integer reading of a value: after leading blanks, "0x"/"0X" followed by hexadecimal
// digits (the whole text at least three characters) is hexadecimal, read as 32 bits so that
// 0xFFFFFFFF is -1; otherwise an optional sign and the leading decimal digits ("12abc" is
// 12). No digits, or a number outside the int range, gives defaultValue.
int IniStrToIntDef(QStringView text, int defaultValue);

// The file's bytes, or nullopt when it does not exist. Throws EPlatformError when it exists
// but cannot be read or is larger than maxSize.
std::optional<QByteArray> ReadFileBytes(const QString &path, qint64 maxSize = kIniMaxFileSize);

// Replaces the file's content so that a crash leaves either the old or the new content:
// temporary file beside it, flushed to disk, renamed over it. Keeps the old file's mode.
// Throws EPlatformError "Unable to write to %s" and leaves the old file as it was.
void WriteFileAtomically(const QString &path, const QByteArray &bytes);
