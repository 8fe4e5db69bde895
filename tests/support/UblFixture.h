#pragma once
// Test documents: an e-Arşiv invoice built in code and the UBL-TR text of it, written here by
// hand (a small stand-in for the program's writer) so that reading and printing are tested
// on XML text, signed or not.

#include "earsiv/EArsivInvoice.h"

#include <QXmlStreamWriter>

namespace ubl_fixture
{

inline TEArsivInvoice SampleInvoice(bool tcknBuyer, int percent)
{
    TEArsivInvoice inv;
    inv.Number = QStringLiteral("LVN2026000000042");
    inv.Ettn = QStringLiteral("3f2b8c1e-5a7d-4e9b-9c0a-1d2e3f4a5b6c");
    inv.IssueDate = QDate(2026, 3, 14);
    inv.IssueTime = QTime(14, 30, 5);
    inv.TypeCode = percent == 0 ? QStringLiteral("ISTISNA") : QStringLiteral("SATIS");
    inv.Seller.Vkn = QStringLiteral("1234567890");
    inv.Seller.Name = QStringLiteral("Çağlayan Şişecilik Ltd. Şti.");
    inv.Seller.TaxOffice = QStringLiteral("Kadıköy");
    inv.Seller.Street = QStringLiteral("Gül Sokak No:7");
    inv.Seller.District = QStringLiteral("Kadıköy");
    inv.Seller.City = QStringLiteral("İstanbul");
    inv.Seller.Phone = QStringLiteral("0216 555 12 34");
    if (tcknBuyer) {
        inv.Buyer.Tckn = QStringLiteral("12345678901");
        inv.Buyer.FirstName = QStringLiteral("Ayşe");
        inv.Buyer.FamilyName = QStringLiteral("Güneş Öztürk");
    } else {
        inv.Buyer.Vkn = QStringLiteral("9876543210");
        inv.Buyer.Name = QStringLiteral("Ilgın Işıklı Ticaret A.Ş.");
        inv.Buyer.TaxOffice = QStringLiteral("Çankaya");
    }
    inv.Buyer.Street = QStringLiteral("Atatürk Bulvarı No:101");
    inv.Buyer.District = QStringLiteral("Çankaya");
    inv.Buyer.City = QStringLiteral("Ankara");

    TEArsivLine a;
    a.Id = 1;
    a.Name = QStringLiteral("Çelik vida");
    a.Quantity = { 25, 1 }; // 2.5
    a.UnitCode = QStringLiteral("KGM");
    a.UnitName = QStringLiteral("Kg");
    a.Price = Kurus(4000);
    a.Amount = Kurus(10000);
    TEArsivLine b;
    b.Id = 2;
    b.Name = QStringLiteral("Işıklı pano (ğüşiöç)");
    b.Quantity = { 3, 0 };
    b.UnitCode = QStringLiteral("C62");
    b.UnitName = QStringLiteral("Adet");
    b.Price = Kurus(33333);
    b.Amount = Kurus(99999);
    a.VatPercent = b.VatPercent = percent;
    a.VatAmount = Kurus(10000 * percent / 100);
    b.VatAmount = Kurus(99999 * percent / 100);
    inv.Lines = { a, b };
    TEArsivTax tax;
    tax.Percent = percent;
    tax.Base = Kurus(109999);
    tax.Amount = Kurus(a.VatAmount.Units + b.VatAmount.Units);
    if (percent == 0) {
        tax.ExemptionCode = QStringLiteral("301");
        tax.ExemptionReason = QStringLiteral("11/1-a Mal ihracatı");
    }
    inv.Taxes = { tax };
    inv.LineExtension = Kurus(109999);
    inv.TaxExclusive = Kurus(109999);
    inv.TaxInclusive = Kurus(109999 + tax.Amount.Units);
    inv.Payable = inv.TaxInclusive;
    inv.Notes = { QStringLiteral("Yalnız #BinYüzDoksanBeşTL#") };
    return inv;
}

inline void Amount(QXmlStreamWriter &w, const QString &name, const TDecimal &d, const QString &cur)
{
    w.writeStartElement(QStringLiteral("cbc:") + name);
    w.writeAttribute(QStringLiteral("currencyID"), cur);
    w.writeCharacters(d.ToString());
    w.writeEndElement();
}

inline void Party(QXmlStreamWriter &w, const QString &role, const TEArsivParty &p)
{
    const QString cbc = QStringLiteral("cbc:"), cac = QStringLiteral("cac:");
    w.writeStartElement(cac + role);
    w.writeStartElement(cac + QStringLiteral("Party"));
    w.writeStartElement(cac + QStringLiteral("PartyIdentification"));
    w.writeStartElement(cbc + QStringLiteral("ID"));
    w.writeAttribute(QStringLiteral("schemeID"),
        p.Vkn.isEmpty() ? QStringLiteral("TCKN") : QStringLiteral("VKN"));
    w.writeCharacters(p.TaxNumber());
    w.writeEndElement();
    w.writeEndElement();
    if (!p.Name.isEmpty()) {
        w.writeStartElement(cac + QStringLiteral("PartyName"));
        w.writeTextElement(cbc + QStringLiteral("Name"), p.Name);
        w.writeEndElement();
    }
    w.writeStartElement(cac + QStringLiteral("PostalAddress"));
    w.writeTextElement(cbc + QStringLiteral("StreetName"), p.Street);
    w.writeTextElement(cbc + QStringLiteral("CitySubdivisionName"), p.District);
    w.writeTextElement(cbc + QStringLiteral("CityName"), p.City);
    w.writeStartElement(cac + QStringLiteral("Country"));
    w.writeTextElement(cbc + QStringLiteral("Name"), p.Country);
    w.writeEndElement();
    w.writeEndElement();
    if (!p.TaxOffice.isEmpty()) {
        w.writeStartElement(cac + QStringLiteral("PartyTaxScheme"));
        w.writeStartElement(cac + QStringLiteral("TaxScheme"));
        w.writeTextElement(cbc + QStringLiteral("Name"), p.TaxOffice);
        w.writeEndElement();
        w.writeEndElement();
    }
    if (!p.Phone.isEmpty() || !p.Email.isEmpty()) {
        w.writeStartElement(cac + QStringLiteral("Contact"));
        if (!p.Phone.isEmpty())
            w.writeTextElement(cbc + QStringLiteral("Telephone"), p.Phone);
        if (!p.Email.isEmpty())
            w.writeTextElement(cbc + QStringLiteral("ElectronicMail"), p.Email);
        w.writeEndElement();
    }
    if (!p.FirstName.isEmpty()) {
        w.writeStartElement(cac + QStringLiteral("Person"));
        w.writeTextElement(cbc + QStringLiteral("FirstName"), p.FirstName);
        w.writeTextElement(cbc + QStringLiteral("FamilyName"), p.FamilyName);
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
}

inline void Subtotal(QXmlStreamWriter &w, const TEArsivTax &t, const QString &cur)
{
    w.writeStartElement(QStringLiteral("cac:TaxSubtotal"));
    Amount(w, QStringLiteral("TaxableAmount"), t.Base, cur);
    Amount(w, QStringLiteral("TaxAmount"), t.Amount, cur);
    w.writeTextElement(QStringLiteral("cbc:Percent"), QString::number(t.Percent));
    w.writeStartElement(QStringLiteral("cac:TaxCategory"));
    if (!t.ExemptionCode.isEmpty()) {
        w.writeTextElement(QStringLiteral("cbc:TaxExemptionReasonCode"), t.ExemptionCode);
        w.writeTextElement(QStringLiteral("cbc:TaxExemptionReason"), t.ExemptionReason);
    }
    w.writeStartElement(QStringLiteral("cac:TaxScheme"));
    w.writeTextElement(QStringLiteral("cbc:Name"), QStringLiteral("KDV"));
    w.writeTextElement(QStringLiteral("cbc:TaxTypeCode"), QStringLiteral("0015"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
}

// The UBL-TR text of inv; signed puts a ds:Signature into the extensions as an integrator's
// file has it.
inline QByteArray UblXml(const TEArsivInvoice &inv, bool signedFile)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("Invoice"));
    w.writeDefaultNamespace(
        QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:Invoice-2"));
    w.writeNamespace(
        QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2"),
        QStringLiteral("cac"));
    w.writeNamespace(
        QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2"),
        QStringLiteral("cbc"));
    w.writeNamespace(
        QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CommonExtensionComponents-2"),
        QStringLiteral("ext"));
    w.writeNamespace(QStringLiteral("http://www.w3.org/2000/09/xmldsig#"), QStringLiteral("ds"));
    w.writeStartElement(QStringLiteral("ext:UBLExtensions"));
    w.writeStartElement(QStringLiteral("ext:UBLExtension"));
    w.writeStartElement(QStringLiteral("ext:ExtensionContent"));
    if (signedFile) {
        w.writeStartElement(QStringLiteral("ds:Signature"));
        w.writeAttribute(QStringLiteral("Id"), QStringLiteral("Signature_") + inv.Number);
        w.writeTextElement(QStringLiteral("ds:SignatureValue"), QStringLiteral("QUJD"));
        w.writeEndElement();
    } else {
        w.writeEmptyElement(QStringLiteral("ext:Placeholder"));
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    const QString cbc = QStringLiteral("cbc:");
    w.writeTextElement(cbc + QStringLiteral("UBLVersionID"), QStringLiteral("2.1"));
    w.writeTextElement(cbc + QStringLiteral("CustomizationID"), inv.CustomizationId);
    w.writeTextElement(cbc + QStringLiteral("ProfileID"), inv.ProfileId);
    w.writeTextElement(cbc + QStringLiteral("ID"), inv.Number);
    w.writeTextElement(cbc + QStringLiteral("CopyIndicator"), QStringLiteral("false"));
    w.writeTextElement(cbc + QStringLiteral("UUID"), inv.Ettn);
    w.writeTextElement(
        cbc + QStringLiteral("IssueDate"), inv.IssueDate.toString(QStringLiteral("yyyy-MM-dd")));
    if (inv.IssueTime.isValid())
        w.writeTextElement(
            cbc + QStringLiteral("IssueTime"), inv.IssueTime.toString(QStringLiteral("HH:mm:ss")));
    w.writeTextElement(cbc + QStringLiteral("InvoiceTypeCode"), inv.TypeCode);
    for (const QString &n : inv.Notes)
        w.writeTextElement(cbc + QStringLiteral("Note"), n);
    w.writeTextElement(cbc + QStringLiteral("DocumentCurrencyCode"), inv.Currency);
    w.writeTextElement(cbc + QStringLiteral("LineCountNumeric"), QString::number(inv.Lines.size()));
    Party(w, QStringLiteral("AccountingSupplierParty"), inv.Seller);
    Party(w, QStringLiteral("AccountingCustomerParty"), inv.Buyer);
    for (const TEArsivAllowance &a : inv.Allowances) {
        w.writeStartElement(QStringLiteral("cac:AllowanceCharge"));
        w.writeTextElement(cbc + QStringLiteral("ChargeIndicator"), QStringLiteral("false"));
        w.writeTextElement(cbc + QStringLiteral("AllowanceChargeReason"), a.Reason);
        Amount(w, QStringLiteral("Amount"), a.Amount, inv.Currency);
        w.writeEndElement();
    }
    w.writeStartElement(QStringLiteral("cac:TaxTotal"));
    TDecimal sum = Kurus(0);
    for (const TEArsivTax &t : inv.Taxes)
        sum.Units += t.Amount.Rescaled(2).Units;
    Amount(w, QStringLiteral("TaxAmount"), sum, inv.Currency);
    for (const TEArsivTax &t : inv.Taxes)
        Subtotal(w, t, inv.Currency);
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("cac:LegalMonetaryTotal"));
    Amount(w, QStringLiteral("LineExtensionAmount"), inv.LineExtension, inv.Currency);
    Amount(w, QStringLiteral("TaxExclusiveAmount"), inv.TaxExclusive, inv.Currency);
    Amount(w, QStringLiteral("TaxInclusiveAmount"), inv.TaxInclusive, inv.Currency);
    Amount(w, QStringLiteral("AllowanceTotalAmount"), inv.AllowanceTotal, inv.Currency);
    Amount(w, QStringLiteral("PayableAmount"), inv.Payable, inv.Currency);
    w.writeEndElement();
    for (const TEArsivLine &l : inv.Lines) {
        w.writeStartElement(QStringLiteral("cac:InvoiceLine"));
        w.writeTextElement(cbc + QStringLiteral("ID"), QString::number(l.Id));
        w.writeStartElement(cbc + QStringLiteral("InvoicedQuantity"));
        w.writeAttribute(QStringLiteral("unitCode"), l.UnitCode);
        w.writeCharacters(l.Quantity.ToString());
        w.writeEndElement();
        Amount(w, QStringLiteral("LineExtensionAmount"), l.Amount, inv.Currency);
        w.writeStartElement(QStringLiteral("cac:TaxTotal"));
        Amount(w, QStringLiteral("TaxAmount"), l.VatAmount, inv.Currency);
        TEArsivTax t;
        t.Percent = l.VatPercent;
        t.Base = l.Amount;
        t.Amount = l.VatAmount;
        Subtotal(w, t, inv.Currency);
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("cac:Item"));
        w.writeTextElement(cbc + QStringLiteral("Name"), l.Name);
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("cac:Price"));
        Amount(w, QStringLiteral("PriceAmount"), l.Price, inv.Currency);
        w.writeEndElement();
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

} // namespace ubl_fixture
