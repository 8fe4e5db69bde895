#include "preview/QRPreviewLogic.h"

#include "platform/Rounding.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdint>

using namespace Qt::StringLiterals;

// --- Zoom arithmetic ------------------------------------------------------------------------

int QRPreviewPixels(long double native, int pixelsPerInch)
{
    return static_cast<int>(RoundHalfEven(native * pixelsPerInch / 254.0L));
}

QSize QRPreviewImageSize(
    long double paperWidth, long double paperLength, int zoom, int pixelsPerInch)
{
    return { QRPreviewPixels(paperWidth / 100 * zoom, pixelsPerInch) + 4,
        QRPreviewPixels(paperLength / 100 * zoom, pixelsPerInch) + 4 };
}

int QRPreviewImageOffset(int view, int picture)
{
    return picture < view ? (view - picture) / 2 : 0;
}

namespace
{

// A zoom as a percentage of the view, 0 (refused by the view) when the page is empty or the
// result would not fit an int.
int ZoomShare(int view, int page, int percent)
{
    if (page <= 0)
        return 0;
    const std::int64_t z = RoundHalfEven(static_cast<long double>(view) / page * percent);
    return z > 0 && z < 100000 ? static_cast<int>(z) : 0;
}

} // namespace

int QRZoomToWidthValue(int viewWidth, long double paperWidth, int pixelsPerInch)
{
    return ZoomShare(viewWidth, QRPreviewPixels(paperWidth, pixelsPerInch), 90);
}

int QRZoomToFitValue(int viewWidth, int viewHeight, long double paperWidth, long double paperLength,
    int pixelsPerInch)
{
    return std::min(ZoomShare(viewWidth, QRPreviewPixels(paperWidth, pixelsPerInch), 95),
        ZoomShare(viewHeight, QRPreviewPixels(paperLength, pixelsPerInch), 95));
}

// --- Go to page -----------------------------------------------------------------------------

int QRGotoPageResult(const QString &entry, int pageCount)
{
    // Read as a whole number as far as the text reads as one, like the run-time's Val:
    // leading blanks, a sign, then digits up to the first other character.
    qsizetype i = 0;
    while (i < entry.size() && (entry[i] == u' ' || entry[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < entry.size() && (entry[i] == u'+' || entry[i] == u'-'))
        negative = entry[i++] == u'-';
    std::int64_t value = 0;
    for (; i < entry.size() && entry[i] >= u'0' && entry[i] <= u'9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (entry[i].unicode() - u'0'), INT32_MAX + 1LL);
    if (negative)
        value = -value;
    return value < 1 || value > pageCount ? 1 : static_cast<int>(value);
}

// --- Save types ------------------------------------------------------------------------------

QString QRDefaultSaveExtension(TQRSaveType type)
{
    switch (type) {
    case stQRP:
        return u".QRP"_s;
    case stPDF:
        return u".PDF"_s;
    case stXL:
        return u".XLS"_s;
    case stHTML:
        return u".HTML"_s;
    case stRTF:
        return u".RTF"_s;
    case stCSV:
        return u".CSV"_s;
    case stASCII:
        return u".TXT"_s;
    case stXML:
        return u".XML"_s;
    }
    return u".QRP"_s;
}

std::vector<TQRFileType> QRSaveFileTypes(
    TQRSaveType defaultType, const std::vector<TQRExportFilterClass> &filters)
{
    const QString ext = QRDefaultSaveExtension(defaultType);
    std::vector<TQRFileType> types { { ext, u"*"_s + ext },
        { u"Velvana file(*.QRP)"_s, u"*.QRP"_s } };
    for (const TQRExportFilterClass &f : filters)
        types.push_back({ f.Name + u" (*."_s + f.Extension + u")"_s, u"*."_s + f.Extension });
    return types;
}

namespace
{

QString DialogFilterEntry(const TQRFileType &type)
{
    // Qt reads the pattern from the last parenthesis; a description that already ends in it
    // is shown as it is.
    const QString tail = u"("_s + type.Pattern + u")"_s;
    return type.Description.endsWith(tail) ? type.Description : type.Description + u" "_s + tail;
}

} // namespace

QString QRFileDialogFilter(const std::vector<TQRFileType> &types)
{
    QStringList entries;
    for (const TQRFileType &t : types)
        entries << DialogFilterEntry(t);
    return entries.join(u";;"_s);
}

QString QRDotRule(const QString &ext)
{
    return ext.startsWith(u'.') ? ext.mid(1, 3) : ext;
}

TQRSaveTarget QRSaveTargetFor(const QString &chosenName, int typeEntry, TQRSaveType defaultType,
    const std::vector<TQRExportFilterClass> &filters)
{
    // The extension as the run-time's ExtractFileExt gives it: from the last dot of the
    // last path element, dot included.
    const qsizetype slash = std::max(chosenName.lastIndexOf(u'/'), chosenName.lastIndexOf(u'\\'));
    const qsizetype dot = chosenName.lastIndexOf(u'.');
    QString ext = dot > slash ? chosenName.mid(dot).toUpper() : QString();
    const bool append = ext.isEmpty();
    if (append) {
        const auto k = static_cast<std::size_t>(std::max(typeEntry, 1));
        if (k == 2)
            ext = u"QRP"_s;
        else if (k >= 3 && k - 2 <= filters.size())
            ext = filters[k - 3].Extension.toUpper();
        else
            ext = QRDefaultSaveExtension(defaultType);
    }
    ext = QRDotRule(ext);
    return { append ? chosenName + u"."_s + ext : chosenName, ext };
}
