// Lines, curves, shapes and paths, drawn in the record's logical space.
#include "platform/EmfPlayer_p.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QtMath>
#include <cmath>
#include <uemf.h>

using namespace Qt::StringLiterals;

namespace emf::play
{

// Drawn with the painter in the record's logical space, so that geometric pens and the
// shape scale together with the picture.
void TPlayer::DrawPath(const QPainterPath &logical, bool fill, bool stroke)
{
    const QTransform m = M();
    DrawDevicePath(m.map(logical), fill, stroke);
}

void TPlayer::DrawDevicePath(const QPainterPath &device, bool fill, bool stroke)
{
    ApplyClip();
    const QTransform m = M();
    // Shapes far outside any sensible page are dropped: the rasteriser would spend its time
    // on them (dashes along a line of a billion pixels) for nothing visible.
    const QRectF br = device.controlPointRect();
    if (!(std::abs(br.left()) < kHuge && std::abs(br.right()) < kHuge && std::abs(br.top()) < kHuge
            && std::abs(br.bottom()) < kHuge))
        return;
    QPen pen = stroke ? MakePen(std::sqrt(std::abs(m.determinant()))) : QPen(Qt::NoPen);
    if (pen.style() != Qt::NoPen && pen.style() != Qt::SolidLine) {
        const double len = (br.width() + br.height()) * std::abs(FBase.m11()) + 1;
        const double unit = std::max(1.0, pen.widthF() * std::abs(FBase.m11()));
        if (len / unit > 200000)
            pen.setStyle(Qt::SolidLine);
    }
    FPainter.setTransform(FBase);
    QPainterPath p = device;
    p.setFillRule(FDC.Fill);
    if (fill && FDC.Brush.Kind != TBrushObj::bkNull) {
        if (FDC.Brush.Kind == TBrushObj::bkHatch && FDC.BkMode == U_OPAQUE)
            FPainter.fillPath(p, FDC.BkColor);
        FPainter.fillPath(p, MakeBrush());
    }
    if (pen.style() != Qt::NoPen) {
        // GDI strokes run through pixel centres: a one-pixel line at y = 90 covers row 90.
        FPainter.setTransform(QTransform::fromTranslate(0.5, 0.5) * FBase);
        FPainter.strokePath(p, pen);
    }
}

void TPlayer::AddToPath(const QPainterPath &logical)
{
    FPath.addPath(M().map(logical));
    FPathOpen = true;
}

void TPlayer::Points(
    const TRecord &r, bool small, quint32 pointsOff, quint32 count, std::vector<QPointF> &out)
{
    const quint32 size = small ? 4 : 8;
    r.NeedArray(pointsOff, count, size);
    out.resize(count);
    for (quint32 i = 0; i < count; ++i) {
        const quint32 o = pointsOff + i * size;
        out[i] = small ? QPointF(r.I16(o), r.I16(o + 2)) : QPointF(r.I32(o), r.I32(o + 4));
    }
}

void TPlayer::Poly(const TRecord &r, bool small)
{
    const quint32 count = r.U32(24);
    std::vector<QPointF> pts;
    Points(r, small, 28, count, pts);
    const quint32 base = small ? r.Type() - (U_EMR_POLYBEZIER16 - U_EMR_POLYBEZIER) : r.Type();
    QPainterPath path;
    switch (base) {
    case U_EMR_POLYGON:
        if (pts.empty())
            return;
        path.addPolygon(QPolygonF(QList<QPointF>(pts.begin(), pts.end())));
        path.closeSubpath();
        Shape(path, true, true);
        return;
    case U_EMR_POLYLINE:
        if (pts.empty())
            return;
        path.addPolygon(QPolygonF(QList<QPointF>(pts.begin(), pts.end())));
        Shape(path, false, true);
        return;
    case U_EMR_POLYBEZIER:
        if (pts.empty())
            return;
        path.moveTo(pts[0]);
        for (size_t i = 1; i + 2 < pts.size(); i += 3)
            path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
        Shape(path, false, true);
        return;
    case U_EMR_POLYLINETO:
    case U_EMR_POLYBEZIERTO: {
        if (pts.empty())
            return;
        auto append = [&](QPainterPath &into, const QTransform &m) {
            if (base == U_EMR_POLYLINETO)
                for (const QPointF &p : pts)
                    into.lineTo(m.map(p));
            else
                for (size_t i = 0; i + 2 < pts.size(); i += 3)
                    into.cubicTo(m.map(pts[i]), m.map(pts[i + 1]), m.map(pts[i + 2]));
        };
        if (FInPath) {
            // Continue the figure being built at the current position.
            const QTransform m = M();
            if (!FPathOpen || FPath.elementCount() == 0)
                FPath.moveTo(m.map(FDC.Cur));
            append(FPath, m);
            FPathOpen = true;
        } else {
            path.moveTo(FDC.Cur);
            append(path, QTransform());
            DrawPath(path, false, true);
        }
        FDC.Cur = base == U_EMR_POLYLINETO ? pts.back()
                                           : pts[(pts.size() / 3) * 3 - (pts.size() >= 3 ? 1 : 0)];
        return;
    }
    default:
        return;
    }
}

void TPlayer::PolyPoly(const TRecord &r, bool small)
{
    const quint32 polys = r.U32(24);
    const quint32 total = r.U32(28);
    r.NeedArray(32, polys, 4);
    const quint32 pointsOff = 32 + polys * 4;
    std::vector<QPointF> pts;
    Points(r, small, pointsOff, total, pts);
    const bool polygon = r.Type() == U_EMR_POLYPOLYGON || r.Type() == U_EMR_POLYPOLYGON16;
    QPainterPath path;
    quint64 at = 0;
    for (quint32 i = 0; i < polys; ++i) {
        const quint32 n = r.U32(32 + i * 4);
        if (at + n > total)
            Fail(u"polygon counts exceed the points"_s, r.Offset());
        if (n > 0) {
            path.moveTo(pts[at]);
            for (quint32 k = 1; k < n; ++k)
                path.lineTo(pts[at + k]);
            if (polygon)
                path.closeSubpath();
        }
        at += n;
    }
    Shape(path, polygon, true);
}

void TPlayer::PolyDraw(const TRecord &r, bool small)
{
    const quint32 count = r.U32(24);
    std::vector<QPointF> pts;
    Points(r, small, 28, count, pts);
    const quint32 typesOff = 28 + count * (small ? 4 : 8);
    r.NeedArray(typesOff, count, 1);
    QPainterPath path;
    path.moveTo(FDC.Cur);
    for (quint32 i = 0; i < count; ++i) {
        const quint8 t = r.U8(typesOff + i);
        switch (t & ~U_PT_CLOSEFIGURE) {
        case U_PT_MOVETO:
            path.moveTo(pts[i]);
            break;
        case U_PT_LINETO:
            path.lineTo(pts[i]);
            break;
        case U_PT_BEZIERTO:
            if (i + 2 < count) {
                path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
                i += 2;
            }
            break;
        default:
            break;
        }
        if (t & U_PT_CLOSEFIGURE)
            path.closeSubpath();
        FDC.Cur = pts[std::min(i, count - 1)];
    }
    Shape(path, false, true);
}

void TPlayer::ArcLike(const TRecord &r)
{
    qint32 l, t, rr, b;
    r.Rect(8, l, t, rr, b);
    const QRectF box = QRectF(QPointF(l, t), QPointF(rr, b)).normalized();
    const QPointF c = box.center();
    const QPointF s(r.I32(24), r.I32(28)), e(r.I32(32), r.I32(36));
    auto angle
        = [&](QPointF p) { return qRadiansToDegrees(std::atan2(-(p.y() - c.y()), p.x() - c.x())); };
    const double a0 = angle(s);
    double sweep = angle(e) - a0;
    if (FDC.ArcDir == U_AD_COUNTERCLOCKWISE) {
        if (sweep <= 0)
            sweep += 360;
    } else if (sweep >= 0) {
        sweep -= 360;
    }
    QPainterPath path;
    switch (r.Type()) {
    case U_EMR_ARC:
        path.arcMoveTo(box, a0);
        path.arcTo(box, a0, sweep);
        Shape(path, false, true);
        break;
    case U_EMR_ARCTO:
        path.moveTo(FDC.Cur);
        path.arcTo(box, a0, sweep);
        FDC.Cur = path.currentPosition();
        Shape(path, false, true);
        break;
    case U_EMR_CHORD:
        path.arcMoveTo(box, a0);
        path.arcTo(box, a0, sweep);
        path.closeSubpath();
        Shape(path, true, true);
        break;
    case U_EMR_PIE:
        path.moveTo(c);
        path.arcTo(box, a0, sweep);
        path.closeSubpath();
        Shape(path, true, true);
        break;
    default:
        break;
    }
}

void TPlayer::AngleArc(const TRecord &r)
{
    const QPointF c(r.I32(8), r.I32(12));
    const double radius = r.U32(16);
    const double a0 = r.F32(20), sweep = r.F32(24);
    if (!std::isfinite(a0) || !std::isfinite(sweep) || radius > kHuge)
        return;
    const QRectF box(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path;
    path.moveTo(FDC.Cur);
    path.arcTo(box, a0, std::clamp(sweep, -3600.0, 3600.0));
    FDC.Cur = path.currentPosition();
    Shape(path, false, true);
}

void TPlayer::MoveTo(const TRecord &r)
{
    FDC.Cur = QPointF(r.I32(8), r.I32(12));
    if (FInPath) {
        FPath.moveTo(M().map(FDC.Cur));
        FPathOpen = true;
    }
}

void TPlayer::LineTo(const TRecord &r)
{
    const QPointF p(r.I32(8), r.I32(12));
    if (FInPath) {
        if (!FPathOpen || FPath.elementCount() == 0)
            FPath.moveTo(M().map(FDC.Cur));
        FPath.lineTo(M().map(p));
        FPathOpen = true;
    } else {
        QPainterPath path;
        path.moveTo(FDC.Cur);
        path.lineTo(p);
        DrawPath(path, false, true);
    }
    FDC.Cur = p;
}

void TPlayer::SetPixel(const TRecord &r)
{
    if (FInPath)
        return;
    const QPointF p = M().map(QPointF(r.I32(8), r.I32(12)));
    ApplyClip();
    FPainter.setTransform(FBase);
    FPainter.fillRect(QRectF(p, QSizeF(1, 1)), Color(r.U32(16)));
}

// Rectangle, ellipse and rounded rectangle: a box and a pen.
void TPlayer::BoxShape(const TRecord &r)
{
    const quint32 t = r.Type();
    qint32 l, tp, rr, b;
    r.Rect(8, l, tp, rr, b);
    QRectF box = QRectF(QPointF(l, tp), QPointF(rr, b)).normalized();
    const QTransform m = M();
    if (t == U_EMR_RECTANGLE && FDC.Pen.Null && !FInPath && m.type() <= QTransform::TxScale) {
        // Without a pen GDI fills one device pixel short on the right and bottom.
        QRectF dev = m.mapRect(box);
        dev.adjust(0, 0, -1, -1);
        if (dev.width() <= 0 || dev.height() <= 0)
            return;
        QPainterPath p;
        p.addRect(dev);
        DrawDevicePath(p, true, false);
        return;
    }
    QPainterPath path;
    if (t == U_EMR_RECTANGLE)
        path.addRect(box);
    else if (t == U_EMR_ELLIPSE)
        path.addEllipse(box);
    else
        path.addRoundedRect(box, r.I32(24) / 2.0, r.I32(28) / 2.0);
    Shape(path, true, true);
}

void TPlayer::BeginPath()
{
    FInPath = true;
    FPath = QPainterPath();
    FPathOpen = false;
}

// Fills, strokes or both the path that BEGINPATH..ENDPATH built.
void TPlayer::DrawStoredPath(const TRecord &r)
{
    const quint32 t = r.Type();
    if (FInPath)
        return;
    const QPainterPath path = FPath;
    FPath = QPainterPath();
    QPainterPath closed = path;
    if (t != U_EMR_STROKEPATH)
        closed.closeSubpath();
    DrawDevicePath(
        t == U_EMR_STROKEPATH ? path : closed, t != U_EMR_STROKEPATH, t != U_EMR_FILLPATH);
}

void TPlayer::WidenPath()
{
    if (FInPath || FDC.Pen.Null)
        return;
    QPainterPathStroker s;
    s.setWidth(std::max(
        1.0, FDC.Pen.Cosmetic ? 1.0 : FDC.Pen.Width * std::sqrt(std::abs(M().determinant()))));
    FPath = s.createStroke(FPath);
}

// FILLRGN, PAINTRGN and FRAMERGN: a region in the given or the selected brush, no pen.
void TPlayer::RegionFill(const TRecord &r)
{
    const quint32 t = r.Type();
    const quint32 cb = r.U32(24);
    const quint32 off = t == U_EMR_FILLRGN ? 32 : t == U_EMR_FRAMERGN ? 40 : 28;
    QPainterPath region;
    bool ok;
    Region(r, off, cb, region, ok);
    if (!ok || FInPath)
        return;
    const TBrushObj keep = FDC.Brush;
    const TPenObj keepPen = FDC.Pen;
    if (t != U_EMR_PAINTRGN) {
        const TObject *o = Object(r.U32(28));
        if (o && o->Kind == TObject::okBrush)
            FDC.Brush = o->Brush;
        else if (r.U32(28) & U_STOCK_OBJECT)
            SelectObject(r.U32(28));
    }
    FDC.Pen.Null = true;
    if (t == U_EMR_FRAMERGN) {
        // The frame is the region less the region shrunk by the stroke size.
        const double w = std::max(1, r.I32(32)), h = std::max(1, r.I32(36));
        QPainterPath inner;
        for (const QPolygonF &poly : region.toSubpathPolygons()) {
            const QRectF b = poly.boundingRect().adjusted(w, h, -w, -h);
            if (b.isValid())
                inner.addRect(b);
        }
        region = region.subtracted(inner);
    }
    DrawPath(region, true, false);
    FDC.Brush = keep;
    FDC.Pen = keepPen;
}

} // namespace emf::play
