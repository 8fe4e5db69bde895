#pragma once
// A thin RAII layer over the SQLite C API. Every failure becomes an EStorageError carrying
// SQLite's own message, so the error box shows what the store said.

#include "platform/Errors.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class TSqliteStatement;

class TSqliteDatabase
{
public:
    enum class TOpenMode { ReadWrite, ReadWriteCreate, ReadOnly };

    TSqliteDatabase() = default;
    // Opens the file; throws EStorageError with SQLite's text when it cannot.
    TSqliteDatabase(const QString &fileName, TOpenMode mode);
    ~TSqliteDatabase();
    TSqliteDatabase(TSqliteDatabase &&other) noexcept;
    TSqliteDatabase &operator=(TSqliteDatabase &&other) noexcept;
    TSqliteDatabase(const TSqliteDatabase &) = delete;
    TSqliteDatabase &operator=(const TSqliteDatabase &) = delete;

    void Close();

    // Registers a deterministic SQL function of one text argument on this connection only,
    // so the file stays readable by other programs. NULL reaches it as empty text; an
    // exception it throws becomes the statement's error.
    using TTextFunction = std::function<QByteArray(std::string_view utf8)>;
    void AddTextFunction(const char *name, TTextFunction function);

    // Runs one or more statements that return no rows of interest.
    void Exec(std::string_view sql);
    TSqliteStatement Prepare(std::string_view sql) const;

    void SetBusyTimeout(int milliseconds);
    std::int64_t LastInsertRowId() const;
    int Changes() const;
    bool IsReadOnly() const;
    bool InTransaction() const;
    QString ErrorMessage() const;

    // Throws EStorageError with the connection's current message.
    [[noreturn]] void Fail() const;

private:
    friend class TSqliteTransaction; // rolls back without throwing
    sqlite3 *FDb = nullptr;
};

class TSqliteStatement
{
public:
    TSqliteStatement() = default;
    TSqliteStatement(sqlite3 *db, sqlite3_stmt *stmt)
        : FDb(db)
        , FStmt(stmt)
    {
    }
    ~TSqliteStatement();
    TSqliteStatement(TSqliteStatement &&other) noexcept;
    TSqliteStatement &operator=(TSqliteStatement &&other) noexcept;
    TSqliteStatement(const TSqliteStatement &) = delete;
    TSqliteStatement &operator=(const TSqliteStatement &) = delete;

    bool IsValid() const { return FStmt != nullptr; }

    // Parameters are 1-based, as in SQLite.
    void BindInt(int index, std::int64_t value);
    void BindDouble(int index, double value);
    void BindText(int index, const QString &value);
    void BindText(int index, std::string_view utf8);

    // True while a row is ready; false when done. Throws on error (and resets).
    bool Step();
    // Steps a statement that must not return rows.
    void Run();
    // Ends the current run so that the statement holds no read lock; bindings stay.
    void Reset();

    int ColumnCount() const;
    std::int64_t ColumnInt(int column) const;
    double ColumnDouble(int column) const;
    QString ColumnText(int column) const;
    std::string_view ColumnUtf8(int column) const;

private:
    [[noreturn]] void Fail() const;

    sqlite3 *FDb = nullptr;
    sqlite3_stmt *FStmt = nullptr;
};

// Resets a statement when the scope ends, so a statement kept for reuse never holds a lock.
class TSqliteResetGuard
{
public:
    explicit TSqliteResetGuard(TSqliteStatement &stmt)
        : FStmt(stmt)
    {
    }
    ~TSqliteResetGuard() { FStmt.Reset(); }
    TSqliteResetGuard(const TSqliteResetGuard &) = delete;
    TSqliteResetGuard &operator=(const TSqliteResetGuard &) = delete;

private:
    TSqliteStatement &FStmt;
};

// BEGIN IMMEDIATE on construction, ROLLBACK on destruction unless committed. IMMEDIATE takes
// the write lock at once, so two processes never deadlock upgrading a read lock.
class TSqliteTransaction
{
public:
    explicit TSqliteTransaction(TSqliteDatabase &db);
    ~TSqliteTransaction();
    TSqliteTransaction(const TSqliteTransaction &) = delete;
    TSqliteTransaction &operator=(const TSqliteTransaction &) = delete;

    void Commit();

private:
    TSqliteDatabase &FDb;
    bool FDone = false;
};
