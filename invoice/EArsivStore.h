#pragma once
// What the e-Arşiv export keeps beside the invoices, in the same store (the SQLite file or
// the server), so that every desk shares it: the seller, the number, ETTN and time each
// exported invoice was given, the buyers' details the form lacks, and units the user mapped.
// The table `fatura` itself never changes: these tables are created at the first export, and
// an old file without them reads as "nothing exported yet".
//
// Every operation that fails throws EStorageError with the store's own text and changes
// nothing.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The seller, one row for all desks.
struct TSellerInfo {
    enum class TKind { BasitIsletme, Bilanco }; // simple-method / operating account; balance sheet
    QString Unvan; // company name (for a VKN), or the trade name of a person
    QString Vkn; // 10 digits, or empty for a person
    QString Tckn; // 11 digits when Vkn is empty
    QString Ad, Soyad; // the person's names, with a TCKN
    QString VergiDairesi;
    QString Adres;
    QString Ilce, Il;
    QString Ulke = QStringLiteral("Türkiye");
    QString Telefon, Eposta;
    QString Seri; // 3 characters A–Z, 0–9
    TKind Tur = TKind::BasitIsletme;
    bool operator==(const TSellerInfo &) const = default;
};

// What the first export of an invoice fixed for good.
struct TExportInfo {
    std::int32_t RecId = 0;
    QString Numara; // LVN2026000000001
    QString Ettn;
    QDateTime Zaman; // issue date and time as exported (local time)
    QDate Tarih; // the invoice's date, which orders the numbers of a series
    int Oran = 0; // the VAT rate the document used
    QString Ozet; // fingerprint of the invoice's content when it was exported
    bool operator==(const TExportInfo &) const = default;
};

// A numbering request: the invoice, its date, and what a new number would carry.
struct TNumberRequest {
    std::int32_t RecId = 0;
    QString Seri;
    QDate Tarih;
    QString Ettn; // used only when the invoice has no number yet
    QDateTime Zaman;
    int Oran = 0;
    QString Ozet;
    // The user agreed to number it although a later-dated invoice already has a number.
    bool OutOfOrderAllowed = false;
};

struct TNumberResult {
    enum class TStatus {
        New, // numbered now
        Existing, // it had its number already; Info is what was stored then
        OutOfOrder, // not numbered: LastDate (of number LastNumber) is later than its date
    };
    TStatus Status = TStatus::New;
    TExportInfo Info;
    QString LastNumber;
    QDate LastDate;
};

// What the document needs of a buyer and the form lacks, remembered per real tax number.
struct TBuyerExtras {
    QString VergiNo;
    QString Ad, Soyad; // a person's names, split from SAYIN1
    QString Ilce, Il;
    bool operator==(const TBuyerExtras &) const = default;
};

class IEArsivStore
{
public:
    virtual ~IEArsivStore() = default;

    virtual std::optional<TSellerInfo> Seller() = 0;
    virtual void SetSeller(const TSellerInfo &seller) = 0;

    virtual std::optional<TExportInfo> ExportOf(std::int32_t recId) = 0;
    // Numbers every request in one transaction, in the order given: a new number is the next
    // of its series and year (the year of its date), unique and without gaps also when other
    // desks number at once. A request out of date order, not allowed, stops there: it and
    // those after it come back OutOfOrder and the ones before it are kept.
    virtual std::vector<TNumberResult> Number(const std::vector<TNumberRequest> &requests) = 0;
    // Changes what an existing export recorded of the content and rate (the user re-exported
    // a changed invoice knowingly); its number, ETTN and time stay.
    virtual void UpdateExport(std::int32_t recId, int oran, const QString &ozet) = 0;
    // Every export, in REC_ID order (for moving onto a server).
    virtual std::vector<TExportInfo> Exports() = 0;
    // Stores exports as they are (moving onto a server): all or none.
    virtual void InsertExports(const std::vector<TExportInfo> &exports) = 0;

    virtual std::optional<TBuyerExtras> Buyer(const QString &vergiNo) = 0;
    virtual void SetBuyer(const TBuyerExtras &buyer) = 0;
    virtual std::vector<TBuyerExtras> Buyers() = 0;

    // The UN/ECE code a user chose for a unit text, by its folded form (UnitKey).
    virtual std::optional<QString> UnitCode(const QString &unitKey) = 0;
    virtual void SetUnitCode(const QString &unitKey, const QString &code) = 0;
    virtual std::vector<std::pair<QString, QString>> UnitCodes() = 0;
};

// The e-Arşiv number: series, year, nine digits ("LVN" 2026 1 → "LVN2026000000001").
QString EArsivNumber(const QString &seri, int year, std::int64_t sequence);

// Copies the seller, the exports, the buyers and the units of one store into another (moving
// onto a server); the target's own transaction decides whether any of it stays.
void CopyEArsiv(IEArsivStore &from, IEArsivStore &to);

// The columns of the e-Arşiv tables as a server reports them (table, column, type), for the
// check of a server's tables against what we created.
struct TEArsivColumn {
    const char *Table, *Column, *ServerType;
};
const std::vector<TEArsivColumn> &EArsivColumns();
