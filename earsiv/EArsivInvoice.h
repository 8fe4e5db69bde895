#pragma once
// The e-Arşiv invoice as plain data: what the UBL-TR document says, whether we build it from a
// typed invoice or read it back from a file (ours, or the signed one an integrator returns).
// Money is held exactly, as integer units with a scale, never as a binary float.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <cstdint>
#include <optional>
#include <vector>

// A decimal as the document writes it: Units × 10^-Scale ("12.50" is { 1250, 2 }).
struct TDecimal {
    std::int64_t Units = 0;
    int Scale = 2;

    // "1234.50", "-0.01", "3": a dot, no thousands separators, exactly Scale decimals.
    QString ToString() const;
    // Reads what ToString writes, and any xsd:decimal ("+1.5", ".5", "007"); nullopt for
    // anything else or a value that does not fit.
    static std::optional<TDecimal> Parse(QStringView text);
    // The same value at another scale, rounded half away from zero when decimals are dropped;
    // saturated at the int64 range.
    TDecimal Rescaled(int scale) const;
    bool operator==(const TDecimal &o) const; // by value: 1.5 == 1.50
};

inline TDecimal Kurus(std::int64_t kurus)
{
    return { kurus, 2 };
}

// A seller or a buyer. A party has either a VKN (a company: Name) or a TCKN (a person:
// FirstName and FamilyName).
struct TEArsivParty {
    QString Vkn; // 10 digits, or empty
    QString Tckn; // 11 digits, or empty
    QString Name; // the company's name (Unvan); for a person the whole name as shown
    QString FirstName, FamilyName;
    QString TaxOffice; // Vergi Dairesi
    QString Street; // the address lines, joined
    QString District; // İlçe (CitySubdivisionName)
    QString City; // İl (CityName)
    QString Country = QStringLiteral("Türkiye");
    QString Phone, Email;

    QString TaxNumber() const { return Vkn.isEmpty() ? Tckn : Vkn; }
    bool IsPerson() const { return Vkn.isEmpty() && !Tckn.isEmpty(); }
    // Name, or first and family name for a person.
    QString DisplayName() const;
};

struct TEArsivLine {
    int Id = 0; // 1, 2, ... in the document
    QString Name; // Mal Hizmet
    TDecimal Quantity { 0, 0 };
    QString UnitCode; // UN/ECE Rec. 20: C62, KGM, ...
    QString UnitName; // the unit as typed (Adet), for the copy
    TDecimal Price; // Birim Fiyat
    TDecimal Amount; // Mal Hizmet Tutarı: the line's amount before VAT
    int VatPercent = 0; // the line's KDV Oranı
    TDecimal VatAmount; // the line's KDV Tutarı (shares of the one VAT subtotal)
};

// A discount on the whole invoice (a negative line of the form).
struct TEArsivAllowance {
    QString Reason; // the line's name
    TDecimal Amount; // positive
};

// The one VAT subtotal (type code 0015).
struct TEArsivTax {
    int Percent = 0;
    TDecimal Base; // matrah
    TDecimal Amount;
    QString ExemptionCode; // at 0 %: 351 under SATIS, or a code of GİB's list under ISTISNA
    QString ExemptionReason;
};

struct TEArsivInvoice {
    QString CustomizationId = QStringLiteral("TR1.2");
    QString ProfileId = QStringLiteral("EARSIVFATURA"); // Senaryo
    QString Number; // LVN2026000000001
    QString Ettn; // UUID, lower case 8-4-4-4-12
    QDate IssueDate;
    QTime IssueTime;
    QString TypeCode = QStringLiteral("SATIS"); // or ISTISNA
    QString Currency = QStringLiteral("TRY");
    TEArsivParty Seller;
    TEArsivParty Buyer;
    std::vector<TEArsivLine> Lines;
    std::vector<TEArsivAllowance> Allowances;
    std::vector<TEArsivTax> Taxes; // we write one; a read file may hold more
    TDecimal LineExtension; // Mal Hizmet Toplam Tutarı: the lines' sum
    TDecimal AllowanceTotal; // the discounts' sum
    TDecimal TaxExclusive; // the base: lines less discounts
    TDecimal TaxInclusive; // Vergiler Dahil Toplam Tutar
    TDecimal Payable; // Ödenecek Tutar
    QStringList Notes; // cbc:Note in order; ours: the total in words
    bool Signed = false; // the file carries a ds:Signature in its UBLExtensions
};
