#pragma once
// Small helpers for the EMF tests: building raw records and splicing them into a picture.

#include <QByteArray>
#include <QtEndian>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace emftest
{

inline quint32 Get32(const QByteArray &b, qsizetype off)
{
    quint32 v;
    std::memcpy(&v, b.constData() + off, 4);
    return qFromLittleEndian(v);
}

inline void Set32(QByteArray &b, qsizetype off, quint32 v)
{
    v = qToLittleEndian(v);
    std::memcpy(b.data() + off, &v, 4);
}

// One record of the given type with 32-bit fields.
inline QByteArray Rec(quint32 type, std::initializer_list<quint32> fields)
{
    QByteArray r;
    r.resize(8 + 4 * static_cast<qsizetype>(fields.size()));
    Set32(r, 0, type);
    Set32(r, 4, static_cast<quint32>(r.size()));
    qsizetype off = 8;
    for (quint32 f : fields) {
        Set32(r, off, f);
        off += 4;
    }
    return r;
}

struct TRecordPos {
    quint32 Type;
    qsizetype Offset;
    quint32 Size;
};

// The records of a well-formed picture, header first.
inline std::vector<TRecordPos> Walk(const QByteArray &emf)
{
    std::vector<TRecordPos> out;
    qsizetype pos = 0;
    while (pos + 8 <= emf.size()) {
        const quint32 size = Get32(emf, pos + 4);
        out.push_back({ Get32(emf, pos), pos, size });
        if (size < 8)
            break;
        pos += size;
    }
    return out;
}

// Inserts records just before EMR_EOF and fixes the header's byte and record counts.
inline QByteArray Splice(const QByteArray &emf, const QByteArray &records, int count)
{
    const std::vector<TRecordPos> recs = Walk(emf);
    const qsizetype eof = recs.back().Offset;
    QByteArray out = emf.left(eof) + records + emf.mid(eof);
    Set32(out, 48, static_cast<quint32>(out.size()));
    Set32(out, 52, Get32(out, 52) + static_cast<quint32>(count));
    return out;
}

} // namespace emftest
