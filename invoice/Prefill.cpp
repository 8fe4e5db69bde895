#include "invoice/Prefill.h"

#include "platform/Errors.h"
#include "platform/Ini.h"
#include "platform/NumberFormat.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

QString PrefillPath(const QString &programFolder)
{
    return QDir(programFolder).filePath(kPrefillFileName.toString());
}

TPrefillData ParsePrefill(const QByteArray &bytes, const TFormatSettings &fs)
{
    return ParsePrefill(TIniDocument::FromBytes(bytes), fs);
}

TPrefillData ParsePrefill(const TIniDocument &doc, const TFormatSettings &fs)
{
    auto text
        = [&](QStringView key) { return doc.Value(kPrefillSection, key).value_or(QString()); };
    TPrefillData d;
    d.SAYIN1 = text(u"SAYIN1");
    d.SAYIN2 = text(u"SAYIN2");
    d.SAYIN3 = text(u"SAYIN3");
    d.VERGIDAIRESI = text(u"VERGIDAIRESI");
    d.VERGIHESAPNO = text(u"VERGIHESAPNO");
    d.C1 = text(u"C1");
    long double f1 = 0;
    if (const std::optional<QString> v = doc.Value(kPrefillSection, u"F1"))
        if (TryStrToFloat(*v, f1, fs))
            d.F1 = f1;
    return d;
}

std::optional<TPrefillData> TakePrefill(const QString &path, const TFormatSettings &fs)
{
    const std::optional<QByteArray> bytes = ReadFileBytes(path);
    if (!bytes)
        return std::nullopt;
    // The file is the other program's only copy of the invoice: unless its text is read as
    // written, it stays for a look and is not deleted.
    const TIniDocument doc = TIniDocument::FromBytes(*bytes);
    if (!doc.DecodeProblem().isEmpty())
        throw EPlatformError(u"Unable to read %1: %2"_s.arg(path, doc.DecodeProblem()));
    TPrefillData d = ParsePrefill(doc, fs);
    QFile::remove(path);
    return d;
}
