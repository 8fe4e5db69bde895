#pragma once
// The amount in words: Turkish number words, with currency words and Turkish-aware letter
// case. The words of one number are written together; blanks stand only before the currency
// words and between the whole and the hundredths.

#include <QString>

#include <cstdint>

enum TCaseDirection { cdCapitals, cdSmall };

// The amount with its currency words. caseMode 0 leaves the letters as built, 2 gives small
// letters, anything else capitals. currencyCode 0 TL/KR, 1 Euro/EuroCent, 2 AZN/QEP,
// 3 Dollar/Cent, 4 IQD/CENT, any other none. Empty for zero, negative and non-finite amounts
// and for amounts whose whole part does not fit a 64-bit integer.
QString TUTAR_YAZIYLA(std::uint8_t caseMode, std::uint8_t currencyCode, double amount);

// A whole number in words; a fraction is cut off. Empty for 0, negative numbers and for
// numbers of more than 21 digits.
QString SAYI_YAZIYLA(double number);

// The words of a group of exactly three decimal digits ("000" gives the empty text, as does
// anything that is not three digits).
QString UCLU_GRUP_YAZIYLA(const QString &group);

// Turkish-aware case change: i and İ, ı and I are pairs; other letters beyond a to z stay.
QString TURKCE_HARF_CEVIR(const QString &text, TCaseDirection direction);
