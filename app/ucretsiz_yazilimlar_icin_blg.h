#pragma once
// The information window for free users: one browser view of the page that ships with the
// program, loaded afresh each time the window is shown.

#include <QString>
#include <QWidget>

class QLabel;
class QTextBrowser;

class Tucretsiz_yazilimlar_icin_bilgi : public QWidget
{
    Q_OBJECT
public:
    static QString PageName() { return QStringLiteral("bilgi.html"); }

    explicit Tucretsiz_yazilimlar_icin_bilgi(QWidget *parent = nullptr);

    // The folder of the pages, ending in a separator: <program folder>/pages/ by default.
    void SetPagesFolder(const QString &folder) { FPagesFolder = folder; }
    const QString &PagesFolder() const { return FPagesFolder; }
    // The folder that holds the user's files, named under the page; installed says that it is
    // the user's data folder rather than the program's, so the line tells how to bring an
    // older folder's files there.
    void SetDataFolder(const QString &folder, bool installed);

    // Shows the window (which loads the page), or only brings it to the front when it is
    // already open.
    void ShowInfo();

    QTextBrowser *Browser() const { return FBrowser; }
    QLabel *FolderLine() const { return FFolderLine; }
    // How many times the page has been loaded.
    int LoadCount() const { return FLoadCount; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Navigate();

    QTextBrowser *FBrowser = nullptr;
    QLabel *FFolderLine = nullptr;
    QString FPagesFolder;
    int FLoadCount = 0;
};
