#include "PostgresServer.h"

#include "LoopbackPort.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <arpa/inet.h>
#include <grp.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

const QString kBin = u"/usr/lib/postgresql/15/bin/"_s;

bool Answers(int port)
{
    const QByteArray p = QByteArray::number(port);
    const char *keys[] = { "host", "port", "dbname", "user", "connect_timeout", nullptr };
    const char *values[] = { "127.0.0.1", p.constData(), "postgres", "postgres", "2", nullptr };
    return PQpingParams(keys, values, 0) == PQPING_OK;
}

} // namespace

TPostgresServer::TPostgresServer(const QString &keepFolder)
    : FFolder(keepFolder.isEmpty() ? FTemp.path() : keepFolder)
{
    if (!keepFolder.isEmpty()) {
        FTemp.remove();
        FKept = true;
    }
    Start();
}

QString TPostgresServer::Path(const QString &name) const
{
    return QDir(FFolder).filePath(name);
}

TPostgresServer::~TPostgresServer()
{
    Stop();
}

bool TPostgresServer::Fail(const QString &why)
{
    FError = why;
    return false;
}

QString TPostgresServer::LogTail() const
{
    QFile log(Path(u"server.log"_s));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll().right(2000));
}

int TPostgresServer::RunAsPostgres(const QString &program, const QStringList &args, QString *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(FFolder); // root's folder may be closed to postgres
    p.start(u"runuser"_s, QStringList { u"-u"_s, u"postgres"_s, u"--"_s, program } + args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(2000);
        if (output)
            *output = u"%1 did not finish"_s.arg(program);
        return -1;
    }
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool TPostgresServer::Start()
{
    if (FFolder.isEmpty() || !QDir().mkpath(FFolder))
        return Fail(u"no folder for the cluster: "_s + FTemp.errorString());
    const passwd *pw = getpwnam("postgres");
    if (!pw)
        return Fail(u"no postgres user (package postgresql-15)"_s);
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;
    if (chown(QFile::encodeName(FFolder).constData(), uid, gid) != 0)
        return Fail(u"cannot hand the temporary folder to postgres"_s);
    if (!QFile::exists(kBin + u"initdb"_s))
        return Fail(u"initdb is not installed (package postgresql-15)"_s);

    const QString data = Path(u"data"_s);
    QString output;
    // No fsync: the cluster lives for one test process (a kept one is made again should a
    // crash have damaged it).
    const bool kept = QFile::exists(Path(u"data/PG_VERSION"_s));
    if (!kept
        && RunAsPostgres(kBin + u"initdb"_s,
               { u"-D"_s, data, u"-A"_s, u"trust"_s, u"-U"_s, u"postgres"_s, u"-E"_s, u"UTF8"_s,
                   u"--no-locale"_s, u"--no-sync"_s },
               &output)
            != 0)
        return Fail(u"initdb failed:\n"_s + output);

    FPort = FreeLoopbackPort();
    if (FPort == 0)
        return Fail(u"no free loopback port"_s);
    FServer.setStandardOutputFile(Path(u"server.log"_s));
    FServer.setStandardErrorFile(Path(u"server.log"_s), QIODevice::Append);
    FServer.setWorkingDirectory(FFolder);
    // The postmaster runs as postgres, and should the test process die it goes with it
    // (SIGQUIT: immediate shutdown, which also releases its shared memory).
    FServer.setChildProcessModifier([uid, gid] {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(127);
        prctl(PR_SET_PDEATHSIG, SIGQUIT);
    });
    FServer.start(kBin + u"postgres"_s,
        { u"-D"_s, data, u"-p"_s, QString::number(FPort), u"-k"_s, FFolder, u"-c"_s,
            u"listen_addresses=127.0.0.1"_s, u"-c"_s, u"fsync=off"_s, u"-c"_s,
            u"synchronous_commit=off"_s, u"-c"_s, u"full_page_writes=off"_s, u"-c"_s,
            u"max_connections=40"_s });
    if (!FServer.waitForStarted(5000))
        return Fail(u"postgres did not start: "_s + FServer.errorString());
    const QDeadlineTimer deadline(30000);
    while (!Answers(FPort)) {
        if (FServer.state() == QProcess::NotRunning)
            return Fail(u"postgres stopped at once:\n"_s + LogTail());
        if (deadline.hasExpired())
            return Fail(u"postgres does not answer on port %1:\n"_s.arg(FPort) + LogTail());
        QThread::msleep(20);
    }
    return true;
}

void TPostgresServer::Stop()
{
    if (FServer.state() == QProcess::NotRunning)
        return;
    QString output;
    RunAsPostgres(kBin + u"pg_ctl"_s,
        // A kept cluster shuts down cleanly, so its next start replays no log.
        { u"stop"_s, u"-D"_s, Path(u"data"_s), u"-m"_s, FKept ? u"fast"_s : u"immediate"_s,
            u"-w"_s },
        &output);
    if (!FServer.waitForFinished(10000)) {
        FServer.kill();
        FServer.waitForFinished(2000);
    }
}

TPgSettings TPostgresServer::SettingsFor(const QString &database) const
{
    TPgSettings s;
    s.Host = u"127.0.0.1"_s;
    s.Port = FPort;
    s.Database = database;
    s.User = u"postgres"_s;
    return s;
}

TPgSettings TPostgresServer::CreateDatabase(const QString &name)
{
    TPgConnection admin(SettingsFor(u"postgres"_s));
    admin.Exec("CREATE DATABASE " + name.toStdString() + " ENCODING 'UTF8' TEMPLATE template0");
    return SettingsFor(name);
}
