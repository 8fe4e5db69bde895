#include "app/FirmaBilgileri.h"

#include "earsiv/EArsivBuild.h"
#include "invoice/TaxNumber.h"
#include "platform/Dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace
{

QLineEdit *Field(QFormLayout *form, const QString &name, const QString &label, const QString &value,
    int maxLength = 200)
{
    auto *edit = new QLineEdit(value);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    form->addRow(label, edit);
    return edit;
}

bool Blank(const QLineEdit *edit)
{
    return edit->text().trimmed().isEmpty();
}

} // namespace

TFirmaBilgileri::TFirmaBilgileri(IDialogs &dialogs, const TSellerInfo &s, QWidget *parent)
    : QDialog(parent)
    , FDialogs(dialogs)
{
    setObjectName(u"FirmaBilgileri"_s);
    setWindowTitle(u"Firma Bilgileri"_s);
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(u"e-Arşiv faturalarında satıcı olarak yer alan bilgiler. "
                             u"Bütün masalar aynı bilgileri kullanır."_s);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    Eksik = new QLabel;
    Eksik->setObjectName(u"Eksik"_s);
    Eksik->setWordWrap(true);
    Eksik->setStyleSheet(u"color: #a00000; font-weight: bold"_s);
    Eksik->hide();
    layout->addWidget(Eksik);

    auto *form = new QFormLayout;
    layout->addLayout(form);
    Unvan = Field(form, u"Unvan"_s, u"Unvan"_s, s.Unvan);
    VergiNo = Field(form, u"VergiNo"_s, u"VKN / TCKN"_s, s.Vkn.isEmpty() ? s.Tckn : s.Vkn, 11);
    VergiNo->setValidator(
        new QRegularExpressionValidator(QRegularExpression(u"[0-9]{0,11}"_s), VergiNo));
    VergiNo->setToolTip(u"10 haneli vergi kimlik numarası ya da 11 haneli T.C. kimlik numarası"_s);
    Ad = Field(form, u"Ad"_s, u"Ad (TCKN ile)"_s, s.Ad);
    Soyad = Field(form, u"Soyad"_s, u"Soyad (TCKN ile)"_s, s.Soyad);
    VergiDairesi = Field(form, u"VergiDairesi"_s, u"Vergi Dairesi"_s, s.VergiDairesi);
    Adres = Field(form, u"Adres"_s, u"Adres"_s, s.Adres);
    Ilce = Field(form, u"Ilce"_s, u"İlçe"_s, s.Ilce);
    Il = Field(form, u"Il"_s, u"İl"_s, s.Il);
    Ulke = Field(form, u"Ulke"_s, u"Ülke"_s, s.Ulke.isEmpty() ? u"Türkiye"_s : s.Ulke);
    Telefon = Field(form, u"Telefon"_s, u"Telefon (isteğe bağlı)"_s, s.Telefon);
    Eposta = Field(form, u"Eposta"_s, u"E-posta (isteğe bağlı)"_s, s.Eposta);
    Seri = Field(form, u"Seri"_s, u"Fatura serisi"_s, s.Seri, 3);
    Seri->setToolTip(u"Fatura numarasının ilk üç karakteri: A–Z ve 0–9 (örneğin LVN)"_s);
    Seri->setValidator(
        new QRegularExpressionValidator(QRegularExpression(u"[A-Za-z0-9]{0,3}"_s), Seri));
    connect(Seri, &QLineEdit::textEdited, this, [this](const QString &t) {
        // Series are upper case; typing them so spares a refusal.
        if (t != t.toUpper())
            Seri->setText(t.toUpper());
    });
    Tur = new QComboBox;
    Tur->setObjectName(u"Tur"_s);
    Tur->addItem(u"Basit usul / işletme hesabı"_s);
    Tur->addItem(u"Bilanço esası"_s);
    Tur->setCurrentIndex(s.Tur == TSellerInfo::TKind::Bilanco ? 1 : 0);
    form->addRow(u"Defter"_s, Tur);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(u"Kaydet"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"Vazgeç"_s);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TFirmaBilgileri::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFirmaBilgileri::reject);
    connect(VergiNo, &QLineEdit::textChanged, this, [this] { PersonFields(); });
    PersonFields();
    resize(460, sizeHint().height());
}

void TFirmaBilgileri::PersonFields()
{
    // A person's names matter only with a TCKN; a company has its Unvan.
    const bool person = VergiNo->text().size() == 11;
    Ad->setEnabled(person);
    Soyad->setEnabled(person);
}

TSellerInfo TFirmaBilgileri::Seller() const
{
    TSellerInfo s;
    s.Unvan = Unvan->text().trimmed();
    const QString number = VergiNo->text().trimmed();
    if (number.size() == 11) {
        s.Tckn = number;
        s.Ad = Ad->text().trimmed();
        s.Soyad = Soyad->text().trimmed();
    } else {
        s.Vkn = number;
    }
    s.VergiDairesi = VergiDairesi->text().trimmed();
    s.Adres = Adres->text().trimmed();
    s.Ilce = Ilce->text().trimmed();
    s.Il = Il->text().trimmed();
    s.Ulke = Ulke->text().trimmed();
    s.Telefon = Telefon->text().trimmed();
    s.Eposta = Eposta->text().trimmed();
    s.Seri = Seri->text().trimmed().toUpper();
    s.Tur
        = Tur->currentIndex() == 1 ? TSellerInfo::TKind::Bilanco : TSellerInfo::TKind::BasitIsletme;
    return s;
}

QStringList TFirmaBilgileri::Problems() const
{
    const TSellerInfo s = Seller();
    QStringList problems;
    const QString number = VergiNo->text().trimmed();
    if (!number.isEmpty()) {
        if (number.size() != 10 && number.size() != 11)
            problems << u"VKN 10, TCKN 11 hanelidir; \"%1\" %2 haneli."_s.arg(number).arg(
                number.size());
        else if (const TTaxNumberCheck c = CheckTaxNumber(number); !c.Valid)
            problems << u"%1 geçerli bir %2 değil: %3"_s.arg(
                number, number.size() == 10 ? u"VKN"_s : u"TCKN"_s, c.Reason);
    }
    for (const QString &m : MissingSellerFields(s))
        problems << u"Eksik: %1"_s.arg(m);
    if (s.Adres.isEmpty())
        problems << u"Eksik: Adres"_s;
    if (s.Ulke.isEmpty())
        problems << u"Eksik: Ülke"_s;
    static const QRegularExpression mail(u"^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"_s);
    if (!s.Eposta.isEmpty() && !mail.match(s.Eposta).hasMatch())
        problems << u"E-posta \"%1\" bir e-posta adresi değil."_s.arg(s.Eposta);
    return problems;
}

void TFirmaBilgileri::MarkMissing()
{
    const bool person = VergiNo->text().size() == 11;
    QList<QLineEdit *> required { VergiNo, VergiDairesi, Adres, Ilce, Il, Ulke, Seri };
    required << (person ? QList<QLineEdit *> { Ad, Soyad } : QList<QLineEdit *> { Unvan });
    const bool badSeries = Seri->text().size() != 3;
    for (QLineEdit *edit : required) {
        const bool missing = Blank(edit) || (edit == Seri && badSeries);
        edit->setStyleSheet(missing ? u"background: #ffd8d8"_s : QString());
        edit->setProperty("eksik", missing);
    }
    const QStringList problems = Problems();
    Eksik->setText(u"e-Arşiv faturası için bu bilgiler gerekli:\n"_s + problems.join(u'\n'));
    Eksik->setVisible(!problems.isEmpty());
}

void TFirmaBilgileri::accept()
{
    const QStringList problems = Problems();
    if (!problems.isEmpty()) {
        MarkMissing();
        FDialogs.Warning(this, u"Firma Bilgileri"_s,
            u"Firma bilgileri kaydedilemedi:\r\n"_s + problems.join(u"\r\n"_s));
        return;
    }
    QDialog::accept();
}

bool TFirmaBilgileri::Edit(IDialogs &dialogs, IEArsivStore &store, QWidget *owner, bool markMissing)
{
    TFirmaBilgileri page(dialogs, store.Seller().value_or(TSellerInfo {}), owner);
    if (markMissing)
        page.MarkMissing();
    if (page.exec() != QDialog::Accepted)
        return false;
    store.SetSeller(page.Seller());
    return true;
}
