#include "invoice/RecordColumns.h"

#include "invoice/InvoiceRecord.h"

const std::vector<TRecordColumn> &RecordColumns()
{
    static const std::vector<TRecordColumn> columns = [] {
        std::vector<TRecordColumn> c { { "TARIH", TInvoiceRecord::kWidthTARIH },
            { "SAYIN1", TInvoiceRecord::kWidthSAYIN }, { "SAYIN2", TInvoiceRecord::kWidthSAYIN },
            { "SAYIN3", TInvoiceRecord::kWidthSAYIN },
            { "VDAIRESI", TInvoiceRecord::kWidthVDAIRESI }, { "VNO", TInvoiceRecord::kWidthVNO } };
        auto numbered = [&c](const char *stem, int width) {
            for (int i = 1; i <= TInvoiceRecord::kLines; ++i)
                c.push_back({ stem + std::to_string(i), width });
        };
        numbered("M", 0);
        numbered("C", TInvoiceRecord::kWidthC);
        numbered("F", 0);
        numbered("T", 0);
        c.push_back({ "YEKUN", 0 });
        c.push_back({ "KDV", 0 });
        c.push_back({ "TOPLAM", 0 });
        c.push_back({ "YANLIZ", TInvoiceRecord::kWidthYANLIZ });
        numbered("B", TInvoiceRecord::kWidthB);
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
