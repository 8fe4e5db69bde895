#pragma once
// From the invoice the user typed to the e-Arşiv invoice: the seller and the number the store
// keeps, the buyer from the form and what the export dialog asked, the VAT rate worked out
// from the stored totals. Refuses, with every reason at once, what would make a wrong or
// invalid document; builds nothing then.

#include "earsiv/EArsivInvoice.h"
#include "invoice/EArsivStore.h"
#include "invoice/InvoiceFields.h"
#include "platform/Locale.h"

#include <functional>
#include <optional>

// VAT rates in use; a recalled invoice's rate is one of these.
inline constexpr int kVatRates[] = { 0, 1, 8, 10, 18, 20 };
// The final consumer's number, for a buyer without one: accepted although it fails the check
// digit, and never remembered.
inline constexpr QStringView kNihaiTuketici = u"11111111111";
// The exemption code under SATIS at 0 %; GİB's rules refuse any other there.
inline constexpr QStringView kSatisIstisnaKodu = u"351";

struct TExemptionCode {
    QStringView Code;
    QStringView Text;
};
// The codes offered under ISTISNA at 0 % (a part of GİB's list), and 351 under SATIS.
std::span<const TExemptionCode> IstisnaCodes();
QString ExemptionText(QStringView code);

// The rates of kVatRates under which the program's own rule (VAT = rate × subtotal / 100, cut
// to kuruş) gives this VAT for this subtotal.
std::vector<int> FittingVatRates(long double yekun, long double kdv);

// The invoice date as typed: in the locale's short date pattern (what the window itself puts
// there), d.M.yyyy, d/M/yyyy, d-M-yyyy or yyyy-MM-dd (two-digit years are 20yy); invalid when
// it is none of these or no real day.
QDate ParseInvoiceDate(QStringView text, const QString &localPattern = {});

// A fingerprint of the invoice's stored content, to tell whether it changed since its export.
QString InvoiceFingerprint(const TInvoiceRecord &record);

struct TEArsivInput {
    TInvoiceFormValues Form;
    QString DateFormat; // the locale's short date pattern, which TARIH may be written in
    TSellerInfo Seller;
    TBuyerExtras Buyer; // names (a person), İlçe, İl; VergiNo as on the form or the consumer's
    int Rate = 0;
    QString TypeCode = QStringLiteral("SATIS"); // SATIS or ISTISNA (only at 0 %)
    QString ExemptionCode; // at 0 %: 351 under SATIS, a code of IstisnaCodes() under ISTISNA
    TExportInfo Export; // number, ETTN and time
    // The UN/ECE code of a unit as typed; nullopt when nobody has mapped it yet.
    std::function<std::optional<QString>(const QString &unit)> UnitCode;
};

struct TEArsivBuild {
    std::optional<TEArsivInvoice> Invoice;
    QStringList Problems; // Turkish, one reason each; empty when Invoice is set
};

TEArsivBuild BuildEArsiv(const TEArsivInput &input);

// What the seller still lacks for a document (Turkish field names); empty when complete.
QStringList MissingSellerFields(const TSellerInfo &seller);
