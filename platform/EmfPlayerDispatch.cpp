// Record type to handler. A kind that is read but has no effect on the drawing (palettes,
// colour spaces, comments) has a handler that does nothing; a kind with no handler at all is
// counted as skipped.
#include "platform/EmfPlayer_p.h"

#include <uemf.h>

namespace emf::play
{

namespace
{

struct TEntry {
    quint32 Types[20]; // the kinds one handler takes; unused places stay 0, no record's type
    void (*Handler)(TPlayer &, const TRecord &);
};

} // namespace

const std::vector<TPlayer::THandler> &TPlayer::Handlers()
{
    using P = TPlayer;
    using R = TRecord;
    static const TEntry entries[] = {
        // Lines, curves and shapes
        { { U_EMR_POLYBEZIER, U_EMR_POLYGON, U_EMR_POLYLINE, U_EMR_POLYBEZIERTO, U_EMR_POLYLINETO },
            [](P &p, const R &r) { p.Poly(r, false); } },
        { { U_EMR_POLYBEZIER16, U_EMR_POLYGON16, U_EMR_POLYLINE16, U_EMR_POLYBEZIERTO16,
              U_EMR_POLYLINETO16 },
            [](P &p, const R &r) { p.Poly(r, true); } },
        { { U_EMR_POLYPOLYLINE, U_EMR_POLYPOLYGON },
            [](P &p, const R &r) { p.PolyPoly(r, false); } },
        { { U_EMR_POLYPOLYLINE16, U_EMR_POLYPOLYGON16 },
            [](P &p, const R &r) { p.PolyPoly(r, true); } },
        { { U_EMR_POLYDRAW }, [](P &p, const R &r) { p.PolyDraw(r, false); } },
        { { U_EMR_POLYDRAW16 }, [](P &p, const R &r) { p.PolyDraw(r, true); } },
        { { U_EMR_MOVETOEX }, [](P &p, const R &r) { p.MoveTo(r); } },
        { { U_EMR_LINETO }, [](P &p, const R &r) { p.LineTo(r); } },
        { { U_EMR_SETPIXELV }, [](P &p, const R &r) { p.SetPixel(r); } },
        { { U_EMR_RECTANGLE, U_EMR_ELLIPSE, U_EMR_ROUNDRECT },
            [](P &p, const R &r) { p.BoxShape(r); } },
        { { U_EMR_ARC, U_EMR_ARCTO, U_EMR_CHORD, U_EMR_PIE },
            [](P &p, const R &r) { p.ArcLike(r); } },
        { { U_EMR_ANGLEARC }, [](P &p, const R &r) { p.AngleArc(r); } },
        { { U_EMR_FILLRGN, U_EMR_PAINTRGN, U_EMR_FRAMERGN },
            [](P &p, const R &r) { p.RegionFill(r); } },

        // Mapping and saved states
        { { U_EMR_SETMAPMODE, U_EMR_SETWINDOWEXTEX, U_EMR_SETWINDOWORGEX, U_EMR_SETVIEWPORTEXTEX,
              U_EMR_SETVIEWPORTORGEX, U_EMR_SCALEVIEWPORTEXTEX, U_EMR_SCALEWINDOWEXTEX,
              U_EMR_SETWORLDTRANSFORM, U_EMR_MODIFYWORLDTRANSFORM },
            [](P &p, const R &r) { p.FDC.Mapping.Apply(r); } },
        { { U_EMR_SAVEDC }, [](P &p, const R &r) { p.SaveDC(r); } },
        { { U_EMR_RESTOREDC }, [](P &p, const R &r) { p.RestoreDC(r); } },

        // Values of the device context
        { { U_EMR_SETBKMODE }, [](P &p, const R &r) { p.FDC.BkMode = r.U32(8); } },
        { { U_EMR_SETPOLYFILLMODE },
            [](P &p, const R &r) {
                p.FDC.Fill = r.U32(8) == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill;
            } },
        { { U_EMR_SETTEXTALIGN }, [](P &p, const R &r) { p.FDC.TextAlign = r.U32(8); } },
        { { U_EMR_SETTEXTCOLOR }, [](P &p, const R &r) { p.FDC.TextColor = Color(r.U32(8)); } },
        { { U_EMR_SETBKCOLOR }, [](P &p, const R &r) { p.FDC.BkColor = Color(r.U32(8)); } },
        { { U_EMR_SETARCDIRECTION }, [](P &p, const R &r) { p.FDC.ArcDir = r.U32(8); } },

        // Objects
        { { U_EMR_CREATEPEN, U_EMR_CREATEBRUSHINDIRECT, U_EMR_EXTCREATEFONTINDIRECTW,
              U_EMR_EXTCREATEPEN, U_EMR_CREATEDIBPATTERNBRUSHPT, U_EMR_CREATEMONOBRUSH,
              U_EMR_CREATEPALETTE, U_EMR_CREATECOLORSPACE, U_EMR_CREATECOLORSPACEW },
            [](P &p, const R &r) { p.CreateObject(r); } },
        { { U_EMR_SELECTOBJECT }, [](P &p, const R &r) { p.SelectObject(r.U32(8)); } },
        { { U_EMR_DELETEOBJECT }, [](P &p, const R &r) { p.DeleteObject(r); } },

        // Paths
        { { U_EMR_BEGINPATH }, [](P &p, const R &) { p.BeginPath(); } },
        { { U_EMR_ENDPATH }, [](P &p, const R &) { p.FInPath = false; } },
        { { U_EMR_ABORTPATH },
            [](P &p, const R &) {
                p.FInPath = false;
                p.FPath = QPainterPath();
            } },
        { { U_EMR_CLOSEFIGURE },
            [](P &p, const R &) {
                if (p.FInPath)
                    p.FPath.closeSubpath();
            } },
        { { U_EMR_FILLPATH, U_EMR_STROKEPATH, U_EMR_STROKEANDFILLPATH },
            [](P &p, const R &r) { p.DrawStoredPath(r); } },
        { { U_EMR_WIDENPATH }, [](P &p, const R &) { p.WidenPath(); } },

        // Clipping
        { { U_EMR_SELECTCLIPPATH }, [](P &p, const R &r) { p.SelectClipPath(r); } },
        { { U_EMR_INTERSECTCLIPRECT, U_EMR_EXCLUDECLIPRECT },
            [](P &p, const R &r) { p.ClipRect(r); } },
        { { U_EMR_OFFSETCLIPRGN }, [](P &p, const R &r) { p.OffsetClip(r); } },
        { { U_EMR_EXTSELECTCLIPRGN }, [](P &p, const R &r) { p.ExtSelectClip(r); } },

        // Text and bitmaps
        { { U_EMR_EXTTEXTOUTA }, [](P &p, const R &r) { p.Text(r, false); } },
        { { U_EMR_EXTTEXTOUTW }, [](P &p, const R &r) { p.Text(r, true); } },
        { { U_EMR_BITBLT, U_EMR_STRETCHBLT, U_EMR_STRETCHDIBITS, U_EMR_SETDIBITSTODEVICE,
              U_EMR_ALPHABLEND, U_EMR_TRANSPARENTBLT },
            [](P &p, const R &r) { p.Blit(r); } },

        // Read, no effect here: curves are flattened when drawn anyway, and neither palettes,
        // colour spaces, raster modes nor comments change what the page shows.
        { { U_EMR_EOF, U_EMR_FLATTENPATH, U_EMR_COMMENT, U_EMR_SETMETARGN, U_EMR_SETROP2,
              U_EMR_SETSTRETCHBLTMODE, U_EMR_SETMITERLIMIT, U_EMR_SETBRUSHORGEX,
              U_EMR_SETMAPPERFLAGS, U_EMR_SETICMMODE, U_EMR_SETLAYOUT, U_EMR_SELECTPALETTE,
              U_EMR_REALIZEPALETTE, U_EMR_SETPALETTEENTRIES, U_EMR_RESIZEPALETTE,
              U_EMR_SETCOLORSPACE, U_EMR_DELETECOLORSPACE, U_EMR_SETCOLORADJUSTMENT },
            [](P &, const R &) {} },
    };
    static const std::vector<THandler> table = [] {
        std::vector<THandler> t(U_EMR_MAX + 1, nullptr);
        for (const TEntry &e : entries)
            for (const quint32 type : e.Types) {
                if (type == 0)
                    break;
                Q_ASSERT(type < t.size() && !t[type]); // one handler per kind
                t[type] = e.Handler;
            }
        return t;
    }();
    return table;
}

void TPlayer::Dispatch(const TRecord &r)
{
    const std::vector<THandler> &table = Handlers();
    const THandler handler = r.Type() < table.size() ? table[r.Type()] : nullptr;
    if (handler)
        handler(*this, r);
    else
        ++FResult.Skipped;
}

} // namespace emf::play
