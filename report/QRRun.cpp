// The generation run: a report's bands drawn into pages through its run printer, and the
// commands that start a run (preview, print, prepare, export).

#include "report/QuickRpt.h"

#include "platform/Errors.h"
#include "platform/Rounding.h"
#include "report/QRError.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{

long double Rounded(long double v)
{
    return static_cast<long double>(RoundHalfEven(v));
}

bool IgnoresForce(TQRBandType type)
{
    return type == rbTitle || type == rbPageHeader || type == rbPageFooter || type == rbOverlay;
}

} // namespace

// --- TQRFrame -----------------------------------------------------------------------------

void TQRFrame::DrawFrame(
    ICanvas &canvas, const QRect &r, long double xFactor, long double yFactor) const
{
    if (!AnyFrame() || FWidth == 0)
        return;
    const auto thickness = [this](long double factor) {
        if (FWidth == -1)
            return 1;
        int t = static_cast<int>(RoundHalfEven(factor / 72 * 254 * FWidth));
        return FWidth > 0 && t < 1 ? 1 : t;
    };
    const int h = thickness(yFactor), v = thickness(xFactor);
    // r's right and bottom are exclusive edges here, as the device rectangles are built.
    const int left = r.left(), top = r.top(), right = r.left() + r.width(),
              bottom = r.top() + r.height();
    const auto fill
        = [&](int l, int t, int rr, int b) { canvas.FillRect(QRect(l, t, rr - l, b - t), FColor); };
    if (FTop)
        fill(left, top, right, top + h);
    if (FBottom)
        fill(left, bottom - h, right, bottom);
    if (FLeft)
        fill(left, top, left + v, bottom);
    if (FRight)
        fill(right - v, top, right, bottom);
}

void TQRFrame::ExportFrame(
    TQRExportFilter &filter, long double l, long double t, long double w, long double h) const
{
    if (!AnyFrame() || FWidth == 0)
        return;
    const long double f = FWidth == -1 ? 254.0L / 96 : static_cast<long double>(FWidth) / 72 * 254;
    if (FTop)
        filter.AcceptRect(l, t, w, f, FColor);
    if (FBottom)
        filter.AcceptRect(l, t + h - f, w, f, FColor);
    if (FLeft)
        filter.AcceptRect(l, t, f, h, FColor);
    if (FRight)
        filter.AcceptRect(l + w - f, t, f, h, FColor);
}

// --- Bands and printables at print time ---------------------------------------------------

bool TQRCustomBand::CanExpand(long double lh) const
{
    if (!FParentReport)
        return false;
    return FParentReport->AvailableSpace()
        >= Rounded(lh + FSize->NativeValue(TQRBandSize::HeightIndex) + FExpanded);
}

TQRCustomBand *TQRPrintable::ParentBand() const
{
    return dynamic_cast<TQRCustomBand *>(Parent());
}

void TQRPrintable::SetAlignment(TAlignment v)
{
    FAlignment = v;
    AlignToBandNow();
}

void TQRPrintable::SetAlignToBand(bool v)
{
    FAlignToBand = v;
    AlignToBandNow();
}

void TQRPrintable::SetTransparent(bool v)
{
    FTransparent = v;
}

bool TQRPrintable::IsPrintable() const
{
    return Enabled() || !Visible();
}

void TQRPrintable::AlignToBandNow()
{
    if (!FAlignToBand || AlignUpdating)
        return;
    AlignUpdating = true;
    const TQRCustomBand *band = ParentBand();
    switch (FAlignment) {
    case taLeftJustify:
        SetLeft(0);
        break;
    case taRightJustify:
        if (band)
            SetLeft(band->Width() - Width());
        break;
    case taCenter:
        if (band)
            SetLeft((band->Width() - Width()) / 2);
        break;
    }
    AlignUpdating = false;
}

void TQRPrintable::BeforePrintPrepare()
{
    FQRPrinter = FParentReport ? FParentReport->QRPrinter() : nullptr;
    FIsPrinting = true;
}

void TQRPrintable::PrintAt(long double, long double)
{
}

TQRPrinter *TQRPrintable::PrinterToPrintOn()
{
    if (!IsPrintable())
        return nullptr;
    if (!QRPrinter())
        BeforePrintPrepare();
    TQRPrinter *printer = QRPrinter();
    return printer && printer->Canvas() ? printer : nullptr;
}

void TQRPrintable::AfterPrintCleanup()
{
    FIsPrinting = false;
    FQRPrinter = nullptr;
}

// --- TCustomQuickRep: measuring -----------------------------------------------------------

const ITextMetrics &TCustomQuickRep::TextMetrics() const
{
    // The reference context of the resolution the report was created at.
    if (!FTextMetrics)
        FTextMetrics = ScreenTextMetrics(Page().Resolution());
    return *FTextMetrics;
}

void TCustomQuickRep::SetTextMetrics(std::shared_ptr<const ITextMetrics> metrics)
{
    FTextMetrics = std::move(metrics);
}

int TCustomQuickRep::TextWidth(const TQRFont &font, const QString &text) const
{
    const QSize e = TextMetrics().TextExtent(font.ToCanvasFont(), text);
    return e.isValid() ? e.width() + 1 : 0;
}

int TCustomQuickRep::TextHeight(const TQRFont &font, const QString &text) const
{
    const QSize e = TextMetrics().TextExtent(font.ToCanvasFont(), text);
    return e.isValid() ? e.height() : 0;
}

// --- TCustomQuickRep: run state -----------------------------------------------------------

void TCustomQuickRep::SetOption(TQROption o, bool on)
{
    if (on)
        FOptions |= 1u << o;
    else
        FOptions &= ~(1u << o);
}

void TCustomQuickRep::SetUserCancel(bool v)
{
    FUserCancel = v;
    if (v)
        Cancel();
}

TQRCustomBand *TCustomQuickRep::BandOfType(TQRBandType type) const
{
    for (TQRCustomBand *b : FBandList)
        if (b->BandType() == type)
            return b;
    return nullptr;
}

QString TCustomQuickRep::Constant(const QString &name) const
{
    if (name == u"PAGENUMBER")
        return FPageNumberText;
    if (name == u"COLUMNNUMBER")
        return FColumnNumberText;
    if (name == u"REPORTTITLE")
        return FReportTitleText;
    return QString();
}

void TCustomQuickRep::Cancel()
{
    if (FAvailable)
        return;
    FCancelled = true;
    if (FQRPrinter)
        FQRPrinter->Cancel();
}

std::unique_ptr<TQRPrinter> TCustomQuickRep::NewRunPrinter(bool needDevice)
{
    auto printer = std::make_unique<TQRPrinter>(this, needDevice);
    if (FQRPrinter)
        printer->SetClient(FQRPrinter->Client());
    printer->AfterPreview = [this] {
        if (AfterPreview)
            AfterPreview(this);
    };
    printer->AfterPrint = [this] {
        if (AfterPrint)
            AfterPrint(this);
    };
    return printer;
}

void TCustomQuickRep::FreeQRPrinter()
{
    FQRPrinter.reset();
}

void TCustomQuickRep::ApplyReportPrinterSettings()
{
    TQRPrinter &printer = *FQRPrinter;
    const TQuickRepPrinterSettings &ps = *FPrinterSettings;
    const TQRPage &page = *FPage;
    if (ps.PrinterIndex() != -1 && !ps.UseStandardprinter() && printer.PrinterOK())
        printer.SetPrinterIndex(ps.PrinterIndex());
    printer.SetPaperSize(page.PaperSize());
    printer.SetOrientation(page.Orientation());
    // Without a device nothing tells the paper's size but the page itself.
    if (printer.PaperSize() == TQRPaperSize::Custom || !printer.Device()) {
        const bool landscape = page.Orientation() == poLandscape;
        const int w = static_cast<int>(RoundHalfEven(page.NativeValue(TQRPage::WidthIndex)));
        const int l = static_cast<int>(RoundHalfEven(page.NativeValue(TQRPage::LengthIndex)));
        printer.PrinterSettings().SetPaperWidth(landscape ? l : w);
        printer.PrinterSettings().SetPaperLength(landscape ? w : l);
    }
    printer.SetCopies(ps.Copies());
    printer.SetOutputBin(ps.OutputBin());
    printer.SetFirstPage(ps.FirstPage());
    printer.SetLastPage(ps.LastPage());
    printer.SetDuplex(ps.Duplex());
    TPrinterSettings &s = printer.PrinterSettings();
    s.SetUseStandardPrinter(ps.UseStandardprinter());
    s.SetPrintMetafile(ps.PrintMetaFile());
    s.SetUseCustomBinCode(ps.UseCustomBinCode());
    s.SetCustomBinCode(ps.CustomBinCode());
    s.SetUseCustomPaperCode(ps.UseCustomPaperCode());
    s.SetCustomPaperCode(ps.CustomPaperCode());
    s.SetPrintQuality(ps.PrintQuality());
    s.SetCollate(ps.Collate());
    s.SetColorOption(ps.ColorOption());
    s.SetExtendedDuplex(ps.ExtendedDuplex());
}

// --- TCustomQuickRep: commands ------------------------------------------------------------

void TCustomQuickRep::NewPreviewPrinter()
{
    FQRPrinter = NewRunPrinter(false);
    FQRPrinter->SetDestination(qrdMetafile);
    FQRPrinter->SetMaster(this);
    FQRPrinter->OnPrintSetup = [this] { PrinterSetup(); };
    FQRPrinter->SetTitle(FReportTitle);
    FQRPrinter->OnPreview = OnPreview;
    ApplyReportPrinterSettings();
}

void TCustomQuickRep::Preview()
{
    if (FPreviewOpen)
        return;
    QCoreApplication::processEvents();
    if (!FAvailable)
        return;
    NewPreviewPrinter();
    FPreviewOpen = true;
    FQRPrinter->Preview();
    try {
        CreateReport();
    } catch (const std::exception &e) {
        // The error is told before the preview goes, not swallowed with it.
        if (OnPreviewError)
            OnPreviewError(e);
        QObject *window = FQRPrinter ? FQRPrinter->PreviewControl() : nullptr;
        if (window)
            QMetaObject::invokeMethod(window, "close", Qt::DirectConnection);
        FQRPrinter.reset();
        FPreviewOpen = false;
        if (!OnPreviewError)
            throw;
        return;
    }
    if (!FQRPrinter) // the window closed during the run
        return;
    FQRPrinter->SetReportLoaded(true);
    if (AfterPreview)
        AfterPreview(this);
    if (FCancelled && !FQRPrinter->ShowingPreview()) {
        FQRPrinter.reset();
        FPreviewOpen = false;
        return;
    }
    if (!FQRPrinter->ShowingPreview()) {
        // No window to wait for: the pages stay with the run printer, as after Prepare.
        FPreviewOpen = false;
        return;
    }
    QEventLoop loop;
    FPreviewLoop = &loop;
    loop.exec();
    FPreviewLoop = nullptr;
}

void TCustomQuickRep::PreviewModal()
{
    if (!FAvailable)
        return;
    NewPreviewPrinter();
    CreateReport();
    FQRPrinter->SetReportLoaded(true);
    if (AfterPreview)
        AfterPreview(this);
    if (FCancelled) {
        FQRPrinter.reset();
        return;
    }
    FQRPrinter->PreviewModal();
}

void TCustomQuickRep::RerunPreview()
{
    if (!FPreviewOpen || !FAvailable || !FQRPrinter || FQRPrinter->Status() != mpFinished
        || FQRPrinter->Destination() != qrdMetafile)
        return;
    FQRPrinter->Rewind();
    ApplyReportPrinterSettings();
    CreateReport();
    if (FQRPrinter)
        FQRPrinter->SetReportLoaded(true);
}

void TCustomQuickRep::PreviewClosed(TQRPrinter *printer)
{
    if (!printer || printer != FQRPrinter.get())
        return;
    FPreviewOpen = false;
    if (!FAvailable) {
        // Still running: the run stops at its next check and the printer goes with it.
        Cancel();
        return;
    }
    FQRPrinter.reset();
    if (FPreviewLoop)
        FPreviewLoop->quit();
}

void TCustomQuickRep::Prepare()
{
    if (!FAvailable)
        return;
    FQRPrinter = NewRunPrinter(false);
    FQRPrinter->SetDestination(qrdMetafile);
    ApplyReportPrinterSettings();
    CreateReport();
}

void TCustomQuickRep::Print()
{
    if (!FAvailable)
        return;
    if (!MayPrintToDevice())
        return;
    std::unique_ptr<TQRPrinter> previous = std::move(FQRPrinter);
    const auto restore = [&] { FQRPrinter = std::move(previous); };
    try {
        FQRPrinter = NewRunPrinter(true);
    } catch (...) {
        restore();
        throw;
    }
    if (!FQRPrinter->PrinterOK()) {
        restore();
        return;
    }
    FQRPrinter->SetDestination(qrdPrinter);
    std::unique_ptr<TQRProgressWindow> progress;
    try {
        if (FShowProgress && QRProgressWindow()) {
            progress = QRProgressWindow()(this, FQRPrinter.get(),
                QCoreApplication::translate("QuickRpt", "Printing progress"));
            FQRPrinter->SetClient(progress->Client());
            progress->Show();
        }
        CreateReport();
    } catch (...) {
        if (progress)
            progress->Hide();
        progress.reset();
        restore();
        throw;
    }
    if (progress)
        progress->Hide();
    progress.reset();
    restore();
}

void TCustomQuickRep::ExportToFilter(TQRExportFilter *filter)
{
    if (!FAvailable || !filter)
        return;
    std::unique_ptr<TQRPrinter> previous = std::move(FQRPrinter);
    std::unique_ptr<TQRProgressWindow> progress;
    const auto finish = [&] {
        FExportFilter = nullptr;
        if (progress)
            progress->Hide();
        progress.reset();
        FQRPrinter = std::move(previous);
    };
    try {
        FQRPrinter = NewRunPrinter(false);
        FQRPrinter->SetDestination(qrdMetafile);
        FQRPrinter->Exporting = true;
        FExportFilter = filter;
        filter->SetPrinter(FQRPrinter.get());
        if (FShowProgress && QRProgressWindow()) {
            progress = QRProgressWindow()(
                this, FQRPrinter.get(), QCoreApplication::translate("QuickRpt", "Export Progress"));
            FQRPrinter->SetClient(progress->Client());
            progress->Show();
        }
        ApplyReportPrinterSettings();
        CreateReport();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TCustomQuickRep::PrinterSetup()
{
    IPrinting *system = Printing();
    if (!system) {
        FTag = 1;
        return;
    }
    system->Refresh();
    IPrinterDevice &device = system->GlobalPrinter();
    TPrintDialogRequest request;
    request.PrinterIndex = FPrinterSettings->PrinterIndex();
    if (FQRPrinter && FQRPrinter->Status() == mpFinished) {
        request.MinPage = 1;
        request.MaxPage = FQRPrinter->PageCount();
        request.FromPage = 1;
        request.ToPage = FQRPrinter->PageCount();
    }
    request.Orientation = FPage->Orientation() == poLandscape ? 2 : 1;
    request.Copies = FPrinterSettings->Copies();
    if (!system->PrintDialog(device, request)) {
        FTag = 1;
        return;
    }
    FPrinterSettings->SetCopies(request.Copies);
    FPrinterSettings->SetPrinterIndex(request.PrinterIndex);
    FPage->SetOrientation(request.Orientation == 2 ? poLandscape : poPortrait);
    TQuickRepPrinterSettings &u = *FUserPrinterSettings;
    u.SetCustomBinCode(request.PaperSource);
    u.SetExtendedDuplex(request.DuplexCode);
    u.SetPrintQuality(request.PrintQuality);
    u.SetCollate(request.Collate);
    u.SetColorOption(request.Color);
    u.SetCopies(request.Copies);
    u.SetOrientation(request.Orientation == 2 ? poLandscape : poPortrait);
    u.SetFirstPage(request.FromPage);
    u.SetLastPage(request.ToPage);
    u.SetPrinterIndex(request.PrinterIndex);
    u.SetDuplex(request.DuplexCode != 1);
    u.SetCustomPaperCode(request.PaperCode);
    const int source = request.PaperSource >= 256 ? request.PaperSource - 256 : request.PaperSource;
    u.SetOutputBin(QRBinFromCode(source).value_or(FPrinterSettings->OutputBin()));
    if (request.Range == TPrintDialogRequest::PageNums) {
        FPrinterSettings->SetFirstPage(request.FromPage);
        FPrinterSettings->SetLastPage(request.ToPage);
    } else {
        FPrinterSettings->SetFirstPage(0);
        FPrinterSettings->SetLastPage(0);
    }
    FTag = 0;
}

// --- TCustomQuickRep: the run -------------------------------------------------------------

void TCustomQuickRep::CreateReport()
{
    if (!FAvailable || !FQRPrinter)
        return;
    const bool visible = Visible();

    // Margins that leave no room are taken as 0 for this run only.
    FSavedMargins[0] = FPage->NativeValue(TQRPage::LeftMarginIndex);
    FSavedMargins[1] = FPage->NativeValue(TQRPage::RightMarginIndex);
    FSavedMargins[2] = FPage->NativeValue(TQRPage::TopMarginIndex);
    FSavedMargins[3] = FPage->NativeValue(TQRPage::BottomMarginIndex);
    const long double width = FPage->NativeValue(TQRPage::WidthIndex);
    const long double length = FPage->NativeValue(TQRPage::LengthIndex);
    const bool sidesZero = width - FSavedMargins[0] - FSavedMargins[1] < 0;
    const bool endsZero = length - FSavedMargins[2] - FSavedMargins[3] < 0;
    if (sidesZero) {
        FPage->SetNativeValue(TQRPage::LeftMarginIndex, 0);
        FPage->SetNativeValue(TQRPage::RightMarginIndex, 0);
    }
    if (endsZero) {
        FPage->SetNativeValue(TQRPage::TopMarginIndex, 0);
        FPage->SetNativeValue(TQRPage::BottomMarginIndex, 0);
    }
    const auto restoreMargins = [&] {
        if (sidesZero) {
            FPage->SetNativeValue(TQRPage::LeftMarginIndex, FSavedMargins[0]);
            FPage->SetNativeValue(TQRPage::RightMarginIndex, FSavedMargins[1]);
        }
        if (endsZero) {
            FPage->SetNativeValue(TQRPage::TopMarginIndex, FSavedMargins[2]);
            FPage->SetNativeValue(TQRPage::BottomMarginIndex, FSavedMargins[3]);
        }
    };

    FAvailable = false;
    FCancelled = false;
    FUserCancel = false;
    FLastPage = false;
    FForceNewPage = FForceNewColumn = false;

    bool print = true;
    if (BeforePrint)
        BeforePrint(this, print);
    if (!print) {
        restoreMargins();
        SetVisible(visible);
        FAvailable = true;
        return;
    }

    const TQRUnit units = Units();
    bool failed = false;
    try {
        SetUnits(TQRUnit::Native);
        ApplyReportPrinterSettings();
        FQRPrinter->SetTitle(FReportTitle);
        FQRPrinter->SetCompression(HasOption(Compression));
        if (OnCalibration && FQRPrinter->Destination() == qrdPrinter && FQRPrinter->Device()) {
            const TPrinterSettings &s = FQRPrinter->PrinterSettings();
            const QPointF c
                = OnCalibration(FQRPrinter->Device()->Name(), s.TrayCode()).value_or(QPointF());
            FQRPrinter->SetCalibration(c.x(), c.y());
        }
        FQRPrinter->BeginDoc();
        FCurrentY = -1;
        FPagecount = 0;
        FCurrentColumn = FPage->Columns();
        FPageFooterSize = 0;
        for (TQRCustomBand *b : FBandList)
            if (b->BandType() == rbPageFooter && b->Enabled())
                FPageFooterSize += b->Size().NativeValue(TQRBandSize::HeightIndex);
        FCurrentX = Rounded(FPage->LeftMargin());
        FPageNumberText = u"0"_s;
        FColumnNumberText = u"0"_s;
        FReportTitleText = FReportTitle;
        for (TQRPrintable *p : Printables())
            p->BeforePrintPrepare();
        for (TQRCustomBand *b : FBandList)
            for (TQRPrintable *p : b->Printables())
                p->BeforePrintPrepare();
        if (FExportFilter)
            FExportFilter->Start(static_cast<int>(RoundHalfEven(width)),
                static_cast<int>(RoundHalfEven(length)), Font());

        RunController();

        FCurrentX = Rounded(FPage->LeftMargin());
        FLastPage = true;
        if (!FCancelled)
            EndPage();
        if (FExportFilter && !FCancelled)
            FExportFilter->Finish();
    } catch (...) {
        failed = true;
        try {
            SetUnits(units);
            CloseRun(true);
        } catch (...) {
        }
        restoreMargins();
        SetVisible(visible);
        FAvailable = true;
        throw;
    }
    SetUnits(units);
    for (TQRPrintable *p : Printables())
        p->AfterPrintCleanup();
    for (TQRCustomBand *b : FBandList)
        for (TQRPrintable *p : b->Printables())
            p->AfterPrintCleanup();
    restoreMargins();
    try {
        CloseRun(failed);
    } catch (...) {
        // A queue that refuses the document must not leave the report busy for good.
        SetVisible(visible);
        FAvailable = true;
        throw;
    }
    SetVisible(visible);
    FAvailable = true;
}

void TCustomQuickRep::CloseRun(bool failed)
{
    if (!FQRPrinter)
        return;
    // A failed run is not sent to the printer half drawn.
    if (FCancelled || (failed && FQRPrinter->Destination() == qrdPrinter))
        FQRPrinter->AbortDoc();
    else if (FFinalPass)
        FQRPrinter->EndDoc();
    else
        FQRPrinter->AbortDoc();
}

void TCustomQuickRep::RunController()
{
    if (!FPrintIfEmpty)
        return;
    PrintBand(BandOfType(rbTitle));
    if (OnNeedData) {
        for (;;) {
            bool more = true;
            OnNeedData(this, more);
            if (!more || FCancelled)
                break;
            PrintBand(BandOfType(rbDetail));
        }
    } else {
        PrintBand(BandOfType(rbDetail));
    }
    PrintBand(BandOfType(rbSummary));
}

void TCustomQuickRep::PrintBand(TQRCustomBand *band)
{
    if (!band)
        return;
    const long double footer = Rounded(FPage->BottomMargin() + FPageFooterSize);
    if (band->AlignToBottom()) {
        const long double p = Rounded(FQRPrinter->PaperLengthValue());
        const long double h = band->Size().NativeValue(TQRBandSize::HeightIndex);
        if (p - FCurrentY >= Rounded(h + FPage->BottomMargin() + FPageFooterSize))
            FCurrentY = p - Rounded(h) - footer;
    }
    if (band->BandType() == rbSummary && !HasOption(LastPageFooter))
        FPageFooterSize = 0;
    BandStep(band);
}

long double TCustomQuickRep::AvailableSpace() const
{
    if (FAvailable || !FQRPrinter || FPagecount == 0)
        return 0;
    return Rounded(
        FQRPrinter->PaperLengthValue() - FPage->BottomMargin() - FPageFooterSize - FCurrentY);
}

void TCustomQuickRep::MakeSpace(TQRCustomBand *band)
{
    const long double h = band->Size().NativeValue(TQRBandSize::HeightIndex);
    bool fits = band->BandType() == rbPageFooter || AvailableSpace() >= Rounded(h)
        || h > FPage->Length() - (FPage->TopMargin() + FPage->BottomMargin());
    if (FPagecount == 0)
        fits = false;
    if (!fits && (!FPage->Continuous() || FPagecount == 0))
        NewColumn();
}

void TCustomQuickRep::BandStep(TQRCustomBand *band)
{
    bool print = true;
    if (band->Enabled() && band->BeforePrint)
        band->BeforePrint(band, print);
    if (print) {
        const bool pageExists = FPagecount > 0;
        if (!IgnoresForce(band->BandType()) && band->ForceNewPage() && pageExists)
            NewPage();
        else if (!IgnoresForce(band->BandType()) && band->ForceNewColumn() && pageExists)
            NewColumn();
        else
            MakeSpace(band);
        const long double height = band->PreCaluculateBandHeight()
            ? band->ExpandedHeight()
            : band->Size().NativeValue(TQRBandSize::HeightIndex);
        if (band->KeepOnOnePage() && band->ExpandedHeight() > AvailableSpace())
            NewColumn();
        const long double bandWidth = band->Size().NativeValue(TQRBandSize::WidthIndex);
        const auto deviceRect = [&](long double x, long double y, long double w, long double h) {
            const int l = FQRPrinter->XPos(x), t = FQRPrinter->YPos(y);
            return QRect(l, t, FQRPrinter->XPos(x + w) - l, FQRPrinter->YPos(y + h) - t);
        };
        band->FExpanded = 0;
        if (!band->TransparentBand() && band->Enabled())
            band->FBandFrameRect = deviceRect(FCurrentX, FCurrentY, bandWidth, height);
        if (band->Height() != 0 && band->Enabled()) {
            ICanvas *canvas = FQRPrinter->Canvas();
            if (FFinalPass && !band->TransparentBand() && canvas && !FExportFilter)
                canvas->FillRect(band->FBandFrameRect, band->Color());
            std::vector<TQRPrintable *> list;
            for (TQRPrintable *p : band->Printables())
                if (p->Enabled())
                    list.push_back(p);
            for (;;) {
                long double largest = 0;
                for (TQRPrintable *p : list) {
                    band->FExpanded = 0;
                    p->PrintAt(FCurrentX, FCurrentY);
                    largest = std::max(largest, band->FExpanded);
                }
                band->FExpanded = largest;
                canvas = FQRPrinter->Canvas();
                if (FFinalPass && canvas && band->Frame().AnyFrame())
                    band->Frame().DrawFrame(*canvas,
                        deviceRect(FCurrentX, FCurrentY, bandWidth, height + largest + 1),
                        FQRPrinter->XFactor(), FQRPrinter->YFactor());
                std::vector<TQRPrintable *> unfinished;
                for (TQRPrintable *p : list)
                    if (!p->PrintFinished())
                        unfinished.push_back(p);
                if (unfinished.empty() || FCancelled)
                    break;
                NewColumn();
                band->FExpanded = 0;
                list = std::move(unfinished);
            }
        }
        FCurrentY += Rounded(height + band->FExpanded);
    }
    if (band->AfterPrint)
        band->AfterPrint(band, print);
}

void TCustomQuickRep::NewColumn()
{
    const int columns = std::max(1, FPage->Columns());
    if (columns == 1 || FCurrentColumn >= columns) {
        FCurrentColumn = 1;
        FCurrentX = Rounded(FPage->LeftMargin());
        NewPage();
    } else {
        const TQRCustomBand *detail = BandOfType(rbDetail);
        const long double columnWidth = detail
            ? detail->Size().NativeValue(TQRBandSize::WidthIndex)
            : std::trunc((FPage->Width() - FPage->LeftMargin() - FPage->RightMargin()
                             - FPage->ColumnSpace() * (columns - 1))
                / columns);
        FCurrentX += FPage->ColumnSpace() + columnWidth;
        FCurrentY = FColumnTopPosition;
        ++FCurrentColumn;
    }
    FColumnNumberText = QString::number(FCurrentColumn);
    if (!(FCurrentColumn == 1 && FPagecount == 1))
        PrintBand(BandOfType(rbColumnHeader));
}

void TCustomQuickRep::NewPage()
{
    if (FPagecount > 0)
        EndPage();
    ++FPagecount;
    FPageNumberText = QString::number(FPagecount);
    if (FFinalPass || FPagecount == 1)
        FQRPrinter->NewPage();
    if (FExportFilter)
        FExportFilter->NewPage();
    FCurrentY = Rounded(FPage->TopMargin());
    if (OnStartPage)
        OnStartPage(this);
    if (FBackgroundColor != QColor(255, 255, 255) && FQRPrinter->Canvas() && !FExportFilter) {
        ICanvas &canvas = *FQRPrinter->Canvas();
        canvas.FillRect(QRect(QPoint(0, 0), canvas.PageSize()), FBackgroundColor);
    }
    if (FPagecount > 1 || HasOption(FirstPageHeader))
        PrintBand(BandOfType(rbPageHeader));
    FColumnTopPosition = FCurrentY;
    FCurrentColumn = 1;
    if (FPagecount == 1)
        if (const TQRCustomBand *title = BandOfType(rbTitle))
            FColumnTopPosition += title->Size().NativeValue(TQRBandSize::HeightIndex);
}

void TCustomQuickRep::EndPage()
{
    if (FPagecount == 0)
        return;
    FCurrentY = Rounded(FPage->Length() - FPage->BottomMargin() - FPageFooterSize);
    FCurrentX = Rounded(FPage->LeftMargin());
    if (!(FLastPage && !HasOption(LastPageFooter)))
        PrintBand(BandOfType(rbPageFooter));
    for (TQRPrintable *p : Printables())
        p->PrintAt(0, 0);
    ICanvas *canvas = FQRPrinter->Canvas();
    if (FFinalPass && canvas && FFrame.AnyFrame()) {
        const int l = FQRPrinter->XPos(FPage->LeftMargin()),
                  t = FQRPrinter->YPos(FPage->TopMargin());
        FFrame.DrawFrame(*canvas,
            QRect(l, t, FQRPrinter->XPos(FPage->Width() - FPage->RightMargin()) - l,
                FQRPrinter->YPos(FPage->Length() - FPage->BottomMargin()) - t),
            FQRPrinter->XFactor(), FQRPrinter->YFactor());
    }
    if (FExportFilter)
        FExportFilter->EndPage();
    if (OnEndPage)
        OnEndPage(this);
}
