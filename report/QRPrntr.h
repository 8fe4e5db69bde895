#pragma once
// The run printer's side of the engine: what a report asks of the printer, the settings the
// printer object reads from and writes to the device, and TQRPrinter, which owns a run's
// output canvas, turns native units into device pixels, sequences pages and either records
// them into the page list (preview) or draws them on the device (print).

#include "platform/Canvas.h"
#include "platform/Printing.h"
#include "report/QRCompress.h"
#include "report/QRPageList.h"
#include "report/QRPaper.h"
#include "report/QRStream.h"

#include <QEvent>
#include <QObject>
#include <QPointF>
#include <QPointer>

#include <utility>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class TCustomQuickRep;
class TEmfRecorder;
class TQRPrinter;

enum TQRPrinterDestination : int { qrdMetafile, qrdPrinter };
enum TQRPrinterStatus : int { mpReady, mpBusy, mpFinished };

enum class TQRBin : int {
    First,
    Upper,
    Lower,
    Middle,
    Manual,
    Envelope,
    EnvManual,
    Auto,
    Tractor,
    SmallFormat,
    LargeFormat,
    LargeCapacity,
    Cassette,
    Last,
};

// The platform tray code a bin is sent as.
int QRBinCode(TQRBin bin);
// The first bin whose code is code; nullopt when none.
std::optional<TQRBin> QRBinFromCode(int code);

// The notifications a run printer posts to its client (preview or progress window). The
// value travels in the event.
class TQRPrinterEvent : public QEvent
{
public:
    static constexpr QEvent::Type Progress = static_cast<QEvent::Type>(QEvent::User + 0x100);
    static constexpr QEvent::Type PagesAvailable = static_cast<QEvent::Type>(QEvent::User + 0x101);
    TQRPrinterEvent(QEvent::Type type, int value)
        : QEvent(type)
        , FValue(value)
    {
    }
    int Value() const { return FValue; }

private:
    int FValue;
};

// What the report asks of the printer (PrinterSettings and UserPrinterSettings).
class TQuickRepPrinterSettings
{
public:
    virtual ~TQuickRepPrinterSettings() = default;

    int Copies() const { return FCopies; }
    void SetCopies(int v) { FCopies = v; }
    bool Duplex() const { return FDuplex; }
    void SetDuplex(bool v) { FDuplex = v; }
    TPrinterOrientation Orientation() const { return FOrientation; }
    virtual void SetOrientation(TPrinterOrientation v) { FOrientation = v; }
    TQRBin OutputBin() const { return FOutputBin; }
    void SetOutputBin(TQRBin v) { FOutputBin = v; }
    TQRPaperSize PaperSize() const { return FPaperSize; }
    void SetPaperSize(TQRPaperSize v) { FPaperSize = v; }
    int PrinterIndex() const { return FPrinterIndex; }
    void SetPrinterIndex(int v) { FPrinterIndex = v; }
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &v) { FTitle = v; }
    int FirstPage() const { return FFirstPage; }
    void SetFirstPage(int v) { FFirstPage = v; }
    int LastPage() const { return FLastPage; }
    void SetLastPage(int v) { FLastPage = v; }
    bool PrintMetaFile() const { return FPrintMetafile; }
    void SetPrintMetaFile(bool v) { FPrintMetafile = v; }
    bool UseStandardprinter() const { return FUseStandardPrinter; }
    void SetUseStandardprinter(bool v) { FUseStandardPrinter = v; }
    bool UseExtendedDuplex() const { return FUseExtendedDuplex; }
    void SetUseExtendedDuplex(bool v) { FUseExtendedDuplex = v; }
    int ExtendedDuplex() const { return FExtendedDuplex; }
    void SetExtendedDuplex(int v) { FExtendedDuplex = v; }
    int MemoryLimit() const { return FMemoryLimit; }
    void SetMemoryLimit(int v) { FMemoryLimit = v; }
    int PrintQuality() const { return FPrintQuality; }
    void SetPrintQuality(int v) { FPrintQuality = v; }
    int Collate() const { return FCollate; }
    void SetCollate(int v) { FCollate = v; }
    int ColorOption() const { return FColorOption; }
    void SetColorOption(int v) { FColorOption = v; }
    bool UseCustomBinCode() const { return FUseCustomBinCode; }
    void SetUseCustomBinCode(bool v) { FUseCustomBinCode = v; }
    int CustomBinCode() const { return FCustomBinCode; }
    void SetCustomBinCode(int v) { FCustomBinCode = v; }
    bool UseCustomPaperCode() const { return FUseCustomPaperCode; }
    void SetUseCustomPaperCode(bool v) { FUseCustomPaperCode = v; }
    int CustomPaperCode() const { return FCustomPaperCode; }
    void SetCustomPaperCode(int v) { FCustomPaperCode = v; }

private:
    int FCopies = 1;
    bool FDuplex = false;
    TPrinterOrientation FOrientation = poPortrait;
    TQRBin FOutputBin = TQRBin::Auto;
    TQRPaperSize FPaperSize = TQRPaperSize::Letter;
    int FPrinterIndex = -1;
    QString FTitle;
    int FFirstPage = 0;
    int FLastPage = 0;
    bool FPrintMetafile = false;
    bool FUseStandardPrinter = false;
    bool FUseExtendedDuplex = false;
    int FExtendedDuplex = 0;
    int FMemoryLimit = 250000;
    int FPrintQuality = 0;
    int FCollate = 0;
    int FColorOption = 0;
    bool FUseCustomBinCode = false;
    int FCustomBinCode = 0;
    bool FUseCustomPaperCode = false;
    int FCustomPaperCode = 0;
};

// Hooks a report may set on the device record: reading (may take over by setting done) and
// writing (may take over by setting done).
using TQRGetPrinterSettingsEvent = std::function<void(TDeviceSettings &record, bool &done)>;
using TQRApplyPrinterSettingsEvent = std::function<void(TDeviceSettings &record, bool &done)>;

// The settings of one printer object, read from its device and written back to it.
class TPrinterSettings
{
public:
    TPrinterSettings();

    // The platform printer the settings belong to (not owned); assigning reads the device.
    IPrinterDevice *Printer() const { return FPrinter; }
    void SetPrinter(IPrinterDevice *printer);
    int PrinterIndex() const { return FIndex; }
    // A new index selects that device and reads it; -1 and the same index change nothing.
    void SetPrinterIndex(int index);

    // Every setter takes the value only where the device allows it (its field mask, its
    // supported papers); a refused value keeps what was read.
    int Copies() const { return FCopies; }
    void SetCopies(int v);
    bool Duplex() const { return FDuplex; }
    void SetDuplex(bool v);
    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation v);
    TQRBin OutputBin() const { return FOutputBin; }
    void SetOutputBin(TQRBin v);
    TQRPaperSize PaperSize() const { return FPaperSize; }
    void SetPaperSize(TQRPaperSize v);
    int PaperWidth() const { return FPaperWidth; }
    void SetPaperWidth(int v) { FPaperWidth = v; }
    int PaperLength() const { return FPaperLength; }
    void SetPaperLength(int v) { FPaperLength = v; }
    bool PaperSupported(TQRPaperSize size) const;

    int FirstPage() const { return FFirstPage; }
    void SetFirstPage(int v) { FFirstPage = v; }
    int LastPage() const { return FLastPage; }
    void SetLastPage(int v) { FLastPage = v; }
    bool PrintMetafile() const { return FPrintMetafile; }
    void SetPrintMetafile(bool v) { FPrintMetafile = v; }
    bool UseStandardPrinter() const { return FUseStandardPrinter; }
    void SetUseStandardPrinter(bool v) { FUseStandardPrinter = v; }
    int ExtendedDuplex() const { return FExtendedDuplex; }
    void SetExtendedDuplex(int v) { FExtendedDuplex = v; }
    bool UseExtendedDuplex() const { return FUseExtendedDuplex; }
    void SetUseExtendedDuplex(bool v) { FUseExtendedDuplex = v; }
    bool UseCustomBinCode() const { return FUseCustomBinCode; }
    void SetUseCustomBinCode(bool v) { FUseCustomBinCode = v; }
    int CustomBinCode() const { return FCustomBinCode; }
    void SetCustomBinCode(int v) { FCustomBinCode = v; }
    // The tray the device is asked for, by which a feed's calibration is kept.
    int TrayCode() const { return FUseCustomBinCode ? FCustomBinCode : QRBinCode(FOutputBin); }
    bool UseCustomPaperCode() const { return FUseCustomPaperCode; }
    void SetUseCustomPaperCode(bool v) { FUseCustomPaperCode = v; }
    int CustomPaperCode() const { return FCustomPaperCode; }
    void SetCustomPaperCode(int v) { FCustomPaperCode = v; }
    int PrintQuality() const { return FPrintQuality; }
    void SetPrintQuality(int v) { FPrintQuality = v; }
    int Collate() const { return FCollate; }
    void SetCollate(int v) { FCollate = v; }
    int ColorOption() const { return FColorOption; }
    void SetColorOption(int v) { FColorOption = v; }
    int MemoryLimit() const { return FmemoryLimit; }
    void SetMemoryLimit(int v) { FmemoryLimit = v; }
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &v) { FTitle = v; }

    int PixelsPerX() const { return FPixelsPerX; }
    int PixelsPerY() const { return FPixelsPerY; }
    int LeftOffset() const { return FLeftOffset; }
    int TopOffset() const { return FTopOffset; }

    TQRGetPrinterSettingsEvent OnGetPrinterSettings;
    TQRApplyPrinterSettingsEvent OnApplyPrinterSettings;

    // Reads the device (resolution, copies, tray, duplex, offsets, paper, papers offered).
    void ReadDevice();
    // Writes the settings record to the device (ApplySettings).
    void ApplySettings();
    // The record ApplySettings hands to the device, for the device as read.
    TDeviceSettings SettingsRecord() const;

private:
    int FIndex = -1;
    TDeviceSettings FDevMode; // the device's record as last read
    int FCopies = 1;
    bool FDuplex = false;
    bool FPrintMetafile = false;
    bool FUseStandardPrinter = false;
    bool FUseExtendedDuplex = false;
    int FExtendedDuplex = 0;
    bool FUseCustomBinCode = false;
    int FCustomBinCode = 0;
    int FPrintQuality = 0;
    int FCollate = 0;
    int FColorOption = 0;
    int FmemoryLimit = 250000;
    bool FUseCustomPaperCode = false;
    int FCustomPaperCode = 0;
    TPrinterOrientation FOrientation = poPortrait;
    TQRBin FOutputBin = TQRBin::First;
    TQRPaperSize FPaperSize = TQRPaperSize::A4;
    std::array<bool, 69> FPaperSizes {}; // Letter .. Custom, index ordinal - 1
    int FPaperWidth = 0;
    int FPaperLength = 0;
    int FPixelsPerX = 0;
    int FPixelsPerY = 0;
    int FTopOffset = 0;
    int FLeftOffset = 0;
    int FFirstPage = 0;
    int FLastPage = 0;
    IPrinterDevice *FPrinter = nullptr;
    QString FTitle;
};

// The window a preview opens: the factory of preview windows the engine asks. preview/
// registers one at start; without one a preview records its pages and shows nothing.
class TQRPreviewInterface
{
public:
    virtual ~TQRPreviewInterface() = default;
    // Shows a modeless preview window bound to printer and returns it.
    virtual QObject *Show(TQRPrinter *printer) = 0;
    virtual void ShowModal(TQRPrinter *printer) = 0;
};
using TQRPreviewInterfaceFactory = std::function<std::unique_ptr<TQRPreviewInterface>()>;
void QRSetPreviewInterface(TQRPreviewInterfaceFactory factory);
const TQRPreviewInterfaceFactory &QRPreviewInterface();

// The progress window of a print or export run (its caption, printer and report); preview/
// registers the window. Its Client receives the printer's progress events.
class TQRProgressWindow
{
public:
    virtual ~TQRProgressWindow() = default;
    virtual QObject *Client() = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};
using TQRProgressWindowFactory = std::function<std::unique_ptr<TQRProgressWindow>(
    TCustomQuickRep *report, TQRPrinter *printer, const QString &caption)>;
void QRSetProgressWindow(TQRProgressWindowFactory factory);
const TQRProgressWindowFactory &QRProgressWindow();

// Set whenever a saved report is loaded, cleared whenever a report is created; the preview's
// Print then prints stored pages instead of running the report again.
bool QRSavedReportLoaded();
void QRSetSavedReportLoaded(bool v);

// What the run printer asks of the report it prints or previews. The report implements it,
// so that the printer knows nothing more of the report.
class IQRPrintedReport
{
public:
    // The report itself, for the hooks and windows that are given it.
    virtual TCustomQuickRep *PrintedReport() = 0;
    virtual TQuickRepPrinterSettings &PrinterSettings() = 0;
    virtual bool ShowProgress() const = 0;
    // The page's width and length in native units.
    virtual std::pair<long double, long double> PrintedPageNative() const = 0;
    // Runs the report again, onto the printer.
    virtual void Print() = 0;
    virtual void PreviewClosed(TQRPrinter *printer) = 0;
    virtual void DoAfterPrint() = 0;
    // The correction (native units, right and down) for pages sent to that printer and tray
    // code, if one is known.
    virtual std::optional<QPointF> CalibrationFor(const QString &printer, int trayCode) = 0;
    // Asked before the report's own pages go to a printer; false sends nothing.
    virtual bool MayPrintToDevice() = 0;

protected:
    ~IQRPrintedReport() = default;
};

class TQRPrinter
{
public:
    // A run printer for report (may be null: a printer for a loaded report). Raises
    // EPlatformError "There is no default printer currently selected" when a printer is
    // needed and none is set; see CreateFor.
    explicit TQRPrinter(IQRPrintedReport *report, bool needDevice = true);
    ~TQRPrinter();
    TQRPrinter(const TQRPrinter &) = delete;
    TQRPrinter &operator=(const TQRPrinter &) = delete;

    // --- Coordinates: native units to device pixels, rounded half to even ---
    int XPos(long double v) const;
    int YPos(long double v) const;
    int XSize(long double v) const;
    int YSize(long double v) const;
    long double XFactor() const { return FXFactor; }
    long double YFactor() const { return FYFactor; }
    long double LeftWaste() const { return FLeftWaste; }
    long double TopWaste() const { return FTopWaste; }

    // --- Page sequencing ---
    void BeginDoc();
    // A finished run's pages are dropped and the printer is ready for the same run again.
    void Rewind();
    void NewPage();
    void EndDoc();
    void AbortDoc();
    void Cancel();
    bool Cancelled() const { return FCancelled; }
    // Page n while busy or finished, 1 <= n <= PageCount(); nothing otherwise.
    std::optional<TQRPagePicture> GetPage(int n);
    bool PageInRange(int page) const;

    // --- The preview and the stored pages ---
    void Preview();
    void PreviewModal();
    // Prints the recorded pages (or asks the master report to run again to the printer).
    void Print();
    void PrintSetup();
    void ClosePreview();
    void Save(const QString &fileName);
    // Loads a saved report; the detected paper and orientation become the printer's.
    void Load(const QString &fileName);
    // The progress percentage, posted to the client.
    void SetProgress(int percent);

    ICanvas *Canvas() const { return FCanvas; }
    TQRPrinterDestination Destination() const { return FDestination; }
    void SetDestination(TQRPrinterDestination v) { FDestination = v; }
    TQRPrinterStatus Status() const { return FStatus; }
    int PageCount() const { return FPageCount; }
    int PageNumber() const { return FPageNumber; }
    int AvailablePages() const { return FAvailablePages; }
    int Progress() const { return FProgress; }
    bool PrinterOK() const { return FPrinterOK; }
    bool ShowingPreview() const { return FShowingPreview; }
    void SetShowingPreview(bool v);
    bool ReportLoaded() const { return FReportLoaded; }
    void SetReportLoaded(bool v) { FReportLoaded = v; }
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &v);
    TQRPageList *PageList() const { return FPageList.get(); }
    TCustomQuickRep *ParentReport() const
    {
        return FParentReport ? FParentReport->PrintedReport() : nullptr;
    }
    TCustomQuickRep *Master() const { return FMaster ? FMaster->PrintedReport() : nullptr; }
    void SetMaster(IQRPrintedReport *v) { FMaster = v; }
    QObject *Client() const { return FClient; }
    void SetClient(QObject *v) { FClient = v; }
    QObject *PreviewControl() const { return FPreviewControl; }
    bool Compression() const;
    void SetCompression(bool v);
    TPrinterSettings &PrinterSettings() { return *aPrinterSettings; }
    IPrinterDevice *Device() const { return aPrinter; }

    // Settings pass-through (the printer object's TPrinterSettings).
    TQRPaperSize PaperSize() const { return aPrinterSettings->PaperSize(); }
    void SetPaperSize(TQRPaperSize v) { aPrinterSettings->SetPaperSize(v); }
    TPrinterOrientation Orientation() const { return aPrinterSettings->Orientation(); }
    void SetOrientation(TPrinterOrientation v) { aPrinterSettings->SetOrientation(v); }
    int Copies() const { return aPrinterSettings->Copies(); }
    void SetCopies(int v) { aPrinterSettings->SetCopies(v); }
    bool Duplex() const { return aPrinterSettings->Duplex(); }
    void SetDuplex(bool v) { aPrinterSettings->SetDuplex(v); }
    TQRBin OutputBin() const { return aPrinterSettings->OutputBin(); }
    void SetOutputBin(TQRBin v) { aPrinterSettings->SetOutputBin(v); }
    int FirstPage() const { return aPrinterSettings->FirstPage(); }
    void SetFirstPage(int v) { aPrinterSettings->SetFirstPage(v); }
    int LastPage() const { return aPrinterSettings->LastPage(); }
    void SetLastPage(int v) { aPrinterSettings->SetLastPage(v); }
    int PrinterIndex() const { return aPrinterSettings->PrinterIndex(); }
    void SetPrinterIndex(int v) { aPrinterSettings->SetPrinterIndex(v); }
    // Paper width and length of the printer's paper in native units as read from the device.
    int PaperWidth() const { return aPrinterSettings->PaperWidth(); }
    int PaperLength() const { return aPrinterSettings->PaperLength(); }
    // The paper's width and length values for the page's orientation (native units): the
    // table's for a named size, the settings' for Custom and Default.
    long double PaperWidthValue() const;
    long double PaperLengthValue() const;

    // Hooks (the report sets them): a request to set up the printer, to export, and the
    // report's OnPreview, AfterPreview and AfterPrint.
    std::function<void()> OnPrintSetup;
    std::function<void()> OnPreview;
    std::function<void()> AfterPreview;
    std::function<void()> AfterPrint;
    // Set while an export filter runs (the page being drawn is then not kept on an abort).
    bool Exporting = false;
    // A correction for where this device's feed puts the paper (native units, right and
    // down positive): applied to pages drawn on the device only, never to recorded pages.
    void SetCalibration(long double dx, long double dy)
    {
        FCalibrationX = dx;
        FCalibrationY = dy;
    }

private:
    void Notify(QEvent::Type type, int value);
    void OpenPage();
    void ClosePage();
    void RecordingPage();
    void DeviceFactors();
    void ReleaseDocument();

    IPrinterDevice *aPrinter = nullptr;
    std::unique_ptr<IPrinterDevice> FOwnPrinter;
    IQRPrintedReport *FParentReport = nullptr;
    int FAvailablePages = 0;
    bool FCancelled = false;
    ICanvas *FCanvas = nullptr;
    TQRPrinterDestination FDestination = qrdMetafile;
    int FFirstPage = 0;
    int FLastpage = 0;
    long double FLeftWaste = 0;
    QPointer<QObject> FClient;
    IQRPrintedReport *FMaster = nullptr;
    std::unique_ptr<TEmfRecorder> FMetafile;
    bool FScratchPage = false;
    bool FDocumentOpen = false;
    bool FPageOpen = false;
    int FPageCount = 0;
    int FPageNumber = 0;
    bool FPrinterOK = false;
    int FProgress = 0;
    QString FTitle;
    long double FTopWaste = 0;
    long double FCalibrationX = 0;
    long double FCalibrationY = 0;
    bool FShowingPreview = false;
    TQRPrinterStatus FStatus = mpReady;
    long double FXFactor = 0.37795L;
    long double FYFactor = 0.37795L;
    std::unique_ptr<TQRPageList> FPageList;
    QPointer<QObject> FPreviewControl;
    bool FReportLoaded = false;
    bool FLoadedFromFile = false; // the pages are a saved report's, not a run's
    std::unique_ptr<TPrinterSettings> aPrinterSettings;
};
