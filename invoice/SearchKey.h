#pragma once
// The text the invoice table compares when it locates by prefix: letter case removed the
// Turkish way. I, ı, İ and i all become i, since users type the dotted and dotless letters
// both ways; every other letter takes its Unicode simple case folding. The fold maps code
// point by code point, so a text begins with a prefix ignoring case exactly when its key
// begins with the prefix's key (byte by byte, in UTF-8).

#include <QByteArray>
#include <QStringView>

QByteArray SearchKeyOf(QStringView text);
// The end of the range of keys that begin with `key`: the smallest key above all of them.
// Empty when there is no such key (`key` is empty or all 0xFF bytes): the range is open.
QByteArray KeyRangeEnd(const QByteArray &key);

// The first `width` code points of the text (a surrogate pair is never split).
QString CutToCodePoints(const QString &text, int width);
