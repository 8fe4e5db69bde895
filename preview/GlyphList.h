#pragma once
// The Adobe Glyph List 1.2, compiled in (GlyphList.cpp is generated; see its head).

struct TGlyphListEntry {
    char16_t Unicode;
    const char *Name;
};

// Every entry in list order (sorted by glyph name; some names appear twice).
extern const TGlyphListEntry GlyphList[];
extern const int GlyphListCount;

// The glyph name of the first entry for character c in list order; null when none.
const char *GlyphNameOf(char32_t c);
