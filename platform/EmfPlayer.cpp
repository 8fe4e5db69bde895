#include "platform/EmfPlayer.h"

#include "platform/EmfPlayer_p.h"
#include "platform/Errors.h"

#include <QPaintEngine>
#include <QPainter>
#include <uemf.h>

using namespace Qt::StringLiterals;

QSizeF TEmfInfo::FrameSizePixels() const
{
    emf::THeader h;
    h.Device = Device;
    h.Millimeters = Millimeters;
    h.Micrometers = Micrometers;
    const QTransform t
        = emf::MappingTransform(emf::TMapping { U_MM_HIMETRIC, {}, {}, { 1, 1 }, { 1, 1 } }, h);
    return QSizeF((Frame.width()) * t.m11(), (Frame.height()) * -t.m22());
}

TEmfInfo ReadEmfInfo(QByteArrayView emf)
{
    const emf::THeader h = emf::ReadHeader(emf);
    TEmfInfo info;
    info.Bounds = h.Bounds;
    info.Frame = h.Frame;
    info.Device = h.Device;
    info.Millimeters = h.Millimeters;
    info.Micrometers = h.Micrometers;
    info.Bytes = h.Bytes;
    info.Records = h.Records;
    info.Handles = h.Handles;
    info.Description = h.Description;
    return info;
}

namespace emf::play
{

TEmfPlayResult TPlayer::Run()
{
    TReader reader(FBytes);
    FHeader = reader.Header();
    FResult.Records = 1;

    // The frame, in reference pixels, is what lands on the target.
    QRectF frame = FramePixels(FHeader);
    if (!(frame.width() >= 1 && frame.height() >= 1))
        frame = QRectF(QPointF(FHeader.Bounds.left(), FHeader.Bounds.top()),
            QPointF(FHeader.Bounds.right() + 1.0, FHeader.Bounds.bottom() + 1.0))
                    .normalized();
    const QRectF target = FTarget.normalized();
    if (!(frame.width() >= 1 && frame.height() >= 1) || target.isEmpty()) {
        // Nothing can be placed; still walk the records so that bad bytes are reported.
        TRecord r;
        while (reader.Next(r))
            ++FResult.Records;
        return FResult;
    }
    FBase = QTransform::fromTranslate(-frame.left(), -frame.top())
        * QTransform::fromScale(target.width() / frame.width(), target.height() / frame.height())
        * QTransform::fromTranslate(target.left(), target.top()) * FPainter.worldTransform();
    FObjects.resize(std::min<quint32>(FHeader.Handles + 1, kMaxHandles));
    FRasterOps
        = FPainter.paintEngine() && FPainter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);

    // Two saves: the outer keeps the caller's state, the inner is reset whenever the clip
    // changes (a clip can only be widened by restoring).
    struct TGuard {
        QPainter &P;
        explicit TGuard(QPainter &p)
            : P(p)
        {
            P.save();
        }
        ~TGuard() { P.restore(); }
    } outer(FPainter);
    FPainter.setRenderHint(QPainter::Antialiasing);
    FPainter.setRenderHint(QPainter::TextAntialiasing);
    FPainter.setRenderHint(QPainter::SmoothPixmapTransform);
    TGuard inner(FPainter);
    FClipDirty = false;

    TRecord r;
    while (reader.Next(r)) {
        ++FResult.Records;
        Dispatch(r);
    }
    return FResult;
}

} // namespace emf::play

namespace
{

// Points (or characters) a record asks to be drawn, from its count field; 0 for the rest.
quint64 ItemsOf(const emf::TRecord &r)
{
    switch (r.Type()) {
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16:
    case U_EMR_POLYDRAW:
    case U_EMR_POLYDRAW16:
        return r.U32(24);
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16:
        return quint64(r.U32(24)) + r.U32(28); // the polygons' counts and their points
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW:
        return r.U32(44);
    default:
        return 0;
    }
}

// Records that fill an area, which may be the whole page.
bool FillsArea(quint32 type)
{
    switch (type) {
    case U_EMR_POLYGON:
    case U_EMR_POLYGON16:
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYGON16:
    case U_EMR_ELLIPSE:
    case U_EMR_RECTANGLE:
    case U_EMR_ROUNDRECT:
    case U_EMR_CHORD:
    case U_EMR_PIE:
    case U_EMR_EXTFLOODFILL:
    case U_EMR_FILLPATH:
    case U_EMR_STROKEANDFILLPATH:
    case U_EMR_FILLRGN:
    case U_EMR_FRAMERGN:
    case U_EMR_INVERTRGN:
    case U_EMR_PAINTRGN:
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_MASKBLT:
    case U_EMR_PLGBLT:
    case U_EMR_SETDIBITSTODEVICE:
    case U_EMR_STRETCHDIBITS:
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT:
    case U_EMR_GRADIENTFILL:
        return true;
    default:
        return false;
    }
}

} // namespace

QString EmfWorkProblem(QByteArrayView emf)
{
    const auto problem = [](const QString &what, qsizetype offset) {
        return u"Page picture too large to draw: %1 at offset %2"_s.arg(what).arg(offset);
    };
    try {
        emf::TReader reader(emf);
        emf::TRecord r;
        quint64 records = 1, work = 1;
        while (reader.Next(r)) {
            const quint64 items = ItemsOf(r);
            if (items > kEmfMaxPointsPerRecord)
                return problem(u"a record of type %1 holds %2 points or characters, more than "
                               "%3"_s.arg(r.Type())
                                   .arg(items)
                                   .arg(kEmfMaxPointsPerRecord),
                    r.Offset());
            if (++records > kEmfMaxRecordsPerPage)
                return problem(u"more than %1 records"_s.arg(kEmfMaxRecordsPerPage), r.Offset());
            work += (FillsArea(r.Type()) ? kEmfAreaRecordWork : 1) + items;
            if (work > kEmfMaxWorkPerPage)
                return problem(
                    u"more than %1 records, points and characters"_s.arg(kEmfMaxWorkPerPage),
                    r.Offset());
        }
    } catch (const EPlatformError &) {
    }
    return {};
}

TEmfPlayResult PlayEmf(QPainter &painter, const QRectF &target, QByteArrayView emf)
{
    if (const QString problem = EmfWorkProblem(emf); !problem.isEmpty())
        throw EPlatformError(problem);
    emf::play::TPlayer player(painter, target, emf);
    return player.Run();
}
