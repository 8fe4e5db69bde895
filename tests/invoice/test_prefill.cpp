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
