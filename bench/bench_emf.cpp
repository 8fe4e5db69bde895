// Page pictures: playing a recorded invoice page onto a 600-dpi A4 image against drawing the
// same page straight onto it, and recording a page against Qt's own picture recorder.
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorder.h"
#include "platform/QPainterCanvas.h"

#include "bench/RatioReporter.h"
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kScreenDpi = 96;
constexpr int kPrintDpi = 600;
const QSize kA4Screen(794, 1123);

// The invoice page: 45 labels in the spirit of the real form (header, eight item lines,
// totals, amount in words) and a few boxes. scale maps 96-dpi positions to the canvas.
void DrawInvoice(ICanvas &c, double scale)
{
    auto p = [scale](int x, int y) { return QPoint(int(x * scale + 0.5), int(y * scale + 0.5)); };
    auto r = [scale](int x, int y, int w, int h) {
        return QRect(
            int(x * scale + 0.5), int(y * scale + 0.5), int(w * scale + 0.5), int(h * scale + 0.5));
    };
    c.FillRect(r(40, 40, 714, 2), Qt::black);
    c.FillRect(r(40, 300, 714, 1), Qt::black);
    c.FillRect(r(500, 900, 254, 90), QColor(240, 240, 240));
    c.FillRect(r(40, 1000, 714, 1), Qt::black);
    TCanvasFont f;
    f.Name = u"Arial"_s;
    f.PointSize = 10;
    f.CharSet = 162;
    c.SelectFont(f);
    const TTextStyle left;
    TTextStyle right;
    right.Align = TTextAlign::Right;
    c.TextOut(p(600, 60), u"09.12.2026"_s, left);
    c.TextOut(p(60, 100), u"Ahmet Yılmaz Ticaret Ltd. Şti."_s, left);
    c.TextOut(p(60, 120), u"Atatürk Cad. No: 12/4"_s, left);
    c.TextOut(p(60, 140), u"Çankaya / ANKARA"_s, left);
    c.TextOut(p(60, 170), u"Kavaklıdere V.D."_s, left);
    c.TextOut(p(300, 170), u"1234567890"_s, left);
    for (int i = 0; i < 8; ++i) {
        const int y = 320 + i * 24;
        c.TextOut(p(60, y), QString::number(i + 1) + u",00"_s, right);
        c.TextOut(p(90, y), u"Adet"_s, left);
        c.TextOut(p(160, y), u"Kalem %1 açıklaması, ölçü 30×40"_s.arg(i + 1), left);
        c.TextOut(p(620, y), u"1.250,00"_s, right);
        c.TextOut(p(740, y), u"%1.250,00"_s.arg(i + 1), right);
    }
    c.TextOut(p(740, 910), u"45.000,00"_s, right);
    c.TextOut(p(740, 935), u"8.100,00"_s, right);
    f.Bold = true;
    c.SelectFont(f);
    c.TextOut(p(740, 960), u"53.100,00"_s, right);
    f.Bold = false;
    c.SelectFont(f);
    c.TextOut(p(60, 1010), u"Yalnız: ElliüçbinYüz Türk Lirası"_s, left);
}

QByteArray RecordInvoice()
{
    TEmfRecorder rec(kA4Screen, kScreenDpi);
    DrawInvoice(rec, 1.0);
    return rec.Finish();
}

QImage &PrintPage()
{
    // A4 at 600 dpi, touched once here so that neither side pays for fresh pages of memory.
    static QImage img = [] {
        QImage i(QSize(4961, 7016), QImage::Format_RGB32);
        i.fill(Qt::white);
        return i;
    }();
    return img;
}

void BM_PlayInvoiceAt600Dpi(benchmark::State &state)
{
    const QByteArray emf = RecordInvoice();
    QImage &img = PrintPage();
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter painter(&img);
        PlayEmf(painter, QRectF(0, 0, img.width(), img.height()), emf);
    }
}

void BM_DrawInvoiceAt600Dpi(benchmark::State &state)
{
    QImage &img = PrintPage();
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter painter(&img);
        painter.setRenderHint(QPainter::TextAntialiasing);
        TQPainterCanvas canvas(painter, kPrintDpi, img.size());
        DrawInvoice(canvas, double(kPrintDpi) / kScreenDpi);
    }
}

void BM_RecordInvoice(benchmark::State &state)
{
    std::size_t bytes = 0;
    for (auto _ : state) {
        const QByteArray emf = RecordInvoice();
        bytes = static_cast<std::size_t>(emf.size());
        benchmark::DoNotOptimize(emf.constData());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_RecordInvoiceQPicture(benchmark::State &state)
{
    for (auto _ : state) {
        QPicture pic;
        QPainter painter(&pic);
        TQPainterCanvas canvas(painter, kScreenDpi, kA4Screen);
        DrawInvoice(canvas, 1.0);
        painter.end();
        benchmark::DoNotOptimize(pic.data());
    }
}

BENCHMARK(BM_PlayInvoiceAt600Dpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawInvoiceAt600Dpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordInvoice)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordInvoiceQPicture)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("play recorded invoice page onto 600-dpi A4 vs drawing it directly",
        "BM_PlayInvoiceAt600Dpi", "BM_DrawInvoiceAt600Dpi", "ms", 1e-6);
    reporter.PrintRatio("record invoice page as EMF vs QPicture", "BM_RecordInvoice",
        "BM_RecordInvoiceQPicture", "us", 1e-3);
    benchmark::Shutdown();
    return 0;
}
