#include "CupsServer.h"

#include "LoopbackPort.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>
#include <cups/cups.h>
#include <cups/ipp.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

bool Answers(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

bool WriteText(const QString &path, const QString &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
}

QString Program(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty()
        ? QStandardPaths::findExecutable(name, { u"/usr/sbin"_s, u"/usr/local/sbin"_s, u"/sbin"_s })
        : found;
}

QString Text(ipp_t *ipp, const char *name)
{
    ipp_attribute_t *a = ippFindAttribute(ipp, name, IPP_TAG_ZERO);
    if (!a)
        return {};
    char buffer[1024];
    ippAttributeString(a, buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

} // namespace

TCupsServer::TCupsServer()
{
    if (!Start() && FError.isEmpty())
        FError = u"the scheduler did not start"_s;
}

TCupsServer::~TCupsServer()
{
    if (FDaemon.state() != QProcess::NotRunning) {
        FDaemon.terminate();
        if (!FDaemon.waitForFinished(5000)) {
            FDaemon.kill();
            FDaemon.waitForFinished(2000);
        }
    }
    cupsSetServer(nullptr);
    if (FSavedServer.isNull())
        qunsetenv("CUPS_SERVER");
    else
        qputenv("CUPS_SERVER", FSavedServer);
}

QString TCupsServer::Address() const
{
    return u"127.0.0.1:%1"_s.arg(FPort);
}

QString TCupsServer::OutputPath() const
{
    return FDir.filePath(u"out/out.pdf"_s);
}

QString TCupsServer::LogTail() const
{
    QFile log(FDir.filePath(u"log/error_log"_s));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = log.readAll();
    return QString::fromUtf8(all.right(2000));
}

bool TCupsServer::Fail(const QString &why)
{
    FError = why;
    return false;
}

bool TCupsServer::Start()
{
    if (!FDir.isValid())
        return Fail(u"no temporary folder"_s);
    const QString root = FDir.path();
    // The filters run as lp: the folders must let it through, the output folder take its
    // files, and the temporary folder its scratch files.
    QFile::setPermissions(root,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
            | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
            | QFileDevice::ExeOther);
    for (const char16_t *sub : { u"conf", u"spool", u"tmp", u"cache", u"state", u"log", u"out" })
        QDir(root).mkdir(QString::fromUtf16(sub));
    chmod(QFile::encodeName(FDir.filePath(u"tmp"_s)).constData(), 01777);
    chmod(QFile::encodeName(FDir.filePath(u"out"_s)).constData(), 0777);

    FPort = FreeLoopbackPort();
    if (FPort == 0)
        return Fail(u"no free loopback port"_s);

    const QString conf = FDir.filePath(u"conf/cupsd.conf"_s);
    const QString files = FDir.filePath(u"conf/cups-files.conf"_s);
    // Loopback only, and anyone on it may administer: this scheduler exists for one test.
    const QString cupsd
        = u"LogLevel warn\n"
          "Listen 127.0.0.1:%1\n"
          "Browsing No\n"
          "WebInterface No\n"
          "DefaultAuthType None\n"
          "DirtyCleanInterval 0\n"
          "JobRetryLimit 0\n"
          "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
          "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n"_s.arg(
              FPort);
    const QString cupsFiles = u"ServerRoot %1/conf\n"
                              "RequestRoot %1/spool\n"
                              "TempDir %1/tmp\n"
                              "CacheDir %1/cache\n"
                              "StateDir %1/state\n"
                              "ErrorLog %1/log/error_log\n"
                              "AccessLog %1/log/access_log\n"
                              "PageLog %1/log/page_log\n"
                              "Printcap %1/state/printcap\n"
                              "FileDevice Yes\n"_s.arg(root);
    if (!WriteText(conf, cupsd) || !WriteText(files, cupsFiles))
        return Fail(u"cannot write the scheduler's configuration"_s);

    FConf = conf;
    FFiles = files;
    if (!StartDaemon())
        return false;

    // From here on this scheduler is the print system of this process and its children.
    FSavedServer = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", Address().toUtf8());
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    cupsSetServer(Address().toUtf8().constData());

    const QString ppd = FDir.filePath(u"conf/levanta.ppd"_s);
    if (!WritePpd(ppd,
            { u"Auto/Automatic Selection"_s, u"Manual/Manual Feed"_s,
                u"Tractor/Continuous Form"_s }))
        return false;
    QString output;
    const QString uri = u"file://"_s + OutputPath();
    if (RunTool(u"lpadmin"_s, { u"-p"_s, Queue(), u"-E"_s, u"-v"_s, uri, u"-P"_s, ppd }, &output)
        != 0)
        return Fail(u"lpadmin could not add the queue: "_s + output);
    if (RunTool(u"lpadmin"_s, { u"-d"_s, Queue() }, &output) != 0)
        return Fail(u"lpadmin could not make the queue the default: "_s + output);
    return true;
}

bool TCupsServer::StartDaemon()
{
    const QString daemon = Program(u"cupsd"_s);
    if (daemon.isEmpty())
        return Fail(u"cupsd is not installed (package cups)"_s);
    // Should the test process die, the scheduler goes with it.
    FDaemon.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    FDaemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FDaemon.start(daemon, { u"-c"_s, FConf, u"-s"_s, FFiles, u"-f"_s });
    if (!FDaemon.waitForStarted(5000))
        return Fail(u"cupsd did not start: "_s + FDaemon.errorString());
    const QDeadlineTimer deadline(15000);
    while (!Answers(FPort)) {
        if (FDaemon.state() == QProcess::NotRunning)
            return Fail(u"cupsd stopped at once:\n"_s + LogTail());
        if (deadline.hasExpired())
            return Fail(u"cupsd does not answer on %1:\n"_s.arg(Address()) + LogTail());
        QThread::msleep(20);
    }
    return true;
}

QString TCupsServer::AddQueue(const QString &name, const QStringList &inputSlots)
{
    const QString ppd = FDir.filePath(u"conf/%1.ppd"_s.arg(name));
    if (!WritePpd(ppd, inputSlots))
        return FError;
    QString output;
    const QString uri = u"file://"_s + FDir.filePath(u"out/%1.pdf"_s.arg(name));
    if (RunTool(u"lpadmin"_s, { u"-p"_s, name, u"-E"_s, u"-v"_s, uri, u"-P"_s, ppd }, &output) != 0)
        return u"lpadmin could not add %1: "_s.arg(name) + output;
    return {};
}

QString TCupsServer::Stop()
{
    FDaemon.terminate();
    if (!FDaemon.waitForFinished(10000))
        return u"cupsd did not stop"_s;
    for (const QDeadlineTimer deadline(5000); Answers(FPort);) {
        if (deadline.hasExpired())
            return u"the port still answers after cupsd stopped"_s;
        QThread::msleep(20);
    }
    return {};
}

QString TCupsServer::Resume()
{
    if (FDaemon.state() != QProcess::NotRunning)
        return {};
    return StartDaemon() ? QString() : FError;
}

// cups-filters' generic PDF printer, cut to A4 and A5, with the given paper sources.
bool TCupsServer::WritePpd(const QString &path, const QStringList &inputSlots)
{
    QString source;
    for (const QString &dir :
        { u"/usr/share/ppd/cupsfilters"_s, u"/usr/share/cups/model"_s, u"/usr/share/ppd"_s }) {
        const QString candidate = dir + u"/Generic-PDF_Printer-PDF.ppd"_s;
        if (QFile::exists(candidate)) {
            source = candidate;
            break;
        }
    }
    QFile in(source);
    if (source.isEmpty() || !in.open(QIODevice::ReadOnly))
        return Fail(u"Generic-PDF_Printer-PDF.ppd not found (package cups-filters)"_s);
    static const QRegularExpression sizeLine(
        u"^\\*(PageSize|PageRegion|ImageableArea|PaperDimension) ([^/:]+)"_s);
    static const QRegularExpression defaultLine(
        u"^\\*Default(PageSize|PageRegion|ImageableArea|PaperDimension):"_s);
    QString out;
    for (const QString &line : QString::fromLatin1(in.readAll()).split(u'\n')) {
        const QRegularExpressionMatch size = sizeLine.match(line);
        if (size.hasMatch() && size.captured(2) != u"A4"_s && size.captured(2) != u"A5"_s)
            continue;
        if (line.startsWith(u"*CloseGroup: General"_s) && !inputSlots.isEmpty()) {
            out += u"*OpenUI *InputSlot/Media Source: PickOne\n"
                   "*OrderDependency: 20 AnySetup *InputSlot\n"
                   "*DefaultInputSlot: %1\n"_s.arg(inputSlots.first().section(u'/', 0, 0));
            for (const QString &slot : inputSlots)
                out += u"*InputSlot %1: \"\"\n"_s.arg(slot);
            out += u"*CloseUI: *InputSlot\n"_s;
        }
        if (defaultLine.match(line).hasMatch())
            out += line.section(u':', 0, 0) + u": A4\n"_s;
        else
            out += line + u'\n';
    }
    return WriteText(path, out) || Fail(u"cannot write the queue's PPD"_s);
}

int TCupsServer::RunTool(const QString &tool, const QStringList &args, QString *output) const
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(Program(tool), QStringList { u"-h"_s, Address() } + args);
    if (!p.waitForFinished(30000)) {
        if (output)
            *output = tool + u" did not finish: "_s + p.errorString();
        p.kill();
        return -1;
    }
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int TCupsServer::LastJobId() const
{
    int last = 0;
    static const QRegularExpression name(u"^c(\\d+)$"_s);
    for (const QString &f : QDir(FDir.filePath(u"spool"_s)).entryList(QDir::Files)) {
        const QRegularExpressionMatch m = name.match(f);
        if (m.hasMatch())
            last = std::max(last, m.captured(1).toInt());
    }
    return last;
}

std::optional<TCupsJob> TCupsServer::WaitForJob(int afterId, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        // Numbers are not always consecutive in the folder: removing a queue removes its jobs.
        int id = 0;
        static const QRegularExpression name(u"^c(\\d+)$"_s);
        for (const QString &f : QDir(FDir.filePath(u"spool"_s)).entryList(QDir::Files)) {
            const QRegularExpressionMatch m = name.match(f);
            const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
            if (n > afterId && (id == 0 || n < id))
                id = n;
        }
        if (id == 0) {
            QThread::msleep(25);
            continue;
        }
        const QByteArray path
            = QFile::encodeName(FDir.filePath(u"spool/c%1"_s.arg(id, 5, 10, QChar(u'0'))));
        // The scheduler writes a new c-file beside the old and renames it: a read sees one
        // whole version.
        const int fd = open(path.constData(), O_RDONLY);
        if (fd >= 0) {
            ipp_t *ipp = ippNew();
            const ipp_state_t state = ippReadFile(fd, ipp);
            close(fd);
            TCupsJob job;
            job.Id = id;
            job.State = Text(ipp, "job-state");
            job.Media = Text(ipp, "media");
            job.InputSlot = Text(ipp, "InputSlot");
            job.Sides = Text(ipp, "sides");
            job.PrintScaling = Text(ipp, "print-scaling");
            job.FitToPage = Text(ipp, "fit-to-page");
            // A job without copies prints the queue's default, one copy.
            ipp_attribute_t *copies = ippFindAttribute(ipp, "copies", IPP_TAG_INTEGER);
            job.Copies = copies ? ippGetInteger(copies, 0) : 1;
            ippDelete(ipp);
            if (state == IPP_STATE_DATA
                && (job.State == u"completed"_s || job.State == u"canceled"_s
                    || job.State == u"aborted"_s))
                return job;
        }
        QThread::msleep(25);
    }
    return std::nullopt;
}
