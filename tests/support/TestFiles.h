#pragma once
// Whole-file reads and writes for tests that set up or inspect files on disk.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

// The file's bytes, or "<missing>" so that a missing file never compares equal to content.
inline QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// While it lives, writes past `bytes` in any file fail as on a full disk: the file size
// limit, with its signal ignored so that the write returns an error instead.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &FSaved);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = FSaved;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &FSaved);
        std::signal(SIGXFSZ, FOldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit &) = delete;
    TFileSizeLimit &operator=(const TFileSizeLimit &) = delete;

private:
    rlimit FSaved {};
    void (*FOldHandler)(int) = nullptr;
};

// One file path in a fresh temporary folder; Path is set by the derived fixture's SetUp.
class TTempFileTest : public ::testing::Test
{
protected:
    void Write(const QByteArray &bytes) { WriteBytes(Path, bytes); }

    QTemporaryDir Dir;
    QString Path;
};
