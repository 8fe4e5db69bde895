#include "platform/Errors.h"
#include "platform/Ini.h"
#include "support/NoRootPrivileges.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

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

std::int64_t PeakMemory()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return std::int64_t(u.ru_maxrss) * 1024;
}

QString ErrorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EPlatformError &e) {
        return e.Message();
    }
    return u"<no error>"_s;
}

} // namespace

TEST(IniRead, LookupRules)
{
    struct Row {
        const char *file, *section, *key;
        std::optional<QString> want;
        const char *why;
    };
    const Row rows[] = {
        { "[Genel]\nKey=v\n", "GENEL", "KEY", u"v"_s, "names match without regard to case" },
        { "[S]\n  k  =   a b  \t\n", "S", "k", u"a b"_s, "names and values trimmed" },
        { "[S]\nk=1\nk=2\n", "S", "k", u"1"_s, "first duplicate wins" },
        { "[S]\nk=1\n[T]\n[s]\nk=2\nj=3\n", "s", "j", u"3"_s,
            "a repeated section is searched too" },
        { "k=1\n[S]\n", "S", "k", std::nullopt, "keys before any section belong to none" },
        { "[S]\n;k=1\n", "S", "k", std::nullopt, "comment lines hold no key" },
        { "[S]\nk\n", "S", "k", std::nullopt, "a line without = holds no key" },
        { "[S]\nk=\n", "S", "k", u""_s, "an empty value is a value" },
        { "[S]\nk=\"10 | 10\"\n", "S", "k", u"10 | 10"_s, "one pair of quotes is dropped" },
        { "[S]\nk='x\"\n", "S", "k", u"'x\""_s, "unmatched quotes stay" },
        { "[S]\r\nk=v\r\n", "S", "k", u"v"_s, "CRLF lines" },
        { "[S]\nk=v", "S", "k", u"v"_s, "no final line break" },
        { "  [ S ]  \nk=v\n", "S", "k", u"v"_s, "blanks around and inside the brackets" },
        { "[S]\nI=v\n", "S", "\xC4\xB1", std::nullopt, "Turkish dotless i is not ASCII i" },
    };
    for (const Row &r : rows) {
        const TIniDocument d = TIniDocument::FromBytes(r.file);
        EXPECT_EQ(d.Value(QString::fromUtf8(r.section), QString::fromUtf8(r.key)), r.want) << r.why;
    }
}

TEST(IniRead, Integers)
{
    struct Row {
        const char16_t *text;
        int want;
        const char *why;
    };
    const Row rows[] = {
        { u"12", 12, "plain" },
        { u"12abc", 12, "leading digits count" },
        { u"  7", 7, "leading blanks skipped" },
        { u"-5", -5, "sign" },
        { u"+5", 5, "plus sign" },
        { u"- 5", 99, "a sign must touch its digits" },
        { u"abc", 99, "no digits: default" },
        { u"", 99, "empty: default" },
        { u"0x1", 1, "hex needs three characters" },
        { u"0X1f", 31, "upper-case prefix, mixed-case digits" },
        { u"0x", 0, "two characters are decimal 0 followed by junk" },
        { u"0xg", 99, "hex prefix without hex digits" },
        { u"0xFFFFFFFF", -1, "hex is 32 bits" },
        { u"0x100000000", 99, "hex beyond 32 bits" },
        { u"2147483647", 2147483647, "int max" },
        { u"-2147483648", -2147483647 - 1, "int min" },
        { u"2147483648", 99, "just past int max" },
    };
    for (const Row &r : rows)
        EXPECT_EQ(IniStrToIntDef(QStringView(r.text), 99), r.want) << r.why;
}

TEST(IniWrite, KeepsEveryOtherLine)
{
    struct Row {
        const char *before, *section, *key, *value, *after, *why;
    };
    const Row rows[] = {
        { "; c\r\n[S]\r\nX=1\r\nK=old\r\n\r\n[T]\r\n", "s", "k", "new",
            "; c\r\n[S]\r\nX=1\r\nK=new\r\n\r\n[T]\r\n",
            "replace in place, CRLF and key case kept" },
        { "[S]\na=1\n; note\n\n[T]\nb=2\n", "S", "n", "v", "[S]\na=1\nn=v\n; note\n\n[T]\nb=2\n",
            "new key after the section's last key" },
        { "[S]\n", "S", "k", "v", "[S]\nk=v\n", "empty section" },
        { "[S]\na=1", "S", "k", "v", "[S]\na=1\nk=v\n", "no final line break" },
        { "[S]\na=1\n", "T", "k", "v", "[S]\na=1\n\n[T]\nk=v\n", "new section at the end" },
        { "", "S", "k", "v", "[S]\nk=v\n", "empty file" },
        { "[S]\nk=1\n", "S", "k", " padded ", "[S]\nk=\" padded \"\n",
            "blanks would be lost: quoted" },
        { "[S]\nk=1\n", "S", "k", "\"q\"", "[S]\nk=\"\"q\"\"\n", "quotes would be lost: quoted" },
    };
    for (const Row &r : rows) {
        TIniDocument d = TIniDocument::FromBytes(r.before);
        ASSERT_TRUE(d.SetValue(
            QString::fromUtf8(r.section), QString::fromUtf8(r.key), QString::fromUtf8(r.value)))
            << r.why;
        EXPECT_EQ(d.ToBytes(), QByteArray(r.after)) << r.why;
        const TIniDocument back = TIniDocument::FromBytes(d.ToBytes());
        EXPECT_EQ(back.Value(QString::fromUtf8(r.section), QString::fromUtf8(r.key)),
            QString::fromUtf8(r.value))
            << r.why;
    }
}

TEST(IniWrite, RefusesWhatOneLineCannotHold)
{
    // A line break in a value would smuggle keys or sections into the file.
    TIniDocument d = TIniDocument::FromBytes("[S]\nk=1\n");
    EXPECT_FALSE(d.SetValue(u"S", u"k", u"1\n[GENEL]\nKDVDahil1=1"));
    EXPECT_FALSE(d.SetValue(u"S", u"a=b", u"v"));
    EXPECT_FALSE(d.SetValue(u"S]", u"k", u"v"));
    EXPECT_FALSE(d.SetValue(u"S", u";k", u"v"));
    EXPECT_FALSE(d.SetValue(u"", u"k", u"v"));
    EXPECT_EQ(d.ToBytes(), QByteArray("[S]\nk=1\n"));
}

TEST(IniEncoding, DecodesAndKeepsTheFileOwnBytes)
{
    // "İŞĞIıüöç" in each encoding; 0x81 is undefined in 1254 and must survive anyway.
    const QString turkish = u"İşğıüöçŞ"_s;
    const QByteArray cp1254 = "[S]\r\nad=\xDD\xFE\xF0\xFD\xFC\xF6\xE7\xDE\r\nx=\x81\r\nk=1\r\n";
    const QByteArray utf8Bom = "\xEF\xBB\xBF[S]\nad=" + turkish.toUtf8() + "\nk=1\n";
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar c : u"[S]\r\nad="_s + turkish + u"\r\nk=1\r\n"_s)
        utf16 += QByteArray(1, char(c.unicode() & 0xFF)) + QByteArray(1, char(c.unicode() >> 8));

    struct Row {
        QByteArray bytes;
        TIniEncoding enc;
        qsizetype lastLine; // bytes of the line "k=1" that gets rewritten
        const char *why;
    };
    const Row rows[] = {
        { cp1254, TIniEncoding::Cp1254, 5, "not valid UTF-8: code page 1254" },
        { utf8Bom, TIniEncoding::Utf8Bom, 4, "UTF-8 with byte order mark" },
        { utf16, TIniEncoding::Utf16LE, 10, "UTF-16LE with byte order mark" },
    };
    for (const Row &r : rows) {
        TIniDocument d = TIniDocument::FromBytes(r.bytes);
        EXPECT_EQ(d.Encoding(), r.enc) << r.why;
        EXPECT_EQ(d.Value(u"S", u"ad"), turkish) << r.why;
        ASSERT_TRUE(d.SetValue(u"S", u"k", u"25 | 140")) << r.why;
        ASSERT_TRUE(d.SetValue(u"S", u"n", u"ğ")) << r.why;
        const QByteArray out = d.ToBytes();
        // Everything up to the rewritten line is byte for byte the old text.
        const qsizetype kept = r.bytes.size() - r.lastLine;
        EXPECT_EQ(out.left(kept), r.bytes.left(kept)) << r.why;
        const TIniDocument back = TIniDocument::FromBytes(out);
        EXPECT_EQ(back.Encoding(), r.enc) << r.why;
        EXPECT_EQ(back.Value(u"S", u"k"), u"25 | 140"_s) << r.why;
        EXPECT_EQ(back.Value(u"S", u"n"), u"ğ"_s) << r.why;
    }
    // The undefined byte decodes to something that encodes back to itself.
    TIniDocument d = TIniDocument::FromBytes(cp1254);
    ASSERT_TRUE(d.SetValue(u"S", u"x", *d.Value(u"S", u"x")));
    EXPECT_EQ(d.ToBytes(), cp1254);
    // A letter the code page lacks cannot be written into a 1254 file.
    EXPECT_FALSE(d.SetValue(u"S", u"k", u"€ ok, but not Ω"));
}

class IniFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Path = Dir.filePath(u"a.ini"_s);
    }
    QStringList Leftovers() const
    {
        return QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    QTemporaryDir Dir;
    QString Path;
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndWriteCreatesIt)
{
    TIniFile ini(Path);
    EXPECT_EQ(ini.ReadString(u"S", u"k", u"def"_s), u"def"_s);
    EXPECT_EQ(ini.ReadInteger(u"S", u"k", 7), 7);
    ini.WriteInteger(u"S", u"k", -12);
    ini.WriteString(u"S", u"t", u"x");
    EXPECT_EQ(ini.ReadInteger(u"S", u"k", 7), -12);
    EXPECT_EQ(ini.ReadSection(u"s"), (QStringList { u"k"_s, u"t"_s }));
    EXPECT_EQ(Leftovers(), QStringList { u"a.ini"_s }) << "no temporary file left behind";
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFile)
{
    const QByteArray old = "[S]\nk=1\n";
    const QString want = u"Unable to write to "_s + Path;

    WriteBytes(Path, old);
    ASSERT_EQ(::chmod(QFile::encodeName(Path).constData(), 0444), 0);
    EXPECT_EQ(ErrorOf([&] { TIniFile(Path).WriteString(u"S", u"k", u"2"); }), want)
        << "read-only file, even for root";
    ASSERT_EQ(::chmod(QFile::encodeName(Path).constData(), 0644), 0);
    EXPECT_EQ(ReadBytes(Path), old);

    EXPECT_EQ(ErrorOf([&] { TIniFile(Path).WriteString(u"S", u"k", u"a\nb"); }), want)
        << "a value no line can hold";
    EXPECT_EQ(ReadBytes(Path), old);

    // A full disk: the file size limit makes the write fail half-way.
    struct rlimit saved = {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto *oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const QString err
        = ErrorOf([&] { TIniFile(Path).WriteString(u"S", u"k", QString(500, u'x')); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(err, want) << "full disk";
    EXPECT_EQ(ReadBytes(Path), old);
    EXPECT_EQ(Leftovers(), QStringList { u"a.ini"_s }) << "the temporary file is removed";

    // A folder that cannot take files (here: not a folder at all, which stops root too).
    WriteBytes(Dir.filePath(u"plain"_s), "x");
    const QString inside = Dir.filePath(u"plain/b.ini"_s);
    EXPECT_EQ(ErrorOf([&] { TIniFile(inside).WriteString(u"S", u"k", u"1"); }),
        u"Unable to write to "_s + inside);
}

TEST_F(IniFileTest, ReadOnlyFolder)
{
    WriteBytes(Path, "[S]\nk=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Dir.path()).constData(), 0555), 0);
    QString err;
    {
        TNoRootPrivileges guard;
        ASSERT_TRUE(guard.Active());
        err = ErrorOf([&] { TIniFile(Path).WriteString(u"S", u"k", u"2"); });
    }
    ::chmod(QFile::encodeName(Dir.path()).constData(), 0755);
    EXPECT_EQ(err, u"Unable to write to "_s + Path);
    EXPECT_EQ(ReadBytes(Path), QByteArray("[S]\nk=1\n"));
}

TEST_F(IniFileTest, KeepsModeAndLinks)
{
    WriteBytes(Path, "[S]\nk=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Path).constData(), 0600), 0);
    const QString link = Dir.filePath(u"link.ini"_s);
    ASSERT_TRUE(QFile::link(Path, link));
    TIniFile(link).WriteString(u"S", u"k", u"2");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBytes(Path), QByteArray("[S]\nk=2\n"));
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(Path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(IniFileTest, RefusesHugeAndUnreadableFiles)
{
    {
        QFile f(Path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kIniMaxFileSize + 1)); // sparse: costs no disk
    }
    const QString err = ErrorOf([&] { TIniFile(Path).ReadString(u"S", u"k", {}); });
    EXPECT_TRUE(err.startsWith(u"Unable to read "_s + Path)) << err.toStdString();
    EXPECT_TRUE(err.contains(u"16 MiB"_s)) << err.toStdString();
    // Writing must not replace a file it could not read.
    EXPECT_NE(ErrorOf([&] { TIniFile(Path).WriteString(u"S", u"k", u"1"); }), u"<no error>"_s);
    EXPECT_EQ(QFileInfo(Path).size(), kIniMaxFileSize + 1);

    EXPECT_EQ(ErrorOf([&] { TIniFile(Dir.path()).ReadString(u"S", u"k", {}); }),
        u"Unable to read "_s + Dir.path());
}

TEST(IniEncoding, Utf16IsKnownByItsZerosAndWrittenInKind)
{
    // A write into a UTF-16 file must add UTF-16 lines in the file's byte order, or the
    // file ends up in two encodings.
    const QString text = u"[FATURE_AYAR]\r\nTARIH=25 | 140\r\nSAYIN1=Şişli\r\n"_s;
    struct Row {
        QByteArray bytes;
        TIniEncoding enc;
        bool littleEndian;
        int mark;
        const char *why;
    } rows[] = {
        { Utf16(text, true), TIniEncoding::Utf16LE, true, 0, "little endian, no mark" },
        { Utf16(text, false), TIniEncoding::Utf16BE, false, 0, "big endian, no mark" },
        { QByteArray("\xFE\xFF") + Utf16(text, false), TIniEncoding::Utf16BE, false, 2,
            "big endian behind FE FF" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        TIniDocument d = TIniDocument::FromBytes(r.bytes);
        EXPECT_EQ(d.Encoding(), r.enc);
        EXPECT_TRUE(d.DecodeProblem().isEmpty()) << d.DecodeProblem().toStdString();
        EXPECT_EQ(d.Value(u"fature_ayar", u"sayin1"), u"Şişli"_s);
        ASSERT_TRUE(d.SetValue(u"FATURE_AYAR", u"TARIH", u"1 | 2"));
        ASSERT_TRUE(d.SetValue(u"FATURE_AYAR", u"M1", u"ğ"));
        ASSERT_TRUE(d.SetValue(u"GENEL", u"KDVDahil1", u"1"));
        const QByteArray want = r.bytes.left(r.mark)
            + Utf16(
                u"[FATURE_AYAR]\r\nTARIH=1 | 2\r\nSAYIN1=Şişli\r\nM1=ğ\r\n\r\n[GENEL]\r\nKDVDahil1=1\r\n"_s,
                r.littleEndian);
        EXPECT_EQ(d.ToBytes(), want);
    }
    // Mostly 8-bit text with a few stray zeros is not taken for UTF-16.
    EXPECT_EQ(
        TIniDocument::FromBytes(QByteArray("[S]\nk=a\0b\n", 10)).Encoding(), TIniEncoding::Utf8);
}

TEST(IniRead, NulEndsTheValue)
{
    struct Row {
        QByteArray bytes;
        std::optional<QString> want;
        bool problem;
        const char *why;
    } rows[] = {
        { QByteArray("[S]\nk=ab\0cd\n", 12), u"ab"_s, false, "the rest of the value is dropped" },
        { QByteArray("[S]\nk=\"ab\0cd\"\n", 14), u"\"ab"_s, false, "before quotes are looked at" },
        { QByteArray("[S]\nk=\0\n", 8), u""_s, false, "nothing before it: empty" },
        { QByteArray("[S]\nk\0=v\n", 9), std::nullopt, true, "in a name it is damage" },
        { QByteArray("[S]\n\0\nk=v\n", 10), u"v"_s, true, "on a line of its own too" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        const TIniDocument d = TIniDocument::FromBytes(r.bytes);
        EXPECT_EQ(d.Value(u"S", u"k"), r.want);
        EXPECT_EQ(!d.DecodeProblem().isEmpty(), r.problem) << d.DecodeProblem().toStdString();
        EXPECT_EQ(d.ToBytes(), r.bytes);
    }
}

TEST(IniRead, ListsAreOncePerNameAndLinear)
{
    // 40,000 sections of one key each, every tenth repeated in another letter case.
    QByteArray file;
    for (int i = 0; i < 40000; ++i)
        file += (i % 10 == 9 ? "[s" : "[S") + QByteArray::number(i % 10 == 9 ? i - 1 : i) + "]\nk"
            + QByteArray::number(i) + "=1\n";
    QElapsedTimer clock;
    clock.start();
    const TIniDocument d = TIniDocument::FromBytes(file);
    const QStringList sections = d.SectionNames();
    EXPECT_EQ(sections.size(), 36000);
    EXPECT_EQ(sections.front(), u"S0"_s);
    EXPECT_EQ(d.KeyNames(u"S8"), (QStringList { u"k8"_s, u"k9"_s }));
    RecordProperty("sections_ms", int(clock.elapsed()));
}

TEST_F(IniFileTest, MillionsOfLineBreaksCostTheirBytes)
{
    // 16 MiB of line breaks under a section, one key at the very end: every line is kept,
    // none costs more than its bytes. Time and memory are recorded, not asserted.
    QByteArray file = "[FATURE_AYAR]\n";
    file += QByteArray(kIniMaxFileSize - 64, '\n');
    file += "TARIH=25 | 140\n";
    WriteBytes(Path, file);
    const std::int64_t before = PeakMemory();
    QElapsedTimer clock;
    clock.start();
    TIniFile ini(Path);
    EXPECT_EQ(ini.ReadString(u"FATURE_AYAR", u"TARIH", {}), u"25 | 140"_s);
    const qint64 readMs = clock.restart();
    ini.WriteString(u"FATURE_AYAR", u"SAYIN1", u"10 | 10");
    const qint64 writeMs = clock.elapsed();
    const std::int64_t grew = PeakMemory() - before;
    RecordProperty("read_ms", int(readMs));
    RecordProperty("write_ms", int(writeMs));
    RecordProperty("peak_growth_mib", int(grew >> 20));
    std::printf("16 MiB of line breaks: read %lld ms, write %lld ms, peak memory +%lld MiB\n",
        static_cast<long long>(readMs), static_cast<long long>(writeMs),
        static_cast<long long>(grew >> 20));
    EXPECT_EQ(ReadBytes(Path), file + "SAYIN1=10 | 10\n");
}
