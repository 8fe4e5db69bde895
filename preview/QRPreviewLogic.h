#pragma once
// The preview's pure arithmetic, apart from its windows: zoom and picture sizes, the go-to-page
// entry, and the save dialog's file types and target. Tested by itself, with no widget.

#include "report/QRExport.h"
#include "report/QuickRpt.h"

#include <QSize>
#include <QString>

#include <vector>

// --- Zoom arithmetic ------------------------------------------------------------------------
// Native units to preview pixels at pixelsPerInch, rounded half to even.
int QRPreviewPixels(long double native, int pixelsPerInch);
// The picture control's size for a page of paperWidth x paperLength native units at zoom
// percent; the 4 extra pixels hold the frame and the shadow.
QSize QRPreviewImageSize(
    long double paperWidth, long double paperLength, int zoom, int pixelsPerInch);
// Where a picture of size picture starts in a view of size view: centred when it is
// narrower, else at 0.
int QRPreviewImageOffset(int view, int picture);
// The zoom that fits the page width into 90 % of the view; 0 when the page has no width.
int QRZoomToWidthValue(int viewWidth, long double paperWidth, int pixelsPerInch);
// The zoom that fits the whole page into 95 % of the view's limiting dimension.
int QRZoomToFitValue(int viewWidth, int viewHeight, long double paperWidth, long double paperLength,
    int pixelsPerInch);
// Zooms the page view accepts.
inline bool QRZoomAllowed(int zoom)
{
    return zoom >= 2 && zoom <= 2000;
}

// --- Go to page -----------------------------------------------------------------------------
// The page an entry of the go-to-page box selects: the whole number the entry begins with;
// anything below 1 or above pageCount selects page 1.
int QRGotoPageResult(const QString &entry, int pageCount);

// --- Save types ------------------------------------------------------------------------------
struct TQRFileType {
    QString Description;
    QString Pattern;
    bool operator==(const TQRFileType &) const = default;
};
// ".QRP", ".PDF", ... for a report's default save type.
QString QRDefaultSaveExtension(TQRSaveType type);
// The save dialog's file types: the default type, the saved report file, then one per
// registered export filter in registration order.
std::vector<TQRFileType> QRSaveFileTypes(
    TQRSaveType defaultType, const std::vector<TQRExportFilterClass> &filters);
// The types as the dialog seam takes them ("description (pattern)" joined by ";;").
QString QRFileDialogFilter(const std::vector<TQRFileType> &types);
// A leading dot is dropped and at most three characters stay (".HTML" -> "HTM").
QString QRDotRule(const QString &ext);
struct TQRSaveTarget {
    QString FileName;
    QString Ext; // upper case, no dot: "QRP" saves the pages, anything else names a filter
    bool operator==(const TQRSaveTarget &) const = default;
};
// What a save writes for the name the user chose and the file type entry (1-based) that
// was selected: the name's own extension wins; without one the entry's is appended.
TQRSaveTarget QRSaveTargetFor(const QString &chosenName, int typeEntry, TQRSaveType defaultType,
    const std::vector<TQRExportFilterClass> &filters);
