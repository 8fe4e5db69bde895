#pragma once
// The small dialog in which the user types where the alignment sheet's two crosshairs
// landed: four distances in millimetres from the paper's left and top edges.

#include "printing/AlignmentSheet.h"

#include <QDialog>

class QDoubleSpinBox;

class THizalamaDialog : public QDialog
{
    Q_OBJECT

public:
    explicit THizalamaDialog(const TAlignmentMarks &marks, QWidget *parent = nullptr);

    TAlignmentMeasure Olculer() const;

    // First crosshair left/top, second crosshair left/top.
    QDoubleSpinBox *Birinci_Sol = nullptr, *Birinci_Ust = nullptr;
    QDoubleSpinBox *Ikinci_Sol = nullptr, *Ikinci_Ust = nullptr;
};
