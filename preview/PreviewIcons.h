#pragma once
// The preview tool bar's icons, drawn for this program as vector paths on a 16-unit grid, so
// that they are sharp at any size and device pixel ratio: straight strokes sit on pixel
// centres at 1x and cover whole pixels at 2x.

#include <QIcon>
#include <QRectF>

#include <functional>

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

// Draws a picture into the 16-unit design square; disabled asks for its disabled look.
using TQRIconPaint = std::function<void(QPainter &painter, bool disabled)>;
// An icon that paint draws anew at each size and device pixel ratio, centred in the
// rectangle asked for and never stretched.
QIcon QRVectorIcon(TQRIconPaint paint);

// The tool bar's icon index; a disabled icon is drawn in greys.
QIcon QRPreviewIcon(int index);
// The glyph of the zoom menu's button.
QIcon QRZoomMenuGlyph();
