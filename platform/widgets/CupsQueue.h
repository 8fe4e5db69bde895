#pragma once
// What the printing layer asks the CUPS scheduler itself, beside Qt: the queue's paper
// sources (Qt keeps them private) and the fate of the job Qt just handed over (Qt drops it).
// Without CUPS (other platforms) every answer is empty and every act a no-op.

#include "platform/widgets/InputSlots.h"

#include <QString>

#include <vector>

struct TQueueSlots {
    std::vector<TInputSlot> Slots;
    QString DefaultChoice;
};

// The InputSlot choices of the queue's PPD; empty when it has none or cannot be read.
TQueueSlots QueueInputSlots(const QString &queue);

// Whether the print scheduler answers at all.
bool PrintServiceAnswers();

// The error of the last request this thread made to CUPS (Qt's job submission included),
// empty when it succeeded.
QString LastCupsError();

// The highest job number the scheduler has given on queue so far (0 for none).
int LastJobId(const QString &queue);
// Cancels this user's held jobs on queue numbered above afterId: an aborted
// document is submitted held and removed at once, since Qt's CUPS engine cannot abort.
void CancelHeldJobs(const QString &queue, int afterId);
