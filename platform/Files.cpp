#include "platform/Files.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath() + u"/"_s;
}
