#pragma once
// The drawing surface of the report engine. A run draws a page through this one interface,
// whether the page goes to a printer, to the screen, to a test image or into a recorded page
// picture (EMF). Coordinates are whole device pixels of the canvas, y growing downwards.

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QFont;
class QFontMetricsF;

// Windows character-set codes, kept as the font record stores them.
enum : quint8 {
    ANSI_CHARSET_CODE = 0,
    DEFAULT_CHARSET_CODE = 1,
    SYMBOL_CHARSET_CODE = 2,
    TURKISH_CHARSET_CODE = 162,
};

struct TCanvasFont {
    QString Name = QStringLiteral("Arial");
    // Size in points; the canvas turns it into pixels at its own resolution as GDI does:
    // MulDiv(PointSize, dpi, 72). Ignored when PixelHeight is not 0.
    int PointSize = 10;
    // Character (em) height in device pixels, for callers that already scaled the font.
    int PixelHeight = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    quint8 CharSet = DEFAULT_CHARSET_CODE;
    QColor Color = Qt::black;

    bool operator==(const TCanvasFont &) const = default;
};

enum class TTextAlign { Left, Right, Center };

// How one TextOut places its string. The reference point is the top of the text cell;
// Left puts the string's left edge on it, Right its right edge, Center its middle.
struct TTextStyle {
    TTextAlign Align = TTextAlign::Left;
    bool RightToLeft = false; // reading order only; Align is taken as given
    bool Transparent = true; // false paints the text cell with Background first
    QColor Background = Qt::white;
};

class ICanvas
{
public:
    virtual ~ICanvas() = default;

    // Pixels per inch of the canvas (vertical; fonts are sized from it).
    virtual int Dpi() const = 0;
    // Size of the drawable page in device pixels.
    virtual QSize PageSize() const = 0;

    virtual void SelectFont(const TCanvasFont &font) = 0;
    virtual const TCanvasFont &Font() const = 0;
    // Extent of text in the selected font at this canvas' resolution: width is the advance,
    // height the cell height (ascent + descent), as GetTextExtentPoint32 reports them.
    virtual QSize TextExtent(const QString &text) const = 0;

    // Fills r (left/top inclusive, right/bottom exclusive) with a solid colour, no outline.
    virtual void FillRect(const QRect &r, const QColor &color) = 0;
    virtual void TextOut(QPoint at, const QString &text, const TTextStyle &style = {}) = 0;
    // A solid line from a to b, width in device pixels (0 or 1 gives one pixel).
    virtual void Line(QPoint a, QPoint b, const QColor &color, int width = 1) = 0;
    // Plays a page picture (the complete byte image of an EMF) stretched into target.
    // Malformed bytes raise EPlatformError and leave what was drawn before.
    virtual void DrawPicture(const QRect &target, const QByteArray &emf) = 0;
};

// Pixel height of a font of the given point size on a canvas of the given resolution.
int FontPixelHeight(const TCanvasFont &font, int dpi);
// The Qt font a canvas of the given resolution draws and measures font with.
QFont ToQFont(const TCanvasFont &font, int dpi);
// Width and height of text in whole pixels, as every canvas reports TextExtent.
QSize TextExtentOf(const QFontMetricsF &metrics, const QString &text);
