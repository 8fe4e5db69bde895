#include "preview/QRByteSink.h"

#include "platform/Errors.h"
#include "platform/Files.h"

using namespace Qt::StringLiterals;

TQRFileSink::TQRFileSink(const QString &fileName)
    : FFile(fileName)
{
    if (!FFile.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EPlatformError(u"Cannot create file \"%1\". %2"_s.arg(
            fileName, WithCause(FFile.errorString(), WriteFailureCause(fileName))));
}

void TQRFileSink::Write(const char *data, qsizetype length)
{
    FBuffer.append(data, length);
    if (FBuffer.size() >= 64 * 1024)
        WriteBuffer();
}

void TQRFileSink::WriteBuffer()
{
    if (!WriteWhole(FFile, FBuffer.constData(), FBuffer.size()))
        throw EPlatformError(WithCause(u"Unable to write to %1"_s.arg(FFile.fileName()),
            WriteFailureCause(FFile.fileName(), FFile.errorString())));
    FBuffer.clear();
}

void TQRFileSink::Commit()
{
    WriteBuffer();
    if (!FFile.commit())
        throw EPlatformError(WithCause(u"Unable to write to %1"_s.arg(FFile.fileName()),
            WriteFailureCause(FFile.fileName(), FFile.errorString())));
}
