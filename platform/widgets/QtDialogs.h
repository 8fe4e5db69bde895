#pragma once
// The dialogs seam over Qt's standard boxes.

#include "platform/Dialogs.h"

class TQtDialogs : public IDialogs
{
public:
    void Warning(QWidget *owner, const QString &title, const QString &text) override;
    void Error(QWidget *owner, const QString &title, const QString &text) override;
    void Information(QWidget *owner, const QString &title, const QString &text) override;
    TAnswer AskYesNo(QWidget *owner, const QString &title, const QString &text) override;
    TAnswer AskOkCancel(QWidget *owner, const QString &title, const QString &text) override;
    TAnswer AskYesNoCancel(QWidget *owner, const QString &title, const QString &text) override;
    QString FolderName(QWidget *owner, const QString &title, const QString &folder) override;
    bool InputBox(
        QWidget *owner, const QString &title, const QString &prompt, QString &value) override;
    QString OpenFileName(QWidget *owner, const QString &title, const QString &folder,
        const QString &filter) override;
    QString SaveFileName(QWidget *owner, const QString &title, const QString &folder,
        const QString &filter, QString *selectedFilter = nullptr) override;
    void Beep() override;
    void ShellOpen(const QString &target, const QString &parameters) override;
};

class QCoreApplication;
class QTranslator;

// Installs Qt's own Turkish texts (Evet, Hayır, Tamam, İptal on the standard buttons, the
// file dialogs' texts) whatever the process locale: the program speaks Turkish only. Returns
// the installed translator, owned by app, or null when the translation files are missing
// (Qt's English texts remain then).
QTranslator *LoadTurkishQtTexts(QCoreApplication &app);

// "\r\n" in a message constant becomes a line break only here, where it is shown.
QString ShownText(const QString &text);
