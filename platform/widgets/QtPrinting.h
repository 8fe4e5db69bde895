#pragma once
// The printing layer over Qt PrintSupport: printers from QPrinterInfo, a printer object over
// QPrinter, pages drawn with a QPainter canvas, the standard print dialog. On Linux Qt speaks
// to CUPS; what Qt does not carry to the queue (the paper source) goes as the queue's own
// InputSlot choice through the engine's CUPS options.

#include "platform/Printing.h"

#include <memory>

class TQtPrinting : public IPrinting
{
public:
    TQtPrinting();
    ~TQtPrinting() override;

    void Refresh() override;
    QStringList Printers() const override { return FPrinters; }
    int DefaultPrinter() const override;
    std::unique_ptr<IPrinterDevice> CreatePrinter(int index) override;
    IPrinterDevice &GlobalPrinter() override;
    bool PrintDialog(IPrinterDevice &printer, TPrintDialogRequest &request) override;

private:
    QStringList FPrinters;
    QString FDefault;
    bool FServiceDown = false;
    std::unique_ptr<IPrinterDevice> FGlobal;
};

// Paper codes whose sheet lies across: printed as their upright paper turned a quarter.
// Returns the upright code, or 0 when code is not such a paper.
int UprightPaperCode(int code);
