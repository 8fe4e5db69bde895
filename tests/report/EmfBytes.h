#pragma once
// Small hand-made EMF images for the page store's tests: a 108-byte header, comment records
// with invoice-like text and an end-of-file record. Enough for the store, which only relies
// on the header's signature and size.

#include <QByteArray>
#include <QtEndian>

#include <cstdint>

namespace emfbytes
{

inline void Put32(QByteArray &b, int at, std::uint32_t v)
{
    qToLittleEndian<std::uint32_t>(v, b.data() + at);
}

inline void Append32(QByteArray &b, std::uint32_t v)
{
    char c[4];
    qToLittleEndian<std::uint32_t>(v, c);
    b.append(c, 4);
}

// An EMF of about Payload bytes whose contents depend on Seed, so that pages differ.
inline QByteArray Make(int Seed, int Payload = 600)
{
    QByteArray emf(108, '\0');
    Put32(emf, 0, 1); // EMR_HEADER
    Put32(emf, 4, 108); // its size
    Put32(emf, 24, 0); // frame (0.01 mm): A4 portrait
    Put32(emf, 28, 0);
    Put32(emf, 32, 21000);
    Put32(emf, 36, 29700);
    Put32(emf, 40, 0x464D4520); // " EMF"
    Put32(emf, 44, 0x10000);
    Put32(emf, 56, 1); // handles
    Put32(emf, 72, 794); // device size in pixels
    Put32(emf, 76, 1123);
    Put32(emf, 80, 210); // ... and in millimetres
    Put32(emf, 84, 297);
    Put32(emf, 100, 210000);
    Put32(emf, 104, 297000);

    std::uint32_t records = 1;
    std::uint32_t state = static_cast<std::uint32_t>(Seed) * 2654435761u + 1;
    static const char *const words[] = { "FATURA ", "YEKUN ", "K.D.V. ", "TOPLAM ", "Yalniz ",
        "1.234,56 ", "Adet ", "Kalem ", "ISTANBUL " };
    while (emf.size() < 108 + Payload) {
        QByteArray text;
        for (int i = 0; i < 6; ++i) {
            state = state * 1103515245u + 12345u;
            text += words[(state >> 16) % 9];
        }
        text += QByteArray::number(Seed);
        while (text.size() % 4)
            text += ' ';
        Append32(emf, 70); // EMR_GDICOMMENT
        Append32(emf, static_cast<std::uint32_t>(12 + text.size()));
        Append32(emf, static_cast<std::uint32_t>(text.size()));
        emf += text;
        ++records;
    }
    Append32(emf, 14); // EMR_EOF
    Append32(emf, 20);
    Append32(emf, 0);
    Append32(emf, 16);
    Append32(emf, 20);
    ++records;
    Put32(emf, 48, static_cast<std::uint32_t>(emf.size()));
    Put32(emf, 52, records);
    return emf;
}

} // namespace emfbytes
