#pragma once
// Every message box, question, input box, file dialog, beep and shell "Open" goes through
// this one interface: the program gives it the Qt implementation, tests a scripted double.

#include <QString>
#include <QStringList>

class QWidget;

class IDialogs
{
public:
    enum class TAnswer { Yes, No, Ok, Cancel };

    virtual ~IDialogs() = default;

    // Texts are passed as the program holds them; a leading "\r\n" becomes a line break
    // only where the text is shown. A null owner centres the box on the screen.
    virtual void Warning(QWidget *owner, const QString &title, const QString &text) = 0;
    virtual void Error(QWidget *owner, const QString &title, const QString &text) = 0;
    virtual void Information(QWidget *owner, const QString &title, const QString &text) = 0;
    virtual TAnswer AskYesNo(QWidget *owner, const QString &title, const QString &text) = 0;
    virtual TAnswer AskOkCancel(QWidget *owner, const QString &title, const QString &text) = 0;
    // Yes, No or Cancel. Not pure, so that a double written before it still builds: it then
    // answers as its AskYesNo does.
    virtual TAnswer AskYesNoCancel(QWidget *owner, const QString &title, const QString &text)
    {
        return AskYesNo(owner, title, text);
    }
    // The one-line input box; false when cancelled (value untouched then).
    virtual bool InputBox(
        QWidget *owner, const QString &title, const QString &prompt, QString &value)
        = 0;
    // File dialogs; an empty result means the user cancelled. filter is Qt's filter syntax;
    // folder may end in an initial file name. selectedFilter, when given, names the file type
    // to start with and receives the one the user chose. The save dialog asks before it
    // replaces an existing file.
    virtual QString OpenFileName(
        QWidget *owner, const QString &title, const QString &folder, const QString &filter)
        = 0;
    virtual QString SaveFileName(QWidget *owner, const QString &title, const QString &folder,
        const QString &filter, QString *selectedFilter = nullptr)
        = 0;
    // Picks an existing folder, starting in folder; empty when cancelled (also for a double
    // written before it).
    virtual QString FolderName(QWidget *owner, const QString &title, const QString &folder)
    {
        (void)owner, (void)title, (void)folder;
        return {};
    }
    virtual void Beep() = 0;
    // The shell's "Open" of a file or address; the result is not reported.
    virtual void ShellOpen(const QString &target, const QString &parameters) = 0;
};
