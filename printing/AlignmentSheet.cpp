#include "printing/AlignmentSheet.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

constexpr double ScaleWarningPercent = 0.5;
// Past these the numbers are more likely misread than measured: a feed is off by a few
// millimetres and a driver's "fit" by a few per cent.
constexpr double MaxOffsetMm = 20;
constexpr double MaxScalePercent = 10;

// A ruler's numbers have at most two decimals: go through whole hundredths first, so that a
// binary 0.0499999 is still the half it was typed as, and halves go away from zero.
int Tenths(double mm)
{
    const long h = std::lround(mm * 100);
    return static_cast<int>(h >= 0 ? (h + 5) / 10 : -((-h + 5) / 10));
}

} // namespace

TAlignmentResult HIZALAMA_COZ(
    const TAlignmentMarks &marks, const TAlignmentMeasure &m, const TCalibration &current)
{
    TAlignmentResult r;
    for (double v : { m.FirstLeft, m.FirstTop, m.SecondLeft, m.SecondTop })
        if (!std::isfinite(v) || v <= 0) {
            r.Reason = u"Ölçülerin hepsi sıfırdan büyük milimetre olmalı."_s;
            return r;
        }

    // The scale is what the distance between the crosshairs became; the offset is what is
    // left at their midpoint, so that a scale error does not leak into the correction.
    const double spanX = marks.Second.x() - marks.First.x();
    const double spanY = marks.Second.y() - marks.First.y();
    const double sx = (m.SecondLeft - m.FirstLeft) / spanX;
    const double sy = (m.SecondTop - m.FirstTop) / spanY;
    const double dx = (m.FirstLeft + m.SecondLeft - marks.First.x() - marks.Second.x()) / 2;
    const double dy = (m.FirstTop + m.SecondTop - marks.First.y() - marks.Second.y()) / 2;
    r.ScaleErrorPercent = std::max(std::abs(sx - 1), std::abs(sy - 1)) * 100;
    if (!(r.ScaleErrorPercent <= MaxScalePercent)) {
        r.Reason = u"İki artı işaretinin arası basılması gerekenden çok farklı: ölçüler "
                   u"karışmış olabilir (birinci işaret sol üsttekidir)."_s;
        return r;
    }
    if (std::abs(dx) > MaxOffsetMm || std::abs(dy) > MaxOffsetMm) {
        r.Reason = u"İşaretler 20 mm'den fazla kaymış görünüyor: ölçüleri kontrol edin."_s;
        return r;
    }
    r.ScaleWarning = r.ScaleErrorPercent > ScaleWarningPercent;
    if (r.ScaleWarning)
        r.Reason = u"Sayfa yüzde %1 oranında küçültülmüş ya da büyütülmüş basılıyor; bu bir "
                   u"kaydırma ile düzeltilemez. Yazıcı sürücüsünde ölçeklemeyi (sayfaya "
                   u"sığdır) kapatın."_s.arg(
                       QString::number(r.ScaleErrorPercent, 'f', 1).replace(u'.', u','));
    // The sheet printed with the correction then in force; what it still missed is added.
    r.Correction = TCalibration { current.Horizontal - Tenths(dx), current.Vertical - Tenths(dy) };
    return r;
}
