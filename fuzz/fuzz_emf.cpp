// Plays arbitrary bytes as a page picture into a small image: the player must answer every
// input with a picture or an error, never a crash, a hang or a stray read.
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorder.h"
#include "platform/Errors.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_emf";
    static char *argv[] = { name, nullptr };
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!QGuiApplication::instance())
        LLVMFuzzerInitialize(nullptr, nullptr);
    const QByteArray bytes = QByteArray::fromRawData(
        reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    try {
        PlayEmf(painter, QRectF(2, 2, 60, 44), bytes);
    } catch (const EPlatformError &) {
    }
    // The recorder copies pictures into pages: it parses the same outside bytes.
    try {
        TEmfRecorder page(QSize(64, 48), 96);
        page.DrawPicture(QRect(2, 2, 60, 44), bytes);
        ReadEmfInfo(page.Finish());
    } catch (const EPlatformError &) {
    }
    return 0;
}
