#include "PostgresServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <arpa/inet.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{

const QString kBin = u"/usr/lib/postgresql/15/bin/"_s;

int FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
        && getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

bool Answers(int port)
{
    const QByteArray p = QByteArray::number(port);
    const char *keys[] = { "host", "port", "dbname", "user", "connect_timeout", nullptr };
    const char *values[] = { "127.0.0.1", p.constData(), "postgres", "postgres", "2", nullptr };
    return PQpingParams(keys, values, 0) == PQPING_OK;
}

} // namespace

TPostgresServer::TPostgresServer()
{
    Start();
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
    QFile log(FDir.filePath(u"server.log"_s));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll().right(2000));
}

int TPostgresServer::RunAsPostgres(const QString &program, const QStringList &args, QString *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(FDir.path()); // root's folder may be closed to postgres
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
    if (!FDir.isValid())
        return Fail(u"no temporary folder: "_s + FDir.errorString());
    const passwd *pw = getpwnam("postgres");
    if (!pw)
        return Fail(u"no postgres user (package postgresql-15)"_s);
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;
    if (chown(QFile::encodeName(FDir.path()).constData(), uid, gid) != 0)
        return Fail(u"cannot hand the temporary folder to postgres"_s);
    if (!QFile::exists(kBin + u"initdb"_s))
        return Fail(u"initdb is not installed (package postgresql-15)"_s);

    const QString data = FDir.filePath(u"data"_s);
    QString output;
    // No fsync: the cluster lives for one test process.
    if (RunAsPostgres(kBin + u"initdb"_s,
            { u"-D"_s, data, u"-A"_s, u"trust"_s, u"-U"_s, u"postgres"_s, u"-E"_s, u"UTF8"_s,
                u"--no-locale"_s, u"--no-sync"_s },
            &output)
        != 0)
        return Fail(u"initdb failed:\n"_s + output);

    FPort = FreePort();
    if (FPort == 0)
        return Fail(u"no free loopback port"_s);
    FServer.setStandardOutputFile(FDir.filePath(u"server.log"_s));
    FServer.setStandardErrorFile(FDir.filePath(u"server.log"_s), QIODevice::Append);
    FServer.setWorkingDirectory(FDir.path());
    // The postmaster runs as postgres, and should the test process die it goes with it
    // (SIGQUIT: immediate shutdown, which also releases its shared memory).
    FServer.setChildProcessModifier([uid, gid] {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(127);
        prctl(PR_SET_PDEATHSIG, SIGQUIT);
    });
    FServer.start(kBin + u"postgres"_s,
        { u"-D"_s, data, u"-p"_s, QString::number(FPort), u"-k"_s, FDir.path(), u"-c"_s,
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
        { u"stop"_s, u"-D"_s, FDir.filePath(u"data"_s), u"-m"_s, u"immediate"_s, u"-w"_s },
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

namespace
{

std::unique_ptr<TPostgresServer> &Instance()
{
    static std::unique_ptr<TPostgresServer> server;
    return server;
}

// Stops the binary's server after its last test, before static destruction.
class TPostgresEnvironment : public ::testing::Environment
{
public:
    void TearDown() override { Instance().reset(); }
};

[[maybe_unused]] ::testing::Environment *const gEnvironment
    = ::testing::AddGlobalTestEnvironment(new TPostgresEnvironment);

} // namespace

TPostgresServer &PostgresForTests()
{
    if (!Instance())
        Instance() = std::make_unique<TPostgresServer>();
    return *Instance();
}

TPgSettings FreshPostgresDatabase()
{
    static int next = 0;
    TPostgresServer &server = PostgresForTests();
    if (!server.Error().isEmpty())
        throw EStorageError(server.Error());
    return server.CreateDatabase(u"levanta_%1"_s.arg(++next));
}
