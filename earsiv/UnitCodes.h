#pragma once
// The unit of an item line as users type it ("Adet", "KG", "m²") and its UN/ECE Rec. 20 code,
// which the document carries.

#include <QString>
#include <QStringView>
#include <optional>
#include <span>

struct TUnitCode {
    QStringView Code;
    QStringView Name; // Turkish, as the choice lists it
    QStringView Short; // as a copy shows it beside a quantity
};

// The codes a user may choose from for a unit we do not know (a part of Rec. 20).
std::span<const TUnitCode> CommonUnitCodes();
// The folded form by which units are matched and remembered: Turkish lower case, without
// dots and spaces, "²"/"³" as "2"/"3" ("M²" and "m2" are one unit).
QString UnitKey(QStringView unit);
// The code of a unit we know without asking; nullopt otherwise. An empty unit is a piece.
std::optional<QString> KnownUnitCode(QStringView unit);
// True for a code of CommonUnitCodes().
bool IsOfferedUnitCode(QStringView code);
// The unit as a copy shows it beside a quantity ("Kg" for KGM); the code itself when unknown.
QString UnitShortName(const QString &code);
