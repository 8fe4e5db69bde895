#pragma once
// The invoice report RAPORX: one title band of 43 labels built from its design table, laid
// out from the layout settings and filled from the invoice on the form. Plain logic: the
// window reads its fields into TInvoiceFormValues and runs the report it gets back.

#include "invoice/InvoiceFields.h"
#include "platform/Locale.h"
#include "printing/PrintSettings.h"
#include "report/QRCtrls.h"

#include <array>
#include <memory>

enum class TKonumModu { Label, Page };

// The label number (1..43) whose position a settings key gives; 0 for RAPOR_SAYFASI and
// anything that is not a label.
int InvoiceLabelOfKey(QStringView key);
// The settings key of label n (1..43); empty for any other n.
QString InvoiceLabelKey(int n);

// The print formats: empty for 0, else the money pattern / the shortest quantity and unit.
QString TUTAR_BICIMLE(long double value, const QString &moneyPattern, const TFormatSettings &fs);
QString MIKTAR_BICIMLE(long double quantity, const QString &unit, const TFormatSettings &fs);

// The paper, its orientation and the tray from the settings: what the invoice and every
// sheet that must go the invoice's way take alike.
void ApplyPaperSettings(TQuickRep &report, const TPrintSettings &settings);

class TInvoiceReport
{
public:
    // Built from the design table; the text metrics measure labels (the screen's by
    // default).
    explicit TInvoiceReport(
        const TFormatSettings &fs, std::shared_ptr<const ITextMetrics> metrics = nullptr);
    ~TInvoiceReport();

    TQuickRep &RAPORX() { return *FReport; }
    TQRBand &TitleBand1() { return *FTitleBand1; }
    // QRLabel1 .. QRLabel43.
    TQRLabel &QRLabel(int n) { return *FLabels.at(static_cast<size_t>(n - 1)); }

    // Paper, tray, orientation, every label's place and the margins from the settings.
    void SAYFA_HAZIRLA(const TPrintSettings &settings);
    // The 43 captions from the invoice; money by moneyPattern (GDisplayFormat).
    void RAPOR_DOLDUR(const TInvoiceFormValues &v, const QString &moneyPattern);
    // Places a label (pixels) or the page's top and left margin (millimetres).
    void KONUM_UYGULA(TQRLabel *label, QStringView position, TKonumModu mode);

private:
    TFormatSettings FFormat;
    std::unique_ptr<TQuickRep> FReport;
    TQRBand *FTitleBand1 = nullptr;
    std::array<TQRLabel *, 43> FLabels {};
};
