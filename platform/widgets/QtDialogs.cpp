#include "platform/widgets/QtDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QUrl>

using namespace Qt::StringLiterals;

QString ShownText(const QString &text)
{
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s);
    return shown;
}

QTranslator *LoadTurkishQtTexts(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Turkish, QLocale::Turkey), u"qtbase"_s, u"_"_s,
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

namespace
{

QMessageBox::StandardButton Show(QWidget *owner, QMessageBox::Icon icon, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, ShownText(text), buttons, owner);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void TQtDialogs::Warning(QWidget *owner, const QString &title, const QString &text)
{
    Show(owner, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void TQtDialogs::Error(QWidget *owner, const QString &title, const QString &text)
{
    Show(owner, QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void TQtDialogs::Information(QWidget *owner, const QString &title, const QString &text)
{
    Show(owner, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

IDialogs::TAnswer TQtDialogs::AskYesNo(QWidget *owner, const QString &title, const QString &text)
{
    return Show(owner, QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Yes)
            == QMessageBox::Yes
        ? TAnswer::Yes
        : TAnswer::No;
}

IDialogs::TAnswer TQtDialogs::AskOkCancel(QWidget *owner, const QString &title, const QString &text)
{
    return Show(owner, QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel,
               QMessageBox::Ok)
            == QMessageBox::Ok
        ? TAnswer::Ok
        : TAnswer::Cancel;
}

IDialogs::TAnswer TQtDialogs::AskYesNoCancel(
    QWidget *owner, const QString &title, const QString &text)
{
    switch (Show(owner, QMessageBox::Warning, title, text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return TAnswer::Yes;
    case QMessageBox::No:
        return TAnswer::No;
    default:
        return TAnswer::Cancel;
    }
}

QString TQtDialogs::FolderName(QWidget *owner, const QString &title, const QString &folder)
{
    return QFileDialog::getExistingDirectory(owner, title, folder);
}

bool TQtDialogs::InputBox(
    QWidget *owner, const QString &title, const QString &prompt, QString &value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
}

QString TQtDialogs::OpenFileName(
    QWidget *owner, const QString &title, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(owner, title, folder, filter);
}

QString TQtDialogs::SaveFileName(QWidget *owner, const QString &title, const QString &folder,
    const QString &filter, QString *selectedFilter)
{
    // Never DontConfirmOverwrite: a slip in the name must not replace a file unasked.
    return QFileDialog::getSaveFileName(owner, title, folder, filter, selectedFilter);
}

void TQtDialogs::Beep()
{
    QApplication::beep();
}

void TQtDialogs::ShellOpen(const QString &target, const QString &parameters)
{
    Q_UNUSED(parameters); // the desktop's opener takes no parameter text
    const QFileInfo local(target);
    const QUrl url = local.exists() ? QUrl::fromLocalFile(local.absoluteFilePath())
                                    : QUrl::fromUserInput(target);
    QDesktopServices::openUrl(url);
}
