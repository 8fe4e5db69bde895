#include "platform/EmfPlayer.h"

#include "platform/EmfPlayer_p.h"

#include <QPaintEngine>
#include <QPainter>
#include <uemf.h>

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

TEmfPlayResult PlayEmf(QPainter &painter, const QRectF &target, QByteArrayView emf)
{
    emf::play::TPlayer player(painter, target, emf);
    return player.Run();
}
