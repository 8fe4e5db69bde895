#include "invoice/Prefill.h"

#include "platform/Ini.h"
#include "platform/NumberFormat.h"

#include <QDir>
#include <QFile>

QString PrefillPath(const QString &programFolder)
{
    return QDir(programFolder).filePath(kPrefillFileName.toString());
}

TPrefillData ParsePrefill(const QByteArray &bytes, const TFormatSettings &fs)
{
    const TIniDocument doc = TIniDocument::FromBytes(bytes);
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
    TPrefillData d = ParsePrefill(*bytes, fs);
    QFile::remove(path);
    return d;
}
