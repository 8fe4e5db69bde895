#pragma once
// A Paradox table of the old program ("fatura.DB" as the Borland Database Engine wrote it),
// read through pxlib.
//
// pxlib trusts the header and the block links of the file it reads, so every table is
// checked here first: header fields in range, the field list inside the header and adding up
// to the record size, and the chain of data blocks inside the file, without loops, holding
// exactly the record count of the header. Only a table that passes is handed to pxlib.

#include "platform/Errors.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The table cannot be read; the text says why, in Turkish.
class EParadoxError : public ELevantaError
{
public:
    using ELevantaError::ELevantaError;
};

// Field types as the table's header stores them.
enum class TParadoxType : std::uint8_t {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Number = 0x06,
    Logical = 0x09,
    MemoBlob = 0x0C,
    Blob = 0x0D,
    FmtMemoBlob = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoInc = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

struct TParadoxField {
    QString Name;
    TParadoxType Type;
    int Size = 0; // bytes in the record
    int Offset = 0; // from the start of the record
};

class TParadoxTable
{
public:
    // The code page a table that names none is written in.
    static constexpr int kDefaultCodePage = 1254;

    // True when the bytes begin like the header of a Paradox data table (.DB). Decides by
    // content alone; the file need not be whole.
    static bool IsParadoxHeader(const QByteArray &head);
    // The same for a file on disk; false when it cannot be read.
    static bool IsParadoxFile(const QString &fileName);
    // Looser: the marks of a Paradox data table (its file type and version) whatever the
    // rest of the header says, so that a damaged one is reported as such and not taken for
    // some other file.
    static bool LooksLikeParadoxHeader(const QByteArray &head);
    static bool LooksLikeParadoxFile(const QString &fileName);

    // Opens and checks the table. Throws EParadoxError.
    explicit TParadoxTable(const QString &fileName);
    // The same over bytes in memory (they are copied).
    static std::unique_ptr<TParadoxTable> FromBytes(const QByteArray &bytes);
    ~TParadoxTable();
    TParadoxTable(const TParadoxTable &) = delete;
    TParadoxTable &operator=(const TParadoxTable &) = delete;

    int RecordCount() const { return FRecordCount; }
    // The code page the header names, or kDefaultCodePage when it names none.
    int CodePage() const { return FCodePage; }
    const std::vector<TParadoxField> &Fields() const { return FFields; }
    // Index of the field with this name (letter case ignored), or -1.
    int FieldIndex(const QString &name) const;

    // Makes record recno (0-based, table order) the one the getters below read. Throws.
    void ReadRecord(int recno);

    // Alpha: the bytes up to the first NUL, still in the table's code page.
    QByteArray AlphaBytes(int field) const;
    // Alpha decoded from the table's code page. A byte without a character there becomes
    // U+FFFD; `unmapped` (when given) gets how many did.
    QString Text(int field, int *unmapped = nullptr) const;
    // Short, Long, AutoInc, Number, Currency, BCD and Logical as a number; nothing when the
    // field is blank (null) or of another type.
    std::optional<double> Number(int field) const;
    // Date: day number as Paradox counts (days since 1.1.0001 + 1); nothing when blank.
    std::optional<std::int32_t> DateDays(int field) const;

    struct TPx; // pxlib's document and the memory it holds

private:
    TParadoxTable();
    void OpenStream(std::FILE *stream, qint64 size, const QString &what);
    void Check(std::FILE *stream, qint64 size);

    std::unique_ptr<TPx> FPx;
    std::vector<TParadoxField> FFields;
    std::vector<char> FRecord;
    int FRecordCount = 0;
    int FRecordSize = 0;
    int FCodePage = kDefaultCodePage;
    QByteArray FBytes; // the memory behind a table read from bytes
};
