#include "printing/PrintWarnings.h"

#include "platform/Errors.h"
#include "platform/Printing.h"
#include "printing/InvoiceReport.h"
#include "printing/PrintSettings.h"
#include "report/QRCtrls.h"
#include "report/QRPrntr.h"
#include "report/QuickRpt.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <utility>

using namespace Qt::StringLiterals;

namespace
{

// A tenth of a millimetre of slack: a value drawn flush with an edge is not a finding.
constexpr qreal Slack = 1.0;

// How a value is named in a finding: its key, and its text as the user typed it, cut short.
QString Named(const TPrintedValue &v)
{
    QString text = v.Caption.simplified();
    if (text.size() > 24)
        text = text.left(23) + u'…';
    return u"%1 (\"%2\")"_s.arg(v.Key, text);
}

bool Inside(const QRectF &outer, const QRectF &r)
{
    return outer.adjusted(-Slack, -Slack, Slack, Slack).contains(r);
}

bool Overlap(const QRectF &a, const QRectF &b)
{
    const QRectF both = a.intersected(b);
    return both.width() > Slack && both.height() > Slack;
}

bool SameSpot(const QRectF &a, const QRectF &b)
{
    return std::abs(a.left() - b.left()) <= Slack && std::abs(a.top() - b.top()) <= Slack;
}

QString WithoutBreaks(QString s)
{
    s.remove(u' ');
    s.remove(QChar(13));
    s.remove(QChar(10));
    return s;
}

// What the label's own line breaking keeps of caption in its box; none when all of it.
std::optional<QString> CutCaption(const TQRLabel &label, const QString &caption)
{
    const TCustomQuickRep *report = label.ParentReport();
    if (!report || label.AutoSize() || caption.trimmed().isEmpty())
        return std::nullopt;
    const int zoom = label.Zoom();
    const std::function<int(const QString &)> width = [&](const QString &s) {
        return static_cast<int>(std::lround(report->TextWidth(label.Font(), s) * zoom / 100.0));
    };
    const QStringList lines = QRFormatLines(caption, label.Width(),
        TQRWrapOptions { label.AutoSize(), label.WordWrap(), label.WrapStyle() }, width);
    const QString kept = lines.join(u' ');
    if (WithoutBreaks(kept) == WithoutBreaks(caption))
        return std::nullopt;
    return kept.trimmed();
}

// Past this many, further overlaps are only counted: a box of forty pairs helps nobody.
constexpr qsizetype MaxListedOverlaps = 8;
constexpr size_t MaxListedKeys = 8;

// The tray as the layout page lists it.
QString TrayName(int code)
{
    static constexpr std::pair<TQRBin, int> Items[]
        = { { TQRBin::Auto, 0 }, { TQRBin::Manual, 1 }, { TQRBin::Tractor, 2 } };
    for (const auto &[bin, item] : Items)
        if (QRBinCode(bin) == code)
            return kDrpOutputBinItems[item].toString();
    return QString::number(code);
}

} // namespace

QStringList BASKI_UYARILARI(const std::vector<TPrintedValue> &values, const TPrintSheet &sheet)
{
    std::vector<const TPrintedValue *> printed;
    for (const TPrintedValue &v : values)
        if (!v.Caption.trimmed().isEmpty())
            printed.push_back(&v);

    QStringList findings;
    // A cut amount is a wrong figure on the invoice: each is named with what would print.
    // Cut texts are only counted, in one line.
    QStringList cutTexts;
    for (const TPrintedValue *v : printed) {
        if (!v->PrintsAs)
            continue;
        if (v->Amount)
            findings << u"%1 kutusuna sığmıyor: kağıda \"%2\" yerine \"%3\" basılacak. "
                        u"Kutuyu AYARLAR sayfasında genişletin ya da yazıyı küçültün."_s.arg(
                            v->Key, v->Caption.trimmed(), *v->PrintsAs);
        else
            cutTexts << v->Key;
    }
    if (!cutTexts.isEmpty())
        findings << u"%1 metin kutusuna sığmıyor, kesilerek basılacak (%2)."_s.arg(cutTexts.size())
                        .arg(cutTexts.join(u", "_s));
    if (!sheet.PaperOffered)
        findings << u"\"%1\" yazıcısı düzenin istediği %2 kağıdını sunmuyor; fatura başka bir "
                    u"kağıda basılabilir."_s.arg(sheet.Printer, sheet.PaperName);
    if (sheet.TraysInstead)
        findings << u"\"%1\" yazıcısında düzenin istediği \"%2\" kağıt yolu yok (yazıcının "
                    u"yolları: %3); fatura yazıcının kendi yolundan basılır."_s.arg(sheet.Printer,
                        sheet.TrayName,
                        sheet.TraysInstead->isEmpty() ? u"hiçbiri seçilemiyor"_s
                                                      : sheet.TraysInstead->join(u", "_s));

    // Values stacked on one spot are what a layout nobody has set up yet looks like: one
    // sentence for each such spot, and their pairs are not listed again below.
    std::vector<int> spotOf(printed.size(), -1);
    int spots = 0;
    for (size_t i = 0; i < printed.size(); ++i) {
        if (spotOf[i] >= 0)
            continue;
        std::vector<size_t> members { i };
        for (size_t j = i + 1; j < printed.size(); ++j)
            if (spotOf[j] < 0 && SameSpot(printed[i]->Rect, printed[j]->Rect))
                members.push_back(j);
        if (members.size() < 3)
            continue;
        for (size_t m : members)
            spotOf[m] = spots;
        ++spots;
        if (members.size() == printed.size()) {
            findings << u"Bütün değerler (%1 değer) aynı yere, üst üste basılacak: yerleşim "
                        u"henüz ayarlanmamış; yerleri AYARLAR sayfasında girin."_s.arg(
                            members.size());
        } else if (members.size() > MaxListedKeys) {
            findings << u"%1 değer aynı yere, üst üste basılacak: yerleşim henüz ayarlanmamış; "
                        u"yerleri AYARLAR sayfasında girin."_s.arg(members.size());
        } else {
            QStringList keys;
            for (size_t m : members)
                keys << printed[m]->Key;
            findings << u"%1 değer aynı yere, üst üste basılacak (%2): yerleri henüz "
                        u"ayarlanmamış."_s.arg(members.size())
                            .arg(keys.join(u", "_s));
        }
    }

    const QRectF paper(QPointF(0, 0), sheet.Paper);
    for (const TPrintedValue *v : printed) {
        if (!Inside(paper, v->Rect))
            findings << u"%1 kağıdın dışına taşıyor."_s.arg(Named(*v));
        else if (sheet.Printable && !Inside(*sheet.Printable, v->Rect))
            findings
                << u"%1 yazıcının basabildiği alanın dışına taşıyor; bir kısmı basılmayabilir."_s
                       .arg(Named(*v));
    }

    qsizetype overlaps = 0;
    for (size_t i = 0; i < printed.size(); ++i)
        for (size_t j = i + 1; j < printed.size(); ++j) {
            // Whatever lies over a pile is already said with the pile.
            if (spotOf[i] >= 0 || spotOf[j] >= 0)
                continue;
            if (!Overlap(printed[i]->Rect, printed[j]->Rect))
                continue;
            if (++overlaps <= MaxListedOverlaps)
                findings << u"%1 ile %2 üst üste biniyor."_s.arg(
                    Named(*printed[i]), Named(*printed[j]));
        }
    if (overlaps > MaxListedOverlaps)
        findings << u"… ve %1 çakışma daha."_s.arg(overlaps - MaxListedOverlaps);
    return findings;
}

std::vector<TPrintedValue> BASILACAK_DEGERLER(TInvoiceReport &report)
{
    // The title band is the report's first and only band: it starts at the page's margins.
    const TQRPage &page = report.RAPORX().Page();
    const qreal left = static_cast<qreal>(page.NativeValue(TQRPage::LeftMarginIndex));
    const qreal top = static_cast<qreal>(page.NativeValue(TQRPage::TopMarginIndex));
    std::vector<TPrintedValue> values;
    for (int n = 1; n <= 43; ++n) {
        TQRLabel &label = report.QRLabel(n);
        if (!label.Enabled())
            continue;
        const TQRPrintableSize &s = label.Size();
        values.push_back({ InvoiceLabelKey(n), label.Caption(),
            QRectF(left + static_cast<qreal>(s.NativeValue(TQRPrintableSize::LeftIndex)),
                top + static_cast<qreal>(s.NativeValue(TQRPrintableSize::TopIndex)),
                static_cast<qreal>(s.NativeValue(TQRPrintableSize::WidthIndex)),
                static_cast<qreal>(s.NativeValue(TQRPrintableSize::HeightIndex))),
            CutCaption(label, label.Caption()), !label.AutoSize() });
    }
    return values;
}

std::optional<TPrintSheet> BASKI_KAGIDI(TInvoiceReport &report, IPrinting *printing)
{
    if (!printing)
        return std::nullopt;
    printing->Refresh(); // the default printer may have changed since the last print
    TQuickRep &r = report.RAPORX();
    const TQRPage &page = r.Page();
    // A device of its own, set as the print would set it, so that asking changes no printer.
    std::unique_ptr<IPrinterDevice> device;
    try {
        const TQuickRepPrinterSettings &ps = r.PrinterSettings();
        int index = -1;
        if (ps.UseStandardprinter())
            index = printing->GlobalPrinter().Index();
        else if (ps.PrinterIndex() != -1)
            index = ps.PrinterIndex();
        device = printing->CreatePrinter(index);
    } catch (const EPlatformError &) {
        return std::nullopt; // the print itself says there is no printer
    }
    TPrinterSettings settings;
    settings.SetPrinter(device.get());
    TPrintSheet sheet;
    sheet.Printer = device->Name();
    // A form laid on its long side is the same paper to the user.
    sheet.PaperName = QRPaperSizeName(page.PaperSize());
    if (sheet.PaperName.endsWith(u"Trans"_s))
        sheet.PaperName.chop(5);
    sheet.PaperOffered = settings.PaperSupported(page.PaperSize());
    settings.SetPaperSize(page.PaperSize());
    settings.SetOrientation(page.Orientation());
    settings.SetOutputBin(r.PrinterSettings().OutputBin());
    settings.ApplySettings();
    sheet.Paper = QSizeF(static_cast<qreal>(page.NativeValue(TQRPage::WidthIndex)),
        static_cast<qreal>(page.NativeValue(TQRPage::LengthIndex)));

    // Automatic feed is whatever the queue does by itself; another tray must be there.
    const int tray = settings.TrayCode();
    if (const auto trays = device->Trays(); trays && tray != QRBinCode(TQRBin::Auto)) {
        QStringList names;
        bool offered = false;
        for (const TDeviceTray &t : *trays) {
            offered = offered || t.Code == tray;
            names << t.Name;
        }
        if (!offered)
            sheet.TraysInstead = names;
    }
    sheet.TrayName = TrayName(tray);

    const TDeviceCaps caps = device->Capabilities();
    if (caps.DpiX > 0 && caps.DpiY > 0 && !caps.PhysicalSize.isEmpty()) {
        const auto x = [&](int px) { return px * 254.0 / caps.DpiX; };
        const auto y = [&](int px) { return px * 254.0 / caps.DpiY; };
        const QPoint off = caps.PhysicalOffset;
        const QSize size = caps.PhysicalSize;
        const QRect area = caps.PrintableArea;
        // A device that tells only its near margins is taken to have far ones as wide.
        sheet.Printable = area.isValid()
            ? QRectF(QPointF(x(area.left()), y(area.top())),
                QPointF(x(area.left() + area.width()), y(area.top() + area.height())))
            : QRectF(QPointF(x(off.x()), y(off.y())),
                QPointF(x(size.width() - off.x()), y(size.height() - off.y())));
        // A calibrated feed moves the whole print on the paper.
        if (r.OnCalibration) {
            if (const auto c = r.OnCalibration(device->Name(), settings.TrayCode()))
                sheet.Printable->translate(-c->x(), -c->y());
        }
    }
    return sheet;
}

QString BASKI_UYARI_METNI(const QStringList &findings)
{
    QString text = u"Bu fatura bu haliyle basılırsa form boşa gidebilir:\n"_s;
    for (const QString &f : findings)
        text += u"\n• "_s + f;
    text += u"\n\nYine de yazdırılsın mı? (Hayır: yazdırmayı iptal eder)"_s;
    return text;
}
