#pragma once
// The one-shot pre-fill file fatinfo.ini that another program leaves in the program folder
// for one invoice: read once at start, then deleted.

#include "platform/Locale.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

inline constexpr QStringView kPrefillFileName = u"fatinfo.ini";
inline constexpr QStringView kPrefillSection = u"bilgiler";

// What the file holds; missing texts are empty, a missing or unreadable F1 is 0.
struct TPrefillData {
    QString SAYIN1, SAYIN2, SAYIN3;
    QString VERGIDAIRESI, VERGIHESAPNO;
    QString C1;
    long double F1 = 0; // unit price, or the VAT-inclusive amount when that entry mode is on
};

// The pre-fill file in a program folder (with or without a trailing separator).
QString PrefillPath(const QString &programFolder);

class TIniDocument;

// Reads the file's bytes (UTF-8, UTF-16 or code page 1254); F1 in the locale's number format.
TPrefillData ParsePrefill(const QByteArray &bytes, const TFormatSettings &fs);
TPrefillData ParsePrefill(const TIniDocument &doc, const TFormatSettings &fs);

// Reads the file and deletes it; nullopt when there is no file. A failing delete is silent
// (the file is then read again at the next start). Throws EPlatformError when the file is
// there but cannot be read, is too large, or holds bytes that do not decode as a text (see
// TIniDocument::DecodeProblem); it is then left in place.
std::optional<TPrefillData> TakePrefill(const QString &path, const TFormatSettings &fs);
