#include "support/ScriptedDialogs.h"

#include <algorithm>

void TScriptedDialogs::Record(TKind kind, const QString &title, const QString &text)
{
    Shown.push_back({ kind, title, text });
    if (OnShown)
        OnShown(Shown.back());
}

IDialogs::TAnswer TScriptedDialogs::Next(TAnswer fallback)
{
    if (Answers.empty())
        return fallback;
    const TAnswer a = Answers.front();
    Answers.pop_front();
    return a;
}

void TScriptedDialogs::Warning(QWidget *, const QString &title, const QString &text)
{
    Record(TKind::Warning, title, text);
}

void TScriptedDialogs::Error(QWidget *, const QString &title, const QString &text)
{
    Record(TKind::Error, title, text);
}

void TScriptedDialogs::Information(QWidget *, const QString &title, const QString &text)
{
    Record(TKind::Information, title, text);
}

IDialogs::TAnswer TScriptedDialogs::AskYesNo(QWidget *, const QString &title, const QString &text)
{
    Record(TKind::YesNo, title, text);
    return Next(TAnswer::Yes);
}

IDialogs::TAnswer TScriptedDialogs::AskOkCancel(
    QWidget *, const QString &title, const QString &text)
{
    Record(TKind::OkCancel, title, text);
    return Next(TAnswer::Ok);
}

IDialogs::TAnswer TScriptedDialogs::AskYesNoCancel(
    QWidget *, const QString &title, const QString &text)
{
    Record(TKind::YesNoCancel, title, text);
    return Next(TAnswer::Yes);
}

QString TScriptedDialogs::FolderName(QWidget *, const QString &title, const QString &folder)
{
    Folders << folder;
    Record(TKind::Folder, title, folder);
    QString name;
    NextText(name);
    return name;
}

bool TScriptedDialogs::NextText(QString &value)
{
    if (Texts.empty())
        return false;
    value = Texts.front();
    Texts.pop_front();
    return true;
}

bool TScriptedDialogs::InputBox(
    QWidget *, const QString &title, const QString &prompt, QString &value)
{
    Record(TKind::Input, title, prompt);
    return NextText(value);
}

QString TScriptedDialogs::OpenFileName(
    QWidget *, const QString &title, const QString &folder, const QString &filter)
{
    Folders << folder;
    Record(TKind::OpenFile, title, filter);
    QString name;
    NextText(name);
    return name;
}

QString TScriptedDialogs::SaveFileName(QWidget *, const QString &title, const QString &folder,
    const QString &filter, QString *selectedFilter)
{
    Folders << folder;
    Record(TKind::SaveFile, title, filter);
    QString name;
    NextText(name);
    if (selectedFilter && !SelectedFilters.empty()) {
        *selectedFilter = SelectedFilters.front();
        SelectedFilters.pop_front();
    }
    return name;
}

void TScriptedDialogs::ShellOpen(const QString &target, const QString &)
{
    Opened << target;
}

int TScriptedDialogs::Count(TKind kind) const
{
    return static_cast<int>(std::count_if(
        Shown.begin(), Shown.end(), [kind](const TShown &s) { return s.Kind == kind; }));
}

void TScriptedDialogs::Clear()
{
    Shown.clear();
    Beeps = 0;
    Opened.clear();
    Answers.clear();
    Texts.clear();
    Folders.clear();
    SelectedFilters.clear();
}
