// Cost of the form's arithmetic as the user pays it: one full recomputation over an
// in-memory form of eight filled lines, and one numeric-field exit on real widgets (re-show
// the typed value, restore the colour, then the recomputation that the exit triggers).
// Baselines: the same arithmetic on plain doubles, and the same widgets updated with
// QString::number without patterns or rounding rules. Target: well under 0.1 ms each.
#include "app/FormFields.h"
#include "invoice/Totals.h"
#include "platform/Dialogs.h"
#include "platform/NumberFormat.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QWidget>

#include "bench/RatioReporter.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

const TFormatSettings kTr = TFormatSettings::Turkish();
const QString kMoney = u"#,###.00"_s;
const QString kQuantity = u",0.##;-,0.##"_s;

// The form's field without a widget: its text, formatted and parsed as the edit does.
class TTextField final : public INumericField
{
public:
    explicit TTextField(QString pattern)
        : Pattern(std::move(pattern))
    {
    }
    long double Value() override
    {
        if (Text.isEmpty()) {
            Text = FormatFloat(Pattern, 0, kTr);
            return 0;
        }
        return ParseNumericText(Text, kTr);
    }
    void SetValue(long double v) override { Text = FormatFloat(Pattern, v, kTr); }
    QString Pattern, Text;
};

class TSilentDialogs final : public IDialogs
{
public:
    void Warning(QWidget *, const QString &, const QString &) override { }
    void Error(QWidget *, const QString &, const QString &) override { }
    void Information(QWidget *, const QString &, const QString &) override { }
    TAnswer AskYesNo(QWidget *, const QString &, const QString &) override { return TAnswer::Yes; }
    TAnswer AskOkCancel(QWidget *, const QString &, const QString &) override
    {
        return TAnswer::Ok;
    }
    bool InputBox(QWidget *, const QString &, const QString &, QString &) override { return false; }
    QString OpenFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString SaveFileName(QWidget *, const QString &, const QString &, const QString &,
                         QString *) override
    {
        return {};
    }
    void Beep() override { }
    void ShellOpen(const QString &, const QString &) override { }
};

const double kQuantities[8] = { 3, 1, 2, 12, 1, 5, 7, 1 };
const double kPrices[8] = { 12.5, 20.99, 10.55, 99.99, 1000, 0.35, 14.2, 3.75 };

void BM_TotalsInMemory(benchmark::State &state)
{
    std::vector<std::unique_ptr<TTextField>> fields;
    auto make = [&](const QString &pattern) {
        fields.push_back(std::make_unique<TTextField>(pattern));
        return fields.back().get();
    };
    TTotalsForm form;
    for (int n = 0; n < 8; ++n) {
        form.M[n] = make(kQuantity);
        form.F[n] = make(kMoney);
        form.T[n] = make(kMoney);
        form.M[n]->SetValue(kQuantities[n]);
        form.F[n]->SetValue(kPrices[n]);
    }
    form.YEKUN = make(kMoney);
    form.KDV = make(kMoney);
    form.TOPLAM = make(kMoney);
    QString yalniz;
    form.SetYalniz = [&](const QString &t) { yalniz = t; };
    form.OranText = [] { return u"18"_s; };
    for (auto _ : state) {
        YEKUN_KDV_TOPLAM(form, kTr);
        benchmark::DoNotOptimize(yalniz);
    }
}
BENCHMARK(BM_TotalsInMemory);

void BM_TotalsPlainDoubles(benchmark::State &state)
{
    std::array<double, 8> m {}, f {}, t {};
    for (int n = 0; n < 8; ++n) {
        m[n] = kQuantities[n];
        f[n] = kPrices[n];
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(m.data());
        double s = 0;
        for (int n = 0; n < 8; ++n) {
            t[n] = std::round(m[n] * f[n] * 100) / 100;
            s += t[n];
        }
        const double vat = std::trunc(18 * s) / 100;
        benchmark::DoNotOptimize(s + vat);
    }
}
BENCHMARK(BM_TotalsPlainDoubles);

// The invoice's numeric fields as real edits, with the exit of F1 wired to the recomputation
// as the main window wires it.
struct TWidgetForm {
    TSilentDialogs Dialogs;
    QWidget Window;
    std::vector<TNumericEdit *> Edits;
    TTotalsForm Form;
    QString Yalniz;

    TNumericEdit *Make(const QString &pattern)
    {
        auto *e = new TNumericEdit(Dialogs, kTr, &Window);
        e->SetDisplayFormat(pattern);
        Edits.push_back(e);
        return e;
    }

    TWidgetForm()
    {
        for (int n = 0; n < 8; ++n) {
            TNumericEdit *m = Make(kQuantity);
            TNumericEdit *f = Make(kMoney);
            TNumericEdit *t = Make(kMoney);
            m->SetValue(kQuantities[n]);
            f->SetValue(kPrices[n]);
            Form.M[n] = m;
            Form.F[n] = f;
            Form.T[n] = t;
        }
        Form.YEKUN = Make(kMoney);
        Form.KDV = Make(kMoney);
        Form.TOPLAM = Make(kMoney);
        Form.SetYalniz = [this](const QString &t) { Yalniz = t; };
        Form.OranText = [] { return u"18"_s; };
        Window.show();
    }
};

void Exit(QWidget *field)
{
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(field, &in);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(field, &out);
}

void BM_NumericExitWithTotals(benchmark::State &state)
{
    TWidgetForm w;
    auto *f1 = static_cast<TNumericEdit *>(w.Form.F[0]);
    QObject::connect(f1, &TFormEdit::Exited, [&] { YEKUN_KDV_TOPLAM(w.Form, kTr); });
    int i = 0;
    for (auto _ : state) {
        f1->setText((i++ & 1) ? u"12,346"_s : u"12,5"_s);
        Exit(f1);
        benchmark::DoNotOptimize(w.Yalniz);
    }
}
BENCHMARK(BM_NumericExitWithTotals);

// The exit alone, with nothing connected: re-show, colours, focus handling.
void BM_NumericExitAlone(benchmark::State &state)
{
    TWidgetForm w;
    auto *f1 = static_cast<TNumericEdit *>(w.Form.F[0]);
    int i = 0;
    for (auto _ : state) {
        f1->setText((i++ & 1) ? u"12,346"_s : u"12,5"_s);
        Exit(f1);
    }
}
BENCHMARK(BM_NumericExitAlone);

// The naive way: the same 27 edits given their numbers with QString::number.
void BM_PlainEditsUpdate(benchmark::State &state)
{
    QWidget window;
    std::vector<QLineEdit *> edits;
    for (int k = 0; k < 27; ++k)
        edits.push_back(new QLineEdit(&window));
    window.show();
    int i = 0;
    for (auto _ : state) {
        double s = 0;
        for (int n = 0; n < 8; ++n) {
            const double t = kQuantities[n] * (kPrices[n] + (i & 1) * 0.01);
            edits[n]->setText(QString::number(t, 'f', 2));
            s += t;
        }
        edits[24]->setText(QString::number(s, 'f', 2));
        edits[25]->setText(QString::number(s * 0.18, 'f', 2));
        edits[26]->setText(QString::number(s * 1.18, 'f', 2));
        ++i;
    }
}
BENCHMARK(BM_PlainEditsUpdate);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const struct {
        const char *Figure, *Ours, *Baseline;
    } pairs[] = {
        { "YEKUN_KDV_TOPLAM on the in-memory form", "BM_TotalsInMemory", "BM_TotalsPlainDoubles" },
        { "numeric field exit with recomputation", "BM_NumericExitWithTotals",
            "BM_PlainEditsUpdate" },
        { "numeric field exit alone", "BM_NumericExitAlone", "BM_PlainEditsUpdate" },
    };
    for (const auto &p : pairs) {
        if (!reporter.Has(p.Ours, p.Baseline))
            continue;
        const double ours = reporter.Cpu[p.Ours], base = reporter.Cpu[p.Baseline];
        std::printf("%s: %.0f ns CPU (baseline %.0f ns, ratio %.2f; wall %.0f ns; target "
                    "100000 ns, %s)\n",
            p.Figure, ours, base, ours / base, reporter.Wall[p.Ours],
            ours < 100000 ? "met" : "missed");
    }
    benchmark::Shutdown();
    return 0;
}
