#include "invoice/DatabaseSettings.h"

#include "invoice/PgInvoiceStore.h"
#include "platform/Ini.h"

using namespace Qt::StringLiterals;

TDatabaseSettings LoadDatabaseSettings(const QString &iniPath)
{
    const TIniFile ini(iniPath);
    TDatabaseSettings s;
    const QString kind = ini.ReadString(kDatabaseSection, u"Tur", {}).trimmed();
    if (kind.compare(u"postgresql"_s, Qt::CaseInsensitive) == 0)
        s.Kind = TStoreKind::Postgres;
    else if (!kind.isEmpty() && kind.compare(u"sqlite"_s, Qt::CaseInsensitive) != 0)
        throw EStorageError(u"fatura_ayar.ini dosyasının [VERITABANI] bölümündeki Tur=%1 "
                            u"tanınmıyor: sqlite ya da postgresql yazın."_s.arg(kind));
    s.Server.Host = ini.ReadString(kDatabaseSection, u"Sunucu", {}).trimmed();
    s.Server.Database = ini.ReadString(kDatabaseSection, u"Veritabani", {}).trimmed();
    s.Server.User = ini.ReadString(kDatabaseSection, u"Kullanici", {}).trimmed();
    const QString port = ini.ReadString(kDatabaseSection, u"Port", {}).trimmed();
    if (!port.isEmpty()) {
        bool ok = false;
        const int n = port.toInt(&ok);
        if (!ok || n < 1 || n > 65535)
            throw EStorageError(u"fatura_ayar.ini dosyasının [VERITABANI] bölümündeki Port=%1 "
                                u"bir kapı numarası değil (1-65535)."_s.arg(port));
        s.Server.Port = n;
    }
    return s;
}

std::unique_ptr<IInvoiceStore> OpenChosenServer(const TDatabaseSettings &settings)
{
    if (settings.Kind != TStoreKind::Postgres)
        return nullptr;
    return std::make_unique<PgInvoiceStore>(settings.Server);
}
