#pragma once
// The karekod's text: the JSON object GİB's standard asks of an e-Arşiv invoice's copy, built
// from the document's own values. Pure text; the QR symbol is drawn elsewhere.

#include "earsiv/EArsivInvoice.h"

#include <QByteArray>
#include <QString>

// {"vkntckn":"…","avkntckn":"…","senaryo":"…","tip":"…","tarih":"YYYY-MM-DD","no":"…",
//  "ettn":"…","parabirimi":"…","malhizmettoplam":"…","kdvmatrah(N)":"…",
//  "hesaplanankdv(N)":"…","vergidahil":"…","odenecek":"…"} on one line, without blanks; one
// matrah/KDV pair per VAT subtotal in the document's order (N the rate as a whole number);
// amounts with a dot and two decimals.
QString KAREKOD_METNI(const TEArsivInvoice &invoice);
// The same, as the UTF-8 bytes the symbol carries.
QByteArray KAREKOD_VERISI(const TEArsivInvoice &invoice);
