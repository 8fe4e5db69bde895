#pragma once
// The byte-level pieces of the PDF writer, as pure functions: the LZW and ASCII85 filters of
// image data, and the code page in which the file's text is written.

#include "platform/TextEncoding.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>

// LZWDecode data: codes of 9 to 12 bits, most significant bit first, beginning with the clear
// code 256 and ending with the end code 257; the width grows one code early (EarlyChange 1),
// and the table is cleared when it is full.
QByteArray PDFLZWEncode(const QByteArray &data);

// ASCII85Decode data: groups of four bytes as five characters from "!", an all-zero group as
// "z", a short last group as its length + 1 characters, a CR LF whenever more than 200
// characters were counted since the last one (a "z" counts as 5), and "~>" at the end.
QByteArray PDFASCII85Encode(const QByteArray &data);

// A code page for the file's bytes. Single-byte code pages map each byte to one character
// (bytes a Windows code page leaves undefined map to the C1 control of the same value, as
// Windows does); multi-byte ones (932, 936, 949, 950, UTF-8) only encode.
class TPDFCodePage
{
public:
    // The writer's Codepage setting: a whole number names that code page; "8859-9" and the
    // like ("ISO-8859-9", "iso8859-9") name the ISO code page; anything else, or a number the
    // system cannot convert, is 1252.
    static TPDFCodePage FromSetting(const QString &setting);
    static TPDFCodePage FromNumber(int number);

    // The system's name of the code page ("CP1254", "ISO-8859-9").
    const QByteArray &Name() const;
    bool SingleByte() const;
    // The character of byte b in a single-byte code page; 0 for byte 0 and for bytes the code
    // page leaves undefined.
    char32_t ToUnicode(int b) const;
    // The text in this code page; a character it cannot represent becomes "?".
    QByteArray Encode(QStringView text) const;
    void EncodeTo(QStringView text, QByteArray &out) const;

private:
    explicit TPDFCodePage(TTextEncoding encoding);
    TTextEncoding FEncoding;
};
