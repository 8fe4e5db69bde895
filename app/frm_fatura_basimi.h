#pragma once
// The main window: the invoice form on page FATURA, the header buttons, the two popup menus,
// the start-up sequence and the invoice commands YENİ, KAYDET and BUL.

#include "invoice/InvoiceRecord.h"
#include "platform/Locale.h"

#include <QDate>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class IDialogs;
class InvoiceTable;
struct TPrintSettings;
class TInvoiceReport;
class TEArsivCopy;
struct TInvoiceFormValues;
struct TInvoiceField;
class TFormEdit;
struct TTotalsForm;
class TTextField;
class TNumericEdit;
class TAyarSayfasi;
class Tfatura_bul;
class Tkdv_li_tutar;
class Tucretsiz_yazilimlar_icin_bilgi;
class TEArsivKomutlari;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QStackedWidget;

class Tfatura_basimi : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kLines = TInvoiceRecord::kLines;

    // programFolder ends in a path separator; every file of the program lives there. today
    // gives the date that start-up and YENİ put into TARIH (the clock when empty).
    Tfatura_basimi(IDialogs &dialogs, const TFormatSettings &format, QString programFolder,
        std::function<QDate()> today = {}, QWidget *parent = nullptr);
    ~Tfatura_basimi() override;

    // The windows the program entry creates after this one; each may stay unset (tests).
    void SetFindDialog(Tfatura_bul *dialog);
    void SetInfoWindow(Tucretsiz_yazilimlar_icin_bilgi *window);
    void SetVatDialog(Tkdv_li_tutar *dialog);
    // The pages the two links open; <programFolder>/pages/ unless set.
    void SetPagesFolder(QString folder) { FPagesFolder = std::move(folder); }

    // Recomputes line amounts, totals and the amount in words from the form.
    void YEKUN_KDV_TOPLAM();
    // Reads fatura_ayar.ini into the menu checks, the money format and the layout settings.
    void AYARLARI_YUKLE();

    // The invoice commands behind YENİ, KAYDET and BUL.
    void SpeedButton9Click();
    void SpeedButton8Click();
    void SpeedButton11Click();
    // The about box.
    void SpeedButton7Click();
    // Preview and print: the focus goes to TARIH first so that the field being edited ends.
    void MenuItem1Click();
    void MenuItem2Click();
    // "e-Arşiv Nüshası...": a UBL-TR file's copy in the preview (app/EArsivNushasi.cpp).
    void EArsivNushasi1Click();
    // Where that command's file dialog opens: the last exported e-Arşiv file, else the
    // program folder.
    const QString &SonEArsivDosyasi() const { return FSonEArsivDosyasi; }
    void SetSonEArsivDosyasi(const QString &path) { FSonEArsivDosyasi = path; }
    TEArsivCopy *EArsivNushasi() const { return FNusha.get(); }

    QChar GKayitModu() const { return FKayitModu; }
    // REC_ID of the stored invoice on screen (mode 'D'); 0 for a new one.
    std::int32_t StoredRecId() const { return FStoredRecId; }
    const QString &ProgramFolder() const { return FProgramFolder; }
    IDialogs &Dialogs() { return FDialogs; }
    InvoiceTable &tfatura() { return *FTable; }
    TPrintSettings &Ayarlar() { return *FSettings; }
    // The invoice report, composed anew by every preview and print.
    TInvoiceReport &Rapor() { return *FRapor; }
    // The invoice on the form as the print reads it.
    TInvoiceFormValues FormValues();
    // The VAT rate as the totals read it: the spin box's text, 0 when not a whole number.
    int VatRate() const;

    // The invoice on screen as a record (REC_ID left 0) and a record put on screen.
    TInvoiceRecord EKRANDAN_KAYDA();
    void KAYITTAN_EKRANA(const TInvoiceRecord &record);

    // True while the invoice on screen was recalled with BUL: the rate box then says nothing
    // about its VAT rate.
    bool Recalled() const { return FRecalled; }
    TEArsivKomutlari &EArsiv() { return *FEArsiv; }
    // The last e-Arşiv XML written (a single or a batch export) or shown as a copy; empty
    // before any, when the copy's file dialog starts in the program folder.
    QString FSonEArsivDosyasi;

    // The layout settings page, page AYAR.
    TAyarSayfasi *AyarSayfasi() { return FAyarSayfasi; }

    // The notebook and its pages; page RAPOR is filled by the printing side.
    QStackedWidget *SAYFA = nullptr;
    QWidget *FATURA = nullptr;
    QWidget *AYAR = nullptr;
    QWidget *RAPOR = nullptr;

    // Controls other windows and tests address by name.
    TTextField *TARIH = nullptr;
    TTextField *SAYIN1 = nullptr, *SAYIN2 = nullptr, *SAYIN3 = nullptr;
    TTextField *VERGIDAIRESI = nullptr, *VERGIHESAPNO = nullptr;
    std::array<TNumericEdit *, kLines> M {};
    std::array<TTextField *, kLines> B {};
    std::array<TTextField *, kLines> C {};
    std::array<TNumericEdit *, kLines> F {};
    std::array<TNumericEdit *, kLines> T {};
    TNumericEdit *YEKUN = nullptr, *KDV = nullptr, *TOPLAM = nullptr;
    TTextField *YALNIZ = nullptr;
    QSpinBox *ORAN = nullptr;

    QPushButton *SpeedButton9 = nullptr, *SpeedButton8 = nullptr, *SpeedButton11 = nullptr;
    QPushButton *Button1 = nullptr, *SpeedButton12 = nullptr, *SpeedButton7 = nullptr;
    QMenu *MNMENU = nullptr, *rrrapor = nullptr;
    QAction *FATURAIKTIAYARLARI1 = nullptr, *KDVDahil1 = nullptr, *tutarsabit = nullptr;
    QAction *MenuItem1 = nullptr, *MenuItem2 = nullptr;
    QAction *EArsivNushasi1 = nullptr;
    QAction *FirmaBilgileri1 = nullptr, *EArsivXml1 = nullptr, *TopluEArsiv1 = nullptr;
    QLabel *Label31 = nullptr, *Label26 = nullptr, *Label27 = nullptr;

    // Message texts; "\r\n" stays in the constant and becomes a line break where shown.
    static const QString kYeniMesaji;
    static const QString kTarihMesaji;
    static const QString kKayitYokMesaji;
    static const QString kDegistirildiMesaji;
    static const QString kCaption;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The warnings of a print that would waste a form; true when the print may go.
    bool BASKI_UYARILARINI_SOR();
    void BuildHeader(QWidget *page);
    void BuildFields(QWidget *page);
    // The form's edit field of a catalogued field; nullptr for one the form has no box for.
    TFormEdit *FieldOf(const TInvoiceField &field) const;
    TNumericEdit *NumberFieldOf(const TInvoiceField &field) const;
    void BuildLinks(QWidget *page);
    void FormShow();
    // The invoice table where section [VERITABANI] of the settings file says: a server's
    // table, or fatura.DB beside the program (the default). Throws when it cannot be opened.
    void OpenInvoiceTable();
    void BIRIM_FIYAT_HESAPLA(int line);
    void ApplyMoneyFormat(const QString &format);
    void TOGGLE_FLAG(QAction *item, const QString &key);
    void KDV_LI_TUTAR(TNumericEdit *field);
    void DOLDUR_FATINFO();
    QString Today() const;
    void OpenPage(const QString &page);
    bool HandleKey(QWidget *target, QKeyEvent *key);
    // Runs a command; an error shows its text. With advice, the sentence it gives (what
    // failed, what to do) stands above the error's text.
    void Guard(const std::function<void()> &command);
    void Guard(const std::function<QString()> &advice, const std::function<void()> &command);
    // Whether the program folder or the invoice table refuses writing, found by trying.
    bool FolderReadOnly() const;
    bool FolderOrTableReadOnly() const;

    IDialogs &FDialogs;
    TFormatSettings FFormat;
    QString FProgramFolder;
    QString FPagesFolder;
    std::function<QDate()> FToday;
    std::unique_ptr<InvoiceTable> FTable;
    std::unique_ptr<TPrintSettings> FSettings;
    std::unique_ptr<TInvoiceReport> FRapor;
    std::unique_ptr<TTotalsForm> FTotals;
    std::unique_ptr<TEArsivKomutlari> FEArsiv;
    TAyarSayfasi *FAyarSayfasi = nullptr;
    Tfatura_bul *FFindDialog = nullptr;
    Tucretsiz_yazilimlar_icin_bilgi *FInfoWindow = nullptr;
    Tkdv_li_tutar *FVatDialog = nullptr;
    QChar FKayitModu = u'Y';
    std::int32_t FStoredRecId = 0;
    // That invoice as the store held it when it was recalled or last saved: a KAYDET that
    // finds it different meanwhile (another desk) asks before it overwrites.
    std::optional<TInvoiceRecord> FStoredRecord;
    bool FShown = false;
    bool FRecalled = false;
    bool FServerChosen = false; // the settings chose a database server
    // The copy last shown: its pages stay with it while the preview lives.
    std::unique_ptr<TEArsivCopy> FNusha;
};
