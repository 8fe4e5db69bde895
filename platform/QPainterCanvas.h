#pragma once
// The canvas over a QPainter: a printer page, the screen or an image. Coordinates are the
// painter's (device pixels when its transform is the identity).

#include "platform/Canvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <optional>

class QPainter;

class TQPainterCanvas : public ICanvas
{
public:
    // dpi is the resolution fonts are sized for (the device's logical dpi); pageSize is
    // what PageSize reports. The painter must outlive the canvas.
    TQPainterCanvas(QPainter &painter, int dpi, QSize pageSize);

    int Dpi() const override { return FDpi; }
    QSize PageSize() const override { return FPageSize; }
    void SelectFont(const TCanvasFont &font) override;
    const TCanvasFont &Font() const override { return FFont; }
    QSize TextExtent(const QString &text) const override;
    void FillRect(const QRect &r, const QColor &color) override;
    void TextOut(QPoint at, const QString &text, const TTextStyle &style = {}) override;
    void Line(QPoint a, QPoint b, const QColor &color, int width = 1) override;
    void DrawPicture(const QRect &target, const QByteArray &emf) override;

private:
    QPainter &FPainter;
    int FDpi;
    QSize FPageSize;
    TCanvasFont FFont;
    QFont FQFont;
    std::optional<QFontMetricsF> FMetrics;
};
