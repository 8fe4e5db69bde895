#pragma once
// The text label of the report engine: its caption broken into lines, sized to its text or
// fixed, and drawn on the run's output canvas.

#include "report/QuickRpt.h"

#include <QStringList>

#include <functional>

enum TWrapStyle : int { BreakOnSpaces, BreakAnywhere };
enum TExportType : int { exptText, exptNumeric, exptFormula };
enum TBiDiMode : int { bdLeftToRight, bdRightToLeft };

// The rules a label breaks a caption by. A pure function of the text, the limit (pixels)
// and a width measure, so that it is tested by itself.
struct TQRWrapOptions {
    bool AutoSize = true;
    bool WordWrap = true;
    TWrapStyle WrapStyle = BreakOnSpaces;
};
QStringList QRFormatLines(const QString &caption, int limit, const TQRWrapOptions &options,
    const std::function<int(const QString &)> &width);

class TQRCustomLabel : public TQRPrintable
{
public:
    explicit TQRCustomLabel(TQRControl *parent = nullptr);

    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &v);
    const QString &Widecaption() const { return FWidecaption; }
    void SetWidecaption(const QString &v);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    bool AutoStretch() const { return FAutoStretch; }
    void SetAutoStretch(bool v);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    TWrapStyle WrapStyle() const { return FWrapStyle; }
    void SetWrapStyle(TWrapStyle v);
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode v);
    TExportType ExportAs() const { return FExportAs; }
    void SetExportAs(TExportType v) { FExportAs = v; }
    // The stored FontSize: applied to the font when the label finishes loading.
    int FontSize() const { return FFontSize; }
    void SetFontSize(int v) { FFontSize = v; }

    const QStringList &FormattedLines() const { return FFormattedLines; }
    bool DoneFormat() const { return DoneFormat_; }
    const QString &PrintCaption() const { return FPrintCaption; }
    int CurrentLine() const { return FCurrentLine; }

    // Rebuilds the formatted lines; an AutoSize label also takes its text's width.
    virtual void FormatLines();
    void SetAlignment(TAlignment v) override;
    void BeforePrintPrepare() override;
    void PrintAt(long double offsetX, long double offsetY) override;
    void Loaded() override;

    // OnPrint may replace the text for one print.
    std::function<void(TQRCustomLabel *, QString &text)> OnPrint;

protected:
    void ParentChanged(TQRControl *oldParent) override;
    void FontChanged() override;
    // Draws the formatted lines (see the run): stretch is AutoStretch, lh the line height, h
    // w t l the label's rectangle, all native units.
    void PrintToCanvas(ICanvas &canvas, bool stretch, long double lh, long double h, long double w,
        long double t, long double l);
    // Width of s as the label measures it while formatting (pixels at the label's zoom).
    int MeasureWidth(const QString &s) const;

private:
    bool CanPrintLine(long double y, long double lh, long double &limit, long double t,
        long double h, long double w, long double l, bool first);

    bool FCaptionBased = true;
    bool DoneFormat_ = false;
    bool FAutoSize = true;
    bool FAutoStretch = false;
    QString FCaption;
    QString FWidecaption;
    TWrapStyle FWrapStyle = BreakOnSpaces;
    int FCurrentLine = 0;
    QString FPrintCaption;
    QString FWideprintcaption;
    int FFontSize = 0;
    QStringList FFormattedLines;
    bool FWordWrap = true;
    bool UpdatingBounds = false;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TExportType FExportAs = exptText;
    long double FLabelGrowth = 0; // what this label asked its band for during this print
};

class TQRLabel : public TQRCustomLabel
{
public:
    using TQRCustomLabel::TQRCustomLabel;
};
