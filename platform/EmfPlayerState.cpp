// The device context while playing: objects by handle, pen and brush as Qt sees them, the
// clip, and the saved states.
#include "platform/EmfPlayer_p.h"

#include <QPainter>
#include <uemf.h>

using namespace Qt::StringLiterals;

namespace emf::play
{

TObject *TPlayer::Object(quint32 h)
{
    if (h == 0 || h >= FObjects.size() || !FObjects[h])
        return nullptr;
    return FObjects[h].get();
}

void TPlayer::ApplyClip()
{
    if (!FClipDirty)
        return;
    FPainter.restore();
    FPainter.save();
    if (FDC.HasClip) {
        FPainter.setTransform(FBase);
        FPainter.setClipPath(FDC.Clip, Qt::IntersectClip);
    }
    FClipDirty = false;
}

// The pen in reference pixels; scale turns logical widths into them.
QPen TPlayer::MakePen(double scale) const
{
    if (FDC.Pen.Null)
        return QPen(Qt::NoPen);
    QPen pen(FDC.Pen.Color);
    pen.setCapStyle(FDC.Pen.Cap);
    pen.setJoinStyle(FDC.Pen.Join);
    if (FDC.Pen.Cosmetic || FDC.Pen.Width <= 0) {
        pen.setWidthF(0);
        pen.setCosmetic(true);
    } else {
        const double w = FDC.Pen.Width * scale;
        if (!(w < 32767)) // wider than any page: Qt refuses such pens
            return QPen(Qt::NoPen);
        pen.setWidthF(w);
    }
    if (!FDC.Pen.Dashes.isEmpty())
        pen.setDashPattern(FDC.Pen.Dashes);
    else
        pen.setStyle(FDC.Pen.Style);
    return pen;
}

QBrush TPlayer::MakeBrush() const
{
    const TBrushObj &b = FDC.Brush;
    switch (b.Kind) {
    case TBrushObj::bkNull:
        return QBrush(Qt::NoBrush);
    case TBrushObj::bkSolid:
        return QBrush(b.Color);
    case TBrushObj::bkHatch: {
        static const Qt::BrushStyle styles[] = { Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
            Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern };
        if (b.Hatch >= 0 && b.Hatch < 6)
            return QBrush(b.Color, styles[b.Hatch]);
        return QBrush(b.Color);
    }
    case TBrushObj::bkPattern: {
        if (b.Mono) {
            // A monochrome pattern paints its set bits in the text colour, the rest in the
            // background colour.
            QImage img = b.Image.convertToFormat(QImage::Format_Mono);
            img.setColor(0, FDC.TextColor.rgb());
            img.setColor(1, FDC.BkColor.rgb());
            return QBrush(img);
        }
        return QBrush(b.Image);
    }
    }
    return QBrush();
}

void TPlayer::SetClip(const QPainterPath &deviceIn, quint32 mode)
{
    QPainterPath all;
    all.addRect(QRectF(-kHuge, -kHuge, 2 * kHuge, 2 * kHuge));
    QPainterPath cur = FDC.HasClip ? FDC.Clip : all;
    // Combining outlines costs more than linear time in their size: beyond a sane size the
    // clip falls back to bounding boxes rather than stalling the page.
    auto bounded = [&all](const QPainterPath &p) {
        const QRectF br = p.controlPointRect();
        if (p.elementCount() <= kMaxClipElements && all.boundingRect().contains(br))
            return p;
        QPainterPath box;
        box.addRect(br.intersected(all.boundingRect()));
        return box;
    };
    cur = bounded(cur);
    const QPainterPath device = bounded(deviceIn);
    QPainterPath next;
    switch (mode) {
    case U_RGN_AND:
        next = cur.intersected(device);
        break;
    case U_RGN_OR:
        next = cur.united(device);
        break;
    case U_RGN_XOR:
        next = cur.united(device).subtracted(cur.intersected(device));
        break;
    case U_RGN_DIFF:
        next = cur.subtracted(device);
        break;
    case U_RGN_COPY:
        next = device;
        break;
    default:
        return;
    }
    FDC.Clip = bounded(next);
    FDC.HasClip = true;
    FClipDirty = true;
}

void TPlayer::Region(const TRecord &r, quint32 off, quint32 cb, QPainterPath &out, bool &ok)
{
    ok = false;
    if (cb < 32)
        return;
    r.Need(off, cb);
    const quint32 count = r.U32(off + 8);
    r.NeedArray(off + 32, count, 16);
    if (quint64(count) * 16 > cb - 32)
        Fail(u"region rectangles exceed the region"_s, r.Offset());
    out = QPainterPath();
    out.setFillRule(Qt::WindingFill);
    if (count > kMaxRegionRects) {
        qint32 l, t, rr, b;
        r.Rect(off + 16, l, t, rr, b);
        out.addRect(QRectF(QPointF(l, t), QPointF(rr, b)).normalized());
    } else {
        for (quint32 i = 0; i < count; ++i) {
            qint32 l, t, rr, b;
            r.Rect(off + 32 + 16 * i, l, t, rr, b);
            out.addRect(QRectF(QPointF(l, t), QPointF(rr, b)).normalized());
        }
    }
    ok = true;
}

void TPlayer::SaveDC(const TRecord &r)
{
    if (FSaved.size() >= kMaxSaveDepth)
        Fail(u"saved states nested too deep"_s, r.Offset());
    FSaved.push_back(FDC);
}

void TPlayer::RestoreDC(const TRecord &r)
{
    const std::optional<size_t> index = RestoreIndex(r.I32(8), FSaved.size());
    if (!index)
        return;
    FDC = FSaved[*index];
    FSaved.resize(*index);
    FClipDirty = true;
}

void TPlayer::SelectClipPath(const TRecord &r)
{
    if (FInPath)
        return;
    QPainterPath p = FPath;
    p.closeSubpath();
    p.setFillRule(FDC.Fill);
    SetClip(p, r.U32(8));
    FPath = QPainterPath();
}

void TPlayer::ClipRect(const TRecord &r)
{
    qint32 l, tp, rr, b;
    r.Rect(8, l, tp, rr, b);
    QPainterPath p;
    p.addRect(QRectF(QPointF(l, tp), QPointF(rr, b)).normalized());
    SetClip(M().map(p), r.Type() == U_EMR_INTERSECTCLIPRECT ? U_RGN_AND : U_RGN_DIFF);
}

void TPlayer::OffsetClip(const TRecord &r)
{
    if (!FDC.HasClip)
        return;
    const QTransform m = M();
    const QPointF d = m.map(QPointF(r.I32(8), r.I32(12))) - m.map(QPointF(0, 0));
    FDC.Clip.translate(d);
    FClipDirty = true;
}

void TPlayer::ExtSelectClip(const TRecord &r)
{
    const quint32 cb = r.U32(8);
    const quint32 mode = r.U32(12);
    if (cb == 0) {
        if (mode == U_RGN_COPY) {
            FDC.HasClip = false;
            FDC.Clip = QPainterPath();
            FClipDirty = true;
        }
        return;
    }
    QPainterPath region;
    bool ok;
    Region(r, 16, cb, region, ok);
    if (ok)
        SetClip(region, mode);
}

} // namespace emf::play
