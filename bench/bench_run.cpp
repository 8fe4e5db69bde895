// The generation run: the invoice report (43 labels on one title band) composed and run into
// a recorded page, beside QPainter drawing the same 43 texts straight onto an image.

#include "bench/RatioReporter.h"
#include "printing/InvoiceReport.h"
#include "report/QRUnits.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace
{

TInvoiceFormValues Invoice()
{
    TInvoiceFormValues v;
    v.TARIH = u"09.12.2026"_s;
    v.SAYIN1 = u"Çağdaş Kırtasiye Ltd. Şti."_s;
    v.SAYIN2 = u"Atatürk Cad. No: 12"_s;
    v.SAYIN3 = u"Kadıköy / İstanbul"_s;
    v.VERGIDAIRESI = u"Kadıköy"_s;
    v.VERGIHESAPNO = u"1234567890"_s;
    for (int i = 0; i < 8; ++i) {
        v.M[i] = i + 1;
        v.B[i] = u"Adet"_s;
        v.C[i] = u"Kurşun kalem, yumuşak uç"_s;
        v.F[i] = 12.5L * (i + 1);
        v.T[i] = v.M[i] * v.F[i];
        v.YEKUN += v.T[i];
    }
    v.KDV = v.YEKUN * 0.2L;
    v.TOPLAM = v.YEKUN + v.KDV;
    v.YALNIZ = u"BİNİKİYÜZÜÇ TL ELLİ KR"_s;
    v.ORAN = u"20"_s;
    return v;
}

TPrintSettings Layout()
{
    TPrintSettings s;
    for (int i = 0; i < kPositionCount; ++i)
        s.Positions[static_cast<size_t>(i)] = FormatPosition(20 + 21 * (i % 40), 40 + 7 * i);
    s.SetPosition(u"RAPOR_SAYFASI", u"10 | 10"_s);
    return s;
}

void BM_RunInvoiceIntoRecordedPage(benchmark::State &state)
{
    TInvoiceReport inv(TFormatSettings::Turkish(), ScreenTextMetrics(96));
    const TPrintSettings layout = Layout();
    const TInvoiceFormValues values = Invoice();
    for (auto _ : state) {
        inv.SAYFA_HAZIRLA(layout);
        inv.RAPOR_DOLDUR(values, u"#,###.00"_s);
        inv.RAPORX().Prepare();
        benchmark::DoNotOptimize(inv.RAPORX().QRPrinter()->GetPage(1));
    }
}

void BM_QPainterSamePageOnImage(benchmark::State &state)
{
    // What the run draws, straight onto a screen-resolution A4 image.
    TInvoiceReport inv(TFormatSettings::Turkish(), ScreenTextMetrics(96));
    inv.SAYFA_HAZIRLA(Layout());
    inv.RAPOR_DOLDUR(Invoice(), u"#,###.00"_s);
    QImage img(794, 1123, QImage::Format_RGB32);
    QFont font(u"Arial"_s);
    font.setPixelSize(13);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        p.setFont(font);
        for (int n = 1; n <= 43; ++n) {
            const TQRLabel &l = inv.QRLabel(n);
            p.drawText(QPoint(38 + l.Left(), 38 + l.Top() + 12), l.Caption());
        }
    }
}

BENCHMARK(BM_RunInvoiceIntoRecordedPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainterSamePageOnImage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    SetQRScreenResolution(96);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("invoice run (compose + 43 labels) into a recorded page, target 5 ms vs "
                        "QPainter drawing the same texts on an image",
        "BM_RunInvoiceIntoRecordedPage", "BM_QPainterSamePageOnImage", "ms", 1e-6);
    return 0;
}
