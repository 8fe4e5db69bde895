#include "platform/Errors.h"
#include "platform/Ini.h"
#include "support/NoRootPrivileges.h"
#include "support/TestFiles.h"

#include <QDir>
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
