// The code pages and their rule for a byte without a character: one table of cases, each
// with the reason its answer is right.
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

constexpr auto R = TUnmappedByte::Replace;
constexpr auto N = TUnmappedByte::SameNumber;

struct TDecodeCase {
    const char *Why;
    const char *CodePage;
    TUnmappedByte Rule;
    QByteArray Bytes;
    QString Text;
    int Replaced;
};

} // namespace

TEST(TextEncoding, Decode)
{
    const TDecodeCase cases[] = {
        { "Turkish letters of the Windows page", "CP1254", R, "\xDE\xFE\xDD\xFD\xD0\xF0\x80",
            u"ŞşİıĞğ€"_s, 0 },
        { "an undefined 1254 byte read from a user's table is visible and counted", "CP1254", R,
            "a\x81"
            "b\x8D\x90\x9D\x9E",
            u"a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFD"_s, 5 },
        { "the same bytes in a settings file keep their number, so they write back", "CP1254", N,
            "a\x81\x8E\x8F", u"a\u0081\u008E\u008F"_s, 0 },
        { "1252 leaves 0x81 undefined as well", "CP1252", R, "\x80\x81", u"€\uFFFD"_s, 1 },
        { "ISO 8859-9 defines 0x80..0x9F as the C1 controls", "ISO-8859-9", R, "\xDD\xFD\x85",
            u"İı\u0085"_s, 0 },
        { "the DOS Turkish page puts İ and ı elsewhere", "CP857", R, "\x98\x8D\x9E\x9F", u"İıŞş"_s,
            0 },
        { "Thai: an undefined byte outside 0x80..0x9F has no character under either rule", "CP874",
            N, "\xA1\xFF", u"ก\uFFFD"_s, 1 },
        { "Shift-JIS: two bytes, one character", "CP932", R,
            "\x82\xA0"
            "a",
            u"あa"_s, 0 },
        { "Shift-JIS cut after a lead byte: the lone byte is replaced", "CP932", R, "a\x82",
            u"a\uFFFD"_s, 1 },
        { "Shift-JIS with a bad trail byte: the lead is replaced, the rest decodes", "CP932", R,
            "\x82\x20x", u"\uFFFD x"_s, 1 },
        { "Vietnamese holds its last letter back; it must still arrive", "CP1258", R, "ab", u"ab"_s,
            0 },
        { "Vietnamese letter and combining mark compose", "CP1258", R, "a\xEC", u"\u00E1"_s, 0 },
        { "nothing in, nothing out", "CP1254", R, "", QString(), 0 },
    };
    for (const TDecodeCase &c : cases) {
        const auto enc = TTextEncoding::Find(c.CodePage, c.Rule);
        ASSERT_TRUE(enc) << c.Why;
        int replaced = -1;
        EXPECT_EQ(enc->Decode(c.Bytes, &replaced), c.Text) << c.Why;
        EXPECT_EQ(replaced, c.Replaced) << c.Why;
    }
}

TEST(TextEncoding, EncodeAndCanEncode)
{
    const struct {
        const char *Why;
        const char *CodePage;
        TUnmappedByte Rule;
        QString Text;
        QByteArray Bytes;
        bool Whole;
    } cases[] = {
        { "Turkish letters", "CP1254", R, u"ŞşİıĞğ"_s, "\xDE\xFE\xDD\xFD\xD0\xF0", true },
        { "a character the page lacks becomes one ?", "CP1254", R, u"a漢b"_s, "a?b", false },
        { "a character beyond the plane is one ?, not two", "CP1254", R, u"\U0001F600"_s, "?",
            false },
        { "a lone surrogate is not a character", "CP1254", R, QString(QChar(0xD800)), "?", false },
        { "C1 controls go back to their byte only under the fixed-bytes rule", "CP1254", N,
            u"\u0081"_s, "\x81", true },
        { "and are not in the page for a user's data", "CP1254", R, u"\u0081"_s, "?", false },
        { "ISO 8859-9 has İ but not €", "ISO-8859-9", R, u"İ€"_s, "\xDD?", false },
        { "Shift-JIS writes two bytes for one character", "CP932", R, u"あx"_s, "\x82\xA0x", true },
        { "and ? for what it lacks", "CP932", R, u"Ş"_s, "?", false },
    };
    for (const auto &c : cases) {
        const auto enc = TTextEncoding::Find(c.CodePage, c.Rule);
        ASSERT_TRUE(enc) << c.Why;
        EXPECT_EQ(enc->Encode(c.Text), c.Bytes) << c.Why;
        EXPECT_EQ(enc->CanEncode(c.Text), c.Whole) << c.Why;
    }
}

TEST(TextEncoding, TablesAndNames)
{
    const auto cp1254 = TTextEncoding::FromNumber(1254, N);
    ASSERT_TRUE(cp1254);
    EXPECT_EQ(cp1254->Name(), "CP1254");
    EXPECT_TRUE(cp1254->SingleByte());
    EXPECT_EQ(cp1254->CharOf(0xDD), U'İ');
    EXPECT_EQ(cp1254->CharOf(0x81), U'\u0081') << "the fixed-bytes rule defines it";
    EXPECT_FALSE(TTextEncoding::FromNumber(1254, R)->CharOf(0x81));
    EXPECT_EQ(cp1254->ByteOf(U'ı'), 0xFD);
    EXPECT_EQ(cp1254->ByteOf(U'漢'), -1);
    EXPECT_EQ(cp1254->CharOf(0), U'\0') << "byte 0 is a character, not a hole";

    const auto sjis = TTextEncoding::FromNumber(932, R);
    ASSERT_TRUE(sjis);
    EXPECT_FALSE(sjis->SingleByte());
    EXPECT_FALSE(sjis->CharOf('a')) << "no byte table for a two-byte page";
    EXPECT_EQ(sjis->ByteOf(U'a'), -1);

    EXPECT_FALSE(TTextEncoding::FromNumber(12345, R)) << "unknown to iconv";
    EXPECT_FALSE(TTextEncoding::Find("NO-SUCH-PAGE", N));

    // Every byte of every single-byte page decodes to one character and, under the
    // fixed-bytes rule, a defined one encodes back to its byte (or a lower twin).
    for (int cp : { 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 874, 857, 850, 866 }) {
        const auto enc = TTextEncoding::FromNumber(cp, N);
        ASSERT_TRUE(enc) << cp;
        for (int b = 0; b < 256; ++b)
            if (const auto c = enc->CharOf(static_cast<unsigned char>(b))) {
                const int back = enc->ByteOf(*c);
                EXPECT_TRUE(back >= 0 && back <= b) << cp << " byte " << b;
            }
    }
}
