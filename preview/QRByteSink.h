#pragma once
// Where a writer's bytes go: a small write interface, so that the file writers can be tested
// in memory and the file on disk is only ever replaced whole.

#include <QByteArray>
#include <QSaveFile>
#include <QString>

class TQRByteSink
{
public:
    virtual ~TQRByteSink() = default;
    virtual void Write(const char *data, qsizetype length) = 0;
    void Write(const QByteArray &bytes) { Write(bytes.constData(), bytes.size()); }
    // Everything written so far becomes the result. A sink given up before Commit leaves
    // nothing behind.
    virtual void Commit() = 0;
};

class TQRMemorySink : public TQRByteSink
{
public:
    void Write(const char *data, qsizetype length) override { FBytes.append(data, length); }
    void Commit() override { FCommitted = true; }
    const QByteArray &Bytes() const { return FBytes; }
    bool Committed() const { return FCommitted; }

private:
    QByteArray FBytes;
    bool FCommitted = false;
};

// Writes beside the target and renames over it on Commit: a failure (read-only folder, full
// disk) raises EPlatformError and leaves the previous file, or none, never a half-written one.
class TQRFileSink : public TQRByteSink
{
public:
    explicit TQRFileSink(const QString &fileName);
    void Write(const char *data, qsizetype length) override;
    void Commit() override;

private:
    void WriteBuffer();

    QSaveFile FFile;
    // Ours, not QFileDevice's: commit() does not see a write that fails while it empties
    // that one (a full disk under the last 16 KB) and would put a cut file in place.
    QByteArray FBuffer;
};
