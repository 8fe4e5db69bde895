#pragma once
// The seller the e-Arşiv tests issue invoices as: complete, with a VKN whose check digit holds.

#include "invoice/EArsivStore.h"

inline TSellerInfo SampleSeller(TSellerInfo::TKind kind = TSellerInfo::TKind::BasitIsletme)
{
    TSellerInfo s;
    s.Unvan = QStringLiteral("Öztürk Kırtasiye Şti.");
    s.Vkn = QStringLiteral("1234567890");
    s.VergiDairesi = QStringLiteral("Kızılbey");
    s.Adres = QStringLiteral("İnönü Bulvarı 12");
    s.Ilce = QStringLiteral("Çankaya");
    s.Il = QStringLiteral("Ankara");
    s.Seri = QStringLiteral("LVN");
    s.Tur = kind;
    return s;
}
