// Cost of the form's arithmetic as the user pays it: one full recomputation over an
// in-memory form of eight filled lines. Baseline: the same arithmetic on plain doubles.
// Target: well under 0.1 ms. (The same recomputation behind real edits is app's own
// benchmark, bench_app_numeric_edit.)

#include "invoice/Totals.h"
#include "platform/NumberFormat.h"
#include "printing/PrintSettings.h"

#include "bench/RatioReporter.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

const TFormatSettings kTr = TFormatSettings::Turkish();
const QString kMoney = kDefaultDisplayFormat.toString();
const QString kQuantity = kQuantityFormat.toString();

// The form's field without a widget: its text, formatted and parsed as the edit does.
class TTextField final : public INumericField
{
public:
    explicit TTextField(QString pattern)
        : Pattern(std::move(pattern))
    {
    }
    long double Value() override
    {
        if (Text.isEmpty()) {
            Text = FormatFloat(Pattern, 0, kTr);
            return 0;
        }
        return ParseNumericText(Text, kTr);
    }
    void SetValue(long double v) override { Text = FormatFloat(Pattern, v, kTr); }
    QString Pattern, Text;
};

const double kQuantities[8] = { 3, 1, 2, 12, 1, 5, 7, 1 };
const double kPrices[8] = { 12.5, 20.99, 10.55, 99.99, 1000, 0.35, 14.2, 3.75 };

void BM_TotalsInMemory(benchmark::State &state)
{
    std::vector<std::unique_ptr<TTextField>> fields;
    auto make = [&](const QString &pattern) {
        fields.push_back(std::make_unique<TTextField>(pattern));
        return fields.back().get();
    };
    TTotalsForm form;
    for (int n = 0; n < 8; ++n) {
        form.M[n] = make(kQuantity);
        form.F[n] = make(kMoney);
        form.T[n] = make(kMoney);
        form.M[n]->SetValue(kQuantities[n]);
        form.F[n]->SetValue(kPrices[n]);
    }
    form.YEKUN = make(kMoney);
    form.KDV = make(kMoney);
    form.TOPLAM = make(kMoney);
    QString yalniz;
    form.SetYalniz = [&](const QString &t) { yalniz = t; };
    form.OranText = [] { return u"18"_s; };
    for (auto _ : state) {
        YEKUN_KDV_TOPLAM(form, kTr);
        benchmark::DoNotOptimize(yalniz);
    }
}
BENCHMARK(BM_TotalsInMemory);

void BM_TotalsPlainDoubles(benchmark::State &state)
{
    std::array<double, 8> m {}, f {}, t {};
    for (int n = 0; n < 8; ++n) {
        m[n] = kQuantities[n];
        f[n] = kPrices[n];
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(m.data());
        double s = 0;
        for (int n = 0; n < 8; ++n) {
            t[n] = std::round(m[n] * f[n] * 100) / 100;
            s += t[n];
        }
        const double vat = std::trunc(18 * s) / 100;
        benchmark::DoNotOptimize(s + vat);
    }
}
BENCHMARK(BM_TotalsPlainDoubles);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("YEKUN_KDV_TOPLAM on the in-memory form", "BM_TotalsInMemory",
        "BM_TotalsPlainDoubles", "ns", 1.0, 100000);
    benchmark::Shutdown();
    return 0;
}
