#include "platform/EmfRecorder.h"

#include "platform/EmfRecords_p.h"
#include "platform/Rounding.h"

#include <QTextLayout>
#include <QTransform>
#include <QtEndian>
#include <cmath>
#include <uemf.h>

using namespace Qt::StringLiterals;

namespace
{

constexpr quint32 kHeaderSize = 108; // base header + pixel format + micrometres

quint32 ColorRef(QRgb c)
{
    return quint32(qRed(c)) | quint32(qGreen(c)) << 8 | quint32(qBlue(c)) << 16;
}

} // namespace

TEmfRecorder::TEmfRecorder(QSize pageSize, int dpi, const QString &description)
    : FPageSize(pageSize.expandedTo(QSize(1, 1)))
    , FDpi(dpi > 0 ? dpi : 96)
{
    FHandleUsed.push_back(true);
    // The header is written now with placeholders that Finish fills in.
    const quint32 start = Begin(U_EMR_HEADER);
    for (int i = 0; i < 8; ++i)
        Put32(0); // bounds, frame
    Put32(0x464D4520);
    Put32(0x00010000);
    for (int i = 0; i < 3; ++i)
        Put32(0); // bytes, records, handles + reserved
    QString desc;
    if (!description.isEmpty())
        desc = u"LEVANTA"_s + QChar(0) + description + QChar(0) + QChar(0);
    Put32(static_cast<quint32>(desc.size()));
    Put32(desc.isEmpty() ? 0 : kHeaderSize);
    Put32(0); // palette entries
    // The reference device is the page itself; millimetres follow from the resolution.
    PutI32(FPageSize.width());
    PutI32(FPageSize.height());
    PutI32(static_cast<qint32>(std::lround(FPageSize.width() * 25.4 / FDpi)));
    PutI32(static_cast<qint32>(std::lround(FPageSize.height() * 25.4 / FDpi)));
    Put32(0); // pixel format size
    Put32(0); // pixel format offset
    Put32(0); // no OpenGL
    PutI32(static_cast<qint32>(std::lround(FPageSize.width() * 25400.0 / FDpi)));
    PutI32(static_cast<qint32>(std::lround(FPageSize.height() * 25400.0 / FDpi)));
    for (QChar c : desc) {
        const quint16 u = qToLittleEndian(c.unicode());
        FData.append(reinterpret_cast<const char *>(&u), 2);
    }
    End(start);
}

TEmfRecorder::~TEmfRecorder() = default;

quint32 TEmfRecorder::Begin(quint32 type)
{
    const auto start = static_cast<quint32>(FData.size());
    Put32(type);
    Put32(0);
    return start;
}

void TEmfRecorder::End(quint32 start)
{
    while (FData.size() % 4 != 0)
        FData.append('\0');
    const quint32 size = qToLittleEndian(static_cast<quint32>(FData.size()) - start);
    std::memcpy(FData.data() + start + 4, &size, 4);
    ++FRecords;
}

void TEmfRecorder::Put32(quint32 v)
{
    v = qToLittleEndian(v);
    FData.append(reinterpret_cast<const char *>(&v), 4);
}

void TEmfRecorder::PutRect(const QRect &r)
{
    PutI32(r.left());
    PutI32(r.top());
    PutI32(r.right());
    PutI32(r.bottom());
}

void TEmfRecorder::Simple(quint32 type, std::initializer_list<quint32> values)
{
    const quint32 start = Begin(type);
    for (quint32 v : values)
        Put32(v);
    End(start);
}

quint32 TEmfRecorder::NewHandle()
{
    for (quint32 i = 1; i < FHandleUsed.size(); ++i)
        if (!FHandleUsed[i]) {
            FHandleUsed[i] = true;
            return i;
        }
    FHandleUsed.push_back(true);
    FMaxHandle = std::max<quint32>(FMaxHandle, static_cast<quint32>(FHandleUsed.size() - 1));
    return static_cast<quint32>(FHandleUsed.size() - 1);
}

void TEmfRecorder::FreeHandle(quint32 h)
{
    if (h > 0 && h < FHandleUsed.size())
        FHandleUsed[h] = false;
}

void TEmfRecorder::Select(quint32 h)
{
    Simple(U_EMR_SELECTOBJECT, { h });
}

void TEmfRecorder::Delete(quint32 h)
{
    if (h == 0)
        return;
    Simple(U_EMR_DELETEOBJECT, { h });
    FreeHandle(h);
}

void TEmfRecorder::Touch(const QRect &r)
{
    const QRect n = r.normalized();
    if (n.isEmpty())
        return;
    FBounds = FBounds.isNull() ? n : FBounds.united(n);
}

// Objects are created when first needed and replaced when they change; the previous one is
// deleted only after its successor is selected, so the DC never holds a deleted object.
void TEmfRecorder::UseBrush(QRgb rgb)
{
    if (FBrushColor == rgb)
        return;
    const quint32 h = NewHandle();
    const quint32 start = Begin(U_EMR_CREATEBRUSHINDIRECT);
    Put32(h);
    Put32(U_BS_SOLID);
    Put32(ColorRef(rgb));
    Put32(0);
    End(start);
    Select(h);
    Delete(FBrushHandle);
    FBrushHandle = h;
    FBrushColor = rgb;
}

void TEmfRecorder::UseNullPen()
{
    if (FNullPen)
        return;
    Select(U_NULL_PEN);
    FNullPen = true;
}

void TEmfRecorder::UsePen(QRgb rgb, int width)
{
    const auto want = std::make_pair(rgb, width);
    if (!FNullPen && FPen == want)
        return;
    if (FPen == want) {
        Select(FPenHandle);
    } else {
        const quint32 h = NewHandle();
        const quint32 start = Begin(U_EMR_CREATEPEN);
        Put32(h);
        Put32(U_PS_SOLID);
        PutI32(width);
        PutI32(0);
        Put32(ColorRef(rgb));
        End(start);
        Select(h);
        Delete(FPenHandle);
        FPenHandle = h;
        FPen = want;
    }
    FNullPen = false;
}

void TEmfRecorder::SelectFont(const TCanvasFont &font)
{
    if (font == FFont && !FFontDirty)
        return;
    FFont = font;
    FQFont = ToQFont(font, FDpi);
    FMetrics.emplace(FQFont);
    FFontDirty = false;
}

QSize TEmfRecorder::TextExtent(const QString &text) const
{
    if (!FMetrics)
        const_cast<TEmfRecorder *>(this)->SelectFont(FFont);
    return TextExtentOf(*FMetrics, text);
}

void TEmfRecorder::UseFont()
{
    if (!FMetrics)
        SelectFont(FFont);
    if (FRecordedFont == FFont)
        return;
    const quint32 h = NewHandle();
    const quint32 start = Begin(U_EMR_EXTCREATEFONTINDIRECTW);
    Put32(h);
    // LOGFONTW
    PutI32(-FontPixelHeight(FFont, FDpi));
    PutI32(0); // width
    PutI32(0); // escapement
    PutI32(0); // orientation
    PutI32(FFont.Bold ? U_FW_BOLD : U_FW_NORMAL);
    const quint32 flags = (FFont.Italic ? 1u : 0u) | (FFont.Underline ? 1u : 0u) << 8
        | (FFont.StrikeOut ? 1u : 0u) << 16 | quint32(FFont.CharSet) << 24;
    Put32(flags);
    Put32(0); // out precision, clip precision, quality, pitch and family
    auto putName = [this](const QString &name, int chars) {
        const QString cut = name.left(chars - 1);
        for (int i = 0; i < chars; ++i) {
            const quint16 u = qToLittleEndian(i < cut.size() ? cut.at(i).unicode() : quint16(0));
            FData.append(reinterpret_cast<const char *>(&u), 2);
        }
    };
    putName(FFont.Name, 32);
    // The panose form of the record: full name, style, then version fields and panose.
    putName(FFont.Name, 64);
    putName(QString(), 32);
    for (int i = 0; i < 6; ++i)
        Put32(0);
    for (int i = 0; i < 3; ++i)
        Put32(0); // panose (10 bytes) and padding
    End(start);
    Select(h);
    Delete(FFontHandle);
    FFontHandle = h;
    FRecordedFont = FFont;
}

void TEmfRecorder::FillRect(const QRect &r, const QColor &color)
{
    if (FFinished)
        return;
    const QRect n = r.normalized();
    if (n.isEmpty())
        return;
    UseBrush(color.rgb());
    UseNullPen();
    // A rectangle covers its right and bottom coordinates exclusively, and without a pen one
    // pixel less again: the box is stored one past the exclusive edge of n.
    const quint32 start = Begin(U_EMR_RECTANGLE);
    PutI32(n.left());
    PutI32(n.top());
    PutI32(n.left() + n.width() + 1);
    PutI32(n.top() + n.height() + 1);
    End(start);
    Touch(n);
}

void TEmfRecorder::Line(QPoint a, QPoint b, const QColor &color, int width)
{
    if (FFinished)
        return;
    UsePen(color.rgb(), std::max(width, 0));
    Simple(U_EMR_MOVETOEX, { quint32(a.x()), quint32(a.y()) });
    Simple(U_EMR_LINETO, { quint32(b.x()), quint32(b.y()) });
    const int w = std::max(width, 1);
    Touch(QRect(a, b).normalized().adjusted(-w / 2, -w / 2, w - w / 2, w - w / 2));
}

void TEmfRecorder::TextOut(QPoint at, const QString &text, const TTextStyle &style)
{
    if (FFinished || text.isEmpty())
        return;
    UseFont();
    const QRgb color = FFont.Color.rgb();
    if (FTextColor != color) {
        Simple(U_EMR_SETTEXTCOLOR, { ColorRef(color) });
        FTextColor = color;
    }
    const quint32 mode = style.Transparent ? U_TRANSPARENT : U_OPAQUE;
    if (FBkMode != mode) {
        Simple(U_EMR_SETBKMODE, { mode });
        FBkMode = mode;
    }
    if (!style.Transparent && FBkColor != style.Background.rgb()) {
        Simple(U_EMR_SETBKCOLOR, { ColorRef(style.Background.rgb()) });
        FBkColor = style.Background.rgb();
    }
    quint32 align = U_TA_TOP;
    switch (style.Align) {
    case TTextAlign::Left:
        align |= U_TA_LEFT;
        break;
    case TTextAlign::Right:
        align |= U_TA_RIGHT;
        break;
    case TTextAlign::Center:
        align |= U_TA_CENTER;
        break;
    }
    if (style.RightToLeft)
        align |= U_TA_RTLREADING;
    if (FTextAlign != align) {
        Simple(U_EMR_SETTEXTALIGN, { align });
        FTextAlign = align;
    }

    // Advances per UTF-16 unit from the cumulative caret positions of one shaping pass, so
    // that rounding never adds up and the string is exactly as wide as TextExtent says.
    const auto n = static_cast<quint32>(text.size());
    std::vector<quint32> dx(n);
    QTextLayout layout(text, FQFont);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    const long total = TextExtent(text).width();
    long previous = 0;
    for (quint32 i = 0; i < n; ++i) {
        // Distance from the caret before the first character works for either direction.
        const double caret = line.isValid()
            ? std::abs(line.cursorToX(static_cast<int>(i + 1)) - line.cursorToX(0))
            : 0.0;
        long x = i + 1 == n ? total : std::lround(caret);
        x = std::clamp(x, previous, total);
        dx[i] = static_cast<quint32>(x - previous);
        previous = x;
    }
    const QSize ext(static_cast<int>(previous), TextExtent(QString()).height());
    const TTextAlign a = style.Align;
    int left = at.x();
    if (a == TTextAlign::Right)
        left -= ext.width();
    else if (a == TTextAlign::Center)
        left -= ext.width() / 2;
    const QRect box(QPoint(left, at.y()), ext);

    const quint32 start = Begin(U_EMR_EXTTEXTOUTW);
    PutRect(box.isEmpty() ? QRect(0, 0, 0, 0) : box);
    Put32(U_GM_COMPATIBLE);
    const float scale = static_cast<float>(2540.0 / FDpi);
    quint32 s;
    std::memcpy(&s, &scale, 4);
    Put32(s);
    Put32(s);
    PutI32(at.x());
    PutI32(at.y());
    Put32(n);
    const quint32 offString = 76;
    const quint32 offDx = offString + ((n * 2 + 3) & ~3u);
    Put32(offString);
    Put32(style.RightToLeft ? U_ETO_RTLREADING : 0);
    PutRect(QRect(0, 0, 0, 0)); // no clip/opaque rectangle: the options ask for none
    Put32(offDx);
    for (QChar c : text) {
        const quint16 u = qToLittleEndian(c.unicode());
        FData.append(reinterpret_cast<const char *>(&u), 2);
    }
    while ((FData.size() - start) % 4 != 0)
        FData.append('\0');
    for (quint32 d : dx)
        Put32(d);
    End(start);
    Touch(box);
}

QByteArray TEmfRecorder::Finish()
{
    if (FFinished)
        return FData;
    // Leave the DC with stock objects so that every created object can be deleted.
    if (FFontHandle)
        Select(U_DEVICE_DEFAULT_FONT);
    if (FBrushHandle)
        Select(U_WHITE_BRUSH);
    if (FPenHandle && !FNullPen)
        Select(U_BLACK_PEN);
    Delete(FFontHandle);
    Delete(FBrushHandle);
    Delete(FPenHandle);
    FFontHandle = FBrushHandle = FPenHandle = 0;

    const quint32 start = Begin(U_EMR_EOF);
    Put32(0); // palette entries
    Put32(16); // palette offset
    Put32(20); // size of this record, for readers walking backwards
    End(start);
    FFinished = true;

    auto put = [this](int offset, qint32 v) {
        const quint32 u = qToLittleEndian(static_cast<quint32>(v));
        std::memcpy(FData.data() + offset, &u, 4);
    };
    const QRect b = FBounds.isNull() ? QRect(QPoint(0, 0), QPoint(-1, -1)) : FBounds;
    put(8, b.left());
    put(12, b.top());
    put(16, b.right());
    put(20, b.bottom());
    // The frame is the whole page in .01 mm, inclusive like every EMF rectangle.
    put(24, 0);
    put(28, 0);
    put(32, static_cast<qint32>(std::lround(FPageSize.width() * 2540.0 / FDpi)) - 1);
    put(36, static_cast<qint32>(std::lround(FPageSize.height() * 2540.0 / FDpi)) - 1);
    put(48, static_cast<qint32>(FData.size()));
    put(52, static_cast<qint32>(FRecords));
    put(56, static_cast<qint32>(FMaxHandle + 1)); // handle count; the reserved word stays 0
    return FData;
}

void TEmfRecorder::DrawPicture(const QRect &target, const QByteArray &emf)
{
    if (FFinished)
        return;
    CopyRecords(target, emf);
}

namespace
{

void PutXform(QByteArray &out, const QTransform &t)
{
    const float v[6] = { float(t.m11()), float(t.m12()), float(t.m21()), float(t.m22()),
        float(t.dx()), float(t.dy()) };
    for (float f : v) {
        quint32 u;
        std::memcpy(&u, &f, 4);
        u = qToLittleEndian(u);
        out.append(reinterpret_cast<const char *>(&u), 4);
    }
}

bool CreatesObject(quint32 type)
{
    switch (type) {
    case U_EMR_CREATEPEN:
    case U_EMR_CREATEBRUSHINDIRECT:
    case U_EMR_EXTCREATEFONTINDIRECTW:
    case U_EMR_CREATEPALETTE:
    case U_EMR_CREATECOLORSPACE:
    case U_EMR_CREATECOLORSPACEW:
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_EXTCREATEPEN:
        return true;
    default:
        return false;
    }
}

// Records whose handle field (at offset 8, or 24 for the region fills) names an object.
int HandleOffset(quint32 type)
{
    switch (type) {
    case U_EMR_SELECTOBJECT:
    case U_EMR_DELETEOBJECT:
    case U_EMR_SELECTPALETTE:
    case U_EMR_SETPALETTEENTRIES:
    case U_EMR_RESIZEPALETTE:
    case U_EMR_SETCOLORSPACE:
    case U_EMR_DELETECOLORSPACE:
        return 8;
    case U_EMR_FILLRGN:
    case U_EMR_FRAMERGN:
        return 24;
    default:
        return CreatesObject(type) ? 8 : -1;
    }
}

} // namespace

// A picture drawn into a picture: its records are copied behind a saved DC with fresh object
// handles, and its whole page-to-device mapping (world transform, map mode, window,
// viewport) is folded into world transforms that end in the placement on this page.
void TEmfRecorder::CopyRecords(const QRect &target, const QByteArray &emf)
{
    const QRect dst = target.normalized();
    // Validate everything first: a bad picture must not leave half a copy behind.
    {
        emf::TReader check(emf);
        emf::TRecord r;
        while (check.Next(r)) { }
    }
    emf::TReader reader(emf);
    const emf::THeader &h = reader.Header();
    // The picture's frame in its reference pixels goes onto dst.
    const QRectF frame = emf::FramePixels(h);
    if (frame.width() <= 0 || frame.height() <= 0 || dst.isEmpty())
        return;
    const QTransform place = QTransform::fromTranslate(-frame.left(), -frame.top())
        * QTransform::fromScale(dst.width() / frame.width(), dst.height() / frame.height())
        * QTransform::fromTranslate(dst.left(), dst.top());

    emf::TMappingState state;
    std::vector<emf::TMappingState> saved;
    std::vector<quint32> map(std::min<quint32>(h.Handles + 1, emf::kMaxHandles), 0);

    auto emitWorld = [&] {
        const quint32 start = Begin(U_EMR_SETWORLDTRANSFORM);
        PutXform(FData, state.Transform(h) * place);
        End(start);
    };
    Simple(U_EMR_SAVEDC, {});
    // The picture starts from a default DC, whatever this page had selected.
    Simple(U_EMR_SETTEXTCOLOR, { 0 });
    Simple(U_EMR_SETBKCOLOR, { 0xFFFFFF });
    Simple(U_EMR_SETBKMODE, { U_OPAQUE });
    Simple(U_EMR_SETTEXTALIGN, { 0 });
    Simple(U_EMR_SETPOLYFILLMODE, { U_ALTERNATE });
    Select(U_WHITE_BRUSH);
    Select(U_BLACK_PEN);
    Select(U_DEVICE_DEFAULT_FONT);
    Simple(U_EMR_SETMAPMODE, { U_MM_TEXT });
    emitWorld();

    emf::TRecord r;
    while (reader.Next(r)) {
        const quint32 type = r.Type();
        // The mapping never goes into the copy as such: it lands in the world transform.
        switch (state.Apply(r)) {
        case emf::TMappingState::apChanged:
            emitWorld();
            continue;
        case emf::TMappingState::apIgnored:
            continue;
        case emf::TMappingState::apNotMapping:
            break;
        }
        switch (type) {
        case U_EMR_EOF:
        case U_EMR_COMMENT: // EMF+ and private data would not survive the new context
        case U_EMR_SETMETARGN:
            continue;
        case U_EMR_SAVEDC:
            if (saved.size() >= emf::kMaxSaveDepth)
                continue;
            saved.push_back(state);
            break;
        case U_EMR_RESTOREDC: {
            // Kept relative, so that it never reaches the saves of the page around the copy.
            const std::optional<size_t> index = emf::RestoreIndex(r.I32(8), saved.size());
            if (!index)
                continue;
            const qint32 back = -static_cast<qint32>(saved.size() - *index);
            state = saved[*index];
            saved.resize(*index);
            Simple(U_EMR_RESTOREDC, { static_cast<quint32>(back) });
            continue;
        }
        case U_EMR_EXTSELECTCLIPRGN: {
            // The region is in device units: move its rectangles with the placement.
            QByteArray copy(reinterpret_cast<const char *>(r.Data()), r.Size());
            const quint32 cb = r.U32(8);
            if (cb >= 32 && r.Has(16, cb)) {
                const quint32 count = r.U32(16 + 8);
                r.NeedArray(48, count, 16);
                for (quint32 i = 0; i <= count; ++i) {
                    const quint32 off = i == 0 ? 16 + 16 : 48 + (i - 1) * 16;
                    qint32 l, t, rr, b;
                    r.Rect(off, l, t, rr, b);
                    const QRect m
                        = place.mapRect(QRectF(QPointF(l, t), QPointF(rr, b))).toAlignedRect();
                    const qint32 v[4]
                        = { m.left(), m.top(), m.left() + m.width(), m.top() + m.height() };
                    for (int k = 0; k < 4; ++k) {
                        const quint32 u = qToLittleEndian(static_cast<quint32>(v[k]));
                        std::memcpy(copy.data() + off + 4 * k, &u, 4);
                    }
                }
            }
            FData.append(copy);
            ++FRecords;
            continue;
        }
        default:
            break;
        }

        QByteArray copy(reinterpret_cast<const char *>(r.Data()), r.Size());
        const int hoff = HandleOffset(type);
        if (hoff >= 0) {
            const quint32 inner = r.U32(hoff);
            if ((inner & U_STOCK_OBJECT) == 0) {
                if (inner == 0 || inner >= map.size())
                    continue; // names no object of the picture
                if (CreatesObject(type)) {
                    if (map[inner] != 0)
                        Delete(map[inner]);
                    map[inner] = NewHandle();
                } else if (map[inner] == 0) {
                    continue;
                }
                const quint32 outer = qToLittleEndian(map[inner]);
                std::memcpy(copy.data() + hoff, &outer, 4);
                if (type == U_EMR_DELETEOBJECT || type == U_EMR_DELETECOLORSPACE) {
                    FreeHandle(map[inner]);
                    map[inner] = 0;
                }
            }
        }
        FData.append(copy);
        ++FRecords;
    }
    Simple(U_EMR_RESTOREDC, { static_cast<quint32>(-static_cast<qint32>(saved.size() + 1)) });
    for (quint32 &m : map)
        if (m != 0) {
            Delete(m);
            m = 0;
        }
    Touch(dst);
}
