#pragma once
// Whole-file reads and writes for tests that set up or inspect files on disk.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

// One file path in a fresh temporary folder; Path is set by the derived fixture's SetUp.
class TTempFileTest : public ::testing::Test
{
protected:
    void Write(const QByteArray &bytes) { WriteBytes(Path, bytes); }

    QTemporaryDir Dir;
    QString Path;
};
