#pragma once
// A printing double: devices you configure, and every settings record written and every
// page drawn kept for the test to read. Pages are drawn into EMF recordings at the device's
// resolution, so tests read text positions back from their records.

#include "platform/Printing.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class TEmfRecorder;

struct TFakeDevice {
    QString Name = QStringLiteral("Fake");
    TDeviceSettings Settings; // as read; Fields is what the device supports
    std::vector<int> PaperCodes;
    int Dpi = 600;
    QPoint PhysicalOffset; // pixels at Dpi
    // Paper size in pixels for a paper code and orientation; A4 when unknown.
    QSize PaperPixels() const;
};

struct TFakeJob {
    QString Printer;
    QString Title;
    TDeviceSettings Settings; // the record in force when the job started
    std::vector<QByteArray> Pages; // each page as EMF
    bool Ended = false;
    bool Aborted = false;
};

class TFakePrinting : public IPrinting
{
public:
    TFakePrinting();
    ~TFakePrinting() override;

    std::vector<TFakeDevice> Devices;
    int Default = 0;
    // Every record handed to SetSettings, in order.
    std::vector<TDeviceSettings> Written;
    std::vector<TFakeJob> Jobs;
    // What the print dialog answers: false cancels; the request is replaced by Answer.
    bool DialogAccepts = true;
    TPrintDialogRequest DialogAnswer;
    std::vector<TPrintDialogRequest> DialogAsked;

    void Refresh() override { }
    QStringList Printers() const override;
    int DefaultPrinter() const override;
    std::unique_ptr<IPrinterDevice> CreatePrinter(int index) override;
    IPrinterDevice &GlobalPrinter() override;
    bool PrintDialog(IPrinterDevice &printer, TPrintDialogRequest &request) override;

    // Two A4/A5Trans devices at 600 dpi that support every field, the first default.
    static std::unique_ptr<TFakePrinting> Standard();

private:
    std::unique_ptr<IPrinterDevice> FGlobal;
};

// Installs a printing layer for the scope of a test and restores the previous one.
class TPrintingScope
{
public:
    explicit TPrintingScope(IPrinting *printing)
        : FPrevious(Printing())
    {
        SetPrinting(printing);
    }
    ~TPrintingScope() { SetPrinting(FPrevious); }

private:
    IPrinting *FPrevious;
};
