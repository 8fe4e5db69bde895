#include "platform/Canvas.h"

#include "platform/Rounding.h"

#include <QFont>
#include <QFontMetricsF>

#include <cmath>
#include <cstdlib>

int FontPixelHeight(const TCanvasFont &font, int dpi)
{
    if (font.PixelHeight != 0)
        return std::abs(font.PixelHeight);
    return std::abs(MulDiv(font.PointSize, dpi, 72));
}

QFont ToQFont(const TCanvasFont &font, int dpi)
{
    QFont f(font.Name);
    // Pixel sizes keep the font independent of the device's own idea of its resolution.
    f.setPixelSize(std::max(1, FontPixelHeight(font, dpi)));
    f.setBold(font.Bold);
    f.setItalic(font.Italic);
    f.setUnderline(font.Underline);
    f.setStrikeOut(font.StrikeOut);
    return f;
}

QSize TextExtentOf(const QFontMetricsF &metrics, const QString &text)
{
    return QSize(static_cast<int>(std::lround(metrics.horizontalAdvance(text))),
        static_cast<int>(std::lround(metrics.ascent()) + std::lround(metrics.descent())));
}
