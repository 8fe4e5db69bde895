#include "platform/QPainterCanvas.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// The same 10-point font must be 6.25 times taller on a 600-dpi page than on the screen,
// or printed labels would not match the preview.
TEST(QPainterCanvas, FontsFollowTheCanvasResolution)
{
    QImage img(100, 100, QImage::Format_RGB32);
    QPainter p(&img);
    TQPainterCanvas screen(p, 96, img.size());
    TQPainterCanvas printer(p, 600, img.size());
    TCanvasFont f;
    f.PointSize = 10;
    screen.SelectFont(f);
    printer.SelectFont(f);
    const QSize a = screen.TextExtent(u"Toplam"_s), b = printer.TextExtent(u"Toplam"_s);
    EXPECT_NEAR(double(b.height()) / a.height(), 6.25, 0.5);
    EXPECT_NEAR(double(b.width()) / a.width(), 6.25, 0.5);
}

TEST(QPainterCanvas, FillsAndTextLandWhereAsked)
{
    QImage img(200, 60, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        TQPainterCanvas c(p, 96, img.size());
        c.FillRect(QRect(5, 5, 10, 10), Qt::red);
        TTextStyle right;
        right.Align = TTextAlign::Right;
        c.TextOut(QPoint(190, 30), u"1.234,56"_s, right);
    }
    EXPECT_EQ(img.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(14, 14), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(15, 15), qRgb(255, 255, 255));
    int maxX = -1, minY = 1000;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 20; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
            }
    EXPECT_LE(maxX, 190);
    EXPECT_GE(maxX, 186) << "right edge at the point";
    EXPECT_GE(minY, 30) << "top of the cell at the point";
}
