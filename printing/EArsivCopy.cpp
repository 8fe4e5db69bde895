#include "printing/EArsivCopy.h"

#include "earsiv/Karekod.h"
#include "printing/QrSymbol.h"
#include "report/QRUnits.h"

#include <algorithm>

using namespace Qt::StringLiterals;

const QString kEArsivTaslak = u"TASLAK — imzasız, entegratöre yüklenmedi"_s;

namespace
{

// Millimetres on an A4 page with 10 mm margins.
constexpr long double kWidth = 190;
constexpr int kBaseSize = 8; // points
// Sizes whose 96-dpi pixel height is not below the point size (8 pt is 11 pixels, 8.25 pt):
// text measured on the reference context is then never narrower than the PDF draws it.
constexpr int kTableSize = 8;
constexpr long double kPad = 1.5; // text inside a cell
constexpr long double kKarekodSide = 40; // wider only when the modules would be < 0.5 mm
constexpr long double kMinModule = 0.5;
constexpr int kQuietZone = 4;

// The lines' table as the viewer heads it; Mal Hizmet takes what the others leave.
struct TColumn {
    const char16_t *Title;
    long double Width;
    TAlignment Align;
};
constexpr TColumn kColumns[] = {
    { u"Sıra No", 9, taCenter },
    { u"Mal Hizmet", 0, taLeftJustify },
    { u"Miktar", 20, taRightJustify },
    { u"Birim Fiyat", 34, taRightJustify }, // "999.999.999.999,99 TL" and the padding
    { u"KDV Oranı", 12, taRightJustify },
    { u"KDV Tutarı", 34, taRightJustify },
    { u"Mal Hizmet Tutarı", 34, taRightJustify },
};

std::vector<long double> ColumnWidths()
{
    std::vector<long double> w;
    long double taken = 0;
    for (const TColumn &c : kColumns)
        taken += c.Width;
    for (const TColumn &c : kColumns)
        w.push_back(c.Width > 0 ? c.Width : kWidth - taken);
    return w;
}

std::vector<TAlignment> ColumnAligns()
{
    std::vector<TAlignment> a;
    for (const TColumn &c : kColumns)
        a.push_back(c.Align);
    return a;
}

QString Grouped(QString digits)
{
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u'.');
    return digits;
}

// Digits of a decimal with a Turkish comma, at least minDecimals and at most its own scale.
QString TurkishNumber(const TDecimal &d, int minDecimals, bool trimZeros)
{
    const TDecimal v = d.Scale < minDecimals ? d.Rescaled(minDecimals) : d;
    QString s = v.ToString(); // "-1234.50"
    const bool negative = s.startsWith(u'-');
    if (negative)
        s.remove(0, 1);
    const qsizetype dot = s.indexOf(u'.');
    QString whole = dot < 0 ? s : s.left(dot);
    QString fraction = dot < 0 ? QString() : s.mid(dot + 1);
    if (trimZeros) {
        while (!fraction.isEmpty() && fraction.endsWith(u'0'))
            fraction.chop(1);
    } else {
        while (fraction.size() > minDecimals && fraction.endsWith(u'0'))
            fraction.chop(1);
    }
    QString out = Grouped(whole);
    if (!fraction.isEmpty())
        out += u',' + fraction;
    return negative ? u'-' + out : out;
}

QString DateText(const TEArsivInvoice &inv)
{
    QString s = inv.IssueDate.toString(u"dd-MM-yyyy"_s);
    if (inv.IssueTime.isValid())
        s += u' ' + inv.IssueTime.toString(u"HH:mm:ss"_s);
    return s;
}

QStringList PartyLines(const TEArsivParty &p, bool withCountry)
{
    QStringList lines;
    lines << p.DisplayName();
    if (!p.Street.isEmpty())
        lines << p.Street;
    QString place = p.District;
    if (!p.City.isEmpty())
        place += (place.isEmpty() ? QString() : u"/ "_s) + p.City;
    if (withCountry && !p.Country.isEmpty())
        place += (place.isEmpty() ? QString() : u" "_s) + p.Country;
    if (!place.isEmpty())
        lines << place;
    if (!p.Phone.isEmpty())
        lines << u"Tel: "_s + p.Phone;
    if (!p.Email.isEmpty())
        lines << u"E-Posta: "_s + p.Email;
    if (!p.TaxOffice.isEmpty())
        lines << u"Vergi Dairesi: "_s + p.TaxOffice;
    if (!p.Vkn.isEmpty())
        lines << u"VKN: "_s + p.Vkn;
    else if (!p.Tckn.isEmpty())
        lines << u"TCKN: "_s + p.Tckn;
    return lines;
}

} // namespace

QString EArsivTutar(const TDecimal &amount, const QString &currency, int minDecimals)
{
    const QString sign = currency == u"TRY" || currency.isEmpty() ? u"TL"_s : currency;
    return TurkishNumber(amount, minDecimals, false) + u' ' + sign;
}

QString EArsivMiktar(const TDecimal &quantity)
{
    return TurkishNumber(quantity, 0, true);
}

TEArsivCopy::TEArsivCopy(const TFormatSettings &fs, std::shared_ptr<const ITextMetrics> metrics)
    : FFormat(fs)
    , FMetrics(std::move(metrics))
{
}

TEArsivCopy::~TEArsivCopy() = default;

void TEArsivCopy::Clear()
{
    FReport = std::make_unique<TQuickRep>(FFormat);
    TQuickRep &r = *FReport;
    r.SetName(u"EARSIVNUSHA"_s);
    if (FMetrics)
        r.SetTextMetrics(FMetrics);
    r.Page().SetColumns(1);
    r.Page().SetOrientation(poPortrait);
    r.Page().SetPaperSize(TQRPaperSize::A4);
    r.SetUnits(TQRUnit::MM);
    r.Page().SetTopMargin(10);
    r.Page().SetBottomMargin(10);
    r.Page().SetLeftMargin(10);
    r.Page().SetRightMargin(10);
    r.SetFont(TQRFont { u"Arial"_s, kBaseSize, false, false, false, false, TURKISH_CHARSET_CODE });
    r.SetPrintIfEmpty(true);
    r.SetShowProgress(false);
    // Turkish letters survive a PDF only in the Turkish code page.
    r.SetExportCodepage(u"1254"_s);
    r.SetPreviewInitialState(wsMaximized);
    r.SetPrevInitialZoom(qrZoomToWidth);
    r.SetReportTitle(u"e-Arşiv Fatura"_s);
    FKarekod = nullptr;
    FDetail = nullptr;
    FDetailRow = {};
}

long double TEArsivCopy::LineHeight(int size, bool bold) const
{
    TQRFont f = FReport->Font();
    f.Size = size > 0 ? size : kBaseSize;
    f.Bold = bold;
    const int dpi = FReport->TextMetrics().Dpi();
    // The reference context's cell, and a little more: a device of another resolution must
    // never find a line taller than the label that holds it.
    return FReport->TextHeight(f, u"W"_s) * 25.4L / dpi * 1.06L + 0.1L;
}

TQRLabel *TEArsivCopy::Text(TQRControl *band, long double x, long double y, long double w,
    const QString &text, bool bold, TAlignment align, int size)
{
    auto *label = new TQRLabel(band);
    TQRFont f = FReport->Font();
    f.Size = size > 0 ? size : kBaseSize;
    f.Bold = bold;
    label->SetFont(f);
    label->SetTransparent(true);
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetWrapStyle(BreakOnSpaces);
    label->SetAlignment(align);
    label->Size().SetLeft(x);
    label->Size().SetTop(y);
    label->Size().SetWidth(w);
    label->SetCaption(text);
    const int lines = std::max<int>(1, static_cast<int>(label->FormattedLines().size()));
    label->Size().SetHeight(lines * LineHeight(f.Size, bold));
    return label;
}

TQRShape *TEArsivCopy::Rule(
    TQRControl *band, TShapeType shape, long double x, long double y, long double w, long double h)
{
    auto *s = new TQRShape(band);
    s->SetShape(shape);
    s->SetPenWidth(-1);
    s->SetPenColor(QColor(0, 0, 0));
    s->Size().SetLeft(x);
    s->Size().SetTop(y);
    s->Size().SetWidth(w);
    s->Size().SetHeight(h);
    return s;
}

long double TEArsivCopy::Row(TQRControl *band, long double y,
    const std::vector<long double> &widths, const QStringList &texts,
    const std::vector<TAlignment> &aligns, bool bold, int size, long double x0, TRow *keep)
{
    long double height = 0;
    long double x = x0;
    std::vector<TQRLabel *> labels;
    for (size_t i = 0; i < widths.size(); ++i) {
        TQRLabel *l = Text(band, x + kPad, y + kPad / 2, widths[i] - 2 * kPad,
            i < static_cast<size_t>(texts.size()) ? texts[static_cast<qsizetype>(i)] : QString(),
            bold, aligns[i], size);
        labels.push_back(l);
        height = std::max(height, l->Size().Height() + kPad);
        x += widths[i];
    }
    // Rules centred on the cells' edges: neighbouring cells and rows share one line
    // instead of drawing two side by side.
    const long double total = x - x0;
    Rule(band, qrsHorLine, x0, y, total, 0);
    TQRShape *bottom = Rule(band, qrsHorLine, x0, y + height, total, 0);
    x = x0;
    for (size_t i = 0; i <= widths.size(); ++i) {
        TQRShape *edge = Rule(band, qrsVertLine, x, y, 0, height);
        if (keep)
            keep->Edges.push_back(edge);
        if (i < widths.size())
            x += widths[i];
    }
    if (keep) {
        keep->Bottom = bottom;
        keep->Texts = labels;
    }
    return height;
}

long double TEArsivCopy::Block(TQRControl *band, long double x, long double y, long double w,
    const QStringList &lines, int boldLines)
{
    Rule(band, qrsHorLine, x, y, w, 0.5);
    long double at = y + 1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        TQRLabel *l = Text(band, x, at, w, lines[i], i < boldLines);
        at += l->Size().Height();
    }
    at += 0.5;
    Rule(band, qrsHorLine, x, at, w, 0.5);
    return at + 0.5;
}

void TEArsivCopy::NUSHA_HAZIRLA(const TEArsivInvoice &inv)
{
    Clear();
    FInvoice = inv;
    TQuickRep &r = *FReport;
    const QString cur = inv.Currency;

    // The draft line heads every page of a document that carries no signature.
    if (!inv.Signed) {
        auto *header = new TQRBand(&r);
        header->SetBandType(rbPageHeader);
        header->SetTransparentBand(true);
        TQRLabel *l = Text(header, 0, 0, kWidth, kEArsivTaslak, true, taCenter, 10);
        TQRFont f = l->Font();
        f.Color = QColor(192, 0, 0);
        l->SetFont(f);
        header->Size().SetHeight(l->Size().Height() + 2);
    }

    auto *title = new TQRBand(&r);
    title->SetBandType(rbTitle);
    title->SetTransparentBand(true);

    // Seller top left, title in the middle, karekod top right.
    const long double sellerBottom = Block(title, 0, 0, 92, PartyLines(inv.Seller, false), 1);
    const TQrSymbol symbol = QrEncode(KAREKOD_VERISI(inv));
    const long double side = std::max(kKarekodSide, kMinModule * (symbol.Count + 2 * kQuietZone));
    FKarekod = new TQRModuleMatrix(title);
    FKarekod->SetModules(symbol.Count, symbol.Dark);
    FKarekod->SetQuietZone(kQuietZone);
    FKarekod->SetColor(QColor(255, 255, 255));
    FKarekod->SetTransparent(false);
    FKarekod->Size().SetLeft(kWidth - side);
    FKarekod->Size().SetTop(0);
    FKarekod->Size().SetWidth(side);
    FKarekod->Size().SetHeight(side);
    Text(title, 94, side / 2 - 3, kWidth - side - 96, u"e-Arşiv Fatura"_s, true, taCenter, 12);

    // The buyer, and the document's details beside it.
    long double y = std::max(sellerBottom, side) + 3;
    QStringList buyer = PartyLines(inv.Buyer, true);
    buyer.prepend(u"SAYIN"_s);
    const long double buyerBottom = Block(title, 0, y, 112, buyer, 2);
    const QStringList names = { u"Özelleştirme No:"_s, u"Senaryo:"_s, u"Fatura Tipi:"_s,
        u"Fatura No:"_s, u"Fatura Tarihi:"_s };
    const QStringList values
        = { inv.CustomizationId, inv.ProfileId, inv.TypeCode, inv.Number, DateText(inv) };
    const size_t before = title->Children().size();
    long double dy = y;
    for (qsizetype i = 0; i < names.size(); ++i)
        dy += Row(title, dy, { 27, 45 }, { names[i], values[i] }, { taLeftJustify, taLeftJustify },
            false, kBaseSize, kWidth - 72);
    // As the viewer has it: the details' box ends level with the buyer's block.
    const long double lower = std::max<long double>(0, buyerBottom - dy);
    for (size_t i = before; i < title->Children().size(); ++i)
        if (auto *p = dynamic_cast<TQRPrintable *>(title->Children()[i]))
            p->Size().SetTop(p->Size().Top() + lower);
    y = std::max(buyerBottom, dy + lower) + 2;
    TQRLabel *ettn = Text(title, 0, y, kWidth, u"ETTN: "_s + inv.Ettn);
    y += ettn->Size().Height() + 2;

    // The table's heading: on the first page under the title, on every further page as
    // the column header.
    const std::vector<long double> widths = ColumnWidths();
    QStringList heads;
    for (const TColumn &c : kColumns)
        heads << QString::fromUtf16(c.Title);
    std::vector<TAlignment> headAligns(widths.size(), taCenter);
    y += Row(title, y, widths, heads, headAligns, true, kTableSize);
    title->Size().SetHeight(y);

    auto *columns = new TQRBand(&r);
    columns->SetBandType(rbColumnHeader);
    columns->SetTransparentBand(true);
    columns->Size().SetHeight(Row(columns, 0, widths, heads, headAligns, true, kTableSize));

    // One detail row per line, refilled before each print.
    FDetail = new TQRBand(&r);
    FDetail->SetBandType(rbDetail);
    FDetail->SetTransparentBand(true);
    FDetail->Size().SetHeight(
        Row(FDetail, 0, widths, {}, ColumnAligns(), false, kTableSize, 0, &FDetailRow));
    FNextLine = 0;
    r.OnNeedData = [this](TCustomQuickRep *, bool &more) {
        more = FNextLine < FInvoice.Lines.size();
        if (more)
            FillLine(FNextLine++);
    };
    // Every pass of a run starts at the first line again.
    title->BeforePrint = [this](TQRCustomBand *, bool &) { FNextLine = 0; };

    // Totals at the right, then discounts' reasons, exemptions and the notes.
    auto *summary = new TQRBand(&r);
    summary->SetBandType(rbSummary);
    summary->SetTransparentBand(true);
    y = 3;
    const std::vector<long double> totalWidths = { 55, 35 };
    const std::vector<TAlignment> totalAligns = { taRightJustify, taRightJustify };
    const long double tx = kWidth - 90;
    auto total = [&](const QString &name, const TDecimal &value, bool bold) {
        y += Row(summary, y, totalWidths, { name, EArsivTutar(value, cur) }, totalAligns, bold,
            kBaseSize, tx);
    };
    total(u"Mal Hizmet Toplam Tutarı"_s, inv.LineExtension, false);
    for (const TEArsivAllowance &a : inv.Allowances)
        if (a.Amount.Units != 0)
            total(a.Reason.isEmpty() ? u"İskonto"_s : u"İskonto: "_s + a.Reason, a.Amount, false);
    if (inv.AllowanceTotal.Units != 0)
        total(u"Toplam İskonto"_s, inv.AllowanceTotal, false);
    for (const TEArsivTax &t : inv.Taxes)
        total(u"Hesaplanan KDV(%"_s + QString::number(t.Percent) + u')', t.Amount, false);
    total(u"Vergiler Dahil Toplam Tutar"_s, inv.TaxInclusive, false);
    total(u"Ödenecek Tutar"_s, inv.Payable, true);
    y += 3;
    for (const TEArsivTax &t : inv.Taxes) {
        if (t.ExemptionCode.isEmpty() && t.ExemptionReason.isEmpty())
            continue;
        QString text = u"Vergi İstisna Muafiyet Sebebi: "_s + t.ExemptionCode;
        if (!t.ExemptionReason.isEmpty())
            text += (t.ExemptionCode.isEmpty() ? QString() : u" - "_s) + t.ExemptionReason;
        y += Row(summary, y, { kWidth }, { text }, { taLeftJustify }, false, kBaseSize) + 1;
    }
    for (const QString &note : inv.Notes) {
        if (note.trimmed().isEmpty())
            continue;
        y += Row(summary, y, { kWidth }, { u"Not: "_s + note }, { taLeftJustify }, false, kBaseSize)
            + 1;
    }
    summary->Size().SetHeight(y);
}

void TEArsivCopy::FillLine(size_t index)
{
    const TEArsivLine &l = FInvoice.Lines[index];
    const QString cur = FInvoice.Currency;
    QString quantity = EArsivMiktar(l.Quantity);
    if (!l.UnitName.isEmpty())
        quantity += u' ' + l.UnitName;
    const QStringList texts = { QString::number(l.Id > 0 ? l.Id : static_cast<int>(index) + 1),
        l.Name, quantity, EArsivTutar(l.Price, cur), u"%"_s + QString::number(l.VatPercent),
        EArsivTutar(l.VatAmount, cur), EArsivTutar(l.Amount, cur) };
    // The run works in native units (tenths of a millimetre), whatever the report's unit.
    long double height = 0;
    for (size_t i = 0; i < FDetailRow.Texts.size(); ++i) {
        TQRLabel *label = FDetailRow.Texts[i];
        label->SetCaption(texts[static_cast<qsizetype>(i)]);
        const int lines = std::max<int>(1, static_cast<int>(label->FormattedLines().size()));
        const long double h = lines * LineHeight(kTableSize, false);
        label->Size().SetNativeValue(TQRPrintableSize::HeightIndex, h * 10);
        height = std::max(height, h + kPad);
    }
    for (TQRShape *edge : FDetailRow.Edges)
        edge->Size().SetNativeValue(TQRPrintableSize::HeightIndex, height * 10);
    FDetailRow.Bottom->Size().SetNativeValue(TQRPrintableSize::TopIndex, height * 10);
    FDetail->Size().SetNativeValue(TQRBandSize::HeightIndex, height * 10);
}
