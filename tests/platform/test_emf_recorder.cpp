#include "platform/EmfRecorder.h"

#include "EmfTestUtil.h"
#include "platform/EmfPlayer.h"
#include "platform/Errors.h"
#include "platform/Rounding.h"

#include <QFontMetricsF>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <uemf.h>
#include <uemf_safe.h>

using namespace Qt::StringLiterals;

using namespace emftest;

TEST(MulDiv, RoundsLikeWindows)
{
    struct Row {
        int a, b, c, expected;
        const char *why;
    };
    const Row rows[] = {
        { 10, 96, 72, 13, "10 pt on a 96-dpi screen: 13.33 -> 13" },
        { 8, 96, 72, 11, "8 pt: 10.67 -> 11" },
        { 9, 96, 72, 12, "9 pt: exactly 12" },
        { 3, 1, 2, 2, "a half goes away from zero" },
        { -3, 1, 2, -2, "also for negative values" },
        { 3, -1, 2, -2, "whichever factor carries the sign" },
        { 10, 600, 72, 83, "10 pt on a 600-dpi printer: 83.33 -> 83" },
        { 1, 1, 0, -1, "division by zero gives -1" },
        { 0x40000000, 4, 1, -1, "an overflowing result gives -1" },
    };
    for (const Row &r : rows)
        EXPECT_EQ(MulDiv(r.a, r.b, r.c), r.expected) << r.why;
}

TEST(FontPixelHeight, PointsAtTheCanvasResolution)
{
    TCanvasFont f;
    f.PointSize = 10;
    EXPECT_EQ(FontPixelHeight(f, 96), 13);
    EXPECT_EQ(FontPixelHeight(f, 600), 83);
    f.PixelHeight = -20; // a caller-scaled font wins over the point size
    EXPECT_EQ(FontPixelHeight(f, 96), 20);
}

namespace
{

using TScript = std::function<void(TEmfRecorder &)>;

QByteArray Record(const TScript &script, QSize page = QSize(794, 1123), int dpi = 96)
{
    TEmfRecorder rec(page, dpi, u"test page"_s);
    script(rec);
    return rec.Finish();
}

TCanvasFont Font(
    const QString &name, int pt, bool bold = false, bool italic = false, quint8 charset = 1)
{
    TCanvasFont f;
    f.Name = name;
    f.PointSize = pt;
    f.Bold = bold;
    f.Italic = italic;
    f.CharSet = charset;
    return f;
}

struct TScriptRow {
    const char *Name;
    TScript Script;
};

const std::vector<TScriptRow> &Scripts()
{
    static const std::vector<TScriptRow> rows = {
        { "empty page", [](TEmfRecorder &) {} },
        { "fills",
            [](TEmfRecorder &c) {
                c.FillRect(QRect(10, 10, 100, 50), Qt::red);
                c.FillRect(QRect(10, 70, 100, 1), Qt::black); // a one-pixel frame line
                c.FillRect(QRect(0, 0, 0, 5), Qt::blue); // empty: nothing recorded
            } },
        { "texts in many fonts",
            [](TEmfRecorder &c) {
                for (int i = 0; i < 20; ++i) {
                    c.SelectFont(Font(i % 2 ? u"Arial"_s : u"Courier New"_s, 8 + i % 5, i % 3 == 0,
                        i % 4 == 0, i % 2 ? 162 : 0));
                    TTextStyle s;
                    s.Align = static_cast<TTextAlign>(i % 3);
                    s.RightToLeft = i == 7;
                    s.Transparent = i != 5;
                    c.TextOut(QPoint(300, 20 * i), u"Satır %1 İĞÜŞÖÇ"_s.arg(i), s);
                }
            } },
        { "lines",
            [](TEmfRecorder &c) {
                c.Line(QPoint(0, 0), QPoint(100, 100), Qt::black, 1);
                c.Line(QPoint(0, 100), QPoint(100, 0), Qt::green, 3);
                c.FillRect(QRect(5, 5, 5, 5), Qt::red);
                c.Line(QPoint(0, 50), QPoint(100, 50), Qt::green, 3);
            } },
        { "picture in a picture",
            [](TEmfRecorder &c) {
                const QByteArray inner = Record(
                    [](TEmfRecorder &i) {
                        i.FillRect(QRect(0, 0, 50, 50), Qt::red);
                        i.SelectFont(Font(u"Arial"_s, 10));
                        i.TextOut(QPoint(5, 5), u"inner"_s);
                    },
                    QSize(100, 100));
                c.FillRect(QRect(0, 0, 10, 10), Qt::blue);
                c.DrawPicture(QRect(100, 100, 200, 200), inner);
                c.FillRect(QRect(0, 20, 10, 10), Qt::blue);
            } },
    };
    return rows;
}

} // namespace

// Every record must satisfy the library's checks and the header must count what follows:
// readers trust nBytes, nRecords and nHandles to size their buffers and tables.
TEST(EmfRecorder, OutputIsWellFormedRecordByRecord)
{
    for (const TScriptRow &row : Scripts()) {
        SCOPED_TRACE(row.Name);
        const QByteArray emf = Record(row.Script);
        const std::vector<TRecordPos> recs = Walk(emf);
        ASSERT_GE(recs.size(), 2u);
        EXPECT_EQ(recs.front().Type, U_EMR_HEADER);
        EXPECT_EQ(recs.back().Type, U_EMR_EOF);
        EXPECT_EQ(Get32(emf, 48), static_cast<quint32>(emf.size())) << "nBytes";
        EXPECT_EQ(Get32(emf, 52), recs.size()) << "nRecords";
        qsizetype end = 0;
        quint32 maxHandle = 0;
        std::map<quint32, int> live; // handle -> created and not yet deleted
        for (const TRecordPos &r : recs) {
            EXPECT_EQ(r.Size % 4, 0u);
            EXPECT_EQ(r.Offset, end) << "records are contiguous";
            end = r.Offset + r.Size;
            QByteArray copy = emf.mid(r.Offset, r.Size);
            EXPECT_NE(U_emf_record_safe(copy.constData()), 0)
                << "record type " << r.Type << " at " << r.Offset;
            const quint32 h = r.Size >= 12 ? Get32(emf, r.Offset + 8) : 0;
            switch (r.Type) {
            case U_EMR_CREATEPEN:
            case U_EMR_CREATEBRUSHINDIRECT:
            case U_EMR_EXTCREATEFONTINDIRECTW:
                EXPECT_EQ(live[h], 0) << "handle " << h << " reused while alive";
                live[h] = 1;
                maxHandle = std::max(maxHandle, h);
                break;
            case U_EMR_DELETEOBJECT:
                EXPECT_EQ(live[h], 1) << "deleting handle " << h << " that is not alive";
                live[h] = 0;
                break;
            case U_EMR_SELECTOBJECT:
                if (!(h & U_STOCK_OBJECT)) {
                    EXPECT_EQ(live[h], 1) << "selecting dead handle " << h;
                }
                break;
            default:
                break;
            }
        }
        EXPECT_EQ(end, emf.size());
        for (auto [h, alive] : live)
            EXPECT_EQ(alive, 0) << "handle " << h << " never deleted";
        EXPECT_EQ(Get32(emf, 56) & 0xffff, maxHandle + 1)
            << "nHandles counts the slots used plus slot 0";
        EXPECT_NO_THROW(ReadEmfInfo(emf));
    }
}

TEST(EmfRecorder, HeaderDescribesThePage)
{
    // An A4 page at 96 dpi: 794 x 1123 pixels, 210.08 x 297.12 mm.
    const QByteArray emf
        = Record([](TEmfRecorder &c) { c.FillRect(QRect(10, 20, 30, 40), Qt::red); });
    const TEmfInfo info = ReadEmfInfo(emf);
    EXPECT_EQ(info.Frame, QRect(QPoint(0, 0), QPoint(21008 - 1, 29713 - 1)));
    EXPECT_EQ(info.Device, QSize(794, 1123));
    EXPECT_EQ(info.Millimeters, QSize(210, 297));
    EXPECT_NEAR(info.FrameSizePixels().width(), 794, 0.05);
    EXPECT_NEAR(info.FrameSizePixels().height(), 1123, 0.05);
    EXPECT_EQ(info.Bounds, QRect(10, 20, 30, 40)) << "bounds are what was drawn";
    EXPECT_TRUE(info.Description.startsWith(u"LEVANTA"_s));
    EXPECT_TRUE(info.Description.contains(u"test page"_s));
}

TEST(EmfRecorder, FontRecordCarriesTheFont)
{
    struct Row {
        TCanvasFont F;
        int Height;
        int Weight;
        const char *Why;
    };
    TCanvasFont strike = Font(u"Courier New"_s, 12, false, false, 0);
    strike.StrikeOut = true;
    strike.Underline = true;
    const Row rows[] = {
        { Font(u"Arial"_s, 10, false, false, 162), -13, 400,
            "the invoice font: Arial 10, Turkish" },
        { Font(u"Arial"_s, 8, true, true, 1), -11, 700, "bold italic" },
        { strike, -16, 400, "underline and strike-out" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.Why);
        const QByteArray emf = Record([&](TEmfRecorder &c) {
            c.SelectFont(r.F);
            c.TextOut(QPoint(0, 0), u"x"_s);
        });
        bool found = false;
        for (const TRecordPos &rec : Walk(emf)) {
            if (rec.Type != U_EMR_EXTCREATEFONTINDIRECTW)
                continue;
            found = true;
            const char *p = emf.constData() + rec.Offset;
            EXPECT_EQ(static_cast<qint32>(Get32(emf, rec.Offset + 12)), r.Height);
            EXPECT_EQ(static_cast<qint32>(Get32(emf, rec.Offset + 28)), r.Weight);
            EXPECT_EQ(p[32] != 0, r.F.Italic);
            EXPECT_EQ(p[33] != 0, r.F.Underline);
            EXPECT_EQ(p[34] != 0, r.F.StrikeOut);
            EXPECT_EQ(static_cast<quint8>(p[35]), r.F.CharSet);
            const QString face = QString::fromUtf16(reinterpret_cast<const char16_t *>(p + 40));
            EXPECT_EQ(face, r.F.Name);
        }
        EXPECT_TRUE(found);
    }
}

TEST(EmfRecorder, TextRecordKeepsTextAlignmentAndAdvances)
{
    struct Row {
        TTextAlign Align;
        bool Rtl;
        quint32 Flags;
        const char *Why;
    };
    const Row rows[] = {
        { TTextAlign::Left, false, U_TA_LEFT | U_TA_TOP, "left labels" },
        { TTextAlign::Right, false, U_TA_RIGHT | U_TA_TOP, "right-aligned amounts" },
        { TTextAlign::Center, false, U_TA_CENTER | U_TA_TOP, "centred" },
        { TTextAlign::Right, true, U_TA_RIGHT | U_TA_TOP | U_TA_RTLREADING,
            "right-to-left reading" },
    };
    const QString text = u"Yalnız: İki Bin Türk Lirası"_s;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.Why);
        int width = 0;
        const QByteArray emf = Record([&](TEmfRecorder &c) {
            c.SelectFont(Font(u"Arial"_s, 10));
            TTextStyle s;
            s.Align = r.Align;
            s.RightToLeft = r.Rtl;
            c.TextOut(QPoint(400, 100), text, s);
            width = c.TextExtent(text).width();
        });
        quint32 align = 0xffffffff;
        bool found = false;
        for (const TRecordPos &rec : Walk(emf)) {
            if (rec.Type == U_EMR_SETTEXTALIGN)
                align = Get32(emf, rec.Offset + 8);
            if (rec.Type == U_EMR_SETBKMODE) {
                EXPECT_EQ(Get32(emf, rec.Offset + 8), static_cast<quint32>(U_TRANSPARENT));
            }
            if (rec.Type != U_EMR_EXTTEXTOUTW)
                continue;
            found = true;
            EXPECT_EQ(align, r.Flags);
            EXPECT_EQ(static_cast<qint32>(Get32(emf, rec.Offset + 36)), 400);
            EXPECT_EQ(static_cast<qint32>(Get32(emf, rec.Offset + 40)), 100);
            const quint32 n = Get32(emf, rec.Offset + 44);
            ASSERT_EQ(n, static_cast<quint32>(text.size()));
            const QString back
                = QString::fromUtf16(reinterpret_cast<const char16_t *>(emf.constData() + rec.Offset
                                         + Get32(emf, rec.Offset + 48)),
                    n);
            EXPECT_EQ(back, text);
            EXPECT_EQ((Get32(emf, rec.Offset + 52) & U_ETO_RTLREADING) != 0, r.Rtl);
            const quint32 offDx = Get32(emf, rec.Offset + 72);
            int sum = 0;
            for (quint32 i = 0; i < n; ++i)
                sum += static_cast<int>(Get32(emf, rec.Offset + offDx + 4 * i));
            EXPECT_EQ(sum, width) << "advances add up to the measured width";
        }
        EXPECT_TRUE(found);
    }
}

TEST(EmfRecorder, ObjectsAreReusedNotPiledUp)
{
    // 45 labels alternating two fonts and two fill colours: the handle table stays tiny.
    const QByteArray emf = Record([](TEmfRecorder &c) {
        for (int i = 0; i < 45; ++i) {
            c.SelectFont(Font(u"Arial"_s, i % 2 ? 10 : 12));
            c.FillRect(QRect(0, i * 10, 50, 8), i % 2 ? Qt::white : Qt::yellow);
            c.TextOut(QPoint(0, i * 10), u"label"_s);
        }
    });
    EXPECT_LE(Get32(emf, 56) & 0xffff, 4u);
}

TEST(EmfRecorder, FinishIsFinal)
{
    TEmfRecorder rec(QSize(100, 100), 96);
    rec.FillRect(QRect(0, 0, 10, 10), Qt::red);
    const QByteArray first = rec.Finish();
    rec.FillRect(QRect(20, 20, 10, 10), Qt::red); // ignored: the picture is closed
    EXPECT_EQ(rec.Finish(), first);
}

TEST(EmfRecorder, DamagedPictureIsRefusedWhole)
{
    TEmfRecorder rec(QSize(100, 100), 96);
    rec.FillRect(QRect(0, 0, 10, 10), Qt::red);
    const quint32 before = rec.RecordCount();
    TEmfRecorder inner(QSize(50, 50), 96);
    inner.FillRect(QRect(0, 0, 10, 10), Qt::blue);
    const QByteArray innerBytes = inner.Finish();
    EXPECT_THROW(rec.DrawPicture(QRect(0, 0, 50, 50), innerBytes.left(innerBytes.size() - 8)),
        EPlatformError);
    EXPECT_EQ(rec.RecordCount(), before) << "nothing of the damaged picture is copied";
    EXPECT_NO_THROW(ReadEmfInfo(rec.Finish()));
}
