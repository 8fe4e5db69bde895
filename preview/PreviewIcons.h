#pragma once
// The preview tool bar's icons, drawn for this program as vector paths on a 16-unit grid, so
// that they are sharp at any size and device pixel ratio: straight strokes sit on pixel
// centres at 1x and cover whole pixels at 2x.

#include <QIcon>
#include <QRectF>

class QPainter;

// Icon index, in the order the tool bar refers to them.
enum TQRPreviewIconIndex : int {
    qiZoomFit,
    qiZoom100,
    qiZoomToWidth,
    qiFirstPage,
    qiPreviousPage,
    qiNextPage,
    qiLastPage,
    qiPrintSetup,
    qiPrint,
    qiLoad,
    qiSave,
    qiFind,
    qiGotoPage,
    qiStop,
    qiCopy,
    qiThumbnails,
    qiSearchResults,
    qiZoomIn,
    qiSendMail,
    QRPreviewIconCount
};

// Draws icon index into rect; a disabled icon is drawn in greys.
void QRPaintPreviewIcon(QPainter &painter, int index, const QRectF &rect, bool disabled = false);
QIcon QRPreviewIcon(int index);
// The glyph of the zoom menu's button.
QIcon QRZoomMenuGlyph();
