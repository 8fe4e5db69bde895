#pragma once
// The e-Arşiv invoice as a UBL-TR 1.2 document (UTF-8 XML), in the schema's element order.
// The document is unsigned: its extension holds a placeholder that the integrator's
// signature replaces.

#include "earsiv/EArsivInvoice.h"

#include <QByteArray>

QByteArray WriteUbl(const TEArsivInvoice &invoice);
