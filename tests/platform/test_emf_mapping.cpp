// The page-to-device mapping of a picture, read once for the player and for the recorder that
// copies pictures into pages: a copied picture must land where the original would.

#include "platform/EmfRecords_p.h"

#include "EmfTestUtil.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorder.h"

#include <QImage>
#include <QPainter>
#include <bit>
#include <gtest/gtest.h>
#include <uemf.h>

using namespace emftest;

namespace
{

quint32 F(float f)
{
    return std::bit_cast<quint32>(f);
}

quint32 I(qint32 v)
{
    return static_cast<quint32>(v);
}

emf::TRecord View(const QByteArray &bytes)
{
    return emf::TRecord(reinterpret_cast<const uchar *>(bytes.constData()),
        static_cast<quint32>(bytes.size()), Get32(bytes, 0), 0);
}

// Where logical point (10, 10) lands after the records, with the header of a 96-dpi page.
QPointF Lands(const std::vector<QByteArray> &records, emf::TMappingState::TApplied &last)
{
    emf::THeader h;
    h.Device = QSize(794, 1123);
    h.Millimeters = QSize(210, 297);
    emf::TMappingState state;
    for (const QByteArray &r : records)
        last = state.Apply(View(r));
    return state.Transform(h).map(QPointF(10, 10));
}

} // namespace

TEST(EmfMapping, RecordsMoveThePageAsGdiWould)
{
    using S = emf::TMappingState;
    const QByteArray aniso = Rec(U_EMR_SETMAPMODE, { U_MM_ANISOTROPIC });
    const QByteArray window = Rec(U_EMR_SETWINDOWEXTEX, { 1, 1 });
    const QByteArray twice = Rec(U_EMR_SETVIEWPORTEXTEX, { 2, 2 });
    const struct Row {
        const char *Why;
        std::vector<QByteArray> Records;
        QPointF Expected;
        S::TApplied Last;
    } rows[] = {
        { "a record of another kind is left to the caller", { Rec(U_EMR_SETBKMODE, { 1 }) },
            { 10, 10 }, S::apNotMapping },
        { "anisotropic: viewport over window", { aniso, window, twice }, { 20, 20 }, S::apChanged },
        { "a map mode outside 1..8 is refused, the mode stays",
            { aniso, window, twice, Rec(U_EMR_SETMAPMODE, { 0 }) }, { 20, 20 }, S::apIgnored },
        { "origins: window subtracted, viewport added",
            { Rec(U_EMR_SETWINDOWORGEX, { 5, 5 }), Rec(U_EMR_SETVIEWPORTORGEX, { 100, 0 }) },
            { 105, 5 }, S::apChanged },
        { "scaling the viewport by 3/2",
            { aniso, window, twice, Rec(U_EMR_SCALEVIEWPORTEXTEX, { 3, 2, 3, 2 }) }, { 30, 30 },
            S::apChanged },
        { "a zero denominator is refused",
            { aniso, window, twice, Rec(U_EMR_SCALEWINDOWEXTEX, { 1, 0, 1, 1 }) }, { 20, 20 },
            S::apIgnored },
        { "low metric: 0.1 mm units, y upwards", { Rec(U_EMR_SETMAPMODE, { U_MM_LOMETRIC }) },
            { 10 * 794 / 2100.0, -10 * 1123 / 2970.0 }, S::apChanged },
        { "world transform set", { Rec(U_EMR_SETWORLDTRANSFORM, { F(2), 0, 0, F(2), F(1), F(1) }) },
            { 21, 21 }, S::apChanged },
        { "a singular world transform is refused",
            { Rec(U_EMR_SETWORLDTRANSFORM, { F(2), 0, 0, F(2), 0, 0 }),
                Rec(U_EMR_SETWORLDTRANSFORM, { 0, 0, 0, 0, F(5), F(5) }) },
            { 20, 20 }, S::apIgnored },
        { "a world transform that is not finite is refused",
            { Rec(U_EMR_SETWORLDTRANSFORM, { F(1), 0, 0, F(1), F(INFINITY), 0 }) }, { 10, 10 },
            S::apIgnored },
        { "left multiply: the new transform applies first",
            { Rec(U_EMR_SETWORLDTRANSFORM, { F(2), 0, 0, F(2), 0, 0 }),
                Rec(U_EMR_MODIFYWORLDTRANSFORM,
                    { F(1), 0, 0, F(1), F(5), F(5), U_MWT_LEFTMULTIPLY }) },
            { 30, 30 }, S::apChanged },
        { "right multiply: the new transform applies last",
            { Rec(U_EMR_SETWORLDTRANSFORM, { F(2), 0, 0, F(2), 0, 0 }),
                Rec(U_EMR_MODIFYWORLDTRANSFORM,
                    { F(1), 0, 0, F(1), F(5), F(5), U_MWT_RIGHTMULTIPLY }) },
            { 25, 25 }, S::apChanged },
        { "identity resets",
            { Rec(U_EMR_SETWORLDTRANSFORM, { F(2), 0, 0, F(2), 0, 0 }),
                Rec(U_EMR_MODIFYWORLDTRANSFORM, { 0, 0, 0, 0, 0, 0, U_MWT_IDENTITY }) },
            { 10, 10 }, S::apChanged },
        { "an unknown modify mode is refused",
            { Rec(U_EMR_MODIFYWORLDTRANSFORM, { F(3), 0, 0, F(3), 0, 0, 9 }) }, { 10, 10 },
            S::apIgnored },
    };
    for (const Row &row : rows) {
        S::TApplied last = S::apNotMapping;
        const QPointF at = Lands(row.Records, last);
        EXPECT_NEAR(at.x(), row.Expected.x(), 1e-3) << row.Why;
        EXPECT_NEAR(at.y(), row.Expected.y(), 1e-3) << row.Why;
        EXPECT_EQ(last, row.Last) << row.Why;
    }
}

TEST(EmfMapping, RestoreNamesOneSavedState)
{
    const struct Row {
        qint32 N;
        size_t Depth;
        std::optional<size_t> Expected;
        const char *Why;
    } rows[] = {
        { -1, 3, 2, "relative: the last save" },
        { -3, 3, 0, "relative: the first save" },
        { -4, 3, std::nullopt, "more than were saved" },
        { 1, 3, 0, "absolute: the first save" },
        { 3, 3, 2, "absolute: the last save" },
        { 4, 3, std::nullopt, "absolute past the top" },
        { 0, 3, std::nullopt, "zero names no state" },
        { -1, 0, std::nullopt, "nothing saved" },
        { INT32_MIN, 3, std::nullopt, "the most negative count does not wrap" },
    };
    for (const Row &row : rows)
        EXPECT_EQ(emf::RestoreIndex(row.N, row.Depth), row.Expected) << row.Why;
}

// A picture with mapping records that GDI refuses or restores, then a black square at logical
// (10, 10)-(30, 30): played directly and copied into a page, it lands in the same place.
TEST(EmfMapping, CopiedPictureLandsWhereTheOriginalDoes)
{
    const QByteArray aniso = Rec(U_EMR_SETMAPMODE, { U_MM_ANISOTROPIC });
    const QByteArray window = Rec(U_EMR_SETWINDOWEXTEX, { 1, 1 });
    const QByteArray twice = Rec(U_EMR_SETVIEWPORTEXTEX, { 2, 2 });
    const QByteArray save = Rec(U_EMR_SAVEDC, {});
    const QByteArray shifted = Rec(U_EMR_SETVIEWPORTORGEX, { 40, 40 });
    const struct Row {
        const char *Why;
        std::vector<QByteArray> Records;
        QPoint Inside; // a pixel of the square where it should land
    } rows[] = {
        { "a refused map mode keeps the scale",
            { aniso, window, twice, Rec(U_EMR_SETMAPMODE, { 0 }) }, { 40, 40 } },
        { "a refused world transform is not multiplied into the next",
            { Rec(U_EMR_SETWORLDTRANSFORM, { 0, 0, 0, 0, 0, 0 }),
                Rec(U_EMR_MODIFYWORLDTRANSFORM,
                    { F(1), 0, 0, F(1), F(20), F(20), U_MWT_RIGHTMULTIPLY }) },
            { 40, 40 } },
        { "an absolute restore returns to the first save",
            { save, shifted, save, Rec(U_EMR_RESTOREDC, { 1 }) }, { 20, 20 } },
        { "a relative restore", { save, shifted, Rec(U_EMR_RESTOREDC, { I(-1) }) }, { 20, 20 } },
        { "a restore past the saves changes nothing", { shifted, Rec(U_EMR_RESTOREDC, { I(-5) }) },
            { 60, 60 } },
    };
    for (const Row &row : rows) {
        QByteArray records;
        for (const QByteArray &r : row.Records)
            records += r;
        records += Rec(U_EMR_SELECTOBJECT, { U_BLACK_BRUSH });
        records += Rec(U_EMR_SELECTOBJECT, { U_NULL_PEN });
        records += Rec(U_EMR_RECTANGLE, { 10, 10, 30, 30 });
        TEmfRecorder inner(QSize(100, 100), 96);
        const QByteArray picture
            = Splice(inner.Finish(), records, static_cast<int>(row.Records.size()) + 3);
        TEmfRecorder outer(QSize(100, 100), 96);
        outer.DrawPicture(QRect(0, 0, 100, 100), picture);
        const QByteArray page = outer.Finish();

        auto play = [](const QByteArray &emf) {
            QImage img(100, 100, QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            PlayEmf(p, QRectF(0, 0, 100, 100), emf);
            return img;
        };
        const QImage direct = play(picture);
        const QImage copied = play(page);
        EXPECT_EQ(direct.pixel(row.Inside), qRgb(0, 0, 0)) << row.Why;
        EXPECT_EQ(copied.pixel(row.Inside), qRgb(0, 0, 0)) << row.Why;
        // The copy's one combined transform may round an edge a shade differently.
        int worst = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                worst = std::max(
                    worst, std::abs(qGray(direct.pixel(x, y)) - qGray(copied.pixel(x, y))));
        EXPECT_LE(worst, 8) << row.Why;
    }
}
