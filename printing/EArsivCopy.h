#pragma once
// The e-Arşiv invoice's copy on plain paper or as a PDF: a report of our own engine laid out
// the way GİB's viewer shows the document — seller top left, title and karekod top right,
// buyer, the document's details, the lines as a ruled table, the totals, the notes. A
// document without a signature prints as a draft on every page.

#include "earsiv/EArsivInvoice.h"
#include "platform/Locale.h"
#include "report/QRCtrls.h"
#include "report/QRShapes.h"

#include <memory>
#include <vector>

// The draft line of an unsigned document.
extern const QString kEArsivTaslak;

// "1.234.567,89 TL": Turkish separators, two decimals (more when the value has them), the
// currency's sign for TRY, its code otherwise.
QString EArsivTutar(const TDecimal &amount, const QString &currency, int minDecimals = 2);
// "2,5": the quantity's own decimals without trailing zeros.
QString EArsivMiktar(const TDecimal &quantity);

class TEArsivCopy
{
public:
    explicit TEArsivCopy(
        const TFormatSettings &fs, std::shared_ptr<const ITextMetrics> metrics = nullptr);
    ~TEArsivCopy();

    // Lays the copy of invoice out, replacing whatever the report held.
    void NUSHA_HAZIRLA(const TEArsivInvoice &invoice);
    TQuickRep &Report() { return *FReport; }
    // The karekod's printable (for tests: its module size and place).
    const TQRModuleMatrix *Karekod() const { return FKarekod; }

private:
    struct TRow {
        std::vector<TQRShape *> Edges; // the vertical rules
        TQRShape *Bottom = nullptr;
        std::vector<TQRLabel *> Texts;
    };
    TQRLabel *Text(TQRControl *band, long double x, long double y, long double w,
        const QString &text, bool bold = false, TAlignment align = taLeftJustify, int size = 0);
    long double LineHeight(int size, bool bold) const;
    TQRShape *Rule(TQRControl *band, TShapeType shape, long double x, long double y, long double w,
        long double h);
    // A row of framed cells; returns its height.
    long double Row(TQRControl *band, long double y, const std::vector<long double> &widths,
        const QStringList &texts, const std::vector<TAlignment> &aligns, bool bold, int size,
        long double x0 = 0, TRow *keep = nullptr);
    long double Block(TQRControl *band, long double x, long double y, long double w,
        const QStringList &lines, int boldLines);
    void Clear();
    void FillLine(size_t index);

    TFormatSettings FFormat;
    std::shared_ptr<const ITextMetrics> FMetrics;
    std::unique_ptr<TQuickRep> FReport;
    TEArsivInvoice FInvoice;
    TQRModuleMatrix *FKarekod = nullptr;
    TQRBand *FDetail = nullptr;
    TRow FDetailRow;
    size_t FNextLine = 0;
};
