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

// The settings key of QRLabel1 .. QRLabel43, in label order.
constexpr std::array<QStringView, 43> LabelKeys = {
    u"TARIH",
    u"SAYIN1",
    u"SAYIN2",
    u"SAYIN3",
    u"VERGIDAIRESI",
    u"VERGIHESAPNO",
    u"M1",
    u"M2",
    u"M3",
    u"M4",
    u"M5",
    u"M6",
    u"M7",
    u"M8",
    u"C1",
    u"C2",
    u"C3",
    u"C4",
    u"C5",
    u"C6",
    u"C7",
    u"C8",
    u"F1",
    u"F2",
    u"F3",
    u"F4",
    u"F5",
    u"F6",
    u"F7",
    u"F8",
    u"T1",
    u"T2",
    u"T3",
    u"T4",
    u"T5",
    u"T6",
    u"T7",
    u"T8",
    u"YEKUN",
    u"KDV",
    u"TOPLAM",
    u"YALNIZ",
    u"KDV_YUZDE",
};

bool IsNumberLabel(int n)
{
    return n >= 23 && n <= 41;
}

} // namespace

int InvoiceLabelOfKey(QStringView key)
{
    for (size_t i = 0; i < LabelKeys.size(); ++i)
        if (key.compare(LabelKeys[i], Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    return 0;
}

QString InvoiceLabelKey(int n)
{
    if (n < 1 || n > static_cast<int>(LabelKeys.size()))
        return QString();
    return LabelKeys[static_cast<size_t>(n - 1)].toString();
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

    KONUM_UYGULA(&QRLabel(43), settings.Position(u"KDV_YUZDE"), TKonumModu::Label);
    for (int n = 1; n <= 42; ++n)
        KONUM_UYGULA(&QRLabel(n), settings.Position(LabelKeys[static_cast<size_t>(n - 1)]),
            TKonumModu::Label);
    KONUM_UYGULA(nullptr, settings.Position(u"RAPOR_SAYFASI"), TKonumModu::Page);
}

void TInvoiceReport::RAPOR_DOLDUR(const TInvoiceFormValues &v, const QString &moneyPattern)
{
    // A rate that is not a number counts as 0.
    bool ok = false;
    const int rate = v.ORAN.trimmed().toInt(&ok);
    QRLabel(43).SetCaption(QString::number(ok ? rate : 0));

    QRLabel(1).SetCaption(v.TARIH);
    QRLabel(2).SetCaption(v.SAYIN1);
    QRLabel(3).SetCaption(v.SAYIN2);
    QRLabel(4).SetCaption(v.SAYIN3);
    QRLabel(5).SetCaption(v.VERGIDAIRESI);
    QRLabel(6).SetCaption(v.VERGIHESAPNO);
    for (int i = 0; i < 8; ++i) {
        QRLabel(7 + i).SetCaption(MIKTAR_BICIMLE(v.M[i], v.B[i], FFormat));
        QRLabel(15 + i).SetCaption(v.C[i]);
        QRLabel(23 + i).SetCaption(TUTAR_BICIMLE(v.F[i], moneyPattern, FFormat));
        QRLabel(31 + i).SetCaption(TUTAR_BICIMLE(v.T[i], moneyPattern, FFormat));
    }
    QRLabel(39).SetCaption(TUTAR_BICIMLE(v.YEKUN, moneyPattern, FFormat));
    QRLabel(40).SetCaption(TUTAR_BICIMLE(v.KDV, moneyPattern, FFormat));
    QRLabel(41).SetCaption(TUTAR_BICIMLE(v.TOPLAM, moneyPattern, FFormat));
    QRLabel(42).SetCaption(v.YALNIZ);
}
