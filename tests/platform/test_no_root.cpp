#include "support/NoRootPrivileges.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(NoRootPrivileges, ReadOnlyFolderRefusesNewFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    {
        TNoRootPrivileges guard;
        ASSERT_TRUE(guard.Active());
        QFile f(dir.filePath(u"x"_s));
        EXPECT_FALSE(f.open(QIODevice::WriteOnly));
    }
    // Privileges are back: the folder can be cleaned up.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
