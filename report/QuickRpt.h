#pragma once
// The report object model: a report owns its page and its bands, a band owns its
// printables. Each of them owns a geometry object that stores native values and keeps the
// design-surface pixel bounds in step with them. The generation run, label drawing and the
// printer come on top of these classes; what they need to hook into is virtual.

#include "platform/Locale.h"
#include "report/QRControl.h"
#include "report/QRPaper.h"
#include "report/QRUnits.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

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

// What the report asks of the printer. Only the orientation lives here so far; the printer
// side adds the rest.
class TQuickRepPrinterSettings
{
public:
    virtual ~TQuickRepPrinterSettings() = default;
    TPrinterOrientation Orientation() const { return FOrientation; }
    virtual void SetOrientation(TPrinterOrientation v) { FOrientation = v; }

private:
    TPrinterOrientation FOrientation = poPortrait;
};

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
    long double FHeight = 0;
    long double FLeft = 0;
    long double FTop = 0;
    long double FWidth = 0;
    TQRPrintable *FParent;
};

// The report control: its pixel size is the page's at the report's zoom.
class TCustomQuickRep : public TQRControl
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

    // Places the bands on the design surface from the page: left margin, stacked from the
    // top margin, full printable width or column width by band type.
    void LayoutBands();

    // Called by bands as they come, go or change type.
    void RegisterBand(TQRCustomBand *band);
    void UnregisterBand(TQRCustomBand *band);
    void SortBands();

    void Repaint() override;

private:
    bool IsFullWidth(const TQRCustomBand *band) const;

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

protected:
    void ParentChanged(TQRControl *oldParent) override;

private:
    friend class TCustomQuickRep;

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

protected:
    void ParentChanged(TQRControl *oldParent) override;

private:
    TCustomQuickRep *FParentReport = nullptr;
    std::unique_ptr<TQRPrintableSize> FSize;
    int LoadedTop = 0;
    int LoadedWidth = 0;
    int LoadedHeight = 0;
    int LoadedLeft = 0;
};
