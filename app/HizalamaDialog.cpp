#include "app/HizalamaDialog.h"

#include "printing/AlignmentSheetReport.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace
{

QDoubleSpinBox *Olcu(const QString &name, double value, QWidget *parent)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    // A ruler reads to half a millimetre; two decimals leave room for a finer one.
    box->setDecimals(2);
    box->setRange(0, 500);
    box->setSingleStep(0.5);
    box->setSuffix(u" mm"_s);
    box->setValue(value);
    return box;
}

} // namespace

THizalamaDialog::THizalamaDialog(const TAlignmentMarks &marks, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"HizalamaDialog"_s);
    setWindowTitle(u"Hizalama Ölçüleri"_s);
    auto *layout = new QVBoxLayout(this);
    auto *note = new QLabel(u"Basılan hizalama sayfasında her artı işaretinin ortasının kağıdın "
                            u"sol ve üst kenarına uzaklığını cetvelle ölçüp yazın."_s,
        this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto *form = new QFormLayout;
    Birinci_Sol = Olcu(u"Birinci_Sol"_s, marks.First.x(), this);
    Birinci_Ust = Olcu(u"Birinci_Ust"_s, marks.First.y(), this);
    Ikinci_Sol = Olcu(u"Ikinci_Sol"_s, marks.Second.x(), this);
    Ikinci_Ust = Olcu(u"Ikinci_Ust"_s, marks.Second.y(), this);
    const QString first = TAlignmentSheetReport::MarkWord(1);
    const QString second = TAlignmentSheetReport::MarkWord(2);
    form->addRow(first + u" soldan:"_s, Birinci_Sol);
    form->addRow(first + u" üstten:"_s, Birinci_Ust);
    form->addRow(second + u" soldan:"_s, Ikinci_Sol);
    form->addRow(second + u" üstten:"_s, Ikinci_Ust);
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"Düzeltmeyi Hesapla"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"Vazgeç"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TAlignmentMeasure THizalamaDialog::Olculer() const
{
    return { Birinci_Sol->value(), Birinci_Ust->value(), Ikinci_Sol->value(), Ikinci_Ust->value() };
}
