#include "platform/Locale.h"

#include <QLocale>

using namespace Qt::StringLiterals;

TFormatSettings TFormatSettings::System()
{
    const QLocale sys = QLocale::system();
    TFormatSettings s;
    const QString dec = sys.decimalPoint();
    const QString grp = sys.groupSeparator();
    s.DecimalSeparator = dec.isEmpty() ? QChar(u'.') : dec.at(0);
    s.ThousandSeparator = grp.isEmpty() ? QChar(u',') : grp.at(0);
    s.ShortDateFormat = sys.dateFormat(QLocale::ShortFormat);
    s.Metric = sys.measurementSystem() == QLocale::MetricSystem;
    switch (sys.language()) {
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
        s.AnsiCodePage = 1254;
        break;
    case QLocale::Greek:
        s.AnsiCodePage = 1253;
        break;
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Bulgarian:
        s.AnsiCodePage = 1251;
        break;
    case QLocale::Polish:
    case QLocale::Czech:
    case QLocale::Hungarian:
        s.AnsiCodePage = 1250;
        break;
    default:
        s.AnsiCodePage = 1252;
    }
    return s;
}

TFormatSettings TFormatSettings::Turkish()
{
    TFormatSettings s;
    s.DecimalSeparator = u',';
    s.ThousandSeparator = u'.';
    s.ShortDateFormat = u"dd.MM.yyyy"_s;
    s.Metric = true;
    s.AnsiCodePage = 1254;
    return s;
}

TFormatSettings TFormatSettings::UnitedStates()
{
    TFormatSettings s;
    s.DecimalSeparator = u'.';
    s.ThousandSeparator = u',';
    s.ShortDateFormat = u"M/d/yyyy"_s;
    s.Metric = false;
    s.AnsiCodePage = 1252;
    return s;
}
