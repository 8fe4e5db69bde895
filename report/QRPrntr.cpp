#include "report/QRPrntr.h"

#include "platform/EmfPlayer.h"
#include "platform/EmfRecorder.h"
#include "platform/Errors.h"
#include "platform/Rounding.h"
#include "report/QRError.h"
#include "report/QRUnits.h"

#include <QCoreApplication>
#include <QVariant>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{

constexpr int BinCodes[] = { 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14 };
constexpr long double DefaultFactor = 0.37795L;

TQRPreviewInterfaceFactory &PreviewFactory()
{
    static TQRPreviewInterfaceFactory factory;
    return factory;
}

TQRProgressWindowFactory &ProgressFactory()
{
    static TQRProgressWindowFactory factory;
    return factory;
}

bool SavedReportLoaded = false;

int ToInt(long double v)
{
    return static_cast<int>(RoundHalfEven(v));
}

long double ScreenFactor()
{
    return QRScreenResolution() / 254.0L;
}

} // namespace

int QRBinCode(TQRBin bin)
{
    return BinCodes[static_cast<int>(bin)];
}

std::optional<TQRBin> QRBinFromCode(int code)
{
    for (int i = 0; i < static_cast<int>(std::size(BinCodes)); ++i)
        if (BinCodes[i] == code)
            return static_cast<TQRBin>(i);
    return std::nullopt;
}

void QRSetPreviewInterface(TQRPreviewInterfaceFactory factory)
{
    PreviewFactory() = std::move(factory);
}
const TQRPreviewInterfaceFactory &QRPreviewInterface()
{
    return PreviewFactory();
}
void QRSetProgressWindow(TQRProgressWindowFactory factory)
{
    ProgressFactory() = std::move(factory);
}
const TQRProgressWindowFactory &QRProgressWindow()
{
    return ProgressFactory();
}
bool QRSavedReportLoaded()
{
    return SavedReportLoaded;
}
void QRSetSavedReportLoaded(bool v)
{
    SavedReportLoaded = v;
}

// --- TPrinterSettings ---------------------------------------------------------------------

TPrinterSettings::TPrinterSettings() = default;

void TPrinterSettings::SetPrinter(IPrinterDevice *printer)
{
    FPrinter = printer;
    ReadDevice();
}

void TPrinterSettings::SetPrinterIndex(int index)
{
    if (index == -1 || index == FIndex || !FPrinter)
        return;
    FPrinter->SetIndex(index);
    ReadDevice();
}

void TPrinterSettings::ReadDevice()
{
    if (!FPrinter)
        return;
    try {
        TDeviceSettings rec = FPrinter->Settings();
        FDevMode = rec;
        bool done = false;
        if (OnGetPrinterSettings)
            OnGetPrinterSettings(rec, done);
        if (done)
            return;
        const TDeviceCaps caps = FPrinter->Capabilities();
        FPixelsPerX = caps.DpiX;
        FPixelsPerY = caps.DpiY;
        FCopies = rec.Has(TDeviceSettings::fmCopies) ? rec.Copies : 1;
        FOutputBin = QRBinFromCode(rec.DefaultSource).value_or(TQRBin::First);
        if (rec.Has(TDeviceSettings::fmDuplex)) {
            FDuplex = rec.Duplex != 1;
            FExtendedDuplex = rec.Duplex;
        }
        if (caps.DpiX > 0 && caps.DpiY > 0) {
            FLeftOffset
                = ToInt(static_cast<long double>(caps.PhysicalOffset.x()) / caps.DpiX * 254);
            FTopOffset = ToInt(static_cast<long double>(caps.PhysicalOffset.y()) / caps.DpiY * 254);
            FPaperWidth
                = ToInt(static_cast<long double>(caps.PhysicalSize.width()) / caps.DpiX * 254);
            FPaperLength
                = ToInt(static_cast<long double>(caps.PhysicalSize.height()) / caps.DpiY * 254);
        }
        FPaperSize = QRPaperSizeFromCode(rec.PaperSize);
        FPaperSizes.fill(false);
        for (int code : FPrinter->SupportedPaperCodes()) {
            const TQRPaperSize size = QRPaperSizeFromCode(code);
            if (size != TQRPaperSize::Default)
                FPaperSizes[static_cast<int>(size) - 1] = true;
        }
        FPrintQuality = rec.PrintQuality;
        FColorOption = rec.Color;
        FCollate = rec.Collate;
        FIndex = FPrinter->Index();
    } catch (const ELevantaError &) {
        // A device that cannot be read leaves the defaults.
    }
}

bool TPrinterSettings::PaperSupported(TQRPaperSize size) const
{
    if (!FPrinter || size == TQRPaperSize::Default)
        return true;
    return FPaperSizes[static_cast<int>(size) - 1];
}

void TPrinterSettings::SetCopies(int v)
{
    if (!FPrinter || FDevMode.Has(TDeviceSettings::fmCopies))
        FCopies = v;
}

void TPrinterSettings::SetDuplex(bool v)
{
    if (!FPrinter || FDevMode.Has(TDeviceSettings::fmDuplex))
        FDuplex = v;
}

void TPrinterSettings::SetOrientation(TPrinterOrientation v)
{
    if (!FPrinter || FDevMode.Has(TDeviceSettings::fmOrientation))
        FOrientation = v;
}

void TPrinterSettings::SetOutputBin(TQRBin v)
{
    if (!FPrinter || FDevMode.Has(TDeviceSettings::fmDefaultSource))
        FOutputBin = v;
}

void TPrinterSettings::SetPaperSize(TQRPaperSize v)
{
    if (PaperSupported(v))
        FPaperSize = v;
}

TDeviceSettings TPrinterSettings::SettingsRecord() const
{
    TDeviceSettings rec = FDevMode;
    const std::uint32_t supported = FDevMode.Fields;
    rec.Fields = 0;
    const auto set = [&](std::uint32_t field, int &to, int value) {
        to = value;
        rec.Fields |= field & supported;
    };
    // Named sizes go as the table has them (no exchange for landscape).
    int width = FPaperWidth, length = FPaperLength;
    if (const auto d = QRPaperDimensions(FPaperSize)) {
        width = ToInt(d->Width * 10);
        length = ToInt(d->Length * 10);
    }
    set(TDeviceSettings::fmPaperLength, rec.PaperLength, length);
    set(TDeviceSettings::fmPaperWidth, rec.PaperWidth, width);
    if (FDevMode.Has(TDeviceSettings::fmPaperSize) && FPaperSize != TQRPaperSize::Default)
        set(TDeviceSettings::fmPaperSize, rec.PaperSize,
            FUseCustomPaperCode ? FCustomPaperCode : QRPaperCode(FPaperSize).value_or(0));
    set(TDeviceSettings::fmCopies, rec.Copies, FCopies);
    if (FDevMode.Has(TDeviceSettings::fmDuplex))
        set(TDeviceSettings::fmDuplex, rec.Duplex,
            FExtendedDuplex != 0 ? FExtendedDuplex
                : FDuplex        ? 3
                                 : 1);
    set(TDeviceSettings::fmDefaultSource, rec.DefaultSource, TrayCode());
    set(TDeviceSettings::fmOrientation, rec.Orientation, FOrientation == poLandscape ? 2 : 1);
    if (FDevMode.Has(TDeviceSettings::fmCollate))
        rec.Collate = FCollate; // without its mask bit
    return rec;
}

void TPrinterSettings::ApplySettings()
{
    if (!FPrinter)
        return;
    TDeviceSettings rec = SettingsRecord();
    bool done = false;
    if (OnApplyPrinterSettings)
        OnApplyPrinterSettings(rec, done);
    if (!done)
        FPrinter->SetSettings(rec);
}

// --- TQRPrinter ---------------------------------------------------------------------------

TQRPrinter::TQRPrinter(IQRPrintedReport *report, bool needDevice)
    : FParentReport(report)
    , FPageList(std::make_unique<TQRPageList>())
    , aPrinterSettings(std::make_unique<TPrinterSettings>())
{
    IPrinting *system = Printing();
    // The system's default printer may have changed since the last print.
    if (system && needDevice)
        system->Refresh();
    FPrinterOK = system && !system->Printers().isEmpty();
    if (report) {
        aPrinterSettings->SetUseStandardPrinter(report->PrinterSettings().UseStandardprinter());
        aPrinterSettings->SetMemoryLimit(report->PrinterSettings().MemoryLimit());
    }
    try {
        if (!system)
            throw EPlatformError(NoDefaultPrinterText());
        if (aPrinterSettings->UseStandardPrinter()) {
            if (FPrinterOK)
                aPrinter = &system->GlobalPrinter();
        } else {
            FOwnPrinter = system->CreatePrinter(-1);
            aPrinter = FOwnPrinter.get();
        }
    } catch (const EPlatformError &) {
        // Without a printer a run towards the screen still records its pages; only a run
        // towards the device needs one.
        if (needDevice && !aPrinterSettings->UseStandardPrinter())
            throw;
    }
    if (FPrinterOK && aPrinter)
        aPrinterSettings->SetPrinter(aPrinter);
    FTopWaste = aPrinterSettings->TopOffset();
    FLeftWaste = aPrinterSettings->LeftOffset();
}

TQRPrinter::~TQRPrinter()
{
    if (FStatus == mpBusy)
        FCancelled = true;
    ReleaseDocument();
    if (FPreviewControl) {
        // A preview still bound to this printer is detached.
        FPreviewControl->setProperty("qrPrinterGone", QVariant(true));
    }
    if (FPageList) {
        FPageList->FreeStream();
        FPageList->Clear();
    }
}

void TQRPrinter::ReleaseDocument()
{
    if (aPrinter && FDocumentOpen && aPrinter->Printing()) {
        try {
            aPrinter->Abort();
        } catch (const ELevantaError &) {
        }
    }
    FDocumentOpen = false;
}

int TQRPrinter::XPos(long double v) const
{
    return ToInt((v - FLeftWaste) * FXFactor);
}
int TQRPrinter::YPos(long double v) const
{
    return ToInt((v - FTopWaste) * FYFactor);
}
int TQRPrinter::XSize(long double v) const
{
    return ToInt(v * FXFactor);
}
int TQRPrinter::YSize(long double v) const
{
    return ToInt(v * FYFactor);
}

long double TQRPrinter::PaperWidthValue() const
{
    const bool landscape = Orientation() == poLandscape;
    if (const auto d = QRPaperDimensions(PaperSize()))
        return (landscape ? d->Length : d->Width) * 10;
    return landscape ? PaperLength() : PaperWidth();
}

long double TQRPrinter::PaperLengthValue() const
{
    const bool landscape = Orientation() == poLandscape;
    if (const auto d = QRPaperDimensions(PaperSize()))
        return (landscape ? d->Width : d->Length) * 10;
    return landscape ? PaperWidth() : PaperLength();
}

bool TQRPrinter::Compression() const
{
    return FPageList->Compression();
}

void TQRPrinter::SetCompression(bool v)
{
    FPageList->SetCompression(v);
}

void TQRPrinter::SetTitle(const QString &v)
{
    FTitle = v;
    aPrinterSettings->SetTitle(v);
}

void TQRPrinter::Notify(QEvent::Type type, int value)
{
    if (FClient)
        QCoreApplication::postEvent(FClient, new TQRPrinterEvent(type, value));
}

void TQRPrinter::SetProgress(int percent)
{
    FProgress = percent;
    Notify(TQRPrinterEvent::Progress, percent);
}

void TQRPrinter::DeviceFactors()
{
    FXFactor = aPrinterSettings->PixelsPerX() / 254.0L;
    FYFactor = aPrinterSettings->PixelsPerY() / 254.0L;
}

bool TQRPrinter::PageInRange(int page) const
{
    return (FirstPage() <= 0 || page >= FirstPage()) && (LastPage() <= 0 || page <= LastPage());
}

void TQRPrinter::BeginDoc()
{
    FMetafile.reset();
    FCanvas = nullptr;
    FPageOpen = false;
    FAvailablePages = 0;
    FCancelled = false;
    FLoadedFromFile = false;
    if (FDestination == qrdPrinter) {
        if (!aPrinter)
            throw EPlatformError(NoDefaultPrinterText());
        aPrinterSettings->ApplySettings();
        FTopWaste = aPrinterSettings->TopOffset() - FCalibrationY;
        FLeftWaste = aPrinterSettings->LeftOffset() - FCalibrationX;
    } else {
        FTopWaste = FLeftWaste = 0;
    }
    if (FStatus != mpReady)
        throw EQRError(u"QRPrinter not ready"_s);
    FPageNumber = FPageCount = 0;
    FStatus = mpBusy;
    if (FDestination == qrdMetafile) {
        FPageList->SetStream(std::make_unique<TQRStream>(aPrinterSettings->MemoryLimit()));
        FXFactor = FYFactor = ScreenFactor();
    } else {
        DeviceFactors();
        if (FXFactor < 0.1L)
            FXFactor = DefaultFactor;
        if (FYFactor < 0.1L)
            FYFactor = DefaultFactor;
    }
}

void TQRPrinter::Rewind()
{
    if (FStatus != mpFinished || FDestination != qrdMetafile)
        return;
    const bool compression = FPageList->Compression();
    FPageList->FreeStream();
    FPageList = std::make_unique<TQRPageList>();
    FPageList->SetCompression(compression);
    FPageCount = FAvailablePages = 0;
    FStatus = mpReady;
}

void TQRPrinter::RecordingPage()
{
    FMetafile = std::make_unique<TEmfRecorder>(
        QSize(XSize(PaperWidthValue()), YSize(PaperLengthValue())), QRScreenResolution());
    FCanvas = FMetafile.get();
}

void TQRPrinter::ClosePage()
{
    if (!FPageOpen)
        return;
    FPageOpen = false;
    if (FDestination == qrdMetafile) {
        if (FMetafile)
            FPageList->AddPage(FMetafile->Finish());
    } else if (!FScratchPage && FDocumentOpen && !(LastPage() > 0 && FPageCount >= LastPage())) {
        aPrinter->NewPage();
    }
    FMetafile.reset();
    FCanvas = nullptr;
    ++FAvailablePages;
    Notify(TQRPrinterEvent::PagesAvailable, FAvailablePages);
}

void TQRPrinter::OpenPage()
{
    FPageOpen = true;
    FScratchPage = false;
    if (FDestination == qrdMetafile) {
        FXFactor = FYFactor = ScreenFactor();
        RecordingPage();
    } else if (PageInRange(FPageCount)) {
        if (!FDocumentOpen) {
            aPrinter->SetTitle(FTitle);
            aPrinter->BeginDoc();
            FDocumentOpen = true;
        }
        FCanvas = &aPrinter->Canvas();
        DeviceFactors();
        if (FYFactor < 0.1L)
            FYFactor = 1;
    } else {
        // Drawn, then thrown away: the run still lays the page out.
        FScratchPage = true;
        RecordingPage();
    }
}

void TQRPrinter::NewPage()
{
    if (FStatus != mpBusy)
        throw EQRError(u"Illegal call to NewPage"_s);
    ClosePage();
    ++FPageCount;
    ++FPageNumber;
    OpenPage();
}

void TQRPrinter::EndDoc()
{
    if (FStatus != mpBusy)
        return;
    const bool hadPage = FPageOpen;
    if (FPageOpen) {
        FPageOpen = false;
        if (FDestination == qrdMetafile && FMetafile)
            FPageList->AddPage(FMetafile->Finish());
        FMetafile.reset();
        FCanvas = nullptr;
    }
    if (FDestination == qrdPrinter && FDocumentOpen) {
        FDocumentOpen = false;
        aPrinter->EndDoc();
    }
    FStatus = mpFinished;
    if (hadPage)
        ++FAvailablePages;
    Notify(TQRPrinterEvent::PagesAvailable, FAvailablePages);
    QCoreApplication::processEvents();
    if (FDestination == qrdMetafile)
        FPageList->Finish();
    else if (AfterPrint)
        AfterPrint();
}

void TQRPrinter::AbortDoc()
{
    if (FDestination == qrdPrinter) {
        ReleaseDocument();
    } else if (FPageOpen) {
        if (FMetafile && !Exporting)
            FPageList->AddPage(FMetafile->Finish());
        ++FAvailablePages;
    }
    FPageOpen = false;
    FMetafile.reset();
    FCanvas = nullptr;
    FStatus = mpFinished;
}

void TQRPrinter::Cancel()
{
    FCancelled = true;
}

std::optional<TQRPagePicture> TQRPrinter::GetPage(int n)
{
    if ((FStatus != mpBusy && FStatus != mpFinished) || n < 1 || n > FPageCount)
        return std::nullopt;
    return FPageList->GetPage(n);
}

void TQRPrinter::SetShowingPreview(bool v)
{
    if (FShowingPreview == v)
        return;
    FShowingPreview = v;
    if (!v) {
        if (FStatus == mpBusy)
            Cancel();
        if (AfterPreview)
            AfterPreview();
    }
}

void TQRPrinter::Preview()
{
    if (OnPreview)
        OnPreview();
    if (const auto &factory = QRPreviewInterface()) {
        std::unique_ptr<TQRPreviewInterface> preview = factory();
        FShowingPreview = true;
        FPreviewControl = preview->Show(this);
    }
}

void TQRPrinter::PreviewModal()
{
    if (OnPreview)
        OnPreview();
    if (const auto &factory = QRPreviewInterface()) {
        std::unique_ptr<TQRPreviewInterface> preview = factory();
        FShowingPreview = true;
        preview->ShowModal(this);
    }
}

void TQRPrinter::PrintSetup()
{
    if (OnPrintSetup)
        OnPrintSetup();
}

void TQRPrinter::ClosePreview()
{
    FPreviewControl = nullptr;
    FClient = nullptr;
    SetShowingPreview(false);
    // The master frees this printer: nothing of it may be touched afterwards.
    if (FMaster)
        FMaster->PreviewClosed(this);
}

void TQRPrinter::Save(const QString &fileName)
{
    if (FStatus == mpFinished)
        FPageList->SaveToFile(fileName);
}

void TQRPrinter::Load(const QString &fileName)
{
    // Read into a list of its own first: a damaged file leaves the pages on show as they were.
    auto loaded = std::make_unique<TQRPageList>();
    loaded->LoadFromFile(fileName);
    if (FPageList)
        FPageList->FreeStream();
    FPageList = std::move(loaded);
    FPageCount = FPageList->PageCount();
    FAvailablePages = FPageCount;
    FXFactor = FYFactor = ScreenFactor();
    if (FPageCount > 0) {
        if (const auto page = FPageList->GetPage(1)) {
            const QSizeF px = ReadEmfInfo(*page).FrameSizePixels();
            const TQRDetectedPaper paper
                = QRDetectPaperFromPixels(px.width(), px.height(), QRScreenResolution());
            SetOrientation(paper.Orientation);
            SetPaperSize(paper.PaperSize);
        }
    }
    FStatus = mpFinished;
    OnPrintSetup = nullptr;
    FReportLoaded = true;
    FLoadedFromFile = true;
    QRSetSavedReportLoaded(true);
}

void TQRPrinter::Print()
{
    if (FMaster && !FReportLoaded && !aPrinterSettings->PrintMetafile() && FStatus == mpFinished) {
        FMaster->Print();
        return;
    }
    if (FStatus != mpFinished || !FPrinterOK || !aPrinter)
        return;
    aPrinter->SetTitle(FTitle);
    if (aPrinter->Printing())
        aPrinter->Abort();
    aPrinterSettings->ApplySettings();
    const int first = FirstPage() > 0 ? FirstPage() : 1;
    const int last = LastPage() > 0 ? std::min(LastPage(), FPageCount) : FPageCount;
    if (last < first)
        return;
    IQRPrintedReport *report = FParentReport ? FParentReport : FMaster;
    if (report && !FLoadedFromFile && !report->MayPrintToDevice())
        return;
    // The correction belongs to the paper path: pages loaded from a file take it too.
    if (report) {
        const QPointF c = report->CalibrationFor(aPrinter->Name(), aPrinterSettings->TrayCode())
                              .value_or(QPointF());
        SetCalibration(c.x(), c.y());
    }
    aPrinter->BeginDoc();
    FDocumentOpen = true;

    std::unique_ptr<TQRProgressWindow> progress;
    QObject *oldClient = FClient;
    // A page that fails or a queue that refuses the job leaves the printer ready again.
    const auto close = [&] {
        FDocumentOpen = false;
        if (progress)
            progress->Hide();
        progress.reset();
        FClient = oldClient;
    };
    try {
        if (report && report->ShowProgress() && QRProgressWindow()) {
            progress = QRProgressWindow()(report->PrintedReport(), this,
                QCoreApplication::translate("QuickRpt", "Printing progress"));
            FClient = progress->Client();
            progress->Show();
        }
        const long double fx = aPrinterSettings->PixelsPerX() / 254.0L;
        const long double fy = aPrinterSettings->PixelsPerY() / 254.0L;
        const long double lo = aPrinterSettings->LeftOffset() - FCalibrationX,
                          to = aPrinterSettings->TopOffset() - FCalibrationY;
        for (int p = first; p <= last; ++p) {
            QCoreApplication::processEvents();
            if (FCancelled) {
                aPrinter->Abort();
                FDocumentOpen = false;
                break;
            }
            SetProgress(ToInt(static_cast<long double>(p - first + 1) / (last - first + 1) * 100));
            FPageNumber = p;
            QRect target;
            if (report) {
                const auto [w, l] = report->PrintedPageNative();
                const int left = ToInt(-(lo * fx)), top = ToInt(-(to * fy));
                target = QRect(left, top, ToInt((w - lo) * fx) - left, ToInt((l - to) * fy) - top);
            } else {
                target = QRect(QPoint(0, 0), aPrinter->Capabilities().PhysicalSize);
            }
            // A picture the player refuses is reported with the report and the page named.
            FPageList->DrawPage(p, aPrinter->Canvas(), target);
            if (p < last)
                aPrinter->NewPage();
        }
        if (FDocumentOpen && aPrinter->Printing())
            aPrinter->EndDoc();
    } catch (...) {
        if (aPrinter->Printing()) {
            try {
                aPrinter->Abort();
            } catch (...) {
            }
        }
        close();
        throw;
    }
    close();
    if (report)
        report->DoAfterPrint();
}
