#pragma once
// The rendered pages of one run, kept in order in one byte store whose bytes are exactly a
// saved report (.QRP) file: a header, then per page a record
//   page number, next-record position, page body, back pointer to the record's start.

#include "report/QRStream.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class ICanvas;
class QIODevice;
class QRect;

// Local date and time as days since 30 December 1899, the time of day as the fraction.
using TQRClock = std::function<double()>;
double QRNow();
// Replaces the clock QRNow reads for the whole process (tests that compare files byte for
// byte); an empty clock restores the system's.
void QRSetNow(TQRClock clock);

// A page picture is the complete byte image of an enhanced metafile.
using TQRPagePicture = QByteArray;

// Checks that Bytes is a whole EMF image: a header record with the signature whose total
// size equals Bytes' length. Empty when sound, else the reason.
QString QRCheckEmfImage(QByteArrayView Bytes);

class TQRPageList
{
public:
    static constexpr int HeaderSize128 = 128;
    // No real page comes near this; a page that claims more is refused, not allocated.
    static constexpr std::int64_t MaxPageBytes = 64 * 1024 * 1024;

    TQRPageList();
    ~TQRPageList();
    TQRPageList(const TQRPageList &) = delete;
    TQRPageList &operator=(const TQRPageList &) = delete;

    // Appends one page; on any failure the store is left as it was before the call.
    void AddPage(const TQRPagePicture &aMetafile);
    // Page PageNumber (1 first), or nothing when it is not in the list.
    std::optional<TQRPagePicture> GetPage(int PageNumber);
    // Rewrites the header with the final count, the compression flag and the time.
    void Finish();
    void Clear() { FPageCount = 0; }

    // Both write the store as it stands; SaveToFile replaces Filename only once the whole
    // file is written, so a failure keeps the old file and a report may be saved over the
    // very file it was loaded from.
    void SaveToFile(const QString &Filename);
    void SaveToStream(QIODevice &inStream);
    // Both walk the whole chain of page records before they take the new store: numbers
    // 1..n in order, every next pointer just after its back pointer, every back pointer at
    // its record's start, every page's EMF size within its record, nothing after the last
    // record, and a header count equal to the records found. Page bodies are not read. A
    // damaged file raises EQRError (naming file and offset) and leaves the list as it was.
    void LoadFromFile(const QString &Filename);
    void LoadFromStream(QIODevice &inStream);
    // The same for a store that already holds a saved report; Name is used in messages.
    void LoadFromStore(std::unique_ptr<TQRStream> Store, const QString &Name = QString());

    // Draws page PageNumber stretched into Target. A picture the player refuses raises
    // EQRError naming the report and the page; a page not in the list draws nothing.
    void DrawPage(int PageNumber, ICanvas &Canvas, const QRect &Target);

    void LockList() { FLock.lock(); }
    void UnlockList() { FLock.unlock(); }

    bool Compression() const { return FCompression; }
    void SetCompression(bool Value) { FCompression = Value; }
    int PageCount() const
    {
        std::lock_guard guard(FLock);
        return FPageCount;
    }

    TQRStream *Stream() const { return FStream.get(); }
    // Takes a new (normally empty) store for a run; the old one is freed.
    void SetStream(std::unique_ptr<TQRStream> Value);
    // The printer's clean-up: frees the store (removing a spill file).
    void FreeStream();

    // Size of the header in front of page 1 (128 for every store this program writes).
    int HeaderSize() const { return FHeaderSize; }
    // Page records visited while finding pages, since the list was created; reading pages in
    // order costs one each.
    std::int64_t Hops() const { return FHops; }

    // The clock that dates the header; tests set a fixed one.
    void SetClock(TQRClock Clock) { FClock = std::move(Clock); }

private:
    struct TRecord;
    void WriteHeader(std::int32_t Count);
    void GoToPage(int PageNumber);
    TQRPagePicture ReadPageBody(std::int64_t RecordStart);
    [[noreturn]] void Damaged(std::int64_t Offset, const QString &What) const;
    std::int32_t WalkRecords(std::int64_t First);

    mutable std::recursive_mutex FLock;
    bool FCompression = false;
    std::int32_t FPageCount = 0;
    std::unique_ptr<TQRStream> FStream;
    int FHeaderSize = HeaderSize128;
    QString FName; // the loaded file, for messages
    std::int64_t FHops = 0;
    TQRClock FClock;
};

// Finds the header size of a store from where the first page's EMF signature lies (older
// files had shorter headers). Leaves the position as it was.
int QRDetectHeaderSize(TQRStream &Store);
