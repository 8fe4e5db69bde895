#pragma once
// What a preview may add to a page on screen only: a picture under the page and values the
// user moves with the mouse. None of it is in the recorded page, so none of it reaches a
// print, a saved report or a PDF. The program implements it; the preview asks.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

class IQRPreviewOverlay
{
public:
    virtual ~IQRPreviewOverlay() = default;

    // The picture drawn under the page, stretched over the whole paper; null for none.
    virtual QImage Backdrop() const = 0;
    // Its opacity, 0 (invisible) to 1.
    virtual qreal BackdropOpacity() const = 0;

    // The movable value under a point of the paper (native units from its top left corner),
    // -1 for none; its box on the paper as the last run drew it.
    virtual int ItemAt(QPointF paperPoint) const = 0;
    virtual QRectF ItemRect(int item) const = 0;
    // A drag: BeginMove when the button goes down on the item, MoveBy with the whole way
    // from there (native units) at every step. The result tells where the item is now; the
    // preview then runs the report again to show it there.
    virtual void BeginMove(int item) = 0;
    virtual QString MoveBy(int item, QPointF delta) = 0;
};
