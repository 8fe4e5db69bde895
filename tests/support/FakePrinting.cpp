#include "support/FakePrinting.h"

#include "platform/EmfRecorder.h"
#include "platform/Errors.h"

using namespace Qt::StringLiterals;

namespace
{

class TFakePrinterDevice : public IPrinterDevice
{
public:
    TFakePrinterDevice(TFakePrinting &system, int index)
        : FSystem(system)
        , FIndex(index)
    {
    }

    int Index() const override { return FIndex; }
    void SetIndex(int index) override
    {
        if (index < 0 || index >= static_cast<int>(FSystem.Devices.size()))
            throw EPlatformError(PrinterIndexOutOfRangeText());
        FIndex = index;
    }
    QString Name() const override { return Device().Name; }
    TDeviceSettings Settings() const override { return Device().Settings; }
    void SetSettings(const TDeviceSettings &s) override
    {
        FSystem.Written.push_back(s);
        TDeviceSettings &d = Device().Settings;
        const auto take = [&](std::uint32_t field, int &to, int from) {
            if (s.Has(field) && d.Has(field))
                to = from;
        };
        take(TDeviceSettings::fmOrientation, d.Orientation, s.Orientation);
        take(TDeviceSettings::fmPaperSize, d.PaperSize, s.PaperSize);
        take(TDeviceSettings::fmPaperLength, d.PaperLength, s.PaperLength);
        take(TDeviceSettings::fmPaperWidth, d.PaperWidth, s.PaperWidth);
        take(TDeviceSettings::fmCopies, d.Copies, s.Copies);
        take(TDeviceSettings::fmDefaultSource, d.DefaultSource, s.DefaultSource);
        take(TDeviceSettings::fmDuplex, d.Duplex, s.Duplex);
        if (d.Has(TDeviceSettings::fmCollate))
            d.Collate = s.Collate;
    }
    std::vector<int> SupportedPaperCodes() const override { return Device().PaperCodes; }
    TDeviceCaps Capabilities() const override
    {
        const TFakeDevice &d = Device();
        return TDeviceCaps { d.Dpi, d.Dpi, d.PhysicalOffset, d.PaperPixels(), QRect() };
    }
    QString Title() const override { return FTitle; }
    void SetTitle(const QString &title) override { FTitle = title; }
    void BeginDoc() override
    {
        TFakeJob job;
        job.Printer = Device().Name;
        job.Title = FTitle;
        job.Settings = Device().Settings;
        FSystem.Jobs.push_back(job);
        FJob = static_cast<int>(FSystem.Jobs.size()) - 1;
        StartPage();
    }
    void NewPage() override
    {
        FinishPage();
        StartPage();
    }
    void EndDoc() override
    {
        FinishPage();
        FSystem.Jobs[FJob].Ended = true;
        FJob = -1;
    }
    void Abort() override
    {
        FPage.reset();
        if (FJob >= 0)
            FSystem.Jobs[FJob].Aborted = true;
        FJob = -1;
    }
    bool Printing() const override { return FJob >= 0; }
    ICanvas &Canvas() override { return *FPage; }

private:
    TFakeDevice &Device() const { return FSystem.Devices.at(FIndex); }
    void StartPage()
    {
        FPage = std::make_unique<TEmfRecorder>(Device().PaperPixels(), Device().Dpi);
    }
    void FinishPage()
    {
        if (FPage && FJob >= 0)
            FSystem.Jobs[FJob].Pages.push_back(FPage->Finish());
        FPage.reset();
    }

    TFakePrinting &FSystem;
    int FIndex;
    QString FTitle;
    int FJob = -1;
    std::unique_ptr<TEmfRecorder> FPage;
};

} // namespace

QSize TFakeDevice::PaperPixels() const
{
    // Width and length in tenths of a millimetre for the codes tests use.
    int w = 2100, l = 2970;
    if (Settings.PaperSize == 11) // A5
        w = 1480, l = 2100;
    else if (Settings.PaperSize == 61) // A5Trans
        w = 2100, l = 1480;
    else if (Settings.PaperSize == 256)
        w = Settings.PaperWidth, l = Settings.PaperLength;
    if (Settings.Orientation == 2)
        std::swap(w, l);
    return QSize(qRound(w * Dpi / 254.0), qRound(l * Dpi / 254.0));
}

TFakePrinting::TFakePrinting() = default;
TFakePrinting::~TFakePrinting() = default;

QStringList TFakePrinting::Printers() const
{
    QStringList names;
    for (const TFakeDevice &d : Devices)
        names << d.Name;
    return names;
}

int TFakePrinting::DefaultPrinter() const
{
    return Default >= 0 && Default < static_cast<int>(Devices.size()) ? Default : -1;
}

std::unique_ptr<IPrinterDevice> TFakePrinting::CreatePrinter(int index)
{
    if (index == -1) {
        index = DefaultPrinter();
        if (index < 0)
            throw EPlatformError(NoDefaultPrinterText());
    }
    if (index < 0 || index >= static_cast<int>(Devices.size()))
        throw EPlatformError(PrinterIndexOutOfRangeText());
    return std::make_unique<TFakePrinterDevice>(*this, index);
}

IPrinterDevice &TFakePrinting::GlobalPrinter()
{
    if (!FGlobal)
        FGlobal = CreatePrinter(-1);
    return *FGlobal;
}

bool TFakePrinting::PrintDialog(IPrinterDevice &, TPrintDialogRequest &request)
{
    DialogAsked.push_back(request);
    if (!DialogAccepts)
        return false;
    request = DialogAnswer;
    return true;
}

std::unique_ptr<TFakePrinting> TFakePrinting::Standard()
{
    auto p = std::make_unique<TFakePrinting>();
    for (const QString &name : { u"Fake A"_s, u"Fake B"_s }) {
        TFakeDevice d;
        d.Name = name;
        d.Settings.Fields = TDeviceSettings::fmOrientation | TDeviceSettings::fmPaperSize
            | TDeviceSettings::fmPaperLength | TDeviceSettings::fmPaperWidth
            | TDeviceSettings::fmCopies | TDeviceSettings::fmDefaultSource
            | TDeviceSettings::fmDuplex | TDeviceSettings::fmCollate;
        d.Settings.PaperSize = 9; // A4
        d.PaperCodes = { 9, 11, 61 };
        p->Devices.push_back(d);
    }
    return p;
}
