#include "platform/Postgres.h"

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace
{

QString Trimmed(const char *message)
{
    return QString::fromUtf8(message ? message : "").trimmed();
}

// The server's own sentence, without libpq's "ERROR:" prefix, with its detail when it gave
// one (which row, which constraint).
QString MessageOf(PGconn *conn, PGresult *result)
{
    if (result) {
        const char *primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
        if (primary && *primary) {
            QString message = Trimmed(primary);
            const char *detail = PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL);
            if (detail && *detail)
                message += u"\n"_s + Trimmed(detail);
            return message;
        }
        const QString text = Trimmed(PQresultErrorMessage(result));
        if (!text.isEmpty())
            return text;
    }
    const QString text = Trimmed(conn ? PQerrorMessage(conn) : nullptr);
    return text.isEmpty() ? u"no answer from the database server"_s : text;
}

// A double as the server reads it back unchanged: the shortest exact text, or the server's
// own words for the values that have no digits.
std::string_view NumberText(double value, char (&buffer)[32])
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "Infinity" : "-Infinity";
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string_view(buffer, static_cast<size_t>(end - buffer));
}

} // namespace

QString TPgSettings::Describe() const
{
    const QString host = Host.isEmpty() ? u"localhost"_s : Host;
    return u"%1:%2/%3"_s.arg(host, Port > 0 ? QString::number(Port) : u"5432"_s, Database);
}

// ---- TPgParams ----

TPgParams &TPgParams::Text(const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    return Text(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

TPgParams &TPgParams::Text(std::string_view utf8)
{
    FValues.emplace_back(utf8);
    FNull.push_back(false);
    FFormats.push_back(0);
    return *this;
}

TPgParams &TPgParams::Int(std::int64_t value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return Text(std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

TPgParams &TPgParams::Double(double value)
{
    char buffer[32];
    return Text(NumberText(value, buffer));
}

TPgParams &TPgParams::Bytes(const QByteArray &value)
{
    FValues.emplace_back(value.constData(), static_cast<size_t>(value.size()));
    FNull.push_back(false);
    FFormats.push_back(1);
    return *this;
}

TPgParams &TPgParams::Null()
{
    FValues.emplace_back();
    FNull.push_back(true);
    FFormats.push_back(0);
    return *this;
}

// ---- TPgResult ----

TPgResult::~TPgResult()
{
    if (FResult)
        PQclear(FResult);
}

TPgResult::TPgResult(TPgResult &&other) noexcept
    : FResult(std::exchange(other.FResult, nullptr))
{
}

TPgResult &TPgResult::operator=(TPgResult &&other) noexcept
{
    if (this != &other) {
        if (FResult)
            PQclear(FResult);
        FResult = std::exchange(other.FResult, nullptr);
    }
    return *this;
}

int TPgResult::Rows() const
{
    return FResult ? PQntuples(FResult) : 0;
}

int TPgResult::Columns() const
{
    return FResult ? PQnfields(FResult) : 0;
}

std::int64_t TPgResult::Affected() const
{
    const char *text = FResult ? PQcmdTuples(FResult) : "";
    std::int64_t n = 0;
    std::from_chars(text, text + std::char_traits<char>::length(text), n);
    return n;
}

bool TPgResult::IsNull(int row, int column) const
{
    return PQgetisnull(FResult, row, column) != 0;
}

std::string_view TPgResult::Utf8(int row, int column) const
{
    return std::string_view(
        PQgetvalue(FResult, row, column), static_cast<size_t>(PQgetlength(FResult, row, column)));
}

QString TPgResult::Text(int row, int column) const
{
    const std::string_view v = Utf8(row, column);
    return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
}

std::int64_t TPgResult::Int(int row, int column) const
{
    if (IsNull(row, column))
        return 0;
    const std::string_view v = Utf8(row, column);
    std::int64_t n = 0;
    const auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || ptr != v.data() + v.size())
        throw EStorageError(u"not a whole number: %1"_s.arg(Text(row, column)));
    return n;
}

double TPgResult::Double(int row, int column) const
{
    if (IsNull(row, column))
        return 0;
    const std::string_view v = Utf8(row, column);
    double d = 0;
    const auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
    if (ec == std::errc() && ptr == v.data() + v.size())
        return d;
    if (v == "NaN")
        return std::nan("");
    if (v == "Infinity")
        return HUGE_VAL;
    if (v == "-Infinity")
        return -HUGE_VAL;
    throw EStorageError(u"not a number: %1"_s.arg(Text(row, column)));
}

bool TPgResult::Bool(int row, int column) const
{
    return Utf8(row, column) == "t";
}

// ---- TPgConnection ----

TPgConnection::TPgConnection(const TPgSettings &settings)
    : FSettings(settings)
{
    EnsureConnected();
}

TPgConnection::~TPgConnection()
{
    if (FConn)
        PQfinish(FConn);
}

void TPgConnection::EnsureConnected()
{
    if (FConn && PQstatus(FConn) == CONNECTION_OK)
        return;
    if (FConn) {
        PQfinish(FConn);
        FConn = nullptr;
    }
    const QByteArray host = FSettings.Host.toUtf8(), database = FSettings.Database.toUtf8(),
                     user = FSettings.User.toUtf8();
    const QByteArray port = FSettings.Port > 0 ? QByteArray::number(FSettings.Port) : QByteArray();
    std::vector<const char *> keys, values;
    auto add = [&](const char *key, const QByteArray &value) {
        if (!value.isEmpty()) {
            keys.push_back(key);
            values.push_back(value.constData());
        }
    };
    add("host", host);
    add("port", port);
    add("dbname", database);
    add("user", user);
    static const QByteArray utf8("UTF8"), timeout("10"), name("LEVANTA");
    const QByteArray options
        = FLockTimeoutMs > 0 ? "-c lock_timeout=" + QByteArray::number(FLockTimeoutMs) : "";
    add("options", options);
    add("client_encoding", utf8);
    add("connect_timeout", timeout);
    add("application_name", name);
    keys.push_back(nullptr);
    values.push_back(nullptr);
    PGconn *conn = PQconnectdbParams(keys.data(), values.data(), 0);
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        const QString message = MessageOf(conn, nullptr);
        if (conn)
            PQfinish(conn);
        throw EStorageError(message);
    }
    // The server's notices ("... does not exist, skipping") are not the user's business.
    PQsetNoticeProcessor(
        conn, [](void *, const char *) {}, nullptr);
    FConn = conn;
}

bool TPgConnection::InTransaction() const
{
    return FConn && PQtransactionStatus(FConn) != PQTRANS_IDLE;
}

void TPgConnection::SetLockTimeout(int milliseconds)
{
    FLockTimeoutMs = std::max(milliseconds, 0);
    Exec("SET lock_timeout = " + std::to_string(FLockTimeoutMs));
}

void TPgConnection::Fail(pg_result *result) const
{
    const QString message = MessageOf(FConn, result);
    if (result)
        PQclear(result);
    throw EStorageError(message);
}

TPgResult TPgConnection::Check(pg_result *result, std::string_view) const
{
    if (!result)
        Fail(nullptr);
    switch (PQresultStatus(result)) {
    case PGRES_COMMAND_OK:
    case PGRES_TUPLES_OK:
    case PGRES_COPY_IN:
        return TPgResult(result);
    default:
        Fail(result);
    }
}

TPgResult TPgConnection::Exec(std::string_view sql, const TPgParams &params)
{
    // Outside a transaction a lost connection is opened again; inside one it must fail, or
    // the rest of the transaction would run on its own, statement by statement.
    if (!FInTransaction)
        EnsureConnected();
    else if (PQstatus(FConn) != CONNECTION_OK)
        Fail(nullptr);
    const std::string text(sql);
    std::vector<const char *> values;
    std::vector<int> lengths;
    values.reserve(params.FValues.size());
    for (size_t i = 0; i < params.FValues.size(); ++i) {
        values.push_back(params.FNull[i] ? nullptr : params.FValues[i].data());
        lengths.push_back(static_cast<int>(params.FValues[i].size()));
    }
    return Check(PQexecParams(FConn, text.c_str(), params.Count(), nullptr, values.data(),
                     lengths.data(), params.FFormats.data(), 0),
        sql);
}

void TPgConnection::ExecScript(std::string_view sql)
{
    if (!FInTransaction)
        EnsureConnected();
    const std::string text(sql);
    Check(PQexec(FConn, text.c_str()), sql);
    // PQexec returns the last statement's result; an earlier failure ends the script there.
}

void TPgConnection::Copy(std::string_view copySql, const std::vector<QByteArray> &chunks)
{
    CopyBegin(copySql);
    for (const QByteArray &chunk : chunks)
        CopyPut(chunk);
    CopyEnd();
}

void TPgConnection::CopyBegin(std::string_view copySql)
{
    Exec(copySql);
}

void TPgConnection::CopyPut(const QByteArray &chunk)
{
    if (chunk.isEmpty())
        return;
    if (PQputCopyData(FConn, chunk.constData(), static_cast<int>(chunk.size())) != 1) {
        const QString message = MessageOf(FConn, nullptr);
        PQputCopyEnd(FConn, "send failed");
        while (PGresult *r = PQgetResult(FConn))
            PQclear(r);
        throw EStorageError(message);
    }
}

void TPgConnection::CopyEnd()
{
    if (PQputCopyEnd(FConn, nullptr) != 1)
        Fail(nullptr);
    PGresult *failed = nullptr;
    while (PGresult *r = PQgetResult(FConn)) {
        if (!failed && PQresultStatus(r) != PGRES_COMMAND_OK)
            failed = r;
        else
            PQclear(r);
    }
    if (failed)
        Fail(failed);
}

// ---- TPgTransaction ----

TPgTransaction::TPgTransaction(TPgConnection &connection)
    : FConn(connection)
{
    FConn.Exec("BEGIN");
    FConn.FInTransaction = true;
}

TPgTransaction::~TPgTransaction()
{
    if (!FDone && FConn.FConn) {
        // No throw from here: a broken connection has rolled back on its own.
        if (PGresult *r = PQexec(FConn.FConn, "ROLLBACK"))
            PQclear(r);
    }
    FConn.FInTransaction = false;
}

void TPgTransaction::Commit()
{
    FConn.Exec("COMMIT");
    FDone = true;
    FConn.FInTransaction = false;
}

void AppendCopyField(QByteArray &line, const QByteArray &utf8)
{
    for (char c : utf8) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
}

void AppendCopyNumber(QByteArray &line, double value)
{
    char buffer[32];
    const std::string_view text = NumberText(value, buffer);
    line.append(text.data(), static_cast<qsizetype>(text.size()));
}
