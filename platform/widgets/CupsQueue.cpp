#include "platform/widgets/CupsQueue.h"

#ifdef LEVANTA_HAVE_CUPS

#include <QFile>

#include <cups/cups.h>
// The PPD interface is the only way to a queue's own choice names; CUPS marks it old.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

TQueueSlots QueueInputSlots(const QString &queue)
{
    TQueueSlots result;
    const QByteArray name = queue.toUtf8();
    const char *file = cupsGetPPD2(CUPS_HTTP_DEFAULT, name.constData());
    if (!file)
        return result;
    const QByteArray path(file);
    if (ppd_file_t *ppd = ppdOpenFile(path.constData())) {
        if (ppd_option_t *option = ppdFindOption(ppd, "InputSlot")) {
            for (int i = 0; i < option->num_choices; ++i) {
                const ppd_choice_t &c = option->choices[i];
                result.Slots.push_back({ QString::fromUtf8(c.choice), QString::fromUtf8(c.text) });
            }
            result.DefaultChoice = QString::fromUtf8(option->defchoice);
        }
        ppdClose(ppd);
    }
    QFile::remove(QString::fromLocal8Bit(path));
    return result;
}
#pragma GCC diagnostic pop

bool PrintServiceAnswers()
{
    http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
        /*blocking*/ 1, /*msec*/ 3000, nullptr);
    if (!http)
        return false;
    httpClose(http);
    return true;
}

QString LastCupsError()
{
    if (cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE)
        return {};
    return QString::fromUtf8(cupsLastErrorString());
}

namespace
{
template <typename F> void ForEachJob(const QString &queue, int which, F f)
{
    cups_job_t *jobs = nullptr;
    const QByteArray name = queue.toUtf8();
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), /*myjobs*/ 1, which);
    for (int i = 0; i < n; ++i)
        f(jobs[i]);
    cupsFreeJobs(n, jobs);
}
} // namespace

int LastJobId(const QString &queue)
{
    int last = 0;
    ForEachJob(
        queue, CUPS_WHICHJOBS_ALL, [&](const cups_job_t &j) { last = std::max(last, j.id); });
    return last;
}

void CancelHeldJobs(const QString &queue, int afterId)
{
    const QByteArray name = queue.toUtf8();
    ForEachJob(queue, CUPS_WHICHJOBS_ACTIVE, [&](const cups_job_t &j) {
        if (j.id > afterId && j.state == IPP_JOB_HELD)
            cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), j.id, /*purge*/ 0);
    });
}

#else

TQueueSlots QueueInputSlots(const QString &)
{
    return {};
}
bool PrintServiceAnswers()
{
    return true;
}

QString LastCupsError()
{
    return {};
}
int LastJobId(const QString &)
{
    return 0;
}
void CancelHeldJobs(const QString &, int)
{
}

#endif
