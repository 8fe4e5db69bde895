#pragma once
// Reads a UBL-TR invoice (ours, or the signed one an integrator returns) into the plain
// e-Arşiv model, for its copy. Outside bytes: a DTD, an oversized file or anything that is not
// a well-formed UBL-TR Invoice is refused with EPlatformError naming the file and the line;
// nothing is expanded or fetched.

#include "earsiv/EArsivInvoice.h"

#include <QByteArray>
#include <QString>

// The largest file read: GİB's own samples carry an embedded stylesheet of a few hundred
// kilobytes; a signed invoice with a logo stays well below this.
inline constexpr qint64 kUblMaxBytes = 32 * 1024 * 1024;
inline constexpr int kUblMaxLines = 10000;

// source names the bytes in error texts (the file name).
TEArsivInvoice ReadUblInvoice(const QByteArray &xml, const QString &source);
TEArsivInvoice ReadUblInvoiceFile(const QString &path);

// The unit's name the copy shows for a UN/ECE Rec. 20 code ("C62" → "Adet"); the code itself
// when it is not one we know.
QString UblUnitName(const QString &unitCode);
