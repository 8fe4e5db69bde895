#include "app/frm_fatura_bul.h"

#include "invoice/InvoiceListModel.h"
#include "invoice/InvoiceTable.h"
#include "platform/Sqlite.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

struct TStored {
    const char16_t *TARIH, *SAYIN1, *VDAIRESI, *VNO;
};
// In table order (REC_ID ascending).
const TStored kStored[] = {
    { u"05.01.2024", u"ŞAHİN LTD", u"KONAK", u"111" },
    { u"12.02.2024", u"İSTANBUL TİCARET", u"KADIKÖY", u"222" },
    { u"12.03.2024", u"ahmet yılmaz", u"BORNOVA", u"333" },
    { u"20.04.2024", u"ISPARTA GÜL", u"KONAK", u"444" },
};

class FindDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Table.Open(Dir.path());
        for (const TStored &s : kStored) {
            TInvoiceRecord r;
            r.TARIH = QString::fromUtf16(s.TARIH);
            r.SAYIN1 = QString::fromUtf16(s.SAYIN1);
            r.VDAIRESI = QString::fromUtf16(s.VDAIRESI);
            r.VNO = QString::fromUtf16(s.VNO);
            Ids.push_back(Table.Append(r));
        }
        Dialog = std::make_unique<Tfatura_bul>(Dialogs);
        Dialog->SetTable(&Table);
        Table.Last();
        Show();
    }

    void Show()
    {
        Dialog->show();
        // A window shown again after hiding can stay the platform's focus window while Qt
        // has no active window; activating another one in between sets that straight.
        if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == Dialog.get(); }, 200)) {
            QWidget bounce;
            bounce.show();
            bounce.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&bounce));
            bounce.hide();
            Dialog->activateWindow();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == Dialog.get(); }));
    }

    void TypeInto(int box, const QString &text)
    {
        Dialog->S[box]->setFocus(Qt::TabFocusReason);
        // QTest spells only ASCII keys; other letters go as key events with their text.
        for (const QChar ch : text) {
            if (ch.unicode() < 0x80)
                QTest::keyClick(Dialog->S[box], char(ch.unicode()));
            else
                QTest::sendKeyEvent(
                    QTest::Click, Dialog->S[box], Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
    }

    // The row the list highlights, which must always be the table's current record.
    int HighlightedRow() const
    {
        const auto rows = Dialog->DBGrid1->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.front().row() : -1;
    }

    QPoint RowCentre(int row) const
    {
        QTableView *v = Dialog->DBGrid1;
        return v->visualRect(v->model()->index(row, 1)).center();
    }

    QTemporaryDir Dir;
    InvoiceTable Table;
    std::vector<std::int32_t> Ids;
    TScriptedDialogs Dialogs;
    std::unique_ptr<Tfatura_bul> Dialog;
};

struct TSearchRow {
    const char *Why;
    int Box;
    const char16_t *Typed;
    int Row; // expected current row; -1: where it was (the last row)
};

// Test names carry the row's reason, in characters that every test runner accepts.
void PrintTo(const TSearchRow &row, std::ostream *os)
{
    for (const char *c = row.Why; *c; ++c)
        *os << (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
}

class FindSearch : public FindDialog, public ::testing::WithParamInterface<TSearchRow>
{
};

TEST_P(FindSearch, HighlightsFirstMatch)
{
    const TSearchRow &row = GetParam();
    TypeInto(row.Box, QString::fromUtf16(row.Typed));
    const int expected = row.Row < 0 ? 3 : row.Row;
    EXPECT_EQ(Table.CurrentRow(), expected) << row.Why;
    EXPECT_EQ(HighlightedRow(), expected) << row.Why;
}

const TSearchRow kSearchRows[] = {
    { "a date prefix finds the first date beginning with it", 0, u"12", 1 },
    { "a longer prefix narrows the match", 0, u"12.03", 2 },
    { "lower case finds a name stored in capitals", 1, u"istanbul", 1 },
    { "capitals find a name stored in lower case", 1, u"AHMET", 2 },
    { "dotless and dotted i count as one", 1, u"isparta", 3 },
    { "a Turkish capital typed finds the Turkish name", 1, u"şah", 0 },
    { "tax office", 2, u"kon", 0 },
    { "tax number", 3, u"33", 2 },
    { "no match leaves the highlight where it was", 1, u"zzz", -1 },
    { "a match that ends in a miss stays on the last match", 0, u"12.09", 1 },
};

INSTANTIATE_TEST_SUITE_P(Dialog, FindSearch, ::testing::ValuesIn(kSearchRows));

TEST_F(FindDialog, EmptiedSearchGoesToTheFirstRecord)
{
    TypeInto(0, u"20"_s);
    EXPECT_EQ(Table.CurrentRow(), 3);
    QTest::keyClick(Dialog->S[0], Qt::Key_Backspace);
    EXPECT_EQ(Table.CurrentRow(), 3) << "\"2\" still finds 20.04 only";
    QTest::keyClick(Dialog->S[0], Qt::Key_Backspace);
    EXPECT_EQ(Table.CurrentRow(), 0);
    EXPECT_EQ(HighlightedRow(), 0);
}

TEST_F(FindDialog, OnlyTheBoxTypedInCounts)
{
    TypeInto(0, u"05"_s);
    EXPECT_EQ(Table.CurrentRow(), 0);
    TypeInto(2, u"BOR"_s);
    EXPECT_EQ(Table.CurrentRow(), 2);
}

TEST_F(FindDialog, ClickingARowMakesItCurrent)
{
    QTest::mouseClick(Dialog->DBGrid1->viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(1));
    EXPECT_EQ(Table.CurrentRow(), 1);
    QTest::keyClick(Dialog->DBGrid1, Qt::Key_Down);
    EXPECT_EQ(Table.CurrentRow(), 2);
    EXPECT_EQ(HighlightedRow(), 2);
}

TEST_F(FindDialog, KaydaGitChoosesTheHighlightedInvoice)
{
    TypeInto(1, u"ist"_s);
    QTest::mouseClick(Dialog->Button1, Qt::LeftButton);
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_TRUE(Dialog->GFaturaSecildi());
    EXPECT_EQ(Table.CurrentRecId(), Ids[1]);

    // The next showing closed by its close box chooses nothing.
    Show();
    EXPECT_FALSE(Dialog->GFaturaSecildi());
    Dialog->close();
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_FALSE(Dialog->GFaturaSecildi());
}

TEST_F(FindDialog, DoubleClickChoosesTheRowUnderTheMouse)
{
    QTest::mouseDClick(Dialog->DBGrid1->viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(2));
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_TRUE(Dialog->GFaturaSecildi());
    EXPECT_EQ(Table.CurrentRecId(), Ids[2]);
}

TEST_F(FindDialog, CikisAndEscChooseNothing)
{
    QTest::mouseClick(Dialog->Button3, Qt::LeftButton);
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_FALSE(Dialog->GFaturaSecildi());
    Show();
    QTest::keyClick(Dialog->S[0], Qt::Key_Escape);
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_FALSE(Dialog->GFaturaSecildi());
}

TEST_F(FindDialog, FaturaSilAsksAndDeletesOnYesOnly)
{
    Table.MoveToRow(1);
    Dialogs.Answers = { IDialogs::TAnswer::No, IDialogs::TAnswer::Yes };
    QTest::mouseClick(Dialog->Button4, Qt::LeftButton);
    EXPECT_EQ(Table.RecordCount(), 4);
    ASSERT_EQ(Dialogs.Count(TScriptedDialogs::TKind::YesNo), 1);
    EXPECT_EQ(Dialogs.LastText(), u"\r\nAKTİF FATURA SİLİNECEK.\r\n\r\nDEVAM EDİLSİN Mİ?"_s);
    QTest::mouseClick(Dialog->Button4, Qt::LeftButton);
    EXPECT_EQ(Table.RecordCount(), 3);
    EXPECT_EQ(Table.CurrentRecId(), Ids[2]) << "the next record becomes current";
    EXPECT_EQ(HighlightedRow(), 1);
    EXPECT_EQ(Dialog->DBGrid1->model()->rowCount(), 3);
    EXPECT_TRUE(Dialog->isVisible());
}

TEST_F(FindDialog, DeletingTheLastRowHighlightsThePrevious)
{
    Table.Last();
    QTest::mouseClick(Dialog->Button4, Qt::LeftButton);
    EXPECT_EQ(Table.CurrentRecId(), Ids[2]);
    EXPECT_EQ(HighlightedRow(), 2);
}

TEST_F(FindDialog, AnEmptiedListChoosesNothing)
{
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(Dialog->Button4, Qt::LeftButton);
    EXPECT_EQ(Table.RecordCount(), 0);
    EXPECT_EQ(Dialog->DBGrid1->model()->rowCount(), 0);
    Dialogs.Clear();
    QTest::mouseClick(Dialog->Button4, Qt::LeftButton);
    EXPECT_EQ(Dialogs.Count(TScriptedDialogs::TKind::YesNo), 0) << "nothing to delete, no question";
    QTest::mouseClick(Dialog->Button1, Qt::LeftButton);
    EXPECT_TRUE(Dialog->isVisible()) << "KAYDA GİT does nothing on an empty table";
    EXPECT_FALSE(Dialog->GFaturaSecildi());
    TypeInto(0, u"1"_s); // searching an empty table is harmless
    QTest::mouseClick(Dialog->Button3, Qt::LeftButton);
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_FALSE(Dialog->GFaturaSecildi());
    EXPECT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 0);
}

TEST_F(FindDialog, CtrlDeleteInTheListAsksOkCancel)
{
    Table.First();
    Dialog->DBGrid1->setFocus(Qt::TabFocusReason);
    Dialogs.Answers = { IDialogs::TAnswer::Cancel, IDialogs::TAnswer::Ok };
    QTest::keyClick(Dialog->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Table.RecordCount(), 4);
    EXPECT_EQ(Dialogs.Count(TScriptedDialogs::TKind::OkCancel), 1);
    EXPECT_EQ(Dialogs.LastText(), u"Delete record?"_s);
    QTest::keyClick(Dialog->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Table.RecordCount(), 3);
    EXPECT_EQ(Table.CurrentRecId(), Ids[1]);
    QTest::keyClick(Dialog->DBGrid1, Qt::Key_Delete);
    EXPECT_EQ(Table.RecordCount(), 3) << "Delete without Ctrl deletes nothing";
}

TEST_F(FindDialog, SearchTextsAreKeptAndYeniSorguEmptiesThem)
{
    TypeInto(2, u"KAD"_s);
    TypeInto(3, u"4"_s);
    Dialog->hide();
    Show();
    EXPECT_EQ(Dialog->S[2]->text(), u"KAD"_s);
    EXPECT_EQ(Dialog->S[3]->text(), u"4"_s);
    EXPECT_EQ(Table.CurrentRow(), 3);
    QTest::mouseClick(Dialog->Button2, Qt::LeftButton);
    for (QLineEdit *box : Dialog->S)
        EXPECT_TRUE(box->text().isEmpty());
    EXPECT_EQ(Table.CurrentRow(), 0);
    EXPECT_TRUE(Dialog->S[0]->hasFocus());
}

TEST_F(FindDialog, TheListCannotBeEdited)
{
    QTableView *v = Dialog->DBGrid1;
    EXPECT_EQ(v->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(v->selectionBehavior(), QAbstractItemView::SelectRows);
    const QModelIndex cell = v->model()->index(0, 1);
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, v->visualRect(cell).center());
    EXPECT_EQ(Table.Read().SAYIN1, u"ŞAHİN LTD"_s);
}

TEST_F(FindDialog, Layout)
{
    EXPECT_EQ(Dialog->windowTitle(), u"FATURA BUL"_s);
    EXPECT_EQ(Dialog->size(), QSize(491, 404));
    const struct {
        QWidget *Control;
        QRect Place;
    } places[] = {
        { Dialog->S[0], { 8, 8, 77, 21 } },
        { Dialog->S[1], { 87, 8, 174, 21 } },
        { Dialog->S[2], { 263, 8, 99, 21 } },
        { Dialog->S[3], { 364, 8, 99, 21 } },
        { Dialog->DBGrid1, { 8, 32, 473, 321 } },
        { Dialog->Button1, { 8, 368, 75, 25 } },
        { Dialog->Button2, { 88, 368, 84, 25 } },
        { Dialog->Button4, { 184, 368, 75, 25 } },
        { Dialog->Button3, { 408, 368, 75, 25 } },
    };
    for (const auto &p : places)
        EXPECT_EQ(p.Control->geometry(), p.Place) << p.Control->objectName().toStdString();
    const int widths[] = { 75, 175, 100, 100 };
    const char16_t *titles[] = { u"TARIH", u"SAYIN1", u"VDAIRESI", u"VNO" };
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(Dialog->DBGrid1->columnWidth(c), widths[c]);
        EXPECT_EQ(Dialog->DBGrid1->model()->headerData(c, Qt::Horizontal).toString(),
            QString::fromUtf16(titles[c]));
    }
    EXPECT_EQ(Dialog->Button1->text(), u"KAYDA GİT"_s);
    EXPECT_EQ(Dialog->Button3->text(), u"ÇIKIŞ"_s);
}

TEST(FindDialogWithoutTable, CommandsDoNothing)
{
    TScriptedDialogs dialogs;
    Tfatura_bul dialog(dialogs);
    dialog.SetTable(nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClicks(dialog.S[1], u"abc"_s);
    QTest::mouseClick(dialog.Button4, Qt::LeftButton);
    QTest::mouseClick(dialog.Button2, Qt::LeftButton);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.GFaturaSecildi());
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST(FindDialogLargeTable, TypingAtOnceAfterOpeningLandsTheListOnTheMatch)
{
    // More invoices than the table reads at open, with holes in the REC_IDs in front of the
    // match: the list must land on the right row, show it and highlight it at once.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        InvoiceTable t;
        t.Open(dir.path());
    }
    {
        TSqliteDatabase db(dir.filePath(u"fatura.DB"_s), TSqliteDatabase::TOpenMode::ReadWrite);
        db.Exec("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 70000)"
                " INSERT INTO fatura (TARIH, SAYIN1) SELECT '1',"
                " CASE x WHEN 69991 THEN 'Son Müşteri' ELSE 'M ' || x END FROM c");
        db.Exec("DELETE FROM fatura WHERE REC_ID BETWEEN 66000 AND 66099 OR REC_ID = 7");
    }
    InvoiceTable table;
    table.Open(dir.path());
    TScriptedDialogs dialogs;
    Tfatura_bul dialog(dialogs);
    dialog.SetTable(&table);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.S[1]->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(dialog.S[1], u"SON M"_s);

    const int row = 69991 - 1 - 101; // the rows in front of it, less the deleted ones
    EXPECT_EQ(table.CurrentRecId(), 69991);
    EXPECT_EQ(table.CurrentRow(), row);
    QTableView *list = dialog.DBGrid1;
    const auto selected = list->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().row(), row);
    const QModelIndex shown = list->model()->index(row, 1);
    EXPECT_EQ(shown.data().toString(), u"Son Müşteri"_s);
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(shown))) << "not scrolled to";
    // The rows around it are the ones in front of it and after it.
    EXPECT_EQ(list->model()->index(row - 1, 1).data().toString(), u"M 69990"_s);
    EXPECT_EQ(list->model()->index(row + 1, 1).data().toString(), u"M 69992"_s);
}

} // namespace
