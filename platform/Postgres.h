#pragma once
// A thin RAII layer over libpq. Every failure becomes an EStorageError carrying the server's
// (or libpq's) own message, so the error box shows what the server said. Texts travel as
// UTF-8 whatever the server's or the process's locale; numbers as text written and read by
// std::to_chars/from_chars, never by the C library's locale-bound conversions.

#include "platform/Errors.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

// Which server and database; empty fields take libpq's own defaults (PGHOST, PGPORT, ...).
// There is no password: libpq reads it from ~/.pgpass or PGPASSWORD itself.
struct TPgSettings {
    QString Host;
    int Port = 0; // 0: libpq's default
    QString Database;
    QString User;

    // "host:port/database", for messages.
    QString Describe() const;
};

// The parameters of one statement, $1, $2, ... in the order added.
class TPgParams
{
public:
    TPgParams &Text(const QString &value);
    TPgParams &Text(std::string_view utf8);
    TPgParams &Int(std::int64_t value);
    TPgParams &Double(double value);
    // Sent as binary, for bytea parameters: any bytes, no escaping.
    TPgParams &Bytes(const QByteArray &value);
    TPgParams &Null();

    int Count() const { return static_cast<int>(FValues.size()); }

private:
    friend class TPgConnection;
    std::vector<std::string> FValues;
    std::vector<bool> FNull;
    std::vector<int> FFormats;
};

class TPgResult
{
public:
    TPgResult() = default;
    explicit TPgResult(pg_result *result)
        : FResult(result)
    {
    }
    ~TPgResult();
    TPgResult(TPgResult &&other) noexcept;
    TPgResult &operator=(TPgResult &&other) noexcept;
    TPgResult(const TPgResult &) = delete;
    TPgResult &operator=(const TPgResult &) = delete;

    int Rows() const;
    int Columns() const;
    // Rows touched by an INSERT, UPDATE or DELETE.
    std::int64_t Affected() const;
    bool IsNull(int row, int column) const;
    std::string_view Utf8(int row, int column) const;
    QString Text(int row, int column) const;
    // Throws EStorageError when the value is not such a number (a NULL is 0).
    std::int64_t Int(int row, int column) const;
    double Double(int row, int column) const;
    bool Bool(int row, int column) const;

private:
    pg_result *FResult = nullptr;
};

class TPgConnection
{
public:
    // Connects; throws EStorageError with libpq's text (the server's own when it answered).
    explicit TPgConnection(const TPgSettings &settings);
    ~TPgConnection();
    TPgConnection(const TPgConnection &) = delete;
    TPgConnection &operator=(const TPgConnection &) = delete;

    const TPgSettings &Settings() const { return FSettings; }

    // One statement with parameters; throws EStorageError with the server's message. A
    // connection found broken is opened again once before the statement, outside a
    // transaction only (a transaction's earlier statements are lost with the connection).
    TPgResult Exec(std::string_view sql, const TPgParams &params = {});
    // Several statements without parameters, as one string.
    void ExecScript(std::string_view sql);
    // Rows sent with COPY ... FROM STDIN in its text format: one row per line, tab-separated.
    void Copy(std::string_view copySql, const std::vector<QByteArray> &chunks);
    // The same, streamed: CopyBegin, any number of CopyPut, CopyEnd (which throws the
    // server's refusal of any row). A failure in between leaves the transaction failed.
    void CopyBegin(std::string_view copySql);
    void CopyPut(const QByteArray &chunk);
    void CopyEnd();

    bool InTransaction() const;
    // How long a statement waits for another connection's lock before it fails; kept for a
    // connection opened again.
    void SetLockTimeout(int milliseconds);

    [[noreturn]] void Fail(pg_result *result = nullptr) const;

private:
    friend class TPgTransaction;
    void EnsureConnected();
    TPgResult Check(pg_result *result, std::string_view sql) const;

    TPgSettings FSettings;
    bool FInTransaction = false; // BEGIN sent by TPgTransaction, not yet ended
    int FLockTimeoutMs = 0; // 0: the server's default
    pg_conn *FConn = nullptr;
};

// BEGIN on construction, ROLLBACK on destruction unless committed.
class TPgTransaction
{
public:
    explicit TPgTransaction(TPgConnection &connection);
    ~TPgTransaction();
    TPgTransaction(const TPgTransaction &) = delete;
    TPgTransaction &operator=(const TPgTransaction &) = delete;

    void Commit();

private:
    TPgConnection &FConn;
    bool FDone = false;
};

// Writes a COPY text-format field: backslash, tab, newline and carriage return escaped.
void AppendCopyField(QByteArray &line, const QByteArray &utf8);
// Writes a number as a COPY text-format field, exactly as a statement's parameter sends it.
void AppendCopyNumber(QByteArray &line, double value);
