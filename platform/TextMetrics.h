#pragma once
// The reference context text is measured on while a report lays out its labels: a screen-
// compatible context of a given resolution, passed in so that a layout does not depend on
// whichever screen the process happens to have.

#include "platform/Canvas.h"

#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>

class ITextMetrics
{
public:
    virtual ~ITextMetrics() = default;
    virtual int Dpi() const = 0;
    // Width (advance) and height (ascent + descent) of text in font, in whole pixels.
    virtual QSize TextExtent(const TCanvasFont &font, const QString &text) const = 0;
    // The font's average character cell (average width, line height) in fractional pixels;
    // empty when the font cannot be measured.
    virtual QSizeF CharCell(const TCanvasFont &font) const = 0;
};

// Measures with Qt's font metrics at dpi pixels per inch.
std::shared_ptr<const ITextMetrics> ScreenTextMetrics(int dpi);
