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
