#include "report/QRStream.h"

#include "platform/Errors.h"
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

TQRStream::TQRStream(std::int32_t pMemoryLimit) : FMemoryLimit(pMemoryLimit) { }

// The spill file is a QTemporaryFile that removes itself; an opened report is a plain QFile
// that is only closed.
TQRStream::~TQRStream() = default;

std::unique_ptr<TQRStream> TQRStream::CreateFromFile(const QString &Filename)
{
    auto file = std::make_unique<QFile>(Filename);
    if (!file->open(QIODevice::ReadOnly))
        throw EPlatformError(u"Cannot open file \"%1\". %2"_s.arg(Filename, file->errorString()));
    std::unique_ptr<TQRStream> store(new TQRStream());
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
    throw EPlatformError(u"Unable to write to %1"_s.arg(FileName()));
}

std::int64_t TQRStream::Write(const void *Buffer, std::int64_t Count)
{
    std::lock_guard guard(FLock);
    if (Count <= 0)
        return 0;
    if (FReadOnly)
        throw EQRError(u"The report file \"%1\" is open for reading only"_s.arg(FileName()));
    const std::int64_t start = Position();
    if (start > FMaxSize - Count)
        throw EQRError(u"The page store cannot grow beyond %1 bytes"_s.arg(FMaxSize));

    if (!FInMemory) {
        if (FileStream->write(static_cast<const char *>(Buffer), Count) != Count)
            WriteFailed();
        return Count;
    }

    const std::int64_t end = start + Count;
    if (end > MemoryStream.size()) {
        // A write past the end after a seek beyond it leaves zeros in the gap, as a file would.
        const qsizetype old = MemoryStream.size();
        MemoryStream.resize(end);
        if (start > old)
            std::memset(MemoryStream.data() + old, 0, start - old);
    }
    std::memcpy(MemoryStream.data() + start, Buffer, Count);
    FMemoryPosition = end;
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
    auto file = std::make_unique<QTemporaryFile>(folder + u"/QRPXXXXXX.tmp"_s);
    file->setAutoRemove(true);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw EPlatformError(u"Cannot create file \"%1\". %2"_s.arg(
                file->fileTemplate(), u"The temporary folder does not exist."_s));
    if (!file->open())
        throw EPlatformError(
                u"Cannot create file \"%1\". %2"_s.arg(file->fileTemplate(), file->errorString()));
    if (file->write(MemoryStream) != MemoryStream.size() || !file->flush()
        || !file->seek(FMemoryPosition))
        throw EPlatformError(u"Unable to write to %1"_s.arg(file->fileName()));
    FFilename = file->fileName();
    FileStream = std::move(file);
    MemoryStream = QByteArray();
    FMemoryPosition = 0;
    FInMemory = false;
}

std::int64_t TQRStream::Read(void *Buffer, std::int64_t Count)
{
    std::lock_guard guard(FLock);
    if (Count <= 0)
        return 0;
    if (!FInMemory) {
        const std::int64_t got = FileStream->read(static_cast<char *>(Buffer), Count);
        return got < 0 ? 0 : got;
    }
    const std::int64_t left = MemoryStream.size() - FMemoryPosition;
    const std::int64_t got = std::min(Count, std::max<std::int64_t>(left, 0));
    if (got > 0)
        std::memcpy(Buffer, MemoryStream.constData() + FMemoryPosition, got);
    FMemoryPosition += got;
    return got;
}

std::int64_t TQRStream::Seek(std::int64_t Offset, TQRSeekOrigin Origin)
{
    std::lock_guard guard(FLock);
    std::int64_t base = 0;
    if (Origin == soFromCurrent)
        base = Position();
    else if (Origin == soFromEnd)
        base = Size();
    const std::int64_t target = base + Offset;
    if (target < 0)
        throw EQRError(u"Seek before the start of the page store (offset %1)"_s.arg(target));
    if (FInMemory)
        FMemoryPosition = target;
    else if (!FileStream->seek(target))
        throw EPlatformError(u"Cannot seek to offset %1 in \"%2\". %3"_s.arg(target).arg(
                FileName(), FileStream->errorString()));
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
    const std::int64_t at = Position();
    if (Read(Buffer, Count) != std::max<std::int64_t>(Count, 0))
        throw EQRError(u"Unexpected end of the page store at offset %1"_s.arg(at));
}

std::int64_t TQRStream::Position()
{
    std::lock_guard guard(FLock);
    return FInMemory ? FMemoryPosition : FileStream->pos();
}

std::int64_t TQRStream::Size()
{
    std::lock_guard guard(FLock);
    return FInMemory ? MemoryStream.size() : FileStream->size();
}

void TQRStream::SetSize(std::int64_t NewSize)
{
    std::lock_guard guard(FLock);
    if (FReadOnly)
        throw EQRError(u"The report file \"%1\" is open for reading only"_s.arg(FileName()));
    if (NewSize < 0)
        NewSize = 0;
    if (FInMemory) {
        MemoryStream.resize(NewSize);
        FMemoryPosition = std::min(FMemoryPosition, NewSize);
        return;
    }
    const std::int64_t pos = FileStream->pos();
    if (!FileStream->resize(NewSize))
        WriteFailed();
    FileStream->seek(std::min(pos, NewSize));
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
        if (AStream.write(chunk.data(), got) != got) {
            const QString name = [&] {
                if (auto *file = qobject_cast<QFileDevice *>(&AStream))
                    return file->fileName();
                return AStream.errorString();
            }();
            throw EPlatformError(u"Unable to write to %1"_s.arg(name));
        }
    }
}
