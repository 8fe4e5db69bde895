#include "earsiv/UblWriter.h"

#include <QXmlStreamWriter>

using namespace Qt::StringLiterals;

namespace
{

const QString kInvoiceNs = u"urn:oasis:names:specification:ubl:schema:xsd:Invoice-2"_s;
const QString kCac = u"urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2"_s;
const QString kCbc = u"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2"_s;
const QString kExt = u"urn:oasis:names:specification:ubl:schema:xsd:CommonExtensionComponents-2"_s;
// Our own mark in the extension, where the signature goes once the integrator signs.
const QString kLevanta = u"urn:levanta:earsiv:taslak"_s;

class TUbl
{
public:
    explicit TUbl(QByteArray *out)
        : W(out)
    {
        W.setAutoFormatting(true);
        W.setAutoFormattingIndent(1);
    }

    QXmlStreamWriter W;

    void Cbc(const QString &name, const QString &value) { W.writeTextElement(kCbc, name, value); }
    void Cbc(
        const QString &name, const QString &value, const QString &attr, const QString &attrValue)
    {
        W.writeStartElement(kCbc, name);
        W.writeAttribute(attr, attrValue);
        W.writeCharacters(value);
        W.writeEndElement();
    }
    void Money(const QString &name, const TDecimal &value, const QString &currency)
    {
        Cbc(name, value.Rescaled(2).ToString(), u"currencyID"_s, currency);
    }
    void Open(const QString &name) { W.writeStartElement(kCac, name); }
    void Close() { W.writeEndElement(); }

    void Party(const TEArsivParty &p)
    {
        Open(u"Party"_s);
        Open(u"PartyIdentification"_s);
        Cbc(u"ID"_s, p.TaxNumber(), u"schemeID"_s, p.Vkn.isEmpty() ? u"TCKN"_s : u"VKN"_s);
        Close();
        if (!p.Name.isEmpty()) {
            Open(u"PartyName"_s);
            Cbc(u"Name"_s, p.Name);
            Close();
        }
        Address(p);
        if (!p.TaxOffice.isEmpty()) {
            Open(u"PartyTaxScheme"_s);
            Open(u"TaxScheme"_s);
            Cbc(u"Name"_s, p.TaxOffice);
            Close();
            Close();
        }
        if (!p.Phone.isEmpty() || !p.Email.isEmpty()) {
            Open(u"Contact"_s);
            if (!p.Phone.isEmpty())
                Cbc(u"Telephone"_s, p.Phone);
            if (!p.Email.isEmpty())
                Cbc(u"ElectronicMail"_s, p.Email);
            Close();
        }
        if (p.IsPerson()) {
            Open(u"Person"_s);
            Cbc(u"FirstName"_s, p.FirstName);
            Cbc(u"FamilyName"_s, p.FamilyName);
            Close();
        }
        Close();
    }

    void Address(const TEArsivParty &p)
    {
        Open(u"PostalAddress"_s);
        if (!p.Street.isEmpty())
            Cbc(u"StreetName"_s, p.Street);
        Cbc(u"CitySubdivisionName"_s, p.District);
        Cbc(u"CityName"_s, p.City);
        Open(u"Country"_s);
        Cbc(u"Name"_s, p.Country);
        Close();
        Close();
    }

    // One VAT subtotal; the VAT's type code is 0015.
    void Subtotal(const TEArsivTax &t, const QString &currency)
    {
        Open(u"TaxSubtotal"_s);
        Money(u"TaxableAmount"_s, t.Base, currency);
        Money(u"TaxAmount"_s, t.Amount, currency);
        Cbc(u"Percent"_s, QString::number(t.Percent));
        Open(u"TaxCategory"_s);
        if (!t.ExemptionCode.isEmpty()) {
            Cbc(u"TaxExemptionReasonCode"_s, t.ExemptionCode);
            Cbc(u"TaxExemptionReason"_s, t.ExemptionReason);
        }
        Open(u"TaxScheme"_s);
        Cbc(u"Name"_s, u"KDV"_s);
        Cbc(u"TaxTypeCode"_s, u"0015"_s);
        Close();
        Close();
        Close();
    }
};

} // namespace

QByteArray WriteUbl(const TEArsivInvoice &inv)
{
    QByteArray out;
    TUbl u(&out);
    QXmlStreamWriter &w = u.W;
    const QString &cur = inv.Currency;
    w.writeStartDocument();
    w.writeNamespace(kCac, u"cac"_s);
    w.writeNamespace(kCbc, u"cbc"_s);
    w.writeNamespace(kExt, u"ext"_s);
    w.writeDefaultNamespace(kInvoiceNs);
    w.writeStartElement(kInvoiceNs, u"Invoice"_s);

    w.writeStartElement(kExt, u"UBLExtensions"_s);
    w.writeStartElement(kExt, u"UBLExtension"_s);
    w.writeStartElement(kExt, u"ExtensionContent"_s);
    w.writeNamespace(kLevanta, u"lv"_s);
    w.writeEmptyElement(kLevanta, u"Imzasiz"_s);
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();

    u.Cbc(u"UBLVersionID"_s, u"2.1"_s);
    u.Cbc(u"CustomizationID"_s, inv.CustomizationId);
    u.Cbc(u"ProfileID"_s, inv.ProfileId);
    u.Cbc(u"ID"_s, inv.Number);
    u.Cbc(u"CopyIndicator"_s, u"false"_s);
    u.Cbc(u"UUID"_s, inv.Ettn);
    u.Cbc(u"IssueDate"_s, inv.IssueDate.toString(Qt::ISODate));
    if (inv.IssueTime.isValid())
        u.Cbc(u"IssueTime"_s, inv.IssueTime.toString(u"HH:mm:ss"_s));
    u.Cbc(u"InvoiceTypeCode"_s, inv.TypeCode);
    for (const QString &note : inv.Notes)
        u.Cbc(u"Note"_s, note);
    u.Cbc(u"DocumentCurrencyCode"_s, cur);
    u.Cbc(u"LineCountNumeric"_s, QString::number(inv.Lines.size()));

    // The signature's place: who signs, and the reference the integrator's signature takes.
    u.Open(u"Signature"_s);
    u.Cbc(u"ID"_s, inv.Seller.TaxNumber(), u"schemeID"_s, u"VKN_TCKN"_s);
    u.Open(u"SignatoryParty"_s);
    u.Open(u"PartyIdentification"_s);
    u.Cbc(u"ID"_s, inv.Seller.TaxNumber(), u"schemeID"_s,
        inv.Seller.Vkn.isEmpty() ? u"TCKN"_s : u"VKN"_s);
    u.Close();
    u.Address(inv.Seller);
    u.Close();
    u.Open(u"DigitalSignatureAttachment"_s);
    u.Open(u"ExternalReference"_s);
    u.Cbc(u"URI"_s, u"#Signature_"_s + inv.Number);
    u.Close();
    u.Close();
    u.Close();

    u.Open(u"AccountingSupplierParty"_s);
    u.Party(inv.Seller);
    u.Close();
    u.Open(u"AccountingCustomerParty"_s);
    u.Party(inv.Buyer);
    u.Close();

    for (const TEArsivAllowance &a : inv.Allowances) {
        u.Open(u"AllowanceCharge"_s);
        u.Cbc(u"ChargeIndicator"_s, u"false"_s);
        if (!a.Reason.isEmpty())
            u.Cbc(u"AllowanceChargeReason"_s, a.Reason);
        u.Money(u"Amount"_s, a.Amount, cur);
        u.Close();
    }

    TDecimal taxTotal { 0, 2 };
    for (const TEArsivTax &t : inv.Taxes)
        taxTotal.Units += t.Amount.Rescaled(2).Units;
    u.Open(u"TaxTotal"_s);
    u.Money(u"TaxAmount"_s, taxTotal, cur);
    for (const TEArsivTax &t : inv.Taxes)
        u.Subtotal(t, cur);
    u.Close();

    u.Open(u"LegalMonetaryTotal"_s);
    u.Money(u"LineExtensionAmount"_s, inv.LineExtension, cur);
    u.Money(u"TaxExclusiveAmount"_s, inv.TaxExclusive, cur);
    u.Money(u"TaxInclusiveAmount"_s, inv.TaxInclusive, cur);
    if (inv.AllowanceTotal.Units != 0)
        u.Money(u"AllowanceTotalAmount"_s, inv.AllowanceTotal, cur);
    u.Money(u"PayableAmount"_s, inv.Payable, cur);
    u.Close();

    for (const TEArsivLine &l : inv.Lines) {
        u.Open(u"InvoiceLine"_s);
        u.Cbc(u"ID"_s, QString::number(l.Id));
        u.Cbc(u"InvoicedQuantity"_s, l.Quantity.ToString(), u"unitCode"_s, l.UnitCode);
        u.Money(u"LineExtensionAmount"_s, l.Amount, cur);
        const TEArsivTax lineTax { l.VatPercent, l.Amount, l.VatAmount,
            inv.Taxes.empty() ? QString() : inv.Taxes.front().ExemptionCode,
            inv.Taxes.empty() ? QString() : inv.Taxes.front().ExemptionReason };
        u.Open(u"TaxTotal"_s);
        u.Money(u"TaxAmount"_s, l.VatAmount, cur);
        u.Subtotal(lineTax, cur);
        u.Close();
        u.Open(u"Item"_s);
        u.Cbc(u"Name"_s, l.Name);
        u.Close();
        u.Open(u"Price"_s);
        u.Cbc(u"PriceAmount"_s, l.Price.ToString(), u"currencyID"_s, cur);
        u.Close();
        u.Close();
    }

    w.writeEndElement();
    w.writeEndDocument();
    return out;
}
