#include "printing/InvoiceReport.h"

#include "platform/NumberFormat.h"

using namespace Qt::StringLiterals;

namespace
{

// The report as designed: page, band and label "Values" in the stored order of each class
// (page: BottomMargin, Length, TopMargin, Width, LeftMargin, RightMargin, ColumnSpace; band:
// Height, Width; label: Height, Left, Top, Width), applied as stored so that the geometry is
// exactly the designed one.
const std::vector<long double> PageValues
    = { 100.0L, 2970.0L, 100.0L, 2100.0L, 100.0L, 100.0L, 0.0L };
const std::vector<long double> BandValues = { 2759.604166666667L, 1899.708333333333L };
constexpr long double LabelHeight = 44.97916666666667L; // 17 pixels at 96 dpi
constexpr long double TextWidth = 153.4583333333333L; // 58 pixels, until a caption sizes it
constexpr long double NumberWidth = 238.125L; // the fixed 90-pixel box of a number

bool IsNumberLabel(int n)
{
    const TInvoiceField *f = InvoiceFieldOfLabel(n);
    return f && f->Kind == TFieldKind::Money;
}

} // namespace

int InvoiceLabelOfKey(QStringView key)
{
    const TInvoiceField *f = InvoiceFieldByBox(key);
    return f ? f->Label : 0;
}

QString InvoiceLabelKey(int n)
{
    const TInvoiceField *f = InvoiceFieldOfLabel(n);
    return f ? f->Key.toString() : QString();
}

QString TUTAR_BICIMLE(long double value, const QString &moneyPattern, const TFormatSettings &fs)
{
    if (value == 0)
        return QString();
    return FormatFloat(moneyPattern, value, fs);
}

QString MIKTAR_BICIMLE(long double quantity, const QString &unit, const TFormatSettings &fs)
{
    if (quantity == 0)
        return QString();
    return FloatToStrGeneral(quantity, fs) + u' ' + unit;
}

TInvoiceReport::TInvoiceReport(
    const TFormatSettings &fs, std::shared_ptr<const ITextMetrics> metrics)
    : FFormat(fs)
    , FReport(std::make_unique<TQuickRep>(fs))
{
    TQuickRep &r = *FReport;
    r.SetName(u"RAPORX"_s);
    if (metrics)
        r.SetTextMetrics(std::move(metrics));
    r.BeginLoading();
    r.Page().SetColumns(1);
    r.Page().SetOrientation(poPortrait);
    r.Page().SetPaperSize(TQRPaperSize::A4);
    r.Page().ReadValues(PageValues);
    r.SetUnits(TQRUnit::MM);
    r.SetFont(TQRFont { u"Arial"_s, 10 });
    r.SetPrintIfEmpty(true);
    r.PrinterSettings().SetCopies(1);
    r.PrinterSettings().SetOutputBin(TQRBin::Auto);
    // Shown maximised, zoomed to the page width, without thumbnails or search; saved as a
    // report file by default; no title.
    r.SetPreviewInitialState(wsMaximized);
    r.SetPrevFormStyle(fsNormal);
    r.SetPrevInitialZoom(qrZoomToWidth);
    r.SetPrevShowThumbs(false);
    r.SetPrevShowSearch(false);
    r.SetPreviewDefaultSaveType(stQRP);
    r.SetReportTitle(QString());

    FTitleBand1 = new TQRBand(&r);
    FTitleBand1->SetName(u"TitleBand1"_s);
    FTitleBand1->SetBandType(rbTitle);
    FTitleBand1->SetColor(QColor(255, 255, 255));
    FTitleBand1->SetTransparentBand(false);
    FTitleBand1->Size().ReadValues(BandValues);

    for (int n = 1; n <= 43; ++n) {
        auto *label = new TQRLabel(FTitleBand1);
        label->SetName(u"QRLabel"_s + QString::number(n));
        const bool number = IsNumberLabel(n);
        label->SetAutoSize(!number);
        label->SetAlignment(number ? taRightJustify : taLeftJustify);
        label->SetTransparent(true);
        label->SetWordWrap(true);
        label->SetWrapStyle(BreakOnSpaces);
        label->SetFontSize(10);
        label->Size().ReadValues({ LabelHeight, 0.0L, 0.0L, number ? NumberWidth : TextWidth });
        label->SetCaption(n == 43 ? u"%18"_s : label->Name());
        FLabels[static_cast<size_t>(n - 1)] = label;
    }
    r.EndLoading();
}

TInvoiceReport::~TInvoiceReport() = default;

void TInvoiceReport::KONUM_UYGULA(TQRLabel *label, QStringView position, TKonumModu mode)
{
    const TPosition p = ParsePosition(position);
    if (mode == TKonumModu::Label) {
        if (label)
            label->SetBounds(p.Horizontal, p.Vertical, label->Width(), label->Height());
        return;
    }
    const TQRUnitSwitch mm(FReport->Page(), TQRUnit::MM);
    FReport->Page().SetTopMargin(p.Vertical);
    FReport->Page().SetLeftMargin(p.Horizontal);
}

void ApplyPaperSettings(TQuickRep &report, const TPrintSettings &settings)
{
    TQRPage &page = report.Page();
    if (settings.sayfaTipi == 0)
        page.SetPaperSize(TQRPaperSize::A4);
    else if (settings.sayfaTipi == 1)
        page.SetPaperSize(TQRPaperSize::A5Trans);
    static constexpr TQRBin Bins[] = { TQRBin::Auto, TQRBin::Manual, TQRBin::Tractor };
    if (settings.drpOutputBin >= 0 && settings.drpOutputBin < 3)
        report.PrinterSettings().SetOutputBin(Bins[settings.drpOutputBin]);
    page.SetOrientation(settings.sayfa_yonelimi == 0 ? poPortrait : poLandscape);
}

void TInvoiceReport::SAYFA_HAZIRLA(const TPrintSettings &settings)
{
    ApplyPaperSettings(*FReport, settings);
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Label))
        KONUM_UYGULA(&QRLabel(f->Label), settings.Position(f->Key), TKonumModu::Label);
    KONUM_UYGULA(nullptr, settings.Position(u"RAPOR_SAYFASI"), TKonumModu::Page);
}

void TInvoiceReport::RAPOR_DOLDUR(const TInvoiceFormValues &v, const QString &moneyPattern)
{
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Label)) {
        QString caption;
        switch (f->Kind) {
        case TFieldKind::Rate: {
            // A rate that is not a number counts as 0.
            bool ok = false;
            const int rate = v.ORAN.trimmed().toInt(&ok);
            caption = QString::number(ok ? rate : 0);
            break;
        }
        case TFieldKind::Quantity:
            caption = MIKTAR_BICIMLE(f->Number(v), v.B[size_t(f->Line - 1)], FFormat);
            break;
        case TFieldKind::Money:
            caption = TUTAR_BICIMLE(f->Number(v), moneyPattern, FFormat);
            break;
        case TFieldKind::Text:
        case TFieldKind::Page:
            caption = f->Text(v);
            break;
        }
        QRLabel(f->Label).SetCaption(caption);
    }
}
