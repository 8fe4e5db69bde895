#pragma once
// The small dialog that takes one VAT-inclusive amount (whole numbers only); the caller turns
// it into the VAT-exclusive value of the field where "*" was pressed.

#include <QDialog>

class IDialogs;
class QPushButton;
class TNumericEdit;
struct TFormatSettings;

class Tkdv_li_tutar : public QDialog
{
    Q_OBJECT
public:
    Tkdv_li_tutar(IDialogs &dialogs, const TFormatSettings &fs, QWidget *parent = nullptr);

    // The amount typed, as its field reads it (0 for an empty field).
    long double Value() const;

    TNumericEdit *TutarField() const { return FTutar; }
    QPushButton *TamamButton() const { return FTamam; }
    QPushButton *VazgecButton() const { return FVazgec; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    TNumericEdit *FTutar = nullptr;
    QPushButton *FTamam = nullptr;
    QPushButton *FVazgec = nullptr;
};
