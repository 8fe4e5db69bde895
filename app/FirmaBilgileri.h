#pragma once
// "Firma Bilgileri": the seller the e-Arşiv invoices carry, kept once for all desks in the
// invoice store. The page refuses a tax number that fails its check digits and a series that
// is not three letters or digits; what an export still needs is marked when it opens.

#include "invoice/EArsivStore.h"

#include <QDialog>

class IDialogs;
class QComboBox;
class QLabel;
class QLineEdit;

class TFirmaBilgileri : public QDialog
{
    Q_OBJECT

public:
    TFirmaBilgileri(IDialogs &dialogs, const TSellerInfo &seller, QWidget *parent = nullptr);

    // The seller as the fields now hold it.
    TSellerInfo Seller() const;
    // Why the fields cannot be saved (Turkish, one reason each); empty when they can.
    QStringList Problems() const;
    // Marks the fields a document still needs, with a line saying so above them.
    void MarkMissing();

    // Edits the store's seller; true when the user saved. With markMissing the page opens
    // with the gaps marked (a command that needs the seller sent the user here).
    static bool Edit(IDialogs &dialogs, IEArsivStore &store, QWidget *owner, bool markMissing);

    QLineEdit *Unvan = nullptr, *VergiNo = nullptr, *Ad = nullptr, *Soyad = nullptr;
    QLineEdit *VergiDairesi = nullptr, *Adres = nullptr, *Ilce = nullptr, *Il = nullptr;
    QLineEdit *Ulke = nullptr, *Telefon = nullptr, *Eposta = nullptr, *Seri = nullptr;
    QComboBox *Tur = nullptr;
    QLabel *Eksik = nullptr;

public slots:
    void accept() override;

private:
    void PersonFields();

    IDialogs &FDialogs;
};
