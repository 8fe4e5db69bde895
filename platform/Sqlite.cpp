#include "platform/Sqlite.h"

#include <sqlite3.h>

#include <utility>

namespace
{

QString MessageOf(sqlite3 *db, int rc)
{
    if (db)
        return QString::fromUtf8(sqlite3_errmsg(db));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

void CallTextFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    const auto &function
        = *static_cast<TSqliteDatabase::TTextFunction *>(sqlite3_user_data(context));
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const std::string_view utf8 = text
        ? std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[0])))
        : std::string_view();
    try {
        const QByteArray result = function(utf8);
        sqlite3_result_text(
            context, result.constData(), static_cast<int>(result.size()), SQLITE_TRANSIENT);
    } catch (const std::exception &e) {
        // An exception must not unwind through SQLite's C frames.
        sqlite3_result_error(context, e.what(), -1);
    }
}

} // namespace

// ---- TSqliteDatabase ----

TSqliteDatabase::TSqliteDatabase(const QString &fileName, TOpenMode mode)
{
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case TOpenMode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case TOpenMode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case TOpenMode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    }
    const QByteArray name = fileName.toUtf8();
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = MessageOf(db, rc);
        sqlite3_close_v2(db);
        throw EStorageError(message);
    }
    sqlite3_extended_result_codes(db, 1);
    FDb = db;
}

TSqliteDatabase::~TSqliteDatabase()
{
    Close();
}

TSqliteDatabase::TSqliteDatabase(TSqliteDatabase &&other) noexcept
    : FDb(std::exchange(other.FDb, nullptr))
{
}

TSqliteDatabase &TSqliteDatabase::operator=(TSqliteDatabase &&other) noexcept
{
    if (this != &other) {
        Close();
        FDb = std::exchange(other.FDb, nullptr);
    }
    return *this;
}

void TSqliteDatabase::AddTextFunction(const char *name, TTextFunction function)
{
    auto *owned = new TTextFunction(std::move(function));
    // SQLite owns the copy from here on and frees it with the connection, also on failure.
    const int rc = sqlite3_create_function_v2(FDb, name, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
        owned, CallTextFunction, nullptr, nullptr,
        [](void *p) { delete static_cast<TTextFunction *>(p); });
    if (rc != SQLITE_OK)
        Fail();
}

void TSqliteDatabase::Close()
{
    // close_v2 defers the close until the last statement is finalised, so the order in
    // which owners die does not matter.
    if (FDb)
        sqlite3_close_v2(std::exchange(FDb, nullptr));
}

void TSqliteDatabase::Exec(std::string_view sql)
{
    const std::string text(sql);
    char *error = nullptr;
    const int rc = sqlite3_exec(FDb, text.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString message = error ? QString::fromUtf8(error) : MessageOf(FDb, rc);
        sqlite3_free(error);
        throw EStorageError(message);
    }
}

TSqliteStatement TSqliteDatabase::Prepare(std::string_view sql) const
{
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare_v3(
        FDb, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        Fail();
    }
    return TSqliteStatement(FDb, stmt);
}

void TSqliteDatabase::SetBusyTimeout(int milliseconds)
{
    if (sqlite3_busy_timeout(FDb, milliseconds) != SQLITE_OK)
        Fail();
}

std::int64_t TSqliteDatabase::LastInsertRowId() const
{
    return sqlite3_last_insert_rowid(FDb);
}

int TSqliteDatabase::Changes() const
{
    return sqlite3_changes(FDb);
}

bool TSqliteDatabase::IsReadOnly() const
{
    return sqlite3_db_readonly(FDb, "main") == 1;
}

bool TSqliteDatabase::InTransaction() const
{
    return FDb && !sqlite3_get_autocommit(FDb);
}

QString TSqliteDatabase::ErrorMessage() const
{
    return MessageOf(FDb, SQLITE_ERROR);
}

void TSqliteDatabase::Fail() const
{
    throw EStorageError(ErrorMessage());
}

// ---- TSqliteStatement ----

TSqliteStatement::~TSqliteStatement()
{
    if (FStmt)
        sqlite3_finalize(FStmt);
}

TSqliteStatement::TSqliteStatement(TSqliteStatement &&other) noexcept
    : FDb(std::exchange(other.FDb, nullptr))
    , FStmt(std::exchange(other.FStmt, nullptr))
{
}

TSqliteStatement &TSqliteStatement::operator=(TSqliteStatement &&other) noexcept
{
    if (this != &other) {
        if (FStmt)
            sqlite3_finalize(FStmt);
        FDb = std::exchange(other.FDb, nullptr);
        FStmt = std::exchange(other.FStmt, nullptr);
    }
    return *this;
}

void TSqliteStatement::Fail() const
{
    throw EStorageError(MessageOf(FDb, SQLITE_ERROR));
}

void TSqliteStatement::BindInt(int index, std::int64_t value)
{
    if (sqlite3_bind_int64(FStmt, index, value) != SQLITE_OK)
        Fail();
}

void TSqliteStatement::BindDouble(int index, double value)
{
    if (sqlite3_bind_double(FStmt, index, value) != SQLITE_OK)
        Fail();
}

void TSqliteStatement::BindText(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    BindText(index, std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

void TSqliteStatement::BindText(int index, std::string_view utf8)
{
    // An empty view may have a null data pointer, which SQLite would store as NULL.
    const char *data = utf8.data() ? utf8.data() : "";
    if (sqlite3_bind_text(FStmt, index, data, static_cast<int>(utf8.size()), SQLITE_TRANSIENT)
        != SQLITE_OK)
        Fail();
}

bool TSqliteStatement::Step()
{
    const int rc = sqlite3_step(FStmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString message = MessageOf(FDb, rc);
    sqlite3_reset(FStmt);
    throw EStorageError(message);
}

void TSqliteStatement::Run()
{
    TSqliteResetGuard guard(*this);
    while (Step()) { }
}

void TSqliteStatement::Reset()
{
    if (FStmt)
        sqlite3_reset(FStmt);
}

int TSqliteStatement::ColumnCount() const
{
    return sqlite3_column_count(FStmt);
}

std::int64_t TSqliteStatement::ColumnInt(int column) const
{
    return sqlite3_column_int64(FStmt, column);
}

double TSqliteStatement::ColumnDouble(int column) const
{
    return sqlite3_column_double(FStmt, column);
}

QString TSqliteStatement::ColumnText(int column) const
{
    const std::string_view utf8 = ColumnUtf8(column);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string_view TSqliteStatement::ColumnUtf8(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(FStmt, column));
    if (!text)
        return {};
    return std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(FStmt, column)));
}

// ---- TSqliteTransaction ----

TSqliteTransaction::TSqliteTransaction(TSqliteDatabase &db)
    : FDb(db)
{
    FDb.Exec("BEGIN IMMEDIATE");
}

TSqliteTransaction::~TSqliteTransaction()
{
    if (!FDone && FDb.InTransaction()) {
        // A failed COMMIT may already have rolled back; ROLLBACK then has nothing to do.
        sqlite3_exec(FDb.FDb, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void TSqliteTransaction::Commit()
{
    FDb.Exec("COMMIT");
    FDone = true;
}
