// Cost of one number text, as the form pays it on every field exit and every recompute:
// FormatFloat with the money pattern beside QLocale's fixed formatting, ParseNumericText
// beside QLocale's toDouble of the same text.
#include "platform/NumberFormat.h"

#include <QLocale>
#include <QString>

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
// baseline.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> Nanoseconds;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                Nanoseconds[r.run_name.function_name]
                    = r.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const struct {
        const char *Figure, *Ours, *Baseline;
    } pairs[] = {
        { "FormatFloat money pattern per call", "BM_FormatFloat", "BM_QLocaleToString" },
        { "ParseNumericText per call", "BM_ParseNumericText", "BM_QLocaleToDouble" },
    };
    for (const auto &p : pairs) {
        const auto ours = reporter.Nanoseconds.find(p.Ours);
        const auto base = reporter.Nanoseconds.find(p.Baseline);
        if (ours == reporter.Nanoseconds.end() || base == reporter.Nanoseconds.end())
            continue;
        std::printf("%s: %.0f ns (baseline %.0f ns, ratio %.2f)\n", p.Figure, ours->second,
            base->second, ours->second / base->second);
    }
    benchmark::Shutdown();
    return 0;
}
