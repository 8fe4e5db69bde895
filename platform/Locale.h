#pragma once
// The locale values the program depends on, read from the system once at start and passed
// in. Logic code never reads the process locale (Qt switches the C locale under us).

#include <QChar>
#include <QString>

struct TFormatSettings {
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u',';
    QString ShortDateFormat = QStringLiteral("dd.MM.yyyy"); // QDate::toString pattern
    bool Metric = true;
    int AnsiCodePage = 1252;

    // The system's values (QLocale::system()).
    static TFormatSettings System();
    // A Turkish locale: decimal comma, thousands dot, dd.MM.yyyy, metric, code page 1254.
    static TFormatSettings Turkish();
    // An American one: decimal point, thousands comma, M/d/yyyy, U.S. measures, 1252.
    static TFormatSettings UnitedStates();
};
