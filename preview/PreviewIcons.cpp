#include "preview/PreviewIcons.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kZoomMenuGlyph = -1;

struct TPalette {
    QColor Ink { 0x3a, 0x3f, 0x47 };
    QColor Paper { 0xff, 0xff, 0xff };
    QColor Accent { 0x1f, 0x6f, 0xc5 };
    QColor AccentLight { 0xc9, 0xdf, 0xf5 };
    QColor Body { 0x8a, 0x92, 0x9c };
    QColor Folder { 0xe6, 0xb4, 0x3c };
    QColor Stop { 0xc6, 0x28, 0x28 };
    QColor Green { 0x2e, 0x8b, 0x3e };
};

QColor Grey(const QColor &c)
{
    // Disabled icons keep their shapes in light greys.
    const int g = qGray(c.rgb());
    const int v = 150 + g * 90 / 255;
    return QColor(v, v, v, c.alpha());
}

class TIconPainter
{
public:
    TIconPainter(QPainter &p, bool disabled)
        : P(p)
        , Disabled(disabled)
    {
    }

    QColor C(const QColor &c) const { return Disabled ? Grey(c) : c; }

    // A rectangle whose 1-unit outline sits on pixel centres: x, y, w, h are whole units of
    // the outer edge.
    void Box(qreal x, qreal y, qreal w, qreal h, const QColor &fill, const QColor &line)
    {
        P.fillRect(QRectF(x, y, w, h), C(line));
        P.fillRect(QRectF(x + 1, y + 1, w - 2, h - 2), C(fill));
    }
    void Fill(qreal x, qreal y, qreal w, qreal h, const QColor &c)
    {
        P.fillRect(QRectF(x, y, w, h), C(c));
    }
    void Shape(const QPolygonF &poly, const QColor &c)
    {
        P.setPen(Qt::NoPen);
        P.setBrush(C(c));
        P.drawPolygon(poly);
    }
    void Stroke(const QPainterPath &path, const QColor &c, qreal width = 1.0)
    {
        P.setPen(QPen(C(c), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        P.setBrush(Qt::NoBrush);
        P.drawPath(path);
    }
    // A page with a folded corner and text lines.
    void Page(qreal x, qreal y, qreal w, qreal h, bool lines = true)
    {
        const TPalette k;
        QPolygonF outline(
            { { x, y }, { x + w - 4, y }, { x + w, y + 4 }, { x + w, y + h }, { x, y + h } });
        Shape(outline, k.Ink);
        QPolygonF inner({ { x + 1, y + 1 }, { x + w - 4.5, y + 1 }, { x + w - 1, y + 4.5 },
            { x + w - 1, y + h - 1 }, { x + 1, y + h - 1 } });
        Shape(inner, k.Paper);
        Shape(QPolygonF({ { x + w - 4, y }, { x + w - 4, y + 4 }, { x + w, y + 4 } }), k.Body);
        if (lines)
            for (qreal ly = y + 5; ly + 2 < y + h; ly += 2)
                Fill(x + 2, ly, w - 4, 1, k.Body);
    }
    void Magnifier(qreal cx, qreal cy, qreal r, const QColor &glass)
    {
        const TPalette k;
        P.setPen(QPen(C(k.Ink), 1.5));
        P.setBrush(C(glass));
        P.drawEllipse(QPointF(cx, cy), r, r);
        P.setPen(QPen(C(k.Ink), 2.5, Qt::SolidLine, Qt::RoundCap));
        const qreal d = r * 0.7071 + 0.9;
        P.drawLine(QPointF(cx + d, cy + d), QPointF(cx + d + 3.6, cy + d + 3.6));
    }
    void Printer(qreal y0)
    {
        const TPalette k;
        Box(4, y0, 8, 5, k.Paper, k.Ink); // paper going in
        Box(1, y0 + 4, 14, 7, k.Body, k.Ink); // body
        Fill(2, y0 + 5, 12, 1, QColor(0xb8, 0xbf, 0xc7));
        Fill(11, y0 + 6, 2, 1, k.Green); // lamp
        Box(4, y0 + 8, 8, 6, k.Paper, k.Ink); // paper coming out
        Fill(5, y0 + 10, 6, 1, k.Body);
    }

    QPainter &P;
    bool Disabled;
};

void Triangle(TIconPainter &t, qreal tipX, bool left, const QColor &c)
{
    const qreal back = left ? tipX + 6 : tipX - 6;
    t.Shape(QPolygonF({ { tipX, 8 }, { back, 2 }, { back, 14 } }), c);
}

void PaintIcon(QPainter &painter, int index, bool disabled)
{
    const TPalette k;
    TIconPainter t(painter, disabled);
    switch (index) {
    case qiZoomFit: {
        // The whole page inside the screen's corners.
        t.Page(5, 3, 7, 10, false);
        QPainterPath corners;
        corners.moveTo(1.5, 5);
        corners.lineTo(1.5, 1.5);
        corners.lineTo(5, 1.5);
        corners.moveTo(11, 1.5);
        corners.lineTo(14.5, 1.5);
        corners.lineTo(14.5, 5);
        corners.moveTo(14.5, 11);
        corners.lineTo(14.5, 14.5);
        corners.lineTo(11, 14.5);
        corners.moveTo(5, 14.5);
        corners.lineTo(1.5, 14.5);
        corners.lineTo(1.5, 11);
        t.Stroke(corners, k.Accent);
        break;
    }
    case qiZoom100: {
        // A glass showing 1:1.
        t.Magnifier(6.5, 6.5, 5, k.Paper);
        t.Fill(4, 4, 1, 5, k.Accent);
        t.Fill(6, 5, 1, 1, k.Accent);
        t.Fill(6, 7, 1, 1, k.Accent);
        t.Fill(8, 4, 1, 5, k.Accent);
        break;
    }
    case qiZoomToWidth: {
        t.Page(3, 1, 10, 14, true);
        t.Fill(1, 7, 14, 2, k.Accent);
        t.Shape(QPolygonF({ { 0, 8 }, { 3, 5 }, { 3, 11 } }), k.Accent);
        t.Shape(QPolygonF({ { 16, 8 }, { 13, 5 }, { 13, 11 } }), k.Accent);
        break;
    }
    case qiFirstPage:
        t.Fill(3, 2, 2, 12, k.Accent);
        Triangle(t, 6, true, k.Accent);
        break;
    case qiPreviousPage:
        Triangle(t, 5, true, k.Accent);
        break;
    case qiNextPage:
        Triangle(t, 11, false, k.Accent);
        break;
    case qiLastPage:
        t.Fill(11, 2, 2, 12, k.Accent);
        Triangle(t, 10, false, k.Accent);
        break;
    case qiPrintSetup: {
        t.Printer(1);
        // A small cog over the printer's corner.
        painter.setPen(Qt::NoPen);
        painter.setBrush(t.C(k.Accent));
        QPainterPath cog;
        for (int i = 0; i < 8; ++i) {
            QTransform r;
            r.translate(12, 12);
            r.rotate(i * 45);
            cog.addPolygon(r.map(QPolygonF({ { -1, -4 }, { 1, -4 }, { 1, 0 }, { -1, 0 } })));
        }
        cog.addEllipse(QPointF(12, 12), 3, 3);
        cog.setFillRule(Qt::WindingFill);
        painter.drawPath(cog);
        painter.setBrush(t.C(k.Paper));
        painter.drawEllipse(QPointF(12, 12), 1.2, 1.2);
        break;
    }
    case qiPrint:
        t.Printer(1);
        break;
    case qiLoad: {
        // An opening folder.
        t.Shape(
            QPolygonF({ { 1, 3 }, { 6, 3 }, { 7, 5 }, { 13, 5 }, { 13, 13 }, { 1, 13 } }), k.Ink);
        t.Shape(QPolygonF({ { 2, 4 }, { 5.5, 4 }, { 6.5, 6 }, { 12, 6 }, { 12, 12 }, { 2, 12 } }),
            QColor(0xc9, 0x95, 0x2a));
        t.Shape(QPolygonF({ { 1, 13 }, { 4, 7 }, { 16, 7 }, { 13, 13 } }), k.Ink);
        t.Shape(QPolygonF({ { 2.6, 12 }, { 4.7, 8 }, { 14.4, 8 }, { 12.3, 12 } }), k.Folder);
        break;
    }
    case qiSave:
        // A disk: body, label and shutter.
        t.Shape(QPolygonF({ { 1, 1 }, { 13, 1 }, { 15, 3 }, { 15, 15 }, { 1, 15 } }), k.Ink);
        t.Shape(QPolygonF({ { 2, 2 }, { 12.5, 2 }, { 14, 3.5 }, { 14, 14 }, { 2, 14 } }), k.Accent);
        t.Box(4, 2, 8, 5, k.Paper, k.Paper);
        t.Fill(9, 3, 2, 3, k.Ink);
        t.Box(4, 9, 8, 5, k.AccentLight, k.AccentLight);
        t.Fill(5, 11, 6, 1, k.Accent);
        break;
    case qiFind:
        t.Magnifier(6.5, 6.5, 5, k.AccentLight);
        break;
    case qiGotoPage: {
        t.Page(6, 1, 9, 14, true);
        t.Fill(1, 7, 6, 2, k.Green);
        t.Shape(QPolygonF({ { 11, 8 }, { 7, 4 }, { 7, 12 } }), k.Green);
        break;
    }
    case qiStop: {
        QPolygonF oct;
        for (int i = 0; i < 8; ++i) {
            const qreal a = (22.5 + 45 * i) * 3.14159265358979 / 180;
            oct << QPointF(8 + 7.4 * std::cos(a), 8 + 7.4 * std::sin(a));
        }
        t.Shape(oct, k.Stop);
        t.Fill(4, 7, 8, 2, k.Paper);
        break;
    }
    case qiCopy:
        t.Page(1, 1, 9, 11, true);
        t.Page(6, 4, 9, 11, true);
        break;
    case qiThumbnails:
        for (int i = 0; i < 4; ++i)
            t.Box(1 + (i % 2) * 8, 1 + (i / 2) * 8, 6, 6, k.Paper, k.Ink);
        break;
    case qiSearchResults:
        for (int i = 0; i < 4; ++i) {
            t.Fill(1, 2 + i * 4, 2, 2, k.Accent);
            t.Fill(5, 2 + i * 4, 10, 2, k.Ink);
        }
        break;
    case qiZoomIn:
        t.Magnifier(6.5, 6.5, 5, k.Paper);
        t.Fill(4, 6, 5, 1, k.Accent);
        t.Fill(6, 4, 1, 5, k.Accent);
        break;
    case qiSendMail: {
        t.Box(1, 3, 14, 10, k.Paper, k.Ink);
        QPainterPath flap;
        flap.moveTo(1.5, 3.5);
        flap.lineTo(8, 9);
        flap.lineTo(14.5, 3.5);
        t.Stroke(flap, k.Ink);
        break;
    }
    case kZoomMenuGlyph:
        t.Magnifier(6, 6, 4.5, k.Paper);
        t.Shape(QPolygonF({ { 10, 12 }, { 16, 12 }, { 13, 15 } }), k.Ink);
        break;
    default:
        break;
    }
}

class TVectorIconEngine : public QIconEngine
{
public:
    explicit TVectorIconEngine(TQRIconPaint paint)
        : FPaint(std::move(paint))
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        const qreal side = std::min(rect.width(), rect.height());
        painter->translate(
            rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
        painter->scale(side / 16.0, side / 16.0);
        painter->setRenderHint(QPainter::Antialiasing, true);
        FPaint(*painter, mode == QIcon::Disabled);
        painter->restore();
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    // size is in device pixels already: QIcon multiplies by the ratio before it asks, so a
    // 2x screen gets the paths drawn sharp instead of an enlargement.
    QPixmap scaledPixmap(
        const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        }
        image.setDevicePixelRatio(scale);
        return QPixmap::fromImage(image);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return { QSize(16, 16), QSize(32, 32) };
    }
    QString key() const override { return u"LevantaVectorIcon"_s; }
    QIconEngine *clone() const override { return new TVectorIconEngine(FPaint); }

private:
    TQRIconPaint FPaint;
};

} // namespace

QIcon QRVectorIcon(TQRIconPaint paint)
{
    return QIcon(new TVectorIconEngine(std::move(paint)));
}

QIcon QRPreviewIcon(int index)
{
    return QRVectorIcon([index](QPainter &p, bool disabled) { PaintIcon(p, index, disabled); });
}

QIcon QRZoomMenuGlyph()
{
    return QRPreviewIcon(kZoomMenuGlyph);
}
