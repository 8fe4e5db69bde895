#pragma once
// The namespaces of a UBL 2.1 Invoice. They are names the file format fixes letter for letter,
// so the writer, the reader and the benchmark take them from here.

#include <QString>

inline const QString kUblNamespaceBase
    = QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:");
inline const QString kUblInvoiceNs = kUblNamespaceBase + QStringLiteral("Invoice-2");
inline const QString kUblCacNs = kUblNamespaceBase + QStringLiteral("CommonAggregateComponents-2");
inline const QString kUblCbcNs = kUblNamespaceBase + QStringLiteral("CommonBasicComponents-2");
inline const QString kUblExtNs = kUblNamespaceBase + QStringLiteral("CommonExtensionComponents-2");
