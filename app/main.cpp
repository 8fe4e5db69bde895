#include "app/ErrorHandler.h"
#include "app/frm_fatura_basimi.h"
#include "app/frm_fatura_bul.h"
#include "app/frm_kdv_li_tutar.h"
#include "app/ucretsiz_yazilimlar_icin_blg.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/widgets/QtDialogs.h"
#include "platform/widgets/QtPrinting.h"
#include "preview/QRPrev.h"
#include "report/QRUnits.h"

#include <QFont>
#include <QIcon>
#include <QScreen>

#include <cmath>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    TLevantaApplication app(argc, argv);
    // The desktop's menu entry and icon, by which a task bar knows the window.
    QGuiApplication::setDesktopFileName(u"tr.levanta.Levanta"_s);
    QGuiApplication::setWindowIcon(QIcon::fromTheme(u"levanta"_s));
    // The fixed 96-dpi layouts were drawn with these faces; Liberation Sans keeps their
    // proportions where they are missing.
    QFont::insertSubstitution(u"MS Sans Serif"_s, u"Liberation Sans"_s);
    QFont::insertSubstitution(u"Tahoma"_s, u"Liberation Sans"_s);
    // Standard buttons say Evet/Hayır/Tamam/İptal also under an English or C locale.
    LoadTurkishQtTexts(app);
    // The engine's own windows and messages, written in English, under a Turkish locale.
    QRLoadEngineTexts(app, QLocale::system());
    // Designs and labels are measured at the screen's logical dpi; the engine is told once.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        SetQRScreenResolution(static_cast<int>(std::lround(screen->logicalDotsPerInch())));

    TQtDialogs dialogs;
    app.SetDialogs(&dialogs);
    TQtPrinting printing;
    SetPrinting(&printing);
    const TFormatSettings format = TFormatSettings::System();
    const TProgramFolders &folders = ProgramFolders();
    const QString &folder = folders.Data;
    QRRegisterStandardPreview(dialogs, folder, u"LEVANTA"_s);

    // Creation order matters: the main window first, so that it is the main window; all four
    // live until the program ends.
    Tfatura_basimi fatura_basimi(dialogs, format, folder);
    Tfatura_bul fatura_bul(dialogs);
    Tucretsiz_yazilimlar_icin_bilgi bilgi;
    fatura_basimi.SetPagesFolder(folders.Pages);
    bilgi.SetPagesFolder(folders.Pages);
    bilgi.SetDataFolder(folders.Data, folders.Installed);
    Tkdv_li_tutar kdv_li_tutar(dialogs, format);
    fatura_basimi.SetFindDialog(&fatura_bul);
    fatura_basimi.SetInfoWindow(&bilgi);
    fatura_basimi.SetVatDialog(&kdv_li_tutar);
    // Only the main window's closing ends the program.
    for (QWidget *other : { static_cast<QWidget *>(&fatura_bul), static_cast<QWidget *>(&bilgi),
             static_cast<QWidget *>(&kdv_li_tutar) })
        other->setAttribute(Qt::WA_QuitOnClose, false);

    fatura_basimi.show();
    return app.exec();
}
