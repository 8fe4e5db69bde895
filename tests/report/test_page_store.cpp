#include "report/QRPageList.h"

#include "EmfBytes.h"
#include "platform/EmfPlayer.h"
#include "platform/Errors.h"
#include "platform/QPainterCanvas.h"
#include "report/QRCompress.h"
#include "report/QRError.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <sys/resource.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>

using namespace Qt::StringLiterals;

namespace
{

constexpr double FixedTime = 46000.5; // 9 Dec 2025, noon

struct TOptions {
    bool compressed = false;
    int memoryLimit = 250000;
    int pages = 5;
};

std::vector<QByteArray> Pictures(int n, int payload = 600)
{
    std::vector<QByteArray> v;
    for (int i = 1; i <= n; ++i)
        v.push_back(emfbytes::Make(i, payload + 37 * i));
    return v;
}

std::unique_ptr<TQRPageList> Filled(const TOptions &o, const std::vector<QByteArray> &pics)
{
    auto list = std::make_unique<TQRPageList>();
    list->SetClock([] { return FixedTime; });
    list->SetCompression(o.compressed);
    list->SetStream(std::make_unique<TQRStream>(o.memoryLimit));
    for (const QByteArray &p : pics)
        list->AddPage(p);
    list->Finish();
    return list;
}

QByteArray Saved(TQRPageList &list)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    list.SaveToStream(out);
    return out.data();
}

std::unique_ptr<TQRPageList> Loaded(const QByteArray &bytes)
{
    auto list = std::make_unique<TQRPageList>();
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    list->LoadFromStream(in);
    return list;
}

std::int32_t I32(const QByteArray &b, int at)
{
    return qFromLittleEndian<std::int32_t>(b.constData() + at);
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(QRPageList, OnePageStoreHasTheFileLayout)
{
    const QByteArray page = emfbytes::Make(1);
    auto list = Filled({}, { page });
    const QByteArray file = Saved(*list);
    ASSERT_EQ(file.size(), 128 + 12 + page.size());

    struct Row {
        int offset;
        std::int64_t value;
        const char *why;
    } rows[] = {
        { 0, 3 | (50 << 16), "format words 3 and 50" },
        { 8, 1, "page count" },
        { 128, 1, "first record carries page number 1" },
        { 132, 128 + 12 + page.size(), "next pointer: just after the record" },
        { 136 + static_cast<int>(page.size()), 128, "back pointer: the record's start" },
    };
    for (const Row &r : rows)
        EXPECT_EQ(I32(file, r.offset), r.value) << r.why;
    EXPECT_EQ(
        std::bit_cast<double>(qFromLittleEndian<std::uint64_t>(file.constData() + 16)), FixedTime);
    EXPECT_EQ(file[25], 0) << "plain pages";
    EXPECT_EQ(file.mid(26, 100), QByteArray(100, 'H'));
    EXPECT_EQ(file.mid(136, page.size()), page) << "the body is the EMF image as it stands";
    EXPECT_TRUE(list->Stream()->InMemory()) << "a small report never touches the disk";
}

TEST(QRPageList, PagesComeBackInAnyOrder)
{
    struct Row {
        TOptions options;
        const char *why;
    } rows[] = {
        { { false, 250000, 5 }, "plain, in memory" },
        { { true, 250000, 5 }, "compressed, in memory" },
        { { false, 1500, 5 }, "plain, spilled to a temporary file" },
        { { true, 700, 5 }, "compressed, spilled" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        const auto pics = Pictures(r.options.pages);
        auto list = Filled(r.options, pics);
        EXPECT_EQ(list->PageCount(), 5);
        for (int n : { 3, 1, 5, 2, 4, 4, 1, 5, 3 })
            EXPECT_EQ(list->GetPage(n).value_or(QByteArray()), pics[n - 1]) << "page " << n;

        // And the same after a save and a load.
        auto loaded = Loaded(Saved(*list));
        EXPECT_EQ(loaded->Compression(), r.options.compressed);
        EXPECT_EQ(loaded->HeaderSize(), 128);
        for (int n : { 5, 1, 3, 2, 4 })
            EXPECT_EQ(loaded->GetPage(n).value_or(QByteArray()), pics[n - 1])
                << "loaded page " << n;
    }
}

TEST(QRPageList, ReadingInOrderCostsOneHopAPage)
{
    const auto pics = Pictures(40, 200);
    auto list = Filled({}, pics);
    list->GetPage(1);
    const std::int64_t before = list->Hops();
    for (int n = 2; n <= 40; ++n)
        ASSERT_EQ(*list->GetPage(n), pics[n - 1]);
    EXPECT_EQ(list->Hops() - before, 39);

    // A jump backwards costs one hop per page passed, plus the first look.
    const std::int64_t atEnd = list->Hops();
    list->GetPage(30);
    EXPECT_EQ(list->Hops() - atEnd, 11) << "from the end: look at page 40, then back 10";
}

TEST(QRPageList, OutOfRangePagesAreNone)
{
    auto list = Filled({}, Pictures(2));
    for (int n : { 0, -1, 3, 1000 })
        EXPECT_FALSE(list->GetPage(n).has_value()) << n;
    TQRPageList empty;
    EXPECT_FALSE(empty.GetPage(1).has_value()) << "no store, no pages";
}

TEST(QRPageList, SavedFileLoadsAndSavesByteForByte)
{
    QTemporaryDir dir;
    for (bool compressed : { false, true }) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        const auto pics = Pictures(5);
        auto list = Filled({ compressed, 2000, 5 }, pics);
        const QString first = dir.filePath(u"bir.QRP"_s), second = dir.filePath(u"iki.QRP"_s);
        list->SaveToFile(first);
        EXPECT_EQ(ReadFile(first), Saved(*list));

        TQRPageList loaded;
        loaded.LoadFromFile(first);
        EXPECT_EQ(loaded.PageCount(), 5);
        EXPECT_EQ(loaded.Compression(), compressed);
        loaded.SaveToFile(second);
        EXPECT_EQ(ReadFile(second), ReadFile(first));

        // Saving over the very file the report was loaded from keeps it whole.
        loaded.SaveToFile(first);
        EXPECT_EQ(ReadFile(first), ReadFile(second));
        EXPECT_EQ(*loaded.GetPage(4), pics[3]);
    }
}

TEST(QRPageList, PageBodyCrossingTheMemoryLimitContinuesInTheFile)
{
    const auto pics = Pictures(3, 900);
    // The limit falls in the middle of page 2's body.
    const int limit = 128 + 12 + static_cast<int>(pics[0].size()) + 8 + 300;
    QString spill;
    {
        auto list = Filled({ false, limit, 3 }, {});
        list->AddPage(pics[0]);
        EXPECT_TRUE(list->Stream()->InMemory());
        list->AddPage(pics[1]);
        EXPECT_FALSE(list->Stream()->InMemory());
        spill = list->Stream()->FileName();
        EXPECT_TRUE(QFile::exists(spill));
        list->AddPage(pics[2]);
        list->Finish();
        for (int n : { 2, 1, 3 })
            EXPECT_EQ(*list->GetPage(n), pics[n - 1]);
        EXPECT_EQ(Loaded(Saved(*list))->GetPage(2).value(), pics[1]);
        list->FreeStream();
        list->Clear();
        EXPECT_FALSE(QFile::exists(spill)) << "the printer's clean-up removes the spill file";
        EXPECT_EQ(list->PageCount(), 0);
    }
}

TEST(QRPageList, RefusedPageLeavesTheStoreAsItWas)
{
    struct Row {
        bool compressed;
        int limit;
        const char *why;
    } rows[] = {
        { false, 250000, "plain in memory" },
        { true, 250000, "compressed in memory" },
        { false, 500, "plain spilled" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        const auto pics = Pictures(3);
        auto list = Filled({ r.compressed, r.limit, 0 }, { pics[0], pics[1] });
        const QByteArray before = Saved(*list);
        // Stand-in for the 2^31-1 bytes that positions can address.
        list->Stream()->SetMaxSize(before.size() + 100);
        EXPECT_THROW(list->AddPage(pics[2]), EQRError);
        EXPECT_EQ(list->PageCount(), 2);
        EXPECT_EQ(Saved(*list), before);
        EXPECT_EQ(*list->GetPage(2), pics[1]);
        list->Stream()->SetMaxSize(TQRStream::MaxStoreSize);
        list->AddPage(pics[2]);
        EXPECT_EQ(*list->GetPage(3), pics[2]);
    }
}

TEST(QRPageList, UnwritableTemporaryFolderFailsThePageNotTheReport)
{
    const auto pics = Pictures(2);
    auto list = Filled({ false, 1000, 0 }, { pics[0] });
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/levanta-no-such-dir");
    EXPECT_THROW(list->AddPage(pics[1]), EPlatformError);
    qputenv("TMPDIR", oldTmp);
    if (oldTmp.isEmpty())
        qunsetenv("TMPDIR");
    EXPECT_EQ(list->PageCount(), 1);
    EXPECT_TRUE(list->Stream()->InMemory());
    EXPECT_EQ(*list->GetPage(1), pics[0]);
    list->AddPage(pics[1]);
    EXPECT_EQ(*list->GetPage(2), pics[1]);
}

TEST(QRPageList, AddPageRejectsWhatIsNoEmfImage)
{
    QByteArray shortSize = emfbytes::Make(1);
    emfbytes::Put32(shortSize, 48, static_cast<std::uint32_t>(shortSize.size() - 4));
    QByteArray noSignature = emfbytes::Make(1);
    noSignature[41] = 'X';
    for (const QByteArray &bad : { QByteArray(), QByteArray(120, 'x'), shortSize, noSignature }) {
        auto list = Filled({}, {});
        EXPECT_THROW(list->AddPage(bad), EQRError);
        EXPECT_EQ(list->PageCount(), 0);
    }
    TQRPageList noStore;
    EXPECT_THROW(noStore.AddPage(emfbytes::Make(1)), EQRError);
}

namespace
{

// A store laid out as by an older writer: header of the given size, plain pages.
QByteArray OlderFile(
    int headerSize, const std::vector<QByteArray> &pics, int count, bool compressedFlag)
{
    QByteArray f(headerSize, 'H');
    qToLittleEndian<std::uint16_t>(3, f.data());
    if (headerSize == 124) {
        qToLittleEndian<std::int32_t>(count, f.data() + 8);
        f[21] = compressedFlag ? 1 : 0;
    } else if (headerSize > 25) {
        if (headerSize >= 12)
            qToLittleEndian<std::int32_t>(count, f.data() + 8);
        f[25] = compressedFlag ? 1 : 0;
    }
    int number = 0;
    for (const QByteArray &p : pics) {
        const std::int32_t start = f.size();
        QByteArray rec(8, '\0');
        qToLittleEndian<std::int32_t>(++number, rec.data());
        rec += p;
        rec += QByteArray(4, '\0');
        qToLittleEndian<std::int32_t>(start + rec.size(), rec.data() + 4);
        qToLittleEndian<std::int32_t>(start, rec.data() + rec.size() - 4);
        f += rec;
    }
    return f;
}

} // namespace

TEST(QRPageList, RecognisesOlderHeaderSizes)
{
    const auto pics = Pictures(3);
    struct Row {
        int header;
        int count;
        int expectedCount;
        const char *why;
    } rows[] = {
        { 124, 3, 3, "the packed layout keeps its count at 8" },
        { 120, 99, 3, "no count is taken from it: the records are counted" },
        { 96, 99, 3, "likewise" },
        { 60, 99, 3, "an unknown size found by the signature scan" },
        { 128, 3, 3, "the current layout" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        auto list = Loaded(OlderFile(r.header, pics, r.count, false));
        EXPECT_EQ(list->HeaderSize(), r.header);
        EXPECT_EQ(list->PageCount(), r.expectedCount);
        EXPECT_FALSE(list->Compression());
        for (int n = r.expectedCount; n >= 1; --n)
            EXPECT_EQ(list->GetPage(n).value_or(QByteArray()), pics[n - 1]) << n;
    }
}

TEST(QRPageList, CompressedStoreFallsBackToTheCurrentHeader)
{
    const auto pics = Pictures(3);
    QByteArray file = Saved(*Filled({ true, 250000, 3 }, pics));
    EXPECT_EQ(file[25], 1);
    // Plant the signature where a 96-byte header's first page would show it: a lone "EMF"
    // that is not followed by a page record is not taken for a header.
    file.replace(145, 3, "EMF");
    TQRStream probe(1 << 20);
    probe.WriteBuffer(file.constData(), file.size());
    EXPECT_EQ(QRDetectHeaderSize(probe), 128);
    EXPECT_EQ(probe.Position(), file.size()) << "the test restores the position";
}

TEST(QRPageList, ZeroPageFileOpensWithoutPages)
{
    auto empty = Filled({}, {});
    const QByteArray file = Saved(*empty);
    EXPECT_EQ(file.size(), 128);
    auto list = Loaded(file);
    EXPECT_EQ(list->PageCount(), 0);
    EXPECT_FALSE(list->GetPage(1).has_value());
}

namespace
{

QByteArray WithInt(QByteArray b, int at, std::int32_t v)
{
    qToLittleEndian<std::int32_t>(v, b.data() + at);
    return b;
}

} // namespace

TEST(QRPageList, DamagedFilesFailWithFileAndOffset)
{
    QTemporaryDir dir;
    const auto pics = Pictures(3);
    const QByteArray good = Saved(*Filled({}, pics));
    const QByteArray packed = Saved(*Filled({ true, 250000, 3 }, pics));
    const int p1 = 128, p2 = I32(good, p1 + 4), p3 = I32(good, p2 + 4);

    struct Row {
        QByteArray bytes;
        const char *why;
    } rows[] = {
        { QByteArray(), "an empty file" },
        { good.left(100), "shorter than the header" },
        { good.left(good.size() - 1), "the last back pointer cut" },
        { good.left(p3 + 60), "the last page cut in its body" },
        { WithInt(good, 8, 4), "the count promises a page that is not there" },
        { WithInt(good, 8, -1), "a negative count" },
        { WithInt(good, 8, 0x7fffffff), "a hostile count" },
        { WithInt(good, p2 + 4, p2), "a next pointer to itself" },
        { WithInt(good, p2 + 4, 0x7ffffff0), "a next pointer past the end" },
        { WithInt(good, p3 - 4, p3), "a back pointer to itself" },
        { WithInt(good, p2, 7), "a wrong page number" },
        { WithInt(good, p3 + 8 + 48, 0x7fffffff), "a hostile EMF size" },
        { WithInt(good, good.size() - 4, 5), "the last back pointer into the header" },
        { WithInt(packed, 136, 0x7fffffff), "a hostile compressed length" },
        { WithInt(packed, 136, 50), "a compressed length below an EMF header" },
        { packed.left(packed.size() - 30), "compressed data cut" },
        { QByteArray(5000, 'H'), "garbage" },
    };
    int n = 0;
    for (const Row &r : rows) {
        const QString path = dir.filePath(u"bozuk%1.QRP"_s.arg(++n));
        WriteFile(path, r.bytes);
        TQRPageList list;
        try {
            list.LoadFromFile(path);
            for (int page = 1; page <= list.PageCount(); ++page)
                list.GetPage(page);
            ADD_FAILURE() << r.why << ": accepted";
        } catch (const EQRError &e) {
            EXPECT_TRUE(e.Message().contains(path)) << r.why << ": " << e.what();
            EXPECT_TRUE(e.Message().contains(u"offset"_s)) << r.why << ": " << e.what();
        }
    }
}

TEST(QRPageList, EveryTruncationIsRefused)
{
    for (bool compressed : { false, true }) {
        const QByteArray good = Saved(*Filled({ compressed, 250000, 3 }, Pictures(3, 150)));
        for (qsizetype len = 0; len < good.size(); ++len)
            EXPECT_THROW(Loaded(good.left(len)), EQRError) << "cut at " << len;
    }
}

TEST(QRPageList, FailedLoadKeepsTheReportThatWasThere)
{
    QTemporaryDir dir;
    const auto pics = Pictures(2);
    auto list = Filled({}, pics);
    const QString bad = dir.filePath(u"bozuk.QRP"_s);
    WriteFile(bad, QByteArray(300, 'x'));
    EXPECT_THROW(list->LoadFromFile(bad), EQRError);
    EXPECT_THROW(list->LoadFromFile(dir.filePath(u"yok.QRP"_s)), EPlatformError);
    EXPECT_EQ(list->PageCount(), 2);
    EXPECT_EQ(*list->GetPage(2), pics[1]);
}

TEST(QRPageList, ExternallyMovedPositionDoesNotBreakReading)
{
    const auto pics = Pictures(4);
    auto list = Filled({}, pics);
    list->GetPage(2);
    list->Stream()->Seek(77, soFromBeginning); // inside the header, no record there
    EXPECT_EQ(*list->GetPage(3), pics[2]);
}

TEST(QRPageList, ReaderAndWriterThreadsShareTheList)
{
    // The list lock makes every add and every read whole, whichever thread it comes from.
    const auto pics = Pictures(60, 300);
    auto list = Filled({ true, 4000, 0 }, {});
    std::atomic<bool> done = false;
    std::atomic<int> mismatches = 0;
    std::thread reader([&] {
        unsigned k = 0;
        while (!done) {
            const int count = list->PageCount();
            if (count == 0)
                continue;
            const int n = static_cast<int>(++k * 7 % count) + 1;
            if (auto page = list->GetPage(n); page && *page != pics[n - 1])
                ++mismatches;
        }
    });
    for (const QByteArray &p : pics)
        list->AddPage(p);
    done = true;
    reader.join();
    EXPECT_EQ(mismatches, 0);
    for (int n = 1; n <= 60; ++n)
        EXPECT_EQ(*list->GetPage(n), pics[n - 1]);
}

// ---- Hostile files: every class of lie is refused at load, by offset, without reading page
// bodies; a file of a few kilobytes never costs more than a few megabytes.

namespace
{

// Peak resident memory of the process in bytes.
std::int64_t PeakMemory()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return std::int64_t(u.ru_maxrss) * 1024;
}

QByteArray Swapped(QByteArray b, int a, int c)
{
    const std::int32_t x = I32(b, a), y = I32(b, c);
    qToLittleEndian<std::int32_t>(y, b.data() + a);
    qToLittleEndian<std::int32_t>(x, b.data() + c);
    return b;
}

// Writes Head at the start of a file of Size bytes and Tail at its end; the rest is a hole,
// so the file costs a few kilobytes on disk whatever its size.
void WriteSparse(const QString &path, qint64 size, const QByteArray &head, const QByteArray &tail)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(head);
    ASSERT_TRUE(f.resize(size));
    ASSERT_TRUE(f.seek(size - tail.size()));
    f.write(tail);
}

QByteArray Header128(std::int32_t count, bool compressed)
{
    QByteArray h(128, 'H');
    qToLittleEndian<std::int32_t>(count, h.data() + 8);
    h[25] = compressed ? 1 : 0;
    return h;
}

QByteArray Int32Bytes(std::int32_t v)
{
    QByteArray b(4, '\0');
    qToLittleEndian<std::int32_t>(v, b.data());
    return b;
}

} // namespace

TEST(QRPageList, LoadRefusesEveryBrokenLinkByItsOffset)
{
    QTemporaryDir dir;
    const auto pics = Pictures(3);
    const QByteArray good = Saved(*Filled({}, pics));
    const QByteArray packed = Saved(*Filled({ true, 250000, 3 }, pics));
    const int p1 = 128, p2 = I32(good, p1 + 4), p3 = I32(good, p2 + 4);
    const int q2 = I32(packed, p1 + 4);
    QByteArray extraRecord = good.mid(p3);
    qToLittleEndian<std::int32_t>(good.size() + extraRecord.size(), extraRecord.data() + 4);

    struct Row {
        QByteArray bytes;
        qint64 offset;
        const char *why;
    } rows[] = {
        { WithInt(good, 8, 1'000'000), 8, "a count of a million over three records" },
        { WithInt(good, 8, INT_MAX), 8, "the largest count" },
        { WithInt(good, 8, 2), 8, "a count below the records: the third would vanish" },
        { WithInt(good, 8, -1), 8, "a negative count" },
        { Swapped(good, p2, p3), p2, "pages 2 and 3 swapped their numbers" },
        { WithInt(good, p2 + 4, p3 + 4), p3,
            "a next pointer 4 bytes too far: no back pointer there" },
        { WithInt(good, p2 + 4, p3 - 8), p3 - 12, "a next pointer into the body" },
        { WithInt(good, p3 - 4, p2 + 1), p3 - 4, "a back pointer beside its record's start" },
        { WithInt(good, p2 + 56, I32(good, p2 + 56) - 8), p2 + 56,
            "an EMF size 8 short of the record" },
        { WithInt(good, p2 + 56, I32(good, p2 + 56) + 8), p2 + 56,
            "an EMF size 8 beyond the record" },
        { WithInt(packed, q2 + 8, 200'000'000), q2 + 8, "a compressed length beyond any page" },
        { good + "xyz", good.size(), "three stray bytes after the last record" },
        { good + QByteArray(200, 'x'), good.size(), "junk after the last record" },
        { good + extraRecord, good.size(), "the last record again, numbered 3 once more" },
    };
    int n = 0;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        const QString path = dir.filePath(u"bozuk%1.QRP"_s.arg(++n));
        WriteFile(path, r.bytes);
        TQRPageList list;
        try {
            list.LoadFromFile(path);
            ADD_FAILURE() << "accepted with " << list.PageCount() << " pages";
        } catch (const EQRError &e) {
            EXPECT_TRUE(e.Message().contains(u"\"%1\""_s.arg(path))) << e.what();
            EXPECT_TRUE(e.Message().contains(u"at offset %1:"_s.arg(r.offset))) << e.what();
        }
    }
}

TEST(QRPageList, CountIsTheRecordsThatAreThere)
{
    // Counted by walking: 200 pages cost 200 hops and no page body is read while loading.
    const auto pics = Pictures(200, 120);
    auto list = Loaded(Saved(*Filled({}, pics)));
    EXPECT_EQ(list->PageCount(), 200);
    EXPECT_EQ(list->Hops(), 0) << "loading does not go to pages";
    EXPECT_EQ(*list->GetPage(200), pics[199]);
}

TEST(QRPageList, SparseAndCompressedBombsCostNeitherMemoryNorTime)
{
    QTemporaryDir dir;
    QByteArray emf = emfbytes::Make(1, 200);
    struct Row {
        qint64 size;
        QByteArray head, tail;
        const char *why;
    };
    std::vector<Row> rows;
    {
        // One plain page whose EMF header claims the whole of a 1.5 GB hole.
        const qint64 size = 1'500'000'000;
        QByteArray rec = Int32Bytes(1) + Int32Bytes(std::int32_t(size)) + emf;
        qToLittleEndian<std::uint32_t>(std::uint32_t(size - 128 - 12), rec.data() + 8 + 48);
        rows.push_back(
            { size, Header128(1, false) + rec, Int32Bytes(128), "a sparse page of 1.5 GB" });
    }
    {
        // A compressed page that would expand to 2 GB from 100 MB of zeros in a hole.
        const qint64 size = 100'000'000;
        QByteArray rec = Int32Bytes(1) + Int32Bytes(std::int32_t(size)) + Int32Bytes(INT_MAX);
        rows.push_back({ size, Header128(1, true) + rec, Int32Bytes(128), "a compressed bomb" });
    }
    {
        // A file beyond what a 32-bit position can reach.
        rows.push_back({ 3'000'000'000LL, Saved(*Filled({}, Pictures(1))), QByteArray("x"),
            "a 3 GB hole behind a sound page" });
    }
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        const QString path = dir.filePath(u"bomba.QRP"_s);
        WriteSparse(path, r.size, r.head, r.tail);
        const std::int64_t before = PeakMemory();
        QElapsedTimer clock;
        clock.start();
        TQRPageList list;
        EXPECT_THROW(list.LoadFromFile(path), EQRError);
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_LT(PeakMemory() - before, 100 << 20);
        QFile::remove(path);
    }
}

TEST(QRPageList, CompressedPageOfZerosFailsBeforeTakingItsLength)
{
    // Sound links around 8 MB of zero bytes claiming 60 MB of page: the walk accepts it (a
    // length within reach), reading it stops at the first bytes that are no EMF header.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"sifir.QRP"_s);
    const qint64 size = 128 + 12 + 8'000'000 + 4;
    const QByteArray head = Header128(1, true) + Int32Bytes(1) + Int32Bytes(std::int32_t(size))
        + Int32Bytes(60'000'000);
    WriteSparse(path, size, head, Int32Bytes(128));
    TQRPageList list;
    list.LoadFromFile(path);
    EXPECT_EQ(list.PageCount(), 1);
    const std::int64_t before = PeakMemory();
    try {
        list.GetPage(1);
        ADD_FAILURE() << "accepted";
    } catch (const EQRError &e) {
        EXPECT_TRUE(e.Message().contains(path)) << e.what();
    }
    EXPECT_LT(PeakMemory() - before, 30 << 20);
}

TEST(QRPageList, AddPageRefusesAPageThatCouldNotLoadAgain)
{
    auto list = Filled({ false, 1 << 20, 0 }, {});
    QByteArray huge = emfbytes::Make(1, 200);
    huge.resize(TQRPageList::MaxPageBytes + 4);
    emfbytes::Put32(huge, 48, std::uint32_t(huge.size()));
    EXPECT_THROW(list->AddPage(huge), EQRError);
    EXPECT_EQ(list->PageCount(), 0);
}

TEST(QRPageList, PlayerErrorsNameTheReportAndThePage)
{
    // Page 2's first record after the header has a size of 0: sound for the store, refused
    // by the player.
    QTemporaryDir dir;
    auto pics = Pictures(2);
    emfbytes::Put32(pics[1], 108 + 4, 0);
    const QString path = dir.filePath(u"fatura.QRP"_s);
    WriteFile(path, Saved(*Filled({}, pics)));
    TQRPageList list;
    list.LoadFromFile(path);

    QImage image(80, 110, QImage::Format_RGB32);
    QPainter painter(&image);
    TQPainterCanvas canvas(painter, 96, image.size());
    list.DrawPage(1, canvas, image.rect());
    try {
        list.DrawPage(2, canvas, image.rect());
        ADD_FAILURE() << "drawn";
    } catch (const EQRError &e) {
        EXPECT_TRUE(
            e.Message().startsWith(u"Cannot show page 2 of the report file \"%1\": "_s.arg(path)))
            << e.what();
        EXPECT_TRUE(e.Message().contains(u"at offset 108"_s)) << e.what();
    }
    list.DrawPage(3, canvas, image.rect()); // not in the list: nothing drawn, nothing said
}

TEST(QRPageList, APagePastTheDrawingLimitsIsRefusedWhenItIsRead)
{
    // A sound page of one polyline with a point more than any page draws: stored and saved
    // like any other, refused before the preview or the printer spends seconds on it.
    QByteArray emf = emfbytes::Make(1, 0).left(108); // the header alone
    const std::uint32_t points = kEmfMaxPointsPerRecord + 1;
    emfbytes::Append32(emf, 87); // EMR_POLYLINE16
    emfbytes::Append32(emf, 28 + 4 * points);
    for (int i = 0; i < 4; ++i)
        emfbytes::Append32(emf, 0); // bounds
    emfbytes::Append32(emf, points);
    emf += QByteArray(4 * qsizetype(points), '\x01');
    emfbytes::Append32(emf, 14); // EMR_EOF
    emfbytes::Append32(emf, 20);
    emfbytes::Append32(emf, 0);
    emfbytes::Append32(emf, 0);
    emfbytes::Append32(emf, 20);
    emfbytes::Put32(emf, 48, std::uint32_t(emf.size()));
    emfbytes::Put32(emf, 52, 3);
    auto list = Filled({}, { emfbytes::Make(1), emf });
    ASSERT_EQ(list->PageCount(), 2);
    EXPECT_TRUE(list->GetPage(1));
    try {
        list->GetPage(2);
        ADD_FAILURE() << "page 2 read";
    } catch (const EQRError &e) {
        EXPECT_TRUE(e.Message().contains(u"page 2: Page picture too large to draw"_s)) << e.what();
    }
}

TEST(QRPageList, AFailedSaveSaysWhyAsTheSystemDoes)
{
    QTemporaryDir dir;
    auto list = Filled({}, Pictures(3, 3000));
    const auto system = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };

    // Onto a folder of that name, where Qt says only that the file is not writable.
    const QString folder = dir.filePath(u"fatura.QRP"_s);
    ASSERT_TRUE(QDir().mkdir(folder));
    try {
        list->SaveToFile(folder);
        ADD_FAILURE() << "saved onto a folder";
    } catch (const EPlatformError &e) {
        EXPECT_TRUE(e.Message().startsWith(u"Cannot create file \"%1\". "_s.arg(folder)))
            << e.what();
        EXPECT_TRUE(e.Message().contains(system(EISDIR))) << e.what();
    }

    // A full disk, as the file size limit makes it.
    const QString path = dir.filePath(u"tam.QRP"_s);
    QString message;
    try {
        const TFileSizeLimit full(1024);
        list->SaveToFile(path);
    } catch (const EPlatformError &e) {
        message = e.Message();
    }
    EXPECT_TRUE(message.startsWith(u"Unable to write to "_s + path)) << message.toStdString();
    EXPECT_TRUE(message.contains(system(EFBIG))) << message.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}
