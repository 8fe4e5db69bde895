#include "invoice/Prefill.h"
#include "platform/Errors.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

class PrefillFile : public TTempFileTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Path = PrefillPath(Dir.path());
    }
    const TFormatSettings Tr = TFormatSettings::Turkish();
};

} // namespace

TEST_F(PrefillFile, TurkishLettersInEitherEncoding)
{
    const QString name = u"İŞ ĞIDA ıüöç Ltd."_s;
    const QByteArray utf8 = "[bilgiler]\r\nSAYIN1=" + name.toUtf8() + "\r\nC1=Çay\r\n";
    // The same text as a Turkish Windows program writes it.
    const QByteArray cp1254
        = "[bilgiler]\r\nSAYIN1=\xDD\xDE \xD0IDA \xFD\xFC\xF6\xE7 Ltd.\r\nC1=\xC7\x61y\r\n";
    for (const QByteArray &bytes : { utf8, QByteArray("\xEF\xBB\xBF") + utf8, cp1254 }) {
        Write(bytes);
        const std::optional<TPrefillData> d = TakePrefill(Path, Tr);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->SAYIN1, name);
        EXPECT_EQ(d->C1, u"Çay"_s);
        EXPECT_FALSE(QFile::exists(Path)) << "read once, then deleted";
    }
}

TEST_F(PrefillFile, MissingAndUnreadableValues)
{
    struct Row {
        const char *file;
        long double f1;
        const char *why;
    };
    const Row rows[] = {
        { "", 0, "empty file" },
        { "[bilgiler]\nSAYIN2=x\n", 0, "F1 missing" },
        { "[bilgiler]\nF1=100,5\n", 100.5L, "the locale's decimal comma" },
        { "[BILGILER]\nf1= 118 \n", 118, "names without regard to case, value trimmed" },
        { "[bilgiler]\nF1=100.5\n", 0, "a point is not the Turkish decimal separator" },
        { "[bilgiler]\nF1=on\n", 0, "a word" },
        { "[baska]\nF1=5\n", 0, "only [bilgiler] is read" },
    };
    for (const Row &r : rows) {
        const TPrefillData d = ParsePrefill(r.file, Tr);
        EXPECT_NEAR(double(d.F1), double(r.f1), 1e-12) << r.why;
        EXPECT_TRUE(d.SAYIN1.isEmpty() && d.SAYIN3.isEmpty() && d.VERGIDAIRESI.isEmpty()
            && d.VERGIHESAPNO.isEmpty() && d.C1.isEmpty())
            << r.why;
    }
    EXPECT_NEAR(double(ParsePrefill("[bilgiler]\nF1=100.5\n", TFormatSettings::UnitedStates()).F1),
        100.5, 1e-12);
}

TEST_F(PrefillFile, NoFileAndTooLargeFile)
{
    EXPECT_FALSE(TakePrefill(Path, Tr));
    {
        QFile f(Path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(17 * 1024 * 1024));
    }
    EXPECT_THROW(TakePrefill(Path, Tr), EPlatformError);
    EXPECT_TRUE(QFile::exists(Path)) << "a refused file is not deleted unread";
}

namespace
{

QByteArray Utf16(const QString &text, bool littleEndian)
{
    QByteArray out;
    for (QChar c : text) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        out += littleEndian ? QByteArray(1, lo) + QByteArray(1, hi)
                            : QByteArray(1, hi) + QByteArray(1, lo);
    }
    return out;
}

} // namespace

TEST_F(PrefillFile, Utf16InEitherByteOrderIsReadThenDeleted)
{
    // What a Windows program's Unicode profile functions may leave: UTF-16, with or
    // without its mark. Read as 8-bit text every field would come out empty and the
    // invoice would be lost with the deleted file.
    const QString text = u"[bilgiler]\r\nSAYIN1=İŞ ĞIDA ıüöç Ltd.\r\nC1=Çay\r\nF1=100,5\r\n"_s;
    struct Row {
        QByteArray bytes;
        const char *why;
    } rows[] = {
        { Utf16(text, true), "little endian without a mark" },
        { Utf16(text, false), "big endian without a mark" },
        { QByteArray("\xFF\xFE") + Utf16(text, true), "little endian behind its mark" },
        { QByteArray("\xFE\xFF") + Utf16(text, false), "big endian behind its mark" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        Write(r.bytes);
        const std::optional<TPrefillData> d = TakePrefill(Path, Tr);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->SAYIN1, u"İŞ ĞIDA ıüöç Ltd."_s);
        EXPECT_EQ(d->C1, u"Çay"_s);
        EXPECT_NEAR(double(d->F1), 100.5, 1e-12);
        EXPECT_FALSE(QFile::exists(Path));
    }
}

TEST_F(PrefillFile, TextThatDoesNotDecodeIsLeftInPlace)
{
    const QString text = u"[bilgiler]\r\nSAYIN1=Ali\r\n"_s;
    struct Row {
        QByteArray bytes;
        const char *why;
    } rows[] = {
        { Utf16(text, true) + "x", "UTF-16 with a stray odd byte" },
        { Utf16(text, true).replace(24, 2, QByteArray("\x00\xD8", 2)), "a lone high surrogate" },
        { QByteArray("\xEF\xBB\xBF[bilgiler]\nSAYIN1=\xFF\xFE\n"), "no UTF-8 behind a UTF-8 mark" },
        { QByteArray("[\0\0\0b\0\0\0i\0\0\0l\0\0\0", 16), "UTF-32: zeros that are not UTF-16's" },
        { QByteArray("[bilgiler]\nSAY\0IN1=Ali\n", 23), "a NUL inside a key name" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        Write(r.bytes);
        try {
            TakePrefill(Path, Tr);
            ADD_FAILURE() << "read";
        } catch (const EPlatformError &e) {
            EXPECT_TRUE(e.Message().startsWith(u"Unable to read %1: "_s.arg(Path))) << e.what();
        }
        EXPECT_EQ(ReadBytes(Path), r.bytes) << "left as it was";
    }
    // A NUL inside a value only ends the value.
    Write(QByteArray("[bilgiler]\nSAYIN1=Ali\0Veli\nC1=Su\n", 33));
    const std::optional<TPrefillData> d = TakePrefill(Path, Tr);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->SAYIN1, u"Ali"_s);
    EXPECT_EQ(d->C1, u"Su"_s);
}
