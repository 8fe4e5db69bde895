#pragma once
// Users of the old program keep their invoices in "fatura.DB" as a Paradox table; ours is an
// SQLite file of the same name. On the first start in such a folder the Paradox table is
// brought over into a new table and its files are put aside, untouched, in "eski_paradox".
//
// Nothing is lost on the way. The new table is written aside ("fatura_aktarim.DB"), read
// back and checked; the old files are linked (or copied) into the folder for old files, the
// other files of the same stem moved there, and only then does one rename put the new table
// in the old one's place. A crash at any moment leaves either the Paradox table in place
// (the next start imports it again) or the new table complete.

#include "invoice/InvoiceRecord.h"
#include "invoice/ParadoxTable.h"
#include "platform/Errors.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The import could not be done; every file is as it was. The text is the error box's.
class EParadoxImportError : public ELevantaError
{
public:
    using ELevantaError::ELevantaError;
};

// How the table's fields meet the invoice record, and what differs from the known layout.
struct TParadoxFieldPlan {
    // Per record field (RecordFieldNames order): its field in the table, or -1 when there
    // is none or its type does not carry over (left empty or 0).
    std::vector<int> Sources;
    int RecIdField = -1;
    QStringList Missing; // record fields the table lacks (left empty or 0)
    QStringList Extra; // table fields the record has no place for (not imported)
    QStringList WrongType; // fields of both whose types do not carry over (left empty or 0)
    bool Importable = false; // TARIH and SAYIN1 both present

    // The differences in Turkish, one line each; empty when the layout is the known one.
    QStringList Differences() const;
};

// The record's fields by name in stored order, after REC_ID.
const QStringList &RecordFieldNames();

// Matches the table's fields to the record's by name (letter case ignored).
TParadoxFieldPlan PlanFields(const TParadoxTable &table);

// The current record of the table as an invoice; REC_ID as stored (0 when there is none).
// `unmappedTexts`, when given, is raised by the number of its texts that held a byte without
// a character in the table's code page.
TInvoiceRecord ConvertRecord(
    const TParadoxTable &table, const TParadoxFieldPlan &plan, int *unmappedTexts = nullptr);

struct TParadoxImportResult {
    int Records = 0;
    QString OldFilesFolder; // where the Paradox files now lie
    QStringList Differences;
    bool Renumbered = false; // REC_IDs missing, repeated or out of order: numbered anew
    int UnmappedTexts = 0; // texts that held bytes without a character (now U+FFFD)
    // Set instead of all the above when our table is there already and an old table under
    // another letter case was found beside it and left alone: its path.
    QString LeftUntouched;

    // The information box's text.
    QString Message() const;
};

struct TParadoxImportOptions {
    // Records per transaction while the new table is written.
    int ChunkSize = 2000;
    // Called after every step that changes a file (name of the step); tests stop the
    // process here to prove that a crash loses nothing.
    std::function<void(const char *step)> OnStep;
};

inline constexpr const char16_t *kOldFilesFolderName = u"eski_paradox";
inline constexpr const char16_t *kImportFileName = u"fatura_aktarim.DB";

// Start-up: when "fatura.DB" in the folder the data lives in is a Paradox table (under any
// letter case), imports it and says what was done; nothing when there is none. Throws
// EParadoxImportError, every file left as it was, also when two old tables differ only in
// letter case.
std::optional<TParadoxImportResult> ESKI_TABLOYU_AKTAR(
    const QString &programFolder, const TParadoxImportOptions &options = {});
