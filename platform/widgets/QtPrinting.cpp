#include "platform/widgets/QtPrinting.h"

#include "platform/Errors.h"
#include "platform/QPainterCanvas.h"
#include "platform/widgets/CupsQueue.h"

#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

QString Tr(const char *text)
{
    return QCoreApplication::translate("Printing", text);
}

// Qt's CUPS engine takes extra job options as name/value pairs under this key.
constexpr auto PPK_CupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

QString TrayOption()
{
    return u"InputSlot"_s;
}

// The page is drawn at the form's real size: a driver default that shrinks it "to fit" would
// move every value off its box, so each job says so itself.
const QStringList &NoScalingOptions()
{
    static const QStringList options
        = { u"print-scaling"_s, u"none"_s, u"fit-to-page"_s, u"false"_s };
    return options;
}

bool IsJobOption(const QString &name)
{
    return name == TrayOption() || name == NoScalingOptions().at(0)
        || name == NoScalingOptions().at(2);
}

int Rounded(double v)
{
    return static_cast<int>(std::lround(v));
}

QPrinter::DuplexMode DuplexOfCode(int code)
{
    switch (code) {
    case 2:
        return QPrinter::DuplexLongSide;
    case 3:
        return QPrinter::DuplexShortSide;
    default:
        return QPrinter::DuplexNone;
    }
}

int CodeOfDuplex(QPrinter::DuplexMode mode, QPageLayout::Orientation orientation)
{
    switch (mode) {
    case QPrinter::DuplexLongSide:
        return 2;
    case QPrinter::DuplexShortSide:
        return 3;
    case QPrinter::DuplexAuto:
        return orientation == QPageLayout::Portrait ? 2 : 3;
    default:
        return 1;
    }
}

class TQtPrinterDevice : public IPrinterDevice
{
public:
    TQtPrinterDevice(const QStringList &printers, int index)
        : FPrinters(printers)
    {
        SetIndex(index);
    }
    ~TQtPrinterDevice() override
    {
        if (Printing())
            Abort();
    }

    int Index() const override { return FIndex; }
    void SetIndex(int index) override
    {
        if (index < 0 || index >= FPrinters.size())
            throw EPlatformError(PrinterIndexOutOfRangeText());
        if (Printing())
            Abort();
        const QPrinterInfo info = QPrinterInfo::printerInfo(FPrinters.at(index));
        FPrinter = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        FIndex = index;
        FQueue = FPrinter->printerName();
        FTrays = QueueInputSlots(FQueue);
        FPaperCodes.clear();
        for (const QPageSize &size : info.supportedPageSizes())
            FPaperCodes.push_back(size.windowsId());
        for (int code = 1; code < 256; ++code)
            if (const int upright = UprightPaperCode(code))
                if (std::find(FPaperCodes.begin(), FPaperCodes.end(), upright) != FPaperCodes.end())
                    FPaperCodes.push_back(code);
        ReadSettings();
    }
    QString Name() const override { return FQueue; }

    TDeviceSettings Settings() const override { return FSettings; }
    void SetSettings(const TDeviceSettings &s) override;
    std::vector<int> SupportedPaperCodes() const override { return FPaperCodes; }
    TDeviceCaps Capabilities() const override;
    std::optional<std::vector<TDeviceTray>> Trays() const override
    {
        std::vector<TDeviceTray> trays;
        for (const TInputSlot &slot : FTrays.Slots)
            trays.push_back(
                { TrayCodeOfInputSlot(slot), slot.Text.isEmpty() ? slot.Choice : slot.Text });
        return trays;
    }

    QString Title() const override { return FTitle; }
    void SetTitle(const QString &title) override { FTitle = title; }
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return FPainter != nullptr; }
    ICanvas &Canvas() override
    {
        if (!FCanvas)
            throw EPlatformError(u"Printer is not currently printing"_s);
        return *FCanvas;
    }

    QPrinter &Printer() { return *FPrinter; }
    // Takes back what the print dialog chose on the printer; the InputSlot the dialog's
    // queue options name becomes the tray.
    void ReadDialogChoices(const QStringList &printers);

private:
    void ReadSettings();
    void ApplyPaper(TDeviceSettings wish);
    void ApplyJobOptions();
    void OpenCanvas();

    QStringList FPrinters;
    int FIndex = -1;
    QString FQueue;
    std::unique_ptr<QPrinter> FPrinter;
    TQueueSlots FTrays;
    QString FTrayChoice; // the InputSlot choice sent with the job, empty: the queue's own
    std::vector<int> FPaperCodes;
    TDeviceSettings FSettings;
    QString FTitle;
    std::unique_ptr<QPainter> FPainter;
    std::unique_ptr<TQPainterCanvas> FCanvas;
};

void TQtPrinterDevice::ReadSettings()
{
    TDeviceSettings s;
    s.Fields = TDeviceSettings::fmOrientation | TDeviceSettings::fmPaperSize
        | TDeviceSettings::fmPaperLength | TDeviceSettings::fmPaperWidth | TDeviceSettings::fmCopies
        | TDeviceSettings::fmPrintQuality | TDeviceSettings::fmColor | TDeviceSettings::fmCollate;
    if (!FTrays.Slots.empty())
        s.Fields |= TDeviceSettings::fmDefaultSource;
    const QPrinterInfo info = QPrinterInfo::printerInfo(FQueue);
    if (info.supportedDuplexModes().size() > 1)
        s.Fields |= TDeviceSettings::fmDuplex;

    const QPageLayout layout = FPrinter->pageLayout();
    const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
    s.Orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    s.PaperSize = layout.pageSize().windowsId();
    s.PaperWidth = Rounded(mm.width() * 10);
    s.PaperLength = Rounded(mm.height() * 10);
    s.Copies = std::max(FPrinter->copyCount(), 1);
    s.DefaultSource = 7;
    for (const TInputSlot &slot : FTrays.Slots)
        if (slot.Choice == FTrays.DefaultChoice)
            if (const int code = TrayCodeOfInputSlot(slot))
                s.DefaultSource = code;
    s.PrintQuality = FPrinter->resolution();
    s.Color = FPrinter->colorMode() == QPrinter::Color ? 2 : 1;
    s.Duplex = CodeOfDuplex(FPrinter->duplex(), layout.orientation());
    s.Collate = FPrinter->collateCopies() ? 1 : 0;
    FSettings = s;
    FTrayChoice.clear();
}

void TQtPrinterDevice::SetSettings(const TDeviceSettings &s)
{
    if (Printing())
        return; // a job in progress keeps the settings it started with
    TDeviceSettings &d = FSettings;
    const auto wanted = [&](std::uint32_t field) { return s.Has(field) && d.Has(field); };
    TDeviceSettings paper = d;
    if (wanted(TDeviceSettings::fmPaperSize) && s.PaperSize > 0)
        paper.PaperSize = s.PaperSize;
    if (wanted(TDeviceSettings::fmPaperWidth) && s.PaperWidth > 0)
        paper.PaperWidth = s.PaperWidth;
    if (wanted(TDeviceSettings::fmPaperLength) && s.PaperLength > 0)
        paper.PaperLength = s.PaperLength;
    if (wanted(TDeviceSettings::fmOrientation) && (s.Orientation == 1 || s.Orientation == 2))
        paper.Orientation = s.Orientation;
    ApplyPaper(paper);
    if (wanted(TDeviceSettings::fmCopies) && s.Copies >= 1) {
        d.Copies = s.Copies;
        FPrinter->setCopyCount(s.Copies);
    }
    if (wanted(TDeviceSettings::fmDuplex)) {
        d.Duplex = s.Duplex;
        FPrinter->setDuplex(DuplexOfCode(s.Duplex));
    }
    if (d.Has(TDeviceSettings::fmCollate)) {
        d.Collate = s.Collate;
        FPrinter->setCollateCopies(s.Collate != 0);
    }
    if (wanted(TDeviceSettings::fmPrintQuality) && s.PrintQuality > 0) {
        FPrinter->setResolution(s.PrintQuality);
        d.PrintQuality = FPrinter->resolution();
    }
    if (wanted(TDeviceSettings::fmColor)) {
        d.Color = s.Color == 2 ? 2 : 1;
        FPrinter->setColorMode(d.Color == 2 ? QPrinter::Color : QPrinter::GrayScale);
    }
    // A tray the queue does not offer is not applied: the record keeps the tray it had.
    if (wanted(TDeviceSettings::fmDefaultSource)) {
        const int at = FindInputSlot(FTrays.Slots, s.DefaultSource);
        if (at >= 0) {
            d.DefaultSource = s.DefaultSource;
            FTrayChoice = FTrays.Slots[at].Choice;
        }
    }
    ApplyJobOptions();
}

// The paper code picks the size (a transverse code its upright paper, turned); a custom
// code takes the record's width and length. A paper Qt cannot name is not applied.
void TQtPrinterDevice::ApplyPaper(TDeviceSettings wish)
{
    int upright = UprightPaperCode(wish.PaperSize);
    const QPageSize::PageSizeId id = QPageSize::id(upright ? upright : wish.PaperSize);
    QPageSize size;
    if (id != QPageSize::Custom) {
        size = QPageSize(id);
        // The record tells the paper as the code names it: a transverse sheet lies across.
        QSizeF mm = size.size(QPageSize::Millimeter);
        if (upright)
            mm.transpose();
        wish.PaperWidth = Rounded(mm.width() * 10);
        wish.PaperLength = Rounded(mm.height() * 10);
    } else if (wish.PaperSize == 256 && wish.PaperWidth > 0 && wish.PaperLength > 0) {
        size = QPageSize(QSizeF(wish.PaperWidth / 10.0, wish.PaperLength / 10.0),
            QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    }
    if (!size.isValid() || !FPrinter->setPageSize(size)) {
        wish.PaperSize = FSettings.PaperSize;
        wish.PaperWidth = FSettings.PaperWidth;
        wish.PaperLength = FSettings.PaperLength;
        upright = UprightPaperCode(wish.PaperSize);
    }
    const bool landscape = (wish.Orientation == 2) != (upright != 0);
    FPrinter->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    FSettings.PaperSize = wish.PaperSize;
    FSettings.PaperWidth = wish.PaperWidth;
    FSettings.PaperLength = wish.PaperLength;
    FSettings.Orientation = wish.Orientation;
}

void TQtPrinterDevice::ApplyJobOptions()
{
    QStringList options = FPrinter->printEngine()->property(PPK_CupsOptions).toStringList();
    for (qsizetype i = 0; i + 1 < options.size();) {
        if (IsJobOption(options.at(i)))
            options.remove(i, 2);
        else
            i += 2;
    }
    if (!FTrayChoice.isEmpty())
        options << TrayOption() << FTrayChoice;
    options << NoScalingOptions();
    FPrinter->printEngine()->setProperty(PPK_CupsOptions, options);
}

TDeviceCaps TQtPrinterDevice::Capabilities() const
{
    const QRectF paper = FPrinter->paperRect(QPrinter::DevicePixel);
    const QRectF page = FPrinter->pageRect(QPrinter::DevicePixel);
    TDeviceCaps caps;
    caps.DpiX = FPrinter->logicalDpiX();
    caps.DpiY = FPrinter->logicalDpiY();
    caps.PhysicalOffset
        = QPoint(Rounded(page.left() - paper.left()), Rounded(page.top() - paper.top()));
    caps.PhysicalSize = QSize(Rounded(paper.width()), Rounded(paper.height()));
    // Qt gives the queue's margins as they lie on the upright sheet whatever the page's
    // orientation; the queue turns a landscape page a quarter anticlockwise onto the sheet,
    // so the page's left edge lies on the sheet's bottom and its top on the sheet's left.
    QPageLayout layout = FPrinter->pageLayout();
    layout.setUnits(QPageLayout::Point);
    QMarginsF m = layout.minimumMargins();
    if (layout.orientation() == QPageLayout::Landscape)
        m = QMarginsF(m.bottom(), m.left(), m.top(), m.right());
    const qreal kx = caps.DpiX / 72.0, ky = caps.DpiY / 72.0;
    caps.PrintableArea = QRect(Rounded(m.left() * kx), Rounded(m.top() * ky),
        Rounded(paper.width() - (m.left() + m.right()) * kx),
        Rounded(paper.height() - (m.top() + m.bottom()) * ky));
    return caps;
}

void TQtPrinterDevice::OpenCanvas()
{
    const QRectF page = FPrinter->pageRect(QPrinter::DevicePixel);
    FCanvas = std::make_unique<TQPainterCanvas>(
        *FPainter, FPrinter->logicalDpiY(), QSize(Rounded(page.width()), Rounded(page.height())));
}

void TQtPrinterDevice::BeginDoc()
{
    if (Printing())
        Abort();
    FPrinter->setDocName(FTitle);
    ApplyJobOptions();
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(FPrinter.get()))
        throw EPlatformError(Tr("Unable to start printing on %1").arg(FQueue));
    FPainter = std::move(painter);
    OpenCanvas();
}

void TQtPrinterDevice::NewPage()
{
    if (!Printing())
        return;
    FCanvas.reset();
    if (!FPrinter->newPage())
        throw EPlatformError(Tr("Unable to start a new page on %1").arg(FQueue));
    OpenCanvas();
}

void TQtPrinterDevice::EndDoc()
{
    if (!Printing())
        return;
    FCanvas.reset();
    const bool ended = FPainter->end();
    FPainter.reset();
    // Qt hands the document to the queue as the painter ends and keeps the answer to
    // itself: a queue that refuses the job must not look like a printed invoice.
    const QString error = LastCupsError();
    if (!ended || FPrinter->printerState() == QPrinter::Error || !error.isEmpty())
        throw EPlatformError(
            Tr("Unable to print on %1: %2").arg(FQueue, error.isEmpty() ? u"error"_s : error));
}

void TQtPrinterDevice::Abort()
{
    if (!Printing())
        return;
    FCanvas.reset();
    if (FPrinter->abort()) {
        FPainter->end();
        FPainter.reset();
        return;
    }
    // Qt's CUPS engine cannot abort and submits whatever was drawn once the painter ends:
    // submit it held, and cancel it at once.
    const int last = LastJobId(FQueue);
    QStringList options = FPrinter->printEngine()->property(PPK_CupsOptions).toStringList();
    FPrinter->printEngine()->setProperty(
        PPK_CupsOptions, QStringList(options) << u"job-hold-until"_s << u"indefinite"_s);
    FPainter->end();
    FPainter.reset();
    CancelHeldJobs(FQueue, last);
    FPrinter->printEngine()->setProperty(PPK_CupsOptions, options);
}

void TQtPrinterDevice::ReadDialogChoices(const QStringList &printers)
{
    FPrinters = printers;
    const QString queue = FPrinter->printerName();
    if (queue != FQueue) {
        FQueue = queue;
        FIndex = static_cast<int>(printers.indexOf(queue));
        FTrays = QueueInputSlots(FQueue);
    }
    const QStringList options = FPrinter->printEngine()->property(PPK_CupsOptions).toStringList();
    const int tray = FSettings.DefaultSource;
    const QString choice = FTrayChoice;
    ReadSettings();
    FSettings.DefaultSource = tray;
    FTrayChoice = choice;
    for (qsizetype i = 0; i + 1 < options.size(); i += 2)
        if (options.at(i) == TrayOption()) {
            FTrayChoice = options.at(i + 1);
            FSettings.DefaultSource = TrayCodeOfInputSlot({ FTrayChoice, QString() });
            for (const TInputSlot &slot : FTrays.Slots)
                if (slot.Choice == FTrayChoice)
                    FSettings.DefaultSource = TrayCodeOfInputSlot(slot);
        }
}

} // namespace

int UprightPaperCode(int code)
{
    switch (code) {
    case 54: // LetterTrans
        return 1;
    case 55: // A4Trans
        return 9;
    case 56: // LetterExtraTrans
        return 50;
    case 61: // A5Trans
        return 11;
    case 62: // B5Trans
        return 13;
    case 67: // A3Trans
        return 8;
    case 68: // A3ExtraTrans
        return 63;
    default:
        return 0;
    }
}

TQtPrinting::TQtPrinting()
{
    Refresh();
}

TQtPrinting::~TQtPrinting() = default;

void TQtPrinting::Refresh()
{
    FPrinters = QPrinterInfo::availablePrinterNames();
    FDefault = QPrinterInfo::defaultPrinterName();
    // A scheduler that is down lists no printers: say that, not that none is chosen.
    FServiceDown = !PrintServiceAnswers();
}

int TQtPrinting::DefaultPrinter() const
{
    return FDefault.isEmpty() ? -1 : static_cast<int>(FPrinters.indexOf(FDefault));
}

std::unique_ptr<IPrinterDevice> TQtPrinting::CreatePrinter(int index)
{
    if (FServiceDown)
        throw EPlatformError(PrintServiceDownText());
    if (index == -1) {
        index = DefaultPrinter();
        if (index < 0)
            throw EPlatformError(NoDefaultPrinterText());
    }
    return std::make_unique<TQtPrinterDevice>(FPrinters, index);
}

IPrinterDevice &TQtPrinting::GlobalPrinter()
{
    if (!FGlobal)
        FGlobal = CreatePrinter(-1);
    return *FGlobal;
}

bool TQtPrinting::PrintDialog(IPrinterDevice &device, TPrintDialogRequest &request)
{
    auto *printer = dynamic_cast<TQtPrinterDevice *>(&device);
    if (!printer)
        return false;
    if (request.PrinterIndex >= 0 && request.PrinterIndex != printer->Index())
        printer->SetIndex(request.PrinterIndex);
    QPrinter &qt = printer->Printer();
    qt.setCopyCount(std::max(request.Copies, 1));
    qt.setPageOrientation(
        request.Orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);

    QPrintDialog dialog(&qt);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(request.MinPage, request.MaxPage);
    if (request.FromPage > 0 && request.ToPage >= request.FromPage)
        qt.setFromTo(request.FromPage, request.ToPage);
    dialog.setPrintRange(request.Range == TPrintDialogRequest::PageNums
            ? QAbstractPrintDialog::PageRange
            : QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    Refresh();
    printer->ReadDialogChoices(FPrinters);
    const TDeviceSettings s = printer->Settings();
    request.PrinterIndex = printer->Index();
    request.Copies = s.Copies;
    request.Orientation = s.Orientation;
    request.FromPage = qt.fromPage();
    request.ToPage = qt.toPage();
    switch (dialog.printRange()) {
    case QAbstractPrintDialog::PageRange:
        request.Range = TPrintDialogRequest::PageNums;
        break;
    case QAbstractPrintDialog::Selection:
        request.Range = TPrintDialogRequest::Selection;
        break;
    default:
        request.Range = TPrintDialogRequest::AllPages;
        break;
    }
    request.PaperSource = s.DefaultSource;
    request.PaperCode = s.PaperSize;
    request.DuplexCode = s.Duplex;
    request.PrintQuality = s.PrintQuality;
    request.Collate = s.Collate;
    request.Color = s.Color;
    return true;
}
