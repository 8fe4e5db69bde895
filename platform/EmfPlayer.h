#pragma once
// Plays enhanced metafiles (EMF) from any program onto a QPainter, stretched into a target
// rectangle, as vectors. Every record is checked before it is read: malformed bytes raise
// EPlatformError naming the offset; they never crash or read outside the picture.

#include <QByteArrayView>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

// What an EMF header says about its picture.
struct TEmfInfo {
    QRect Bounds; // inclusive, reference-device pixels
    QRect Frame; // inclusive, .01 mm
    QSize Device; // reference device in pixels
    QSize Millimeters; // reference device in millimetres
    QSize Micrometers; // the same more precisely; empty when the header lacks them
    quint32 Bytes = 0; // size of the whole picture
    quint32 Records = 0;
    quint32 Handles = 0;
    QString Description;

    // The frame in reference-device pixels (what a picture reports as its width/height).
    QSizeF FrameSizePixels() const;
};

// Reads and checks the header of emf; throws EPlatformError when it is not an EMF header or
// the bytes are fewer than the header counts. Bytes beyond the picture are ignored, so this
// also tells a reader how many bytes of a longer buffer belong to the picture.
TEmfInfo ReadEmfInfo(QByteArrayView emf);

struct TEmfPlayResult {
    quint32 Records = 0; // records read, header and end included
    quint32 Skipped = 0; // records of kinds the player does not draw
};

// Limits no real page reaches (a printed page holds a few thousand records, a few hundred of
// them filled shapes or pictures), so that any picture within them plays in well under two
// seconds and a few tens of megabytes. Work is records + points + characters, and a record
// that fills an area (a shape, a region, a picture) counts as kEmfAreaRecordWork, since it
// may cover the whole page: what the drawing costs grows with each.
inline constexpr quint32 kEmfMaxRecordsPerPage = 200'000;
inline constexpr quint32 kEmfMaxPointsPerRecord = 100'000;
inline constexpr quint64 kEmfMaxWorkPerPage = 1'000'000;
inline constexpr quint64 kEmfAreaRecordWork = 500;

// Walks the records: why the picture passes one of the limits above (naming it and the
// record's offset), or empty when it does not. Malformed records are left to the player.
QString EmfWorkProblem(QByteArrayView emf);

// Draws emf so that its frame fills target (painter coordinates). The painter's state is
// left as it was. A malformed record raises EPlatformError; what came before stays drawn.
// A picture past the limits of CheckEmfWork is refused before anything is drawn.
TEmfPlayResult PlayEmf(QPainter &painter, const QRectF &target, QByteArrayView emf);
