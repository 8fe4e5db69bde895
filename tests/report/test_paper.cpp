#include "report/QRPaper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

using namespace Qt::StringLiterals;

TEST(PaperTable, RowsSizesAndCodes)
{
    const struct {
        TQRPaperSize size;
        const char16_t *name;
        long double w, l;
        int code;
    } rows[] = {
        { TQRPaperSize::Letter, u"Letter", 215.9L, 279.4L, 1 }, // the U.S. default
        { TQRPaperSize::Ledger, u"Ledger", 431.8L, 279.4L, 4 }, // wider than long
        { TQRPaperSize::A4, u"A4", 210, 297, 9 }, // the invoice page
        { TQRPaperSize::A5, u"A5", 148, 210, 11 },
        { TQRPaperSize::B4, u"B4", 250, 354, 12 }, // not the 353 of B4ISO
        { TQRPaperSize::qr10X14, u"qr10X14", 254, 355.6L, 16 },
        { TQRPaperSize::ESheet, u"ESheet", 863.6L, 1117.6L, 26 }, // last row the loader tries
        { TQRPaperSize::EnvB6, u"EnvB6", 176, 125, 35 },
        { TQRPaperSize::EnvMonarch, u"EnvMonarch", 98.43L, 190.5L, 37 },
        { TQRPaperSize::EnvPersonal, u"EnvPersonal", 92.01L, 165.1L, 38 },
        { TQRPaperSize::qr15X11, u"qr15X11", 381, 279.4L, 46 },
        { TQRPaperSize::TabloidExtra, u"TabloidExtra", 296.9L, 457.2L, 52 },
        { TQRPaperSize::A5Trans, u"A5Trans", 210, 148, 61 }, // the invoice's A5 sheet
        { TQRPaperSize::A3ExtraTrans, u"A3ExtraTrans", 445, 322, 68 }, // last named row
    };
    for (const auto &r : rows) {
        const auto d = QRPaperDimensions(r.size);
        ASSERT_TRUE(d) << r.code;
        EXPECT_EQ(d->Width, r.w) << r.code;
        EXPECT_EQ(d->Length, r.l) << r.code;
        EXPECT_EQ(QRPaperCode(r.size), r.code);
        EXPECT_EQ(QRPaperSizeName(r.size), QString::fromUtf16(r.name));
        EXPECT_EQ(QRPaperSizeFromCode(r.code), r.size);
    }
}

TEST(PaperTable, OnlyTheDocumentedRowsLieOnTheirLongSide)
{
    // A swapped pair anywhere in the table would show up here.
    const std::set<TQRPaperSize> wide = {
        TQRPaperSize::Ledger,
        TQRPaperSize::EnvB6,
        TQRPaperSize::FanfoldUSStd,
        TQRPaperSize::qr15X11,
        TQRPaperSize::LetterTrans,
        TQRPaperSize::A4Trans,
        TQRPaperSize::LetterExtraTrans,
        TQRPaperSize::A5Trans,
        TQRPaperSize::B5Trans,
        TQRPaperSize::A3Trans,
        TQRPaperSize::A3ExtraTrans,
    };
    std::set<QString> names;
    for (int i = QRFirstNamedPaper; i <= QRLastNamedPaper; ++i) {
        const auto size = static_cast<TQRPaperSize>(i);
        const auto d = QRPaperDimensions(size);
        ASSERT_TRUE(d) << i;
        EXPECT_GT(d->Width, 0) << i;
        EXPECT_EQ(d->Width > d->Length, wide.count(size) == 1)
            << QRPaperSizeName(size).toStdString();
        names.insert(QRPaperSizeName(size));
    }
    EXPECT_EQ(names.size(), 68u);
}

TEST(PaperTable, DefaultAndCustomHaveNoRow)
{
    EXPECT_FALSE(QRPaperDimensions(TQRPaperSize::Default));
    EXPECT_FALSE(QRPaperDimensions(TQRPaperSize::Custom));
    EXPECT_FALSE(QRPaperCode(TQRPaperSize::Default)); // never sent to a printer
    EXPECT_EQ(QRPaperCode(TQRPaperSize::Custom), 256);
    EXPECT_EQ(static_cast<int>(TQRPaperSize::Custom), 69);
}

TEST(PaperTable, PrinterCodesThatMatchNothingGiveDefault)
{
    const struct {
        std::optional<int> code;
        TQRPaperSize expected;
    } rows[] = {
        { 256, TQRPaperSize::Custom },
        { 69, TQRPaperSize::Default }, // Custom's ordinal is not its code
        { 0, TQRPaperSize::Default }, { -1, TQRPaperSize::Default },
        { 1000, TQRPaperSize::Default },
        { std::nullopt, TQRPaperSize::Default }, // no printer, or no paper field
    };
    for (const auto &r : rows)
        EXPECT_EQ(QRPaperSizeFromCode(r.code), r.expected) << r.code.value_or(-999);
}

TEST(PaperDetection, FromWholeMillimetres)
{
    const struct {
        const char *why;
        int w, h;
        TQRPaperSize size;
        TPrinterOrientation o;
    } rows[] = {
        { "A4 wins over the equal A4Small", 210, 297, TQRPaperSize::A4, poPortrait },
        { "turned A4", 297, 210, TQRPaperSize::A4, poLandscape },
        { "A5 upright", 148, 210, TQRPaperSize::A5, poPortrait },
        { "A5 on its long side", 210, 148, TQRPaperSize::A5, poLandscape },
        { "Letter, table cut to 215 x 279", 215, 279, TQRPaperSize::Letter, poPortrait },
        { "close to A4, one mm off", 211, 296, TQRPaperSize::A4, poPortrait },
        { "square page counts as portrait", 100, 100, TQRPaperSize::Env9, poPortrait },
        { "beyond every row", 30000, 30000, TQRPaperSize::Default, poPortrait },
    };
    for (const auto &r : rows)
        EXPECT_EQ(QRDetectPaper(r.w, r.h), (TQRDetectedPaper { r.size, r.o })) << r.why;
}

TEST(PaperDetection, FromPicturePixels)
{
    // A 96-dpi picture of an A4 page is 794 x 1123 px.
    EXPECT_EQ(QRDetectPaperFromPixels(794, 1123, 96),
        (TQRDetectedPaper { TQRPaperSize::A4, poPortrait }));
    EXPECT_EQ(QRDetectPaperFromPixels(1123, 794, 96),
        (TQRDetectedPaper { TQRPaperSize::A4, poLandscape }));
    // A damaged picture may report anything; detection must still give an answer.
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    EXPECT_EQ(QRDetectPaperFromPixels(nan, nan, 96).Orientation, poPortrait);
    EXPECT_EQ(QRDetectPaperFromPixels(1e30L, -1e30L, 0).Orientation, poLandscape);
}
