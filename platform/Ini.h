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
#include <optional>
#include <utility>
#include <vector>

// How the bytes of a file are decoded; a rewrite keeps the file's own choice.
enum class TIniEncoding {
    Utf8, // valid UTF-8 without a byte order mark (plain ASCII lands here too)
    Utf8Bom, // UTF-8 behind EF BB BF
    Utf16LE, // UTF-16 little endian behind FF FE
    Cp1254, // anything else: the Turkish Windows code page
};

// Files larger than this are refused rather than read.
inline constexpr qint64 kIniMaxFileSize = 16 * 1024 * 1024;

using TIniPairs = std::vector<std::pair<QString, QString>>;

// One INI text in memory, line by line, with the raw bytes of every line kept.
class TIniDocument
{
public:
    TIniDocument() = default; // an empty UTF-8 text

    static TIniDocument FromBytes(const QByteArray &bytes);
    QByteArray ToBytes() const;
    TIniEncoding Encoding() const { return FEncoding; }

    // The value of the first occurrence of key in section; nullopt when there is none.
    std::optional<QString> Value(QStringView section, QStringView key) const;
    // Section names in file order, and key names of one section, each once.
    QStringList SectionNames() const;
    QStringList KeyNames(QStringView section) const;
    bool HasSection(QStringView section) const;

    // Replaces the value of the key's first occurrence, or appends the key at the end of
    // the section, or appends the section at the end of the text. False (and nothing
    // changed) when the names or the value cannot be held by one INI line or by the
    // document's encoding.
    bool SetValue(QStringView section, QStringView key, QStringView value);

private:
    enum class TKind { Other, Section, Key };
    struct TLine {
        QByteArray Raw; // the line's bytes as in the file, without its line break
        QByteArray Break; // the line break's bytes (empty on a last line without one)
        QString Text; // the decoded line
        TKind Kind = TKind::Other;
        QString Name; // section or key name, trimmed
        QString Value; // a key's value, trimmed and unquoted
        int Section = -1; // index of the header line that owns this line (-1: none)
    };

    static TLine Classify(QString text, QByteArray raw, QByteArray lineBreak);
    QByteArray Encode(const QString &text) const;
    bool CanEncode(QStringView text) const;
    QByteArray LineBreak() const;
    void EnsureLastLineBroken();
    void Renumber();

    TIniEncoding FEncoding = TIniEncoding::Utf8;
    QByteArray FPrefix; // the byte order mark, if any
    QByteArray FSuffix; // a stray odd byte at the end of a UTF-16 file
    std::vector<TLine> FLines;
    bool FCrLf = false; // line break of new lines, taken from the file's first line
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
    QStringList ReadSections() const;

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
