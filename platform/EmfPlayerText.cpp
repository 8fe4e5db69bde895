// Text records: the font as the picture chose it, its code page, alignment and spacing.
#include "platform/EmfPlayer_p.h"

#include "platform/TextEncoding.h"

#include <QPainter>
#include <cmath>
#include <cstring>
#include <uemf.h>

using namespace Qt::StringLiterals;

namespace emf::play
{

namespace
{

// A text of the picture's own: an undefined byte shows as the replacement character.
QString DecodeAnsi(const QByteArray &bytes, quint8 charset)
{
    int codePage = 1252;
    switch (charset) {
    case 162:
        codePage = 1254;
        break;
    case 161:
        codePage = 1253;
        break;
    case 204:
        codePage = 1251;
        break;
    case 238:
        codePage = 1250;
        break;
    case 186:
        codePage = 1257;
        break;
    case 177:
        codePage = 1255;
        break;
    case 178:
        codePage = 1256;
        break;
    case 163:
        codePage = 1258;
        break;
    case 222:
        codePage = 874;
        break;
    case 128:
        codePage = 932;
        break;
    case 134:
        codePage = 936;
        break;
    case 136:
        codePage = 950;
        break;
    case 129:
        codePage = 949;
        break;
    case 2:
        return QString::fromLatin1(bytes);
    default:
        break;
    }
    const std::optional<TTextEncoding> enc
        = TTextEncoding::FromNumber(codePage, TUnmappedByte::Replace);
    return enc ? enc->Decode(bytes) : QString::fromLatin1(bytes);
}

// A glyph transform within a few per cent of the identity scale becomes a pure translation:
// the font was already chosen at the device size, and untransformed text is drawn from the
// glyph cache instead of as outlines (ten times faster on a 600-dpi page).
QTransform Snapped(const QTransform &t)
{
    if (t.type() <= QTransform::TxScale && std::abs(t.m11() - 1) < 0.03
        && std::abs(t.m22() - 1) < 0.03)
        return QTransform::fromTranslate(t.dx(), t.dy());
    return t;
}

} // namespace

void TPlayer::Text(const TRecord &r, bool wide)
{
    const QPointF ref(r.I32(36), r.I32(40));
    const quint32 n = r.U32(44);
    const quint32 offString = r.U32(48);
    const quint32 options = r.U32(52);
    qint32 rl, rt, rr, rb;
    r.Rect(56, rl, rt, rr, rb);
    const quint32 offDx = r.U32(72);
    QString text;
    if (n > 0) {
        r.NeedArray(offString, n, wide ? 2 : 1);
        if (wide) {
            text.resize(n);
            for (quint32 i = 0; i < n; ++i)
                text[i] = QChar(r.U16(offString + 2 * i));
        } else {
            text = DecodeAnsi(QByteArray(reinterpret_cast<const char *>(r.Data() + offString), n),
                FDC.Font.CharSet);
        }
    }
    std::vector<double> dx;
    if (n > 0 && offDx != 0 && r.Has(offDx, quint64(n) * 4)) {
        const quint32 step = (options & U_ETO_PDY) && r.Has(offDx, quint64(n) * 8) ? 8 : 4;
        dx.resize(n);
        for (quint32 i = 0; i < n; ++i)
            dx[i] = r.I32(offDx + step * i);
    }
    if (FInPath)
        return;
    ApplyClip();
    const QTransform m = M();
    const TFontObj &f = FDC.Font;
    const QRectF rcl = QRectF(QPointF(rl, rt), QPointF(rr, rb)).normalized();
    if ((options & U_ETO_OPAQUE) && !rcl.isEmpty()) {
        FPainter.setTransform(m * FBase);
        FPainter.fillRect(rcl, FDC.BkColor);
    }
    if (text.isEmpty() || options & U_ETO_GLYPH_INDEX)
        return;

    // Text frame: origin at the reference point, upright on the device, sized by the logical
    // scale of the axes (GDI keeps text upright in every mapping mode).
    const QPointF o = m.map(ref);
    const QPointF ex = m.map(ref + QPointF(1, 0)) - o;
    const QPointF ey = m.map(ref + QPointF(0, 1)) - o;
    const double sx = std::hypot(ex.x(), ex.y()), sy = std::hypot(ey.x(), ey.y());
    if (!(sx > 0 && sy > 0) || !(std::abs(o.x()) < kHuge && std::abs(o.y()) < kHuge))
        return;
    const double worldAngle = qRadiansToDegrees(std::atan2(ex.y(), ex.x()));
    const double deviceScale = sy * std::abs(FBase.m22());
    double em = f.Height > 0 ? f.Height : 13.0 / sy;
    const int px = static_cast<int>(std::clamp(std::lround(em * deviceScale), 4L, 4096L));
    // Consecutive texts mostly share their font: keep the last one and its metrics.
    const QString key = u"%1|%2|%3|%4%5%6"_s.arg(f.Face)
                            .arg(px)
                            .arg(f.Weight)
                            .arg(f.Italic)
                            .arg(f.Underline)
                            .arg(f.StrikeOut);
    if (key != FFontKey || !FFontMetrics) {
        FFontKey = key;
        FQFont = QFont(f.Face);
        FQFont.setPixelSize(px);
        FQFont.setWeight(
            static_cast<QFont::Weight>(std::clamp(f.Weight <= 0 ? 400 : f.Weight, 1, 1000)));
        FQFont.setItalic(f.Italic);
        FQFont.setUnderline(f.Underline);
        FQFont.setStrikeOut(f.StrikeOut);
        FFontMetrics.emplace(FQFont);
    }
    const QFont &font = FQFont;
    const QFontMetricsF &fm = *FFontMetrics;
    if (f.CellHeight && fm.height() > 0)
        em = em * px / fm.height(); // a positive height asks for the cell, not the em
    if (em * deviceScale < 0.5 || em * deviceScale > 50000)
        return;
    const double k = em / px; // logical units per font pixel

    const double natural = fm.horizontalAdvance(text) * k;
    double width = natural;
    double total = 0;
    for (double d : dx)
        total += d;
    bool perChar = false;
    double hscale = 1;
    if (!dx.empty() && natural > 0 && total > 0) {
        width = total;
        bool simple = !(options & U_ETO_RTLREADING) && !(FDC.TextAlign & U_TA_RTLREADING);
        for (QChar c : text)
            if (c.unicode() >= 0x0590)
                simple = false;
        if (std::abs(total - natural) > natural * 0.02 + k) {
            if (simple && text.size() > 1)
                perChar = true;
            else
                hscale = std::clamp(total / natural, 0.25, 4.0);
        } else {
            hscale = total / natural;
        }
    }
    QPointF start = ref;
    const bool updateCp = FDC.TextAlign & U_TA_UPDATECP;
    if (updateCp)
        start = FDC.Cur;
    double offx = 0;
    switch (FDC.TextAlign & U_TA_CENTER) {
    case U_TA_RIGHT:
        offx = -width;
        break;
    case U_TA_CENTER:
        offx = -width / 2;
        break;
    default:
        break;
    }
    double offy = 0;
    switch (FDC.TextAlign & U_TA_BASELINE) {
    case U_TA_BASELINE:
        break;
    case U_TA_BOTTOM:
        offy = -std::round(fm.descent()) * k;
        break;
    default:
        offy = std::round(fm.ascent()) * k;
        break; // whole pixels, as GDI's text metrics
    }
    const QPointF so = m.map(start);
    QTransform frame = QTransform::fromTranslate(offx, offy)
        * QTransform().rotate(-(f.Escapement / 10.0)) * QTransform::fromScale(sx, sy)
        * QTransform().rotate(worldAngle) * QTransform::fromTranslate(so.x(), so.y()) * FBase;
    {
        // Glyphs are rasterised at their size on the device: an em stretched to thousands of
        // pixels along one axis would cost the glyph cache unbounded memory and time.
        // The glyph transform's singular values are its largest and smallest stretch: both
        // must stay within a page, and a sliver sheared across it is not text anyone wrote
        // (FreeType fails on such glyphs and the raster engine does not survive that).
        const QTransform glyph = QTransform::fromScale(k * hscale, k) * frame;
        const double a = glyph.m11(), b = glyph.m12(), c = glyph.m21(), d = glyph.m22();
        const double sum = a * a + b * b + c * c + d * d, det = std::abs(a * d - b * c);
        const double root = std::sqrt(std::max(0.0, sum * sum - 4 * det * det));
        const double big = std::sqrt((sum + root) / 2) * px,
                     small = std::sqrt(std::max(0.0, (sum - root) / 2)) * px;
        const double boxX = (std::abs(a) + std::abs(c)) * px,
                     boxY = (std::abs(b) + std::abs(d)) * px;
        if (!(big < 4096 && boxX < 4096 && boxY < 4096) || !(small > 0.25) || big / small > 64)
            return;
    }
    FPainter.save();
    if ((options & U_ETO_CLIPPED) && !rcl.isEmpty()) {
        FPainter.setTransform(m * FBase);
        FPainter.setClipRect(rcl, Qt::IntersectClip);
    }
    FPainter.setTransform(frame);
    if (FDC.BkMode == U_OPAQUE)
        FPainter.fillRect(QRectF(0, -fm.ascent() * k, width, fm.height() * k), FDC.BkColor);
    FPainter.setPen(FDC.TextColor);
    FPainter.setFont(font);
    if ((options & U_ETO_RTLREADING) || (FDC.TextAlign & U_TA_RTLREADING))
        FPainter.setLayoutDirection(Qt::RightToLeft);
    if (perChar) {
        double x = 0;
        FPainter.setTransform(Snapped(QTransform::fromScale(k, k) * frame));
        for (qsizetype i = 0; i < text.size(); ++i) {
            qsizetype len = 1;
            if (text.at(i).isHighSurrogate() && i + 1 < text.size())
                len = 2;
            FPainter.drawText(QPointF(x / k, 0), text.mid(i, len));
            for (qsizetype j = i; j < i + len; ++j)
                x += dx[static_cast<size_t>(j)];
            i += len - 1;
        }
    } else {
        FPainter.setTransform(Snapped(QTransform::fromScale(k * hscale, k) * frame));
        FPainter.drawText(QPointF(0, 0), text);
    }
    FPainter.restore();
    if (updateCp)
        FDC.Cur = start + QPointF(width, 0);
}

} // namespace emf::play
