// The page store at invoice-run scale and the page compressor beside zlib.
//   pages added per second          baseline: the same bytes appended to one memory buffer
//   pages read in order per second  baseline: the store's bytes read straight through
//   hops per page in order          baseline: hops per page when reading at random
//   pages read at random per second baseline: in order
//   compressor MB/s, both ways      baseline: zlib level 6
//   compressed size / plain size    baseline: zlib level 6
#include "report/QRCompress.h"
#include "report/QRPageList.h"
#include "tests/report/EmfBytes.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#ifdef LEVANTA_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

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

const std::vector<QByteArray> &Pages()
{
    static const std::vector<QByteArray> pages = [] {
        std::vector<QByteArray> v;
        v.reserve(PageCount);
        for (int i = 1; i <= PageCount; ++i)
            v.push_back(emfbytes::Make(i, 2500 + i % 700));
        return v;
    }();
    return pages;
}

QByteArray Sample()
{
    static const QByteArray sample = [] {
        QByteArray all;
        const QDir dir(QStringLiteral(LEVANTA_SHARED_DIR "/fixtures/emf"));
        for (const QString &name : dir.entryList({ QStringLiteral("*.emf") }, QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                all += f.readAll();
        }
        if (all.isEmpty())
            for (int i = 1; i <= 200; ++i)
                all += emfbytes::Make(i, 3000);
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
        Report("pages read at random", "pages/s", RandomReads / randomSeconds, PageCount / orderSeconds);
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
        compress2(z.data(), &zLen, reinterpret_cast<const Bytef *>(plain.constData()), plain.size(), 6);
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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // to_chars, not printf: the process locale may want decimal commas.
    auto text = [](double v) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 4);
        return std::string(buf, r.ptr);
    };
    for (const TFigure &f : Figures) {
        const double ratio = f.baseline != 0 ? f.value / f.baseline : 0;
        std::printf("%s: %s %s (baseline %s, ratio %s)\n", f.name.c_str(), text(f.value).c_str(),
                    f.unit.c_str(), text(f.baseline).c_str(), text(ratio).c_str());
    }
    return 0;
}
