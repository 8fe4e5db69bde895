#include "report/QRStream.h"

#include "platform/Errors.h"
#include "report/QRError.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

QByteArray Bytes(int n, char seed = 'a')
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>(seed + i % 23);
    return b;
}

QByteArray ReadAll(TQRStream &s)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    s.SaveToStream(out);
    return out.data();
}

// Records the size of every write, to see the copy's chunks.
class TChunkRecorder : public QIODevice
{
public:
    std::vector<qint64> Writes;
    QByteArray Data;
    TChunkRecorder() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        Writes.push_back(len);
        Data.append(data, len);
        return len;
    }
};

} // namespace

TEST(QRStream, SpillsOnlyWhenTheSizeExceedsTheLimit)
{
    struct Row {
        int limit;
        int written;
        bool inMemory;
        const char *why;
    } rows[] = {
        { 100, 99, true, "below the limit" },
        { 100, 100, true, "at the limit is not beyond it" },
        { 100, 101, false, "one byte beyond spills" },
        { 0, 1, false, "a zero limit spills at the first byte" },
    };
    for (const Row &r : rows) {
        TQRStream s(r.limit);
        const QByteArray data = Bytes(r.written);
        EXPECT_EQ(s.Write(data.constData(), data.size()), r.written) << r.why;
        EXPECT_EQ(s.InMemory(), r.inMemory) << r.why;
        EXPECT_EQ(s.Position(), r.written) << r.why << ": the position stays at the end";
        EXPECT_EQ(ReadAll(s), data) << r.why;
    }
}

TEST(QRStream, SpillFileIsAUniqueQrpTemporaryAndGoesWithTheStore)
{
    QString name;
    {
        TQRStream a(10), b(10);
        const QByteArray data = Bytes(50);
        a.WriteBuffer(data.constData(), data.size());
        b.WriteBuffer(data.constData(), data.size());
        name = a.FileName();
        const QFileInfo info(name);
        EXPECT_TRUE(info.exists());
        EXPECT_TRUE(info.fileName().startsWith(u"QRP"_s)) << name.toStdString();
        EXPECT_EQ(info.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        EXPECT_NE(name, b.FileName());

        // After the spill every operation continues on the file.
        a.Seek(5, soFromBeginning);
        char c[3];
        EXPECT_EQ(a.Read(c, 3), 3);
        EXPECT_EQ(QByteArray(c, 3), data.mid(5, 3));
        a.Seek(0, soFromEnd);
        a.WriteBuffer("xyz", 3);
        EXPECT_EQ(a.Size(), 53);
    }
    EXPECT_FALSE(QFile::exists(name)) << "the spill file outlives its store";
}

TEST(QRStream, MemoryAndFileBackingsBehaveAlike)
{
    for (int limit : { 1000000, 4 }) {
        SCOPED_TRACE(limit == 4 ? "spilled" : "in memory");
        TQRStream s(limit);
        s.WriteBuffer("abcdefgh", 8);
        EXPECT_EQ(s.Seek(-3, soFromEnd), 5);
        char c[8] = {};
        EXPECT_EQ(s.Read(c, 8), 3) << "a read at the end returns what is there";
        EXPECT_EQ(s.Read(c, 8), 0);
        EXPECT_EQ(s.Seek(2, soFromBeginning), 2);
        EXPECT_EQ(s.Seek(1, soFromCurrent), 3);
        s.WriteBuffer("XY", 2);
        // A write after a seek past the end leaves zeros in the gap.
        s.Seek(10, soFromBeginning);
        s.WriteBuffer("Z", 1);
        EXPECT_EQ(ReadAll(s), QByteArray("abcXYfgh\0\0Z", 11));
        s.SetSize(4);
        EXPECT_EQ(ReadAll(s), QByteArray("abcX"));
        EXPECT_THROW(s.Seek(-1, soFromBeginning), EQRError);
        EXPECT_THROW(s.ReadBuffer(c, 1), EQRError) << "ReadBuffer at the end must fail";
    }
}

TEST(QRStream, RefusesToGrowBeyondItsMaximum)
{
    // Positions are stored as signed 32-bit values; the limit is lowered so that the test
    // need not write two gigabytes.
    for (int limit : { 1000000, 8 }) {
        TQRStream s(limit);
        EXPECT_EQ(s.MaxSize(), 2147483647);
        s.SetMaxSize(20);
        s.WriteBuffer("0123456789", 10);
        s.WriteBuffer("0123456789", 10);
        EXPECT_THROW(s.Write("x", 1), EQRError);
        EXPECT_EQ(s.Size(), 20) << "nothing of a refused write is kept";
        s.Seek(5, soFromBeginning);
        EXPECT_EQ(s.Write("abc", 3), 3) << "overwriting inside the limit still works";
        s.Seek(2147483640, soFromBeginning);
        s.SetMaxSize(TQRStream::MaxStoreSize);
        EXPECT_THROW(s.Write("0123456789", 10), EQRError)
            << "a write that would end past 2^31-1 is refused before anything is written";
    }
}

TEST(QRStream, SaveToStreamCopiesIn10240ByteChunks)
{
    for (int limit : { 1000000, 100 }) {
        TQRStream s(limit);
        const QByteArray data = Bytes(25000, 'A');
        s.WriteBuffer(data.constData(), data.size());
        TChunkRecorder out;
        s.SaveToStream(out);
        EXPECT_EQ(out.Data, data);
        EXPECT_EQ(out.Writes, (std::vector<qint64> { 10240, 10240, 4520 }));
        EXPECT_EQ(s.Position(), 25000);
    }
}

TEST(QRStream, OpenedFileIsReadOnlyAndStaysInPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"rapor.QRP"_s);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("hello world");
    }
    {
        auto s = TQRStream::CreateFromFile(path);
        EXPECT_FALSE(s->InMemory());
        EXPECT_TRUE(s->ReadOnly());
        EXPECT_EQ(s->MemoryLimit(), 0);
        EXPECT_EQ(ReadAll(*s), QByteArray("hello world"));
        EXPECT_THROW(s->Write("x", 1), EQRError);
        // Others may still read the file while it is open.
        QFile other(path);
        EXPECT_TRUE(other.open(QIODevice::ReadOnly));
    }
    EXPECT_TRUE(QFile::exists(path)) << "an opened report is closed, never deleted";

    try {
        TQRStream::CreateFromFile(dir.filePath(u"yok.QRP"_s));
        ADD_FAILURE() << "opening a missing file must fail";
    } catch (const EPlatformError &e) {
        EXPECT_TRUE(e.Message().startsWith(u"Cannot open file \""_s + dir.filePath(u"yok.QRP"_s)))
            << e.what();
    }
}

TEST(QRStream, FileReadsMatchTheBytesAcrossBlockEdgesAndAfterWrites)
{
    // The file is read through a block cache: pieces that straddle its blocks, pieces larger
    // than a block and reads after overwrites must all see the file's real bytes.
    QByteArray model = Bytes(300000, '0');
    TQRStream s(1000);
    s.WriteBuffer(model.constData(), model.size());
    ASSERT_FALSE(s.InMemory());
    std::uint32_t state = 12345;
    auto next = [&](std::uint32_t mod) {
        state = state * 1664525u + 1013904223u;
        return static_cast<std::int64_t>((state >> 8) % mod);
    };
    for (int i = 0; i < 2000; ++i) {
        const std::int64_t at = i % 7 == 0 ? 65536 - next(8) : next(300000);
        const std::int64_t len = i % 50 == 0 ? 70000 : next(40) + 1;
        if (i % 5 == 0) {
            const QByteArray patch = Bytes(static_cast<int>(len), static_cast<char>('a' + i % 20));
            s.Seek(at, soFromBeginning);
            s.WriteBuffer(patch.constData(), patch.size());
            if (at + len > model.size())
                model.resize(at + len);
            model.replace(at, len, patch);
            continue;
        }
        QByteArray got(len, '\0');
        s.Seek(at, soFromBeginning);
        got.resize(s.Read(got.data(), len));
        ASSERT_EQ(got, model.mid(at, len)) << "read of " << len << " at " << at;
        ASSERT_EQ(s.Position(), at + got.size());
    }
    EXPECT_EQ(s.Size(), model.size());
    EXPECT_EQ(ReadAll(s), model);
}
