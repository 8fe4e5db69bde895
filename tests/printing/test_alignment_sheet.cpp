// The alignment sheet's solver: measured crosshairs in, the feed's correction out.

#include "printing/AlignmentSheet.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::StringLiterals;

TEST(AlignmentSheet, Solves)
{
    // The sheet's crosshairs at 30/30 and 110/110 mm.
    struct TCase {
        const char *Why;
        TAlignmentMeasure Measured;
        TCalibration Current;
        bool Solved;
        TCalibration Expected;
        bool ScaleWarning;
    } cases[] = {
        { "landed where drawn: nothing to correct", { 30, 30, 110, 110 }, {}, true, { 0, 0 },
            false },
        { "1.5 mm right and 0.8 mm up: corrected left and down", { 31.5, 29.2, 111.5, 109.2 }, {},
            true, { -15, 8 }, false },
        { "printed with a correction already: the rest is added to it",
            { 30.3, 30.2, 110.3, 110.2 }, { 10, -5 }, true, { 7, -7 }, false },
        { "a driver's 97 % fit: warned, the offset at the midpoint still given",
            { 29.1, 29.1, 106.7, 106.7 }, {}, true, { 21, 21 }, true },
        { "0.4 % is a ruler's error, not a driver's", { 30, 30, 110.32, 110.32 }, {}, true,
            { -2, -2 }, false },
        { "half a tenth rounds away from zero", { 30.05, 29.95, 110.05, 109.95 }, {}, true,
            { -1, 1 }, false },
        { "crosshairs swapped: no correction", { 110, 110, 30, 30 }, {}, false, {}, false },
        { "a zero measure was never measured", { 0, 30, 110, 110 }, {}, false, {}, false },
        { "a negative number is no distance from an edge", { -1, 30, 110, 110 }, {}, false, {},
            false },
        { "25 mm off is a misread number, not a feed", { 55, 30, 135, 110 }, {}, false, {}, false },
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Why);
        const TAlignmentResult r = HIZALAMA_COZ(TAlignmentMarks(), c.Measured, c.Current);
        ASSERT_EQ(r.Correction.has_value(), c.Solved) << r.Reason.toStdString();
        if (!c.Solved) {
            EXPECT_FALSE(r.Reason.isEmpty());
            continue;
        }
        EXPECT_EQ(*r.Correction, c.Expected)
            << r.Correction->Horizontal << " | " << r.Correction->Vertical;
        EXPECT_EQ(r.ScaleWarning, c.ScaleWarning) << r.ScaleErrorPercent;
        EXPECT_EQ(r.Reason.isEmpty(), !c.ScaleWarning) << r.Reason.toStdString();
    }
}

TEST(AlignmentSheet, AReprintWithTheCorrectionLandsWithinAThirdOfAMillimetre)
{
    // A feed moves the page by an offset; the correction moves the print the other way.
    // Measured to the tenth of a millimetre, as a ruler reads.
    struct TFeed {
        const char *Why;
        double Dx, Dy; // mm, right and down
    } feeds[] = {
        { "tractor 1.5 right, 0.8 up", 1.5, -0.8 },
        { "manual feed 2.37 left, 1.12 down", -2.37, 1.12 },
        { "almost true", 0.04, -0.06 },
    };
    const TAlignmentMarks marks;
    const auto ruler = [](double mm) { return std::round(mm * 10) / 10; };
    for (const TFeed &f : feeds) {
        SCOPED_TRACE(f.Why);
        const auto landed = [&](QPointF at, const TCalibration &c) {
            return QPointF(at.x() + f.Dx + c.Horizontal / 10.0, at.y() + f.Dy + c.Vertical / 10.0);
        };
        const TCalibration none;
        const QPointF a = landed(marks.First, none), b = landed(marks.Second, none);
        const TAlignmentResult r
            = HIZALAMA_COZ(marks, { ruler(a.x()), ruler(a.y()), ruler(b.x()), ruler(b.y()) }, none);
        ASSERT_TRUE(r.Correction) << r.Reason.toStdString();
        for (QPointF mark : { marks.First, marks.Second }) {
            const QPointF again = landed(mark, *r.Correction);
            EXPECT_NEAR(again.x(), mark.x(), 0.3);
            EXPECT_NEAR(again.y(), mark.y(), 0.3);
        }
    }
}
