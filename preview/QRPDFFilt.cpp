#include "preview/QRPDFFilt.h"

#include "platform/Canvas.h"
#include "platform/Rounding.h"
#include "platform/TextMetrics.h"
#include "preview/GlyphList.h"
#include "preview/QRPDFFont.h"
#include "report/QRError.h"
#include "report/QRPrntr.h"
#include "report/QRUnits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

// Points per millimetre (72 / 25.4), as the format's constant.
constexpr long double PointsPerMM = 2.8346456692913385826L;
constexpr long double CircleControl = 0.55229L;

// Every number the writer formats has a decimal point, whatever the process locale: no
// printf, no QString::number with a locale.
QByteArray Int(long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, r.ptr - buf);
}

// "%d" of a real: the fraction dropped, towards zero. A value a rounding error short of a
// whole number (1.5 points x 2 = 2.9999...) is that number.
QByteArray Cut(long double v)
{
    if (!std::isfinite(v))
        return QByteArrayLiteral("0");
    v = std::clamp(v, -1e15L, 1e15L);
    const long double whole = std::nearbyint(v);
    return Int(static_cast<long long>(std::fabs(v - whole) < 1e-9L ? whole : std::trunc(v)));
}

// "%<width>.<decimals>f".
QByteArray Fixed(long double v, int decimals, int width = 0)
{
    char buf[64];
    const double d = std::isfinite(v) ? static_cast<double>(std::clamp(v, -1e15L, 1e15L)) : 0.0;
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, decimals);
    QByteArray s(buf, r.ptr - buf);
    if (s.size() < width)
        s.prepend(QByteArray(width - s.size(), ' '));
    return s;
}

// "F%-2.2d": at least two digits.
QByteArray FontResourceName(int n)
{
    QByteArray s = Int(n);
    if (s.size() < 2)
        s.prepend('0');
    return "F" + s;
}

QByteArray ColourText(const TRGBColor &c)
{
    return Fixed(c.red / 255.0L, 2, 4) + ' ' + Fixed(c.green / 255.0L, 2, 4) + ' '
        + Fixed(c.blue / 255.0L, 2, 4);
}

TRGBColor RGBOf(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return { static_cast<quint8>(rgb.red()), static_cast<quint8>(rgb.green()),
        static_cast<quint8>(rgb.blue()) };
}

// Backslash, parentheses and the euro sign (as octal 200) of a literal string.
QString EscapeText(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += u"\\\\"_s;
            break;
        case u'(':
            out += u"\\("_s;
            break;
        case u')':
            out += u"\\)"_s;
            break;
        case 0x20AC:
            out += u"\\200"_s;
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString Reversed(const QString &text)
{
    QList<uint> ucs = text.toUcs4();
    std::reverse(ucs.begin(), ucs.end());
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(ucs.constData()), ucs.size());
}

// The base font name of a key: the name without blanks, then ",Bold", ",Italic" or
// ",BoldItalic".
QString BaseFontName(const QString &name, bool bold, bool italic)
{
    QString base = name.trimmed();
    base.remove(u' ');
    if (bold || italic)
        base += u',' + (bold ? u"Bold"_s : QString()) + (italic ? u"Italic"_s : QString());
    return base;
}

struct TFontKey {
    QString Name;
    bool Bold = false, Italic = false;
    QString BaseFont;
};

TFontKey ParseFontKey(const QString &key)
{
    const QStringList parts = key.split(u'\t');
    TFontKey k;
    k.Name = parts.value(0);
    k.Bold = parts.value(1).contains(u'B');
    k.Italic = parts.value(1).contains(u'I');
    k.BaseFont = parts.value(3);
    return k;
}

} // namespace

TPDFPixelScale TPDFPixelScale::Screen(int dpi)
{
    TPDFPixelScale s;
    s.ScreenDpi = dpi > 0 ? dpi : 96;
    s.XFactor = s.YFactor = s.ScreenDpi / 254.0L;
    return s;
}

namespace
{

QDateTime DateTimeOf(double days)
{
    const long long whole = static_cast<long long>(std::floor(days));
    const long long ms = std::llround((days - whole) * 86400000.0);
    return QDateTime(QDate(1899, 12, 30).addDays(whole), QTime(0, 0)).addMSecs(ms);
}

} // namespace

TQRPDFDocumentFilter::TQRPDFDocumentFilter(const QString &fileName)
    : TQRExportFilter(fileName)
    , FClock(QRNow)
{
}

TQRPDFDocumentFilter::~TQRPDFDocumentFilter() = default;

void TQRPDFDocumentFilter::SetDateTimeFormat(const QString &shortDate, const QString &longTime)
{
    FShortDateFormat = shortDate;
    FLongTimeFormat = longTime;
}

void TQRPDFDocumentFilter::SetDocumentInfo(
    const QString &creator, const QString &author, const QString &subject, const QString &title)
{
    FDocCreator = creator;
    FDocAuthor = author;
    FDocSubject = subject;
    FDocTitle = title;
}

void TQRPDFDocumentFilter::AddCustomWidths(const QString &fontName, const QString &widths)
{
    FCustomWidths.insert(fontName, widths);
}

void TQRPDFDocumentFilter::AddCustomEncoding(const QString &fontName, const QString &encoding)
{
    FCustomEncodings.insert(fontName, encoding);
}

// --- The run's calls -----------------------------------------------------------------------

void TQRPDFDocumentFilter::Start(int paperWidth, int paperHeight, const TQRFont &font)
{
    TQRExportFilter::Start(paperWidth, paperHeight, font);
    FPaperWidth = paperWidth;
    FPaperHeight = paperHeight;
    FCodePage = TPDFCodePage::FromSetting(FCodepage);
}

void TQRPDFDocumentFilter::NewPage()
{
    if (FFirstPage) {
        FFirstPage = false;
        return;
    }
    TPDFItemRec item;
    item.ItemType = IT_NEWPAGE;
    AddItem(item);
}

void TQRPDFDocumentFilter::EndPage()
{
}

void TQRPDFDocumentFilter::TextOut(long double x, long double y, const TQRFont &font,
    const QColor &, TAlignment alignment, const QString &text)
{
    int px = PixelX(x);
    if (alignment == taRightJustify)
        px -= TextWidth(font, text);
    else if (alignment == taCenter)
        px -= TextWidth(font, text) / 2;

    TPDFItemRec item;
    item.ItemType = IT_TEXT;
    item.XPos = PixelsToPointsX(px);
    item.YPos = font.PointSize() + PixelsToPointsY(PixelY(y));
    item.FText = FBiDiMode == bdRightToLeft ? Reversed(text) : text;
    item.FontName = font.Name;
    item.FontCharset = font.CharSet;
    item.FontSize = font.PointSize();
    item.FColor = RGBOf(font.Color);
    item.fbold = font.Bold;
    item.fItalic = font.Italic;
    item.FAlignment = alignment;
    AddItem(item);
}

void TQRPDFDocumentFilter::AcceptShape(const TPDFShapeControl &shape, int yoff, int xoff)
{
    TPDFItemRec item;
    item.ItemType = IT_GRAPHIC;
    item.Shape = shape.Shape;
    item.XPos = PixelsToPointsX(xoff);
    item.YPos = PixelsToPointsY(yoff);
    item.Width = PixelsToPointsX(shape.Width);
    item.Height = PixelsToPointsY(shape.Height);
    item.thickness = PixelsToPointsX(shape.PenWidth);
    item.RGBStrokeColor = RGBOf(shape.PenColor);
    item.RGBFColor = RGBOf(shape.BrushColor);
    item.Filled = !shape.BrushClear;
    AddItem(item);
    if (!shape.PenClear) {
        item.Filled = false;
        AddItem(item);
    }
}

void TQRPDFDocumentFilter::AcceptRect(
    long double x, long double y, long double w, long double h, const QColor &color)
{
    const long double fx = Printer() ? Printer()->XFactor() : FScale.XFactor;
    const long double fy = Printer() ? Printer()->YFactor() : FScale.YFactor;
    const long double wx = Printer() ? Printer()->LeftWaste() : FScale.LeftWaste;
    const long double wy = Printer() ? Printer()->TopWaste() : FScale.TopWaste;
    TPDFItemRec item;
    item.ItemType = IT_GRAPHIC;
    item.Shape = S_BOX;
    item.Exact = true;
    item.Filled = true;
    item.XPos = PixelsToPointsX((x - wx) * fx);
    item.YPos = PixelsToPointsY((y - wy) * fy);
    item.Width = PixelsToPointsX(w * fx);
    item.Height = PixelsToPointsY(h * fy);
    item.RGBFColor = RGBOf(color);
    item.RGBStrokeColor = item.RGBFColor;
    AddItem(item);
}

void TQRPDFDocumentFilter::AcceptImage(const QImage &bitmap, int yoff, int xoff, QSize controlSize)
{
    if (bitmap.isNull())
        return;
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB888);
    QByteArray pixels;
    pixels.reserve(static_cast<qsizetype>(rgb.width()) * rgb.height() * 3);
    for (int row = 0; row < rgb.height(); ++row)
        pixels.append(reinterpret_cast<const char *>(rgb.constScanLine(row)), rgb.width() * 3);

    TPDFItemRec item;
    item.ItemType = IT_IMAGE;
    item.imgstr = PDFASCII85Encode(FPDFCompressionOn ? PDFLZWEncode(pixels) : pixels);
    item.ImageFilter = FPDFCompressionOn ? QByteArrayLiteral("/ASCII85Decode /LZWDecode")
                                         : QByteArrayLiteral("/ASCII85Decode");
    item.XPos = PixelsToPointsX(xoff);
    item.YPos = PixelsToPointsY(yoff + controlSize.height());
    item.Width = PixelsToPointsX(rgb.width());
    item.Height = PixelsToPointsY(rgb.height());
    item.xscale = static_cast<long double>(controlSize.width()) / rgb.width();
    item.yscale = static_cast<long double>(controlSize.height()) / rgb.height();
    item.pixelWidth = rgb.width();
    item.pixelHeight = rgb.height();
    AddItem(item);
}

void TQRPDFDocumentFilter::AddItem(const TPDFItemRec &item)
{
    if (item.ItemType == IT_INVALID)
        throw EQRError(u"Internal error: IT_INVALID"_s);
    if (!FMadeFirstPageFiles)
        OpenPage();
    switch (item.ItemType) {
    case IT_NEWPAGE:
        ClosePage();
        OpenPage();
        break;
    case IT_TEXT:
        TextItem(item);
        break;
    case IT_GRAPHIC:
        GraphicItem(item);
        break;
    case IT_IMAGE:
        ImageItem(item);
        break;
    case IT_INVALID:
        break;
    }
}

void TQRPDFDocumentFilter::Finish()
{
    if (!Active() && !FPDF.textlengths.empty())
        return; // finished already
    TQRExportFilter::Finish();
    if (!FMadeFirstPageFiles)
        OpenPage(); // a report with nothing printed still has its one page
    ClosePage();
    BuildDocument();

    std::unique_ptr<TQRByteSink> fileSink;
    TQRByteSink *sink = FSink.get();
    if (!sink) {
        fileSink = std::make_unique<TQRFileSink>(FileName());
        sink = fileSink.get();
    }
    QByteArray bytes;
    bytes.reserve(FOffset);
    for (const QByteArray &line : finalDoc) {
        bytes += line;
        bytes += "\r\n";
    }
    sink->Write(bytes);
    sink->Commit();
}

// --- Pages and conversions -----------------------------------------------------------------

// Without a run printer, its XPos and YPos on the set factors: (v - waste) x factor,
// rounded half to even.
int TQRPDFDocumentFilter::PixelX(long double native) const
{
    if (Printer())
        return Printer()->XPos(native);
    return static_cast<int>(RoundHalfEven((native - FScale.LeftWaste) * FScale.XFactor));
}

int TQRPDFDocumentFilter::PixelY(long double native) const
{
    if (Printer())
        return Printer()->YPos(native);
    return static_cast<int>(RoundHalfEven((native - FScale.TopWaste) * FScale.YFactor));
}

long double TQRPDFDocumentFilter::PixelsToPointsX(long double v) const
{
    const long double f = Printer() ? Printer()->XFactor() : FScale.XFactor;
    return v / (f * 10) * PointsPerMM;
}

long double TQRPDFDocumentFilter::PixelsToPointsY(long double v) const
{
    const long double f = Printer() ? Printer()->YFactor() : FScale.YFactor;
    return v / (f * 10) * PointsPerMM;
}

// Measured as the canvas measures a line it aligns, so that the PDF's line starts where the
// printed one does.
int TQRPDFDocumentFilter::TextWidth(const TQRFont &font, const QString &text)
{
    const int dpi = Printer() ? QRScreenResolution() : FScale.ScreenDpi;
    if (!FMetrics || FMetricsDpi != dpi) {
        FMetrics = ScreenTextMetrics(dpi);
        FMetricsDpi = dpi;
    }
    return FMetrics->TextExtent(font.ToCanvasFont(), text).width();
}

void TQRPDFDocumentFilter::OpenPage()
{
    FMadeFirstPageFiles = true;
    FExactColour.clear();
    FXFactor = Printer() ? Printer()->XFactor() : FScale.XFactor;
    FYFactor = Printer() ? Printer()->YFactor() : FScale.YFactor;
    ++FPageNumber;
    FPageWidth = RoundHalfEven(FPaperWidth) * 0.1L * PointsPerMM;
    FPageHeight = RoundHalfEven(FPaperHeight) * 0.1L * PointsPerMM;
    FPDF.pages.push_back({ FPageWidth, FPageHeight });
    FPDF.pagetextfiles.emplace_back();
    FPDF.pagegraphicsfiles.emplace_back();
    FTextLength = 0;
    FGraphicsLength = 0;
}

void TQRPDFDocumentFilter::ClosePage()
{
    AddTextLine(QByteArrayLiteral("ET"));
    FPDF.textlengths.push_back(FTextLength);
    FPDF.graphicslengths.push_back(FGraphicsLength);
}

void TQRPDFDocumentFilter::AddTextLine(QByteArray line)
{
    FTextLength += line.size() + 2;
    FPDF.pagetextfiles.back().push_back(std::move(line));
}

void TQRPDFDocumentFilter::AddGraphicsLine(QByteArray line)
{
    FGraphicsLength += line.size() + 2;
    FPDF.pagegraphicsfiles.back().push_back(std::move(line));
}

QByteArray TQRPDFDocumentFilter::Encode(const QString &s) const
{
    if (!FCodePage)
        return TPDFCodePage::FromSetting(FCodepage).Encode(s);
    return FCodePage->Encode(s);
}

// --- Items ---------------------------------------------------------------------------------

void TQRPDFDocumentFilter::TextItem(const TPDFItemRec &item)
{
    const QString key = item.FontName.trimmed() + u'\t' + (item.fbold ? u"B"_s : QString())
        + (item.fItalic ? u"I"_s : QString()) + u'\t' + QString::number(item.FontCharset) + u'\t'
        + BaseFontName(item.FontName, item.fbold, item.fItalic);
    qsizetype n = FReportFonts.indexOf(key);
    if (n < 0) {
        FReportFonts.append(key);
        n = FReportFonts.size() - 1;
    }
    AddTextLine(ColourText(item.FColor).trimmed() + " rg");
    AddTextLine("/" + FontResourceName(static_cast<int>(n)) + ' ' + Int(item.FontSize) + " Tf");
    AddTextLine(" 1 0 0 1 " + Cut(item.XPos) + ' ' + Cut(FPageHeight - item.YPos) + " Tm ("
        + Encode(EscapeText(item.FText)) + ") Tj");
}

void TQRPDFDocumentFilter::GraphicItem(const TPDFItemRec &item)
{
    const long double x = item.XPos, y = FPageHeight - item.YPos, w = item.Width, h = item.Height;
    if (!(item.Shape == S_BOX && item.Exact))
        FExactColour.clear();
    const QByteArray strokeColour = ColourText(item.RGBStrokeColor).trimmed() + " RG";
    const QByteArray colour
        = item.Filled ? ColourText(item.RGBFColor).trimmed() + " rg" : strokeColour;
    auto line = [&](long double x1, long double y1, long double x2, long double y2) {
        AddGraphicsLine(Cut(x1) + ' ' + Cut(y1) + " m " + Cut(x2) + ' ' + Cut(y2) + " l s");
    };
    auto lines = [&] {
        AddGraphicsLine(Fixed(item.thickness, 0, 2) + " w");
        AddGraphicsLine(strokeColour);
    };
    switch (item.Shape) {
    case S_BOX:
        if (item.Exact) {
            // One short line per box, the colour only when it changes: a karekod has
            // hundreds of boxes.
            QByteArray box = Fixed(x, 2) + ' ' + Fixed(y - h, 2) + ' ' + Fixed(w, 2) + ' '
                + Fixed(h, 2) + " re " + (item.Filled ? "f" : "s");
            if (colour != FExactColour)
                box = colour + ' ' + box;
            FExactColour = colour;
            AddGraphicsLine(box);
            break;
        }
        AddGraphicsLine(Fixed(item.thickness, 6) + " w");
        AddGraphicsLine(colour);
        AddGraphicsLine(Cut(x) + ' ' + Cut(y - h) + ' ' + Cut(w) + ' ' + Cut(h) + " re "
            + (item.Filled ? "f" : "s"));
        break;
    case S_CIRCLE: {
        AddGraphicsLine(Fixed(item.thickness, 0, 2) + " w");
        AddGraphicsLine(colour);
        const long double cx = x + w / 2, cy = y - h / 2, kx = CircleControl * w / 2,
                          ky = CircleControl * h / 2;
        AddGraphicsLine(Fixed(cx, 1, 6) + ' ' + Fixed(y, 1, 6) + " m");
        const long double curves[4][6] = {
            { cx + kx, y, x + w, cy + ky, x + w, cy },
            { x + w, cy - ky, cx + kx, y - h, cx, y - h },
            { cx - kx, y - h, x, cy - ky, x, cy },
            { x, cy + ky, cx - kx, y, cx, y },
        };
        for (int i = 0; i < 4; ++i) {
            QByteArray s;
            for (const long double v : curves[i])
                s += ' ' + Fixed(v, 1, 6);
            s = s.trimmed() + " c";
            if (i == 3)
                s += item.Filled ? " f" : " s";
            AddGraphicsLine(s);
        }
        break;
    }
    case S_HLINE:
        lines();
        line(x, y - h / 2, x + w, y - h / 2);
        break;
    case S_VLINE:
        lines();
        line(x + w / 2, y - h, x + w / 2, y);
        break;
    case S_TOPBOTTOM:
        lines();
        line(x, y, x + w, y);
        line(x, y - h, x + w, y - h);
        break;
    case S_LEFTRIGHT:
        lines();
        line(x, y - h, x, y);
        line(x + w, y - h, x + w, y);
        break;
    case S_RIGHTDIAG:
        lines();
        line(x, y, x + w, y - h);
        break;
    case S_LEFTDIAG:
        lines();
        line(x, y - h, x + w, y);
        break;
    case S_OBLIQUE:
        break;
    }
}

void TQRPDFDocumentFilter::ImageItem(const TPDFItemRec &item)
{
    const long double y = FPageHeight - item.YPos;
    AddGraphicsLine("q " + Cut(item.Width * item.xscale) + " 0 0 " + Cut(item.Height * item.yscale)
        + ' ' + Cut(item.XPos) + ' ' + Cut(y) + " cm");
    AddGraphicsLine(QByteArrayLiteral("BI"));
    AddGraphicsLine("/Width " + Int(item.pixelWidth));
    AddGraphicsLine("/Height " + Int(item.pixelHeight));
    AddGraphicsLine(QByteArrayLiteral("/BitsPerComponent 8"));
    AddGraphicsLine(QByteArrayLiteral("/ColorSpace /DeviceRGB"));
    AddGraphicsLine("/Filter [" + item.ImageFilter + "]");
    AddGraphicsLine(QByteArrayLiteral("ID"));
    AddGraphicsLine(item.imgstr);
    AddGraphicsLine(QByteArrayLiteral("EI"));
    AddGraphicsLine(QByteArrayLiteral("Q"));
}

// --- The file ------------------------------------------------------------------------------

void TQRPDFDocumentFilter::AddLine(QByteArray line)
{
    FOffset += line.size() + 2;
    finalDoc.push_back(std::move(line));
}

void TQRPDFDocumentFilter::BeginObject(int number)
{
    FPDF.XRefBytes.push_back(FOffset);
    AddLine(Int(number) + " 0 obj");
}

QByteArray TQRPDFDocumentFilter::EncodingEntry(
    const std::array<char32_t, 256> &codes, const QString &baseFont) const
{
    if (const auto it = FCustomEncodings.constFind(baseFont); it != FCustomEncodings.constEnd())
        return " <</Type/Encoding /Differences [ " + Encode(it.value()) + " ]>>";
    if (!FCodePage || !FCodePage->SingleByte())
        return QByteArrayLiteral("/WinAnsiEncoding");
    QByteArray e = " <</Type/Encoding /Differences [ 2 ";
    for (int c = 2; c < 256; ++c) {
        const char *name = GlyphNameOf(codes[c]);
        e += '/';
        e += name ? name : "space";
    }
    return e + "]>>";
}

void TQRPDFDocumentFilter::BuildDocument()
{
    finalDoc.clear();
    FPDF.XRefBytes.clear();
    FOffset = 0;
    if (!FCodePage)
        FCodePage = TPDFCodePage::FromSetting(FCodepage);
    const int pages = FPageNumber;
    const int fonts = static_cast<int>(FReportFonts.size());
    const int firstFont = 2 * pages + 4;
    const int info = firstFont + 2 * fonts, procSet = info + 1;

    AddLine(QByteArrayLiteral("%PDF-1.3"));
    AddLine(Encode(u"%\u00C5\u00ADo\u0081"_s));

    BeginObject(1);
    for (const char *s : { "<<", "/Type /Catalog", "/Pages 3 0 R", "/Outlines 2 0 R",
             "/ViewerPreferences << /HideToolbar false /FitWindow true >>", ">>", "endobj" })
        AddLine(s);
    BeginObject(2);
    for (const char *s : { "<<", "/Type /Outlines", "/Count 0", ">>", "endobj" })
        AddLine(s);

    BeginObject(3);
    AddLine("<<");
    AddLine("/Type /Pages");
    AddLine("/Count " + Int(pages));
    QByteArray kids;
    for (int k = 1; k <= pages; ++k)
        kids += Int(2 * k + 2) + " 0 R ";
    AddLine("/Kids [" + kids.trimmed() + "]");
    AddLine("/MediaBox [0 0 " + Cut(FPDF.pages[0].PageWidth) + ' ' + Cut(FPDF.pages[0].PageHeight)
        + "]");
    AddLine("/Resources << ");
    AddLine("/Font << ");
    for (int i = 0; i < fonts; ++i)
        AddLine("  /" + FontResourceName(i) + ' ' + Int(firstFont + 2 * i) + " 0 R ");
    AddLine("  >>");
    AddLine("/ProcSet " + Int(procSet) + " 0 R");
    AddLine(">>");
    AddLine(">>");
    AddLine("endobj");

    for (int k = 1; k <= pages; ++k) {
        const TPDFPages &page = FPDF.pages[k - 1];
        BeginObject(2 * k + 2);
        AddLine("<<");
        AddLine("/Type /Page");
        AddLine("/Parent 3 0 R");
        AddLine("/Contents " + Int(2 * k + 3) + " 0 R");
        AddLine("/MediaBox [0 0 " + Cut(page.PageWidth) + ' ' + Cut(page.PageHeight) + "]");
        AddLine(">>");
        AddLine("endobj");
        BeginObject(2 * k + 3);
        AddLine(
            "<< /Length " + Int(FPDF.textlengths[k - 1] + FPDF.graphicslengths[k - 1] + 4) + " >>");
        AddLine("stream");
        auto graphics = [&] {
            for (QByteArray &l : FPDF.pagegraphicsfiles[k - 1])
                AddLine(std::move(l));
        };
        if (!FTextFirst)
            graphics();
        AddLine("BT");
        for (QByteArray &l : FPDF.pagetextfiles[k - 1])
            AddLine(std::move(l));
        if (FTextFirst)
            graphics();
        AddLine("");
        AddLine("endstream");
        AddLine("endobj");
    }

    for (int i = 0; i < fonts; ++i) {
        const TFontKey key = ParseFontKey(FReportFonts[i]);
        // The bytes of the page are in the file's code page, so the font's codes are too. The
        // euro sign is written as code 128; a code page without a character there gives it one.
        std::array<char32_t, 256> codes {};
        const TPDFCodePage table
            = FCodePage->SingleByte() ? *FCodePage : TPDFCodePage::FromNumber(1252);
        for (int c = 0; c < 256; ++c)
            codes[c] = table.ToUnicode(c);
        if (codes[128] == 0 || (codes[128] >= 0x80 && codes[128] < 0xA0))
            codes[128] = 0x20AC;
        const TPDFFontMetrics m = PDFFontMetrics(key.Name, key.Bold, key.Italic, codes);
        QByteArray widths;
        if (const auto it = FCustomWidths.constFind(key.BaseFont); it != FCustomWidths.constEnd()) {
            const QStringList given = it.value().split(u' ', Qt::SkipEmptyParts);
            if (given.size() < 256)
                throw EQRError(u"Not enough Custom widths (%1 < 256) for font \"%2\"  "_s.arg(
                    QString::number(given.size()), key.BaseFont));
            for (int c = 0; c < 256; ++c)
                widths += Cut(given[c].toDouble()) + ' ';
        } else {
            for (const int w : m.Widths)
                widths += Int(w) + ' ';
        }
        const int obj = firstFont + 2 * i;
        BeginObject(obj);
        AddLine("<<");
        AddLine("/Type /Font");
        AddLine("/Subtype /TrueType");
        AddLine("/Name /" + FontResourceName(i));
        AddLine("/BaseFont /" + Encode(key.BaseFont));
        AddLine("/FirstChar 0");
        AddLine("/LastChar 255");
        AddLine("/Widths [ ");
        AddLine(widths + " ]");
        AddLine("/Encoding " + EncodingEntry(codes, key.BaseFont));
        AddLine("/FontDescriptor " + Int(obj + 1) + " 0 R");
        AddLine(">>");
        AddLine("endobj");
        BeginObject(obj + 1);
        AddLine("<<");
        AddLine("/Type /FontDescriptor");
        AddLine("/Ascent " + Int(m.Ascent));
        AddLine("/Descent " + Int(m.Descent));
        AddLine("/Flags " + Int(m.Flags));
        AddLine("/FontBBox [ " + Int(m.FontBBox[0]) + ' ' + Int(m.FontBBox[1]) + ' '
            + Int(m.FontBBox[2]) + ' ' + Int(m.FontBBox[3]) + " ]");
        AddLine("/FontName /" + FontResourceName(i));
        AddLine("/ItalicAngle " + Int(m.ItalicAngle));
        AddLine(">>");
        AddLine("endobj");
    }

    // Document information strings are escaped like text, so that a title with a parenthesis
    // cannot end its string early.
    const QDateTime now = DateTimeOf(FClock ? FClock() : QRNow());
    BeginObject(info);
    AddLine("<<");
    AddLine("/CreationDate ("
        + Encode(EscapeText(now.toString(FShortDateFormat + u' ' + FLongTimeFormat))) + ")");
    AddLine("/Producer (Velvanas PDF Export)");
    AddLine("/Subject (" + Encode(EscapeText(FDocSubject)) + " )");
    AddLine("/Creator (" + Encode(EscapeText(FDocCreator)) + ")");
    AddLine("/Title (" + Encode(EscapeText(FDocTitle)) + ")");
    AddLine("/Author (" + Encode(EscapeText(FDocAuthor)) + ")");
    AddLine(">>");
    AddLine("endobj");
    BeginObject(procSet);
    AddLine("[/PDF /Text]");
    AddLine("endobj");

    const qint64 xref = FOffset;
    const int objects = procSet;
    AddLine("xref");
    AddLine("0 " + Int(objects + 1));
    AddLine("0000000000 65535 f");
    for (const qint64 offset : FPDF.XRefBytes) {
        QByteArray s = Int(offset);
        AddLine(QByteArray(std::max<qsizetype>(0, 10 - s.size()), '0') + s + " 00000 n");
    }
    AddLine("trailer");
    AddLine("<<");
    AddLine("/Size " + Int(objects + 1));
    AddLine("/Root 1 0 R");
    AddLine("/Info " + Int(info) + " 0 R");
    AddLine(">>");
    AddLine("startxref");
    AddLine(Int(xref));
    AddLine("%%EOF");
}

// --- The component -------------------------------------------------------------------------

const QString TQRPDFFilter::FilterName = u"PDF document"_s;

std::unique_ptr<TQRPDFDocumentFilter> TQRPDFFilter::CreateFilter(const QString &fileName) const
{
    auto filter = std::make_unique<TQRPDFDocumentFilter>(fileName);
    filter->SetCodepage(FCodepage);
    return filter;
}
