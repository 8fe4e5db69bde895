#pragma once
// The e-Arşiv commands of the main window: the seller's page, one invoice's XML, a date
// range's XML, the paper limit before YAZDIR and the question before deleting an exported
// invoice. The document is built from the invoice as stored, so that what was exported is
// what the store holds under its number.

#include "earsiv/EArsivBuild.h"

#include <QDialog>
#include <functional>
#include <map>

class IDialogs;
class InvoiceTable;
struct TPrintSettings;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

// What the export dialog asks: only what the form and the store do not already tell.
struct TEArsivSorulacak {
    bool Yer = false; // İlçe and İl of the buyer
    bool Adlar = false; // first and family name of a person
    bool NihaiTuketici = false; // no buyer number: the final consumer may be chosen
    std::vector<int> Oranlar; // VAT rates to choose from; empty: the rate is known
    bool SifirOran = false; // the rate is (or may be) 0: SATIS/351 or ISTISNA
    QStringList Birimler; // units without a code, as typed
};

struct TEArsivCevaplar {
    QString Ilce, Il, Ad, Soyad;
    bool NihaiTuketici = false;
    int Oran = 0;
    QString Tur = QStringLiteral("SATIS");
    QString IstisnaKodu;
    std::map<QString, QString> BirimKodlari; // UnitKey → code
};

class TEArsivSorular : public QDialog
{
    Q_OBJECT

public:
    TEArsivSorular(IDialogs &dialogs, const TEArsivSorulacak &sorulacak,
        const TEArsivCevaplar &baslangic, const QString &alici, QWidget *parent = nullptr);

    TEArsivCevaplar Cevaplar() const;

    QLineEdit *Ilce = nullptr, *Il = nullptr, *Ad = nullptr, *Soyad = nullptr;
    QCheckBox *NihaiTuketici = nullptr;
    QComboBox *Oran = nullptr;
    QRadioButton *Satis = nullptr, *Istisna = nullptr;
    QComboBox *IstisnaKodu = nullptr;
    std::vector<std::pair<QString, QComboBox *>> Birimler; // unit as typed, its choice

public slots:
    void accept() override;

private:
    void SifirOranAlanlari();

    IDialogs &FDialogs;
    TEArsivSorulacak FSorulacak;
    TEArsivCevaplar FBaslangic;
    QWidget *FSifir = nullptr;
};

// What the commands need of the main window, which owns them (so they do not include it).
struct TEArsivPencere {
    QWidget *Owner = nullptr;
    std::function<IDialogs &()> Dialogs;
    std::function<InvoiceTable &()> tfatura;
    std::function<QString()> ProgramFolder;
    std::function<const TPrintSettings &()> Ayarlar;
    // The field being edited finishes, as before KAYDET.
    std::function<void()> FinishEditing;
    std::function<QChar()> GKayitModu;
    std::function<std::int32_t()> StoredRecId;
    std::function<TInvoiceRecord()> EKRANDAN_KAYDA;
    std::function<void()> SpeedButton8Click; // KAYDET
    std::function<bool()> Recalled;
    std::function<int()> VatRate;
    std::function<TInvoiceFormValues()> FormValues;
    std::function<void(const QString &)> SetLastFile; // the last XML written
    QString DateFormat; // the locale's short date pattern, which TARIH may be written in
};

class TEArsivKomutlari
{
public:
    explicit TEArsivKomutlari(TEArsivPencere window);

    // AYARLAR → Firma Bilgileri.
    void FirmaBilgileri();
    // FATURA RAPOR → e-Arşiv XML Kaydet: the invoice on screen, stored first.
    void XmlKaydet();
    // FATURA RAPOR → Toplu e-Arşiv XML: the invoices of a date range not yet exported.
    void TopluXml();

    enum class TKagit { Yazdir, EArsiv, Vazgec };
    // Before YAZDIR: whether this invoice may still go on paper, and if not, what the user
    // chose instead.
    TKagit KagitSiniri();

    // Before an exported invoice is deleted; true when it may go (not exported, or the user
    // agreed). Its number stays taken either way.
    static bool SilinebilirMi(
        IDialogs &dialogs, InvoiceTable &table, std::int32_t recId, QWidget *owner);

    static const QString kImzasizMesaji;

private:
    // The seller, complete; opens Firma Bilgileri with the gaps marked when it is not.
    std::optional<TSellerInfo> Satici();
    QString Klasor() const;
    void KlasoruHatirla(const QString &folder);

    TEArsivPencere W;
};
