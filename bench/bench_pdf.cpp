// The PDF of one invoice page beside QPdfWriter writing the same page.
//   export time per page   baseline: QPdfWriter drawing the same 43 lines
//   bytes per page         baseline: QPdfWriter's file (it embeds font subsets)
#include "RatioReporter.h"

#include "preview/QRPDFFilt.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

struct TLine {
    long double X, Y; // native units
    QString Text;
    TAlignment Align;
};

// The 43 values of an invoice: header, eight item lines of five values, totals and words.
const std::vector<TLine> &Invoice()
{
    static const std::vector<TLine> lines = [] {
        std::vector<TLine> v;
        v.push_back({ 1500, 300, u"20.05.2024"_s, taLeftJustify });
        v.push_back({ 200, 450, u"ŞİŞLİ GÜNEŞ ÇİÇEKÇİLİK LTD. ŞTİ."_s, taLeftJustify });
        v.push_back({ 200, 510, u"Büyükdere Cad. No: 12/3"_s, taLeftJustify });
        v.push_back({ 1500, 510, u"Boğaziçi V.D. 1234567890"_s, taLeftJustify });
        const QString items[]
            = { u"Çiçek aranjmanı"_s, u"Süs ağacı (küçük)"_s, u"Gübre"_s, u"Toprak ıslah"_s,
                  u"Şeker kamışı"_s, u"Öğütülmüş kabuk"_s, u"İğde fidanı"_s, u"Ilgın"_s };
        for (int i = 0; i < 8; ++i) {
            const long double y = 800 + i * 60;
            v.push_back({ 150, y, QString::number(i + 1) + u",5"_s, taLeftJustify });
            v.push_back({ 300, y, u"Adet"_s, taLeftJustify });
            v.push_back({ 450, y, items[i], taLeftJustify });
            v.push_back({ 1550, y, QString::number(100 + i * 7) + u",25"_s, taRightJustify });
            v.push_back({ 1900, y, QString::number(1000 + i * 77) + u",50"_s, taRightJustify });
        }
        v.push_back({ 1900, 1400, u"9.234,56"_s, taRightJustify });
        v.push_back({ 1900, 1460, u"1.662,22"_s, taRightJustify });
        v.push_back({ 1900, 1520, u"10.896,78"_s, taRightJustify });
        v.push_back({ 200, 1580, u"Yalnız: OnBinSekizYüzDoksanAltıTürkLirasıYetmişSekizKuruş"_s,
            taLeftJustify });
        return v;
    }();
    return lines;
}

TQRFont InvoiceFont()
{
    TQRFont f;
    f.Name = u"Arial"_s;
    f.Size = 10;
    f.CharSet = 162;
    return f;
}

QByteArray OursOnce()
{
    TQRPDFDocumentFilter filter(u"fatura.pdf"_s);
    auto sink = std::make_unique<TQRMemorySink>();
    TQRMemorySink *memory = sink.get();
    filter.SetSink(std::move(sink));
    filter.SetCodepage(u"8859-9"_s);
    filter.SetClock([] { return 45432.5; });
    filter.SetPixelScale(TPDFPixelScale::Screen(96));
    const TQRFont font = InvoiceFont();
    filter.Start(2100, 2970, font);
    filter.NewPage();
    for (const TLine &l : Invoice())
        filter.TextOut(l.X, l.Y, font, Qt::white, l.Align, l.Text);
    filter.EndPage();
    filter.Finish();
    return memory->Bytes();
}

QByteArray QtOnce()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(254); // one device pixel per native unit
        writer.setCreator(u"Velvanas"_s);
        QPainter painter(&writer);
        QFont font(u"Arial"_s);
        font.setPointSizeF(10);
        painter.setFont(font);
        const QFontMetrics fm(font, &writer);
        for (const TLine &l : Invoice()) {
            const int w = fm.horizontalAdvance(l.Text);
            const int x = static_cast<int>(l.X) - (l.Align == taRightJustify ? w : 0);
            painter.drawText(x, static_cast<int>(l.Y) + fm.ascent(), l.Text);
        }
    }
    return buffer.data();
}

double OursBytes = 0, QtBytes = 0;

void BM_PdfInvoiceOurs(benchmark::State &state)
{
    for (auto _ : state) {
        const QByteArray b = OursOnce();
        benchmark::DoNotOptimize(b.data());
        OursBytes = b.size();
    }
    state.counters["bytes"] = OursBytes;
}
BENCHMARK(BM_PdfInvoiceOurs)->Unit(benchmark::kMicrosecond);

void BM_PdfInvoiceQPdfWriter(benchmark::State &state)
{
    for (auto _ : state) {
        const QByteArray b = QtOnce();
        benchmark::DoNotOptimize(b.data());
        QtBytes = b.size();
    }
    state.counters["bytes"] = QtBytes;
}
BENCHMARK(BM_PdfInvoiceQPdfWriter)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("PDF of one invoice page (43 lines), time", "BM_PdfInvoiceOurs",
        "BM_PdfInvoiceQPdfWriter", "us", 1e-3);
    if (OursBytes > 0 && QtBytes > 0)
        std::printf("PDF of one invoice page, size: %.0f bytes (baseline %.0f, ratio %.2f)\n",
            OursBytes, QtBytes, OursBytes / QtBytes);
    benchmark::Shutdown();
    return 0;
}
