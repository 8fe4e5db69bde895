#pragma once
// The alignment sheet as a report of its own: one page on the layout's paper, tray and
// orientation, with rulers along the top and left edges and the two crosshairs of
// TAlignmentMarks, each labelled with where it should be. It goes to the printer through
// the engine like the invoice, so that it lands where the invoice would.

#include "platform/Locale.h"
#include "printing/AlignmentSheet.h"
#include "printing/PrintSettings.h"
#include "report/QRCtrls.h"

#include <memory>

class THizalamaCizgileri;

class TAlignmentSheetReport
{
public:
    explicit TAlignmentSheetReport(const TFormatSettings &fs,
        std::shared_ptr<const ITextMetrics> metrics = nullptr, TAlignmentMarks marks = {});
    ~TAlignmentSheetReport();

    TQuickRep &Report() { return *FReport; }
    const TAlignmentMarks &Marks() const { return FMarks; }
    // The words the crosshairs are labelled with; each one's top left corner stands
    // kMarkLabelOffset millimetres right of and below its crosshair.
    static QString MarkWord(int mark);
    static constexpr double kMarkLabelOffset = 2;

    // Paper, tray and orientation as the layout asks; the rulers run the paper's length.
    void HAZIRLA(const TPrintSettings &settings);

private:
    void AddLabel(const QString &caption, double leftMm, double topMm, int fontSize = 8);

    TAlignmentMarks FMarks;
    std::unique_ptr<TQuickRep> FReport;
    TQRBand *FBand = nullptr;
    THizalamaCizgileri *FCizgiler = nullptr;
    std::vector<TQRLabel *> FRulerLabels;
};
