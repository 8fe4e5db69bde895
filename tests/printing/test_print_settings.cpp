#include "platform/Errors.h"
#include "printing/PrintSettings.h"
#include "support/NoRootPrivileges.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <climits>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace
{

class PrintSettingsFile : public TTempFileTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Path = PrintSettingsPath(Dir.path());
    }
};

} // namespace

TEST(PositionText, Parse)
{
    struct Row {
        const char16_t *text;
        TPosition want;
        const char *why;
    };
    const Row rows[] = {
        { u"10 | 10", { 10, 10 }, "as written" },
        { u"12|34", { 12, 34 }, "hand-written without spaces" },
        { u" -3 |\t4 \r", { -3, 4 }, "negative, tabs and control characters trimmed" },
        { u"+5|6", { 5, 6 }, "explicit plus" },
        { u"5", { 0, 5 }, "no bar: the lone number is horizontal" },
        { u"1|2|3", { 0, 3 }, "last bar splits; the first part holds a bar" },
        { u"abc|def", { 0, 0 }, "words count as 0" },
        { u"1 2 | 3", { 0, 3 }, "two numbers in one part are not a number" },
        { u"", { 0, 0 }, "empty" },
        { u"|", { 0, 0 }, "both parts empty" },
        { u"5|", { 5, 0 }, "second part empty" },
        { u"7.5 | 1,5", { 0, 0 }, "fractions are not whole numbers" },
        { u"99999999999 | 1", { 0, 1 }, "out of int range counts as 0" },
        { u"2147483647 | -2147483648", { INT_MAX, INT_MIN }, "int range ends" },
        { u"\u0661 | 2", { 0, 2 }, "only ASCII digits" },
    };
    for (const Row &r : rows)
        EXPECT_EQ(ParsePosition(QStringView(r.text)), r.want) << r.why;

    EXPECT_EQ(SplitPosition(u" a |  5 ").First, u"a"_s);
    EXPECT_EQ(SplitPosition(u" a |  5 ").Second, u"5"_s);
}

TEST(PositionText, Move)
{
    using enum TKonumYonu;
    struct Row {
        const char16_t *text;
        int step;
        TKonumYonu dir;
        const char16_t *want;
        const char *why;
    };
    const Row rows[] = {
        { u"0 | 0", 1, SOL, u"0 | -1", "left goes below 0" },
        { u"0 | 0", 5, ALT, u"5 | 0", "down grows the first number" },
        { u"0 | 0", 255, UST, u"-255 | 0", "up by the largest step" },
        { u"abc | 5", 1, SAG, u"abc | 6", "the unmoved part stays text" },
        { u"12|34", 0, SAG, u"12 | 34", "step 0 rewrites in the program's form" },
        { u"5", 2, UST, u"-2 | 5", "no bar: the first part was empty" },
        { u"2147483647 | 0", 10, ALT, u"2147483647 | 0", "stops at the int range" },
    };
    for (const Row &r : rows)
        EXPECT_EQ(KONUM_KAYDIR(QStringView(r.text), r.step, r.dir), QString::fromUtf16(r.want))
            << r.why;
}

TEST_F(PrintSettingsFile, OnlyOneKeyGivesDefaultsForTheRest)
{
    Write("[FATURE_AYAR]\r\nTARIH=25 | 140\r\n");
    const TPrintSettings s = LoadPrintSettings(Path);
    EXPECT_EQ(s.Position(u"TARIH"), u"25 | 140"_s);
    EXPECT_EQ(s.Position(u"SAYIN1"), u"0 | 0"_s);
    EXPECT_EQ(s.Position(u"KDV_YUZDE"), u"10 | 10"_s);
    EXPECT_EQ(s.Position(u"RAPOR_SAYFASI"), u"10 | 10"_s);
    EXPECT_EQ(s.sayfaTipi, 0);
    EXPECT_EQ(s.drpOutputBin, 0);
    EXPECT_EQ(s.sayfa_yonelimi, 0);
    EXPECT_EQ(s.GDisplayFormat, u"#,###.00"_s);
    EXPECT_FALSE(s.KDVDahil1);
    EXPECT_FALSE(s.tutarsabit);
    EXPECT_EQ(s.KDVOrani, 18);
    EXPECT_TRUE(s.Refused.empty());
}

TEST(MoneyFormat, RefusesWhatWouldShowOrStoreWrongAmounts)
{
    struct Row {
        const char16_t *pattern;
        const char16_t *reasonPart; // null: accepted
        const char *why;
    };
    const Row rows[] = {
        { u"#,###.00", nullptr, "the default" },
        { u",0.00;-,0.00", nullptr, "the form's own layout format" },
        { u"#,##0", nullptr, "whole liras: rounding to 0 decimals is a choice, not a loss" },
        { u"0.0000", nullptr, "four decimals: what a currency value holds" },
        { u"#,##0.00 TL", nullptr, "a currency word that reads back" },
        { u"#,##0.00;(#,##0.00)", nullptr, "brackets read as negative" },
        { u"#,##0.00;-#,##0.00;'yok'", nullptr, "a word for zero reads as zero" },
        { u"", nullptr, "empty: the general format loses nothing" },
        { u"xyz", u"rakam yeri", "no digit placeholder: every amount would be 0" },
        { u"#,##0.00;xyz", u"rakam yeri", "nor in the negative section" },
        { u"#.##0,00", u"5 ondalık", "Turkish-style separators ask for five decimals" },
        { u"0.00000", u"5 ondalık", "more decimals than a currency value holds" },
        { u"0.00E+00", u"\"2,43E+06\"", "an exponent drops the lower digits" },
        { u"#,##0.00;#,##0.00", u"-2.434.559,88", "a negative section without a sign" },
        { u"#,##0.00 'EUR'", u"EUR", "an E among the literals makes the text unreadable" },
    };
    for (const Row &r : rows) {
        const QString why = MoneyFormatProblem(QString::fromUtf16(r.pattern));
        if (!r.reasonPart)
            EXPECT_TRUE(why.isEmpty()) << r.why << ": " << why.toStdString();
        else
            EXPECT_TRUE(why.contains(QString::fromUtf16(r.reasonPart)))
                << r.why << ": " << why.toStdString();
    }
}

TEST_F(PrintSettingsFile, RefusedValuesFallBackAndAreNamed)
{
    struct Row {
        const char *file;
        QString format;
        int rate;
        QStringList refused; // keys, in the order read
        const char *why;
    };
    const Row rows[] = {
        { "[GENEL]\nKDVOrani=20\n", u"#,###.00"_s, 20, {}, "the rate since July 2023" },
        { "[GENEL]\nKDVOrani=0\n", u"#,###.00"_s, 0, {}, "exempt sales" },
        { "[GENEL]\nKDVOrani=0x14\n", u"#,###.00"_s, 20, {}, "hex, as every integer" },
        { "[GENEL]\nkdvorani=8\n", u"#,###.00"_s, 8, {}, "key case ignored" },
        { "[GENEL]\nKDVOrani=\n", u"#,###.00"_s, 18, {}, "empty: the default, silently" },
        { "[GENEL]\nKDVOrani=%20\n", u"#,###.00"_s, 18, { u"KDVOrani"_s }, "not a number" },
        { "[GENEL]\nKDVOrani=1000\n", u"#,###.00"_s, 18, { u"KDVOrani"_s }, "beyond the box" },
        { "[GENEL]\nKDVOrani=-1\n", u"#,###.00"_s, 18, { u"KDVOrani"_s }, "negative" },
        { "[FATURE_AYAR]\nKDVOrani=20\n", u"#,###.00"_s, 18, {}, "only in GENEL" },
        { "[GENEL]\nGDisplayFormat=xyz\nKDVOrani=20,5\n", u"#,###.00"_s, 18,
            { u"GDisplayFormat"_s, u"KDVOrani"_s }, "both refused, both named" },
        { "[GENEL]\nGDisplayFormat=#,##0.000\n", u"#,##0.000"_s, 18, {}, "a sound format" },
    };
    for (const Row &r : rows) {
        Write(r.file);
        const TPrintSettings s = LoadPrintSettings(Path);
        EXPECT_EQ(s.GDisplayFormat, r.format) << r.why;
        EXPECT_EQ(s.KDVOrani, r.rate) << r.why;
        QStringList keys;
        for (const TRefusedValue &v : s.Refused)
            keys << v.Key;
        EXPECT_EQ(keys, r.refused) << r.why;
        EXPECT_EQ(ReadBytes(Path), QByteArray(r.file)) << r.why << ": the file stays as it was";
    }
}

TEST_F(PrintSettingsFile, PaperLimitIsReadAndABadValueFallsBackNamed)
{
    struct Row {
        const char *file;
        long long kurus;
        QDate end;
        QStringList refused;
        const char *why;
    };
    const QDate def(2027, 1, 1);
    const Row rows[] = {
        { "", 300000, def, {}, "no section: today's rules" },
        { "[EARSIV]\nKagitLimiti=5000\nKagitSonu=2028-06-30\n", 500000, QDate(2028, 6, 30), {},
            "a new rule needs no new program" },
        { "[EARSIV]\nKagitLimiti=2999,5\n", 299950, def, {}, "decimal comma" },
        { "[EARSIV]\nKagitLimiti=3000.00\n", 300000, def, {}, "decimal point" },
        { "[EARSIV]\nKagitLimiti=3.000\n", 300000, def, { u"KagitLimiti"_s },
            "thousands separators are refused, not guessed" },
        { "[EARSIV]\nKagitLimiti=-1\nKagitSonu=1.1.2027\n", 300000, def,
            { u"KagitLimiti"_s, u"KagitSonu"_s }, "both named" },
        { "[EARSIV]\nKagitSonu=2027-02-30\n", 300000, def, { u"KagitSonu"_s }, "no such day" },
    };
    for (const Row &r : rows) {
        Write(r.file);
        const TPrintSettings s = LoadPrintSettings(Path);
        EXPECT_EQ(s.KagitLimitiKurus, r.kurus) << r.why;
        EXPECT_EQ(s.KagitSonu, r.end) << r.why;
        QStringList keys;
        for (const TRefusedValue &v : s.Refused)
            keys << v.Key;
        EXPECT_EQ(keys, r.refused) << r.why;
    }
}

TEST(RefusalMessage, NamesEachKeyItsValueWhyAndWhatIsUsed)
{
    EXPECT_TRUE(RefusalMessage({}).isEmpty());
    const QString text
        = RefusalMessage({ { u"GDisplayFormat"_s, u"xyz"_s, u"neden bir"_s, u"#,###.00"_s },
            { u"KDVOrani"_s, u"%20"_s, u"neden iki"_s, u"18"_s } });
    EXPECT_TRUE(text.startsWith(u"\r\nfatura_ayar.ini dosyasının [GENEL] bölümündeki"_s))
        << text.toStdString();
    for (const QString &part : { u"GDisplayFormat=xyz\r\nNeden: neden bir.\r\nYerine kullanılan: "
                                 u"#,###.00"_s,
             u"KDVOrani=%20\r\nNeden: neden iki.\r\nYerine kullanılan: 18"_s })
        EXPECT_TRUE(text.contains(part)) << text.toStdString();
}

TEST_F(PrintSettingsFile, ValuesAsRead)
{
    struct Row {
        const char *file;
        std::function<bool(const TPrintSettings &)> check;
        const char *why;
    };
    const Row rows[] = {
        { "[FATURE_AYAR]\nsayfa_yonelimi=1\n", [](auto &s) { return s.sayfa_yonelimi == 1; },
            "landscape survives a restart" },
        { "[FATURE_AYAR]\nsayfaTipi=0x1\n", [](auto &s) { return s.sayfaTipi == 1; }, "hex" },
        { "[FATURE_AYAR]\nsayfaTipi=2\n", [](auto &s) { return s.sayfaTipi == -1; },
            "outside the list: no selection" },
        { "[FATURE_AYAR]\ndrpOutputBin=-1\n", [](auto &s) { return s.drpOutputBin == -1; },
            "a saved no-selection stays one" },
        { "[FATURE_AYAR]\nsayfaTipi=\n", [](auto &s) { return s.sayfaTipi == 0; },
            "empty integer: default" },
        { "[GENEL]\nKDVDahil1=2\n", [](auto &s) { return s.KDVDahil1; }, "any non-zero is set" },
        { "[GENEL]\nKDVDahil1=evet\n", [](auto &s) { return !s.KDVDahil1; }, "a word is clear" },
        { "[GENEL]\nGDisplayFormat=0.00\n", [](auto &s) { return s.GDisplayFormat == u"0.00"_s; },
            "money format" },
        { "[GENEL]\nGDisplayFormat=\n", [](auto &s) { return s.GDisplayFormat.isEmpty(); },
            "an empty text is taken" },
        { "[FATURE_AYAR]\nM3=7\n",
            [](auto &s) {
                return ParsePosition(s.Position(u"M3")) == TPosition { 0, 7 };
            },
            "a lone number is horizontal" },
        { "[FATURE_AYAR]\nC1=\n", [](auto &s) { return s.Position(u"C1").isEmpty(); },
            "an empty position stays empty (reads 0, 0)" },
    };
    for (const Row &r : rows) {
        Write(r.file);
        EXPECT_TRUE(r.check(LoadPrintSettings(Path))) << r.why;
    }
}

TEST_F(PrintSettingsFile, SaveKeepsHandWrittenTextsAndAddsMissingKeys)
{
    const QByteArray before = "; mine\n[GENEL]\nGDisplayFormat=#,##0.00\n\n[FATURE_AYAR]\n"
                              "M3=7\nTARIH=12|34\nOTHER=x\n";
    Write(before);
    TPrintSettings s = LoadPrintSettings(Path);
    SavePrintLayout(Path, s);
    const QByteArray after = ReadBytes(Path);
    EXPECT_TRUE(after.startsWith(before.left(before.size() - 1))) << "old lines kept as they were";
    EXPECT_TRUE(after.contains("\nTARIH=12|34\n"));
    EXPECT_TRUE(after.contains("\nM3=7\n"));
    EXPECT_TRUE(after.contains("\nRAPOR_SAYFASI=10 | 10\n"));
    EXPECT_TRUE(after.contains("\nsayfa_yonelimi=0\n"));
    // New keys follow the tick boxes' creation order: A6 (tax number) before A5.
    EXPECT_LT(after.indexOf("VERGIHESAPNO="), after.indexOf("VERGIDAIRESI="));
    EXPECT_LT(after.indexOf("KDV_YUZDE="), after.indexOf("sayfaTipi="));
    EXPECT_EQ(LoadPrintSettings(Path).Positions, s.Positions);

    // Moved positions and no selection round-trip.
    s.SetPosition(u"YALNIZ", FormatPosition(-3, 250));
    s.sayfaTipi = 1;
    s.drpOutputBin = -1;
    SavePrintLayout(Path, s);
    const TPrintSettings back = LoadPrintSettings(Path);
    EXPECT_EQ(back.Positions, s.Positions);
    EXPECT_EQ(back.sayfaTipi, 1);
    EXPECT_EQ(back.drpOutputBin, -1);
    EXPECT_EQ(back.GDisplayFormat, u"#,##0.00"_s) << "the save never writes the money format";
}

TEST_F(PrintSettingsFile, TogglesWriteTheirFlagAtOnce)
{
    Write("[FATURE_AYAR]\nTARIH=1 | 2\n");
    WriteOptionFlag(Path, kKeyKDVDahil1, true);
    EXPECT_TRUE(LoadPrintSettings(Path).KDVDahil1);
    EXPECT_TRUE(ReadBytes(Path).contains("KDVDahil1=1\n"));
    WriteOptionFlag(Path, kKeyKDVDahil1, false);
    WriteOptionFlag(Path, kKeyTutarsabit, true);
    const TPrintSettings s = LoadPrintSettings(Path);
    EXPECT_FALSE(s.KDVDahil1);
    EXPECT_TRUE(s.tutarsabit);
    EXPECT_EQ(s.Position(u"TARIH"), u"1 | 2"_s);
}

TEST_F(PrintSettingsFile, UnwritableFileOrFolderFailsAndKeepsTheFile)
{
    const QByteArray before = "[FATURE_AYAR]\nTARIH=1 | 2\n";
    Write(before);
    const QString want = u"Unable to write to "_s + Path;
    TPrintSettings s;
    s.SetPosition(u"TARIH", u"9 | 9"_s);
    const std::vector<std::function<void()>> ops = { [&] { SavePrintLayout(Path, s); },
        [&] { WriteOptionFlag(Path, kKeyTutarsabit, true); } };
    for (const QString &readOnly : { Path, Dir.path() }) {
        ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0555), 0);
        for (const auto &op : ops) {
            TNoRootPrivileges guard;
            try {
                op();
                ADD_FAILURE() << "no error for read-only " << readOnly.toStdString();
            } catch (const EPlatformError &e) {
                EXPECT_EQ(e.Message(), want);
            }
            EXPECT_EQ(ReadBytes(Path), before);
        }
        ::chmod(QFile::encodeName(readOnly).constData(), 0755);
    }
}

TEST_F(PrintSettingsFile, CreatedEmptyWhenMissingOnly)
{
    EnsurePrintSettingsFile(Path);
    EXPECT_EQ(ReadBytes(Path), QByteArray());
    EXPECT_EQ(LoadPrintSettings(Path).Position(u"RAPOR_SAYFASI"), u"10 | 10"_s);

    Write("[GENEL]\nKDVDahil1=1\n");
    EnsurePrintSettingsFile(Path);
    EXPECT_EQ(ReadBytes(Path), QByteArray("[GENEL]\nKDVDahil1=1\n"))
        << "an existing file is left alone";

    const QString nowhere = Dir.filePath(u"missing-folder/fatura_ayar.ini"_s);
    EXPECT_THROW(EnsurePrintSettingsFile(nowhere), EPlatformError);
}
