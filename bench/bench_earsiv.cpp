// The e-Arşiv export as a user pays for it: one invoice's document (built and written, without
// numbering), numbering 10,000 invoices in one go on the SQLite file (durable commits), and
// writing 10,000 documents to files. Baselines: the XML writer alone emitting as many
// elements, and plain SQLite inserting as many rows of the same size in one transaction.

#include "earsiv/EArsivBuild.h"
#include "earsiv/UblNames.h"
#include "earsiv/UblWriter.h"
#include "earsiv/UnitCodes.h"
#include "invoice/SqliteInvoiceStore.h"
#include "platform/Sqlite.h"

#include "bench/RatioReporter.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <QUuid>
#include <QXmlStreamWriter>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kBatch = 10'000;

TEArsivInput Input()
{
    TEArsivInput in;
    TInvoiceFormValues &f = in.Form;
    f.TARIH = u"09.12.2026"_s;
    f.SAYIN1 = u"Şahin Çelik Ağaç İşleri Ltd. Şti."_s;
    f.SAYIN2 = u"Atatürk Cad. No:5"_s;
    f.SAYIN3 = u"Çankaya Ankara"_s;
    f.VERGIDAIRESI = u"Çankaya"_s;
    f.VERGIHESAPNO = u"1234567890"_s;
    long double yekun = 0;
    for (int i = 0; i < 8; ++i) {
        f.M[size_t(i)] = i + 1;
        f.B[size_t(i)] = u"Adet"_s;
        f.C[size_t(i)] = u"Ürün %1 — çağdaş şekerli"_s.arg(i + 1);
        f.F[size_t(i)] = 10.25L * (i + 1);
        f.T[size_t(i)] = f.M[size_t(i)] * f.F[size_t(i)];
        yekun += f.T[size_t(i)];
    }
    f.YEKUN = yekun;
    f.KDV = std::trunc(yekun * 20) / 100; // 2091.00 × 20 % is exact
    f.TOPLAM = f.YEKUN + f.KDV;
    f.YALNIZ = u"#İkiBinBeşYüzAltmışTürkLirası#"_s;
    in.Seller = { u"Öztürk Kırtasiye"_s, u"1234567890"_s, {}, {}, {}, u"Kızılbey"_s,
        u"İnönü Bulvarı 12"_s, u"Çankaya"_s, u"Ankara"_s, u"Türkiye"_s, {}, {}, u"LVN"_s };
    in.Buyer = { u"1234567890"_s, {}, {}, u"Çankaya"_s, u"Ankara"_s };
    in.Rate = 20;
    in.Export = { 1, u"LVN2026000000001"_s, u"3f2504e0-4f89-41d3-9a0c-0305e82c3301"_s,
        QDateTime(QDate(2026, 12, 9), QTime(14, 5, 30)), QDate(2026, 12, 9), 20, {} };
    in.UnitCode = [](const QString &unit) { return KnownUnitCode(unit); };
    return in;
}

QByteArray Document(const TEArsivInput &in)
{
    const TEArsivBuild built = BuildEArsiv(in);
    if (!built.Invoice)
        qFatal("%s", qPrintable(built.Problems.join(u'\n')));
    return WriteUbl(*built.Invoice);
}

void BM_OneInvoiceDocument(benchmark::State &state)
{
    const TEArsivInput in = Input();
    for (auto _ : state)
        benchmark::DoNotOptimize(Document(in));
}
BENCHMARK(BM_OneInvoiceDocument);

// The floor: the XML writer emitting as many elements with the same texts.
void BM_XmlWriterAlone(benchmark::State &state)
{
    const QByteArray doc = Document(Input());
    const int elements = int(doc.count("</cbc:")) + int(doc.count("</cac:"));
    for (auto _ : state) {
        QByteArray out;
        QXmlStreamWriter w(&out);
        w.setAutoFormatting(true);
        w.writeStartDocument();
        w.writeStartElement(u"Invoice"_s);
        for (int i = 0; i < elements; ++i)
            w.writeTextElement(kUblCbcNs, u"Name"_s, u"Ürün çağdaş"_s);
        w.writeEndDocument();
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_XmlWriterAlone);

std::vector<TNumberRequest> Requests()
{
    std::vector<TNumberRequest> requests;
    for (int i = 1; i <= kBatch; ++i)
        requests.push_back({ i, u"LVN"_s, QDate(2026, 1, 1).addDays(i / 40),
            QUuid::createUuid().toString(QUuid::WithoutBraces), QDateTime::currentDateTime(), 20,
            QString(64, u'a') });
    return requests;
}

void BM_Number10000(benchmark::State &state)
{
    const std::vector<TNumberRequest> requests = Requests();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto store = OpenSqliteStore(dir.filePath(u"fatura.DB"_s));
        state.ResumeTiming();
        benchmark::DoNotOptimize(store->EArsiv().Number(requests));
    }
}
BENCHMARK(BM_Number10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PlainSqliteRows10000(benchmark::State &state)
{
    const std::vector<TNumberRequest> requests = Requests();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        TSqliteDatabase db(
            dir.filePath(u"plain.db"_s), TSqliteDatabase::TOpenMode::ReadWriteCreate);
        db.Exec("PRAGMA synchronous = FULL");
        db.Exec("CREATE TABLE t (a INTEGER PRIMARY KEY, b TEXT, c TEXT, d TEXT, e TEXT)");
        state.ResumeTiming();
        db.Exec("BEGIN");
        TSqliteStatement insert = db.Prepare("INSERT INTO t VALUES (?1, ?2, ?3, ?4, ?5)");
        for (const TNumberRequest &q : requests) {
            TSqliteResetGuard guard(insert);
            insert.BindInt(1, q.RecId);
            insert.BindText(2, q.Ettn);
            insert.BindText(3, q.Ozet);
            insert.BindText(4, q.Seri);
            insert.BindText(5, q.Tarih.toString(Qt::ISODate));
            insert.Run();
        }
        db.Exec("COMMIT");
    }
}
BENCHMARK(BM_PlainSqliteRows10000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Each document built, written aside and renamed into place, as the batch export does.
void BM_WriteDocumentFile(benchmark::State &state)
{
    QTemporaryDir dir;
    TEArsivInput in = Input();
    int n = 0;
    for (auto _ : state) {
        in.Export.Numara = EArsivNumber(u"LVN"_s, 2026, ++n % 1000 + 1);
        QSaveFile file(dir.filePath(in.Export.Numara + u".xml"_s));
        file.open(QIODevice::WriteOnly);
        file.write(Document(in));
        file.commit();
    }
}
BENCHMARK(BM_WriteDocumentFile);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio(
        "one invoice's e-Arşiv XML", "BM_OneInvoiceDocument", "BM_XmlWriterAlone", "ms", 1e-6, 1.0);
    reporter.PrintRatio("numbering 10,000 invoices, durable", "BM_Number10000",
        "BM_PlainSqliteRows10000", "s", 1e-9, 2.0);
    // Per document in microseconds: 5,000 a second is 200 µs each.
    reporter.PrintRatio("writing one XML file of a batch", "BM_WriteDocumentFile",
        "BM_OneInvoiceDocument", "us", 1e-3, 200.0);
    benchmark::Shutdown();
    return 0;
}
