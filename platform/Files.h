#pragma once
// Where the program keeps its files: the folder of its executable.

#include <QString>

class QIODevice;

// The program folder with a trailing "/".
QString ProgramFolder();

// Why a file cannot be written, as the system says it: what stands in the way of the path
// itself (a folder of that name, no permission, no such folder), else `reported` (what the
// failed write said, such as a full disk). Empty when nothing is known.
QString WriteFailureCause(const QString &path, const QString &reported = {});
// Writes all of data. A device that takes only part (a disk filling up) is given the rest
// once more: only a write that takes nothing leaves the system's reason in errorString().
bool WriteWhole(QIODevice &device, const char *data, qint64 length);
// "text (cause)", or the text alone when there is no cause to add.
QString WithCause(const QString &text, const QString &cause);
