#include "preview/QRPDFFilt.h"

using namespace Qt::StringLiterals;

// The component's registration lives apart from the writer, so that code using the writer
// alone does not need the filter library.
TQRPDFFilter::TQRPDFFilter()
{
    TQRExportFilterLibrary::Add({ FilterName, u"PDF"_s, u"PDF document filter"_s,
        [this](const QString &fileName) -> std::unique_ptr<TQRExportFilter> {
            return CreateFilter(fileName);
        } });
}

TQRPDFFilter::~TQRPDFFilter()
{
    TQRExportFilterLibrary::Remove(FilterName);
}
