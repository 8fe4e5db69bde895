#pragma once
// The information window for free users: one browser view of the page that ships with the
// program, loaded afresh each time the window is shown.

#include <QString>
#include <QWidget>

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

    // Shows the window (which loads the page), or only brings it to the front when it is
    // already open.
    void ShowInfo();

    QTextBrowser *Browser() const { return FBrowser; }
    // How many times the page has been loaded.
    int LoadCount() const { return FLoadCount; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Navigate();

    QTextBrowser *FBrowser = nullptr;
    QString FPagesFolder;
    int FLoadCount = 0;
};
