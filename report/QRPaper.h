#pragma once
// Paper sizes, orientation and the paper table. The ordinal of every named size is also the
// platform paper code sent to a printer.

#include <QString>

#include <optional>

enum class TQRPaperSize : int {
    Default,
    Letter,
    LetterSmall,
    Tabloid,
    Ledger,
    Legal,
    Statement,
    Executive,
    A3,
    A4,
    A4Small,
    A5,
    B4,
    B5,
    Folio,
    Quarto,
    qr10X14,
    qr11X17,
    Note,
    Env9,
    Env10,
    Env11,
    Env12,
    Env14,
    CSheet,
    DSheet,
    ESheet,
    EnvDL,
    EnvC5,
    EnvC3,
    EnvC4,
    EnvC6,
    EnvC65,
    EnvB4,
    EnvB5,
    EnvB6,
    EnvItaly,
    EnvMonarch,
    EnvPersonal,
    FanfoldUSStd,
    FanfoldGerStd,
    FanfoldGerLegal,
    B4ISO,
    PostcardJap,
    qr9X11,
    qr10X11,
    qr15X11,
    EnvInvite,
    Reserved1,
    Reserved2,
    LetterExtra,
    LegalExtra,
    TabloidExtra,
    A4Extra,
    LetterTrans,
    A4Trans,
    LetterExtraTrans,
    SuperASuperAA4,
    SuperBSuperBA3,
    LetterPlus,
    A4Plus,
    A5Trans,
    B5Trans,
    A3Extra,
    A5Extra,
    B5Extra,
    A2,
    A3Trans,
    A3ExtraTrans,
    Custom,
};

enum TPrinterOrientation : int { poPortrait, poLandscape };

// Ordinal of the first and last named size (the rows of the paper table).
inline constexpr int QRFirstNamedPaper = static_cast<int>(TQRPaperSize::Letter);
inline constexpr int QRLastNamedPaper = static_cast<int>(TQRPaperSize::A3ExtraTrans);
// The code a printer is sent for Custom.
inline constexpr int QRCustomPaperCode = 256;

// One row of the paper table: nominal width and length in millimetres, in that order even
// for the sizes that lie on their long side.
struct TQRPaperDimensions {
    long double Width;
    long double Length;
};

// The table row of a named size; nullopt for Default and Custom.
std::optional<TQRPaperDimensions> QRPaperDimensions(TQRPaperSize size);
// The enumeration name, e.g. "A5Trans".
QString QRPaperSizeName(TQRPaperSize size);
// The code sent to a printer: the ordinal, 256 for Custom, none for Default.
std::optional<int> QRPaperCode(TQRPaperSize size);
// The size a printer's paper code stands for; Default when nothing matches.
TQRPaperSize QRPaperSizeFromCode(int code);
TQRPaperSize QRPaperSizeFromCode(std::optional<int> code);

struct TQRDetectedPaper {
    TQRPaperSize PaperSize = TQRPaperSize::Default;
    TPrinterOrientation Orientation = poPortrait;
    bool operator==(const TQRDetectedPaper &) const = default;
};

// Paper and orientation of a loaded page from its size in whole millimetres: landscape when
// it is wider than long; then the closest of table rows 1 to 26 (sum of the width and length
// differences, table values cut to whole millimetres), the first of equally close rows.
TQRDetectedPaper QRDetectPaper(int widthMM, int lengthMM);
// The same from a page picture's size in screen pixels at pixelsPerInch; each side is cut
// to whole millimetres first.
TQRDetectedPaper QRDetectPaperFromPixels(
    long double widthPixels, long double heightPixels, int pixelsPerInch);
