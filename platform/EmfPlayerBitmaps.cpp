// Bitmaps: device-independent bitmaps decoded and blitted, stretched or blended.
#include "platform/EmfPlayer_p.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <uemf.h>

using namespace Qt::StringLiterals;

namespace emf::play
{

// A DIB (device-independent bitmap) of a record as an image, top row first. None when its
// format is not one the player decodes; malformed sizes are errors.
std::optional<QImage> TPlayer::Dib(const TRecord &r, quint32 usage, quint32 offBmi, quint32 cbBmi,
    quint32 offBits, quint32 cbBits, bool alpha)
{
    if (cbBmi == 0 || cbBits == 0)
        return std::nullopt;
    r.Need(offBmi, cbBmi);
    r.Need(offBits, cbBits);
    const quint32 hdr = r.U32(offBmi);
    if (hdr < 40 || hdr > cbBmi)
        return std::nullopt;
    const qint32 width = r.I32(offBmi + 4);
    const qint32 rawHeight = r.I32(offBmi + 8);
    const quint16 bits = r.U16(offBmi + 14);
    const quint32 compression = r.U32(offBmi + 16);
    const quint32 used = r.U32(offBmi + 32);
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN)
        return std::nullopt;
    const qint64 height = std::abs(static_cast<qint64>(rawHeight));
    if (width > 65536 || height > 65536 || qint64(width) * height > kMaxBitmapPixels)
        Fail(u"bitmap too large"_s, r.Offset());
    const bool bottomUp = rawHeight > 0;

    if (compression == U_BI_PNG || compression == U_BI_JPEG) {
        // The embedded image's own header is asked for its size before anything is decoded.
        QByteArray data = QByteArray::fromRawData(
            reinterpret_cast<const char *>(r.Data() + offBits), static_cast<qsizetype>(cbBits));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (!size.isValid() || qint64(size.width()) * size.height() > kMaxBitmapPixels)
            return std::nullopt;
        QImage img = reader.read();
        if (img.isNull())
            return std::nullopt;
        return img;
    }
    if (compression != U_BI_RGB && compression != U_BI_BITFIELDS)
        return std::nullopt;

    std::vector<QRgb> table;
    if (bits <= 8) {
        if (bits != 1 && bits != 4 && bits != 8)
            return std::nullopt;
        quint32 n = used != 0 ? used : (1u << bits);
        n = std::min<quint32>(n, 1u << bits);
        const quint32 entry = usage == U_DIB_PAL_COLORS ? 2 : 4;
        r.NeedArray(offBmi + hdr, n, entry);
        table.resize(1u << bits, qRgb(0, 0, 0));
        for (quint32 i = 0; i < n; ++i) {
            if (usage == U_DIB_PAL_COLORS) {
                // No logical palette is kept; indices give grey levels.
                const int g = static_cast<int>(r.U16(offBmi + hdr + 2 * i) & 0xff);
                table[i] = qRgb(g, g, g);
            } else {
                const quint32 q = r.U32(offBmi + hdr + 4 * i);
                table[i] = qRgb((q >> 16) & 0xff, (q >> 8) & 0xff, q & 0xff);
            }
        }
    } else if (bits != 16 && bits != 24 && bits != 32) {
        return std::nullopt;
    }
    quint32 masks[3] = { 0x7c00, 0x03e0, 0x001f };
    if (bits == 32)
        masks[0] = 0xff0000, masks[1] = 0xff00, masks[2] = 0xff;
    if (compression == U_BI_BITFIELDS) {
        if (bits != 16 && bits != 32)
            return std::nullopt;
        const quint32 off = offBmi + 40; // masks follow the 40-byte part
        for (int i = 0; i < 3; ++i)
            masks[i] = r.U32(off + 4 * i);
    }
    const qint64 stride = ((qint64(width) * bits + 31) / 32) * 4;
    if (stride * height > cbBits)
        Fail(u"bitmap bits shorter than its size"_s, r.Offset());

    auto channel = [](quint32 v, quint32 mask) -> int {
        if (mask == 0)
            return 0;
        int shift = 0;
        while (((mask >> shift) & 1) == 0)
            ++shift;
        const quint32 m = mask >> shift;
        const quint32 c = (v & mask) >> shift;
        return m == 0 ? 0 : static_cast<int>((c * 255 + m / 2) / m);
    };
    const bool withAlpha = alpha && bits == 32;
    QImage img(width, static_cast<int>(height),
        withAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (img.isNull())
        return std::nullopt;
    const uchar *base = r.Data() + offBits;
    for (qint64 y = 0; y < height; ++y) {
        const uchar *row = base + (bottomUp ? height - 1 - y : y) * stride;
        auto *out = reinterpret_cast<QRgb *>(img.scanLine(static_cast<int>(y)));
        for (qint32 x = 0; x < width; ++x) {
            switch (bits) {
            case 1:
                out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                out[x] = table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xf];
                break;
            case 8:
                out[x] = table[row[x]];
                break;
            case 16: {
                const quint32 v = row[2 * x] | (row[2 * x + 1] << 8);
                out[x] = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                break;
            }
            case 24:
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            case 32: {
                quint32 v;
                std::memcpy(&v, row + 4 * x, 4);
                v = qFromLittleEndian(v);
                if (compression == U_BI_BITFIELDS)
                    out[x] = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                else if (withAlpha)
                    out[x] = v; // premultiplied BGRA is Qt's ARGB32_Premultiplied in memory
                else
                    out[x] = 0xff000000u | (v & 0xffffff);
                break;
            }
            default:
                break;
            }
        }
    }
    if (withAlpha) {
        // Invalid premultiplied pixels (colour above alpha) would wrap around in blending.
        for (int y = 0; y < img.height(); ++y) {
            auto *px = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int a = qAlpha(px[x]);
                px[x] = qRgba(std::min(qRed(px[x]), a), std::min(qGreen(px[x]), a),
                    std::min(qBlue(px[x]), a), a);
            }
        }
    }
    return img;
}

void TPlayer::Blit(const TRecord &r)
{
    qint32 xd, yd, cxd, cyd, xs = 0, ys = 0, cxs = 0, cys = 0;
    quint32 rop = U_SRCCOPY, usage, offBmi, cbBmi, offBits, cbBits;
    bool alpha = false;
    double opacity = 1;
    switch (r.Type()) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT:
        xd = r.I32(24), yd = r.I32(28), cxd = r.I32(32), cyd = r.I32(36);
        rop = r.U32(40);
        xs = r.I32(44), ys = r.I32(48);
        usage = r.U32(80), offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92),
        cbBits = r.U32(96);
        if (r.Type() == U_EMR_BITBLT) {
            cxs = cxd, cys = cyd;
        } else {
            cxs = r.I32(100), cys = r.I32(104);
        }
        if (r.Type() == U_EMR_ALPHABLEND) {
            opacity = ((rop >> 16) & 0xff) / 255.0;
            alpha = ((rop >> 24) & 0xff) != 0;
            rop = U_SRCCOPY;
        } else if (r.Type() == U_EMR_TRANSPARENTBLT) {
            rop = U_SRCCOPY;
        }
        break;
    case U_EMR_STRETCHDIBITS:
    case U_EMR_SETDIBITSTODEVICE:
        xd = r.I32(24), yd = r.I32(28), xs = r.I32(32), ys = r.I32(36), cxs = r.I32(40),
        cys = r.I32(44);
        offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60),
        usage = r.U32(64);
        if (r.Type() == U_EMR_STRETCHDIBITS) {
            rop = r.U32(68);
            cxd = r.I32(72), cyd = r.I32(76);
        } else {
            cxd = cxs, cyd = cys; // no stretching, no raster operation
        }
        break;
    default:
        return;
    }
    const QRectF dest = QRectF(xd, yd, cxd, cyd);
    QPainterPath shape;
    shape.addRect(dest.normalized());
    if (cbBmi == 0) {
        // A pattern operation without a source bitmap.
        const TBrushObj keep = FDC.Brush;
        const TPenObj keepPen = FDC.Pen;
        FDC.Pen.Null = true;
        bool draw = true;
        if (rop == U_BLACKNESS)
            FDC.Brush = MakeBrushObj(TBrushObj::bkSolid, Qt::black);
        else if (rop == U_WHITENESS)
            FDC.Brush = MakeBrushObj(TBrushObj::bkSolid, Qt::white);
        else if (rop != U_PATCOPY)
            draw = false;
        if (draw && !FInPath)
            DrawPath(shape, true, false);
        FDC.Brush = keep;
        FDC.Pen = keepPen;
        return;
    }
    std::optional<QImage> img = Dib(r, usage, offBmi, cbBmi, offBits, cbBits, alpha);
    if (!img || img->isNull() || FInPath)
        return;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case U_SRCCOPY:
        break;
    case U_SRCAND:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case U_SRCPAINT:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case U_SRCINVERT:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    default:
        return;
    }
    if (mode != QPainter::CompositionMode_SourceOver && !FRasterOps)
        return; // the device cannot combine pixels; the mask pass is left out
    QRectF src(xs, ys, cxs, cys);
    if (r.Type() == U_EMR_STRETCHDIBITS || r.Type() == U_EMR_SETDIBITSTODEVICE) {
        // DIB source rectangles count rows from the bottom of a bottom-up bitmap.
        const qint32 rawHeight = r.I32(offBmi + 8);
        if (rawHeight > 0)
            src.moveTop(double(img->height()) - ys - cys);
    }
    src = src.normalized().intersected(QRectF(img->rect()));
    if (src.isEmpty())
        return;
    QImage part = img->copy(src.toAlignedRect());
    if (cxd < 0 || cyd < 0)
        part = part.mirrored(cxd < 0, cyd < 0);
    if (r.Type() == U_EMR_TRANSPARENTBLT) {
        const QRgb key = Color(r.U32(40)).rgb() & 0xffffff;
        part = part.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < part.height(); ++y) {
            auto *px = reinterpret_cast<QRgb *>(part.scanLine(y));
            for (int x = 0; x < part.width(); ++x)
                if ((px[x] & 0xffffff) == key)
                    px[x] = 0;
        }
    }
    ApplyClip();
    const QTransform m = M();
    const QRectF devRect = m.mapRect(dest.normalized());
    if (!(std::abs(devRect.left()) < kHuge && std::abs(devRect.right()) < kHuge
            && std::abs(devRect.top()) < kHuge && std::abs(devRect.bottom()) < kHuge))
        return;
    FPainter.setTransform(m * FBase);
    FPainter.setOpacity(opacity);
    FPainter.setCompositionMode(mode);
    FPainter.drawImage(dest.normalized(), part);
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter.setOpacity(1);
}

} // namespace emf::play
