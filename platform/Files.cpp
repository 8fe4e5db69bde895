#include "platform/Files.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath() + u"/"_s;
}

QString WriteFailureCause(const QString &path, const QString &reported)
{
    const auto systemText = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
    const QByteArray native = QFile::encodeName(path);
    struct stat st {
    };
    if (::stat(native.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return systemText(EISDIR);
        if (::access(native.constData(), W_OK) != 0)
            return systemText(errno);
    } else {
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        if (::access(folder.constData(), W_OK) != 0)
            return systemText(errno);
    }
    return reported;
}

bool WriteWhole(QIODevice &device, const char *data, qint64 length)
{
    const qint64 first = device.write(data, length);
    if (first == length)
        return true;
    if (first < 0)
        return false;
    return device.write(data + first, length - first) == length - first;
}

QString WithCause(const QString &text, const QString &cause)
{
    if (cause.isEmpty() || text.contains(cause))
        return text;
    return u"%1 (%2)"_s.arg(text, cause);
}
