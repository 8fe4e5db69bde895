#include "report/QRStream.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "report/QRError.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryFile>

#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
constexpr std::int64_t CacheBlock = 65536;
}

TQRStream::TQRStream(std::int32_t pMemoryLimit)
    : FMemoryLimit(pMemoryLimit)
{
}

// A spill file is ours and goes with the store; an opened report is only closed.
TQRStream::~TQRStream()
{
    FileStream.reset();
    if (!FFilename.isEmpty())
        QFile::remove(FFilename);
}

std::unique_ptr<TQRStream> TQRStream::CreateFromFile(const QString &Filename)
{
    auto file = std::make_unique<QFile>(Filename);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw EPlatformError(u"Cannot open file \"%1\". %2"_s.arg(Filename, file->errorString()));
    std::unique_ptr<TQRStream> store(new TQRStream());
    store->FFileSize = file->size();
    store->FileStream = std::move(file);
    store->FInMemory = false;
    store->FReadOnly = true;
    store->FMemoryLimit = 0;
    return store;
}

QString TQRStream::FileName() const
{
    return FileStream ? FileStream->fileName() : QString();
}

void TQRStream::WriteFailed() const
{
    throw EPlatformError(WithCause(u"Unable to write to %1"_s.arg(FileName()),
        FileStream ? FileStream->errorString() : QString()));
}

std::int64_t TQRStream::FileRead(std::int64_t At, void *Buffer, std::int64_t Count)
{
    if (!FileStream->seek(At))
        return 0;
    const std::int64_t got = FileStream->read(static_cast<char *>(Buffer), Count);
    return got < 0 ? 0 : got;
}

bool TQRStream::FileWrite(std::int64_t At, const void *Buffer, std::int64_t Count)
{
    FCache.clear();
    return FileStream->seek(At)
        && FileStream->write(static_cast<const char *>(Buffer), Count) == Count;
}

std::int64_t TQRStream::Write(const void *Buffer, std::int64_t Count)
{
    std::lock_guard guard(FLock);
    if (Count <= 0)
        return 0;
    if (FReadOnly)
        throw EQRError(u"The report file \"%1\" is open for reading only"_s.arg(FileName()));
    const std::int64_t start = FPosition;
    if (start > FMaxSize - Count)
        throw EQRError(u"The page store cannot grow beyond %1 bytes"_s.arg(FMaxSize));
    const std::int64_t end = start + Count;

    if (!FInMemory) {
        if (!FileWrite(start, Buffer, Count))
            WriteFailed();
        FPosition = end;
        FFileSize = std::max(FFileSize, end);
        return Count;
    }

    if (end > MemoryStream.size()) {
        // A write past the end after a seek beyond it leaves zeros in the gap, as a file would.
        const qsizetype old = MemoryStream.size();
        MemoryStream.resize(end);
        if (start > old)
            std::memset(MemoryStream.data() + old, 0, start - old);
    }
    std::memcpy(MemoryStream.data() + start, Buffer, Count);
    FPosition = end;
    if (MemoryStream.size() > FMemoryLimit)
        SpillToFile();
    return Count;
}

// Moves the bytes into a new unique temporary file. Should that fail, the store stays in
// memory with everything written so far, and the error says why.
void TQRStream::SpillToFile()
{
    // Qt answers an unusable temporary folder with an empty path, which would put the file
    // into the root folder.
    const QString folder = QDir::tempPath();
    QTemporaryFile unique(folder + u"/QRPXXXXXX.tmp"_s);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw EPlatformError(u"Cannot create file \"%1\". %2"_s.arg(
            unique.fileTemplate(), u"The temporary folder does not exist."_s));
    if (!unique.open())
        throw EPlatformError(
            u"Cannot create file \"%1\". %2"_s.arg(unique.fileTemplate(), unique.errorString()));
    const QString name = unique.fileName();

    auto file = std::make_unique<QFile>(name);
    if (!file->open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        throw EPlatformError(u"Cannot create file \"%1\". %2"_s.arg(name, file->errorString()));
    if (file->write(MemoryStream) != MemoryStream.size())
        throw EPlatformError(WithCause(u"Unable to write to %1"_s.arg(name), file->errorString()));
    // From here on the file is the store's, and it deletes it.
    unique.setAutoRemove(false);
    FFilename = name;
    FileStream = std::move(file);
    FFileSize = MemoryStream.size();
    FCache.clear();
    MemoryStream = QByteArray();
    FInMemory = false;
}

std::int64_t TQRStream::Read(void *Buffer, std::int64_t Count)
{
    std::lock_guard guard(FLock);
    const std::int64_t size = Size();
    const std::int64_t got = std::min(Count, size - FPosition);
    if (got <= 0)
        return 0;
    if (FInMemory) {
        std::memcpy(Buffer, MemoryStream.constData() + FPosition, got);
        FPosition += got;
        return got;
    }
    if (got >= CacheBlock) {
        const std::int64_t read = FileRead(FPosition, Buffer, got);
        FPosition += read;
        return read;
    }
    if (FPosition < FCacheStart || FPosition + got > FCacheStart + std::int64_t(FCache.size())) {
        // Aligned blocks serve walks in both directions; a piece that straddles two gets both.
        const std::int64_t first = FPosition / CacheBlock * CacheBlock;
        const std::int64_t last = (FPosition + got + CacheBlock - 1) / CacheBlock * CacheBlock;
        FCache.resize(std::min(last, size) - first);
        FCache.resize(FileRead(first, FCache.data(), FCache.size()));
        FCacheStart = first;
    }
    const std::int64_t have = std::min<std::int64_t>(got, FCacheStart + FCache.size() - FPosition);
    if (have <= 0)
        return 0;
    std::memcpy(Buffer, FCache.constData() + (FPosition - FCacheStart), have);
    FPosition += have;
    return have;
}

std::int64_t TQRStream::Seek(std::int64_t Offset, TQRSeekOrigin Origin)
{
    std::lock_guard guard(FLock);
    std::int64_t base = 0;
    if (Origin == soFromCurrent)
        base = FPosition;
    else if (Origin == soFromEnd)
        base = Size();
    const std::int64_t target = base + Offset;
    if (target < 0)
        throw EQRError(u"Seek before the start of the page store (offset %1)"_s.arg(target));
    FPosition = target;
    return target;
}

void TQRStream::WriteBuffer(const void *Buffer, std::int64_t Count)
{
    if (Write(Buffer, Count) != std::max<std::int64_t>(Count, 0))
        WriteFailed();
}

void TQRStream::ReadBuffer(void *Buffer, std::int64_t Count)
{
    std::lock_guard guard(FLock);
    const std::int64_t at = FPosition;
    if (Read(Buffer, Count) != std::max<std::int64_t>(Count, 0))
        throw EQRError(u"Unexpected end of the page store at offset %1"_s.arg(at));
}

std::int64_t TQRStream::Position()
{
    std::lock_guard guard(FLock);
    return FPosition;
}

std::int64_t TQRStream::Size()
{
    std::lock_guard guard(FLock);
    return FInMemory ? MemoryStream.size() : FFileSize;
}

void TQRStream::SetSize(std::int64_t NewSize)
{
    std::lock_guard guard(FLock);
    if (FReadOnly)
        throw EQRError(u"The report file \"%1\" is open for reading only"_s.arg(FileName()));
    NewSize = std::max<std::int64_t>(NewSize, 0);
    if (FInMemory) {
        MemoryStream.resize(NewSize);
    } else {
        FCache.clear();
        if (!FileStream->resize(NewSize))
            WriteFailed();
        FFileSize = NewSize;
    }
    FPosition = std::min(FPosition, NewSize);
}

void TQRStream::SaveToStream(QIODevice &AStream)
{
    std::lock_guard guard(FLock);
    Seek(0, soFromBeginning);
    std::vector<char> chunk(CopyChunkSize);
    for (;;) {
        const std::int64_t got = Read(chunk.data(), CopyChunkSize);
        if (got <= 0)
            break;
        if (!WriteWhole(AStream, chunk.data(), got)) {
            const QString name = [&] {
                if (auto *file = qobject_cast<QFileDevice *>(&AStream))
                    return file->fileName();
                return AStream.errorString();
            }();
            throw EPlatformError(
                WithCause(u"Unable to write to %1"_s.arg(name), AStream.errorString()));
        }
    }
}
