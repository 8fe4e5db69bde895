#pragma once
// Where a printer's feed really puts the paper: a correction per printer and tray, kept in
// its own section of fatura_ayar.ini apart from the layout, so that the layout describes the
// form and the correction the machine. Tenths of a millimetre, right and down positive.

#include <QString>

#include <optional>

inline constexpr QStringView kSectionKalibrasyon = u"KALIBRASYON";

struct TCalibration {
    int Horizontal = 0; // tenths of a millimetre, right positive
    int Vertical = 0; // tenths of a millimetre, down positive
    bool operator==(const TCalibration &) const = default;
};

// The key of a printer and tray: "<printer>|<tray code>".
QString CalibrationKey(const QString &printer, int trayCode);
// The stored correction, or none (also for a value that does not read as two numbers).
std::optional<TCalibration> ReadCalibration(
    const QString &settingsPath, const QString &printer, int trayCode);
// Stored as a position text "vertical | horizontal", like the layout's positions.
void WriteCalibration(
    const QString &settingsPath, const QString &printer, int trayCode, const TCalibration &c);
