#pragma once
// The metrics a PDF font resource needs, read from the font file itself: advance widths of
// the 256 codes, ascent and descent, italic angle, the 'head' bounding box and the flags from
// the 'OS/2' family class. Needs a QGuiApplication (the platform's font database).

#include <QString>

#include <array>

struct TPDFFontMetrics {
    // Advance of each code in 1/1000 em, the unit of a PDF font's widths.
    std::array<int, 256> Widths {};
    int Ascent = 0;
    int Descent = 0; // below the baseline, so negative
    int ItalicAngle = 0; // degrees, counter-clockwise from vertical
    int Flags = 34;
    // xMin, yMin, xMax, yMax in the font's design units, as stored in 'head'.
    std::array<int, 4> FontBBox {};
};

// The metrics of the font the platform selects for name, bold and italic, with codes mapped
// to characters by codes (0 for a code without a character). Raises EQRError
// "GetFontData error" when the font's data cannot be read.
TPDFFontMetrics PDFFontMetrics(
    const QString &name, bool bold, bool italic, const std::array<char32_t, 256> &codes);

// The PDF flags of an 'OS/2' family class byte: 0 -> 4, 8 -> 32, 10 -> 40, 12 -> 4, else 34.
int PDFFontFlags(int familyClass);
