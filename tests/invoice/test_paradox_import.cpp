// The old program's Paradox table brought over on the first start. Every table here is
// written by pxlib itself, so the files are genuine Paradox tables.

#include "invoice/InvoiceTable.h"
#include "invoice/ParadoxImport.h"
#include "support/NoRootPrivileges.h"
#include "support/ParadoxWriter.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

// An invoice that fills every field, with the Turkish letters of code page 1254.
TInvoiceRecord FullInvoice(std::int32_t recId, int n = 0)
{
    TInvoiceRecord r;
    r.REC_ID = recId;
    r.TARIH = u"%1.01.2019"_s.arg(n % 28 + 1, 2, 10, QChar(u'0'));
    r.SAYIN1 = u"Şükrü Işıkoğlu Çiğdem Ödül Ltd. Şti. %1"_s.arg(n);
    r.SAYIN2 = u"İnönü Cad. No: 5/Ğ"_s;
    r.SAYIN3 = u"ÜSKÜDAR / İSTANBUL"_s;
    r.VDAIRESI = u"Üsküdar Vergi Dairesi"_s;
    r.VNO = u"1234567890"_s;
    for (size_t i = 0; i < 8; ++i) {
        r.M[i] = double(i + 1) + 0.25;
        r.C[i] = u"Kağıt çanta, ışıklı %1"_s.arg(i + 1);
        r.F[i] = 12.5 * double(i + 1);
        r.T[i] = r.M[i] * r.F[i];
        r.B[i] = u"Adet"_s;
    }
    r.YEKUN = 1234.56;
    r.KDV = 222.22;
    r.TOPLAM = 1456.78;
    r.YANLIZ = u"BİNDÖRTYÜZELLİALTI TL YETMİŞSEKİZ KR"_s;
    return r;
}

// Every file under a folder by relative path, with its bytes.
std::map<QString, QByteArray> Snapshot(const QString &folder)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(folder).relativeFilePath(path)] = ReadBytes(path);
    }
    return files;
}

class ParadoxImport : public ::testing::Test
{
protected:
    QString Folder() const { return Dir.path() + u"/"_s; }
    QString PathOf(const QString &name) const { return Dir.filePath(name); }

    void WriteTable(const std::vector<TInvoiceRecord> &records, int codePage = 1254)
    {
        TParadoxWriter w(PathOf(u"fatura.DB"_s), InvoiceLayout(), codePage);
        for (const TInvoiceRecord &r : records)
            w.Put(ValuesOf(r));
    }

    // The imported table's invoices, in table order.
    std::vector<TInvoiceRecord> Imported()
    {
        InvoiceTable t;
        t.Open(Folder());
        std::vector<TInvoiceRecord> records;
        for (int i = 0; i < t.RecordCount(); ++i)
            records.push_back(*t.ReadRecord(t.RecIdAt(i)));
        return records;
    }

    QTemporaryDir Dir;
};

// ---- What comes over ----

TEST_F(ParadoxImport, FullRecordsWithTurkishLettersKeepEveryFieldAndREC_ID)
{
    // Gaps in REC_ID (deleted invoices) stay gaps, so the order is the old one.
    const std::vector<TInvoiceRecord> old { FullInvoice(3, 0), FullInvoice(7, 1),
        FullInvoice(12, 2) };
    WriteTable(old);
    WriteBytes(PathOf(u"fatura.PX"_s), "primary index");
    WriteBytes(PathOf(u"FATURA.VAL"_s), "validity");
    WriteBytes(PathOf(u"fatura_ayar.ini"_s), "[GENEL]\n");
    const QByteArray table = ReadBytes(PathOf(u"fatura.DB"_s));

    const std::optional<TParadoxImportResult> result = ESKI_TABLOYU_AKTAR(Folder());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Records, 3);
    EXPECT_TRUE(result->Differences.isEmpty()) << result->Differences.join(u"\n"_s).toStdString();
    EXPECT_EQ(result->OldFilesFolder, PathOf(u"eski_paradox"_s));
    EXPECT_EQ(Imported(), old);

    // The old files lie aside untouched; only our own files are left in the folder.
    EXPECT_EQ(ReadBytes(PathOf(u"eski_paradox/fatura.DB"_s)), table);
    EXPECT_EQ(ReadBytes(PathOf(u"eski_paradox/fatura.PX"_s)), "primary index");
    EXPECT_EQ(ReadBytes(PathOf(u"eski_paradox/FATURA.VAL"_s)), "validity");
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files),
        (QStringList { u"fatura.DB"_s, u"fatura_ayar.ini"_s }));
    const QString message = result->Message();
    EXPECT_TRUE(message.contains(u"3 fatura"_s)) << message.toStdString();
    EXPECT_TRUE(message.contains(PathOf(u"eski_paradox"_s))) << message.toStdString();

    // The second start finds our own table and does nothing.
    EXPECT_FALSE(ESKI_TABLOYU_AKTAR(Folder()));
}

TEST_F(ParadoxImport, OnlyAParadoxHeaderIsImported)
{
    // No table at all, an SQLite table of ours, and bytes of something else: not ours to
    // import (the table's own opening judges them).
    EXPECT_FALSE(ESKI_TABLOYU_AKTAR(Folder()));
    {
        InvoiceTable t;
        t.Open(Folder());
    }
    EXPECT_FALSE(ESKI_TABLOYU_AKTAR(Folder()));
    WriteBytes(PathOf(u"fatura.DB"_s), QByteArray(4096, 'x'));
    EXPECT_FALSE(ESKI_TABLOYU_AKTAR(Folder()));
    EXPECT_FALSE(QFileInfo::exists(PathOf(u"eski_paradox"_s)));
}

// One row per layout the old program's folder may hold.
struct TLayoutCase {
    const char *Name;
    std::function<void(const QString &path)> Write;
    std::function<void(const std::vector<TInvoiceRecord> &, const TParadoxImportResult &)> Check;
};

class Layouts : public ParadoxImport, public ::testing::WithParamInterface<TLayoutCase>
{
};

TEST_P(Layouts, ImportAsTheyShould)
{
    GetParam().Write(PathOf(u"fatura.DB"_s));
    const std::optional<TParadoxImportResult> result = ESKI_TABLOYU_AKTAR(Folder());
    ASSERT_TRUE(result);
    GetParam().Check(Imported(), *result);
}

const QByteArray kAli = EncodeCodePage(u"Ali Işık"_s);

INSTANTIATE_TEST_SUITE_P(ParadoxImport, Layouts,
    ::testing::Values(
        // An empty table still becomes ours, so the next start does not ask again.
        TLayoutCase { "NoRecords", [](const QString &p) { TParadoxWriter(p, InvoiceLayout()); },
            [](const auto &rows, const auto &r) {
                EXPECT_TRUE(rows.empty());
                EXPECT_EQ(r.Records, 0);
            } },
        // An older layout without SAYIN3 and with a field of its own: what matches comes
        // over, the rest is listed for the user.
        TLayoutCase { "MissingAndExtraField",
            [](const QString &p) {
                std::vector<TPxFieldSpec> f = InvoiceLayout();
                f.erase(f.begin() + 4); // SAYIN3
                f.push_back({ "ACIKLAMA", pxfAlpha, 40 });
                TParadoxWriter w(p, f);
                TPxRecord v = ValuesOf(FullInvoice(1));
                v["ACIKLAMA"] = QByteArray("not");
                w.Put(v);
            },
            [](const auto &rows, const auto &r) {
                ASSERT_EQ(rows.size(), 1u);
                TInvoiceRecord expected = FullInvoice(1);
                expected.SAYIN3.clear();
                EXPECT_EQ(rows[0], expected);
                const QString d = r.Differences.join(u"\n"_s);
                EXPECT_TRUE(d.contains(u"SAYIN3"_s)) << d.toStdString();
                EXPECT_TRUE(d.contains(u"ACIKLAMA"_s)) << d.toStdString();
                EXPECT_TRUE(r.Message().contains(u"ACIKLAMA"_s));
            } },
        // A newer layout with wider texts: cut to the record's widths.
        TLayoutCase { "WiderFieldsAreCut",
            [](const QString &p) {
                std::vector<TPxFieldSpec> f = InvoiceLayout();
                f[2].Size = 100; // SAYIN1
                TParadoxWriter w(p, f);
                TPxRecord v = ValuesOf(FullInvoice(1));
                v["SAYIN1"] = EncodeCodePage(QString(90, u'Ş'));
                w.Put(v);
            },
            [](const auto &rows, const auto &) {
                ASSERT_EQ(rows.size(), 1u);
                EXPECT_EQ(rows[0].SAYIN1, QString(75, u'Ş'));
            } },
        // Without REC_ID the records are numbered in the table's order.
        TLayoutCase { "NoRecIdNumbersInTableOrder",
            [](const QString &p) {
                std::vector<TPxFieldSpec> f = InvoiceLayout();
                f.erase(f.begin());
                TParadoxWriter w(p, f);
                for (int i = 0; i < 3; ++i)
                    w.Put({ { "TARIH", QByteArray("1") },
                        { "SAYIN1", QByteArray(1, char('c' - i)) } });
            },
            [](const auto &rows, const auto &r) {
                ASSERT_EQ(rows.size(), 3u);
                EXPECT_EQ(rows[0].REC_ID, 1);
                EXPECT_EQ(rows[0].SAYIN1, u"c"_s);
                EXPECT_EQ(rows[2].REC_ID, 3);
                EXPECT_EQ(rows[2].SAYIN1, u"a"_s);
                EXPECT_TRUE(r.Message().contains(u"REC_ID"_s));
            } },
        // REC_IDs out of order would change the find list's order: numbered anew instead.
        TLayoutCase { "UnorderedRecIdsAreRenumbered",
            [](const QString &p) {
                TParadoxWriter w(p, InvoiceLayout());
                for (long id : { 5L, 2L, 9L })
                    w.Put({ { "REC_ID", id }, { "TARIH", QByteArray("1") },
                        { "SAYIN1", QByteArray::number(id) } });
            },
            [](const auto &rows, const auto &r) {
                ASSERT_EQ(rows.size(), 3u);
                EXPECT_EQ(rows[1].REC_ID, 2);
                EXPECT_EQ(rows[1].SAYIN1, u"2"_s);
                EXPECT_TRUE(r.Renumbered);
            } },
        // A header naming no code page is read as 1254.
        TLayoutCase { "NoCodePageMeans1254",
            [](const QString &p) {
                TParadoxWriter w(p, InvoiceLayout(), 0);
                w.Put({ { "REC_ID", 1L }, { "TARIH", QByteArray("1") }, { "SAYIN1", kAli } });
            },
            [](const auto &rows, const auto &) {
                ASSERT_EQ(rows.size(), 1u);
                EXPECT_EQ(rows[0].SAYIN1, u"Ali Işık"_s);
            } },
        // The DOS Turkish code page: the same letters have other bytes.
        TLayoutCase { "HeaderCodePageDecides",
            [](const QString &p) {
                TParadoxWriter w(p, InvoiceLayout(), 857);
                w.Put({ { "REC_ID", 1L }, { "TARIH", QByteArray("1") },
                    { "SAYIN1", EncodeCodePage(u"Çiğdem Şahin"_s, "CP857") } });
            },
            [](const auto &rows, const auto &) {
                ASSERT_EQ(rows.size(), 1u);
                EXPECT_EQ(rows[0].SAYIN1, u"Çiğdem Şahin"_s);
            } },
        // Bytes 1254 leaves without a character would arrive as invisible controls: they
        // show as U+FFFD, and the message counts the texts that held them.
        TLayoutCase { "BytesWithoutACharacterAreCounted",
            [](const QString &p) {
                TParadoxWriter w(p, InvoiceLayout());
                TPxRecord v = ValuesOf(FullInvoice(1));
                v["SAYIN1"] = QByteArray("A\x81"
                                         "B\x9E");
                v["C2"] = QByteArray("\x8D");
                w.Put(v);
            },
            [](const auto &rows, const auto &r) {
                ASSERT_EQ(rows.size(), 1u);
                EXPECT_EQ(rows[0].SAYIN1, u"A\uFFFDB\uFFFD"_s);
                EXPECT_EQ(rows[0].C[1], u"\uFFFD"_s);
                EXPECT_EQ(r.UnmappedTexts, 2);
                EXPECT_TRUE(r.Message().contains(u"2 metinde"_s)) << r.Message().toStdString();
            } },
        // Types that carry over: a date field into TARIH, whole numbers into amounts.
        TLayoutCase { "OtherTypesThatCarryOver",
            [](const QString &p) {
                std::vector<TPxFieldSpec> f = InvoiceLayout();
                f[1] = { "TARIH", pxfDate, 4 };
                f[7] = { "M1", pxfShort, 2 };
                TParadoxWriter w(p, f);
                // 15.01.2019 counted from 1.1.0001 as day 1.
                const long days = QDate(1, 1, 1).daysTo(QDate(2019, 1, 15)) + 1;
                w.Put({ { "REC_ID", 1L }, { "TARIH", days }, { "SAYIN1", QByteArray("x") },
                    { "M1", 4L } });
            },
            [](const auto &rows, const auto &) {
                ASSERT_EQ(rows.size(), 1u);
                EXPECT_EQ(rows[0].TARIH, u"15.01.2019"_s);
                EXPECT_EQ(rows[0].M[0], 4.0);
            } }),
    [](const auto &info) { return std::string(info.param.Name); });

// ---- What is refused, leaving every file as it was ----

struct TRefusalCase {
    const char *Name;
    std::function<void(const QString &path)> Spoil; // writes or damages fatura.DB
    const char16_t *Says;
};

class Refusals : public ParadoxImport, public ::testing::WithParamInterface<TRefusalCase>
{
};

TEST_P(Refusals, LeaveEveryFileUntouched)
{
    WriteTable({ FullInvoice(1), FullInvoice(2, 1) });
    WriteBytes(PathOf(u"fatura.PX"_s), "index");
    GetParam().Spoil(PathOf(u"fatura.DB"_s));
    const auto before = Snapshot(Folder());
    try {
        ESKI_TABLOYU_AKTAR(Folder());
        FAIL() << "no error";
    } catch (const EParadoxImportError &e) {
        EXPECT_TRUE(e.Message().contains(QString::fromUtf16(GetParam().Says)))
            << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(u"Hiçbir dosya değiştirilmedi"_s));
        EXPECT_TRUE(e.Message().contains(u"fatura.DB"_s)) << "names the file";
    }
    EXPECT_EQ(Snapshot(Folder()), before);
}

void Patch(const QString &path, qsizetype at, const QByteArray &bytes)
{
    QByteArray b = ReadBytes(path);
    b.replace(at, bytes.size(), bytes);
    WriteBytes(path, b);
}

INSTANTIATE_TEST_SUITE_P(ParadoxImport, Refusals,
    ::testing::Values(TRefusalCase { "WithoutTarihAndSayin1",
                          [](const QString &p) {
                              std::vector<TPxFieldSpec> f = InvoiceLayout();
                              f.erase(f.begin() + 1, f.begin() + 3);
                              TParadoxWriter(p, f).Put({ { "REC_ID", 1L } });
                          },
                          u"TARIH ve SAYIN1" },
        // The last data block cut off.
        TRefusalCase { "Truncated",
            [](const QString &p) { WriteBytes(p, ReadBytes(p).left(3000)); }, u"okunamadı" },
        // The record count says more than the blocks hold.
        TRefusalCase { "RecordCountTooLarge",
            [](const QString &p) { Patch(p, 0x06, QByteArray("\x09\x00\x00\x00", 4)); },
            u"okunamadı" },
        // A block that points back at itself.
        TRefusalCase { "BlockChainLoops",
            [](const QString &p) {
                const int headerSize = 0x800;
                Patch(p, headerSize, QByteArray("\x01\x00", 2));
            },
            u"okunamadı" },
        // Field sizes that do not add up to the record (pxlib would read past it).
        TRefusalCase { "FieldSizesDisagree",
            [](const QString &p) { Patch(p, 0x78 + 3, QByteArray("\x30", 1)); }, u"okunamadı" },
        // A code page the system does not know.
        TRefusalCase { "UnknownCodePage",
            [](const QString &p) { Patch(p, 0x6A, QByteArray("\x39\x30", 2)); }, u"kod sayfası" },
        // Damaged header fields that once made the table pass for no Paradox table at all,
        // so that SQLite answered "file is not a database".
        TRefusalCase { "BlockSizeZero",
            [](const QString &p) { Patch(p, 0x05, QByteArray("\x00", 1)); }, u"blok boyu" },
        TRefusalCase { "BlockSize255",
            [](const QString &p) { Patch(p, 0x05, QByteArray("\xFF", 1)); }, u"blok boyu" },
        TRefusalCase { "NoFields",
            [](const QString &p) { Patch(p, 0x21, QByteArray("\x00\x00", 2)); }, u"alan sayısı" },
        TRefusalCase { "FieldCount65535",
            [](const QString &p) { Patch(p, 0x21, QByteArray("\xFF\xFF", 2)); }, u"alan sayısı" },
        TRefusalCase { "HeaderSizeZero",
            [](const QString &p) { Patch(p, 0x02, QByteArray("\x00\x00", 2)); }, u"başlık boyu" },
        TRefusalCase { "RecordSizeZero",
            [](const QString &p) { Patch(p, 0x00, QByteArray("\x00\x00", 2)); }, u"kayıt boyu 0" }),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(ParadoxImport, ReadOnlyFolderSaysSoAndChangesNothing)
{
    WriteTable({ FullInvoice(1) });
    const auto before = Snapshot(Folder());
    QFile::setPermissions(Dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString message;
    {
        TNoRootPrivileges guard;
        ASSERT_TRUE(guard.Active());
        try {
            ESKI_TABLOYU_AKTAR(Folder());
        } catch (const EParadoxImportError &e) {
            message = e.Message();
        }
    }
    QFile::setPermissions(
        Dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(message.contains(u"yazılamıyor"_s)) << message.toStdString();
    EXPECT_TRUE(message.contains(u"yazma izni"_s)) << message.toStdString();
    EXPECT_EQ(Snapshot(Folder()), before);
}

// Copied from Windows, the old table's name comes in any letter case.
TEST_F(ParadoxImport, AnOldTableIsFoundWhateverTheLetterCaseOfItsName)
{
    for (const QString &name : { u"FATURA.DB"_s, u"fatura.db"_s }) {
        SCOPED_TRACE(name.toStdString());
        QTemporaryDir dir;
        const QString folder = dir.path() + u"/"_s;
        {
            TParadoxWriter w(dir.filePath(name), InvoiceLayout());
            w.Put(ValuesOf(FullInvoice(4)));
        }
        const QByteArray table = ReadBytes(dir.filePath(name));
        WriteBytes(dir.filePath(u"FATURA.PX"_s), "index");
        const std::optional<TParadoxImportResult> result = ESKI_TABLOYU_AKTAR(folder);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->Records, 1);
        EXPECT_EQ(ReadBytes(dir.filePath(u"eski_paradox/"_s + name)), table);
        EXPECT_EQ(ReadBytes(dir.filePath(u"eski_paradox/FATURA.PX"_s)), "index");
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList { u"fatura.DB"_s });
        InvoiceTable t;
        t.Open(folder);
        EXPECT_EQ(t.ReadRecord(4), FullInvoice(4));
    }
}

TEST_F(ParadoxImport, BesideOurTableAnOldOneIsReportedAndLeftAlone)
{
    {
        InvoiceTable t;
        t.Open(Folder());
    }
    TParadoxWriter(PathOf(u"FATURA.DB"_s), InvoiceLayout()).Put(ValuesOf(FullInvoice(1)));
    const auto before = Snapshot(Folder());
    const std::optional<TParadoxImportResult> result = ESKI_TABLOYU_AKTAR(Folder());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->LeftUntouched, PathOf(u"FATURA.DB"_s));
    EXPECT_TRUE(result->Message().contains(PathOf(u"FATURA.DB"_s)))
        << result->Message().toStdString();
    EXPECT_TRUE(result->Message().contains(u"dokunulmadan"_s));
    EXPECT_EQ(Snapshot(Folder()), before);
}

TEST_F(ParadoxImport, TwoOldTablesDifferingOnlyInCaseAreBothLeftAlone)
{
    TParadoxWriter(PathOf(u"FATURA.DB"_s), InvoiceLayout()).Put(ValuesOf(FullInvoice(1)));
    TParadoxWriter(PathOf(u"fatura.db"_s), InvoiceLayout()).Put(ValuesOf(FullInvoice(2)));
    const auto before = Snapshot(Folder());
    try {
        ESKI_TABLOYU_AKTAR(Folder());
        FAIL() << "no error";
    } catch (const EParadoxImportError &e) {
        EXPECT_TRUE(e.Message().contains(u"FATURA.DB"_s)) << e.what();
        EXPECT_TRUE(e.Message().contains(u"fatura.db"_s)) << e.what();
        EXPECT_TRUE(e.Message().contains(u"hiçbirine dokunulmadı"_s)) << e.what();
    }
    EXPECT_EQ(Snapshot(Folder()), before);
}

TEST_F(ParadoxImport, OldFilesOfAnotherTableGoToAFolderOfTheirOwn)
{
    // An "eski_paradox" from some earlier table already holds a fatura.PX: nothing in it is
    // overwritten. A stale half-written new table of an interrupted import is replaced.
    QDir(Folder()).mkdir(u"eski_paradox"_s);
    WriteBytes(PathOf(u"eski_paradox/fatura.PX"_s), "older index");
    WriteBytes(PathOf(u"fatura_aktarim.DB"_s), "half written");
    WriteTable({ FullInvoice(1) });
    WriteBytes(PathOf(u"fatura.PX"_s), "index");

    const auto result = ESKI_TABLOYU_AKTAR(Folder());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->OldFilesFolder, PathOf(u"eski_paradox_2"_s));
    EXPECT_EQ(ReadBytes(PathOf(u"eski_paradox/fatura.PX"_s)), "older index");
    EXPECT_EQ(ReadBytes(PathOf(u"eski_paradox_2/fatura.PX"_s)), "index");
    EXPECT_FALSE(QFileInfo::exists(PathOf(u"fatura_aktarim.DB"_s)));
    EXPECT_EQ(Imported().size(), 1u);
}

TEST_F(ParadoxImport, TenThousandRecords)
{
    std::vector<TInvoiceRecord> old;
    for (int i = 0; i < 10000; ++i)
        old.push_back(FullInvoice(i + 1, i));
    WriteTable(old);
    QElapsedTimer timer;
    timer.start();
    const auto result = ESKI_TABLOYU_AKTAR(Folder());
    RecordProperty("import_ms", int(timer.elapsed()));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Records, 10000);
    InvoiceTable t;
    t.Open(Folder());
    ASSERT_EQ(t.RecordCount(), 10000);
    for (int id : { 1, 4321, 10000 })
        EXPECT_EQ(t.ReadRecord(id), old[size_t(id - 1)]) << id;
    // The search keys came over too: the find dialog's search works at once.
    EXPECT_TRUE(t.Locate(TLocateField::SAYIN1, u"şükrü ışıkoğlu çiğdem ödül ltd. şti. 9999"_s));
    EXPECT_EQ(t.CurrentRecId(), 10000);
}

// ---- A crash at any moment ----

// Either the Paradox table is in place, whole, or the new table is, complete.
void ExpectOldOrNewWhole(const QString &folder, const QByteArray &oldTable,
    const std::vector<TInvoiceRecord> &records, int kill)
{
    const QString table = QDir(folder).filePath(u"fatura.DB"_s);
    const QByteArray now = ReadBytes(table);
    if (now == oldTable)
        return;
    ASSERT_TRUE(now.startsWith("SQLite format 3")) << "killed at step " << kill;
    InvoiceTable t;
    t.Open(folder);
    ASSERT_EQ(t.RecordCount(), int(records.size())) << "killed at step " << kill;
    for (const TInvoiceRecord &r : records)
        EXPECT_EQ(t.ReadRecord(r.REC_ID), r) << "killed at step " << kill;
    // The old files are complete aside.
    EXPECT_EQ(ReadBytes(QDir(folder).filePath(u"eski_paradox/fatura.DB"_s)), oldTable);
    EXPECT_EQ(ReadBytes(QDir(folder).filePath(u"eski_paradox/fatura.PX"_s)), "index");
}

TEST_F(ParadoxImport, KilledAtEveryStepLosesNothing)
{
    std::vector<TInvoiceRecord> records;
    for (int i = 0; i < 50; ++i)
        records.push_back(FullInvoice(i + 1, i));
    WriteTable(records);
    WriteBytes(PathOf(u"fatura.PX"_s), "index");
    WriteBytes(PathOf(u"fatura.X02"_s), "secondary index");
    const QByteArray oldTable = ReadBytes(PathOf(u"fatura.DB"_s));
    const auto pristine = Snapshot(Folder());

    int kill = 1;
    for (;; ++kill) {
        ASSERT_LT(kill, 100) << "the import never ended";
        // Each round starts from the old folder as the user had it.
        QDir(Folder()).removeRecursively();
        QDir().mkpath(Folder());
        for (const auto &[name, bytes] : pristine)
            WriteBytes(PathOf(name), bytes);

        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int steps = 0;
            TParadoxImportOptions options;
            options.ChunkSize = 16; // several transactions
            options.OnStep = [&](const char *) {
                if (++steps == kill)
                    ::raise(SIGKILL);
            };
            try {
                ESKI_TABLOYU_AKTAR(Folder(), options);
            } catch (...) {
                _exit(2);
            }
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ExpectOldOrNewWhole(Folder(), oldTable, records, kill);
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0);
            break; // ran to its end without meeting step `kill`
        }
        ASSERT_TRUE(WIFSIGNALED(status));

        // The next start finishes the work.
        ESKI_TABLOYU_AKTAR(Folder());
        ExpectOldOrNewWhole(Folder(), oldTable, records, kill);
        ASSERT_TRUE(ReadBytes(PathOf(u"fatura.DB"_s)).startsWith("SQLite format 3"));
        EXPECT_FALSE(QFileInfo::exists(PathOf(u"fatura_aktarim.DB"_s)));
        EXPECT_EQ(ReadBytes(PathOf(u"eski_paradox/fatura.X02"_s)), "secondary index");
    }
    // Steps: new table, 4 chunks, checked, folder, link, 2 companions, in place.
    EXPECT_GE(kill, 10);
}

} // namespace
