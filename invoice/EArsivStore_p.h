#pragma once
// The e-Arşiv tables are the same on both stores; only how a statement reaches the database
// differs. Each store gives this small session and gets the whole IEArsivStore back.

#include "invoice/EArsivStore.h"

#include <memory>
#include <string_view>

class IEArsivSql
{
public:
    using TRow = std::vector<QString>;
    virtual ~IEArsivSql() = default;

    // One statement; "?" marks its parameters, all passed as text. Rows as text (NULL: "").
    virtual std::vector<TRow> Query(std::string_view sql, const std::vector<QString> &params) = 0;
    // Several statements without parameters.
    virtual void Script(std::string_view sql) = 0;
    virtual bool HasTable(std::string_view name) = 0;
    // A write transaction that no other connection's e-Arşiv write runs beside.
    virtual void BeginExclusive() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
};

std::unique_ptr<IEArsivStore> MakeEArsivStore(std::unique_ptr<IEArsivSql> sql);
