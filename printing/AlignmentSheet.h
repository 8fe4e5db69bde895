#pragma once
// The alignment sheet's arithmetic: the sheet draws two crosshairs at known places, the user
// measures with a ruler where they landed on the paper, and the difference is the feed's
// correction. An offset can be corrected; a scale error (the driver shrank or stretched the
// page) cannot, so it is only reported.

#include "printing/Calibration.h"

#include <QPointF>
#include <QString>

#include <optional>

// Where the sheet draws its two crosshairs, millimetres from the paper's top-left corner:
// far apart and well inside any printer's reach, on A4 and A5 either way up.
struct TAlignmentMarks {
    QPointF First { 30, 30 };
    QPointF Second { 110, 110 };
};

// What the ruler says: each crosshair's distance from the paper's left and top edges, mm.
struct TAlignmentMeasure {
    double FirstLeft = 0, FirstTop = 0;
    double SecondLeft = 0, SecondTop = 0;
};

struct TAlignmentResult {
    // The correction to store, in force for the next print; none when the numbers cannot
    // be the sheet's (Reason says why).
    std::optional<TCalibration> Correction;
    // The page's scale error as printed, per cent (0 is true size); the larger of the two axes.
    double ScaleErrorPercent = 0;
    bool ScaleWarning = false; // beyond 0.5 %: the driver scales the page
    QString Reason; // Turkish; empty when all is well
};

// current: the correction that was in force when the sheet printed (zero without one).
TAlignmentResult HIZALAMA_COZ(const TAlignmentMarks &marks, const TAlignmentMeasure &measured,
    const TCalibration &current = {});
