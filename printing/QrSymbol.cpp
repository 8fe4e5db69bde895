#include "printing/QrSymbol.h"

#include "platform/Errors.h"

#include <qrencode.h>

#include <memory>

using namespace Qt::StringLiterals;

TQrSymbol QrEncode(const QByteArray &data)
{
    // Byte mode, so that the UTF-8 of Turkish letters goes as it is.
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(data.size()),
            reinterpret_cast<const unsigned char *>(data.constData()), 0, QR_ECLEVEL_M),
        &QRcode_free);
    if (!code)
        throw EPlatformError(
            u"Karekod oluşturulamadı: %1 baytlık veri bir karekoda sığmıyor"_s.arg(data.size()));
    TQrSymbol s;
    s.Count = code->width;
    s.Dark.resize(static_cast<size_t>(code->width) * code->width);
    for (size_t i = 0; i < s.Dark.size(); ++i)
        s.Dark[i] = code->data[i] & 1; // the lowest bit tells dark; the rest is encoder state
    return s;
}
