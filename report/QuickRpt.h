#pragma once
// The report object model: a report owns its page and its bands, a band owns its
// printables. Each of them owns a geometry object that stores native values and keeps the
// design-surface pixel bounds in step with them. The generation run, label drawing and the
// printer come on top of these classes; what they need to hook into is virtual.

#include "platform/Locale.h"
#include "platform/TextMetrics.h"
#include "report/QRControl.h"
#include "report/QRExport.h"
#include "report/QRPaper.h"
#include "report/QRPreviewOverlay.h"
#include "report/QRPrntr.h"
#include "report/QRUnits.h"

#include <QPointF>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QEventLoop;
class TCustomQuickRep;
class TQRCustomBand;
class TQRPrintable;

enum TQRBandType : int {
    rbTitle,
    rbPageHeader,
    rbDetail,
    rbPageFooter,
    rbSummary,
    rbGroupHeader,
    rbGroupFooter,
    rbSubDetail,
    rbColumnHeader,
    rbOverlay,
    rbWild,
    rbChild,
};

enum TPenStyle : int {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame,
    psUserStyle,
    psAlternate,
};

// The frame a band, a printable or the report draws around itself.
class TQRFrame
{
public:
    explicit TQRFrame(TQRControl *parent = nullptr)
        : FParent(parent)
    {
    }
    QColor Color() const { return FColor; }
    void SetColor(const QColor &v) { FColor = v; }
    bool DrawTop() const { return FTop; }
    void SetDrawTop(bool v) { FTop = v; }
    bool DrawBottom() const { return FBottom; }
    void SetDrawBottom(bool v) { FBottom = v; }
    bool DrawLeft() const { return FLeft; }
    void SetDrawLeft(bool v) { FLeft = v; }
    bool DrawRight() const { return FRight; }
    void SetDrawRight(bool v) { FRight = v; }
    TPenStyle Style() const { return FPenStyle; }
    void SetStyle(TPenStyle v) { FPenStyle = v; }
    // Line thickness in points; -1 is one device pixel.
    int Width() const { return FWidth; }
    void SetWidth(int v) { FWidth = v; }
    // Present when at least one side is on.
    bool AnyFrame() const { return FTop || FBottom || FLeft || FRight; }
    // Fills each side that is on as a solid rectangle inside r (device pixels); xFactor and
    // yFactor are the run printer's device pixels per native unit.
    void DrawFrame(ICanvas &canvas, const QRect &r, long double xFactor, long double yFactor) const;
    // The same sides handed to an export filter, for the rectangle l, t, w, h (native units);
    // a width of -1 is one pixel at the screen resolution of an export run.
    void ExportFrame(
        TQRExportFilter &filter, long double l, long double t, long double w, long double h) const;

private:
    QColor FColor = QColor(0, 0, 0);
    bool FBottom = false;
    bool FLeft = false;
    TQRControl *FParent;
    TPenStyle FPenStyle = psSolid;
    bool FRight = false;
    bool FTop = false;
    int FWidth = 1;
};

// The preview window's zoom modes and initial states, and its actions as the report's
// OnStandPrevEvent names them.
enum TQRZoomState : int { qrZoomToFit, qrZoomToWidth, qrZoomOther, qrZoom100 };
enum TWindowState : int { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle : int { fsNormal, fsStayOnTop };
enum TQRSaveType : int { stQRP, stPDF, stXL, stHTML, stRTF, stCSV, stASCII, stXML };
enum TStandPrevEventType : int {
    spOpen,
    spClose,
    spCopy,
    spPrint,
    spPrintSetup,
    spLoad,
    spSave,
    spCancel
};
enum TQROption : int { FirstPageHeader, LastPageFooter, Compression };

// The report's page. Its seven float dimensions form one indexed family.
class TQRPage : public TQRUnitBase
{
public:
    enum : int {
        BottomMarginIndex = 0, // vertical
        LengthIndex = 1, // vertical
        TopMarginIndex = 2, // vertical
        WidthIndex = 3, // horizontal
        LeftMarginIndex = 4, // horizontal
        RightMarginIndex = 5, // horizontal
        ColumnSpaceIndex = 6, // horizontal
    };

    // A new page: U.S. measures give Inches, Letter and half-inch margins; metric gives MM,
    // A4 and 10 mm margins.
    TQRPage(TCustomQuickRep *parent, bool metric);

    long double BottomMargin() const { return Value(BottomMarginIndex); }
    void SetBottomMargin(long double v) { SetValue(BottomMarginIndex, v); }
    long double Length() const { return Value(LengthIndex); }
    void SetLength(long double v) { SetValue(LengthIndex, v); }
    long double TopMargin() const { return Value(TopMarginIndex); }
    void SetTopMargin(long double v) { SetValue(TopMarginIndex, v); }
    long double Width() const { return Value(WidthIndex); }
    void SetWidth(long double v) { SetValue(WidthIndex, v); }
    long double LeftMargin() const { return Value(LeftMarginIndex); }
    void SetLeftMargin(long double v) { SetValue(LeftMarginIndex, v); }
    long double RightMargin() const { return Value(RightMarginIndex); }
    void SetRightMargin(long double v) { SetValue(RightMarginIndex, v); }
    long double ColumnSpace() const { return Value(ColumnSpaceIndex); }
    void SetColumnSpace(long double v) { SetValue(ColumnSpaceIndex, v); }

    TQRPaperSize PaperSize() const { return FPaperSize; }
    // A named size lays its table dimensions out in the current orientation; Default and
    // Custom keep Width and Length.
    void SetPaperSize(TQRPaperSize v);
    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation v);
    int Columns() const { return FColumns; }
    void SetColumns(int v);
    bool Ruler() const { return FRuler; }
    void SetRuler(bool v);
    bool Continuous() const { return FContinuous; }
    void SetContinuous(bool v) { FContinuous = v; }
    std::uint8_t PrintOrder() const { return FPrintOrder; }
    void SetPrintOrder(std::uint8_t v);
    TCustomQuickRep *Parent() const { return FParent; }

    // Stored design data sets columns, orientation, paper size and the continuous flag
    // first and these Values last, so that they are not laid over by a paper size.
    void ReadValues(const std::vector<long double> &values) override;
    std::vector<long double> WriteValues() const override;
    void UpdateControlBounds() override;
    void SetUnits(TQRUnit unit) override;
    int DimensionCount() const override { return 7; }
    bool IsHorizontal(int index) const override { return index >= WidthIndex; }
    void SetNativeValue(int index, long double native) override;

private:
    long double *Field(int index);
    void LayoutBands();
    void RepaintReport();

    long double FBottomMargin = 0;
    long double FColumnSpace = 0;
    int FColumns = 1;
    long double FLeftMargin = 0;
    long double FLength = 0;
    TPrinterOrientation FOrientation = poPortrait;
    TQRPaperSize FPaperSize = TQRPaperSize::Default;
    std::uint8_t FPrintOrder = 0;
    long double FRightMargin = 0;
    bool FRuler = true;
    long double FTopMargin = 0;
    long double FWidth = 0;
    TCustomQuickRep *FParent;
    bool FContinuous = false;
};

// A band's Size: its height and width.
class TQRBandSize : public TQRUnitBase
{
public:
    enum : int { HeightIndex = 0, WidthIndex = 1 };

    explicit TQRBandSize(TQRCustomBand *parent);

    long double Height() const { return Value(HeightIndex); }
    void SetHeight(long double v) { SetValue(HeightIndex, v); }
    long double Width() const { return Value(WidthIndex); }
    void SetWidth(long double v) { SetValue(WidthIndex, v); }
    TQRCustomBand *Parent() const { return FParent; }

    void ReadValues(const std::vector<long double> &values) override;
    std::vector<long double> WriteValues() const override;
    void UpdateControlBounds() override;
    int DimensionCount() const override { return 2; }
    bool IsHorizontal(int index) const override { return index == WidthIndex; }
    void SetNativeValue(int index, long double native) override;

private:
    // The report this size belongs to, through its band or printable.
    TCustomQuickRep *Report() const;
    long double FWidth = 0;
    long double FLength = 0;
    TQRCustomBand *FParent;
};

// A printable's Size: Left and Top relative to the band's top-left corner.
class TQRPrintableSize : public TQRUnitBase
{
public:
    enum : int { HeightIndex = 0, LeftIndex = 1, TopIndex = 2, WidthIndex = 3 };

    explicit TQRPrintableSize(TQRPrintable *parent);

    long double Height() const { return Value(HeightIndex); }
    void SetHeight(long double v) { SetValue(HeightIndex, v); }
    long double Left() const { return Value(LeftIndex); }
    void SetLeft(long double v) { SetValue(LeftIndex, v); }
    long double Top() const { return Value(TopIndex); }
    void SetTop(long double v) { SetValue(TopIndex, v); }
    long double Width() const { return Value(WidthIndex); }
    void SetWidth(long double v) { SetValue(WidthIndex, v); }
    TQRPrintable *Parent() const { return FParent; }

    void ReadValues(const std::vector<long double> &values) override;
    std::vector<long double> WriteValues() const override;
    void UpdateControlBounds() override;
    int DimensionCount() const override { return 4; }
    bool IsHorizontal(int index) const override
    {
        return index == LeftIndex || index == WidthIndex;
    }
    void SetNativeValue(int index, long double native) override;

private:
    // The report this size belongs to, through its band or printable.
    TCustomQuickRep *Report() const;
    long double FHeight = 0;
    long double FLeft = 0;
    long double FTop = 0;
    long double FWidth = 0;
    TQRPrintable *FParent;
};

// The report control: its pixel size is the page's at the report's zoom.
class TCustomQuickRep : public TQRControl, public IQRUnitReport, public IQRPrintedReport
{
public:
    // Creation defaults follow the locale's measurement system; then the paper becomes the
    // one the default printer has selected (its paper code), Default when there is none.
    explicit TCustomQuickRep(
        const TFormatSettings &locale, std::optional<int> printerPaperCode = std::nullopt);
    ~TCustomQuickRep() override;

    TQRPage &Page() { return *FPage; }
    const TQRPage &Page() const { return *FPage; }
    TQuickRepPrinterSettings &PrinterSettings() { return *FPrinterSettings; }

    TQRUnit Units() const { return FPage->Units(); }
    // The page, every band's size and every printable take the unit.
    virtual void SetUnits(TQRUnit unit);
    int Zoom() const { return FZoom; }
    // 1 to 300 percent; anything else is ignored. Native values never change with zoom.
    virtual void SetZoom(int zoom);
    bool SnapToGrid() const { return FSnapToGrid; }
    void SetSnapToGrid(bool v) { FSnapToGrid = v; }
    // Bands hidden on the design surface are all placed at the page's bottom edge.
    bool HideBands() const { return FHideBands; }
    void SetHideBands(bool v);

    // Bands in layout order: by band type, a child band right after the band it hangs from.
    const std::vector<TQRCustomBand *> &BandList() const { return FBandList; }
    // Printables placed directly on the report (not on a band), in creation order.
    std::vector<TQRPrintable *> Printables() const;

    // Stored design data is applied between these two; bounds set meanwhile are only
    // remembered, and the design-surface layout waits for the end.
    void BeginLoading() { FLoading = true; }
    void EndLoading();
    bool Loading() const { return FLoading; }
    bool Destroying() const { return FDestroying; }
    bool LayingOut() const { return FLayingOut; }
    bool Modified() const { return FModified; }
    void SetModified(bool v) { FModified = v; }

    // How the Characters unit measures the report font; empty means the fixed stored cell.
    const TQRCharCellMetrics &CharCellMetrics() const { return FCharCellMetrics; }
    void SetCharCellMetrics(TQRCharCellMetrics f) { FCharCellMetrics = std::move(f); }
    const TQRFont &UnitFont() const override { return Font(); }
    const TQRCharCellMetrics &UnitCharCellMetrics() const override { return FCharCellMetrics; }
    TCustomQuickRep *PrintedReport() override { return this; }
    std::pair<long double, long double> PrintedPageNative() const override;
    std::optional<QPointF> CalibrationFor(const QString &printer, int trayCode) override
    {
        return OnCalibration ? OnCalibration(printer, trayCode) : std::nullopt;
    }
    bool MayPrintToDevice() override
    {
        bool print = true;
        if (BeforeDevicePrint)
            BeforeDevicePrint(this, print);
        return print;
    }
    void DoAfterPrint() override
    {
        if (AfterPrint)
            AfterPrint(this);
    }

    // Places the bands on the design surface from the page: left margin, stacked from the
    // top margin, full printable width or column width by band type.
    void LayoutBands();

    // Called by bands as they come, go or change type.
    void RegisterBand(TQRCustomBand *band);
    void UnregisterBand(TQRCustomBand *band);
    void SortBands();

    void Repaint() override;

    // --- Generation run ---
    TQuickRepPrinterSettings &UserPrinterSettings() { return *FUserPrinterSettings; }
    // Runs into recorded pages while a modeless preview shows them; returns when the
    // preview window has closed.
    void Preview();
    // Runs completely, then shows the preview modally.
    void PreviewModal();
    // Runs the report again into the open preview's pages (after a value was moved in it);
    // nothing without an open, finished preview.
    void RerunPreview();
    // Runs straight to the printer.
    void Print();
    // Runs into recorded pages without showing anything; the pages stay with QRPrinter().
    void Prepare();
    // Runs once more with filter as the export target.
    void ExportToFilter(TQRExportFilter *filter);
    // The print dialog; Tag() tells 1 when the user cancelled, 0 after OK.
    void PrinterSetup();
    void Cancel();
    void CreateReport();
    void PrintBand(TQRCustomBand *band);
    void NewPage();
    void NewColumn();
    void EndPage();
    long double AvailableSpace() const;
    // Starts a new page or column unless band fits where the run stands.
    void MakeSpace(TQRCustomBand *band);
    // The preview window tells the report that it closed: the run printer goes.
    void PreviewClosed(TQRPrinter *printer);
    // Releases the run printer and its pages.
    void FreeQRPrinter();

    TQRPrinter *QRPrinter() const { return FQRPrinter.get(); }
    bool Available() const { return FAvailable; }
    bool Cancelled() const { return FCancelled; }
    bool FinalPass() const { return FFinalPass; }
    bool Exporting() const { return FExportFilter != nullptr; }
    TQRExportFilter *ExportFilter() const { return FExportFilter; }
    long double CurrentX() const { return FCurrentX; }
    long double CurrentY() const { return FCurrentY; }
    void SetCurrentY(long double v) { FCurrentY = v; }
    int PageCount() const { return FPagecount; }
    int CurrentColumn() const { return FCurrentColumn; }
    long double PageFooterSize() const { return FPageFooterSize; }
    const QString &ReportTitle() const { return FReportTitle; }
    void SetReportTitle(const QString &v) { FReportTitle = v; }
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool v) { FShowProgress = v; }
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool v) { FPrintIfEmpty = v; }
    bool HasOption(TQROption o) const { return (FOptions & (1u << o)) != 0; }
    void SetOption(TQROption o, bool on);
    // The code page an export writes this report's text in, when the report asks for one
    // (a report of Turkish text asks for "1254"); empty leaves the filter's own.
    const QString &ExportCodepage() const { return FExportCodepage; }
    void SetExportCodepage(const QString &v) { FExportCodepage = v; }
    QColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(const QColor &v) { FBackgroundColor = v; }
    TQRFrame &Frame() { return FFrame; }
    int Tag() const { return FTag; }
    void SetTag(int v) { FTag = v; }
    // The band of a role: the first band of that type in the band list, or null.
    TQRCustomBand *BandOfType(TQRBandType type) const;
    // The value of an expression constant ("PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE").
    QString Constant(const QString &name) const;

    // Text measuring on the screen-compatible reference context, in its pixels: the width
    // of the extent plus one pixel, and its height (0 when measuring fails).
    int TextWidth(const TQRFont &font, const QString &text) const;
    const ITextMetrics &TextMetrics() const;
    // The reference context (the screen's by default; tests pass a fixed resolution).
    void SetTextMetrics(std::shared_ptr<const ITextMetrics> metrics);
    int TextHeight(const TQRFont &font, const QString &text) const;

    // Preview properties (read by the preview window only).
    bool PrevShowThumbs() const { return FPrevShowThumbs; }
    void SetPrevShowThumbs(bool v) { FPrevShowThumbs = v; }
    bool PrevShowSearch() const { return FPrevShowSearch; }
    void SetPrevShowSearch(bool v) { FPrevShowSearch = v; }
    TQRZoomState PrevInitialZoom() const { return FPrevInitialZoom; }
    void SetPrevInitialZoom(TQRZoomState v) { FPrevInitialZoom = v; }
    TWindowState PreviewInitialState() const { return FPreviewInitialState; }
    void SetPreviewInitialState(TWindowState v) { FPreviewInitialState = v; }
    TFormStyle PrevFormStyle() const { return FPrevFormStyle; }
    void SetPrevFormStyle(TFormStyle v) { FPrevFormStyle = v; }
    TQRSaveType PreviewDefaultSaveType() const { return FPreviewDefaultSaveType; }
    void SetPreviewDefaultSaveType(TQRSaveType v) { FPreviewDefaultSaveType = v; }
    int PreviewLeft() const { return FPreviewLeft; }
    int PreviewTop() const { return FPreviewTop; }
    int PreviewWidth() const { return FPreviewWidth; }
    int PreviewHeight() const { return FPreviewHeight; }
    void SetPreviewBounds(int left, int top, int width, int height)
    {
        FPreviewLeft = left, FPreviewTop = top, FPreviewWidth = width, FPreviewHeight = height;
    }
    int PagesInPreview() const { return FPagesInPreview; }
    void SetPagesInPreview(int v) { FPagesInPreview = v; }
    bool PrintAfterSetup() const { return FPrintAfterSetup; }
    void SetPrintAfterSetup(bool v) { FPrintAfterSetup = v; }
    // Set by the preview's stop button and the progress window's Cancel.
    bool UserCancel() const { return FUserCancel; }
    void SetUserCancel(bool v);

    // Report events; all optional.
    std::function<void(TCustomQuickRep *, bool &print)> BeforePrint;
    std::function<void(TCustomQuickRep *)> OnStartPage;
    std::function<void(TCustomQuickRep *)> OnEndPage;
    std::function<void(TCustomQuickRep *)> AfterPrint;
    // Asked before each print of the detail band: set more to false when there is no record
    // left (the band's printables are filled for the record meanwhile). Unset, the detail
    // band prints once.
    std::function<void(TCustomQuickRep *, bool &more)> OnNeedData;
    std::function<void(TCustomQuickRep *)> AfterPreview;
    std::function<void()> OnPreview;
    std::function<void(
        QObject *sender, TStandPrevEventType type, const QString &name, bool &handled)>
        OnStandPrevEvent;
    // Asked before the report's own run goes to a printer (its Print, or Print in its
    // preview); print = false sends nothing. Pages loaded from a saved file are not the
    // report's run and are not asked about.
    std::function<void(TCustomQuickRep *, bool &print)> BeforeDevicePrint;
    // Asked as a run towards a device starts: the correction (native units, right and down)
    // for that printer and tray code, if one is known.
    std::function<std::optional<QPointF>(const QString &printer, int trayCode)> OnCalibration;
    // What the preview shows on screen only (a picture under the page, values to drag);
    // none by default.
    const std::shared_ptr<IQRPreviewOverlay> &PreviewOverlay() const { return FPreviewOverlay; }
    void SetPreviewOverlay(std::shared_ptr<IQRPreviewOverlay> v) { FPreviewOverlay = std::move(v); }
    // An error of a preview run, which closes the preview; the program shows it.
    std::function<void(const std::exception &)> OnPreviewError;

private:
    bool IsFullWidth(const TQRCustomBand *band) const;
    std::unique_ptr<TQRPrinter> NewRunPrinter(bool needDevice);
    // A run printer recording for the preview, set up from the report.
    void NewPreviewPrinter();
    void ApplyReportPrinterSettings();
    void RunController();
    void BandStep(TQRCustomBand *band);
    void PrintPrintables(const std::vector<TQRPrintable *> &list, TQRCustomBand *band);
    void CloseRun(bool failed);

    std::unique_ptr<TQuickRepPrinterSettings> FUserPrinterSettings
        = std::make_unique<TQuickRepPrinterSettings>();
    mutable std::shared_ptr<const ITextMetrics> FTextMetrics;
    QEventLoop *FPreviewLoop = nullptr;
    std::shared_ptr<IQRPreviewOverlay> FPreviewOverlay;
    long double FSavedMargins[4] = {};
    std::unique_ptr<TQRPrinter> FQRPrinter;
    bool FAvailable = true;
    bool FCancelled = false;
    bool FUserCancel = false;
    long double FCurrentX = 0;
    long double FCurrentY = -1;
    int FCurrentColumn = 1;
    long double FColumnTopPosition = 0;
    int FPagecount = 0;
    bool FLastPage = false;
    bool FFinalPass = true;
    long double FPageFooterSize = 0;
    bool FForceNewPage = false;
    bool FForceNewColumn = false;
    unsigned FOptions = (1u << FirstPageHeader) | (1u << LastPageFooter);
    bool FShowProgress = true;
    QString FReportTitle;
    bool FPrintIfEmpty = true;
    QColor FBackgroundColor = QColor(255, 255, 255);
    QString FExportCodepage;
    TQRFrame FFrame;
    int FTag = 0;
    QString FPageNumberText = QStringLiteral("0");
    QString FColumnNumberText = QStringLiteral("0");
    QString FReportTitleText = QStringLiteral("''");
    TQRExportFilter *FExportFilter = nullptr;
    bool FPreviewOpen = false;
    bool FPrevShowThumbs = false;
    bool FPrevShowSearch = false;
    TQRZoomState FPrevInitialZoom = qrZoom100;
    TWindowState FPreviewInitialState = wsMaximized;
    TFormStyle FPrevFormStyle = fsNormal;
    TQRSaveType FPreviewDefaultSaveType = stQRP;
    int FPreviewLeft = 0;
    int FPreviewTop = 0;
    int FPreviewWidth = 500;
    int FPreviewHeight = 500;
    int FPagesInPreview = 0;
    bool FPrintAfterSetup = false;

    std::unique_ptr<TQRPage> FPage;
    std::unique_ptr<TQuickRepPrinterSettings> FPrinterSettings;
    std::vector<TQRCustomBand *> FBandList;
    TQRCharCellMetrics FCharCellMetrics;
    int FZoom = 100;
    bool FSnapToGrid = true;
    bool FHideBands = false;
    bool FLoading = false;
    bool FDestroying = false;
    bool FLayingOut = false;
    bool FModified = false;
};

class TQuickRep : public TCustomQuickRep
{
public:
    using TCustomQuickRep::TCustomQuickRep;
};

class TQRCustomBand : public TQRControl
{
public:
    // A new band is white, enabled and 40 pixels high; placed on a report it joins the
    // band list and takes the report's zoom and unit.
    explicit TQRCustomBand(TQRControl *parent = nullptr);
    ~TQRCustomBand() override;

    TQRBandType BandType() const { return FQRBandType; }
    void SetBandType(TQRBandType v);
    TQRBandSize &Size() { return *FSize; }
    const TQRBandSize &Size() const { return *FSize; }
    TCustomQuickRep *ParentReport() const { return FParentReport; }
    int Zoom() const { return FZoom; }
    // The band, its size and every printable on it take the zoom.
    void SetZoom(int zoom);
    // The band a child band hangs from (its width rule and its place in the band list).
    TQRCustomBand *ParentBand() const { return FParentBand; }
    void SetParentBand(TQRCustomBand *band);
    // Printables on the band, in creation order.
    std::vector<TQRPrintable *> Printables() const;

    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;

    TQRFrame &Frame() { return FFrame; }
    const TQRFrame &Frame() const { return FFrame; }
    bool TransparentBand() const { return FTransparentBand; }
    void SetTransparentBand(bool v) { FTransparentBand = v; }
    bool AlignToBottom() const { return FAlignToBottom; }
    void SetAlignToBottom(bool v) { FAlignToBottom = v; }
    bool ForceNewColumn() const { return FForceNewColumn; }
    void SetForceNewColumn(bool v) { FForceNewColumn = v; }
    bool ForceNewPage() const { return FForceNewPage; }
    void SetForceNewPage(bool v) { FForceNewPage = v; }
    bool PreCaluculateBandHeight() const { return FPreCaluculateBandHeight; }
    void SetPreCaluculateBandHeight(bool v) { FPreCaluculateBandHeight = v; }
    bool KeepOnOnePage() const { return FKeepOnOnePage; }
    void SetKeepOnOnePage(bool v) { FKeepOnOnePage = v; }
    // Native units the band grew by during the current print.
    long double Expanded() const { return FExpanded; }
    long double ExpandedHeight() const { return FExpandedHeight; }
    const QRect &BandFrameRect() const { return FBandFrameRect; }
    // Whether the page has room for the band to grow by lh more native units.
    bool CanExpand(long double lh) const;

    std::function<void(TQRCustomBand *, bool &print)> BeforePrint;
    std::function<void(TQRCustomBand *, bool printed)> AfterPrint;

protected:
    void ParentChanged(TQRControl *oldParent) override;

private:
    friend class TCustomQuickRep;
    friend class TQRCustomLabel;

    bool FPreCaluculateBandHeight = false;
    bool FKeepOnOnePage = false;
    long double FExpandedHeight = 0;
    QRect FBandFrameRect;
    long double FExpanded = 0;
    bool FAlignToBottom = false;
    bool FForceNewColumn = false;
    bool FForceNewPage = false;
    bool FTransparentBand = false;
    TQRFrame FFrame;

    TCustomQuickRep *FParentReport = nullptr;
    TQRBandType FQRBandType = rbTitle;
    int LoadedHeight = 0;
    std::unique_ptr<TQRBandSize> FSize;
    int FZoom = 100;
    TQRCustomBand *FParentBand = nullptr;
};

class TQRBand : public TQRCustomBand
{
public:
    using TQRCustomBand::TQRCustomBand;
};

// A control that prints: placed on a band or directly on the report.
class TQRPrintable : public TQRControl
{
public:
    // A new printable is white and 10 x 10 pixels.
    explicit TQRPrintable(TQRControl *parent = nullptr);
    ~TQRPrintable() override;

    TQRPrintableSize &Size() { return *FSize; }
    const TQRPrintableSize &Size() const { return *FSize; }
    TCustomQuickRep *ParentReport() const { return FParentReport; }
    int Zoom() const { return FSize->Zoom(); }
    void SetZoom(int zoom);

    // Pixel bounds set from outside are stored in native units, an unchanged dimension
    // keeping its exact stored value.
    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;
    // Takes report, unit and zoom from wherever the printable now sits.
    void RefreshParentReport();

    TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(TAlignment v);
    bool AlignToBand() const { return FAlignToBand; }
    void SetAlignToBand(bool v);
    TQRFrame &Frame() { return FFrame; }
    const TQRFrame &Frame() const { return FFrame; }
    // The inverse of the opaque style flag.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    bool PrintFinished() const { return FPrintFinished; }
    bool IsPrinting() const { return FIsPrinting; }
    TQRPrinter *QRPrinter() const { return FQRPrinter; }
    // The band the printable sits on, or null.
    TQRCustomBand *ParentBand() const;

    virtual bool IsPrintable() const;
    virtual void AlignToBandNow();
    // At the start of a run: remembers the run printer and marks the printable as printing.
    virtual void BeforePrintPrepare();
    // Prints with the Size origin moved by the offsets (native units).
    virtual void PrintAt(long double offsetX, long double offsetY);
    virtual void AfterPrintCleanup();

protected:
    void ParentChanged(TQRControl *oldParent) override;
    void SetPrintFinished(bool v) { FPrintFinished = v; }
    // What every PrintAt starts with: the run printer, prepared if the run has not yet done
    // so; null when the printable does not print or there is no canvas to draw on.
    TQRPrinter *PrinterToPrintOn();

private:
    bool AlignUpdating = false;
    TAlignment FAlignment = taLeftJustify;
    bool FAlignToBand = false;
    TQRFrame FFrame;
    bool FIsPrinting = false;
    bool FPrintFinished = true;
    TQRPrinter *FQRPrinter = nullptr;
    bool FTransparent = false;
    TCustomQuickRep *FParentReport = nullptr;
    std::unique_ptr<TQRPrintableSize> FSize;
    int LoadedTop = 0;
    int LoadedWidth = 0;
    int LoadedHeight = 0;
    int LoadedLeft = 0;
};
