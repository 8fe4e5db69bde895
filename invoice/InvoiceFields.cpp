#include "invoice/InvoiceFields.h"

#include <QList>

using namespace Qt::StringLiterals;

namespace
{

using R = TInvoiceRecord;
using V = TInvoiceFormValues;

struct TCatalogue {
    QList<QString> Names; // storage of the line fields' generated names
    std::array<TInvoiceField, kInvoiceFieldCount> Fields {};
    std::array<std::vector<const TInvoiceField *>, 4> Orders;
};

// The five columns of an item line, in label order; B has no label of its own (it prints
// with its quantity) and no settings key.
struct TLineColumn {
    char16_t Letter;
    TFieldKind Kind;
    int FirstLabel;
    int Width;
    QStringView Sample;
    std::array<QString, 8> R::*RecordTexts;
    std::array<double, 8> R::*RecordNumbers;
    std::array<QString, 8> V::*FormTexts;
    std::array<long double, 8> V::*FormNumbers;
};
const TLineColumn kLineColumns[] = {
    { u'M', TFieldKind::Quantity, 7, 0, u"%1 Adet", nullptr, &R::M, nullptr, &V::M },
    { u'C', TFieldKind::Text, 15, R::kWidthC, u"CİNSİ %1", &R::C, nullptr, &V::C, nullptr },
    { u'F', TFieldKind::Money, 23, 0, u"FİYATI %1", nullptr, &R::F, nullptr, &V::F },
    { u'T', TFieldKind::Money, 31, 0, u"TUTARI %1", nullptr, &R::T, nullptr, &V::T },
    { u'B', TFieldKind::Text, 0, R::kWidthB, {}, &R::B, nullptr, &V::B, nullptr },
};

// Each order as runs of boxes; "M*" stands for M1 .. M8.
const QStringView kLabelRuns[]
    = { u"TARIH", u"SAYIN1", u"SAYIN2", u"SAYIN3", u"VERGIDAIRESI", u"VERGIHESAPNO", u"M*", u"C*",
          u"F*", u"T*", u"YEKUN", u"KDV", u"TOPLAM", u"YALNIZ", u"KDV_YUZDE" };
// A6 (the tax number) is created before A5 (the tax office), and the settings file keeps it.
const QStringView kLayoutRuns[]
    = { u"TARIH", u"SAYIN1", u"SAYIN2", u"SAYIN3", u"VERGIHESAPNO", u"VERGIDAIRESI", u"M*", u"C*",
          u"F*", u"T*", u"YEKUN", u"KDV", u"TOPLAM", u"YALNIZ", u"RAPOR_SAYFASI", u"KDV_YUZDE" };
const QStringView kStoredRuns[] = { u"TARIH", u"SAYIN1", u"SAYIN2", u"SAYIN3", u"VERGIDAIRESI",
    u"VERGIHESAPNO", u"M*", u"C*", u"F*", u"T*", u"YEKUN", u"KDV", u"TOPLAM", u"YALNIZ", u"B*" };
const QStringView kWindowRuns[] = { u"TARIH", u"SAYIN1", u"SAYIN2", u"SAYIN3", u"VERGIDAIRESI",
    u"VERGIHESAPNO", u"M*", u"B*", u"T*", u"F*", u"C*", u"YEKUN", u"KDV", u"TOPLAM", u"YALNIZ" };

TCatalogue BuildCatalogue()
{
    TCatalogue c;
    c.Names.reserve(40);
    size_t n = 0;
    auto header = [&](TInvoiceField f) { c.Fields[n++] = f; };
    // Box, column, key, label, tick box, kind, line, width, sample, accessors.
    header({ u"TARIH", u"TARIH", u"TARIH", 1, 1, TFieldKind::Text, 0, R::kWidthTARIH, u"01.01.2002",
        &R::TARIH, nullptr, nullptr, nullptr, &V::TARIH });
    header({ u"SAYIN1", u"SAYIN1", u"SAYIN1", 2, 2, TFieldKind::Text, 0, R::kWidthSAYIN,
        u"ÖRNEK MÜŞTERİ", &R::SAYIN1, nullptr, nullptr, nullptr, &V::SAYIN1 });
    header({ u"SAYIN2", u"SAYIN2", u"SAYIN2", 3, 3, TFieldKind::Text, 0, R::kWidthSAYIN,
        u"ÖRNEK MAH. NO:1", &R::SAYIN2, nullptr, nullptr, nullptr, &V::SAYIN2 });
    header({ u"SAYIN3", u"SAYIN3", u"SAYIN3", 4, 4, TFieldKind::Text, 0, R::kWidthSAYIN,
        u"MERKEZ ÖRNEKKENT", &R::SAYIN3, nullptr, nullptr, nullptr, &V::SAYIN3 });
    header({ u"VERGIDAIRESI", u"VDAIRESI", u"VERGIDAIRESI", 5, 5, TFieldKind::Text, 0,
        R::kWidthVDAIRESI, u"ÖRNEK VERGİ DAİRESİ", &R::VDAIRESI, nullptr, nullptr, nullptr,
        &V::VERGIDAIRESI });
    header({ u"VERGIHESAPNO", u"VNO", u"VERGIHESAPNO", 6, 6, TFieldKind::Text, 0, R::kWidthVNO,
        u"1111.222.333.4", &R::VNO, nullptr, nullptr, nullptr, &V::VERGIHESAPNO });

    for (const TLineColumn &col : kLineColumns) {
        for (int line = 1; line <= 8; ++line) {
            const QString &name = c.Names.emplaceBack(QString(col.Letter) + QString::number(line));
            TInvoiceField f;
            f.Box = name;
            f.Column = name;
            f.Key = col.FirstLabel ? QStringView(name) : QStringView();
            f.Label = col.FirstLabel ? col.FirstLabel + line - 1 : 0;
            f.TickBox = f.Label;
            f.Kind = col.Kind;
            f.Line = line;
            f.Width = col.Width;
            f.Sample = col.Sample;
            f.RecordTexts = col.RecordTexts;
            f.RecordNumbers = col.RecordNumbers;
            f.FormTexts = col.FormTexts;
            f.FormNumbers = col.FormNumbers;
            c.Fields[n++] = f;
        }
    }

    auto total = [&](QStringView box, int label, double R::*rec, long double V::*form,
                     QStringView sample) {
        TInvoiceField f;
        f.Box = f.Column = f.Key = box;
        f.Label = f.TickBox = label;
        f.Kind = TFieldKind::Money;
        f.Sample = sample;
        f.RecordNumber = rec;
        f.FormNumber = form;
        c.Fields[n++] = f;
    };
    total(u"YEKUN", 39, &R::YEKUN, &V::YEKUN, u"YEKÜN");
    total(u"KDV", 40, &R::KDV, &V::KDV, u"K.D.V %");
    total(u"TOPLAM", 41, &R::TOPLAM, &V::TOPLAM, u"TOPLAM");
    header({ u"YALNIZ", u"YANLIZ", u"YALNIZ", 42, 42, TFieldKind::Text, 0, R::kWidthYANLIZ,
        u"#Yalnız#", &R::YANLIZ, nullptr, nullptr, nullptr, &V::YALNIZ });
    // Positions without a stored value of their own: the VAT rate's label (it keeps the
    // caption of the last print on the layout page, so no sample) and the page's margins.
    auto position = [&](QStringView key, int label, int tickBox, TFieldKind kind) {
        TInvoiceField f;
        f.Box = f.Key = key;
        f.Label = label;
        f.TickBox = tickBox;
        f.Kind = kind;
        c.Fields[n++] = f;
    };
    position(u"KDV_YUZDE", 43, 44, TFieldKind::Rate);
    position(u"RAPOR_SAYFASI", 0, 43, TFieldKind::Page);
    Q_ASSERT(n == c.Fields.size());

    auto order = [&](std::span<const QStringView> runs) {
        std::vector<const TInvoiceField *> list;
        for (QStringView run : runs) {
            for (const TInvoiceField &f : c.Fields) {
                const bool match = run.endsWith(u'*')
                    ? f.Line > 0 && f.Box.startsWith(run.chopped(1))
                    : f.Box == run;
                if (match)
                    list.push_back(&f);
            }
        }
        return list;
    };
    c.Orders[size_t(TFieldOrder::Label)] = order(kLabelRuns);
    c.Orders[size_t(TFieldOrder::Layout)] = order(kLayoutRuns);
    c.Orders[size_t(TFieldOrder::Stored)] = order(kStoredRuns);
    c.Orders[size_t(TFieldOrder::Window)] = order(kWindowRuns);
    return c;
}

const TCatalogue &Catalogue()
{
    static const TCatalogue catalogue = BuildCatalogue();
    return catalogue;
}

} // namespace

QString &TInvoiceField::Text(TInvoiceRecord &r) const
{
    Q_ASSERT(RecordText || RecordTexts);
    return RecordText ? r.*RecordText : (r.*RecordTexts)[size_t(Line - 1)];
}

double &TInvoiceField::Number(TInvoiceRecord &r) const
{
    Q_ASSERT(RecordNumber || RecordNumbers);
    return RecordNumber ? r.*RecordNumber : (r.*RecordNumbers)[size_t(Line - 1)];
}

QString &TInvoiceField::Text(TInvoiceFormValues &v) const
{
    Q_ASSERT(FormText || FormTexts);
    return FormText ? v.*FormText : (v.*FormTexts)[size_t(Line - 1)];
}

long double &TInvoiceField::Number(TInvoiceFormValues &v) const
{
    Q_ASSERT(FormNumber || FormNumbers);
    return FormNumber ? v.*FormNumber : (v.*FormNumbers)[size_t(Line - 1)];
}

// Reading never writes: the const overloads share the accessors above.
const QString &TInvoiceField::Text(const TInvoiceRecord &r) const
{
    return Text(const_cast<TInvoiceRecord &>(r));
}

double TInvoiceField::Number(const TInvoiceRecord &r) const
{
    return Number(const_cast<TInvoiceRecord &>(r));
}

const QString &TInvoiceField::Text(const TInvoiceFormValues &v) const
{
    return Text(const_cast<TInvoiceFormValues &>(v));
}

long double TInvoiceField::Number(const TInvoiceFormValues &v) const
{
    return Number(const_cast<TInvoiceFormValues &>(v));
}

QString TInvoiceField::SampleText() const
{
    const QString sample = Sample.toString();
    return Line > 0 ? sample.arg(Line) : sample;
}

std::span<const TInvoiceField> InvoiceFields()
{
    return Catalogue().Fields;
}

std::span<const TInvoiceField *const> InvoiceFields(TFieldOrder order)
{
    return Catalogue().Orders[size_t(order)];
}

const TInvoiceField *InvoiceFieldByBox(QStringView box)
{
    for (const TInvoiceField &f : Catalogue().Fields)
        if (box.compare(f.Box, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

const TInvoiceField *InvoiceFieldOfLabel(int n)
{
    const auto labels = InvoiceFields(TFieldOrder::Label);
    if (n < 1 || n > int(labels.size()))
        return nullptr;
    return labels[size_t(n - 1)];
}

TInvoiceRecord RecordOfForm(const TInvoiceFormValues &v)
{
    TInvoiceRecord r;
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Stored)) {
        if (f->IsNumber())
            f->Number(r) = static_cast<double>(f->Number(v));
        else
            f->Text(r) = f->Text(v);
    }
    return r;
}

TInvoiceFormValues FormOfRecord(const TInvoiceRecord &r)
{
    TInvoiceFormValues v;
    for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Stored)) {
        if (f->IsNumber())
            f->Number(v) = f->Number(r);
        else
            f->Text(v) = f->Text(r);
    }
    return v;
}
