#include "invoice/ParadoxTable.h"

#include "platform/TextEncoding.h"

#include <QDate>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
// pxlib's header declares C functions without saying so.
extern "C" {
#include <paradox.h>
}
#include <mutex>
#include <set>
#include <string>
#include <unordered_set>

using namespace Qt::StringLiterals;

namespace
{

// Offsets in the header, as the Borland Database Engine lays it out.
constexpr int kRecordSize = 0x00, kHeaderSize = 0x02, kFileType = 0x04, kMaxTableSize = 0x05,
              kNumRecords = 0x06, kFileBlocks = 0x0C, kFirstBlock = 0x0E, kNumFields = 0x21,
              kFileVersion = 0x39, kCodePage = 0x6A;
// The field list follows the fixed header: shorter before version 4.
constexpr int kFieldInfoOld = 0x58, kFieldInfoV4 = 0x78;
constexpr int kBlockHeader = 6;
constexpr int kMaxHeader = 0xFFFF;

int U8(const QByteArray &b, int at)
{
    return static_cast<unsigned char>(b[at]);
}
int U16(const QByteArray &b, int at)
{
    return U8(b, at) | (U8(b, at + 1) << 8);
}
std::uint32_t U32(const QByteArray &b, int at)
{
    return static_cast<std::uint32_t>(U16(b, at))
        | (static_cast<std::uint32_t>(U16(b, at + 2)) << 16);
}

bool IsDataTableType(int type)
{
    return type == 0 || type == 2;
}
bool IsBlockSize(int kb)
{
    return kb == 1 || kb == 2 || kb == 3 || kb == 4 || kb == 8 || kb == 16 || kb == 32;
}
// 3 = 3.0, 4 = 3.5, 5..9 = 4.x, 10..11 = 5.x, 12 = 7.x.
bool IsVersion(int id)
{
    return id >= 3 && id <= 12;
}
bool HasExtendedHeader(int versionId)
{
    return versionId >= 5;
}
int FieldInfoAt(int versionId)
{
    return HasExtendedHeader(versionId) ? kFieldInfoV4 : kFieldInfoOld;
}

// Bytes a field of this type takes, or 0 when any size is its own (alpha, blobs, bytes).
int FixedSize(int type)
{
    switch (static_cast<TParadoxType>(type)) {
    case TParadoxType::Date:
    case TParadoxType::Long:
    case TParadoxType::Time:
    case TParadoxType::AutoInc:
        return 4;
    case TParadoxType::Short:
        return 2;
    case TParadoxType::Currency:
    case TParadoxType::Number:
    case TParadoxType::Timestamp:
        return 8;
    case TParadoxType::Logical:
        return 1;
    case TParadoxType::Bcd:
        return 17;
    case TParadoxType::Alpha:
    case TParadoxType::MemoBlob:
    case TParadoxType::Blob:
    case TParadoxType::FmtMemoBlob:
    case TParadoxType::Ole:
    case TParadoxType::Graphic:
    case TParadoxType::Bytes:
        return 0;
    }
    return -1;
}

[[noreturn]] void Damaged(const QString &why)
{
    throw EParadoxError(why);
}

qint64 StreamSize(std::FILE *f)
{
    if (std::fseek(f, 0, SEEK_END) != 0)
        return -1;
    const long size = std::ftell(f);
    std::rewind(f);
    return size;
}

bool ReadAt(std::FILE *f, qint64 at, char *into, int n)
{
    return std::fseek(f, static_cast<long>(at), SEEK_SET) == 0
        && std::fread(into, 1, static_cast<size_t>(n), f) == static_cast<size_t>(n);
}

// pxlib reports through a callback; the last message goes into our error text.
void CollectError(pxdoc_t *, int, const char *message, void *data)
{
    if (data && message)
        *static_cast<std::string *>(data) = message;
}

void BootOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { PX_boot(); });
}

} // namespace

// pxlib frees some of its blocks twice when it gives up on a damaged header. Its memory
// therefore goes through these hooks: every block is known to the table that pxlib works
// for, a second free of a block is ignored, and what pxlib leaves is freed with the table.
struct TParadoxTable::TPx {
    std::string LastError;
    pxdoc_t *Doc = nullptr;
    std::FILE *Stream = nullptr;
    std::optional<TTextEncoding> Encoding; // a user's data: strict, counted
    std::unordered_set<void *> Blocks;

    ~TPx();
};

namespace
{

thread_local TParadoxTable::TPx *tWorkingFor = nullptr;

// Marks whose blocks pxlib's calls in this scope allocate and free.
class TPxScope
{
public:
    explicit TPxScope(TParadoxTable::TPx &px)
        : FBefore(tWorkingFor)
    {
        tWorkingFor = &px;
    }
    ~TPxScope() { tWorkingFor = FBefore; }
    TPxScope(const TPxScope &) = delete;
    TPxScope &operator=(const TPxScope &) = delete;

private:
    TParadoxTable::TPx *FBefore;
};

void *PxAllocate(pxdoc_t *, size_t size, const char *)
{
    void *block = std::malloc(size ? size : 1);
    if (block && tWorkingFor)
        tWorkingFor->Blocks.insert(block);
    return block;
}

void *PxReallocate(pxdoc_t *, void *old, size_t size, const char *)
{
    if (old && (!tWorkingFor || !tWorkingFor->Blocks.count(old)))
        return nullptr; // not a block of ours: never hand it to realloc
    void *block = std::realloc(old, size ? size : 1);
    if (block && tWorkingFor) {
        tWorkingFor->Blocks.erase(old);
        tWorkingFor->Blocks.insert(block);
    }
    return block;
}

void PxFree(pxdoc_t *, void *block)
{
    if (block && tWorkingFor && tWorkingFor->Blocks.erase(block))
        std::free(block);
}

} // namespace

TParadoxTable::TPx::~TPx()
{
    {
        TPxScope scope(*this);
        if (Doc) {
            PX_close(Doc);
            PX_delete(Doc);
        }
    }
    for (void *block : Blocks)
        std::free(block);
    if (Stream)
        std::fclose(Stream);
}

// ---- recognition and checks ----

namespace
{

// What is wrong with the fixed part of a header that says it is a Paradox data table; empty
// when nothing is.
QString HeaderFault(const QByteArray &head)
{
    const int version = U8(head, kFileVersion);
    const int numFields = U16(head, kNumFields);
    if (U16(head, kRecordSize) == 0)
        return u"kayıt boyu 0"_s;
    if (!IsBlockSize(U8(head, kMaxTableSize)))
        return u"blok boyu geçersiz (%1 KB)"_s.arg(U8(head, kMaxTableSize));
    if (numFields < 1 || numFields > 255)
        return u"alan sayısı geçersiz (%1)"_s.arg(numFields);
    if (U16(head, kHeaderSize) < FieldInfoAt(version) + 2 * numFields)
        return u"başlık boyu geçersiz (%1)"_s.arg(U16(head, kHeaderSize));
    return {};
}

} // namespace

bool TParadoxTable::LooksLikeParadoxHeader(const QByteArray &head)
{
    return head.size() >= kFieldInfoOld && !head.startsWith("SQLite format 3")
        && IsDataTableType(U8(head, kFileType)) && IsVersion(U8(head, kFileVersion));
}

bool TParadoxTable::IsParadoxHeader(const QByteArray &head)
{
    return LooksLikeParadoxHeader(head) && HeaderFault(head).isEmpty();
}

bool TParadoxTable::LooksLikeParadoxFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return LooksLikeParadoxHeader(file.read(kFieldInfoV4));
}

bool TParadoxTable::IsParadoxFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return IsParadoxHeader(file.read(kFieldInfoV4));
}

void TParadoxTable::Check(std::FILE *stream, qint64 size)
{
    QByteArray head(kFieldInfoOld, '\0');
    if (size < kFieldInfoOld || !ReadAt(stream, 0, head.data(), kFieldInfoOld)
        || !LooksLikeParadoxHeader(head))
        Damaged(u"dosya bir Paradox tablosu değil ya da başlığı bozuk"_s);
    if (const QString fault = HeaderFault(head); !fault.isEmpty())
        Damaged(u"başlığı bozuk: %1"_s.arg(fault));
    const int headerSize = U16(head, kHeaderSize);
    if (headerSize > size || headerSize > kMaxHeader)
        Damaged(u"başlık dosyadan uzun"_s);
    head.resize(headerSize);
    if (!ReadAt(stream, 0, head.data(), headerSize))
        Damaged(u"başlık okunamadı"_s);

    const int version = U8(head, kFileVersion);
    const int numFields = U16(head, kNumFields);
    const int recordSize = U16(head, kRecordSize);
    const int blockSize = U8(head, kMaxTableSize) * 1024;
    if (recordSize > blockSize - kBlockHeader)
        Damaged(u"kayıt boyu blok boyundan büyük"_s);

    // The field list: known types, sizes adding up to the record.
    int at = FieldInfoAt(version);
    int sum = 0;
    for (int i = 0; i < numFields; ++i, at += 2) {
        const int type = U8(head, at), fieldSize = U8(head, at + 1);
        const int fixed = FixedSize(type);
        if (fixed < 0 || fieldSize == 0 || (fixed > 0 && fieldSize != fixed))
            Damaged(u"%1. alanın türü ya da boyu bozuk"_s.arg(i + 1));
        sum += fieldSize;
    }
    if (sum != recordSize)
        Damaged(u"alanların boyları kayıt boyunu tutmuyor"_s);
    // Then a pointer to the table name, one per field name, the table name, and the field
    // names, each ending in NUL, all inside the header.
    at += 4 + 4 * numFields + (version >= 12 ? 261 : 79);
    for (int i = 0; i < numFields; ++i) {
        const int end = at < headerSize ? head.indexOf('\0', at) : -1;
        if (end < 0)
            Damaged(u"alan adları başlığın dışına taşıyor"_s);
        at = end + 1;
    }

    // The data blocks: the chain from the first block stays inside the file, visits each
    // block once and holds exactly the header's record count.
    const qint64 numRecords = U32(head, kNumRecords);
    const int fileBlocks = U16(head, kFileBlocks);
    if (numRecords > INT_MAX / 2)
        Damaged(u"kayıt sayısı bozuk"_s);
    if (static_cast<qint64>(fileBlocks) * blockSize > size - headerSize)
        Damaged(u"dosya kısa: başlıktaki blokların bir kısmı yok"_s);
    const int perBlock = (blockSize - kBlockHeader) / recordSize;
    qint64 found = 0;
    std::set<int> seen;
    for (int block = fileBlocks > 0 ? U16(head, kFirstBlock) : 0; block != 0;) {
        if (block > fileBlocks || !seen.insert(block).second)
            Damaged(u"veri bloklarının zinciri bozuk"_s);
        char raw[kBlockHeader];
        if (!ReadAt(
                stream, headerSize + static_cast<qint64>(block - 1) * blockSize, raw, kBlockHeader))
            Damaged(u"veri bloğu %1 okunamadı"_s.arg(block));
        const QByteArray b(raw, kBlockHeader);
        const int addDataSize = static_cast<std::int16_t>(U16(b, 4));
        if (addDataSize < -recordSize || addDataSize % recordSize != 0
            || addDataSize / recordSize + 1 > perBlock)
            Damaged(u"veri bloğu %1 bozuk"_s.arg(block));
        found += addDataSize / recordSize + 1;
        block = U16(b, 0);
    }
    if (found != numRecords)
        Damaged(u"başlıktaki kayıt sayısı (%1) bloklardakini (%2) tutmuyor"_s.arg(numRecords)
                    .arg(found));

    FRecordCount = static_cast<int>(numRecords);
    FRecordSize = recordSize;
    if (HasExtendedHeader(version) && headerSize > kCodePage + 1 && U16(head, kCodePage) != 0)
        FCodePage = U16(head, kCodePage);
}

// ---- opening ----

TParadoxTable::TParadoxTable()
    : FPx(std::make_unique<TPx>())
{
}

TParadoxTable::TParadoxTable(const QString &fileName)
    : TParadoxTable()
{
    std::FILE *f = std::fopen(QFile::encodeName(fileName).constData(), "rb");
    if (!f)
        Damaged(u"dosya açılamadı (%1)"_s.arg(QString::fromLocal8Bit(std::strerror(errno))));
    OpenStream(f, StreamSize(f), fileName);
}

std::unique_ptr<TParadoxTable> TParadoxTable::FromBytes(const QByteArray &bytes)
{
    std::unique_ptr<TParadoxTable> t(new TParadoxTable());
    t->FBytes = bytes;
    if (t->FBytes.isEmpty())
        Damaged(u"dosya boş"_s);
    std::FILE *f = fmemopen(t->FBytes.data(), static_cast<size_t>(t->FBytes.size()), "rb");
    if (!f)
        Damaged(u"bellek okunamadı"_s);
    t->OpenStream(f, t->FBytes.size(), QString());
    return t;
}

void TParadoxTable::OpenStream(std::FILE *stream, qint64 size, const QString &)
{
    FPx->Stream = stream;
    Check(stream, size);
    FPx->Encoding = TTextEncoding::FromNumber(FCodePage, TUnmappedByte::Replace);
    if (!FPx->Encoding)
        Damaged(u"tablonun kod sayfası (%1) bu sistemde tanınmıyor"_s.arg(FCodePage));
    std::rewind(stream);

    BootOnce();
    TPxScope scope(*FPx);
    FPx->Doc = PX_new3(CollectError, PxAllocate, PxReallocate, PxFree, &FPx->LastError);
    if (!FPx->Doc)
        Damaged(u"pxlib başlatılamadı"_s);
    if (PX_open_fp(FPx->Doc, stream) < 0)
        Damaged(u"pxlib tabloyu açamadı (%1)"_s.arg(QString::fromStdString(FPx->LastError)));
    if (PX_get_num_records(FPx->Doc) != FRecordCount || PX_get_recordsize(FPx->Doc) != FRecordSize)
        Damaged(u"pxlib başlığı başka okudu"_s);

    const int numFields = PX_get_num_fields(FPx->Doc);
    int offset = 0;
    for (int i = 0; i < numFields; ++i) {
        const pxfield_t *f = PX_get_field(FPx->Doc, i);
        if (!f)
            Damaged(u"%1. alan okunamadı"_s.arg(i + 1));
        const QString name = f->px_fname
            ? FPx->Encoding->Decode(QByteArrayView(f->px_fname)).trimmed()
            : QString();
        FFields.push_back(
            TParadoxField { name, static_cast<TParadoxType>(f->px_ftype), f->px_flen, offset });
        offset += f->px_flen;
    }
    if (offset != FRecordSize)
        Damaged(u"alanların boyları kayıt boyunu tutmuyor"_s);
    FRecord.assign(static_cast<size_t>(FRecordSize), '\0');
}

TParadoxTable::~TParadoxTable() = default;

int TParadoxTable::FieldIndex(const QString &name) const
{
    for (size_t i = 0; i < FFields.size(); ++i)
        if (FFields[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

void TParadoxTable::ReadRecord(int recno)
{
    if (recno < 0 || recno >= FRecordCount)
        Damaged(u"kayıt %1 yok"_s.arg(recno + 1));
    TPxScope scope(*FPx);
    if (!PX_get_record(FPx->Doc, recno, FRecord.data()))
        Damaged(u"kayıt %1 okunamadı (%2)"_s.arg(recno + 1).arg(
            QString::fromStdString(FPx->LastError)));
}

// ---- values ----

QByteArray TParadoxTable::AlphaBytes(int field) const
{
    const TParadoxField &f = FFields.at(static_cast<size_t>(field));
    if (f.Type != TParadoxType::Alpha)
        return {};
    TPxScope scope(*FPx);
    char *value = nullptr;
    QByteArray bytes;
    if (PX_get_data_alpha(FPx->Doc, const_cast<char *>(FRecord.data()) + f.Offset, f.Size, &value)
            > 0
        && value) {
        bytes = QByteArray(
            value, static_cast<qsizetype>(strnlen(value, static_cast<size_t>(f.Size))));
    }
    if (value)
        FPx->Doc->free(FPx->Doc, value);
    return bytes;
}

QString TParadoxTable::Text(int field, int *unmapped) const
{
    return FPx->Encoding->Decode(AlphaBytes(field), unmapped);
}

std::optional<double> TParadoxTable::Number(int field) const
{
    const TParadoxField &f = FFields.at(static_cast<size_t>(field));
    char *data = const_cast<char *>(FRecord.data()) + f.Offset;
    TPxScope scope(*FPx);
    switch (f.Type) {
    case TParadoxType::Number:
    case TParadoxType::Currency: {
        double v = 0;
        if (PX_get_data_double(FPx->Doc, data, f.Size, &v) <= 0)
            return std::nullopt;
        return v;
    }
    case TParadoxType::Long:
    case TParadoxType::AutoInc: {
        long v = 0;
        if (PX_get_data_long(FPx->Doc, data, f.Size, &v) <= 0)
            return std::nullopt;
        return static_cast<double>(v);
    }
    case TParadoxType::Short: {
        short v = 0;
        if (PX_get_data_short(FPx->Doc, data, f.Size, &v) <= 0)
            return std::nullopt;
        return v;
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::int32_t> TParadoxTable::DateDays(int field) const
{
    const TParadoxField &f = FFields.at(static_cast<size_t>(field));
    if (f.Type != TParadoxType::Date)
        return std::nullopt;
    TPxScope scope(*FPx);
    long v = 0;
    if (PX_get_data_long(FPx->Doc, const_cast<char *>(FRecord.data()) + f.Offset, f.Size, &v) <= 0)
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}
