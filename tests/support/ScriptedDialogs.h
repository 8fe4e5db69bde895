#pragma once
// A dialogs double: records every box, beep and shell open, and answers from a script.

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

class TScriptedDialogs : public IDialogs
{
public:
    enum class TKind {
        Warning,
        Error,
        Information,
        YesNo,
        OkCancel,
        Input,
        OpenFile,
        SaveFile,
        YesNoCancel,
        Folder,
    };

    struct TShown {
        TKind Kind;
        QString Title;
        QString Text;
    };

    // What was shown, in order.
    std::vector<TShown> Shown;
    int Beeps = 0;
    QStringList Opened; // shell "Open" targets

    // Answers for questions, taken in order; when empty, Yes/Ok is assumed.
    std::deque<TAnswer> Answers;
    // Results of input boxes and file dialogs, taken in order; when empty, "cancelled".
    std::deque<QString> Texts;
    // Called whenever a box is shown (e.g. to assert on the window's state at that moment).
    std::function<void(const TShown &)> OnShown;

    void Warning(QWidget *owner, const QString &title, const QString &text) override;
    void Error(QWidget *owner, const QString &title, const QString &text) override;
    void Information(QWidget *owner, const QString &title, const QString &text) override;
    TAnswer AskYesNo(QWidget *owner, const QString &title, const QString &text) override;
    TAnswer AskOkCancel(QWidget *owner, const QString &title, const QString &text) override;
    // Answers from Answers, Yes when none is left.
    TAnswer AskYesNoCancel(QWidget *owner, const QString &title, const QString &text) override;
    // Records the starting folder in Folders; the result is the next of Texts.
    QString FolderName(QWidget *owner, const QString &title, const QString &folder) override;
    bool InputBox(
        QWidget *owner, const QString &title, const QString &prompt, QString &value) override;
    QString OpenFileName(QWidget *owner, const QString &title, const QString &folder,
        const QString &filter) override;
    // File dialogs record the filter as the shown text and the folder (initial name) in
    // Folders; a save takes its chosen file type from SelectedFilters when one is scripted.
    QString SaveFileName(QWidget *owner, const QString &title, const QString &folder,
        const QString &filter, QString *selectedFilter = nullptr) override;
    QStringList Folders;
    std::deque<QString> SelectedFilters;
    void Beep() override { ++Beeps; }
    void ShellOpen(const QString &target, const QString &parameters) override;

    // Convenience for assertions.
    int Count(TKind kind) const;
    QString LastText() const { return Shown.empty() ? QString() : Shown.back().Text; }
    void Clear();

private:
    void Record(TKind kind, const QString &title, const QString &text);
    TAnswer Next(TAnswer fallback);
    // Takes the next scripted text; false (value untouched) when none is left.
    bool NextText(QString &value);
};
