#include "app/frm_kdv_li_tutar.h"

#include "app/FormFields.h"

#include <QPushButton>

using namespace Qt::StringLiterals;

Tkdv_li_tutar::Tkdv_li_tutar(IDialogs &dialogs, const TFormatSettings &fs, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(u"KDV Dahil Tutar"_s);
    setModal(true);
    setFixedSize(117, 65);
    QFont f(u"Tahoma"_s);
    f.setPixelSize(11);
    setFont(f);

    FTutar = new TNumericEdit(dialogs, fs, this);
    FTutar->setObjectName(u"TUTAR"_s);
    FTutar->setGeometry(7, 8, 102, 18);
    FTutar->SetDisplayFormat(kMoneyLayoutFormat.toString());
    FTutar->SetDecimalsAllowed(false);
    // The dialog's one field keeps the form's colour: it always has the focus here, and a
    // white box would not stand out as the place to type.
    FTutar->SetFocusColor(TFormEdit::IdleColor());

    FTamam = new QPushButton(u"Tamam"_s, this);
    FTamam->setGeometry(8, 32, 49, 25);
    FTamam->setDefault(true);
    FVazgec = new QPushButton(u"Vazgeç"_s, this);
    FVazgec->setGeometry(60, 32, 49, 25);
    for (QPushButton *b : { FTamam, FVazgec }) {
        b->setStyleSheet(DialogButtonStyle());
        b->setCursor(Qt::PointingHandCursor);
    }
    connect(FTamam, &QPushButton::clicked, this, &QDialog::accept);
    connect(FVazgec, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(FTutar, FTamam);
    setTabOrder(FTamam, FVazgec);
}

long double Tkdv_li_tutar::Value() const
{
    return FTutar->Value();
}

void Tkdv_li_tutar::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CentreOnScreen(this);
    FTutar->SetValue(0);
    FTutar->setFocus(Qt::OtherFocusReason);
    FTutar->selectAll();
}
