#pragma once
// One invoice as the table stores it: a flat image of the form.

#include <QString>
#include <array>
#include <cstdint>

struct TInvoiceRecord {
    static constexpr int kLines = 8;
    // Widths of the text fields, in characters (code points); longer texts are cut on a post.
    static constexpr int kWidthTARIH = 20, kWidthSAYIN = 75, kWidthVDAIRESI = 35, kWidthVNO = 30,
                         kWidthC = 50, kWidthYANLIZ = 150, kWidthB = 10;

    std::int32_t REC_ID = 0; // 0 until the table has assigned one
    QString TARIH;
    QString SAYIN1, SAYIN2, SAYIN3;
    QString VDAIRESI;
    QString VNO;
    std::array<double, kLines> M {};
    std::array<QString, kLines> C;
    std::array<double, kLines> F {};
    std::array<double, kLines> T {};
    double YEKUN = 0, KDV = 0, TOPLAM = 0;
    QString YANLIZ;
    std::array<QString, kLines> B;

    bool operator==(const TInvoiceRecord &) const = default;
};

// The same invoice content, whatever the REC_IDs: what an overwrite checks before it writes.
inline bool SameContent(TInvoiceRecord a, const TInvoiceRecord &b)
{
    a.REC_ID = b.REC_ID;
    return a == b;
}

// Calls text(s) for each text field and number(v) for each number after REC_ID, in the
// stored column order (RecordColumns): the one walk that every store's reads and writes use.
// For a const record the fields come as const references.
template <class TRecord, class TText, class TNumber>
void ForEachField(TRecord &r, TText &&text, TNumber &&number)
{
    for (auto *s : { &r.TARIH, &r.SAYIN1, &r.SAYIN2, &r.SAYIN3, &r.VDAIRESI, &r.VNO })
        text(*s);
    for (auto &v : r.M)
        number(v);
    for (auto &s : r.C)
        text(s);
    for (auto &v : r.F)
        number(v);
    for (auto &v : r.T)
        number(v);
    for (auto *v : { &r.YEKUN, &r.KDV, &r.TOPLAM })
        number(*v);
    text(r.YANLIZ);
    for (auto &s : r.B)
        text(s);
}
