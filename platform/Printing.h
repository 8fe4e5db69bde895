#pragma once
// The printing layer the report engine sees: printers and the default printer, a printer's
// device settings record with its field mask, the device's capabilities, document and page
// control with a canvas for the current page, and the print dialog. The program gives it the
// Qt implementation (CUPS on Linux); tests give it a double that records what it is told.
// Nothing here knows Qt PrintSupport.

#include "platform/Canvas.h"

#include <QCoreApplication>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The device settings record. Read from a device, Fields says which fields the device
// supports; handed back, it says which fields are being set.
struct TDeviceSettings {
    enum : std::uint32_t {
        fmOrientation = 0x0001,
        fmPaperSize = 0x0002,
        fmPaperLength = 0x0004,
        fmPaperWidth = 0x0008,
        fmCopies = 0x0100,
        fmDefaultSource = 0x0200,
        fmPrintQuality = 0x0400,
        fmColor = 0x0800,
        fmDuplex = 0x1000,
        fmCollate = 0x8000,
    };

    std::uint32_t Fields = 0;
    int Orientation = 1; // 1 portrait, 2 landscape
    int PaperSize = 0; // paper code (the paper table's ordinal, 256 custom)
    int PaperLength = 0; // tenths of a millimetre
    int PaperWidth = 0; // tenths of a millimetre
    int Copies = 1;
    int DefaultSource = 7; // tray code
    int PrintQuality = 0;
    int Color = 1; // 1 monochrome, 2 colour
    int Duplex = 1; // 1 simplex, 2 long edge... as the platform numbers them
    int Collate = 0;

    bool Has(std::uint32_t field) const { return (Fields & field) != 0; }
    bool operator==(const TDeviceSettings &) const = default;
};

// What the device's drawing context reports for its current settings, in device pixels.
struct TDeviceCaps {
    int DpiX = 0;
    int DpiY = 0;
    QPoint PhysicalOffset; // top-left of the printable area from the paper's corner
    QSize PhysicalSize; // the whole paper
    // What the device can print on the paper as the page lies (a page turned onto the sheet
    // has the sheet's margins turned with it); empty when the device does not say.
    QRect PrintableArea;
};

// A paper source the device names, and the tray code it means (0: none we know).
struct TDeviceTray {
    int Code = 0;
    QString Name;
};

// What the print dialog starts with and what it gives back.
struct TPrintDialogRequest {
    int PrinterIndex = -1;
    int MinPage = 0;
    int MaxPage = 9999;
    int FromPage = 0;
    int ToPage = 0;
    enum TRange { AllPages, Selection, PageNums } Range = AllPages;
    int Copies = 1;
    int Orientation = 1; // 1 portrait, 2 landscape
    // Given back by the dialog from the chosen device's record.
    int PaperSource = 7;
    int PaperCode = 0;
    int DuplexCode = 1;
    int PrintQuality = 0;
    int Collate = 0;
    int Color = 1;
};

// One printer object: the device it is set to, its settings and its document.
class IPrinterDevice
{
public:
    virtual ~IPrinterDevice() = default;

    // The printer index in the system's list.
    virtual int Index() const = 0;
    // Selects another printer; raises EPlatformError "Printer index out of range".
    virtual void SetIndex(int index) = 0;
    virtual QString Name() const = 0;

    // The current device settings record (Fields: what the device supports).
    virtual TDeviceSettings Settings() const = 0;
    // Replaces the record; only the fields named in Fields are taken.
    virtual void SetSettings(const TDeviceSettings &settings) = 0;
    // Paper codes the device offers.
    virtual std::vector<int> SupportedPaperCodes() const = 0;
    // Resolution, offsets and paper size for the current settings.
    virtual TDeviceCaps Capabilities() const = 0;
    // The paper sources the device offers; none when it does not say.
    virtual std::optional<std::vector<TDeviceTray>> Trays() const { return std::nullopt; }

    virtual QString Title() const = 0;
    virtual void SetTitle(const QString &title) = 0;
    // Document control. BeginDoc starts a job and its first page.
    virtual void BeginDoc() = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    virtual void Abort() = 0;
    virtual bool Printing() const = 0;
    // The canvas of the page being printed; valid between BeginDoc and EndDoc/Abort.
    virtual ICanvas &Canvas() = 0;
};

class IPrinting
{
public:
    virtual ~IPrinting() = default;

    // Re-reads the printer list and the default printer from the system: done before each
    // print, since either may change while the program runs.
    virtual void Refresh() = 0;
    virtual QStringList Printers() const = 0;
    // Index of the default printer, -1 when none is set (or none is installed).
    virtual int DefaultPrinter() const = 0;
    // A private printer object set to index (-1: the default printer). Raises
    // EPlatformError "There is no default printer currently selected" when -1 is asked for
    // and there is none, and "Printer index out of range" for a bad index.
    virtual std::unique_ptr<IPrinterDevice> CreatePrinter(int index) = 0;
    // The application-wide printer object (created on first use, for the default printer).
    virtual IPrinterDevice &GlobalPrinter() = 0;
    // The platform's print dialog on printer. false when the user cancelled.
    virtual bool PrintDialog(IPrinterDevice &printer, TPrintDialogRequest &request) = 0;
};

// The printing layer of this process: set by the program at start and by tests; without one
// the process has no printers.
IPrinting *Printing();
void SetPrinting(IPrinting *printing);

// The layer's own messages, English at the source and translated where they are raised
// (levanta_tr.ts, installed at start under a Turkish locale).
inline QString NoDefaultPrinterText()
{
    return QCoreApplication::translate(
        "Printing", "There is no default printer currently selected");
}
inline QString PrintServiceDownText()
{
    return QCoreApplication::translate("Printing", "The print service does not answer");
}
inline QString PrinterIndexOutOfRangeText()
{
    return QCoreApplication::translate("Printing", "Printer index out of range");
}
