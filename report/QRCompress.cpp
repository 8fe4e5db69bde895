#include "report/QRCompress.h"

#include "report/QRError.h"
#include "report/QRStream.h"

using namespace Qt::StringLiterals;

namespace
{
constexpr std::size_t BufferSize = 8192;
constexpr int Root = 0;
constexpr int FirstLeaf = 256;
} // namespace

TQRCompress::TQRCompress(TQRStream &aStream, bool CompressData)
    : TQRCompress(CompressData)
{
    Stream = &aStream;
}

TQRCompress::TQRCompress(bool CompressData)
    : CompressFlag(CompressData)
{
    InitTree();
    BitPos = CompressData ? 0 : 7;
    OutByte = 0;
    if (CompressData)
        FBuffer.reserve(BufferSize);
}

TQRCompress::~TQRCompress()
{
    if (FClosed)
        return;
    try {
        Close();
    } catch (...) {
        // A destructor cannot report it; callers that care call Close themselves.
    }
}

void TQRCompress::InitTree()
{
    for (int i = 0; i < 256; ++i) {
        Left[i] = static_cast<std::uint16_t>(2 * i + 1);
        Right[i] = static_cast<std::uint16_t>(2 * i + 2);
    }
    Up[0] = 0;
    for (int i = 1; i <= 512; ++i)
        Up[i] = static_cast<std::uint8_t>((i - 1) / 2);
}

// Semi-splaying: every step swaps the node with its grandparent's other child and moves on to
// the grandparent, which roughly halves the path to frequent bytes.
void TQRCompress::Splay(std::uint8_t Plain)
{
    int a = FirstLeaf + Plain;
    for (;;) {
        const int P = Up[a];
        if (P == Root)
            break;
        const int G = Up[P];
        int U;
        if (Left[G] == P) {
            U = Right[G];
            Right[G] = static_cast<std::uint16_t>(a);
        } else {
            U = Left[G];
            Left[G] = static_cast<std::uint16_t>(a);
        }
        if (Left[P] == a)
            Left[P] = static_cast<std::uint16_t>(U);
        else
            Right[P] = static_cast<std::uint16_t>(U);
        Up[a] = static_cast<std::uint8_t>(G);
        Up[U] = static_cast<std::uint8_t>(P);
        a = G;
    }
}

void TQRCompress::Compress(std::uint8_t Plain)
{
    // The path is found leaf to root but sent root first. A path cannot be longer than the
    // number of inner nodes.
    bool path[257];
    int depth = 0;
    int a = FirstLeaf + Plain;
    while (a != Root) {
        const int P = Up[a];
        path[depth++] = Right[P] == a;
        a = P;
    }
    while (depth > 0) {
        if (path[--depth])
            OutByte |= static_cast<std::uint16_t>(1u << BitPos);
        if (BitPos == 7) {
            PutByte(static_cast<std::uint8_t>(OutByte));
            OutByte = 0;
            BitPos = 0;
        } else {
            ++BitPos;
        }
    }
    Splay(Plain);
}

std::uint8_t TQRCompress::Expand()
{
    int a = Root;
    while (a < FirstLeaf) {
        if (BitPos == 7) {
            InByte = GetByte();
            BitPos = 0;
        } else {
            ++BitPos;
        }
        a = (InByte >> BitPos) & 1 ? Right[a] : Left[a];
    }
    // Node 512 hangs in the tree but no byte maps to it: only damaged input leads there.
    if (a > FirstLeaf + 255)
        throw EQRError(u"Compressed page data is damaged (code beyond byte values)"_s);
    const auto plain = static_cast<std::uint8_t>(a - FirstLeaf);
    Splay(plain);
    return plain;
}

void TQRCompress::PutByte(std::uint8_t Value)
{
    FBuffer.push_back(Value);
    if (Stream && FBuffer.size() >= BufferSize)
        FlushOutput();
}

void TQRCompress::FlushOutput()
{
    if (Stream && !FBuffer.empty()) {
        Stream->WriteBuffer(FBuffer.data(), static_cast<std::int64_t>(FBuffer.size()));
        FBuffer.clear();
    }
}

std::uint8_t TQRCompress::GetByte()
{
    if (!Stream) {
        if (FInput == FInputEnd)
            throw EQRError(u"Compressed page data ends early after %1 bytes"_s.arg(FConsumed));
        ++FConsumed;
        return *FInput++;
    }
    if (FBufferPos == FBuffer.size()) {
        FBuffer.resize(BufferSize);
        const std::int64_t got = Stream->Read(FBuffer.data(), BufferSize);
        FBuffer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        FBufferPos = 0;
        if (FBuffer.empty())
            throw EQRError(
                u"Compressed page data ends early at offset %1"_s.arg(Stream->Position()));
    }
    ++FConsumed;
    return FBuffer[FBufferPos++];
}

void TQRCompress::Close()
{
    if (FClosed)
        return;
    FClosed = true;
    if (CompressFlag) {
        if (BitPos != 0)
            PutByte(static_cast<std::uint8_t>(OutByte));
        FlushOutput();
    } else if (Stream) {
        const auto unread = static_cast<std::int64_t>(FBuffer.size() - FBufferPos);
        if (unread > 0)
            Stream->Seek(-unread, soFromCurrent);
        FBuffer.clear();
        FBufferPos = 0;
    }
}

void TQRCompress::SetInput(QByteArrayView Bytes)
{
    FInput = reinterpret_cast<const std::uint8_t *>(Bytes.data());
    FInputEnd = FInput + Bytes.size();
}

QByteArray TQRCompress::TakeOutput()
{
    QByteArray out(
        reinterpret_cast<const char *>(FBuffer.data()), static_cast<qsizetype>(FBuffer.size()));
    FBuffer.clear();
    return out;
}

QByteArray TQRCompress::CompressBytes(QByteArrayView Plain)
{
    TQRCompress coder(/*CompressData*/ true);
    for (char c : Plain)
        coder.Compress(static_cast<std::uint8_t>(c));
    coder.Close();
    return coder.TakeOutput();
}

QByteArray TQRCompress::ExpandBytes(QByteArrayView Coded, std::int64_t Count)
{
    // Every byte costs at least one bit, so a count beyond that is a lie; refuse it before
    // allocating for it.
    if (Count < 0 || Count > static_cast<std::int64_t>(Coded.size()) * 8)
        throw EQRError(u"Compressed page data cannot hold %1 bytes"_s.arg(Count));
    TQRCompress coder(/*CompressData*/ false);
    coder.SetInput(Coded);
    QByteArray out(static_cast<qsizetype>(Count), Qt::Uninitialized);
    auto *dst = reinterpret_cast<std::uint8_t *>(out.data());
    for (std::int64_t i = 0; i < Count; ++i)
        dst[i] = coder.Expand();
    return out;
}
