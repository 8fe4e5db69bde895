#pragma once
// The catalogue of the invoice's fields: each value of the form once, with every name it
// bears (box, stored column, settings key, label), its kind and line, its sample caption and
// its place in each of the orders that files and windows fix. Whatever walks the invoice's
// fields — the stores, the window's copies to and from the record, the report's labels, the
// layout page, the e-Arşiv export — walks this table in the order it needs.

#include "invoice/InvoiceRecord.h"

#include <QString>
#include <QStringView>
#include <array>
#include <span>

// What the invoice form shows, as the print and the export read it. The form's numbers are
// long double (the window's arithmetic); the record's are double (the table's).
struct TInvoiceFormValues {
    QString TARIH;
    QString SAYIN1, SAYIN2, SAYIN3;
    QString VERGIDAIRESI, VERGIHESAPNO;
    std::array<long double, 8> M {}; // quantities
    std::array<QString, 8> B; // units
    std::array<QString, 8> C; // descriptions
    std::array<long double, 8> F {}; // unit prices
    std::array<long double, 8> T {}; // line amounts
    long double YEKUN = 0, KDV = 0, TOPLAM = 0;
    QString YALNIZ;
    QString ORAN; // the VAT-rate spin box's text
};

enum class TFieldKind {
    Text,
    Quantity, // printed with its line's unit
    Money, // printed by the money pattern, in a fixed right-aligned box
    Rate, // the VAT rate: a label, not a stored value
    Page, // the page's margins: a settings key, not a value
};

// The orders that files and windows bind; each is kept, none is derived from another.
enum class TFieldOrder {
    Label, // QRLabel1 .. QRLabel43
    Layout, // the layout page's tick boxes as created, which is the settings file's order
    Stored, // the table's columns after REC_ID
    Window, // the order the window writes a record: header, M, B, T, F, C, totals, words
};

struct TInvoiceField {
    QStringView Box; // the window's field: TARIH, VERGIDAIRESI, M1, ..., YALNIZ
    QStringView Column; // the stored column (YANLIZ, VDAIRESI, ...); empty when not stored
    QStringView Key; // the settings key; empty when the field has no position of its own
    int Label = 0; // QRLabel number; 0 when nothing prints it by itself
    int TickBox = 0; // n of the layout page's tick box An; 0 when none
    TFieldKind Kind = TFieldKind::Text;
    int Line = 0; // 1..8 for an item line's field; 0 for the header and totals
    int Width = 0; // stored width in characters; 0 for a number
    QStringView Sample; // the layout page's sample caption ("%1" stands for the line)

    // Where the value lives in a record and in the form's values; exactly one of each pair
    // is set for a stored field. Line fields index their array by Line - 1.
    QString TInvoiceRecord::*RecordText = nullptr;
    std::array<QString, 8> TInvoiceRecord::*RecordTexts = nullptr;
    double TInvoiceRecord::*RecordNumber = nullptr;
    std::array<double, 8> TInvoiceRecord::*RecordNumbers = nullptr;
    QString TInvoiceFormValues::*FormText = nullptr;
    std::array<QString, 8> TInvoiceFormValues::*FormTexts = nullptr;
    long double TInvoiceFormValues::*FormNumber = nullptr;
    std::array<long double, 8> TInvoiceFormValues::*FormNumbers = nullptr;

    bool IsNumber() const { return Kind == TFieldKind::Quantity || Kind == TFieldKind::Money; }
    bool IsStored() const { return !Column.empty(); }

    QString &Text(TInvoiceRecord &r) const;
    double &Number(TInvoiceRecord &r) const;
    QString &Text(TInvoiceFormValues &v) const;
    long double &Number(TInvoiceFormValues &v) const;
    const QString &Text(const TInvoiceRecord &r) const;
    double Number(const TInvoiceRecord &r) const;
    const QString &Text(const TInvoiceFormValues &v) const;
    long double Number(const TInvoiceFormValues &v) const;

    // The layout page's sample caption, the line filled in.
    QString SampleText() const;
};

// Every field: the 43 labels' values, the eight units and the page's margins.
inline constexpr int kInvoiceFieldCount = 52;
std::span<const TInvoiceField> InvoiceFields();

// The fields that take part in an order, in that order: Label 43, Layout 44, Stored 59
// columns (the record's fields), Window the same 59 as the window writes them.
std::span<const TInvoiceField *const> InvoiceFields(TFieldOrder order);

// The field of a box name or settings key (letter case ignored); nullptr when there is none.
const TInvoiceField *InvoiceFieldByBox(QStringView box);
// The field that QRLabel n prints; nullptr for any other n.
const TInvoiceField *InvoiceFieldOfLabel(int n);

// The record's stored fields in the stored order: text(QString&) or number(double&) for each.
template <class TText, class TNumber>
void ForEachField(TInvoiceRecord &r, TText &&text, TNumber &&number)
{
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Stored)) {
        if (f->IsNumber())
            number(f->Number(r));
        else
            text(f->Text(r));
    }
}
template <class TText, class TNumber>
void ForEachField(const TInvoiceRecord &r, TText &&text, TNumber &&number)
{
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Stored)) {
        if (f->IsNumber())
            number(f->Number(r));
        else
            text(f->Text(r));
    }
}

// The form's values as the record holds them (numbers narrowed to double), and back.
TInvoiceRecord RecordOfForm(const TInvoiceFormValues &v);
TInvoiceFormValues FormOfRecord(const TInvoiceRecord &r);
