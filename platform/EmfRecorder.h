#pragma once
// A canvas that records what is drawn on it as an enhanced metafile (EMF): the page picture
// of a previewed page. The bytes are a complete .emf image that any EMF reader accepts.

#include "platform/Canvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <optional>
#include <vector>

class TEmfRecorder : public ICanvas
{
public:
    // A page of pageSize device pixels at dpi pixels per inch (the reference resolution, for a
    // preview page the screen's logical dpi). description is stored in the header.
    TEmfRecorder(QSize pageSize, int dpi, const QString &description = QString());
    ~TEmfRecorder() override;

    int Dpi() const override { return FDpi; }
    QSize PageSize() const override { return FPageSize; }
    void SelectFont(const TCanvasFont &font) override;
    const TCanvasFont &Font() const override { return FFont; }
    QSize TextExtent(const QString &text) const override;
    void FillRect(const QRect &r, const QColor &color) override;
    void TextOut(QPoint at, const QString &text, const TTextStyle &style = {}) override;
    void Line(QPoint a, QPoint b, const QColor &color, int width = 1) override;
    // Copies the picture's drawing records into this one, placed into target.
    void DrawPicture(const QRect &target, const QByteArray &emf) override;

    // Ends the picture and returns its bytes; the recorder takes no drawing afterwards
    // (later calls return the same bytes).
    QByteArray Finish();
    // Number of records written so far, the header included.
    quint32 RecordCount() const { return FRecords; }

private:
    class TWriter;
    quint32 Begin(quint32 type);
    void End(quint32 start);
    void Put32(quint32 v);
    void PutI32(qint32 v) { Put32(static_cast<quint32>(v)); }
    void PutRect(const QRect &r); // inclusive-inclusive, as EMF rectangles are stored
    void Simple(quint32 type, std::initializer_list<quint32> values);

    quint32 NewHandle();
    void FreeHandle(quint32 h);
    void Select(quint32 h);
    void Delete(quint32 h);
    void UseBrush(QRgb rgb);
    void UseNullPen();
    void UsePen(QRgb rgb, int width);
    void UseFont();
    void Touch(const QRect &deviceRect);
    void CopyRecords(const QRect &target, const QByteArray &emf);

    QSize FPageSize;
    int FDpi;
    QByteArray FData;
    quint32 FRecords = 0;
    bool FFinished = false;
    std::vector<bool> FHandleUsed; // index 0 is the metafile itself
    quint32 FMaxHandle = 0;
    QRect FBounds;

    TCanvasFont FFont;
    QFont FQFont;
    std::optional<QFontMetricsF> FMetrics;
    bool FFontDirty = true;
    quint32 FFontHandle = 0;
    std::optional<TCanvasFont> FRecordedFont;

    std::optional<QRgb> FBrushColor;
    quint32 FBrushHandle = 0;
    bool FNullPen = false;
    std::optional<std::pair<QRgb, int>> FPen;
    quint32 FPenHandle = 0;
    std::optional<QRgb> FTextColor;
    std::optional<QRgb> FBkColor;
    std::optional<quint32> FBkMode;
    std::optional<quint32> FTextAlign;
};
