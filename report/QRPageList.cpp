#include "report/QRPageList.h"

#include "platform/Canvas.h"
#include "platform/EmfPlayer.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "report/QRCompress.h"
#include "report/QRError.h"

#include <QDateTime>
#include <QIODevice>
#include <QSaveFile>
#include <QtEndian>

#include <bit>
#include <cstring>

using namespace Qt::StringLiterals;

namespace
{

// The EMF header record: type 1, its own size at 4, " EMF" at 40, the image's size at 48.
constexpr std::uint32_t EmrHeader = 1;
constexpr std::uint32_t EmfSignature = 0x464D4520;
constexpr int EmfMinHeader = 88;
constexpr int EmfPrefix = 52; // enough of the header to know the image's size

// A page record is at least its number, next pointer, an EMF header and back pointer; a
// compressed one at least its number, next pointer, length, one coded byte and back pointer.
constexpr std::int64_t MinRecord = 8 + EmfMinHeader + 4;
constexpr std::int64_t MinCompressedRecord = 8 + 4 + 1 + 4;
// The smallest record a next or back pointer may span when walking the chain.
constexpr std::int64_t MinLink = 12;

std::uint32_t U32(const char *p)
{
    return qFromLittleEndian<std::uint32_t>(p);
}

// Empty when Prefix starts a sound EMF header; Size receives the image's total size.
QString EmfPrefixProblem(const char *Prefix, std::uint32_t &Size)
{
    Size = U32(Prefix + 48);
    if (U32(Prefix) != EmrHeader)
        return u"the page does not start with an EMF header record"_s;
    if (U32(Prefix + 40) != EmfSignature)
        return u"the page's EMF header has no signature"_s;
    const std::uint32_t headerSize = U32(Prefix + 4);
    if (headerSize < EmfMinHeader || Size < headerSize)
        return u"the page's EMF header gives impossible sizes"_s;
    return {};
}

} // namespace

namespace
{
TQRClock &NowOverride()
{
    static TQRClock clock;
    return clock;
}
} // namespace

void QRSetNow(TQRClock clock)
{
    NowOverride() = std::move(clock);
}

double QRNow()
{
    if (const TQRClock &clock = NowOverride())
        return clock();
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 days = QDate(1899, 12, 30).daysTo(now.date());
    return static_cast<double>(days) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

QString QRCheckEmfImage(QByteArrayView Bytes)
{
    if (Bytes.size() < EmfMinHeader)
        return u"the page picture is too short to be an EMF image"_s;
    std::uint32_t size = 0;
    QString problem = EmfPrefixProblem(Bytes.data(), size);
    if (!problem.isEmpty())
        return problem;
    if (size != static_cast<std::uint64_t>(Bytes.size()))
        return u"the page picture's EMF size field (%1) differs from its length (%2)"_s.arg(size)
            .arg(Bytes.size());
    return {};
}

// ---------------------------------------------------------------------------------------------

namespace
{

// Bounded little-endian access to a store; every read names the offset it failed at.
class TStoreReader
{
public:
    TStoreReader(TQRStream &Store, std::function<void(std::int64_t, const QString &)> Fail)
        : FStore(Store)
        , FSize(Store.Size())
        , FFail(std::move(Fail))
    {
    }
    std::int64_t Size() const { return FSize; }

    std::int32_t Int32(std::int64_t Offset)
    {
        if (Offset < 0 || Offset > FSize - 4)
            FFail(Offset, u"the data ends inside a page record"_s);
        char b[4];
        FStore.Seek(Offset, soFromBeginning);
        FStore.ReadBuffer(b, 4);
        return qFromLittleEndian<std::int32_t>(b);
    }

    // True when a record starting at Record is linked to one starting at Next.
    bool Linked(std::int64_t Record, std::int64_t Next)
    {
        return Record >= 0 && Next - Record >= MinLink && Next <= FSize && Int32(Record + 4) == Next
            && Int32(Next - 4) == Record;
    }

private:
    TQRStream &FStore;
    std::int64_t FSize;
    std::function<void(std::int64_t, const QString &)> FFail;
};

} // namespace

int QRDetectHeaderSize(TQRStream &Store)
{
    std::lock_guard guard(Store.Lock());
    const std::int64_t saved = Store.Position();
    const std::int64_t size = Store.Size();

    // Only the first 1005 bytes are ever looked at.
    const std::int64_t span = std::min<std::int64_t>(size, 1005);
    QByteArray head(span, '\0');
    Store.Seek(0, soFromBeginning);
    Store.ReadBuffer(head.data(), span);

    // A candidate that would read outside the store is simply not the header.
    struct TOutside {
    };
    TStoreReader reader(Store, [](std::int64_t, const QString &) { throw TOutside(); });
    // Offsets that merely contain "EMF" by chance are not headers: the first page record
    // must also be numbered 1 and linked both ways.
    auto fits = [&](std::int64_t at) {
        if (at < 0 || at + 3 > span || std::memcmp(head.constData() + at, "EMF", 3) != 0)
            return false;
        const std::int64_t h = at - 49;
        if (h < 0)
            return false;
        try {
            if (reader.Int32(h) != 1)
                return false;
            const std::int64_t next = reader.Int32(h + 4);
            return reader.Linked(h, next);
        } catch (const TOutside &) {
            return false;
        }
    };

    int found = TQRPageList::HeaderSize128;
    bool hit = false;
    for (int h : { 124, 120, 96, 128 }) {
        if (fits(h + 49)) {
            found = h;
            hit = true;
            break;
        }
    }
    for (std::int64_t i = 0; !hit && i <= std::min<std::int64_t>(size - 4, 1001); ++i) {
        if (fits(i)) {
            found = static_cast<int>(i - 49);
            hit = true;
        }
    }
    Store.Seek(saved, soFromBeginning);
    return found;
}

// ---------------------------------------------------------------------------------------------

TQRPageList::TQRPageList() = default;
TQRPageList::~TQRPageList() = default;

void TQRPageList::SetStream(std::unique_ptr<TQRStream> Value)
{
    std::lock_guard guard(FLock);
    FStream = std::move(Value);
    FHeaderSize = HeaderSize128;
    FName.clear();
}

void TQRPageList::FreeStream()
{
    std::lock_guard guard(FLock);
    FStream.reset();
    FName.clear();
}

void TQRPageList::Damaged(std::int64_t Offset, const QString &What) const
{
    if (FName.isEmpty())
        throw EQRError(u"The page store is damaged at offset %1: %2"_s.arg(Offset).arg(What));
    throw EQRError(
        u"The report file \"%1\" is damaged at offset %2: %3"_s.arg(FName).arg(Offset).arg(What));
}

void TQRPageList::WriteHeader(std::int32_t Count)
{
    char h[HeaderSize128] = {};
    qToLittleEndian<std::uint16_t>(3, h + 0);
    qToLittleEndian<std::uint16_t>(50, h + 2);
    qToLittleEndian<std::int32_t>(Count, h + 8);
    const double when = FClock ? FClock() : QRNow();
    qToLittleEndian<std::uint64_t>(std::bit_cast<std::uint64_t>(when), h + 16);
    h[25] = FCompression ? 1 : 0;
    std::memset(h + 26, 'H', 100);
    FStream->Seek(0, soFromBeginning);
    FStream->WriteBuffer(h, HeaderSize128);
}

void TQRPageList::AddPage(const TQRPagePicture &aMetafile)
{
    std::lock_guard listGuard(FLock);
    if (!FStream)
        throw EQRError(u"There is no page store to add the page to"_s);
    std::lock_guard storeGuard(FStream->Lock());
    const QString problem = QRCheckEmfImage(aMetafile);
    if (!problem.isEmpty())
        throw EQRError(u"Cannot add page %1: %2"_s.arg(FPageCount + 1).arg(problem));
    // A saved report must load again, and loading refuses pages beyond the bound.
    if (aMetafile.size() > MaxPageBytes)
        throw EQRError(
            u"Cannot add page %1: the page picture is larger than %2 MiB"_s.arg(FPageCount + 1)
                .arg(MaxPageBytes / (1024 * 1024)));

    // A page is stored whole or not at all: a failing write (memory limit reached with no
    // room for the spill file, a full disk, the size limit) takes the store back.
    const std::int64_t oldSize = FStream->Size();
    const std::int32_t oldCount = FPageCount;
    try {
        ++FPageCount;
        if (FPageCount == 1)
            WriteHeader(1);
        auto put32 = [&](std::int64_t v) {
            char b[4];
            qToLittleEndian<std::int32_t>(static_cast<std::int32_t>(v), b);
            FStream->WriteBuffer(b, 4);
        };
        const std::int64_t S = FStream->Seek(0, soFromEnd);
        put32(FPageCount);
        const std::int64_t N = FStream->Position();
        put32(0);
        if (!FCompression) {
            FStream->WriteBuffer(aMetafile.constData(), aMetafile.size());
        } else {
            put32(aMetafile.size());
            TQRCompress compressor(*FStream, /*CompressData*/ true);
            for (char c : aMetafile)
                compressor.Compress(static_cast<std::uint8_t>(c));
            compressor.Close();
        }
        put32(S);
        const std::int64_t E = FStream->Position();
        FStream->Seek(N, soFromBeginning);
        put32(E);
        FStream->Seek(E, soFromBeginning);
    } catch (...) {
        FPageCount = oldCount;
        try {
            FStream->SetSize(oldSize);
            FStream->Seek(0, soFromEnd);
        } catch (...) {
            // The first error is the one worth reporting.
        }
        throw;
    }
}

void TQRPageList::Finish()
{
    std::lock_guard listGuard(FLock);
    if (!FStream || FStream->ReadOnly())
        return;
    std::lock_guard storeGuard(FStream->Lock());
    WriteHeader(FPageCount);
}

// Finds the record of page n, starting from where the store's position rests (normally the
// record after the last one read). Each step checks that the records are linked both ways and
// numbered one apart, and positions move strictly one way, so no damage can make it loop.
void TQRPageList::GoToPage(int PageNumber)
{
    auto fail = [this](std::int64_t at, const QString &what) { Damaged(at, what); };
    auto locate = [&](std::int64_t from) -> std::int64_t {
        TStoreReader r(*FStream, fail);
        ++FHops;
        if (PageNumber == 1)
            return FHeaderSize;
        const std::int64_t size = r.Size();
        std::int64_t pos = from;
        if (pos >= size) {
            pos = r.Int32(size - 4);
            if (pos < FHeaderSize || pos > size - MinLink)
                fail(size - 4, u"the last back pointer (%1) points outside the pages"_s.arg(pos));
        }
        std::int32_t p = r.Int32(pos);
        if (p < 1)
            fail(pos, u"a page record carries the page number %1"_s.arg(p));
        while (p < PageNumber) {
            const std::int64_t next = r.Int32(pos + 4);
            if (!r.Linked(pos, next))
                fail(pos + 4, u"the link from page %1 to the next page is broken"_s.arg(p));
            pos = next;
            ++FHops;
            if (r.Int32(pos) != p + 1)
                fail(pos, u"page %1 is missing"_s.arg(p + 1));
            ++p;
        }
        while (p > PageNumber) {
            const std::int64_t back = r.Int32(pos - 4);
            if (back < FHeaderSize || !r.Linked(back, pos))
                fail(
                    pos - 4, u"the link from page %1 back to the previous page is broken"_s.arg(p));
            pos = back;
            ++FHops;
            if (r.Int32(pos) != p - 1)
                fail(pos, u"page %1 is missing"_s.arg(p - 1));
            --p;
        }
        return pos;
    };

    const std::int64_t from = FStream->Position();
    const std::int64_t end = FStream->Size();
    std::int64_t record;
    try {
        record = locate(from);
    } catch (const EQRError &) {
        // The resting position may have been moved by someone else; the end is always a
        // sound place to start from.
        if (from >= end)
            throw;
        record = locate(end);
    }
    FStream->Seek(record, soFromBeginning);
}

TQRPagePicture TQRPageList::ReadPageBody(std::int64_t RecordStart)
{
    auto fail = [this](std::int64_t at, const QString &what) { Damaged(at, what); };
    TStoreReader r(*FStream, fail);
    const std::int64_t size = r.Size();
    const std::int64_t next = r.Int32(RecordStart + 4);
    const std::int64_t body = RecordStart + 8;
    TQRPagePicture picture;

    if (!FCompression) {
        if (body > size - EmfMinHeader - 4)
            fail(body, u"the data ends inside a page"_s);
        char prefix[EmfPrefix];
        FStream->Seek(body, soFromBeginning);
        FStream->ReadBuffer(prefix, EmfPrefix);
        std::uint32_t length = 0;
        const QString problem = EmfPrefixProblem(prefix, length);
        if (!problem.isEmpty())
            fail(body, problem);
        if (length > static_cast<std::uint64_t>(MaxPageBytes))
            fail(body + 48, u"the page's EMF size (%1) is beyond any real page"_s.arg(length));
        if (length > static_cast<std::uint64_t>(size - body - 4))
            fail(
                body + 48, u"the page's EMF size (%1) runs past the end of the data"_s.arg(length));
        picture.resize(static_cast<qsizetype>(length));
        FStream->Seek(body, soFromBeginning);
        FStream->ReadBuffer(picture.data(), length);
    } else {
        const std::int32_t length = r.Int32(body);
        const std::int64_t coded = size - (body + 4) - 4;
        if (length < EmfMinHeader || length > MaxPageBytes || coded < 1 || length > coded * 8)
            fail(body, u"the compressed page's length (%1) is impossible"_s.arg(length));
        FStream->Seek(body + 4, soFromBeginning);
        TQRCompress expander(*FStream, /*CompressData*/ false);
        try {
            // Check the EMF header as soon as it is expanded, before making room for the rest.
            QByteArray prefix(EmfPrefix, Qt::Uninitialized);
            for (int i = 0; i < EmfPrefix; ++i)
                prefix[i] = static_cast<char>(expander.Expand());
            std::uint32_t emfSize = 0;
            QString problem = EmfPrefixProblem(prefix.constData(), emfSize);
            if (problem.isEmpty() && emfSize != static_cast<std::uint32_t>(length))
                problem = u"the compressed page's length (%1) differs from its EMF size (%2)"_s
                              .arg(length)
                              .arg(emfSize);
            if (!problem.isEmpty())
                fail(body + 4, problem);
            // Room grows with the bytes actually expanded, never ahead of them from the
            // length field.
            picture = prefix;
            std::int32_t done = EmfPrefix;
            while (done < length) {
                const std::int32_t step
                    = std::min<std::int32_t>(length - done, std::max(done, 4096));
                picture.resize(done + step);
                auto *dst = reinterpret_cast<std::uint8_t *>(picture.data()) + done;
                for (std::int32_t i = 0; i < step; ++i)
                    dst[i] = expander.Expand();
                done += step;
            }
        } catch (const EQRError &e) {
            if (e.Message().startsWith(u"Compressed page data"_s))
                fail(body + 4 + expander.Consumed(), e.Message());
            throw;
        }
        expander.Close();
    }

    const std::int64_t after = FStream->Position();
    if (r.Int32(after) != RecordStart)
        fail(after, u"the page's back pointer is wrong"_s);
    if (after + 4 != next)
        fail(
            RecordStart + 4, u"the page's next pointer (%1) does not match its length"_s.arg(next));
    FStream->Seek(after + 4, soFromBeginning);
    return picture;
}

std::optional<TQRPagePicture> TQRPageList::GetPage(int PageNumber)
{
    std::lock_guard listGuard(FLock);
    if (!FStream || PageNumber < 1 || PageNumber > FPageCount)
        return std::nullopt;
    std::lock_guard storeGuard(FStream->Lock());
    try {
        GoToPage(PageNumber);
        const std::int64_t record = FStream->Position();
        TStoreReader r(
            *FStream, [this](std::int64_t at, const QString &what) { Damaged(at, what); });
        if (r.Int32(record) != PageNumber)
            Damaged(record, u"page %1 is missing"_s.arg(PageNumber));
        TQRPagePicture picture = ReadPageBody(record);
        // A page no real report holds is refused here, before anyone draws it for seconds.
        if (const QString problem = EmfWorkProblem(picture); !problem.isEmpty())
            Damaged(record, u"page %1: %2"_s.arg(PageNumber).arg(problem));
        return picture;
    } catch (...) {
        // Leave the position where the next search can always start.
        try {
            FStream->Seek(0, soFromEnd);
        } catch (...) {
        }
        throw;
    }
}

void TQRPageList::SaveToStream(QIODevice &inStream)
{
    std::lock_guard listGuard(FLock);
    if (!FStream)
        throw EQRError(u"There are no pages to save"_s);
    FStream->SaveToStream(inStream);
}

void TQRPageList::SaveToFile(const QString &Filename)
{
    std::lock_guard listGuard(FLock);
    if (!FStream)
        throw EQRError(u"There are no pages to save"_s);
    QSaveFile file(Filename);
    // Unbuffered: the store is written in chunks already, and a write that fails says why.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EPlatformError(u"Cannot create file \"%1\". %2"_s.arg(
            Filename, WithCause(file.errorString(), WriteFailureCause(Filename))));
    FStream->SaveToStream(file);
    if (!file.commit())
        throw EPlatformError(WithCause(u"Unable to write to %1"_s.arg(Filename),
            WriteFailureCause(Filename, file.errorString())));
}

void TQRPageList::LoadFromFile(const QString &Filename)
{
    LoadFromStore(TQRStream::CreateFromFile(Filename), Filename);
}

void TQRPageList::LoadFromStream(QIODevice &inStream)
{
    const qint64 size = inStream.size() - inStream.pos();
    if (size > TQRStream::MaxStoreSize)
        throw EQRError(u"The report is larger than a page store can hold"_s);
    auto store = std::make_unique<TQRStream>(static_cast<std::int32_t>(std::max<qint64>(size, 0)));
    std::vector<char> chunk(TQRStream::CopyChunkSize);
    for (;;) {
        const qint64 got = inStream.read(chunk.data(), TQRStream::CopyChunkSize);
        // A failed read would otherwise pass for the end and show up as a damaged report.
        if (got < 0)
            throw EPlatformError(u"Unable to read the report: %1"_s.arg(inStream.errorString()));
        if (got == 0)
            break;
        store->WriteBuffer(chunk.data(), got);
    }
    store->Seek(0, soFromBeginning);
    LoadFromStore(std::move(store));
}

// Reads the header of Store and walks its pages on a scratch list; only a sound store
// replaces what this list holds.
void TQRPageList::LoadFromStore(std::unique_ptr<TQRStream> Store, const QString &Name)
{
    std::lock_guard listGuard(FLock);
    TQRPageList probe;
    probe.FStream = std::move(Store);
    probe.FName = Name;
    TQRStream &store = *probe.FStream;
    std::lock_guard storeGuard(store.Lock());

    const int h = QRDetectHeaderSize(store);
    probe.FHeaderSize = h;
    const std::int64_t size = store.Size();
    if (size < h)
        probe.Damaged(size, u"the data ends inside the header"_s);
    QByteArray header(std::max(h, HeaderSize128), '\0');
    store.Seek(0, soFromBeginning);
    store.ReadBuffer(header.data(), h);
    if (h == 124) {
        // The older layout keeps the same fields closer together.
        QByteArray moved(HeaderSize128, '\0');
        std::memcpy(moved.data(), header.constData(), 5);
        std::memcpy(moved.data() + 8, header.constData() + 8, 4);
        std::memcpy(moved.data() + 16, header.constData() + 12, 8);
        moved[24] = header[20];
        moved[25] = header[21];
        std::memcpy(moved.data() + 26, header.constData() + 22, 101);
        header = moved;
    }
    probe.FCompression = h > 25 && header[25] == 1;

    if (size > TQRStream::MaxStoreSize)
        probe.Damaged(TQRStream::MaxStoreSize, u"the file is larger than a report can be"_s);
    const std::int32_t count = probe.WalkRecords(h);
    if (h == 128 || h == 124) {
        const std::int32_t claimed = qFromLittleEndian<std::int32_t>(header.constData() + 8);
        if (claimed != count)
            probe.Damaged(
                8, u"the header counts %1 pages, but the file holds %2"_s.arg(claimed).arg(count));
    }
    // The other layouts carry no usable count: the records that are there count.
    probe.FPageCount = count;
    store.Seek(0, soFromEnd);

    FStream = std::move(probe.FStream);
    FName = Name;
    FHeaderSize = h;
    FCompression = probe.FCompression;
    FPageCount = probe.FPageCount;
}

// Walks the page records from First to the end of the store without reading page bodies, and
// returns how many there are. One hop a page; any break in the chain is damage.
std::int32_t TQRPageList::WalkRecords(std::int64_t First)
{
    TStoreReader r(*FStream, [this](std::int64_t at, const QString &what) { Damaged(at, what); });
    const std::int64_t size = r.Size();
    const std::int64_t minRecord = FCompression ? MinCompressedRecord : MinRecord;
    std::int64_t pos = First;
    std::int32_t count = 0;
    while (pos < size) {
        const std::int32_t page = count + 1;
        if (size - pos < minRecord)
            Damaged(
                pos, u"%1 bytes after page %2 are not a page record"_s.arg(size - pos).arg(count));
        const std::int32_t number = r.Int32(pos);
        if (number != page)
            Damaged(pos, u"the record of page %1 carries the number %2"_s.arg(page).arg(number));
        const std::int64_t next = r.Int32(pos + 4);
        if (next < pos + minRecord || next > size)
            Damaged(
                pos + 4, u"the next pointer of page %1 (%2) is impossible"_s.arg(page).arg(next));
        const std::int32_t back = r.Int32(next - 4);
        if (back != pos)
            Damaged(next - 4,
                u"the back pointer of page %1 (%2) is not its record's start (%3)"_s.arg(page)
                    .arg(back)
                    .arg(pos));
        const std::int64_t body = pos + 8;
        const std::int64_t bodyLength = next - 4 - body;
        if (!FCompression) {
            char prefix[EmfPrefix];
            FStream->Seek(body, soFromBeginning);
            FStream->ReadBuffer(prefix, EmfPrefix);
            std::uint32_t emfSize = 0;
            const QString problem = EmfPrefixProblem(prefix, emfSize);
            if (!problem.isEmpty())
                Damaged(body, u"page %1: %2"_s.arg(page).arg(problem));
            if (emfSize > static_cast<std::uint64_t>(MaxPageBytes))
                Damaged(body + 48,
                    u"page %1 claims %2 bytes, beyond any real page"_s.arg(page).arg(emfSize));
            if (emfSize != static_cast<std::uint64_t>(bodyLength))
                Damaged(body + 48,
                    u"the EMF size of page %1 (%2) differs from its record (%3 bytes)"_s.arg(page)
                        .arg(emfSize)
                        .arg(bodyLength));
        } else {
            // Every expanded byte costs at least one coded bit.
            const std::int32_t length = r.Int32(body);
            const std::int64_t coded = bodyLength - 4;
            if (length < EmfMinHeader || length > MaxPageBytes || coded < 1 || length > coded * 8)
                Damaged(body,
                    u"the compressed page %1 claims an impossible length (%2)"_s.arg(page).arg(
                        length));
        }
        pos = next;
        ++count;
    }
    return count;
}

void TQRPageList::DrawPage(int PageNumber, ICanvas &Canvas, const QRect &Target)
{
    std::optional<TQRPagePicture> picture;
    QString name;
    {
        std::lock_guard guard(FLock);
        picture = GetPage(PageNumber);
        name = FName;
    }
    if (!picture)
        return;
    try {
        Canvas.DrawPicture(Target, *picture);
    } catch (const ELevantaError &e) {
        if (name.isEmpty())
            throw EQRError(
                u"Cannot show page %1 of the report: %2"_s.arg(PageNumber).arg(e.Message()));
        throw EQRError(u"Cannot show page %1 of the report file \"%2\": %3"_s.arg(PageNumber)
                           .arg(name, e.Message()));
    }
}
