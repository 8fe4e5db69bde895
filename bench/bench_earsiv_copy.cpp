// The e-Arşiv copy of one page (header blocks, eight lines, totals, karekod) through our
// engine, beside QPdfWriter drawing the same texts and rectangles.
//   copy into a recorded page (lay out + QR + run)   target 10 ms
//   copy as a PDF (lay out + QR + export)            target 20 ms
//   baseline of both: QPdfWriter drawing what our export drew
#include "RatioReporter.h"

#include "earsiv/EArsivInvoice.h"
#include "platform/TextMetrics.h"
#include "preview/QRPDFFilt.h"
#include "printing/EArsivCopy.h"
#include "report/QRUnits.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace
{

TEArsivInvoice Invoice()
{
    TEArsivInvoice inv;
    inv.Number = u"LVN2026000000042"_s;
    inv.Ettn = u"3f2b8c1e-5a7d-4e9b-9c0a-1d2e3f4a5b6c"_s;
    inv.IssueDate = QDate(2026, 3, 14);
    inv.IssueTime = QTime(14, 30, 5);
    inv.Seller = { u"1234567890"_s, {}, u"Çağlayan Şişecilik Ltd. Şti."_s, {}, {}, u"Kadıköy"_s,
        u"Gül Sokak No:7"_s, u"Kadıköy"_s, u"İstanbul"_s, u"Türkiye"_s, u"0216 555 12 34"_s, {} };
    inv.Buyer = { u"9876543210"_s, {}, u"Ilgın Işıklı Ticaret A.Ş."_s, {}, {}, u"Çankaya"_s,
        u"Atatürk Bulvarı No:101"_s, u"Çankaya"_s, u"Ankara"_s, u"Türkiye"_s, {}, {} };
    for (int i = 1; i <= 8; ++i) {
        TEArsivLine l;
        l.Id = i;
        l.Name = u"Paslanmaz çelik şaft, ağır hizmet tipi "_s + QString::number(i);
        l.Quantity = { 25, 1 };
        l.UnitCode = u"KGM"_s;
        l.UnitName = u"Kg"_s;
        l.Price = Kurus(123456);
        l.Amount = Kurus(308640);
        l.VatPercent = 20;
        l.VatAmount = Kurus(61728);
        inv.Lines.push_back(l);
    }
    inv.Taxes = { { 20, Kurus(2469120), Kurus(493824), {}, {} } };
    inv.LineExtension = inv.TaxExclusive = Kurus(2469120);
    inv.TaxInclusive = inv.Payable = Kurus(2962944);
    inv.Notes = { u"Yalnız #YirmiDokuzBinDokuzYüzYirmiDokuzTL#"_s };
    return inv;
}

// What an export hands over, kept to be drawn again by QPdfWriter.
class TCapture : public TQRExportFilter
{
public:
    TCapture()
        : TQRExportFilter(u"capture"_s)
    {
    }
    struct TText {
        long double X, Y;
        TQRFont Font;
        TAlignment Align;
        QString Text;
    };
    std::vector<TText> Texts;
    std::vector<QRectF> Rects;
    void TextOut(long double x, long double y, const TQRFont &font, const QColor &, TAlignment a,
        const QString &text) override
    {
        Texts.push_back({ x, y, font, a, text });
    }
    void AcceptRect(
        long double x, long double y, long double w, long double h, const QColor &) override
    {
        Rects.push_back(QRectF(static_cast<double>(x), static_cast<double>(y),
            static_cast<double>(w), static_cast<double>(h)));
    }
};

TEArsivCopy &Copy()
{
    static TEArsivCopy copy(TFormatSettings::Turkish(), ScreenTextMetrics(96));
    return copy;
}

void BM_EArsivCopyIntoRecordedPage(benchmark::State &state)
{
    const TEArsivInvoice inv = Invoice();
    for (auto _ : state) {
        Copy().NUSHA_HAZIRLA(inv);
        Copy().Report().Prepare();
        benchmark::DoNotOptimize(Copy().Report().QRPrinter()->GetPage(1));
    }
}

double OursBytes = 0, QtBytes = 0;

void BM_EArsivCopyPdf(benchmark::State &state)
{
    const TEArsivInvoice inv = Invoice();
    for (auto _ : state) {
        Copy().NUSHA_HAZIRLA(inv);
        TQRPDFDocumentFilter filter(u"nusha.pdf"_s);
        auto sink = std::make_unique<TQRMemorySink>();
        TQRMemorySink *memory = sink.get();
        filter.SetSink(std::move(sink));
        filter.SetCodepage(Copy().Report().ExportCodepage());
        filter.SetClock([] { return 46095.5; });
        Copy().Report().ExportToFilter(&filter);
        OursBytes = memory->Bytes().size();
        benchmark::DoNotOptimize(memory->Bytes().data());
    }
    state.counters["bytes"] = OursBytes;
}

void BM_QPdfWriterSamePage(benchmark::State &state)
{
    TCapture capture;
    Copy().NUSHA_HAZIRLA(Invoice());
    Copy().Report().ExportToFilter(&capture);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&buffer);
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            writer.setResolution(254); // one device pixel per native unit
            QPainter painter(&writer);
            for (const QRectF &r : capture.Rects)
                painter.fillRect(r, Qt::black);
            for (const TCapture::TText &t : capture.Texts) {
                QFont font(t.Font.Name);
                font.setPointSize(t.Font.PointSize());
                font.setBold(t.Font.Bold);
                painter.setFont(font);
                const QFontMetrics fm(font, &writer);
                const int w = fm.horizontalAdvance(t.Text);
                int x = static_cast<int>(t.X);
                if (t.Align == taRightJustify)
                    x -= w;
                else if (t.Align == taCenter)
                    x -= w / 2;
                painter.drawText(x, static_cast<int>(t.Y) + fm.ascent(), t.Text);
            }
        }
        QtBytes = buffer.data().size();
        benchmark::DoNotOptimize(buffer.data().data());
    }
    state.counters["bytes"] = QtBytes;
}

BENCHMARK(BM_EArsivCopyIntoRecordedPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EArsivCopyPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPdfWriterSamePage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    SetQRScreenResolution(96);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("e-Arsiv copy into a recorded page vs QPdfWriter drawing the same page",
        "BM_EArsivCopyIntoRecordedPage", "BM_QPdfWriterSamePage", "ms", 1e-6, 10);
    reporter.PrintRatio("e-Arsiv copy as a PDF vs QPdfWriter drawing the same page",
        "BM_EArsivCopyPdf", "BM_QPdfWriterSamePage", "ms", 1e-6, 20);
    if (OursBytes > 0 && QtBytes > 0)
        PrintFigure("e-Arsiv copy PDF size", "bytes", OursBytes, QtBytes);
    benchmark::Shutdown();
    return 0;
}
