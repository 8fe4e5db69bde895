#include "report/QRCompress.h"

#include "EmfBytes.h"
#include "report/QRError.h"
#include "report/QRStream.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

namespace
{

QByteArray Hex(const char *h)
{
    return QByteArray::fromHex(h);
}

} // namespace

// Vectors worked out by hand from the initial tree (inner node i has children 2i+1 and 2i+2,
// the leaf of byte b is node 256+b): the path to byte b is the binary form of 257+b without
// its leading 1, sent root first into bit 0, 1, ... of each output byte.
TEST(QRCompress, MatchesHandWorkedBitStreams)
{
    struct Row {
        QByteArray plain;
        QByteArray coded;
        const char *why;
    } rows[] = {
        { QByteArray(), QByteArray(), "nothing in, nothing out" },
        { Hex("00"), Hex("80"), "byte 0 is the path 00000001: only bit 7 set" },
        { Hex("01"), Hex("40"), "byte 1 is 00000010" },
        { Hex("fe"), Hex("ff"), "byte 254 is eight right turns" },
        { Hex("ff"), Hex("0000"),
            "byte 255 sits one level deeper: nine zero bits, last byte partly filled" },
        { Hex("0000"), Hex("800f"),
            "after one splay byte 0 hangs four right turns below the root: 1111 in bits 0-3" },
    };
    for (const Row &r : rows) {
        EXPECT_EQ(TQRCompress::CompressBytes(r.plain).toHex(), r.coded.toHex()) << r.why;
        EXPECT_EQ(TQRCompress::ExpandBytes(r.coded, r.plain.size()).toHex(), r.plain.toHex())
            << r.why;
    }
}

TEST(QRCompress, RoundTripsEveryKindOfInput)
{
    std::mt19937 rng(7);
    QByteArray random(50000, '\0');
    for (char &c : random)
        c = static_cast<char>(rng());
    QByteArray all;
    for (int rep = 0; rep < 3; ++rep)
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
    QByteArray fixture;
    QFile f(QString::fromUtf8(LEVANTA_SHARED_DIR "/fixtures/emf/construct_emf1.emf"));
    if (f.open(QIODevice::ReadOnly))
        fixture = f.readAll();

    struct Row {
        QByteArray plain;
        const char *why;
    } rows[] = {
        { QByteArray(1, 'x'), "a single byte" },
        { all, "every byte value, so every leaf is coded and splayed" },
        { QByteArray(100000, '\0'), "a long run drives one leaf to the top" },
        { random, "incompressible bytes grow but still come back" },
        { emfbytes::Make(3, 5000), "an EMF page" },
        { fixture, "an EMF written by another program" },
    };
    for (const Row &r : rows) {
        const QByteArray coded = TQRCompress::CompressBytes(r.plain);
        EXPECT_EQ(TQRCompress::ExpandBytes(coded, r.plain.size()), r.plain) << r.why;
    }
    const QByteArray page = emfbytes::Make(3, 5000);
    EXPECT_LT(TQRCompress::CompressBytes(page).size(), page.size() * 4 / 5)
        << "text-like pages shrink";
}

TEST(QRCompress, StoreCodingConsumesExactlyWhatWasWritten)
{
    // The back pointer follows a compressed body directly, so the expander must leave the
    // store right after the last byte the encoder wrote, even though it reads ahead.
    for (int limit : { 10000000, 64 }) {
        const QByteArray page = emfbytes::Make(9, 20000);
        TQRStream s(limit);
        s.WriteBuffer("head", 4);
        {
            TQRCompress c(s, /*CompressData*/ true);
            for (char ch : page)
                c.Compress(static_cast<std::uint8_t>(ch));
            c.Close();
        }
        const std::int64_t end = s.Position();
        s.WriteBuffer("TAIL", 4);
        EXPECT_EQ(end - 4, TQRCompress::CompressBytes(page).size())
            << "same bytes as the buffer form";

        s.Seek(4, soFromBeginning);
        QByteArray back;
        {
            TQRCompress e(s, /*CompressData*/ false);
            for (qsizetype i = 0; i < page.size(); ++i)
                back += static_cast<char>(e.Expand());
            e.Close();
        }
        EXPECT_EQ(back, page);
        EXPECT_EQ(s.Position(), end);
        char tail[4];
        s.ReadBuffer(tail, 4);
        EXPECT_EQ(QByteArray(tail, 4), "TAIL");
    }
}

TEST(QRCompress, DamagedInputFailsCleanly)
{
    struct Row {
        QByteArray coded;
        std::int64_t count;
        const char *why;
    } rows[] = {
        { Hex("00"), 1, "the code of byte 255 needs a ninth bit that is not there" },
        { Hex("0001"), 1, "eight left turns and a right one reach node 512, which is no byte" },
        { Hex("ff"), 9, "more bytes asked for than eight bits a byte allow" },
        { Hex("ff"), -1, "a negative count" },
        { QByteArray(), 1, "no input at all" },
    };
    for (const Row &r : rows)
        EXPECT_THROW(TQRCompress::ExpandBytes(r.coded, r.count), EQRError) << r.why;
    // Node 512's neighbour is byte 255.
    EXPECT_EQ(TQRCompress::ExpandBytes(Hex("0000"), 1), Hex("ff"));
}
