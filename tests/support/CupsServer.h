#pragma once
// A private CUPS scheduler for one test process: its own configuration, spool and log
// folders in a temporary folder, a loopback port of its own, and one file-backed PDF queue
// with trays (Auto, Manual, Tractor), A4 and A5, and duplex. It is the process's print
// system while it lives (CUPS_SERVER); it is stopped and its folder removed when it goes,
// and it dies with the test process should that crash.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// A job as the scheduler keeps it in its spool folder (the c-file), after it ended.
struct TCupsJob {
    int Id = 0;
    QString State; // "completed", "canceled", "aborted", ...
    QString Media;
    QString InputSlot; // empty when the job named none
    QString Sides;
    QString PrintScaling; // empty when the job named none: the queue's default applies
    QString FitToPage;
    int Copies = 0;
};

class TCupsServer
{
public:
    TCupsServer();
    ~TCupsServer();
    TCupsServer(const TCupsServer &) = delete;
    TCupsServer &operator=(const TCupsServer &) = delete;

    // Empty when the scheduler runs with its queue; otherwise why it does not.
    const QString &Error() const { return FError; }
    QString Address() const;
    static QString Queue() { return QStringLiteral("LEVANTA_Fatura"); }

    // Highest job number in the spool folder, 0 before the first job.
    int LastJobId() const;
    // Waits for the first job numbered above afterId to end; nothing on timeout.
    std::optional<TCupsJob> WaitForJob(int afterId, int timeoutMs = 30000) const;
    // The file the queue's device last wrote.
    QString OutputPath() const;
    // Another queue beside the first, offering only the given InputSlot choices
    // ("Tray1/Tray 1", ...); an empty text when it was added, otherwise why not.
    QString AddQueue(const QString &name, const QStringList &inputSlots);
    // Stops the scheduler as a service that went down would; Resume starts it again on the
    // same address with the queues it had. Each returns an empty text or why it failed.
    QString Stop();
    QString Resume();
    // Runs a CUPS client tool (cupsreject, lpstat, ...) against this scheduler; its exit
    // code, with its output in output when given.
    int RunTool(const QString &tool, const QStringList &args, QString *output = nullptr) const;

private:
    bool Start();
    bool StartDaemon();
    bool Fail(const QString &why);
    bool WritePpd(const QString &path, const QStringList &inputSlots);
    QString LogTail() const;

    QTemporaryDir FDir;
    QString FConf, FFiles;
    QProcess FDaemon;
    int FPort = 0;
    QString FError;
    QByteArray FSavedServer;
};
