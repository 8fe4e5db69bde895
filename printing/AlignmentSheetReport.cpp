#include "printing/AlignmentSheetReport.h"

#include "platform/Canvas.h"
#include "printing/InvoiceReport.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

constexpr long double kNativePerMm = 10;
// The rulers stand a little in from the edges, where any printer reaches.
constexpr double kRulerInset = 8;
constexpr double kCrossArm = 8;

} // namespace

// The rulers and the crosshairs: lines the labels cannot draw. Positions are millimetres
// from the paper's top left corner; the run printer adds its offsets and the feed's
// correction like for any printable.
class THizalamaCizgileri : public TQRPrintable
{
public:
    THizalamaCizgileri(TQRControl *parent, const TAlignmentMarks &marks)
        : TQRPrintable(parent)
        , FMarks(marks)
    {
    }

    void PrintAt(long double offsetX, long double offsetY) override
    {
        TQRPrinter *printer = PrinterToPrintOn();
        if (!printer)
            return;
        ICanvas &canvas = *printer->Canvas();
        const auto at = [&](double xMm, double yMm) {
            return QPoint(printer->XPos(offsetX + xMm * kNativePerMm),
                printer->YPos(offsetY + yMm * kNativePerMm));
        };
        // A line of 0.2 mm, at least a device pixel.
        const int pen = std::max(1, printer->XSize(2));
        const double width = double(printer->PaperWidthValue() / kNativePerMm);
        const double length = double(printer->PaperLengthValue() / kNativePerMm);

        canvas.Line(at(kRulerInset, kRulerInset), at(width - 2, kRulerInset), Qt::black, pen);
        canvas.Line(at(kRulerInset, kRulerInset), at(kRulerInset, length - 2), Qt::black, pen);
        for (int mm = int(kRulerInset) + 1; mm < width - 2; ++mm) {
            const double tick = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.2;
            canvas.Line(at(mm, kRulerInset), at(mm, kRulerInset + tick), Qt::black, pen);
        }
        for (int mm = int(kRulerInset) + 1; mm < length - 2; ++mm) {
            const double tick = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.2;
            canvas.Line(at(kRulerInset, mm), at(kRulerInset + tick, mm), Qt::black, pen);
        }
        for (const QPointF &c : { FMarks.First, FMarks.Second }) {
            canvas.Line(at(c.x() - kCrossArm, c.y()), at(c.x() + kCrossArm, c.y()), Qt::black, pen);
            canvas.Line(at(c.x(), c.y() - kCrossArm), at(c.x(), c.y() + kCrossArm), Qt::black, pen);
        }
    }

private:
    TAlignmentMarks FMarks;
};

TAlignmentSheetReport::TAlignmentSheetReport(
    const TFormatSettings &fs, std::shared_ptr<const ITextMetrics> metrics, TAlignmentMarks marks)
    : FMarks(marks)
    , FReport(std::make_unique<TQuickRep>(fs))
{
    TQuickRep &r = *FReport;
    r.SetName(u"HIZALAMA"_s);
    if (metrics)
        r.SetTextMetrics(std::move(metrics));
    r.BeginLoading();
    r.Page().SetColumns(1);
    r.Page().SetOrientation(poPortrait);
    r.Page().SetPaperSize(TQRPaperSize::A4);
    // No margins: every position on the sheet is measured from the paper's own edges.
    r.Page().ReadValues({ 0.0L, 2970.0L, 0.0L, 2100.0L, 0.0L, 0.0L, 0.0L });
    r.SetUnits(TQRUnit::MM);
    r.SetFont(TQRFont { u"Arial"_s, 10 });
    r.SetPrintIfEmpty(true);
    r.PrinterSettings().SetCopies(1);
    r.SetReportTitle(u"Hizalama Sayfası"_s);

    FBand = new TQRBand(&r);
    FBand->SetName(u"TitleBand1"_s);
    FBand->SetBandType(rbTitle);
    FBand->SetTransparentBand(true);
    FBand->Size().ReadValues({ 1400.0L, 2000.0L });

    FCizgiler = new THizalamaCizgileri(FBand, FMarks);
    FCizgiler->SetName(u"Cizgiler"_s);
    FCizgiler->Size().ReadValues({ 10.0L, 0.0L, 0.0L, 10.0L });

    AddLabel(u"HİZALAMA SAYFASI"_s, 40, 16, 12);
    AddLabel(u"Cetvelle iki artı işaretinin ortasının kağıdın sol ve üst kenarına uzaklığını "
             u"ölçüp programa girin."_s,
        40, 22);
    for (int mark = 1; mark <= 2; ++mark) {
        const QPointF c = mark == 1 ? FMarks.First : FMarks.Second;
        AddLabel(MarkWord(mark), c.x() + kMarkLabelOffset, c.y() + kMarkLabelOffset, 10);
        AddLabel(u"soldan %1 mm, üstten %2 mm"_s.arg(c.x()).arg(c.y()), c.x() + kMarkLabelOffset,
            c.y() + kMarkLabelOffset + 5);
    }
    r.EndLoading();
}

TAlignmentSheetReport::~TAlignmentSheetReport() = default;

QString TAlignmentSheetReport::MarkWord(int mark)
{
    return u"İŞARET-"_s + QString::number(mark);
}

void TAlignmentSheetReport::AddLabel(
    const QString &caption, double leftMm, double topMm, int fontSize)
{
    auto *label = new TQRLabel(FBand);
    label->SetAutoSize(true);
    label->SetTransparent(true);
    label->SetWordWrap(false);
    label->SetFontSize(fontSize);
    label->Size().ReadValues(
        { fontSize * 5.0L, leftMm * kNativePerMm, topMm * kNativePerMm, 100.0L });
    label->SetCaption(caption);
}

void TAlignmentSheetReport::HAZIRLA(const TPrintSettings &settings)
{
    TQRPage &page = FReport->Page();
    ApplyPaperSettings(*FReport, settings);

    // The rulers' numbers every centimetre along both edges, as far as the paper goes.
    for (TQRLabel *label : FRulerLabels)
        delete label;
    FRulerLabels.clear();
    const double width = double(page.NativeValue(TQRPage::WidthIndex) / kNativePerMm);
    const double length = double(page.NativeValue(TQRPage::LengthIndex) / kNativePerMm);
    FBand->Size().ReadValues({ static_cast<long double>(length - 1) * kNativePerMm,
        static_cast<long double>(width) * kNativePerMm });
    FCizgiler->Size().ReadValues({ static_cast<long double>(length - 1) * kNativePerMm, 0.0L, 0.0L,
        static_cast<long double>(width) * kNativePerMm });
    const auto ruler = [&](const QString &text, double left, double top) {
        AddLabel(text, left, top, 6);
        FRulerLabels.push_back(static_cast<TQRLabel *>(FBand->Printables().back()));
    };
    for (int cm = 2; cm * 10 < width - 4; ++cm)
        ruler(QString::number(cm * 10), cm * 10 + 0.5, kRulerInset + 4.2);
    for (int cm = 2; cm * 10 < length - 4; ++cm)
        ruler(QString::number(cm * 10), kRulerInset + 4.5, cm * 10 - 1.2);
}
