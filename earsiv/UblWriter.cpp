#include "earsiv/UblWriter.h"

#include "earsiv/UblNames.h"

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

// A small writer of our own: the document's shape is fixed, so elements are written with
// their prefixes directly; texts are escaped, and characters XML 1.0 cannot carry (control
// characters a pasted or imported text may hold) become U+FFFD rather than a broken file.
class TUbl
{
public:
    explicit TUbl(QByteArray &out)
        : Out(out)
    {
    }

    void Cbc(const char *name, const QString &value, const char *attr = nullptr,
        const QString &attrValue = {})
    {
        Indent();
        Out += "<cbc:";
        Out += name;
        if (attr) {
            Out += ' ';
            Out += attr;
            Out += "=\"";
            Escaped(attrValue, true);
            Out += '"';
        }
        Out += '>';
        Escaped(value, false);
        Out += "</cbc:";
        Out += name;
        Out += '>';
    }
    void Open(const char *qname, bool cac = true)
    {
        Indent();
        Out += '<';
        if (cac)
            Out += "cac:";
        Out += qname;
        Out += '>';
        Stack.push_back({ qname, cac });
        ++Depth;
    }
    void Close()
    {
        --Depth;
        Indent();
        Out += "</";
        if (Stack.back().second)
            Out += "cac:";
        Out += Stack.back().first;
        Out += '>';
        Stack.pop_back();
    }
    // Text written as it stands; opens: the elements after it are its children.
    void Raw(const char *text, bool opens = false)
    {
        Indent();
        Out += text;
        Depth += opens ? 1 : 0;
    }
    void Money(const char *name, const TDecimal &value, const QString &currency)
    {
        Cbc(name, value.Rescaled(2).ToString(), "currencyID", currency);
    }

    void Party(const TEArsivParty &p)
    {
        Open("Party");
        Open("PartyIdentification");
        Cbc("ID", p.TaxNumber(), "schemeID", p.Vkn.isEmpty() ? u"TCKN"_s : u"VKN"_s);
        Close();
        if (!p.Name.isEmpty()) {
            Open("PartyName");
            Cbc("Name", p.Name);
            Close();
        }
        Address(p);
        if (!p.TaxOffice.isEmpty()) {
            Open("PartyTaxScheme");
            Open("TaxScheme");
            Cbc("Name", p.TaxOffice);
            Close();
            Close();
        }
        if (!p.Phone.isEmpty() || !p.Email.isEmpty()) {
            Open("Contact");
            if (!p.Phone.isEmpty())
                Cbc("Telephone", p.Phone);
            if (!p.Email.isEmpty())
                Cbc("ElectronicMail", p.Email);
            Close();
        }
        if (p.IsPerson()) {
            Open("Person");
            Cbc("FirstName", p.FirstName);
            Cbc("FamilyName", p.FamilyName);
            Close();
        }
        Close();
    }

    void Address(const TEArsivParty &p)
    {
        Open("PostalAddress");
        if (!p.Street.isEmpty())
            Cbc("StreetName", p.Street);
        Cbc("CitySubdivisionName", p.District);
        Cbc("CityName", p.City);
        Open("Country");
        Cbc("Name", p.Country);
        Close();
        Close();
    }

    // One VAT subtotal; the VAT's type code is 0015.
    void Subtotal(const TEArsivTax &t, const QString &currency)
    {
        Open("TaxSubtotal");
        Money("TaxableAmount", t.Base, currency);
        Money("TaxAmount", t.Amount, currency);
        // GİB's viewer shows a subtotal only when it carries its calculation sequence.
        Cbc("CalculationSequenceNumeric", u"1"_s);
        Cbc("Percent", QString::number(t.Percent));
        Open("TaxCategory");
        if (!t.ExemptionCode.isEmpty()) {
            Cbc("TaxExemptionReasonCode", t.ExemptionCode);
            Cbc("TaxExemptionReason", t.ExemptionReason);
        }
        Open("TaxScheme");
        Cbc("Name", u"KDV"_s);
        Cbc("TaxTypeCode", u"0015"_s);
        Close();
        Close();
        Close();
    }

private:
    void Indent()
    {
        Out += '\n';
        Out.append(Depth, ' ');
    }

    void Escaped(const QString &text, bool attribute)
    {
        // Most texts need nothing: written in one go.
        const bool plain = std::all_of(text.begin(), text.end(), [](QChar q) {
            const char16_t c = q.unicode();
            return c >= 0x20 && c != '&' && c != '<' && c != '>' && c != '"' && c < 0xD800;
        });
        if (plain) {
            Out += text.toUtf8();
            return;
        }
        for (char32_t c : text.toUcs4()) {
            const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
                || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
            if (!allowed)
                c = 0xFFFD;
            switch (c) {
            case '&':
                Out += "&amp;";
                break;
            case '<':
                Out += "&lt;";
                break;
            case '>':
                Out += "&gt;";
                break;
            case '"':
                Out += attribute ? "&quot;" : "\"";
                break;
            case 0xD:
                Out += "&#13;";
                break;
            case 0xA:
                Out += attribute ? "&#10;" : "\n";
                break;
            case 0x9:
                Out += attribute ? "&#9;" : "\t";
                break;
            default:
                if (c < 0x80)
                    Out += char(c);
                else
                    Out += QString::fromUcs4(&c, 1).toUtf8();
            }
        }
    }

    QByteArray &Out;
    int Depth = 0;
    std::vector<std::pair<const char *, bool>> Stack;
};

} // namespace

QByteArray WriteUbl(const TEArsivInvoice &inv)
{
    QByteArray out;
    out.reserve(16 * 1024);
    out += R"(<?xml version="1.0" encoding="UTF-8"?>)";
    TUbl u(out);
    const QString &cur = inv.Currency;
    static const QByteArray root
        = (u"<Invoice xmlns=\""_s + kUblInvoiceNs + u"\" xmlns:cac=\""_s + kUblCacNs
            + u"\" xmlns:cbc=\""_s + kUblCbcNs + u"\" xmlns:ext=\""_s + kUblExtNs + u"\">"_s)
              .toUtf8();
    u.Raw(root.constData(), true);
    // The signature's place: our mark stands there until the integrator signs.
    u.Raw(R"(<ext:UBLExtensions><ext:UBLExtension><ext:ExtensionContent>)"
          R"(<lv:Imzasiz xmlns:lv="urn:levanta:earsiv:taslak"/>)"
          R"(</ext:ExtensionContent></ext:UBLExtension></ext:UBLExtensions>)");

    u.Cbc("UBLVersionID", u"2.1"_s);
    u.Cbc("CustomizationID", inv.CustomizationId);
    u.Cbc("ProfileID", inv.ProfileId);
    u.Cbc("ID", inv.Number);
    u.Cbc("CopyIndicator", u"false"_s);
    u.Cbc("UUID", inv.Ettn);
    u.Cbc("IssueDate", inv.IssueDate.toString(Qt::ISODate));
    if (inv.IssueTime.isValid())
        u.Cbc("IssueTime", inv.IssueTime.toString(u"HH:mm:ss"_s));
    u.Cbc("InvoiceTypeCode", inv.TypeCode);
    for (const QString &note : inv.Notes)
        u.Cbc("Note", note);
    u.Cbc("DocumentCurrencyCode", cur);
    u.Cbc("LineCountNumeric", QString::number(inv.Lines.size()));

    // The signature's place: who signs, and the reference the integrator's signature takes.
    u.Open("Signature");
    u.Cbc("ID", inv.Seller.TaxNumber(), "schemeID", u"VKN_TCKN"_s);
    u.Open("SignatoryParty");
    u.Open("PartyIdentification");
    u.Cbc(
        "ID", inv.Seller.TaxNumber(), "schemeID", inv.Seller.Vkn.isEmpty() ? u"TCKN"_s : u"VKN"_s);
    u.Close();
    u.Address(inv.Seller);
    u.Close();
    u.Open("DigitalSignatureAttachment");
    u.Open("ExternalReference");
    u.Cbc("URI", u"#Signature_"_s + inv.Number);
    u.Close();
    u.Close();
    u.Close();

    u.Open("AccountingSupplierParty");
    u.Party(inv.Seller);
    u.Close();
    u.Open("AccountingCustomerParty");
    u.Party(inv.Buyer);
    u.Close();

    for (const TEArsivAllowance &a : inv.Allowances) {
        u.Open("AllowanceCharge");
        u.Cbc("ChargeIndicator", u"false"_s);
        if (!a.Reason.isEmpty())
            u.Cbc("AllowanceChargeReason", a.Reason);
        u.Money("Amount", a.Amount, cur);
        u.Close();
    }

    TDecimal taxTotal { 0, 2 };
    for (const TEArsivTax &t : inv.Taxes)
        taxTotal.Units += t.Amount.Rescaled(2).Units;
    u.Open("TaxTotal");
    u.Money("TaxAmount", taxTotal, cur);
    for (const TEArsivTax &t : inv.Taxes)
        u.Subtotal(t, cur);
    u.Close();

    u.Open("LegalMonetaryTotal");
    u.Money("LineExtensionAmount", inv.LineExtension, cur);
    u.Money("TaxExclusiveAmount", inv.TaxExclusive, cur);
    u.Money("TaxInclusiveAmount", inv.TaxInclusive, cur);
    if (inv.AllowanceTotal.Units != 0)
        u.Money("AllowanceTotalAmount", inv.AllowanceTotal, cur);
    u.Money("PayableAmount", inv.Payable, cur);
    u.Close();

    for (const TEArsivLine &l : inv.Lines) {
        u.Open("InvoiceLine");
        u.Cbc("ID", QString::number(l.Id));
        u.Cbc("InvoicedQuantity", l.Quantity.ToString(), "unitCode", l.UnitCode);
        u.Money("LineExtensionAmount", l.Amount, cur);
        const TEArsivTax lineTax { l.VatPercent, l.Amount, l.VatAmount,
            inv.Taxes.empty() ? QString() : inv.Taxes.front().ExemptionCode,
            inv.Taxes.empty() ? QString() : inv.Taxes.front().ExemptionReason };
        u.Open("TaxTotal");
        u.Money("TaxAmount", l.VatAmount, cur);
        u.Subtotal(lineTax, cur);
        u.Close();
        u.Open("Item");
        u.Cbc("Name", l.Name);
        u.Close();
        u.Open("Price");
        u.Cbc("PriceAmount", l.Price.ToString(), "currencyID", cur);
        u.Close();
        u.Close();
    }

    out += "\n</Invoice>\n";
    return out;
}
