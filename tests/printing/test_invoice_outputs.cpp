// What a typed invoice becomes, byte for byte: the saved report (.QRP), the PDF and the
// settings file after a layout save. Any change to how fields are listed or walked must leave
// these files as they were; a deliberate change of output rebuilds them with
// LEVANTA_UPDATE_GOLDEN=1 after its difference was checked.

#include "preview/QRPDFFilt.h"
#include "printing/InvoiceReport.h"
#include "printing/PrintSettings.h"
#include "report/QRPageList.h"
#include "report/QRPrntr.h"
#include "report/QRUnits.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

TInvoiceFormValues Invoice()
{
    TInvoiceFormValues v;
    v.TARIH = u"09.12.2026"_s;
    v.SAYIN1 = u"ŞAHİN ÇELİK AĞAÇ İŞLERİ"_s;
    v.SAYIN2 = u"Atatürk Cad. No:5"_s;
    v.SAYIN3 = u"Çankaya / Ankara"_s;
    v.VERGIDAIRESI = u"Kızılbey"_s;
    v.VERGIHESAPNO = u"1234567890"_s;
    for (int i = 0; i < 8; ++i) {
        v.M[size_t(i)] = i + 1;
        v.B[size_t(i)] = u"Adet"_s;
        v.C[size_t(i)] = u"Ürün %1 çağdaş"_s.arg(i + 1);
        v.F[size_t(i)] = 10.5L * (i + 1);
        v.T[size_t(i)] = v.M[size_t(i)] * v.F[size_t(i)];
    }
    v.F[3] = 20995;
    v.YEKUN = 1512;
    v.KDV = 302.4L;
    v.TOPLAM = 1814.4L;
    v.YALNIZ = u"#BinSekizYüzOnDörtTürkLirasıKırkKuruş#"_s;
    v.ORAN = u"20"_s;
    return v;
}

void ExpectGolden(const QByteArray &bytes, const char *name)
{
    const QString golden
        = QString::fromUtf8(LEVANTA_SOURCE_DIR "/tests/printing/golden/") + QLatin1StringView(name);
    if (qEnvironmentVariableIsSet("LEVANTA_UPDATE_GOLDEN"))
        WriteBytes(golden, bytes);
    EXPECT_EQ(bytes, ReadBytes(golden)) << name << " differs from its golden file";
}

} // namespace

TEST(InvoiceOutputs, SavedReportPdfAndSettingsStayByteIdentical)
{
    SetQRScreenResolution(96);
    QRSetNow([] { return 46000.5; }); // the saved report keeps its time
    QTemporaryDir dir;
    TPrintSettings settings;
    for (int i = 0; i < kPositionCount; ++i)
        settings.Positions[i] = FormatPosition(40 + 17 * i, 30 + 11 * (i % 7));
    const QString ini = dir.filePath(u"fatura_ayar.ini"_s);
    SavePrintLayout(ini, settings);
    ExpectGolden(ReadBytes(ini), "invoice_layout.ini");

    TInvoiceReport rapor(TFormatSettings::Turkish());
    rapor.SAYFA_HAZIRLA(LoadPrintSettings(ini));
    rapor.RAPOR_DOLDUR(Invoice(), u"#,###.00"_s);
    rapor.RAPORX().Prepare();
    ASSERT_TRUE(rapor.RAPORX().QRPrinter());
    const QString qrp = dir.filePath(u"fatura.QRP"_s);
    rapor.RAPORX().QRPrinter()->Save(qrp);
    ExpectGolden(ReadBytes(qrp), "invoice.QRP");

    const QString pdf = dir.filePath(u"fatura.pdf"_s);
    TQRPDFDocumentFilter filter(pdf);
    filter.SetClock([] { return 46000.5; });
    rapor.RAPORX().ExportToFilter(&filter);
    ExpectGolden(ReadBytes(pdf), "invoice.pdf");
}
