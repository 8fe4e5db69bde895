// Printing an invoice-like page to a real CUPS queue (a private scheduler with a PDF file
// queue): the engine's run through the Qt printing layer against QPrinter printing the same
// texts directly. Both are timed until the queue has written the job's file.
#include "bench/RatioReporter.h"
#include "platform/Locale.h"
#include "platform/Printing.h"
#include "platform/widgets/QtPrinting.h"
#include "report/QRCtrls.h"
#include "report/QRUnits.h"
#include "report/QuickRpt.h"
#include "tests/support/CupsServer.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{

TCupsServer *Server = nullptr;

struct TText {
    int Left, Top; // 96-dpi pixels from the page's margins
    QString Text;
};

// 43 values in the places of the invoice form: header, eight item lines, totals, words.
std::vector<TText> InvoiceTexts()
{
    std::vector<TText> t = {
        { 600, 60, u"09.12.2026"_s },
        { 60, 100, u"Ahmet Yılmaz Ticaret Ltd. Şti."_s },
        { 60, 120, u"Atatürk Cad. No: 12/4"_s },
        { 60, 140, u"Çankaya / ANKARA"_s },
        { 60, 170, u"Kavaklıdere V.D."_s },
        { 300, 170, u"1234567890"_s },
    };
    for (int i = 0; i < 8; ++i) {
        const int y = 320 + i * 24;
        t.push_back({ 40, y, QString::number(i + 1) + u",00"_s });
        t.push_back({ 90, y, u"Adet"_s });
        t.push_back({ 160, y, u"Kalem %1 açıklaması"_s.arg(i + 1) });
        t.push_back({ 560, y, u"1.250,00"_s });
    }
    t.push_back({ 660, 910, u"45.000,00"_s });
    t.push_back({ 660, 935, u"8.100,00"_s });
    t.push_back({ 660, 960, u"53.100,00"_s });
    t.push_back({ 60, 960, u"Yalnız elliüçbinyüz TL sıfır Kr."_s });
    t.push_back({ 60, 990, u"K.D.V. %18"_s });
    return t;
}

void WaitForTheJob(benchmark::State &state, int last)
{
    if (!Server->WaitForJob(last))
        state.SkipWithError("the queue did not finish the job");
}

void BM_EngineRunToQueue(benchmark::State &state)
{
    SetQRScreenResolution(96);
    TQtPrinting printing;
    SetPrinting(&printing);
    TQuickRep report(TFormatSettings::Turkish());
    report.SetTextMetrics(ScreenTextMetrics(96));
    report.SetShowProgress(false);
    report.Page().SetPaperSize(TQRPaperSize::A4);
    report.Page().SetTopMargin(10);
    report.Page().SetLeftMargin(10);
    auto *title = new TQRBand(&report);
    title->SetBandType(rbTitle);
    title->SetHeight(1000);
    for (const TText &t : InvoiceTexts()) {
        auto *label = new TQRLabel(title);
        label->SetBounds(t.Left, t.Top, 10, 17);
        label->SetCaption(t.Text);
    }
    for (auto _ : state) {
        const int last = Server->LastJobId();
        report.Print();
        WaitForTheJob(state, last);
    }
    SetPrinting(nullptr);
    SetQRScreenResolution(96);
}

void BM_QPrinterToQueue(benchmark::State &state)
{
    const std::vector<TText> texts = InvoiceTexts();
    for (auto _ : state) {
        const int last = Server->LastJobId();
        QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::A4));
        const QRectF page = printer.pageRect(QPrinter::DevicePixel);
        const double dpi = printer.resolution();
        QPainter painter(&printer);
        painter.setFont(QFont(u"Arial"_s, 8));
        const double ascent = painter.fontMetrics().ascent();
        for (const TText &t : texts) {
            const double x = (10 / 25.4 + t.Left / 96.0) * dpi - page.left();
            const double y = (10 / 25.4 + t.Top / 96.0) * dpi - page.top();
            painter.drawText(QPointF(x, y + ascent), t.Text);
        }
        painter.end();
        WaitForTheJob(state, last);
    }
}

BENCHMARK(BM_EngineRunToQueue)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_QPrinterToQueue)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The scheduler must be this process's print system before Qt first asks for printers.
    TCupsServer server;
    if (!server.Error().isEmpty()) {
        std::fprintf(stderr, "private CUPS scheduler: %s\n", qPrintable(server.Error()));
        return 1;
    }
    Server = &server;
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Wall time: the job's file is written by the scheduler's filters, not by this process.
    if (reporter.Wall.count("BM_EngineRunToQueue") && reporter.Wall.count("BM_QPrinterToQueue")) {
        const double a = reporter.Wall.at("BM_EngineRunToQueue") / 1e6;
        const double b = reporter.Wall.at("BM_QPrinterToQueue") / 1e6;
        std::printf("43-label invoice page to the file queue, engine vs QPrinter directly: %.3f ms "
                    "(baseline %.3f, ratio %.2f)\n",
            a, b, a / b);
    }
    benchmark::Shutdown();
    return 0;
}
