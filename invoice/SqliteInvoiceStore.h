#pragma once
// The invoice table as the SQLite file "fatura.DB" beside the program: the store of a single
// desk, and the default.

#include "invoice/InvoiceStore.h"

#include <QString>
#include <memory>

// The name of the file in the program folder.
inline constexpr const char *kSqliteInvoiceFileName = "fatura.DB";

// Opens the file, creating it empty when it is missing; a file that cannot be opened as an
// invoice table throws EStorageError and, if this call created it, is removed again.
std::unique_ptr<IInvoiceStore> OpenSqliteStore(const QString &fileName);
