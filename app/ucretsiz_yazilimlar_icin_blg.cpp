#include "app/ucretsiz_yazilimlar_icin_blg.h"

#include "app/FormFields.h"
#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QShowEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

Tucretsiz_yazilimlar_icin_bilgi::Tucretsiz_yazilimlar_icin_bilgi(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , FPagesFolder(ProgramFolder() + u"pages/"_s)
{
    setWindowTitle(u"Bilgi:"_s);
    QFont f(u"MS Sans Serif"_s);
    f.setPixelSize(11);
    setFont(f);
    resize(689, 395);

    FBrowser = new QTextBrowser(this);
    FBrowser->setObjectName(u"WebBrowser1"_s);
    FBrowser->setOpenLinks(true);
    FBrowser->setOpenExternalLinks(false);
    FFolderLine = new QLabel(this);
    FFolderLine->setObjectName(u"KlasorBilgisi"_s);
    FFolderLine->setWordWrap(true);
    FFolderLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FFolderLine->setContentsMargins(6, 4, 6, 4);
    FFolderLine->hide();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FBrowser, 1);
    layout->addWidget(FFolderLine);
}

void Tucretsiz_yazilimlar_icin_bilgi::SetDataFolder(const QString &folder, bool installed)
{
    const QString path = u"<b>%1</b>"_s.arg(QDir::toNativeSeparators(folder).toHtmlEscaped());
    FFolderLine->setText(installed
            ? u"Faturalarınız ve ayarlarınız bu klasörde: %1<br>Başka bir klasörde (örneğin "
              u"programın eski klasöründe) kalanları getirmek için LEVANTA'yı kapatın, o "
              u"klasördeki fatura.* dosyalarını, fatura_ayar.ini dosyasını ve form resmini bu "
              u"klasöre kopyalayın."_s.arg(path)
            : u"Faturalarınız ve ayarlarınız programın klasöründe: %1"_s.arg(path));
    FFolderLine->show();
}

void Tucretsiz_yazilimlar_icin_bilgi::ShowInfo()
{
    if (isVisible()) {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
        return;
    }
    show();
    raise();
    activateWindow();
}

void Tucretsiz_yazilimlar_icin_bilgi::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A restore from the task bar is not a new showing.
    if (event->spontaneous())
        return;
    CentreOnScreen(this);
    Navigate();
}

void Tucretsiz_yazilimlar_icin_bilgi::Navigate()
{
    ++FLoadCount;
    const QString file = FPagesFolder + PageName();
    if (!QFileInfo::exists(file)) {
        FBrowser->setHtml(u"<p>Bilgi sayfası bulunamadı: %1</p>"_s.arg(file.toHtmlEscaped()));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(file);
    if (FBrowser->source() == url)
        FBrowser->reload();
    else
        FBrowser->setSource(url);
}
