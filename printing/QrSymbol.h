#pragma once
// A QR symbol's modules for given bytes, encoded by libqrencode in byte mode at error
// correction level M, the smallest version that holds them.

#include <QByteArray>

#include <cstdint>
#include <vector>

struct TQrSymbol {
    int Count = 0; // modules per side, without the quiet zone
    std::vector<std::uint8_t> Dark; // Count × Count, row by row; 1 is dark
};

// Raises EPlatformError when the bytes do not fit any version.
TQrSymbol QrEncode(const QByteArray &data);
