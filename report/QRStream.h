#pragma once
// The byte store behind a rendered page list: memory while small, a temporary file once it
// outgrows its limit, or a saved report file opened for reading.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

class QFile;
class QIODevice;

enum TQRSeekOrigin { soFromBeginning, soFromCurrent, soFromEnd };

class TQRStream
{
public:
    // Positions inside the store are written as signed 32-bit values, so it never grows past this.
    static constexpr std::int64_t MaxStoreSize = 2147483647;
    // Copies between stores and files go in chunks of this size.
    static constexpr std::int64_t CopyChunkSize = 10240;

    explicit TQRStream(std::int32_t pMemoryLimit);
    ~TQRStream();
    TQRStream(const TQRStream &) = delete;
    TQRStream &operator=(const TQRStream &) = delete;

    // Opens an existing file as a read-only store; others may keep reading and writing it.
    static std::unique_ptr<TQRStream> CreateFromFile(const QString &Filename);

    // Each returns what the usual stream operations return: bytes written, bytes read and the
    // new position. Write throws rather than let the store pass MaxSize().
    std::int64_t Write(const void *Buffer, std::int64_t Count);
    std::int64_t Read(void *Buffer, std::int64_t Count);
    std::int64_t Seek(std::int64_t Offset, TQRSeekOrigin Origin);

    // Write and Read that fail with an error instead of returning a short count.
    void WriteBuffer(const void *Buffer, std::int64_t Count);
    void ReadBuffer(void *Buffer, std::int64_t Count);

    std::int64_t Position();
    std::int64_t Size();
    // Cuts the store back to NewSize bytes (used to undo a page that could not be stored whole).
    void SetSize(std::int64_t NewSize);

    void LockStream() { FLock.lock(); }
    void UnlockStream() { FLock.unlock(); }
    std::recursive_mutex &Lock() { return FLock; }

    // Copies the whole store into AStream from position 0; the position is left at the end.
    void SaveToStream(QIODevice &AStream);

    bool InMemory() const { return FInMemory; }
    bool ReadOnly() const { return FReadOnly; }
    std::int32_t MemoryLimit() const { return FMemoryLimit; }
    // The spill file (once spilled) or the opened file; empty for a store still in memory.
    QString FileName() const;

    // The largest size the store may reach. Lowered only by tests, to reach the limit cheaply.
    std::int64_t MaxSize() const { return FMaxSize; }
    void SetMaxSize(std::int64_t Value) { FMaxSize = Value; }

private:
    TQRStream() = default;
    void SpillToFile();
    [[noreturn]] void WriteFailed() const;

    std::int64_t FileRead(std::int64_t At, void *Buffer, std::int64_t Count);
    bool FileWrite(std::int64_t At, const void *Buffer, std::int64_t Count);

    std::recursive_mutex FLock;
    QByteArray MemoryStream;
    std::int64_t FPosition = 0;
    QString FFilename;
    std::unique_ptr<QFile> FileStream;
    // The file is unbuffered; reads go through one aligned block of it, so that walking the
    // page records costs memory reads rather than system calls.
    std::int64_t FFileSize = 0;
    QByteArray FCache;
    std::int64_t FCacheStart = 0;
    bool FInMemory = true;
    bool FReadOnly = false;
    std::int32_t FMemoryLimit = 0;
    std::int64_t FMaxSize = MaxStoreSize;
};
