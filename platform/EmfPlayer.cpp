#include "platform/EmfPlayer.h"

#include "platform/EmfRecords_p.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cmath>
#include <iconv.h>
#include <memory>
#include <optional>
#include <uemf.h>
#include <vector>

using emf::Fail;
using emf::TRecord;

QSizeF TEmfInfo::FrameSizePixels() const
{
    emf::THeader h;
    h.Device = Device;
    h.Millimeters = Millimeters;
    h.Micrometers = Micrometers;
    const QTransform t
        = emf::MappingTransform(emf::TMapping { U_MM_HIMETRIC, {}, {}, { 1, 1 }, { 1, 1 } }, h);
    return QSizeF((Frame.width()) * t.m11(), (Frame.height()) * -t.m22());
}

TEmfInfo ReadEmfInfo(QByteArrayView emf)
{
    const emf::THeader h = emf::ReadHeader(emf);
    TEmfInfo info;
    info.Bounds = h.Bounds;
    info.Frame = h.Frame;
    info.Device = h.Device;
    info.Millimeters = h.Millimeters;
    info.Micrometers = h.Micrometers;
    info.Bytes = h.Bytes;
    info.Records = h.Records;
    info.Handles = h.Handles;
    info.Description = h.Description;
    return info;
}

namespace
{

constexpr int kMaxSaveDepth = 1024;
constexpr qint64 kMaxBitmapPixels = 16 * 1024 * 1024;
constexpr int kMaxRegionRects = 4096;
constexpr int kMaxClipElements = 20000;
constexpr double kHuge = 1e7; // reference pixels; "everything" for an open clip

QColor Color(quint32 ref)
{
    return QColor(ref & 0xff, (ref >> 8) & 0xff, (ref >> 16) & 0xff);
}

struct TPenObj {
    bool Null = false;
    bool Cosmetic = true; // one device pixel whatever the transform
    double Width = 0; // logical units when not cosmetic
    QColor Color = Qt::black;
    Qt::PenStyle Style = Qt::SolidLine;
    Qt::PenCapStyle Cap = Qt::RoundCap;
    Qt::PenJoinStyle Join = Qt::RoundJoin;
    QList<qreal> Dashes;
};

struct TBrushObj {
    enum TKind { bkSolid, bkNull, bkHatch, bkPattern } Kind = bkSolid;
    QColor Color = Qt::white;
    int Hatch = 0;
    QImage Image;
    bool Mono = false; // pattern drawn in text/background colours
};

TBrushObj MakeBrushObj(TBrushObj::TKind kind, QColor color)
{
    TBrushObj b;
    b.Kind = kind;
    b.Color = color;
    return b;
}

struct TFontObj {
    QString Face = QStringLiteral("Sans Serif");
    double Height = 0; // em height in logical units; 0: the default size
    bool CellHeight = false;
    int Weight = 400;
    bool Italic = false, Underline = false, StrikeOut = false;
    int Escapement = 0; // tenths of a degree
    quint8 CharSet = 1;
};

struct TObject {
    enum TKind { okNone, okPen, okBrush, okFont, okOther } Kind = okNone;
    TPenObj Pen;
    TBrushObj Brush;
    TFontObj Font;
};

struct TDC {
    emf::TMapping Map;
    QTransform World;
    TPenObj Pen;
    TBrushObj Brush;
    TFontObj Font;
    QColor TextColor = Qt::black;
    QColor BkColor = Qt::white;
    quint32 BkMode = U_OPAQUE;
    quint32 TextAlign = 0;
    Qt::FillRule Fill = Qt::OddEvenFill;
    QPointF Cur;
    bool HasClip = false;
    QPainterPath Clip; // reference pixels
    quint32 ArcDir = U_AD_COUNTERCLOCKWISE;
};

QString DecodeAnsi(const QByteArray &bytes, quint8 charset)
{
    const char *cp = "WINDOWS-1252";
    switch (charset) {
    case 162:
        cp = "WINDOWS-1254";
        break;
    case 161:
        cp = "WINDOWS-1253";
        break;
    case 204:
        cp = "WINDOWS-1251";
        break;
    case 238:
        cp = "WINDOWS-1250";
        break;
    case 186:
        cp = "WINDOWS-1257";
        break;
    case 177:
        cp = "WINDOWS-1255";
        break;
    case 178:
        cp = "WINDOWS-1256";
        break;
    case 163:
        cp = "WINDOWS-1258";
        break;
    case 222:
        cp = "CP874";
        break;
    case 128:
        cp = "CP932";
        break;
    case 134:
        cp = "CP936";
        break;
    case 136:
        cp = "CP950";
        break;
    case 129:
        cp = "CP949";
        break;
    case 2:
        return QString::fromLatin1(bytes);
    default:
        break;
    }
    iconv_t cd = iconv_open("UTF-16LE", cp);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 4 + 4, '\0');
    char *ip = in.data();
    char *op = out.data();
    size_t il = static_cast<size_t>(in.size()), ol = static_cast<size_t>(out.size());
    while (il > 0) {
        if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) {
            if (ol < 2)
                break;
            // An undefined byte becomes a replacement character and decoding goes on.
            *op++ = '\xfd';
            *op++ = '\xff';
            ol -= 2;
            ++ip;
            --il;
        }
    }
    iconv_close(cd);
    const qsizetype n = (op - out.data()) / 2;
    QString s(n, Qt::Uninitialized);
    std::memcpy(s.data(), out.constData(), static_cast<size_t>(n) * 2);
    return s;
}

class TPlayer
{
public:
    TPlayer(QPainter &p, const QRectF &target, QByteArrayView bytes)
        : FPainter(p)
        , FTarget(target)
        , FBytes(bytes)
    {
    }
    TEmfPlayResult Run();

private:
    // Drawing state
    QTransform M() const { return FDC.World * emf::MappingTransform(FDC.Map, FHeader); }
    void ApplyClip();
    QPen MakePen(double scale) const;
    QBrush MakeBrush() const;
    void DrawPath(const QPainterPath &logical, bool fill, bool stroke);
    void DrawDevicePath(const QPainterPath &device, bool fill, bool stroke);
    void AddToPath(const QPainterPath &logical);
    void Shape(const QPainterPath &logical, bool fill, bool stroke)
    {
        if (FInPath)
            AddToPath(logical);
        else
            DrawPath(logical, fill, stroke);
    }
    void SetClip(const QPainterPath &devicePath, quint32 mode);

    // Records
    void Dispatch(const TRecord &r);
    void Points(const TRecord &r, bool small, quint32 countOff, quint32 pointsOff, quint32 count,
        std::vector<QPointF> &out);
    void Poly(const TRecord &r, bool small);
    void PolyPoly(const TRecord &r, bool small);
    void PolyDraw(const TRecord &r, bool small);
    void ArcLike(const TRecord &r);
    void CreateObject(const TRecord &r);
    void SelectObject(quint32 h);
    void Text(const TRecord &r, bool wide);
    void Blit(const TRecord &r);
    void Region(const TRecord &r, quint32 off, quint32 cb, QPainterPath &out, bool &ok);
    std::optional<QImage> Dib(const TRecord &r, quint32 usage, quint32 offBmi, quint32 cbBmi,
        quint32 offBits, quint32 cbBits, bool alpha);
    TObject *Object(quint32 h);

    QPainter &FPainter;
    QRectF FTarget;
    QByteArrayView FBytes;
    emf::THeader FHeader;
    QTransform FBase; // reference pixels to painter coordinates
    TDC FDC;
    std::vector<TDC> FSaved;
    std::vector<std::unique_ptr<TObject>> FObjects;
    bool FClipDirty = false;
    bool FInPath = false;
    QPainterPath FPath; // reference pixels
    bool FPathOpen = false;
    bool FRasterOps = false;
    TEmfPlayResult FResult;
    QString FFontKey;
    QFont FQFont;
    std::optional<QFontMetricsF> FFontMetrics;
};

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

void TPlayer::Points(const TRecord &r, bool small, quint32, quint32 pointsOff, quint32 count,
    std::vector<QPointF> &out)
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
    Points(r, small, 24, 28, count, pts);
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
    Points(r, small, 28, pointsOff, total, pts);
    const bool polygon = r.Type() == U_EMR_POLYPOLYGON || r.Type() == U_EMR_POLYPOLYGON16;
    QPainterPath path;
    quint64 at = 0;
    for (quint32 i = 0; i < polys; ++i) {
        const quint32 n = r.U32(32 + i * 4);
        if (at + n > total)
            Fail(QStringLiteral("polygon counts exceed the points"), r.Offset());
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
    Points(r, small, 24, 28, count, pts);
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

// The dash styles that plain and extended pens share.
void SetDashStyle(TPenObj &p, quint32 style)
{
    switch (style & U_PS_STYLE_MASK) {
    case U_PS_NULL:
        p.Null = true;
        break;
    case U_PS_DASH:
        p.Style = Qt::DashLine;
        break;
    case U_PS_DOT:
        p.Style = Qt::DotLine;
        break;
    case U_PS_DASHDOT:
        p.Style = Qt::DashDotLine;
        break;
    case U_PS_DASHDOTDOT:
        p.Style = Qt::DashDotDotLine;
        break;
    default:
        break;
    }
}

void TPlayer::CreateObject(const TRecord &r)
{
    const quint32 h = r.U32(8);
    if (h == 0 || (h & U_STOCK_OBJECT) || h >= emf::kMaxHandles)
        return;
    if (h >= FObjects.size())
        FObjects.resize(h + 1);
    auto obj = std::make_unique<TObject>();
    switch (r.Type()) {
    case U_EMR_CREATEPEN: {
        obj->Kind = TObject::okPen;
        const quint32 style = r.U32(12);
        const qint32 width = r.I32(16);
        TPenObj &p = obj->Pen;
        p.Color = Color(r.U32(24));
        p.Width = width;
        p.Cosmetic = width <= 1 ? width <= 0 : false;
        SetDashStyle(p, style);
        break;
    }
    case U_EMR_EXTCREATEPEN: {
        obj->Kind = TObject::okPen;
        TPenObj &p = obj->Pen;
        const quint32 style = r.U32(28);
        p.Width = r.U32(32);
        const quint32 brushStyle = r.U32(36);
        p.Color = Color(r.U32(40));
        p.Cosmetic = (style & U_PS_TYPE_MASK) != U_PS_GEOMETRIC;
        if (brushStyle == U_BS_NULL)
            p.Null = true;
        switch (style & U_PS_ENDCAP_MASK) {
        case U_PS_ENDCAP_SQUARE:
            p.Cap = Qt::SquareCap;
            break;
        case U_PS_ENDCAP_FLAT:
            p.Cap = Qt::FlatCap;
            break;
        default:
            p.Cap = Qt::RoundCap;
            break;
        }
        switch (style & U_PS_JOIN_MASK) {
        case U_PS_JOIN_BEVEL:
            p.Join = Qt::BevelJoin;
            break;
        case U_PS_JOIN_MITER:
            p.Join = Qt::MiterJoin;
            break;
        default:
            p.Join = Qt::RoundJoin;
            break;
        }
        SetDashStyle(p, style);
        switch (style & U_PS_STYLE_MASK) {
        case U_PS_USERSTYLE: {
            const quint32 n = r.U32(48);
            r.NeedArray(52, n, 4);
            const double unit = p.Width > 0 ? p.Width : 1;
            for (quint32 i = 0; i < n && i < 64; ++i)
                p.Dashes.append(std::max(0.01, r.U32(52 + 4 * i) / unit));
            if (p.Dashes.size() % 2 != 0)
                p.Dashes.append(p.Dashes.constLast());
            break;
        }
        default:
            break;
        }
        break;
    }
    case U_EMR_CREATEBRUSHINDIRECT: {
        obj->Kind = TObject::okBrush;
        TBrushObj &b = obj->Brush;
        const quint32 style = r.U32(12);
        b.Color = Color(r.U32(16));
        if (style == U_BS_NULL)
            b.Kind = TBrushObj::bkNull;
        else if (style == U_BS_HATCHED) {
            b.Kind = TBrushObj::bkHatch;
            b.Hatch = static_cast<int>(r.U32(20));
        }
        break;
    }
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH: {
        obj->Kind = TObject::okBrush;
        TBrushObj &b = obj->Brush;
        const auto img = Dib(r, r.U32(12), r.U32(16), r.U32(20), r.U32(24), r.U32(28), false);
        if (img && !img->isNull()) {
            b.Kind = TBrushObj::bkPattern;
            b.Image = *img;
            b.Mono = r.Type() == U_EMR_CREATEMONOBRUSH;
        } else {
            b.Color = Qt::gray;
        }
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW: {
        obj->Kind = TObject::okFont;
        TFontObj &f = obj->Font;
        const qint32 height = r.I32(12);
        f.Height = std::abs(static_cast<double>(height));
        f.CellHeight = height > 0;
        f.Escapement = r.I32(20);
        f.Weight = r.I32(28);
        f.Italic = r.U8(32) != 0;
        f.Underline = r.U8(33) != 0;
        f.StrikeOut = r.U8(34) != 0;
        f.CharSet = r.U8(35);
        QString face;
        for (quint32 i = 0; i < 32; ++i) {
            const quint16 u = r.U16(40 + 2 * i);
            if (u == 0)
                break;
            face.append(QChar(u));
        }
        if (!face.isEmpty())
            f.Face = face;
        break;
    }
    default:
        obj->Kind = TObject::okOther;
        break;
    }
    FObjects[h] = std::move(obj);
}

void TPlayer::SelectObject(quint32 h)
{
    if (h & U_STOCK_OBJECT) {
        switch (h) {
        case U_WHITE_BRUSH:
            FDC.Brush = MakeBrushObj(TBrushObj::bkSolid, Qt::white);
            break;
        case U_LTGRAY_BRUSH:
            FDC.Brush = TBrushObj { TBrushObj::bkSolid, QColor(192, 192, 192), 0, {}, false };
            break;
        case U_GRAY_BRUSH:
            FDC.Brush = TBrushObj { TBrushObj::bkSolid, QColor(128, 128, 128), 0, {}, false };
            break;
        case U_DKGRAY_BRUSH:
            FDC.Brush = TBrushObj { TBrushObj::bkSolid, QColor(64, 64, 64), 0, {}, false };
            break;
        case U_BLACK_BRUSH:
            FDC.Brush = MakeBrushObj(TBrushObj::bkSolid, Qt::black);
            break;
        case U_NULL_BRUSH:
            FDC.Brush = MakeBrushObj(TBrushObj::bkNull, Qt::white);
            break;
        case U_WHITE_PEN:
            FDC.Pen = TPenObj {};
            FDC.Pen.Color = Qt::white;
            break;
        case U_BLACK_PEN:
            FDC.Pen = TPenObj {};
            break;
        case U_NULL_PEN:
            FDC.Pen = TPenObj {};
            FDC.Pen.Null = true;
            break;
        case U_OEM_FIXED_FONT:
        case U_ANSI_FIXED_FONT:
        case U_SYSTEM_FIXED_FONT:
            FDC.Font = TFontObj {};
            FDC.Font.Face = QStringLiteral("Monospace");
            break;
        case U_ANSI_VAR_FONT:
        case U_SYSTEM_FONT:
        case U_DEVICE_DEFAULT_FONT:
        case U_DEFAULT_GUI_FONT:
            FDC.Font = TFontObj {};
            break;
        default:
            break;
        }
        return;
    }
    const TObject *o = Object(h);
    if (!o)
        return;
    switch (o->Kind) {
    case TObject::okPen:
        FDC.Pen = o->Pen;
        break;
    case TObject::okBrush:
        FDC.Brush = o->Brush;
        break;
    case TObject::okFont:
        FDC.Font = o->Font;
        break;
    default:
        break;
    }
}

// A DIB (device-independent bitmap) of a record as an image, top row first. None when its
// format is not one the player decodes; malformed sizes are errors.
std::optional<QImage> TPlayer::Dib(const TRecord &r, quint32 usage, quint32 offBmi, quint32 cbBmi,
    quint32 offBits, quint32 cbBits, bool alpha)
{
    if (cbBmi == 0 || cbBits == 0)
        return std::nullopt;
    r.Need(offBmi, cbBmi);
    r.Need(offBits, cbBits);
    const quint32 hdr = r.U32(offBmi);
    if (hdr < 40 || hdr > cbBmi)
        return std::nullopt;
    const qint32 width = r.I32(offBmi + 4);
    const qint32 rawHeight = r.I32(offBmi + 8);
    const quint16 bits = r.U16(offBmi + 14);
    const quint32 compression = r.U32(offBmi + 16);
    const quint32 used = r.U32(offBmi + 32);
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN)
        return std::nullopt;
    const qint64 height = std::abs(static_cast<qint64>(rawHeight));
    if (width > 65536 || height > 65536 || qint64(width) * height > kMaxBitmapPixels)
        Fail(QStringLiteral("bitmap too large"), r.Offset());
    const bool bottomUp = rawHeight > 0;

    if (compression == U_BI_PNG || compression == U_BI_JPEG) {
        // The embedded image's own header is asked for its size before anything is decoded.
        QByteArray data = QByteArray::fromRawData(
            reinterpret_cast<const char *>(r.Data() + offBits), static_cast<qsizetype>(cbBits));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (!size.isValid() || qint64(size.width()) * size.height() > kMaxBitmapPixels)
            return std::nullopt;
        QImage img = reader.read();
        if (img.isNull())
            return std::nullopt;
        return img;
    }
    if (compression != U_BI_RGB && compression != U_BI_BITFIELDS)
        return std::nullopt;

    std::vector<QRgb> table;
    if (bits <= 8) {
        if (bits != 1 && bits != 4 && bits != 8)
            return std::nullopt;
        quint32 n = used != 0 ? used : (1u << bits);
        n = std::min<quint32>(n, 1u << bits);
        const quint32 entry = usage == U_DIB_PAL_COLORS ? 2 : 4;
        r.NeedArray(offBmi + hdr, n, entry);
        table.resize(1u << bits, qRgb(0, 0, 0));
        for (quint32 i = 0; i < n; ++i) {
            if (usage == U_DIB_PAL_COLORS) {
                // No logical palette is kept; indices give grey levels.
                const int g = static_cast<int>(r.U16(offBmi + hdr + 2 * i) & 0xff);
                table[i] = qRgb(g, g, g);
            } else {
                const quint32 q = r.U32(offBmi + hdr + 4 * i);
                table[i] = qRgb((q >> 16) & 0xff, (q >> 8) & 0xff, q & 0xff);
            }
        }
    } else if (bits != 16 && bits != 24 && bits != 32) {
        return std::nullopt;
    }
    quint32 masks[3] = { 0x7c00, 0x03e0, 0x001f };
    if (bits == 32)
        masks[0] = 0xff0000, masks[1] = 0xff00, masks[2] = 0xff;
    if (compression == U_BI_BITFIELDS) {
        if (bits != 16 && bits != 32)
            return std::nullopt;
        const quint32 off = offBmi + 40; // masks follow the 40-byte part
        for (int i = 0; i < 3; ++i)
            masks[i] = r.U32(off + 4 * i);
    }
    const qint64 stride = ((qint64(width) * bits + 31) / 32) * 4;
    if (stride * height > cbBits)
        Fail(QStringLiteral("bitmap bits shorter than its size"), r.Offset());

    auto channel = [](quint32 v, quint32 mask) -> int {
        if (mask == 0)
            return 0;
        int shift = 0;
        while (((mask >> shift) & 1) == 0)
            ++shift;
        const quint32 m = mask >> shift;
        const quint32 c = (v & mask) >> shift;
        return m == 0 ? 0 : static_cast<int>((c * 255 + m / 2) / m);
    };
    const bool withAlpha = alpha && bits == 32;
    QImage img(width, static_cast<int>(height),
        withAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (img.isNull())
        return std::nullopt;
    const uchar *base = r.Data() + offBits;
    for (qint64 y = 0; y < height; ++y) {
        const uchar *row = base + (bottomUp ? height - 1 - y : y) * stride;
        auto *out = reinterpret_cast<QRgb *>(img.scanLine(static_cast<int>(y)));
        for (qint32 x = 0; x < width; ++x) {
            switch (bits) {
            case 1:
                out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                out[x] = table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xf];
                break;
            case 8:
                out[x] = table[row[x]];
                break;
            case 16: {
                const quint32 v = row[2 * x] | (row[2 * x + 1] << 8);
                out[x] = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                break;
            }
            case 24:
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            case 32: {
                quint32 v;
                std::memcpy(&v, row + 4 * x, 4);
                v = qFromLittleEndian(v);
                if (compression == U_BI_BITFIELDS)
                    out[x] = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                else if (withAlpha)
                    out[x] = v; // premultiplied BGRA is Qt's ARGB32_Premultiplied in memory
                else
                    out[x] = 0xff000000u | (v & 0xffffff);
                break;
            }
            default:
                break;
            }
        }
    }
    if (withAlpha) {
        // Invalid premultiplied pixels (colour above alpha) would wrap around in blending.
        for (int y = 0; y < img.height(); ++y) {
            auto *px = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int a = qAlpha(px[x]);
                px[x] = qRgba(std::min(qRed(px[x]), a), std::min(qGreen(px[x]), a),
                    std::min(qBlue(px[x]), a), a);
            }
        }
    }
    return img;
}

void TPlayer::Blit(const TRecord &r)
{
    qint32 xd, yd, cxd, cyd, xs = 0, ys = 0, cxs = 0, cys = 0;
    quint32 rop = U_SRCCOPY, usage, offBmi, cbBmi, offBits, cbBits;
    bool alpha = false;
    double opacity = 1;
    switch (r.Type()) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT:
        xd = r.I32(24), yd = r.I32(28), cxd = r.I32(32), cyd = r.I32(36);
        rop = r.U32(40);
        xs = r.I32(44), ys = r.I32(48);
        usage = r.U32(80), offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92),
        cbBits = r.U32(96);
        if (r.Type() == U_EMR_BITBLT) {
            cxs = cxd, cys = cyd;
        } else {
            cxs = r.I32(100), cys = r.I32(104);
        }
        if (r.Type() == U_EMR_ALPHABLEND) {
            opacity = ((rop >> 16) & 0xff) / 255.0;
            alpha = ((rop >> 24) & 0xff) != 0;
            rop = U_SRCCOPY;
        } else if (r.Type() == U_EMR_TRANSPARENTBLT) {
            rop = U_SRCCOPY;
        }
        break;
    case U_EMR_STRETCHDIBITS:
        xd = r.I32(24), yd = r.I32(28), xs = r.I32(32), ys = r.I32(36), cxs = r.I32(40),
        cys = r.I32(44);
        offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60),
        usage = r.U32(64);
        rop = r.U32(68);
        cxd = r.I32(72), cyd = r.I32(76);
        break;
    case U_EMR_SETDIBITSTODEVICE:
        xd = r.I32(24), yd = r.I32(28), xs = r.I32(32), ys = r.I32(36), cxs = r.I32(40),
        cys = r.I32(44);
        offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60),
        usage = r.U32(64);
        cxd = cxs, cyd = cys;
        break;
    default:
        return;
    }
    const QRectF dest = QRectF(xd, yd, cxd, cyd);
    QPainterPath shape;
    shape.addRect(dest.normalized());
    if (cbBmi == 0) {
        // A pattern operation without a source bitmap.
        const TBrushObj keep = FDC.Brush;
        const TPenObj keepPen = FDC.Pen;
        FDC.Pen.Null = true;
        bool draw = true;
        if (rop == U_BLACKNESS)
            FDC.Brush = MakeBrushObj(TBrushObj::bkSolid, Qt::black);
        else if (rop == U_WHITENESS)
            FDC.Brush = MakeBrushObj(TBrushObj::bkSolid, Qt::white);
        else if (rop != U_PATCOPY)
            draw = false;
        if (draw && !FInPath)
            DrawPath(shape, true, false);
        FDC.Brush = keep;
        FDC.Pen = keepPen;
        return;
    }
    std::optional<QImage> img = Dib(r, usage, offBmi, cbBmi, offBits, cbBits, alpha);
    if (!img || img->isNull() || FInPath)
        return;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case U_SRCCOPY:
        break;
    case U_SRCAND:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case U_SRCPAINT:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case U_SRCINVERT:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    default:
        return;
    }
    if (mode != QPainter::CompositionMode_SourceOver && !FRasterOps)
        return; // the device cannot combine pixels; the mask pass is left out
    QRectF src(xs, ys, cxs, cys);
    if (r.Type() == U_EMR_STRETCHDIBITS || r.Type() == U_EMR_SETDIBITSTODEVICE) {
        // DIB source rectangles count rows from the bottom of a bottom-up bitmap.
        const qint32 rawHeight = r.I32(offBmi + 8);
        if (rawHeight > 0)
            src.moveTop(double(img->height()) - ys - cys);
    }
    src = src.normalized().intersected(QRectF(img->rect()));
    if (src.isEmpty())
        return;
    QImage part = img->copy(src.toAlignedRect());
    if (cxd < 0 || cyd < 0)
        part = part.mirrored(cxd < 0, cyd < 0);
    if (r.Type() == U_EMR_TRANSPARENTBLT) {
        const QRgb key = Color(r.U32(40)).rgb() & 0xffffff;
        part = part.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < part.height(); ++y) {
            auto *px = reinterpret_cast<QRgb *>(part.scanLine(y));
            for (int x = 0; x < part.width(); ++x)
                if ((px[x] & 0xffffff) == key)
                    px[x] = 0;
        }
    }
    ApplyClip();
    const QTransform m = M();
    const QRectF devRect = m.mapRect(dest.normalized());
    if (!(std::abs(devRect.left()) < kHuge && std::abs(devRect.right()) < kHuge
            && std::abs(devRect.top()) < kHuge && std::abs(devRect.bottom()) < kHuge))
        return;
    FPainter.setTransform(m * FBase);
    FPainter.setOpacity(opacity);
    FPainter.setCompositionMode(mode);
    FPainter.drawImage(dest.normalized(), part);
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter.setOpacity(1);
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
        Fail(QStringLiteral("region rectangles exceed the region"), r.Offset());
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

// A glyph transform within a few per cent of the identity scale becomes a pure translation:
// the font was already chosen at the device size, and untransformed text is drawn from the
// glyph cache instead of as outlines (ten times faster on a 600-dpi page).
QTransform Snapped(const QTransform &t)
{
    if (t.type() <= QTransform::TxScale && std::abs(t.m11() - 1) < 0.03
        && std::abs(t.m22() - 1) < 0.03)
        return QTransform::fromTranslate(t.dx(), t.dy());
    return t;
}

void TPlayer::Text(const TRecord &r, bool wide)
{
    const QPointF ref(r.I32(36), r.I32(40));
    const quint32 n = r.U32(44);
    const quint32 offString = r.U32(48);
    const quint32 options = r.U32(52);
    qint32 rl, rt, rr, rb;
    r.Rect(56, rl, rt, rr, rb);
    const quint32 offDx = r.U32(72);
    QString text;
    if (n > 0) {
        r.NeedArray(offString, n, wide ? 2 : 1);
        if (wide) {
            text.resize(n);
            for (quint32 i = 0; i < n; ++i)
                text[i] = QChar(r.U16(offString + 2 * i));
        } else {
            text = DecodeAnsi(QByteArray(reinterpret_cast<const char *>(r.Data() + offString), n),
                FDC.Font.CharSet);
        }
    }
    std::vector<double> dx;
    if (n > 0 && offDx != 0 && r.Has(offDx, quint64(n) * 4)) {
        const quint32 step = (options & U_ETO_PDY) && r.Has(offDx, quint64(n) * 8) ? 8 : 4;
        dx.resize(n);
        for (quint32 i = 0; i < n; ++i)
            dx[i] = r.I32(offDx + step * i);
    }
    if (FInPath)
        return;
    ApplyClip();
    const QTransform m = M();
    const TFontObj &f = FDC.Font;
    const QRectF rcl = QRectF(QPointF(rl, rt), QPointF(rr, rb)).normalized();
    if ((options & U_ETO_OPAQUE) && !rcl.isEmpty()) {
        FPainter.setTransform(m * FBase);
        FPainter.fillRect(rcl, FDC.BkColor);
    }
    if (text.isEmpty() || options & U_ETO_GLYPH_INDEX)
        return;

    // Text frame: origin at the reference point, upright on the device, sized by the logical
    // scale of the axes (GDI keeps text upright in every mapping mode).
    const QPointF o = m.map(ref);
    const QPointF ex = m.map(ref + QPointF(1, 0)) - o;
    const QPointF ey = m.map(ref + QPointF(0, 1)) - o;
    const double sx = std::hypot(ex.x(), ex.y()), sy = std::hypot(ey.x(), ey.y());
    if (!(sx > 0 && sy > 0) || !(std::abs(o.x()) < kHuge && std::abs(o.y()) < kHuge))
        return;
    const double worldAngle = qRadiansToDegrees(std::atan2(ex.y(), ex.x()));
    const double deviceScale = sy * std::abs(FBase.m22());
    double em = f.Height > 0 ? f.Height : 13.0 / sy;
    const int px = static_cast<int>(std::clamp(std::lround(em * deviceScale), 4L, 4096L));
    // Consecutive texts mostly share their font: keep the last one and its metrics.
    const QString key = QStringLiteral("%1|%2|%3|%4%5%6")
                            .arg(f.Face)
                            .arg(px)
                            .arg(f.Weight)
                            .arg(f.Italic)
                            .arg(f.Underline)
                            .arg(f.StrikeOut);
    if (key != FFontKey || !FFontMetrics) {
        FFontKey = key;
        FQFont = QFont(f.Face);
        FQFont.setPixelSize(px);
        FQFont.setWeight(
            static_cast<QFont::Weight>(std::clamp(f.Weight <= 0 ? 400 : f.Weight, 1, 1000)));
        FQFont.setItalic(f.Italic);
        FQFont.setUnderline(f.Underline);
        FQFont.setStrikeOut(f.StrikeOut);
        FFontMetrics.emplace(FQFont);
    }
    const QFont &font = FQFont;
    const QFontMetricsF &fm = *FFontMetrics;
    if (f.CellHeight && fm.height() > 0)
        em = em * px / fm.height(); // a positive height asks for the cell, not the em
    if (em * deviceScale < 0.5 || em * deviceScale > 50000)
        return;
    const double k = em / px; // logical units per font pixel

    const double natural = fm.horizontalAdvance(text) * k;
    double width = natural;
    double total = 0;
    for (double d : dx)
        total += d;
    bool perChar = false;
    double hscale = 1;
    if (!dx.empty() && natural > 0 && total > 0) {
        width = total;
        bool simple = !(options & U_ETO_RTLREADING) && !(FDC.TextAlign & U_TA_RTLREADING);
        for (QChar c : text)
            if (c.unicode() >= 0x0590)
                simple = false;
        if (std::abs(total - natural) > natural * 0.02 + k) {
            if (simple && text.size() > 1)
                perChar = true;
            else
                hscale = std::clamp(total / natural, 0.25, 4.0);
        } else {
            hscale = total / natural;
        }
    }
    QPointF start = ref;
    const bool updateCp = FDC.TextAlign & U_TA_UPDATECP;
    if (updateCp)
        start = FDC.Cur;
    double offx = 0;
    switch (FDC.TextAlign & U_TA_CENTER) {
    case U_TA_RIGHT:
        offx = -width;
        break;
    case U_TA_CENTER:
        offx = -width / 2;
        break;
    default:
        break;
    }
    double offy = 0;
    switch (FDC.TextAlign & U_TA_BASELINE) {
    case U_TA_BASELINE:
        break;
    case U_TA_BOTTOM:
        offy = -std::round(fm.descent()) * k;
        break;
    default:
        offy = std::round(fm.ascent()) * k;
        break; // whole pixels, as GDI's text metrics
    }
    const QPointF so = m.map(start);
    QTransform frame = QTransform::fromTranslate(offx, offy)
        * QTransform().rotate(-(f.Escapement / 10.0)) * QTransform::fromScale(sx, sy)
        * QTransform().rotate(worldAngle) * QTransform::fromTranslate(so.x(), so.y()) * FBase;
    {
        // Glyphs are rasterised at their size on the device: an em stretched to thousands of
        // pixels along one axis would cost the glyph cache unbounded memory and time.
        // The glyph transform's singular values are its largest and smallest stretch: both
        // must stay within a page, and a sliver sheared across it is not text anyone wrote
        // (FreeType fails on such glyphs and the raster engine does not survive that).
        const QTransform glyph = QTransform::fromScale(k * hscale, k) * frame;
        const double a = glyph.m11(), b = glyph.m12(), c = glyph.m21(), d = glyph.m22();
        const double sum = a * a + b * b + c * c + d * d, det = std::abs(a * d - b * c);
        const double root = std::sqrt(std::max(0.0, sum * sum - 4 * det * det));
        const double big = std::sqrt((sum + root) / 2) * px,
                     small = std::sqrt(std::max(0.0, (sum - root) / 2)) * px;
        const double boxX = (std::abs(a) + std::abs(c)) * px,
                     boxY = (std::abs(b) + std::abs(d)) * px;
        if (!(big < 4096 && boxX < 4096 && boxY < 4096) || !(small > 0.25) || big / small > 64)
            return;
    }
    FPainter.save();
    if ((options & U_ETO_CLIPPED) && !rcl.isEmpty()) {
        FPainter.setTransform(m * FBase);
        FPainter.setClipRect(rcl, Qt::IntersectClip);
    }
    FPainter.setTransform(frame);
    if (FDC.BkMode == U_OPAQUE)
        FPainter.fillRect(QRectF(0, -fm.ascent() * k, width, fm.height() * k), FDC.BkColor);
    FPainter.setPen(FDC.TextColor);
    FPainter.setFont(font);
    if ((options & U_ETO_RTLREADING) || (FDC.TextAlign & U_TA_RTLREADING))
        FPainter.setLayoutDirection(Qt::RightToLeft);
    if (perChar) {
        double x = 0;
        FPainter.setTransform(Snapped(QTransform::fromScale(k, k) * frame));
        for (qsizetype i = 0; i < text.size(); ++i) {
            qsizetype len = 1;
            if (text.at(i).isHighSurrogate() && i + 1 < text.size())
                len = 2;
            FPainter.drawText(QPointF(x / k, 0), text.mid(i, len));
            for (qsizetype j = i; j < i + len; ++j)
                x += dx[static_cast<size_t>(j)];
            i += len - 1;
        }
    } else {
        FPainter.setTransform(Snapped(QTransform::fromScale(k * hscale, k) * frame));
        FPainter.drawText(QPointF(0, 0), text);
    }
    FPainter.restore();
    if (updateCp)
        FDC.Cur = start + QPointF(width, 0);
}

void TPlayer::Dispatch(const TRecord &r)
{
    const quint32 t = r.Type();
    switch (t) {
    case U_EMR_EOF:
        return;
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
        Poly(r, false);
        return;
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16:
        Poly(r, true);
        return;
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
        PolyPoly(r, false);
        return;
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16:
        PolyPoly(r, true);
        return;
    case U_EMR_POLYDRAW:
        PolyDraw(r, false);
        return;
    case U_EMR_POLYDRAW16:
        PolyDraw(r, true);
        return;
    case U_EMR_SETWINDOWEXTEX:
        FDC.Map.WindowExt = QSizeF(r.I32(8), r.I32(12));
        return;
    case U_EMR_SETWINDOWORGEX:
        FDC.Map.WindowOrg = QPointF(r.I32(8), r.I32(12));
        return;
    case U_EMR_SETVIEWPORTEXTEX:
        FDC.Map.ViewportExt = QSizeF(r.I32(8), r.I32(12));
        return;
    case U_EMR_SETVIEWPORTORGEX:
        FDC.Map.ViewportOrg = QPointF(r.I32(8), r.I32(12));
        return;
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX: {
        const double xn = r.I32(8), xd = r.I32(12), yn = r.I32(16), yd = r.I32(20);
        if (xd == 0 || yd == 0)
            return;
        QSizeF &ext = t == U_EMR_SCALEVIEWPORTEXTEX ? FDC.Map.ViewportExt : FDC.Map.WindowExt;
        ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
        return;
    }
    case U_EMR_SETMAPMODE: {
        const quint32 mode = r.U32(8);
        if (mode >= U_MM_TEXT && mode <= U_MM_ANISOTROPIC)
            FDC.Map.Mode = mode;
        return;
    }
    case U_EMR_SETBKMODE:
        FDC.BkMode = r.U32(8);
        return;
    case U_EMR_SETPOLYFILLMODE:
        FDC.Fill = r.U32(8) == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill;
        return;
    case U_EMR_SETTEXTALIGN:
        FDC.TextAlign = r.U32(8);
        return;
    case U_EMR_SETTEXTCOLOR:
        FDC.TextColor = Color(r.U32(8));
        return;
    case U_EMR_SETBKCOLOR:
        FDC.BkColor = Color(r.U32(8));
        return;
    case U_EMR_SETARCDIRECTION:
        FDC.ArcDir = r.U32(8);
        return;
    case U_EMR_MOVETOEX:
        FDC.Cur = QPointF(r.I32(8), r.I32(12));
        if (FInPath) {
            FPath.moveTo(M().map(FDC.Cur));
            FPathOpen = true;
        }
        return;
    case U_EMR_LINETO: {
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
        return;
    }
    case U_EMR_SETPIXELV: {
        if (FInPath)
            return;
        const QPointF p = M().map(QPointF(r.I32(8), r.I32(12)));
        ApplyClip();
        FPainter.setTransform(FBase);
        FPainter.fillRect(QRectF(p, QSizeF(1, 1)), Color(r.U32(16)));
        return;
    }
    case U_EMR_RECTANGLE:
    case U_EMR_ELLIPSE:
    case U_EMR_ROUNDRECT: {
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
        return;
    }
    case U_EMR_ARC:
    case U_EMR_ARCTO:
    case U_EMR_CHORD:
    case U_EMR_PIE:
        ArcLike(r);
        return;
    case U_EMR_ANGLEARC: {
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
        return;
    }
    case U_EMR_SAVEDC:
        if (FSaved.size() >= kMaxSaveDepth)
            Fail(QStringLiteral("saved states nested too deep"), r.Offset());
        FSaved.push_back(FDC);
        return;
    case U_EMR_RESTOREDC: {
        const qint32 n = r.I32(8);
        qint64 index; // of the state to return to
        if (n < 0)
            index = static_cast<qint64>(FSaved.size()) + n;
        else
            index = static_cast<qint64>(n) - 1;
        if (index < 0 || index >= static_cast<qint64>(FSaved.size()))
            return;
        FDC = FSaved[static_cast<size_t>(index)];
        FSaved.resize(static_cast<size_t>(index));
        FClipDirty = true;
        return;
    }
    case U_EMR_SETWORLDTRANSFORM: {
        const QTransform x(r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28));
        if (x.isInvertible()
            && std::isfinite(x.m11() + x.m12() + x.m21() + x.m22() + x.dx() + x.dy()))
            FDC.World = x;
        return;
    }
    case U_EMR_MODIFYWORLDTRANSFORM: {
        const QTransform x(r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28));
        QTransform next = FDC.World;
        switch (r.U32(32)) {
        case U_MWT_IDENTITY:
            next = QTransform();
            break;
        case U_MWT_LEFTMULTIPLY:
            next = x * FDC.World;
            break;
        case U_MWT_RIGHTMULTIPLY:
            next = FDC.World * x;
            break;
        case 4:
            next = x;
            break;
        default:
            return;
        }
        if (next.isInvertible()
            && std::isfinite(
                next.m11() + next.m12() + next.m21() + next.m22() + next.dx() + next.dy()))
            FDC.World = next;
        return;
    }
    case U_EMR_SELECTOBJECT:
        SelectObject(r.U32(8));
        return;
    case U_EMR_CREATEPEN:
    case U_EMR_CREATEBRUSHINDIRECT:
    case U_EMR_EXTCREATEFONTINDIRECTW:
    case U_EMR_EXTCREATEPEN:
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEPALETTE:
    case U_EMR_CREATECOLORSPACE:
    case U_EMR_CREATECOLORSPACEW:
        CreateObject(r);
        return;
    case U_EMR_DELETEOBJECT: {
        const quint32 h = r.U32(8);
        if (h > 0 && h < FObjects.size())
            FObjects[h].reset();
        return;
    }
    case U_EMR_BEGINPATH:
        FInPath = true;
        FPath = QPainterPath();
        FPathOpen = false;
        return;
    case U_EMR_ENDPATH:
        FInPath = false;
        return;
    case U_EMR_ABORTPATH:
        FInPath = false;
        FPath = QPainterPath();
        return;
    case U_EMR_CLOSEFIGURE:
        if (FInPath)
            FPath.closeSubpath();
        return;
    case U_EMR_FILLPATH:
    case U_EMR_STROKEPATH:
    case U_EMR_STROKEANDFILLPATH: {
        if (FInPath)
            return;
        const QPainterPath path = FPath;
        FPath = QPainterPath();
        QPainterPath closed = path;
        if (t != U_EMR_STROKEPATH)
            closed.closeSubpath();
        DrawDevicePath(
            t == U_EMR_STROKEPATH ? path : closed, t != U_EMR_STROKEPATH, t != U_EMR_FILLPATH);
        return;
    }
    case U_EMR_FLATTENPATH:
        return; // curves are flattened when drawn anyway
    case U_EMR_WIDENPATH:
        if (!FInPath && !FDC.Pen.Null) {
            QPainterPathStroker s;
            s.setWidth(std::max(1.0,
                FDC.Pen.Cosmetic ? 1.0 : FDC.Pen.Width * std::sqrt(std::abs(M().determinant()))));
            FPath = s.createStroke(FPath);
        }
        return;
    case U_EMR_SELECTCLIPPATH:
        if (FInPath)
            return;
        {
            QPainterPath p = FPath;
            p.closeSubpath();
            p.setFillRule(FDC.Fill);
            SetClip(p, r.U32(8));
        }
        FPath = QPainterPath();
        return;
    case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_EXCLUDECLIPRECT: {
        qint32 l, tp, rr, b;
        r.Rect(8, l, tp, rr, b);
        QPainterPath p;
        p.addRect(QRectF(QPointF(l, tp), QPointF(rr, b)).normalized());
        SetClip(M().map(p), t == U_EMR_INTERSECTCLIPRECT ? U_RGN_AND : U_RGN_DIFF);
        return;
    }
    case U_EMR_OFFSETCLIPRGN:
        if (FDC.HasClip) {
            const QTransform m = M();
            const QPointF d = m.map(QPointF(r.I32(8), r.I32(12))) - m.map(QPointF(0, 0));
            FDC.Clip.translate(d);
            FClipDirty = true;
        }
        return;
    case U_EMR_EXTSELECTCLIPRGN: {
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
        return;
    }
    case U_EMR_FILLRGN:
    case U_EMR_PAINTRGN:
    case U_EMR_FRAMERGN: {
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
        return;
    }
    case U_EMR_EXTTEXTOUTA:
        Text(r, false);
        return;
    case U_EMR_EXTTEXTOUTW:
        Text(r, true);
        return;
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_STRETCHDIBITS:
    case U_EMR_SETDIBITSTODEVICE:
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT:
        Blit(r);
        return;
    case U_EMR_COMMENT:
    case U_EMR_SETMETARGN:
    case U_EMR_SETROP2:
    case U_EMR_SETSTRETCHBLTMODE:
    case U_EMR_SETMITERLIMIT:
    case U_EMR_SETBRUSHORGEX:
    case U_EMR_SETMAPPERFLAGS:
    case U_EMR_SETICMMODE:
    case U_EMR_SETLAYOUT:
    case U_EMR_SELECTPALETTE:
    case U_EMR_REALIZEPALETTE:
    case U_EMR_SETPALETTEENTRIES:
    case U_EMR_RESIZEPALETTE:
    case U_EMR_SETCOLORSPACE:
    case U_EMR_DELETECOLORSPACE:
    case U_EMR_SETCOLORADJUSTMENT:
        return;
    default:
        ++FResult.Skipped;
        return;
    }
}

TEmfPlayResult TPlayer::Run()
{
    emf::TReader reader(FBytes);
    FHeader = reader.Header();
    FResult.Records = 1;

    // The frame, in reference pixels, is what lands on the target.
    const QTransform toPx = emf::MappingTransform(
        emf::TMapping { U_MM_HIMETRIC, {}, {}, { 1, 1 }, { 1, 1 } }, FHeader);
    QRectF frame(QPointF(FHeader.Frame.left() * toPx.m11(), FHeader.Frame.top() * -toPx.m22()),
        QPointF((FHeader.Frame.right() + 1.0) * toPx.m11(),
            (FHeader.Frame.bottom() + 1.0) * -toPx.m22()));
    frame = frame.normalized();
    if (!(frame.width() >= 1 && frame.height() >= 1))
        frame = QRectF(QPointF(FHeader.Bounds.left(), FHeader.Bounds.top()),
            QPointF(FHeader.Bounds.right() + 1.0, FHeader.Bounds.bottom() + 1.0))
                    .normalized();
    const QRectF target = FTarget.normalized();
    if (!(frame.width() >= 1 && frame.height() >= 1) || target.isEmpty()) {
        // Nothing can be placed; still walk the records so that bad bytes are reported.
        TRecord r;
        while (reader.Next(r))
            ++FResult.Records;
        return FResult;
    }
    FBase = QTransform::fromTranslate(-frame.left(), -frame.top())
        * QTransform::fromScale(target.width() / frame.width(), target.height() / frame.height())
        * QTransform::fromTranslate(target.left(), target.top()) * FPainter.worldTransform();
    FObjects.resize(std::min<quint32>(FHeader.Handles + 1, emf::kMaxHandles));
    FRasterOps
        = FPainter.paintEngine() && FPainter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);

    // Two saves: the outer keeps the caller's state, the inner is reset whenever the clip
    // changes (a clip can only be widened by restoring).
    struct TGuard {
        QPainter &P;
        explicit TGuard(QPainter &p)
            : P(p)
        {
            P.save();
        }
        ~TGuard() { P.restore(); }
    } outer(FPainter);
    FPainter.setRenderHint(QPainter::Antialiasing);
    FPainter.setRenderHint(QPainter::TextAntialiasing);
    FPainter.setRenderHint(QPainter::SmoothPixmapTransform);
    TGuard inner(FPainter);
    FClipDirty = false;

    TRecord r;
    while (reader.Next(r)) {
        ++FResult.Records;
        Dispatch(r);
    }
    return FResult;
}

} // namespace

TEmfPlayResult PlayEmf(QPainter &painter, const QRectF &target, QByteArrayView emf)
{
    TPlayer player(painter, target, emf);
    return player.Run();
}
