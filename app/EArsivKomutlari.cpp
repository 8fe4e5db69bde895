#include "app/EArsivKomutlari.h"

#include "app/FirmaBilgileri.h"
#include "earsiv/UblWriter.h"
#include "earsiv/UnitCodes.h"
#include "invoice/InvoiceTable.h"
#include "invoice/TaxNumber.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Ini.h"
#include "printing/PrintSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QUuid>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

const QString TEArsivKomutlari::kImzasizMesaji
    = u"BU DOSYA İMZASIZDIR ve henüz yasal bir fatura değildir.\r\n"
      u"Dosyayı e-Arşiv entegratörünüze (entegratörün e-Arşiv portalına) yükleyin: fatura, "
      u"entegratör onu imzalayıp GİB'e raporladığında kesilmiş olur.\r\n"
      u"Aynı satış için ayrıca kâğıt fatura verilmemelidir."_s;

namespace
{

const QString kBaslik = u"e-Arşiv Fatura"_s;

TInvoiceFormValues ValuesOf(const TInvoiceRecord &r, int rate)
{
    TInvoiceFormValues v;
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Window)) {
        if (f->IsNumber())
            f->Number(v) = f->Number(r);
        else
            f->Text(v) = f->Text(r);
    }
    v.ORAN = QString::number(rate);
    return v;
}

bool HasContent(const TInvoiceRecord &r, int i)
{
    return !r.C[size_t(i)].trimmed().isEmpty() || r.M[size_t(i)] != 0 || r.F[size_t(i)] != 0
        || r.T[size_t(i)] != 0;
}

// "Ayşe Nur Kaya" → "Ayşe Nur", "Kaya": the family name is the last word.
std::pair<QString, QString> SplitName(const QString &name)
{
    const QString n = name.simplified();
    const qsizetype space = n.lastIndexOf(u' ');
    if (space < 0)
        return { n, QString() };
    return { n.left(space), n.mid(space + 1) };
}

bool AllDigits(const QString &s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) {
        return c.isDigit() && c.unicode() < 128;
    });
}

// Why the form's buyer number cannot stand on a document; empty when it can (or is empty).
QString BuyerNumberProblem(const QString &number)
{
    if (number.isEmpty() || number == kNihaiTuketici)
        return {};
    if (!AllDigits(number) || (number.size() != 10 && number.size() != 11))
        return u"Alıcının vergi numarası \"%1\" ne 10 haneli bir VKN ne de 11 haneli bir T.C. "
               u"kimlik numarası."_s.arg(number);
    if (const TTaxNumberCheck c = CheckTaxNumber(number); !c.Valid)
        return u"Alıcının vergi numarası %1 geçersiz: %2"_s.arg(number, c.Reason);
    return {};
}

// A number the store remembers a buyer by: a real one, never the final consumer's.
bool Remembered(const QString &number)
{
    return !number.isEmpty() && number != kNihaiTuketici && BuyerNumberProblem(number).isEmpty();
}

QString Unit(const TInvoiceRecord &r, int i)
{
    return r.B[size_t(i)];
}

// The code of a unit: known, chosen now, or remembered; nullopt when nobody said.
std::optional<QString> CodeOf(
    IEArsivStore &store, const std::map<QString, QString> &chosen, const QString &unit)
{
    if (std::optional<QString> known = KnownUnitCode(unit))
        return known;
    if (const auto it = chosen.find(UnitKey(unit)); it != chosen.end())
        return it->second;
    return store.UnitCode(UnitKey(unit));
}

QString Fingerprint(const TInvoiceRecord &r)
{
    TInvoiceRecord copy = r;
    copy.REC_ID = 0;
    return InvoiceFingerprint(copy);
}

// What the invoice on its own says, before anyone is asked.
struct TPrepared {
    TEArsivSorulacak Sorulacak;
    TEArsivCevaplar Cevaplar;
    QString Number; // the buyer number as typed, trimmed
};

TPrepared Prepare(IEArsivStore &store, const TInvoiceRecord &r, std::optional<int> knownRate)
{
    TPrepared p;
    p.Number = r.VNO.trimmed();
    std::optional<TBuyerExtras> buyer;
    if (Remembered(p.Number))
        buyer = store.Buyer(p.Number);
    const auto [ad, soyad] = SplitName(r.SAYIN1);
    p.Cevaplar.Ad = buyer && !buyer->Ad.isEmpty() ? buyer->Ad : ad;
    p.Cevaplar.Soyad = buyer && !buyer->Soyad.isEmpty() ? buyer->Soyad : soyad;
    p.Cevaplar.Ilce = buyer ? buyer->Ilce : QString();
    p.Cevaplar.Il = buyer ? buyer->Il : QString();
    p.Sorulacak.NihaiTuketici = p.Number.isEmpty();
    p.Sorulacak.Yer = p.Cevaplar.Ilce.trimmed().isEmpty() || p.Cevaplar.Il.trimmed().isEmpty();
    const bool person = p.Number.size() == 11 || p.Number.isEmpty();
    p.Sorulacak.Adlar = person && (!buyer || buyer->Ad.isEmpty() || buyer->Soyad.isEmpty());

    if (knownRate) {
        p.Cevaplar.Oran = *knownRate;
    } else {
        const std::vector<int> fit = FittingVatRates(r.YEKUN, r.KDV);
        if (fit.size() == 1)
            p.Cevaplar.Oran = fit.front();
        else
            p.Sorulacak.Oranlar
                = fit.empty() ? std::vector<int>(std::begin(kVatRates), std::end(kVatRates)) : fit;
    }
    p.Sorulacak.SifirOran = p.Sorulacak.Oranlar.empty()
        ? p.Cevaplar.Oran == 0
        : std::ranges::find(p.Sorulacak.Oranlar, 0) != p.Sorulacak.Oranlar.end();
    if (!p.Sorulacak.Oranlar.empty())
        p.Cevaplar.Oran = p.Sorulacak.Oranlar.front();
    if (p.Cevaplar.Oran == 0)
        p.Cevaplar.IstisnaKodu = kSatisIstisnaKodu.toString();

    QStringList keys;
    for (int i = 0; i < TInvoiceRecord::kLines; ++i) {
        if (!HasContent(r, i))
            continue;
        const QString unit = Unit(r, i).trimmed();
        if (!CodeOf(store, {}, unit) && !keys.contains(UnitKey(unit))) {
            keys << UnitKey(unit);
            p.Sorulacak.Birimler << unit;
        }
    }
    return p;
}

bool NeedsAsking(const TEArsivSorulacak &s)
{
    return s.Yer || s.Adlar || s.NihaiTuketici || !s.Oranlar.empty() || s.SifirOran
        || !s.Birimler.isEmpty();
}

TEArsivInput InputOf(IEArsivStore &store, const TInvoiceRecord &r, const TSellerInfo &seller,
    const TEArsivCevaplar &c, const QString &number, const TExportInfo &info,
    const QString &dateFormat)
{
    TEArsivInput in;
    in.DateFormat = dateFormat;
    in.Form = ValuesOf(r, c.Oran);
    in.Seller = seller;
    in.Buyer.VergiNo = number.isEmpty() && c.NihaiTuketici ? kNihaiTuketici.toString() : number;
    in.Buyer.Ad = c.Ad;
    in.Buyer.Soyad = c.Soyad;
    in.Buyer.Ilce = c.Ilce;
    in.Buyer.Il = c.Il;
    in.Rate = c.Oran;
    in.TypeCode = c.Oran == 0 ? c.Tur : u"SATIS"_s;
    in.ExemptionCode = c.Oran == 0 ? c.IstisnaKodu : QString();
    in.Export = info;
    const std::map<QString, QString> chosen = c.BirimKodlari;
    in.UnitCode = [&store, chosen](const QString &unit) { return CodeOf(store, chosen, unit); };
    return in;
}

// A stand-in for the number, so that the document is checked before a number is spent.
TExportInfo Placeholder(
    const TInvoiceRecord &r, const TSellerInfo &seller, int rate, const QString &dateFormat)
{
    const QDate date = ParseInvoiceDate(r.TARIH, dateFormat);
    return { r.REC_ID, EArsivNumber(seller.Seri, date.isValid() ? date.year() : 2000, 1),
        u"00000000-0000-4000-8000-000000000000"_s, QDateTime::currentDateTime(), date, rate,
        Fingerprint(r) };
}

void Remember(IEArsivStore &store, const TPrepared &p, const TEArsivCevaplar &c)
{
    if (Remembered(p.Number))
        store.SetBuyer({ p.Number, p.Number.size() == 11 ? c.Ad : QString(),
            p.Number.size() == 11 ? c.Soyad : QString(), c.Ilce, c.Il });
    for (const auto &[key, code] : c.BirimKodlari)
        store.SetUnitCode(key, code);
}

// Written aside and renamed: a failure leaves no half-written file. Empty on success.
QString WriteFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

QString Reasons(const QStringList &problems)
{
    return u"• "_s + problems.join(u"\r\n• "_s);
}

} // namespace

// ---- the export dialog ---------------------------------------------------------------------

TEArsivSorular::TEArsivSorular(IDialogs &dialogs, const TEArsivSorulacak &s,
    const TEArsivCevaplar &c, const QString &alici, QWidget *parent)
    : QDialog(parent)
    , FDialogs(dialogs)
    , FSorulacak(s)
    , FBaslangic(c)
{
    setObjectName(u"EArsivSorular"_s);
    setWindowTitle(u"e-Arşiv Faturası"_s);
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(u"<b>%1</b><br>e-Arşiv faturası için formda olmayan bilgiler:"_s.arg(
        alici.toHtmlEscaped()));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto *buyer = new QGroupBox(u"Alıcı"_s);
    auto *form = new QFormLayout(buyer);
    auto line = [&](QLineEdit *&edit, const QString &name, const QString &label, const QString &v) {
        edit = new QLineEdit(v);
        edit->setObjectName(name);
        form->addRow(label, edit);
    };
    if (s.NihaiTuketici) {
        NihaiTuketici = new QCheckBox(u"Nihai tüketici (11111111111)"_s);
        NihaiTuketici->setObjectName(u"NihaiTuketici"_s);
        NihaiTuketici->setToolTip(u"Vergi numarası olmayan alıcı için; bu seçim hatırlanmaz."_s);
        form->addRow(u"Vergi numarası yok"_s, NihaiTuketici);
    }
    if (s.Adlar) {
        line(Ad, u"Ad"_s, u"Adı"_s, c.Ad);
        line(Soyad, u"Soyad"_s, u"Soyadı"_s, c.Soyad);
    }
    if (s.Yer || s.NihaiTuketici) {
        line(Ilce, u"Ilce"_s, u"İlçe"_s, c.Ilce);
        line(Il, u"Il"_s, u"İl"_s, c.Il);
    }
    if (form->rowCount() > 0)
        layout->addWidget(buyer);
    else
        delete buyer;

    if (!s.Oranlar.empty() || s.SifirOran) {
        auto *tax = new QGroupBox(u"K.D.V."_s);
        auto *taxForm = new QFormLayout(tax);
        if (!s.Oranlar.empty()) {
            Oran = new QComboBox;
            Oran->setObjectName(u"Oran"_s);
            for (int rate : s.Oranlar)
                Oran->addItem(u"%%1"_s.arg(rate), rate);
            taxForm->addRow(u"Oran (kayıttan çıkarılamadı)"_s, Oran);
            connect(Oran, &QComboBox::currentIndexChanged, this, [this] { SifirOranAlanlari(); });
        }
        FSifir = new QWidget;
        auto *zero = new QVBoxLayout(FSifir);
        zero->setContentsMargins(0, 0, 0, 0);
        Satis = new QRadioButton(u"SATIŞ faturası, istisna kodu 351"_s);
        Satis->setObjectName(u"Satis"_s);
        Istisna = new QRadioButton(u"İSTİSNA faturası:"_s);
        Istisna->setObjectName(u"Istisna"_s);
        IstisnaKodu = new QComboBox;
        IstisnaKodu->setObjectName(u"IstisnaKodu"_s);
        for (const TExemptionCode &e : IstisnaCodes())
            if (e.Code != kSatisIstisnaKodu)
                IstisnaKodu->addItem(
                    e.Code.toString() + u" — "_s + e.Text.toString(), e.Code.toString());
        (c.Tur == u"ISTISNA"_s ? Istisna : Satis)->setChecked(true);
        zero->addWidget(Satis);
        zero->addWidget(Istisna);
        zero->addWidget(IstisnaKodu);
        taxForm->addRow(u"%0 K.D.V."_s, FSifir);
        layout->addWidget(tax);
        SifirOranAlanlari();
    }

    if (!s.Birimler.isEmpty()) {
        auto *units = new QGroupBox(u"Birim kodları (bir kez sorulur, hatırlanır)"_s);
        auto *unitForm = new QFormLayout(units);
        for (const QString &unit : s.Birimler) {
            auto *box = new QComboBox;
            box->setObjectName(u"Birim_"_s + UnitKey(unit));
            box->addItem(u"— seçin —"_s, QString());
            for (const TUnitCode &u : CommonUnitCodes())
                box->addItem(
                    u.Name.toString() + u" ("_s + u.Code.toString() + u')', u.Code.toString());
            unitForm->addRow(unit.isEmpty() ? u"(boş)"_s : unit, box);
            Birimler.emplace_back(unit, box);
        }
        layout->addWidget(units);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(u"Devam"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"Vazgeç"_s);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    connect(buttons, &QDialogButtonBox::accepted, this, &TEArsivSorular::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TEArsivSorular::reject);
}

void TEArsivSorular::SifirOranAlanlari()
{
    if (FSifir)
        FSifir->setEnabled(Oran ? Oran->currentData().toInt() == 0 : FBaslangic.Oran == 0);
}

TEArsivCevaplar TEArsivSorular::Cevaplar() const
{
    TEArsivCevaplar c = FBaslangic;
    if (Ilce)
        c.Ilce = Ilce->text().trimmed();
    if (Il)
        c.Il = Il->text().trimmed();
    if (Ad)
        c.Ad = Ad->text().trimmed();
    if (Soyad)
        c.Soyad = Soyad->text().trimmed();
    c.NihaiTuketici = NihaiTuketici && NihaiTuketici->isChecked();
    if (Oran)
        c.Oran = Oran->currentData().toInt();
    if (Satis && c.Oran == 0) {
        c.Tur = Istisna->isChecked() ? u"ISTISNA"_s : u"SATIS"_s;
        c.IstisnaKodu = Istisna->isChecked() ? IstisnaKodu->currentData().toString()
                                             : kSatisIstisnaKodu.toString();
    }
    for (const auto &[unit, box] : Birimler)
        if (const QString code = box->currentData().toString(); !code.isEmpty())
            c.BirimKodlari[UnitKey(unit)] = code;
    return c;
}

void TEArsivSorular::accept()
{
    const TEArsivCevaplar c = Cevaplar();
    QStringList missing;
    if (NihaiTuketici && !c.NihaiTuketici)
        missing << u"Vergi numarası olmayan alıcıya e-Arşiv faturası nihai tüketici olarak "
                   u"kesilir: ya kutuyu işaretleyin ya da formda numarayı yazın."_s;
    if ((Ilce && c.Ilce.isEmpty()) || (Il && c.Il.isEmpty()))
        missing << u"Alıcının ilçesi ve ili gerekli."_s;
    if ((Ad && c.Ad.isEmpty()) || (Soyad && c.Soyad.isEmpty()))
        missing << u"Alıcının adı ve soyadı gerekli."_s;
    for (const auto &[unit, box] : Birimler)
        if (box->currentData().toString().isEmpty())
            missing << u"\"%1\" birimi için bir kod seçin."_s.arg(unit);
    if (!missing.isEmpty()) {
        FDialogs.Warning(this, kBaslik, Reasons(missing));
        return;
    }
    QDialog::accept();
}

// ---- the commands --------------------------------------------------------------------------

TEArsivKomutlari::TEArsivKomutlari(TEArsivPencere window)
    : W(std::move(window))
{
}

void TEArsivKomutlari::FirmaBilgileri()
{
    IEArsivStore &store = W.tfatura().EArsiv();
    TFirmaBilgileri::Edit(W.Dialogs(), store, W.Owner,
        !MissingSellerFields(store.Seller().value_or(TSellerInfo {})).isEmpty()
            && store.Seller().has_value());
}

std::optional<TSellerInfo> TEArsivKomutlari::Satici()
{
    IEArsivStore &store = W.tfatura().EArsiv();
    std::optional<TSellerInfo> seller = store.Seller();
    if (seller && MissingSellerFields(*seller).isEmpty())
        return seller;
    if (!TFirmaBilgileri::Edit(W.Dialogs(), store, W.Owner, true))
        return std::nullopt;
    seller = store.Seller();
    if (seller && MissingSellerFields(*seller).isEmpty())
        return seller;
    return std::nullopt;
}

QString TEArsivKomutlari::Klasor() const
{
    const QString folder = TIniFile(PrintSettingsPath(W.ProgramFolder()))
                               .ReadString(kSectionEArsiv, kKeyEArsivKlasor, QString());
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : W.ProgramFolder();
}

void TEArsivKomutlari::KlasoruHatirla(const QString &folder)
{
    // Only a convenience for the next export: a settings file that cannot be written does
    // not undo the file that was.
    try {
        TIniFile(PrintSettingsPath(W.ProgramFolder()))
            .WriteString(kSectionEArsiv, kKeyEArsivKlasor, folder);
    } catch (const std::exception &) {
    }
}

void TEArsivKomutlari::XmlKaydet()
{
    IDialogs &dialogs = W.Dialogs();
    InvoiceTable &table = W.tfatura();
    // Like KAYDET: the field being edited finishes first.
    W.FinishEditing();
    QApplication::processEvents();

    // The document is made from the stored invoice: what is on screen must be that.
    auto stored = [&]() -> std::optional<TInvoiceRecord> {
        if (W.GKayitModu() != u'D' || W.StoredRecId() == 0)
            return std::nullopt;
        std::optional<TInvoiceRecord> r = table.ReadRecord(W.StoredRecId());
        if (!r)
            return std::nullopt;
        TInvoiceRecord screen = InvoiceTable::CutToWidths(W.EKRANDAN_KAYDA());
        screen.REC_ID = r->REC_ID;
        return screen == *r ? r : std::nullopt;
    };
    std::optional<TInvoiceRecord> record = stored();
    if (!record) {
        if (dialogs.AskYesNo(W.Owner, kBaslik,
                u"e-Arşiv faturası kayıtlı faturadan hazırlanır; ekrandaki fatura kaydedilmemiş "
                u"ya da kaydından sonra değiştirilmiş.\r\n\r\nÖnce kaydedilsin mi?"_s)
            != IDialogs::TAnswer::Yes)
            return;
        W.SpeedButton8Click();
        record = stored();
        if (!record)
            return; // the save said why
    }
    const std::int32_t recId = record->REC_ID;

    // A buyer number the document could not carry is refused before anything is asked.
    if (const QString why = BuyerNumberProblem(record->VNO.trimmed()); !why.isEmpty()) {
        dialogs.Warning(W.Owner, kBaslik, u"e-Arşiv faturası hazırlanamadı:\r\n"_s + why);
        return;
    }
    const std::optional<TSellerInfo> seller = Satici();
    if (!seller)
        return;
    IEArsivStore &store = table.EArsiv();

    const std::optional<TExportInfo> previous = store.ExportOf(recId);
    const QString fingerprint = Fingerprint(*record);
    const bool changed = previous && previous->Ozet != fingerprint;
    if (changed
        && dialogs.AskYesNo(W.Owner, kBaslik,
               u"Bu fatura %1 numarasıyla e-Arşiv olarak kaydedildikten sonra "
               u"değiştirilmiş.\r\n\r\n"
               u"Entegratöre yüklenmiş bir fatura değiştirilemez: entegratörde iptal edilerek "
               u"düzeltilir. Henüz yüklenmediyse değişmiş hali aynı numarayla kaydedilebilir."
               u"\r\n\r\nDeğişmiş fatura %1 numarasıyla yeniden kaydedilsin mi?"_s.arg(
                   previous->Numara))
            != IDialogs::TAnswer::Yes)
        return;

    // The rate: kept with the export, else the rate box for an invoice typed here when it
    // fits the stored totals, else worked out from them.
    std::optional<int> rate;
    if (previous && !changed)
        rate = previous->Oran;
    else if (!W.Recalled()) {
        const std::vector<int> fit = FittingVatRates(record->YEKUN, record->KDV);
        if (std::ranges::find(fit, W.VatRate()) != fit.end())
            rate = W.VatRate();
    }
    TPrepared p = Prepare(store, *record, rate);
    TEArsivCevaplar answers = p.Cevaplar;
    if (NeedsAsking(p.Sorulacak)) {
        TEArsivSorular ask(dialogs, p.Sorulacak, p.Cevaplar, record->SAYIN1, W.Owner);
        if (ask.exec() != QDialog::Accepted)
            return;
        answers = ask.Cevaplar();
    }

    // Checked with a stand-in number first, so that a refused document spends none.
    const TEArsivBuild check = BuildEArsiv(InputOf(store, *record, *seller, answers, p.Number,
        Placeholder(*record, *seller, answers.Oran, W.DateFormat), W.DateFormat));
    if (!check.Invoice) {
        dialogs.Warning(W.Owner, kBaslik,
            u"e-Arşiv faturası hazırlanamadı; hiçbir dosya yazılmadı:\r\n"_s
                + Reasons(check.Problems));
        return;
    }
    Remember(store, p, answers);

    const QString folder
        = dialogs.FolderName(W.Owner, u"e-Arşiv XML dosyasının klasörü"_s, Klasor());
    if (folder.isEmpty())
        return;

    TExportInfo info;
    if (previous) {
        info = *previous;
    } else {
        TNumberRequest q { recId, seller->Seri, ParseInvoiceDate(record->TARIH, W.DateFormat),
            QUuid::createUuid().toString(QUuid::WithoutBraces).toLower(),
            QDateTime::currentDateTime(), answers.Oran, fingerprint, false };
        TNumberResult r = store.Number({ q }).front();
        if (r.Status == TNumberResult::TStatus::OutOfOrder) {
            if (dialogs.AskYesNo(W.Owner, kBaslik,
                    u"e-Arşiv fatura numaraları tarih sırasını izlemelidir: son numara %1, %2 "
                    u"tarihli; bu fatura %3 tarihli.\r\n\r\nYine de sıradaki numara verilsin mi?"_s
                        .arg(r.LastNumber, r.LastDate.toString(u"dd.MM.yyyy"_s),
                            q.Tarih.toString(u"dd.MM.yyyy"_s)))
                != IDialogs::TAnswer::Yes)
                return;
            q.OutOfOrderAllowed = true;
            r = store.Number({ q }).front();
        }
        info = r.Info;
    }
    info.Oran = answers.Oran;
    info.Ozet = fingerprint;

    const TEArsivBuild built
        = BuildEArsiv(InputOf(store, *record, *seller, answers, p.Number, info, W.DateFormat));
    if (!built.Invoice) {
        dialogs.Warning(W.Owner, kBaslik,
            u"e-Arşiv faturası hazırlanamadı; hiçbir dosya yazılmadı:\r\n"_s
                + Reasons(built.Problems));
        return;
    }
    const QString path = QDir(folder).filePath(info.Numara + u".xml"_s);
    if (QFileInfo::exists(path)
        && dialogs.AskYesNo(W.Owner, kBaslik, u"%1 zaten var. Yerine yazılsın mı?"_s.arg(path))
            != IDialogs::TAnswer::Yes)
        return;
    if (const QString error = WriteFile(path, WriteUbl(*built.Invoice)); !error.isEmpty()) {
        dialogs.Error(W.Owner, kBaslik, u"%1 yazılamadı: %2"_s.arg(path, error));
        return;
    }
    if (changed)
        store.UpdateExport(recId, answers.Oran, fingerprint);
    KlasoruHatirla(folder);
    W.SetLastFile(path);
    dialogs.Information(W.Owner, kBaslik,
        u"e-Arşiv XML dosyası kaydedildi:\r\n%1\r\n\r\nFatura no: %2\r\nETTN: %3\r\n\r\n"_s.arg(
            QDir::toNativeSeparators(path), info.Numara, info.Ettn)
            + kImzasizMesaji);
}

void TEArsivKomutlari::TopluXml()
{
    IDialogs &dialogs = W.Dialogs();
    InvoiceTable &table = W.tfatura();
    const std::optional<TSellerInfo> seller = Satici();
    if (!seller)
        return;
    IEArsivStore &store = table.EArsiv();

    const QDate today = QDate::currentDate();
    QString fromText = QDate(today.year(), today.month(), 1).toString(u"dd.MM.yyyy"_s);
    QString toText = today.toString(u"dd.MM.yyyy"_s);
    if (!dialogs.InputBox(W.Owner, kBaslik, u"İlk tarih (gg.aa.yyyy):"_s, fromText)
        || !dialogs.InputBox(W.Owner, kBaslik, u"Son tarih (gg.aa.yyyy):"_s, toText))
        return;
    const QDate from = ParseInvoiceDate(fromText.trimmed()),
                to = ParseInvoiceDate(toText.trimmed());
    if (!from.isValid() || !to.isValid() || from > to) {
        dialogs.Warning(W.Owner, kBaslik,
            u"\"%1\" – \"%2\" bir tarih aralığı değil (gg.aa.yyyy, ilk tarih son tarihten önce)."_s
                .arg(fromText, toText));
        return;
    }
    if (dialogs.AskOkCancel(W.Owner, kBaslik,
            u"%1 – %2 arasındaki, e-Arşiv olarak henüz kaydedilmemiş faturalar numaralanıp XML "
            u"olarak yazılacak.\r\n\r\nKÂĞIDA BASILIP VERİLMİŞ BİR FATURA e-Arşiv olarak yeniden "
            u"kesilmemelidir: aynı satış iki kez faturalanmış olur. Aralıkta böyle bir fatura "
            u"varsa vazgeçin.\r\n\r\nDevam edilsin mi?"_s.arg(
                from.toString(u"dd.MM.yyyy"_s), to.toString(u"dd.MM.yyyy"_s)))
        != IDialogs::TAnswer::Ok)
        return;
    const QString folder
        = dialogs.FolderName(W.Owner, u"e-Arşiv XML dosyalarının klasörü"_s, Klasor());
    if (folder.isEmpty())
        return;

    struct TItem {
        TInvoiceRecord Record;
        QDate Date;
        TPrepared Prepared;
    };
    std::vector<TItem> items;
    QStringList skipped;
    auto skip = [&](const TInvoiceRecord &r, const QString &why) {
        skipped << u"REC_ID %1, %2: %3"_s.arg(r.REC_ID).arg(r.SAYIN1.trimmed(), why);
    };

    const int count = table.RecordCount();
    QProgressDialog progress(u"Faturalar okunuyor..."_s, u"Vazgeç"_s, 0, 2 * count, W.Owner);
    progress.setObjectName(u"TopluEArsivIlerleme"_s);
    progress.setWindowTitle(kBaslik);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    bool cancelled = false;
    for (int row = 0; row < count && !cancelled; ++row) {
        progress.setValue(row);
        cancelled = progress.wasCanceled();
        const std::int32_t id = table.RecIdAt(row);
        const std::optional<TInvoiceRecord> r = id ? table.ReadRecord(id) : std::nullopt;
        if (!r)
            continue;
        const QDate date = ParseInvoiceDate(r->TARIH, W.DateFormat);
        if (!date.isValid()) {
            skip(*r, u"TARIH \"%1\" bir tarih değil"_s.arg(r->TARIH));
            continue;
        }
        if (date < from || date > to || store.ExportOf(r->REC_ID))
            continue;
        if (const QString why = BuyerNumberProblem(r->VNO.trimmed()); !why.isEmpty()) {
            skip(*r, why);
            continue;
        }
        TPrepared p = Prepare(store, *r, std::nullopt);
        const TEArsivSorulacak &s = p.Sorulacak;
        QStringList why;
        if (!s.Oranlar.empty())
            why << u"K.D.V. oranı kayıttan çıkarılamadı"_s;
        else if (s.SifirOran)
            why << u"%0 K.D.V.: satış mı istisna mı olduğu sorulmalı"_s;
        if (s.NihaiTuketici)
            why << u"alıcının vergi numarası yok"_s;
        else if (s.Yer)
            why << u"alıcının ilçesi ve ili bilinmiyor (bir kez tek tek kaydedin)"_s;
        if (s.Adlar && !s.NihaiTuketici)
            why << u"alıcının adı ve soyadı bilinmiyor"_s;
        if (!s.Birimler.isEmpty())
            why << u"birim kodu bilinmiyor: %1"_s.arg(s.Birimler.join(u", "_s));
        if (why.isEmpty()) {
            const TEArsivBuild check = BuildEArsiv(InputOf(store, *r, *seller, p.Cevaplar, p.Number,
                Placeholder(*r, *seller, p.Cevaplar.Oran, W.DateFormat), W.DateFormat));
            why = check.Problems;
        }
        if (!why.isEmpty()) {
            skip(*r, why.join(u"; "_s));
            continue;
        }
        items.push_back({ *r, date, std::move(p) });
    }

    // Numbered in date order, all in one go, so that the numbers follow the dates.
    std::ranges::stable_sort(items, [](const TItem &a, const TItem &b) {
        return std::pair(a.Date, a.Record.REC_ID) < std::pair(b.Date, b.Record.REC_ID);
    });
    std::vector<TNumberResult> numbers;
    if (!cancelled && !items.empty()) {
        std::vector<TNumberRequest> requests;
        for (const TItem &i : items)
            requests.push_back({ i.Record.REC_ID, seller->Seri, i.Date,
                QUuid::createUuid().toString(QUuid::WithoutBraces).toLower(),
                QDateTime::currentDateTime(), i.Prepared.Cevaplar.Oran, Fingerprint(i.Record),
                false });
        numbers = store.Number(requests);
    }

    QStringList written;
    progress.setLabelText(u"XML dosyaları yazılıyor..."_s);
    for (size_t k = 0; k < numbers.size(); ++k) {
        const TItem &item = items[k];
        const TNumberResult &n = numbers[k];
        progress.setValue(count + int(k));
        if (n.Status == TNumberResult::TStatus::OutOfOrder) {
            skip(item.Record,
                u"numaralar tarih sırasını izlemeli: %1 numara %2 tarihli (tek tek kaydedilebilir)"_s
                    .arg(n.LastNumber, n.LastDate.toString(u"dd.MM.yyyy"_s)));
            continue;
        }
        if (progress.wasCanceled()) {
            skip(item.Record,
                u"vazgeçildi; %1 numarası verildi, tek tek kaydedilebilir"_s.arg(n.Info.Numara));
            continue;
        }
        const TEArsivBuild built = BuildEArsiv(InputOf(store, item.Record, *seller,
            item.Prepared.Cevaplar, item.Prepared.Number, n.Info, W.DateFormat));
        const QString path = QDir(folder).filePath(n.Info.Numara + u".xml"_s);
        QString error;
        if (!built.Invoice)
            error = built.Problems.join(u"; "_s);
        else if (QFileInfo::exists(path))
            error = u"%1 zaten var, yerine yazılmadı"_s.arg(path);
        else
            error = WriteFile(path, WriteUbl(*built.Invoice));
        if (!error.isEmpty()) {
            skip(item.Record,
                u"%1 numarası verildi ama dosya yazılamadı: %2"_s.arg(n.Info.Numara, error));
            continue;
        }
        written << u"%1  REC_ID %2, %3"_s.arg(n.Info.Numara)
                       .arg(item.Record.REC_ID)
                       .arg(item.Record.SAYIN1.trimmed());
        W.SetLastFile(path);
    }
    progress.setValue(2 * count);
    if (!written.isEmpty())
        KlasoruHatirla(folder);

    QString summary
        = u"%1 fatura yazıldı (%2):"_s.arg(written.size()).arg(QDir::toNativeSeparators(folder));
    if (!written.isEmpty())
        summary += u"\r\n"_s + written.join(u"\r\n"_s);
    summary += u"\r\n\r\n%1 fatura atlandı"_s.arg(skipped.size());
    if (!skipped.isEmpty())
        summary += u":\r\n"_s + skipped.join(u"\r\n"_s);
    if (!written.isEmpty())
        summary += u"\r\n\r\n"_s + kImzasizMesaji;
    if (skipped.isEmpty())
        dialogs.Information(W.Owner, kBaslik, summary);
    else
        dialogs.Warning(W.Owner, kBaslik, summary);
}

TEArsivKomutlari::TKagit TEArsivKomutlari::KagitSiniri()
{
    TSellerInfo::TKind kind = TSellerInfo::TKind::BasitIsletme;
    // Printing does not depend on the store: an unreadable seller counts as the usual kind.
    try {
        if (const std::optional<TSellerInfo> seller = W.tfatura().EArsiv().Seller())
            kind = seller->Tur;
    } catch (const std::exception &) {
    }
    const TPrintSettings &settings = W.Ayarlar();
    const TInvoiceFormValues v = W.FormValues();
    const long long total = std::llround(v.TOPLAM * 100);
    const QDate date = ParseInvoiceDate(v.TARIH.trimmed(), W.DateFormat);
    QString why;
    if (kind == TSellerInfo::TKind::Bilanco)
        why = u"Bilanço esasına göre defter tutanlar her faturayı e-Arşiv olarak keser."_s;
    else if (date.isValid() && date >= settings.KagitSonu)
        why = u"%1 tarihinden sonra kâğıt fatura kesilemez."_s.arg(
            settings.KagitSonu.toString(u"dd.MM.yyyy"_s));
    else if (total > settings.KagitLimitiKurus)
        why = u"K.D.V. dahil %1 TL'yi aşan fatura kâğıda basılamaz."_s.arg(
            QString::number(settings.KagitLimitiKurus / 100.0, 'f', 2).replace(u'.', u','));
    if (why.isEmpty())
        return TKagit::Yazdir;
    switch (W.Dialogs().AskYesNoCancel(W.Owner, u"Kâğıt Fatura Sınırı"_s,
        why
            + u"\r\n\r\nBu fatura e-Arşiv faturası olarak kesilmelidir.\r\n\r\n"
              u"Evet: e-Arşiv XML dosyası hazırlansın\r\nHayır: yine de yazdırılsın\r\n"
              u"İptal: hiçbiri"_s)) {
    case IDialogs::TAnswer::Yes:
        return TKagit::EArsiv;
    case IDialogs::TAnswer::No:
        return TKagit::Yazdir;
    default:
        return TKagit::Vazgec;
    }
}

bool TEArsivKomutlari::SilinebilirMi(
    IDialogs &dialogs, InvoiceTable &table, std::int32_t recId, QWidget *owner)
{
    if (recId == 0)
        return true;
    const std::optional<TExportInfo> e = table.EArsiv().ExportOf(recId);
    if (!e)
        return true;
    return dialogs.AskYesNo(owner, u"Uyarı"_s,
               u"Bu fatura %1 numarasıyla e-Arşiv olarak kaydedildi.\r\n\r\nEntegratöre "
               u"yüklendiyse buradan silmek onu ortadan kaldırmaz: entegratörde iptal "
               u"edilmelidir. %1 numarası başka bir faturaya verilmez.\r\n\r\nYine de silinsin mi?"_s
                   .arg(e->Numara))
        == IDialogs::TAnswer::Yes;
}
