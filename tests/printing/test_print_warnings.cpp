// The findings before a print, as plain geometry: one row per situation with why it is (or is
// not) worth stopping a print for.

#include "printing/PrintWarnings.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

// An A5 form laid on its long side, a printer that cannot print the outer 5 mm.
TPrintSheet A5Sheet()
{
    TPrintSheet s;
    s.Paper = QSizeF(2100, 1480);
    s.Printable = QRectF(QPointF(50, 50), QPointF(2050, 1430));
    s.Printer = u"Ofis"_s;
    s.PaperName = u"A5"_s;
    return s;
}

TPrintedValue V(const char *key, const char *caption, qreal l, qreal t, qreal w = 300, qreal h = 45)
{
    return { QString::fromLatin1(key), QString::fromUtf8(caption), QRectF(l, t, w, h), std::nullopt,
        false };
}

} // namespace

TEST(PrintWarnings, Findings)
{
    struct TCase {
        const char *Why;
        std::vector<TPrintedValue> Values;
        bool PaperOffered;
        bool KnownPrintable;
        std::vector<QString> Expected; // a piece of each finding, in order
    } cases[] = {
        { "a laid-out form in the printable area: nothing to say",
            { V("SAYIN1", "Öztürk", 200, 200), V("TARIH", "09.12.2026", 1500, 100) }, true, true,
            {} },
        { "flush with the printable edge is inside", { V("TARIH", "x", 50, 50, 2000, 1380) }, true,
            true, {} },
        { "a long name running off the right edge of the paper",
            { V("SAYIN1", "Çok uzun bir müşteri adı", 1900, 200) }, true, true,
            { u"SAYIN1 (\"Çok uzun bir müşteri adı\") kağıdın dışına"_s } },
        { "on the paper but in the margin the printer cannot reach",
            { V("YALNIZ", "Yalnız bin lira", 20, 700) }, true, true,
            { u"YALNIZ (\"Yalnız bin lira\") yazıcının basabildiği alanın dışına"_s } },
        { "the same place with an unknown printable area is no finding",
            { V("YALNIZ", "Yalnız bin lira", 20, 700) }, true, false, {} },
        { "an empty value prints nothing, wherever it is",
            { V("C8", "", 5000, 5000), V("T8", "  ", 0, 0) }, true, true, {} },
        { "two values over each other",
            { V("SAYIN1", "Öztürk", 200, 200), V("SAYIN2", "Gıda", 250, 220) }, true, true,
            { u"SAYIN1 (\"Öztürk\") ile SAYIN2 (\"Gıda\") üst üste"_s } },
        { "touching edges do not overlap",
            { V("SAYIN1", "Öztürk", 200, 200), V("SAYIN2", "Gıda", 200, 245) }, true, true, {} },
        { "an overlap with an empty value is none",
            { V("M1", "3", 200, 200), V("B1", "", 200, 200) }, true, true, {} },
        { "the untouched layout: every value at one spot, said once",
            { V("TARIH", "a", 100, 100), V("SAYIN1", "b", 100, 100), V("SAYIN2", "c", 100, 100),
                V("TOPLAM", "d", 100, 100) },
            true, true, { u"Bütün değerler (4 değer) aynı yere"_s } },
        { "some values still at one spot, the rest laid out",
            { V("F1", "a", 100, 100), V("F2", "b", 100, 100), V("F3", "c", 100, 100),
                V("TARIH", "d", 1500, 100) },
            true, true, { u"3 değer aynı yere, üst üste basılacak (F1, F2, F3)"_s } },
        { "a value lying over a pile is said with the pile, not as pairs",
            { V("TARIH", "a", 100, 100), V("SAYIN1", "b", 100, 100), V("SAYIN2", "c", 100, 100),
                V("KDV_YUZDE", "18", 110, 110) },
            true, true, { u"3 değer aynı yere, üst üste basılacak (TARIH, SAYIN1, SAYIN2)"_s } },
        { "a pile of many values is counted, not named",
            { V("C1", "a", 100, 100), V("C2", "b", 100, 100), V("C3", "c", 100, 100),
                V("C4", "d", 100, 100), V("C5", "e", 100, 100), V("C6", "f", 100, 100),
                V("C7", "g", 100, 100), V("C8", "h", 100, 100), V("T1", "i", 100, 100),
                V("TARIH", "j", 1500, 100) },
            true, true, { u"9 değer aynı yere, üst üste basılacak: yerleşim henüz"_s } },
        { "the queue has no A5", { V("SAYIN1", "Öztürk", 200, 200) }, false, true,
            { u"\"Ofis\" yazıcısı düzenin istediği A5 kağıdını sunmuyor"_s } },
        { "everything wrong at once comes in one list, paper first",
            { V("SAYIN1", "Öztürk", 2000, 200), V("SAYIN2", "Gıda", 300, 200),
                V("SAYIN3", "Ltd", 350, 210) },
            false, true,
            { u"A5 kağıdını sunmuyor"_s, u"SAYIN1 (\"Öztürk\") kağıdın dışına"_s,
                u"SAYIN2 (\"Gıda\") ile SAYIN3 (\"Ltd\")"_s } },
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Why);
        TPrintSheet sheet = A5Sheet();
        sheet.PaperOffered = c.PaperOffered;
        if (!c.KnownPrintable)
            sheet.Printable.reset();
        const QStringList found = BASKI_UYARILARI(c.Values, sheet);
        ASSERT_EQ(found.size(), static_cast<qsizetype>(c.Expected.size()))
            << found.join(u" | "_s).toStdString();
        for (size_t i = 0; i < c.Expected.size(); ++i)
            EXPECT_TRUE(found[static_cast<qsizetype>(i)].contains(c.Expected[i]))
                << found[static_cast<qsizetype>(i)].toStdString();
    }
}

TEST(PrintWarnings, ManyOverlapsAreCountedNotListed)
{
    // Twelve values on a diagonal, each over the next: eleven pairs.
    std::vector<TPrintedValue> values;
    for (int i = 0; i < 12; ++i)
        values.push_back({ u"C%1"_s.arg(i), u"x"_s, QRectF(200 + 10 * i, 200 + 10 * i, 300, 45),
            std::nullopt, false });
    const QStringList found = BASKI_UYARILARI(values, A5Sheet());
    ASSERT_FALSE(found.isEmpty());
    EXPECT_LT(found.size(), 12) << "the box stays readable";
    EXPECT_TRUE(found.back().contains(u"çakışma daha"_s)) << found.back().toStdString();
}

TEST(PrintWarnings, TheBoxListsEveryFindingAndAsks)
{
    const QString text = BASKI_UYARI_METNI({ u"bir"_s, u"iki"_s });
    EXPECT_TRUE(text.contains(u"• bir"_s));
    EXPECT_TRUE(text.contains(u"• iki"_s));
    EXPECT_TRUE(text.contains(u"Yine de yazdırılsın mı?"_s));
}
