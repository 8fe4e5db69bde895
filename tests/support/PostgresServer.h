#pragma once
// A private PostgreSQL server for one test process: a cluster made by initdb in a temporary
// folder owned by the postgres user, listening on a free loopback port, its unix socket in
// that folder too. It is stopped (immediate shutdown) and its folder removed when it goes,
// and it dies with the test process should that crash. The machine's own cluster is never
// touched.
//
// One per test binary: PostgresForTests() starts it at first use, and a gtest global
// environment stops it after the last test.

#include "platform/Postgres.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class TPostgresServer
{
public:
    // keepFolder: a cluster kept there across runs (made when missing) instead of a
    // temporary one, for the benchmarks' million invoices.
    explicit TPostgresServer(const QString &keepFolder = {});
    ~TPostgresServer();
    TPostgresServer(const TPostgresServer &) = delete;
    TPostgresServer &operator=(const TPostgresServer &) = delete;

    // Empty when the server runs; otherwise why it does not.
    const QString &Error() const { return FError; }
    int Port() const { return FPort; }
    // A new empty database on this server (UTF-8), and how to reach it as its superuser.
    TPgSettings CreateDatabase(const QString &name);
    TPgSettings SettingsFor(const QString &database) const;
    // Stops the server at once, as a crash or a pulled cable would.
    void Stop();

private:
    bool Start();
    bool Fail(const QString &why);
    QString LogTail() const;
    int RunAsPostgres(const QString &program, const QStringList &args, QString *output);

    QString Path(const QString &name) const;

    QTemporaryDir FTemp;
    QString FFolder;
    bool FKept = false;
    QProcess FServer;
    int FPort = 0;
    QString FError;
};

// The test binary's server, started at first use; a failed start fails every test using it.
TPostgresServer &PostgresForTests();
// A fresh database on it with a name unique in this process.
TPgSettings FreshPostgresDatabase();
