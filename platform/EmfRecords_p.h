#pragma once
// Walking the records of an EMF byte image with every size, offset and count checked before
// anything is read. Shared by the player and by the recorder (which copies pictures).

#include "platform/Errors.h"

#include <QByteArrayView>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>
#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <optional>

namespace emf
{

// Limits that keep a hostile file from costing unbounded time or memory.
inline constexpr quint32 kMaxRecords = 2'000'000;
inline constexpr quint32 kMaxHandles = 65535;

[[noreturn]] void Fail(const QString &what, qsizetype offset);

// One record: bounds-checked little-endian reads relative to its start.
class TRecord
{
public:
    TRecord() = default;
    TRecord(const uchar *data, quint32 size, quint32 type, qsizetype offset)
        : FData(data)
        , FSize(size)
        , FType(type)
        , FOffset(offset)
    {
    }
    quint32 Type() const { return FType; }
    quint32 Size() const { return FSize; }
    qsizetype Offset() const { return FOffset; }
    const uchar *Data() const { return FData; }

    bool Has(quint64 offset, quint64 count) const { return offset + count <= FSize; }
    void Need(quint64 offset, quint64 count) const
    {
        if (!Has(offset, count))
            Fail(QStringLiteral("record of type %1 too short").arg(FType), FOffset);
    }
    quint32 U32(quint32 off) const
    {
        Need(off, 4);
        quint32 v;
        std::memcpy(&v, FData + off, 4);
        return qFromLittleEndian(v);
    }
    qint32 I32(quint32 off) const { return static_cast<qint32>(U32(off)); }
    qint16 I16(quint32 off) const
    {
        Need(off, 2);
        quint16 v;
        std::memcpy(&v, FData + off, 2);
        return static_cast<qint16>(qFromLittleEndian(v));
    }
    quint16 U16(quint32 off) const { return static_cast<quint16>(I16(off)); }
    quint8 U8(quint32 off) const
    {
        Need(off, 1);
        return FData[off];
    }
    float F32(quint32 off) const
    {
        const quint32 u = U32(off);
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    // Stored inclusive-inclusive rectangle (left, top, right, bottom) as four integers.
    void Rect(quint32 off, qint32 &l, qint32 &t, qint32 &r, qint32 &b) const
    {
        l = I32(off);
        t = I32(off + 4);
        r = I32(off + 8);
        b = I32(off + 12);
    }
    // A count of items of itemSize bytes at off, checked to lie inside the record.
    void NeedArray(quint64 off, quint64 count, quint64 itemSize) const
    {
        if (count > FSize || !Has(off, count * itemSize))
            Fail(QStringLiteral("record of type %1: array exceeds the record").arg(FType), FOffset);
    }

private:
    const uchar *FData = nullptr;
    quint32 FSize = 0;
    quint32 FType = 0;
    qsizetype FOffset = 0;
};

struct THeader {
    QRect Bounds; // device units of the reference device, inclusive
    QRect Frame; // .01 mm, inclusive
    QSize Device; // reference device in pixels
    QSize Millimeters;
    QSize Micrometers; // 0 when the header does not carry them
    quint32 Bytes = 0;
    quint32 Records = 0;
    quint32 Handles = 0;
    quint32 HeaderSize = 0;
    QString Description;
};

// Checks the header of bytes and returns it. A buffer longer than the header's byte count
// is accepted (the rest is not part of the picture); a shorter one is an error.
THeader ReadHeader(QByteArrayView bytes);

// Iterates the records after the header up to and including EMR_EOF.
class TReader
{
public:
    explicit TReader(QByteArrayView bytes);
    const THeader &Header() const { return FHeader; }
    // The next record, validated; false after EMR_EOF or at the end of the picture.
    bool Next(TRecord &out);

private:
    const uchar *FData;
    qsizetype FEnd;
    qsizetype FPos;
    quint32 FCount = 0;
    bool FDone = false;
    THeader FHeader;
};

} // namespace emf

namespace emf
{

// The page-to-device mapping of a DC: map mode, window and viewport.
struct TMapping {
    quint32 Mode = 1; // MM_TEXT
    QPointF WindowOrg, ViewportOrg;
    QSizeF WindowExt { 1, 1 }, ViewportExt { 1, 1 };
};

// Page space to reference-device pixels for the mapping, with the header's device and
// millimetre sizes giving the scale of the metric modes.
QTransform MappingTransform(const TMapping &m, const THeader &h);

// The header's frame (inclusive .01 mm) as a rectangle in reference-device pixels.
QRectF FramePixels(const THeader &h);

// How deep SAVEDC may nest: past it a picture is hostile rather than merely careful.
inline constexpr size_t kMaxSaveDepth = 1024;

// The page-to-device state of a DC: mapping and world transform. The player draws with it and
// the recorder folds it into world transforms when it copies a picture; both read the
// records through Apply so that a copied picture lands where the original would.
struct TMappingState {
    TMapping Map;
    QTransform World;

    enum TApplied {
        apNotMapping, // not a mapping record: the caller handles it
        apIgnored, // a mapping record whose values GDI would refuse
        apChanged
    };
    TApplied Apply(const TRecord &r);
    QTransform Transform(const THeader &h) const { return World * MappingTransform(Map, h); }
};

// The index into a stack of depth saved states that RESTOREDC with n returns to (negative n
// counts back from the top, positive n from the bottom); none when n names no saved state.
std::optional<size_t> RestoreIndex(qint32 n, size_t depth);

} // namespace emf
