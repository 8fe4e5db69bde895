#include "report/QuickRpt.h"

#include "platform/Rounding.h"
#include "report/QRError.h"

#include <algorithm>
#include <set>

using namespace Qt::StringLiterals;

namespace
{

// A native value as whole design-surface pixels of the object (its resolution and zoom).
int PixelsOf(const TQRUnitBase &object, bool horizontal, long double native)
{
    return static_cast<int>(
        RoundHalfEven(object.NativeToUnits(TQRUnit::Pixels, horizontal, native)));
}

long double NativeOfPixels(const TQRUnitBase &object, bool horizontal, int pixels)
{
    return object.UnitsToNative(TQRUnit::Pixels, horizontal, pixels);
}

std::vector<TQRPrintable *> PrintablesAmong(const std::vector<TQRControl *> &children)
{
    std::vector<TQRPrintable *> out;
    for (TQRControl *c : children)
        if (auto *p = dynamic_cast<TQRPrintable *>(c))
            out.push_back(p);
    return out;
}

} // namespace

// --- TQRPage ------------------------------------------------------------------------------

TQRPage::TQRPage(TCustomQuickRep *parent, bool metric)
    : TQRUnitBase(parent)
    , FParent(parent)
{
    // Set directly: the report is still being built, nothing to lay out yet.
    const TQRPaperSize paper = metric ? TQRPaperSize::A4 : TQRPaperSize::Letter;
    const TQRPaperDimensions d = *QRPaperDimensions(paper);
    FUnits = metric ? TQRUnit::MM : TQRUnit::Inches;
    FPaperSize = paper;
    FWidth = d.Width * 10.0L;
    FLength = d.Length * 10.0L;
    const long double margin = metric ? 100.0L : 0.5L * 254.0L;
    FTopMargin = FBottomMargin = FLeftMargin = FRightMargin = margin;
}

long double *TQRPage::Field(int index)
{
    switch (index) {
    case BottomMarginIndex:
        return &FBottomMargin;
    case LengthIndex:
        return &FLength;
    case TopMarginIndex:
        return &FTopMargin;
    case WidthIndex:
        return &FWidth;
    case LeftMarginIndex:
        return &FLeftMargin;
    case RightMarginIndex:
        return &FRightMargin;
    case ColumnSpaceIndex:
        return &FColumnSpace;
    }
    CheckIndex(index);
    return nullptr;
}

void TQRPage::SetNativeValue(int index, long double native)
{
    long double *field = Field(index);
    switch (index) {
    case BottomMarginIndex:
        *field = native;
        UpdateControlBounds();
        LayoutBands();
        break;
    case LengthIndex:
    case WidthIndex:
        // The paper's own size only moves when it is a custom one.
        if (FPaperSize != TQRPaperSize::Custom)
            return;
        *field = native;
        UpdateControlBounds();
        LayoutBands();
        break;
    default:
        *field = native;
        LayoutBands();
        RepaintReport();
        break;
    }
}

void TQRPage::SetPaperSize(TQRPaperSize v)
{
    if (const auto d = QRPaperDimensions(v)) {
        FPaperSize = TQRPaperSize::Custom; // so that Width and Length take the values
        const bool portrait = FOrientation == poPortrait;
        SetNativeValue(WidthIndex, (portrait ? d->Width : d->Length) * 10.0L);
        SetNativeValue(LengthIndex, (portrait ? d->Length : d->Width) * 10.0L);
        LayoutBands();
    }
    FPaperSize = v;
}

void TQRPage::SetOrientation(TPrinterOrientation v)
{
    if (FPaperSize == TQRPaperSize::Custom && v != FOrientation) {
        std::swap(FWidth, FLength);
        UpdateControlBounds();
        // A turned custom page changes the printable width as much as a named one does.
        LayoutBands();
    }
    FOrientation = v;
    if (FParent)
        FParent->PrinterSettings().SetOrientation(v);
    SetPaperSize(FPaperSize); // lays a named size out in the new orientation
}

void TQRPage::SetColumns(int v)
{
    if (v <= 0 || v == FColumns)
        return;
    FColumns = v;
    LayoutBands();
    RepaintReport();
}

void TQRPage::SetRuler(bool v)
{
    FRuler = v;
    RepaintReport();
}

void TQRPage::SetPrintOrder(std::uint8_t v)
{
    FPrintOrder = v;
    LayoutBands();
}

void TQRPage::ReadValues(const std::vector<long double> &values)
{
    CheckValues(values);
    FBottomMargin = values[0];
    FLength = values[1];
    FTopMargin = values[2];
    FWidth = values[3];
    FLeftMargin = values[4];
    FRightMargin = values[5];
    FColumnSpace = values[6];
    UpdateControlBounds();
    LayoutBands();
}

std::vector<long double> TQRPage::WriteValues() const
{
    return { FBottomMargin, FLength, FTopMargin, FWidth, FLeftMargin, FRightMargin, FColumnSpace };
}

void TQRPage::UpdateControlBounds()
{
    if (FParentUpdating || !FParent)
        return;
    WhileUpdatingParent([this] {
        FParent->SetBounds(FParent->Left(), FParent->Top(), PixelsOf(*this, true, FWidth),
            PixelsOf(*this, false, FLength));
    });
}

void TQRPage::SetUnits(TQRUnit unit)
{
    FUnits = unit;
    RepaintReport();
}

void TQRPage::LayoutBands()
{
    if (FParent)
        FParent->LayoutBands();
}

void TQRPage::RepaintReport()
{
    if (FParent)
        FParent->Repaint();
}

// --- TQRBandSize --------------------------------------------------------------------------

TQRBandSize::TQRBandSize(TQRCustomBand *parent)
    : TQRUnitBase(parent ? parent->ParentReport() : nullptr)
    , FParent(parent)
{
}

TCustomQuickRep *TQRBandSize::Report() const
{
    return FParent ? FParent->ParentReport() : nullptr;
}

void TQRBandSize::SetNativeValue(int index, long double native)
{
    CheckIndex(index);
    (index == HeightIndex ? FLength : FWidth) = native;
    UpdateControlBounds();
    // A new height moves the bands below it on the design surface.
    if (index == HeightIndex && Report() && !Report()->LayingOut())
        Report()->LayoutBands();
}

void TQRBandSize::ReadValues(const std::vector<long double> &values)
{
    CheckValues(values);
    FLength = values[0];
    FWidth = values[1];
    if (!Report() || !Report()->Loading()) {
        UpdateControlBounds();
        if (Report())
            Report()->LayoutBands();
    }
}

std::vector<long double> TQRBandSize::WriteValues() const
{
    return { FLength, FWidth };
}

void TQRBandSize::UpdateControlBounds()
{
    if (!FParent)
        return;
    WhileUpdatingParent([this] {
        FParent->SetBounds(FParent->Left(), FParent->Top(), PixelsOf(*this, true, FWidth),
            PixelsOf(*this, false, FLength));
    });
}

// --- TQRPrintableSize ---------------------------------------------------------------------

TQRPrintableSize::TQRPrintableSize(TQRPrintable *parent)
    : TQRUnitBase(parent ? parent->ParentReport() : nullptr)
    , FParent(parent)
{
}

TCustomQuickRep *TQRPrintableSize::Report() const
{
    return FParent ? FParent->ParentReport() : nullptr;
}

void TQRPrintableSize::SetNativeValue(int index, long double native)
{
    CheckIndex(index);
    switch (index) {
    case HeightIndex:
        FHeight = native;
        break;
    case LeftIndex:
        FLeft = native;
        break;
    case TopIndex:
        FTop = native;
        break;
    default:
        FWidth = native;
        break;
    }
    UpdateControlBounds();
}

void TQRPrintableSize::ReadValues(const std::vector<long double> &values)
{
    CheckValues(values);
    FHeight = values[0];
    FLeft = values[1];
    FTop = values[2];
    FWidth = values[3];
    if (!Report() || !Report()->Loading())
        UpdateControlBounds();
}

std::vector<long double> TQRPrintableSize::WriteValues() const
{
    return { FHeight, FLeft, FTop, FWidth };
}

void TQRPrintableSize::UpdateControlBounds()
{
    if (!FParent)
        return;
    WhileUpdatingParent([this] {
        FParent->SetBounds(PixelsOf(*this, true, FLeft), PixelsOf(*this, false, FTop),
            PixelsOf(*this, true, FWidth), PixelsOf(*this, false, FHeight));
    });
}

// --- TCustomQuickRep ----------------------------------------------------------------------

TCustomQuickRep::TCustomQuickRep(const TFormatSettings &locale, std::optional<int> printerPaperCode)
    : FPage(std::make_unique<TQRPage>(this, locale.Metric))
    , FPrinterSettings(std::make_unique<TQuickRepPrinterSettings>())
{
    QRSetSavedReportLoaded(false);
    FPage->UpdateControlBounds();
    SetFont(TQRFont { u"Arial"_s, 10 });
    FPage->SetPaperSize(QRPaperSizeFromCode(printerPaperCode));
}

TCustomQuickRep::~TCustomQuickRep()
{
    FDestroying = true;
    FQRPrinter.reset();
    DeleteChildren(); // bands unregister themselves from members that still exist
}

void TCustomQuickRep::SetUnits(TQRUnit unit)
{
    FPage->SetUnits(unit);
    for (TQRCustomBand *band : FBandList) {
        band->Size().SetUnits(unit);
        for (TQRPrintable *p : band->Printables())
            p->Size().SetUnits(unit);
    }
    for (TQRPrintable *p : Printables())
        p->Size().SetUnits(unit);
}

void TCustomQuickRep::SetZoom(int zoom)
{
    if (zoom < 1 || zoom > 300)
        return;
    FZoom = zoom;
    for (TQRPrintable *p : Printables())
        p->SetZoom(zoom);
    for (TQRCustomBand *band : FBandList)
        band->SetZoom(zoom);
    FPage->SetZoom(zoom);
    FPage->UpdateControlBounds();
    LayoutBands();
}

void TCustomQuickRep::SetHideBands(bool v)
{
    if (v == FHideBands)
        return;
    FHideBands = v;
    LayoutBands();
}

std::vector<TQRPrintable *> TCustomQuickRep::Printables() const
{
    return PrintablesAmong(Children());
}

void TCustomQuickRep::EndLoading()
{
    if (!FLoading)
        return;
    FLoading = false;
    FPage->Loaded();
    TQRControl::Loaded();
    LayoutBands();
}

void TCustomQuickRep::Repaint()
{
}

bool TCustomQuickRep::IsFullWidth(const TQRCustomBand *band) const
{
    // A child band follows the band it hangs from; a broken chain counts as a column band.
    const TQRCustomBand *b = band;
    for (int depth = 0; b && b->BandType() == rbChild && depth < 64; ++depth)
        b = b->ParentBand();
    if (!b || b->BandType() == rbChild)
        return false;
    switch (b->BandType()) {
    case rbTitle:
    case rbPageHeader:
    case rbPageFooter:
    case rbSummary:
    case rbOverlay:
        return true;
    case rbGroupHeader:
    case rbGroupFooter:
        return FPage->PrintOrder() == 1;
    default:
        return false;
    }
}

void TCustomQuickRep::LayoutBands()
{
    if (FLoading || FDestroying || FLayingOut)
        return;
    FLayingOut = true;
    try {
        const TQRPage &page = *FPage;
        const long double left
            = page.NativeToUnits(TQRUnit::Pixels, true, page.NativeValue(TQRPage::LeftMarginIndex));
        const long double right = page.NativeToUnits(
            TQRUnit::Pixels, true, page.NativeValue(TQRPage::RightMarginIndex));
        const int printableWidth = Width() - static_cast<int>(RoundHalfEven(left + right));
        const int columns = std::max(1, page.Columns());
        const int space = PixelsOf(page, true, page.NativeValue(TQRPage::ColumnSpaceIndex));
        const int columnWidth = (printableWidth - space * (columns - 1)) / columns;
        const int bandLeft = static_cast<int>(RoundHalfEven(left));
        int top = FHideBands ? PixelsOf(page, false, page.NativeValue(TQRPage::LengthIndex))
                             : PixelsOf(page, false, page.NativeValue(TQRPage::TopMarginIndex));
        for (TQRCustomBand *band : FBandList) {
            band->SetBoundsDirect(bandLeft, top, band->Width(), band->Height());
            if (!FHideBands)
                top += band->Height();
            // Rewritten only when it shows a different pixel width, so that a stored width
            // that already fits keeps its exact native value.
            const int width = IsFullWidth(band) ? printableWidth : columnWidth;
            TQRBandSize &size = band->Size();
            if (PixelsOf(size, true, size.NativeValue(TQRBandSize::WidthIndex)) != width)
                size.SetNativeValue(TQRBandSize::WidthIndex, NativeOfPixels(size, true, width));
        }
    } catch (...) {
        FLayingOut = false;
        throw;
    }
    FLayingOut = false;
}

void TCustomQuickRep::RegisterBand(TQRCustomBand *band)
{
    if (std::find(FBandList.begin(), FBandList.end(), band) == FBandList.end())
        FBandList.push_back(band);
    SortBands();
    LayoutBands();
}

void TCustomQuickRep::UnregisterBand(TQRCustomBand *band)
{
    FBandList.erase(std::remove(FBandList.begin(), FBandList.end(), band), FBandList.end());
    for (TQRCustomBand *b : FBandList)
        if (b->FParentBand == band)
            b->FParentBand = nullptr;
    if (!FDestroying) {
        SortBands();
        LayoutBands();
    }
}

void TCustomQuickRep::SortBands()
{
    const std::set<const TQRCustomBand *> listed(FBandList.begin(), FBandList.end());
    std::vector<TQRCustomBand *> roots;
    std::vector<TQRCustomBand *> children;
    for (TQRCustomBand *b : FBandList) {
        if (b->BandType() == rbChild && b->ParentBand() && listed.count(b->ParentBand()))
            children.push_back(b);
        else
            roots.push_back(b);
    }
    std::stable_sort(
        roots.begin(), roots.end(), [](const TQRCustomBand *a, const TQRCustomBand *b) {
            return a->BandType() < b->BandType();
        });
    std::vector<TQRCustomBand *> sorted;
    std::set<const TQRCustomBand *> placed;
    auto place = [&](auto &&self, TQRCustomBand *band) -> void {
        if (!placed.insert(band).second)
            return;
        sorted.push_back(band);
        for (TQRCustomBand *c : children)
            if (c->ParentBand() == band)
                self(self, c);
    };
    for (TQRCustomBand *r : roots)
        place(place, r);
    for (TQRCustomBand *c : children) // children in a cycle of parents
        place(place, c);
    FBandList = std::move(sorted);
}

// --- TQRCustomBand ------------------------------------------------------------------------

TQRCustomBand::TQRCustomBand(TQRControl *parent)
    : FSize(std::make_unique<TQRBandSize>(this))
{
    SetColor(QColor(255, 255, 255));
    FSize->SetNativeValue(TQRBandSize::HeightIndex, NativeOfPixels(*FSize, false, 40));
    if (parent)
        SetParent(parent);
}

TQRCustomBand::~TQRCustomBand()
{
    DeleteChildren();
    if (FParentReport)
        FParentReport->UnregisterBand(this);
}

void TQRCustomBand::SetBandType(TQRBandType v)
{
    FQRBandType = v;
    if (FParentReport) {
        FParentReport->SortBands();
        FParentReport->LayoutBands();
    }
}

void TQRCustomBand::SetZoom(int zoom)
{
    FZoom = zoom;
    FSize->SetZoom(zoom);
    FSize->UpdateControlBounds();
    for (TQRPrintable *p : Printables())
        p->SetZoom(zoom);
}

void TQRCustomBand::SetParentBand(TQRCustomBand *band)
{
    // Only a band of the same report: that report clears the link when the band goes.
    if (band == this || !FParentReport || (band && band->ParentReport() != FParentReport))
        band = nullptr;
    FParentBand = band;
    if (FParentReport) {
        FParentReport->SortBands();
        FParentReport->LayoutBands();
    }
}

std::vector<TQRPrintable *> TQRCustomBand::Printables() const
{
    return PrintablesAmong(Children());
}

void TQRCustomBand::SetBounds(int left, int top, int width, int height)
{
    TQRControl::SetBounds(left, top, width, height);
    if (FSize->ParentUpdating()) {
        if (FParentReport)
            FParentReport->SetModified(true);
        return;
    }
    if (FParentReport && FParentReport->LayingOut())
        return;
    if (FParentReport && FParentReport->Loading()) {
        if (height != 0)
            LoadedHeight = height;
        return;
    }
    // Only the height is the band's own; place and width come from the page layout.
    if (PixelsOf(*FSize, false, FSize->NativeValue(TQRBandSize::HeightIndex)) != height)
        FSize->SetNativeValue(TQRBandSize::HeightIndex, NativeOfPixels(*FSize, false, height));
}

void TQRCustomBand::Loaded()
{
    FSize->Loaded();
    if (Height() == 0 && LoadedHeight != 0)
        SetHeight(LoadedHeight);
    TQRControl::Loaded();
}

void TQRCustomBand::ParentChanged(TQRControl *oldParent)
{
    if (auto *old = dynamic_cast<TCustomQuickRep *>(oldParent))
        old->UnregisterBand(this);
    FParentReport = dynamic_cast<TCustomQuickRep *>(Parent());
    if (FParentBand && FParentBand->ParentReport() != FParentReport)
        FParentBand = nullptr;
    FSize->SetUnitReport(FParentReport);
    for (TQRPrintable *p : Printables())
        p->RefreshParentReport();
    if (FParentReport) {
        FSize->SetUnits(FParentReport->Units());
        SetZoom(FParentReport->Zoom());
        FParentReport->RegisterBand(this);
    }
}

// --- TQRPrintable -------------------------------------------------------------------------

TQRPrintable::TQRPrintable(TQRControl *parent)
    : FSize(std::make_unique<TQRPrintableSize>(this))
{
    SetColor(QColor(255, 255, 255));
    if (parent)
        SetParent(parent);
    SetBounds(0, 0, 10, 10);
}

TQRPrintable::~TQRPrintable() = default;

void TQRPrintable::SetZoom(int zoom)
{
    FSize->SetZoom(zoom);
    FSize->UpdateControlBounds();
}

void TQRPrintable::SetBounds(int left, int top, int width, int height)
{
    TQRControl::SetBounds(left, top, width, height);
    if (FSize->ParentUpdating()) {
        if (FParentReport)
            FParentReport->SetModified(true);
        return;
    }
    if (FParentReport && FParentReport->Loading()) {
        if (left != 0)
            LoadedLeft = left;
        if (top != 0)
            LoadedTop = top;
        if (width != 0)
            LoadedWidth = width;
        if (height != 0)
            LoadedHeight = height;
        return;
    }
    // A dimension is rewritten only when its pixel reading shows a different number, so an
    // untouched one keeps its exact native value.
    const TQRUnitSwitch pixels(*FSize, TQRUnit::Pixels);
    const auto store = [this](int index, int bound) {
        if (RoundHalfEven(FSize->Value(index)) != bound)
            FSize->SetValue(index, bound);
    };
    store(TQRPrintableSize::HeightIndex, height);
    store(TQRPrintableSize::WidthIndex, width);
    store(TQRPrintableSize::TopIndex, top);
    store(TQRPrintableSize::LeftIndex, left);
}

void TQRPrintable::Loaded()
{
    FSize->Loaded();
    if ((Left() == 0 && LoadedLeft != 0) || (Top() == 0 && LoadedTop != 0)
        || (Width() == 0 && LoadedWidth != 0) || (Height() == 0 && LoadedHeight != 0)) {
        SetBounds(Left() == 0 ? LoadedLeft : Left(), Top() == 0 ? LoadedTop : Top(),
            Width() == 0 ? LoadedWidth : Width(), Height() == 0 ? LoadedHeight : Height());
    }
    TQRControl::Loaded();
}

void TQRPrintable::RefreshParentReport()
{
    TQRControl *parent = Parent();
    if (auto *band = dynamic_cast<TQRCustomBand *>(parent)) {
        FParentReport = band->ParentReport();
        FSize->SetUnitReport(FParentReport);
        FSize->SetUnits(band->Size().Units());
        SetZoom(band->Zoom());
    } else if (auto *report = dynamic_cast<TCustomQuickRep *>(parent)) {
        FParentReport = report;
        FSize->SetUnitReport(report);
        FSize->SetUnits(report->Units());
        SetZoom(report->Zoom());
    } else {
        FParentReport = nullptr;
        FSize->SetUnitReport(nullptr);
    }
}

void TQRPrintable::ParentChanged(TQRControl *)
{
    RefreshParentReport();
}

std::pair<long double, long double> TCustomQuickRep::PrintedPageNative() const
{
    return { Page().NativeValue(TQRPage::WidthIndex), Page().NativeValue(TQRPage::LengthIndex) };
}
