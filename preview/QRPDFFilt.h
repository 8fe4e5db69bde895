#pragma once
// PDF export: the export run hands the filter its pages, text lines and graphic controls, and
// the filter writes a PDF 1.3 file of text and graphics operators with TrueType font
// resources (not embedded). Pure logic over a byte sink: no widgets; a QGuiApplication is
// needed for font metrics. TQRPDFFilter is the component that offers the filter to the
// preview's save.

#include "platform/TextMetrics.h"
#include "preview/QRByteSink.h"
#include "preview/QRPDFCodec.h"
#include "report/QRCtrls.h"
#include "report/QRExport.h"
#include "report/QRPageList.h"

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

enum TPDFItemType { IT_INVALID, IT_TEXT, IT_NEWPAGE, IT_GRAPHIC, IT_IMAGE };
enum TPDFShapeType {
    S_BOX,
    S_CIRCLE,
    S_HLINE,
    S_VLINE,
    S_OBLIQUE,
    S_TOPBOTTOM,
    S_LEFTRIGHT,
    S_RIGHTDIAG,
    S_LEFTDIAG
};
enum TPDFFontHandling { fhSubstitute, fhAutoEmbed, fhNoEmbedding };

struct TRGBColor {
    quint8 red = 0, green = 0, blue = 0;
};

// One text line or graphic; positions and sizes in points, y measured from the page's top.
struct TPDFItemRec {
    TPDFItemType ItemType = IT_INVALID;
    long double XPos = 0, YPos = 0;
    QString FontName;
    QString FText;
    int FontCharset = 1;
    int FontSize = 0;
    TRGBColor FColor;
    bool fbold = false, fItalic = false;
    TAlignment FAlignment = taLeftJustify;
    bool Filled = false;
    long double Width = 0, Height = 0, thickness = 0;
    long double xscale = 1, yscale = 1;
    QByteArray imgstr;
    QByteArray ImageFilter;
    TPDFShapeType Shape = S_BOX;
    int pixelWidth = 0, pixelHeight = 0;
    TRGBColor RGBStrokeColor, RGBFColor;
    // A box written with two decimals instead of whole points: rules and matrix modules
    // whose edges must meet exactly.
    bool Exact = false;
};

struct TPDFPages {
    long double PageWidth = 0, PageHeight = 0;
};

// The document as it grows: per page its size, its text and graphics lines (already in the
// file's code page) and their byte counts; per object its offset once the file is built.
struct TPDFNote {
    std::vector<TPDFPages> pages;
    std::vector<std::vector<QByteArray>> pagetextfiles, pagegraphicsfiles;
    std::vector<qint64> textlengths, graphicslengths;
    std::vector<qint64> XRefBytes;
};

// A shape control as the export run hands it over; sizes in the run printer's pixels.
struct TPDFShapeControl {
    TPDFShapeType Shape = S_BOX;
    int Width = 0, Height = 0;
    int PenWidth = 1;
    QColor PenColor = Qt::black;
    bool PenClear = false;
    QColor BrushColor = Qt::white;
    bool BrushClear = false;
};

// How the filter turns native units into pixels when no run printer is attached: the
// factors of an export run (screen pixels per inch / 254) with no unprintable margin.
struct TPDFPixelScale {
    long double XFactor = 96.0L / 254.0L, YFactor = 96.0L / 254.0L;
    long double LeftWaste = 0, TopWaste = 0;
    int ScreenDpi = 96;
    static TPDFPixelScale Screen(int dpi);
};

class TQRPDFDocumentFilter : public TQRExportFilter
{
public:
    explicit TQRPDFDocumentFilter(const QString &fileName);
    ~TQRPDFDocumentFilter() override;

    void Start(int paperWidth, int paperHeight, const TQRFont &font) override;
    void NewPage() override;
    void EndPage() override;
    void TextOut(long double x, long double y, const TQRFont &font, const QColor &background,
        TAlignment alignment, const QString &text) override;
    // A shape control at (xoff, yoff) pixels: once filled when its brush is not clear, once
    // outlined when its pen is not clear.
    void AcceptShape(const TPDFShapeControl &shape, int yoff, int xoff);
    // An image control drawn into bitmap, at (xoff, yoff) pixels, controlSize pixels large. A
    // null bitmap (a control without a picture) adds nothing.
    void AcceptImage(const QImage &bitmap, int yoff, int xoff, QSize controlSize);
    // A filled rectangle (native units) as an exact filled S_BOX.
    void AcceptRect(
        long double x, long double y, long double w, long double h, const QColor &color) override;
    // Builds the file and writes it to the sink (the file of FileName() unless one was set).
    void Finish() override;

    // Every item passes here; an item of kind IT_INVALID raises EQRError.
    void AddItem(const TPDFItemRec &item);

    void SetDocumentInfo(const QString &creator, const QString &author, const QString &subject,
        const QString &title);
    // Widths for a base font name: 256 or more numbers separated by blanks.
    void AddCustomWidths(const QString &fontName, const QString &widths);
    // /Differences entries for a base font name.
    void AddCustomEncoding(const QString &fontName, const QString &encoding);

    // The code page of the file's bytes, read when the run starts.
    const QString &Codepage() const { return FCodepage; }
    void SetCodepage(const QString &v) { FCodepage = v; }
    bool CompressionOn() const { return FPDFCompressionOn; }
    void SetCompressionOn(bool v) { FPDFCompressionOn = v; }
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode v) { FBiDiMode = v; }
    bool TextOnTop() const { return !FTextFirst; }
    void SetTextOnTop(bool v) { FTextFirst = !v; }
    TPDFFontHandling FontHandling() const { return FFontHandling; }

    // The clock that dates the document (local days since 30 December 1899, as the page
    // store's; tests fix it) and the date and time formats of its
    // creation date (QDateTime patterns; the user's short date and long time).
    void SetClock(TQRClock clock) { FClock = std::move(clock); }
    void SetDateTimeFormat(const QString &shortDate, const QString &longTime);
    // Where Finish writes instead of the file.
    void SetSink(std::unique_ptr<TQRByteSink> sink) { FSink = std::move(sink); }
    // Factors for a run without a run printer (tests; Printer() wins when set).
    void SetPixelScale(const TPDFPixelScale &scale) { FScale = scale; }

    int PageNumber() const { return FPageNumber; }
    const QStringList &ReportFonts() const { return FReportFonts; }
    // The lines of the finished file, without their line breaks.
    const std::vector<QByteArray> &FinalDoc() const { return finalDoc; }

private:
    void OpenPage();
    void ClosePage();
    void AddTextLine(QByteArray line);
    void AddGraphicsLine(QByteArray line);
    void TextItem(const TPDFItemRec &item);
    void GraphicItem(const TPDFItemRec &item);
    void ImageItem(const TPDFItemRec &item);
    long double PixelsToPointsX(long double v) const;
    long double PixelsToPointsY(long double v) const;
    int PixelX(long double native) const;
    int PixelY(long double native) const;
    int TextWidth(const TQRFont &font, const QString &text);
    QByteArray Encode(const QString &s) const;
    void BuildDocument();
    void AddLine(QByteArray line);
    void BeginObject(int number);
    QByteArray EncodingEntry(const std::array<char32_t, 256> &codes, const QString &baseFont) const;

    // The fill colour the last exact box set in the page's graphics; empty after anything
    // else drew there.
    QByteArray FExactColour;
    int FPageNumber = 0;
    bool FFirstPage = true;
    bool FMadeFirstPageFiles = false;
    long double FPageWidth = 0, FPageHeight = 0;
    qint64 FTextLength = 0, FGraphicsLength = 0;
    QStringList FReportFonts;
    QHash<QString, QString> FCustomWidths, FCustomEncodings;
    TPDFFontHandling FFontHandling = fhNoEmbedding;
    bool FPDFCompressionOn = true;
    bool FTextFirst = false;
    TBiDiMode FBiDiMode = bdLeftToRight;
    QString FDocSubject, FDocCreator = QStringLiteral("Velvanas"), FDocTitle, FDocAuthor;
    TPDFNote FPDF;
    std::vector<QByteArray> finalDoc;
    qint64 FOffset = 0;

    int FPaperWidth = 0, FPaperHeight = 0;
    long double FXFactor = 0, FYFactor = 0;
    QString FCodepage = QStringLiteral("1252");
    std::optional<TPDFCodePage> FCodePage;
    TQRClock FClock;
    QString FShortDateFormat = QStringLiteral("dd.MM.yyyy"),
            FLongTimeFormat = QStringLiteral("HH:mm:ss");
    std::unique_ptr<TQRByteSink> FSink;
    TPDFPixelScale FScale;
    std::shared_ptr<const ITextMetrics> FMetrics;
    int FMetricsDpi = 0;
};

enum class TQRPDFTextEncoding { AnsiEncoding, UTF8Encoding };

// The component on the preview window: while it lives, the library offers "PDF document"
// (extension "PDF"), and the filters it creates take its code page.
class TQRPDFFilter
{
public:
    static const QString FilterName;
    TQRPDFFilter();
    ~TQRPDFFilter();
    TQRPDFFilter(const TQRPDFFilter &) = delete;
    TQRPDFFilter &operator=(const TQRPDFFilter &) = delete;

    bool CompressionOn() const { return FCompressionOn; }
    void SetCompressionOn(bool v) { FCompressionOn = v; }
    TQRPDFTextEncoding TextEncoding() const { return FTextEncoding; }
    void SetTextEncoding(TQRPDFTextEncoding v) { FTextEncoding = v; }
    const QString &Codepage() const { return FCodepage; }
    void SetCodepage(const QString &v) { FCodepage = v; }

    std::unique_ptr<TQRPDFDocumentFilter> CreateFilter(const QString &fileName) const;

private:
    // Neither is consulted by the writer; kept as the component carries them.
    bool FCompressionOn = false;
    TQRPDFTextEncoding FTextEncoding = TQRPDFTextEncoding::UTF8Encoding;
    QString FCodepage = QStringLiteral("1252");
};
