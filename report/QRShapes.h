#pragma once
// Printables that draw filled rectangles only: ruled lines and boxes, and a matrix of square
// modules (a 2-D symbol). Each is a list of exact rectangles in native units, which a run
// fills on its canvas (edges rounded to device pixels, so neighbours meet without a gap) or
// hands to its export filter unrounded: one drawing for every canvas and for the PDF.

#include "report/QuickRpt.h"

#include <cstdint>
#include <vector>

enum TShapeType : int { qrsRectangle, qrsHorLine, qrsVertLine, qrsTopAndBottom, qrsRightAndLeft };

// A rectangle in native units.
struct TQRNativeRect {
    long double Left = 0, Top = 0, Width = 0, Height = 0;
};

class TQRShape : public TQRPrintable
{
public:
    explicit TQRShape(TQRControl *parent = nullptr);

    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType v) { FShape = v; }
    // Pen width in points; -1 is a hairline of one pixel at the screen's resolution.
    int PenWidth() const { return FPenWidth; }
    void SetPenWidth(int v) { FPenWidth = v; }
    const QColor &PenColor() const { return FPenColor; }
    void SetPenColor(const QColor &v) { FPenColor = v; }

    // The strokes of the shape placed at l, t with size w, h (native units).
    std::vector<TQRNativeRect> Strokes(
        long double l, long double t, long double w, long double h) const;
    void PrintAt(long double offsetX, long double offsetY) override;

private:
    TShapeType FShape = qrsRectangle;
    int FPenWidth = 1;
    QColor FPenColor = QColor(0, 0, 0);
};

// A square symbol of Count × Count modules (dark or light), drawn across the printable's
// width with QuietZone light modules on each side; the module is Width / (Count + 2 ×
// QuietZone) native units. Dark modules of a row are drawn as one rectangle per run.
class TQRModuleMatrix : public TQRPrintable
{
public:
    explicit TQRModuleMatrix(TQRControl *parent = nullptr);

    int Count() const { return FCount; }
    // dark holds Count × Count bytes, row by row from the top; non-zero is dark. A size that
    // does not match leaves the matrix empty.
    void SetModules(int count, std::vector<std::uint8_t> dark);
    bool Dark(int row, int column) const;
    int QuietZone() const { return FQuietZone; }
    void SetQuietZone(int v) { FQuietZone = v < 0 ? 0 : v; }
    const QColor &ModuleColor() const { return FModuleColor; }
    void SetModuleColor(const QColor &v) { FModuleColor = v; }

    // Module edge in native units for a printable of width w.
    long double ModuleSize(long double w) const;
    // The dark runs for the matrix placed at l, t in a printable of width w (native units).
    std::vector<TQRNativeRect> Runs(long double l, long double t, long double w) const;
    void PrintAt(long double offsetX, long double offsetY) override;

private:
    int FCount = 0;
    std::vector<std::uint8_t> FDark;
    int FQuietZone = 4;
    QColor FModuleColor = QColor(0, 0, 0);
};

// Fills the rectangles on the run's canvas, or hands them to its export filter.
void QRDrawNativeRects(
    TQRPrintable &printable, const std::vector<TQRNativeRect> &rects, const QColor &color);
