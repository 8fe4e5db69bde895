#include "report/QRCtrls.h"

#include "platform/Rounding.h"
#include "report/QRExport.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

bool OnlyBlanks(const QString &s)
{
    for (QChar c : s)
        if (c != u' ')
            return false;
    return true;
}

class TLineBreaker
{
public:
    TLineBreaker(
        int limit, const TQRWrapOptions &options, const std::function<int(const QString &)> &width)
        : FLimit(limit)
        , FOptions(options)
        , FWidth(width)
    {
    }

    QStringList Lines;

    void Piece(QString piece)
    {
        piece.remove(QChar(10));
        qsizetype cr;
        while ((cr = piece.indexOf(QChar(13))) >= 0) {
            Simple(piece.left(cr));
            piece.remove(0, cr + 1);
        }
        Simple(piece);
    }

private:
    void Simple(const QString &piece)
    {
        if (FOptions.AutoSize) {
            Lines << piece;
            return;
        }
        QString line;
        if (FOptions.WrapStyle == BreakAnywhere) {
            for (QChar c : piece) {
                if (!line.isEmpty() && FWidth(line + c) > FLimit) {
                    Lines << line;
                    line.clear();
                }
                line += c;
            }
            if (!line.isEmpty() && !OnlyBlanks(line))
                Lines << line;
            return;
        }
        bool stop = false;
        qsizetype start = 0;
        while (start < piece.size()) {
            qsizetype end = start;
            while (end < piece.size() && piece[end] != u' ' && piece[end] != u'-')
                ++end;
            if (end < piece.size())
                ++end; // the word keeps its blank or hyphen
            AddWord(line, piece.mid(start, end - start), stop);
            start = end;
        }
        if (!stop)
            Lines << line;
    }

    void AddWord(QString &line, QString word, bool &stop)
    {
        if (stop)
            return;
        if (FWidth(line + word) <= FLimit) {
            line += word;
            return;
        }
        if (line.isEmpty()) {
            // A word wider than the label keeps only what fits.
            while (!word.isEmpty() && FWidth(line + word.front()) < FLimit) {
                line += word.front();
                word.remove(0, 1);
            }
            word.clear();
        }
        Lines << line;
        line.clear();
        if (!word.isEmpty() && FWidth(word) > FLimit) {
            if (FLimit == 0)
                word.clear();
            else
                while (!word.isEmpty() && FWidth(word) > FLimit)
                    word.chop(1);
            Lines << word;
            word.clear();
        }
        if (!FOptions.WordWrap) {
            word.clear();
            stop = true;
        }
        line += word;
    }

    int FLimit;
    const TQRWrapOptions &FOptions;
    const std::function<int(const QString &)> &FWidth;
};

long double Rounded(long double v)
{
    return static_cast<long double>(RoundHalfEven(v));
}

} // namespace

QStringList QRFormatLines(const QString &caption, int limit, const TQRWrapOptions &options,
    const std::function<int(const QString &)> &width)
{
    TLineBreaker breaker(limit, options, width);
    breaker.Piece(caption);
    return breaker.Lines;
}

// --- TQRCustomLabel -----------------------------------------------------------------------

TQRCustomLabel::TQRCustomLabel(TQRControl *parent)
    : TQRPrintable(parent)
{
}

void TQRCustomLabel::SetCaption(const QString &v)
{
    FCaption = v;
    FPrintCaption = v;
    DoneFormat_ = false;
    FormatLines();
    Repaint();
}

void TQRCustomLabel::SetWidecaption(const QString &v)
{
    FWidecaption = v;
    FWideprintcaption = v;
    DoneFormat_ = false;
    FormatLines();
}

void TQRCustomLabel::SetAutoSize(bool v)
{
    FAutoSize = v;
    FormatLines();
}

void TQRCustomLabel::SetAutoStretch(bool v)
{
    FAutoStretch = v;
    FormatLines();
}

void TQRCustomLabel::SetWordWrap(bool v)
{
    FWordWrap = v;
    FormatLines();
}

void TQRCustomLabel::SetWrapStyle(TWrapStyle v)
{
    FWrapStyle = v;
    FormatLines();
}

void TQRCustomLabel::SetBiDiMode(TBiDiMode v)
{
    FBiDiMode = v;
    FormatLines();
}

void TQRCustomLabel::SetAlignment(TAlignment v)
{
    TQRPrintable::SetAlignment(v);
    FormatLines();
}

void TQRCustomLabel::ParentChanged(TQRControl *oldParent)
{
    TQRPrintable::ParentChanged(oldParent);
    FormatLines();
}

void TQRCustomLabel::FontChanged()
{
    TQRPrintable::FontChanged();
    FormatLines();
}

void TQRCustomLabel::Loaded()
{
    TQRPrintable::Loaded();
    if (FFontSize > 0) {
        TQRFont f = Font();
        f.Size = FFontSize;
        SetFont(f);
    }
    FormatLines();
}

int TQRCustomLabel::MeasureWidth(const QString &s) const
{
    if (const TCustomQuickRep *report = ParentReport()) {
        const long double w = static_cast<long double>(report->TextWidth(Font(), s)) * Zoom() / 100;
        return static_cast<int>(std::lround(static_cast<double>(w)));
    }
    // A label outside a report is measured at its own resolution, taken at its creation.
    return ScreenTextMetrics(Size().Resolution())->TextExtent(Font().ToCanvasFont(), s).width();
}

void TQRCustomLabel::FormatLines()
{
    if (!Parent()) {
        DoneFormat_ = true;
        return;
    }
    const std::function<int(const QString &)> width
        = [this](const QString &s) { return MeasureWidth(s); };
    FFormattedLines = QRFormatLines(
        FPrintCaption, Width(), TQRWrapOptions { FAutoSize, FWordWrap, FWrapStyle }, width);
    TCustomQuickRep *report = ParentReport();
    if (report && !UpdatingBounds) {
        UpdatingBounds = true;
        const int minHeight = report->TextHeight(Font(), u"Wp"_s) * Zoom() / 100 + 1;
        if (Height() < minHeight)
            SetHeight(minHeight);
        if (FAutoSize) {
            int newWidth = 0;
            for (const QString &line : FFormattedLines)
                newWidth = std::max(newWidth, width(line));
            if (Frame().AnyFrame()) {
                if (Frame().DrawLeft())
                    newWidth += Frame().Width();
                if (Frame().DrawRight())
                    newWidth += Frame().Width();
            }
            TAlignment a = Alignment();
            if (FBiDiMode == bdRightToLeft && a != taCenter)
                a = a == taLeftJustify ? taRightJustify : taLeftJustify;
            const int oldWidth = Width();
            if (newWidth != oldWidth) {
                int left = Left();
                if (a == taRightJustify)
                    left = left + oldWidth - newWidth;
                else if (a == taCenter)
                    left = left + (oldWidth - newWidth) / 2;
                SetBounds(left, Top(), newWidth, Height());
            }
            const int lineHeight = report->TextHeight(Font(), u"W"_s) * Zoom() / 100 + 1;
            if (Height() < lineHeight)
                SetHeight(lineHeight);
        }
        UpdatingBounds = false;
    }
    DoneFormat_ = true;
}

void TQRCustomLabel::BeforePrintPrepare()
{
    TQRPrintable::BeforePrintPrepare();
    SetCaption(FCaption);
}

void TQRCustomLabel::PrintAt(long double offsetX, long double offsetY)
{
    TQRPrinter *printer = PrinterToPrintOn();
    if (!printer)
        return;
    ICanvas &canvas = *printer->Canvas();
    canvas.SelectFont(Font().ToCanvasFont());
    const TQRPrintableSize &size = Size();
    const long double l = size.NativeValue(TQRPrintableSize::LeftIndex) + offsetX;
    const long double t = size.NativeValue(TQRPrintableSize::TopIndex) + offsetY;
    const long double w = size.NativeValue(TQRPrintableSize::WidthIndex);
    const long double h = size.NativeValue(TQRPrintableSize::HeightIndex);
    const long double lh = canvas.TextExtent(u"W"_s).height() / printer->YFactor();
    PrintToCanvas(canvas, FAutoStretch, lh, h, w, t, l);
}

bool TQRCustomLabel::CanPrintLine(long double y, long double lh, long double &limit, long double t,
    long double h, long double w, long double l, bool first)
{
    if (limit >= y + lh)
        return true;
    TQRCustomBand *band = ParentBand();
    if (!FAutoStretch || !band || !band->CanExpand(lh))
        return false;
    const long double before = band->FExpanded;
    if (!(first && band->FExpanded > lh))
        band->FExpanded += lh;
    FLabelGrowth += lh;
    limit = t + h + 1 + band->FExpanded;
    TCustomQuickRep *report = ParentReport();
    TQRPrinter *printer = QRPrinter();
    if (report && report->FinalPass() && !Transparent() && printer && printer->Canvas()
        && !report->Exporting()) {
        const int left = printer->XPos(l), top = printer->YPos(t + h + before);
        printer->Canvas()->FillRect(QRect(left, top, printer->XPos(l + w) - left,
                                        printer->YPos(t + h + band->FExpanded) - top),
            Color());
    }
    return true;
}

void TQRCustomLabel::PrintToCanvas(ICanvas &canvas, bool stretch, long double lh, long double h,
    long double w, long double t, long double l)
{
    (void)stretch;
    TQRPrinter *printer = QRPrinter();
    TCustomQuickRep *report = ParentReport();
    const bool finalPass = !report || report->FinalPass();
    TQRExportFilter *filter = report ? report->ExportFilter() : nullptr;

    if (OnPrint) {
        QString text = FPrintCaption;
        OnPrint(this, text);
        if (!(canvas.Font() == Font().ToCanvasFont())) {
            canvas.SelectFont(Font().ToCanvasFont());
            lh = canvas.TextExtent(u"W"_s).height() / printer->YFactor();
        }
        FPrintCaption = text;
    }
    FormatLines();
    const long double w0 = w;
    w = Size().NativeValue(TQRPrintableSize::WidthIndex);

    const auto rect = [printer](long double x1, long double y1, long double x2, long double y2) {
        const int left = printer->XPos(x1), top = printer->YPos(y1);
        return QRect(left, top, printer->XPos(x2) - left, printer->YPos(y2) - top);
    };
    if (finalPass && !Transparent() && !filter)
        canvas.FillRect(rect(l, t, l + w, t + h), Color());

    long double fw = 0;
    if (Frame().AnyFrame()) {
        fw = Rounded(static_cast<long double>(Frame().Width()) / 72 * 254);
        if (Frame().DrawTop())
            t += fw;
        if (Frame().DrawLeft())
            l += fw;
    }

    long double x = l;
    if (FAutoSize && Alignment() == taRightJustify)
        x = l - (w - w0);
    else if (FAutoSize && Alignment() == taCenter)
        x = l - (w - w0) / 2;

    TAlignment a = Alignment();
    const bool rtl = FBiDiMode == bdRightToLeft;
    if (rtl && a != taCenter)
        a = a == taLeftJustify ? taRightJustify : taLeftJustify;
    TTextStyle style;
    style.RightToLeft = rtl;
    style.Transparent = true;
    long double ax = x;
    switch (a) {
    case taLeftJustify:
        style.Align = TTextAlign::Left;
        break;
    case taRightJustify:
        style.Align = TTextAlign::Right;
        ax = x + w;
        break;
    case taCenter:
        style.Align = TTextAlign::Center;
        ax = x + w / 2;
        break;
    }

    if (PrintFinished())
        FCurrentLine = 0;
    long double y = t;
    long double limit = t + h + 1;
    FLabelGrowth = 0;
    bool first = true;
    while (FCurrentLine < FFormattedLines.size() && CanPrintLine(y, lh, limit, t, h, w, l, first)) {
        first = false;
        const QString &line = FFormattedLines[FCurrentLine];
        if (finalPass && !line.isEmpty()) {
            if (filter)
                filter->TextOut(ax, y, Font(), Color(), a, line);
            else
                canvas.TextOut(QPoint(printer->XPos(ax), printer->YPos(y)), line, style);
        }
        y += lh;
        ++FCurrentLine;
    }
    SetPrintFinished(!(FCurrentLine < FFormattedLines.size() && FAutoStretch));
    FPrintCaption = FCaption;

    if ((finalPass || filter) && Frame().AnyFrame()) {
        const long double e = FAutoStretch ? FLabelGrowth : 0;
        if (filter)
            Frame().ExportFrame(*filter, l - fw, t - fw, w + fw, h + fw + e);
        else
            Frame().DrawFrame(canvas, rect(l - fw, t - fw, l + w, h + t + e), printer->XFactor(),
                printer->YFactor());
    }
}
