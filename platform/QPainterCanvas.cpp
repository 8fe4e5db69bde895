#include "platform/QPainterCanvas.h"

#include "platform/EmfPlayer.h"

#include <QPainter>
#include <cmath>

TQPainterCanvas::TQPainterCanvas(QPainter &painter, int dpi, QSize pageSize)
    : FPainter(painter)
    , FDpi(dpi > 0 ? dpi : 96)
    , FPageSize(pageSize)
{
    SelectFont(FFont);
}

void TQPainterCanvas::SelectFont(const TCanvasFont &font)
{
    FFont = font;
    FQFont = ToQFont(font, FDpi);
    FMetrics.emplace(FQFont, FPainter.device());
}

QSize TQPainterCanvas::TextExtent(const QString &text) const
{
    return TextExtentOf(*FMetrics, text);
}

void TQPainterCanvas::FillRect(const QRect &r, const QColor &color)
{
    FPainter.fillRect(r.normalized(), color);
}

void TQPainterCanvas::TextOut(QPoint at, const QString &text, const TTextStyle &style)
{
    if (text.isEmpty())
        return;
    const double width = FMetrics->horizontalAdvance(text);
    double left = at.x();
    if (style.Align == TTextAlign::Right)
        left -= width;
    else if (style.Align == TTextAlign::Center)
        left -= width / 2;
    const double ascent = std::round(FMetrics->ascent());
    FPainter.save();
    if (!style.Transparent)
        FPainter.fillRect(
            QRectF(left, at.y(), width, TextExtent(QString()).height()), style.Background);
    FPainter.setFont(FQFont);
    FPainter.setPen(FFont.Color);
    FPainter.setLayoutDirection(style.RightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    // The reference point is the top of the cell; Qt draws from the baseline.
    FPainter.drawText(QPointF(left, at.y() + ascent), text);
    FPainter.restore();
}

void TQPainterCanvas::Line(QPoint a, QPoint b, const QColor &color, int width)
{
    FPainter.save();
    QPen pen(color);
    pen.setWidth(std::max(width, 0));
    FPainter.setPen(pen);
    FPainter.drawLine(a, b);
    FPainter.restore();
}

void TQPainterCanvas::DrawPicture(const QRect &target, const QByteArray &emf)
{
    PlayEmf(FPainter, QRectF(target), emf);
}
