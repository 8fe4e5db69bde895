#include "platform/EmfRecords_p.h"

#include <QtEndian>
#include <cmath>
#include <uemf.h>
#include <uemf_safe.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace emf
{

void Fail(const QString &what, qsizetype offset)
{
    throw EPlatformError(u"Invalid page picture: %1 at offset %2"_s.arg(what).arg(offset));
}

namespace
{

constexpr quint32 kSignature = 0x464D4520; // " EMF"

// libUEMF's own consistency check of one record. It reads through the record's structs, so
// it is handed a private copy with spare zero bytes behind it: whatever it may read past a
// short record is ours, never the caller's memory.
bool LibrarySaysSafe(const uchar *data, quint32 size)
{
    thread_local std::vector<char> copy;
    copy.assign(size + 512, 0);
    std::memcpy(copy.data(), data, size);
    return U_emf_record_safe(copy.data()) != 0;
}

bool LibraryChecks(quint32 type)
{
    switch (type) {
    case 69:
    case 96:
    case 97:
    case 102:
    case 103:
    case 105:
    case 106:
    case 107:
    case 109:
    case 110:
    case 111:
    case 112:
    case 113:
    case 117:
    case 119:
    case 120:
    case 121:
        return false;
    default:
        return type >= 1 && type <= U_EMR_MAX;
    }
}

} // namespace

THeader ReadHeader(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.data());
    if (bytes.size() < 88)
        Fail(u"too short for a header"_s, 0);
    const TRecord rec(
        data, static_cast<quint32>(std::min<qsizetype>(bytes.size(), 0x7fffffff)), 1, 0);
    if (rec.U32(0) != U_EMR_HEADER)
        Fail(u"no header record"_s, 0);
    const quint32 size = rec.U32(4);
    if (size < 88 || size % 4 != 0 || size > static_cast<quint64>(bytes.size()))
        Fail(u"bad header size"_s, 4);
    if (rec.U32(40) != kSignature)
        Fail(u"no EMF signature"_s, 40);
    const TRecord h(data, size, 1, 0);
    THeader out;
    qint32 l, t, r, b;
    h.Rect(8, l, t, r, b);
    out.Bounds = QRect(QPoint(l, t), QPoint(r, b));
    h.Rect(24, l, t, r, b);
    out.Frame = QRect(QPoint(l, t), QPoint(r, b));
    out.Bytes = h.U32(48);
    out.Records = h.U32(52);
    out.Handles = h.U16(56);
    out.Device = QSize(h.I32(72), h.I32(76));
    out.Millimeters = QSize(h.I32(80), h.I32(84));
    out.HeaderSize = size;
    if (out.Bytes < size || out.Bytes % 4 != 0)
        Fail(u"bad byte count in the header"_s, 48);
    if (out.Bytes > static_cast<quint64>(bytes.size()))
        Fail(u"picture truncated (header counts %1 bytes, %2 present)"_s.arg(out.Bytes).arg(
                 bytes.size()),
            48);
    const quint32 nDesc = h.U32(60), offDesc = h.U32(64);
    // The description is informative only; writers disagree on where it lies, so one that
    // is not inside the header record is ignored rather than trusted.
    if (nDesc != 0 && offDesc >= 88 && nDesc <= size && h.Has(offDesc, quint64(nDesc) * 2)) {
        out.Description.reserve(nDesc);
        for (quint32 i = 0; i < nDesc; ++i)
            out.Description.append(QChar(h.U16(offDesc + 2 * i)));
    }
    // The micrometre sizes exist only when the header reaches them and the description does
    // not sit where they would be; even then they must agree with the millimetres.
    if (size >= 108 && (nDesc == 0 || offDesc >= 108)) {
        const QSize um(h.I32(100), h.I32(104));
        if (um.width() > 0 && um.height() > 0
            && std::abs(qint64(um.width()) - qint64(out.Millimeters.width()) * 1000) <= 1000
            && std::abs(qint64(um.height()) - qint64(out.Millimeters.height()) * 1000) <= 1000)
            out.Micrometers = um;
    }
    if (!LibrarySaysSafe(data, size))
        Fail(u"header rejected"_s, 0);
    return out;
}

TReader::TReader(QByteArrayView bytes)
    : FData(reinterpret_cast<const uchar *>(bytes.data()))
{
    FHeader = ReadHeader(bytes);
    FEnd = FHeader.Bytes;
    FPos = FHeader.HeaderSize;
}

bool TReader::Next(TRecord &out)
{
    if (FDone || FPos >= FEnd)
        return false;
    if (FEnd - FPos < 8)
        Fail(u"truncated record"_s, FPos);
    quint32 type, size;
    std::memcpy(&type, FData + FPos, 4);
    std::memcpy(&size, FData + FPos + 4, 4);
    type = qFromLittleEndian(type);
    size = qFromLittleEndian(size);
    if (size < 8 || size % 4 != 0 || size > static_cast<quint64>(FEnd - FPos))
        Fail(u"bad size %1 of a record of type %2"_s.arg(size).arg(type), FPos);
    if (++FCount > kMaxRecords)
        Fail(u"too many records"_s, FPos);
    if (type == U_EMR_HEADER)
        Fail(u"second header"_s, FPos);
    // The library checks the record types it implements (it complains on the console about
    // the others); the rest are skipped by the player anyway.
    if (LibraryChecks(type) && !LibrarySaysSafe(FData + FPos, size))
        Fail(u"malformed record of type %1"_s.arg(type), FPos);
    out = TRecord(FData + FPos, size, type, FPos);
    FPos += size;
    if (type == U_EMR_EOF)
        FDone = true;
    return true;
}

} // namespace emf

namespace emf
{

QTransform MappingTransform(const TMapping &m, const THeader &h)
{
    // Pixels per millimetre of the reference device, from micrometres when present.
    double pxPerMmX = 96 / 25.4, pxPerMmY = 96 / 25.4;
    if (h.Micrometers.width() > 0 && h.Micrometers.height() > 0 && h.Device.width() > 0
        && h.Device.height() > 0) {
        pxPerMmX = h.Device.width() * 1000.0 / h.Micrometers.width();
        pxPerMmY = h.Device.height() * 1000.0 / h.Micrometers.height();
    } else if (h.Millimeters.width() > 0 && h.Millimeters.height() > 0 && h.Device.width() > 0
        && h.Device.height() > 0) {
        pxPerMmX = double(h.Device.width()) / h.Millimeters.width();
        pxPerMmY = double(h.Device.height()) / h.Millimeters.height();
    }
    double sx = 1, sy = 1;
    switch (m.Mode) {
    case U_MM_LOMETRIC:
        sx = pxPerMmX / 10;
        sy = -pxPerMmY / 10;
        break;
    case U_MM_HIMETRIC:
        sx = pxPerMmX / 100;
        sy = -pxPerMmY / 100;
        break;
    case U_MM_LOENGLISH:
        sx = pxPerMmX * 0.254;
        sy = -pxPerMmY * 0.254;
        break;
    case U_MM_HIENGLISH:
        sx = pxPerMmX * 0.0254;
        sy = -pxPerMmY * 0.0254;
        break;
    case U_MM_TWIPS:
        sx = pxPerMmX * 25.4 / 1440;
        sy = -pxPerMmY * 25.4 / 1440;
        break;
    case U_MM_ISOTROPIC:
    case U_MM_ANISOTROPIC:
        if (m.WindowExt.width() != 0 && m.WindowExt.height() != 0) {
            sx = m.ViewportExt.width() / m.WindowExt.width();
            sy = m.ViewportExt.height() / m.WindowExt.height();
            if (m.Mode == U_MM_ISOTROPIC) {
                const double s = std::min(std::abs(sx), std::abs(sy));
                sx = sx < 0 ? -s : s;
                sy = sy < 0 ? -s : s;
            }
        }
        break;
    default:
        break; // MM_TEXT
    }
    return QTransform(sx, 0, 0, sy, m.ViewportOrg.x() - m.WindowOrg.x() * sx,
        m.ViewportOrg.y() - m.WindowOrg.y() * sy);
}

namespace
{

QTransform ReadXform(const TRecord &r, quint32 off)
{
    return QTransform(r.F32(off), r.F32(off + 4), r.F32(off + 8), r.F32(off + 12), r.F32(off + 16),
        r.F32(off + 20));
}

// GDI refuses a world transform that cannot be inverted; so do we, and one that is not finite.
bool Usable(const QTransform &x)
{
    return x.isInvertible()
        && std::isfinite(x.m11() + x.m12() + x.m21() + x.m22() + x.dx() + x.dy());
}

} // namespace

TMappingState::TApplied TMappingState::Apply(const TRecord &r)
{
    switch (r.Type()) {
    case U_EMR_SETMAPMODE: {
        const quint32 mode = r.U32(8);
        if (mode < U_MM_TEXT || mode > U_MM_ANISOTROPIC)
            return apIgnored;
        Map.Mode = mode;
        return apChanged;
    }
    case U_EMR_SETWINDOWEXTEX:
        Map.WindowExt = QSizeF(r.I32(8), r.I32(12));
        return apChanged;
    case U_EMR_SETWINDOWORGEX:
        Map.WindowOrg = QPointF(r.I32(8), r.I32(12));
        return apChanged;
    case U_EMR_SETVIEWPORTEXTEX:
        Map.ViewportExt = QSizeF(r.I32(8), r.I32(12));
        return apChanged;
    case U_EMR_SETVIEWPORTORGEX:
        Map.ViewportOrg = QPointF(r.I32(8), r.I32(12));
        return apChanged;
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX: {
        const double xn = r.I32(8), xd = r.I32(12), yn = r.I32(16), yd = r.I32(20);
        if (xd == 0 || yd == 0)
            return apIgnored;
        QSizeF &ext = r.Type() == U_EMR_SCALEVIEWPORTEXTEX ? Map.ViewportExt : Map.WindowExt;
        ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
        return apChanged;
    }
    case U_EMR_SETWORLDTRANSFORM: {
        const QTransform x = ReadXform(r, 8);
        if (!Usable(x))
            return apIgnored;
        World = x;
        return apChanged;
    }
    case U_EMR_MODIFYWORLDTRANSFORM: {
        const QTransform x = ReadXform(r, 8);
        QTransform next;
        switch (r.U32(32)) {
        case U_MWT_IDENTITY:
            break;
        case U_MWT_LEFTMULTIPLY:
            next = x * World;
            break;
        case U_MWT_RIGHTMULTIPLY:
            next = World * x;
            break;
        case 4: // MWT_SET
            next = x;
            break;
        default:
            return apIgnored;
        }
        if (!Usable(next))
            return apIgnored;
        World = next;
        return apChanged;
    }
    default:
        return apNotMapping;
    }
}

QRectF FramePixels(const THeader &h)
{
    const QTransform toPx
        = MappingTransform(TMapping { U_MM_HIMETRIC, {}, {}, { 1, 1 }, { 1, 1 } }, h);
    return QRectF(QPointF(h.Frame.left() * toPx.m11(), h.Frame.top() * -toPx.m22()),
        QPointF((h.Frame.right() + 1.0) * toPx.m11(), (h.Frame.bottom() + 1.0) * -toPx.m22()))
        .normalized();
}

std::optional<size_t> RestoreIndex(qint32 n, size_t depth)
{
    const qint64 index = n < 0 ? static_cast<qint64>(depth) + n : static_cast<qint64>(n) - 1;
    if (index < 0 || index >= static_cast<qint64>(depth))
        return std::nullopt;
    return static_cast<size_t>(index);
}

} // namespace emf
