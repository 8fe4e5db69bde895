#include "platform/EmfPlayer.h"

#include "EmfTestUtil.h"
#include "platform/Canvas.h"
#include "platform/EmfRecorder.h"
#include "platform/Errors.h"
#include "platform/QPainterCanvas.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <uemf.h>

using namespace Qt::StringLiterals;

using namespace emftest;

namespace
{

QString FixtureDir()
{
    return QString::fromUtf8(LEVANTA_SHARED_DIR "/fixtures/emf");
}

QByteArray Fixture(const char *name)
{
    QFile f(FixtureDir() + u'/' + QString::fromLatin1(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QImage Blank(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

QImage Render(const QByteArray &emf, QSize size, QRectF target = {})
{
    QImage img = Blank(size);
    QPainter p(&img);
    PlayEmf(p, target.isNull() ? QRectF(QPointF(0, 0), QSizeF(size)) : target, emf);
    return img;
}

// Saves what the player drew when LEVANTA_EMF_DUMP names a folder, to look at by eye.
void Dump(const QImage &img, const QString &name)
{
    const QByteArray dir = qgetenv("LEVANTA_EMF_DUMP");
    if (!dir.isEmpty())
        img.save(QString::fromLocal8Bit(dir) + u'/' + name + u".png"_s);
}

using TScript = std::function<void(ICanvas &)>;

QByteArray Record(QSize page, const TScript &script, int dpi = 96)
{
    TEmfRecorder rec(page, dpi);
    script(rec);
    return rec.Finish();
}

TCanvasFont Arial(int pt)
{
    TCanvasFont f;
    f.Name = u"Arial"_s;
    f.PointSize = pt;
    return f;
}

bool IsDark(QRgb c)
{
    return qGray(c) < 128;
}
bool IsRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}
bool IsBlank(QRgb c)
{
    return (c & 0xffffff) == 0xffffff;
}

// Bounding box of the pixels that satisfy pred; null when there are none.
QRect Box(const QImage &img, const std::function<bool(QRgb)> &pred, int *count = nullptr)
{
    QRect box;
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (pred(img.pixel(x, y))) {
                box = box.isNull() ? QRect(x, y, 1, 1) : box.united(QRect(x, y, 1, 1));
                ++n;
            }
    if (count)
        *count = n;
    return box;
}

} // namespace

// Fills must land on exactly the pixels asked for, at any stretch of the page: frame lines
// of one pixel and label backgrounds depend on it.
TEST(EmfRoundTrip, FilledRectangleLandsWhereExpected)
{
    const QByteArray emf
        = Record(QSize(200, 100), [](ICanvas &c) { c.FillRect(QRect(10, 20, 30, 40), Qt::red); });
    struct Row {
        QSize Image;
        QRectF Target;
        QRect Expected;
        const char *Why;
    };
    const Row rows[] = {
        { { 200, 100 }, { 0, 0, 200, 100 }, { 10, 20, 30, 40 }, "same size: the same pixels" },
        { { 400, 200 }, { 0, 0, 400, 200 }, { 20, 40, 60, 80 },
            "twice as large: twice the rectangle" },
        { { 300, 200 }, { 100, 50, 200, 100 }, { 110, 70, 30, 40 }, "placed at an offset" },
        { { 400, 100 }, { 0, 0, 400, 100 }, { 20, 20, 60, 40 }, "stretched in x only" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.Why);
        const QImage img = Render(emf, r.Image, r.Target);
        int n = 0;
        EXPECT_EQ(Box(img, IsRed, &n), r.Expected);
        EXPECT_EQ(n, r.Expected.width() * r.Expected.height()) << "solid, crisp edges";
    }
}

TEST(EmfRoundTrip, OnePixelLineSurvives)
{
    // A frame side one pixel thick must not vanish (GDI draws pen-less boxes a pixel short).
    const QByteArray emf
        = Record(QSize(100, 100), [](ICanvas &c) { c.FillRect(QRect(10, 50, 80, 1), Qt::black); });
    EXPECT_EQ(Box(Render(emf, QSize(100, 100)), IsDark), QRect(10, 50, 80, 1));
}

TEST(EmfRoundTrip, TextDrawsInItsBox)
{
    const QString text = u"Toplam 1.234,56"_s;
    struct Row {
        TTextAlign Align;
        const char *Why;
    };
    const Row rows[] = { { TTextAlign::Left, "left edge at the point" },
        { TTextAlign::Right, "right edge at the point" },
        { TTextAlign::Center, "centred on the point" } };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.Why);
        QSize ext;
        const QByteArray emf = Record(QSize(300, 60), [&](ICanvas &c) {
            c.SelectFont(Arial(10));
            ext = c.TextExtent(text);
            TTextStyle s;
            s.Align = r.Align;
            c.TextOut(QPoint(150, 20), text, s);
        });
        const QImage img = Render(emf, QSize(300, 60));
        const QRect ink = Box(img, IsDark);
        ASSERT_FALSE(ink.isNull()) << "no text drawn";
        int left = 150;
        if (r.Align == TTextAlign::Right)
            left -= ext.width();
        else if (r.Align == TTextAlign::Center)
            left -= ext.width() / 2;
        const QRect cell(left, 20, ext.width(), ext.height());
        EXPECT_TRUE(cell.adjusted(-1, -1, 1, 1).contains(ink)) << "ink outside the text cell";
        EXPECT_GT(ink.width(), ext.width() * 8 / 10);
        EXPECT_GT(ink.height(), ext.height() / 2);
        // Top alignment: capitals start within a few pixels below the reference point.
        EXPECT_LE(ink.top(), 20 + ext.height() / 3);
    }
}

TEST(EmfRoundTrip, TextScalesWithTheTarget)
{
    const QByteArray emf = Record(QSize(200, 50), [](ICanvas &c) {
        c.SelectFont(Arial(10));
        c.TextOut(QPoint(10, 10), u"Fatura No 42"_s);
    });
    const QRect small = Box(Render(emf, QSize(200, 50)), IsDark);
    const QRect large = Box(Render(emf, QSize(400, 100)), IsDark);
    ASSERT_FALSE(small.isNull());
    EXPECT_NEAR(large.width(), 2.0 * small.width(), 0.1 * small.width());
    EXPECT_NEAR(large.left(), 2.0 * small.left(), 3);
}

// The preview shows the recorded page, the printer gets the page drawn directly: both must
// look the same.
TEST(EmfRoundTrip, RecordedPageLooksLikeTheDirectDrawing)
{
    const TScript script = [](ICanvas &c) {
        c.FillRect(QRect(0, 0, 300, 30), QColor(230, 230, 250));
        c.SelectFont(Arial(10));
        c.TextOut(QPoint(10, 8), u"SAYIN: Ahmet Yılmaz"_s);
        TTextStyle right;
        right.Align = TTextAlign::Right;
        c.TextOut(QPoint(290, 40), u"12.345,00"_s, right);
        TCanvasFont bold = Arial(12);
        bold.Bold = true;
        bold.Color = Qt::darkBlue;
        c.SelectFont(bold);
        c.TextOut(QPoint(10, 60), u"Yalnız Onikibin"_s);
        c.Line(QPoint(0, 90), QPoint(300, 90), Qt::black, 1);
    };
    const QSize size(300, 100);
    QImage direct = Blank(size);
    {
        QPainter p(&direct);
        p.setRenderHint(QPainter::TextAntialiasing);
        TQPainterCanvas canvas(p, 96, size);
        script(canvas);
    }
    const QImage played = Render(Record(size, script), size);
    int differ = 0, inked = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb a = direct.pixel(x, y), b = played.pixel(x, y);
            if (!IsBlank(a))
                ++inked;
            if (std::abs(qGray(a) - qGray(b)) > 96)
                ++differ;
        }
    Dump(direct, u"direct"_s);
    Dump(played, u"played"_s);
    EXPECT_GT(inked, 1000);
    EXPECT_LT(differ, inked / 20) << differ << " of " << inked << " inked pixels differ";
}

TEST(EmfRoundTrip, PictureInsideAPicture)
{
    const QByteArray inner
        = Record(QSize(100, 100), [](ICanvas &c) { c.FillRect(QRect(0, 0, 50, 50), Qt::red); });
    const QByteArray outer = Record(QSize(300, 300), [&](ICanvas &c) {
        c.FillRect(QRect(0, 0, 10, 10), Qt::blue);
        c.DrawPicture(QRect(100, 100, 200, 200), inner);
        c.FillRect(QRect(0, 20, 10, 10), Qt::blue); // the page's own state is back
    });
    const QImage img = Render(outer, QSize(300, 300));
    // GDI fills a pen-less box one device pixel short: at twice the size, that is the
    // second of the two pixels the recorded page added.
    const QRect red = Box(img, IsRed);
    EXPECT_EQ(red.topLeft(), QPoint(100, 100));
    EXPECT_NEAR(red.width(), 100, 1);
    EXPECT_NEAR(red.height(), 100, 1);
    EXPECT_EQ(Box(img, [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60; }), QRect(0, 0, 10, 30));
}

TEST(EmfRoundTrip, ForeignPictureCopiedIntoAPageLooksTheSame)
{
    // The wrench uses an anisotropic mapping; copied into our page it must land the same.
    const QByteArray wrench = Fixture("poi_wrench.emf");
    ASSERT_FALSE(wrench.isEmpty());
    const QRect target(20, 10, 190, 115);
    const QByteArray page
        = Record(QSize(240, 140), [&](ICanvas &c) { c.DrawPicture(target, wrench); });
    const QImage copied = Render(page, QSize(240, 140));
    QImage direct = Blank(QSize(240, 140));
    {
        QPainter p(&direct);
        PlayEmf(p, target, wrench);
    }
    int differ = 0, inked = 0;
    for (int y = 0; y < 140; ++y)
        for (int x = 0; x < 240; ++x) {
            inked += !IsBlank(direct.pixel(x, y));
            differ += std::abs(qGray(direct.pixel(x, y)) - qGray(copied.pixel(x, y))) > 64;
        }
    EXPECT_GT(inked, 2000);
    EXPECT_LT(differ, inked / 50);
}

TEST(EmfFixtures, EveryFixturePlays)
{
    const QStringList files = QDir(FixtureDir()).entryList({ u"*.emf"_s }, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 10) << "fixtures missing in " << FixtureDir().toStdString();
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile f(FixtureDir() + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const TEmfInfo info = ReadEmfInfo(bytes);
        const QSize size = info.FrameSizePixels()
                               .scaled(QSizeF(300, 300), Qt::KeepAspectRatio)
                               .toSize()
                               .expandedTo(QSize(8, 8));
        if (name == u"poi_61294.emf"_s) {
            // Broken on purpose: a record claims 0xFFFF0027 bytes.
            EXPECT_THROW(Render(bytes, size), EPlatformError);
            continue;
        }
        QImage img;
        try {
            img = Render(bytes, size);
        } catch (const EPlatformError &e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        Dump(img, name);
        int inked = 0;
        Box(
            img, [](QRgb c) { return !IsBlank(c); }, &inked);
        EXPECT_GT(inked, 20) << "nothing visible drawn";
    }
}

TEST(EmfFixtures, PicturesLookPlausible)
{
    struct Row {
        const char *File;
        std::function<bool(QRgb)> Pred;
        double MinShare;
        const char *Why;
    };
    const Row rows[] = {
        { "poi_wrench.emf",
            [](QRgb c) {
                return qRed(c) > 150 && qGreen(c) > 60 && qGreen(c) < 170 && qBlue(c) < 90;
            },
            0.08, "an orange wrench" },
        { "freehep_TestAll.emf", IsRed, 0.15, "the red panel behind 'Impact'" },
        { "tika_testEMF.emf", IsDark, 0.005, "the dark 'Hello World!' text" },
        { "poi_nested_wmf.emf", [](QRgb c) { return qGray(c) > 200; }, 0.80,
            "a chart on a light background" },
        { "poi_nested_wmf.emf", IsDark, 0.005, "with dark axes and labels" },
        { "poi_SimpleEMF_mac.emf", [](QRgb c) { return qGray(c) < 200; }, 0.005, "a page of text" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.Why);
        const QByteArray bytes = Fixture(r.File);
        ASSERT_FALSE(bytes.isEmpty());
        const QSize size = ReadEmfInfo(bytes)
                               .FrameSizePixels()
                               .scaled(QSizeF(300, 300), Qt::KeepAspectRatio)
                               .toSize();
        const QImage img = Render(bytes, size);
        int n = 0;
        Box(img, r.Pred, &n);
        EXPECT_GE(n, r.MinShare * size.width() * size.height())
            << n << " pixels of " << size.width() * size.height();
    }
}

TEST(EmfMalformed, TruncatedPicturesAreErrors)
{
    for (const char *name : { "poi_wrench.emf", "freehep_TestAll.emf", "tika_testEMF.emf" }) {
        const QByteArray bytes = Fixture(name);
        ASSERT_FALSE(bytes.isEmpty());
        for (qsizetype cut :
            { qsizetype(0), qsizetype(1), qsizetype(50), qsizetype(87), qsizetype(88),
                qsizetype(120), bytes.size() / 2, bytes.size() - 4, bytes.size() - 1 }) {
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
            EXPECT_THROW(Render(bytes.left(cut), QSize(50, 50)), EPlatformError);
        }
    }
}

TEST(EmfMalformed, BadHeadersAreErrors)
{
    const QByteArray good
        = Record(QSize(100, 100), [](ICanvas &c) { c.FillRect(QRect(0, 0, 5, 5), Qt::red); });
    struct Row {
        qsizetype Offset;
        quint32 Value;
        const char *Why;
    };
    const Row rows[] = {
        { 0, 2, "not a header record" },
        { 4, 0, "header size 0" },
        { 4, 86, "header size not a multiple of 4" },
        { 4, 0x7ffffff0, "header larger than the bytes" },
        { 40, 0x12345678, "no EMF signature" },
        { 48, 40, "byte count smaller than the header" },
        { 48, 0xfffffff0, "byte count larger than the bytes" },
        { 48, static_cast<quint32>(good.size()) + 2, "byte count not a multiple of 4" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.Why);
        QByteArray bad = good;
        Set32(bad, r.Offset, r.Value);
        EXPECT_THROW(Render(bad, QSize(20, 20)), EPlatformError);
        EXPECT_THROW(ReadEmfInfo(bad), EPlatformError);
    }
}

TEST(EmfMalformed, BadRecordsAreErrorsNamingTheirOffset)
{
    const QByteArray base = Record(QSize(100, 100), [](ICanvas &c) {
        c.FillRect(QRect(0, 0, 5, 5), Qt::red);
        c.SelectFont(Arial(10));
        c.TextOut(QPoint(0, 10), u"abc"_s);
    });
    const std::vector<TRecordPos> recs = Walk(base);
    const TRecordPos second = recs[1];
    TRecordPos text {};
    for (const TRecordPos &r : recs)
        if (r.Type == U_EMR_EXTTEXTOUTW)
            text = r;
    ASSERT_NE(text.Offset, 0);
    struct Row {
        qsizetype Offset;
        quint32 Value;
        qsizetype Reported;
        const char *Why;
    };
    const Row rows[] = {
        { second.Offset + 4, 0, second.Offset, "record size 0 would loop forever" },
        { second.Offset + 4, 6, second.Offset, "record size not a multiple of 4" },
        { second.Offset + 4, 0xFFFF0027, second.Offset, "record size past the end" },
        { text.Offset + 44, 0x40000000, text.Offset, "text with a billion characters" },
        { text.Offset + 48, 0x7ffffff0, text.Offset, "text string outside the record" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.Why);
        QByteArray bad = base;
        Set32(bad, r.Offset, r.Value);
        try {
            Render(bad, QSize(20, 20));
            ADD_FAILURE() << "no error";
        } catch (const EPlatformError &e) {
            EXPECT_TRUE(e.Message().contains(u"offset %1"_s.arg(r.Reported))) << e.what();
        }
    }
}

namespace
{

// A picture with a red square followed by extra raw records.
QByteArray WithRecords(const QByteArray &records, int count)
{
    const QByteArray base
        = Record(QSize(100, 100), [](ICanvas &c) { c.FillRect(QRect(0, 0, 10, 10), Qt::red); });
    return Splice(base, records, count);
}

QByteArray Poly16(quint32 type, quint32 count, int pointsPresent)
{
    QByteArray r = Rec(type, { 0, 0, 100, 100, count });
    for (int i = 0; i < pointsPresent; ++i)
        r += QByteArray("\x05\x00\x05\x00", 4);
    Set32(r, 4, static_cast<quint32>(r.size()));
    return r;
}

QByteArray StretchDib(qint32 width, qint32 height, quint16 bits, quint32 bitsBytes)
{
    // Record fields, then a 40-byte bitmap header, then the bits.
    const auto w = static_cast<quint32>(width), h = static_cast<quint32>(height);
    QByteArray r = Rec(U_EMR_STRETCHDIBITS,
        { 50, 50, 60, 60, 50, 50, 0, 0, w, h, 80, 40, 120, bitsBytes, 0, U_SRCCOPY, 10, 10 });
    QByteArray bmi(40, '\0');
    Set32(bmi, 0, 40);
    Set32(bmi, 4, static_cast<quint32>(width));
    Set32(bmi, 8, static_cast<quint32>(height));
    bmi[12] = 1;
    bmi[14] = static_cast<char>(bits);
    r += bmi + QByteArray(static_cast<qsizetype>(bitsBytes), '\x80');
    Set32(r, 4, static_cast<quint32>(r.size()));
    return r;
}

} // namespace

TEST(EmfMalformed, HostileContentIsBounded)
{
    QByteArray deepSaves;
    for (int i = 0; i < 2000; ++i)
        deepSaves += Rec(U_EMR_SAVEDC, {});
    struct Row {
        QByteArray Records;
        int Count;
        bool Throws;
        const char *Why;
    };
    const Row rows[] = {
        { Poly16(U_EMR_POLYGON16, 1000000, 2), 1, true, "point count beyond the record" },
        { Poly16(U_EMR_POLYGON16, 3, 3), 1, false, "a proper triangle" },
        { Rec(U_EMR_POLYPOLYGON16, { 0, 0, 9, 9, 1, 2, 5, 0x00050005, 0x00060006 }), 1, true,
            "polygon counts larger than the points" },
        { deepSaves, 2000, true, "saved states nested without end" },
        { StretchDib(60000, 60000, 24, 16), 1, true, "a bitmap far larger than memory allows" },
        { StretchDib(100, 100, 24, 64), 1, true, "bitmap bits shorter than the bitmap" },
        { StretchDib(4, 4, 24, 64), 1, false, "a proper 4x4 bitmap" },
        { Rec(250, { 1, 2, 3 }), 1, false, "an unknown record type is skipped" },
        { Rec(U_EMR_SETVIEWPORTEXTEX, { 0x7fffffff, 0x7fffffff })
                + Rec(U_EMR_SETMAPMODE, { U_MM_ANISOTROPIC }) + Rec(U_EMR_SETWINDOWEXTEX, { 1, 1 })
                + Rec(U_EMR_CREATEPEN, { 1, U_PS_DASH, 0, 0, 0 }) + Rec(U_EMR_SELECTOBJECT, { 1 })
                + Rec(U_EMR_MOVETOEX, { 0, 0 }) + Rec(U_EMR_LINETO, { 0x7fffffff, 5 }),
            7, false, "a dashed line across two billion units ends quickly" },
        { Rec(U_EMR_SELECTOBJECT, { 0x7000 }) + Rec(U_EMR_DELETEOBJECT, { 99999 }), 2, false,
            "handles that name no object are ignored" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.Why);
        const QByteArray emf = WithRecords(r.Records, r.Count);
        QImage img = Blank(QSize(100, 100));
        QPainter p(&img);
        if (r.Throws) {
            EXPECT_THROW(PlayEmf(p, QRectF(0, 0, 100, 100), emf), EPlatformError);
        } else {
            EXPECT_NO_THROW(PlayEmf(p, QRectF(0, 0, 100, 100), emf));
        }
        p.end();
        EXPECT_TRUE(IsRed(img.pixel(5, 5))) << "what came before the bad record stays drawn";
    }
}

// Well-formed pictures that no real page comes near: refused before anything is drawn, since
// playing them costs seconds and hundreds of megabytes. Just inside each limit still plays.
TEST(EmfMalformed, DrawingWorkIsBoundedBeforePlaying)
{
    const auto lines = [](int n) {
        QByteArray r;
        for (int i = 0; i < n; ++i)
            r += Rec(U_EMR_LINETO, { quint32(i % 90), 50 });
        return r;
    };
    const auto polylines = [](int n, quint32 points) {
        QByteArray r;
        for (int i = 0; i < n; ++i)
            r += Poly16(U_EMR_POLYLINE16, points, int(points));
        return r;
    };
    const auto rectangles = [](int n) {
        QByteArray r;
        for (int i = 0; i < n; ++i)
            r += Rec(U_EMR_RECTANGLE, { 0, 0, 100, 100 });
        return r;
    };
    const quint32 perRecord = kEmfMaxPointsPerRecord;
    const int recordsLeft = int(kEmfMaxRecordsPerPage) - int(Walk(WithRecords({}, 0)).size());
    const struct {
        QByteArray Records;
        int Count;
        const char *Refusal; // empty: plays
        const char *Why;
    } rows[] = {
        { polylines(1, perRecord), 1, "", "one polyline at the points limit" },
        { polylines(1, perRecord + 1), 1, "points or characters", "one point past it" },
        { lines(recordsLeft), recordsLeft, "", "records up to the limit" },
        { lines(recordsLeft + 1), recordsLeft + 1, "records", "one record past it" },
        { polylines(10, perRecord), 10, "records, points and characters",
            "each record within its limit, the page past the total" },
        { rectangles(1900), 1900, "", "more filled shapes than a real page holds, still within" },
        { rectangles(2000), 2000, "records, points and characters",
            "each filled shape may cover the page: two thousand are past the total" },
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Why);
        const QByteArray emf = WithRecords(r.Records, r.Count);
        QImage img = Blank(QSize(100, 100));
        QPainter p(&img);
        if (*r.Refusal) {
            try {
                PlayEmf(p, QRectF(0, 0, 100, 100), emf);
                ADD_FAILURE() << "played";
            } catch (const EPlatformError &e) {
                EXPECT_TRUE(e.Message().contains(QLatin1StringView(r.Refusal))) << e.what();
            }
            p.end();
            EXPECT_TRUE(IsBlank(img.pixel(5, 5))) << "refused before drawing";
        } else {
            EXPECT_NO_THROW(PlayEmf(p, QRectF(0, 0, 100, 100), emf));
        }
    }
}

TEST(EmfMalformed, UnknownRecordsAreCounted)
{
    const QByteArray emf
        = WithRecords(Rec(250, { 1, 2, 3 }) + Rec(4000, {}) + Rec(U_EMR_DRAWESCAPE, { 0, 0 }), 3);
    QImage img = Blank(QSize(10, 10));
    QPainter p(&img);
    const TEmfPlayResult res = PlayEmf(p, QRectF(0, 0, 10, 10), emf);
    EXPECT_EQ(res.Skipped, 3u) << "unknown types and types the library does not check are skipped";
    EXPECT_EQ(res.Records, static_cast<quint32>(Walk(emf).size()));
}

// Random damage to real pictures: every outcome must be a picture or an EPlatformError.
TEST(EmfMalformed, RandomDamageNeverEscapes)
{
    QRandomGenerator rng(20261209);
    for (const char *name : { "poi_wrench.emf", "construct_emf1.emf", "pptx_generic-icon.emf",
             "freehep_TestClip.emf" }) {
        const QByteArray good = Fixture(name);
        ASSERT_FALSE(good.isEmpty());
        for (int round = 0; round < 60; ++round) {
            QByteArray bad = good;
            const int edits = 1 + static_cast<int>(rng.bounded(8));
            for (int e = 0; e < edits; ++e) {
                const qsizetype at = rng.bounded(static_cast<quint32>(bad.size()));
                bad[at] = static_cast<char>(rng.bounded(256));
            }
            try {
                Render(bad, QSize(40, 40));
            } catch (const EPlatformError &) {
            } catch (...) {
                ADD_FAILURE() << name << " round " << round << ": an unexpected exception";
            }
        }
    }
}

// Another EMF reader must accept what we write. scripts/deps.sh installs the office suite,
// so a missing one is a failure, never a silent skip.
TEST(EmfInterop, OfficeSuiteConvertsOurPage)
{
    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    ASSERT_FALSE(soffice.isEmpty()) << "soffice is missing: install libreoffice-draw-nogui";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray emf = Record(QSize(794, 1123), [](ICanvas &c) {
        c.FillRect(QRect(100, 100, 300, 200), Qt::red);
        c.SelectFont(Arial(14));
        c.TextOut(QPoint(100, 400), u"FATURA İĞÜŞÖÇ"_s);
    });
    QFile f(dir.filePath(u"page.emf"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(emf);
    f.close();
    QProcess proc;
    proc.setWorkingDirectory(dir.path());
    proc.start(soffice,
        { u"--headless"_s, u"-env:UserInstallation=file://"_s + dir.filePath(u"profile"_s),
            u"--convert-to"_s, u"png"_s, u"--outdir"_s, dir.path(), f.fileName() });
    ASSERT_TRUE(proc.waitForFinished(120000));
    const QImage png(dir.filePath(u"page.png"_s));
    ASSERT_FALSE(png.isNull()) << proc.readAllStandardError().toStdString();
    int red = 0;
    Box(png.convertToFormat(QImage::Format_RGB32), IsRed, &red);
    EXPECT_GT(red, png.width() * png.height() / 50) << "the red box is missing";
}
