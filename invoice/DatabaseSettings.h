#pragma once
// Where the invoice table lives, as section [VERITABANI] of fatura_ayar.ini says:
//   Tur=sqlite (the default: "fatura.DB" beside the program) or postgresql,
//   Sunucu, Port, Veritabani, Kullanici: which server, database and user.
// There is never a password in the file: libpq takes it from ~/.pgpass or PGPASSWORD.
// Without the section nothing changes.

#include "invoice/InvoiceStore.h"
#include "platform/Postgres.h"

#include <memory>

inline constexpr QStringView kDatabaseSection = u"VERITABANI";

enum class TStoreKind { Sqlite, Postgres };

struct TDatabaseSettings {
    TStoreKind Kind = TStoreKind::Sqlite;
    TPgSettings Server;
};

// Throws EStorageError naming the key when Tur or Port holds what it cannot: guessing
// would let one desk write to a file while the others use the server.
TDatabaseSettings LoadDatabaseSettings(const QString &iniPath);

// The server's store when the settings choose one; nothing for the SQLite file. A server
// that cannot be reached throws EStorageError with libpq's text and a sentence naming it.
std::unique_ptr<IInvoiceStore> OpenChosenServer(const TDatabaseSettings &settings);
