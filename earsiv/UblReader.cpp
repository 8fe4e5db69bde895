#include "earsiv/UblReader.h"

#include "earsiv/UblNames.h"
#include "earsiv/UnitCodes.h"

#include "platform/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace
{

const QString &kInvoiceNs = kUblInvoiceNs;
const QString &kCbc = kUblCbcNs;
const QString &kCac = kUblCacNs;
const QString &kExt = kUblExtNs;
const QString kDs = u"http://www.w3.org/2000/09/xmldsig#"_s;

// Reads one Invoice element by element. Every element knows its place by the path of local
// names from the root, which is all the UBL-TR subset the copy needs.
class TUblParser
{
public:
    TUblParser(const QByteArray &xml, const QString &source)
        : FXml(xml)
        , FSource(source)
    {
    }

    TEArsivInvoice Parse()
    {
        while (!FXml.atEnd()) {
            switch (FXml.readNext()) {
            case QXmlStreamReader::DTD:
                // No DTD, no entities: nothing in a UBL-TR file needs one.
                Fail(u"belge tanımı (DTD) içeriyor"_s);
            case QXmlStreamReader::EntityReference:
                Fail(u"tanımsız bir varlık içeriyor"_s);
            case QXmlStreamReader::StartElement:
                Start();
                break;
            case QXmlStreamReader::EndElement:
                End();
                break;
            case QXmlStreamReader::Characters:
                if (!FPath.isEmpty())
                    FText += FXml.text();
                break;
            default:
                break;
            }
        }
        if (FXml.hasError())
            Fail(FXml.errorString());
        if (!FSawRoot)
            Fail(u"boş dosya"_s);
        if (FInv.Number.isEmpty())
            Fail(u"fatura numarası (cbc:ID) yok"_s);
        return FInv;
    }

private:
    [[noreturn]] void Fail(const QString &why) const
    {
        throw EPlatformError(u"%1: satır %2: UBL-TR faturası okunamadı: %3"_s.arg(
            FSource, QString::number(FXml.lineNumber()), why));
    }

    // The path below the root as "cac:A/cbc:B": prefixes by namespace, not as written.
    QString Where(int from = 0) const { return FPath.mid(from).join(u'/'); }

    void Start()
    {
        const QStringView ns = FXml.namespaceUri();
        const QStringView name = FXml.name();
        if (!FSawRoot) {
            if (ns != kInvoiceNs || name != u"Invoice")
                Fail(u"kök öğe Invoice değil"_s);
            FSawRoot = true;
            FPath << u"Invoice"_s;
            return;
        }
        if (FPath.size() > 64)
            Fail(u"öğeler çok derin"_s);
        QString prefix;
        if (ns == kCbc)
            prefix = u"cbc:"_s;
        else if (ns == kCac)
            prefix = u"cac:"_s;
        else if (ns == kExt)
            prefix = u"ext:"_s;
        else if (ns == kDs)
            prefix = u"ds:"_s;
        else
            prefix = u"?:"_s;
        FPath << prefix + name.toString();
        FText.clear();
        FAttr = FXml.attributes();

        // A signature counts only where UBL-TR puts it: inside the extensions.
        if (prefix == u"ds:"_s && name == u"Signature" && FPath.size() >= 3
            && FPath[1] == u"ext:UBLExtensions")
            FInv.Signed = true;
        const QString top = FPath.size() > 1 ? FPath[1] : QString();
        if (FPath.size() == 2 && top == u"cac:InvoiceLine") {
            if (FInv.Lines.size() >= kUblMaxLines)
                Fail(u"çok fazla satır"_s);
            FInv.Lines.emplace_back();
        } else if (FPath.size() == 2 && top == u"cac:AllowanceCharge") {
            FCharge = {};
            FIsCharge = false;
        } else if (FPath.size() == 3 && top == u"cac:TaxTotal" && FPath[2] == u"cac:TaxSubtotal") {
            FTax = {};
            FTaxCode.clear();
        }
    }

    void End()
    {
        if (FPath.size() <= 1) {
            FPath.clear();
            return;
        }
        const QString path = Where(1);
        const QString text = FText.trimmed();
        Take(path, text);
        FPath.removeLast();
        FText.clear();
    }

    TDecimal Number(const QString &text) const
    {
        const std::optional<TDecimal> d = TDecimal::Parse(text);
        if (!d)
            Fail(u"%1 bir sayı değil: \"%2\""_s.arg(FPath.last(), text.left(40)));
        return *d;
    }

    int Percent(const QString &text) const
    {
        const TDecimal d = Number(text).Rescaled(0);
        if (d.Units < 0 || d.Units > 100)
            Fail(u"%1 bir oran değil: \"%2\""_s.arg(FPath.last(), text.left(40)));
        return static_cast<int>(d.Units);
    }

    static bool Under(const QString &path, QStringView head, QString &rest)
    {
        if (!path.startsWith(head) || path.size() <= head.size() || path[head.size()] != u'/')
            return false;
        rest = path.mid(head.size() + 1);
        return true;
    }

    void Take(const QString &path, const QString &text)
    {
        QString rest;
        if (path == u"cbc:CustomizationID")
            FInv.CustomizationId = text;
        else if (path == u"cbc:ProfileID")
            FInv.ProfileId = text;
        else if (path == u"cbc:ID")
            FInv.Number = text;
        else if (path == u"cbc:UUID")
            FInv.Ettn = text;
        else if (path == u"cbc:IssueDate") {
            FInv.IssueDate = QDate::fromString(text, u"yyyy-MM-dd"_s);
            if (!FInv.IssueDate.isValid())
                Fail(u"geçersiz tarih: \"%1\""_s.arg(text.left(40)));
        } else if (path == u"cbc:IssueTime") {
            // xsd:time may carry fractions and a zone; the copy shows hours to seconds.
            FInv.IssueTime = QTime::fromString(text.left(8), u"HH:mm:ss"_s);
            if (!FInv.IssueTime.isValid())
                Fail(u"geçersiz saat: \"%1\""_s.arg(text.left(40)));
        } else if (path == u"cbc:InvoiceTypeCode")
            FInv.TypeCode = text;
        else if (path == u"cbc:Note")
            FInv.Notes << text;
        else if (path == u"cbc:DocumentCurrencyCode")
            FInv.Currency = text;
        else if (Under(path, u"cac:AccountingSupplierParty/cac:Party", rest))
            Party(FInv.Seller, rest, text);
        else if (Under(path, u"cac:AccountingCustomerParty/cac:Party", rest))
            Party(FInv.Buyer, rest, text);
        else if (Under(path, u"cac:AllowanceCharge", rest))
            Allowance(rest, text);
        else if (path == u"cac:AllowanceCharge") {
            if (!FIsCharge)
                FInv.Allowances.push_back(FCharge);
        } else if (Under(path, u"cac:TaxTotal/cac:TaxSubtotal", rest))
            Subtotal(FTax, FTaxCode, rest, text);
        else if (path == u"cac:TaxTotal/cac:TaxSubtotal") {
            // KDV only: the copy's and the karekod's "hesaplanan KDV" are VAT's.
            if (FTaxCode.isEmpty() || FTaxCode == u"0015")
                FInv.Taxes.push_back(FTax);
        } else if (Under(path, u"cac:LegalMonetaryTotal", rest)) {
            if (rest == u"cbc:LineExtensionAmount")
                FInv.LineExtension = Number(text);
            else if (rest == u"cbc:TaxExclusiveAmount")
                FInv.TaxExclusive = Number(text);
            else if (rest == u"cbc:TaxInclusiveAmount")
                FInv.TaxInclusive = Number(text);
            else if (rest == u"cbc:AllowanceTotalAmount")
                FInv.AllowanceTotal = Number(text);
            else if (rest == u"cbc:PayableAmount")
                FInv.Payable = Number(text);
        } else if (Under(path, u"cac:InvoiceLine", rest))
            Line(FInv.Lines.back(), rest, text);
    }

    void Party(TEArsivParty &p, const QString &rest, const QString &text)
    {
        if (rest == u"cac:PartyIdentification/cbc:ID") {
            const QStringView scheme = FAttr.value(u"schemeID"_s);
            if (scheme == u"VKN")
                p.Vkn = text;
            else if (scheme == u"TCKN")
                p.Tckn = text;
        } else if (rest == u"cac:PartyName/cbc:Name")
            p.Name = text;
        else if (rest == u"cac:Person/cbc:FirstName")
            p.FirstName = text;
        else if (rest == u"cac:Person/cbc:FamilyName")
            p.FamilyName = text;
        else if (rest == u"cac:PartyTaxScheme/cac:TaxScheme/cbc:Name")
            p.TaxOffice = text;
        else if (rest == u"cac:PostalAddress/cbc:StreetName"
            || rest == u"cac:PostalAddress/cbc:BuildingName")
            AppendWord(p.Street, text);
        else if (rest == u"cac:PostalAddress/cbc:BuildingNumber" && !text.isEmpty())
            AppendWord(p.Street, u"No:"_s + text);
        else if (rest == u"cac:PostalAddress/cbc:CitySubdivisionName")
            p.District = text;
        else if (rest == u"cac:PostalAddress/cbc:CityName")
            p.City = text;
        else if (rest == u"cac:PostalAddress/cac:Country/cbc:Name")
            p.Country = text;
        else if (rest == u"cac:Contact/cbc:Telephone")
            p.Phone = text;
        else if (rest == u"cac:Contact/cbc:ElectronicMail")
            p.Email = text;
    }

    static void AppendWord(QString &to, const QString &word)
    {
        if (word.isEmpty())
            return;
        if (!to.isEmpty())
            to += u' ';
        to += word;
    }

    void Allowance(const QString &rest, const QString &text)
    {
        if (rest == u"cbc:ChargeIndicator")
            FIsCharge = text == u"true" || text == u"1";
        else if (rest == u"cbc:AllowanceChargeReason")
            FCharge.Reason = text;
        else if (rest == u"cbc:Amount")
            FCharge.Amount = Number(text);
    }

    void Subtotal(TEArsivTax &t, QString &code, const QString &rest, const QString &text)
    {
        if (rest == u"cbc:TaxableAmount")
            t.Base = Number(text);
        else if (rest == u"cbc:TaxAmount")
            t.Amount = Number(text);
        else if (rest == u"cbc:Percent")
            t.Percent = Percent(text);
        else if (rest == u"cac:TaxCategory/cbc:TaxExemptionReasonCode")
            t.ExemptionCode = text;
        else if (rest == u"cac:TaxCategory/cbc:TaxExemptionReason")
            t.ExemptionReason = text;
        else if (rest == u"cac:TaxCategory/cac:TaxScheme/cbc:TaxTypeCode")
            code = text;
    }

    void Line(TEArsivLine &l, const QString &rest, const QString &text)
    {
        if (rest == u"cbc:ID")
            l.Id = static_cast<int>(Number(text).Rescaled(0).Units);
        else if (rest == u"cbc:InvoicedQuantity") {
            l.Quantity = Number(text);
            l.UnitCode = FAttr.value(u"unitCode"_s).toString();
            l.UnitName = UblUnitName(l.UnitCode);
        } else if (rest == u"cbc:LineExtensionAmount")
            l.Amount = Number(text);
        else if (rest == u"cac:Item/cbc:Name")
            l.Name = text;
        else if (rest == u"cac:Price/cbc:PriceAmount")
            l.Price = Number(text);
        else if (rest == u"cac:TaxTotal/cac:TaxSubtotal/cbc:Percent")
            FLineTax.Percent = Percent(text);
        else if (rest == u"cac:TaxTotal/cac:TaxSubtotal/cbc:TaxAmount")
            FLineTax.Amount = Number(text);
        else if (rest
            == u"cac:TaxTotal/cac:TaxSubtotal/cac:TaxCategory/cac:TaxScheme/cbc:TaxTypeCode")
            FLineTaxCode = text;
        else if (rest == u"cac:TaxTotal/cac:TaxSubtotal") {
            if (FLineTaxCode.isEmpty() || FLineTaxCode == u"0015") {
                l.VatPercent = FLineTax.Percent;
                l.VatAmount = FLineTax.Amount;
            }
            FLineTax = {};
            FLineTaxCode.clear();
        }
    }

    QXmlStreamReader FXml;
    QString FSource;
    QStringList FPath;
    QString FText;
    QXmlStreamAttributes FAttr;
    bool FSawRoot = false;
    TEArsivInvoice FInv;
    TEArsivAllowance FCharge;
    bool FIsCharge = false;
    TEArsivTax FTax, FLineTax;
    QString FTaxCode, FLineTaxCode;
};

} // namespace

QString UblUnitName(const QString &unitCode)
{
    return UnitShortName(unitCode);
}

TEArsivInvoice ReadUblInvoice(const QByteArray &xml, const QString &source)
{
    if (xml.size() > kUblMaxBytes)
        throw EPlatformError(u"%1: UBL-TR faturası okunamadı: dosya çok büyük (%2 bayt)"_s.arg(
            source, QString::number(xml.size())));
    if (xml.trimmed().isEmpty())
        throw EPlatformError(u"%1: UBL-TR faturası okunamadı: boş dosya"_s.arg(source));
    TUblParser parser(xml, source);
    return parser.Parse();
}

TEArsivInvoice ReadUblInvoiceFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EPlatformError(u"Unable to read %1"_s.arg(path));
    if (file.size() > kUblMaxBytes)
        throw EPlatformError(u"%1: UBL-TR faturası okunamadı: dosya çok büyük (%2 bayt)"_s.arg(
            path, QString::number(file.size())));
    const QByteArray bytes = file.read(kUblMaxBytes + 1);
    return ReadUblInvoice(bytes, QFileInfo(path).fileName());
}
