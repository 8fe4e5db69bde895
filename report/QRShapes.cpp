#include "report/QRShapes.h"

#include "report/QRExport.h"

namespace
{

struct TPlaced {
    long double L, T, W, H;
};

TPlaced PlacedOf(const TQRPrintable &p, long double offsetX, long double offsetY)
{
    const TQRPrintableSize &s = p.Size();
    return { s.NativeValue(TQRPrintableSize::LeftIndex) + offsetX,
        s.NativeValue(TQRPrintableSize::TopIndex) + offsetY,
        s.NativeValue(TQRPrintableSize::WidthIndex), s.NativeValue(TQRPrintableSize::HeightIndex) };
}

} // namespace

void QRDrawNativeRects(
    TQRPrintable &printable, const std::vector<TQRNativeRect> &rects, const QColor &color)
{
    TCustomQuickRep *report = printable.ParentReport();
    if (report && !report->FinalPass())
        return;
    if (TQRExportFilter *filter = report ? report->ExportFilter() : nullptr) {
        for (const TQRNativeRect &r : rects)
            filter->AcceptRect(r.Left, r.Top, r.Width, r.Height, color);
        return;
    }
    TQRPrinter *printer = printable.QRPrinter();
    ICanvas *canvas = printer ? printer->Canvas() : nullptr;
    if (!canvas)
        return;
    for (const TQRNativeRect &r : rects) {
        // Both edges rounded, never the size: a run of rectangles stays gapless.
        const int l = printer->XPos(r.Left), t = printer->YPos(r.Top);
        int rr = printer->XPos(r.Left + r.Width), b = printer->YPos(r.Top + r.Height);
        if (rr <= l)
            rr = l + 1; // a hairline still shows
        if (b <= t)
            b = t + 1;
        canvas->FillRect(QRect(l, t, rr - l, b - t), color);
    }
}

// --- TQRShape ------------------------------------------------------------------------------

TQRShape::TQRShape(TQRControl *parent)
    : TQRPrintable(parent)
{
}

std::vector<TQRNativeRect> TQRShape::Strokes(
    long double l, long double t, long double w, long double h) const
{
    const long double p
        = FPenWidth < 0 ? 254.0L / 96 : static_cast<long double>(FPenWidth) / 72 * 254;
    std::vector<TQRNativeRect> out;
    if (FPenWidth == 0)
        return out;
    const TQRNativeRect top { l, t, w, p }, bottom { l, t + h - p, w, p }, left { l, t, p, h },
        right { l + w - p, t, p, h };
    switch (FShape) {
    case qrsRectangle:
        out = { top, bottom, left, right };
        break;
    case qrsHorLine:
        out = { { l, t + (h - p) / 2, w, p } };
        break;
    case qrsVertLine:
        out = { { l + (w - p) / 2, t, p, h } };
        break;
    case qrsTopAndBottom:
        out = { top, bottom };
        break;
    case qrsRightAndLeft:
        out = { left, right };
        break;
    }
    return out;
}

void TQRShape::PrintAt(long double offsetX, long double offsetY)
{
    if (!PrinterToPrintOn())
        return;
    const TPlaced at = PlacedOf(*this, offsetX, offsetY);
    QRDrawNativeRects(*this, Strokes(at.L, at.T, at.W, at.H), FPenColor);
}

// --- TQRModuleMatrix -----------------------------------------------------------------------

TQRModuleMatrix::TQRModuleMatrix(TQRControl *parent)
    : TQRPrintable(parent)
{
}

void TQRModuleMatrix::SetModules(int count, std::vector<std::uint8_t> dark)
{
    if (count <= 0 || dark.size() != static_cast<size_t>(count) * count) {
        FCount = 0;
        FDark.clear();
        return;
    }
    FCount = count;
    FDark = std::move(dark);
}

bool TQRModuleMatrix::Dark(int row, int column) const
{
    if (row < 0 || column < 0 || row >= FCount || column >= FCount)
        return false;
    return FDark[static_cast<size_t>(row) * FCount + column] != 0;
}

long double TQRModuleMatrix::ModuleSize(long double w) const
{
    const int span = FCount + 2 * FQuietZone;
    return span > 0 ? w / span : 0;
}

std::vector<TQRNativeRect> TQRModuleMatrix::Runs(long double l, long double t, long double w) const
{
    std::vector<TQRNativeRect> out;
    const long double m = ModuleSize(w);
    const long double x0 = l + FQuietZone * m, y0 = t + FQuietZone * m;
    for (int row = 0; row < FCount; ++row) {
        for (int c = 0; c < FCount;) {
            if (!Dark(row, c)) {
                ++c;
                continue;
            }
            const int start = c;
            while (c < FCount && Dark(row, c))
                ++c;
            // Edges from module numbers, so that runs of neighbouring rows line up exactly.
            out.push_back({ x0 + start * m, y0 + row * m, (c - start) * m, m });
        }
    }
    return out;
}

void TQRModuleMatrix::PrintAt(long double offsetX, long double offsetY)
{
    TQRPrinter *printer = PrinterToPrintOn();
    if (!printer)
        return;
    const TPlaced at = PlacedOf(*this, offsetX, offsetY);
    TCustomQuickRep *report = ParentReport();
    const bool exporting = report && report->ExportFilter();
    // The quiet zone must be light whatever lies beneath.
    if (!Transparent() && !exporting && printer->Canvas() && (!report || report->FinalPass())) {
        const long double side = at.W;
        const int l = printer->XPos(at.L), t = printer->YPos(at.T);
        printer->Canvas()->FillRect(
            QRect(l, t, printer->XPos(at.L + side) - l, printer->YPos(at.T + side) - t), Color());
    }
    QRDrawNativeRects(*this, Runs(at.L, at.T, at.W), FModuleColor);
}
