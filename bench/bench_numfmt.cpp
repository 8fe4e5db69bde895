// Cost of one number text, as the form pays it on every field exit and every recompute:
// FormatFloat with the money pattern beside QLocale's fixed formatting, ParseNumericText
// beside QLocale's toDouble of the same text.
#include "platform/NumberFormat.h"

#include <QLocale>
#include <QString>

#include "bench/RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

const long double kValues[]
    = { 0, 12.5L, 1234.5L, 37.5L, 20.01L, 1234567.891L, 0.125L, 99999.995L };
const QString kTexts[] = { u",00"_s, u"12,50"_s, u"1.234,50"_s, u"37,50"_s, u"20,01"_s,
    u"1.234.567,89"_s, u"0,13"_s, u"100.000,00"_s };

void BM_FormatFloat(benchmark::State &state)
{
    const TFormatSettings fs = TFormatSettings::Turkish();
    const QString pattern = u",0.00;-,0.00"_s;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatFloat(pattern, kValues[i++ % std::size(kValues)], fs));
    }
}
BENCHMARK(BM_FormatFloat);

void BM_QLocaleToString(benchmark::State &state)
{
    const QLocale tr(QLocale::Turkish, QLocale::Turkey);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            tr.toString(static_cast<double>(kValues[i++ % std::size(kValues)]), 'f', 2));
    }
}
BENCHMARK(BM_QLocaleToString);

void BM_ParseNumericText(benchmark::State &state)
{
    const TFormatSettings fs = TFormatSettings::Turkish();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseNumericText(kTexts[i++ % std::size(kTexts)], fs));
    }
}
BENCHMARK(BM_ParseNumericText);

void BM_QLocaleToDouble(benchmark::State &state)
{
    const QLocale tr(QLocale::Turkish, QLocale::Turkey);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tr.toDouble(kTexts[i++ % std::size(kTexts)]));
    }
}
BENCHMARK(BM_QLocaleToDouble);

// Keeps the time per call of every run so that main can print each figure beside its
} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio(
        "FormatFloat money pattern per call", "BM_FormatFloat", "BM_QLocaleToString");
    reporter.PrintRatio("ParseNumericText per call", "BM_ParseNumericText", "BM_QLocaleToDouble");
    benchmark::Shutdown();
    return 0;
}
