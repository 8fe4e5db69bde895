// The page store at invoice-run scale and the page compressor beside zlib.
//   pages added per second          baseline: the same bytes appended to one memory buffer
//   pages read in order per second  baseline: the store's bytes read straight through
//   hops per page in order          baseline: hops per page when reading at random
//   pages read at random per second baseline: in order
//   compressor MB/s, both ways      baseline: zlib level 6
//   compressed size / plain size    baseline: zlib level 6
// The pages are genuine recorded ones: invoice-like lines of text whose words depend on the
// page number, so that pages differ as an invoice run's do.

#include "bench/RatioReporter.h"
#include "platform/EmfRecorder.h"
#include "report/QRCompress.h"
#include "report/QRPageList.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#ifdef LEVANTA_HAVE_ZLIB
#include <zlib.h>

using namespace Qt::StringLiterals;
#endif

namespace
{

constexpr int PageCount = 10000;
constexpr int RandomReads = 1000;

struct TFigure {
    std::string name, unit;
    double value = 0, baseline = 0;
};
std::vector<TFigure> Figures;

void Report(const std::string &name, const std::string &unit, double value, double baseline)
{
    Figures.push_back({ name, unit, value, baseline });
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A recorded A4 page at 96 dpi of about payload bytes.
QByteArray MakePage(int seed, int payload)
{
    static const char *const words[] = { "FATURA ", "YEKUN ", "K.D.V. ", "TOPLAM ", "Yalniz ",
        "1.234,56 ", "Adet ", "Kalem ", "ISTANBUL " };
    TEmfRecorder page(QSize(794, 1123), 96);
    page.SelectFont(TCanvasFont {});
    std::uint32_t state = static_cast<std::uint32_t>(seed) * 2654435761u + 1;
    // A text record of six words costs about 150 bytes.
    for (int line = 0; line * 150 < payload; ++line) {
        QString text;
        for (int i = 0; i < 6; ++i) {
            state = state * 1103515245u + 12345u;
            text += QString::fromLatin1(words[(state >> 16) % 9]);
        }
        page.TextOut(QPoint(40, 40 + 18 * (line % 55)), text + QString::number(seed));
    }
    return page.Finish();
}

const std::vector<QByteArray> &Pages()
{
    static const std::vector<QByteArray> pages = [] {
        std::vector<QByteArray> v;
        v.reserve(PageCount);
        for (int i = 1; i <= PageCount; ++i)
            v.push_back(MakePage(i, 2500 + i % 700));
        return v;
    }();
    return pages;
}

QByteArray Sample()
{
    static const QByteArray sample = [] {
        QByteArray all;
        const QDir dir(QString::fromUtf8(LEVANTA_SHARED_DIR "/fixtures/emf"));
        for (const QString &name : dir.entryList({ u"*.emf"_s }, QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                all += f.readAll();
        }
        if (all.isEmpty())
            for (int i = 1; i <= 200; ++i)
                all += MakePage(i, 3000);
        return all;
    }();
    return sample;
}

void BM_PageStore(benchmark::State &state)
{
    const auto &pages = Pages();
    std::int64_t bytes = 0;
    for (const QByteArray &p : pages)
        bytes += p.size();

    for (auto _ : state) {
        // Baseline: the bare copy of the same bytes.
        auto t0 = std::chrono::steady_clock::now();
        QByteArray flat;
        for (const QByteArray &p : pages)
            flat += p;
        benchmark::DoNotOptimize(flat.data());
        const double flatSeconds = Seconds(t0);

        TQRPageList list;
        list.SetStream(std::make_unique<TQRStream>(250000));
        t0 = std::chrono::steady_clock::now();
        for (const QByteArray &p : pages)
            list.AddPage(p);
        list.Finish();
        const double addSeconds = Seconds(t0);
        Report("pages added", "pages/s", PageCount / addSeconds, PageCount / flatSeconds);

        // Baseline for reading: the spill file read straight through, page-sized pieces.
        QFile raw(list.Stream()->FileName());
        raw.open(QIODevice::ReadOnly);
        t0 = std::chrono::steady_clock::now();
        for (const QByteArray &p : pages)
            benchmark::DoNotOptimize(raw.read(p.size() + 12));
        const double rawSeconds = Seconds(t0);

        std::int64_t hops = list.Hops();
        t0 = std::chrono::steady_clock::now();
        for (int n = 1; n <= PageCount; ++n)
            if (list.GetPage(n)->size() != pages[n - 1].size())
                state.SkipWithError("page read back wrong");
        const double orderSeconds = Seconds(t0);
        const double orderHops = double(list.Hops() - hops) / PageCount;

        std::mt19937 rng(42);
        std::uniform_int_distribution<int> pick(1, PageCount);
        hops = list.Hops();
        t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < RandomReads; ++i)
            benchmark::DoNotOptimize(list.GetPage(pick(rng)));
        const double randomSeconds = Seconds(t0);
        const double randomHops = double(list.Hops() - hops) / RandomReads;

        Report("pages read in order", "pages/s", PageCount / orderSeconds, PageCount / rawSeconds);
        Report("hops per page in order", "hops", orderHops, randomHops);
        Report("pages read at random", "pages/s", RandomReads / randomSeconds,
            PageCount / orderSeconds);
        state.counters["store_MB"] = double(list.Stream()->Size()) / 1e6;
        state.counters["hops_in_order"] = orderHops;
        state.counters["hops_at_random"] = randomHops;
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_PageStore)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Compressor(benchmark::State &state)
{
    const QByteArray plain = Sample();
    const double mb = plain.size() / 1e6;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        const QByteArray coded = TQRCompress::CompressBytes(plain);
        const double packSeconds = Seconds(t0);
        t0 = std::chrono::steady_clock::now();
        const QByteArray back = TQRCompress::ExpandBytes(coded, plain.size());
        const double unpackSeconds = Seconds(t0);
        if (back != plain)
            state.SkipWithError("compressor round trip failed");

        double zPack = 0, zUnpack = 0, zRatio = 0;
#ifdef LEVANTA_HAVE_ZLIB
        std::vector<Bytef> z(compressBound(plain.size()));
        uLongf zLen = z.size();
        t0 = std::chrono::steady_clock::now();
        compress2(
            z.data(), &zLen, reinterpret_cast<const Bytef *>(plain.constData()), plain.size(), 6);
        zPack = Seconds(t0);
        std::vector<Bytef> zBack(plain.size());
        uLongf zBackLen = zBack.size();
        t0 = std::chrono::steady_clock::now();
        uncompress(zBack.data(), &zBackLen, z.data(), zLen);
        zUnpack = Seconds(t0);
        zRatio = double(zLen) / plain.size();
#endif
        Report("compressor packing", "MB/s", mb / packSeconds, zPack > 0 ? mb / zPack : 0);
        Report("compressor unpacking", "MB/s", mb / unpackSeconds, zUnpack > 0 ? mb / zUnpack : 0);
        Report("compressed size / plain size", "", double(coded.size()) / plain.size(), zRatio);
        state.counters["sample_MB"] = mb;
    }
}
BENCHMARK(BM_Compressor)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the recorder measures its text
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const TFigure &f : Figures)
        PrintFigure(f.name, f.unit, f.value, f.baseline);
    return 0;
}
