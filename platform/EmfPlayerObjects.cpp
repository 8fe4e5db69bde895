// Pens, brushes and fonts a picture creates, selects and deletes, and the stock objects.
#include "platform/EmfPlayer_p.h"

#include <uemf.h>

using namespace Qt::StringLiterals;

namespace emf::play
{

namespace
{

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

} // namespace

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
            FDC.Font.Face = u"Monospace"_s;
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

void TPlayer::DeleteObject(const TRecord &r)
{
    const quint32 h = r.U32(8);
    if (h > 0 && h < FObjects.size())
        FObjects[h].reset();
}

} // namespace emf::play
