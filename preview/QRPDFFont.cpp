#include "preview/QRPDFFont.h"

#include "report/QRError.h"

#include <QFont>
#include <QHash>
#include <QMutex>
#include <QRawFont>
#include <QtEndian>

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

// Measured large for precision, then written in the PDF's own unit, 1/1000 em: a width
// left in the measuring pixels would make every string 1000/1024 too long on paper.
constexpr int MetricHeight = 1024;
constexpr qreal PdfEm = 1000;

int BigEndian16(const QByteArray &table, int offset)
{
    if (offset < 0 || offset + 2 > table.size())
        return 0;
    return qFromBigEndian<qint16>(table.constData() + offset);
}

int Round(qreal v)
{
    return static_cast<int>(std::lround(v));
}

TPDFFontMetrics Measure(
    const QString &name, bool bold, bool italic, const std::array<char32_t, 256> &codes)
{
    QFont font(name);
    font.setPixelSize(MetricHeight);
    font.setBold(bold);
    font.setItalic(italic);
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray head = raw.isValid() ? raw.fontTable("head") : QByteArray();
    if (head.size() < 54)
        throw EQRError(u"GetFontData error"_s);
    const QByteArray os2 = raw.fontTable("OS/2");
    const QByteArray post = raw.fontTable("post");

    TPDFFontMetrics m;
    QString text;
    text.reserve(256);
    for (const char32_t c : codes)
        text += (c != 0 && c < 0x10000) ? QChar(static_cast<char16_t>(c)) : QChar(u'\0');
    const QList<quint32> glyphs = raw.glyphIndexesForString(text);
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
    for (int i = 0; i < 256 && i < advances.size(); ++i)
        m.Widths[i] = Round(advances[i].x() * PdfEm / MetricHeight);

    // The typographic ascender and descender, as the platform's outline metrics report
    // them; fonts without an 'OS/2' table fall back to the engine's own.
    const int unitsPerEm = qFromBigEndian<quint16>(head.constData() + 18);
    const qreal scale = unitsPerEm > 0 ? PdfEm / unitsPerEm : 0;
    if (os2.size() >= 72 && scale > 0) {
        m.Ascent = Round(BigEndian16(os2, 68) * scale);
        m.Descent = Round(BigEndian16(os2, 70) * scale);
    } else {
        m.Ascent = Round(raw.ascent() * PdfEm / MetricHeight);
        m.Descent = -Round(raw.descent() * PdfEm / MetricHeight);
    }
    if (post.size() >= 8) // a 16.16 fixed-point number of degrees
        m.ItalicAngle
            = static_cast<int>(std::trunc(qFromBigEndian<qint32>(post.constData() + 4) / 65536.0));
    for (int i = 0; i < 4; ++i)
        m.FontBBox[i] = BigEndian16(head, 36 + 2 * i);
    m.Flags = PDFFontFlags(os2.size() > 30 ? static_cast<unsigned char>(os2[30]) : 0);
    return m;
}

} // namespace

int PDFFontFlags(int familyClass)
{
    switch (familyClass) {
    case 0:
    case 12:
        return 4;
    case 8:
        return 32;
    case 10:
        return 40;
    default:
        return 34;
    }
}

TPDFFontMetrics PDFFontMetrics(
    const QString &name, bool bold, bool italic, const std::array<char32_t, 256> &codes)
{
    // Reading a font is costly and its file does not change while the program runs.
    static QMutex lock;
    static QHash<QString, TPDFFontMetrics> cache;
    QString key = name + QChar(bold ? u'B' : u'-') + QChar(italic ? u'I' : u'-');
    for (const char32_t c : codes)
        key += QString::number(c, 16) + QChar(u',');
    QMutexLocker guard(&lock);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return it.value();
    TPDFFontMetrics m = Measure(name, bold, italic, codes);
    cache.insert(key, m);
    return m;
}
