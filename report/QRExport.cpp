#include "report/QRExport.h"

#include <algorithm>

namespace
{
std::vector<TQRExportFilterClass> &Library()
{
    static std::vector<TQRExportFilterClass> filters;
    return filters;
}
} // namespace

void TQRExportFilterLibrary::Add(TQRExportFilterClass filter)
{
    Remove(filter.Name);
    Library().push_back(std::move(filter));
}

void TQRExportFilterLibrary::Remove(const QString &name)
{
    auto &l = Library();
    l.erase(std::remove_if(
                l.begin(), l.end(), [&](const TQRExportFilterClass &f) { return f.Name == name; }),
        l.end());
}

const std::vector<TQRExportFilterClass> &TQRExportFilterLibrary::Filters()
{
    return Library();
}

const TQRExportFilterClass *TQRExportFilterLibrary::ByExtension(const QString &ext)
{
    for (const TQRExportFilterClass &f : Library())
        if (f.Extension.compare(ext, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}
