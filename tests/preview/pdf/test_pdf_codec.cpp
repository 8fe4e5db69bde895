// The byte-level pieces of the PDF writer: ASCII85 and LZW (decoded by qpdf, an independent
// reader), the code page of the file's bytes, and the compiled glyph list.
#include "PdfTestSupport.h"
#include "preview/GlyphList.h"
#include "preview/QRPDFCodec.h"

#include <QFile>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

namespace
{

TEST(PdfASCII85, Groups)
{
    const struct {
        QByteArray In, Out;
        const char *Why;
    } rows[] = {
        { "", "~>", "nothing but the end marker" },
        { "Man ", "9jqo^~>", "one full group, most significant byte first" },
        { "Man is", "9jqo^Bla~>", "a short last group is its length + 1 characters" },
        { "a", "@/~>", "one byte gives two characters" },
        { "abc", "@:E^~>", "three bytes give four" },
        { QByteArray(4, '\0'), "z~>", "an all-zero full group is z" },
        { QByteArray(3, '\0'), "!!!!~>", "a short zero group is not z" },
        { "\xff\xff\xff\xff", "s8W-!~>", "the largest group" },
    };
    for (const auto &r : rows)
        EXPECT_EQ(PDFASCII85Encode(r.In), r.Out) << r.Why;
}

TEST(PdfASCII85, BreaksLinesAfter200CountedCharacters)
{
    // 41 groups count 205 characters: a break after the 41st group, counting z as 5.
    QByteArray zeros(41 * 4 + 4, '\0');
    const QByteArray out = PDFASCII85Encode(zeros);
    EXPECT_EQ(out, QByteArray(41, 'z') + "\r\n" + "z~>");
    QByteArray text(41 * 4, 'A');
    const QByteArray t = PDFASCII85Encode(text);
    EXPECT_EQ(t.indexOf("\r\n"), 41 * 5);
    EXPECT_EQ(t.count("\r\n"), 1);
}

TEST(PdfLZW, TheReferenceExample)
{
    // The classic example of the LZWDecode filter: codes 256 45 258 258 65 259 66 257.
    EXPECT_EQ(PDFLZWEncode("-----A---B").toHex(' '), QByteArray("80 0b 60 50 22 0c 0c 85 01"));
}

// A file whose object 3 is a stream with the given filter, for qpdf to decode.
QByteArray StreamFile(const QByteArray &data, const QByteArray &filter)
{
    QByteArray f = "%PDF-1.3\n";
    std::vector<qsizetype> offs;
    offs.push_back(f.size());
    f += "1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
    offs.push_back(f.size());
    f += "2 0 obj\n<< /Type /Pages /Count 0 /Kids [] >>\nendobj\n";
    offs.push_back(f.size());
    f += "3 0 obj\n<< /Length " + QByteArray::number(data.size()) + " /Filter [" + filter
        + "] >>\nstream\n" + data + "\nendstream\nendobj\n";
    const qsizetype xref = f.size();
    f += "xref\n0 4\n0000000000 65535 f \n";
    for (const qsizetype o : offs)
        f += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
    f += "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return f;
}

QByteArray DecodedByQpdf(const QByteArray &encoded, const QByteArray &filter)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"s.pdf"_s);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(StreamFile(encoded, filter));
    file.close();
    const auto r
        = pdftest::Run(u"qpdf"_s, { u"--show-object=3"_s, u"--filtered-stream-data"_s, path });
    EXPECT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    return r.Out;
}

TEST(PdfLZW, QpdfDecodesWhatWeEncode)
{
    std::mt19937 random(11);
    QByteArray noise(30000, '\0');
    for (char &c : noise)
        c = static_cast<char>(random());
    QByteArray pixels; // rows of an invoice-like picture: long runs and some detail
    for (int i = 0; i < 200000; ++i)
        pixels.append(static_cast<char>((i / 3 % 97 < 90) ? 255 : (i * 7) & 0xFF));
    const struct {
        QByteArray Data;
        const char *Why;
    } rows[] = {
        { "", "only the clear and end codes" },
        { "a", "one code, then the end code" },
        { "-----A---B", "a code used before its entry is complete (KwKwK)" },
        { QByteArray(600, 'x'), "runs cross the 9 -> 10 bit width change" },
        { noise, "noise fills the table: every width and a clear code" },
        { pixels, "many table clears" },
    };
    for (const auto &r : rows) {
        const QByteArray lzw = PDFLZWEncode(r.Data);
        EXPECT_EQ(DecodedByQpdf(lzw, "/LZWDecode"), r.Data) << r.Why;
        EXPECT_EQ(DecodedByQpdf(PDFASCII85Encode(lzw), "/ASCII85Decode /LZWDecode"), r.Data)
            << r.Why << " (through ASCII85)";
    }
}

TEST(PdfCodePage, SettingNamesTheCodePage)
{
    const struct {
        QString Setting;
        QByteArray Name;
        const char *Why;
    } rows[] = {
        { u"8859-9"_s, "ISO-8859-9", "the preview's setting is ISO Latin 5 (Turkish), not 1252" },
        { u"ISO-8859-9"_s, "ISO-8859-9", "the full name too" },
        { u" 1254 "_s, "CP1254", "a whole number, trimmed" },
        { u"1252"_s, "CP1252", "the Western code page" },
        { u"utf8"_s, "CP1252", "anything else is 1252" },
        { u""_s, "CP1252", "empty is 1252" },
        { u"4711"_s, "CP1252", "a number the system cannot convert is 1252" },
    };
    for (const auto &r : rows)
        EXPECT_EQ(TPDFCodePage::FromSetting(r.Setting).Name(), r.Name) << r.Why;
}

TEST(PdfCodePage, Encoding)
{
    const QString turkish = u"şğıİŞĞ"_s;
    const struct {
        QString Setting, Text;
        QByteArray Bytes;
        const char *Why;
    } rows[] = {
        { u"8859-9"_s, turkish, "\xFE\xF0\xFD\xDD\xDE\xD0", "Turkish letters survive" },
        { u"1254"_s, turkish, "\xFE\xF0\xFD\xDD\xDE\xD0", "1254 has them at the same bytes" },
        { u"1252"_s, turkish, "??????", "1252 has none of them" },
        { u"1252"_s, u"€ Ç"_s, "\x80 \xC7", "the euro sign is byte 128 in 1252" },
        { u"1252"_s, u"\u0081"_s, "\x81", "an undefined byte keeps its C1 control" },
        { u"8859-9"_s, u"a😀b"_s, "a?b", "a character outside the plane is one ?" },
        { u"1251"_s, u"Жa"_s,
            "\xC6"
            "a",
            "Cyrillic in 1251" },
    };
    for (const auto &r : rows)
        EXPECT_EQ(TPDFCodePage::FromSetting(r.Setting).Encode(r.Text), r.Bytes) << r.Why;

    const TPDFCodePage iso = TPDFCodePage::FromSetting(u"8859-9"_s);
    EXPECT_TRUE(iso.SingleByte());
    EXPECT_EQ(iso.ToUnicode(0xFE), U'ş');
    EXPECT_EQ(iso.ToUnicode(0xDD), U'İ');
    const TPDFCodePage sjis = TPDFCodePage::FromNumber(932);
    EXPECT_FALSE(sjis.SingleByte());
    EXPECT_EQ(sjis.Encode(u"aş"_s), "a?") << "multi-byte code pages replace what they lack";
}

TEST(PdfGlyphList, CompiledListIsTheSharedOne)
{
    QFile file(QString::fromUtf8(LEVANTA_SHARED_DIR "/data/glyphlist-1.2.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the shared folder is beside the clone";
    int i = 0;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> f = line.split(';');
        ASSERT_LT(i, GlyphListCount);
        EXPECT_EQ(GlyphList[i].Unicode, f[0].toUInt(nullptr, 16)) << i;
        EXPECT_EQ(QByteArray(GlyphList[i].Name), f[1]) << i;
        ++i;
    }
    EXPECT_EQ(i, 1051);
    EXPECT_EQ(GlyphListCount, 1051);
}

TEST(PdfGlyphList, FirstEntryInListOrder)
{
    const struct {
        char32_t C;
        const char *Name;
        const char *Why;
    } rows[] = {
        { U' ', "space", "" },
        { 0xA0, "space", "no-break space is a duplicate of space" },
        { U'ş', "scedilla", "" },
        { U'Ş', "Scedilla", "" },
        { U'ı', "dotlessi", "" },
        { U'İ', "Idotaccent", "" },
        { U'ğ', "gbreve", "" },
        { 0x20AC, "Euro", "version 1.2 moved Euro to U+20AC" },
        { 0x2219, "periodcentered", "one name given to two characters" },
    };
    for (const auto &r : rows)
        EXPECT_STREQ(GlyphNameOf(r.C), r.Name) << r.Why;
    EXPECT_EQ(GlyphNameOf(2), nullptr) << "control characters have no glyph name";
}

} // namespace
