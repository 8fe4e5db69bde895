#pragma once
// Reads back what a recorded page says: every text record with its reference point,
// alignment and string, and every filled rectangle with its brush colour.

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QtEndian>

#include <cstring>
#include <map>
#include <vector>

namespace emftext
{

inline quint32 U32(const QByteArray &b, qsizetype off)
{
    quint32 v;
    std::memcpy(&v, b.constData() + off, 4);
    return qFromLittleEndian(v);
}
inline qint32 I32(const QByteArray &b, qsizetype off)
{
    return static_cast<qint32>(U32(b, off));
}

struct TText {
    QPoint At; // reference point in page pixels
    quint32 Align = 0; // TA_ flags: 0 left, 2 right, 6 centre (top alignment is 0)
    QString Text;
    QRect Box; // the record's bounds (inclusive)
};

struct TFill {
    QRect Box; // the pixels filled
    QRgb Color = 0;
};

struct TPage {
    std::vector<TText> Texts;
    std::vector<TFill> Fills;
    QSize Device; // the header's reference device in pixels
    const TText *Find(const QString &text) const
    {
        for (const TText &t : Texts)
            if (t.Text == text)
                return &t;
        return nullptr;
    }
};

inline TPage Read(const QByteArray &emf)
{
    TPage page;
    quint32 align = 0;
    std::map<quint32, QRgb> brushes; // handle -> colour; a reused handle takes the new one
    QRgb brush = 0xffffffff;
    qsizetype pos = 0;
    while (pos + 8 <= emf.size()) {
        const quint32 type = U32(emf, pos), size = U32(emf, pos + 4);
        if (size < 8 || pos + size > emf.size())
            break;
        const auto rect = [&](qsizetype at) {
            return QRect(QPoint(I32(emf, at), I32(emf, at + 4)),
                QPoint(I32(emf, at + 8), I32(emf, at + 12)));
        };
        switch (type) {
        case 1: // header
            page.Device = QSize(I32(emf, pos + 72), I32(emf, pos + 76));
            break;
        case 22: // SETTEXTALIGN
            align = U32(emf, pos + 8);
            break;
        case 39: { // CREATEBRUSHINDIRECT
            const quint32 c = U32(emf, pos + 16);
            brushes[U32(emf, pos + 8)] = qRgb(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
            break;
        }
        case 37: // SELECTOBJECT
            if (const auto b = brushes.find(U32(emf, pos + 8)); b != brushes.end())
                brush = b->second;
            break;
        case 43: { // RECTANGLE without a pen: fills one pixel short of its right and bottom
            const QRect r = rect(pos + 8);
            page.Fills.push_back(
                { QRect(r.left(), r.top(), r.width() - 2, r.height() - 2), brush });
            break;
        } break;
        case 84: { // EXTTEXTOUTW
            TText t;
            t.Box = rect(pos + 8);
            t.At = QPoint(I32(emf, pos + 36), I32(emf, pos + 40));
            const quint32 n = U32(emf, pos + 44), off = U32(emf, pos + 48);
            for (quint32 i = 0; i < n; ++i) {
                quint16 u;
                std::memcpy(&u, emf.constData() + pos + off + 2 * i, 2);
                t.Text += QChar(qFromLittleEndian(u));
            }
            t.Align = align & ~quint32(0x100); // without the RTL-reading flag
            page.Texts.push_back(t);
            break;
        }
        default:
            break;
        }
        pos += size;
    }
    return page;
}

} // namespace emftext
