#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

QString WithSlash(const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    return clean.endsWith(u'/') ? clean : clean + u'/';
}

// A folder that cannot be resolved (gone, or unreadable on the way) is kept as written.
QString Canonical(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? folder : canonical;
}

} // namespace

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath() + u"/"_s;
}

TProgramFolders ChooseFolders(const TFolderFacts &facts)
{
    const QString program = WithSlash(facts.ProgramFolder);
    const bool inPrefix
        = !facts.InstallBinFolder.isEmpty() && program == WithSlash(facts.InstallBinFolder);
    TProgramFolders folders;
    folders.Pages
        = inPrefix ? WithSlash(program + facts.PagesFromBinFolder) : program + u"pages/"_s;
    folders.Installed
        = inPrefix && !facts.ProgramFolderHoldsTable && !facts.ProgramFolderHoldsMarker;
    if (!folders.Installed) {
        folders.Data = program;
        return folders;
    }
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    const QString base = QDir::isAbsolutePath(facts.XdgDataHome) ? facts.XdgDataHome
                                                                 : facts.Home + u"/.local/share"_s;
    folders.Data = WithSlash(base + u"/levanta"_s);
    return folders;
}

TFolderFacts GatherFolderFacts()
{
    TFolderFacts facts;
    facts.ProgramFolder = Canonical(QCoreApplication::applicationDirPath());
    const QString root = qEnvironmentVariable("LEVANTA_INSTALL_ROOT");
    facts.InstallBinFolder = Canonical(root + QStringLiteral(LEVANTA_INSTALL_BINDIR));
    facts.PagesFromBinFolder = QStringLiteral(LEVANTA_PAGES_FROM_BINDIR);
    const QDir program(facts.ProgramFolder);
    facts.ProgramFolderHoldsTable = QFileInfo::exists(program.filePath(u"fatura.DB"_s));
    facts.ProgramFolderHoldsMarker
        = QFileInfo::exists(program.filePath(QString::fromUtf16(kPortableMarker)));
    facts.XdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    facts.Home = QDir::homePath();
    return facts;
}

const TProgramFolders &ProgramFolders()
{
    static const TProgramFolders folders = [] {
        TProgramFolders chosen = ChooseFolders(GatherFolderFacts());
        if (chosen.Installed && !QFileInfo::exists(chosen.Data)) {
            // Invoices are nobody else's business: the folder is the user's alone.
            QDir().mkpath(QFileInfo(QDir::cleanPath(chosen.Data)).path());
            QDir().mkdir(chosen.Data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        return chosen;
    }();
    return folders;
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
