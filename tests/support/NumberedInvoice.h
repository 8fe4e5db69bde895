#pragma once
// An invoice with every field filled from one number, so a record read back can be checked
// whole and told apart from its neighbours.

#include "invoice/InvoiceRecord.h"

#include <QString>

inline TInvoiceRecord Numbered(int n)
{
    using namespace Qt::StringLiterals;
    TInvoiceRecord r;
    const QString s = QString::number(n);
    r.TARIH = u"0%1.01.2024"_s.arg(n % 9 + 1);
    r.SAYIN1 = u"Müşteri "_s + s;
    r.SAYIN2 = QString(60, u'ğ') + s;
    r.SAYIN3 = u"İl "_s + s;
    r.VDAIRESI = u"VD "_s + s;
    r.VNO = u"V"_s + s;
    for (int k = 0; k < TInvoiceRecord::kLines; ++k) {
        r.M[k] = n * 10 + k;
        r.C[k] = u"Kalem %1-%2\t\\\n"_s.arg(n).arg(k); // COPY's own escapes, kept as text
        r.F[k] = k + 0.1;
        r.T[k] = r.M[k] * r.F[k];
        r.B[k] = u"AD%1"_s.arg(k);
    }
    r.YEKUN = n;
    r.KDV = n * 0.18;
    r.TOPLAM = n * 1.18;
    r.YANLIZ = QString(130, u'y') + s;
    return r;
}
