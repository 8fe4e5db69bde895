#include "preview/QRByteSink.h"

#include "platform/Errors.h"

using namespace Qt::StringLiterals;

TQRFileSink::TQRFileSink(const QString &fileName)
    : FFile(fileName)
{
    if (!FFile.open(QIODevice::WriteOnly))
        throw EPlatformError(u"Cannot create file \"%1\". %2"_s.arg(fileName, FFile.errorString()));
}

void TQRFileSink::Write(const char *data, qsizetype length)
{
    if (FFile.write(data, length) != length)
        throw EPlatformError(u"Unable to write to %1"_s.arg(FFile.fileName()));
}

void TQRFileSink::Commit()
{
    if (!FFile.commit())
        throw EPlatformError(u"Unable to write to %1"_s.arg(FFile.fileName()));
}
