#include "invoice/RecordColumns.h"

#include "invoice/InvoiceFields.h"

const std::vector<TRecordColumn> &RecordColumns()
{
    static const std::vector<TRecordColumn> columns = [] {
        std::vector<TRecordColumn> c;
        for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Stored))
            c.push_back({ f->Column.toString().toStdString(), f->Width });
        return c;
    }();
    return columns;
}

std::string ColumnList()
{
    std::string list;
    for (const TRecordColumn &c : RecordColumns())
        list += (list.empty() ? "" : ", ") + c.Name;
    return list;
}
