#include "app/MoveToServer.h"

#include "invoice/DatabaseSettings.h"
#include "invoice/PgInvoiceStore.h"
#include "invoice/SqliteInvoiceStore.h"
#include "platform/Dialogs.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace
{
const QString kTitle = u"Faturaları Sunucuya Taşı"_s;

// A million invoices take a while to copy: the cursor says the program is at work, and is
// itself again before any box shows, also after a failure.
class TBusyCursor
{
public:
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};

} // namespace

void FATURALARI_SUNUCUYA_TASI(
    IDialogs &dialogs, QWidget *owner, const QString &folder, const QString &iniPath)
{
    const TDatabaseSettings settings = LoadDatabaseSettings(iniPath);
    if (settings.Kind != TStoreKind::Postgres) {
        dialogs.Information(owner, kTitle,
            u"Faturaların taşınacağı bir sunucu seçilmemiş. fatura_ayar.ini dosyasının "
            u"[VERITABANI] bölümüne Tur=postgresql ile Sunucu, Port, Veritabani ve Kullanici "
            u"değerlerini yazın; sonra bu komutu yeniden çalıştırın."_s);
        return;
    }
    const QString file = QDir(folder).filePath(u"fatura.DB"_s);
    if (!QFileInfo::exists(file)) {
        dialogs.Information(owner, kTitle, u"Taşınacak fatura tablosu yok: %1"_s.arg(file));
        return;
    }
    const std::unique_ptr<IInvoiceStore> source = OpenSqliteStore(file);
    const int count = source->Count();
    const QString server = settings.Server.Describe();
    if (dialogs.AskYesNo(owner, kTitle,
            u"fatura.DB dosyasındaki %1 fatura, %2 sunucusundaki fatura tablosuna aynı "
            u"kayıt numaralarıyla kopyalanacak. Sunucudaki tablo boş olmalıdır; fatura.DB "
            u"olduğu gibi kalır.\n\nDevam edilsin mi?"_s.arg(count)
                .arg(server))
        != IDialogs::TAnswer::Yes)
        return;
    const int copied = [&] {
        const TBusyCursor busy;
        PgInvoiceStore target(settings.Server);
        return target.CopyAllFrom(*source);
    }();
    dialogs.Information(owner, kTitle,
        u"%1 fatura %2 sunucusuna taşındı ve sayısı denetlendi."_s.arg(copied).arg(server));
}
