#pragma once
// The EMF player's inside: the device context it keeps while playing and the player whose
// record handlers live in rooms of one job (state and clip, objects, shapes and paths, text,
// bitmaps) and are reached through one table of record types.

#include "platform/EmfPlayer.h"
#include "platform/EmfRecords_p.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainterPath>
#include <memory>
#include <optional>
#include <uemf.h>
#include <vector>

namespace emf::play
{

inline constexpr qint64 kMaxBitmapPixels = 16 * 1024 * 1024;
inline constexpr int kMaxRegionRects = 4096;
inline constexpr int kMaxClipElements = 20000;
inline constexpr double kHuge = 1e7; // reference pixels; "everything" for an open clip

inline QColor Color(quint32 ref)
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

inline TBrushObj MakeBrushObj(TBrushObj::TKind kind, QColor color)
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
    TMappingState Mapping;
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
    using THandler = void (*)(TPlayer &, const TRecord &);
    // Record type to handler; none for the kinds the player does not draw.
    static const std::vector<THandler> &Handlers();
    void Dispatch(const TRecord &r);

    // State and clip (EmfPlayerState.cpp)
    QTransform M() const { return FDC.Mapping.Transform(FHeader); }
    TObject *Object(quint32 h);
    void ApplyClip();
    QPen MakePen(double scale) const;
    QBrush MakeBrush() const;
    void SetClip(const QPainterPath &devicePath, quint32 mode);
    void Region(const TRecord &r, quint32 off, quint32 cb, QPainterPath &out, bool &ok);
    void SaveDC(const TRecord &r);
    void RestoreDC(const TRecord &r);
    void SelectClipPath(const TRecord &r);
    void ClipRect(const TRecord &r);
    void OffsetClip(const TRecord &r);
    void ExtSelectClip(const TRecord &r);

    // Objects (EmfPlayerObjects.cpp)
    void CreateObject(const TRecord &r);
    void SelectObject(quint32 h);
    void DeleteObject(const TRecord &r);

    // Shapes and paths (EmfPlayerShapes.cpp)
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
    void Points(
        const TRecord &r, bool small, quint32 pointsOff, quint32 count, std::vector<QPointF> &out);
    void Poly(const TRecord &r, bool small);
    void PolyPoly(const TRecord &r, bool small);
    void PolyDraw(const TRecord &r, bool small);
    void ArcLike(const TRecord &r);
    void AngleArc(const TRecord &r);
    void MoveTo(const TRecord &r);
    void LineTo(const TRecord &r);
    void SetPixel(const TRecord &r);
    void BoxShape(const TRecord &r);
    void BeginPath();
    void DrawStoredPath(const TRecord &r);
    void WidenPath();
    void RegionFill(const TRecord &r);

    // Text (EmfPlayerText.cpp)
    void Text(const TRecord &r, bool wide);

    // Bitmaps (EmfPlayerBitmaps.cpp)
    void Blit(const TRecord &r);
    std::optional<QImage> Dib(const TRecord &r, quint32 usage, quint32 offBmi, quint32 cbBmi,
        quint32 offBits, quint32 cbBits, bool alpha);

    QPainter &FPainter;
    QRectF FTarget;
    QByteArrayView FBytes;
    THeader FHeader;
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

} // namespace emf::play
