#pragma once
// Export filters: an export run hands the filter its pages and every printed text line
// instead of drawing them, and the filter writes its own file. Filters register their class
// in the process-wide library, by which the preview's save offers them.

#include "report/QRControl.h"

#include <QColor>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TQRPrinter;

enum TAlignment : int { taLeftJustify, taRightJustify, taCenter };

class TQRExportFilter
{
public:
    explicit TQRExportFilter(const QString &fileName)
        : FFileName(fileName)
    {
    }
    virtual ~TQRExportFilter() = default;

    const QString &FileName() const { return FFileName; }
    bool Active() const { return FActive; }
    // The run printer of the export run; set before Start.
    TQRPrinter *Printer() const { return FPrinter; }
    void SetPrinter(TQRPrinter *printer) { FPrinter = printer; }

    // Paper width and height in whole tenths of a millimetre.
    virtual void Start(int /*paperWidth*/, int /*paperHeight*/, const TQRFont & /*font*/)
    {
        FActive = true;
    }
    virtual void NewPage() { }
    virtual void EndPage() { }
    // One printed text line: X and Y in native units, X belonging to the line's alignment.
    virtual void TextOut(long double x, long double y, const TQRFont &font,
        const QColor &background, TAlignment alignment, const QString &text)
        = 0;
    // A filled rectangle in native units, kept exact (a frame's side, a ruled line, the
    // modules of a matrix symbol). A filter that draws no graphics ignores it.
    virtual void AcceptRect(long double /*x*/, long double /*y*/, long double /*w*/,
        long double /*h*/, const QColor & /*color*/)
    {
    }
    virtual void Finish() { FActive = false; }

private:
    QString FFileName;
    bool FActive = false;
    TQRPrinter *FPrinter = nullptr;
};

struct TQRExportFilterClass {
    QString Name;
    QString Extension;
    QString Description;
    std::function<std::unique_ptr<TQRExportFilter>(const QString &fileName)> Create;
};

// The process-wide list of export filter classes, in registration order.
class TQRExportFilterLibrary
{
public:
    static void Add(TQRExportFilterClass filter);
    static void Remove(const QString &name);
    static const std::vector<TQRExportFilterClass> &Filters();
    // The filter whose extension is ext, compared without regard to case; null when none.
    static const TQRExportFilterClass *ByExtension(const QString &ext);
};
