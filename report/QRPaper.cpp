#include "report/QRPaper.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace
{

struct PaperRow {
    const char16_t *Name;
    long double Width;
    long double Length;
};

// Indexed by ordinal; row 0 (Default) and the last (Custom) carry no dimensions.
constexpr std::array<PaperRow, 70> kPaper = { {
    { u"Default", 0, 0 },
    { u"Letter", 215.9L, 279.4L },
    { u"LetterSmall", 215.9L, 279.4L },
    { u"Tabloid", 279.4L, 431.8L },
    { u"Ledger", 431.8L, 279.4L },
    { u"Legal", 215.9L, 355.6L },
    { u"Statement", 139.7L, 215.9L },
    { u"Executive", 190.5L, 254L },
    { u"A3", 297L, 420L },
    { u"A4", 210L, 297L },
    { u"A4Small", 210L, 297L },
    { u"A5", 148L, 210L },
    { u"B4", 250L, 354L },
    { u"B5", 182L, 257L },
    { u"Folio", 215.9L, 330.2L },
    { u"Quarto", 215L, 275L },
    { u"qr10X14", 254L, 355.6L },
    { u"qr11X17", 279.4L, 431.8L },
    { u"Note", 215.9L, 279.4L },
    { u"Env9", 98.43L, 225.4L },
    { u"Env10", 104.8L, 241.3L },
    { u"Env11", 114.3L, 263.5L },
    { u"Env12", 120.7L, 279.4L },
    { u"Env14", 127L, 292.1L },
    { u"CSheet", 431.8L, 558.8L },
    { u"DSheet", 558.8L, 863.6L },
    { u"ESheet", 863.6L, 1117.6L },
    { u"EnvDL", 110L, 220L },
    { u"EnvC5", 162L, 229L },
    { u"EnvC3", 324L, 458L },
    { u"EnvC4", 229L, 324L },
    { u"EnvC6", 114L, 162L },
    { u"EnvC65", 114L, 229L },
    { u"EnvB4", 250L, 353L },
    { u"EnvB5", 176L, 250L },
    { u"EnvB6", 176L, 125L },
    { u"EnvItaly", 110L, 230L },
    { u"EnvMonarch", 98.43L, 190.5L },
    { u"EnvPersonal", 92.01L, 165.1L },
    { u"FanfoldUSStd", 377.8L, 279.4L },
    { u"FanfoldGerStd", 215.9L, 304.8L },
    { u"FanfoldGerLegal", 215.9L, 330.2L },
    { u"B4ISO", 250L, 353L },
    { u"PostcardJap", 100L, 148L },
    { u"qr9X11", 228.6L, 279.4L },
    { u"qr10X11", 254L, 279.4L },
    { u"qr15X11", 381L, 279.4L },
    { u"EnvInvite", 220L, 220L },
    { u"Reserved1", 100L, 100L },
    { u"Reserved2", 100L, 100L },
    { u"LetterExtra", 241.3L, 304.8L },
    { u"LegalExtra", 241.3L, 381L },
    { u"TabloidExtra", 296.9L, 457.2L },
    { u"A4Extra", 236L, 322L },
    { u"LetterTrans", 279.4L, 215.9L },
    { u"A4Trans", 297L, 210L },
    { u"LetterExtraTrans", 304.8L, 241.3L },
    { u"SuperASuperAA4", 227L, 356L },
    { u"SuperBSuperBA3", 305L, 487L },
    { u"LetterPlus", 215.9L, 322.3L },
    { u"A4Plus", 210L, 330L },
    { u"A5Trans", 210L, 148L },
    { u"B5Trans", 257L, 182L },
    { u"A3Extra", 322L, 445L },
    { u"A5Extra", 174L, 235L },
    { u"B5Extra", 201L, 276L },
    { u"A2", 420L, 594L },
    { u"A3Trans", 420L, 297L },
    { u"A3ExtraTrans", 445L, 322L },
    { u"Custom", 0, 0 },
} };

bool IsNamed(int ordinal)
{
    return ordinal >= QRFirstNamedPaper && ordinal <= QRLastNamedPaper;
}

// A side in millimetres as the loader sees it: fraction dropped, and kept within a range
// where the difference sums cannot overflow (a damaged picture may report anything).
int WholeMM(long double mm)
{
    if (!std::isfinite(mm))
        return 0;
    if (mm > 32000.0L)
        return 32000;
    if (mm < -32000.0L)
        return -32000;
    return static_cast<int>(std::trunc(mm));
}

} // namespace

std::optional<TQRPaperDimensions> QRPaperDimensions(TQRPaperSize size)
{
    const int i = static_cast<int>(size);
    if (!IsNamed(i))
        return std::nullopt;
    return TQRPaperDimensions { kPaper[i].Width, kPaper[i].Length };
}

QString QRPaperSizeName(TQRPaperSize size)
{
    const int i = static_cast<int>(size);
    if (i < 0 || i >= static_cast<int>(kPaper.size()))
        return QString();
    return QString::fromUtf16(kPaper[i].Name);
}

std::optional<int> QRPaperCode(TQRPaperSize size)
{
    const int i = static_cast<int>(size);
    if (IsNamed(i))
        return i;
    if (size == TQRPaperSize::Custom)
        return QRCustomPaperCode;
    return std::nullopt;
}

TQRPaperSize QRPaperSizeFromCode(int code)
{
    if (IsNamed(code))
        return static_cast<TQRPaperSize>(code);
    if (code == QRCustomPaperCode)
        return TQRPaperSize::Custom;
    return TQRPaperSize::Default;
}

TQRPaperSize QRPaperSizeFromCode(std::optional<int> code)
{
    return code ? QRPaperSizeFromCode(*code) : TQRPaperSize::Default;
}

TQRDetectedPaper QRDetectPaper(int widthMM, int lengthMM)
{
    TQRDetectedPaper result;
    int w = widthMM;
    int h = lengthMM;
    if (h < w) {
        result.Orientation = poLandscape;
        std::swap(w, h);
    }
    // Only the classic sizes up to ESheet take part; the first of equal rows wins.
    long long best = 32000;
    for (int i = 1; i <= static_cast<int>(TQRPaperSize::ESheet); ++i) {
        const long long d = std::llabs(WholeMM(kPaper[i].Width) - static_cast<long long>(w))
            + std::llabs(WholeMM(kPaper[i].Length) - static_cast<long long>(h));
        if (d < best) {
            best = d;
            result.PaperSize = static_cast<TQRPaperSize>(i);
        }
    }
    return result;
}

TQRDetectedPaper QRDetectPaperFromPixels(
    long double widthPixels, long double heightPixels, int pixelsPerInch)
{
    // Factor = pixels per tenth of a millimetre; the loader divides by it and by ten.
    const long double factor
        = static_cast<long double>(pixelsPerInch > 0 ? pixelsPerInch : 96) / 254.0L;
    return QRDetectPaper(
        WholeMM(widthPixels / factor / 10.0L), WholeMM(heightPixels / factor / 10.0L));
}
