#pragma once
// What to tell the user before a print wastes a numbered form: values that leave the paper or
// the printer's printable area, values printed over one another, and a queue that does not
// offer the layout's paper. The geometry is plain logic over native units (tenths of a
// millimetre, from the paper's top-left corner); the window asks before it prints.

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class TInvoiceReport;
class IPrinting;

// One value as it will land on the paper.
struct TPrintedValue {
    QString Key; // the settings key, as the layout page names it
    QString Caption; // empty: nothing prints, nothing to warn about
    QRectF Rect; // native units on the paper
    // What of the caption fits its box, when the box cuts it; empty when it prints whole.
    std::optional<QString> PrintsAs;
    bool Amount = false; // a fixed-width box (money, quantity): a cut there is a wrong figure
};

// The paper and the printer the values go to.
struct TPrintSheet {
    QSizeF Paper; // the layout's paper as oriented, native units
    std::optional<QRectF> Printable; // the device's printable area; none: not known
    QString Printer; // the queue's name
    QString PaperName; // the layout's paper, as the user chose it ("A4", "A5")
    bool PaperOffered = true; // the queue offers the layout's paper
    QString TrayName; // the layout's tray, as the user chose it
    // The queue's own trays when it offers none that means the layout's tray; empty when
    // it does (or when the device does not say).
    std::optional<QStringList> TraysInstead;
};

// The findings, one Turkish sentence each; empty when there is nothing to say.
QStringList BASKI_UYARILARI(const std::vector<TPrintedValue> &values, const TPrintSheet &sheet);

// The composed report's labels (after SAYFA_HAZIRLA and RAPOR_DOLDUR) on the paper.
std::vector<TPrintedValue> BASILACAK_DEGERLER(TInvoiceReport &report);

// The paper, printable area and offered papers of the printer the report would go to, set
// to the report's paper, orientation and tray; none when there is no printer to ask.
std::optional<TPrintSheet> BASKI_KAGIDI(TInvoiceReport &report, IPrinting *printing);

// The text of the one box that lists the findings and asks whether to print anyway.
QString BASKI_UYARI_METNI(const QStringList &findings);
