#include "platform/widgets/QtDialogs.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Dialogs, ShownTextTurnsCrLfIntoLineBreaksOnly)
{
    // The constants keep "\r\n"; only the shown text has plain line breaks.
    EXPECT_EQ(ShownText(u"\r\nA\r\n\r\nB"_s), u"\nA\n\nB"_s);
    EXPECT_EQ(ShownText(u"no break"_s), u"no break"_s);
}

TEST(Dialogs, ScriptedAnswersInOrderThenDefaults)
{
    TScriptedDialogs d;
    d.Answers = { IDialogs::TAnswer::No };
    EXPECT_EQ(d.AskYesNo(nullptr, {}, u"q1"_s), IDialogs::TAnswer::No);
    EXPECT_EQ(d.AskYesNo(nullptr, {}, u"q2"_s), IDialogs::TAnswer::Yes);
    QString v = u"keep"_s;
    EXPECT_FALSE(d.InputBox(nullptr, {}, {}, v));
    EXPECT_EQ(v, u"keep"_s);
    EXPECT_EQ(d.Count(TScriptedDialogs::TKind::YesNo), 2);
    EXPECT_EQ(d.LastText(), QString());
}

// The save dialog must ask before it replaces an existing file: a slip in the name must not
// overwrite a saved report. Drives Qt's own dialog (no native one on this platform).
TEST(Dialogs, SaveDialogAsksBeforeReplacingAFile)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(u"rapor.QRP"_s);
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    struct Row {
        QMessageBox::StandardButton answer;
        QString result;
        const char *why;
    };
    const Row rows[] = {
        { QMessageBox::Yes, existing, "replacing is confirmed" },
        { QMessageBox::No, QString(), "refusing keeps the dialog open; it is then cancelled" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        bool asked = false;
        // Accept the file dialog with the existing name, then answer the question it asks.
        QTimer driver;
        driver.setInterval(20);
        int step = 0;
        int ticks = 0;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            // Never hang the suite: give up after about five seconds.
            if (++ticks > 250) {
                if (auto *d = qobject_cast<QDialog *>(modal))
                    d->reject();
                return;
            }
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                asked = true;
                box->button(r.answer) ? box->button(r.answer)->click() : box->reject();
                step = 2;
            } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                if (step == 0) {
                    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
                    // Typed, as a user would, into the name field.
                    auto *edit = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
                    ASSERT_TRUE(edit);
                    edit->setText(QFileInfo(existing).fileName());
                    step = 1;
                    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                } else if (step == 2) {
                    dialog->reject();
                    step = 3;
                }
            }
        });
        driver.start();
        TQtDialogs dialogs;
        QString selected;
        const QString name = dialogs.SaveFileName(
            nullptr, u"Save report"_s, dir.path(), u"Velvana file(*.QRP)"_s, &selected);
        driver.stop();
        EXPECT_TRUE(asked);
        EXPECT_EQ(name, r.result);
    }
}
