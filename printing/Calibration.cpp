#include "printing/Calibration.h"

#include "platform/Ini.h"
#include "printing/PrintSettings.h"

using namespace Qt::StringLiterals;

QString CalibrationKey(const QString &printer, int trayCode)
{
    return printer + u'|' + QString::number(trayCode);
}

std::optional<TCalibration> ReadCalibration(
    const QString &settingsPath, const QString &printer, int trayCode)
{
    const QString text
        = TIniFile(settingsPath)
              .ReadString(kSectionKalibrasyon, CalibrationKey(printer, trayCode), QString());
    if (!text.contains(u'|'))
        return std::nullopt;
    const TPosition p = ParsePosition(text);
    return TCalibration { p.Horizontal, p.Vertical };
}

void WriteCalibration(
    const QString &settingsPath, const QString &printer, int trayCode, const TCalibration &c)
{
    TIniFile(settingsPath)
        .WriteString(kSectionKalibrasyon, CalibrationKey(printer, trayCode),
            FormatPosition(c.Vertical, c.Horizontal));
}
