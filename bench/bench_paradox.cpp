// The first start in an old program's folder: importing a Paradox table of 10,000 invoices
// (read, write aside, check, put the old files away) beside merely reading the same table
// through pxlib and converting every record, which is the least any import must do.
//
// The table is written once into <temp>/levanta_bench_paradox and reused.

#include "RatioReporter.h"
#include "invoice/ParadoxImport.h"
#include "invoice/ParadoxTable.h"
#include "tests/support/ParadoxWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kInvoices = 10000;

QString Root()
{
    return QDir(QDir::tempPath()).filePath(u"levanta_bench_paradox"_s);
}
QString Source()
{
    return QDir(Root()).filePath(u"kaynak.DB"_s);
}

void EnsureSource()
{
    if (QFileInfo::exists(Source()))
        return;
    QDir().mkpath(Root());
    TParadoxWriter w(Source(), InvoiceLayout());
    for (int i = 0; i < kInvoices; ++i) {
        TInvoiceRecord r;
        r.REC_ID = i + 1;
        r.TARIH = u"%1.03.2018"_s.arg(i % 28 + 1);
        r.SAYIN1 = u"Müşteri Işıkçı Ltd. Şti. %1"_s.arg(i);
        r.SAYIN2 = u"Gazi Bulvarı No: %1"_s.arg(i % 300);
        r.SAYIN3 = u"ÇANKAYA / ANKARA"_s;
        r.VDAIRESI = u"Çankaya"_s;
        r.VNO = QString::number(1000000000 + i);
        for (size_t l = 0; l < 4; ++l) {
            r.M[l] = double(l + 1);
            r.C[l] = u"Ürün çeşidi %1"_s.arg(l + 1);
            r.F[l] = 10.25 * double(l + 1);
            r.T[l] = r.M[l] * r.F[l];
            r.B[l] = u"Adet"_s;
        }
        r.YEKUN = 307.5;
        r.KDV = 55.35;
        r.TOPLAM = 362.85;
        r.YANLIZ = u"ÜÇYÜZALTMIŞİKİ TL SEKSENBEŞ KR"_s;
        w.Put(ValuesOf(r));
    }
}

void BM_ParadoxImport(benchmark::State &state)
{
    EnsureSource();
    const QString folder = QDir(Root()).filePath(u"klasor"_s);
    for (auto _ : state) {
        state.PauseTiming();
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QFile::copy(Source(), QDir(folder).filePath(u"fatura.DB"_s));
        state.ResumeTiming();
        const auto result = ESKI_TABLOYU_AKTAR(folder);
        if (!result || result->Records != kInvoices)
            state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ParadoxImport)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ParadoxRead(benchmark::State &state)
{
    EnsureSource();
    for (auto _ : state) {
        TParadoxTable table(Source());
        const TParadoxFieldPlan plan = PlanFields(table);
        for (int i = 0; i < table.RecordCount(); ++i) {
            table.ReadRecord(i);
            benchmark::DoNotOptimize(ConvertRecord(table, plan));
        }
    }
}
BENCHMARK(BM_ParadoxRead)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio(
        "import of 10,000 Paradox invoices", "BM_ParadoxImport", "BM_ParadoxRead", "ms", 1e-6);
    reporter.PrintWallRatio(
        "import of 10,000 Paradox invoices", "BM_ParadoxImport", "BM_ParadoxRead", "ms", 1e-6);
    benchmark::Shutdown();
    return 0;
}
