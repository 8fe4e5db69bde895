// The preview window: opening it on a recorded invoice page until the page is painted, and a
// zoom change to 200 % repainted, each beside a plain QPainter drawing of the same page at
// the same size.
#include "bench/RatioReporter.h"
#include "platform/Locale.h"
#include "platform/QPainterCanvas.h"
#include "preview/QRPrev.h"
#include "report/QRUnits.h"
#include "report/QuickRpt.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kScreenDpi = 96;
// A common desktop: the preview window fills 1600 x 1000 of it.
const QSize kWindowSize(1600, 1000);

// The invoice page: 45 labels as the real form has them (header, eight item lines, totals,
// amount in words) and a few rules.
void DrawInvoice(ICanvas &c)
{
    c.FillRect(QRect(40, 40, 714, 2), Qt::black);
    c.FillRect(QRect(40, 300, 714, 1), Qt::black);
    c.FillRect(QRect(40, 1000, 714, 1), Qt::black);
    TCanvasFont f;
    f.Name = u"Arial"_s;
    f.PointSize = 10;
    f.CharSet = TURKISH_CHARSET_CODE;
    c.SelectFont(f);
    TTextStyle left, right;
    right.Align = TTextAlign::Right;
    c.TextOut(QPoint(600, 60), u"09.12.2026"_s, left);
    c.TextOut(QPoint(60, 100), u"Ahmet Yılmaz Ticaret Ltd. Şti."_s, left);
    c.TextOut(QPoint(60, 120), u"Atatürk Cad. No: 12/4"_s, left);
    c.TextOut(QPoint(60, 140), u"Çankaya / ANKARA"_s, left);
    c.TextOut(QPoint(60, 170), u"Kavaklıdere V.D."_s, left);
    c.TextOut(QPoint(300, 170), u"1234567890"_s, left);
    for (int i = 0; i < 8; ++i) {
        const int y = 320 + i * 24;
        c.TextOut(QPoint(60, y), QString::number(i + 1) + u",00"_s, right);
        c.TextOut(QPoint(90, y), u"Adet"_s, left);
        c.TextOut(QPoint(160, y), u"Kalem %1 açıklaması, ölçü 30×40"_s.arg(i + 1), left);
        c.TextOut(QPoint(620, y), u"1.250,00"_s, right);
        c.TextOut(QPoint(740, y), u"%1.250,00"_s.arg(i + 1), right);
    }
    c.TextOut(QPoint(740, 910), u"45.000,00"_s, right);
    c.TextOut(QPoint(740, 935), u"8.100,00"_s, right);
    f.Bold = true;
    c.SelectFont(f);
    c.TextOut(QPoint(740, 960), u"53.100,00"_s, right);
    f.Bold = false;
    c.SelectFont(f);
    c.TextOut(QPoint(60, 1010), u"Yalnız: ElliüçbinYüz Türk Lirası"_s, left);
}

// A finished run printer holding the invoice page, recorded by its own page sequencing.
struct TPreviewedReport {
    std::unique_ptr<TQuickRep> Report;
    std::unique_ptr<TQRPrinter> Printer;

    TPreviewedReport()
    {
        SetQRScreenResolution(kScreenDpi);
        Report = std::make_unique<TQuickRep>(TFormatSettings::Turkish());
        Report->SetPrevInitialZoom(qrZoomToWidth);
        Report->SetPrevShowThumbs(false);
        Report->SetPrevShowSearch(false);
        Report->SetPreviewInitialState(wsNormal);
        Report->SetPreviewBounds(0, 0, kWindowSize.width(), kWindowSize.height());
        Printer = std::make_unique<TQRPrinter>(Report.get(), false);
        Printer->SetDestination(qrdMetafile);
        Printer->BeginDoc();
        Printer->NewPage();
        DrawInvoice(*Printer->Canvas());
        Printer->EndDoc();
        QCoreApplication::processEvents();
    }
};

TPreviewedReport &Previewed()
{
    static TPreviewedReport r;
    return r;
}

// The plain drawing: the same page straight onto an image of the view's size, scaled.
void PlainDrawing(QImage &image, qreal scale)
{
    image.fill(Qt::gray);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.fillRect(QRectF(1, 1, 794 * scale, 1123 * scale), Qt::white);
    painter.translate(1, 1);
    painter.scale(scale, scale);
    TQPainterCanvas canvas(painter, kScreenDpi, QSize(794, 1123));
    DrawInvoice(canvas);
}

void BM_PreviewPagePainted(benchmark::State &state)
{
    TPreviewedReport &r = Previewed();
    for (auto _ : state) {
        auto *window = new TQRStandardPreview(nullptr, r.Printer.get());
        window->show();
        const QPixmap painted = window->QRPreview()->viewport()->grab();
        benchmark::DoNotOptimize(painted.cacheKey());
        state.PauseTiming();
        delete window;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_PlainPagePainted(benchmark::State &state)
{
    // The same view size and zoom the preview reaches.
    auto *window = new TQRStandardPreview(nullptr, Previewed().Printer.get());
    window->show();
    const QSize view = window->QRPreview()->viewport()->size();
    const qreal scale = window->QRPreview()->Zoom() / 100.0;
    delete window;
    QImage image(view, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        PlainDrawing(image, scale);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PreviewZoomTo200(benchmark::State &state)
{
    auto *window = new TQRStandardPreview(nullptr, Previewed().Printer.get());
    window->show();
    TQRPreview *view = window->QRPreview();
    for (auto _ : state) {
        state.PauseTiming();
        view->SetZoom(100);
        state.ResumeTiming();
        view->SetZoom(200);
        const QPixmap painted = view->viewport()->grab();
        benchmark::DoNotOptimize(painted.cacheKey());
    }
    // LEVANTA_BENCH_SHOT=file.png keeps what was measured, to look at.
    if (const QString shot = qEnvironmentVariable("LEVANTA_BENCH_SHOT"); !shot.isEmpty())
        view->viewport()->grab().save(shot);
    delete window;
}

void BM_PlainPageAt200(benchmark::State &state)
{
    auto *window = new TQRStandardPreview(nullptr, Previewed().Printer.get());
    window->show();
    const QSize view = window->QRPreview()->viewport()->size();
    delete window;
    QImage image(view, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        PlainDrawing(image, 2.0);
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(BM_PreviewPagePainted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPagePainted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewZoomTo200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPageAt200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont::insertSubstitution(u"Tahoma"_s, u"Liberation Sans"_s);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("preview opened until the invoice page is painted (target <= 50 ms)",
        "BM_PreviewPagePainted", "BM_PlainPagePainted", "ms", 1e-6);
    reporter.PrintRatio("zoom change repainted at 200 % (target <= 16 ms)", "BM_PreviewZoomTo200",
        "BM_PlainPageAt200", "ms", 1e-6);
    benchmark::Shutdown();
    return 0;
}
