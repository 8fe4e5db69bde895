#include "app/frm_fatura_basimi.h"

#include "platform/Printing.h"
#include "printing/Calibration.h"
#include "printing/EArsivCopy.h"
#include "printing/InvoiceReport.h"
#include "printing/PrintWarnings.h"

#include "app/EArsivKomutlari.h"
#include "app/ErrorHandler.h"
#include "app/FormFields.h"
#include "app/frm_ayar_sayfasi.h"
#include "app/frm_fatura_bul.h"
#include "app/frm_kdv_li_tutar.h"
#include "app/ucretsiz_yazilimlar_icin_blg.h"
#include "invoice/DatabaseSettings.h"
#include "invoice/InvoiceTable.h"
#include "invoice/ParadoxImport.h"
#include "invoice/Prefill.h"
#include "invoice/TaxNumber.h"
#include "invoice/Totals.h"
#include "platform/Dialogs.h"
#include "printing/PrintSettings.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

const QString Tfatura_basimi::kYeniMesaji
    = u"\r\nYENİ KAYDA GEÇİLECEK.\r\n\r\nEKRANDAKİ BİLGİLER SİLİNECEK."_s;
const QString Tfatura_basimi::kTarihMesaji = u"\r\nFATURA TARİHİNİ GİRMEK ZORUNDASINIZ."_s;
const QString Tfatura_basimi::kKayitYokMesaji = u"\r\nKAYITLI FATURA YOK."_s;
const QString Tfatura_basimi::kDegistirildiMesaji
    = u"\r\nBU FATURA, SİZ ÇAĞIRDIKTAN SONRA BAŞKA BİR BİLGİSAYARDA DEĞİŞTİRİLDİ."
      u"\r\n\r\nONUN ÜZERİNE YAZILSIN MI?"
      u"\r\n\r\nEvet: ekrandaki fatura onun yerine kaydedilir."
      u"\r\nHayır: onunki olduğu gibi kalır, ekrandaki fatura yeni bir fatura olarak "
      u"kaydedilir."_s;
const QString Tfatura_basimi::kCaption = u"LEVANTA v1.4 [ Güncelleme : 15.01.2019 ]  "_s;

namespace
{

const QString kWarningTitle = u"Uyarı"_s;

// The sentence an error box shows above the engine's own text: what failed, what to do.
const QString kStartAdvice = u"Program açılırken dosyaları hazırlanamadı; program klasöründeki "
                             u"fatura.DB ve fatura_ayar.ini dosyalarını denetleyip programı "
                             u"yeniden başlatın."_s;
const QString kStartAdviceReadOnly = u"Program klasörü (%1) salt okunur olduğu için program "
                                     u"dosyalarını oluşturamadı; klasöre yazma izni verip "
                                     u"programı yeniden başlatın."_s;
const QString kStartAdviceServer = u"Program açılırken fatura tablosu açılamadı; veritabanı "
                                   u"sunucusunun çalıştığını ve fatura_ayar.ini dosyasının "
                                   u"[VERITABANI] bölümünü denetleyip programı yeniden "
                                   u"başlatın."_s;
const QString kSaveAdvice = u"Fatura kaydedilemedi, ekrandaki fatura duruyor; diskte yer "
                            u"olduğunu ve fatura.DB dosyasının başka bir programda açık "
                            u"olmadığını denetleyip yeniden KAYDET'e basın."_s;
const QString kSaveAdviceReadOnly = u"Program klasörü ya da fatura.DB salt okunur olduğu için "
                                    u"fatura kaydedilemedi, ekrandaki fatura duruyor; yazma "
                                    u"izni verip yeniden KAYDET'e basın."_s;
const QString kFindAdvice = u"Kayıtlı faturalar okunamadı, ekrandaki fatura duruyor; fatura.DB "
                            u"dosyasını denetleyip yeniden deneyin."_s;
const QString kSaveAdviceServer = u"Fatura kaydedilemedi, ekrandaki fatura duruyor; veritabanı "
                                  u"sunucusunun çalıştığını ve bu bilgisayardan erişilebildiğini "
                                  u"denetleyip yeniden KAYDET'e basın."_s;
const QString kFindAdviceServer = u"Kayıtlı faturalar okunamadı, ekrandaki fatura duruyor; "
                                  u"veritabanı sunucusunun çalıştığını denetleyip yeniden "
                                  u"deneyin."_s;
const QString kFlagAdvice = u"Seçim fatura_ayar.ini dosyasına yazılamadı ve yalnızca program "
                            u"kapanana dek geçerli; program klasörüne yazma izni verin."_s;

constexpr int kClientWidth = 463;
constexpr int kClientHeight = 513;
constexpr int kLineTop = 183;
constexpr int kLineStep = 22;
constexpr int kFieldHeight = 21;

QFont SansFont(int pixels, bool bold)
{
    QFont font(u"MS Sans Serif"_s);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont ArialFont(int pixels)
{
    QFont font(u"Arial"_s);
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

void SetBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// The header buttons, in the order they are laid out.
struct TButtonRow {
    QPushButton *Tfatura_basimi::*Member;
    const char16_t *Name;
    const char16_t *Caption;
    int Left, Top, Width, Height;
};
constexpr TButtonRow kButtons[] = {
    { &Tfatura_basimi::SpeedButton9, u"SpeedButton9", u"YENİ", 5, 4, 60, 29 },
    { &Tfatura_basimi::SpeedButton8, u"SpeedButton8", u"KAYDET", 69, 4, 60, 29 },
    { &Tfatura_basimi::SpeedButton11, u"SpeedButton11", u"BUL", 133, 4, 60, 29 },
    { &Tfatura_basimi::Button1, u"Button1", u"FATURA RAPOR", 201, 4, 112, 29 },
    { &Tfatura_basimi::SpeedButton12, u"SpeedButton12", u"AYARLAR", 317, 4, 90, 29 },
    { &Tfatura_basimi::SpeedButton7, u"SpeedButton7", u"????", 417, 4, 43, 29 },
};

// The header text fields, in tab order.
struct THeaderRow {
    TTextField *Tfatura_basimi::*Member;
    const char16_t *Name;
    int Left, Top, Width, MaxLength; // 0: no limit
};
constexpr THeaderRow kHeaderFields[] = {
    { &Tfatura_basimi::TARIH, u"TARIH", 104, 48, 65, 0 },
    { &Tfatura_basimi::SAYIN1, u"SAYIN1", 104, 70, 348, 75 },
    { &Tfatura_basimi::SAYIN2, u"SAYIN2", 104, 92, 348, 75 },
    { &Tfatura_basimi::SAYIN3, u"SAYIN3", 104, 114, 348, 75 },
    { &Tfatura_basimi::VERGIDAIRESI, u"VERGIDAIRESI", 104, 136, 129, 35 },
    { &Tfatura_basimi::VERGIHESAPNO, u"VERGIHESAPNO", 336, 136, 116, 30 },
};

// The columns of an item line, in tab order within the line.
enum class TColumnKind { Quantity, Text, Money };
struct TColumnRow {
    char16_t Letter;
    TColumnKind Kind;
    int Left, Width, MaxLength;
};
constexpr TColumnRow kColumns[] = {
    { u'M', TColumnKind::Quantity, 16, 50, 0 },
    { u'B', TColumnKind::Text, 68, 42, 0 },
    { u'C', TColumnKind::Text, 112, 210, 50 },
    { u'F', TColumnKind::Money, 324, 60, 0 },
    { u'T', TColumnKind::Money, 387, 67, 0 },
};

struct TTotalRow {
    TNumericEdit *Tfatura_basimi::*Member;
    const char16_t *Name;
    int Top;
};
constexpr TTotalRow kTotals[] = {
    { &Tfatura_basimi::YEKUN, u"YEKUN", 360 },
    { &Tfatura_basimi::KDV, u"KDV", 382 },
    { &Tfatura_basimi::TOPLAM, u"TOPLAM", 404 },
};

struct TCaptionRow {
    const char16_t *Text;
    int Left, Top, Width, Height;
    bool Bold, Centred;
};
constexpr TCaptionRow kCaptions[] = {
    { u"Fatura Tarihi", 16, 50, 86, 18, true, false },
    { u"Sayın", 16, 70, 86, 18, true, false },
    { u"Vergi Dairesi", 16, 137, 86, 18, true, false },
    { u"Vergi Hesap No", 237, 137, 96, 18, true, false },
    { u"Miktar & Birim", 16, 165, 94, 15, true, true },
    { u"Cinsi", 112, 165, 210, 15, true, false },
    { u"Fiyatı", 324, 165, 60, 15, true, true },
    { u"Tutarı", 387, 165, 67, 15, true, true },
    { u"YEKÜN", 324, 362, 60, 18, false, false },
    { u"K.D.V. %", 324, 384, 60, 18, false, false },
    { u"TOPLAM", 324, 406, 60, 18, false, false },
    { u"Yalnız", 16, 431, 40, 18, true, false },
};

} // namespace

Tfatura_basimi::Tfatura_basimi(IDialogs &dialogs, const TFormatSettings &format,
    QString programFolder, std::function<QDate()> today, QWidget *parent)
    : QWidget(parent,
        Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
            | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , FDialogs(dialogs)
    , FFormat(format)
    , FProgramFolder(std::move(programFolder))
    , FPagesFolder(FProgramFolder + u"pages/"_s)
    , FToday(std::move(today))
    , FTable(std::make_unique<InvoiceTable>())
    , FSettings(std::make_unique<TPrintSettings>())
    , FRapor(std::make_unique<TInvoiceReport>(format))
{
    // An error of a preview run is shown before its window goes.
    FRapor->RAPORX().OnPreviewError = [this](const std::exception &e) { ShowError(FDialogs, e); };
    // Only a print to a device asks; the preview, saved reports and PDFs show the layout.
    FRapor->RAPORX().OnCalibration
        = [this](const QString &printer, int tray) -> std::optional<QPointF> {
        const auto c = ReadCalibration(PrintSettingsPath(FProgramFolder), printer, tray);
        if (!c)
            return std::nullopt;
        return QPointF(c->Horizontal, c->Vertical);
    };
    // YAZDIR and Print in the preview both ask before a form may be wasted.
    FRapor->RAPORX().BeforeDevicePrint
        = [this](TCustomQuickRep *, bool &print) { print = BASKI_UYARILARINI_SOR(); };
    setObjectName(u"fatura_basimi"_s);
    setWindowTitle(kCaption);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(SansFont(11, false));

    SAYFA = new QStackedWidget(this);
    SAYFA->setObjectName(u"SAYFA"_s);
    SAYFA->setGeometry(0, 0, kClientWidth, kClientHeight);
    FATURA = new QWidget;
    FATURA->setObjectName(u"FATURA"_s);
    FAyarSayfasi
        = new TAyarSayfasi(FDialogs, *FSettings, *FRapor, PrintSettingsPath(FProgramFolder), SAYFA);
    AYAR = FAyarSayfasi;
    RAPOR = new QWidget;
    RAPOR->setObjectName(u"RAPOR"_s);
    SAYFA->addWidget(FATURA);
    SAYFA->addWidget(AYAR);
    SAYFA->addWidget(RAPOR);
    SAYFA->setCurrentWidget(FATURA);

    BuildHeader(FATURA);
    BuildFields(FATURA);
    BuildLinks(FATURA);
    connect(FAyarSayfasi, &TAyarSayfasi::GeriDon, this, [this] { OpenPage(u"FATURA"_s); });

    // The arithmetic reads the form through its own fields and the two menu checks.
    FEArsiv = std::make_unique<TEArsivKomutlari>(TEArsivPencere {
        this,
        [this]() -> IDialogs & { return FDialogs; },
        [this]() -> InvoiceTable & { return *FTable; },
        [this] { return FProgramFolder; },
        [this]() -> const TPrintSettings & { return *FSettings; },
        [this] { TARIH->setFocus(Qt::TabFocusReason); },
        [this] { return FKayitModu; },
        [this] { return FStoredRecId; },
        [this] { return EKRANDAN_KAYDA(); },
        [this] { SpeedButton8Click(); },
        [this] { return FRecalled; },
        [this] { return VatRate(); },
        [this] { return FormValues(); },
        [this](const QString &path) { FSonEArsivDosyasi = path; },
        FFormat.ShortDateFormat,
    });
    FTotals = std::make_unique<TTotalsForm>();
    for (int n = 0; n < kLines; ++n) {
        FTotals->M[n] = M[n];
        FTotals->F[n] = F[n];
        FTotals->T[n] = T[n];
    }
    FTotals->YEKUN = YEKUN;
    FTotals->KDV = KDV;
    FTotals->TOPLAM = TOPLAM;
    FTotals->SetYalniz = [this](const QString &text) { YALNIZ->setText(text); };
    FTotals->OranText = [this] { return ORAN->text(); };
    FTotals->KDVDahil = [this] { return KDVDahil1->isChecked(); };
    FTotals->TutarSabit = [this] { return tutarsabit->isChecked(); };

    // Key preview: the window sees every key of its controls before they do.
    qApp->installEventFilter(this);
}

Tfatura_basimi::~Tfatura_basimi()
{
    // The fields outlive the members their handlers use: cut them loose first, so that no
    // focus change during the teardown runs an exit action.
    qApp->removeEventFilter(this);
    const auto edits = findChildren<TFormEdit *>();
    for (TFormEdit *edit : edits)
        edit->disconnect(this);
    ORAN->disconnect(this);
}

void Tfatura_basimi::SetFindDialog(Tfatura_bul *dialog)
{
    FFindDialog = dialog;
    if (FFindDialog)
        FFindDialog->SetTable(FTable.get());
}

void Tfatura_basimi::SetInfoWindow(Tucretsiz_yazilimlar_icin_bilgi *window)
{
    FInfoWindow = window;
}

void Tfatura_basimi::SetVatDialog(Tkdv_li_tutar *dialog)
{
    FVatDialog = dialog;
}

void Tfatura_basimi::BuildHeader(QWidget *page)
{
    auto *panel = new QFrame(page);
    panel->setObjectName(u"Panel1"_s);
    panel->setGeometry(0, 0, kClientWidth, 38);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    SetBackground(panel, QColor(211, 206, 169));

    const QFont captionFont = SansFont(11, true);
    for (const TButtonRow &row : kButtons) {
        auto *button = new QPushButton(QString::fromUtf16(row.Caption), panel);
        button->setObjectName(QString::fromUtf16(row.Name));
        button->setGeometry(row.Left, row.Top, row.Width, row.Height);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFont(captionFont);
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, QColor(128, 0, 0));
        button->setPalette(palette);
        this->*row.Member = button;
    }

    MNMENU = new QMenu(this);
    MNMENU->setObjectName(u"MNMENU"_s);
    FATURAIKTIAYARLARI1 = MNMENU->addAction(u"FATURA ÇIKTI AYARLARI"_s);
    FATURAIKTIAYARLARI1->setObjectName(u"FATURAIKTIAYARLARI1"_s);
    MNMENU->addSeparator()->setObjectName(u"N1"_s);
    KDVDahil1 = MNMENU->addAction(u"Tutarları KDV Dahil Gireceğim"_s);
    KDVDahil1->setObjectName(u"KDVDahil1"_s);
    KDVDahil1->setCheckable(true);
    tutarsabit = MNMENU->addAction(u"Tutar girişlerimi sabitle (Tutardan birim fiyat)"_s);
    tutarsabit->setObjectName(u"tutarsabit"_s);
    tutarsabit->setCheckable(true);
    MNMENU->addSeparator();
    FirmaBilgileri1 = MNMENU->addAction(u"Firma Bilgileri..."_s);
    FirmaBilgileri1->setObjectName(u"FirmaBilgileri1"_s);

    rrrapor = new QMenu(this);
    rrrapor->setObjectName(u"rrrapor"_s);
    MenuItem1 = rrrapor->addAction(u"ÖNİZLEME"_s);
    MenuItem1->setObjectName(u"MenuItem1"_s);
    MenuItem2 = rrrapor->addAction(u"YAZDIR"_s);
    MenuItem2->setObjectName(u"MenuItem2"_s);
    rrrapor->addSeparator();
    EArsivXml1 = rrrapor->addAction(u"e-Arşiv XML Kaydet..."_s);
    EArsivXml1->setObjectName(u"EArsivXml1"_s);
    TopluEArsiv1 = rrrapor->addAction(u"Toplu e-Arşiv XML..."_s);
    TopluEArsiv1->setObjectName(u"TopluEArsiv1"_s);
    EArsivNushasi1 = rrrapor->addAction(u"e-Arşiv Nüshası..."_s);
    EArsivNushasi1->setObjectName(u"EArsivNushasi1"_s);
    connect(EArsivNushasi1, &QAction::triggered, this, [this] { EArsivNushasi1Click(); });

    connect(SpeedButton9, &QPushButton::clicked, this, [this] { SpeedButton9Click(); });
    connect(SpeedButton8, &QPushButton::clicked, this, [this] { SpeedButton8Click(); });
    connect(SpeedButton11, &QPushButton::clicked, this, [this] { SpeedButton11Click(); });
    connect(SpeedButton7, &QPushButton::clicked, this, [this] { SpeedButton7Click(); });
    // The menus open below their buttons, top-left at the button's bottom-left corner.
    connect(Button1, &QPushButton::clicked, this,
        [this] { rrrapor->popup(Button1->mapToGlobal(QPoint(0, Button1->height()))); });
    connect(SpeedButton12, &QPushButton::clicked, this,
        [this] { MNMENU->popup(SpeedButton12->mapToGlobal(QPoint(0, SpeedButton12->height()))); });
    connect(FATURAIKTIAYARLARI1, &QAction::triggered, this, [this] { OpenPage(u"AYAR"_s); });
    connect(KDVDahil1, &QAction::triggered, this,
        [this] { TOGGLE_FLAG(KDVDahil1, kKeyKDVDahil1.toString()); });
    connect(tutarsabit, &QAction::triggered, this,
        [this] { TOGGLE_FLAG(tutarsabit, kKeyTutarsabit.toString()); });
    connect(MenuItem1, &QAction::triggered, this, [this] { MenuItem1Click(); });
    connect(MenuItem2, &QAction::triggered, this, [this] { MenuItem2Click(); });
    connect(FirmaBilgileri1, &QAction::triggered, this,
        [this] { Guard([this] { FEArsiv->FirmaBilgileri(); }); });
    connect(
        EArsivXml1, &QAction::triggered, this, [this] { Guard([this] { FEArsiv->XmlKaydet(); }); });
    connect(TopluEArsiv1, &QAction::triggered, this,
        [this] { Guard([this] { FEArsiv->TopluXml(); }); });

    auto *rateCaption = new QLabel(u"KDV Oranı :"_s, page);
    rateCaption->setObjectName(u"Label25"_s);
    rateCaption->setFont(SansFont(11, true));
    rateCaption->move(331, 46);
    rateCaption->adjustSize();

    ORAN = new QSpinBox(page);
    ORAN->setObjectName(u"ORAN"_s);
    ORAN->setGeometry(403, 41, 49, 22);
    ORAN->setRange(0, 999);
    ORAN->setValue(18);
    ORAN->setFocusPolicy(Qt::ClickFocus);
    QPalette white = ORAN->palette();
    white.setColor(QPalette::Base, Qt::white);
    ORAN->setPalette(white);
    // Every keystroke and every spin click recomputes, also while the text is half typed.
    connect(ORAN, &QSpinBox::textChanged, this, [this] { Guard([this] { YEKUN_KDV_TOPLAM(); }); });
}

void Tfatura_basimi::BuildFields(QWidget *page)
{
    const QColor captionColour(192, 172, 135);
    for (const TCaptionRow &row : kCaptions) {
        auto *caption = new QLabel(QString::fromUtf16(row.Text), page);
        caption->setGeometry(row.Left, row.Top, row.Width, row.Height);
        caption->setFont(SansFont(11, row.Bold));
        caption->setAlignment(Qt::AlignVCenter | (row.Centred ? Qt::AlignHCenter : Qt::AlignLeft));
        SetBackground(caption, captionColour);
    }

    QList<QWidget *> tabOrder;
    for (const THeaderRow &row : kHeaderFields) {
        auto *field = new TTextField(row.MaxLength, page);
        field->setObjectName(QString::fromUtf16(row.Name));
        field->setGeometry(row.Left, row.Top, row.Width, kFieldHeight);
        this->*row.Member = field;
        tabOrder << field;
    }

    for (int n = 0; n < kLines; ++n) {
        const int top = kLineTop + kLineStep * n;
        for (const TColumnRow &column : kColumns) {
            const QString name = QString(column.Letter) + QString::number(n + 1);
            QWidget *widget = nullptr;
            if (column.Kind == TColumnKind::Text) {
                auto *field = new TTextField(column.MaxLength, page);
                (column.Letter == u'B' ? B : C)[n] = field;
                widget = field;
            } else {
                auto *field = new TNumericEdit(FDialogs, FFormat, page);
                const bool money = column.Kind == TColumnKind::Money;
                field->SetDecimalsAllowed(money);
                field->SetDisplayFormat((money ? kMoneyLayoutFormat : kQuantityFormat).toString());
                field->SetStarOpensDialog(money);
                if (column.Letter == u'M')
                    M[n] = field;
                else if (column.Letter == u'F')
                    F[n] = field;
                else
                    T[n] = field;
                widget = field;
            }
            widget->setObjectName(name);
            widget->setGeometry(column.Left, top, column.Width, kFieldHeight);
            tabOrder << widget;
        }
    }

    for (const TTotalRow &row : kTotals) {
        auto *field = new TNumericEdit(FDialogs, FFormat, page);
        field->setObjectName(QString::fromUtf16(row.Name));
        field->setGeometry(387, row.Top, 67, kFieldHeight);
        field->SetDecimalsAllowed(true);
        field->SetDisplayFormat(kMoneyLayoutFormat.toString());
        field->setFocusPolicy(Qt::ClickFocus);
        this->*row.Member = field;
    }

    YALNIZ = new TTextField(page);
    YALNIZ->setObjectName(u"YALNIZ"_s);
    YALNIZ->setGeometry(59, 430, 395, kFieldHeight);
    YALNIZ->setFocusPolicy(Qt::ClickFocus);
    YALNIZ->SetShrinkToFit(true, /*wholeTextTip*/ true);

    // A tax number whose check digits do not tally turns red and says why; it is still the
    // user's invoice, so nothing is refused.
    connect(VERGIHESAPNO, &QLineEdit::textChanged, this, [this](const QString &text) {
        const TTaxNumberCheck check = CheckTaxNumber(text);
        QPalette palette = VERGIHESAPNO->palette();
        palette.setColor(QPalette::Text, check.Valid ? QColor(Qt::black) : QColor(Qt::red));
        VERGIHESAPNO->setPalette(palette);
        VERGIHESAPNO->setToolTip(check.Reason);
    });

    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // Exit actions: the field has re-shown its value in its format before these run.
    for (int n = 0; n < kLines; ++n) {
        connect(M[n], &TNumericEdit::Exited, this,
            [this, n] { Guard([this, n] { BIRIM_FIYAT_HESAPLA(n); }); });
        connect(T[n], &TNumericEdit::Exited, this,
            [this, n] { Guard([this, n] { BIRIM_FIYAT_HESAPLA(n); }); });
        connect(
            F[n], &TNumericEdit::Exited, this, [this] { Guard([this] { YEKUN_KDV_TOPLAM(); }); });
        for (TNumericEdit *field : { F[n], T[n] })
            connect(field, &TNumericEdit::StarPressed, this,
                [this, field] { Guard([this, field] { KDV_LI_TUTAR(field); }); });
    }
}

void Tfatura_basimi::BuildLinks(QWidget *page)
{
    auto *line = new QFrame(page);
    line->setObjectName(u"Bevel1"_s);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(0, 455, kClientWidth, 2);

    struct TLinkRow {
        QLabel *Tfatura_basimi::*Member;
        const char16_t *Name;
        const char16_t *Caption;
        int Left, Top, Pixels;
        QColor Colour;
    };
    const TLinkRow links[] = {
        { &Tfatura_basimi::Label31, u"Label31",
            u"Ücretsiz Kullanıcıların Dikkatine! Yazının devamı için tıklayınız...", 8, 464, 15,
            QColor(255, 0, 0) },
        // No address of a third party is shown: the label names the program itself.
        { &Tfatura_basimi::Label26, u"Label26", u"LEVANTA Fatura Programı", 6, 491, 11,
            QColor(0, 0, 128) },
        { &Tfatura_basimi::Label27, u"Label27", u"\"KORDELYA\" programını deneyin...", 240, 491, 11,
            QColor(0, 0, 128) },
    };
    for (const TLinkRow &row : links) {
        auto *label = new QLabel(QString::fromUtf16(row.Caption), page);
        label->setObjectName(QString::fromUtf16(row.Name));
        label->setFont(ArialFont(row.Pixels));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, row.Colour);
        label->setPalette(palette);
        label->move(row.Left, row.Top);
        label->adjustSize();
        label->setCursor(Qt::PointingHandCursor);
        this->*row.Member = label;
    }
}

void Tfatura_basimi::Guard(const std::function<void()> &command)
{
    RunCommand(FDialogs, command);
}

void Tfatura_basimi::Guard(
    const std::function<QString()> &advice, const std::function<void()> &command)
{
    RunCommand(FDialogs, command, advice);
}

// Permission bits do not tell what the process may do (an administrator ignores them):
// a file is created in the folder and the table is opened for appending, and nothing is
// written to either.
bool Tfatura_basimi::FolderReadOnly() const
{
    QTemporaryFile probe(FProgramFolder + u"levanta_XXXXXX.tmp"_s);
    return !probe.open();
}

bool Tfatura_basimi::FolderOrTableReadOnly() const
{
    QFile table(FProgramFolder + u"fatura.DB"_s);
    return FolderReadOnly() || (table.exists() && !table.open(QIODevice::Append));
}

QString Tfatura_basimi::Today() const
{
    const QDate date = FToday ? FToday() : QDate::currentDate();
    return date.toString(FFormat.ShortDateFormat);
}

void Tfatura_basimi::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    CentreOnScreen(this);
    // An error shows its text and skips the rest of the sequence; the window stays.
    const auto advice = [this] {
        if (FServerChosen)
            return kStartAdviceServer;
        return FolderReadOnly() ? kStartAdviceReadOnly.arg(FProgramFolder) : kStartAdvice;
    };
    Guard(advice, [this] { FormShow(); });
}

void Tfatura_basimi::FormShow()
{
    FKayitModu = u'Y';
    FStoredRecId = 0;
    FStoredRecord.reset();
    FRecalled = false;
    EnsurePrintSettingsFile(PrintSettingsPath(FProgramFolder));
    // The old program's Paradox table becomes ours once, before the table opens.
    if (const std::optional<TParadoxImportResult> imported = ESKI_TABLOYU_AKTAR(FProgramFolder))
        FDialogs.Information(this, u"Bilgi"_s, imported->Message());
    OpenInvoiceTable();
    AYARLARI_YUKLE();
    TARIH->setText(Today());
    DOLDUR_FATINFO();
}

void Tfatura_basimi::OpenInvoiceTable()
{
    const TDatabaseSettings settings = LoadDatabaseSettings(PrintSettingsPath(FProgramFolder));
    FServerChosen = settings.Kind == TStoreKind::Postgres;
    if (std::unique_ptr<IInvoiceStore> server = OpenChosenServer(settings))
        FTable->OpenStore(std::move(server));
    else
        FTable->Open(FProgramFolder);
}

void Tfatura_basimi::AYARLARI_YUKLE()
{
    *FSettings = LoadPrintSettings(PrintSettingsPath(FProgramFolder));
    KDVDahil1->setChecked(FSettings->KDVDahil1);
    tutarsabit->setChecked(FSettings->tutarsabit);
    ApplyMoneyFormat(FSettings->GDisplayFormat);
    FAyarSayfasi->AYARLARI_GOSTER();
    {
        // No invoice is on screen yet: the starting rate recomputes nothing.
        const QSignalBlocker quiet(ORAN);
        ORAN->setValue(FSettings->KDVOrani);
    }
    if (!FSettings->Refused.empty())
        FDialogs.Warning(nullptr, kWarningTitle, RefusalMessage(FSettings->Refused));
}

void Tfatura_basimi::ApplyMoneyFormat(const QString &format)
{
    for (TNumericEdit *field : F)
        field->SetDisplayFormat(format);
    for (TNumericEdit *field : T)
        field->SetDisplayFormat(format);
    for (TNumericEdit *field : { YEKUN, KDV, TOPLAM })
        field->SetDisplayFormat(format);
}

void Tfatura_basimi::DOLDUR_FATINFO()
{
    // The file is deleted as soon as it has been read; a failing delete goes unreported.
    const std::optional<TPrefillData> data = TakePrefill(PrefillPath(FProgramFolder), FFormat);
    if (!data)
        return;
    const TPrefillData &prefill = *data;
    SAYIN1->setText(prefill.SAYIN1);
    SAYIN2->setText(prefill.SAYIN2);
    SAYIN3->setText(prefill.SAYIN3);
    VERGIDAIRESI->setText(prefill.VERGIDAIRESI);
    VERGIHESAPNO->setText(prefill.VERGIHESAPNO);
    M[0]->SetValue(1);
    B[0]->clear();
    C[0]->setText(prefill.C1);
    if (KDVDahil1->isChecked()) {
        T[0]->SetValue(prefill.F1);
        BIRIM_FIYAT_HESAPLA(0);
    } else {
        F[0]->SetValue(prefill.F1);
    }
    YEKUN_KDV_TOPLAM();
}

void Tfatura_basimi::TOGGLE_FLAG(QAction *item, const QString &key)
{
    // The check stays toggled even when the write fails; the error is shown.
    const bool on = item->isChecked();
    if (key == kKeyKDVDahil1)
        FSettings->KDVDahil1 = on;
    else
        FSettings->tutarsabit = on;
    Guard([] { return kFlagAdvice; },
        [&] { WriteOptionFlag(PrintSettingsPath(FProgramFolder), key, on); });
}

int Tfatura_basimi::VatRate() const
{
    return ORAN_DEGERI(ORAN->text());
}

void Tfatura_basimi::YEKUN_KDV_TOPLAM()
{
    ::YEKUN_KDV_TOPLAM(*FTotals, FFormat);
}

void Tfatura_basimi::BIRIM_FIYAT_HESAPLA(int line)
{
    ::BIRIM_FIYAT_HESAPLA(*FTotals, line, FFormat);
}

void Tfatura_basimi::KDV_LI_TUTAR(TNumericEdit *field)
{
    if (!FVatDialog)
        return;
    if (FVatDialog->exec() != QDialog::Accepted)
        return;
    // The value lands in the field that has the focus: the one the key was pressed in.
    auto *target = qobject_cast<TNumericEdit *>(focusWidget());
    if (!target)
        target = field;
    target->SetValue(KDV_HARIC(FVatDialog->Value(), VatRate()));
}

TFormEdit *Tfatura_basimi::FieldOf(const TInvoiceField &field) const
{
    return findChild<TFormEdit *>(field.Box.toString());
}

TNumericEdit *Tfatura_basimi::NumberFieldOf(const TInvoiceField &field) const
{
    return qobject_cast<TNumericEdit *>(FieldOf(field));
}

TInvoiceRecord Tfatura_basimi::EKRANDAN_KAYDA()
{
    // Read in the window's own order: reading an empty numeric field leaves its 0 in it.
    TInvoiceRecord r;
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Window)) {
        if (f->IsNumber())
            f->Number(r) = static_cast<double>(NumberFieldOf(*f)->Value());
        else
            f->Text(r) = FieldOf(*f)->text();
    }
    return r;
}

void Tfatura_basimi::KAYITTAN_EKRANA(const TInvoiceRecord &r)
{
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Window)) {
        if (f->IsNumber())
            NumberFieldOf(*f)->SetValue(f->Number(r));
        else
            FieldOf(*f)->setText(f->Text(r));
    }
}

void Tfatura_basimi::SpeedButton9Click()
{
    Guard([this] {
        if (FDialogs.AskYesNo(nullptr, kWarningTitle, kYeniMesaji) != IDialogs::TAnswer::Yes)
            return;
        const auto fields = InvoiceFields(TFieldOrder::Window);
        for (const TInvoiceField *f : fields)
            if (!f->IsNumber())
                FieldOf(*f)->clear();
        for (const TInvoiceField *f : fields)
            if (f->IsNumber())
                NumberFieldOf(*f)->SetValue(0);
        TARIH->setText(Today());
        // The field being left runs its exit action now, on the emptied values.
        TARIH->setFocus(Qt::TabFocusReason);
        FKayitModu = u'Y';
        FStoredRecId = 0;
        FStoredRecord.reset();
        FRecalled = false;
    });
}

void Tfatura_basimi::SpeedButton8Click()
{
    const auto advice = [this] {
        // Over a server, the folder and the file have nothing to do with it.
        if (FServerChosen)
            return kSaveAdviceServer;
        return FolderOrTableReadOnly() ? kSaveAdviceReadOnly : kSaveAdvice;
    };
    Guard(advice, [this] {
        // Leaving the field being edited runs its exit action, so a value typed just before
        // the click is part of what is stored.
        TARIH->setFocus(Qt::TabFocusReason);
        if (TARIH->text().trimmed().isEmpty()) {
            FDialogs.Warning(nullptr, kWarningTitle, kTarihMesaji);
            TARIH->setFocus(Qt::TabFocusReason);
            return;
        }
        TInvoiceRecord record = EKRANDAN_KAYDA();
        std::int32_t id = 0;
        // The invoice on screen is known by its REC_ID, not by the cursor, which the find
        // dialog may have moved. If it was deleted meanwhile, it is stored anew; if another
        // desk changed it meanwhile, the user chooses whose version keeps its place, and the
        // other one is stored as a new invoice.
        if (FKayitModu == u'D' && FStoredRecId != 0) {
            const TInvoiceRecord *expected = FStoredRecord ? &*FStoredRecord : nullptr;
            TUpdateResult result = FTable->Update(FStoredRecId, record, expected);
            if (result == TUpdateResult::ChangedMeanwhile
                && FDialogs.AskYesNo(this, u"KAYDET"_s, kDegistirildiMesaji)
                    == IDialogs::TAnswer::Yes)
                result = FTable->Update(FStoredRecId, record, nullptr);
            if (result == TUpdateResult::Updated)
                id = FStoredRecId;
        }
        if (id == 0)
            id = FTable->Append(record);
        FStoredRecId = id;
        // What the store now holds: the texts cut as the post cut them.
        FStoredRecord = InvoiceTable::CutToWidths(record);
        FStoredRecord->REC_ID = id;
        FKayitModu = u'D';
    });
}

void Tfatura_basimi::SpeedButton11Click()
{
    const auto advice = [this] { return FServerChosen ? kFindAdviceServer : kFindAdvice; };
    Guard(advice, [this] {
        if (FTable->RecordCount() == 0) {
            FDialogs.Warning(nullptr, kWarningTitle, kKayitYokMesaji);
            return;
        }
        if (!FFindDialog)
            return;
        FFindDialog->exec();
        if (!FFindDialog->GFaturaSecildi())
            return;
        const TInvoiceRecord record = FTable->Read();
        KAYITTAN_EKRANA(record);
        FStoredRecId = record.REC_ID;
        FStoredRecord = record;
        FKayitModu = u'D';
        FRecalled = true;
    });
}

void Tfatura_basimi::SpeedButton7Click()
{
    FDialogs.Information(this, u"Bilgi"_s,
        u"LEVANTA v1.4\r\nFatura Basım Programı\r\n\r\nGüncelleme : 15.01.2019"_s);
}

TInvoiceFormValues Tfatura_basimi::FormValues()
{
    TInvoiceFormValues v;
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Window)) {
        if (f->IsNumber())
            f->Number(v) = NumberFieldOf(*f)->Value();
        else
            f->Text(v) = FieldOf(*f)->text();
    }
    v.ORAN = ORAN->text();
    return v;
}

void Tfatura_basimi::MenuItem1Click()
{
    // The field being edited finishes its leave rule before anything is read.
    TARIH->setFocus(Qt::TabFocusReason);
    Guard([this] {
        FRapor->SAYFA_HAZIRLA(*FSettings);
        FRapor->RAPOR_DOLDUR(FormValues(), TOPLAM->DisplayFormat());
        FRapor->RAPORX().Preview();
    });
}

void Tfatura_basimi::MenuItem2Click()
{
    TARIH->setFocus(Qt::TabFocusReason);
    Guard([this] {
        switch (FEArsiv->KagitSiniri()) {
        case TEArsivKomutlari::TKagit::Vazgec:
            return;
        case TEArsivKomutlari::TKagit::EArsiv:
            FEArsiv->XmlKaydet();
            return;
        case TEArsivKomutlari::TKagit::Yazdir:
            break;
        }
        FRapor->SAYFA_HAZIRLA(*FSettings);
        FRapor->RAPOR_DOLDUR(FormValues(), TOPLAM->DisplayFormat());
        FRapor->RAPORX().Print();
    });
}

bool Tfatura_basimi::BASKI_UYARILARINI_SOR()
{
    // Without a printer there is nothing to check against: the print says so itself.
    const std::optional<TPrintSheet> sheet = BASKI_KAGIDI(*FRapor, Printing());
    if (!sheet)
        return true;
    const QStringList findings = BASKI_UYARILARI(BASILACAK_DEGERLER(*FRapor), *sheet);
    if (findings.isEmpty())
        return true;
    // Asked from the preview too: the box belongs over whichever window is in front.
    QWidget *owner = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    return FDialogs.AskYesNo(owner, u"Yazdırmadan Önce"_s, BASKI_UYARI_METNI(findings))
        == IDialogs::TAnswer::Yes;
}

void Tfatura_basimi::OpenPage(const QString &page)
{
    if (QWidget *widget = SAYFA->findChild<QWidget *>(page, Qt::FindDirectChildrenOnly))
        SAYFA->setCurrentWidget(widget);
}

bool Tfatura_basimi::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonRelease)
        return false;
    if (!watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window() != this)
        return false;

    if (type == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            return false;
        if (widget == Label31) {
            if (FInfoWindow)
                FInfoWindow->ShowInfo();
        } else if (widget == Label26 || widget == Label27) {
            const QString page = widget == Label26 ? u"levanta.html"_s : u"kordelya.html"_s;
            FDialogs.ShellOpen(FPagesFolder + page,
                u" "_s + QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        }
        return false;
    }
    return HandleKey(widget, static_cast<QKeyEvent *>(event));
}

bool Tfatura_basimi::HandleKey(QWidget *target, QKeyEvent *key)
{
    if (key->key() == Qt::Key_F12) {
        close();
        return true;
    }
    if (SAYFA->currentWidget() != FATURA)
        return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        focusNextPrevChild(!(key->modifiers() & Qt::ShiftModifier));
        return true;
    }
    if (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down)
        return false;
    if (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return false;
    const bool up = key->key() == Qt::Key_Up;

    // The vertical rings of the line grid; the units lead to the quantity column.
    auto ring = [&](const auto &column, int n) -> QWidget * {
        return column[(n + (up ? kLines - 1 : 1)) % kLines];
    };
    QWidget *next = nullptr;
    for (int n = 0; n < kLines && !next; ++n) {
        if (target == M[n] || target == B[n])
            next = ring(M, n);
        else if (target == C[n])
            next = ring(C, n);
        else if (target == F[n])
            next = ring(F, n);
        else if (target == T[n]) {
            if (up)
                next = n == 0 ? static_cast<QWidget *>(TOPLAM) : T[n - 1];
            else
                next = n == kLines - 1 ? static_cast<QWidget *>(YEKUN) : T[n + 1];
        }
    }
    if (target == YEKUN)
        next = up ? static_cast<QWidget *>(T[kLines - 1]) : KDV;
    else if (target == KDV)
        next = up ? YEKUN : TOPLAM;
    else if (target == TOPLAM)
        next = up ? static_cast<QWidget *>(KDV) : T[0];
    if (!next)
        return false;
    next->setFocus(Qt::TabFocusReason);
    return true;
}
