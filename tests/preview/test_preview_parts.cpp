// The preview's smaller parts: the progress window, the tool-bar icons and the page's frame.

#include "PreviewTestSupport.h"

#include "preview/PreviewIcons.h"
#include "preview/QRProgress.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace
{

TEST_F(PreviewWindowTest, ProgressWindowMovesOnEveryFifthPercent)
{
    Printer = MakePrinter(1);
    TQRProgressForm form(Report.get(), Printer.get(), u"Printing progress"_s);
    EXPECT_EQ(form.windowTitle(), u"Printing progress"_s);
    EXPECT_EQ(form.size(), QSize(149, 97));
    EXPECT_EQ(form.ProgressBar()->geometry(), QRect(16, 18, 114, 16));
    EXPECT_EQ(form.CancelButton()->geometry(), QRect(36, 68, 75, 25));
    EXPECT_EQ(form.CancelButton()->text(), u"Cancel"_s);
    EXPECT_TRUE(form.Info()->text().isEmpty()) << "a run without progress shows an empty bar";

    struct Row {
        int percent, bar;
        const char *text;
    };
    const Row rows[] = {
        { 50, 50, "50%  Completed" }, // two blanks between the sign and the word
        { 52, 50, "50%  Completed" }, // not a multiple of 5: unchanged
        { 100, 100, "100%  Completed" },
        { 0, 0, "0%  Completed" },
    };
    for (const Row &r : rows) {
        QCoreApplication::postEvent(
            &form, new TQRPrinterEvent(TQRPrinterEvent::Progress, r.percent));
        Pump();
        EXPECT_EQ(form.ProgressBar()->value(), r.bar) << r.percent;
        EXPECT_EQ(form.Info()->text(), QString::fromLatin1(r.text)) << r.percent;
    }

    QTest::mouseClick(form.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(Report->UserCancel());
    EXPECT_TRUE(Printer->Cancelled());
}

TEST_F(PreviewWindowTest, ProgressWindowIsRegisteredForTheEngine)
{
    ASSERT_TRUE(QRProgressWindow());
    Printer = MakePrinter(1);
    std::unique_ptr<TQRProgressWindow> window
        = QRProgressWindow()(Report.get(), Printer.get(), u"Export Progress"_s);
    auto *form = qobject_cast<TQRProgressForm *>(window->Client());
    ASSERT_TRUE(form);
    window->Show();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), u"Export Progress"_s);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    window.reset();
    Pump();
}

QImage IconImage(int index, int size, qreal dpr, QIcon::Mode mode = QIcon::Normal)
{
    return QRPreviewIcon(index).pixmap(QSize(size, size), dpr, mode).toImage();
}

TEST(PreviewIcons, NineteenDistinctIconsAtBothRatios)
{
    for (qreal dpr : { 1.0, 2.0 }) {
        std::vector<QImage> seen;
        for (int i = 0; i < QRPreviewIconCount; ++i) {
            const QImage image = IconImage(i, 16, dpr);
            SCOPED_TRACE(i);
            EXPECT_EQ(image.size(), QSize(16, 16) * dpr);
            int opaque = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    opaque += qAlpha(image.pixel(x, y)) == 255;
            EXPECT_GT(opaque, image.width() * image.height() / 20) << "an icon is not blank";
            for (const QImage &other : seen)
                EXPECT_NE(image, other) << "every icon is its own";
            seen.push_back(image);
        }
    }
}

TEST(PreviewIcons, StraightStrokesCoverWholePixels)
{
    // The first-page bar is two units wide at x 3..5, rows 2..14: whole pixels at 1x and 2x,
    // with nothing half-covered beside it.
    for (qreal dpr : { 1.0, 2.0 }) {
        const QImage image = IconImage(qiFirstPage, 16, dpr);
        const auto alpha
            = [&](int x, int y) { return qAlpha(image.pixel(int(x * dpr), int(y * dpr))); };
        for (int y = 2; y < 14; ++y) {
            EXPECT_EQ(alpha(3, y), 255) << dpr << " " << y;
            EXPECT_EQ(alpha(4, y), 255) << dpr << " " << y;
            EXPECT_EQ(qAlpha(image.pixel(int(3 * dpr) - 1, int(y * dpr))), 0) << dpr << " " << y;
        }
    }
}

TEST(PreviewIcons, DisabledIconsAreGrey)
{
    const QImage image = IconImage(qiPrint, 16, 1.0, QIcon::Disabled);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) == 255) {
                EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
            }
        }
}

TEST_F(PreviewWindowTest, PageFrameShadowAndSharpText)
{
    Printer = MakePrinter(1);
    const QByteArray page = *Printer->GetPage(1);
    for (int zoom : { 100, 200 }) {
        SCOPED_TRACE(zoom);
        const QSize size = QRPreviewImageSize(2100, 2970, zoom, 96);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::gray);
        {
            QPainter painter(&image);
            TQRPreviewImage::PaintPage(painter, image.rect(), page);
        }
        const int w = size.width(), h = size.height();
        EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0)) << "frame";
        EXPECT_EQ(image.pixel(w - 3, h - 3), qRgb(0, 0, 0)) << "frame corner";
        EXPECT_EQ(image.pixel(w - 1, h - 1), qRgb(0, 0, 0)) << "shadow";
        EXPECT_EQ(image.pixel(w - 1, 1), QColor(Qt::gray).rgb())
            << "the shadow starts 2 pixels down";
        EXPECT_EQ(image.pixel(w / 2, h / 2), qRgb(255, 255, 255)) << "paper";
        // The 4-pixel bar at (100, 300) of the page lands at 1 + 100 * zoom / 100 pixels,
        // solid black from its first to its last row: drawn as vectors at this zoom.
        const int x = 1 + 150 * zoom / 100, top = 1 + 300 * zoom / 100;
        for (int y = top + 1; y < top + 4 * zoom / 100 - 1; ++y)
            EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0)) << y;
        EXPECT_EQ(image.pixel(x, top - 2), qRgb(255, 255, 255));
        // Text: the darkest pixels of its glyphs are fully black at either zoom.
        int darkest = 255;
        for (int y = 1 + 100 * zoom / 100; y < 1 + 125 * zoom / 100; ++y)
            for (int xx = 1 + 100 * zoom / 100; xx < 1 + 180 * zoom / 100; ++xx)
                darkest = std::min(darkest, qGray(image.pixel(xx, y)));
        EXPECT_LT(darkest, 40);
    }
}

} // namespace
