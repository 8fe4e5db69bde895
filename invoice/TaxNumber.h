#pragma once
// The check digits of a Turkish tax number: ten digits are a tax identity number (VKN),
// eleven a citizen's identity number (TCKN). Anything else is not checked; nothing is ever
// refused, the field only tells the user why a number looks wrong.

#include <QString>
#include <QStringView>

struct TTaxNumberCheck {
    bool Valid = true;
    QString Reason; // Turkish, empty when valid
};

TTaxNumberCheck CheckTaxNumber(QStringView text);
